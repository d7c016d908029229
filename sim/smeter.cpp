#include "sim/smeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string_view>
#include <utility>

namespace sim {
namespace {

constexpr double kStopbandDb = 100.0;

}  // namespace

double BandwidthHz(int32_t mode) {
  switch (mode) {
    case 0:
      return 500;  // CW
    case 1:
      return 6000;  // AM
    case 2:
      return 12000;  // FMN
    case 3:
      return 150000;  // FMW
    case 4:
    case 5:
      return 2400;  // LSB, USB
    case 6:
      return 50000;  // FMM
    case 7:
      return 6000;  // FM6
    default:
      return 15000;
  }
}

double FrequencyGainDb(int64_t hz) {
  const double mhz = std::max(static_cast<double>(hz), 1e3) / 1e6;
  return 3.0 * std::sin(1.9 * std::log(mhz)) - 1.5 * std::log10(mhz);
}

double ModeGainDb(int32_t mode) {
  switch (mode) {
    case 0:
      return 3.0;
    case 2:
      return -2.0;
    case 3:
      return -5.0;
    case 4:
    case 5:
      return 1.5;
    case 6:
      return -3.0;
    case 7:
      return -1.0;
    default:
      return 0.0;
  }
}

double SelectivityDb(int64_t offsetHz, int32_t mode) {
  const double halfBandwidth = BandwidthHz(mode) / 2;
  const double outside = std::abs(static_cast<double>(offsetHz)) - halfBandwidth;
  if (outside <= 0) return 0;
  return std::min(kStopbandDb, 40.0 * outside / halfBandwidth);
}

namespace {

// The generator's signal as any simulated set takes it in, before the
// attenuator and amplifier of its front end.
double ReceivedDbm(double gainDb, int64_t hz, int32_t mode, double generatorDbm, int64_t generatorHz) {
  const int64_t offset = generatorHz == kTrackingGenerator ? 0 : generatorHz - hz;
  return generatorDbm + gainDb + FrequencyGainDb(hz) + ModeGainDb(mode) - SelectivityDb(offset, mode);
}

}  // namespace

double DetectorLevelDbm(const ReceiverSpec& receiver, const Tuning& tuning, double generatorDbm,
                        int64_t generatorHz) {
  return ReceivedDbm(receiver.gainDb, tuning.hz, tuning.mode, generatorDbm, generatorHz) -
         (tuning.attenuator ? kAttenuatorDb : 0) + (tuning.rfAmplifier ? kRfAmplifierDb : 0);
}

namespace {

constexpr double kAmBandwidthHz = 6000;
constexpr double kTopAsymptote = 262;  // reached only far beyond +13 dBm; 255 a little before

uint64_t Fnv1a(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// Numbers 0..1 drawn from a receiver's identity, the same on every machine.
class IdentityDraws {
 public:
  explicit IdentityDraws(std::string_view identity) : state_(Fnv1a(identity)) {}
  double Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<double>((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
  }

 private:
  uint64_t state_;
};

}  // namespace

SMeterCurve CurveOf(const ReceiverSpec& receiver) { return CurveOf(receiver.id); }

SMeterCurve CurveOf(std::string_view identity) {
  IdentityDraws draw(identity);
  SMeterCurve curve;
  curve.noiseFloorDbm = -123 + 4 * draw.Next();
  curve.rawAtFloor = 2 + 6 * draw.Next();
  curve.stepsPerDb = 1.9 + 0.5 * draw.Next();
  curve.slopeRipple = 0.2 + 0.25 * draw.Next();
  curve.ripplePeriodDb = 24 + 20 * draw.Next();
  curve.ripplePhase = 2 * std::numbers::pi * draw.Next();
  curve.knee = 185 + 25 * draw.Next();
  return curve;
}

int32_t RawReading(const SMeterCurve& curve, int32_t mode, double detectorDbm, double jitterDb,
                   double noiseRiseDb) {
  // The detector hears the signal and the receiver's own noise together.
  const double floorDbm = curve.noiseFloorDbm + 10 * std::log10(BandwidthHz(mode) / kAmBandwidthHz);
  const double heard = 10 * std::log10(std::pow(10.0, detectorDbm / 10) +
                                       std::pow(10.0, (floorDbm + noiseRiseDb) / 10)) +
                       jitterDb;
  // The slope s(1 + r sin(k x + p)), integrated from the floor; r < 1 keeps it
  // rising.
  const double x = heard - floorDbm;
  const double k = 2 * std::numbers::pi / curve.ripplePeriodDb;
  const double wander =
      curve.slopeRipple / k * (std::cos(curve.ripplePhase) - std::cos(k * x + curve.ripplePhase));
  const double linear = curve.rawAtFloor + curve.stepsPerDb * (x + wander);
  // Above the knee the reading bends smoothly (same slope at the knee) towards
  // the asymptote.
  const double headroom = kTopAsymptote - curve.knee;
  const double raw = linear <= curve.knee
                         ? linear
                         : curve.knee + headroom * (1 - std::exp(-(linear - curve.knee) / headroom));
  return std::clamp(static_cast<int32_t>(std::lround(raw)), 0, 255);
}

int32_t ModelReading(const ReceiverSpec& receiver, int64_t hz, int32_t mode, double generatorDbm) {
  const Tuning tuning{hz, mode, false, IsFmModel(receiver)};
  return RawReading(CurveOf(receiver), mode,
                    DetectorLevelDbm(receiver, tuning, generatorDbm, kTrackingGenerator));
}

int32_t ModeOfRadioMode(std::string_view hamlibMode) {
  constexpr std::pair<std::string_view, int32_t> kModes[] = {{"CW", 0}, {"AM", 1},  {"FM", 2},
                                                             {"WFM", 3}, {"LSB", 4}, {"USB", 5}};
  for (const auto& [name, code] : kModes)
    if (name == hamlibMode) return code;
  return -1;
}

int32_t RadioReading(const RadioSpec& radio, const RadioTuning& tuning, double generatorDbm, int64_t generatorHz,
                     double jitterDb) {
  const int32_t mode = ModeOfRadioMode(tuning.mode);
  // The attenuator lowers signal and outside noise alike, ahead of the
  // receiver's own noise; the preamp lifts the signal by its gain and the
  // receiver's noise by the part of it that its own noise does not cancel.
  const double detectorDbm =
      ReceivedDbm(radio.gainDb, tuning.hz, mode, generatorDbm, generatorHz) - tuning.attenuatorDb + tuning.preampDb;
  const double noiseRiseDb = tuning.preampDb * (1 - kPreampFloorShare);
  return RawReading(CurveOf(radio.name), mode, detectorDbm, jitterDb, noiseRiseDb);
}

}  // namespace sim
