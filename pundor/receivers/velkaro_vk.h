#pragma once
// The driver of the classic receiver family ("drovapi32.dll"), which
// addresses its receivers by device number 1..31.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "receivers/velkaro_api.h"

// The device information record of the classic library's
// "GetRadioDeviceInfo". Laid out as the 32-bit library has it (76 bytes);
// on a 64-bit platform the mode-list pointer takes its natural width and
// alignment, and Size carries the record's real size.
struct TClassicDeviceInfo {
  int32_t Size;  // set by the caller before the call
  uint8_t Reserved1[6];
  uint16_t ModelCode;
  int32_t MinFreq;  // Hz
  uint8_t Reserved2[8];
  int32_t ModeCount;  // entries in ModeList
  uint8_t Reserved3[16];
  int32_t InterfaceCode;  // 0 ISA, 1 Serial, 2 PCMCIA, 5 PCI
  uint8_t Reserved4[20];
  // Bits 0-7 of each entry a mode code, bits 8-15 a sub-code.
  const uint32_t* ModeList;
  int32_t MaxFreqKHz;
};

static_assert(offsetof(TClassicDeviceInfo, ModelCode) == 10);
static_assert(offsetof(TClassicDeviceInfo, MinFreq) == 12);
static_assert(offsetof(TClassicDeviceInfo, ModeCount) == 24);
static_assert(offsetof(TClassicDeviceInfo, InterfaceCode) == 44);
static_assert(sizeof(void*) != 4 ||
              (offsetof(TClassicDeviceInfo, ModeList) == 68 &&
               offsetof(TClassicDeviceInfo, MaxFreqKHz) == 72 && sizeof(TClassicDeviceInfo) == 76));
static_assert(sizeof(void*) != 8 ||
              (offsetof(TClassicDeviceInfo, ModeList) == 72 &&
               offsetof(TClassicDeviceInfo, MaxFreqKHz) == 80 && sizeof(TClassicDeviceInfo) == 88));

// Classic device numbers probed when listing.
inline constexpr int32_t kFirstClassicDevice = 1;
inline constexpr int32_t kLastClassicDevice = 31;

// The device number a classic record addresses its receiver by.
int32_t ClassicDeviceNumber(const TRadioDevice& record);

class TVelkaro_Vk : public TVelkaro_API {
 public:
  TVelkaro_Vk();
  ~TVelkaro_Vk() override;

  void GetRadioList(TRadioDevice* first, int32_t* count) override;
  bool Open(const TRadioDevice& device) override;
  void Close() override;
  int32_t SetAtten(bool on) override;
  int32_t SetPower(bool on) override;
  int32_t SetBFOOffset(int32_t offset) override;
  int32_t SetIFShift(int32_t shift) override;
  int32_t SetAGC(int32_t setting) override;
  int32_t SetIFGain(int32_t gain) override;
  int32_t SetFrequency(uint32_t word) override;
  uint32_t GetFrequency() override;
  int32_t GetRawSignalStrength() override;
  // True while a device is open: the classic library cannot tell. A reading
  // of 0 or a refused tuning or mode that turns out to come from a receiver
  // that no longer answers closes the device, so that it reads as lost.
  bool IsDeviceConnected() override;
  int32_t SetMode(int32_t mode) override;
  int32_t GetMode() override;

 private:
  struct Functions;

  // Fills `record` from the receiver at `number`; false when it has no known
  // model code.
  bool DescribeDevice(int32_t handle, int32_t number, TRadioDevice& record);
  void CloseDevice();
  bool StillAnswers();
  // Passes a library result on, closing the device when a 0 meant it is gone.
  int32_t CloseIfLost(int32_t result);

  std::unique_ptr<Functions> fn_;
};
