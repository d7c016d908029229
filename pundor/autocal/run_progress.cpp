#include "autocal/run_progress.h"

#include <algorithm>
#include <cmath>

namespace autocal {

void RunProgress::Update(const FrequencySweep& current) {
  takenInCurrent_ = static_cast<int>(current.Steps().size());
  plannedInCurrent_ = current.StepsPlanned();
  const int taken = StepsTaken();
  const int total = taken + StepsLeft();
  if (total > 0) shown_ = std::max(shown_, static_cast<double>(taken) / total);
}

void RunProgress::ColumnDone(const FrequencySweep& done) {
  ++finished_;
  stepsOfFinished_ += static_cast<int>(done.Steps().size());
  takenInCurrent_ = plannedInCurrent_ = 0;
  if (finished_ >= frequencies_) shown_ = 1;
}

double RunProgress::StepsPerFrequency() const {
  if (finished_ > 0) return static_cast<double>(stepsOfFinished_) / finished_;
  return takenInCurrent_ + plannedInCurrent_;
}

int RunProgress::StepsLeft() const {
  if (finished_ >= frequencies_) return 0;
  const double perFrequency = StepsPerFrequency();
  // The refinement is planned only once the coarse pass is through.
  const double inCurrent =
      std::max<double>(plannedInCurrent_, finished_ > 0 ? perFrequency - takenInCurrent_ : 0);
  const int notBegun = frequencies_ - finished_ - 1;
  return static_cast<int>(std::lround(inCurrent + notBegun * perFrequency));
}

}  // namespace autocal
