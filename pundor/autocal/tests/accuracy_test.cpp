// The engine against the simulated receivers' S-meter model, with noise on:
// how close the calibrated level of every raw value comes to the true one,
// and how many steps a frequency takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <span>

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
  int count = 0;
  void Add(double error) {
    worst = std::max(worst, std::abs(error));
    sumSquares += error * error, ++count;
  }
  void Add(const Errors& other) {
    sumSquares += other.sumSquares, count += other.count, worst = std::max(worst, other.worst);
  }
  double Rms() const { return count ? std::sqrt(sumSquares / count) : 0; }
};

struct Accuracy {
  Errors fromInterval, fromMiddle;  // of the input levels that give each raw value
  std::size_t mostSteps = 0;
};

// Every raw value whose whole interval of input levels lies inside the range
// measured, the first ones off the noise floor included.
Accuracy Measure(std::span<const ModelReceiver> receivers, std::span<const int64_t> frequencies, double noiseDb) {
  SweepSettings settings;  // -130..-10 dBm, finest step 1 dB, 9 readings
  Accuracy accuracy;
  for (const ModelReceiver& model : receivers) {
    for (const int64_t hz : frequencies) {
      const double lossDb = hz == frequencies[2] ? 6 : 0;
      NoisyReceiver receiver(model, hz, noiseDb, lossDb);
      FrequencySweep sweep(settings, lossDb);
      const LevelColumn column = RunSweep(
          sweep, {[&](double dbm) { receiver.SetGenerator(dbm); }, {}, [&] { return receiver.Read(); }, {}});
      const auto truth = receiver.Truth();
      Errors interval, middle;
      int worstRaw = 0;
      for (int raw = 0; raw < kRawValues; ++raw) {
        if (truth[raw].Width() < 0 || truth[raw].low < settings.fromDbm || truth[raw].high > settings.toDbm) continue;
        const double level = column.levels[raw];
        const double off = std::max({0.0, truth[raw].low - level, level - truth[raw].high});
        if (off > interval.worst) worstRaw = raw;
        interval.Add(off), middle.Add(level - truth[raw].Middle());
      }
      std::printf("%-9s %2d %9lld Hz noise %.1f: %2zu steps: RMS %.3f dB, worst %.3f dB at raw %d (%.1f..%.1f)\n",
                  model.id, model.mode, static_cast<long long>(hz), noiseDb, sweep.Steps().size(), interval.Rms(),
                  interval.worst, worstRaw, truth[worstRaw].low, truth[worstRaw].high);
      EXPECT_LE(interval.worst, 1.0) << model.id << " " << model.mode << " at " << hz << " noise " << noiseDb;
      EXPECT_LE(sweep.Steps().size(), 60u) << model.id << " " << model.mode << " at " << hz;
      accuracy.fromInterval.Add(interval), accuracy.fromMiddle.Add(middle);
      accuracy.mostSteps = std::max(accuracy.mostSteps, sweep.Steps().size());
    }
  }
  std::printf("noise %.1f: %d raw values, from their interval RMS %.3f dB, worst %.3f dB; from its middle RMS %.3f dB, "
              "worst %.3f dB; at most %zu steps\n",
              noiseDb, accuracy.fromInterval.count, accuracy.fromInterval.Rms(), accuracy.fromInterval.worst,
              accuracy.fromMiddle.Rms(), accuracy.fromMiddle.worst, accuracy.mostSteps);
  return accuracy;
}

TEST(Accuracy, NoisySimulatedReceiversWithinADecibelNearTheFloorAndAThirdOverallInAtMostSixtySteps) {
  for (const double noiseDb : {1.0, 1.5}) {
    const Accuracy accuracy = Measure(kReceivers, kFrequencies, noiseDb);
    EXPECT_LE(accuracy.fromInterval.Rms(), 0.3) << noiseDb;
    EXPECT_LE(accuracy.fromMiddle.Rms(), 0.3) << noiseDb;
  }
}

// Receivers, modes and frequencies the engine was not tuned on.
TEST(Accuracy, OtherReceiversModesAndFrequenciesAsClose) {
  const ModelReceiver receivers[] = {{"C1004711", -1}, {"classic:1", 0}, {"classic:1", 2}, {"classic:1", 3},
                                     {"classic:1", 4}, {"classic:2", 3}, {"classic:2", 5}, {"C4000815", 3}};
  const int64_t frequencies[] = {3'600'000, 10'100'000, 18'100'000, 24'900'000, 29'700'000};
  for (const double noiseDb : {1.0, 1.5}) {
    const Accuracy accuracy = Measure(receivers, frequencies, noiseDb);
    EXPECT_LE(accuracy.fromInterval.Rms(), 0.3) << noiseDb;
    EXPECT_LE(accuracy.fromMiddle.Rms(), 0.3) << noiseDb;
  }
}

}  // namespace
}  // namespace autocal
