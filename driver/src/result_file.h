#pragma once
// The three series networks and "outfile.dat".

namespace torvane {

// Applies network A (ProjectPath1) to SeriesTable1, C (ProjectPath3) to
// SeriesTable3 and B (ProjectPath2) to SeriesTable2, in that order, each
// table built (BuildSeriesTable) just before and freed just after, and
// writes g_dataFolder's "outfile.dat": R lines each of A's output 1, A's
// output 2, C's output 1 and B's output 1. The file is built in memory and
// replaces the earlier one only when complete, so a run that fails leaves
// the previous file as it was.
void RunSeriesNetworks();

}  // namespace torvane
