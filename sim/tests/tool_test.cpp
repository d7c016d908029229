// The orvanta-sim command, run as the operator would.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "sim/shared_state.h"

namespace sim {
namespace {

class Tool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-sim-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    setenv(kStateVariable, (folder_ / "state").c_str(), 1);
    unsetenv(kScenarioVariable);
  }
  void TearDown() override {
    unsetenv(kStateVariable);
    std::filesystem::remove_all(folder_);
  }
  // The exit code of orvanta-sim with these arguments.
  int Run(const std::string& arguments) {
    const auto tool = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvanta-sim";
    const int status = std::system((tool.string() + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  SharedState State() const { return LoadState(folder_ / "state"); }

  std::filesystem::path folder_;
};

TEST_F(Tool, SetsTheGenerator) {
  ASSERT_EQ(Run("generator -73 145.5M"), 0);
  EXPECT_EQ(State().levelDbm, -73);
  EXPECT_EQ(State().generatorHz, 145'500'000);
  ASSERT_EQ(Run("level -20.5"), 0);
  EXPECT_EQ(State().levelDbm, -20.5);
  EXPECT_EQ(State().generatorHz, 145'500'000);
  ASSERT_EQ(Run("frequency tracking"), 0);
  EXPECT_EQ(State().generatorHz, kTrackingGenerator);
  EXPECT_EQ(Run("level loud"), 2);
}

TEST_F(Tool, UnplugsAndHoldsKnownReceiversOnly) {
  ASSERT_EQ(Run("unplug C1004711"), 0);
  ASSERT_EQ(Run("busy classic:2"), 0);
  EXPECT_EQ(State().unplugged.count("C1004711"), 1u);
  EXPECT_EQ(State().busy.count("classic:2"), 1u);
  ASSERT_EQ(Run("plug C1004711"), 0);
  ASSERT_EQ(Run("free classic:2"), 0);
  EXPECT_TRUE(State().unplugged.empty());
  EXPECT_TRUE(State().busy.empty());
  EXPECT_EQ(Run("unplug NOSUCH"), 2);
  EXPECT_EQ(Run("show"), 0);
  EXPECT_EQ(Run("reset"), 0);
  EXPECT_EQ(State(), SharedState());
  EXPECT_EQ(Run(""), 2);
}

}  // namespace
}  // namespace sim
