#include "output_tolerance.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quenby_test {
namespace {

struct ToleranceCase {
  const char* what;
  std::vector<double> expected, found;
  std::vector<int> mismatches;
};

TEST(CompareOutputs, RelativeWithinASeriesAbsoluteNearZero) {
  const double ulp = std::nextafter(1.0, 2.0) - 1.0;
  const ToleranceCase cases[] = {
      {"identical", {1, -2, 3, 4}, {1, -2, 3, 4}, {}},
      {"last-bit difference passes", {1, 1e300, 1e-300, 5}, {1 + ulp, 1e300 * (1 + 4 * ulp), 1e-300, 5}, {}},
      {"relative 1e-12 fails", {1, 2, 3, 4}, {1, 2 * (1 + 1e-12), 3, 4}, {1}},
      // Near zero the series' largest magnitude sets the scale ...
      {"near zero against its series", {1e-20, 100, 0, 50}, {1e-12, 100, -4e-12, 50}, {}},
      {"beyond the series scale", {1e-20, 100, 0, 0}, {2e-11, 100, 0, 0}, {0}},
      // ... but only its own series: the second series is all tiny.
      {"series are separate", {100, 100, 1e-9, 2e-9}, {100, 100, 1e-9, 2e-9 + 1e-19}, {3}},
      {"NaN never passes", {1, NAN, 3, 4}, {1, NAN, 3, 4}, {1}},
      {"length differs", {1, 2, 3, 4}, {1, 2, 3}, {3}},
  };
  for (const ToleranceCase& c : cases) {
    std::vector<int> got;
    for (const Mismatch& m : CompareOutputs(c.expected, c.found, 2, 1e-13)) got.push_back(m.index);
    EXPECT_EQ(got, c.mismatches) << c.what;
  }
}

}  // namespace
}  // namespace quenby_test
