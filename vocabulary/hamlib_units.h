#pragma once
// Hamlib's S-meter unit, STRENGTH: whole dB relative to S9. (Its modes are
// in hamlib_modes.h.)
#include <cstdint>

namespace vocabulary {

// S9 in dBm at a frequency: -73 dBm below 30 MHz, -93 dBm from 30 MHz up.
double S9Dbm(int64_t hz);

// A level as Hamlib's STRENGTH: dB relative to S9, rounded to a whole dB.
int DbOverS9(double dbm, int64_t hz);

}  // namespace vocabulary
