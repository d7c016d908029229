#include "sim/rigctld.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

#include "sim/shared_state.h"

namespace sim {
namespace {

// Hamlib's status codes, negated as rigctld reports them.
constexpr int kOk = 0;
constexpr int kInvalid = -1;         // RIG_EINVAL: an argument it cannot take
constexpr int kNotImplemented = -4;  // RIG_ENIMPL: a command it does not serve
constexpr int kNotAvailable = -11;   // RIG_ENAVAIL: a level this radio lacks

constexpr uint64_t kLevelPreamp = 1ull << 0;
constexpr uint64_t kLevelAttenuator = 1ull << 1;
constexpr uint64_t kLevelRawStrength = 1ull << 26;
constexpr uint64_t kLevelStrength = 1ull << 30;

uint64_t ModeBit(std::string_view mode) {
  constexpr std::pair<std::string_view, uint64_t> kBits[] = {{"AM", 1u << 0},  {"CW", 1u << 1},
                                                             {"USB", 1u << 2}, {"LSB", 1u << 3},
                                                             {"FM", 1u << 5},  {"WFM", 1u << 6}};
  for (const auto& [name, bit] : kBits)
    if (name == mode) return bit;
  return 0;
}

std::string Hex(uint64_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

// "10 20 " as rigctld lists attenuator and preamp steps.
std::string StepList(const std::vector<int32_t>& steps) {
  std::string text;
  for (const int32_t step : steps) text += std::to_string(step) + " ";
  return text;
}

int32_t NormalPassbandHz(std::string_view mode) {
  return static_cast<int32_t>(BandwidthHz(ModeOfRadioMode(mode)));
}

bool ParseWhole(std::string_view text, double& value) {
  return ParseNumber(text, value) && value == std::floor(value);
}

SimulatedRig::Reply Value(std::string label, std::string value) {
  return {kOk, {{std::move(label), std::move(value)}}};
}
SimulatedRig::Reply Status(int code) { return {code, {}}; }

// The basic form: the values one per line, or "RPRT n" for a setting or a
// failure. An extended form (prefix +, or ; | , as the separator) echoes the
// command, labels the values and always ends with "RPRT n".
std::string Format(std::string_view longName, const SimulatedRig::Arguments& args,
                   const SimulatedRig::Reply& reply, char separator) {
  std::vector<std::string> records;
  if (separator) {
    std::string echo = std::string(longName) + ":";
    for (const auto arg : args) echo.append(" ").append(arg);
    records.push_back(echo);
  }
  if (reply.code == kOk)
    for (const auto& [label, value] : reply.values)
      records.push_back(separator && !label.empty() ? label + ": " + value : value);
  if (separator || reply.code != kOk || reply.values.empty())
    records.push_back("RPRT " + std::to_string(reply.code));
  std::string text;
  for (const auto& record : records)
    text += (text.empty() ? "" : std::string(1, separator ? separator : '\n')) + record;
  return text + "\n";
}

}  // namespace

const SimulatedRig::Command SimulatedRig::kCommands[] = {
    {'f', "get_freq", &SimulatedRig::GetFrequency},
    {'F', "set_freq", &SimulatedRig::SetFrequency},
    {'m', "get_mode", &SimulatedRig::GetMode},
    {'M', "set_mode", &SimulatedRig::SetMode},
    {'l', "get_level", &SimulatedRig::GetLevel},
    {'L', "set_level", &SimulatedRig::SetLevel},
    {'v', "get_vfo", &SimulatedRig::GetVfo},
    {'V', "set_vfo", &SimulatedRig::SetVfo},
    {'s', "get_split_vfo", &SimulatedRig::GetSplitVfo},
    {0, "get_powerstat", &SimulatedRig::GetPowerState},
    {0, "get_lock_mode", &SimulatedRig::GetLockMode},
    {0, "dump_state", &SimulatedRig::DumpState},
};

SimulatedRig::SimulatedRig(RadioSpec radio, double noiseDb, std::function<GeneratorSignal()> signal)
    : radio_(std::move(radio)),
      noiseDb_(noiseDb),
      signal_(std::move(signal)),
      hz_(radio_.minHz),
      mode_(radio_.modes.empty() ? "AM" : radio_.modes.front()),
      passbandHz_(NormalPassbandHz(mode_)) {}

LineAnswer SimulatedRig::Execute(std::string_view line) {
  char separator = 0;
  if (!line.empty() && std::string_view("+;|,").find(line.front()) != std::string_view::npos) {
    separator = line.front() == '+' ? '\n' : line.front();
    line.remove_prefix(1);
  }
  const auto words = Words(line);
  if (words.empty()) return {};
  const std::string_view name = words[0];
  const Arguments args(words.begin() + 1, words.end());
  const bool isLong = name.front() == '\\';
  if (name == "q" || name == "Q" || name == "\\quit") return {"", true};
  // Hamlib's client asks whether VFOs are named in every command: they are not.
  if (name == "\\chk_vfo") return {separator ? "ChkVFO: 0\n" : "0\n"};
  for (const Command& command : kCommands)
    if (isLong ? name.substr(1) == command.longName : name.size() == 1 && name[0] == command.shortName)
      return {Format(command.longName, args, (this->*command.run)(args), separator)};
  return {"RPRT " + std::to_string(kNotImplemented) + "\n"};
}

int32_t SimulatedRig::OwnStrength(int32_t raw) {
  // A straight line from -54 dB at 0 to +60 dB at 255, as a table copied from
  // a front-panel meter would give: not the truth.
  return static_cast<int32_t>(std::lround(-54 + raw * 114.0 / 255));
}

SimulatedRig::Reply SimulatedRig::GetFrequency(const Arguments&) {
  return Value("Frequency", std::to_string(hz_));
}

SimulatedRig::Reply SimulatedRig::SetFrequency(const Arguments& args) {
  double hz = 0;
  if (args.size() != 1 || !ParseNumber(args[0], hz) || !(hz >= static_cast<double>(radio_.minHz)) ||
      !(hz <= static_cast<double>(radio_.maxHz)))
    return Status(kInvalid);
  hz_ = std::llround(hz);
  return Status(kOk);
}

SimulatedRig::Reply SimulatedRig::GetMode(const Arguments&) {
  return {kOk, {{"Mode", mode_}, {"Passband", std::to_string(passbandHz_)}}};
}

// M MODE [PASSBAND]: a passband of 0 is the mode's normal one, a negative one
// (Hamlib's "no change") keeps it.
SimulatedRig::Reply SimulatedRig::SetMode(const Arguments& args) {
  double passband = 0;
  if (args.empty() || args.size() > 2 ||
      std::find(radio_.modes.begin(), radio_.modes.end(), args[0]) == radio_.modes.end() ||
      (args.size() == 2 && !ParseWhole(args[1], passband)))
    return Status(kInvalid);
  const bool sameMode = mode_ == args[0];
  mode_ = args[0];
  if (passband > 0)
    passbandHz_ = static_cast<int32_t>(std::min(passband, 1e6));
  else if (passband == 0 || !sameMode)
    passbandHz_ = NormalPassbandHz(mode_);
  return Status(kOk);
}

SimulatedRig::Reply SimulatedRig::GetLevel(const Arguments& args) {
  if (args.size() != 1) return Status(kInvalid);
  const int32_t raw = args[0] == "RAWSTR" || args[0] == "STRENGTH" ? RawReading() : 0;
  if (args[0] == "RAWSTR") return Value("", std::to_string(raw));
  if (args[0] == "STRENGTH") return Value("", std::to_string(OwnStrength(raw)));
  if (args[0] == "ATT" && !radio_.attenuatorSteps.empty()) return Value("", std::to_string(attenuatorDb_));
  if (args[0] == "PREAMP" && !radio_.preampSteps.empty()) return Value("", std::to_string(preampDb_));
  return Status(kNotAvailable);
}

// L ATT|PREAMP DB: 0 switches it off, otherwise one of the radio's steps.
SimulatedRig::Reply SimulatedRig::SetLevel(const Arguments& args) {
  if (args.size() != 2) return Status(kInvalid);
  const bool attenuator = args[0] == "ATT";
  const auto& steps = attenuator ? radio_.attenuatorSteps : radio_.preampSteps;
  if ((!attenuator && args[0] != "PREAMP") || steps.empty()) return Status(kNotAvailable);
  double db = 0;
  if (!ParseWhole(args[1], db) || (db != 0 && std::find(steps.begin(), steps.end(), db) == steps.end()))
    return Status(kInvalid);
  (attenuator ? attenuatorDb_ : preampDb_) = static_cast<int32_t>(db);
  return Status(kOk);
}

SimulatedRig::Reply SimulatedRig::GetVfo(const Arguments&) { return Value("VFO", vfo_); }

// The radio has one receiver: every VFO Hamlib names is that one, as Hamlib's
// client expects when it picks VFO B while opening.
SimulatedRig::Reply SimulatedRig::SetVfo(const Arguments& args) {
  constexpr std::string_view kVfos[] = {"VFOA", "VFOB", "Main", "Sub", "MainA", "MainB", "SubA", "SubB"};
  if (args.size() != 1) return Status(kInvalid);
  if (args[0] == "currVFO") return Status(kOk);
  if (std::find(std::begin(kVfos), std::end(kVfos), args[0]) == std::end(kVfos)) return Status(kInvalid);
  vfo_ = args[0];
  return Status(kOk);
}

SimulatedRig::Reply SimulatedRig::GetSplitVfo(const Arguments&) {
  return {kOk, {{"Split", "0"}, {"TX VFO", "VFOA"}}};
}

SimulatedRig::Reply SimulatedRig::GetPowerState(const Arguments&) { return Value("Power Status", "1"); }

// Hamlib's client asks before it changes the mode: the radio is never locked.
SimulatedRig::Reply SimulatedRig::GetLockMode(const Arguments&) { return Value("Locked", "0"); }

// The handshake of Hamlib's network client, in the layout of Debian's rigctld
// (protocol 1): a receive-only radio with one range, its modes and their
// passbands, its attenuator and preamp steps, and the levels it reads and sets.
SimulatedRig::Reply SimulatedRig::DumpState(const Arguments&) {
  uint64_t modes = 0;
  for (const auto& mode : radio_.modes) modes |= ModeBit(mode);
  uint64_t setLevels = 0;
  if (!radio_.attenuatorSteps.empty()) setLevels |= kLevelAttenuator;
  if (!radio_.preampSteps.empty()) setLevels |= kLevelPreamp;
  char range[128];
  std::snprintf(range, sizeof range, "%.6f %.6f %s -1 -1 0x1 0x1", static_cast<double>(radio_.minHz),
                static_cast<double>(radio_.maxHz), Hex(modes).c_str());
  std::vector<std::string> lines = {
      "1", "1", "0", range, "0 0 0 0 0 0 0", "0 0 0 0 0 0 0", Hex(modes) + " 1", "0 0"};
  for (const auto& mode : radio_.modes)
    lines.push_back(Hex(ModeBit(mode)) + " " + std::to_string(NormalPassbandHz(mode)));
  lines.insert(lines.end(), {"0 0",
                             "0",
                             "0",
                             "0",
                             "0",
                             StepList(radio_.preampSteps),
                             StepList(radio_.attenuatorSteps),
                             "0x0",
                             "0x0",
                             Hex(kLevelRawStrength | kLevelStrength | setLevels),
                             Hex(setLevels),
                             "0x0",
                             "0x0",
                             "vfo_ops=0x0",
                             "ptt_type=0x0",
                             "targetable_vfo=0x0",
                             "has_set_vfo=1",
                             "has_get_vfo=1",
                             "has_set_freq=1",
                             "has_get_freq=1",
                             "has_set_conf=0",
                             "has_get_conf=0",
                             "has_power2mW=0",
                             "has_mW2power=0",
                             "timeout=0",
                             "rig_model=1",
                             "rigctld_version=orvanta-sim rigctld",
                             "done"});
  Reply reply;
  for (auto& line : lines) reply.values.emplace_back("", std::move(line));
  return reply;
}

int32_t SimulatedRig::RawReading() {
  const GeneratorSignal signal = signal_();
  const double jitter = noiseDb_ > 0 ? std::uniform_real_distribution<double>(-1, 1)(noise_) * noiseDb_ : 0;
  return RadioReading(radio_, {hz_, mode_, attenuatorDb_, preampDb_}, signal.dbm, signal.hz, jitter);
}

int ServeRigctld(const RadioSpec& radio, double noiseDb, uint16_t port,
                 const std::filesystem::path& statePath, std::ostream& out, std::ostream& errors) {
  FileWatch watch;
  SharedState state;
  SimulatedRig rig(radio, noiseDb, [&] {
    if (watch.Changed(statePath.string())) state = LoadState(statePath);
    return GeneratorSignal{state.SignalDbm(SteadyNowNs()), state.generatorHz};
  });
  return ServeLines(
      port, "orvanta-sim rigctld", [&](std::string_view line) { return rig.Execute(line); }, out, errors);
}

}  // namespace sim
