// The newer-family drivers against the simulated "vxaapi" .. "vxeapi".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "receivers/velkaro_vx.h"
#include "simulated_receivers.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<TRadioDevice> List(TVelkaro_API& driver) {
  std::vector<TRadioDevice> records(kMaxDriverDevices);
  int32_t count = -1;
  driver.GetRadioList(records.data(), &count);
  records.resize(count);
  return records;
}

std::vector<int32_t> Modes(const TRadioDevice& record) {
  return std::vector<int32_t>(record.Modes, record.Modes + record.ModeCount);
}

// A Halv-C1 driver that counts its pauses after tuning instead of waiting.
class CountingC1 : public TVelkaro_C1 {
 public:
  int waits = 0;

 protected:
  void WaitAfterTuning() override { ++waits; }
};

class NewerDrivers : public SimulatedReceivers {};

TEST_F(NewerDrivers, EachModelHasItsNamesAndModes) {
  UseScenario(
      "newer C1 serial=A1 bus=USB min=9k max=30M\n"
      "newer C2 serial=B1 bus=USB min=9k max=30M\n"
      "newer C3 serial=C1 bus=USB min=9k max=30M\n"
      "newer C4 serial=D1 bus=USB min=9k max=30M\n"
      "newer C5 serial=E1 bus=USB min=9k max=30M\n");
  struct Expected {
    const char* name;
    const char* model;
    std::vector<int32_t> modes;
  };
  TVelkaro_C1 c1;
  TVelkaro_C2 c2;
  TVelkaro_C3 c3;
  TVelkaro_C4 c4;
  TVelkaro_C5 c5;
  const std::pair<TVelkaro_API*, Expected> cases[] = {
      {&c1, {"Halv-C1", "Halv-C1", {-1}}},      {&c2, {"Halv-C2", "Halv-C2", {-1, 3}}},
      {&c3, {"HalvoC3", "Halv-C3M", {-1}}},     {&c4, {"HalvoC4", "Halv-C4WM", {-1, 3}}},
      {&c5, {"HalvoC5", "Halv-C5TC", {-1, 3}}},
  };
  for (const auto& [driver, expected] : cases) {
    const auto records = List(*driver);
    ASSERT_EQ(records.size(), 1u) << expected.model;
    EXPECT_STREQ(records[0].Name, expected.name);
    EXPECT_STREQ(records[0].Model, expected.model);
    EXPECT_EQ(Modes(records[0]), expected.modes) << expected.model;
    EXPECT_EQ(records[0].Driver, driver);
  }
}

TEST_F(NewerDrivers, ReadsTheListEntries) {
  UseScenario(
      "newer C1 serial=12345678 bus=usb min=9k max=4.2G\n"
      "newer C1 serial=S2 bus=PCI/USB min=100k max=30M\n"
      "newer C1 serial=S3 bus=ser1 min=100k max=30M\n"
      "newer C1 serial=S4 bus= min=100k max=30M\n"
      "newer C1 serial=S5 bus=Fire min=100k max=30M\n");
  TVelkaro_C1 driver;
  const auto records = List(driver);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_STREQ(records[0].Address, "12345678");  // eight characters, unterminated in the entry
  EXPECT_STREQ(records[0].Interface, "USB");
  EXPECT_EQ(records[0].MinFreq, 9000);
  EXPECT_EQ(records[0].MaxFreq, 4'200'000'000);  // the unsigned 32-bit value, not negative
  EXPECT_STREQ(records[1].Interface, "PCI");
  EXPECT_STREQ(records[2].Interface, "Serial");
  EXPECT_STREQ(records[3].Interface, "PCI");
  EXPECT_STREQ(records[4].Interface, "PCI");
}

TEST(VxInterfaceText, MatchesSubstringsInUpperCaseInOrder) {
  EXPECT_STREQ(VxInterfaceText("xusbx", 8), "USB");
  EXPECT_STREQ(VxInterfaceText("usb-pci", 8), "PCI");
  EXPECT_STREQ(VxInterfaceText("Serial", 8), "Serial");
  EXPECT_STREQ(VxInterfaceText("", 8), "PCI");
  EXPECT_STREQ(VxInterfaceText("1234567USB", 8), "PCI");  // only the first eight characters count
}

TEST_F(NewerDrivers, AnEmptyListGivesNoRecords) {
  UseScenario("");
  TVelkaro_C2 driver;
  EXPECT_TRUE(driver.IsAvailable());
  EXPECT_TRUE(List(driver).empty());
}

TEST_F(NewerDrivers, KeepsTheThirtyTwoEntriesThatFitOfMore) {
  std::string scenario;
  for (int i = 0; i < 40; ++i)
    scenario += "newer C3 serial=N" + std::to_string(i) + " bus=USB min=9k max=30M\n";
  UseScenario(scenario);
  TVelkaro_C3 driver;
  std::vector<TRadioDevice> records(kMaxDriverDevices + 8);
  int32_t count = 0;
  driver.GetRadioList(records.data(), &count);
  EXPECT_EQ(count, kMaxDriverDevices);
  EXPECT_STREQ(records[31].Address, "N31");
  EXPECT_STREQ(records[32].Address, "");  // untouched room behind
}

TEST_F(NewerDrivers, OpenPreparesTheReceiver) {
  TVelkaro_C1 c1;
  TVelkaro_C4 c4;
  SimControl sim1("vxaapi.dll");
  SimControl sim4("vxdapi.dll");
  ASSERT_TRUE(c1.Open(List(c1).at(0)));  // the default scenario's C1004711
  EXPECT_THAT(sim1.TakeCalls(),
              ElementsAre("VxGetRadioList2 6272", "VxOpen C1004711", "CodecStop C1004711",
                          "SetPower C1004711 1", "SetFrequency C1004711 9000", "VxGetLastRawSS C1004711",
                          "GetAGC C1004711", "VxGetInternalRSSI C1004711", "SetAtten C1004711 0",
                          "SetAGC C1004711 2", "SetIFGain C1004711 10", "CodecStart C1004711 0 0"));
  const auto records = List(c4);
  sim4.TakeCalls();
  ASSERT_TRUE(c4.Open(records.at(0)));
  const auto calls = sim4.TakeCalls();
  ASSERT_EQ(calls.size(), 12u);
  EXPECT_EQ(calls.front(), "VxOpen C4000815");
  EXPECT_EQ(calls.back(), "SetRFAmp C4000815 1");
}

// Above 2,147,000,000 Hz an encoded word would carry tens of Hz and tune the
// receiver below its range; the listed lowest frequency is sent unchanged.
TEST_F(NewerDrivers, OpenTunesToTheListedLowestFrequencyUnchanged) {
  UseScenario("newer C1 serial=HIGH bus=USB min=2147100005 max=2147400000\n");
  TVelkaro_C1 driver;
  SimControl sim("vxaapi.dll");
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  EXPECT_EQ(DecodeFrequencyWord(driver.GetFrequency()), 2'147'100'005);
  EXPECT_THAT(sim.TakeCalls(), testing::Contains("SetFrequency HIGH 2147100005"));
}

TEST_F(NewerDrivers, OpenClosesTheHeldDeviceFirst) {
  UseScenario(
      "newer C2 serial=B1 bus=USB min=9k max=30M\n"
      "newer C2 serial=B2 bus=USB min=9k max=30M\n");
  TVelkaro_C2 driver;
  SimControl sim("vxbapi.dll");
  const auto records = List(driver);
  ASSERT_TRUE(driver.Open(records[0]));
  sim.TakeCalls();
  ASSERT_TRUE(driver.Open(records[1]));
  const auto calls = sim.TakeCalls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 3),
              ElementsAre("SetPower B1 0", "CloseRadioDevice B1", "VxOpen B2"));
}

TEST_F(NewerDrivers, AFailedOpenLeavesTheDriverClosed) {
  TVelkaro_C4 driver;
  SimControl sim("vxdapi.dll");
  const auto records = List(driver);
  sim.SetBusy("C4000815", true);
  sim.TakeCalls();
  EXPECT_FALSE(driver.Open(records.at(0)));
  EXPECT_THAT(sim.TakeCalls(), ElementsAre("VxOpen C4000815"));  // no RF amplifier either
  EXPECT_FALSE(driver.IsOpen());
  EXPECT_EQ(driver.GetMode(), -1);
}

TEST_F(NewerDrivers, ModesOfTheModelsWithoutFmWide) {
  TVelkaro_C1 driver;
  EXPECT_EQ(driver.SetMode(0), 0);  // closed
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  EXPECT_EQ(driver.SetMode(0), 1);
  EXPECT_EQ(driver.SetMode(3), 1);
  EXPECT_EQ(driver.GetMode(), -1);
  EXPECT_EQ(driver.SetBFOOffset(100), 1);
  EXPECT_EQ(driver.SetIFShift(100), 1);
}

TEST_F(NewerDrivers, FmWideModeLivesInTheReceiver) {
  TVelkaro_C4 driver;
  SimControl sim("vxdapi.dll");
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  sim.TakeCalls();
  EXPECT_EQ(driver.SetMode(3), 1);
  EXPECT_EQ(driver.GetMode(), 3);
  EXPECT_EQ(driver.SetMode(-1), 1);
  EXPECT_EQ(driver.GetMode(), -1);
  EXPECT_EQ(driver.SetMode(1), 0);
  EXPECT_THAT(sim.TakeCalls(), ElementsAre("SetFMW C4000815 1", "GetFMW C4000815", "SetFMW C4000815 0",
                                           "SetAGC C4000815 2", "GetFMW C4000815"));
}

TEST_F(NewerDrivers, DefaultModeLeavesTheAgcAloneWhenFmWideFails) {
  UseScenario("newer C2 serial=B1 bus=USB min=9k max=30M\n");
  TVelkaro_C2 driver;
  SimControl sim("vxbapi.dll");
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  sim.SetFailing("SetFMW", true);
  sim.TakeCalls();
  EXPECT_EQ(driver.SetMode(-1), 0);
  EXPECT_THAT(sim.TakeCalls(), ElementsAre("SetFMW B1 0"));
}

TEST_F(NewerDrivers, AClosedDriverCallsNothing) {
  TVelkaro_C5 driver;
  SimControl sim("vxeapi.dll");
  EXPECT_EQ(driver.SetMode(3), 0);
  EXPECT_EQ(driver.GetMode(), -1);
  EXPECT_EQ(driver.SetFrequency(1'000'000), 0);
  EXPECT_EQ(driver.GetFrequency(), 0u);
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  EXPECT_EQ(driver.SetAtten(true), 0);
  EXPECT_EQ(driver.SetPower(true), 0);
  EXPECT_EQ(driver.SetAGC(2), 0);
  EXPECT_EQ(driver.SetIFGain(10), 0);
  EXPECT_EQ(driver.SetBFOOffset(1), 0);
  EXPECT_EQ(driver.SetIFShift(1), 0);
  EXPECT_FALSE(driver.IsDeviceConnected());
  EXPECT_THAT(sim.TakeCalls(), IsEmpty());
}

TEST_F(NewerDrivers, PausesOnlyAfterASuccessfulTuning) {
  CountingC1 driver;
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(7'100'000)), 1);
  EXPECT_EQ(driver.waits, 1);
  EXPECT_EQ(DecodeFrequencyWord(driver.GetFrequency()), 7'100'000);
  EXPECT_EQ(driver.SetFrequency(EncodeFrequencyWord(31'000'000)), 0);  // above its range
  EXPECT_EQ(driver.waits, 1);
}

TEST_F(NewerDrivers, TheTuningPauseIsATenthOfASecond) {
  TVelkaro_C1 driver;
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(driver.SetFrequency(EncodeFrequencyWord(7'100'000)), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(NewerDrivers, AnUnpluggedReceiverIsSeenAndReopenedWhenBack) {
  CountingC1 driver;
  SimControl sim("vxaapi.dll");
  const TRadioDevice record = List(driver).at(0);
  ASSERT_TRUE(driver.Open(record));
  ASSERT_EQ(driver.SetFrequency(EncodeFrequencyWord(7'100'000)), 1);
  EXPECT_TRUE(driver.IsDeviceConnected());

  sim.SetPlugged("C1004711", false);
  EXPECT_FALSE(driver.IsDeviceConnected());
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  driver.Close();
  EXPECT_FALSE(driver.Open(record));
  EXPECT_TRUE(List(driver).empty());  // an unplugged receiver is not listed

  sim.SetPlugged("C1004711", true);
  ASSERT_TRUE(driver.Open(record));
  EXPECT_TRUE(driver.IsDeviceConnected());
  EXPECT_EQ(DecodeFrequencyWord(driver.GetFrequency()), 9000);  // back at its lowest frequency
  EXPECT_GT(driver.GetRawSignalStrength(), 0);
}

TEST_F(NewerDrivers, ADeviceOpenedBeforeAnUnplugStaysLost) {
  TVelkaro_C1 driver;
  SimControl sim("vxaapi.dll");
  ASSERT_TRUE(driver.Open(List(driver).at(0)));
  sim.SetPlugged("C1004711", false);
  sim.SetPlugged("C1004711", true);  // before the driver looked again
  EXPECT_FALSE(driver.IsDeviceConnected());
}

TEST_F(NewerDrivers, C4WithoutRfAmplifierIsUnavailable) {
  platform::SetProgramFolder(BinaryFolder() / "sim-variants" / "c4-without-rfamp");
  TVelkaro_C4 driver;
  EXPECT_FALSE(driver.IsAvailable());
  EXPECT_TRUE(List(driver).empty());
}

TEST_F(NewerDrivers, IsUnavailableWithoutItsLibrary) {
  LoadOnlyFrom("empty");
  TVelkaro_C2 driver;
  EXPECT_FALSE(driver.IsAvailable());
  EXPECT_TRUE(List(driver).empty());
  EXPECT_FALSE(driver.Open(TRadioDevice{}));
}

}  // namespace
