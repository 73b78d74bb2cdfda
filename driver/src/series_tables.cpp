#include "series_tables.h"

#include <cmath>
#include <cstdint>
#include <iterator>

#include "common/checked16.h"
#include "driver_state.h"

namespace torvane {

namespace {

// Where a column's value comes from: a host variable number (1..510) taken as
// it is, or one of the step-dependent sources below.
enum Source : int16_t {
  kStep = -1,            // s
  kStepVar55 = -2,       // h(55 + s)
  kStepVar310 = -3,      // h(310 + s)
  kStepVar410 = -4,      // h(410 + s)
  kBeforeH307OneTwo = -5,   // 1 if s < h307, else 2
  kBeforeH307ZeroOne = -6,  // 0 if s < h307, else 1
  kBeforeFirstStage = -7,   // 0 if s < floor(F / 365), else 1
};

constexpr int16_t kTable1[] = {
    1,   2,   3,   5,   6,   8,   9,   10,  11,  12,                        // 1..10
    14,  15,  16,  22,  24,  25,  26,  32,  34,  35,                        // 11..20
    36,  37,  39,  40,  41,  42,  44,  45,                                  // 21..28
    kStep, 50, 53, kStepVar55,                                              // 29..32
    257, 258, 260, 261, 263, 264, 265, 266, 267, 270,                       // 33..42
    271, 277, 280, 281, 287, 290, 291, 292, 295, 296,                       // 43..52
    kBeforeH307OneTwo, kStepVar310, kStepVar410,                            // 53..55
};

constexpr int16_t kTable2[] = {
    256, 257, 258, 259, 260, 261,                                           // 1..6: h(255 + j)
    263, 264, 265, 266, 267, 268, 269, 270, 271, 272, 273, 274, 275, 276,   // 7..41: h(256 + j)
    277, 278, 279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289, 290,
    291, 292, 293, 294, 295, 296, 297,
    299, 300, 301, 302, 303,                                                // 42..46: h(257 + j)
    kStep, kBeforeH307OneTwo, kBeforeH307ZeroOne, 308, 309, kStepVar310, kStepVar410,  // 47..53
};

constexpr int16_t kTable3[] = {
    1,   2,   3,   5,   6,   8,   9,   10,  11,  12,                        // 1..10
    14,  15,  16,  22,  24,  25,  26,  32,  34,  35,                        // 11..20
    36,  37,  39,  40,  41,  42,  44,  45,  46,  47,                        // 21..30
    kStep, kBeforeFirstStage, 53, 54, kStepVar55,                           // 31..35
    257, 258, 260, 261, 263, 264, 265, 267, 277, 287, 292,                  // 36..46
    kStepVar410,                                                            // 47
};

static_assert(std::size(kTable1) == 55);
static_assert(std::size(kTable2) == 53);
static_assert(std::size(kTable3) == 47);
struct RowContext {
  int32_t c;
  int32_t s;
  double step;            // s as a float
  double h307;
  double firstStageDays;  // floor(F / 365)
};

double ValueOf(int16_t source, const RowContext& x) {
  switch (source) {
    case kStep: return x.step;
    case kStepVar55: return CaseTable(x.c, 55 + x.s);
    case kStepVar310: return CaseTable(x.c, 310 + x.s);
    case kStepVar410: return CaseTable(x.c, 410 + x.s);
    case kBeforeH307OneTwo: return x.step < x.h307 ? 1.0 : 2.0;
    case kBeforeH307ZeroOne: return x.step < x.h307 ? 0.0 : 1.0;
    case kBeforeFirstStage: return x.step < x.firstStageDays ? 0.0 : 1.0;
    default: return CaseTable(x.c, source);
  }
}

template <size_t N>
void FillRow(Table& table, int32_t r, const int16_t (&sources)[N], const RowContext& x) {
  for (size_t j = 1; j <= N; ++j) table(r, static_cast<int32_t>(j)) = ValueOf(sources[j - 1], x);
}

int16_t SeriesRows() { return common::Mul16(StepCount, CaseCount, "StepCount x CaseCount (rows of the series tables)"); }

}  // namespace

void BuildSeriesTables() {
  SeriesTable1.Redim(0, SeriesRows(), 0, 55, "SeriesTable1");
  SeriesTable2.Redim(0, SeriesRows(), 0, 53, "SeriesTable2");
  SeriesTable3.Redim(0, SeriesRows(), 0, 47, "SeriesTable3");
  const double firstStageDays = std::floor(FirstStageResult.At(1, 1) / 365.0);
  const int16_t cases = CaseCount;
  int32_t r = 0;
  for (int32_t c = 1; c <= cases; ++c) {
    const int16_t steps = StepCount;
    for (int32_t s = 1; s <= steps; ++s) {
      ++r;
      const RowContext x{c, s, static_cast<double>(s), CaseTable(c, kRemediationStartVariable), firstStageDays};
      FillRow(SeriesTable1, r, kTable1, x);
      FillRow(SeriesTable2, r, kTable2, x);
      FillRow(SeriesTable3, r, kTable3, x);
    }
  }
}

}  // namespace torvane
