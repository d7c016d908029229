#pragma once
// How far a run over several frequencies has come, counted in steps: those
// taken, and those still to take as the planner knows them now. A frequency
// not yet begun is expected to take as many steps as the finished columns
// took on average, or, before any has finished, as the current one's plan.
#include "autocal/frequency_sweep.h"

namespace autocal {

class RunProgress {
 public:
  explicit RunProgress(int frequencies) : frequencies_(frequencies) {}

  // The current frequency's sweep, after each step and at its start.
  void Update(const FrequencySweep& current);
  // The current frequency's column is finished; the next one begins.
  void ColumnDone(const FrequencySweep& done);

  int StepsTaken() const { return stepsOfFinished_ + takenInCurrent_; }
  int StepsLeft() const;
  // Steps taken of all expected, 0..1. It never falls back during a run (a
  // refinement planned late adds a few steps) and is 1 once every column is
  // finished.
  double Fraction() const { return shown_; }

 private:
  double StepsPerFrequency() const;

  int frequencies_;
  int finished_ = 0;
  int stepsOfFinished_ = 0;
  int takenInCurrent_ = 0;
  int plannedInCurrent_ = 0;
  double shown_ = 0;
};

}  // namespace autocal
