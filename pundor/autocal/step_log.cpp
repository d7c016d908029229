#include "autocal/step_log.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "fendrel.h"
#include "vocabulary/frequency_text.h"

namespace autocal {
namespace {

constexpr int32_t kFirstModeCode = -1;
constexpr int32_t kLastModeCode = kFirstModeCode + static_cast<int32_t>(std::size(ModeNames)) - 1;

// "AM - Amplitude Modulation" -> "AM".
std::string_view ShortName(const char* fullName) {
  const std::string_view name(fullName);
  return name.substr(0, name.find(' '));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// A comment line's text: one line, whatever the generator answered.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string CsvField(std::string_view text) {
  return text.find_first_of(",\"\r\n") == std::string_view::npos ? std::string(text) : Quoted(text);
}

std::string CommentLine(std::string_view label, std::string_view text) {
  return Quoted("# " + std::string(label) + ": " + OneLine(text)) + "\n";
}

// The shortest text that reads back as the same number, so that a column
// rebuilt from the log is the one the run fitted.
std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string UtcText(std::chrono::system_clock::time_point time) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
  const auto day = std::chrono::floor<std::chrono::days>(seconds);
  const std::chrono::year_month_day date(day);
  const std::chrono::hh_mm_ss clock(seconds - day);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d UTC", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

// The fields of one record on one line.
std::vector<std::string> CsvFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
      fields.back() += line[++i];
    else if (c == '"')
      quoted = !quoted;
    else if (c == ',' && !quoted)
      fields.emplace_back();
    else if (c != '\r')
      fields.back() += c;
  }
  return fields;
}

// The number after `key` in `text`.
template <typename T>
bool NumberAfter(std::string_view text, std::string_view key, T& value) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return false;
  const char* first = text.data() + at + key.size();
  return std::from_chars(first, text.data() + text.size(), value).ec == std::errc();
}

constexpr std::string_view kReadingColumn = "reading_";

}  // namespace

std::string ModeShortName(int32_t mode) {
  if (mode < kFirstModeCode || mode > kLastModeCode) return std::to_string(mode);
  return std::string(ShortName(ModeNames[mode - kFirstModeCode]));
}

std::optional<int32_t> ParseMode(std::string_view text) {
  int32_t code = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (error == std::errc() && end == text.data() + text.size() && code >= kFirstModeCode &&
      code <= kLastModeCode)
    return code;
  for (int32_t mode = kFirstModeCode; mode <= kLastModeCode; ++mode)
    if (EqualIgnoringCase(text, ShortName(ModeNames[mode - kFirstModeCode]))) return mode;
  return std::nullopt;
}

std::string SettingsText(int32_t mode, const SweepSettings& sweep, const CableLoss& loss) {
  return "mode " + ModeShortName(mode) + ", levels " + Number(sweep.fromDbm) + ":" + Number(sweep.toDbm) +
         " dBm at the receiver, finest step " + Number(sweep.finestStepDb) + " dB, settle " +
         std::to_string(sweep.settle.count()) + " ms, average " + std::to_string(sweep.readings) + ", loss " +
         loss.Describe();
}

std::optional<SweepSettings> ParseSettingsText(std::string_view text) {
  SweepSettings settings;
  long long settle = 0;
  const std::size_t levels = text.find("levels ");
  const std::size_t to = text.find(':', levels);
  const bool read = levels != std::string_view::npos && to != std::string_view::npos &&
                    NumberAfter(text, "levels ", settings.fromDbm) &&
                    NumberAfter(text.substr(to), ":", settings.toDbm) &&
                    NumberAfter(text, "finest step ", settings.finestStepDb) &&
                    NumberAfter(text, "settle ", settle) && NumberAfter(text, "average ", settings.readings);
  settings.settle = std::chrono::milliseconds(settle);
  return read ? std::optional(settings) : std::nullopt;
}

std::string StepLogHeader(const LogHeader& header) {
  std::string text = CommentLine("Orvanta automatic calibration steps, run started", UtcText(header.started));
  text += CommentLine("program", header.program + " " + PUNDOR_VERSION);
  text += CommentLine("output", header.output.empty() ? "a table without a name yet" : header.output);
  text += CommentLine("generator", header.generatorIdentity + " at " + header.generatorAddress);
  text += CommentLine("receiver", header.receiver);
  text += CommentLine("settings", header.settings);
  text += "frequency_hz,generator_dbm,level_dbm,receiver,mode";
  const int readings = MostReadings(ParseSettingsText(header.settings).value_or(SweepSettings{}));
  for (int i = 1; i <= readings; ++i) text.append(",").append(kReadingColumn).append(std::to_string(i));
  return text + "\n";
}

std::string StepLogRow(int64_t hz, const std::string& receiver, int32_t mode, const Step& step,
                       int readingColumns) {
  std::string row = std::to_string(hz);
  // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict in
  // operator+ on a literal and a temporary string.
  row.append(",").append(Number(step.generatorDbm)).append(",").append(Number(step.receiverDbm));
  row.append(",").append(CsvField(receiver)).append(",").append(ModeShortName(mode));
  for (const int raw : step.raws) row.append(",").append(std::to_string(raw));
  row.append(std::max<std::size_t>(step.raws.size(), readingColumns) - step.raws.size(), ',');
  return row + "\n";
}

std::filesystem::path StepLogPath(const std::filesystem::path& table) {
  return std::filesystem::path(table).replace_extension(".steps.csv");
}

StepLog::StepLog(const std::filesystem::path& file) { Open(file); }

void StepLog::MoveBeside(const std::filesystem::path& table) { Open(StepLogPath(table)); }

void StepLog::Open(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::app);
  if (!out) throw std::runtime_error("cannot write the step log " + file.string() + ": " + std::strerror(errno));
  out << held_ << std::flush;
  held_.clear();
  out_ = std::move(out);
  file_ = file;
}

void StepLog::StartRun(const LogHeader& header) {
  readingColumns_ = MostReadings(ParseSettingsText(header.settings).value_or(SweepSettings{}));
  Append(StepLogHeader(header));
}

void StepLog::Write(int64_t hz, const std::string& receiver, int32_t mode, const Step& step) {
  Append(StepLogRow(hz, receiver, mode, step, readingColumns_));
}

void StepLog::Append(const std::string& text) {
  if (file_.empty())
    held_ += text;
  else
    out_ << text << std::flush;
}

std::vector<LoggedRun> ParseStepLog(std::string_view text) {
  std::vector<LoggedRun> runs;
  std::optional<SweepSettings> settings;
  std::size_t columns = 0;  // of the section's header row
  int lineNumber = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::vector<std::string> fields = CsvFields(text.substr(at, end - at));
    at = end + 1;
    ++lineNumber;
    auto refuse = [&](const std::string& why) {
      throw std::invalid_argument("line " + std::to_string(lineNumber) + ": " + why);
    };
    if (fields.size() == 1 && fields[0].empty()) continue;
    if (fields[0].starts_with("# settings: ")) settings = ParseSettingsText(fields[0]);
    if (fields[0].starts_with("#")) continue;
    if (fields[0] == "frequency_hz") {
      if (!settings) refuse("a header row without the run's settings before it");
      if (fields.size() < 5 || fields[3] != "receiver" || fields[4] != "mode")
        refuse("not the header row of a step log");
      runs.push_back({*settings, {}});
      columns = fields.size();
      continue;
    }
    if (runs.empty()) refuse("a step before the header row");
    LoggedStep logged;
    const auto mode = fields.size() > 4 ? ParseMode(fields[4]) : std::nullopt;
    // Every row has the header's columns (readings a step did not take are
    // empty): a row with fewer was cut short.
    const std::optional<int64_t> hz = fields.empty() ? std::nullopt : vocabulary::ReadFrequency(fields[0]);
    logged.hz = hz.value_or(0);
    bool read = mode && fields.size() > 5 && fields.size() == columns && hz &&
                ParseDouble(fields[1], logged.step.generatorDbm) &&
                ParseDouble(fields[2], logged.step.receiverDbm);
    std::size_t last = fields.size();
    while (last > 6 && fields[last - 1].empty()) --last;  // the columns this step did not fill
    for (std::size_t i = 5; read && i < last; ++i) {
      int raw = 0;
      read = std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), raw).ec == std::errc();
      logged.step.raws.push_back(raw);
    }
    // A last line cut short (the run was killed while writing it) is no step.
    if (!read && end == text.size()) break;
    if (!read) refuse("not a step of the header row's columns");
    logged.receiver = fields[3];
    logged.mode = *mode;
    runs.back().steps.push_back(std::move(logged));
  }
  return runs;
}

}  // namespace autocal
