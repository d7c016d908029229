#pragma once
// The abstract receiver driver, the record of one found receiver, and the
// 32-bit frequency word that crosses the receiver-library boundary.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/dynamic_library.h"

class TVelkaro_API;

// Room in TRadioDevice::Modes.
inline constexpr int kMaxModes = 16;
// The most records one driver's GetRadioList writes (31 classic device
// numbers, 32 newer-family list entries): the room its caller provides.
inline constexpr int kMaxDriverDevices = 32;

// One receiver found by GetRadioList. Texts are NUL-terminated.
struct TRadioDevice {
  char Interface[16];  // "ISA", "Serial", "PCMCIA", "PCI", "USB" or empty
  char Name[32];       // the receiver name of the calibration tables (7 characters)
  char Model[32];      // shown in the device list
  int32_t MinFreq;     // Hz
  int32_t Modes[kMaxModes];
  int32_t ModeCount;
  int64_t MaxFreq;  // Hz
  // What the library's open function takes: the classic device number as a
  // 32-bit integer in the first four bytes, or the newer family's serial
  // number as text.
  char Address[16];
  TVelkaro_API* Driver;  // Open is always called on this driver with this record
};

// Frequency word: top bit clear, the value is in Hz; top bit set, the low 31
// bits are in units of 10 Hz.
inline constexpr uint32_t kTenHzWordFlag = 0x80000000u;
// Frequencies up to this many Hz are sent in Hz (a margin below 2^31).
inline constexpr int64_t kLargestHzWord = 2'147'000'000;

// Negative frequencies become 0; frequencies beyond the 10 Hz range saturate.
uint32_t EncodeFrequencyWord(int64_t hz);
int64_t DecodeFrequencyWord(uint32_t word);

// Mode codes of TRadioDevice::Modes, SetMode and GetMode.
enum ModeCode : int32_t {
  kModeDefault = -1,
  kModeCW = 0,
  kModeAM = 1,
  kModeFMN = 2,
  kModeFMW = 3,
  kModeLSB = 4,
  kModeUSB = 5,
  kModeFMM = 6,
  kModeFM6 = 7,
};

// A driver wraps one receiver-control library, bound at construction. A
// library that cannot be bound makes the driver silently unavailable: it
// lists nothing and opens nothing. Failures are results, never exceptions.
// While no device is open every operation from SetAtten on calls nothing and
// returns 0 (false), GetMode -1.
//
// The Set... results: the classic driver passes the library's 32-bit result
// on unchanged; the newer-family drivers return 1 when the library result is
// non-zero, else 0.
class TVelkaro_API {
 public:
  TVelkaro_API() = default;
  TVelkaro_API(const TVelkaro_API&) = delete;
  TVelkaro_API& operator=(const TVelkaro_API&) = delete;

  // Sets *count to 0, then writes up to kMaxDriverDevices records from
  // `first` on and sets *count to the number written. Opens and closes
  // devices internally; call it only while this driver holds no device.
  virtual void GetRadioList(TRadioDevice* first, int32_t* count) = 0;
  // Closes any device this driver holds, then opens and prepares `device`.
  virtual bool Open(const TRadioDevice& device) = 0;
  // Powers the open device off and closes it; nothing when none is open.
  virtual void Close() = 0;
  virtual int32_t SetAtten(bool on) = 0;
  virtual int32_t SetPower(bool on) = 0;
  virtual int32_t SetBFOOffset(int32_t offset) = 0;
  virtual int32_t SetIFShift(int32_t shift) = 0;
  virtual int32_t SetAGC(int32_t setting) = 0;
  virtual int32_t SetIFGain(int32_t gain) = 0;
  virtual int32_t SetFrequency(uint32_t word) = 0;
  virtual uint32_t GetFrequency() = 0;
  // 0..255.
  virtual int32_t GetRawSignalStrength() = 0;
  virtual bool IsDeviceConnected() = 0;
  virtual int32_t SetMode(int32_t mode) = 0;
  virtual int32_t GetMode() = 0;
  virtual ~TVelkaro_API() = default;

  bool IsAvailable() const { return library_ != nullptr; }
  bool IsOpen() const { return device_ != kNoDevice; }

 protected:
  static constexpr int32_t kNoDevice = -1;

  // The library's raw reading brought into the range the program works with.
  static int32_t ClampRaw(int32_t raw);

  std::unique_ptr<platform::DynamicLibrary> library_;  // null: unavailable
  int32_t device_ = kNoDevice;                         // the library's device handle
};
