#pragma once
// The receivers a simulated library pretends are attached, read from a small
// text file (see README.md) or taken from the built-in default.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vocabulary/receiver_names.h"
#include "vocabulary/words.h"

namespace sim {

enum class Family { kClassic, kNewer };

struct ReceiverSpec {
  Family family = Family::kClassic;
  // How the control tool names it: "classic:<number>" or the serial number.
  std::string id;
  // Classic family.
  int32_t deviceNumber = 0;
  int32_t modelCode = 0;
  int32_t interfaceCode = 5;
  std::vector<uint32_t> modeEntries;  // bits 0-7 mode code, bits 8-15 sub-code
  // Newer family.
  std::string model;  // "C1" .. "C5"
  std::string serial;
  std::string bus;
  // Both.
  int64_t minHz = 0;
  int64_t maxHz = 0;
  double gainDb = 0;  // this receiver's sensitivity against the family's
};

// A radio that Hamlib controls, served over rigctld's network protocol. Its
// modes are Hamlib's names; attenuator and preamp steps in whole dB, 0 (off)
// not listed.
struct RadioSpec {
  std::string name;  // at most kRadioNameWidth characters
  int64_t minHz = 0;
  int64_t maxHz = 0;
  std::vector<std::string> modes;
  double gainDb = 0;
  std::vector<int32_t> attenuatorSteps;
  std::vector<int32_t> preampSteps;
};

struct Scenario {
  std::vector<ReceiverSpec> receivers;
  std::vector<RadioSpec> radios;
  double noiseDb = 0;               // amplitude of the reading's noise; 0 = none
  bool exclusive = false;           // an open receiver is held against other processes
  std::vector<std::string> errors;  // "line N: ...", for lines that were skipped
};

inline constexpr int32_t kFirstDeviceNumber = 1;
inline constexpr int32_t kLastDeviceNumber = 31;
inline constexpr std::size_t kTextWidth = 8;  // serial number and bus text
// A calibration table names its receiver in 7 characters.
inline constexpr std::size_t kRadioNameWidth = 7;
// The modes a radio line may list, and has when it lists none.
inline constexpr const char* kRadioModes[] = {"AM", "CW", "USB", "LSB", "FM", "WFM"};
// Hamlib keeps at most 7 attenuator or preamp steps.
inline constexpr std::size_t kMostFrontEndSteps = 7;

using vocabulary::ClassicId;

// The program's mode code for a classic mode-list entry (FMN with sub-code 3
// is FM6).
int32_t ModeOfEntry(uint32_t entry);
// The mode codes a receiver can be set to, as its driver lists them.
std::vector<int32_t> ModesOf(const ReceiverSpec& receiver);
// The newer models with FM wide and an RF amplifier.
bool IsFmModel(const ReceiverSpec& receiver);
const RadioSpec* FindRadio(const Scenario& scenario, std::string_view name);

// A frequency as every Orvanta program reads one (vocabulary::ReadFrequency:
// "145.5M", "7100 kHz"); false when it is not one.
bool ParseFrequency(std::string_view text, int64_t& hz);
bool ParseNumber(std::string_view text, double& value);
using vocabulary::Words;

Scenario ParseScenario(std::string_view text);
std::string_view DefaultScenarioText();
// The scenario named by ORVANTA_SIM_SCENARIO, or the default when it is unset.
// An unreadable file gives no receivers and an error.
Scenario LoadScenario(const std::string& path);

inline constexpr const char* kScenarioVariable = "ORVANTA_SIM_SCENARIO";

}  // namespace sim
