// orvanta-sim: looks at and changes the simulated receivers from outside a
// running calibrator (the libraries pick the change up on their next call),
// serves the simulated signal generator, and tells what a receiver reads at a
// level.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "sim/generator_server.h"
#include "sim/scenario.h"
#include "sim/shared_state.h"
#include "sim/smeter.h"
#include "vocabulary/frequency_text.h"
#include "vocabulary/receiver_names.h"

namespace {

constexpr const char* kUsage = R"(usage: orvanta-sim <command>
  show                          the scenario's receivers and the shared state
  generator <dBm> [<frequency>] set the signal generator (frequency e.g. 145.5M)
                                and switch its output on
  level <dBm>                   set the generator level, output on
  output on|off                 switch the generator output
  frequency <frequency>         set the generator frequency; "tracking" follows
                                every receiver's tuned frequency
  unplug <receiver>             pull a receiver's cable; plug <receiver> again
  busy <receiver>               let another program hold a receiver; free <receiver>
  reset                         generator back to -60 dBm tracking, output on,
                                all plugged and free
  generator-server [--port N] [--settle MS]
                                serve the generator over SCPI on 127.0.0.1
                                (port 5025; 0 takes a free one) until stopped
  model <receiver> <mode> <frequency> <level>...
                                the noise-free raw reading at each level (dBm at
                                the receiver input, or FROM:TO:STEP), one line each
A receiver is named by its serial number or, classic ones, classic:<device
number>, or by its name or model when no other receiver has it (show lists
them all). Frequencies in Hz or with a unit: 7100000, 7.1M, "7.1 MHz", 7100k,
7.1e6. Modes by code or name (AM, FMW, ...).
The scenario file is named by ORVANTA_SIM_SCENARIO (built-in default otherwise),
the state file by ORVANTA_SIM_STATE.
)";

sim::Scenario CurrentScenario() {
  const char* path = std::getenv(sim::kScenarioVariable);
  return sim::LoadScenario(path ? path : "");
}

// Every name the programs know the receiver by.
vocabulary::ReceiverForms FormsOf(const sim::ReceiverSpec& receiver) {
  if (receiver.family == sim::Family::kClassic)
    return {receiver.deviceNumber, "",
            vocabulary::ClassicModelNames(receiver.modelCode).value_or(vocabulary::ModelNames{})};
  return {0, receiver.serial, vocabulary::NewerModelNames(receiver.model).value_or(vocabulary::ModelNames{})};
}

std::string Describe(const sim::ReceiverSpec& receiver) {
  if (receiver.family == sim::Family::kClassic)
    return "classic model " + std::to_string(receiver.modelCode) + ", interface " +
           std::to_string(receiver.interfaceCode);
  return "newer " + receiver.model + ", bus \"" + receiver.bus + "\"";
}

int Show() {
  const sim::Scenario scenario = CurrentScenario();
  const auto path = sim::StatePath();
  const sim::SharedState state = sim::LoadState(path);
  const char* scenarioPath = std::getenv(sim::kScenarioVariable);
  std::cout << "scenario: " << (scenarioPath ? scenarioPath : "(built-in default)") << "\n"
            << "state:    " << path.string() << "\n"
            << "generator: " << state.levelDbm << " dBm, output " << (state.outputOn ? "on, " : "off, ")
            << (state.generatorHz == sim::kTrackingGenerator ? std::string("tracking")
                                                             : std::to_string(state.generatorHz) + " Hz")
            << "\n";
  for (const auto& receiver : scenario.receivers) {
    std::cout << "  " << FormsOf(receiver).Text() << ": " << Describe(receiver) << ", " << receiver.minHz
              << " .. " << receiver.maxHz << " Hz"
              << (state.unplugged.count(receiver.id) ? ", unplugged" : "")
              << (state.busy.count(receiver.id) ? ", busy" : "") << "\n";
  }
  for (const auto& error : scenario.errors) std::cout << "scenario " << error << "\n";
  return scenario.errors.empty() ? 0 : 1;
}

int Fail(const std::string& message) {
  std::cerr << "orvanta-sim: " << message << "\n";
  return 2;
}

// The receiver of the scenario that `name` names, in any of its forms.
// Raises vocabulary::ReceiverNotFound.
const sim::ReceiverSpec& FindReceiver(const sim::Scenario& scenario, const std::string& name) {
  std::vector<vocabulary::ReceiverForms> forms;
  for (const auto& receiver : scenario.receivers) forms.push_back(FormsOf(receiver));
  return scenario.receivers[vocabulary::ResolveReceiver(forms, name)];
}

int Update(const std::function<void(sim::SharedState&)>& change) {
  return sim::UpdateState(sim::StatePath(), change) ? 0 : Fail("cannot write " + sim::StatePath().string());
}

// A frequency, or "tracking".
std::optional<int64_t> GeneratorFrequency(const std::string& text) {
  if (text == "tracking") return sim::kTrackingGenerator;
  return vocabulary::ReadFrequency(text);
}

int SetGenerator(const std::vector<std::string>& args) {
  double level = 0;
  if (args.empty() || args.size() > 2 || !sim::ParseNumber(args[0], level))
    return Fail("generator <dBm> [<frequency>]");
  const std::optional<int64_t> hz = args.size() == 2 ? GeneratorFrequency(args[1]) : std::nullopt;
  if (args.size() == 2 && !hz) return Fail(vocabulary::NotAFrequency(args[1]));
  return Update([&](sim::SharedState& state) {
    state.ChangeSignal(level, true, sim::SteadyNowNs());
    if (hz) state.generatorHz = *hz;
  });
}

int SetFrequency(const std::string& text) {
  const std::optional<int64_t> hz = GeneratorFrequency(text);
  if (!hz) return Fail(vocabulary::NotAFrequency(text));
  return Update([&](sim::SharedState& state) { state.generatorHz = *hz; });
}

int ChangeReceiver(const std::string& command, const std::string& name) {
  const std::string id = FindReceiver(CurrentScenario(), name).id;
  return Update([&](sim::SharedState& state) {
    if (command == "unplug" || command == "plug")
      state.SetPlugged(id, command == "plug");
    else if (command == "busy")
      state.busy.insert(id);
    else
      state.busy.erase(id);
  });
}

int SetOutput(const std::string& text) {
  if (text != "on" && text != "off") return Fail("output on|off");
  return Update(
      [&](sim::SharedState& state) { state.ChangeSignal(state.levelDbm, text == "on", sim::SteadyNowNs()); });
}

// generator-server [--port N] [--settle MS]
int ServeGenerator(const std::vector<std::string>& args) {
  double port = sim::kScpiPort;
  double settle = 0;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const bool known = (args[i] == "--port" || args[i] == "--settle") && i + 1 < args.size();
    double value = 0;
    if (!known || !sim::ParseNumber(args[i + 1], value) || value < 0 || value != std::floor(value))
      return Fail("generator-server [--port N] [--settle MS]");
    (args[i] == "--port" ? port : settle) = value;
  }
  if (port > 65535 || settle > 3'600'000) return Fail("port up to 65535, settling up to an hour");
  return sim::ServeGenerator(static_cast<uint16_t>(port), static_cast<int32_t>(settle), sim::StatePath(),
                             std::cout, std::cerr);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::optional<int32_t> ParseMode(const std::string& text) {
  static const char* const kNames[] = {"CW", "AM", "FMN", "FMW", "LSB", "USB", "FMM", "FM6"};
  const std::string upper = Upper(text);
  if (upper == "DEFAULT") return -1;
  for (int32_t code = 0; code < 8; ++code)
    if (upper == kNames[code]) return code;
  double code = 0;
  if (sim::ParseNumber(text, code) && code >= -1 && code <= 7 && code == std::floor(code))
    return static_cast<int32_t>(code);
  return std::nullopt;
}

// One level, or FROM:TO:STEP with both ends included.
bool ExpandLevels(const std::string& text, std::vector<double>& levels) {
  constexpr std::size_t kMostLevels = 100'000;
  const auto first = text.find(':');
  double from = 0;
  if (first == std::string::npos) {
    if (!sim::ParseNumber(text, from) || !std::isfinite(from)) return false;
    levels.push_back(from);
    return true;
  }
  const auto second = text.find(':', first + 1);
  double to = 0, step = 0;
  if (second == std::string::npos || !sim::ParseNumber(text.substr(0, first), from) ||
      !sim::ParseNumber(text.substr(first + 1, second - first - 1), to) ||
      !sim::ParseNumber(text.substr(second + 1), step) || !std::isfinite(from) || !std::isfinite(to) ||
      !(step > 0) || std::abs(to - from) / step >= kMostLevels)
    return false;
  const double direction = to >= from ? 1 : -1;
  const auto count = static_cast<std::size_t>(std::floor(std::abs(to - from) / step + 1e-9));
  for (std::size_t i = 0; i <= count; ++i)
    levels.push_back(std::round((from + direction * step * static_cast<double>(i)) * 1e6) / 1e6);
  return true;
}

// model <receiver> <mode> <frequency> <level>...
int Model(const std::vector<std::string>& args) {
  if (args.size() < 4) return Fail("model <receiver> <mode> <frequency> <level or FROM:TO:STEP>...");
  const sim::Scenario scenario = CurrentScenario();
  const sim::ReceiverSpec* receiver = &FindReceiver(scenario, args[0]);
  const auto mode = ParseMode(args[1]);
  const auto modes = sim::ModesOf(*receiver);
  if (!mode || std::find(modes.begin(), modes.end(), *mode) == modes.end())
    return Fail(receiver->id + " has no mode " + args[1]);
  const std::optional<int64_t> frequency = vocabulary::ReadFrequency(args[2]);
  if (!frequency) return Fail(vocabulary::NotAFrequency(args[2]));
  const int64_t hz = *frequency;
  if (hz < receiver->minHz || hz > receiver->maxHz)
    return Fail(args[2] + " is outside " + receiver->id + "'s range");
  std::vector<double> levels;
  for (std::size_t i = 3; i < args.size(); ++i)
    if (!ExpandLevels(args[i], levels)) return Fail("bad level " + args[i]);
  for (const double level : levels)
    std::cout << level << " " << sim::ModelReading(*receiver, hz, *mode, level) << "\n";
  return 0;
}

int Command(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (command == "--help" && words.size() == 1) return std::cout << kUsage, 0;
  const std::vector<std::string> args(words.begin() + 1, words.end());
  if (command == "show" && args.empty()) return Show();
  if (command == "generator") return SetGenerator(args);
  if (command == "level" && args.size() == 1) return SetGenerator(args);
  if (command == "frequency" && args.size() == 1) return SetFrequency(args[0]);
  if (command == "output" && args.size() == 1) return SetOutput(args[0]);
  if (command == "generator-server") return ServeGenerator(args);
  if (command == "model") return Model(args);
  if ((command == "unplug" || command == "plug" || command == "busy" || command == "free") &&
      args.size() == 1)
    return ChangeReceiver(command, args[0]);
  if (command == "reset" && args.empty())
    return sim::SaveState(sim::SharedState(), sim::StatePath()) ? 0 : Fail("cannot write the state");
  std::cerr << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) return std::cout << kUsage, 2;
  try {
    return Command(words);
  } catch (const vocabulary::ReceiverNotFound& error) {
    return Fail(error.what());
  }
}
