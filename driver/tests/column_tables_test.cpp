// The step-dependent columns of the four input tables and their limits. Which
// host variable each column takes is checked against the sample networks'
// designs (tools/tests/driver_columns_test.cpp); here every host variable of
// every case holds a distinct value, 1000 x case + N.
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

TEST(FirstStageTable, RowAndColumnZeroStayZero) {
  FillCases(2, 5.0);
  BuildFirstStageTable();
  ASSERT_EQ(FirstStageTable.RowUpper(), 2);
  ASSERT_EQ(FirstStageTable.ColUpper(), 40);
  for (int j = 0; j <= 40; ++j) EXPECT_EQ(FirstStageTable(0, j), 0.0);
  for (int c = 0; c <= 2; ++c) EXPECT_EQ(FirstStageTable(c, 0), 0.0);
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

TEST(SeriesTables, EachCaseHasOneRowPerStepAndRowZeroStaysZero) {
  FillCases(2, 12.5);
  SetFirstStageOutput(1000);
  BuildSeriesTables();
  for (const Table* t : {&SeriesTable1, &SeriesTable2, &SeriesTable3}) {
    EXPECT_EQ(t->RowUpper(), 200) << t->Name();
    for (int j = 0; j <= t->ColUpper(); ++j) EXPECT_EQ((*t)(0, j), 0.0) << t->Name();
  }
  EXPECT_EQ(SeriesTable1.ColUpper(), 55);
  EXPECT_EQ(SeriesTable2.ColUpper(), 53);
  EXPECT_EQ(SeriesTable3.ColUpper(), 47);
  // The step column and the yearly series of the second case's last step.
  EXPECT_EQ(SeriesTable1(200, 29), 100.0);
  EXPECT_EQ(SeriesTable1(200, 32), Host(2, 155));
  EXPECT_EQ(SeriesTable2(200, 52), Host(2, 410));
  EXPECT_EQ(SeriesTable3(200, 47), Host(2, 510));
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
