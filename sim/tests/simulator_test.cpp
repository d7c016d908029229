#include "sim/simulator.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

namespace sim {
namespace {

// A simulator with a scenario and a state file of the test's own.
class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-sim-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv(kStateVariable, (folder_ / "state").c_str(), 1);
  }
  void TearDown() override {
    unsetenv(kScenarioVariable);
    unsetenv(kStateVariable);
    std::filesystem::remove_all(folder_);
  }
  void UseScenario(const std::string& text) {
    const auto path = folder_ / "scenario";
    std::ofstream(path) << text;
    setenv(kScenarioVariable, path.c_str(), 1);
  }
  std::filesystem::path StateFile() const { return folder_ / "state"; }

  std::filesystem::path folder_;
};

TEST_F(SimulatorTest, ListsWhatFitsAndCountsAll) {
  std::string scenario;
  for (int i = 0; i < 5; ++i) scenario += "newer C2 serial=S" + std::to_string(i) + " min=1k max=1G\n";
  UseScenario(scenario + "newer C1 serial=OTHER min=1k max=1G\n");
  Simulator simulator(Family::kNewer, "C2");
  simulator.Refresh();
  std::vector<NewerListEntry> entries(3);
  int32_t count = 0;
  EXPECT_EQ(simulator.ListNewer(entries.data(), 3 * sizeof(NewerListEntry), &count), 5);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(std::string(entries[2].serial), "S2");
}

TEST_F(SimulatorTest, RefusesADeviceInfoRecordTooSmall) {
  Simulator simulator(Family::kClassic, "");
  simulator.Refresh();
  const int32_t handle = simulator.OpenClassic(1);
  ASSERT_NE(handle, 0);
  ClassicDeviceInfo info{};
  info.size = 76;
  EXPECT_EQ(simulator.GetDeviceInfo(handle, &info), 0);
  EXPECT_EQ(info.modelCode, 0);
  info.size = sizeof info;
  EXPECT_EQ(simulator.GetDeviceInfo(handle, &info), 1);
  EXPECT_EQ(info.modelCode, 266);
  EXPECT_EQ(info.maxKHz, 1'800'000);
}

TEST_F(SimulatorTest, ANewScenarioDropsTheOpenDevices) {
  UseScenario("newer C1 serial=A min=1k max=1G\n");
  Simulator simulator(Family::kNewer, "C1");
  simulator.Refresh();
  const int32_t handle = simulator.OpenNewer("A");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(simulator.IsConnected(handle), 1);
  UseScenario("newer C1 serial=A min=1k max=1G\nnewer C1 serial=B min=1k max=1G\n");
  simulator.Refresh();
  EXPECT_EQ(simulator.IsConnected(handle), 0);
}

TEST_F(SimulatorTest, NoiseIsOffUnlessTheScenarioAsksForIt) {
  for (const bool noisy : {false, true}) {
    UseScenario(std::string(noisy ? "noise 3\n" : "") + "newer C1 serial=A min=1k max=1G\n");
    Simulator simulator(Family::kNewer, "C1");
    simulator.Refresh();
    const int32_t handle = simulator.OpenNewer("A");
    simulator.SetPower(handle, true);
    std::set<int32_t> readings;
    for (int i = 0; i < 50; ++i) readings.insert(simulator.GetRawSignalStrength(handle));
    if (noisy) {
      // Within ±3 dB of the noise-free reading at the initial -60 dBm.
      const ReceiverSpec setup = ParseScenario("newer C1 serial=A min=1k max=1G\n").receivers[0];
      const double detector =
          DetectorLevelDbm(setup, Tuning{1000, -1, false, false}, -60, kTrackingGenerator);
      EXPECT_GT(readings.size(), 3u);
      EXPECT_GE(*readings.begin(), RawReading(CurveOf(setup), -1, detector, -3));
      EXPECT_LE(*readings.rbegin(), RawReading(CurveOf(setup), -1, detector, 3));
    } else {
      EXPECT_EQ(readings.size(), 1u);
    }
  }
}

TEST_F(SimulatorTest, SeesTheSharedStateOnTheNextCall) {
  UseScenario("newer C1 serial=A min=1k max=1G\n");
  Simulator simulator(Family::kNewer, "C1");
  simulator.Refresh();
  const int32_t handle = simulator.OpenNewer("A");
  simulator.SetPower(handle, true);
  const int32_t before = simulator.GetRawSignalStrength(handle);
  ASSERT_TRUE(UpdateState(StateFile(), [](SharedState& state) { state.levelDbm += 10; }));
  simulator.Refresh();
  EXPECT_GT(simulator.GetRawSignalStrength(handle), before + 10);
  ASSERT_TRUE(UpdateState(StateFile(), [](SharedState& state) { state.busy.insert("A"); }));
  simulator.Refresh();
  EXPECT_EQ(simulator.OpenNewer("A"), 0);
  EXPECT_EQ(simulator.IsConnected(handle), 1);  // a device already open stays usable
}

TEST_F(SimulatorTest, AnExclusiveScenarioHoldsAnOpenReceiver) {
  UseScenario("exclusive\nnewer C1 serial=A min=1k max=1G\nnewer C1 serial=B min=1k max=1G\n");
  Simulator mine(Family::kNewer, "C1");
  Simulator otherProgram(Family::kNewer, "C1");
  mine.Refresh();
  otherProgram.Refresh();
  const int32_t handle = mine.OpenNewer("A");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(otherProgram.OpenNewer("A"), 0);
  EXPECT_NE(otherProgram.OpenNewer("B"), 0);
  mine.Close(handle);
  EXPECT_NE(otherProgram.OpenNewer("A"), 0);
}

TEST_F(SimulatorTest, ReceiversAreSharedUnlessTheScenarioIsExclusive) {
  UseScenario("newer C1 serial=A min=1k max=1G\n");
  Simulator mine(Family::kNewer, "C1");
  Simulator otherProgram(Family::kNewer, "C1");
  mine.Refresh();
  otherProgram.Refresh();
  EXPECT_NE(mine.OpenNewer("A"), 0);
  EXPECT_NE(otherProgram.OpenNewer("A"), 0);
}

}  // namespace
}  // namespace sim
