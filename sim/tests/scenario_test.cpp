#include "sim/scenario.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace sim {
namespace {

TEST(Scenario, TheDefaultHasTwoClassicAndTwoNewerReceivers) {
  const Scenario scenario = ParseScenario(DefaultScenarioText());
  EXPECT_THAT(scenario.errors, IsEmpty());
  ASSERT_EQ(scenario.receivers.size(), 4u);
  EXPECT_EQ(scenario.receivers[0].modelCode, 266);
  EXPECT_EQ(scenario.receivers[1].modelCode, 1024);
  EXPECT_EQ(scenario.receivers[1].maxHz, 4'000'000'000);
  EXPECT_EQ(scenario.receivers[2].model, "C1");
  EXPECT_EQ(scenario.receivers[3].id, "C4000815");
  EXPECT_EQ(scenario.noiseDb, 0);
}

TEST(Scenario, ReadsEverySetting) {
  const Scenario scenario = ParseScenario(
      "noise 0.5   # dB\n"
      "classic 4 model=276 interface=3 min=150k max=2.5G modes=0,2/3,255 gain=-4.5\n"
      "newer C5 serial=X9 bus=usb2 min=10M max=4.2G\n");
  EXPECT_THAT(scenario.errors, IsEmpty());
  EXPECT_EQ(scenario.noiseDb, 0.5);
  ASSERT_EQ(scenario.receivers.size(), 2u);
  const ReceiverSpec& classic = scenario.receivers[0];
  EXPECT_EQ(classic.id, "classic:4");
  EXPECT_EQ(classic.deviceNumber, 4);
  EXPECT_EQ(classic.interfaceCode, 3);
  EXPECT_EQ(classic.minHz, 150'000);
  EXPECT_EQ(classic.maxHz, 2'500'000'000);
  EXPECT_THAT(classic.modeEntries, ElementsAre(0u, 0x302u, 255u));
  EXPECT_EQ(classic.gainDb, -4.5);
  const ReceiverSpec& newer = scenario.receivers[1];
  EXPECT_EQ(newer.family, Family::kNewer);
  EXPECT_EQ(newer.serial, "X9");
  EXPECT_EQ(newer.bus, "usb2");
  EXPECT_EQ(newer.maxHz, 4'200'000'000);
}

TEST(Scenario, SkipsBadLinesAndSaysWhy) {
  const Scenario scenario = ParseScenario(
      "classic 32 model=266 min=1 max=2\n"
      "classic 1 model=266 min=1 max=2 modes=1,x\n"
      "newer C6 serial=A min=1 max=2\n"
      "newer C1 serial=123456789 min=1 max=2\n"
      "newer C1 min=1 max=2\n"
      "newer C1 serial=A min=2M max=1M\n"
      "newer C1 serial=A min=1 max=5G\n"
      "newer C1 serial=B min=1 max=2\n"
      "newer C2 serial=B min=1 max=2\n"
      "tuner 1\n");
  ASSERT_EQ(scenario.receivers.size(), 1u);
  EXPECT_EQ(scenario.receivers[0].serial, "B");
  ASSERT_EQ(scenario.errors.size(), 9u);
  EXPECT_EQ(scenario.errors[0], "line 1: classic needs a device number from 1 to 31");
  EXPECT_EQ(scenario.errors[8], "line 10: unknown line \"tuner\"");
}

TEST(Scenario, AnUnreadableFileHasNoReceivers) {
  const Scenario scenario = LoadScenario("/nonexistent/orvanta/scenario");
  EXPECT_TRUE(scenario.receivers.empty());
  EXPECT_EQ(scenario.errors.size(), 1u);
}

}  // namespace
}  // namespace sim
