// The Hamlib driver through libhamlib's network client against the simulated
// radio of `orvanta-sim rigctld`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <hamlib/rig.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "receivers/device_list.h"
#include "receivers/hamlib_radio.h"
#include "receivers/radios_file.h"
#include "sim/scenario.h"
#include "sim/shared_state.h"
#include "sim/smeter.h"
#include "sim/testing/sim_server_process.h"
#include "simulated_receivers.h"
#include "vocabulary/hamlib_modes.h"

using ::testing::ElementsAre;

namespace {

class HamlibDriver : public SimulatedReceivers {
 protected:
  void SetGenerator(double dbm) {
    ASSERT_TRUE(sim::UpdateState(Folder() / "state", [&](sim::SharedState& state) {
      state.ChangeSignal(dbm, true, sim::SteadyNowNs());
    }));
  }
  static int32_t Truth(int64_t hz, std::string_view mode, int32_t att, double dbm) {
    const sim::Scenario scenario = sim::ParseScenario(sim::DefaultScenarioText());
    return sim::RadioReading(*sim::FindRadio(scenario, "SimRig"), {hz, mode, att, 0}, dbm,
                             sim::kTrackingGenerator);
  }
};

TEST_F(HamlibDriver, ListsOpensTunesAndReadsARadioAndNoticesItGone) {
  std::optional<sim::testing::RigctldProcess> server("SimRig");
  TVelkaro_Hamlib driver({{"Gone", kHamlibNetworkModel, "127.0.0.1:1", 0},
                          {"SimRig", kHamlibNetworkModel, server->Address(), 0}});
  ASSERT_TRUE(driver.IsAvailable());
  std::vector<TRadioDevice> records(kMaxDriverDevices);
  int32_t count = 0;
  driver.GetRadioList(records.data(), &count);
  ASSERT_EQ(count, 1);
  const TRadioDevice& rig = records[0];
  EXPECT_STREQ(rig.Name, "SimRig ");  // as a CAL file reads it back
  EXPECT_STREQ(rig.Interface, "Hamlib");
  EXPECT_STREQ(rig.Model, "NET rigctl");
  EXPECT_EQ(rig.MinFreq, 30'000);
  EXPECT_EQ(rig.MaxFreq, 60'000'000);
  EXPECT_THAT(std::vector<int32_t>(rig.Modes, rig.Modes + rig.ModeCount),
              ElementsAre(kModeCW, kModeAM, kModeFMN, kModeLSB, kModeUSB));

  ASSERT_TRUE(driver.Open(rig));
  EXPECT_TRUE(driver.SetFrequency(EncodeFrequencyWord(14'200'000)));
  EXPECT_EQ(DecodeFrequencyWord(driver.GetFrequency()), 14'200'000);
  EXPECT_TRUE(driver.SetMode(kModeUSB));
  EXPECT_EQ(driver.GetMode(), kModeUSB);
  EXPECT_FALSE(driver.SetMode(kModeFMW));  // SimRig has no WFM
  EXPECT_FALSE(driver.SetMode(kModeFM6));  // nothing in Hamlib
  SetGenerator(-90);
  EXPECT_EQ(driver.GetRawSignalStrength(), Truth(14'200'000, "USB", 0, -90));
  EXPECT_EQ(driver.SetFrontEnd({12, 0}), std::nullopt);
  EXPECT_EQ(driver.GetRawSignalStrength(), Truth(14'200'000, "USB", 12, -90));
  EXPECT_EQ(driver.SetFrontEnd({6, 0}), "SimRig has no ATT setting of 6 dB");
  EXPECT_EQ(driver.SetFrontEnd({0, 20}), "SimRig has no PREAMP setting of 20 dB");
  EXPECT_EQ(driver.GetRawSignalStrength(), Truth(14'200'000, "USB", 12, -90));
  EXPECT_TRUE(driver.IsDeviceConnected());

  server.reset();
  EXPECT_EQ(driver.GetRawSignalStrength(), 0);
  EXPECT_FALSE(driver.IsDeviceConnected());
  driver.Close();
  EXPECT_FALSE(driver.IsOpen());
}

TEST_F(HamlibDriver, TheRadiosFileListsItsRadiosAfterTheMakersReceivers) {
  sim::testing::RigctldProcess server("SimRig");
  const TRadiosFile file = ParseRadiosFile(
      "# name model address\n"
      "SimRig 2 " +
      server.Address() +
      "   # the simulator\n"
      "\n"
      "IC7300 3073 /dev/ttyUSB7 speed=19200\n"
      "TooLong12 2 127.0.0.1:4532\n"
      "Rig 2x 127.0.0.1:4532\n"
      "Rig 2 127.0.0.1:4532 baud=9600\n"
      "SimRig 2 127.0.0.1:4532\n");
  EXPECT_EQ(file.problems,
            "line 5: the name \"TooLong12\" is longer than 7 characters\n"
            "line 6: \"2x\" is not a Hamlib model number\n"
            "line 7: \"baud=9600\" is not speed=BAUD\n"
            "line 8: \"SimRig\" is listed twice");
  ASSERT_EQ(file.radios.size(), 2u);
  EXPECT_EQ(file.radios[1].SerialSpeed, 19200);
  TDriverSet drivers;
  TVelkaro_Hamlib hamlib(file.radios);
  const auto makers = drivers.InOrder();
  std::vector<TVelkaro_API*> all(makers.begin(), makers.end());
  all.push_back(&hamlib);
  std::vector<TRadioDevice> devices(kMaxDevices);
  devices.resize(BuildDeviceList(all, devices));
  ASSERT_EQ(devices.size(), 5u);  // the four built-in receivers; the IC-7300 is not attached
  EXPECT_STREQ(devices[4].Name, "SimRig ");
  EXPECT_STREQ(devices[4].Interface, "Hamlib");
  EXPECT_EQ(devices[4].Driver, &hamlib);

  const std::filesystem::path home = Folder() / "home";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  EXPECT_EQ(RadiosFilePath(), home / "orvanta" / "radios");
  EXPECT_TRUE(LoadRadiosFile(RadiosFilePath()).radios.empty());
  unsetenv("XDG_CONFIG_HOME");
}

TEST(HamlibModes, MapOntoTheProgramsModesByBitAndByName) {
  for (const auto& [hamlib, name, mode] : {std::tuple{RIG_MODE_AM, "AM", kModeAM},
                                           {RIG_MODE_CW, "CW", kModeCW},
                                           {RIG_MODE_CWR, "CWR", kModeCW},
                                           {RIG_MODE_USB, "USB", kModeUSB},
                                           {RIG_MODE_PKTUSB, "PKTUSB", kModeUSB},
                                           {RIG_MODE_LSB, "LSB", kModeLSB},
                                           {RIG_MODE_PKTLSB, "PKTLSB", kModeLSB},
                                           {RIG_MODE_FM, "FM", kModeFMN},
                                           {RIG_MODE_PKTFM, "PKTFM", kModeFMN},
                                           {RIG_MODE_WFM, "WFM", kModeFMW},
                                           {RIG_MODE_RTTY, "RTTY", kModeDefault},
                                           {RIG_MODE_DSB, "DSB", kModeDefault}}) {
    EXPECT_EQ(vocabulary::TableModeOfHamlib(hamlib), mode) << name;
    EXPECT_EQ(vocabulary::TableModeOfHamlib(std::string_view(name)), mode) << name;
  }
  EXPECT_EQ(vocabulary::HamlibModeOfTable(kModeFMN), RIG_MODE_FM);
  EXPECT_EQ(vocabulary::HamlibModeOfTable(kModeFMW), RIG_MODE_WFM);
  EXPECT_EQ(vocabulary::HamlibModeOfTable(kModeFMM), RIG_MODE_NONE);
  EXPECT_TRUE(IsRadioName("SimRig7"));
  EXPECT_FALSE(IsRadioName("SimRig78"));
  EXPECT_FALSE(IsRadioName(""));
}

}  // namespace
