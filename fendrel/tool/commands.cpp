#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "arguments.h"
#include "cal_file.h"
#include "csv.h"
#include "fendrel.h"
#include "json.h"
#include "lint.h"
#include "vocabulary/frequency_text.h"

namespace fendrel_tool {
namespace {

constexpr std::size_t kProblemsShown = 20;

const char* const kUsage =
    "usage:\n"
    "  fendrel-tool show FILE [--json]\n"
    "      list the receivers, modes and frequencies of a CAL file\n"
    "  fendrel-tool convert FILE RECEIVER MODE FREQUENCY RAW [--json]\n"
    "      convert a raw reading 0..255; MODE is a code (-1..255) or a name (AM, USB, default, ...);\n"
    "      FREQUENCY in Hz or with a unit (7050kHz, \"14.2 MHz\")\n"
    "  fendrel-tool export FILE [--receiver R] [--mode M]\n"
    "      write the levels as CSV (receiver,mode,frequency_hz,raw,dbm) to standard output\n"
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

struct Syntax {
  std::size_t operands;
  bool json;
  std::set<std::string> options;
};

const std::map<std::string, Syntax> kSyntax = {
    {"show", {1, true, {}}},
    {"convert", {5, true, {}}},
    {"export", {1, false, {"--receiver", "--mode"}}},
    {"import", {2, false, {"--into"}}},
    {"lint", {1, true, {}}},
    {"check", {1, false, {}}},
    {"demo", {1, false, {}}},
};

// Nothing when the arguments do not fit the command.
std::optional<Command> parseCommand(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  const auto syntax = kSyntax.find(args[0]);
  if (syntax == kSyntax.end()) return std::nullopt;
  Command command{args[0], {}, false, {}};
  for (std::size_t at = 1; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (arg == "--json" && syntax->second.json) {
      command.json = true;
    } else if (syntax->second.options.count(arg) != 0 && at + 1 < args.size()) {
      command.options[arg] = args[++at];
    } else if (arg.rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      command.operands.push_back(arg);
    }
  }
  if (command.operands.size() != syntax->second.operands) return std::nullopt;
  return command;
}

class Tool {
 public:
  Tool(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  int run(const Command& command) {
    const auto& operands = command.operands;
    if (command.name == "show") return show(operands[0], command.json);
    if (command.name == "convert") return convert(operands, command.json);
    if (command.name == "export") return exportCsv(operands[0], command);
    if (command.name == "import") return importCsv(operands[0], operands[1], command.option("--into"));
    if (command.name == "lint") return lint(operands[0], command.json);
    if (command.name == "check") return check(operands[0]);
    return demo(operands[0]);
  }

 private:
  int fail(const std::string& message) {
    err_ << "fendrel-tool: " << message << "\n";
    return kExitFailed;
  }

  int usage(const std::string& message) {
    err_ << "fendrel-tool: " << message << "\n";
    return kExitUsage;
  }

  // The table as the library reads it, or null after a message.
  std::unique_ptr<fendrel::CalTable> loadTable(const std::string& path) {
    auto loaded = fendrel::loadCalFile(path.c_str());
    switch (loaded.status) {
      case fendrel::LoadStatus::Loaded:
        return std::move(loaded.table);
      case fendrel::LoadStatus::CannotOpen:
        fail(path + ": cannot open the file for reading");
        break;
      case fendrel::LoadStatus::NoReceiver:
        fail(path + ": the file holds no receiver section");
        break;
      case fendrel::LoadStatus::ReadFailed:
        fail(path + ": the file could not be read");
        break;
    }
    return nullptr;
  }

  int show(const std::string& path, bool json) {
    const auto table = loadTable(path);
    if (!table) return kExitFailed;
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
    if (!mode) return usage("unknown mode '" + operands[2] + "'");
    if (!frequency) return usage("cannot read frequency '" + operands[3] + "'");
    if (!raw) return usage("raw reading '" + operands[4] + "' is not 0..255");
    const OpenTable table(path.c_str());
    if (!table.ok()) return fail(path + ": " + loadError(table.handle()));
    CalibratedStrength strength{};
    strength.Size = sizeof strength;
    strength.RawValue = *raw;
    const int32_t result = GetCS(table.handle(), receiver.c_str(), *mode, *frequency, &strength);
    if (result != CAL_OK) return fail(receiver + ": " + conversionError(result));
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

  int exportCsv(const std::string& path, const Command& command) {
    CsvFilter filter;
    if (const std::string* mode = command.option("--mode")) {
      filter.mode = parseMode(*mode);
      if (!filter.mode) return usage("unknown mode '" + *mode + "'");
    }
    if (const std::string* receiver = command.option("--receiver")) filter.receiver = *receiver;
    const auto table = loadTable(path);
    if (!table) return kExitFailed;
    if (filter.receiver && table->findReceiver(filter.receiver->c_str()) == nullptr)
      return fail(path + ": no receiver '" + *filter.receiver + "'");
    const std::size_t rows = writeCsv(*table, filter, out_);
    if (rows == 0 && (filter.receiver || filter.mode)) return fail(path + ": no levels match");
    return kExitOk;
  }

  int importCsv(const std::string& csvPath, const std::string& outPath, const std::string* intoPath) {
    std::ifstream file(csvPath, std::ios::binary);
    if (!file) return fail(csvPath + ": cannot open the file for reading");
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const CsvImport csv = readCsv(text);
    if (!csv.problems.empty()) return refuse(csvPath, csv.problems);
    const OpenTable table(intoPath != nullptr ? intoPath->c_str() : nullptr);
    if (!table.ok()) return fail(*intoPath + ": " + loadError(table.handle()));
    for (const CsvColumn& column : csv.columns) {
      const int32_t result =
          PutDBMs(table.handle(), column.receiver.c_str(), column.mode, column.frequency, column.dBms.data());
      if (result != CAL_OK)
        return fail(csvPath + ": the library refused a column (code " + std::to_string(result) +
                    "); nothing written");
    }
    if (SaveCALFile(table.handle(), outPath.c_str()) != CAL_OK)
      return fail(outPath + ": cannot write the file");
    out_ << "wrote " << outPath << ": " << csv.columns.size() << " columns\n";
    return kExitOk;
  }

  int refuse(const std::string& csvPath, const std::vector<CsvProblem>& problems) {
    const std::size_t shown = std::min(problems.size(), kProblemsShown);
    for (std::size_t at = 0; at < shown; ++at)
      err_ << csvPath << ":" << problems[at].line << ": " << problems[at].reason << "\n";
    if (problems.size() > shown) err_ << csvPath << ": " << problems.size() - shown << " more problems\n";
    return fail(csvPath + ": refused, nothing written");
  }

  int lint(const std::string& path, bool json) {
    const LintReport report = lintCalFile(path.c_str());
    if (json) {
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

  int check(const std::string& path) {
    const OpenTable table(path.c_str());
    if (!table.ok()) return fail(path + ": " + loadError(table.handle()));
    const auto saved = std::filesystem::temp_directory_path() /
                       ("fendrel-tool-" + std::to_string(std::random_device{}()) + ".cal");
    if (SaveCALFile(table.handle(), saved.string().c_str()) != CAL_OK)
      return fail("cannot write " + saved.string());
    const std::string original = contentsOf(path);
    const std::string again = contentsOf(saved);
    std::filesystem::remove(saved);
    if (original == again) {
      out_ << path << ": round-trips byte for byte\n";
      return kExitOk;
    }
    out_ << path << ": ";
    reportFirstDifference(original, again);
    return kExitFailed;
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

  int demo(const std::string& path) {
    const OpenTable table(nullptr);
    double levels[256];
    for (const int64_t frequency : {1000000, 10000000, 30000000}) {
      for (int raw = 0; raw < 256; ++raw)
        levels[raw] = -130.0 + raw * 0.5 - static_cast<double>(frequency) / 1e7;
      for (const int32_t mode : {CAL_MODE_AM, CAL_MODE_USB})
        PutDBMs(table.handle(), "Halv-A1", mode, frequency, levels);
    }
    if (SaveCALFile(table.handle(), path.c_str()) != CAL_OK) return fail("cannot write " + path);
    out_ << "wrote " << path << "\n";
    const int shown = show(path, false);
    if (shown != kExitOk) return shown;
    out_ << "raw 120 at 14.2 MHz in AM: ";
    return convert({path, "Halv-A1", "AM", "14.2MHz", "120"}, false);
  }

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

  static const char* loadError(int32_t code) {
    switch (code) {
      case CAL_ERR_FILE_NOT_FOUND:
        return "cannot open the file for reading";
      case CAL_ERR_LOAD:
        return "the file holds no receiver section, or could not be read";
      default:
        return "the file could not be loaded";
    }
  }

  static const char* conversionError(int32_t code) {
    switch (code) {
      case CAL_ERR_NO_RECEIVER:
        return "no receiver of that name in the table";
      case CAL_ERR_NO_MODE:
        return "the receiver has neither that mode nor a DEFAULT section";
      case CAL_ERR_NO_POINTS:
        return "the mode's section has no frequencies";
      default:
        return "the conversion failed";
    }
  }

  static std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  static std::string lineAround(const std::string& text, std::size_t offset) {
    const std::size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;
    const std::size_t end = std::min(text.find_first_of("\r\n", start), start + 80);
    return text.substr(start, end - start);
  }

  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "help" || args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return kExitOk;
  }
  const auto command = parseCommand(args);
  if (!command) {
    err << kUsage;
    return kExitUsage;
  }
  return Tool(out, err).run(*command);
}

}  // namespace fendrel_tool
