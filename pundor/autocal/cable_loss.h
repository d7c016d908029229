#pragma once
// The loss of the cables and attenuators between the generator and the
// receiver: one value, or a table of frequency/loss pairs interpolated in
// frequency (and held at the nearest pair beyond the table's ends).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace autocal {

class CableLoss {
 public:
  CableLoss() = default;  // no loss
  explicit CableLoss(double db) : points_{{0, db}} {}
  // Pairs of (frequency in Hz, loss in dB), in any order; at least one.
  explicit CableLoss(std::vector<std::pair<int64_t, double>> points);

  double At(int64_t hz) const;
  // For the step log's header: "2.5 dB" or "table 1000000 Hz 1 dB; 30000000 Hz 3 dB".
  std::string Describe() const;

 private:
  std::vector<std::pair<int64_t, double>> points_{{0, 0.0}};
};

// A loss table as a text file: one "frequency,loss" per line, the frequency
// as every program reads one ("7100000", "7.1 MHz", ...); '#' starts a comment; a first line that
// is not a number (a heading) is skipped. Raises std::invalid_argument naming
// the line that cannot be read.
CableLoss ParseLossTable(std::string_view text);

bool ParseDouble(std::string_view text, double& value);

}  // namespace autocal
