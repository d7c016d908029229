#include "sim/simulator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "sim/smeter.h"

namespace sim {
namespace {

constexpr uint32_t kTenHzFlag = 0x80000000u;
constexpr int32_t kFirstHandle = 101;
constexpr unsigned kNoiseSeed = 20241;
constexpr std::size_t kLogLimit = 1 << 20;

int64_t DecodeWord(uint32_t word) {
  return (word & kTenHzFlag) ? static_cast<int64_t>(word & ~kTenHzFlag) * 10 : word;
}

void CopyFixedText(char* target, const std::string& text) {
  std::memset(target, 0, kTextWidth);
  std::memcpy(target, text.data(), std::min(text.size(), kTextWidth));
}

}  // namespace

Simulator::Simulator(Family family, std::string model)
    : family_(family), model_(std::move(model)), nextHandle_(kFirstHandle), noise_(kNoiseSeed) {}

void Simulator::Refresh() {
  const char* named = std::getenv(kScenarioVariable);
  const std::string scenarioPath = named ? named : "";
  if (scenarioWatch_.Changed(scenarioPath)) Reload(LoadScenario(scenarioPath));
  if (const char* named = std::getenv(kStateVariable); named && *named) {
    statePath_ = named;
  } else {
    if (defaultStatePath_.empty()) defaultStatePath_ = StatePath().string();
    statePath_ = defaultStatePath_;
  }
  if (stateWatch_.Changed(statePath_)) state_ = LoadState(statePath_);
}

void Simulator::Reload(Scenario scenario) {
  scenario_ = std::move(scenario);
  receivers_.clear();
  openDevices_.clear();
  for (const ReceiverSpec& setup : scenario_.receivers) {
    if (!IsMine(setup)) continue;
    Receiver receiver;
    receiver.setup = &setup;
    receiver.curve = CurveOf(setup);
    receiver.frequencyWord = static_cast<uint32_t>(setup.minHz);
    if (!setup.modeEntries.empty()) receiver.mode = ModeOfEntry(setup.modeEntries.front());
    receivers_.push_back(receiver);
  }
}

bool Simulator::IsMine(const ReceiverSpec& setup) const {
  return setup.family == family_ && (family_ == Family::kClassic || setup.model == model_);
}

void Simulator::Record(std::string_view function, int32_t handle, std::initializer_list<int64_t> arguments) {
  const auto device = openDevices_.find(handle);
  std::string line = device == openDevices_.end() ? "?" + std::to_string(handle)
                                                  : receivers_[device->second.receiver].setup->id;
  for (int64_t argument : arguments) line += " " + std::to_string(argument);
  Record(function, line);
}

void Simulator::Record(std::string_view function, std::string_view target) {
  // A calibrator left running must not grow the log without end: keep the
  // newer half.
  if (log_.size() > kLogLimit) log_.erase(0, log_.find('\n', log_.size() / 2) + 1);
  log_.append(function).append(" ").append(target).append("\n");
}

void Simulator::SetFailing(const std::string& function, bool failing) {
  if (failing)
    failing_.insert(function);
  else
    failing_.erase(function);
}

bool Simulator::IsFailing(std::string_view function) const { return failing_.count(function) != 0; }

int32_t Simulator::OpenReceiver(std::size_t index) {
  const std::string& id = receivers_[index].setup->id;
  if (!IsPlugged(id) || state_.busy.count(id)) return 0;
  std::optional<ReceiverLock> lock;
  if (scenario_.exclusive) {
    lock = ReceiverLock::Take(statePath_, id);
    if (!lock) return 0;
  }
  const int32_t handle = nextHandle_++;
  openDevices_.emplace(handle, OpenDevice{index, UnplugCount(id), std::move(lock)});
  return handle;
}

int Simulator::UnplugCount(const std::string& id) const {
  const auto count = state_.unplugCounts.find(id);
  return count == state_.unplugCounts.end() ? 0 : count->second;
}

Simulator::Receiver* Simulator::Live(int32_t handle) {
  const auto device = openDevices_.find(handle);
  if (device == openDevices_.end()) return nullptr;
  Receiver& receiver = receivers_[device->second.receiver];
  const std::string& id = receiver.setup->id;
  if (!IsPlugged(id) || UnplugCount(id) != device->second.unplugCount) return nullptr;
  return &receiver;
}

template <typename T>
int32_t Simulator::Store(int32_t handle, T Receiver::*field, T value) {
  Receiver* receiver = Live(handle);
  if (!receiver) return 0;
  receiver->*field = value;
  return 1;
}

int32_t Simulator::OpenClassic(int32_t deviceNumber) {
  const auto found = std::find_if(receivers_.begin(), receivers_.end(),
                                  [&](const Receiver& r) { return r.setup->deviceNumber == deviceNumber; });
  return found == receivers_.end() ? 0 : OpenReceiver(found - receivers_.begin());
}

int32_t Simulator::GetDeviceInfo(int32_t handle, ClassicDeviceInfo* info) {
  const Receiver* receiver = Live(handle);
  if (!receiver || !info || info->size < static_cast<int32_t>(sizeof *info)) return 0;
  const ReceiverSpec& setup = *receiver->setup;
  info->modelCode = static_cast<uint16_t>(setup.modelCode);
  info->minHz = static_cast<int32_t>(setup.minHz);
  info->modeCount = static_cast<int32_t>(setup.modeEntries.size());
  info->interfaceCode = setup.interfaceCode;
  info->modes = setup.modeEntries.data();
  info->maxKHz = static_cast<int32_t>(std::min<int64_t>(setup.maxHz / 1000, INT32_MAX));
  return 1;
}

bool Simulator::AcceptsMode(const Receiver& receiver, int32_t mode) const {
  const auto& entries = receiver.setup->modeEntries;
  return std::any_of(entries.begin(), entries.end(),
                     [mode](uint32_t entry) { return ModeOfEntry(entry) == mode; });
}

int32_t Simulator::SetMode(int32_t handle, int32_t mode) {
  Receiver* receiver = Live(handle);
  if (!receiver || !AcceptsMode(*receiver, mode)) return 0;
  receiver->mode = mode;
  return 1;
}

int32_t Simulator::GetMode(int32_t handle) {
  const Receiver* receiver = Live(handle);
  return receiver ? receiver->mode : 0;
}

int32_t Simulator::SetVolume(int32_t handle, int32_t volume) {
  return Store(handle, &Receiver::volume, volume);
}
int32_t Simulator::SetMute(int32_t handle, bool on) { return Store(handle, &Receiver::muted, on); }
int32_t Simulator::SetIFShift(int32_t handle, int32_t shift) {
  return Store(handle, &Receiver::ifShift, shift);
}
int32_t Simulator::SetBFOOffset(int32_t handle, int32_t offset) {
  return Store(handle, &Receiver::bfoOffset, offset);
}

int32_t Simulator::ListNewer(void* buffer, int32_t size, int32_t* count) {
  auto* entries = static_cast<NewerListEntry*>(buffer);
  const int32_t room = buffer && size > 0 ? size / static_cast<int32_t>(sizeof(NewerListEntry)) : 0;
  int32_t listed = 0;
  for (const Receiver& receiver : receivers_) {
    const ReceiverSpec& setup = *receiver.setup;
    if (!IsPlugged(setup.id)) continue;
    if (listed < room) {
      NewerListEntry& entry = entries[listed];
      std::memset(&entry, 0, sizeof entry);
      CopyFixedText(entry.serial, setup.serial);
      CopyFixedText(entry.bus, setup.bus);
      entry.minHz = static_cast<int32_t>(setup.minHz);
      entry.maxHz = static_cast<uint32_t>(setup.maxHz);
    }
    ++listed;
  }
  // Like the maker's library: the whole count, even beyond the buffer.
  if (count) *count = listed;
  return listed;
}

int32_t Simulator::OpenNewer(const char* serial) {
  if (!serial) return 0;
  const std::string wanted(serial, strnlen(serial, kTextWidth));
  const auto found = std::find_if(receivers_.begin(), receivers_.end(),
                                  [&](const Receiver& r) { return r.setup->serial == wanted; });
  return found == receivers_.end() ? 0 : OpenReceiver(found - receivers_.begin());
}

int32_t Simulator::IsConnected(int32_t handle) { return Live(handle) ? 1 : 0; }

int32_t Simulator::SetCodec(int32_t handle, bool running) {
  return Store(handle, &Receiver::codecRunning, running);
}

int32_t Simulator::GetAGC(int32_t handle) {
  const Receiver* receiver = Live(handle);
  return receiver ? receiver->agc : 0;
}

int32_t Simulator::SetFmWide(int32_t handle, bool on) { return Store(handle, &Receiver::fmWide, on); }

int32_t Simulator::GetFmWide(int32_t handle) {
  const Receiver* receiver = Live(handle);
  return receiver && receiver->fmWide ? 1 : 0;
}

int32_t Simulator::SetRfAmplifier(int32_t handle, bool on) {
  return Store(handle, &Receiver::rfAmplifier, on);
}

int32_t Simulator::Close(int32_t handle) { return openDevices_.erase(handle) ? 1 : 0; }

int32_t Simulator::SetPower(int32_t handle, bool on) { return Store(handle, &Receiver::powered, on); }

int32_t Simulator::SetFrequency(int32_t handle, uint32_t word) {
  Receiver* receiver = Live(handle);
  if (!receiver) return 0;
  const int64_t hz = DecodeWord(word);
  if (hz < receiver->setup->minHz || hz > receiver->setup->maxHz) return 0;
  receiver->frequencyWord = word;
  return 1;
}

uint32_t Simulator::GetFrequency(int32_t handle) {
  const Receiver* receiver = Live(handle);
  return receiver ? receiver->frequencyWord : 0;
}

int32_t Simulator::CurrentMode(const Receiver& receiver) const {
  if (family_ == Family::kClassic) return receiver.mode;
  return receiver.fmWide ? 3 : -1;
}

int32_t Simulator::GetRawSignalStrength(int32_t handle) {
  const Receiver* receiver = Live(handle);
  if (!receiver || !receiver->powered) return 0;
  const Tuning tuning{DecodeWord(receiver->frequencyWord), CurrentMode(*receiver), receiver->attenuator,
                      receiver->rfAmplifier};
  const double level =
      DetectorLevelDbm(*receiver->setup, tuning, state_.SignalDbm(SteadyNowNs()), state_.generatorHz);
  const double jitter =
      scenario_.noiseDb > 0 ? std::uniform_real_distribution<double>(-1, 1)(noise_) * scenario_.noiseDb : 0;
  return RawReading(receiver->curve, tuning.mode, level, jitter);
}

int32_t Simulator::SetAttenuator(int32_t handle, bool on) { return Store(handle, &Receiver::attenuator, on); }
int32_t Simulator::SetAGC(int32_t handle, int32_t setting) { return Store(handle, &Receiver::agc, setting); }
int32_t Simulator::SetIFGain(int32_t handle, int32_t gain) { return Store(handle, &Receiver::ifGain, gain); }

}  // namespace sim
