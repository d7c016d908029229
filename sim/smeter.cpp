#include "sim/smeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sim {
namespace {

constexpr double kFloorDbm = -120.0;
constexpr double kStepsPerDb = 2.0;
constexpr double kLinearTop = 200.0;  // raw value where compression starts
constexpr double kHeadroom = 255 - kLinearTop;
constexpr double kStopbandDb = 100.0;

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

}  // namespace

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

double DetectorLevelDbm(const ReceiverSpec& receiver, const Tuning& tuning, double generatorDbm,
                        int64_t generatorHz) {
  const int64_t offset = generatorHz == kTrackingGenerator ? 0 : generatorHz - tuning.hz;
  return generatorDbm + receiver.gainDb + FrequencyGainDb(tuning.hz) + ModeGainDb(tuning.mode) -
         (tuning.attenuator ? kAttenuatorDb : 0) + (tuning.rfAmplifier ? kRfAmplifierDb : 0) -
         SelectivityDb(offset, tuning.mode);
}

int32_t RawFromDetectorLevel(double dbm) {
  const double linear = kStepsPerDb * (dbm - kFloorDbm);
  if (!(linear > 0)) return 0;
  // Above the linear range the slope falls off evenly to 0 at 255.
  const double over = std::min(std::max(linear - kLinearTop, 0.0), 2 * kHeadroom);
  const double raw = std::min(linear, kLinearTop) + over - over * over / (4 * kHeadroom);
  return std::clamp(static_cast<int32_t>(std::lround(raw)), 0, 255);
}

}  // namespace sim
