#include "cascade.h"

#include "case_table.h"
#include "control_file.h"
#include "driver_state.h"
#include "first_stage.h"
#include "result_file.h"

namespace torvane {

void RunCascade() {
  RunFirstStage();
  RunSeriesNetworks();  // builds the series tables one at a time
}

void RunDriver() {
  ReadControlFile();
  StepCount = 100;
  CheckCaseCount();
  LoadCaseTable();
  RunCascade();
}

}  // namespace torvane
