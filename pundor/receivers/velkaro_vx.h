#pragma once
// The drivers of the newer receiver family: one library per model, the
// receivers addressed by serial number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "receivers/velkaro_api.h"
#include "vocabulary/receiver_names.h"

// One entry of the list that "VxGetRadioList2" writes; entries lie back to
// back. Texts are terminated only when shorter than their 8 characters.
#pragma pack(push, 1)
struct TVxRadioListEntry {
  uint8_t Reserved1[4];
  char Serial[8];
  uint8_t Reserved2;
  char Bus[8];
  uint8_t Reserved3;
  int32_t MinFreq;   // Hz
  uint32_t MaxFreq;  // Hz
  uint8_t Reserved4[166];
};
#pragma pack(pop)

static_assert(sizeof(TVxRadioListEntry) == 196);
static_assert(offsetof(TVxRadioListEntry, Serial) == 4);
static_assert(offsetof(TVxRadioListEntry, Bus) == 13);
static_assert(offsetof(TVxRadioListEntry, MinFreq) == 22);
static_assert(offsetof(TVxRadioListEntry, MaxFreq) == 26);

// The list buffer handed to "VxGetRadioList2": 32 entries, 6272 bytes.
using TVxRadioList = std::array<TVxRadioListEntry, kMaxDriverDevices>;
static_assert(sizeof(TVxRadioList) == 6272);

// Interface text of a bus text: "PCI", "USB" or "Serial" by substring in
// upper case, in that order; anything else "PCI".
const char* VxInterfaceText(const char* bus, std::size_t maxLength);

class TVelkaro_Vx : public TVelkaro_API {
 public:
  ~TVelkaro_Vx() override;

  void GetRadioList(TRadioDevice* first, int32_t* count) override;
  bool Open(const TRadioDevice& device) override;
  void Close() override;
  int32_t SetAtten(bool on) override;
  int32_t SetPower(bool on) override;
  // No library call: 1 while a device is open.
  int32_t SetBFOOffset(int32_t offset) override;
  int32_t SetIFShift(int32_t shift) override;
  int32_t SetAGC(int32_t setting) override;
  int32_t SetIFGain(int32_t gain) override;
  // Waits 100 ms after a successful tuning, so that the next reading is
  // taken at the new frequency.
  int32_t SetFrequency(uint32_t word) override;
  uint32_t GetFrequency() override;
  int32_t GetRawSignalStrength() override;
  bool IsDeviceConnected() override;
  // C1, C3: no selectable mode; every mode is accepted while open.
  int32_t SetMode(int32_t mode) override;
  int32_t GetMode() override;

 protected:
  // `family`: "C1" .. "C5", which gives the receiver name and model text.
  TVelkaro_Vx(const char* libraryName, std::string_view family);

  // The pause after a successful tuning.
  virtual void WaitAfterTuning();
  // The library is bound but an extra entry point is missing.
  void MarkUnavailable();

 private:
  struct Functions;

  void CloseDevice();

  std::unique_ptr<Functions> fn_;
  vocabulary::ModelNames names_;
};

// Halv-C1 ("vxaapi.dll").
class TVelkaro_C1 : public TVelkaro_Vx {
 public:
  TVelkaro_C1();
};

// Halv-C3M ("vxcapi.dll").
class TVelkaro_C3 : public TVelkaro_Vx {
 public:
  TVelkaro_C3();
};

// Halv-C2 ("vxbapi.dll") and the base of the other FM-capable models: FM wide
// (mode 3) besides the default mode, and an RF amplifier switched on when
// opening.
class TVelkaro_C2 : public TVelkaro_Vx {
 public:
  TVelkaro_C2();
  ~TVelkaro_C2() override;

  void GetRadioList(TRadioDevice* first, int32_t* count) override;
  bool Open(const TRadioDevice& device) override;
  // -1: FM wide off and AGC 2; 3: FM wide on; anything else refused.
  int32_t SetMode(int32_t mode) override;
  int32_t GetMode() override;

 protected:
  TVelkaro_C2(const char* libraryName, std::string_view family);

 private:
  struct FmFunctions;

  std::unique_ptr<FmFunctions> fm_;
};

// Halv-C4WM ("vxdapi.dll").
class TVelkaro_C4 : public TVelkaro_C2 {
 public:
  TVelkaro_C4();
};

// Halv-C5TC ("vxeapi.dll").
class TVelkaro_C5 : public TVelkaro_C2 {
 public:
  TVelkaro_C5();
};
