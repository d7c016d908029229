#include "vocabulary/hamlib_units.h"

#include <cmath>

namespace vocabulary {

double S9Dbm(int64_t hz) { return hz < 30'000'000 ? -73.0 : -93.0; }

int DbOverS9(double dbm, int64_t hz) { return static_cast<int>(std::lround(dbm - S9Dbm(hz))); }

}  // namespace vocabulary
