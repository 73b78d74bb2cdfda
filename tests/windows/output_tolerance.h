#pragma once
// How closely the Windows build's outputs must follow the Linux build's: the
// two platforms' exp may differ in the last bit, which the 15 significant
// digits of "outfile.dat" usually hide but can show in the 15th digit.
#include <vector>

namespace quenby_test {

struct Mismatch {
  int index;  // 0-based output element
  double expected, found;
};

// Compares found against expected element by element. A value passes when
// |found - expected| <= tolerance * max(|expected|, M), M being the largest
// magnitude of expected's series (consecutive runs of seriesLength elements)
// that holds it: relative for ordinary values, absolute against the series'
// scale for values near zero. Different lengths, and NaN on either side,
// fail (the lengths as one mismatch at the first missing index).
std::vector<Mismatch> CompareOutputs(const std::vector<double>& expected, const std::vector<double>& found,
                                     int seriesLength, double tolerance);

}  // namespace quenby_test
