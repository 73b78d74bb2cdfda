#include "clustering_file_reader.h"

#include <string>
#include <string_view>

#include "common/checked16.h"
#include "loaded_network.h"
#include "project_line_reader.h"

namespace quenby {

namespace {

constexpr std::string_view kScenarios = "**** Scenarios ***";
constexpr std::string_view kConvResults = "**** Conv Scenarios Result ***";
constexpr std::string_view kFuzzyResults = "**** Fuzzy Scenarios Result ***";
constexpr std::string_view kSelectedConv = "**** Selected Conv Scenario ***";
constexpr std::string_view kSelectedFuzzy = "**** Selected Fuzzy Scenario ***";

// Reads scenario's flags from the scenarios section and its centres from
// resultsMarker's section, each searched from the start of the file.
void ReadScenario(LoadedNetwork& n, const std::string& path, const std::string& scenario,
                  std::string_view resultsMarker) {
  ProjectLineReader in(path);
  const std::string quoted = "\"" + scenario + "\"";
  in.SearchTo(kScenarios);
  in.SearchTo(scenario);
  const int32_t flagCount = int32_t{n.InputVarCount} + n.OutputCount;
  for (int32_t i = 1; i <= flagCount; ++i) {
    n.ClusterVarFlags(i) = in.Count16("clustering flag " + std::to_string(i) + " of scenario " + quoted);
  }

  in.SearchTo(resultsMarker);
  in.SearchTo(scenario);
  n.ClusterCount = in.Size16("the cluster count of scenario " + quoted);
  n.ClusterVarCount = in.Size16("the coordinate count of scenario " + quoted);
  const std::string centres = "cluster centres of scenario " + quoted;
  in.RequireNumberLines(int64_t{n.ClusterCount} * n.ClusterVarCount, centres);
  n.ClusterCentres.Redim(n.ClusterCount, n.ClusterVarCount, "ClusterCentres");
  for (int16_t c = 1; c <= n.ClusterCount; ++c) {
    for (int16_t j = 1; j <= n.ClusterVarCount; ++j) n.ClusterCentres(c, j) = in.Real(centres);
  }
}

void StartClustering(LoadedNetwork& n, const char* mode) {
  n.ClusterVarFlags.Redim(common::Add16(n.InputVarCount, n.OutputCount, "InputVarCount + OutputCount"),
                          "ClusterVarFlags");
  n.ClusteringMode = mode;
}

}  // namespace

void ReadConvClustering() {
  LoadedNetwork& n = Net();
  StartClustering(n, "Conv");
  const std::string path = n.ProjectPath + ".clu";
  std::string selected;
  {
    ProjectLineReader in(path);
    in.SearchTo(kSelectedConv);
    selected = std::string(in.Line("the name of the selected conventional scenario"));
  }
  if (selected == kFuzzyResults) return;  // none selected
  ReadScenario(n, path, selected, kConvResults);
}

void ReadFuzzyClustering() {
  LoadedNetwork& n = Net();
  StartClustering(n, "Fuzzy");
  const std::string path = n.ProjectPath + ".clu";
  std::string selected;
  {
    ProjectLineReader in(path);
    std::string_view line;
    if (!in.SearchTo(kSelectedFuzzy) || !in.Next(line)) return;  // none selected
    selected = std::string(line);
  }
  ReadScenario(n, path, selected, kFuzzyResults);
}

}  // namespace quenby
