// What operators type means the same to every program: orvanta-autocal (its
// options, and the drivers it finds receivers with), fendrel-tool and
// orvanta-sim, each run as the operator runs it.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "autocal_options.h"
#include "receivers/device_list.h"
#include "sim/shared_state.h"
#include "vocabulary/tests/frequency_texts.h"

namespace {

namespace fs = std::filesystem;

// Two classic receivers of one model: only classic:N tells them apart.
constexpr const char* kScenario =
    "classic 1 model=266 interface=5 min=9k max=1.8G modes=1,5\n"
    "classic 3 model=266 interface=5 min=9k max=1.8G modes=1,5\n"
    "classic 2 model=1024 interface=1 min=100k max=4G modes=1,2,3,5\n"
    "newer C4 serial=C4000815 bus=PCI min=100k max=1.5G\n";

struct Outcome {
  int status = -1;
  std::string output;
};

class EveryProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvanta-vocabulary-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ / "scenario") << kScenario;
    setenv("ORVANTA_SIM_SCENARIO", (folder_ / "scenario").c_str(), 1);
    setenv("ORVANTA_SIM_STATE", (folder_ / "state").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("ORVANTA_SIM_SCENARIO");
    unsetenv("ORVANTA_SIM_STATE");
    fs::remove_all(folder_);
  }

  // A program built beside this test, its arguments quoted as a shell would
  // take them, and `redirection` for its output.
  static Outcome Run(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& redirection = "2>/dev/null") {
    std::string command = (fs::read_symlink("/proc/self/exe").parent_path() / program).string();
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    FILE* pipe = popen((command + " " + redirection).c_str(), "r");
    Outcome outcome;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
  }

  fs::path folder_;
};

std::vector<int64_t> AutocalFrequencies(const std::string& text) {
  const std::vector<std::string> line = {"--generator", "g",     "--receiver",    "r",
                                         "--mode",      "AM",    "--levels",      "-130:-10",
                                         "--out",       "x.cal", "--frequencies", text};
  try {
    return ParseAutocalOptions(line).frequencies;
  } catch (const UsageError&) {
    return {};
  }
}

TEST_F(EveryProgram, ReadsEveryFrequencyTextAlike) {
  const fs::path table = folder_ / "demo.cal";
  ASSERT_EQ(Run("fendrel-tool", {"demo", table.string()}, ">/dev/null").status, 0);
  for (const auto& [text, hz] : vocabulary::testing::kFrequencyTexts) {
    const bool taken = hz && *hz > 0;
    EXPECT_EQ(AutocalFrequencies(text), taken ? std::vector<int64_t>{*hz} : std::vector<int64_t>{}) << text;

    const Outcome converted =
        Run("fendrel-tool", {"convert", table.string(), "Halv-A1", "AM", text, "100", "--json"});
    EXPECT_EQ(converted.status == 0, taken) << text;
    if (taken) {
      EXPECT_NE(converted.output.find("\"frequency_hz\": " + std::to_string(*hz) + ","), std::string::npos)
          << text << ": " << converted.output;
    }

    sim::SaveState(sim::SharedState(), folder_ / "state");
    EXPECT_EQ(Run("orvanta-sim", {"frequency", text}).status, taken ? 0 : 2) << text;
    EXPECT_EQ(sim::LoadState(folder_ / "state").generatorHz, taken ? *hz : sim::SharedState().generatorHz)
        << text;
  }
}

TEST_F(EveryProgram, TakesEveryNameOfAReceiverAndRefusesANameTwoShare) {
  const struct {
    const char* name;
    const char* receiver;  // its classic:N or serial number
  } names[] = {
      {"classic:3", "classic:3"}, {"CLASSIC:1", "classic:1"}, {"Halv-B3", "classic:2"},
      {"halv-b3", "classic:2"},   {"C4000815", "C4000815"},   {"HalvoC4", "C4000815"},
      {"halv-c4wm", "C4000815"},
  };
  TDriverSet drivers;
  std::vector<TRadioDevice> devices(kMaxDevices);
  devices.resize(BuildDeviceList(drivers.InOrder(), devices));
  ASSERT_EQ(devices.size(), 4u);
  for (const auto& [name, receiver] : names) {
    EXPECT_EQ(FormsOf(FindDevice(devices, name)).Unique(), receiver) << name;
    sim::SaveState(sim::SharedState(), folder_ / "state");
    ASSERT_EQ(Run("orvanta-sim", {"unplug", name}).status, 0) << name;
    EXPECT_EQ(sim::LoadState(folder_ / "state").unplugged, std::set<std::string>{receiver}) << name;
  }
  EXPECT_THROW(FindDevice(devices, "Halv-A1"), vocabulary::ReceiverNotFound);
  const Outcome shared = Run("orvanta-sim", {"unplug", "Halv-A1"}, "2>&1");
  EXPECT_EQ(shared.status, 2);
  EXPECT_NE(shared.output.find("classic:1 (Halv-A1, Halv-A1b); classic:3 (Halv-A1, Halv-A1b)"),
            std::string::npos)
      << shared.output;

  const Outcome shown = Run("orvanta-sim", {"show"});
  for (const char* line : {"  classic:1 (Halv-A1, Halv-A1b): ", "  classic:3 (Halv-A1, Halv-A1b): ",
                           "  classic:2 (Halv-B3): ", "  C4000815 (HalvoC4, Halv-C4WM): "})
    EXPECT_NE(shown.output.find(line), std::string::npos) << line << "\n" << shown.output;
}

TEST_F(EveryProgram, AutocalShowsItsHelpWhereverAskedAndItsUsageOnStderrWhenGivenNothing) {
  const Outcome nothing = Run("orvanta-autocal", {}, "2>&1 >/dev/null");
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(nothing.output.rfind("Usage: orvanta-autocal ", 0), 0u) << nothing.output;
  for (const std::vector<std::string>& line : {std::vector<std::string>{"--help"},
                                               {"--mode", "AM", "-h"},
                                               {"--frequencies", "1x", "--help", "--out"}}) {
    const Outcome help = Run("orvanta-autocal", line);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output, AutocalHelp());
  }
  const std::string help = AutocalHelp();
  for (const char* said :
       {"(default 1)", "(default 9)", "0 to 3600000 (default 0)", "(default 5000)", "scpi, scpi-long",
        "--into [EXISTING.cal]", "--replace", "--refit STEPS.csv", "\nExit status:\n", "129, 130, 143"})
    EXPECT_NE(help.find(said), std::string::npos) << said;
  for (std::size_t line = 0, end = 0; line < help.size(); line = end + 1) {
    end = help.find('\n', line);
    EXPECT_LE(end - line, 80u) << help.substr(line, end - line);  // a terminal's and a manual page's width
  }
}

}  // namespace
