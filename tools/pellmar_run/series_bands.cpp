#include "series_bands.h"

#include <algorithm>
#include <cmath>

#include "csv_table.h"

namespace tools {

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return std::nan("");
  const double rank = static_cast<double>(sorted.size() - 1) * p;
  const size_t lo = static_cast<size_t>(std::floor(rank));
  if (lo + 1 >= sorted.size()) return sorted.back();
  const double frac = rank - static_cast<double>(lo);
  return frac == 0 ? sorted[lo] : sorted[lo] + frac * (sorted[lo + 1] - sorted[lo]);
}

std::vector<std::vector<BandPoint>> SeriesBands(const std::vector<const std::vector<double>*>& realizations, int series, int steps) {
  std::vector<std::vector<BandPoint>> bands(static_cast<size_t>(series), std::vector<BandPoint>(static_cast<size_t>(steps)));
  std::vector<double> column;
  for (int i = 0; i < series; ++i)
    for (int s = 0; s < steps; ++s) {
      column.clear();
      double sum = 0;
      for (const auto* r : realizations) {
        if (r->size() != static_cast<size_t>(series * steps)) continue;
        const double v = (*r)[static_cast<size_t>(i * steps + s)];
        column.push_back(v);
        sum += v;
      }
      std::sort(column.begin(), column.end());
      BandPoint& b = bands[static_cast<size_t>(i)][static_cast<size_t>(s)];
      b.p5 = Percentile(column, 0.05);
      b.median = Percentile(column, 0.5);
      b.p95 = Percentile(column, 0.95);
      b.mean = column.empty() ? std::nan("") : sum / static_cast<double>(column.size());
    }
  return bands;
}

std::string BandsCsv(const std::vector<std::string>& titles, const std::vector<std::vector<BandPoint>>& bands) {
  std::string out = "series,step,5 %,median,95 %,mean\r\n";
  for (size_t i = 0; i < bands.size(); ++i) {
    std::string title = i < titles.size() ? titles[i] : "series " + std::to_string(i + 1);
    std::string quoted = "\"";
    for (char ch : title) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    quoted += '"';
    for (size_t s = 0; s < bands[i].size(); ++s) {
      const BandPoint& b = bands[i][s];
      out += quoted + "," + std::to_string(s + 1) + "," + ShortestNumber(b.p5) + "," + ShortestNumber(b.median) + "," +
             ShortestNumber(b.p95) + "," + ShortestNumber(b.mean) + "\r\n";
    }
  }
  return out;
}

}  // namespace tools
