// orvanta-autocal's run through the real drivers and the simulated receiver
// libraries, with a generator that sets the simulators' shared state the way
// a generator on the bench sets the receiver's input.
#include "autocal_run.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "fendrel.h"
#include "receivers/velkaro_vk.h"
#include "receivers/velkaro_vx.h"
#include "sim/shared_state.h"
#include "true_levels.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kScenario =
    "noise 1\n"
    "classic 1 model=266 interface=5 min=9k max=1.8G modes=0,1,2,2/3,3,4,5\n"
    "classic 2 model=1024 interface=1 min=100k max=4G modes=1,2,3,5 gain=-3\n"
    "newer C4 serial=C4000815 bus=PCI min=100k max=1.5G gain=2\n";
constexpr double kNoSignalDbm = -300;

class FakeGenerator : public instruments::SignalGenerator {
 public:
  // The simulators' state file it sets.
  fs::path state;

  const std::string& Address() const override { return address_; }
  std::string Identify() override { return Call("*IDN?"), "Simulated,SG-1,0001,1.0"; }
  void SetFrequency(int64_t hz) override {
    Call("frequency " + std::to_string(hz));
    hz_ = hz;
    Apply();
  }
  void SetLevel(double dbm) override {
    Call("level");
    if (dbm < -130 || dbm > 13)
      throw instruments::GeneratorError("fake://sg refused :SOUR:POW " + std::to_string(dbm));
    ++levels;
    if (onLevel) onLevel(levels);
    dbm_ = dbm;
    Apply();
  }
  void SetOutput(bool on) override {
    Call(on ? "output on" : "output off");
    on_ = on;
    Apply();
  }
  void WaitComplete() override { Call("*OPC?"); }
  std::string ReadError() override { return Call("SYST:ERR?"), ""; }

  std::vector<std::string> calls;
  int levels = 0;
  std::function<void(int)> onLevel;  // after the n-th level was accepted
  bool dropped = false;

 private:
  void Call(const std::string& command) {
    calls.push_back(command);
    if (dropped) throw instruments::GeneratorError("fake://sg dropped the connection (" + command + ")");
  }
  void Apply() {
    sim::UpdateState(state, [&](sim::SharedState& state) {
      state.levelDbm = on_ ? dbm_ : kNoSignalDbm;
      state.generatorHz = hz_;
    });
  }
  std::string address_ = "fake://sg";
  double dbm_ = -130;
  int64_t hz_ = 0;
  bool on_ = false;
};

class AutocalRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvanta-autocal-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    std::ofstream(folder_ / "scenario") << kScenario;
    setenv("ORVANTA_SIM_SCENARIO", (folder_ / "scenario").c_str(), 1);
    setenv("ORVANTA_SIM_STATE", (folder_ / "state").c_str(), 1);
    generator.state = folder_ / "state";
  }
  void TearDown() override {
    unsetenv("ORVANTA_SIM_SCENARIO");
    unsetenv("ORVANTA_SIM_STATE");
    fs::remove_all(folder_);
  }

  // orvanta-autocal with these arguments; the failure's message, or "".
  std::string Run(std::vector<std::string> arguments) {
    TVelkaro_Vk classic;
    TVelkaro_C1 c1;
    TVelkaro_C2 c2;
    TVelkaro_C3 c3;
    TVelkaro_C4 c4;
    TVelkaro_C5 c5;
    TVelkaro_API* const drivers[] = {&classic, &c1, &c2, &c3, &c4, &c5};
    try {
      RunAutocal(ParseAutocalOptions(arguments), generator, drivers, output, false);
      return "";
    } catch (const std::exception& error) {
      return error.what();
    }
  }

  // The frequencies of a receiver's mode in a saved table.
  static std::vector<int64_t> Frequencies(const fs::path& file, const char* receiver, int32_t mode) {
    const int32_t table = LoadCALFile(file.c_str());
    std::vector<int64_t> frequencies(std::max(0, GetFrequencies(table, receiver, mode, nullptr, 0)) / 8);
    GetFrequencies(table, receiver, mode, frequencies.data(), static_cast<uint32_t>(frequencies.size() * 8));
    Unload(table);
    return frequencies;
  }

  fs::path folder_;
  FakeGenerator generator;
  std::ostringstream output;
};

struct Calibrated {
  const char* receiver;  // as given on the command line
  const char* tableName;
  const char* mode;
  int32_t code;
  double gainDb;
  bool rfAmplifier;
};

TEST_F(AutocalRun, ThreeNoisyReceiversInTwoModesAtFiveFrequenciesMatchTheirModelToAThirdOfADecibel) {
  const Calibrated runs[] = {
      {"Halv-A1", "Halv-A1", "AM", 1, 0, false},       {"halv-a1", "Halv-A1", "usb", 5, 0, false},
      {"Halv-B3", "Halv-B3", "AM", 1, -3, false},      {"Halv-B3", "Halv-B3", "2", 2, -3, false},
      {"C4000815", "HalvoC4", "DEFAULT", -1, 2, true}, {"c4000815", "HalvoC4", "FMW", 3, 2, true},
  };
  const std::vector<int64_t> frequencies = {1'000'000, 7'050'000, 14'200'000, 21'300'000, 28'500'000};
  fs::path table;
  for (std::size_t i = 0; i < std::size(runs); ++i) {
    const fs::path out = folder_ / ("run" + std::to_string(i) + ".cal");
    std::vector<std::string> arguments = {
        "--generator", "fake://sg",  "--receiver",    runs[i].receiver,
        "--mode",      runs[i].mode, "--frequencies", "1M,7.05M,14.2M,21.3M,28.5M",
        "--levels",    "-130:-10",   "--out",         out.string()};
    if (!table.empty()) arguments.insert(arguments.end(), {"--into", table.string()});
    ASSERT_EQ(Run(arguments), "") << runs[i].receiver;
    table = out;
  }
  EXPECT_EQ(generator.calls.back(), "output off");

  const int32_t handle = LoadCALFile(table.c_str());
  ASSERT_GE(handle, 0);
  double sumSquares = 0, worst = 0;
  int count = 0;
  for (const Calibrated& run : runs) {
    EXPECT_EQ(Frequencies(table, run.tableName, run.code), frequencies) << run.receiver << " " << run.mode;
    sim::ReceiverSpec spec;
    spec.gainDb = run.gainDb;
    for (const int64_t hz : frequencies) {
      const sim::Tuning tuning{hz, run.code, false, run.rfAmplifier};
      const auto truth = autocal::TrueLevels(spec, tuning);
      // Strictly inside what -130..-10 dBm reads: the extremes are cut off.
      for (int raw = autocal::ModelRaw(spec, tuning, -130) + 1; raw < autocal::ModelRaw(spec, tuning, -10);
           ++raw) {
        CalibratedStrength strength{};
        strength.Size = sizeof strength;
        strength.RawValue = static_cast<uint8_t>(raw);
        ASSERT_EQ(GetCS(handle, run.tableName, run.code, hz, &strength), CAL_OK);
        const double error = strength.DBm - truth[raw];
        sumSquares += error * error, worst = std::max(worst, std::abs(error)), ++count;
        EXPECT_LE(std::abs(error), 1.0) << run.tableName << " " << run.mode << " " << hz << " raw " << raw;
      }
    }
  }
  Unload(handle);
  const double rms = std::sqrt(sumSquares / count);
  std::printf("%d raw values: RMS %.3f dB, worst %.3f dB\n%s", count, rms, worst, output.str().c_str());
  EXPECT_LE(rms, 0.3);

  // One summary line per frequency; every step in the log.
  EXPECT_EQ(output.str().find("1 MHz: "), 0u) << output.str();
  std::ifstream log(fs::path(table).replace_extension(".steps.csv"));
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(log, line)) lines.push_back(line);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(lines[1], "# generator: Simulated,SG-1,0001,1.0 at fake://sg");
  EXPECT_EQ(lines[2], "# receiver: HalvoC4 C4000815");
  EXPECT_EQ(lines[4], "frequency_hz,mode,generator_dbm,receiver_dbm,raw...");
  EXPECT_EQ(lines[5].rfind("1000000,FMW,-130.00,-130.00,", 0), 0u) << lines[5];
  EXPECT_EQ(std::count(lines[5].begin(), lines[5].end(), ','), 4 + 5 - 1);
  EXPECT_LE(lines.size() - 5, 5u * 60);
}

}  // namespace
