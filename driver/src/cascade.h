#pragma once
// One calculation of the driver, from "Control.dat" to "outfile.dat".

namespace torvane {

// The four networks: first stage, series tables, series networks.
void RunCascade();

// Start-up and the whole run: the control file, StepCount = 100, the case
// table, the cascade. Reads and writes the files in g_dataFolder. Throws
// Failure at the first failure; files completed before it stay.
void RunDriver();

}  // namespace torvane
