#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "strength.h"

namespace fendrel {
namespace {

constexpr uint8_t kRaw = 17;

CalMode modeWith(std::initializer_list<std::pair<int64_t, int32_t>> points) {
  CalMode mode(1);
  for (const auto& [frequency, value] : points) {
    auto point = std::make_unique<CalPoint>();
    point->Frequency = frequency;
    point->Values[kRaw] = value;
    mode.Points.push_back(std::move(point));
  }
  return mode;
}

double levelAt(const CalMode& mode, int64_t frequency) { return convertReading(mode, kRaw, frequency).dBm; }

TEST(ConvertReading, InterpolatesInFrequencyWithoutExtrapolating) {
  const CalMode mode = modeWith({{10000000, -800}, {20000000, -700}});
  EXPECT_DOUBLE_EQ(levelAt(mode, 12500000), -77.5);
  EXPECT_DOUBLE_EQ(levelAt(mode, 5000000), -80.0);
  EXPECT_DOUBLE_EQ(levelAt(mode, 25000000), -70.0);
  EXPECT_EQ(levelAt(mode, 20000000), -70.0);
  EXPECT_EQ(levelAt(mode, 10000000), -80.0);
}

TEST(ConvertReading, UsesASinglePointEverywhere) {
  const CalMode mode = modeWith({{14000000, -555}});
  EXPECT_EQ(levelAt(mode, INT64_MIN), -55.5);
  EXPECT_EQ(levelAt(mode, INT64_MAX), -55.5);
}

TEST(ConvertReading, SpansFrequenciesWhoseDifferenceOverflowsSignedArithmetic) {
  const CalMode mode = modeWith({{INT64_MIN, -1000}, {INT64_MAX, -500}});
  EXPECT_NEAR(levelAt(mode, 0), -75.0, 1e-9);
}

TEST(ConvertReading, GivesVoltagesAndSUnits) {
  const Strength s8 = convertReading(modeWith({{0, -730}}), kRaw, 0);
  EXPECT_EQ(s8.dBm, -73.0);
  EXPECT_EQ(s8.sUnit, 8);
  EXPECT_NEAR(s8.microVolts, 50.059, 0.001);
  EXPECT_NEAR(s8.microVoltsPP, 141.589, 0.001);
  const Strength s9 = convertReading(modeWith({{0, -720}}), kRaw, 0);
  EXPECT_EQ(s9.dBm, -72.0);
  EXPECT_EQ(s9.sUnit, 9);
  EXPECT_NEAR(s9.microVolts, 56.167, 0.001);
  EXPECT_EQ(s9.microVoltsPP, 2 * std::sqrt(2.0) * s9.microVolts);
}

TEST(ConvertReading, ClampsStoredValuesOutsideTheRange) {
  const Strength low = convertReading(modeWith({{0, -1500}}), kRaw, 0);
  EXPECT_EQ(low.dBm, -140.0);
  EXPECT_EQ(low.sUnit, 0);
  EXPECT_NEAR(low.microVolts, 0.02236, 0.00001);
  const Strength high = convertReading(modeWith({{0, 25}}), kRaw, 0);
  EXPECT_EQ(high.dBm, 0.0);
  EXPECT_EQ(high.sUnit, 16);
  EXPECT_NEAR(high.microVolts, 223606.8, 0.1);
  EXPECT_EQ(levelAt(modeWith({{0, INT32_MIN}}), 0), -140.0);
  EXPECT_EQ(levelAt(modeWith({{0, INT32_MAX}}), 0), 0.0);
}

TEST(ConvertReading, PutsALevelOnAThresholdInTheHigherSUnit) {
  const auto sUnitOf = [](int32_t tenths) { return convertReading(modeWith({{0, tenths}}), kRaw, 0).sUnit; };
  EXPECT_EQ(sUnitOf(-1200), 1);
  EXPECT_EQ(sUnitOf(-1201), 0);
  EXPECT_EQ(sUnitOf(-20), 16);
  EXPECT_EQ(sUnitOf(-21), 15);
  EXPECT_EQ(sUnitOf(-620), 10);
}

TEST(StoredTenths, RoundsToTheNearestTenthWithHalvesGoingDown) {
  EXPECT_EQ(storedTenths(-73.0), -730);
  EXPECT_EQ(storedTenths(-73.04), -730);
  EXPECT_EQ(storedTenths(-73.05), -731);
  EXPECT_EQ(storedTenths(-73.06), -731);
  EXPECT_EQ(storedTenths(-12.34), -123);
  EXPECT_EQ(storedTenths(-12.35), -124);
  EXPECT_EQ(storedTenths(0.0), 0);
  EXPECT_EQ(storedTenths(-140.0), -1400);
}

TEST(IsAcceptedLevel, AcceptsTheClosedRangeOnly) {
  EXPECT_TRUE(isAcceptedLevel(0.0));
  EXPECT_TRUE(isAcceptedLevel(-140.0));
  EXPECT_FALSE(isAcceptedLevel(-140.5));
  EXPECT_FALSE(isAcceptedLevel(1e-300));
  EXPECT_FALSE(isAcceptedLevel(std::nan("")));
  EXPECT_FALSE(isAcceptedLevel(-INFINITY));
}

TEST(ReduceModeCode, KeepsDefaultAndTheLowEightBits) {
  EXPECT_EQ(reduceModeCode(-1), -1);
  EXPECT_EQ(reduceModeCode(256), 0);
  EXPECT_EQ(reduceModeCode(-2), 254);
  EXPECT_EQ(reduceModeCode(263), 7);
}

}  // namespace
}  // namespace fendrel
