#pragma once
// The settings of a run as the operator types them, checked field by field
// the same way on the command line and in the window: each refusal names the
// field (the option, or the window's label) and the range it allows.
#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "autocal/frequency_sweep.h"

namespace autocal {

class FieldError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// What the operator calls each field where it is typed.
struct FieldNames {
  std::string frequencies, levels, step, settle, readings;
};

// The numbers as typed, before any is checked or rounded.
struct SweepEntries {
  double fromDbm = -130;
  double toDbm = -10;
  double stepDb = 1;
  double settleMs = 0;
  double readings = 9;
};

inline constexpr double kFinestStepDb = 0.1;
inline constexpr double kLongestSettleMs = 3'600'000;  // one hour
inline constexpr double kMostReadings = 1000;

// The settings the entries give. Raises FieldError for the first entry that
// cannot be used: levels outside -140..0 dBm or both the same, a step finer
// than 0.1 dB or larger than half the level range, a settling time that is
// not a whole number of milliseconds up to one hour, a reading count that is
// not a whole number from 1 to 1000.
SweepSettings CheckedSweep(const SweepEntries& entries, const FieldNames& names);

// Whole milliseconds from `least` to one hour, or FieldError naming `field`.
std::chrono::milliseconds CheckedMilliseconds(double ms, double least, const std::string& field);

// Each entry as a frequency above 0 Hz, in the order given. Raises FieldError
// for an entry that is not one and for a frequency given twice.
std::vector<int64_t> ReadFrequencyList(std::span<const std::string> entries, const std::string& field);

}  // namespace autocal
