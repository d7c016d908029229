#include "sim/smeter.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

TEST(SMeter, RisesTwoStepsPerDbOverAHundredDbAndSaturates) {
  EXPECT_EQ(RawFromDetectorLevel(-130), 0);
  EXPECT_EQ(RawFromDetectorLevel(-120), 0);
  EXPECT_EQ(RawFromDetectorLevel(-110), 20);
  EXPECT_EQ(RawFromDetectorLevel(-20), 200);
  EXPECT_EQ(RawFromDetectorLevel(40), 255);
  int32_t previous = 0;
  for (double dbm = -140; dbm <= 40; dbm += 0.1) {
    const int32_t raw = RawFromDetectorLevel(dbm);
    ASSERT_GE(raw, previous) << dbm;
    ASSERT_LE(raw, 255);
    previous = raw;
  }
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
