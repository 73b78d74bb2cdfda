// Each column of the four input tables takes its value from the right place:
// every host variable of every case holds a distinct value, 1000 x case + N.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "case_table.h"
#include "common/failure.h"
#include "driver_state.h"
#include "first_stage.h"
#include "series_tables.h"

namespace {

using namespace torvane;

double Host(int c, int n) { return n == 0 ? 0.0 : 1000.0 * c + n; }

void FillCases(int16_t cases, double h307) {
  CaseCount = cases;
  StepCount = 100;
  AllocateCaseTable();
  for (int c = 1; c <= cases; ++c) {
    for (int n = 1; n <= kHostVariables; ++n) CaseTable(c, n) = Host(c, n);
    CaseTable(c, 307) = h307;
  }
}

void SetFirstStageOutput(double f) {
  FirstStageResult.Redim(1, 1, 1, 1, "FirstStageResult");
  FirstStageResult(1, 1) = f;
}

TEST(FirstStageTable, EachColumnTakesItsHostVariable) {
  const int expected[40] = {1,   2,   3,   5,   6,   9,   10,  11,  12,  14,  15,  16,  22,  24,
                            25,  26,  32,  34,  44,  45,  46,  47,  48,  53,  54,  55,  257, 258,
                            260, 261, 264, 265, 267, 269, 270, 271, 277, 287, 307, 0};
  FillCases(2, 5.0);
  BuildFirstStageTable();
  ASSERT_EQ(FirstStageTable.RowUpper(), 2);
  ASSERT_EQ(FirstStageTable.ColUpper(), 40);
  for (int c = 1; c <= 2; ++c) {
    for (int j = 1; j <= 39; ++j)
      EXPECT_EQ(FirstStageTable(c, j), j == 39 ? 5.0 : Host(c, expected[j - 1])) << "case " << c << " column " << j;
    EXPECT_EQ(FirstStageTable(c, 40), Host(c, 416));
  }
  for (int j = 0; j <= 40; ++j) EXPECT_EQ(FirstStageTable(0, j), 0.0);
  EXPECT_EQ(FirstStageTable(1, 0), 0.0);
}

TEST(FirstStageTable, ColumnFortyFollowsTheFloorOfH307) {
  struct Case {
    double h307;
    int variable;  // 0: column 0 of the case table, 0.0
  };
  const Case cases[] = {{0, 411}, {99, 510}, {2.7, 413}, {-0.5, 410}, {-411, 0}, {12, 423}, {12.9, 423}, {-410.2, 0}};
  for (const Case& x : cases) {
    FillCases(1, x.h307);
    BuildFirstStageTable();
    EXPECT_EQ(FirstStageTable(1, 40), Host(1, x.variable)) << "h307 = " << x.h307;
  }
}

TEST(FirstStageTable, H307OutsideTheSeriesIsASubscriptFailure) {
  for (double h307 : {100.0, -411.5, -412.0, 1e300, std::nan("")}) {
    FillCases(1, h307);
    try {
      BuildFirstStageTable();
      ADD_FAILURE() << "h307 = " << h307 << " was accepted";
    } catch (const common::Failure& f) {
      EXPECT_EQ(f.cls, common::FailureClass::Subscript);
      EXPECT_NE(f.message.find("case 1"), std::string::npos) << f.message;
    }
  }
}

// The expected sources, written out from the column tables of the series
// stage: a host variable, or one of the step-dependent forms.
enum : int { S = -1, V55 = -2, V310 = -3, V410 = -4, I12 = -5, I01 = -6, IF = -7 };

double Expected(int source, int c, int s, double h307, double f) {
  switch (source) {
    case S: return s;
    case V55: return Host(c, 55 + s);
    case V310: return Host(c, 310 + s);
    case V410: return Host(c, 410 + s);
    case I12: return s < h307 ? 1 : 2;
    case I01: return s < h307 ? 0 : 1;
    case IF: return s < std::floor(f / 365) ? 0 : 1;
    default: return source == 307 ? h307 : Host(c, source);
  }
}

std::vector<int> Table1Sources() {
  return {1,   2,   3,   5,   6,   8,   9,   10,  11,  12,  14,  15,  16,  22,  24,  25,  26,  32,  34,
          35,  36,  37,  39,  40,  41,  42,  44,  45,  S,   50,  53,  V55, 257, 258, 260, 261, 263, 264,
          265, 266, 267, 270, 271, 277, 280, 281, 287, 290, 291, 292, 295, 296, I12, V310, V410};
}

std::vector<int> Table2Sources() {
  std::vector<int> v;
  for (int j = 1; j <= 6; ++j) v.push_back(255 + j);
  for (int j = 7; j <= 41; ++j) v.push_back(256 + j);
  for (int j = 42; j <= 46; ++j) v.push_back(257 + j);
  for (int x : {int{S}, int{I12}, int{I01}, 308, 309, int{V310}, int{V410}}) v.push_back(x);
  return v;
}

std::vector<int> Table3Sources() {
  return {1,  2,  3,  5,  6,  8,  9,  10, 11, 12, 14,  15,  16,  22,  24,  25,  26,  32,  34,  35,  36,  37,  39,  40,
          41, 42, 44, 45, 46, 47, S,  IF, 53, 54, V55, 257, 258, 260, 261, 263, 264, 265, 267, 277, 287, 292, V410};
}

void ExpectTable(const Table& table, const std::vector<int>& sources, int cases, double h307, double f,
                 const char* name) {
  ASSERT_EQ(table.RowUpper(), 100 * cases) << name;
  ASSERT_EQ(table.ColUpper(), static_cast<int>(sources.size())) << name;
  for (int c = 1; c <= cases; ++c)
    for (int s = 1; s <= 100; ++s)
      for (size_t j = 1; j <= sources.size(); ++j) {
        int r = (c - 1) * 100 + s;
        ASSERT_EQ(table(r, static_cast<int>(j)), Expected(sources[j - 1], c, s, h307, f))
            << name << " case " << c << " step " << s << " column " << j;
      }
  for (size_t j = 0; j <= sources.size(); ++j) EXPECT_EQ(table(0, static_cast<int>(j)), 0.0) << name;
}

void BuildForTwoCases() {
  FillCases(2, 12.5);
  SetFirstStageOutput(1000);
  BuildSeriesTables();
}

TEST(SeriesTables, Table1ColumnsForTwoCases) {
  ASSERT_EQ(Table1Sources().size(), 55u);
  BuildForTwoCases();
  ExpectTable(SeriesTable1, Table1Sources(), 2, 12.5, 1000, "SeriesTable1");
}

TEST(SeriesTables, Table2ColumnsForTwoCases) {
  ASSERT_EQ(Table2Sources().size(), 53u);
  BuildForTwoCases();
  ExpectTable(SeriesTable2, Table2Sources(), 2, 12.5, 1000, "SeriesTable2");
}

TEST(SeriesTables, Table3ColumnsForTwoCases) {
  ASSERT_EQ(Table3Sources().size(), 47u);
  BuildForTwoCases();
  ExpectTable(SeriesTable3, Table3Sources(), 2, 12.5, 1000, "SeriesTable3");
}

// Indicator columns: (h307, first step that reads "after").
TEST(SeriesTables, StepIndicatorsAgainstH307) {
  struct Case {
    double h307;
    int firstAfter;  // first step with s >= h307; 101: none
  };
  const Case cases[] = {{12.5, 13}, {12, 12}, {1, 1}, {0.5, 1}, {-3, 1}, {100, 100}, {100.5, 101}, {250, 101}};
  for (const Case& x : cases) {
    FillCases(1, x.h307);
    SetFirstStageOutput(0);
    BuildSeriesTables();
    for (int s = 1; s <= 100; ++s) {
      bool after = s >= x.firstAfter;
      EXPECT_EQ(SeriesTable1(s, 53), after ? 2.0 : 1.0) << "h307 " << x.h307 << " step " << s;
      EXPECT_EQ(SeriesTable2(s, 48), after ? 2.0 : 1.0) << "h307 " << x.h307 << " step " << s;
      EXPECT_EQ(SeriesTable2(s, 49), after ? 1.0 : 0.0) << "h307 " << x.h307 << " step " << s;
    }
  }
}

TEST(SeriesTables, FirstStageIndicatorUsesCaseOneForEveryRow) {
  struct Case {
    double f;
    int firstOne;  // first step that reads 1
  };
  const Case cases[] = {{1000, 2}, {0, 1}, {364.9, 1}, {-1, 1}, {730, 2}, {1095, 3}, {365 * 150.0, 101}};
  for (const Case& x : cases) {
    FillCases(2, 50);
    SetFirstStageOutput(x.f);
    BuildSeriesTables();
    for (int r = 1; r <= 200; ++r) {
      int s = (r - 1) % 100 + 1;
      EXPECT_EQ(SeriesTable3(r, 32), s >= x.firstOne ? 1.0 : 0.0) << "F " << x.f << " row " << r;
    }
  }
}

TEST(SeriesTables, RowCountIsSixteenBit) {
  FillCases(327, 1);
  SetFirstStageOutput(0);
  BuildSeriesTables();
  EXPECT_EQ(SeriesTable1.RowUpper(), 32700);
  EXPECT_EQ(SeriesTable3(32700, 31), 100.0);
  FillCases(328, 1);
  try {
    BuildSeriesTables();
    FAIL() << "328 cases were accepted";
  } catch (const common::Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::Overflow);
    EXPECT_NE(f.message.find("32800"), std::string::npos) << f.message;
  }
}

}  // namespace
