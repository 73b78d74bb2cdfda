#include "result_file.h"

#include <string>

#include "common/checked16.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "driver_state.h"
#include "engine_binding.h"

namespace torvane {

namespace {

void AppendOutputColumn(std::string& text, int32_t column) {
  const int16_t rows = common::Mul16(StepCount, CaseCount, "StepCount x CaseCount");
  for (int32_t r = 1; r <= rows; ++r) common::AppendNumberLine(text, SeriesResult.At(r, column));
}

}  // namespace

void RunSeriesNetworks() {
  std::string text;
  ApplyNetwork(ProjectPath1, kLineProject1, SeriesTable1, SeriesResult, "SeriesResult of network A");
  if (SeriesResult.ColUpper() < 2) {
    common::Fail(common::FailureClass::Subscript, CascadeNetwork(kLineProject1, ProjectPath1) + " has " +
                                                      std::to_string(SeriesResult.ColUpper()) +
                                                      " output; the cascade needs 2");
  }
  AppendOutputColumn(text, 1);
  AppendOutputColumn(text, 2);
  ApplyNetwork(ProjectPath3, kLineProject3, SeriesTable3, SeriesResult, "SeriesResult of network C");
  AppendOutputColumn(text, 1);
  ApplyNetwork(ProjectPath2, kLineProject2, SeriesTable2, SeriesResult, "SeriesResult of network B");
  AppendOutputColumn(text, 1);
  common::WriteFileReplacing(DriverFilePath("outfile.dat"), text);
}

}  // namespace torvane
