// The exports of one simulated receiver-control library. Built once per
// library: SIM_CLASSIC for "drovapi32", or SIM_NEWER_MODEL ("C1" .. "C5") for
// a newer-family one, with SIM_FM for the FM-capable models. SIM_WITHOUT_RFAMP
// leaves "SetRFAmp" out (a broken library, for the tests). Everything else in
// the library is hidden.
//
// Every call picks up the scenario and the shared state, is written to the
// call log, and returns 0 when a test has made it fail.
#include <cstdint>
#include <cstring>
#include <string>

#include "sim/shared_state.h"
#include "sim/simulator.h"

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

sim::Simulator& Library() {
#ifdef SIM_CLASSIC
  static sim::Simulator library(sim::Family::kClassic, "");
#else
  static sim::Simulator library(sim::Family::kNewer, SIM_NEWER_MODEL);
#endif
  return library;
}

// A call on an open device: refresh, record, then run it unless it is made to fail.
template <typename Result, typename Body>
Result OnDevice(const char* function, int32_t handle, std::initializer_list<int64_t> arguments, Body body) {
  sim::Simulator& library = Library();
  library.Refresh();
  library.Record(function, handle, arguments);
  return library.IsFailing(function) ? Result{} : body(library);
}

// A call that opens or lists devices.
template <typename Body>
int32_t Unbound(const char* function, const std::string& target, Body body) {
  sim::Simulator& library = Library();
  library.Refresh();
  library.Record(function, target);
  return library.IsFailing(function) ? 0 : body(library);
}

}  // namespace

// Calls of both families.

SIM_EXPORT int32_t CloseRadioDevice(int32_t handle) {
  return OnDevice<int32_t>("CloseRadioDevice", handle, {},
                           [&](sim::Simulator& s) { return s.Close(handle); });
}
SIM_EXPORT int32_t SetPower(int32_t handle, int32_t on) {
  return OnDevice<int32_t>("SetPower", handle, {on},
                           [&](sim::Simulator& s) { return s.SetPower(handle, on); });
}
SIM_EXPORT int32_t SetFrequency(int32_t handle, uint32_t word) {
  return OnDevice<int32_t>("SetFrequency", handle, {word},
                           [&](sim::Simulator& s) { return s.SetFrequency(handle, word); });
}
SIM_EXPORT uint32_t GetFrequency(int32_t handle) {
  return OnDevice<uint32_t>("GetFrequency", handle, {},
                            [&](sim::Simulator& s) { return s.GetFrequency(handle); });
}
SIM_EXPORT int32_t GetRawSignalStrength(int32_t handle) {
  return OnDevice<int32_t>("GetRawSignalStrength", handle, {},
                           [&](sim::Simulator& s) { return s.GetRawSignalStrength(handle); });
}
SIM_EXPORT int32_t SetAtten(int32_t handle, int32_t on) {
  return OnDevice<int32_t>("SetAtten", handle, {on},
                           [&](sim::Simulator& s) { return s.SetAttenuator(handle, on); });
}
SIM_EXPORT int32_t SetAGC(int32_t handle, int32_t setting) {
  return OnDevice<int32_t>("SetAGC", handle, {setting},
                           [&](sim::Simulator& s) { return s.SetAGC(handle, setting); });
}
SIM_EXPORT int32_t SetIFGain(int32_t handle, int32_t gain) {
  return OnDevice<int32_t>("SetIFGain", handle, {gain},
                           [&](sim::Simulator& s) { return s.SetIFGain(handle, gain); });
}

#ifdef SIM_CLASSIC

SIM_EXPORT int32_t OpenRadioDevice(int32_t number) {
  return Unbound("OpenRadioDevice", std::to_string(number),
                 [&](sim::Simulator& s) { return s.OpenClassic(number); });
}
SIM_EXPORT int32_t GetRadioDeviceInfo(int32_t handle, sim::ClassicDeviceInfo* info) {
  return OnDevice<int32_t>("GetRadioDeviceInfo", handle, {},
                           [&](sim::Simulator& s) { return s.GetDeviceInfo(handle, info); });
}
SIM_EXPORT int32_t SetMode(int32_t handle, int32_t mode) {
  return OnDevice<int32_t>("SetMode", handle, {mode},
                           [&](sim::Simulator& s) { return s.SetMode(handle, mode); });
}
SIM_EXPORT int32_t GetMode(int32_t handle) {
  return OnDevice<int32_t>("GetMode", handle, {}, [&](sim::Simulator& s) { return s.GetMode(handle); });
}
SIM_EXPORT int32_t SetVolume(int32_t handle, int32_t volume) {
  return OnDevice<int32_t>("SetVolume", handle, {volume},
                           [&](sim::Simulator& s) { return s.SetVolume(handle, volume); });
}
SIM_EXPORT int32_t SetMute(int32_t handle, int32_t on) {
  return OnDevice<int32_t>("SetMute", handle, {on}, [&](sim::Simulator& s) { return s.SetMute(handle, on); });
}
SIM_EXPORT int32_t SetIFShift(int32_t handle, int32_t shift) {
  return OnDevice<int32_t>("SetIFShift", handle, {shift},
                           [&](sim::Simulator& s) { return s.SetIFShift(handle, shift); });
}
SIM_EXPORT int32_t SetBFOOffset(int32_t handle, int32_t offset) {
  return OnDevice<int32_t>("SetBFOOffset", handle, {offset},
                           [&](sim::Simulator& s) { return s.SetBFOOffset(handle, offset); });
}

#else

SIM_EXPORT int32_t VxGetRadioList2(void* buffer, int32_t size, int32_t* count) {
  return Unbound("VxGetRadioList2", std::to_string(size),
                 [&](sim::Simulator& s) { return s.ListNewer(buffer, size, count); });
}
SIM_EXPORT int32_t VxOpen(const char* serial) {
  return Unbound("VxOpen", serial ? std::string(serial, strnlen(serial, sim::kTextWidth)) : "(null)",
                 [&](sim::Simulator& s) { return s.OpenNewer(serial); });
}
// The receiver's information block; nothing of it is simulated.
SIM_EXPORT int32_t VxGetInfo(int32_t handle, void*) {
  return OnDevice<int32_t>("VxGetInfo", handle, {}, [](sim::Simulator&) { return 0; });
}
SIM_EXPORT int32_t IsDeviceConnected(int32_t handle) {
  return OnDevice<int32_t>("IsDeviceConnected", handle, {},
                           [&](sim::Simulator& s) { return s.IsConnected(handle); });
}
SIM_EXPORT int32_t VxGetInternalRSSI(int32_t handle) {
  return OnDevice<int32_t>("VxGetInternalRSSI", handle, {},
                           [&](sim::Simulator& s) { return s.GetRawSignalStrength(handle); });
}
SIM_EXPORT int32_t VxGetLastRawSS(int32_t handle) {
  return OnDevice<int32_t>("VxGetLastRawSS", handle, {},
                           [&](sim::Simulator& s) { return s.GetRawSignalStrength(handle); });
}
SIM_EXPORT int32_t CodecStop(int32_t handle) {
  return OnDevice<int32_t>("CodecStop", handle, {},
                           [&](sim::Simulator& s) { return s.SetCodec(handle, false); });
}
SIM_EXPORT int32_t CodecStart(int32_t handle, int32_t first, int32_t second) {
  return OnDevice<int32_t>("CodecStart", handle, {first, second},
                           [&](sim::Simulator& s) { return s.SetCodec(handle, true); });
}
SIM_EXPORT int32_t GetAGC(int32_t handle) {
  return OnDevice<int32_t>("GetAGC", handle, {}, [&](sim::Simulator& s) { return s.GetAGC(handle); });
}

#ifdef SIM_FM
SIM_EXPORT int32_t SetFMW(int32_t handle, int32_t on) {
  return OnDevice<int32_t>("SetFMW", handle, {on},
                           [&](sim::Simulator& s) { return s.SetFmWide(handle, on); });
}
SIM_EXPORT int32_t GetFMW(int32_t handle) {
  return OnDevice<int32_t>("GetFMW", handle, {}, [&](sim::Simulator& s) { return s.GetFmWide(handle); });
}
#ifndef SIM_WITHOUT_RFAMP
SIM_EXPORT int32_t SetRFAmp(int32_t handle, int32_t on) {
  return OnDevice<int32_t>("SetRFAmp", handle, {on},
                           [&](sim::Simulator& s) { return s.SetRfAmplifier(handle, on); });
}
#endif
#endif

#endif

// Control exports for the tests; the calibrator never calls them. The shared
// state goes through its file, so that every library sees the change.

SIM_EXPORT int32_t SimSetGenerator(double levelDbm, int64_t hz) {
  return sim::UpdateState(sim::StatePath(), [&](sim::SharedState& state) {
    state.ChangeSignal(levelDbm, true, sim::SteadyNowNs());
    state.generatorHz = hz;
  });
}
SIM_EXPORT int32_t SimSetPlugged(const char* id, int32_t plugged) {
  return id &&
         sim::UpdateState(sim::StatePath(), [&](sim::SharedState& state) { state.SetPlugged(id, plugged); });
}
SIM_EXPORT int32_t SimSetBusy(const char* id, int32_t busy) {
  return id && sim::UpdateState(sim::StatePath(), [&](sim::SharedState& state) {
           if (busy)
             state.busy.insert(id);
           else
             state.busy.erase(id);
         });
}
SIM_EXPORT int32_t SimResetState() { return sim::SaveState(sim::SharedState(), sim::StatePath()); }
// Makes one function of this library fail (return 0) until cleared; a null
// name clears every failure.
SIM_EXPORT void SimSetFailing(const char* function, int32_t failing) {
  if (function)
    Library().SetFailing(function, failing);
  else
    Library().ClearFailures();
}
// This library's calls since the last clear, one per line; returns the size
// of the whole log with its terminator (ask with size 0 first).
SIM_EXPORT int32_t SimCallLog(char* buffer, int32_t size) {
  const std::string& log = Library().CallLog();
  if (buffer && size > 0) {
    const std::size_t copied = std::min<std::size_t>(log.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, log.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int32_t>(log.size() + 1);
}
SIM_EXPORT void SimClearCallLog() { Library().ClearCallLog(); }
