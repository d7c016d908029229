#include "sim/smeter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace sim {
namespace {

// Raw steps per dB over the 10 dB above `dbm` at the detector, in AM.
double Slope(const SMeterCurve& curve, double dbm) {
  return (RawReading(curve, 1, dbm + 10) - RawReading(curve, 1, dbm)) / 10.0;
}

TEST(SMeter, EachReceiverHasARealisticCurveOfItsOwn) {
  const Scenario scenario = ParseScenario(DefaultScenarioText());
  std::set<std::vector<int32_t>> distinctCurves;
  for (const ReceiverSpec& receiver : scenario.receivers) {
    SCOPED_TRACE(receiver.id);
    const SMeterCurve curve = CurveOf(receiver);
    std::vector<int32_t> readings;
    for (double dbm = -170; dbm <= 40; dbm += 0.1) {
      readings.push_back(RawReading(curve, 1, dbm));
      ASSERT_LE(readings.back(), 255);
      if (readings.size() > 1) {
        ASSERT_GE(readings.back(), readings[readings.size() - 2]) << dbm;
      }
    }
    distinctCurves.insert(readings);
    // The receiver's own noise: no signal reads a little above 0, and a
    // signal well below the noise changes nothing.
    const int32_t silent = RawReading(curve, 1, kNoSignal);
    EXPECT_GT(silent, 0);
    EXPECT_LT(silent, 12);
    EXPECT_EQ(RawReading(curve, 1, curve.noiseFloorDbm - 30), silent);
    // A soft floor: the reading leaves it gradually ...
    EXPECT_LT(Slope(curve, curve.noiseFloorDbm - 20), curve.stepsPerDb / 8);
    EXPECT_LT(Slope(curve, curve.noiseFloorDbm - 10), curve.stepsPerDb / 2);
    // ... then the slope wanders along the range ...
    std::vector<double> slopes;
    for (double dbm = curve.noiseFloorDbm + 15; dbm < curve.noiseFloorDbm + 60; dbm += 5)
      slopes.push_back(Slope(curve, dbm));
    const auto [least, most] = std::minmax_element(slopes.begin(), slopes.end());
    EXPECT_GT(*most, 1.3 * *least);
    // ... and compresses near the top.
    EXPECT_LT(Slope(curve, 10), curve.stepsPerDb / 2);
    // A wider mode hears more noise: a weak signal that CW still shows is lost
    // in FM wide.
    EXPECT_GT(RawReading(curve, 0, curve.noiseFloorDbm - 15), RawReading(curve, 0, kNoSignal));
    EXPECT_EQ(RawReading(curve, 3, curve.noiseFloorDbm - 15), RawReading(curve, 3, kNoSignal));
  }
  EXPECT_EQ(distinctCurves.size(), scenario.receivers.size());
}

TEST(SMeter, GainDependsOnFrequencyModeAndAttenuator) {
  const ReceiverSpec receiver;
  auto level = [&](int64_t hz, int32_t mode, bool attenuator) {
    return DetectorLevelDbm(receiver, Tuning{hz, mode, attenuator, false}, -60, kTrackingGenerator);
  };
  EXPECT_GT(std::abs(level(1'000'000, 1, false) - level(7'000'000, 1, false)), 1.0);
  EXPECT_NE(level(7'000'000, 0, false), level(7'000'000, 3, false));
  EXPECT_DOUBLE_EQ(level(7'000'000, 1, false) - level(7'000'000, 1, true), kAttenuatorDb);
}

TEST(SMeter, RejectsASignalAwayFromTheTunedFrequency) {
  const ReceiverSpec receiver;
  const Tuning tuning{10'000'000, 1, false, false};  // AM, 6 kHz wide
  const double onFrequency = DetectorLevelDbm(receiver, tuning, -60, 10'000'000);
  EXPECT_DOUBLE_EQ(DetectorLevelDbm(receiver, tuning, -60, 10'002'000), onFrequency);
  EXPECT_LT(DetectorLevelDbm(receiver, tuning, -60, 10'006'000), onFrequency - 30);
  EXPECT_DOUBLE_EQ(DetectorLevelDbm(receiver, tuning, -60, 20'000'000), onFrequency - 100);
}

}  // namespace
}  // namespace sim
