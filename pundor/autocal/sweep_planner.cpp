#include "autocal/sweep_planner.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <utility>

namespace autocal {
namespace {

// The coarse pass: wide enough to leave room for the refinement within about
// sixty steps over 120 dB, close enough that a smooth stretch needs nothing
// more.
constexpr double kCoarseStepDb = 3.0;
// How far (in raw steps) a straight line through an interval may miss its
// neighbours' slopes before the interval is split. Above what the median of
// a few noisy readings wanders, well below what a floor or a compression
// knee gives.
constexpr double kBendRaw = 4.5;
// Two readings this close are the same raw value.
constexpr double kSameRaw = 0.5;
constexpr double kSameLevelDb = 1e-6;
constexpr double kTopRaw = 255;
// Splits next to a floor or a top come before any bend.
constexpr double kKnee = 1e9;

}  // namespace

SweepPlanner::SweepPlanner(double fromDbm, double toDbm, double finestStepDb)
    : lowDbm_(std::min(fromDbm, toDbm)), highDbm_(std::max(fromDbm, toDbm)), finestStepDb_(finestStepDb) {
  if (!(finestStepDb > 0)) throw std::invalid_argument("the finest step must be above 0 dB");
  coarseStepDb_ = std::max(finestStepDb_, kCoarseStepDb);
  const double span = highDbm_ - lowDbm_;
  const int intervals = std::max(1, static_cast<int>(std::ceil(span / coarseStepDb_ - kSameLevelDb)));
  // pending_ hands out its last element: the bottom of the range, then its
  // top (the jump that shows how long the reading takes to follow the
  // generator), then the rest rising.
  for (int i = intervals - 1; i >= 1; --i) pending_.push_back(lowDbm_ + span * i / intervals);
  pending_.push_back(highDbm_);
  pending_.push_back(lowDbm_);
  if (span <= 0) pending_.resize(1);
  // The refinement adds at most about half the coarse pass, so that a
  // 120 dB sweep stays within 60 steps however noisy the readings are.
  refinementsLeft_ = std::max(2, intervals / 2 - 1);
  mostSteps_ = static_cast<int>(pending_.size()) + refinementsLeft_;
}

std::optional<double> SweepPlanner::Next() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.back();
}

void SweepPlanner::Record(double levelDbm, double raw) {
  const auto at = std::lower_bound(measured_.begin(), measured_.end(), levelDbm,
                                   [](const LevelReading& m, double level) { return m.levelDbm < level; });
  if (at != measured_.end() && std::abs(at->levelDbm - levelDbm) < kSameLevelDb) {
    at->raw = raw;
    // In place of a refinement, so that the steps alone replay the same plan.
    refinementsLeft_ = std::max(0, refinementsLeft_ - 1);
  } else
    measured_.insert(at, {levelDbm, raw});
  std::erase_if(pending_, [&](double level) { return std::abs(level - levelDbm) < kSameLevelDb; });
  if (pending_.empty()) PlanRefinement();
}

void SweepPlanner::Remeasure(double levelDbm) { pending_.push_back(levelDbm); }

void SweepPlanner::PlanRefinement() {
  std::vector<std::pair<double, double>> splits;  // urgency, level
  for (std::size_t i = 0; i + 1 < measured_.size(); ++i) {
    if (const double urgency = SplitUrgency(i); urgency > 0)
      splits.emplace_back(urgency, (measured_[i].levelDbm + measured_[i + 1].levelDbm) / 2);
  }
  std::stable_sort(splits.begin(), splits.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  splits.resize(std::min<std::size_t>(splits.size(), refinementsLeft_));
  refinementsLeft_ -= static_cast<int>(splits.size());
  for (const auto& split : splits) pending_.push_back(split.second);
  std::sort(pending_.begin(), pending_.end(), std::greater<>());
}

double SweepPlanner::Slope(std::size_t interval) const {
  const LevelReading& a = measured_[interval];
  const LevelReading& b = measured_[interval + 1];
  return (b.raw - a.raw) / (b.levelDbm - a.levelDbm);
}

// A flat interval at the lowest or highest reading: the receiver's floor or
// its top, where the curve meets a level it cannot go beyond.
bool SweepPlanner::IsClippedEnd(std::size_t interval) const {
  const double a = measured_[interval].raw;
  const double b = measured_[interval + 1].raw;
  if (std::abs(b - a) >= kSameRaw) return false;
  const auto [lowest, highest] =
      std::minmax_element(measured_.begin(), measured_.end(),
                          [](const LevelReading& x, const LevelReading& y) { return x.raw < y.raw; });
  return std::abs(a - lowest->raw) < kSameRaw || std::abs(a - highest->raw) < kSameRaw;
}

double SweepPlanner::SplitUrgency(std::size_t interval) const {
  const double width = measured_[interval + 1].levelDbm - measured_[interval].levelDbm;
  if (width / 2 < finestStepDb_ - kSameLevelDb) return 0;
  if (std::abs(measured_[interval + 1].raw - measured_[interval].raw) < kSameRaw) return 0;
  // A reading of 0 or 255 may be cut off: the slope ends somewhere inside.
  for (const std::size_t end : {interval, interval + 1}) {
    if (measured_[end].raw < kSameRaw || measured_[end].raw > kTopRaw - kSameRaw) return kKnee;
  }
  const std::size_t last = measured_.size() - 2;
  double bend = 0;
  for (const std::size_t neighbour : {interval - 1, interval + 1}) {
    if (neighbour > last) continue;  // also catches interval 0's left neighbour
    if (IsClippedEnd(neighbour)) return kKnee;
    bend = std::max(bend, std::abs(Slope(interval) - Slope(neighbour)) * width);
  }
  return bend > kBendRaw ? bend : 0;
}

}  // namespace autocal
