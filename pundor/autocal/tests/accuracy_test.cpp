// The engine against the simulated receivers' S-meter model, with noise on:
// how close the calibrated level of every raw value comes to the true one,
// and how many steps a frequency takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "autocal/frequency_sweep.h"
#include "true_levels.h"

namespace autocal {
namespace {

struct ModelReceiver {
  const char* id;
  int32_t mode;
};

// The default scenario's receivers that have two modes.
const ModelReceiver kReceivers[] = {{"classic:1", 1}, {"classic:1", 5}, {"classic:2", 1},
                                    {"classic:2", 2}, {"C4000815", -1}, {"C4000815", 3}};
const int64_t kFrequencies[] = {1'000'000, 7'050'000, 14'200'000, 21'300'000, 28'500'000};

// What the simulated library reads: the model with the scenario's noise
// added to what the detector hears, behind a cable of `lossDb`.
class NoisyReceiver {
 public:
  NoisyReceiver(const ModelReceiver& receiver, int64_t hz, double noiseDb, double lossDb)
      : spec_(ScenarioReceiver(sim::DefaultScenarioText(), receiver.id)),
        hz_(hz),
        mode_(receiver.mode),
        noiseDb_(noiseDb),
        lossDb_(lossDb) {}
  void SetGenerator(double dbm) { generatorDbm_ = dbm; }
  int Read() {
    const double jitter = std::uniform_real_distribution<double>(-1, 1)(random_) * noiseDb_;
    return ModelRaw(spec_, hz_, mode_, generatorDbm_ - lossDb_, jitter);
  }
  std::array<RawStep, kRawValues> Truth() const { return TrueLevels(spec_, hz_, mode_); }

 private:
  sim::ReceiverSpec spec_;
  int64_t hz_;
  int32_t mode_;
  double noiseDb_, lossDb_;
  double generatorDbm_ = -60;
  std::mt19937 random_{20241};
};

struct Errors {
  double sumSquares = 0, worst = 0;
  int count = 0, worstRaw = 0;
  void Add(int raw, double error) {
    if (std::abs(error) > worst) worst = std::abs(error), worstRaw = raw;
    sumSquares += error * error, ++count;
  }
  void Add(const Errors& other) {
    sumSquares += other.sumSquares, count += other.count, worst = std::max(worst, other.worst);
  }
  double Rms() const { return std::sqrt(sumSquares / count); }
};

TEST(Accuracy, NoisySimulatedReceiversWithinAThirdOfADecibelInAtMostSixtySteps) {
  SweepSettings settings;  // -130..-10 dBm, finest step 1 dB, 9 readings
  Errors resolved, everything;
  std::size_t mostSteps = 0;
  for (const ModelReceiver& model : kReceivers) {
    for (const int64_t hz : kFrequencies) {
      const double lossDb = hz == kFrequencies[2] ? 6 : 0;
      NoisyReceiver receiver(model, hz, 1.0, lossDb);
      FrequencySweep sweep(settings, lossDb);
      const LevelColumn column = RunSweep(
          sweep, {[&](double dbm) { receiver.SetGenerator(dbm); }, {}, [&] { return receiver.Read(); }, {}});
      const auto truth = receiver.Truth();
      Errors errors, all;
      // Strictly inside what the range reads: the two ends are cut off.
      for (int raw = column.lowestRaw + 1; raw < column.highestRaw; ++raw) {
        const double error = column.levels[raw] - truth[raw].Middle();
        all.Add(raw, error);
        if (truth[raw].Width() <= kResolvedDb) errors.Add(raw, error);
      }
      std::printf(
          "%-9s %2d %9lld Hz: %2zu steps, raw %3d..%3d: RMS %.3f dB, worst %.3f dB at raw %d "
          "(all: %.3f, %.3f at %d)\n",
          model.id, model.mode, static_cast<long long>(hz), sweep.Steps().size(), column.lowestRaw,
          column.highestRaw, errors.Rms(), errors.worst, errors.worstRaw, all.Rms(), all.worst, all.worstRaw);
      EXPECT_LE(errors.Rms(), 0.3) << model.id << " " << model.mode << " at " << hz;
      EXPECT_LE(errors.worst, 1.0) << model.id << " " << model.mode << " at " << hz;
      EXPECT_LE(sweep.Steps().size(), 60u) << model.id << " " << model.mode << " at " << hz;
      resolved.Add(errors), everything.Add(all);
      mostSteps = std::max(mostSteps, sweep.Steps().size());
    }
  }
  std::printf(
      "resolved raw values: RMS %.3f dB, worst %.3f dB; all: RMS %.3f dB, worst %.3f dB; at most %zu steps\n",
      resolved.Rms(), resolved.worst, everything.Rms(), everything.worst, mostSteps);
}

}  // namespace
}  // namespace autocal
