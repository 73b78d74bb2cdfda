#pragma once
// Readers of the project's clustering file ".clu": they pick the selected
// scenario out of it and store its clustering-variable flags and cluster
// centres in Net(). Scenario names and markers are matched by whole-line
// equality, searching from the start of their section. Throw
// common::Failure naming the file and line.

namespace quenby {

// Sets ClusteringMode "Conv" and re-creates ClusterVarFlags
// (0 To InputVarCount + OutputCount) all 0. When a conventional scenario is
// selected, reads its flags, ClusterCount, ClusterVarCount and
// ClusterCentres.
void ReadConvClustering();

// The same for the fuzzy scenario ("Fuzzy"); a file whose selected-fuzzy
// marker is missing or last selects none and is no failure.
void ReadFuzzyClustering();

}  // namespace quenby
