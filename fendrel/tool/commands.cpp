#include "commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "arguments.h"
#include "cal_file.h"
#include "csv.h"
#include "fendrel.h"
#include "hamlib_table.h"
#include "input.h"
#include "json.h"
#include "lint.h"
#include "output.h"
#include "vocabulary/frequency_text.h"
#include "vocabulary/hamlib_units.h"

namespace fendrel_tool {
namespace {

const char* const kUsage =
    "usage:\n"
    "  fendrel-tool show FILE [--json]\n"
    "      list the receivers, modes and frequencies of a CAL file\n"
    "  fendrel-tool convert FILE RECEIVER MODE FREQUENCY RAW [--json]\n"
    "      convert a raw reading 0..255; MODE is a code (-1..255) or a name (AM, USB, default, ...);\n"
    "      FREQUENCY in Hz or with a unit (7.1M, \"14.2 MHz\", 7050k, 7.1e6)\n"
    "  fendrel-tool export FILE [--receiver R] [--mode M]\n"
    "      write the levels as CSV (receiver,mode,frequency_hz,raw,dbm) to standard output\n"
    "  fendrel-tool export --format hamlib FILE RECEIVER MODE FREQUENCY [--points N] [--json]\n"
    "      the column at FREQUENCY as a C initializer of Hamlib's cal_table_t, at most N points\n"
    "      (2..32, default 32) of whole dB relative to S9, chosen so that Hamlib's interpolation\n"
    "      comes nearest the column; its worst and RMS error in dB on standard error\n"
    "  fendrel-tool import FILE.csv OUT.cal [--into EXISTING.cal]\n"
    "      build a CAL file from CSV, every column complete; refuses bad input and writes nothing\n"
    "  fendrel-tool lint FILE [--json]\n"
    "      report what the reader drops, ignores or misreads in a CAL file (exit 0 clean, 1 warnings,\n"
    "      2 unreadable)\n"
    "  fendrel-tool check FILE\n"
    "      check that FILE saves back byte for byte\n"
    "  fendrel-tool demo FILE\n"
    "      write a small sample table to FILE and show it\n";

struct Command {
  std::string name;
  std::vector<std::string> operands;
  bool json = false;
  std::map<std::string, std::string> options;  // "--receiver" -> value

  const std::string* option(const std::string& key) const {
    const auto found = options.find(key);
    return found == options.end() ? nullptr : &found->second;
  }
};

[[noreturn]] void fail(const char* code, const std::string& message) { throw Failure(code, message); }
[[noreturn]] void usage(const std::string& message) { throw Failure("usage", message, kExitUsage); }

// A table open through the library's interface for the life of a command.
class OpenTable {
 public:
  explicit OpenTable(const char* path) : handle_(LoadCALFile(path)) {}
  ~OpenTable() {
    if (handle_ >= 0) Unload(handle_);
  }
  OpenTable(const OpenTable&) = delete;
  OpenTable& operator=(const OpenTable&) = delete;

  bool ok() const { return handle_ >= 0; }
  int32_t handle() const { return handle_; }

 private:
  int32_t handle_;
};

// The library's failures, as a word for scripts and a message.
struct CodeText {
  int32_t code;
  const char* word;
  const char* text;
};
constexpr CodeText kLibraryFailures[] = {
    {CAL_ERR_FILE_NOT_FOUND, "cannot-open", "cannot open the file for reading"},
    {CAL_ERR_LOAD, "unreadable", "the file holds no receiver section, or could not be read"},
    {CAL_ERR_NO_RECEIVER, "no-receiver", "no receiver of that name in the table"},
    {CAL_ERR_NO_MODE, "no-mode", "the receiver has neither that mode nor a DEFAULT section"},
    {CAL_ERR_NO_POINTS, "no-points", "the mode's section has no frequencies"},
};

[[noreturn]] void libraryFailure(const std::string& subject, int32_t code) {
  const auto known = std::find_if(std::begin(kLibraryFailures), std::end(kLibraryFailures),
                                  [code](const CodeText& failure) { return failure.code == code; });
  if (known != std::end(kLibraryFailures)) fail(known->word, subject + ": " + known->text);
  fail("library", subject + ": the library failed with code " + std::to_string(code));
}

// The receiver as the table names it: a CAL file keeps seven characters of
// a name, so a shorter one written padded with blanks reads back that way.
std::string tableReceiver(int32_t handle, const std::string& name) {
  std::string padded = name;
  if (padded.size() < 7) padded.resize(7, ' ');
  const bool asGiven = GetModes(handle, name.c_str(), nullptr, 0) != CAL_ERR_NO_RECEIVER;
  return asGiven || GetModes(handle, padded.c_str(), nullptr, 0) == CAL_ERR_NO_RECEIVER ? name : padded;
}

// Opens path through the library's interface, or fails.
int32_t openedOrFail(const OpenTable& table, const std::string& path) {
  if (!table.ok()) libraryFailure(path, table.handle());
  return table.handle();
}

// The table as the library reads it, or a failure.
std::unique_ptr<fendrel::CalTable> loadTable(const std::string& path) {
  auto loaded = fendrel::loadCalFile(path.c_str());
  switch (loaded.status) {
    case fendrel::LoadStatus::Loaded:
      return std::move(loaded.table);
    case fendrel::LoadStatus::CannotOpen:
      fail("cannot-open", path + ": cannot open the file for reading");
    case fendrel::LoadStatus::NoReceiver:
      fail("unreadable", path + ": the file holds no receiver section");
    case fendrel::LoadStatus::ReadFailed:
      break;
  }
  fail("unreadable", path + ": the file could not be read");
}

// A temporary file, removed however the command ends.
class TemporaryFile {
 public:
  TemporaryFile()
      : path_(std::filesystem::temp_directory_path() /
              ("fendrel-tool-" + std::to_string(std::random_device{}()) + ".cal")) {}
  ~TemporaryFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

std::string lineAround(const std::string& text, std::size_t offset) {
  const std::size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;
  const std::size_t end = std::min(text.find_first_of("\r\n", start), start + 80);
  return text.substr(start, end - start);
}

class Tool {
 public:
  Tool(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  int show(const Command& command) { return show(command.operands[0], command.json); }
  int convert(const Command& command) { return convert(command.operands, command.json); }

  int exportTable(const Command& command) {
    const std::string* format = command.option("--format");
    if (format == nullptr || *format == "csv") {
      if (command.operands.size() != 1 || command.json || command.option("--points"))
        usage("export as CSV takes one FILE, and neither --points nor --json");
      return exportCsv(command);
    }
    if (*format != "hamlib") usage("unknown export format '" + *format + "' (csv or hamlib)");
    if (command.operands.size() != 4 || command.option("--receiver") || command.option("--mode"))
      usage("export --format hamlib takes FILE RECEIVER MODE FREQUENCY");
    return exportHamlib(command);
  }

  int exportCsv(const Command& command) {
    const std::string& path = command.operands[0];
    CsvFilter filter;
    if (const std::string* mode = command.option("--mode")) {
      filter.mode = parseMode(*mode);
      if (!filter.mode) usage("unknown mode '" + *mode + "'");
    }
    if (const std::string* receiver = command.option("--receiver")) filter.receiver = *receiver;
    const auto table = loadTable(path);
    if (filter.receiver && table->findReceiver(filter.receiver->c_str()) == nullptr)
      fail("no-receiver", path + ": no receiver '" + *filter.receiver + "'");
    const std::size_t rows = writeCsv(*table, filter, out_);
    if (rows == 0 && (filter.receiver || filter.mode)) fail("no-match", path + ": no levels match");
    return kExitOk;
  }

  int exportHamlib(const Command& command) {
    const std::string& path = command.operands[0];
    const std::string& receiver = command.operands[1];
    const auto mode = parseMode(command.operands[2]);
    const auto frequency = vocabulary::ReadFrequency(command.operands[3]);
    const std::string* pointsText = command.option("--points");
    const int points = pointsText ? std::atoi(pointsText->c_str()) : 32;
    if (!mode) usage("unknown mode '" + command.operands[2] + "'");
    if (!frequency) usage("cannot read frequency '" + command.operands[3] + "'");
    if (pointsText &&
        (pointsText->find_first_not_of("0123456789") != std::string::npos || points < 2 || points > 32))
      usage("--points: '" + *pointsText + "' is not a whole number from 2 to 32");
    const OpenTable table(path.c_str());
    const int32_t handle = openedOrFail(table, path);
    const std::string name = tableReceiver(handle, receiver);
    std::array<double, 256> column;
    const double s9 = vocabulary::S9Dbm(*frequency);
    for (int raw = 0; raw < 256; ++raw) {
      CalibratedStrength strength{};
      strength.Size = sizeof strength;
      strength.RawValue = static_cast<uint8_t>(raw);
      const int32_t result = GetCS(handle, name.c_str(), *mode, *frequency, &strength);
      if (result != CAL_OK) libraryFailure(receiver, result);
      column[raw] = strength.DBm - s9;
    }
    const hamlib_table::Fit fit = hamlib_table::FitTable(column, points);
    std::string initializer = "{ " + std::to_string(fit.points.size()) + ", {";
    for (const hamlib_table::Point& point : fit.points)
      initializer += (&point == &fit.points.front() ? " { " : ", { ") + std::to_string(point.raw) + ", " +
                     std::to_string(point.value) + " }";
    initializer += " } }";
    char errors[160];
    std::snprintf(errors, sizeof errors, "worst %.2f dB, RMS %.2f dB over raw 0..255 (S9 = %.0f dBm)",
                  fit.worst, fit.rms, s9);
    if (!command.json) {
      out_ << initializer << "\n";
      err_ << errors << "\n";
      return kExitOk;
    }
    out_ << "{\"receiver\": " << jsonString(receiver) << ", \"mode\": " << *mode
         << ", \"frequency_hz\": " << *frequency << ", \"s9_dbm\": " << jsonNumber(s9) << ", \"table\": [";
    for (const hamlib_table::Point& point : fit.points)
      out_ << (&point == &fit.points.front() ? "" : ", ") << "[" << point.raw << ", " << point.value << "]";
    out_ << "], \"initializer\": " << jsonString(initializer) << ", \"worst_db\": " << jsonNumber(fit.worst)
         << ", \"rms_db\": " << jsonNumber(fit.rms) << "}\n";
    return kExitOk;
  }

  int importCsv(const Command& command) {
    const std::string& csvPath = command.operands[0];
    const std::string& outPath = command.operands[1];
    const std::string* intoPath = command.option("--into");
    InputFile file(csvPath);
    const CsvImport csv = readCsv(file);
    if (csv.problemCount > 0) refuse(csvPath, csv);
    const OpenTable table(intoPath != nullptr ? intoPath->c_str() : nullptr);
    if (intoPath != nullptr) openedOrFail(table, *intoPath);
    for (const CsvColumn& column : csv.columns) {
      const int32_t result =
          PutDBMs(table.handle(), column.receiver.c_str(), column.mode, column.frequency, column.dBms.data());
      if (result != CAL_OK)
        fail("library", csvPath + ": the library refused a column (code " + std::to_string(result) +
                            "); nothing written");
    }
    if (SaveCALFile(table.handle(), outPath.c_str()) != CAL_OK)
      fail("cannot-write", outPath + ": cannot write the file");
    out_ << "wrote " << outPath << ": " << csv.columns.size() << " columns\n";
    return kExitOk;
  }

  int lint(const Command& command) {
    const std::string& path = command.operands[0];
    const LintReport report = lintCalFile(path.c_str());
    if (command.json) {
      lintJson(path, report);
    } else {
      for (const LintFinding& finding : report.findings)
        out_ << path << ":" << finding.line << ": " << finding.kind << ": " << finding.message << "\n";
      if (report.status == LintReport::Status::Unreadable) {
        err_ << "fendrel-tool: " << path << ": " << report.error << "\n";
      } else {
        out_ << path << ": "
             << (report.findings.empty() ? "clean" : std::to_string(report.findings.size()) + " findings")
             << "\n";
      }
    }
    switch (report.status) {
      case LintReport::Status::Clean:
        return kExitOk;
      case LintReport::Status::Warnings:
        return kExitFailed;
      case LintReport::Status::Unreadable:
        break;
    }
    return kExitUsage;
  }

  int check(const Command& command) {
    const std::string& path = command.operands[0];
    const OpenTable table(path.c_str());
    openedOrFail(table, path);
    const TemporaryFile saved;
    if (SaveCALFile(table.handle(), saved.path().c_str()) != CAL_OK)
      fail("cannot-write", "cannot write " + saved.path());
    const std::string original = contentsOf(path);
    const std::string again = contentsOf(saved.path());
    if (original == again) {
      out_ << path << ": round-trips byte for byte\n";
      return kExitOk;
    }
    out_ << path << ": ";
    reportFirstDifference(original, again);
    return kExitFailed;
  }

  int demo(const Command& command) {
    const std::string& path = command.operands[0];
    const OpenTable table(nullptr);
    double levels[256];
    for (const int64_t frequency : {1000000, 10000000, 30000000}) {
      for (int raw = 0; raw < 256; ++raw)
        levels[raw] = -130.0 + raw * 0.5 - static_cast<double>(frequency) / 1e7;
      for (const int32_t mode : {CAL_MODE_AM, CAL_MODE_USB})
        PutDBMs(table.handle(), "Halv-A1", mode, frequency, levels);
    }
    if (SaveCALFile(table.handle(), path.c_str()) != CAL_OK) fail("cannot-write", "cannot write " + path);
    out_ << "wrote " << path << "\n";
    show(path, false);
    out_ << "raw 120 at 14.2 MHz in AM: ";
    return convert({path, "Halv-A1", "AM", "14.2MHz", "120"}, false);
  }

 private:
  int show(const std::string& path, bool json) {
    const auto table = loadTable(path);
    if (json) {
      showJson(path, *table);
      return kExitOk;
    }
    for (const auto& receiver : table->Receivers) {
      out_ << receiver->Name << "\n";
      for (const auto& mode : receiver->Modes) {
        out_ << "  [" << modeName(mode->Code) << "] " << mode->Points.size() << " frequencies\n";
        for (const auto& point : mode->Points) out_ << "    " << formatFrequency(point->Frequency) << "\n";
      }
    }
    return kExitOk;
  }

  void showJson(const std::string& path, const fendrel::CalTable& table) {
    out_ << "{\"file\": " << jsonString(path) << ", \"receivers\": [";
    const char* receiverComma = "";
    for (const auto& receiver : table.Receivers) {
      out_ << receiverComma << "\n  {\"name\": " << jsonString(receiver->Name) << ", \"modes\": [";
      receiverComma = ",";
      const char* modeComma = "";
      for (const auto& mode : receiver->Modes) {
        out_ << modeComma << "\n    {\"code\": " << mode->Code
             << ", \"mode\": " << jsonString(modeShortName(mode->Code))
             << ", \"name\": " << jsonString(modeName(mode->Code)) << ", \"frequencies_hz\": [";
        modeComma = ",";
        const char* comma = "";
        for (const auto& point : mode->Points) {
          out_ << comma << point->Frequency;
          comma = ", ";
        }
        out_ << "]}";
      }
      out_ << "]}";
    }
    out_ << "\n]}\n";
  }

  int convert(const std::vector<std::string>& operands, bool json) {
    const std::string& path = operands[0];
    const std::string& receiver = operands[1];
    const auto mode = parseMode(operands[2]);
    const auto frequency = vocabulary::ReadFrequency(operands[3]);
    const auto raw = parseRaw(operands[4]);
    if (!mode) usage("unknown mode '" + operands[2] + "'");
    if (!frequency) usage("cannot read frequency '" + operands[3] + "'");
    if (!raw) usage("raw reading '" + operands[4] + "' is not 0..255");
    const OpenTable table(path.c_str());
    CalibratedStrength strength{};
    strength.Size = sizeof strength;
    strength.RawValue = *raw;
    const int32_t handle = openedOrFail(table, path);
    const int32_t result =
        GetCS(handle, tableReceiver(handle, receiver).c_str(), *mode, *frequency, &strength);
    if (result != CAL_OK) libraryFailure(receiver, result);
    if (json) {
      out_ << "{\"receiver\": " << jsonString(receiver) << ", \"mode\": " << *mode
           << ", \"frequency_hz\": " << *frequency << ", \"raw\": " << int{*raw}
           << ", \"dbm\": " << jsonNumber(strength.DBm)
           << ", \"microvolts\": " << jsonNumber(strength.MicroVolts)
           << ", \"microvolts_pp\": " << jsonNumber(strength.MicroVoltsPP)
           << ", \"s_unit\": " << strength.SUnit
           << ", \"s_unit_label\": " << jsonString(SUnitLabels[strength.SUnit]) << "}\n";
      return kExitOk;
    }
    char line[128];
    std::snprintf(line, sizeof line, "%.1f dBm  %.3f uV  %.3f uVpp  %s\n", strength.DBm, strength.MicroVolts,
                  strength.MicroVoltsPP, SUnitLabels[strength.SUnit]);
    out_ << line;
    return kExitOk;
  }

  [[noreturn]] void refuse(const std::string& csvPath, const CsvImport& csv) {
    for (const CsvProblem& problem : csv.problems)
      err_ << csvPath << ":" << problem.line << ": " << problem.reason << "\n";
    if (csv.problemCount > csv.problems.size())
      err_ << csvPath << ": " << csv.problemCount - csv.problems.size() << " more problems\n";
    fail("refused", csvPath + ": refused, nothing written");
  }

  void lintJson(const std::string& path, const LintReport& report) {
    static const char* const kStatus[] = {"clean", "warnings", "unreadable"};
    out_ << "{\"file\": " << jsonString(path) << ", \"status\": \""
         << kStatus[static_cast<int>(report.status)]
         << "\", \"error\": " << (report.error.empty() ? "null" : jsonString(report.error))
         << ", \"findings\": [";
    const char* comma = "";
    for (const LintFinding& finding : report.findings) {
      out_ << comma << "\n  {\"line\": " << finding.line << ", \"kind\": " << jsonString(finding.kind)
           << ", \"message\": " << jsonString(finding.message) << "}";
      comma = ",";
    }
    out_ << "\n]}\n";
  }

  void reportFirstDifference(const std::string& original, const std::string& saved) {
    const auto [at, ignored] = std::mismatch(original.begin(), original.end(), saved.begin(), saved.end());
    const auto offset = static_cast<std::size_t>(at - original.begin());
    const auto line = std::count(original.begin(), at, '\n') + 1;
    out_ << "differs from what the library saves, at byte " << offset << " (line " << line << ")\n"
         << "  file:  " << lineAround(original, offset) << "\n"
         << "  saved: " << lineAround(saved, offset) << "\n"
         << "(fendrel-tool lint shows what the reader drops, ignores or changes)\n";
  }

  std::ostream& out_;
  std::ostream& err_;
};

// Each command: its operands, whether it takes --json, its options with a
// value, and what runs it.
struct Syntax {
  std::set<std::size_t> operands;
  bool json;
  std::set<std::string> options;
  int (Tool::*run)(const Command&);
};

const std::map<std::string, Syntax> kCommands = {
    {"show", {{1}, true, {}, &Tool::show}},
    {"convert", {{5}, true, {}, &Tool::convert}},
    {"export", {{1, 4}, true, {"--receiver", "--mode", "--format", "--points"}, &Tool::exportTable}},
    {"import", {{2}, false, {"--into"}, &Tool::importCsv}},
    {"lint", {{1}, true, {}, &Tool::lint}},
    {"check", {{1}, false, {}, &Tool::check}},
    {"demo", {{1}, false, {}, &Tool::demo}},
};

// Nothing when the arguments do not fit the command.
std::optional<Command> parseCommand(const std::vector<std::string>& args, const Syntax*& syntax) {
  if (args.empty()) return std::nullopt;
  const auto found = kCommands.find(args[0]);
  if (found == kCommands.end()) return std::nullopt;
  syntax = &found->second;
  Command command{args[0], {}, false, {}};
  for (std::size_t at = 1; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (arg == "--json" && syntax->json) {
      command.json = true;
    } else if (syntax->options.count(arg) != 0 && at + 1 < args.size()) {
      command.options[arg] = args[++at];
    } else if (arg.rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      command.operands.push_back(arg);
    }
  }
  if (syntax->operands.count(command.operands.size()) == 0) return std::nullopt;
  return command;
}

// What the command wrote for a --json run: kept until it has succeeded, so
// that a failure part way prints only the error object.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool json) {
  if (args.size() == 1 && (args[0] == "help" || args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return kExitOk;
  }
  const Syntax* syntax = nullptr;
  const auto command = parseCommand(args, syntax);
  if (!command) {
    err << kUsage;
    usage("the arguments do not fit any command");
  }
  if (!json) return (Tool(out, err).*syntax->run)(*command);
  std::ostringstream result;
  const int status = (Tool(result, err).*syntax->run)(*command);
  out << result.str();
  return status;
}

// Tells the failure on err and, for --json, as the one object on out.
int report(const char* code, const char* message, int status, std::ostream& out, std::ostream& err,
           bool json) noexcept {
  try {
    err << "fendrel-tool: " << message << "\n";
    if (json && out.good())
      out << "{\"error\": {\"code\": \"" << code << "\", \"message\": " << jsonString(message) << "}}\n";
  } catch (...) {
    // Nothing is left to tell it with.
  }
  return status;
}

int reportFailure(const std::exception_ptr& thrown, std::ostream& out, std::ostream& err,
                  bool json) noexcept {
  out.exceptions(std::ios::goodbit);
  try {
    std::rethrow_exception(thrown);
  } catch (const Failure& failure) {
    return report(failure.code().c_str(), failure.what(), failure.status(), out, err, json);
  } catch (const std::bad_alloc&) {
    return report("out-of-memory", "out of memory", kExitFailed, out, err, json);
  } catch (const std::ios_base::failure& failure) {
    // A failed write of out is told by finishOutput, with its reason.
    if (out.bad()) return kExitFailed;
    return report("failed", failure.what(), kExitFailed, out, err, json);
  } catch (const std::exception& failure) {
    return report("failed", failure.what(), kExitFailed, out, err, json);
  } catch (...) {
    return report("failed", "unexpected failure", kExitFailed, out, err, json);
  }
}

// Flushes out and, for standard output, closes it: a write can fail as late
// as the close.
bool finishOutput(std::ostream& out, std::ostream& err) noexcept {
  try {
    auto* file = dynamic_cast<OutputFile*>(&out);
    if (file != nullptr ? file->close() : static_cast<bool>(out.flush())) return true;
    err << "fendrel-tool: cannot write the output: "
        << (file != nullptr ? file->error() : std::string("the write failed")) << "\n";
  } catch (...) {
    // As in report.
  }
  return false;
}

}  // namespace

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) noexcept {
  const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
  const auto exceptions = out.exceptions();
  int status = kExitFailed;
  try {
    // A failed write ends the command at once instead of writing on into a
    // stream that has stopped taking anything.
    out.exceptions(std::ios::badbit);
    status = runCommand(args, out, err, json);
    out.exceptions(exceptions);
  } catch (...) {
    status = reportFailure(std::current_exception(), out, err, json);
    try {
      out.exceptions(exceptions);
    } catch (...) {
      // The caller's own mask reports the failed stream; finishOutput tells it.
    }
  }
  return finishOutput(out, err) ? status : kExitFailed;
}

}  // namespace fendrel_tool
