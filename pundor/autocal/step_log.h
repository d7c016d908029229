#pragma once
// Every step of a calibration as CSV, kept beside the CAL file so that a
// column can be traced back to what the receiver read, and rebuilt from it.
// Each run appends a section: quoted comment lines (a spreadsheet shows each
// in one cell) with the date, the program, the output file, the generator,
// the receiver and the settings, then a header row naming every column, then
// one row per step.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "autocal/cable_loss.h"
#include "autocal/frequency_sweep.h"

namespace autocal {

struct LogHeader {
  std::string generatorIdentity;  // its answer to *IDN?
  std::string generatorAddress;
  std::string receiver;  // name and serial number or device number
  std::string settings;  // SettingsText
  std::string program;   // "orvanta-autocal", ...; the version is added
  std::string output;    // the CAL file the columns go to; empty for a table without a name
  std::chrono::system_clock::time_point started = std::chrono::system_clock::now();
};

// The settings of a run in one line, for the header: "mode AM, levels ...",
// the loss table's values included.
std::string SettingsText(int32_t mode, const SweepSettings& sweep, const CableLoss& loss);
// Back from that line: the levels, the finest step, the settling time and the
// number of readings. Nothing when the line is not one SettingsText wrote.
std::optional<SweepSettings> ParseSettingsText(std::string_view text);

// A run section's comment lines, then its header row, with as many reading
// columns as a step of these settings may take (MostReadings).
std::string StepLogHeader(const LogHeader& header);
// Frequency in Hz, generator level, level at the receiver, the table's
// receiver name, mode, each reading; empty fields up to `readingColumns`, so
// that every row has the header's columns.
std::string StepLogRow(int64_t hz, const std::string& receiver, int32_t mode, const Step& step,
                       int readingColumns);

// "DIR/NAME.cal" -> "DIR/NAME.steps.csv".
std::filesystem::path StepLogPath(const std::filesystem::path& table);

// The step log of one table, appended to run after run. A table without a
// name yet keeps it in memory; once the table has a name, MoveBeside puts it
// beside the table (appended to what is there) and writes on there.
class StepLog {
 public:
  StepLog() = default;
  // Appends to `file`. Raises std::runtime_error with the system's reason.
  explicit StepLog(const std::filesystem::path& file);

  void StartRun(const LogHeader& header);
  void Write(int64_t hz, const std::string& receiver, int32_t mode, const Step& step);
  void MoveBeside(const std::filesystem::path& table);
  // Empty while the log is held in memory.
  const std::filesystem::path& File() const { return file_; }

 private:
  void Open(const std::filesystem::path& file);
  void Append(const std::string& text);

  std::filesystem::path file_;
  int readingColumns_ = 0;  // of the run section being written
  std::ofstream out_;
  std::string held_;  // while there is no file
};

// One step read back from a log, with where it belongs.
struct LoggedStep {
  std::string receiver;
  int32_t mode = 0;
  int64_t hz = 0;
  Step step;
};

// One run section of a log.
struct LoggedRun {
  SweepSettings settings;
  std::vector<LoggedStep> steps;  // in the order taken
};

// Raises std::invalid_argument naming the line that cannot be read; a last
// line without its line end that cannot be read is left out.
std::vector<LoggedRun> ParseStepLog(std::string_view text);

// The short mode names of the CAL files ("DEFAULT", "CW", "AM", ...), and
// back from a name in any letter case or a mode code.
std::string ModeShortName(int32_t mode);
std::optional<int32_t> ParseMode(std::string_view text);

}  // namespace autocal
