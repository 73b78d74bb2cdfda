#pragma once
// Clustering of scaled coordinates as the training program stores it, and the
// derived inputs the engine computes from it for one case.
#include <cstdint>
#include <vector>

namespace samples {

using Points = std::vector<std::vector<double>>;  // one row of coordinates per record

// Fuzzy c-means (fuzziness 2) and k-means centres of points, started from
// records picked by seed. Centres are rounded to the project files' digits.
Points FuzzyCentres(const Points& points, int clusters, uint64_t seed);
Points ConventionalCentres(const Points& points, int clusters, uint64_t seed);

// The derived input with code (1: cluster of largest membership, 2: ratio of
// memberships, 3..n+2: membership of cluster code - 2) of a fuzzy clustering,
// for a case at the scaled coordinates x, term by term as the engine forms it.
double FuzzyDerivedInput(const std::vector<double>& x, const Points& centres, int code);

}  // namespace samples
