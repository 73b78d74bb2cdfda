#pragma once
// The complete sample set: four trained network projects in the training
// program's own file formats, "Control.dat" for the cascade, the demo case's
// host inputs, and the checks a modeller compares the engine against.
#include <string>
#include <vector>

#include "project_files.h"

namespace samples {

struct SampleSet {
  std::vector<GeneratedFile> files;
  std::vector<std::string> projectPaths;  // relative, without suffix
  std::vector<std::string> summary;       // one line per trained network
};

// Trains the networks and renders every file. Deterministic: the same bytes
// on every run. effort > 1 divides the training epochs and shortens the
// smoothing search (tests that check the files rather than the fit use it
// to stay quick).
SampleSet GenerateSampleSet(int effort = 1);

// Writes the set under folder (created when missing), each file replaced
// only when complete, and removes the projects' stale ".DLLFile" and
// ".MyTitles" files so the engine compiles the new networks. Throws
// common::Failure.
void WriteSampleSet(const SampleSet& set, const std::string& folder);

}  // namespace samples
