#pragma once
// The spread of the four series over many realizations, step by step: the
// median, the 5 % and 95 % percentiles and the mean. Computed once, drawn
// by the band chart and written as a table.
#include <string>
#include <vector>

namespace tools {

struct BandPoint {
  double p5 = 0, median = 0, p95 = 0, mean = 0;
};

// Percentile p (0..1) of sorted values, interpolated linearly between the
// two nearest ranks (rank (n - 1) p, counted from 0).
double Percentile(const std::vector<double>& sorted, double p);

// bands[series][step] over the realizations' 400 values each (a series'
// 100 steps after another's); empty entries (failed realizations) are left out.
std::vector<std::vector<BandPoint>> SeriesBands(const std::vector<const std::vector<double>*>& realizations, int series = 4,
                                               int steps = 100);

// series, step, 5 %, median, 95 %, mean; CR LF.
std::string BandsCsv(const std::vector<std::string>& titles, const std::vector<std::vector<BandPoint>>& bands);

}  // namespace tools
