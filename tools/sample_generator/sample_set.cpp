#include "sample_set.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "back_prop_net.h"
#include "clustering.h"
#include "common/failure.h"
#include "common/number_text.h"
#include "common/text_file.h"
#include "csv_table.h"
#include "host_process.h"
#include "network_designs.h"
#include "prng.h"

namespace samples {

namespace {

constexpr const char* kScenario = "Hydraulics";
constexpr int kCheckRows = 20;

// Text of a project file: every line ends in CR LF.
struct Lines {
  std::string text;
  void Add(std::string_view s) {
    text += s;
    text += "\r\n";
  }
  void Number(double v) { Add(common::GeneralNumber(v)); }
  void Integer(long v) { Add(std::to_string(v)); }
};

// The adapter hands the driver four decimals; the demo case uses exactly
// what the driver will read.
double FourDecimals(double v) { return std::round(v * 10000.0) / 10000.0; }

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

std::vector<double> DirectValues(const NetworkDesign& d, const HostCase& c, int s, double firstStage) {
  std::vector<double> v;
  for (const auto& col : d.columns) v.push_back(ColumnValue(col, c, s, firstStage));
  return v;
}

// Network inputs in raw units: the direct inputs, then the derived ones.
std::vector<double> RawInputs(const Project& p, const std::vector<double>& direct) {
  std::vector<double> raw(direct.begin(), direct.begin() + p.direct);
  if (!p.design->derivedCodes.empty()) {
    std::vector<double> x;
    for (int j : p.design->clusterColumns)
      x.push_back(RangeScale(direct[static_cast<size_t>(j)], p.inMin[static_cast<size_t>(j)], p.inMax[static_cast<size_t>(j)]));
    for (int code : p.design->derivedCodes) raw.push_back(FuzzyDerivedInput(x, p.fuzzy, code));
  }
  return raw;
}

std::vector<double> BackPropScaled(const Project& p, const std::vector<double>& raw) {
  std::vector<double> s(raw.size());
  for (size_t j = 0; j < raw.size(); ++j) s[j] = RangeScale(raw[j], p.inMin[j], p.inMax[j]);
  return s;
}

std::vector<double> GrnnScaled(const Project& p, const std::vector<double>& raw) {
  std::vector<double> s(raw.size());
  for (size_t j = 0; j < raw.size(); ++j)
    s[j] = p.inMax[j] == p.inMin[j] ? 1.0 : ((raw[j] - p.inMin[j]) / (p.inMax[j] - p.inMin[j])) * 2.0 - 1.0;
  return s;
}

double ToDataUnits(const Project& p, int k, double y) {
  double lo = p.outMin[static_cast<size_t>(k)], hi = p.outMax[static_cast<size_t>(k)];
  return hi == lo ? hi : (hi - lo) * y + lo;
}

std::vector<double> PredictBackProp(const Project& p, const std::vector<double>& direct) {
  std::vector<double> scaled = BackPropScaled(p, RawInputs(p, direct));
  std::vector<double> y(static_cast<size_t>(p.outputs));
  Forward(p.report.best, scaled.data(), y.data());
  for (int k = 0; k < p.outputs; ++k) y[static_cast<size_t>(k)] = ToDataUnits(p, k, y[static_cast<size_t>(k)]);
  return y;
}

// Kernel-weighted mean of the stored patterns: one smoothing factor sigma
// ("Holdout"), or one per input (factors not empty: "Genetic").
std::vector<double> GrnnEstimate(const std::vector<std::vector<double>>& patternsIn, const std::vector<std::vector<double>>& patternsOut,
                                 double sigma, const std::vector<double>& factors, const std::vector<double>& scaled) {
  const size_t outputs = patternsOut.front().size();
  std::vector<double> a(outputs, 0.0);
  double w = 0;
  const double s2 = std::pow(sigma, 2.0);
  for (size_t q = 0; q < patternsIn.size(); ++q) {
    double d = 0, weight = 0;
    if (factors.empty()) {
      for (size_t j = 0; j < scaled.size(); ++j) d += std::pow(patternsIn[q][j] - scaled[j], 2.0);
      weight = std::exp(-d / (s2 + s2));
    } else {
      for (size_t j = 0; j < scaled.size(); ++j) d += std::pow(patternsIn[q][j] - scaled[j], 2.0) / std::pow(factors[j], 2.0);
      weight = std::exp(-d);
    }
    for (size_t k = 0; k < outputs; ++k) a[k] += weight * patternsOut[q][k];
    w += weight;
  }
  for (size_t k = 0; k < outputs; ++k) a[k] = w > 1E-140 ? a[k] / w : 1.0;
  return a;
}

std::vector<double> PredictGrnn(const Project& p, const std::vector<double>& direct) {
  std::vector<double> y = GrnnEstimate(p.grnnInputs, p.grnnOutputs, p.sigma, p.inputSmoothing, GrnnScaled(p, RawInputs(p, direct)));
  for (int k = 0; k < p.outputs; ++k) y[static_cast<size_t>(k)] = ToDataUnits(p, k, y[static_cast<size_t>(k)]);
  return y;
}

// Builds the training data of a design from random sites, then its ranges,
// clustering and network, and trains it. firstStage answers for network C.
Project TrainProject(const NetworkDesign& d, const Project* firstStage, uint64_t seed) {
  Project p;
  p.design = &d;
  p.direct = static_cast<int>(d.columns.size());
  p.outputs = static_cast<int>(d.outputs.size());
  p.variables = 1 + p.direct + p.outputs;
  p.inputs = p.direct + static_cast<int>(d.derivedCodes.size());
  p.titles.push_back("Record");
  for (const auto& col : d.columns) p.titles.push_back(ColumnTitle(col));
  for (const auto& out : d.outputs) p.titles.push_back(out.title);

  Prng rng(seed);
  for (int c = 0; c < d.cases; ++c) {
    HostCase site = RandomCase(rng);
    double answer = firstStage ? PredictBackProp(*firstStage, DirectValues(*firstStage->design, site, 0, 0))[0] : 0.0;
    std::vector<int> years;
    if (d.perYear) {
      for (int s = 1; s <= kSteps; ++s) years.push_back(s);
      rng.Shuffle(years);
      years.resize(static_cast<size_t>(d.yearsPerCase));
      std::sort(years.begin(), years.end());
    } else {
      years.push_back(0);
    }
    for (int s : years) {
      std::vector<double> record{static_cast<double>(p.records.size() + 1)};
      for (double v : DirectValues(d, site, s, answer)) record.push_back(RoundToFileDigits(v));
      for (const auto& out : d.outputs) record.push_back(RoundToFileDigits(out.truth(site, s)));
      p.records.push_back(std::move(record));
      p.recordCase.push_back(c);
    }
  }
  const int trainingCases = d.cases * 4 / 5;
  for (size_t r = 0; r < p.records.size(); ++r) (p.recordCase[r] < trainingCases ? p.training : p.validation).push_back(static_cast<int>(r));

  p.dataMin.assign(static_cast<size_t>(p.variables), 0.0);
  p.dataMax.assign(static_cast<size_t>(p.variables), 0.0);
  for (int v = 0; v < p.variables; ++v) {
    double lo = p.records[0][static_cast<size_t>(v)], hi = lo;
    for (const auto& r : p.records) {
      lo = std::min(lo, r[static_cast<size_t>(v)]);
      hi = std::max(hi, r[static_cast<size_t>(v)]);
    }
    p.dataMin[static_cast<size_t>(v)] = lo;
    p.dataMax[static_cast<size_t>(v)] = hi;
  }
  for (int j = 0; j < p.direct; ++j) {
    double lo = p.dataMin[static_cast<size_t>(1 + j)], hi = p.dataMax[static_cast<size_t>(1 + j)];
    if (d.rangeFile) {  // a margin around the data, as a modeller sets it
      double margin = 0.05 * (hi - lo);
      lo = RoundToFileDigits(lo - margin);
      hi = RoundToFileDigits(hi + margin);
    }
    p.inMin.push_back(lo);
    p.inMax.push_back(hi);
  }
  for (int code : d.derivedCodes) {
    p.inMin.push_back(code == 1 ? 1.0 : 0.0);
    p.inMax.push_back(code == 1 ? static_cast<double>(d.clusters) : 1.0);
  }
  for (int k = 0; k < p.outputs; ++k) {
    double lo = p.dataMin[static_cast<size_t>(1 + p.direct + k)], hi = p.dataMax[static_cast<size_t>(1 + p.direct + k)];
    if (d.rangeFile) {  // room above the largest value seen
      lo = std::min(0.0, lo);
      hi = RoundToFileDigits(1.2 * hi);
    }
    p.outMin.push_back(lo);
    p.outMax.push_back(hi);
  }

  if (d.clusters > 0) {
    Points points;
    for (int r : p.training) {
      std::vector<double> x;
      for (int j : d.clusterColumns)
        x.push_back(RangeScale(p.records[static_cast<size_t>(r)][static_cast<size_t>(1 + j)], p.inMin[static_cast<size_t>(j)],
                               p.inMax[static_cast<size_t>(j)]));
      points.push_back(std::move(x));
    }
    p.fuzzy = FuzzyCentres(points, d.clusters, seed + 1);
    p.conventional = ConventionalCentres(points, d.clusters, seed + 1);
  }

  std::vector<std::vector<double>> scaled, targets;
  for (const auto& r : p.records) {
    std::vector<double> direct(r.begin() + 1, r.begin() + 1 + p.direct);
    scaled.push_back(BackPropScaled(p, RawInputs(p, direct)));
    std::vector<double> t;
    for (int k = 0; k < p.outputs; ++k) {
      double lo = p.outMin[static_cast<size_t>(k)], hi = p.outMax[static_cast<size_t>(k)];
      t.push_back(hi == lo ? 0.5 : (r[static_cast<size_t>(1 + p.direct + k)] - lo) / (hi - lo));
    }
    targets.push_back(std::move(t));
  }

  BackPropNet net;
  net.inputs = p.inputs;
  net.hidden = d.hidden;
  net.outputs = p.outputs;
  net.slabs = d.slabs;
  net.multiSlab = d.multiSlab;
  InitialWeights(net, seed + 2);
  p.report = Train(net, scaled, targets, p.training, p.validation, d.training);

  if (!d.grnn.empty()) {
    for (int r : p.training) {
      if (d.grnnPatterns > 0 && static_cast<int>(p.grnnInputs.size()) == d.grnnPatterns) break;
      const auto& rec = p.records[static_cast<size_t>(r)];
      std::vector<double> in = GrnnScaled(p, RawInputs(p, std::vector<double>(rec.begin() + 1, rec.begin() + 1 + p.direct)));
      for (double& v : in) v = RoundToFileDigits(v);
      std::vector<double> out = targets[static_cast<size_t>(r)];
      for (double& v : out) v = RoundToFileDigits(v);
      p.grnnInputs.push_back(std::move(in));
      p.grnnOutputs.push_back(std::move(out));
    }
    // Calibration on records kept out of the patterns (at most 120 of them).
    std::vector<std::vector<double>> heldIn, heldOut;
    for (size_t i = 0; i < p.validation.size() && heldIn.size() < 120; ++i) {
      const auto& rec = p.records[static_cast<size_t>(p.validation[i])];
      heldIn.push_back(GrnnScaled(p, RawInputs(p, std::vector<double>(rec.begin() + 1, rec.begin() + 1 + p.direct))));
      heldOut.push_back(targets[static_cast<size_t>(p.validation[i])]);
    }
    auto heldError = [&](double sigma, const std::vector<double>& factors) {
      double error = 0;
      for (size_t i = 0; i < heldIn.size(); ++i) {
        std::vector<double> y = GrnnEstimate(p.grnnInputs, p.grnnOutputs, sigma, factors, heldIn[i]);
        for (size_t k = 0; k < y.size(); ++k) error += std::pow(y[k] - heldOut[i][k], 2.0);
      }
      return error;
    };
    double bestError = -1;
    for (double sigma : {0.1, 0.14, 0.2, 0.28, 0.4, 0.56, 0.8, 1.1, 1.6}) {
      double error = heldError(sigma, {});
      if (bestError < 0 || error < bestError) {
        bestError = error;
        p.sigma = sigma;
      }
    }
    if (d.grnn == "Genetic") {
      // From the hold-out factor (a genetic factor of sqrt(2) sigma weighs
      // alike), each input's factor in turn is widened or narrowed while the
      // held-out error falls: inputs that do not matter end up wide.
      p.inputSmoothing.assign(static_cast<size_t>(p.inputs), RoundToFileDigits(p.sigma * std::sqrt(2.0)));
      bestError = heldError(0, p.inputSmoothing);
      for (int sweep = 0; sweep < d.grnnSweeps; ++sweep)
        for (size_t j = 0; j < p.inputSmoothing.size(); ++j)
          for (double factor : {8.0, 0.5, 0.25}) {
            std::vector<double> trial = p.inputSmoothing;
            trial[j] = RoundToFileDigits(trial[j] * factor);
            double error = heldError(0, trial);
            if (error < bestError) {
              bestError = error;
              p.inputSmoothing = trial;
            }
          }
    }
  }
  return p;
}

std::string ProjectPath(const Project& p) { return "projects/" + p.design->name; }

GeneratedFile DataFile(const Project& p) {
  Lines f;
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
  Lines f;
  f.Add("Variable flags");
  f.Add(" ID ");
  for (int j = 0; j < p.direct; ++j) f.Add(" I ");
  for (int k = 0; k < p.outputs; ++k) f.Add(" O ");
  return {ProjectPath(p) + ".flg", std::move(f.text)};
}

GeneratedFile DesignFile(const Project& p) {
  const NetworkDesign& d = *p.design;
  Lines f;
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
  Lines f;
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
  Lines f;
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
  Lines f;
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
  Lines f;
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

std::string Summary(const Project& p) {
  const NetworkDesign& d = *p.design;
  std::string s = d.name + ": " + std::to_string(p.direct) + " inputs";
  if (!d.derivedCodes.empty()) s += " + " + std::to_string(d.derivedCodes.size()) + " from a fuzzy clustering";
  s += ", " + std::to_string(d.hidden) + " hidden";
  if (d.multiSlab) s += " in " + std::to_string(d.slabs.size()) + " slabs";
  s += ", " + std::to_string(p.outputs) + (p.outputs == 1 ? " output" : " outputs");
  s += "; " + std::to_string(p.records.size()) + " records, best epoch " + std::to_string(p.report.bestEpoch) +
       ", validation RMS error " + common::GeneralNumber(std::round(std::sqrt(p.report.bestValidationError) * 1e4) / 100) + " % of range";
  if (d.grnn == "Holdout") s += "; GRNN hold-out smoothing " + common::GeneralNumber(p.sigma);
  if (d.grnn == "Genetic") {
    int wide = 0;
    for (double v : p.inputSmoothing) wide += v > p.sigma * 2.0 ? 1 : 0;
    s += "; GRNN genetic smoothing, " + std::to_string(wide) + " of " + std::to_string(p.inputs) + " inputs widened";
  }
  return s;
}

}  // namespace

SampleSet GenerateSampleSet(int effort) {
  SampleDesigns designs = MakeSampleDesigns();
  for (NetworkDesign* d : {&designs.firstStage, &designs.networkA, &designs.networkB, &designs.networkC})
  {
    d->training.epochs = std::max(5, d->training.epochs / std::max(1, effort));
    if (effort > 1) d->grnnSweeps = 1;
  }
  SampleSet set;
  Project first = TrainProject(designs.firstStage, nullptr, 1000);
  Project a = TrainProject(designs.networkA, nullptr, 2000);
  Project b = TrainProject(designs.networkB, nullptr, 3000);
  Project c = TrainProject(designs.networkC, &first, 4000);

  Lines control;
  control.Add(designs.networkA.controlLabel);
  control.Add(ProjectPath(a));
  control.Add(designs.networkB.controlLabel);
  control.Add(ProjectPath(b));
  control.Add(designs.networkC.controlLabel);
  control.Add(ProjectPath(c));
  control.Add(designs.firstStage.controlLabel);
  control.Add(ProjectPath(first));
  control.Add("Number of cases");
  control.Integer(1);
  set.files.push_back({"Control.dat", std::move(control.text)});

  HostCase demo = DemoCase();
  for (double& v : demo.h) v = FourDecimals(v);
  Lines inputs;
  for (int n = 1; n <= kHostVariables; ++n) inputs.Number(demo.h[static_cast<size_t>(n)]);
  set.files.push_back({"inputs.txt", std::move(inputs.text)});

  for (const Project* p : {&first, &a, &b, &c}) {
    set.projectPaths.push_back(ProjectPath(*p));
    set.files.push_back(DataFile(*p));
    set.files.push_back(FlagFile(*p));
    set.files.push_back(DesignFile(*p));
    set.files.push_back(NetFile(*p));
    if (p->design->clusters > 0) set.files.push_back(ClusterFile(*p));
    if (p->design->rangeFile) set.files.push_back(RangeFile(*p));
    if (!p->design->grnn.empty()) set.files.push_back(GrnnFile(*p));
    CheckFiles(*p, set.files);
    set.summary.push_back(Summary(*p));
  }

  // The cascade on the demo case, as the driver runs it: the 400 values the
  // host should receive.
  double answer = PredictBackProp(first, DirectValues(designs.firstStage, demo, 0, 0))[0];
  std::vector<std::vector<double>> expected;
  for (int s = 1; s <= kSteps; ++s) {
    std::vector<double> ya = PredictBackProp(a, DirectValues(designs.networkA, demo, s, answer));
    std::vector<double> yc = PredictBackProp(c, DirectValues(designs.networkC, demo, s, answer));
    std::vector<double> yb = PredictBackProp(b, DirectValues(designs.networkB, demo, s, answer));
    // The host receives the driver's 15 significant digits.
    expected.push_back({static_cast<double>(s), RoundToFileDigits(ya[0]), RoundToFileDigits(ya[1]), RoundToFileDigits(yc[0]),
                        RoundToFileDigits(yb[0])});
  }
  set.files.push_back({"checks/demo-expected.csv",
                       tools::FormatCsv({"Year", a.titles[static_cast<size_t>(1 + a.direct)], a.titles[static_cast<size_t>(2 + a.direct)],
                                         c.titles[static_cast<size_t>(1 + c.direct)], b.titles[static_cast<size_t>(1 + b.direct)]},
                                        expected)});
  return set;
}

void WriteSampleSet(const SampleSet& set, const std::string& folder) {
  namespace fs = std::filesystem;
  for (const auto& file : set.files) {
    fs::path path = fs::path(folder) / fs::path(file.path);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) common::Fail(common::FailureClass::FileError, "cannot create folder " + path.parent_path().string() + ": " + ec.message());
    common::WriteFileReplacing(path.string(), file.text);
  }
  // Retrained networks must be compiled again: the engine recompiles a
  // project only when its ".DLLFile" file is missing.
  for (const auto& project : set.projectPaths) {
    for (const char* suffix : {".DLLFile", ".MyTitles"}) {
      fs::path stale = fs::path(folder) / fs::path(project + suffix);
      std::error_code ec;
      fs::remove(stale, ec);
      if (ec) common::Fail(common::FailureClass::FileError, "cannot remove " + stale.string() + ": " + ec.message());
    }
  }
}

}  // namespace samples
