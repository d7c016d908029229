#include "sim/scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "vocabulary/frequency_text.h"

namespace sim {
namespace {

constexpr std::string_view kDefaultScenario = R"(# The built-in simulated receivers.
# A Halv-A1 variant b on PCI and a Halv-B3 on a serial line (classic family),
classic 1 model=266 interface=5 min=9k max=1.8G modes=0,1,2,2/3,3,4,5
classic 2 model=1024 interface=1 min=100k max=4G modes=1,2,3,5 gain=-3
# a Halv-C1 on USB and a Halv-C4WM on PCI (newer family).
newer C1 serial=C1004711 bus=usb min=9k max=30M
newer C4 serial=C4000815 bus=PCI min=100k max=1.5G gain=2
# A radio that Hamlib controls, for orvanta-sim rigctld.
radio SimRig min=30k max=60M modes=AM,CW,USB,LSB,FM att=0,12 preamp=0,10
)";

std::vector<std::string_view> Tokens(std::string_view line) {
  if (const auto comment = line.find('#'); comment != std::string_view::npos) line = line.substr(0, comment);
  return Words(line);
}

bool ParseInteger(std::string_view text, int32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// "2" or "2/3": a mode code and an optional sub-code.
bool ParseModeEntry(std::string_view text, uint32_t& entry) {
  const auto slash = text.find('/');
  int32_t code = 0;
  int32_t subCode = 0;
  if (!ParseInteger(text.substr(0, slash), code)) return false;
  if (slash != std::string_view::npos && !ParseInteger(text.substr(slash + 1), subCode)) return false;
  if (code < 0 || code > 255 || subCode < 0 || subCode > 255) return false;
  entry = static_cast<uint32_t>(code) | static_cast<uint32_t>(subCode) << 8;
  return true;
}

bool ParseModes(std::string_view text, std::vector<uint32_t>& entries) {
  entries.clear();
  while (!text.empty()) {
    const auto comma = text.find(',');
    uint32_t entry = 0;
    if (!ParseModeEntry(text.substr(0, comma), entry)) return false;
    entries.push_back(entry);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return true;
}

class LineParser {
 public:
  explicit LineParser(Scenario& scenario) : scenario_(scenario) {}

  void Parse(int lineNumber, std::string_view line) {
    const auto tokens = Tokens(line);
    if (tokens.empty()) return;
    std::string error;
    if (tokens[0] == "classic") {
      error = Classic(tokens);
    } else if (tokens[0] == "newer") {
      error = Newer(tokens);
    } else if (tokens[0] == "radio") {
      error = Radio(tokens);
    } else if (tokens[0] == "exclusive") {
      scenario_.exclusive = true;
      error = tokens.size() == 1 ? "" : "exclusive takes nothing";
    } else if (tokens[0] == "noise") {
      error = tokens.size() == 2 && ParseNumber(tokens[1], scenario_.noiseDb) && scenario_.noiseDb >= 0
                  ? ""
                  : "noise takes one amplitude in dB";
    } else {
      error = "unknown line \"" + std::string(tokens[0]) + "\"";
    }
    if (!error.empty()) scenario_.errors.push_back("line " + std::to_string(lineNumber) + ": " + error);
  }

 private:
  std::string Classic(const std::vector<std::string_view>& tokens) {
    ReceiverSpec setup;
    setup.family = Family::kClassic;
    if (tokens.size() < 2 || !ParseInteger(tokens[1], setup.deviceNumber) ||
        setup.deviceNumber < kFirstDeviceNumber || setup.deviceNumber > kLastDeviceNumber)
      return "classic needs a device number from 1 to 31";
    setup.id = ClassicId(setup.deviceNumber);
    for (std::size_t i = 2; i < tokens.size(); ++i) {
      const auto [key, value] = KeyValue(tokens[i]);
      bool ok = false;
      if (key == "model")
        ok = ParseInteger(value, setup.modelCode) && setup.modelCode >= 0 && setup.modelCode <= 0xFFFF;
      else if (key == "interface")
        ok = ParseInteger(value, setup.interfaceCode);
      else if (key == "modes")
        ok = ParseModes(value, setup.modeEntries);
      else
        ok = Common(key, value, setup);
      if (!ok) return "bad setting \"" + std::string(tokens[i]) + "\"";
    }
    return Add(std::move(setup));
  }

  std::string Newer(const std::vector<std::string_view>& tokens) {
    ReceiverSpec setup;
    setup.family = Family::kNewer;
    static const std::set<std::string_view> kModels = {"C1", "C2", "C3", "C4", "C5"};
    if (tokens.size() < 2 || !kModels.count(tokens[1])) return "newer needs a model C1 to C5";
    setup.model = tokens[1];
    for (std::size_t i = 2; i < tokens.size(); ++i) {
      const auto [key, value] = KeyValue(tokens[i]);
      bool ok = false;
      if (key == "serial")
        ok = SetText(setup.serial, value) && !value.empty();
      else if (key == "bus")
        ok = SetText(setup.bus, value);
      else
        ok = Common(key, value, setup);
      if (!ok) return "bad setting \"" + std::string(tokens[i]) + "\"";
    }
    if (setup.serial.empty()) return "newer needs a serial number";
    setup.id = setup.serial;
    if (setup.maxHz > UINT32_MAX) return "a newer-family range ends below 4294967296 Hz";
    return Add(std::move(setup));
  }

  std::string Radio(const std::vector<std::string_view>& tokens) {
    RadioSpec radio;
    if (tokens.size() < 2 || tokens[1].find('=') != std::string_view::npos || tokens[1].size() > kRadioNameWidth)
      return "radio needs a name of at most 7 characters";
    radio.name = tokens[1];
    radio.modes.assign(std::begin(kRadioModes), std::end(kRadioModes));
    for (std::size_t i = 2; i < tokens.size(); ++i) {
      const auto [key, value] = KeyValue(tokens[i]);
      bool ok = false;
      if (key == "min")
        ok = ParseFrequency(value, radio.minHz);
      else if (key == "max")
        ok = ParseFrequency(value, radio.maxHz);
      else if (key == "gain")
        ok = ParseNumber(value, radio.gainDb);
      else if (key == "modes")
        ok = ParseRadioModes(value, radio.modes);
      else if (key == "att")
        ok = ParseSteps(value, radio.attenuatorSteps);
      else if (key == "preamp")
        ok = ParseSteps(value, radio.preampSteps);
      if (!ok) return "bad setting \"" + std::string(tokens[i]) + "\"";
    }
    if (radio.maxHz < radio.minHz) return "the range ends below its start";
    if (!ids_.insert(radio.name).second) return "\"" + radio.name + "\" is listed twice";
    scenario_.radios.push_back(std::move(radio));
    return "";
  }

  static bool ParseRadioModes(std::string_view text, std::vector<std::string>& modes) {
    modes.clear();
    for (const auto name : Split(text)) {
      if (std::find(std::begin(kRadioModes), std::end(kRadioModes), name) == std::end(kRadioModes) ||
          std::find(modes.begin(), modes.end(), name) != modes.end())
        return false;
      modes.emplace_back(name);
    }
    return !modes.empty();
  }

  // "0,12": the steps in whole dB; 0 is the setting's off and is not kept.
  static bool ParseSteps(std::string_view text, std::vector<int32_t>& steps) {
    constexpr int32_t kLargestStepDb = 60;
    steps.clear();
    for (const auto item : Split(text)) {
      int32_t db = 0;
      if (!ParseInteger(item, db) || db < 0 || db > kLargestStepDb) return false;
      if (db != 0 && std::find(steps.begin(), steps.end(), db) == steps.end()) steps.push_back(db);
    }
    std::sort(steps.begin(), steps.end());
    return steps.size() <= kMostFrontEndSteps;
  }

  static std::vector<std::string_view> Split(std::string_view text) {
    std::vector<std::string_view> items;
    while (!text.empty()) {
      const auto comma = text.find(',');
      items.push_back(text.substr(0, comma));
      text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return items;
  }

  static std::pair<std::string_view, std::string_view> KeyValue(std::string_view token) {
    const auto equals = token.find('=');
    if (equals == std::string_view::npos) return {token, {}};
    return {token.substr(0, equals), token.substr(equals + 1)};
  }

  // The list entry has room for 8 characters.
  static bool SetText(std::string& target, std::string_view value) {
    target = value;
    return value.size() <= kTextWidth;
  }

  static bool Common(std::string_view key, std::string_view value, ReceiverSpec& setup) {
    if (key == "min") return ParseFrequency(value, setup.minHz) && setup.minHz <= INT32_MAX;
    if (key == "max") return ParseFrequency(value, setup.maxHz);
    if (key == "gain") return ParseNumber(value, setup.gainDb);
    return false;
  }

  std::string Add(ReceiverSpec setup) {
    if (setup.maxHz < setup.minHz) return "the range ends below its start";
    if (!ids_.insert(setup.id).second) return "\"" + setup.id + "\" is listed twice";
    scenario_.receivers.push_back(std::move(setup));
    return "";
  }

  Scenario& scenario_;
  std::set<std::string> ids_;
};

}  // namespace

int32_t ModeOfEntry(uint32_t entry) {
  constexpr uint32_t kFmnCode = 2;
  constexpr uint32_t kSixKHzSubCode = 3;
  constexpr int32_t kFm6Mode = 7;
  const uint32_t code = entry & 0xFF;
  return code == kFmnCode && ((entry >> 8) & 0xFF) == kSixKHzSubCode ? kFm6Mode : static_cast<int32_t>(code);
}

bool IsFmModel(const ReceiverSpec& receiver) {
  return receiver.family == Family::kNewer &&
         (receiver.model == "C2" || receiver.model == "C4" || receiver.model == "C5");
}

const RadioSpec* FindRadio(const Scenario& scenario, std::string_view name) {
  for (const auto& radio : scenario.radios)
    if (radio.name == name) return &radio;
  return nullptr;
}

std::vector<int32_t> ModesOf(const ReceiverSpec& receiver) {
  constexpr int32_t kDefaultMode = -1;
  constexpr int32_t kFmWideMode = 3;
  if (receiver.family == Family::kNewer)
    return IsFmModel(receiver) ? std::vector<int32_t>{kDefaultMode, kFmWideMode}
                               : std::vector<int32_t>{kDefaultMode};
  std::vector<int32_t> modes;
  for (const uint32_t entry : receiver.modeEntries) modes.push_back(ModeOfEntry(entry));
  return modes;
}

bool ParseNumber(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseFrequency(std::string_view text, int64_t& hz) {
  const std::optional<int64_t> read = vocabulary::ReadFrequency(text);
  if (read) hz = *read;
  return read.has_value();
}

Scenario ParseScenario(std::string_view text) {
  Scenario scenario;
  LineParser parser(scenario);
  int lineNumber = 0;
  while (!text.empty()) {
    const auto newline = text.find('\n');
    parser.Parse(++lineNumber, text.substr(0, newline));
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
  }
  return scenario;
}

std::string_view DefaultScenarioText() { return kDefaultScenario; }

Scenario LoadScenario(const std::string& path) {
  if (path.empty()) return ParseScenario(kDefaultScenario);
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    Scenario scenario;
    scenario.errors.push_back("cannot read " + path);
    return scenario;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseScenario(text.str());
}

}  // namespace sim
