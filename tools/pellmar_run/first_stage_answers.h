#pragma once
// The driver hands every case of a run the first-stage answer of its FIRST
// case (the "0 if s < floor(F / 365)" column of network C). A realization's
// 400 values equal those of its own host calculation only when it shares a
// run with realizations whose answers give that column the same steps; so
// the answers are computed first, with the driver's own table builder and
// the deployment's engine, and the realizations grouped by them.
#include <optional>
#include <string>
#include <vector>

#include "deployment_engine.h"

namespace tools {

struct ControlProjects {
  std::string networkA, networkB, networkC, firstStage;  // lines 2, 4, 6, 8
};

// folder's "Control.dat" as the driver reads it.
ControlProjects ReadControlProjects(const std::string& folder);

// The first-stage answer F of every realization (driver-seen inputs, 510
// each); none for a realization whose first-stage row the driver cannot
// build (host variable 411 + floor(h307) outside 0..510).
std::vector<std::optional<double>> FirstStageAnswers(DeploymentEngine& engine, const std::string& project,
                                                     const std::vector<std::vector<double>>& seen);

// How many of the 100 steps read 0 in that column: the steps s < floor(F / 365),
// compared as the driver compares them. Realizations with the same count
// may share a run.
int StepsBeforeArrival(double firstStageAnswer);

}  // namespace tools
