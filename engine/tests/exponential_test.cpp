#include "exponential.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "exponential_check.h"
#include "exponential_lanes.h"
#include "vector_lanes.h"

namespace quenby {
namespace {

using quenby_test::SameDouble;

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Known {
  double x, y;  // y: e^x correctly rounded (mpmath, engine/tests/exponential_reference.py)
};

// The range's ends, the subnormals, the activations' and the kernel's
// arguments, and small arguments whose e^x = 1 + x + x^2/2 + ... lies within
// 2^-107 of a midpoint: the fast path cannot decide those, nor the exact
// path at its first precision.
const Known kKnown[] = {
    {0.0, 1.0},
    {-0.0, 1.0},
    {kInf, kInf},
    {-kInf, 0.0},
    {1.0, 0x1.5bf0a8b145769p+1},
    {-1.0, 0x1.78b56362cef38p-2},
    {15.0, 0x1.8f0ccafad2a87p+21},
    {-15.0, 0x1.4875ca227ec38p-22},
    {-225.0, 0x1.504d7244d31c8p-325},
    {709.0, 0x1.d422d2be5dc9bp+1022},
    {0x1.62e42fefa39efp+9, 0x1.fffffffffff2ap+1023},  // the largest x with a finite e^x
    {0x1.62e42fefa39f0p+9, kInf},
    {709.79, kInf},
    {1e300, kInf},
    {-708.0, 0x1.7c8ab2288c9abp-1022},
    {-0x1.6232bdd7abcd2p+9, 0x1.000000000007cp-1022},
    {-708.4, 0x0.ff15b469edf89p-1022},  // subnormal
    {-720.5, 0x0.00005cf08fff0p-1022},
    {-744.0, 0x0.0000000000002p-1022},
    {-0x1.74910d52d3051p+9, 0x0.0000000000001p-1022},  // the smallest x with e^x above +0
    {-0x1.74910d52d3052p+9, 0.0},
    {-745.2, 0.0},
    {-1e300, 0.0},
    {0x1p-54, 1.0},
    {-0x1p-54, 1.0},
    {0x1p-53, 0x1.0000000000001p+0},
    {-0x1p-53, 0x1.fffffffffffffp-1},
    {0x1.0000000000001p-53, 0x1.0000000000001p+0},
    {-0x1.0000000000001p-54, 0x1.fffffffffffffp-1},
    {0x1.8p-53, 0x1.0000000000001p+0},
    {0x1.0000020000000p-30, 0x1.0000000400001p+0},
    {-0x1.0008000000000p-40, 0x1.fffffffffdfffp-1},
    // The published worst case for binary64 e^x: its rounding bit is 1 and
    // 58 zeros follow, so e^x lies within 2^-58 ulp of a midpoint.
    {0x1.9e9cbbfd6080bp-31, 0x1.000000033d398p+0},
    {1e-300, 1.0},
    {-0x0.0000000000001p-1022, 1.0},
};

TEST(Exponential, KnownValuesFromEveryPath) {
  std::vector<double> xs;
  for (const Known& k : kKnown) {
    EXPECT_TRUE(SameDouble(Exp(k.x), k.y)) << std::hexfloat << k.x << ": " << Exp(k.x) << ", expected " << k.y;
    EXPECT_TRUE(SameDouble(exp_detail::ExpExact(k.x), k.y)) << std::hexfloat << k.x << ": exact path";
    double fast;
    if (exp_detail::ExpFast(k.x, fast)) {
      EXPECT_TRUE(SameDouble(fast, k.y)) << std::hexfloat << k.x << ": fast path " << fast;
    }
    xs.push_back(k.x);
  }
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512}) {
    std::vector<double> ys = xs;
    ExpArray(isa, ys.data(), ys.size());
    for (size_t i = 0; i < xs.size(); ++i)
      EXPECT_TRUE(SameDouble(ys[i], kKnown[i].y)) << std::hexfloat << xs[i] << ": set " << static_cast<int>(isa);
  }
  EXPECT_TRUE(std::isnan(Exp(std::nan(""))));
  EXPECT_TRUE(std::isnan(exp_detail::ExpExact(-std::nan(""))));
}

// The fast path's bound: wherever it decides, the exact path agrees; and
// every instruction set's lanes give the scalar function's bits.
// exponential_probe runs the same check on any number of arguments.
TEST(Exponential, FastPathDecisionsAgreeWithTheExactPathAndLanesWithExp) {
  const quenby_test::ExpCheckCounts c = quenby_test::CheckExpDecisions(150000, 2026, false);
  EXPECT_EQ(c.fastWrong, 0u);
  EXPECT_EQ(c.laneDifferences, 0u);
  EXPECT_GT(c.fastDecided, c.arguments - c.arguments / 1000) << "the fast path should decide nearly every argument";
  EXPECT_GE(c.isas, 1);
}

// Where the fast path's exactness arguments are tightest: r at the ends of
// its range (x half-way between two multiples of ln2/1024, at the table's
// first and last entries and across the range of k), r next to the 2^-37
// grid's steps and midpoints (where rhh rounds), and small x around 2^-38
// (k = 0, rhh 0 or one step). Wherever the fast path decides, the exact
// path agrees, and the lanes give Exp's bits.
TEST(Exponential, ReductionEdgesAgreeWithTheExactPath) {
  std::vector<double> xs;
  const double ln2n = 0x1.62e42fefa39efp-11;  // ln 2 / 1024
  for (double k : {0.0, 1.0, -1.0, 1023.0, 1024.0, -1025.0, 70001.0, -523776.0, 1045503.0, -1100000.0, 1048575.0})
    for (double half : {-0.5, 0.5})
      for (double grid : {0.0, 0x1p-38, -0x1p-38, 0x1p-37, 0x3p-38})
        for (int step = -2; step <= 2; ++step) {
          const double x = (k + half) * ln2n + grid;
          xs.push_back(x + step * std::fabs(x) * 0x1p-52);
        }
  for (double e : {0x1p-38, 0x1p-37, 0x3p-39})
    for (double sign : {1.0, -1.0}) {
      xs.push_back(sign * e);
      xs.push_back(std::nextafter(sign * e, 0.0));
      xs.push_back(std::nextafter(sign * e, sign * kInf));
    }
  for (double x : xs) {
    double fast;
    if (x >= -745.2 && x <= 709.8 && exp_detail::ExpFast(x, fast)) {
      EXPECT_TRUE(SameDouble(fast, exp_detail::ExpExact(x))) << std::hexfloat << x;
    }
  }
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512}) {
    std::vector<double> ys = xs;
    ExpArray(isa, ys.data(), ys.size());
    for (size_t i = 0; i < xs.size(); ++i)
      EXPECT_TRUE(SameDouble(ys[i], Exp(xs[i]))) << std::hexfloat << xs[i] << ": set " << static_cast<int>(isa);
  }
}

// Each argument the fast lanes do not serve (not a number, the
// subnormal and overflowing ends, an undecided rounding) or serve as a
// clear (below -745.2), in every lane position of a vector among ordinary
// arguments, and two at once: each lane gets its own Exp, the others keep
// theirs.
TEST(Exponential, EachLaneOfAVectorFallsBackOnItsOwn) {
  const double odd[] = {std::nan(""), -720.5, -745.1, -800.0, 709.5, 710.0, kInf, -kInf, 0x1.0000020000000p-30};
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512}) {
    if (!VectorIsaAvailable(isa)) continue;
    for (double special : odd)
      for (int at = 0; at < 16; ++at) {
        std::vector<double> xs(19);
        for (size_t i = 0; i < xs.size(); ++i) xs[i] = -3.0 + 0.37 * static_cast<double>(i);
        xs[static_cast<size_t>(at)] = special;
        xs[static_cast<size_t>(at + 3) % 16] = -special;
        std::vector<double> ys = xs;
        ExpArray(isa, ys.data(), ys.size());
        for (size_t i = 0; i < xs.size(); ++i)
          ASSERT_TRUE(SameDouble(ys[i], Exp(xs[i])) || (std::isnan(ys[i]) && std::isnan(Exp(xs[i]))))
              << "set " << static_cast<int>(isa) << ", lane " << i << ", " << std::hexfloat << xs[i];
      }
  }
}

// A general regression network's far patterns: vectors whose every lane is
// +0 are skipped, and one near lane among far ones must still be computed.
TEST(Exponential, FarVectorsGiveZerosAndOneNearLaneIsStillComputed) {
  for (VectorIsa isa : {VectorIsa::Baseline, VectorIsa::Avx2, VectorIsa::Avx512}) {
    if (!VectorIsaAvailable(isa)) continue;
    for (double near : {-745.13, -700.0, -1.5, 0.0, -745.2})
      for (int at = -1; at < 16; ++at) {
        std::vector<double> xs(16);
        for (size_t i = 0; i < xs.size(); ++i) xs[i] = i % 3 == 0 ? -kInf : -745.3 - 1e3 * static_cast<double>(i);
        if (at >= 0) xs[static_cast<size_t>(at)] = near;
        std::vector<double> ys = xs;
        ExpArray(isa, ys.data(), ys.size());
        for (size_t i = 0; i < xs.size(); ++i)
          ASSERT_TRUE(SameDouble(ys[i], Exp(xs[i])))
              << "set " << static_cast<int>(isa) << ", lane " << i << ", " << std::hexfloat << xs[i];
      }
  }
}

}  // namespace
}  // namespace quenby
