#include "autocal_options.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "autocal/step_log.h"
#include "autocal/sweep_fields.h"
#include "instruments/signal_generator.h"

const char* const kAutocalUsage =
    "Usage: orvanta-autocal --generator ADDRESS --receiver RECEIVER --mode MODE\n"
    "         --frequencies F1,F2,... --levels FROM:TO --out FILE.cal [OPTION]...\n"
    "  or:  orvanta-autocal --refit STEPS.csv --out FILE.cal\n"
    "         [--into [EXISTING.cal] | --replace]\n"
    "  or:  orvanta-autocal --help\n";

std::string AutocalHelp() {
  std::string dialects;
  for (const instruments::Dialect& dialect : instruments::Dialects())
    dialects += std::string(dialects.empty() ? "" : ", ") + std::string(dialect.name);
  return std::string(kAutocalUsage) + R"(
Calibrates the S-meter of a receiver against a programmable signal generator,
unattended: at each frequency it sets the generator to a series of levels,
reads the receiver at each, and writes one calibration column per frequency
into FILE.cal as soon as that frequency is done.

The generator and the receiver:
  --generator ADDRESS    the signal generator: tcp://HOST[:PORT] (SCPI over a
                         raw socket, port 5025 unless given), vxi11://HOST or a
                         USBTMC device file such as /dev/usbtmc0
  --dialect NAME         the generator's command set, one of: )" +
         dialects + R"(
                         (default scpi)
  --timeout MS           the longest wait for the generator to answer, in
                         milliseconds, 1 to 3600000 (default 5000)
  --receiver RECEIVER    the receiver: classic:N (a classic receiver's device
                         number), a serial number (C4000815), or a name or
                         model (Halv-B3, Halv-C4WM) when no other attached
                         receiver has it; letter case does not matter
  --mode MODE            the mode to calibrate: a code -1 to 7 or a name,
                         DEFAULT, CW, AM, FMN, FMW, LSB, USB, FMM or FM6

What is measured:
  --frequencies F1,F2,...
                         the frequencies to calibrate, each once, in Hz or
                         with a unit: 7100000, 7.1M, "7.1 MHz", 7100k, 7.1e6
                         (Hz, k, kHz, M, MHz, G, GHz in any letter case)
  --levels FROM:TO       the level range in dBm at the receiver input, both
                         within -140..0, for example -130:-10
  --step DB              the finest step between two levels, in dB, from 0.1
                         to half the level range (default 1); the sweep steps
                         coarser where the S-meter's curve is straight
  --average N            readings per step, a whole number from 1 to 1000,
                         whose mean counts; five times as many near the noise
                         floor (default 9)
  --settle MS            the wait after each level is set before the receiver
                         is read, in milliseconds, 0 to 3600000 (default 0);
                         a receiver slower than that is waited for, up to 5 s
                         more
  --loss DB              the loss of the cables and attenuators between the
                         generator and the receiver, in dB: the generator is
                         set that much above each level (default 0)
  --loss-table FILE      the loss per frequency instead: one "frequency,loss"
                         per line, interpolated between the frequencies given

Where the results go:
  --out FILE.cal         the calibration table, saved after every finished
                         frequency; an existing file is refused unless --into
                         or --replace says what to do with it
  --into [EXISTING.cal]  add the columns to the table in FILE.cal, or to a
                         copy of EXISTING.cal saved as FILE.cal; a column at
                         a frequency the table already has is replaced, and
                         the summary says so
  --replace              replace an existing FILE.cal with a table of this
                         run's columns only
  --refit STEPS.csv      measure nothing: fit the columns of every frequency
                         a step log holds completely, exactly as a run fits
                         them, and write them to FILE.cal; recovers the work
                         of a run whose table was lost (takes only --out,
                         --into and --replace)
  --log STEPS.csv        the step log, every step with its readings as CSV;
                         a new run is appended (default: FILE.steps.csv beside
                         FILE.cal)
  -h, --help             show this help and exit; given anywhere on the line

Exit status:
  0                      every frequency was calibrated and written
  1                      the run failed; the message says why, FILE.cal
                         holds the frequencies finished before, and the
                         generator's output is off (or the message says that
                         it could not be switched off)
  2                      the command line cannot be used; nothing was touched
  129, 130, 143          stopped by SIGHUP, SIGINT or SIGTERM: the output is
                         off and the finished frequencies are kept

Example:
  orvanta-sim generator-server &
  orvanta-autocal --generator tcp://127.0.0.1:5025 --receiver C4000815 \
      --mode FMW --frequencies 7.05M,14.2M,28.5M --levels -130:-10 --out c4.cal
)";
}

bool AsksForHelp(std::span<const std::string> arguments) {
  return std::any_of(arguments.begin(), arguments.end(),
                     [](const std::string& argument) { return argument == "-h" || argument == "--help"; });
}

namespace {

using autocal::ParseDouble;

// The option names the sweep's fields go by here.
const autocal::FieldNames kFieldNames = {"--frequencies", "--levels", "--step", "--settle", "--average"};

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (std::size_t at = 0;;) {
    const std::size_t end = text.find(separator, at);
    parts.emplace_back(text.substr(at, end - at));
    if (end == std::string_view::npos) return parts;
    at = end + 1;
  }
}

double ParseNumberOption(const std::string& option, const std::string& text) {
  double value = 0;
  if (!ParseDouble(text, value)) throw UsageError(option + ": \"" + text + "\" is not a number");
  return value;
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

void ParseLevels(const std::string& text, autocal::SweepEntries& entries) {
  const auto parts = Split(text, ':');
  if (parts.size() != 2 || !ParseDouble(parts[0], entries.fromDbm) || !ParseDouble(parts[1], entries.toDbm))
    throw UsageError("--levels: \"" + text + "\" is not FROM:TO in dBm");
}

std::string CheckedDialect(const std::string& name) {
  if (instruments::FindDialect(name)) return name;
  std::string known;
  for (const instruments::Dialect& dialect : instruments::Dialects())
    known += std::string(known.empty() ? "" : ", ") + std::string(dialect.name);
  throw UsageError("--dialect: no dialect \"" + name + "\" (there are: " + known + ")");
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
  const std::string frequencies = require("--frequencies");
  autocal::SweepEntries entries;
  ParseLevels(require("--levels"), entries);
  if (auto step = take("--step")) entries.stepDb = ParseNumberOption("--step", *step);
  if (auto settle = take("--settle")) entries.settleMs = ParseNumberOption("--settle", *settle);
  if (auto average = take("--average")) entries.readings = ParseNumberOption("--average", *average);
  const auto loss = take("--loss");
  const auto lossTable = take("--loss-table");
  if (loss && lossTable) throw UsageError("give --loss or --loss-table, not both");
  if (loss) options.loss = autocal::CableLoss(ParseNumberOption("--loss", *loss));
  if (lossTable) options.loss = ReadLossTable(*lossTable);
  options.log = take("--log").value_or(autocal::StepLogPath(options.out).string());
  if (auto dialect = take("--dialect")) options.dialect = CheckedDialect(*dialect);
  const auto timeout = take("--timeout");
  if (!given.empty()) throw UsageError("unknown option " + given.begin()->first);
  try {
    options.frequencies = autocal::ReadFrequencyList(Split(frequencies, ','), kFieldNames.frequencies);
    options.sweep = autocal::CheckedSweep(entries, kFieldNames);
    if (timeout)
      options.timeout =
          autocal::CheckedMilliseconds(ParseNumberOption("--timeout", *timeout), 1, "--timeout");
  } catch (const autocal::FieldError& error) {
    throw UsageError(error.what());
  }
  return options;
}
