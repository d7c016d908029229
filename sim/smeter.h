#pragma once
// The simulated S-meter: what raw reading 0..255 a receiver shows for the
// generator's signal.
#include <cstdint>

#include "sim/scenario.h"

namespace sim {

struct Tuning {
  int64_t hz = 0;
  int32_t mode = -1;  // the program's mode codes; -1 the default mode
  bool attenuator = false;
  bool rfAmplifier = false;
};

// A generator frequency of 0 follows whatever frequency the receiver is tuned
// to, so that every receiver sees the signal.
inline constexpr int64_t kTrackingGenerator = 0;

inline constexpr double kAttenuatorDb = 20.0;
inline constexpr double kRfAmplifierDb = 10.0;

// Sensitivity against frequency: a smooth ripple of a few dB, so that tables
// taken at different frequencies differ.
double FrequencyGainDb(int64_t hz);
double ModeGainDb(int32_t mode);
// How much a signal `offsetHz` away from the tuned frequency is rejected.
double SelectivityDb(int64_t offsetHz, int32_t mode);

// The level at the detector for a generator level and frequency.
double DetectorLevelDbm(const ReceiverSpec& receiver, const Tuning& tuning, double generatorDbm,
                        int64_t generatorHz);

// 2 raw steps per dB over the 100 dB from -120 dBm to -20 dBm, then
// compressing into 255 at +35 dBm; 0 at and below -120 dBm. Never decreases
// with level.
int32_t RawFromDetectorLevel(double dbm);

}  // namespace sim
