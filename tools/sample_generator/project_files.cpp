#include "project_files.h"

#include <algorithm>
#include <cmath>

#include "csv_table.h"

namespace samples {

namespace {

constexpr const char* kScenario = "Hydraulics";
constexpr int kCheckRows = 20;

}  // namespace

std::string ProjectPath(const Project& p) { return "projects/" + p.design->name; }

GeneratedFile DataFile(const Project& p) {
  TextLines f;
  f.Add(p.design->purpose);
  f.Integer(static_cast<long>(p.records.size()));
  f.Integer(p.variables);
  f.Add("Variables");
  for (const auto& t : p.titles) f.Add(t);
  f.Add("Data");
  for (const auto& r : p.records)
    for (double v : r) f.Number(v);
  f.Add("Minimum and maximum");
  for (int v = 0; v < p.variables; ++v) {
    f.Number(p.dataMin[static_cast<size_t>(v)]);
    f.Number(p.dataMax[static_cast<size_t>(v)]);
  }
  return {ProjectPath(p) + ".dat", std::move(f.text)};
}

GeneratedFile FlagFile(const Project& p) {
  TextLines f;
  f.Add("Variable flags");
  f.Add(" ID ");
  for (int j = 0; j < p.direct; ++j) f.Add(" I ");
  for (int k = 0; k < p.outputs; ++k) f.Add(" O ");
  return {ProjectPath(p) + ".flg", std::move(f.text)};
}

GeneratedFile DesignFile(const Project& p) {
  const NetworkDesign& d = *p.design;
  TextLines f;
  f.Add("Network design");
  f.Add(d.purpose);
  f.Add(d.multiSlab ? "Back propagation, slabbed hidden layer" : "Back propagation");
  f.Add("Inputs and clusters");
  f.Integer(p.direct);
  f.Integer(d.clusters);
  f.Add("Direct inputs");
  for (int j = 0; j < p.direct; ++j) f.Integer(2 + j);
  f.Add("Derived inputs");
  f.Integer(static_cast<long>(d.derivedCodes.size()));
  for (int code : d.derivedCodes) f.Integer(code);
  f.Add("*** Interface Information ***");
  f.Add("Scaling");
  f.Add("Range");
  f.Add("Clustering");
  f.Add(d.clusters > 0 ? kScenario : "None");
  f.Integer(0);                      // conventional clustering
  f.Integer(d.clusters > 0 ? 1 : 0);  // fuzzy clustering
  return {ProjectPath(p) + ".ndp", std::move(f.text)};
}

GeneratedFile RangeFile(const Project& p) {
  TextLines f;
  auto record = [&](const std::string& title, double lo, double hi) {
    f.Add("\"" + title + "\"," + common::GeneralNumber(lo) + "," + common::GeneralNumber(hi));
  };
  f.Add("Network input ranges");
  for (int j = 0; j < p.direct; ++j) record(p.titles[static_cast<size_t>(1 + j)], p.inMin[static_cast<size_t>(j)], p.inMax[static_cast<size_t>(j)]);
  f.Add("Output ranges");
  for (int k = 0; k < p.outputs; ++k)
    record(p.titles[static_cast<size_t>(1 + p.direct + k)], p.outMin[static_cast<size_t>(k)], p.outMax[static_cast<size_t>(k)]);
  return {ProjectPath(p) + ".MinMax", std::move(f.text)};
}

GeneratedFile ClusterFile(const Project& p) {
  const NetworkDesign& d = *p.design;
  TextLines f;
  auto centres = [&](const Points& points) {
    f.Add(kScenario);
    f.Integer(static_cast<long>(points.size()));
    f.Integer(static_cast<long>(d.clusterColumns.size()));
    for (const auto& c : points)
      for (double v : c) f.Number(v);
  };
  f.Add("Clustering of " + d.purpose);
  f.Add("**** Scenarios ***");
  f.Add(kScenario);
  for (int j = 0; j < p.direct; ++j)
    f.Integer(std::find(d.clusterColumns.begin(), d.clusterColumns.end(), j) != d.clusterColumns.end() ? 1 : 0);
  for (int k = 0; k < p.outputs; ++k) f.Integer(0);
  f.Add("**** Conv Scenarios Result ***");
  centres(p.conventional);
  f.Add("**** Selected Conv Scenario ***");
  f.Add(kScenario);
  f.Add("**** Fuzzy Scenarios Result ***");
  centres(p.fuzzy);
  f.Add("**** Selected Fuzzy Scenario ***");
  f.Add(kScenario);
  return {ProjectPath(p) + ".clu", std::move(f.text)};
}

GeneratedFile NetFile(const Project& p) {
  const NetworkDesign& d = *p.design;
  TextLines f;
  f.Add("Back-propagation network: " + d.purpose);
  f.Add("*** BKP Information ***");
  f.Integer(d.hidden);
  f.Number(d.training.rate);
  f.Number(d.training.momentum);
  f.Integer(d.training.epochs);
  f.Integer(d.training.batch);
  f.Add(d.multiSlab ? "False" : "True");  // true: an ordinary hidden layer
  f.Integer(p.report.bestEpoch);
  if (d.multiSlab) {
    f.Integer(static_cast<long>(d.slabs.size()));
    for (const auto& name : d.slabs) f.Add(name);
  }
  auto weights = [&](const char* name, const BackPropNet& net) {
    f.Add(std::string("*** ") + name + " Weights ***");
    f.Integer(net.hidden);
    for (double w : net.w1) f.Number(w);
    for (double w : net.w2) f.Number(w);
  };
  weights("Initial", p.report.initial);
  weights("Last", p.report.last);
  weights("Best", p.report.best);
  return {ProjectPath(p) + ".net", std::move(f.text)};
}

GeneratedFile GrnnFile(const Project& p) {
  TextLines f;
  f.Add("General regression network: " + p.design->purpose);
  f.Add(p.design->grnn);
  f.Add("Smoothing chosen on " + std::to_string(std::min<size_t>(p.validation.size(), 120)) + " held-out records");
  if (p.design->grnn == "Genetic") {
    f.Add("*** Genetic ***");
    f.Number(static_cast<double>(p.grnnInputs.size()));  // rows, one per pattern
    f.Integer(p.inputs);
    for (size_t q = 0; q < p.grnnInputs.size(); ++q)
      for (double v : p.inputSmoothing) f.Number(v);
  } else {
    f.Add("*** Hold Out ***");
    f.Number(p.sigma);
  }
  f.Add("*** Trainag set ***");
  f.Integer(static_cast<long>(p.grnnInputs.size()));
  f.Integer(p.inputs);
  for (size_t q = 0; q < p.grnnInputs.size(); ++q) {
    for (double v : p.grnnInputs[q]) f.Number(v);
    for (double v : p.grnnOutputs[q]) f.Number(v);
  }
  f.Add("*** Statistic ***");
  return {ProjectPath(p) + ".grn", std::move(f.text)};
}

// What a modeller checks the engine against: cases from the validation
// records and the generator's own predictions for them.
void CheckFiles(const Project& p, std::vector<GeneratedFile>& files) {
  std::vector<std::string> inHeader(p.titles.begin() + 1, p.titles.begin() + 1 + p.direct);
  std::vector<std::string> outHeader(p.titles.begin() + 1 + p.direct, p.titles.end());
  std::vector<std::vector<double>> cases, backProp, grnn;
  for (size_t i = 0; i < p.validation.size() && static_cast<int>(i) < kCheckRows; ++i) {
    const auto& rec = p.records[static_cast<size_t>(p.validation[i])];
    std::vector<double> direct(rec.begin() + 1, rec.begin() + 1 + p.direct);
    backProp.push_back(PredictBackProp(p, direct));
    if (!p.design->grnn.empty()) grnn.push_back(PredictGrnn(p, direct));
    cases.push_back(std::move(direct));
  }
  const std::string base = "checks/" + p.design->name;
  files.push_back({base + ".inputs.csv", tools::FormatCsv(inHeader, cases)});
  files.push_back({base + ".backprop.csv", tools::FormatCsv(outHeader, backProp)});
  if (!p.design->grnn.empty()) files.push_back({base + ".grnn.csv", tools::FormatCsv(outHeader, grnn)});
}

}  // namespace samples
