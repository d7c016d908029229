#include "autocal/frequency_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace autocal {

double Step::Median() const {
  if (raws.empty()) return 0;
  std::vector<int> sorted = raws;
  std::sort(sorted.begin(), sorted.end());
  // Readings are whole raw steps: take the median within the step it falls
  // in, as for grouped data, so that the noise between readings resolves
  // what lies between two raw values instead of rounding it away.
  const int middle = sorted[(sorted.size() - 1) / 2];
  const auto below = std::lower_bound(sorted.begin(), sorted.end(), middle) - sorted.begin();
  const auto at = std::upper_bound(sorted.begin(), sorted.end(), middle) - sorted.begin() - below;
  return middle - 0.5 + (sorted.size() / 2.0 - below) / at;
}

namespace {

using Clock = std::chrono::steady_clock;

// Readings this close (in raw steps) agree whatever the noise.
constexpr int kAgreeRaw = 2;
// The steps on either side whose readings' spread a step's is held against.
constexpr int kNearbySteps = 3;
// How much longer than the settling time it measured a sweep waits.
constexpr double kSettleMargin = 1.25;
constexpr double kSameLevelDb = 1e-6;
// Near the noise floor one raw step spans several decibels and the noise
// dithers the reading over a few raw values: there the steps take this many
// times the readings, so that their mean places the level within the raw
// step. The floor lies below the first step that reads kFlatRaw above the
// bottom's; readings spread over fewer than kDitherRaw carry no dither.
constexpr int kFlatReadingsFactor = 5;
constexpr double kFlatRaw = 12;
constexpr int kDitherRaw = 2;
const char* const kSettleHint = ": is the generator connected and settled? Try a longer settling time (--settle)";

int Spread(const std::vector<int>& raws) {
  if (raws.empty()) return 0;
  const auto [low, high] = std::minmax_element(raws.begin(), raws.end());
  return *high - *low;
}

// By level; of two steps at one level the later.
std::vector<const Step*> LatestByLevel(std::span<const Step> steps) {
  std::vector<const Step*> latest;
  for (const Step& step : steps) latest.push_back(&step);
  std::stable_sort(latest.begin(), latest.end(),
                   [](const Step* a, const Step* b) { return a->receiverDbm < b->receiverDbm; });
  for (std::size_t i = latest.size(); i-- > 1;) {
    if (latest[i]->receiverDbm - latest[i - 1]->receiverDbm < kSameLevelDb) latest.erase(latest.begin() + i - 1);
  }
  return latest;
}

std::string Format(const char* format, auto... values) {
  char text[200];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A column is written only when its readings make sense: a generator that
// had not settled leaves readings of the level before, which stay flat,
// fall back after a jump, or change within one step.
void CheckSteps(const std::vector<const Step*>& steps) {
  if (steps.size() < 2) return;
  const int count = static_cast<int>(steps.size());
  // What the readings spread over at the levels nearby: a receiver's own
  // noise may dither the reading on its floor more than with a signal.
  auto nearbySpread = [&](int i) {
    std::vector<int> spreads;
    for (int j = std::max(0, i - kNearbySteps); j <= std::min(count - 1, i + kNearbySteps); ++j)
      if (j != i) spreads.push_back(Spread(steps[j]->raws));
    std::nth_element(spreads.begin(), spreads.begin() + spreads.size() / 2, spreads.end());
    return spreads[spreads.size() / 2];
  };
  for (int i = 0; i < count; ++i) {
    const int spread = Spread(steps[i]->raws), nearby = nearbySpread(i);
    if (spread > 2 * nearby + 2 * kAgreeRaw)
      throw ColumnRejected(Format("the readings at %.1f dBm spread over %d raw steps, at the levels nearby over %d",
                                  steps[i]->receiverDbm, spread, nearby) +
                           kSettleHint);
  }
  const Step* highest = steps.front();
  for (const Step* step : steps) {
    if (highest->Median() - step->Median() > kAgreeRaw + std::max(Spread(highest->raws), Spread(step->raws)))
      throw ColumnRejected(Format("the reading fell from raw %.0f at %.1f dBm to %.0f at %.1f dBm", highest->Median(),
                                  highest->receiverDbm, step->Median(), step->receiverDbm) +
                           kSettleHint);
    if (step->Median() > highest->Median()) highest = step;
  }
  const Step& bottom = *steps.front();
  const Step& top = *steps.back();
  if (top.Median() - bottom.Median() < kAgreeRaw + std::max(Spread(bottom.raws), Spread(top.raws)))
    throw ColumnRejected(Format("the reading did not rise with the level: raw %.0f at %.1f dBm, %.0f at %.1f dBm",
                                bottom.Median(), bottom.receiverDbm, top.Median(), top.receiverDbm) +
                         kSettleHint);
}

}  // namespace

LevelColumn FitSteps(std::span<const Step> steps) {
  const std::vector<const Step*> latest = LatestByLevel(steps);
  CheckSteps(latest);
  std::vector<LevelReading> readings;
  for (const Step* step : latest) readings.push_back({step->receiverDbm, step->Mean()});
  try {
    return FitColumn(readings);
  } catch (const std::invalid_argument& error) {
    throw ColumnRejected(error.what());
  }
}

double Step::Mean() const {
  if (raws.empty()) return 0;
  double sum = 0;
  for (const int raw : raws) sum += raw;
  return sum / static_cast<double>(raws.size());
}

FrequencySweep::FrequencySweep(const SweepSettings& settings, double lossDb)
    : settings_(settings),
      lossDb_(lossDb),
      planner_(settings.fromDbm, settings.toDbm, settings.finestStepDb) {}

std::optional<Step> FrequencySweep::Next() const {
  const std::optional<double> level = planner_.Next();
  if (!level) return std::nullopt;
  return Step{*level + lossDb_, *level, {}};
}

std::chrono::milliseconds FrequencySweep::Settle() const {
  if (!SettlingNeeded()) return settings_.settle;
  return std::chrono::milliseconds(static_cast<int64_t>(std::ceil(SettlingNeeded()->count() * kSettleMargin)));
}

std::optional<std::chrono::milliseconds> FrequencySweep::SettlingNeeded() const {
  if (!lagged_) return std::nullopt;
  return settled_;
}

// The second step jumps from the bottom of the range to its top.
bool FrequencySweep::WatchesSettling(const Step& step) const {
  return !settled_ && steps_.size() == 1 && step.receiverDbm != steps_.front().receiverDbm;
}

bool FrequencySweep::Take(Step& step, int raw, Clock::duration sinceSet) {
  if (WatchesSettling(step)) {
    const Step& bottom = steps_.front();
    const double agree = std::max(kAgreeRaw, Spread(bottom.raws));
    const bool left = std::abs(raw - bottom.Median()) > agree;
    if (!left) {
      followed_.reset();
      lagged_ = true;
    } else if (followed_ && std::abs(raw - followed_->first) <= agree) {
      // Two agreeing readings away from the bottom's: the reading had
      // followed by the first reading of this run of them.
      settled_ = lagged_ ? std::chrono::ceil<std::chrono::milliseconds>(followed_->second) : settings_.settle;
      if (lagged_) planner_.Remeasure(bottom.receiverDbm);  // taken before the wait was known
    } else {
      if (!followed_) followed_.emplace(raw, sinceSet);
      followed_->first = raw;
    }
    if (!settled_) {
      if (sinceSet > Clock::duration(settings_.settle + kMostSettle))
        throw ColumnRejected(
            Format("the reading stayed at raw %d for %lld ms after the level rose from %.1f to %.1f dBm", raw,
                   static_cast<long long>((settings_.settle + kMostSettle).count()), bottom.receiverDbm,
                   step.receiverDbm) +
            kSettleHint);
      return false;
    }
  }
  step.raws.push_back(raw);
  return static_cast<int>(step.raws.size()) >= ReadingsFor(step);
}

int MostReadings(const SweepSettings& settings) {
  return static_cast<int>(std::min<int64_t>(int64_t{settings.readings} * kFlatReadingsFactor, INT32_MAX));
}

int FrequencySweep::ReadingsFor(const Step& step) const {
  if (steps_.empty()) return MostReadings(settings_);  // most likely on the floor
  const Step& bottom = steps_.front();
  if (Spread(bottom.raws) < kDitherRaw) return settings_.readings;  // no noise to average
  for (const Step& taken : steps_) {
    if (taken.receiverDbm < step.receiverDbm - kSameLevelDb && taken.Median() > bottom.Median() + kFlatRaw)
      return settings_.readings;
  }
  return MostReadings(settings_);
}

void FrequencySweep::Record(Step step) {
  planner_.Record(step.receiverDbm, step.Mean());
  steps_.push_back(std::move(step));
}

LevelColumn FrequencySweep::Fit() const { return FitSteps(steps_); }

std::string SettlingNote(const FrequencySweep& sweep) {
  const auto needed = sweep.SettlingNeeded();
  if (!needed) return {};
  return Format("; the reading followed the generator only after %lld ms, so each step waited %lld ms (settling "
                "time set: %lld ms)",
                static_cast<long long>(needed->count()), static_cast<long long>(sweep.Settle().count()),
                static_cast<long long>(sweep.Settings().settle.count()));
}

LevelColumn RunSweep(FrequencySweep& sweep, const SweepIo& io) {
  while (std::optional<Step> step = sweep.Next()) {
    io.setLevel(step->generatorDbm);
    const auto set = Clock::now();
    if (sweep.Settle().count() > 0) io.wait(sweep.Settle());
    while (true) {
      const auto sinceSet = Clock::now() - set;
      if (sweep.Take(*step, io.readRaw(), sinceSet)) break;
    }
    if (io.stepTaken) io.stepTaken(*step);
    sweep.Record(std::move(*step));
  }
  return sweep.Fit();
}

}  // namespace autocal
