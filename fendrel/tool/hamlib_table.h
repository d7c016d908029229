#pragma once
// A column as Hamlib's calibration table (cal_table_t): at most 32 points of
// a raw value and a whole number of dB, between which Hamlib interpolates
// linearly (rig_raw2val) and beyond which it holds the end point's value.
#include <array>
#include <vector>

namespace hamlib_table {

struct Point {
  int raw;
  int value;
};

struct Fit {
  std::vector<Point> points;
  double worst = 0;  // the largest |Hamlib's value - the column's| over raw 0..255
  double rms = 0;
};

// The points, at most maxPoints (2..32), whose interpolation comes nearest the
// column everywhere: the least worst error, then the least RMS error.
Fit FitTable(const std::array<double, 256>& column, int maxPoints);

// What Hamlib's rig_raw2val makes of a raw value with these points.
double Interpolate(const std::vector<Point>& points, int raw);

}  // namespace hamlib_table
