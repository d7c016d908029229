// orvanta-autocal calibrating a radio through Hamlib's network client: the
// simulated radio behind `orvanta-sim rigctld`, fed by `orvanta-sim
// generator-server`, both real processes.
#include "autocal_hamlib.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "autocal_options.h"
#include "autocal_run.h"
#include "fendrel.h"
#include "sim/shared_state.h"
#include "sim/testing/generator_server_process.h"
#include "true_levels.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kScenario =
    "noise 1\n"
    "radio SimRig min=30k max=60M modes=AM,CW,USB,LSB,FM att=0,12 preamp=0,10\n";
constexpr int32_t kUsb = 5;

class AutocalHamlib : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvanta-autocal-hamlib-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ / "scenario") << kScenario;
    setenv(sim::kScenarioVariable, (folder_ / "scenario").c_str(), 1);
    setenv(sim::kStateVariable, (folder_ / "state").c_str(), 1);
    generator_.emplace();
    radio_.emplace("SimRig");
  }
  void TearDown() override {
    radio_.reset();
    generator_.reset();
    unsetenv(sim::kScenarioVariable);
    unsetenv(sim::kStateVariable);
    fs::remove_all(folder_);
  }

  // orvanta-autocal on SimRig through model 2; the failure's message, or "".
  std::string Run(const std::string& frequencies, const fs::path& out, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--generator",   generator_->Address(),
                                          "--receiver",    "hamlib:2:" + radio_->Address(),
                                          "--mode",        "USB",
                                          "--frequencies", frequencies,
                                          "--levels",      "-130:-10",
                                          "--out",         out.string()};
    if (more.empty()) more = {"--name", "SimRig"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    try {
      AutocalOptions options = ParseAutocalOptions(arguments);
      const auto driver = HamlibDriverFor(options);
      TVelkaro_API* const drivers[] = {driver.get()};
      const auto connect = [&] {
        return instruments::ConnectGenerator(generator_->Address(), std::chrono::seconds(2));
      };
      RunAutocal(options, *connect(), drivers, output_, false, connect);
      return "";
    } catch (const std::exception& error) {
      return error.what();
    }
  }

  fs::path folder_;
  std::optional<sim::testing::GeneratorServerProcess> generator_;
  std::optional<sim::testing::RigctldProcess> radio_;
  std::ostringstream output_;
};

TEST_F(AutocalHamlib, CalibratesSimRigBelowAndAbove30MHzAndWithItsAttenuatorToTheModel) {
  const sim::RadioSpec radio = *sim::FindRadio(sim::ParseScenario(kScenario), "SimRig");
  const struct {
    const char* frequencies;
    std::vector<int64_t> hz;
    int32_t attenuatorDb;
    std::vector<std::string> more;
  } runs[] = {{"3.6M,50.1M", {3'600'000, 50'100'000}, 0, {}},
              {"14.2M", {14'200'000}, 12, {"--name", "SimRig", "--front-end", "ATT=12"}}};
  double sumSquares = 0, worst = 0;
  int count = 0;
  for (const auto& run : runs) {
    const fs::path out = folder_ / ("att" + std::to_string(run.attenuatorDb) + ".cal");
    ASSERT_EQ(Run(run.frequencies, out, run.more), "");
    const int32_t handle = LoadCALFile(out.c_str());
    ASSERT_GE(handle, 0);
    for (const int64_t hz : run.hz) {
      const auto reading = [&](double dbm) {
        return sim::RadioReading(radio, {hz, "USB", run.attenuatorDb, 0}, dbm, sim::kTrackingGenerator);
      };
      const auto truth = autocal::TrueLevelsOf(reading);
      for (int raw = reading(-130) + 1; raw < reading(-10); ++raw) {
        if (truth[raw].Width() > autocal::kResolvedDb) continue;
        CalibratedStrength strength{};
        strength.Size = sizeof strength;
        strength.RawValue = static_cast<uint8_t>(raw);
        ASSERT_EQ(GetCS(handle, "SimRig ", kUsb, hz, &strength), CAL_OK);
        const double error = strength.DBm - truth[raw].Middle();
        sumSquares += error * error, worst = std::max(worst, std::abs(error)), ++count;
        EXPECT_LE(std::abs(error), 1.0) << hz << " ATT " << run.attenuatorDb << " raw " << raw;
      }
    }
    Unload(handle);
    // At most 60 steps per frequency; the front end is in the log.
    std::ifstream log(fs::path(out).replace_extension(".steps.csv"));
    std::map<std::string, int> steps;
    std::string line, settings;
    while (std::getline(log, line)) {
      if (line.find("# settings:") != std::string::npos) settings = line;
      if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
        ++steps[line.substr(0, line.find(','))];
    }
    EXPECT_EQ(steps.size(), run.hz.size());
    for (const auto& [hz, taken] : steps) EXPECT_LE(taken, 60) << hz;
    EXPECT_EQ(settings.find("front end ATT=12 dB, PREAMP=0 dB") != std::string::npos, run.attenuatorDb == 12)
        << settings;
  }
  const double rms = std::sqrt(sumSquares / count);
  std::printf("%d raw values: RMS %.3f dB, worst %.3f dB\n%s", count, rms, worst, output_.str().c_str());
  EXPECT_LE(rms, 0.3);
  EXPECT_FALSE(sim::LoadState(folder_ / "state").outputOn);
}

TEST_F(AutocalHamlib, ARadioLostMidRunStopsItWithFinishedColumnsKeptAndTheOutputOff) {
  const fs::path out = folder_ / "lost.cal";
  // The radio goes away once the first column is saved.
  std::thread unplug([&] {
    while (!fs::exists(out)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    radio_.reset();
  });
  const std::string message = Run("3.6M,14.2M", out);
  unplug.join();
  EXPECT_NE(message.find("lost the connection to SimRig"), std::string::npos) << message;
  const int32_t handle = LoadCALFile(out.c_str());
  std::vector<int64_t> frequencies(2);
  EXPECT_EQ(GetFrequencies(handle, "SimRig ", kUsb, frequencies.data(), 16), 8);
  EXPECT_EQ(frequencies[0], 3'600'000);
  Unload(handle);
  EXPECT_FALSE(sim::LoadState(folder_ / "state").outputOn);
}

TEST_F(AutocalHamlib, ASettingTheRadioLacksOrAMissingNameIsRefusedBeforeTheGeneratorIsTouched) {
  const sim::SharedState before = sim::LoadState(folder_ / "state");
  const fs::path out = folder_ / "never.cal";
  EXPECT_EQ(Run("14.2M", out, {"--name", "SimRig", "--front-end", "ATT=6"}),
            "SimRig has no ATT setting of 6 dB");
  EXPECT_EQ(Run("14.2M", out, {"--name", "SimRig", "--front-end", "PREAMP=10,ATT=0,AGC=1"}),
            "--front-end: \"AGC=1\" is not ATT=DB or PREAMP=DB");
  EXPECT_EQ(Run("14.2M", out, {"--front-end", "ATT=12"}),
            "--name is needed for Hamlib's model 2 (a rigctld), which names no radio");
  EXPECT_EQ(Run("14.2M", out, {"--name", "SimRig12"}),
            "--name: \"SimRig12\" is not a receiver name (1 to 7 characters, no blanks)");
  EXPECT_FALSE(fs::exists(out));
  const sim::SharedState after = sim::LoadState(folder_ / "state");
  EXPECT_EQ(after.levelDbm, before.levelDbm);
  EXPECT_EQ(after.generatorHz, before.generatorHz);
  EXPECT_FALSE(after.outputOn);
}

}  // namespace
