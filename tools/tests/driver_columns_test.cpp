// The driver's four input tables against the sample networks' designs, which
// say for each column of each network where the host's value comes from:
// two routes to the same columns, so a column taken from the wrong place in
// either shows.
#include <gtest/gtest.h>

#include <string>

#include "case_table.h"
#include "driver_state.h"
#include "first_stage.h"
#include "network_designs.h"
#include "series_tables.h"

namespace {

// Every host variable of every case distinct; remediation starts inside the
// series so that the indicators change on the way.
samples::HostCase DistinctCase(int c) {
  samples::HostCase host;
  for (int n = 1; n <= samples::kHostVariables; ++n) host.h[static_cast<size_t>(n)] = 1000.0 * c + n;
  host.h[samples::kRemediationStart] = 12.5 + c;
  return host;
}

void ExpectColumns(const torvane::Table& table, const samples::NetworkDesign& design, int cases, int steps,
                   double firstStage) {
  ASSERT_EQ(table.ColUpper(), static_cast<int32_t>(design.columns.size())) << design.name;
  for (int c = 1; c <= cases; ++c) {
    const samples::HostCase host = DistinctCase(c);
    for (int s = 1; s <= steps; ++s) {
      const int32_t row = steps == 1 ? c : (c - 1) * steps + s;
      for (size_t j = 1; j <= design.columns.size(); ++j)
        ASSERT_EQ(table(row, static_cast<int32_t>(j)), samples::ColumnValue(design.columns[j - 1], host, s, firstStage))
            << design.name << ": case " << c << ", step " << s << ", column " << j << " ("
            << samples::ColumnTitle(design.columns[j - 1]) << ")";
    }
  }
}

TEST(DriverColumns, EveryTableTakesWhatTheNetworksWereTrainedOn) {
  const int cases = 2;
  const double firstStage = 1000;  // days: the plume arrives in year 2
  torvane::CaseCount = cases;
  torvane::StepCount = samples::kSteps;
  torvane::AllocateCaseTable();
  for (int c = 1; c <= cases; ++c)
    for (int n = 1; n <= samples::kHostVariables; ++n) torvane::CaseTable(c, n) = DistinctCase(c).h[static_cast<size_t>(n)];
  torvane::BuildFirstStageTable();
  torvane::FirstStageResult.Redim(1, 1, 1, 1, "FirstStageResult");
  torvane::FirstStageResult(1, 1) = firstStage;
  torvane::BuildSeriesTables();

  const samples::SampleDesigns designs = samples::MakeSampleDesigns();
  ExpectColumns(torvane::FirstStageTable, designs.firstStage, cases, 1, firstStage);
  ExpectColumns(torvane::SeriesTable1, designs.networkA, cases, samples::kSteps, firstStage);
  ExpectColumns(torvane::SeriesTable2, designs.networkB, cases, samples::kSteps, firstStage);
  ExpectColumns(torvane::SeriesTable3, designs.networkC, cases, samples::kSteps, firstStage);
}

}  // namespace
