#include "sim/shared_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace sim {
namespace {

class StateFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-sim-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST(SharedState, SurvivesTheTextForm) {
  SharedState state;
  state.levelDbm = -73.25;
  state.generatorHz = 145'500'000;
  state.SetPlugged("C1004711", false);
  state.busy.insert("classic:2");
  EXPECT_EQ(ParseState(FormatState(state)), state);
  EXPECT_EQ(ParseState(FormatState(SharedState())), SharedState());
}

TEST(SharedState, CountsUnplugsButNotRepeatedOnes) {
  SharedState state;
  state.SetPlugged("A", false);
  state.SetPlugged("A", false);
  state.SetPlugged("A", true);
  state.SetPlugged("A", false);
  EXPECT_EQ(state.unplugCounts["A"], 2);
  EXPECT_EQ(state.unplugged.count("A"), 1u);
}

TEST(SharedState, SkipsWhatItDoesNotKnow) {
  const SharedState state = ParseState("level loud\nfrequency 7.1M\ncolour blue\nbusy\n");
  EXPECT_EQ(state.levelDbm, SharedState().levelDbm);
  EXPECT_EQ(state.generatorHz, 7'100'000);
  EXPECT_TRUE(state.busy.empty());
}

TEST_F(StateFile, IsWrittenWholeAndReadBack) {
  const auto path = folder_ / "sub" / "state";
  EXPECT_EQ(LoadState(path), SharedState());
  ASSERT_TRUE(UpdateState(path, [](SharedState& state) { state.levelDbm = -20; }));
  EXPECT_EQ(LoadState(path).levelDbm, -20);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1);  // no leftovers
}

TEST_F(StateFile, AWatchSeesEveryRewrite) {
  const auto path = (folder_ / "state").string();
  FileWatch watch;
  EXPECT_TRUE(watch.Changed(path));  // first look
  EXPECT_FALSE(watch.Changed(path));
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(SaveState(SharedState(), path));
    ASSERT_TRUE(watch.Changed(path)) << i;
    ASSERT_FALSE(watch.Changed(path));
  }
  std::filesystem::remove(path);
  EXPECT_TRUE(watch.Changed(path));
  EXPECT_TRUE(watch.Changed((folder_ / "other").string()));
}

TEST_F(StateFile, ChangesFromTwoProcessesAtOnceAreAllKept) {
  const auto path = folder_ / "state";
  constexpr int kChanges = 300;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < kChanges; ++i) UpdateState(path, [&](SharedState& s) { s.SetPlugged("a", i % 2 != 0); });
    _exit(0);
  }
  for (int i = 0; i < kChanges; ++i) UpdateState(path, [&](SharedState& s) { s.levelDbm = -i; });
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(LoadState(path).unplugCounts["a"], kChanges / 2) << "an unplug was lost to a level change";
}

TEST(StatePath, FollowsTheVariable) {
  setenv(kStateVariable, "/somewhere/state", 1);
  EXPECT_EQ(StatePath(), "/somewhere/state");
  unsetenv(kStateVariable);
  EXPECT_FALSE(StatePath().empty());
}

}  // namespace
}  // namespace sim
