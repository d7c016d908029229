#pragma once
// Every step of a calibration as CSV, kept beside the CAL file so that a
// column can be traced back to what the receiver read: a header comment with
// the generator's identity and the settings, then one row per step.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "autocal/cable_loss.h"
#include "autocal/frequency_sweep.h"

namespace autocal {

struct LogHeader {
  std::string generatorIdentity;  // its answer to *IDN?
  std::string generatorAddress;
  std::string receiver;  // name and serial number or device number
  std::string settings;  // e.g. "levels -130:-10 dBm, step 1 dB, ..."
};

// The settings of a run in one line, for the header: "mode AM, levels ...".
std::string SettingsText(int32_t mode, const SweepSettings& sweep, const CableLoss& loss);

// Comment lines starting with '#', then the column names.
std::string StepLogHeader(const LogHeader& header);
// Frequency in Hz, mode, generator level, level at the receiver, each reading.
std::string StepLogRow(int64_t hz, int32_t mode, const Step& step);

// The short mode names of the CAL files ("DEFAULT", "CW", "AM", ...), and
// back from a name in any letter case or a mode code.
std::string ModeShortName(int32_t mode);
std::optional<int32_t> ParseMode(std::string_view text);

}  // namespace autocal
