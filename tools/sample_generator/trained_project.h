#pragma once
// One network of the sample set as the generator trains it: training
// records drawn from the synthetic site, the scaling ranges, the clustering,
// the trained weights and the general regression patterns; and the
// predictions the engine must reproduce from the files written for it.
#include <cstdint>
#include <string>
#include <vector>

#include "back_prop_net.h"
#include "clustering.h"
#include "host_process.h"
#include "network_designs.h"

namespace samples {

struct Project {
  const NetworkDesign* design = nullptr;
  int direct = 0, outputs = 0, variables = 0, inputs = 0;  // D, O, V = 1 + D + O, nIn = D + derived
  std::vector<std::string> titles;                          // variable 1..V at index 0..V-1
  std::vector<std::vector<double>> records;                 // V values each
  std::vector<int> recordCase;
  std::vector<double> dataMin, dataMax;  // per variable
  std::vector<double> inMin, inMax;      // per network input, after the range file
  std::vector<double> outMin, outMax;    // per output, after the range file
  Points fuzzy, conventional;
  TrainingReport report;
  std::vector<int> training, validation;  // record numbers (0-based)
  double sigma = 0;                    // "Holdout"
  std::vector<double> inputSmoothing;  // "Genetic": one factor per input, the same for every pattern
  std::vector<std::vector<double>> grnnInputs, grnnOutputs;
};

// The driver's table row of the design for year s of the case (firstStage:
// the first-stage network's answer, days).
std::vector<double> DirectValues(const NetworkDesign& d, const HostCase& c, int s, double firstStage);

// Outputs in data units for one row of direct inputs, as the engine gives
// them for the written files ("Back Prop" and "GRNN").
std::vector<double> PredictBackProp(const Project& p, const std::vector<double>& direct);
std::vector<double> PredictGrnn(const Project& p, const std::vector<double>& direct);

// Draws the design's training records from random sites, sets its ranges,
// clustering and network, trains it and calibrates its general regression
// network. firstStage gives the arrival answers network C is fed.
Project TrainProject(const NetworkDesign& d, const Project* firstStage, uint64_t seed);

}  // namespace samples
