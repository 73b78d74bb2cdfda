#include "clustering.h"

#include <cmath>
#include <limits>

#include "back_prop_net.h"
#include "prng.h"

namespace samples {

namespace {

double SquaredDistance(const std::vector<double>& a, const std::vector<double>& b) {
  double d = 0;
  for (size_t p = 0; p < a.size(); ++p) d += (a[p] - b[p]) * (a[p] - b[p]);
  return d;
}

Points PickStart(const Points& points, int clusters, uint64_t seed) {
  Prng rng(seed);
  Points centres;
  // Spread the start: each further centre is the farthest of a few candidates.
  centres.push_back(points[static_cast<size_t>(rng.Below(static_cast<int>(points.size())))]);
  while (static_cast<int>(centres.size()) < clusters) {
    const std::vector<double>* best = nullptr;
    double bestDistance = -1;
    for (int t = 0; t < 16; ++t) {
      const auto& candidate = points[static_cast<size_t>(rng.Below(static_cast<int>(points.size())))];
      double nearest = std::numeric_limits<double>::max();
      for (const auto& c : centres) nearest = std::min(nearest, SquaredDistance(candidate, c));
      if (nearest > bestDistance) {
        bestDistance = nearest;
        best = &candidate;
      }
    }
    centres.push_back(*best);
  }
  return centres;
}

void Round(Points& centres) {
  for (auto& c : centres)
    for (double& v : c) v = RoundToFileDigits(v);
}

}  // namespace

Points FuzzyCentres(const Points& points, int clusters, uint64_t seed) {
  Points centres = PickStart(points, clusters, seed);
  const size_t dims = points.front().size();
  std::vector<double> distance(static_cast<size_t>(clusters));
  for (int iteration = 0; iteration < 150; ++iteration) {
    Points sum(static_cast<size_t>(clusters), std::vector<double>(dims, 0.0));
    std::vector<double> weight(static_cast<size_t>(clusters), 0.0);
    for (const auto& x : points) {
      for (int c = 0; c < clusters; ++c)
        distance[static_cast<size_t>(c)] = std::max(1e-12, std::sqrt(SquaredDistance(x, centres[static_cast<size_t>(c)])));
      for (int c = 0; c < clusters; ++c) {
        double s = 0;
        for (int k = 0; k < clusters; ++k) {
          double r = distance[static_cast<size_t>(c)] / distance[static_cast<size_t>(k)];
          s += r * r;
        }
        double u = 1.0 / s;
        double w = u * u;
        weight[static_cast<size_t>(c)] += w;
        for (size_t p = 0; p < dims; ++p) sum[static_cast<size_t>(c)][p] += w * x[p];
      }
    }
    for (int c = 0; c < clusters; ++c)
      for (size_t p = 0; p < dims; ++p) centres[static_cast<size_t>(c)][p] = sum[static_cast<size_t>(c)][p] / weight[static_cast<size_t>(c)];
  }
  Round(centres);
  return centres;
}

Points ConventionalCentres(const Points& points, int clusters, uint64_t seed) {
  Points centres = PickStart(points, clusters, seed);
  const size_t dims = points.front().size();
  for (int iteration = 0; iteration < 50; ++iteration) {
    Points sum(static_cast<size_t>(clusters), std::vector<double>(dims, 0.0));
    std::vector<int> count(static_cast<size_t>(clusters), 0);
    for (const auto& x : points) {
      int nearest = 0;
      for (int c = 1; c < clusters; ++c)
        if (SquaredDistance(x, centres[static_cast<size_t>(c)]) < SquaredDistance(x, centres[static_cast<size_t>(nearest)])) nearest = c;
      ++count[static_cast<size_t>(nearest)];
      for (size_t p = 0; p < dims; ++p) sum[static_cast<size_t>(nearest)][p] += x[p];
    }
    for (int c = 0; c < clusters; ++c)
      if (count[static_cast<size_t>(c)] > 0)
        for (size_t p = 0; p < dims; ++p) centres[static_cast<size_t>(c)][p] = sum[static_cast<size_t>(c)][p] / count[static_cast<size_t>(c)];
  }
  Round(centres);
  return centres;
}

double FuzzyDerivedInput(const std::vector<double>& x, const Points& centres, int code) {
  const size_t n = centres.size();
  std::vector<double> distance(n + 1, 0.0), membership(n + 1, 0.0);
  for (size_t c = 1; c <= n; ++c) {
    for (size_t p = 0; p < x.size(); ++p) distance[c] += std::pow(x[p] - centres[c - 1][p], 2.0);
    distance[c] = std::pow(distance[c], 0.5);
  }
  for (size_t c = 1; c <= n; ++c) {
    double s = 0;
    for (size_t k = 1; k <= n; ++k) s += std::pow(distance[c] / distance[k], 2.0);
    membership[c] = 1.0 / s;
  }
  if (code == 1) {
    double best = 0, result = 0;
    for (size_t c = 1; c <= n; ++c)
      if (membership[c] > best) {
        best = membership[c];
        result = static_cast<double>(c);
      }
    return result;
  }
  if (code == 2) {
    double high = membership[1], low = membership[1];
    for (size_t c = 2; c <= n; ++c) {
      if (membership[c] > high) high = membership[c];
      if (membership[c] < low) low = membership[c];
    }
    return (1.0 - high) / (1.0 - low);
  }
  if (code >= 3 && static_cast<size_t>(code - 2) <= n) return membership[static_cast<size_t>(code - 2)];
  return 0.0;
}

}  // namespace samples
