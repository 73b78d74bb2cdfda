#include "series_tables.h"

#include <cmath>
#include <cstdint>
#include <iterator>

#include "column_layout.h"
#include "common/checked16.h"
#include "driver_state.h"

namespace torvane {

namespace {

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

// Every cell of rows 1..R and columns 1..N is written below, so the table is
// not zero-filled first; row 0 and column 0 are.
template <size_t N>
void BuildSeriesTable(Table& table, const int16_t (&sources)[N], const char* name) {
  table.RedimForOverwrite(0, SeriesRows(), 0, static_cast<int32_t>(N), name);
  const double firstStageDays = std::floor(FirstStageResult.At(1, 1) / 365.0);
  const int16_t cases = CaseCount;
  const int16_t steps = StepCount;
  int32_t r = 0;
  for (int32_t c = 1; c <= cases; ++c) {
    const double h307 = CaseTable(c, kRemediationStartVariable);
    for (int32_t s = 1; s <= steps; ++s) {
      ++r;
      FillRow(table, r, sources, RowContext{c, s, static_cast<double>(s), h307, firstStageDays});
    }
  }
}

}  // namespace

void BuildSeriesTable(int which) {
  if (which == 1) BuildSeriesTable(SeriesTable1, kSeriesSources1, "SeriesTable1");
  if (which == 2) BuildSeriesTable(SeriesTable2, kSeriesSources2, "SeriesTable2");
  if (which == 3) BuildSeriesTable(SeriesTable3, kSeriesSources3, "SeriesTable3");
}

void BuildSeriesTables() {
  for (int which = 1; which <= 3; ++which) BuildSeriesTable(which);
}

}  // namespace torvane
