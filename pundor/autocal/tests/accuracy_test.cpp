// The engine against the simulated receivers' S-meter model, with noise on:
// how close the calibrated level of every raw value comes to the true one,
// and how many steps a frequency takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

#include "autocal/frequency_sweep.h"
#include "true_levels.h"

namespace autocal {
namespace {

struct ModelReceiver {
  const char* label;
  double gainDb;
  bool rfAmplifier;
  int32_t mode;
};

// The default scenario's receivers that have two modes.
const ModelReceiver kReceivers[] = {
    {"classic:1 AM", 0, false, 1},   {"classic:1 USB", 0, false, 5},    {"classic:2 AM", -3, false, 1},
    {"classic:2 FMN", -3, false, 2}, {"C4000815 default", 2, true, -1}, {"C4000815 FMW", 2, true, 3},
};
const int64_t kFrequencies[] = {1'000'000, 7'050'000, 14'200'000, 21'300'000, 28'500'000};

// What the simulated library reads: the noise-free model with the scenario's
// noise added to the level before the S-meter turns it into a raw value.
class NoisyReceiver {
 public:
  NoisyReceiver(const ModelReceiver& receiver, int64_t hz, double noiseDb, double lossDb)
      : tuning_{hz, receiver.mode, false, receiver.rfAmplifier}, noiseDb_(noiseDb), lossDb_(lossDb) {
    spec_.gainDb = receiver.gainDb;
  }
  void SetGenerator(double dbm) { generatorDbm_ = dbm; }
  int Read() {
    const double noise = std::uniform_real_distribution<double>(-1, 1)(random_) * noiseDb_;
    return RawAt(generatorDbm_ - lossDb_ + noise);
  }
  int RawAt(double inputDbm) const { return ModelRaw(spec_, tuning_, inputDbm); }
  std::array<double, kRawValues> Truth() const { return TrueLevels(spec_, tuning_); }

 private:
  sim::ReceiverSpec spec_;
  sim::Tuning tuning_;
  double noiseDb_, lossDb_;
  double generatorDbm_ = -60;
  std::mt19937 random_{20241};
};

struct Errors {
  double sumSquares = 0, worst = 0;
  int count = 0;
  void Add(double error) { sumSquares += error * error, worst = std::max(worst, std::abs(error)), ++count; }
  double Rms() const { return std::sqrt(sumSquares / count); }
};

TEST(Accuracy, NoisySimulatedReceiversWithinAThirdOfADecibelInAtMostSixtySteps) {
  SweepSettings settings;  // -130..-10 dBm, finest step 1 dB, 9 readings
  Errors all;
  std::size_t mostSteps = 0;
  for (const ModelReceiver& model : kReceivers) {
    for (const int64_t hz : kFrequencies) {
      const double lossDb = hz == kFrequencies[2] ? 6 : 0;
      NoisyReceiver receiver(model, hz, 1.0, lossDb);
      FrequencySweep sweep(settings, lossDb);
      const LevelColumn column = RunSweep(
          sweep, {[&](double dbm) { receiver.SetGenerator(dbm); }, {}, [&] { return receiver.Read(); }, {}});
      Errors errors;
      const auto truth = receiver.Truth();
      int worstRaw = 0;
      for (int raw = column.lowestRaw + 1; raw < column.highestRaw; ++raw) {
        if (std::abs(column.levels[raw] - truth[raw]) > errors.worst) worstRaw = raw;
        errors.Add(column.levels[raw] - truth[raw]);
      }

      std::printf("%-17s %9lld Hz: %2zu steps, raw %3d..%3d, RMS %.3f dB, worst %.3f dB at raw %d\n",
                  model.label, static_cast<long long>(hz), sweep.Steps().size(), column.lowestRaw,
                  column.highestRaw, errors.Rms(), errors.worst, worstRaw);
      EXPECT_LE(errors.Rms(), 0.3) << model.label << " at " << hz;
      EXPECT_LE(errors.worst, 1.0) << model.label << " at " << hz;
      EXPECT_LE(sweep.Steps().size(), 60u) << model.label << " at " << hz;
      all.sumSquares += errors.sumSquares, all.count += errors.count,
          all.worst = std::max(all.worst, errors.worst);
      mostSteps = std::max(mostSteps, sweep.Steps().size());
    }
  }
  std::printf("all: RMS %.3f dB, worst %.3f dB, at most %zu steps\n", all.Rms(), all.worst, mostSteps);
}

}  // namespace
}  // namespace autocal
