#include "exponential_check.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "exponential_lanes.h"
#include "vector_lanes.h"

namespace quenby_test {

namespace {

double Uniform(std::mt19937_64& g, double lo, double hi) {
  return lo + (hi - lo) * (static_cast<double>(g() >> 11) * 0x1p-53);
}

}  // namespace

bool SameDouble(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<double> RandomExpArguments(uint64_t count, uint64_t seed) {
  std::mt19937_64 g(seed);
  std::vector<double> out;
  out.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    double x = 0;
    switch (i % 5) {
      case 0:
        x = Uniform(g, -745.2, 709.8);
        break;
      case 1:
        x = Uniform(g, -20.0, 20.0);
        break;
      case 2:
        x = -50.0 * -std::log1p(-Uniform(g, 0.0, 1.0));
        break;
      case 3:
        x = ((g() & 1) ? 1.0 : -1.0) * std::exp2(Uniform(g, -60.0, 9.47));
        break;
      default: {
        const uint64_t bits = g();
        std::memcpy(&x, &bits, sizeof x);
        if (!(std::isnan(x) || std::fabs(x) < 746.0)) x = Uniform(g, -746.0, 710.0);
      }
    }
    out.push_back(x);
  }
  return out;
}

ExpCheckCounts CheckExpDecisions(uint64_t count, uint64_t seed, bool progress) {
  ExpCheckCounts c;
  constexpr uint64_t kBatch = 1 << 16;
  std::vector<double> lanes;
  for (uint64_t done = 0; done < count; done += kBatch) {
    const std::vector<double> xs = RandomExpArguments(std::min(kBatch, count - done), seed + done);
    for (double x : xs) {
      ++c.arguments;
      double y;
      if (quenby::exp_detail::ExpFast(x, y)) {
        ++c.fastDecided;
        const double exact = quenby::exp_detail::ExpExact(x);
        if (!SameDouble(y, exact)) {
          if (++c.fastWrong <= 10) std::fprintf(stderr, "fast path: exp(%a) = %a, exact %a\n", x, y, exact);
        }
      }
    }
    c.isas = 0;
    for (quenby::VectorIsa isa : {quenby::VectorIsa::Baseline, quenby::VectorIsa::Avx2, quenby::VectorIsa::Avx512}) {
      if (!quenby::VectorIsaAvailable(isa)) continue;
      ++c.isas;
      lanes = xs;
      quenby::ExpArray(isa, lanes.data(), lanes.size());
      for (size_t i = 0; i < xs.size(); ++i) {
        ++c.laneValues;
        const double want = quenby::Exp(xs[i]);
        if (!SameDouble(lanes[i], want)) {
          if (++c.laneDifferences <= 10)
            std::fprintf(stderr, "lanes (set %d): exp(%a) = %a, scalar %a\n", static_cast<int>(isa), xs[i], lanes[i], want);
        }
      }
    }
    if (progress && (done / kBatch) % 16 == 15)
      std::fprintf(stderr, "  %llu of %llu\n", static_cast<unsigned long long>(done + kBatch),
                   static_cast<unsigned long long>(count));
  }
  return c;
}

}  // namespace quenby_test
