#pragma once
// Turns the steps measured at one frequency into the 256 levels of a
// calibration column, one per raw reading.
#include <array>
#include <bitset>
#include <span>

#include "autocal/sweep_planner.h"

namespace autocal {

inline constexpr int kRawValues = 256;

struct LevelColumn {
  // dBm at the receiver input for each raw reading.
  std::array<double, kRawValues> levels{};
  // Entries outside the raw values the steps covered (below the receiver's
  // floor, above the top of the range measured): they took the level of the
  // nearest raw value that was covered.
  std::bitset<kRawValues> filled;
  int lowestRaw = 0;  // the raw values the steps covered, both included
  int highestRaw = 0;
};

// A monotonic fit through the steps (noise smoothed over a few neighbouring
// steps), each raw value's level interpolated between them. Raises
// std::invalid_argument when fewer than two steps were taken or the reading
// never changed.
LevelColumn FitColumn(std::span<const LevelReading> steps);

}  // namespace autocal
