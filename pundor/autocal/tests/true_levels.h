#pragma once
// What the simulated receivers' S-meter model reads, and what each raw value
// stands for: the middle of the levels at the receiver input at which the
// noise-free model reads it.
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "autocal/level_column.h"
#include "sim/scenario.h"
#include "sim/smeter.h"

namespace autocal {

// The reading at `inputDbm` on the receiver's input with `jitterDb` of noise
// on what its detector hears, as the drivers leave the receiver (attenuator
// off, RF amplifier on for the FM-capable newer models).
inline int ModelRaw(const sim::ReceiverSpec& receiver, int64_t hz, int32_t mode, double inputDbm,
                    double jitterDb = 0) {
  const sim::Tuning tuning{hz, mode, false, sim::IsFmModel(receiver)};
  return sim::RawReading(sim::CurveOf(receiver), mode,
                         sim::DetectorLevelDbm(receiver, tuning, inputDbm, sim::kTrackingGenerator),
                         jitterDb);
}

struct RawStep {
  double low = 1e9, high = -1e9;
  double Middle() const { return (low + high) / 2; }
  double Width() const { return high - low; }
};

// What each raw value stands for, for any noise-free reading of the input
// level in dBm.
template <typename Reading>
std::array<RawStep, kRawValues> TrueLevelsOf(const Reading& reading) {
  constexpr double kLowestDbm = -170, kResolutionDb = 0.002;
  constexpr int kLevels = 95'000;
  std::array<RawStep, kRawValues> steps;
  for (int i = 0; i <= kLevels; ++i) {
    const double level = kLowestDbm + i * kResolutionDb;
    RawStep& step = steps[reading(level)];
    step.low = std::min(step.low, level), step.high = std::max(step.high, level);
  }
  return steps;
}

inline std::array<RawStep, kRawValues> TrueLevels(const sim::ReceiverSpec& receiver, int64_t hz,
                                                  int32_t mode) {
  return TrueLevelsOf([&](double level) { return ModelRaw(receiver, hz, mode, level); });
}

// Raw values the receiver resolves to a decibel or better. Just above its
// noise floor one raw step spans several decibels, and no reading can tell
// where within them the level lies.
inline constexpr double kResolvedDb = 1.0;

inline sim::ReceiverSpec ScenarioReceiver(std::string_view scenario, std::string_view id) {
  for (const sim::ReceiverSpec& receiver : sim::ParseScenario(scenario).receivers)
    if (receiver.id == id) return receiver;
  throw std::invalid_argument("no receiver " + std::string(id));
}

}  // namespace autocal
