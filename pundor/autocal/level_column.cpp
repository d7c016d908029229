#include "autocal/level_column.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace autocal {
namespace {

// Steps on each side that smooth one step's reading.
constexpr int kSmoothingReach = 3;
// How far beyond a knee the steps that place it may lie.
constexpr double kKneeReachDb = 6;

struct Curve {
  std::vector<double> level, raw;  // raw never decreases with level
  // The last step of the run that reads exactly what the lowest step reads,
  // and the first of the run that reads what the highest does: a reading cut
  // off at the floor or the top. The readings of a soft floor differ by
  // their noise and make no run.
  int flatEnd = 0, topStart = 0;
};

// Pool adjacent violators: the closest non-decreasing sequence (least
// squares), so that one noisy step cannot fold the curve back.
std::vector<double> MonotonicFit(const std::vector<double>& values) {
  struct Block {
    double sum;
    int count;
    double Mean() const { return sum / count; }
  };
  std::vector<Block> blocks;
  for (const double value : values) {
    blocks.push_back({value, 1});
    while (blocks.size() > 1 && blocks[blocks.size() - 2].Mean() > blocks.back().Mean()) {
      blocks[blocks.size() - 2].sum += blocks.back().sum;
      blocks[blocks.size() - 2].count += blocks.back().count;
      blocks.pop_back();
    }
  }
  std::vector<double> result;
  for (const Block& block : blocks) result.insert(result.end(), block.count, block.Mean());
  return result;
}

// The least-squares line through the steps first..last.
struct Line {
  double level, raw, slope;  // through (level, raw)
  double RawAt(double at) const { return raw + slope * (at - level); }
  double LevelAt(double at) const { return level + (at - raw) / slope; }
};

Line LineThrough(const Curve& curve, int first, int last) {
  Line line{0, 0, 0};
  const int count = last - first + 1;
  for (int i = first; i <= last; ++i) line.level += curve.level[i], line.raw += curve.raw[i];
  line.level /= count, line.raw /= count;
  double sxx = 0, sxy = 0;
  for (int i = first; i <= last; ++i) {
    sxx += (curve.level[i] - line.level) * (curve.level[i] - line.level);
    sxy += (curve.level[i] - line.level) * (curve.raw[i] - line.raw);
  }
  if (sxx > 0) line.slope = sxy / sxx;
  return line;
}

// The least-squares parabola through the steps first..last, taken at `at`;
// the line when there are too few steps for one.
double ParabolaAt(const Curve& curve, int first, int last, double at) {
  if (last - first < 3) return LineThrough(curve, first, last).RawAt(at);
  // Normal equations in powers of (level - at): the value at `at` is the
  // constant term.
  double s[5] = {}, t[3] = {};
  for (int i = first; i <= last; ++i) {
    const double x = curve.level[i] - at;
    double power = 1;
    for (int k = 0; k < 5; ++k, power *= x) {
      s[k] += power;
      if (k < 3) t[k] += power * curve.raw[i];
    }
  }
  const double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  auto det = [](const double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double whole = det(m);
  if (std::abs(whole) < 1e-12) return LineThrough(curve, first, last).RawAt(at);
  double c[3][3];
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) c[r][k] = k == 0 ? t[r] : m[r][k];
  return det(c) / whole;
}

// Local parabolas through each step's neighbours take out most of the
// readings' noise and follow a slope that wanders along the range. A flat
// run at either end (the floor, the top) stays as read and stays out of its
// neighbours' fits: a fit across the knee would round it off.
void Smooth(Curve& curve) {
  const int last = static_cast<int>(curve.raw.size()) - 1;
  int first = curve.flatEnd, final = curve.topStart;
  if (first > 0) ++first;  // the run's own steps keep their reading
  if (final < last) --final;
  std::vector<double> smoothed = curve.raw;
  for (int i = first; i <= final; ++i) {
    const double value = ParabolaAt(curve, std::max(first, i - kSmoothingReach),
                                    std::min(final, i + kSmoothingReach), curve.level[i]);
    smoothed[i] = std::clamp(value, curve.raw.front(), curve.raw.back());
  }
  curve.raw = MonotonicFit(smoothed);
}


// Where the reading meets the floor (or the top) between two steps, the step
// on the flat side says nothing about where the slope ends: move it to where
// the line through the next few rising steps reaches its reading, so that
// the raw values just off the floor get the levels of the slope, not of a
// chord.
void PlaceKnees(Curve& curve) {
  const int last = static_cast<int>(curve.raw.size()) - 1;
  const int flat = curve.flatEnd, top = curve.topStart;
  if (top - flat < 3) return;
  if (flat > 0 || curve.raw[flat] <= 0) {
    int end = flat + 2;
    while (end + 1 < top && curve.level[end + 1] - curve.level[flat + 1] <= kKneeReachDb) ++end;
    const Line line = LineThrough(curve, flat + 1, end);
    if (line.slope > 0)
      curve.level[flat] = std::clamp(line.LevelAt(curve.raw[flat]), curve.level[flat], curve.level[flat + 1]);
  }
  if (top < last || curve.raw[top] >= kRawValues - 1) {
    int begin = top - 2;
    while (begin - 1 > flat && curve.level[top - 1] - curve.level[begin - 1] <= kKneeReachDb) --begin;
    const Line line = LineThrough(curve, begin, top - 1);
    if (line.slope > 0)
      curve.level[top] = std::clamp(line.LevelAt(curve.raw[top]), curve.level[top - 1], curve.level[top]);
  }
}

Curve SortedCurve(std::span<const LevelReading> steps) {
  std::vector<LevelReading> sorted(steps.begin(), steps.end());
  std::sort(sorted.begin(), sorted.end(),
            [](const LevelReading& a, const LevelReading& b) { return a.levelDbm < b.levelDbm; });
  Curve curve;
  for (const LevelReading& step : sorted) {
    curve.level.push_back(step.levelDbm);
    curve.raw.push_back(step.raw);
  }
  const int last = static_cast<int>(curve.raw.size()) - 1;
  while (curve.flatEnd < last && curve.raw[curve.flatEnd + 1] == curve.raw[0]) ++curve.flatEnd;
  curve.topStart = last;
  while (curve.topStart > 0 && curve.raw[curve.topStart - 1] == curve.raw[last]) --curve.topStart;
  curve.raw = MonotonicFit(curve.raw);
  return curve;
}

// The level between the lowest and the highest level that read `raw` on the
// fitted curve. Where a flat run meets the end of the range measured, the
// run's inner end: the level beyond it is unknown.
double LevelOf(const Curve& curve, double raw) {
  const std::size_t last = curve.raw.size() - 1;
  const auto firstAtOrAbove = std::lower_bound(curve.raw.begin(), curve.raw.end(), raw) - curve.raw.begin();
  const auto firstAbove = std::upper_bound(curve.raw.begin(), curve.raw.end(), raw) - curve.raw.begin();
  auto crossing = [&](std::size_t upper) {
    const std::size_t lower = upper - 1;
    const double share = (raw - curve.raw[lower]) / (curve.raw[upper] - curve.raw[lower]);
    return curve.level[lower] + share * (curve.level[upper] - curve.level[lower]);
  };
  const bool flatAtStart = firstAtOrAbove == 0 && firstAbove > 1;
  const bool flatAtEnd =
      static_cast<std::size_t>(firstAbove) > last && firstAtOrAbove < static_cast<long>(last);
  const double low = firstAtOrAbove == 0 ? curve.level[0] : crossing(firstAtOrAbove);
  const double high = static_cast<std::size_t>(firstAbove) > last ? curve.level[last]
                      : curve.raw[firstAbove - 1] == raw          ? curve.level[firstAbove - 1]
                                                                  : crossing(firstAbove);
  if (flatAtStart && !flatAtEnd) return high;
  if (flatAtEnd && !flatAtStart) return low;
  return (low + high) / 2;
}

// A raw value stands for the levels at which the meter's (unrounded) reading
// lies within half a step of it: the middle of those, where the curve covers
// them. Where the slope changes fast (near the floor) this differs from the
// level at which the curve passes the raw value itself.
double LevelOfRawStep(const Curve& curve, int raw) {
  if (raw - 0.5 < curve.raw.front() || raw + 0.5 > curve.raw.back()) return LevelOf(curve, raw);
  return (LevelOf(curve, raw - 0.5) + LevelOf(curve, raw + 0.5)) / 2;
}

}  // namespace

LevelColumn FitColumn(std::span<const LevelReading> steps) {
  if (steps.size() < 2) throw std::invalid_argument("a column needs at least two steps");
  Curve curve = SortedCurve(steps);
  if (curve.raw.front() == curve.raw.back())
    throw std::invalid_argument("the reading stayed at " + std::to_string(std::lround(curve.raw.front())) +
                                " over the whole level range");
  Smooth(curve);
  PlaceKnees(curve);
  LevelColumn column;
  column.lowestRaw = std::clamp(static_cast<int>(std::ceil(curve.raw.front())), 0, kRawValues - 1);
  column.highestRaw = std::clamp(static_cast<int>(std::floor(curve.raw.back())), 0, kRawValues - 1);
  for (int raw = 0; raw < kRawValues; ++raw) {
    const int covered = std::clamp(raw, column.lowestRaw, column.highestRaw);
    column.filled[raw] = covered != raw;
    if (!column.filled[raw]) column.levels[raw] = LevelOfRawStep(curve, raw);
  }
  for (int raw = 0; raw < kRawValues; ++raw)
    if (column.filled[raw])
      column.levels[raw] = column.levels[std::clamp(raw, column.lowestRaw, column.highestRaw)];
  return column;
}

}  // namespace autocal
