#pragma once
// One frequency's calibration: the steps planned, the readings taken at each,
// and the column fitted from them. The caller does the I/O: RunSweep below in
// one loop for the command line, or a window step by step from its timers.
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "autocal/level_column.h"
#include "autocal/sweep_planner.h"

namespace autocal {

// What the calibration tables can hold, and so the range a sweep may cover.
inline constexpr double kLowestLevelDbm = -140.0;
inline constexpr double kHighestLevelDbm = 0.0;

struct SweepSettings {
  double fromDbm = -130;  // at the receiver input
  double toDbm = -10;
  double finestStepDb = 1;
  int readings = 9;  // per step; their median counts
  std::chrono::milliseconds settle{0};
};

// Raises std::invalid_argument with a message for the operator when a
// setting cannot be used (a level outside -140..0 dBm, no readings, ...).
void CheckSettings(const SweepSettings& settings);

struct Step {
  double generatorDbm = 0;
  double receiverDbm = 0;  // the generator level less the loss
  std::vector<int> raws;
  // The median of the readings, resolved within a raw step.
  double Median() const;
};

class FrequencySweep {
 public:
  FrequencySweep(const SweepSettings& settings, double lossDb);

  // The next step's levels (raws empty), or nothing when the column is done.
  std::optional<Step> Next() const;
  // The step Next() gave, with its readings.
  void Record(Step step);

  const std::vector<Step>& Steps() const { return steps_; }
  // The most steps this frequency can take (the planner never exceeds it).
  int MostSteps() const { return planner_.MostSteps(); }
  // The steps the planner will still take as far as it knows yet.
  int StepsPlanned() const { return planner_.StepsPlanned(); }
  const SweepSettings& Settings() const { return settings_; }
  LevelColumn Fit() const;

 private:
  SweepSettings settings_;
  double lossDb_;
  SweepPlanner planner_;
  std::vector<Step> steps_;  // in the order taken
};

// The instruments as one loop sees them. Each may raise an exception, which
// ends the sweep and passes through.
struct SweepIo {
  std::function<void(double generatorDbm)> setLevel;  // returns once the generator has it
  std::function<void(std::chrono::milliseconds)> wait;
  std::function<int()> readRaw;
  std::function<void(const Step&)> stepTaken;  // may be empty
};

// Takes every step of `sweep` and returns its column.
LevelColumn RunSweep(FrequencySweep& sweep, const SweepIo& io);

}  // namespace autocal
