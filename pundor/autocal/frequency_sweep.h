#pragma once
// One frequency's calibration: the steps planned, the readings taken at each,
// and the column fitted from them. The caller does the I/O: RunSweep below in
// one loop for the command line, or a window step by step from its timers.
#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "autocal/level_column.h"
#include "autocal/sweep_planner.h"

namespace autocal {

// What the calibration tables can hold, and so the range a sweep may cover.
inline constexpr double kLowestLevelDbm = -140.0;
inline constexpr double kHighestLevelDbm = 0.0;
// How long past the settling time a sweep waits for the reading to follow
// the generator before it gives up.
inline constexpr std::chrono::milliseconds kMostSettle{5000};

struct SweepSettings {
  double fromDbm = -130;  // at the receiver input
  double toDbm = -10;
  double finestStepDb = 1;
  int readings = 9;  // per step (more on the noise floor); their mean counts
  std::chrono::milliseconds settle{0};
};

// The most readings a step takes: those on the noise floor.
int MostReadings(const SweepSettings& settings);

// sweep_fields.h checks the settings as an operator types them.

struct Step {
  double generatorDbm = 0;
  double receiverDbm = 0;  // the generator level less the loss
  std::vector<int> raws;
  // The median of the readings, resolved within a raw step: robust, for
  // checks and display.
  double Median() const;
  // The mean of the readings, which the fit uses: the sum over raw values of
  // the share of readings at or above each, so the noise that dithers the
  // reading between neighbouring raw values places the level between them.
  double Mean() const;
};

// Why a frequency's steps give no column, for the operator.
struct ColumnRejected : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The column the steps of one frequency give, in the order they were taken
// (a level taken twice counts with its last readings). Raises ColumnRejected
// when the steps fail the sanity check (the reading does not rise with the
// level, or one step's readings spread far more than the others': a
// generator slower than the settling time) or cannot be fitted.
LevelColumn FitSteps(std::span<const Step> steps);

class FrequencySweep {
 public:
  FrequencySweep(const SweepSettings& settings, double lossDb);

  // The next step's levels (raws empty), or nothing when the column is done.
  std::optional<Step> Next() const;
  // The wait after setting a level before the first reading: the settings',
  // or longer once the reading was seen to follow the generator later.
  std::chrono::milliseconds Settle() const;
  // Adds a reading of the step Next() gave, taken `sinceSet` after its level
  // was set; true once the step has all its readings. At the first jump of
  // the level (the bottom of the range to its top) the readings that wait for
  // the receiver to follow count as none: they measure the settling time.
  // Raises ColumnRejected when the reading has not followed within
  // kMostSettle beyond the settling time.
  bool Take(Step& step, int raw, std::chrono::steady_clock::duration sinceSet);
  // The step Next() gave, with its readings.
  void Record(Step step);
  // The settling time the generator was seen to need when it was longer than
  // the settings': the run reads that much later from then on.
  std::optional<std::chrono::milliseconds> SettlingNeeded() const;

  const std::vector<Step>& Steps() const { return steps_; }
  // The most steps this frequency can take (the planner never exceeds it).
  int MostSteps() const { return planner_.MostSteps(); }
  // The steps the planner will still take as far as it knows yet.
  int StepsPlanned() const { return planner_.StepsPlanned(); }
  const SweepSettings& Settings() const { return settings_; }
  LevelColumn Fit() const;

 private:
  bool WatchesSettling(const Step& step) const;
  // The settings' readings, or more where the curve lies flat on the floor.
  int ReadingsFor(const Step& step) const;

  SweepSettings settings_;
  double lossDb_;
  SweepPlanner planner_;
  std::vector<Step> steps_;  // in the order taken
  // The settling watch: the last reading that had left the bottom step's,
  // and when it was taken.
  std::optional<std::pair<int, std::chrono::steady_clock::duration>> followed_;
  bool lagged_ = false;  // some reading still read the bottom's
  std::optional<std::chrono::milliseconds> settled_;
};

// "; the reading followed the generator only after 104 ms: ..." when the
// sweep needed a longer settling time than it was given, else empty.
std::string SettlingNote(const FrequencySweep& sweep);

// The instruments as one loop sees them. Each may raise an exception, which
// ends the sweep and passes through.
struct SweepIo {
  std::function<void(double generatorDbm)> setLevel;  // returns once the generator has it
  std::function<void(std::chrono::milliseconds)> wait;
  std::function<int()> readRaw;
  std::function<void(const Step&)> stepTaken;  // may be empty
};

// Takes every step of `sweep` and returns its column (FitSteps).
LevelColumn RunSweep(FrequencySweep& sweep, const SweepIo& io);

}  // namespace autocal
