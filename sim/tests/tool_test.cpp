// The orvanta-sim command, run as the operator would.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
  static std::filesystem::path Binaries() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
  }
  // The exit code of orvanta-sim with these arguments.
  int Run(const std::string& arguments) {
    const int status =
        std::system(((Binaries() / "orvanta-sim").string() + " " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // What orvanta-sim prints.
  std::string Output(const std::string& arguments) {
    FILE* pipe = popen(((Binaries() / "orvanta-sim").string() + " " + arguments).c_str(), "r");
    std::string text;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) text += buffer;
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << arguments;
    return text;
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
  ASSERT_EQ(Run("busy halv-b3"), 0);  // classic:2, by its name
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
  // The manual page is made of what --help prints.
  EXPECT_EQ(Output("--help").rfind("usage: orvanta-sim", 0), 0u);
}

// A receiver opened through its simulated library as its driver opens it.
class LibraryReceiver {
 public:
  explicit LibraryReceiver(const std::string& file) : library_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~LibraryReceiver() {
    if (library_) dlclose(library_);
  }
  template <typename... Args>
  int32_t Call(const char* name, Args... args) {
    auto function = reinterpret_cast<int32_t (*)(Args...)>(dlsym(library_, name));
    EXPECT_NE(function, nullptr) << name;
    return function ? function(args...) : 0;
  }
  int32_t Read(double levelDbm) {
    auto setGenerator = reinterpret_cast<int32_t (*)(double, int64_t)>(dlsym(library_, "SimSetGenerator"));
    EXPECT_EQ(setGenerator(levelDbm, 0), 1);
    return Call("GetRawSignalStrength", handle);
  }
  void* library_;
  int32_t handle = 0;
};

// Pairs of level and reading, one per line.
std::vector<std::pair<double, int32_t>> Lines(const std::string& text) {
  std::istringstream lines(text);
  std::vector<std::pair<double, int32_t>> pairs;
  double level = 0;
  int32_t raw = 0;
  while (lines >> level >> raw) pairs.emplace_back(level, raw);
  return pairs;
}

TEST_F(Tool, ModelTellsWhatTheLibrariesRead) {
  LibraryReceiver classic((Binaries() / "libdrovapi32.so").string());
  classic.handle = classic.Call("OpenRadioDevice", 1);
  classic.Call("SetPower", classic.handle, 1);
  classic.Call("SetFrequency", classic.handle, uint32_t{7'100'000});
  classic.Call("SetMode", classic.handle, 1);
  const auto am = Lines(Output("model Halv-A1 AM '7.1 MHz' -125:-5:7.5 +3"));
  ASSERT_EQ(am.size(), 18u);
  EXPECT_EQ(am[1].first, -117.5);
  EXPECT_EQ(am[16].first, -5);
  for (const auto& [level, raw] : am) EXPECT_EQ(classic.Read(level), raw) << level;

  LibraryReceiver c4((Binaries() / "libvxdapi.so").string());
  c4.handle = c4.Call("VxOpen", "C4000815");
  c4.Call("SetPower", c4.handle, 1);
  c4.Call("SetFrequency", c4.handle, uint32_t{145'500'000});
  c4.Call("SetFMW", c4.handle, 1);
  c4.Call("SetRFAmp", c4.handle, 1);
  const auto fmWide = Lines(Output("model C4000815 3 145.5M -20:-140:10"));
  ASSERT_EQ(fmWide.size(), 13u);
  EXPECT_GT(fmWide.front().second, fmWide.back().second);
  for (const auto& [level, raw] : fmWide) EXPECT_EQ(c4.Read(level), raw) << level;

  EXPECT_EQ(Run("model C4000815 AM 145.5M -50"), 2);    // no such mode there
  EXPECT_EQ(Run("model C1004711 default 50M -50"), 2);  // beyond its range
  EXPECT_EQ(Run("model C1004711 default 10M -50:-60:0"), 2);
}

}  // namespace
}  // namespace sim
