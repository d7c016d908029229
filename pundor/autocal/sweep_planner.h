#pragma once
// Which level to set next while calibrating one frequency. A coarse pass over
// the whole range, then midpoints only where the curve bends (near the
// receiver's floor, where it starts to compress, at the top), down to the
// finest step. It does no I/O: the caller sets the level, takes the readings
// and reports them back, so the same planner serves a loop on the command line
// and a window's timers.
#include <optional>
#include <vector>

namespace autocal {

// One measured step: a level at the receiver input and the reading taken there.
struct LevelReading {
  double levelDbm = 0;
  double raw = 0;
};

class SweepPlanner {
 public:
  // The range is in dBm at the receiver input, either way round; the finest
  // step is in dB and positive.
  SweepPlanner(double fromDbm, double toDbm, double finestStepDb);

  // The next level to measure, or nothing when the column is complete.
  std::optional<double> Next() const;
  // The reading taken at the level Next() gave.
  void Record(double levelDbm, double raw);

  // Takes the level again next. A level recorded again replaces its reading
  // and takes the place of one refinement step.
  void Remeasure(double levelDbm);
  // Every step so far, by level.
  const std::vector<LevelReading>& Measured() const { return measured_; }
  double CoarseStepDb() const { return coarseStepDb_; }
  // The most steps the column can take: for a progress bar's scale.
  int MostSteps() const { return mostSteps_; }
  // The steps planned so far and not yet taken; refining may add more.
  int StepsPlanned() const { return static_cast<int>(pending_.size()); }

 private:
  void PlanRefinement();
  // 0 when the interval is fine as it is; the larger, the sooner it is split.
  double SplitUrgency(std::size_t interval) const;
  double Slope(std::size_t interval) const;
  bool IsClippedEnd(std::size_t interval) const;

  double lowDbm_, highDbm_, finestStepDb_, coarseStepDb_;
  int refinementsLeft_ = 0;
  int mostSteps_ = 0;
  std::vector<double> pending_;  // next level last
  std::vector<LevelReading> measured_;
};

}  // namespace autocal
