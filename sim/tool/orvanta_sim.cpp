// orvanta-sim: looks at and changes the simulated receivers from outside a
// running calibrator. The libraries pick the change up on their next call.
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "sim/scenario.h"
#include "sim/shared_state.h"

namespace {

constexpr const char* kUsage = R"(usage: orvanta-sim <command>
  show                          the scenario's receivers and the shared state
  generator <dBm> [<frequency>] set the signal generator (frequency e.g. 145.5M)
  level <dBm>                   set the generator level
  frequency <frequency>         set the generator frequency; "tracking" follows
                                every receiver's tuned frequency
  unplug <receiver>             pull a receiver's cable; plug <receiver> again
  busy <receiver>               let another program hold a receiver; free <receiver>
  reset                         generator back to -60 dBm tracking, all plugged and free
Receivers are named by serial number, classic ones as classic:<device number>.
The scenario file is named by ORVANTA_SIM_SCENARIO (built-in default otherwise),
the state file by ORVANTA_SIM_STATE.
)";

sim::Scenario CurrentScenario() {
  const char* path = std::getenv(sim::kScenarioVariable);
  return sim::LoadScenario(path ? path : "");
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
            << "generator: " << state.levelDbm << " dBm, "
            << (state.generatorHz == sim::kTrackingGenerator ? std::string("tracking")
                                                             : std::to_string(state.generatorHz) + " Hz")
            << "\n";
  for (const auto& receiver : scenario.receivers) {
    std::cout << "  " << receiver.id << ": " << Describe(receiver) << ", " << receiver.minHz << " .. "
              << receiver.maxHz << " Hz" << (state.unplugged.count(receiver.id) ? ", unplugged" : "")
              << (state.busy.count(receiver.id) ? ", busy" : "") << "\n";
  }
  for (const auto& error : scenario.errors) std::cout << "scenario " << error << "\n";
  return scenario.errors.empty() ? 0 : 1;
}

int Fail(const std::string& message) {
  std::cerr << "orvanta-sim: " << message << "\n";
  return 2;
}

bool KnownReceiver(const std::string& id) {
  for (const auto& receiver : CurrentScenario().receivers)
    if (receiver.id == id) return true;
  return false;
}

int Update(const std::function<void(sim::SharedState&)>& change) {
  return sim::UpdateState(sim::StatePath(), change) ? 0 : Fail("cannot write " + sim::StatePath().string());
}

int SetGenerator(const std::vector<std::string>& args) {
  double level = 0;
  if (args.empty() || args.size() > 2 || !sim::ParseNumber(args[0], level))
    return Fail("generator <dBm> [<frequency>]");
  int64_t hz = 0;
  const bool withFrequency = args.size() == 2;
  if (withFrequency && args[1] != "tracking" && !sim::ParseFrequency(args[1], hz))
    return Fail("bad frequency " + args[1]);
  return Update([&](sim::SharedState& state) {
    state.levelDbm = level;
    if (withFrequency) state.generatorHz = hz;
  });
}

int SetFrequency(const std::string& text) {
  int64_t hz = sim::kTrackingGenerator;
  if (text != "tracking" && !sim::ParseFrequency(text, hz)) return Fail("bad frequency " + text);
  return Update([&](sim::SharedState& state) { state.generatorHz = hz; });
}

int ChangeReceiver(const std::string& command, const std::string& id) {
  if (!KnownReceiver(id)) return Fail("no receiver " + id + " in the scenario");
  return Update([&](sim::SharedState& state) {
    if (command == "unplug" || command == "plug")
      state.SetPlugged(id, command == "plug");
    else if (command == "busy")
      state.busy.insert(id);
    else
      state.busy.erase(id);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) return std::cout << kUsage, 2;
  const std::string& command = words[0];
  const std::vector<std::string> args(words.begin() + 1, words.end());
  if (command == "show" && args.empty()) return Show();
  if (command == "generator") return SetGenerator(args);
  if (command == "level" && args.size() == 1) return SetGenerator(args);
  if (command == "frequency" && args.size() == 1) return SetFrequency(args[0]);
  if ((command == "unplug" || command == "plug" || command == "busy" || command == "free") &&
      args.size() == 1)
    return ChangeReceiver(command, args[0]);
  if (command == "reset" && args.empty())
    return sim::SaveState(sim::SharedState(), sim::StatePath()) ? 0 : Fail("cannot write the state");
  std::cerr << kUsage;
  return 2;
}
