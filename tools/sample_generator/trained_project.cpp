#include "trained_project.h"

#include <algorithm>
#include <cmath>

#include "quenby_exponential.h"

#include "prng.h"

namespace samples {

std::vector<double> DirectValues(const NetworkDesign& d, const HostCase& c, int s, double firstStage) {
  std::vector<double> v;
  for (const auto& col : d.columns) v.push_back(ColumnValue(col, c, s, firstStage));
  return v;
}

namespace {

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

}  // namespace

std::vector<double> PredictBackProp(const Project& p, const std::vector<double>& direct) {
  std::vector<double> scaled = BackPropScaled(p, RawInputs(p, direct));
  std::vector<double> y(static_cast<size_t>(p.outputs));
  Forward(p.report.best, scaled.data(), y.data());
  for (int k = 0; k < p.outputs; ++k) y[static_cast<size_t>(k)] = ToDataUnits(p, k, y[static_cast<size_t>(k)]);
  return y;
}

namespace {

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
      weight = quenby::Exp(-d / (s2 + s2));
    } else {
      for (size_t j = 0; j < scaled.size(); ++j) d += std::pow(patternsIn[q][j] - scaled[j], 2.0) / std::pow(factors[j], 2.0);
      weight = quenby::Exp(-d);
    }
    for (size_t k = 0; k < outputs; ++k) a[k] += weight * patternsOut[q][k];
    w += weight;
  }
  for (size_t k = 0; k < outputs; ++k) a[k] = w > 1E-140 ? a[k] / w : 1.0;
  return a;
}

}  // namespace

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

}  // namespace samples
