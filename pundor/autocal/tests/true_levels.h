#pragma once
// What the simulated receivers' S-meter model says each raw value stands for:
// the middle of the input levels that give it without noise.
#include <algorithm>
#include <array>

#include "autocal/level_column.h"
#include "sim/smeter.h"

namespace autocal {

inline int ModelRaw(const sim::ReceiverSpec& receiver, const sim::Tuning& tuning, double inputDbm) {
  return sim::RawFromDetectorLevel(
      sim::DetectorLevelDbm(receiver, tuning, inputDbm, sim::kTrackingGenerator));
}

inline std::array<double, kRawValues> TrueLevels(const sim::ReceiverSpec& receiver,
                                                 const sim::Tuning& tuning) {
  constexpr double kLowestDbm = -160, kResolutionDb = 0.001;
  constexpr int kLevels = 180'000;
  std::array<double, kRawValues> low, high, middle;
  low.fill(1e9), high.fill(-1e9);
  for (int i = 0; i <= kLevels; ++i) {
    const double level = kLowestDbm + i * kResolutionDb;
    const int raw = ModelRaw(receiver, tuning, level);
    low[raw] = std::min(low[raw], level), high[raw] = std::max(high[raw], level);
  }
  for (int raw = 0; raw < kRawValues; ++raw) middle[raw] = (low[raw] + high[raw]) / 2;
  return middle;
}

}  // namespace autocal
