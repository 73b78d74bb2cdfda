#include "output_tolerance.h"

#include <algorithm>
#include <cmath>

namespace quenby_test {

std::vector<Mismatch> CompareOutputs(const std::vector<double>& expected, const std::vector<double>& found,
                                     int seriesLength, double tolerance) {
  std::vector<Mismatch> out;
  const size_t n = std::min(expected.size(), found.size());
  const size_t len = seriesLength > 0 ? static_cast<size_t>(seriesLength) : expected.size();
  for (size_t start = 0; start < n; start += len) {
    const size_t end = std::min(n, start + len);
    double scale = 0;
    for (size_t i = start; i < std::min(expected.size(), start + len); ++i)
      scale = std::max(scale, std::fabs(expected[i]));
    for (size_t i = start; i < end; ++i) {
      const double e = expected[i], f = found[i];
      const double limit = tolerance * std::max(std::fabs(e), scale);
      if (!(std::fabs(f - e) <= limit)) out.push_back({static_cast<int>(i), e, f});
    }
  }
  if (expected.size() != found.size()) {
    const bool refLonger = expected.size() > found.size();
    out.push_back({static_cast<int>(n), refLonger ? expected[n] : NAN, refLonger ? NAN : found[n]});
  }
  return out;
}

}  // namespace quenby_test
