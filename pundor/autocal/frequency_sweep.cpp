#include "autocal/frequency_sweep.h"

#include <algorithm>

namespace autocal {

double Step::Median() const {
  if (raws.empty()) return 0;
  std::vector<int> sorted = raws;
  std::sort(sorted.begin(), sorted.end());
  // Readings are whole raw steps: take the median within the step it falls
  // in, as for grouped data, so that the noise between readings resolves
  // what lies between two raw values instead of rounding it away.
  const int middle = sorted[(sorted.size() - 1) / 2];
  const auto below = std::lower_bound(sorted.begin(), sorted.end(), middle) - sorted.begin();
  const auto at = std::upper_bound(sorted.begin(), sorted.end(), middle) - sorted.begin() - below;
  return middle - 0.5 + (sorted.size() / 2.0 - below) / at;
}

FrequencySweep::FrequencySweep(const SweepSettings& settings, double lossDb)
    : settings_(settings),
      lossDb_(lossDb),
      planner_(settings.fromDbm, settings.toDbm, settings.finestStepDb) {}

std::optional<Step> FrequencySweep::Next() const {
  const std::optional<double> level = planner_.Next();
  if (!level) return std::nullopt;
  return Step{*level + lossDb_, *level, {}};
}

void FrequencySweep::Record(Step step) {
  planner_.Record(step.receiverDbm, step.Median());
  steps_.push_back(std::move(step));
}

LevelColumn FrequencySweep::Fit() const { return FitColumn(planner_.Measured()); }

LevelColumn RunSweep(FrequencySweep& sweep, const SweepIo& io) {
  while (std::optional<Step> step = sweep.Next()) {
    io.setLevel(step->generatorDbm);
    if (sweep.Settings().settle.count() > 0) io.wait(sweep.Settings().settle);
    for (int i = 0; i < sweep.Settings().readings; ++i) step->raws.push_back(io.readRaw());
    if (io.stepTaken) io.stepTaken(*step);
    sweep.Record(std::move(*step));
  }
  return sweep.Fit();
}

}  // namespace autocal
