// The classic driver against the simulated "drovapi32".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "receivers/velkaro_vk.h"
#include "simulated_receivers.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

int32_t DeviceNumber(const TRadioDevice& record) {
  int32_t number;
  std::memcpy(&number, record.Address, sizeof number);
  return number;
}

class ClassicDriver : public SimulatedReceivers {
 protected:
  // Lists the receivers of the current scenario.
  std::vector<TRadioDevice> List(TVelkaro_Vk& driver) {
    std::vector<TRadioDevice> records(kMaxDriverDevices);
    int32_t count = -1;
    driver.GetRadioList(records.data(), &count);
    records.resize(count);
    return records;
  }

  TRadioDevice Only(TVelkaro_Vk& driver) {
    auto records = List(driver);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? TRadioDevice{} : records.front();
  }
};

TEST_F(ClassicDriver, ListsModelNamesAndVariantTexts) {
  UseScenario(
      "classic 2 model=266 min=9k max=1G modes=1\n"
      "classic 5 model=276 min=9k max=1G modes=1\n"
      "classic 7 model=256 min=9k max=1G modes=1\n");
  TVelkaro_Vk driver;
  const auto records = List(driver);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_STREQ(records[0].Name, "Halv-A1");
  EXPECT_STREQ(records[0].Model, "Halv-A1b");
  EXPECT_EQ(DeviceNumber(records[0]), 2);
  EXPECT_STREQ(records[1].Name, "Halv-A2");
  EXPECT_STREQ(records[1].Model, "Halv-A2");
  EXPECT_EQ(DeviceNumber(records[1]), 5);
  EXPECT_STREQ(records[2].Model, "Halv-A1a");
  for (const auto& record : records) EXPECT_EQ(record.Driver, &driver);
}

TEST_F(ClassicDriver, SkipsUnknownModelCodesAndClosesThem) {
  UseScenario(
      "classic 1 model=1024 min=9k max=1G modes=1\n"
      "classic 2 model=999 min=9k max=1G modes=1\n"
      "classic 3 model=860 min=9k max=1G modes=1\n");
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  const auto records = List(driver);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_STREQ(records[0].Name, "Halv-B3");
  EXPECT_STREQ(records[1].Name, "Halv-B4");
  const auto calls = sim.TakeCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "CloseRadioDevice classic:2"), 1);
  EXPECT_FALSE(driver.IsOpen());
}

TEST_F(ClassicDriver, ProbesDeviceNumbersOneToThirtyOneAndLeavesNothingOpen) {
  UseScenario("classic 31 model=512 min=9k max=1G modes=1\n");
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  ASSERT_EQ(List(driver).size(), 1u);
  std::vector<std::string> expected;
  for (int number = 1; number <= 30; ++number)
    expected.push_back("OpenRadioDevice " + std::to_string(number));
  expected.insert(expected.end(),
                  {"OpenRadioDevice 31", "GetRadioDeviceInfo classic:31", "CloseRadioDevice classic:31"});
  EXPECT_THAT(sim.TakeCalls(), ElementsAreArray(expected));
}

TEST_F(ClassicDriver, MapsModeEntriesAndInterfaceCodes) {
  UseScenario(
      "classic 1 model=306 interface=0 min=9k max=4G modes=0,2/3,2/0,2,5/7\n"
      "classic 2 model=306 interface=1 min=9k max=1G modes=1\n"
      "classic 3 model=306 interface=2 min=9k max=1G modes=1\n"
      "classic 4 model=306 interface=3 min=9k max=1G modes=1\n"
      "classic 5 model=306 interface=4 min=9k max=1G modes=1\n"
      "classic 6 model=306 interface=5 min=9k max=1G modes=1\n");
  TVelkaro_Vk driver;
  const auto records = List(driver);
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].ModeCount, 5);
  EXPECT_THAT(std::vector<int32_t>(records[0].Modes, records[0].Modes + 5), ElementsAre(0, 7, 2, 2, 5));
  EXPECT_EQ(records[0].MinFreq, 9000);
  EXPECT_EQ(records[0].MaxFreq, 4'000'000'000);
  const char* expected[] = {"ISA", "Serial", "PCMCIA", "", "", "PCI"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(records[i].Interface, expected[i]) << "interface code " << i;
}

TEST_F(ClassicDriver, KeepsTheFirstSixteenOfMoreModes) {
  UseScenario("classic 1 model=306 min=9k max=1G modes=0,1,2,3,4,5,6,0,1,2,3,4,5,6,0,1,2,3,4,5\n");
  TVelkaro_Vk driver;
  const TRadioDevice record = Only(driver);
  EXPECT_EQ(record.ModeCount, kMaxModes);
  EXPECT_EQ(record.Modes[15], 1);
}

TEST_F(ClassicDriver, OpensWithAPowerCycleAndItsReceiverControls) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  const auto records = List(driver);  // the default scenario
  ASSERT_EQ(records.size(), 2u);
  sim.TakeCalls();
  ASSERT_TRUE(driver.Open(records[1]));
  EXPECT_THAT(sim.TakeCalls(),
              ElementsAre("OpenRadioDevice 2", "SetPower classic:2 0", "SetPower classic:2 1",
                          "GetFrequency classic:2", "SetFrequency classic:2 100000", "SetAtten classic:2 0",
                          "SetBFOOffset classic:2 0", "SetIFShift classic:2 0", "SetAGC classic:2 1"));
  EXPECT_TRUE(driver.IsOpen());
  EXPECT_TRUE(driver.IsDeviceConnected());
}

TEST_F(ClassicDriver, OpenClosesTheHeldDeviceFirst) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  const auto records = List(driver);
  ASSERT_TRUE(driver.Open(records[0]));
  sim.TakeCalls();
  ASSERT_TRUE(driver.Open(records[1]));
  const auto calls = sim.TakeCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 3),
              ElementsAre("SetPower classic:1 0", "CloseRadioDevice classic:1", "OpenRadioDevice 2"));
  driver.Close();
  EXPECT_THAT(sim.TakeCalls(), ElementsAre("SetPower classic:2 0", "CloseRadioDevice classic:2"));
  driver.Close();
  EXPECT_THAT(sim.TakeCalls(), IsEmpty());
}

TEST_F(ClassicDriver, OpenOfAReceiverHeldElsewhereFails) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  const auto records = List(driver);
  sim.SetBusy("classic:1", true);
  EXPECT_FALSE(driver.Open(records[0]));
  EXPECT_FALSE(driver.IsOpen());
  EXPECT_FALSE(driver.IsDeviceConnected());
  sim.SetBusy("classic:1", false);
  EXPECT_TRUE(driver.Open(records[0]));
}

TEST_F(ClassicDriver, AClosedDriverCallsNothing) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  EXPECT_EQ(driver.GetMode(), -1);
  EXPECT_EQ(driver.GetFrequency(), 0u);
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  EXPECT_EQ(driver.SetFrequency(1'000'000), 0);
  EXPECT_EQ(driver.SetMode(1), 0);
  EXPECT_EQ(driver.SetAtten(true), 0);
  EXPECT_EQ(driver.SetPower(true), 0);
  EXPECT_EQ(driver.SetBFOOffset(5), 0);
  EXPECT_EQ(driver.SetIFShift(5), 0);
  EXPECT_EQ(driver.SetAGC(1), 0);
  EXPECT_EQ(driver.SetIFGain(1), 0);
  EXPECT_FALSE(driver.IsDeviceConnected());
  EXPECT_THAT(sim.TakeCalls(), IsEmpty());
}

TEST_F(ClassicDriver, PassesTheLibraryResultsOn) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  ASSERT_TRUE(driver.Open(List(driver)[0]));  // Halv-A1b: CW AM FMN FM6 FMW LSB USB
  EXPECT_EQ(driver.SetMode(7), 1);
  EXPECT_EQ(driver.GetMode(), 7);
  EXPECT_EQ(driver.SetMode(6), 0);  // FMM is not in its list
  EXPECT_EQ(driver.GetMode(), 7);
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(145'500'000)), 1);
  EXPECT_EQ(DecodeFrequencyWord(driver.GetFrequency()), 145'500'000);
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(1'900'000'000)), 0);  // above its range
  sim.SetFailing("SetAtten", true);
  EXPECT_EQ(driver.SetAtten(true), 0);
}

TEST_F(ClassicDriver, ReadsTheGeneratorAndTellsAReceiverSwitchedOffFromOneUnplugged) {
  TVelkaro_Vk driver;
  SimControl sim("drovapi32.dll");
  ASSERT_TRUE(driver.Open(List(driver)[0]));
  sim.SetGenerator(-90, 0);
  const int32_t weak = driver.GetRawSignalStrength();
  sim.SetGenerator(-70, 0);
  const int32_t strong = driver.GetRawSignalStrength();
  // About 2 raw steps per dB, the slope wandering along the meter's range.
  EXPECT_GT(strong - weak, 20);
  EXPECT_LT(strong - weak, 70);
  ASSERT_EQ(driver.SetAtten(true), 1);
  EXPECT_LT(driver.GetRawSignalStrength(), strong - 30);
  ASSERT_EQ(driver.SetPower(false), 1);
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  EXPECT_TRUE(driver.IsDeviceConnected());
  ASSERT_EQ(driver.SetPower(true), 1);

  sim.SetPlugged("classic:1", false);
  EXPECT_TRUE(driver.IsDeviceConnected());  // nothing was asked of it yet
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  EXPECT_FALSE(driver.IsDeviceConnected());
  EXPECT_FALSE(driver.IsOpen());
  sim.SetPlugged("classic:1", true);
  ASSERT_TRUE(driver.Open(List(driver)[0]));
  EXPECT_GT(driver.GetRawSignalStrength(), 0);

  // A refused tuning is a loss only when the receiver no longer answers.
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(1'900'000'000)), 0);
  EXPECT_TRUE(driver.IsDeviceConnected());
  sim.SetPlugged("classic:1", false);
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(7'000'000)), 0);
  EXPECT_FALSE(driver.IsDeviceConnected());
}

TEST_F(ClassicDriver, IsUnavailableWithoutItsLibrary) {
  LoadOnlyFrom("empty");
  TVelkaro_Vk driver;
  EXPECT_FALSE(driver.IsAvailable());
  EXPECT_TRUE(List(driver).empty());
  TRadioDevice record{};
  record.Address[0] = 1;
  EXPECT_FALSE(driver.Open(record));
  EXPECT_EQ(driver.GetMode(), -1);
}

}  // namespace
