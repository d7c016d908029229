#include "autocal/sweep_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "vocabulary/frequency_text.h"

namespace autocal {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

bool WholeWithin(double value, double least, double most) {
  return value >= least && value <= most && value == std::floor(value);
}

void CheckLevel(double dbm, const std::string& field) {
  if (!(dbm >= kLowestLevelDbm && dbm <= kHighestLevelDbm))
    throw FieldError(field + ": " + Number(dbm) + " dBm is outside " + Number(kLowestLevelDbm) + ".." +
                     Number(kHighestLevelDbm) + " dBm");
}

}  // namespace

std::chrono::milliseconds CheckedMilliseconds(double ms, double least, const std::string& field) {
  if (!WholeWithin(ms, least, kLongestSettleMs))
    throw FieldError(field + ": " + Number(ms) + " ms is not a whole number of milliseconds from " +
                     Number(least) + " to " + Number(kLongestSettleMs) + " (one hour)");
  return std::chrono::milliseconds(static_cast<int64_t>(ms));
}

SweepSettings CheckedSweep(const SweepEntries& entries, const FieldNames& names) {
  CheckLevel(entries.fromDbm, names.levels);
  CheckLevel(entries.toDbm, names.levels);
  if (entries.fromDbm == entries.toDbm)
    throw FieldError(names.levels + ": " + Number(entries.fromDbm) + " to " + Number(entries.toDbm) +
                     " dBm is no range (give two different levels within -140..0 dBm)");
  const double coarsest = std::abs(entries.toDbm - entries.fromDbm) / 2;
  if (!(entries.stepDb >= kFinestStepDb && entries.stepDb <= coarsest))
    throw FieldError(names.step + ": " + Number(entries.stepDb) + " dB is outside " + Number(kFinestStepDb) +
                     ".." + Number(coarsest) + " dB (at most half the level range)");
  if (!WholeWithin(entries.readings, 1, kMostReadings))
    throw FieldError(names.readings + ": " + Number(entries.readings) +
                     " is not a whole number of readings from 1 to " + Number(kMostReadings));
  SweepSettings settings;
  settings.fromDbm = entries.fromDbm;
  settings.toDbm = entries.toDbm;
  settings.finestStepDb = entries.stepDb;
  settings.settle = CheckedMilliseconds(entries.settleMs, 0, names.settle);
  settings.readings = static_cast<int>(entries.readings);
  return settings;
}

std::vector<int64_t> ReadFrequencyList(std::span<const std::string> entries, const std::string& field) {
  std::vector<int64_t> frequencies;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const std::optional<int64_t> hz = vocabulary::ReadFrequency(entries[index]);
    if (!hz || *hz <= 0) throw FieldError(field + ": " + vocabulary::NotAFrequency(entries[index]));
    const auto before = std::find(frequencies.begin(), frequencies.end(), *hz);
    if (before != frequencies.end())
      throw FieldError(field + ": \"" + entries[before - frequencies.begin()] + "\" and \"" + entries[index] +
                       "\" are the same frequency (" + std::to_string(*hz) + " Hz); give each once");
    frequencies.push_back(*hz);
  }
  return frequencies;
}

}  // namespace autocal
