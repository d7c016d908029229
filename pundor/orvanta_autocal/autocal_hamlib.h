#pragma once
// A radio Hamlib controls as orvanta-autocal's receiver:
// --receiver hamlib:MODEL:ADDRESS [--serial-speed BAUD] [--name NAME]
// [--front-end ATT=DB,PREAMP=DB].
#include <memory>
#include <optional>
#include <string>

#include "receivers/hamlib_radio.h"

struct AutocalOptions;

struct HamlibReceiver {
  THamlibRadio radio;  // Name empty until the model's name is known
  std::optional<THamlibFrontEnd> frontEnd;
};

bool IsHamlibReceiver(const std::string& receiver);
// Raises UsageError.
HamlibReceiver ParseHamlibReceiver(const std::string& receiver, const std::optional<std::string>& serialSpeed,
                                   const std::optional<std::string>& name,
                                   const std::optional<std::string>& frontEnd);

// The driver of the run's radio. Names the radio after Hamlib's model, cut to
// 7 characters, when no --name was given, and makes it the receiver the run
// looks for. Raises std::runtime_error when libhamlib cannot be loaded.
std::unique_ptr<TVelkaro_Hamlib> HamlibDriverFor(AutocalOptions& options);

// Sets the open radio's attenuator and preamp as --front-end asks; raises
// std::runtime_error when it lacks a setting. Nothing without --front-end.
void ApplyFrontEnd(const TRadioDevice& device, const AutocalOptions& options);
// ", front end ATT=12 dB, PREAMP=0 dB" for the step log's settings, or "".
std::string FrontEndText(const AutocalOptions& options);
