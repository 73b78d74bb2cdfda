#include "result_file.h"

#include <string>

#include "common/checked16.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "driver_state.h"
#include "engine_binding.h"
#include "series_tables.h"

namespace torvane {

namespace {

void AppendOutputColumn(std::string& text, int32_t column) {
  const int16_t rows = common::Mul16(StepCount, CaseCount, "StepCount x CaseCount");
  for (int32_t r = 1; r <= rows; ++r) common::AppendNumberLine(text, SeriesResult.At(r, column));
}

}  // namespace

namespace {

// Each series table is built just before its network and handed back after
// it: a run of many cases then holds one of the three at a time.
void ApplySeriesNetwork(int which, const std::string& project, long controlLine, Table& table,
                        const char* resultName) {
  BuildSeriesTable(which);
  ApplyNetworkInParts(project, controlLine, table, SeriesResult, resultName);
  table.Free();
}

}  // namespace

void RunSeriesNetworks() {
  std::string text;
  ApplySeriesNetwork(1, ProjectPath1, kLineProject1, SeriesTable1, "SeriesResult of network A");
  if (SeriesResult.ColUpper() < 2) {
    common::Fail(common::FailureClass::Subscript, CascadeNetwork(kLineProject1, ProjectPath1) + " has " +
                                                      std::to_string(SeriesResult.ColUpper()) +
                                                      " output; the cascade needs 2");
  }
  AppendOutputColumn(text, 1);
  AppendOutputColumn(text, 2);
  ApplySeriesNetwork(3, ProjectPath3, kLineProject3, SeriesTable3, "SeriesResult of network C");
  AppendOutputColumn(text, 1);
  ApplySeriesNetwork(2, ProjectPath2, kLineProject2, SeriesTable2, "SeriesResult of network B");
  AppendOutputColumn(text, 1);
  common::WriteFileReplacing(DriverFilePath("outfile.dat"), text);
}

}  // namespace torvane
