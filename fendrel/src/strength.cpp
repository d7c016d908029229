#include "strength.h"

#include <cmath>
#include <cstdint>

#include "fendrel.h"

namespace fendrel {
namespace {

constexpr double kWattsPerMilliwattTimesOhms = 0.05;  // 50 ohm / 1000 mW per W
constexpr double kMicrovoltsPerVolt = 1000000.0;

// The difference of two frequencies, later >= earlier, exact in unsigned
// arithmetic even where the signed difference would overflow.
double frequencySpan(int64_t earlier, int64_t later) {
  const uint64_t span = static_cast<uint64_t>(later) - static_cast<uint64_t>(earlier);
  // The signed conversion is the cheaper one, and exact for every span that fits.
  if (span <= static_cast<uint64_t>(INT64_MAX)) return static_cast<double>(static_cast<int64_t>(span));
  return static_cast<double>(span);
}

double levelInTenths(const CalMode& mode, uint8_t raw, int64_t frequency) {
  const auto& points = mode.Points;
  std::size_t above = 0;
  while (above < points.size() && points[above]->Frequency <= frequency) ++above;
  if (above == 0) return points.front()->Values[raw];
  if (above == points.size()) return points.back()->Values[raw];
  const CalPoint& a = *points[above - 1];
  const CalPoint& b = *points[above];
  const double va = a.Values[raw];
  const double vb = b.Values[raw];
  const double df = frequencySpan(a.Frequency, b.Frequency);
  const double dx = frequencySpan(a.Frequency, frequency);
  return (vb - va) / df * dx + va;
}

int32_t sUnitOf(double dBm) {
  int32_t index = 0;
  for (const double threshold : SUnitThresholds) {
    if (threshold > dBm) break;
    ++index;
  }
  return index;
}

}  // namespace

Strength convertReading(const CalMode& mode, uint8_t raw, int64_t frequency) {
  double dBm = levelInTenths(mode, raw, frequency) / 10;
  if (dBm < kLowestLevel) dBm = kLowestLevel;
  if (dBm > kHighestLevel) dBm = kHighestLevel;
  const double microVolts =
      std::sqrt(std::pow(10.0, dBm / 10) * kWattsPerMilliwattTimesOhms) * kMicrovoltsPerVolt;
  return {dBm, microVolts, 2 * std::sqrt(2.0) * microVolts, sUnitOf(dBm)};
}

}  // namespace fendrel
