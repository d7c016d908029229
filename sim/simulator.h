#pragma once
// One simulated receiver-control library: the receivers of the scenario that
// belong to it, their settings, and the open devices. Each library of a
// process has its own instance; the scenario and the shared state give them
// the same picture.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/scenario.h"
#include "sim/shared_state.h"
#include "sim/smeter.h"

namespace sim {

// The classic library's device information record, as the 32-bit library
// lays it out, with the mode-list pointer at its natural width.
struct ClassicDeviceInfo {
  int32_t size;
  uint8_t reserved1[6];
  uint16_t modelCode;
  int32_t minHz;
  uint8_t reserved2[8];
  int32_t modeCount;
  uint8_t reserved3[16];
  int32_t interfaceCode;
  uint8_t reserved4[20];
  const uint32_t* modes;
  int32_t maxKHz;
};

// One entry of the newer family's radio list.
#pragma pack(push, 1)
struct NewerListEntry {
  uint8_t reserved1[4];
  char serial[kTextWidth];
  uint8_t reserved2;
  char bus[kTextWidth];
  uint8_t reserved3;
  int32_t minHz;
  uint32_t maxHz;
  uint8_t reserved4[166];
};
#pragma pack(pop)
static_assert(sizeof(NewerListEntry) == 196);

class Simulator {
 public:
  // `model` "C1" .. "C5" for a newer-family library, empty for the classic one.
  Simulator(Family family, std::string model);

  // Picks up a changed scenario (which drops every open device) and a changed
  // shared state. Called at the start of every library call.
  void Refresh();

  // Test instrumentation: every library call, as "<function> <receiver or
  // argument> <arguments>" lines, and functions made to fail.
  void Record(std::string_view function, int32_t handle, std::initializer_list<int64_t> arguments);
  void Record(std::string_view function, std::string_view target);
  const std::string& CallLog() const { return log_; }
  void ClearCallLog() { log_.clear(); }
  void SetFailing(const std::string& function, bool failing);
  bool IsFailing(std::string_view function) const;
  void ClearFailures() { failing_.clear(); }

  // Classic family.
  int32_t OpenClassic(int32_t deviceNumber);
  int32_t GetDeviceInfo(int32_t handle, ClassicDeviceInfo* info);
  int32_t SetMode(int32_t handle, int32_t mode);
  int32_t GetMode(int32_t handle);
  int32_t SetVolume(int32_t handle, int32_t volume);
  int32_t SetMute(int32_t handle, bool on);
  int32_t SetIFShift(int32_t handle, int32_t shift);
  int32_t SetBFOOffset(int32_t handle, int32_t offset);

  // Newer family.
  int32_t ListNewer(void* buffer, int32_t size, int32_t* count);
  int32_t OpenNewer(const char* serial);
  int32_t IsConnected(int32_t handle);
  int32_t SetCodec(int32_t handle, bool running);
  int32_t GetAGC(int32_t handle);
  int32_t SetFmWide(int32_t handle, bool on);
  int32_t GetFmWide(int32_t handle);
  int32_t SetRfAmplifier(int32_t handle, bool on);

  // Both families.
  int32_t Close(int32_t handle);
  int32_t SetPower(int32_t handle, bool on);
  int32_t SetFrequency(int32_t handle, uint32_t word);
  uint32_t GetFrequency(int32_t handle);
  int32_t GetRawSignalStrength(int32_t handle);
  int32_t SetAttenuator(int32_t handle, bool on);
  int32_t SetAGC(int32_t handle, int32_t setting);
  int32_t SetIFGain(int32_t handle, int32_t gain);

 private:
  struct Receiver {
    const ReceiverSpec* setup = nullptr;
    SMeterCurve curve;
    bool powered = false;
    uint32_t frequencyWord = 0;
    int32_t mode = -1;
    bool attenuator = false;
    int32_t agc = 0;
    int32_t ifGain = 0;
    int32_t ifShift = 0;
    int32_t bfoOffset = 0;
    int32_t volume = 0;
    bool muted = false;
    bool codecRunning = false;
    bool fmWide = false;
    bool rfAmplifier = false;
  };
  struct OpenDevice {
    std::size_t receiver;
    int unplugCount;                   // of the receiver when it was opened
    std::optional<ReceiverLock> lock;  // with an exclusive scenario
  };

  void Reload(Scenario scenario);
  bool IsMine(const ReceiverSpec& setup) const;
  bool IsPlugged(const std::string& id) const { return !state_.unplugged.count(id); }
  int32_t OpenReceiver(std::size_t index);
  int UnplugCount(const std::string& id) const;
  // The receiver behind an open device that is still attached, or null.
  Receiver* Live(int32_t handle);
  bool AcceptsMode(const Receiver& receiver, int32_t mode) const;
  int32_t CurrentMode(const Receiver& receiver) const;
  template <typename T>
  int32_t Store(int32_t handle, T Receiver::*field, T value);

  Family family_;
  std::string model_;
  Scenario scenario_;
  std::vector<Receiver> receivers_;  // this library's share of the scenario
  SharedState state_;
  std::string defaultStatePath_;  // found once: it takes a look at the folders
  std::string statePath_;
  FileWatch scenarioWatch_;
  FileWatch stateWatch_;
  std::map<int32_t, OpenDevice> openDevices_;
  int32_t nextHandle_;
  std::mt19937 noise_;
  std::string log_;
  std::set<std::string, std::less<>> failing_;
};

}  // namespace sim
