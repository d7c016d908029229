#pragma once
// The radios Hamlib controls that the calibrator lists, one per line of
// $XDG_CONFIG_HOME/orvanta/radios (~/.config/orvanta/radios by default):
//
//   # NAME MODEL ADDRESS [speed=BAUD]
//   IC7300  3073 /dev/ttyUSB0 speed=19200
//   SimRig  2    127.0.0.1:4532
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "receivers/hamlib_radio.h"

struct TRadiosFile {
  std::vector<THamlibRadio> radios;  // the lines that could be read
  // One message naming every line that could not ("line 3: ..."), or empty.
  std::string problems;
};

TRadiosFile ParseRadiosFile(std::string_view text);
std::filesystem::path RadiosFilePath();
// No file: no radios and no problems.
TRadiosFile LoadRadiosFile(const std::filesystem::path& path);
