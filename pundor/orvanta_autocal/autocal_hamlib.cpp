#include "autocal_hamlib.h"

#include <cmath>
#include <stdexcept>
#include <string_view>

#include "autocal_options.h"

namespace {

constexpr std::string_view kPrefix = "hamlib:";

int32_t WholeNumber(const std::string& option, std::string_view text, int32_t lowest) {
  double value = 0;
  if (!autocal::ParseDouble(text, value) || value != std::floor(value) || value < lowest || value > 1e9)
    throw UsageError(option + ": \"" + std::string(text) + "\" is not a whole number of at least " +
                     std::to_string(lowest));
  return static_cast<int32_t>(value);
}

// ATT=DB,PREAMP=DB, either or both.
THamlibFrontEnd ParseFrontEnd(const std::string& text) {
  THamlibFrontEnd frontEnd;
  std::string_view rest = text;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    const auto equals = item.find('=');
    const std::string_view key = item.substr(0, equals);
    if (equals == std::string_view::npos || (key != "ATT" && key != "PREAMP"))
      throw UsageError("--front-end: \"" + std::string(item) + "\" is not ATT=DB or PREAMP=DB");
    (key == "ATT" ? frontEnd.AttenuatorDb : frontEnd.PreampDb) =
        WholeNumber("--front-end " + std::string(key), item.substr(equals + 1), 0);
  }
  return frontEnd;
}

}  // namespace

bool IsHamlibReceiver(const std::string& receiver) { return receiver.starts_with(kPrefix); }

HamlibReceiver ParseHamlibReceiver(const std::string& receiver, const std::optional<std::string>& serialSpeed,
                                   const std::optional<std::string>& name,
                                   const std::optional<std::string>& frontEnd) {
  const std::string_view rest = std::string_view(receiver).substr(kPrefix.size());
  const auto colon = rest.find(':');
  if (colon == std::string_view::npos || colon + 1 == rest.size())
    throw UsageError("--receiver: \"" + receiver + "\" is not hamlib:MODEL:ADDRESS");
  HamlibReceiver hamlib;
  hamlib.radio.Model = WholeNumber("--receiver hamlib: MODEL", rest.substr(0, colon), 1);
  hamlib.radio.Address = rest.substr(colon + 1);
  if (serialSpeed) hamlib.radio.SerialSpeed = WholeNumber("--serial-speed", *serialSpeed, 1);
  if (name && !IsRadioName(*name))
    throw UsageError("--name: \"" + *name + "\" is not a receiver name (1 to 7 characters, no blanks)");
  if (name) hamlib.radio.Name = *name;
  if (!name && hamlib.radio.Model == kHamlibNetworkModel)
    throw UsageError("--name is needed for Hamlib's model 2 (a rigctld), which names no radio");
  if (frontEnd) hamlib.frontEnd = ParseFrontEnd(*frontEnd);
  return hamlib;
}

std::unique_ptr<TVelkaro_Hamlib> HamlibDriverFor(AutocalOptions& options) {
  THamlibRadio& radio = options.hamlib->radio;
  auto driver = std::make_unique<TVelkaro_Hamlib>(std::vector<THamlibRadio>{radio});
  if (!driver->IsAvailable()) throw std::runtime_error("cannot load libhamlib (is Hamlib installed?)");
  if (radio.Name.empty()) {
    radio.Name = driver->ModelName(radio.Model).substr(0, kRadioNameWidth);
    if (!IsRadioName(radio.Name))
      throw UsageError("Hamlib's model " + std::to_string(radio.Model) +
                       " gives no receiver name: give --name");
    driver = std::make_unique<TVelkaro_Hamlib>(std::vector<THamlibRadio>{radio});
  }
  options.receiver = CalReceiverName(radio.Name);
  return driver;
}

void ApplyFrontEnd(const TRadioDevice& device, const AutocalOptions& options) {
  if (!options.hamlib || !options.hamlib->frontEnd) return;
  auto* driver = dynamic_cast<TVelkaro_Hamlib*>(device.Driver);
  if (!driver) throw std::runtime_error(std::string(device.Name) + " is not a radio Hamlib controls");
  if (const auto refusal = driver->SetFrontEnd(*options.hamlib->frontEnd)) throw std::runtime_error(*refusal);
}

std::string FrontEndText(const AutocalOptions& options) {
  if (!options.hamlib || !options.hamlib->frontEnd) return "";
  const THamlibFrontEnd& frontEnd = *options.hamlib->frontEnd;
  return ", front end ATT=" + std::to_string(frontEnd.AttenuatorDb) +
         " dB, PREAMP=" + std::to_string(frontEnd.PreampDb) + " dB";
}
