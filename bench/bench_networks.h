#pragma once
// Networks for the benchmarks, built straight into LoadedNetwork and, where a
// benchmark goes through the C API, written as a ".DLLFile" file into a
// scratch folder. Weights and inputs are drawn so that the weighted sums
// mostly stay inside [-15, 15]: the activations are computed, not saturated.
#include <cstdint>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "compiled_file.h"
#include "loaded_network.h"
#include "quenby.h"
#include "testing/temp_folder.h"

namespace bench {

using ScratchFolder = testing_support::TempFolder;

// Project variables 1..inputs are the network inputs, inputs + 1.. the
// outputs; input columns range over [-10, 10], outputs over [0, 100].
inline void SetGeneralInfo(int16_t inputs, int16_t outputs) {
  quenby::LoadedNetwork& n = quenby::Net();
  n.VariableCount = static_cast<int16_t>(inputs + outputs);
  n.InputVarCount = inputs;
  n.OutputCount = outputs;
  n.VariableTitles.Redim(n.VariableCount);
  for (int v = 1; v <= n.VariableCount; ++v) n.VariableTitles(v) = (v <= inputs ? "In" : "Out") + std::to_string(v);
  n.InputVarColumns.Redim(inputs);
  for (int j = 1; j <= inputs; ++j) n.InputVarColumns(j) = static_cast<int16_t>(j);
  n.OutputColumns.Redim(outputs);
  for (int k = 1; k <= outputs; ++k) n.OutputColumns(k) = static_cast<int16_t>(inputs + k);
  n.ClusterCount = 0;
  n.ClusterVarCount = 0;
  n.ClusteringMode = "None";
  n.ClusterVarFlags.Redim(inputs + outputs);
  n.ClusterCentres.Redim(0, 0);
  n.DirectInputCount = inputs;
  n.DerivedInputCount = 0;
  n.NetInputColumns.Redim(inputs);
  for (int j = 1; j <= inputs; ++j) n.NetInputColumns(j) = static_cast<int16_t>(j);
  n.DerivedInputCodes.Redim(0);
  n.VarMin.Redim(n.VariableCount + 2);
  n.VarMax.Redim(n.VariableCount + 2);
  for (int c = 1; c <= n.VariableCount + 2; ++c) {
    const bool output = c > inputs;
    n.VarMin(c) = output ? 0.0 : -10.0;
    n.VarMax(c) = output ? 100.0 : 10.0;
  }
}

// A back-propagation network: slabs 1 ("Logistic", ordinary layer) or 2
// ("Logistic", "tan Hyperbolic", neurons taken in turn).
inline void MakeBackPropNetwork(int16_t inputs, int16_t hidden, int16_t outputs, int16_t slabs, uint64_t seed = 42) {
  quenby::ResetLoadedNetwork();
  quenby::LoadedNetwork& n = quenby::Net();
  SetGeneralInfo(inputs, outputs);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  n.MultiSlab = slabs > 1 ? quenby::kTrue : quenby::kFalse;
  n.SlabCount = slabs;
  n.HiddenCount = hidden;
  n.SlabActivations.Redim(slabs);
  const char* names[] = {"Logistic", "tan Hyperbolic"};
  for (int s = 1; s <= slabs; ++s) n.SlabActivations(s) = names[(s - 1) % 2];
  n.InputWeights.Redim(inputs + 1, hidden);
  for (int l = 1; l <= inputs + 1; ++l)
    for (int h = 1; h <= hidden; ++h) n.InputWeights(l, h) = 0.4 * u(rng);
  n.OutputWeights.Redim(hidden + slabs, outputs);
  for (int m = 1; m <= hidden + slabs; ++m)
    for (int k = 1; k <= outputs; ++k) n.OutputWeights(m, k) = 0.5 * u(rng);
}

// Gives Net() a "Holdout" general regression section of `patterns` stored
// patterns; sixDecimals rounds them as measured data are written.
inline void SetHoldoutSection(int16_t inputs, int16_t outputs, int32_t patterns, uint64_t seed, bool sixDecimals) {
  quenby::LoadedNetwork& n = quenby::Net();
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  auto stored = [sixDecimals](double v) { return sixDecimals ? std::round(v * 1e6) / 1e6 : v; };
  n.GrnnCalibration = "Holdout";
  n.GrnnSmoothing = 0.35;
  n.TrainingCount = patterns;
  n.TrainingInputs.Redim(patterns, inputs);
  n.TrainingOutputs.Redim(patterns, outputs);
  for (int32_t p = 1; p <= patterns; ++p) {
    for (int j = 1; j <= inputs; ++j) n.TrainingInputs(p, j) = stored(u(rng) / 3.0);
    for (int k = 1; k <= outputs; ++k) n.TrainingOutputs(p, k) = stored(0.5 + 0.5 * u(rng) / 7.0);
  }
}

// A "Holdout" general regression network with `patterns` stored patterns.
inline void MakeGrnnNetwork(int16_t inputs, int16_t outputs, int32_t patterns, uint64_t seed = 7) {
  quenby::ResetLoadedNetwork();
  SetGeneralInfo(inputs, outputs);
  SetHoldoutSection(inputs, outputs, patterns, seed, false);
}

// Writes Net() as project `project` (path without suffix).
inline void WriteDllFile(const std::string& project, bool backProp, bool grnn) {
  common::WriteFileReplacing(project + ".DLLFile", quenby::CompiledFileText(backProp, grnn));
}

// A caller's input table (0 To cases, 0 To columns), values uniform over
// [-12, 12]: a few lie beyond the columns' range and are clamped.
struct InputTable {
  std::vector<double> cells;
  QuenbyTable table{};
  InputTable(int32_t cases, int32_t columns, uint64_t seed = 3) {
    cells.assign(static_cast<size_t>(cases + 1) * static_cast<size_t>(columns + 1), 0.0);
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-12.0, 12.0);
    for (int32_t i = 1; i <= cases; ++i)
      for (int32_t j = 1; j <= columns; ++j) cells[static_cast<size_t>(i) * (columns + 1) + j] = u(rng);
    table = QuenbyTable{cells.data(), 0, cases, 0, columns};
  }
};

// NetInputs (0 To cases, 0 To inputs) from the same values as InputTable.
inline void FillNetInputs(int32_t cases, int16_t inputs, uint64_t seed = 3) {
  InputTable t(cases, inputs, seed);
  quenby::LoadedNetwork& n = quenby::Net();
  n.NetInputs.Redim(cases, inputs);
  for (int32_t i = 1; i <= cases; ++i)
    for (int j = 1; j <= inputs; ++j) n.NetInputs(i, j) = t.cells[static_cast<size_t>(i) * (inputs + 1) + j];
  n.NetOutputs.Redim(cases, n.OutputCount);
}

}  // namespace bench
