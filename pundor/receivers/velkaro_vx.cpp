#include "receivers/velkaro_vx.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "receivers/library_functions.h"
#include "receivers/record_text.h"

// The core entry points of every newer-family library, in the order they are
// resolved. All are required; VxGetInfo is never called.
#define VX_FUNCTIONS(X)                                                     \
  X(VxGetRadioList2, int32_t, (void* buffer, int32_t size, int32_t* count)) \
  X(VxOpen, int32_t, (const char* serial))                                  \
  X(SetPower, int32_t, (int32_t handle, int32_t on))                        \
  X(CloseRadioDevice, int32_t, (int32_t handle))                            \
  X(SetFrequency, int32_t, (int32_t handle, uint32_t word))                 \
  X(VxGetInfo, int32_t, (int32_t handle, void* info))                       \
  X(GetRawSignalStrength, int32_t, (int32_t handle))                        \
  X(SetAGC, int32_t, (int32_t handle, int32_t setting))                     \
  X(SetAtten, int32_t, (int32_t handle, int32_t on))                        \
  X(SetIFGain, int32_t, (int32_t handle, int32_t gain))                     \
  X(IsDeviceConnected, int32_t, (int32_t handle))                           \
  X(VxGetInternalRSSI, int32_t, (int32_t handle))                           \
  X(CodecStop, int32_t, (int32_t handle))                                   \
  X(CodecStart, int32_t, (int32_t handle, int32_t first, int32_t second))   \
  X(VxGetLastRawSS, int32_t, (int32_t handle))                              \
  X(GetAGC, int32_t, (int32_t handle))                                      \
  X(GetFrequency, uint32_t, (int32_t handle))

// The extra entry points of the FM-capable models, resolved after the core.
#define FM_FUNCTIONS(X)                            \
  X(SetFMW, int32_t, (int32_t handle, int32_t on)) \
  X(GetFMW, int32_t, (int32_t handle))             \
  X(SetRFAmp, int32_t, (int32_t handle, int32_t on))

struct TVelkaro_Vx::Functions {
  VX_FUNCTIONS(RECEIVER_FUNCTION_FIELD)
};

struct TVelkaro_C2::FmFunctions {
  FM_FUNCTIONS(RECEIVER_FUNCTION_FIELD)
};

namespace {

constexpr std::size_t kTextWidth = 8;  // serial number and bus text
constexpr int32_t kOpenAGC = 2;
constexpr int32_t kOpenIFGain = 10;
constexpr auto kTuningWait = std::chrono::milliseconds(100);

int32_t AsResult(int32_t libraryResult) { return libraryResult != 0 ? 1 : 0; }

}  // namespace

const char* VxInterfaceText(const char* bus, std::size_t maxLength) {
  std::string upper(FixedText(bus, maxLength));
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper.find("PCI") != std::string::npos) return "PCI";
  if (upper.find("USB") != std::string::npos) return "USB";
  if (upper.find("SER") != std::string::npos) return "Serial";
  return "PCI";
}

TVelkaro_Vx::TVelkaro_Vx(const char* libraryName, std::string_view family)
    : fn_(std::make_unique<Functions>()), names_(vocabulary::NewerModelNames(family).value()) {
  auto bindAll = [](const platform::DynamicLibrary& library, Functions& functions) {
    return true VX_FUNCTIONS(RECEIVER_FUNCTION_BIND);
  };
  library_ = platform::DynamicLibrary::Load(libraryName);
  if (library_ && !bindAll(*library_, *fn_)) library_.reset();
}

TVelkaro_Vx::~TVelkaro_Vx() { CloseDevice(); }

void TVelkaro_Vx::MarkUnavailable() { library_.reset(); }

void TVelkaro_Vx::GetRadioList(TRadioDevice* first, int32_t* count) {
  *count = 0;
  if (!IsAvailable()) return;
  TVxRadioList list{};
  int32_t reported = 0;
  const int32_t listed = fn_->VxGetRadioList2(list.data(), sizeof list, &reported);
  // A library that reports more entries than the buffer holds has not
  // written them: keep the ones that fit.
  const int32_t entries = std::clamp(listed, 0, kMaxDriverDevices);
  for (int32_t k = 0; k < entries; ++k) {
    const TVxRadioListEntry& entry = list[k];
    TRadioDevice& record = first[k];
    std::memset(&record, 0, sizeof record);
    CopyText(record.Interface, VxInterfaceText(entry.Bus, kTextWidth));
    record.ModeCount = 1;
    record.Modes[0] = kModeDefault;
    CopyText(record.Name, names_.name);
    CopyText(record.Model, names_.model);
    CopyText(record.Address, FixedText(entry.Serial, kTextWidth));
    record.MinFreq = entry.MinFreq;
    record.MaxFreq = entry.MaxFreq;
    record.Driver = this;
  }
  *count = entries;
}

bool TVelkaro_Vx::Open(const TRadioDevice& device) {
  Close();
  if (!IsAvailable()) return false;
  char serial[kTextWidth + 1];
  CopyText(serial, FixedText(device.Address, kTextWidth));
  const int32_t handle = fn_->VxOpen(serial);
  if (handle == 0) {
    device_ = kNoDevice;
    return false;
  }
  device_ = handle;
  fn_->CodecStop(device_);
  fn_->SetPower(device_, 1);
  // The lowest frequency goes to the receiver as the library listed it.
  fn_->SetFrequency(device_, static_cast<uint32_t>(device.MinFreq));
  fn_->VxGetLastRawSS(device_);
  fn_->GetAGC(device_);
  fn_->VxGetInternalRSSI(device_);
  fn_->SetAtten(device_, 0);
  fn_->SetAGC(device_, kOpenAGC);
  fn_->SetIFGain(device_, kOpenIFGain);
  fn_->CodecStart(device_, 0, 0);
  return true;
}

void TVelkaro_Vx::Close() { CloseDevice(); }

void TVelkaro_Vx::CloseDevice() {
  if (!IsOpen()) return;
  fn_->SetPower(device_, 0);
  fn_->CloseRadioDevice(device_);
  device_ = kNoDevice;
}

void TVelkaro_Vx::WaitAfterTuning() { std::this_thread::sleep_for(kTuningWait); }

int32_t TVelkaro_Vx::SetAtten(bool on) { return IsOpen() ? AsResult(fn_->SetAtten(device_, on)) : 0; }
int32_t TVelkaro_Vx::SetPower(bool on) { return IsOpen() ? AsResult(fn_->SetPower(device_, on)) : 0; }
int32_t TVelkaro_Vx::SetBFOOffset(int32_t) { return IsOpen() ? 1 : 0; }
int32_t TVelkaro_Vx::SetIFShift(int32_t) { return IsOpen() ? 1 : 0; }
int32_t TVelkaro_Vx::SetAGC(int32_t setting) {
  return IsOpen() ? AsResult(fn_->SetAGC(device_, setting)) : 0;
}
int32_t TVelkaro_Vx::SetIFGain(int32_t gain) {
  return IsOpen() ? AsResult(fn_->SetIFGain(device_, gain)) : 0;
}

int32_t TVelkaro_Vx::SetFrequency(uint32_t word) {
  if (!IsOpen() || fn_->SetFrequency(device_, word) == 0) return 0;
  WaitAfterTuning();
  return 1;
}

uint32_t TVelkaro_Vx::GetFrequency() { return IsOpen() ? fn_->GetFrequency(device_) : 0; }
int32_t TVelkaro_Vx::GetRawSignalStrength() {
  return IsOpen() ? ClampRaw(fn_->GetRawSignalStrength(device_)) : 0;
}
bool TVelkaro_Vx::IsDeviceConnected() { return IsOpen() && fn_->IsDeviceConnected(device_) != 0; }
int32_t TVelkaro_Vx::SetMode(int32_t) { return IsOpen() ? 1 : 0; }
int32_t TVelkaro_Vx::GetMode() { return kModeDefault; }

TVelkaro_C1::TVelkaro_C1() : TVelkaro_Vx("vxaapi.dll", "C1") {}

TVelkaro_C3::TVelkaro_C3() : TVelkaro_Vx("vxcapi.dll", "C3") {}

TVelkaro_C2::TVelkaro_C2() : TVelkaro_C2("vxbapi.dll", "C2") {}

TVelkaro_C2::TVelkaro_C2(const char* libraryName, std::string_view family)
    : TVelkaro_Vx(libraryName, family), fm_(std::make_unique<FmFunctions>()) {
  auto bindAll = [](const platform::DynamicLibrary& library, FmFunctions& functions) {
    return true FM_FUNCTIONS(RECEIVER_FUNCTION_BIND);
  };
  if (library_ && !bindAll(*library_, *fm_)) MarkUnavailable();
}

TVelkaro_C2::~TVelkaro_C2() = default;

void TVelkaro_C2::GetRadioList(TRadioDevice* first, int32_t* count) {
  TVelkaro_Vx::GetRadioList(first, count);
  for (TRadioDevice* record = first; record != first + *count; ++record) {
    record->ModeCount = 2;
    record->Modes[0] = kModeDefault;
    record->Modes[1] = kModeFMW;
  }
}

bool TVelkaro_C2::Open(const TRadioDevice& device) {
  if (!TVelkaro_Vx::Open(device)) return false;
  fm_->SetRFAmp(device_, 1);
  return true;
}

int32_t TVelkaro_C2::SetMode(int32_t mode) {
  if (!IsOpen()) return 0;
  switch (mode) {
    case kModeDefault:
      if (fm_->SetFMW(device_, 0) == 0) return 0;
      TVelkaro_Vx::SetAGC(kOpenAGC);
      return 1;
    case kModeFMW:
      return AsResult(fm_->SetFMW(device_, 1));
    default:
      return 0;
  }
}

int32_t TVelkaro_C2::GetMode() {
  if (!IsOpen()) return kModeDefault;
  return fm_->GetFMW(device_) != 0 ? kModeFMW : kModeDefault;
}

TVelkaro_C4::TVelkaro_C4() : TVelkaro_C2("vxdapi.dll", "C4") {}

TVelkaro_C5::TVelkaro_C5() : TVelkaro_C2("vxeapi.dll", "C5") {}
