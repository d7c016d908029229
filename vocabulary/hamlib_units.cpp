#include "vocabulary/hamlib_units.h"

#include <cmath>
#include <utility>

#include "fendrel.h"

namespace vocabulary {

int32_t TableModeOfHamlib(std::string_view hamlibMode) {
  static constexpr std::pair<std::string_view, int32_t> kModes[] = {
      {"AM", CAL_MODE_AM},      {"CW", CAL_MODE_CW},   {"CWR", CAL_MODE_CW},     {"USB", CAL_MODE_USB},
      {"PKTUSB", CAL_MODE_USB}, {"LSB", CAL_MODE_LSB}, {"PKTLSB", CAL_MODE_LSB}, {"FM", CAL_MODE_FMN},
      {"PKTFM", CAL_MODE_FMN},  {"WFM", CAL_MODE_FMW},
  };
  for (const auto& [name, code] : kModes)
    if (name == hamlibMode) return code;
  return CAL_MODE_DEFAULT;
}

double S9Dbm(int64_t hz) { return hz < 30'000'000 ? -73.0 : -93.0; }

int DbOverS9(double dbm, int64_t hz) { return static_cast<int>(std::lround(dbm - S9Dbm(hz))); }

}  // namespace vocabulary
