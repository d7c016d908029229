// Time per calibration frequency: orvanta-autocal's whole path (receiver
// found and opened through the real drivers, the simulated libraries, each
// step set as the simulated generator sets it, the column fitted, written and
// saved), with no settling delay.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "autocal_run.h"
#include "receivers/velkaro_vk.h"
#include "receivers/velkaro_vx.h"
#include "sim/shared_state.h"

namespace {

namespace fs = std::filesystem;

// Sets the simulators' shared state as orvanta-sim generator-server does.
class StateGenerator : public instruments::SignalGenerator {
 public:
  explicit StateGenerator(fs::path state) : state_(std::move(state)) {}
  const std::string& Address() const override { return address_; }
  std::string Identify() override { return "Simulated,SG-1,0001,1.0"; }
  void SetFrequency(int64_t hz) override { hz_ = hz, Apply(); }
  void SetLevel(double dbm) override { dbm_ = dbm, Apply(); }
  void SetOutput(bool on) override { on_ = on, Apply(); }
  void WaitComplete() override {}
  std::string ReadError() override { return ""; }

 private:
  void Apply() {
    sim::UpdateState(state_, [&](sim::SharedState& state) {
      state.levelDbm = on_ ? dbm_ : -300;
      state.generatorHz = hz_;
    });
  }
  fs::path state_;
  std::string address_ = "state";
  double dbm_ = -130;
  int64_t hz_ = 0;
  bool on_ = false;
};

void CalibrateOneFrequency(benchmark::State& state, const char* receiver, const char* mode) {
  const fs::path folder = fs::temp_directory_path() / "orvanta-autocal-bench";
  fs::create_directories(folder);
  std::ofstream(folder / "scenario")
      << "noise 1\n"
         "classic 1 model=266 interface=5 min=9k max=1.8G modes=0,1,2,2/3,3,4,5\n"
         "newer C4 serial=C4000815 bus=PCI min=100k max=1.5G gain=2\n";
  setenv("ORVANTA_SIM_SCENARIO", (folder / "scenario").c_str(), 1);
  setenv("ORVANTA_SIM_STATE", (folder / "state").c_str(), 1);
  StateGenerator generator(folder / "state");
  TVelkaro_Vk classic;
  TVelkaro_C4 c4;
  TVelkaro_API* const drivers[] = {&classic, &c4};
  const std::vector<std::string> arguments = {
      "--generator",   "state", "--receiver", receiver,   "--mode", mode,
      "--frequencies", "14.2M", "--levels",   "-130:-10", "--out",  (folder / "bench.cal").string(),
      "--replace"};
  const AutocalOptions options = ParseAutocalOptions(arguments);
  std::ostream discard(nullptr);
  for (auto _ : state) RunAutocal(options, generator, drivers, discard, false);
  fs::remove_all(folder);
}

BENCHMARK_CAPTURE(CalibrateOneFrequency, classic_AM, "Halv-A1", "AM")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The newer family waits 100 ms after every tuning.
BENCHMARK_CAPTURE(CalibrateOneFrequency, newer_FMW, "C4000815", "FMW")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
