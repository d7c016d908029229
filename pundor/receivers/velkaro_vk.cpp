#include "receivers/velkaro_vk.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "receivers/library_functions.h"
#include "receivers/record_text.h"
#include "vocabulary/receiver_names.h"

// The entry points of "drovapi32.dll", in the order they are resolved. All are
// required; SetVolume and SetMute are never called.
#define CLASSIC_FUNCTIONS(X)                                                  \
  X(OpenRadioDevice, int32_t, (int32_t number))                               \
  X(CloseRadioDevice, int32_t, (int32_t handle))                              \
  X(SetFrequency, int32_t, (int32_t handle, uint32_t word))                   \
  X(SetPower, int32_t, (int32_t handle, int32_t on))                          \
  X(GetRawSignalStrength, int32_t, (int32_t handle))                          \
  X(SetVolume, int32_t, (int32_t handle, int32_t volume))                     \
  X(SetMute, int32_t, (int32_t handle, int32_t on))                           \
  X(SetMode, int32_t, (int32_t handle, int32_t mode))                         \
  X(SetIFShift, int32_t, (int32_t handle, int32_t shift))                     \
  X(GetRadioDeviceInfo, int32_t, (int32_t handle, TClassicDeviceInfo * info)) \
  X(SetAtten, int32_t, (int32_t handle, int32_t on))                          \
  X(SetAGC, int32_t, (int32_t handle, int32_t setting))                       \
  X(SetBFOOffset, int32_t, (int32_t handle, int32_t offset))                  \
  X(SetIFGain, int32_t, (int32_t handle, int32_t gain))                       \
  X(GetFrequency, uint32_t, (int32_t handle))                                 \
  X(GetMode, int32_t, (int32_t handle))

struct TVelkaro_Vk::Functions {
  CLASSIC_FUNCTIONS(RECEIVER_FUNCTION_FIELD)
};

namespace {

const char* InterfaceText(int32_t code) {
  switch (code) {
    case 0:
      return "ISA";
    case 1:
      return "Serial";
    case 2:
      return "PCMCIA";
    case 5:
      return "PCI";
    default:
      return "";
  }
}

constexpr uint32_t kFmnCode = 2;
constexpr uint32_t kSixKHzSubCode = 3;

// A mode-list entry: bits 0-7 the mode code, bits 8-15 a sub-code; FMN with
// sub-code 3 is the 6 kHz FM mode.
int32_t ModeOfEntry(uint32_t entry) {
  const uint32_t code = entry & 0xFF;
  const uint32_t subCode = (entry >> 8) & 0xFF;
  return code == kFmnCode && subCode == kSixKHzSubCode ? kModeFM6 : static_cast<int32_t>(code);
}

void CopyModes(const TClassicDeviceInfo& info, TRadioDevice& record) {
  const int32_t count = info.ModeList ? std::clamp(info.ModeCount, 0, kMaxModes) : 0;
  std::fill(std::begin(record.Modes), std::end(record.Modes), 0);
  std::transform(info.ModeList, info.ModeList + count, record.Modes, ModeOfEntry);
  record.ModeCount = count;
}

void SetDeviceNumber(TRadioDevice& record, int32_t number) {
  std::memset(record.Address, 0, sizeof record.Address);
  std::memcpy(record.Address, &number, sizeof number);
}

}  // namespace

int32_t ClassicDeviceNumber(const TRadioDevice& record) {
  int32_t number;
  std::memcpy(&number, record.Address, sizeof number);
  return number;
}

TVelkaro_Vk::TVelkaro_Vk() : fn_(std::make_unique<Functions>()) {
  auto bindAll = [](const platform::DynamicLibrary& library, Functions& functions) {
    return true CLASSIC_FUNCTIONS(RECEIVER_FUNCTION_BIND);
  };
  library_ = platform::DynamicLibrary::Load("drovapi32.dll");
  if (library_ && !bindAll(*library_, *fn_)) library_.reset();
}

TVelkaro_Vk::~TVelkaro_Vk() { CloseDevice(); }

void TVelkaro_Vk::GetRadioList(TRadioDevice* first, int32_t* count) {
  *count = 0;
  if (!IsAvailable()) return;
  for (int32_t number = kFirstClassicDevice; number <= kLastClassicDevice; ++number) {
    const int32_t handle = fn_->OpenRadioDevice(number);
    if (handle == 0) continue;
    if (DescribeDevice(handle, number, first[*count])) ++*count;
    fn_->CloseRadioDevice(handle);
  }
}

bool TVelkaro_Vk::DescribeDevice(int32_t handle, int32_t number, TRadioDevice& record) {
  TClassicDeviceInfo info{};
  info.Size = sizeof info;
  fn_->GetRadioDeviceInfo(handle, &info);
  const std::optional<vocabulary::ModelNames> model = vocabulary::ClassicModelNames(info.ModelCode);
  if (!model) return false;

  std::memset(&record, 0, sizeof record);
  CopyText(record.Name, model->name);
  CopyText(record.Model, model->model);
  CopyText(record.Interface, InterfaceText(info.InterfaceCode));
  SetDeviceNumber(record, number);
  record.MinFreq = info.MinFreq;
  record.MaxFreq = static_cast<int64_t>(info.MaxFreqKHz) * 1000;
  CopyModes(info, record);
  record.Driver = this;
  return true;
}

bool TVelkaro_Vk::Open(const TRadioDevice& device) {
  Close();
  if (!IsAvailable()) return false;
  const int32_t handle = fn_->OpenRadioDevice(ClassicDeviceNumber(device));
  if (handle == 0) {
    device_ = kNoDevice;
    return false;
  }
  device_ = handle;
  fn_->SetPower(device_, 0);
  fn_->SetPower(device_, 1);
  fn_->SetFrequency(device_, fn_->GetFrequency(device_));
  fn_->SetAtten(device_, 0);
  fn_->SetBFOOffset(device_, 0);
  fn_->SetIFShift(device_, 0);
  fn_->SetAGC(device_, 1);
  return true;
}

void TVelkaro_Vk::Close() { CloseDevice(); }

void TVelkaro_Vk::CloseDevice() {
  if (!IsOpen()) return;
  fn_->SetPower(device_, 0);
  fn_->CloseRadioDevice(device_);
  device_ = kNoDevice;
}

int32_t TVelkaro_Vk::SetAtten(bool on) { return IsOpen() ? fn_->SetAtten(device_, on) : 0; }
int32_t TVelkaro_Vk::SetPower(bool on) { return IsOpen() ? fn_->SetPower(device_, on) : 0; }
int32_t TVelkaro_Vk::SetBFOOffset(int32_t offset) {
  return IsOpen() ? fn_->SetBFOOffset(device_, offset) : 0;
}
int32_t TVelkaro_Vk::SetIFShift(int32_t shift) { return IsOpen() ? fn_->SetIFShift(device_, shift) : 0; }
int32_t TVelkaro_Vk::SetAGC(int32_t setting) { return IsOpen() ? fn_->SetAGC(device_, setting) : 0; }
int32_t TVelkaro_Vk::SetIFGain(int32_t gain) { return IsOpen() ? fn_->SetIFGain(device_, gain) : 0; }
int32_t TVelkaro_Vk::SetFrequency(uint32_t word) {
  return IsOpen() ? CloseIfLost(fn_->SetFrequency(device_, word)) : 0;
}
uint32_t TVelkaro_Vk::GetFrequency() { return IsOpen() ? fn_->GetFrequency(device_) : 0; }
int32_t TVelkaro_Vk::GetRawSignalStrength() {
  return IsOpen() ? ClampRaw(CloseIfLost(fn_->GetRawSignalStrength(device_))) : 0;
}
bool TVelkaro_Vk::IsDeviceConnected() { return IsOpen(); }
int32_t TVelkaro_Vk::SetMode(int32_t mode) { return IsOpen() ? CloseIfLost(fn_->SetMode(device_, mode)) : 0; }

// The classic library cannot say whether its receiver is still there, but a
// receiver that is gone fails every call: a tuned receiver always has a
// frequency, and re-tuning it to that frequency always succeeds. A receiver
// that is merely switched off reads 0 and still answers both.
bool TVelkaro_Vk::StillAnswers() {
  const uint32_t word = fn_->GetFrequency(device_);
  return word != 0 && fn_->SetFrequency(device_, word) != 0;
}

int32_t TVelkaro_Vk::CloseIfLost(int32_t result) {
  if (result == 0 && !StillAnswers()) CloseDevice();
  return result;
}
int32_t TVelkaro_Vk::GetMode() { return IsOpen() ? fn_->GetMode(device_) & 0xFF : kModeDefault; }
