#include "cascade.h"

#include "case_table.h"
#include "control_file.h"
#include "driver_state.h"
#include "first_stage.h"
#include "result_file.h"
#include "series_tables.h"

namespace torvane {

void RunCascade() {
  RunFirstStage();
  BuildSeriesTables();
  RunSeriesNetworks();
}

void RunDriver() {
  ReadControlFile();
  StepCount = 100;
  CheckCaseCount();
  LoadCaseTable();
  RunCascade();
}

}  // namespace torvane
