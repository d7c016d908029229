#pragma once
// The driver of radios that Hamlib controls: every radio of a list the
// program is given (a radios file, a command line), reached through
// libhamlib, which is loaded at run time only when there are radios.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "receivers/velkaro_api.h"

// One radio as the operator names it.
struct THamlibRadio {
  std::string Name;         // the calibration tables' receiver name
  int32_t Model = 0;        // Hamlib's model number (2: a rigctld on the network)
  std::string Address;      // a device file, or HOST:PORT for model 2
  int32_t SerialSpeed = 0;  // baud; 0 the model's default
};

// Hamlib's network client, which talks to a rigctld.
inline constexpr int32_t kHamlibNetworkModel = 2;
// A calibration table names its receiver in this many characters at most.
inline constexpr std::size_t kRadioNameWidth = 7;
bool IsRadioName(std::string_view name);
// The receiver name of the radio's calibration tables: its name filled up
// with blanks to 7 characters, as a CAL file reads a shorter name back.
std::string CalReceiverName(std::string_view radioName);

// The attenuator and preamp settings of a run, in dB; 0 off.
struct THamlibFrontEnd {
  int32_t AttenuatorDb = 0;
  int32_t PreampDb = 0;
};

class TVelkaro_Hamlib : public TVelkaro_API {
 public:
  explicit TVelkaro_Hamlib(std::vector<THamlibRadio> radios);
  ~TVelkaro_Hamlib() override;

  // Opens each radio in turn and lists those that answer, interface "Hamlib",
  // model Hamlib's name for it.
  void GetRadioList(TRadioDevice* first, int32_t* count) override;
  bool Open(const TRadioDevice& device) override;
  void Close() override;
  // The radio's first attenuator step, or off.
  int32_t SetAtten(bool on) override;
  // The radio stays as it is: 1 while open.
  int32_t SetPower(bool on) override;
  // Not offered through Hamlib: 0.
  int32_t SetBFOOffset(int32_t offset) override;
  int32_t SetIFShift(int32_t shift) override;
  int32_t SetAGC(int32_t setting) override;
  int32_t SetIFGain(int32_t gain) override;
  int32_t SetFrequency(uint32_t word) override;
  uint32_t GetFrequency() override;
  // RAWSTR.
  int32_t GetRawSignalStrength() override;
  // False once a call has failed for want of an answer: the radio is lost
  // until it is opened again.
  bool IsDeviceConnected() override;
  // The default mode leaves the radio's mode alone.
  int32_t SetMode(int32_t mode) override;
  int32_t GetMode() override;

  // Hamlib's name of a model ("IC-7300"); empty when it has none.
  std::string ModelName(int32_t model);

  // Sets the open radio's attenuator and preamp; a setting the radio does not
  // have gives a message saying so, and nothing is changed.
  std::optional<std::string> SetFrontEnd(const THamlibFrontEnd& frontEnd);

 private:
  struct Functions;
  struct Rig;

  std::unique_ptr<Rig> OpenRadio(const THamlibRadio& radio);
  bool Succeeded(int status);

  std::vector<THamlibRadio> radios_;
  std::unique_ptr<Functions> fn_;
  std::unique_ptr<Rig> rig_;
  bool lost_ = false;
};
