#pragma once
// How operators name a receiver, the same in every program: by its classic
// device number ("classic:2", the one name two classic receivers of one
// model never share), its serial number ("C4000815", newer family), or its
// name or model ("Halv-B3", "HalvoC4", "Halv-C4WM"); letter case is ignored.
// And the maker's names of each model, which the drivers and the simulators
// both need.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vocabulary {

// A model's names: the seven-character receiver name the calibration tables
// use, and the model text the device list shows.
struct ModelNames {
  std::string name;
  std::string model;
};

// A classic model code as the classic library reports it; nothing for a code
// of no known model.
std::optional<ModelNames> ClassicModelNames(int32_t modelCode);
// A newer-family model, "C1" .. "C5".
std::optional<ModelNames> NewerModelNames(std::string_view family);

// "classic:2".
std::string ClassicId(int32_t deviceNumber);

// Every name of one attached receiver.
struct ReceiverForms {
  int32_t classicNumber = 0;  // classic family; 0 for the newer family
  std::string serial;         // newer family; empty for the classic family
  ModelNames names;           // empty when the model is not known

  // "classic:2" or the serial number: the name only this receiver has.
  std::string Unique() const;
  // Every form, the unique one first: "classic:2 (Halv-B3)",
  // "C4000815 (HalvoC4, Halv-C4WM)".
  std::string Text() const;
};

// No receiver, or more than one, answers to the name; the message says which
// names there are to choose from.
class ReceiverNotFound : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The index of the receiver `wanted` names. A classic id or serial number
// names one receiver; a name or model may fit several, which is refused
// rather than guessed.
std::size_t ResolveReceiver(std::span<const ReceiverForms> receivers, std::string_view wanted);

}  // namespace vocabulary
