#include "autocal/run_progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace autocal {
namespace {

// Three frequencies, each with its own floor and top, so that each takes a
// different number of steps. From the first step on, the steps expected in
// all are close to the steps the run takes, the fraction never falls back,
// and it ends at 1.
TEST(RunProgress, EstimatesTheWholeRunFromThePlanAndEndsAtOne) {
  const double floors[] = {-118, -105, -122};
  SweepSettings settings;
  RunProgress progress(3);
  int firstEstimate = 0, taken = 0;
  double shown = 0;
  for (const double floor : floors) {
    FrequencySweep sweep(settings, 0);
    progress.Update(sweep);
    if (firstEstimate == 0) firstEstimate = progress.StepsLeft();
    while (const auto step = sweep.Next()) {
      Step read = *step;
      read.raws.assign(3, static_cast<int>(std::lround(std::clamp(2 * (read.receiverDbm - floor), 0.0, 170.0))));
      sweep.Record(std::move(read));
      ++taken;
      progress.Update(sweep);
      EXPECT_GE(progress.Fraction(), shown);
      shown = progress.Fraction();
      EXPECT_LE(shown, 1.0);
      EXPECT_EQ(progress.StepsTaken(), taken);
    }
    progress.ColumnDone(sweep);
  }
  EXPECT_EQ(progress.Fraction(), 1.0);
  EXPECT_EQ(progress.StepsLeft(), 0);
  EXPECT_NEAR(firstEstimate, taken, taken * 0.15);
}

}  // namespace
}  // namespace autocal
