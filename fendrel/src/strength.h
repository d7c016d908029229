#pragma once
// The arithmetic between raw readings, stored tenths of a dB and levels.
#include <cstdint>

#include "model.h"

namespace fendrel {

inline constexpr double kLowestLevel = -140.0;
inline constexpr double kHighestLevel = 0.0;

struct Strength {
  double dBm;
  double microVolts;
  double microVoltsPP;
  int32_t sUnit;
};

// mode must hold at least one point.
Strength convertReading(const CalMode& mode, uint8_t raw, int64_t frequency);

// False for NaN too.
constexpr bool isAcceptedLevel(double dBm) { return dBm >= kLowestLevel && dBm <= kHighestLevel; }

// The stored tenths for an accepted level: to the nearest tenth, half a
// tenth going down.
inline int32_t storedTenths(double dBm) { return static_cast<int32_t>((dBm - 0.05) * 10); }

// -1 stays the default mode; anything else keeps its low 8 bits.
constexpr int32_t reduceModeCode(int32_t mode) { return mode == -1 ? -1 : mode & 0xFF; }

}  // namespace fendrel
