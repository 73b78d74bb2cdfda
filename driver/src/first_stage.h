#pragma once
// The first-stage network: 40 host variables per case in, its first output
// of case 1 out (kept for the time-series stage and dumped to "trashy.dat").

namespace torvane {

// Re-creates FirstStageTable as (0 To CaseCount, 0 To 40) and fills row c
// from CaseTable: columns 1..39 from fixed host variables, column 40 from
// host variable 411 + floor(h307) (0 gives 0.0). That variable outside 0..510
// is a subscript failure naming the case.
void BuildFirstStageTable();

// Builds the table, applies the network of ProjectPath4 into
// FirstStageResult and writes its (1, 1) to g_dataFolder's "trashy.dat" as one
// line, replacing the earlier file only when complete.
void RunFirstStage();

}  // namespace torvane
