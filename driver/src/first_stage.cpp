#include "first_stage.h"

#include <cmath>
#include <iterator>
#include <string>

#include "column_layout.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "driver_state.h"
#include "engine_binding.h"

namespace torvane {

namespace {

// Columns 1..39 copy host variables; column 40 (kSeriesAtH307 in the
// layout) takes host variable 411 + floor(h307): the pumping series at the
// step remediation starts.
constexpr int32_t kCopiedColumns = std::size(kFirstStageSources) - 1;
constexpr int32_t kFirstStageColumns = kCopiedColumns + 1;
static_assert(kFirstStageColumns == 40 && kFirstStageSources[kCopiedColumns] == kSeriesAtH307);
constexpr int32_t kStepSeriesBase = 411;

}  // namespace

void BuildFirstStageTable() {
  FirstStageTable.Redim(0, CaseCount, 0, kFirstStageColumns, "FirstStageTable");
  const int16_t cases = CaseCount;
  for (int32_t c = 1; c <= cases; ++c) {
    for (int32_t j = 1; j <= kCopiedColumns; ++j) FirstStageTable(c, j) = CaseTable(c, kFirstStageSources[j - 1]);
    const double h307 = CaseTable(c, kRemediationStartVariable);
    const double k = kStepSeriesBase + std::floor(h307);
    if (!(k >= 0 && k <= kHostVariables)) {
      common::Fail(common::FailureClass::Subscript,
                   "first-stage column 40 of case " + std::to_string(c) + " takes host variable 411 + floor(h307) = " +
                       common::GeneralNumber(k) + " (h307 = " + common::GeneralNumber(h307) +
                       "), outside 0 to " + std::to_string(kHostVariables));
    }
    FirstStageTable(c, kFirstStageColumns) = CaseTable(c, static_cast<int32_t>(k));
  }
}

void RunFirstStage() {
  BuildFirstStageTable();
  if (CaseCount < 1)
    common::Fail(common::FailureClass::Subscript,
                 "the case count is 0, so there is no first-stage result of case 1 (" +
                     DriverFilePath("Control.dat") + ", line " + std::to_string(kCaseCountLine) + ")");
  ApplyNetwork(ProjectPath4, kLineProject4, FirstStageTable, FirstStageResult, "FirstStageResult");
  std::string text;
  common::AppendNumberLine(text, FirstStageResult.At(1, 1));
  common::WriteFileReplacing(DriverFilePath("trashy.dat"), text);
}

}  // namespace torvane
