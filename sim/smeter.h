#pragma once
// The simulated S-meter: what raw reading 0..255 a receiver shows for the
// generator's signal.
#include <cstdint>
#include <limits>
#include <string_view>

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
// The level of a generator whose output is off.
inline constexpr double kNoSignal = -std::numeric_limits<double>::infinity();

inline constexpr double kAttenuatorDb = 20.0;
inline constexpr double kRfAmplifierDb = 10.0;

// The width the simulator's detector hears in a mode.
double BandwidthHz(int32_t mode);

// Sensitivity against frequency: a smooth ripple of a few dB, so that tables
// taken at different frequencies differ.
double FrequencyGainDb(int64_t hz);
double ModeGainDb(int32_t mode);
// How much a signal `offsetHz` away from the tuned frequency is rejected.
double SelectivityDb(int64_t offsetHz, int32_t mode);

// The level at the detector for a generator level and frequency.
double DetectorLevelDbm(const ReceiverSpec& receiver, const Tuning& tuning, double generatorDbm,
                        int64_t generatorHz);

// How one receiver's meter follows the level at its detector. Real meters are
// no straight lines: the slope wanders along the range, the receiver's own
// noise holds the reading up at the bottom, and the top compresses. Every
// receiver has its own curve, derived from its identity, as two units of one
// model differ.
struct SMeterCurve {
  double noiseFloorDbm = -121;  // in AM's bandwidth; wider modes hear more noise
  double rawAtFloor = 4;        // the reading with no signal
  double stepsPerDb = 2.1;      // mean slope above the floor
  double slopeRipple = 0.3;     // share by which the slope varies, below 1
  double ripplePeriodDb = 30;
  double ripplePhase = 0;  // radians
  double knee = 200;       // raw value where compression sets in
};
SMeterCurve CurveOf(const ReceiverSpec& receiver);
SMeterCurve CurveOf(std::string_view identity);

// The reading for a signal at the detector (kNoSignal for none), `jitterDb`
// added to what the detector hears, the receiver's own noise raised by
// `noiseRiseDb`. Never decreases with level.
int32_t RawReading(const SMeterCurve& curve, int32_t mode, double detectorDbm, double jitterDb = 0,
                   double noiseRiseDb = 0);

// What the receiver reads when fed `generatorDbm` on its tuned frequency,
// without noise, as the drivers leave it (attenuator off; the FM-capable newer
// models with their RF amplifier on).
int32_t ModelReading(const ReceiverSpec& receiver, int64_t hz, int32_t mode, double generatorDbm);

// A radio that Hamlib controls, as tuned through rigctld: a Hamlib mode name,
// and its attenuator and preamp in dB (0 off).
struct RadioTuning {
  int64_t hz = 0;
  std::string_view mode = "AM";
  int32_t attenuatorDb = 0;
  int32_t preampDb = 0;
};

// The share of the preamp's gain by which the noise floor referred to the
// input falls: the preamp adds noise of its own, so less than all of it.
inline constexpr double kPreampFloorShare = 0.6;

// The simulator's mode code for a Hamlib mode name (FM is narrow FM, WFM wide
// FM); -1, the default mode, for any other.
int32_t ModeOfRadioMode(std::string_view hamlibMode);

// The radio's raw reading (RAWSTR, 0..255) for a generator level and frequency.
int32_t RadioReading(const RadioSpec& radio, const RadioTuning& tuning, double generatorDbm, int64_t generatorHz,
                     double jitterDb = 0);

}  // namespace sim
