#include "autocal_options.h"

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "autocal/step_log.h"

const char* const kAutocalUsage =
    "usage: orvanta-autocal --generator ADDRESS --receiver SERIAL-OR-NAME --mode MODE\n"
    "                       --frequencies F1,F2,... --levels FROM:TO [--step DB] [--settle MS]\n"
    "                       [--average N] [--loss DB | --loss-table FILE] --out FILE.cal\n"
    "                       [--into [EXISTING.cal] | --replace] [--log STEPS.csv] [--dialect NAME]\n"
    "                       [--timeout MS]\n"
    "       orvanta-autocal --refit STEPS.csv --out FILE.cal [--into [EXISTING.cal] | --replace]\n"
    "\n"
    "Drives the signal generator at ADDRESS (tcp://HOST[:PORT], vxi11://HOST or a USBTMC\n"
    "device file) and the receiver, and writes one calibration column per frequency.\n"
    "Levels are in dBm at the receiver input (within -140..0); the generator sends them\n"
    "plus the loss. Frequencies take an optional k, M or G. MODE is a mode code or a\n"
    "name such as AM or DEFAULT. Every step is logged as CSV (by default beside FILE.cal),\n"
    "each run appended.\n"
    "An existing FILE.cal is kept: --into adds the columns to it (or to a copy of\n"
    "EXISTING.cal), --replace starts afresh. --refit rebuilds the columns of every\n"
    "frequency a step log holds completely, fitted as a run fits them.\n";

namespace {

using autocal::ParseDouble;
using autocal::ParseHz;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t end = text.find(separator, at);
    parts.push_back(text.substr(at, end - at));
    if (end == std::string_view::npos) return parts;
    at = end + 1;
  }
}

std::vector<int64_t> ParseFrequencies(const std::string& text) {
  std::vector<int64_t> frequencies;
  for (const std::string_view part : Split(text, ',')) {
    int64_t hz = 0;
    if (!ParseHz(part, hz) || hz <= 0)
      throw UsageError("--frequencies: \"" + std::string(part) + "\" is not a frequency");
    frequencies.push_back(hz);
  }
  return frequencies;
}

double ParseNumberOption(const std::string& option, const std::string& text) {
  double value = 0;
  if (!ParseDouble(text, value)) throw UsageError(option + ": \"" + text + "\" is not a number");
  return value;
}

int ParseCountOption(const std::string& option, const std::string& text, int lowest) {
  const double value = ParseNumberOption(option, text);
  if (value != static_cast<int>(value) || value < lowest)
    throw UsageError(option + ": \"" + text + "\" is not a whole number of at least " +
                     std::to_string(lowest));
  return static_cast<int>(value);
}

autocal::CableLoss ReadLossTable(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw UsageError("--loss-table: cannot read " + path);
  std::stringstream text;
  text << file.rdbuf();
  try {
    return autocal::ParseLossTable(text.str());
  } catch (const std::invalid_argument& error) {
    throw UsageError("--loss-table " + path + ": " + error.what());
  }
}

void ParseLevels(const std::string& text, autocal::SweepSettings& sweep) {
  const auto parts = Split(text, ':');
  if (parts.size() != 2 || !ParseDouble(parts[0], sweep.fromDbm) || !ParseDouble(parts[1], sweep.toDbm))
    throw UsageError("--levels: \"" + text + "\" is not FROM:TO in dBm");
}

// --replace never takes a value; --into takes the table to start from, or
// none for the --out file itself.
bool IsFlag(const std::string& option, std::span<const std::string> rest) {
  return option == "--replace" || (option == "--into" && (rest.empty() || rest[0].rfind("--", 0) == 0));
}

// An existing --out file is replaced only when asked to; --into alone adds to it.
void TakeTableOptions(const std::function<std::optional<std::string>(const std::string&)>& take,
                      AutocalOptions& options) {
  const std::optional<std::string> into = take("--into");
  options.replace = take("--replace").has_value();
  if (into) options.into = into->empty() ? options.out : std::filesystem::path(*into);
  std::error_code error;
  if (!options.out.has_filename() || std::filesystem::is_directory(options.out, error))
    throw UsageError("--out: " + options.out.string() + " is a folder; give a file in it, such as NAME.cal");
  const bool intoOut = options.into && std::filesystem::equivalent(*options.into, options.out, error);
  if (intoOut && options.replace) throw UsageError("give --into or --replace, not both");
  if (std::filesystem::exists(options.out) && !intoOut && !options.replace)
    throw UsageError("--out: " + options.out.string() +
                     " exists; give --into to add the columns to it or --replace to start afresh");
  if (options.into && !std::filesystem::exists(*options.into))
    throw UsageError("--into: " + options.into->string() + " does not exist");
}

}  // namespace

AutocalOptions ParseAutocalOptions(std::span<const std::string> arguments) {
  std::map<std::string, std::string> given;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option.rfind("--", 0) != 0) throw UsageError("unexpected argument \"" + option + "\"");
    if (IsFlag(option, arguments.subspan(i + 1))) {
      if (!given.emplace(option, "").second) throw UsageError(option + " is given twice");
      continue;
    }
    if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
    if (!given.emplace(option, arguments[++i]).second) throw UsageError(option + " is given twice");
  }
  auto take = [&](const std::string& option) -> std::optional<std::string> {
    const auto found = given.find(option);
    if (found == given.end()) return std::nullopt;
    std::string value = found->second;
    given.erase(found);
    return value;
  };
  auto require = [&](const std::string& option) {
    std::optional<std::string> value = take(option);
    if (!value) throw UsageError(option + " is missing");
    return *value;
  };

  AutocalOptions options;
  options.out = require("--out");
  TakeTableOptions(take, options);
  if (auto refit = take("--refit")) {
    options.refit = *refit;
    if (!given.empty()) throw UsageError(given.begin()->first + " does not go with --refit");
    return options;
  }
  options.generator = require("--generator");
  options.receiver = require("--receiver");
  const std::string mode = require("--mode");
  const std::optional<int32_t> code = autocal::ParseMode(mode);
  if (!code) throw UsageError("--mode: \"" + mode + "\" is not a mode (a code -1..7 or a name such as AM)");
  options.mode = *code;
  options.frequencies = ParseFrequencies(require("--frequencies"));
  ParseLevels(require("--levels"), options.sweep);
  if (auto step = take("--step")) options.sweep.finestStepDb = ParseNumberOption("--step", *step);
  if (auto settle = take("--settle"))
    options.sweep.settle = std::chrono::milliseconds(ParseCountOption("--settle", *settle, 0));
  if (auto average = take("--average")) options.sweep.readings = ParseCountOption("--average", *average, 1);
  const auto loss = take("--loss");
  const auto lossTable = take("--loss-table");
  if (loss && lossTable) throw UsageError("give --loss or --loss-table, not both");
  if (loss) options.loss = autocal::CableLoss(ParseNumberOption("--loss", *loss));
  if (lossTable) options.loss = ReadLossTable(*lossTable);
  options.log = take("--log").value_or(autocal::StepLogPath(options.out).string());
  if (auto dialect = take("--dialect")) options.dialect = *dialect;
  if (auto timeout = take("--timeout"))
    options.timeout = std::chrono::milliseconds(ParseCountOption("--timeout", *timeout, 1));
  if (!given.empty()) throw UsageError("unknown option " + given.begin()->first);
  try {
    autocal::CheckSettings(options.sweep);
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  }
  return options;
}
