#include "sim/generator.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "sim/scenario.h"
#include "sim/shared_state.h"

namespace sim {
namespace {

constexpr std::size_t kErrorQueueSize = 10;

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  return upper;
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A header node in its short form, when it is the short or the long form of
// one the generator knows; nodes that SCPI lets a command leave out come back
// empty.
std::optional<std::string> ShortNode(const std::string& node) {
  struct Node {
    const char* shortForm;
    const char* longForm;
    bool optional;
  };
  static constexpr Node kNodes[] = {
      {"SOUR", "SOURCE", true},   {"FREQ", "FREQUENCY", false}, {"CW", "CW", true},
      {"FIX", "FIXED", true},     {"POW", "POWER", false},      {"LEV", "LEVEL", true},
      {"IMM", "IMMEDIATE", true}, {"AMPL", "AMPLITUDE", true},  {"OUTP", "OUTPUT", false},
      {"STAT", "STATE", true},    {"SYST", "SYSTEM", false},    {"ERR", "ERROR", false},
      {"NEXT", "NEXT", true},     {"SIM", "SIM", false},        {"DROP", "DROP", false},
      {"MUTE", "MUTE", false}};
  for (const Node& known : kNodes)
    if (node == known.shortForm || node == known.longForm) return known.optional ? "" : known.shortForm;
  return std::nullopt;
}

// ":SOURce:POWer:LEVel" -> "POW"; nothing for an unknown header.
std::optional<std::string> CanonicalHeader(std::string_view header) {
  std::string canonical;
  std::string upper = Upper(header);
  if (!upper.empty() && upper.front() == ':') upper.erase(0, 1);
  std::size_t at = 0;
  while (at <= upper.size()) {
    const std::size_t end = std::min(upper.find(':', at), upper.size());
    std::string node = upper.substr(at, end - at);
    // A channel number after a node (SOUR1, OUTP1) names the only channel.
    while (node.size() > 1 && std::isdigit(static_cast<unsigned char>(node.back()))) node.pop_back();
    const auto known = ShortNode(node);
    if (!known) return std::nullopt;
    if (!known->empty()) canonical += (canonical.empty() ? "" : ":") + *known;
    at = end + 1;
  }
  return canonical;
}

// A number with an optional unit of those given with their factors.
std::optional<double> ParseQuantity(std::string_view text,
                                    std::initializer_list<std::pair<const char*, double>> units) {
  text = Trim(text);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
  const std::string unit = Upper(Trim(text.substr(end - text.data())));
  if (unit.empty()) return value;
  for (const auto& [name, factor] : units)
    if (unit == name) return value * factor;
  return std::nullopt;
}

std::string FormatFixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

GeneratorInstrument::GeneratorInstrument(std::filesystem::path statePath, int32_t settleMs)
    : statePath_(std::move(statePath)), settleMs_(settleMs) {
  SwitchOff();
}

void GeneratorInstrument::SwitchOff() {
  UpdateState(statePath_, [&](SharedState& state) {
    state.settleMs = settleMs_;
    state.ChangeSignal(state.levelDbm, false, SteadyNowNs());
    state.previousDbm = kNoSignal;  // power comes and goes at once
  });
}

void GeneratorInstrument::Disconnected(int client) {
  if (faultOwner_ == client) {
    armed_ = GeneratorFault::kNone;
    faultOwner_.reset();
  }
  if (muted_ == client) muted_.reset();
}

GeneratorInstrument::Outcome GeneratorInstrument::Execute(std::string_view message, int client) {
  Outcome joined;
  while (!message.empty()) {
    const auto end = std::min(message.find(';'), message.size());
    Outcome outcome = ExecuteCommand(message.substr(0, end), client);
    if (outcome.dropConnections) return outcome;
    if (outcome.reply) joined.reply = joined.reply ? *joined.reply + ";" + *outcome.reply : *outcome.reply;
    message.remove_prefix(std::min(end + 1, message.size()));
  }
  return joined;
}

GeneratorInstrument::Outcome GeneratorInstrument::ExecuteCommand(std::string_view line, int client) {
  line = Trim(line);
  if (line.empty()) return {};
  if (armed_ != GeneratorFault::kNone && !faultOwner_) faultOwner_ = client;
  if (armed_ != GeneratorFault::kNone && faultOwner_ == client && commandsUntilFault_-- <= 0 &&
      Strike(client))
    return {std::nullopt, true};
  const auto split = line.find_first_of(" \t");
  const std::string_view header = line.substr(0, split);
  const std::string_view parameter = split == std::string_view::npos ? "" : Trim(line.substr(split));
  const std::string upper = Upper(header);
  if (upper == "SIM:DROP" || upper == "SIM:MUTE") {
    double count = 0;
    if (!parameter.empty() && (!ParseNumber(parameter, count) || count < 0)) {
      PushError(-224, "Illegal parameter value");
    } else {
      armed_ = upper == "SIM:DROP" ? GeneratorFault::kDrop : GeneratorFault::kMute;
      commandsUntilFault_ = static_cast<int64_t>(count);
      faultOwner_.reset();  // taken by the connection that sends the next command
      if (armed_ == GeneratorFault::kDrop && commandsUntilFault_ == 0 && Strike(client))
        return {std::nullopt, true};
    }
    return {};
  }
  auto reply = Run(header, parameter);
  if (muted_ == client) reply.reset();
  return {std::move(reply), false};
}

bool GeneratorInstrument::Strike(int client) {
  const GeneratorFault fault = std::exchange(armed_, GeneratorFault::kNone);
  faultOwner_.reset();
  if (fault == GeneratorFault::kMute) muted_ = client;
  return fault == GeneratorFault::kDrop;
}

std::optional<std::string> GeneratorInstrument::Run(std::string_view header, std::string_view parameter) {
  const std::string upper = Upper(header);
  if (upper == "*IDN?") return kGeneratorIdentity;
  if (upper == "*OPC?") return "1";
  if (upper == "*CLS") {
    errors_.clear();
    return std::nullopt;
  }
  if (upper == "*OPC" || upper == "*WAI") return std::nullopt;
  const bool query = !upper.empty() && upper.back() == '?';
  const auto canonical = CanonicalHeader(query ? header.substr(0, header.size() - 1) : header);
  if (canonical == "FREQ") return Frequency(parameter, query);
  if (canonical == "POW") return Level(parameter, query);
  if (canonical == "OUTP") return Output(parameter, query);
  if (canonical == "SYST:ERR" && query) return PopError();
  PushError(-113, "Undefined header");
  return std::nullopt;
}

std::optional<std::string> GeneratorInstrument::Frequency(std::string_view parameter, bool query) {
  if (query) {
    const int64_t hz = LoadState(statePath_).generatorHz;
    return std::to_string(hz);
  }
  const auto hz = ParseQuantity(parameter, {{"HZ", 1}, {"KHZ", 1e3}, {"MHZ", 1e6}, {"GHZ", 1e9}});
  if (!hz) {
    PushError(parameter.empty() ? -109 : -104, parameter.empty() ? "Missing parameter" : "Data type error");
  } else if (*hz < kGeneratorMinHz || *hz > kGeneratorMaxHz) {
    PushError(-222, "Data out of range");
  } else {
    UpdateState(statePath_, [&](SharedState& state) { state.generatorHz = std::llround(*hz); });
  }
  return std::nullopt;
}

std::optional<std::string> GeneratorInstrument::Level(std::string_view parameter, bool query) {
  if (query) return FormatFixed(LoadState(statePath_).levelDbm, 2);
  const auto dbm = ParseQuantity(parameter, {{"DBM", 1}});
  if (!dbm) {
    PushError(parameter.empty() ? -109 : -104, parameter.empty() ? "Missing parameter" : "Data type error");
  } else if (*dbm < kGeneratorMinDbm || *dbm > kGeneratorMaxDbm) {
    PushError(-222, "Data out of range");
  } else {
    UpdateState(statePath_, [&](SharedState& state) {
      state.settleMs = settleMs_;
      state.ChangeSignal(*dbm, state.outputOn, SteadyNowNs());
    });
  }
  return std::nullopt;
}

std::optional<std::string> GeneratorInstrument::Output(std::string_view parameter, bool query) {
  if (query) return LoadState(statePath_).outputOn ? "1" : "0";
  const std::string value = Upper(parameter);
  if (value != "ON" && value != "OFF" && value != "1" && value != "0") {
    PushError(parameter.empty() ? -109 : -224,
              parameter.empty() ? "Missing parameter" : "Illegal parameter value");
    return std::nullopt;
  }
  const bool on = value == "ON" || value == "1";
  UpdateState(statePath_, [&](SharedState& state) {
    state.settleMs = settleMs_;
    state.ChangeSignal(state.levelDbm, on, SteadyNowNs());
  });
  return std::nullopt;
}

void GeneratorInstrument::PushError(int code, const char* text) {
  std::string entry = std::to_string(code) + ",\"" + text + "\"";
  if (errors_.size() >= kErrorQueueSize) {
    errors_.back() = "-350,\"Queue overflow\"";
    return;
  }
  errors_.push_back(std::move(entry));
}

std::string GeneratorInstrument::PopError() {
  if (errors_.empty()) return "0,\"No error\"";
  std::string entry = std::move(errors_.front());
  errors_.pop_front();
  return entry;
}

}  // namespace sim
