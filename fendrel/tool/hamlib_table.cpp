#include "hamlib_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hamlib_table {
namespace {

constexpr int kRaws = 256;
// Each point's value is a whole dB near the column's own value there.
constexpr int kChoices = 4;

// A worst error first, then the squares that make up the RMS error.
struct Cost {
  double worst = std::numeric_limits<double>::infinity();
  double squares = 0;
  bool operator<(const Cost& other) const {
    return worst != other.worst ? worst < other.worst : squares < other.squares;
  }
};

Cost Join(const Cost& a, const Cost& b) { return {std::max(a.worst, b.worst), a.squares + b.squares}; }

class Search {
 public:
  explicit Search(const std::array<double, 256>& column) : column_(column) {}

  int Value(int raw, int choice) const { return static_cast<int>(std::floor(column_[raw])) - 1 + choice; }

  // The error of Hamlib's line from (a, u) to (b, v) over a..b-1.
  Cost Segment(int a, int u, int b, int v) const {
    Cost cost{0, 0};
    for (int raw = a; raw < b; ++raw) {
      const double interpolated = v - (b - raw) * static_cast<double>(v - u) / (b - a);
      Add(cost, interpolated - column_[raw]);
    }
    return cost;
  }
  // The error of a held value over from..to-1.
  Cost Held(int from, int to, int value) const {
    Cost cost{0, 0};
    for (int raw = from; raw < to; ++raw) Add(cost, value - column_[raw]);
    return cost;
  }

 private:
  static void Add(Cost& cost, double error) {
    cost.worst = std::max(cost.worst, std::abs(error));
    cost.squares += error * error;
  }
  const std::array<double, 256>& column_;
};

}  // namespace

double Interpolate(const std::vector<Point>& points, int raw) {
  std::size_t i = 0;
  while (i < points.size() && raw >= points[i].raw) ++i;
  if (i == 0) return points.front().value;
  if (i == points.size()) return points.back().value;
  const Point& low = points[i - 1];
  const Point& high = points[i];
  return high.value - (high.raw - raw) * static_cast<double>(high.value - low.value) / (high.raw - low.raw);
}

Fit FitTable(const std::array<double, 256>& column, int maxPoints) {
  const Search search(column);
  const int states = kRaws * kChoices;
  // best[k][s]: the cost over raw 0..b of the best k+1 points ending with
  // point s = (raw b, value choice); from[k][s] the point before it.
  std::vector<std::vector<Cost>> best(maxPoints, std::vector<Cost>(states));
  std::vector<std::vector<int>> from(maxPoints, std::vector<int>(states, -1));
  for (int b = 0; b < kRaws; ++b)
    for (int c = 0; c < kChoices; ++c) best[0][b * kChoices + c] = search.Held(0, b, search.Value(b, c));
  // Every segment's cost once: the search below reads each many times.
  std::vector<Cost> segments(static_cast<std::size_t>(states) * states);
  for (int a = 0; a < kRaws; ++a)
    for (int u = 0; u < kChoices; ++u)
      for (int b = a + 1; b < kRaws; ++b)
        for (int v = 0; v < kChoices; ++v)
          segments[static_cast<std::size_t>(a * kChoices + u) * states + b * kChoices + v] =
              search.Segment(a, search.Value(a, u), b, search.Value(b, v));
  for (int k = 1; k < maxPoints; ++k) {
    for (int s = kChoices; s < states; ++s) {
      for (int p = 0; p < (s / kChoices) * kChoices; ++p) {
        const Cost cost = Join(best[k - 1][p], segments[static_cast<std::size_t>(p) * states + s]);
        if (cost < best[k][s]) best[k][s] = cost, from[k][s] = p;
      }
    }
  }
  // The last point holds its value up to raw 255.
  Cost bestCost;
  int bestK = 0, bestS = 0;
  for (int k = 1; k < maxPoints; ++k) {
    for (int s = 0; s < states; ++s) {
      const int b = s / kChoices;
      Cost cost = Join(best[k][s], search.Held(b, kRaws, search.Value(b, s % kChoices)));
      if (cost < bestCost) bestCost = cost, bestK = k, bestS = s;
    }
  }
  Fit fit;
  for (int k = bestK, s = bestS; s >= 0; s = from[k][s], --k)
    fit.points.insert(fit.points.begin(), {s / kChoices, search.Value(s / kChoices, s % kChoices)});
  double squares = 0;
  for (int raw = 0; raw < kRaws; ++raw) {
    const double error = Interpolate(fit.points, raw) - column[raw];
    fit.worst = std::max(fit.worst, std::abs(error));
    squares += error * error;
  }
  fit.rms = std::sqrt(squares / kRaws);
  return fit;
}

}  // namespace hamlib_table
