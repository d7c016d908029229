// The simulated radio behind rigctld's protocol, driven by Hamlib's own
// network client: Debian's rigctl and libhamlib.
#include "sim/rigctld.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <hamlib/rig.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "sim/shared_state.h"
#include "sim/testing/sim_server_process.h"

namespace sim {
namespace {

std::string Output(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  char buffer[256];
  while (pipe && fgets(buffer, sizeof buffer, pipe)) text += buffer;
  if (pipe) pclose(pipe);
  return text;
}

class SimulatedRadio : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-rigctld-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv(kStateVariable, (folder_ / "state").c_str(), 1);
    unsetenv(kScenarioVariable);
  }
  void TearDown() override {
    unsetenv(kStateVariable);
    std::filesystem::remove_all(folder_);
  }
  void SetGenerator(double dbm, int64_t hz = kTrackingGenerator) {
    ASSERT_TRUE(UpdateState(folder_ / "state", [&](SharedState& state) {
      state.ChangeSignal(dbm, true, SteadyNowNs());
      state.generatorHz = hz;
    }));
  }
  static RadioSpec SimRig() { return *FindRadio(ParseScenario(DefaultScenarioText()), "SimRig"); }
  // What `orvanta-sim model` says SimRig reads.
  static std::string Model(const std::string& arguments) {
    const auto tool = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvanta-sim";
    const std::string line = Output(tool.string() + " model SimRig " + arguments);
    return line.substr(line.find(' ') + 1);
  }

  std::filesystem::path folder_;
};

TEST_F(SimulatedRadio, RigctlTunesItAndReadsTheModelsCurveThroughItsFrontEnd) {
  testing::RigctldProcess server("SimRig");
  SetGenerator(-95);
  const std::string rigctl = "rigctl -m 2 -r " + server.Address();
  EXPECT_EQ(
      Output(rigctl + " F 7100000 M USB 0 f l RAWSTR L ATT 12 l ATT l RAWSTR L PREAMP 10 l PREAMP l RAWSTR"),
      "7100000\n" + Model("USB 7.1M -95") + "12\n" + Model("USB 7.1M -95 --att 12") + "10\n" +
          Model("USB 7.1M -95 --att 12 --preamp 10"));
  // Refused settings change nothing; a new connection reads the radio's state.
  const std::string refused = Output(rigctl + " L ATT 7 M WFM 0 F 70000000 l ATT f m");
  EXPECT_THAT(refused,
              ::testing::ContainsRegex("set_level: error(.|\n)*set_mode: error(.|\n)*set_freq: error"));
  EXPECT_THAT(refused, ::testing::EndsWith("\n12\n7100000\nUSB\n2400\n"));
}

TEST_F(SimulatedRadio, LibhamlibOpensItAndReadsTheGeneratorsLevelAndFrequency) {
  testing::RigctldProcess server("SimRig");
  rig_set_debug(RIG_DEBUG_NONE);
  RIG* rig = rig_init(RIG_MODEL_NETRIGCTL);
  ASSERT_NE(rig, nullptr);
  std::strncpy(rig->state.rigport.pathname, server.Address().c_str(), HAMLIB_FILPATHLEN - 1);
  ASSERT_EQ(rig_open(rig), RIG_OK);
  const RadioSpec radio = SimRig();
  struct Case {
    freq_t hz;
    rmode_t mode;
    const char* name;
    int attenuator;
    double dbm;
    int64_t generatorOffsetHz;
  };
  for (const Case& c :
       {Case{3.6e6, RIG_MODE_LSB, "LSB", 0, -110, 0}, Case{14.2e6, RIG_MODE_CW, "CW", 12, -73, 0},
        Case{50.1e6, RIG_MODE_FM, "FM", 0, -40, 0}, Case{50.1e6, RIG_MODE_FM, "FM", 12, -60, 0},
        Case{1e6, RIG_MODE_AM, "AM", 0, -50, 4500}}) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(rig_set_freq(rig, RIG_VFO_CURR, c.hz), RIG_OK);
    ASSERT_EQ(rig_set_mode(rig, RIG_VFO_CURR, c.mode, RIG_PASSBAND_NORMAL), RIG_OK);
    value_t value{};
    value.i = c.attenuator;
    ASSERT_EQ(rig_set_level(rig, RIG_VFO_CURR, RIG_LEVEL_ATT, value), RIG_OK);
    const auto hz = static_cast<int64_t>(c.hz);
    SetGenerator(c.dbm, c.generatorOffsetHz ? hz + c.generatorOffsetHz : kTrackingGenerator);
    const int32_t truth = RadioReading(radio, {hz, c.name, c.attenuator, 0}, c.dbm,
                                       c.generatorOffsetHz ? hz + c.generatorOffsetHz : 0);
    ASSERT_EQ(rig_get_level(rig, RIG_VFO_CURR, RIG_LEVEL_RAWSTR, &value), RIG_OK);
    EXPECT_EQ(value.i, truth);
    ASSERT_EQ(rig_get_level(rig, RIG_VFO_CURR, RIG_LEVEL_STRENGTH, &value), RIG_OK);
    EXPECT_EQ(value.i, SimulatedRig::OwnStrength(truth));
    freq_t tuned = 0;
    ASSERT_EQ(rig_get_freq(rig, RIG_VFO_CURR, &tuned), RIG_OK);
    EXPECT_EQ(tuned, c.hz);
  }
  // The generator 4.5 kHz off an AM channel loses part of its level.
  EXPECT_LT(RadioReading(radio, {1'000'000, "AM", 0, 0}, -50, 1'004'500),
            RadioReading(radio, {1'000'000, "AM", 0, 0}, -50, 0));
  value_t value{};
  value.i = 7;
  EXPECT_NE(rig_set_level(rig, RIG_VFO_CURR, RIG_LEVEL_ATT, value), RIG_OK);
  EXPECT_NE(rig_set_freq(rig, RIG_VFO_CURR, 145e6), RIG_OK);
  EXPECT_NE(rig_set_mode(rig, RIG_VFO_CURR, RIG_MODE_WFM, RIG_PASSBAND_NORMAL), RIG_OK);
  rig_close(rig);
  rig_cleanup(rig);
}

TEST(SimulatedRig, AnswersTheExtendedFormsAndReportsWhatItDoesNotDo) {
  RadioSpec radio = *FindRadio(ParseScenario(DefaultScenarioText()), "SimRig");
  radio.preampSteps.clear();
  SimulatedRig rig(radio, 0, [] { return GeneratorSignal{-73, kTrackingGenerator}; });
  const std::string raw = std::to_string(RadioReading(radio, {30'000, "AM", 0, 0}, -73, kTrackingGenerator));
  EXPECT_EQ(rig.Execute("+f").text, "get_freq:\nFrequency: 30000\nRPRT 0\n");
  EXPECT_EQ(rig.Execute(";l RAWSTR").text, "get_level: RAWSTR;" + raw + ";RPRT 0\n");
  EXPECT_EQ(rig.Execute("|\\get_mode").text, "get_mode:|Mode: AM|Passband: 6000|RPRT 0\n");
  EXPECT_EQ(rig.Execute("+\\set_freq 7100000").text, "set_freq: 7100000\nRPRT 0\n");
  EXPECT_EQ(rig.Execute(",M CW 250").text, "set_mode: CW 250,RPRT 0\n");
  EXPECT_EQ(rig.Execute("m").text, "CW\n250\n");
  EXPECT_EQ(rig.Execute("\\chk_vfo").text, "0\n");
  EXPECT_EQ(rig.Execute("F 60000001").text, "RPRT -1\n");
  EXPECT_EQ(rig.Execute("M WFM 0").text, "RPRT -1\n");
  EXPECT_EQ(rig.Execute("L ATT 6").text, "RPRT -1\n");
  EXPECT_EQ(rig.Execute("+L PREAMP 10").text, "set_level: PREAMP 10\nRPRT -11\n");
  EXPECT_EQ(rig.Execute("l PREAMP").text, "RPRT -11\n");
  EXPECT_EQ(rig.Execute("L RAWSTR 5").text, "RPRT -11\n");
  EXPECT_EQ(rig.Execute("+t").text, "RPRT -4\n");
  EXPECT_EQ(rig.Execute("\\set_ptt 1").text, "RPRT -4\n");
  EXPECT_EQ(rig.Execute("f").text, "7100000\n");
  EXPECT_TRUE(rig.Execute("q").close);
}

TEST(RadioModel, TheAttenuatorShiftsTheCurveAndThePreampGainsMoreThanTheFloorFalls) {
  const RadioSpec radio = *FindRadio(ParseScenario(DefaultScenarioText()), "SimRig");
  const auto reading = [&](double dbm, int32_t att, int32_t preamp) {
    return RadioReading(radio, {7'100'000, "AM", att, preamp}, dbm, kTrackingGenerator);
  };
  for (double dbm = -140; dbm <= 10; dbm += 0.5)
    EXPECT_EQ(reading(dbm, 12, 0), reading(dbm - 12, 0, 0)) << dbm;
  // The lowest level that lifts the reading 10 steps above its rest.
  const auto sensitivity = [&](int32_t preamp) {
    const int32_t rest = reading(kNoSignal, 0, preamp);
    double dbm = -150;
    while (reading(dbm, 0, preamp) < rest + 10) dbm += 0.1;
    return dbm;
  };
  EXPECT_GT(reading(kNoSignal, 0, 10), reading(kNoSignal, 0, 0));
  EXPECT_LT(sensitivity(10), sensitivity(0) - 3);
  EXPECT_GT(sensitivity(10), sensitivity(0) - 10);
  EXPECT_EQ(reading(-30, 0, 10), reading(-20, 0, 0));
}

}  // namespace
}  // namespace sim
