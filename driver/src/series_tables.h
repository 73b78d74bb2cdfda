#pragma once
// The time-series stage: every case expanded into StepCount steps, one row
// per (case, step) in each of the three series networks' input tables.

namespace torvane {

// Re-creates SeriesTable1 (0 To R, 0 To 55), SeriesTable2 (0 To R, 0 To 53)
// and SeriesTable3 (0 To R, 0 To 47), R = StepCount x CaseCount, and fills
// row (c - 1) x StepCount + s of each from CaseTable, the step s and
// FirstStageResult(1, 1). R beyond 32767 is an overflow failure.
void BuildSeriesTables();

// The same for one of them (1, 2 or 3: SeriesTable1, 2 or 3), so a run
// holds only the table of the network it applies.
void BuildSeriesTable(int which);

}  // namespace torvane
