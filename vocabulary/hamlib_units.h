#pragma once
// Hamlib's side of a calibration: its mode names as the table's mode codes,
// and its STRENGTH unit, whole dB relative to S9.
#include <cstdint>
#include <string_view>

namespace vocabulary {

// The table mode a Hamlib mode name is calibrated in ("PKTUSB" -> USB);
// CAL_MODE_DEFAULT for a mode the tables have no section of their own for.
int32_t TableModeOfHamlib(std::string_view hamlibMode);

// S9 in dBm at a frequency: -73 dBm below 30 MHz, -93 dBm from 30 MHz up.
double S9Dbm(int64_t hz);

// A level as Hamlib's STRENGTH: dB relative to S9, rounded to a whole dB.
int DbOverS9(double dbm, int64_t hz);

}  // namespace vocabulary
