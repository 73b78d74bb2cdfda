#include "back_prop_net.h"

#include <cmath>

#include "quenby_exponential.h"

#include "common/number_text.h"
#include "prng.h"

namespace samples {

double Activate(const std::string& name, double x) {
  if (name == "Logistic") {
    if (x < -15.0) return 0.0;
    if (x > 15.0) return 1.0;
    return 1.0 / (quenby::Exp(-x) + 1.0);
  }
  if (name == "Gaussian") {
    if (x < -15.0 || x > 15.0) return 0.0;
    return quenby::Exp(-std::pow(x, 2.0));
  }
  if (name == "tan Hyperbolic") {
    if (x < -15.0) return -1.0;
    if (x > 15.0) return 1.0;
    return (quenby::Exp(x) - quenby::Exp(-x)) / (quenby::Exp(-x) + quenby::Exp(x));
  }
  if (name == "Gau. Complement") {
    if (x < -15.0 || x > 15.0) return 1.0;
    return 1.0 - quenby::Exp(-std::pow(x, 2.0));
  }
  return 0.0;
}

namespace {

// d activation / d x, from the argument and the activation.
double Slope(const std::string& name, double x, double y) {
  if (name == "Logistic") return y * (1.0 - y);
  if (name == "tan Hyperbolic") return 1.0 - y * y;
  if (x < -15.0 || x > 15.0) return 0.0;
  if (name == "Gaussian") return -2.0 * x * y;
  if (name == "Gau. Complement") return 2.0 * x * (1.0 - y);
  return 0.0;
}

}  // namespace

double RangeScale(double x, double lo, double hi) {
  if (lo == hi || x >= hi) return 1.0;
  if (x <= lo) return -1.0;
  return 2.0 * (x - lo) / (hi - lo) - 1.0;
}

void BackPropNet::Resize() {
  w1.assign(static_cast<size_t>((inputs + 1) * hidden), 0.0);
  w2.assign(static_cast<size_t>((BiasRows() + hidden) * outputs), 0.0);
}

void Forward(const BackPropNet& net, const double* scaled, double* out, double* hiddenOut) {
  const int H = net.hidden, G = net.BiasRows();
  std::vector<double> unit(static_cast<size_t>(G + H), 1.0);
  for (int n = 0; n < H; ++n) {
    double sum = 0.0;
    sum += 1.0 * net.w1[static_cast<size_t>(n)];
    for (int l = 1; l <= net.inputs; ++l) sum += scaled[l - 1] * net.w1[static_cast<size_t>(l * H + n)];
    unit[static_cast<size_t>(G + n)] = Activate(net.slabs[static_cast<size_t>(net.SlabOf(n))], sum);
    if (hiddenOut) hiddenOut[n] = unit[static_cast<size_t>(G + n)];
  }
  for (int k = 0; k < net.outputs; ++k) {
    double sum = 0.0;
    for (int m = 0; m < G + H; ++m) sum += net.w2[static_cast<size_t>(m * net.outputs + k)] * unit[static_cast<size_t>(m)];
    out[k] = Activate(net.slabs[0], sum);
  }
}

void InitialWeights(BackPropNet& net, uint64_t seed) {
  net.Resize();
  Prng rng(seed);
  const double r1 = 1.0 / std::sqrt(static_cast<double>(net.inputs + 1));
  for (double& w : net.w1) w = rng.Uniform(-r1, r1);
  const double r2 = 1.0 / std::sqrt(static_cast<double>(net.hidden + 1));
  for (double& w : net.w2) w = rng.Uniform(-r2, r2);
}

double RoundToFileDigits(double v) {
  double back = 0;
  common::ParseNumber(common::GeneralNumber(v), back);
  return back;
}

void RoundToFileDigits(BackPropNet& net) {
  for (double& w : net.w1) w = RoundToFileDigits(w);
  for (double& w : net.w2) w = RoundToFileDigits(w);
}

namespace {

double MeanSquaredError(const BackPropNet& net, const std::vector<std::vector<double>>& inputs,
                        const std::vector<std::vector<double>>& targets, const std::vector<int>& rows) {
  if (rows.empty()) return 0.0;
  std::vector<double> out(static_cast<size_t>(net.outputs));
  double sum = 0;
  for (int r : rows) {
    Forward(net, inputs[static_cast<size_t>(r)].data(), out.data());
    for (int k = 0; k < net.outputs; ++k) {
      double d = out[static_cast<size_t>(k)] - targets[static_cast<size_t>(r)][static_cast<size_t>(k)];
      sum += d * d;
    }
  }
  return sum / static_cast<double>(rows.size() * static_cast<size_t>(net.outputs));
}

}  // namespace

TrainingReport Train(BackPropNet net, const std::vector<std::vector<double>>& inputs,
                     const std::vector<std::vector<double>>& targets, const std::vector<int>& training,
                     const std::vector<int>& validation, const TrainingSettings& settings) {
  TrainingReport report;
  RoundToFileDigits(net);
  report.initial = net;
  report.best = net;
  report.bestValidationError = MeanSquaredError(net, inputs, targets, validation);

  const int H = net.hidden, G = net.BiasRows(), O = net.outputs, I = net.inputs;
  std::vector<double> g1(net.w1.size()), g2(net.w2.size()), v1(net.w1.size(), 0.0), v2(net.w2.size(), 0.0);
  std::vector<double> hiddenSum(static_cast<size_t>(H)), hiddenOut(static_cast<size_t>(H)), unit(static_cast<size_t>(G + H));
  std::vector<double> outSum(static_cast<size_t>(O)), out(static_cast<size_t>(O)), deltaOut(static_cast<size_t>(O)),
      deltaHidden(static_cast<size_t>(H));
  std::vector<int> order = training;
  Prng rng(settings.seed);

  for (int epoch = 1; epoch <= settings.epochs; ++epoch) {
    rng.Shuffle(order);
    for (size_t start = 0; start < order.size(); start += static_cast<size_t>(settings.batch)) {
      size_t end = std::min(order.size(), start + static_cast<size_t>(settings.batch));
      std::fill(g1.begin(), g1.end(), 0.0);
      std::fill(g2.begin(), g2.end(), 0.0);
      for (size_t b = start; b < end; ++b) {
        const std::vector<double>& x = inputs[static_cast<size_t>(order[b])];
        const std::vector<double>& t = targets[static_cast<size_t>(order[b])];
        for (int n = 0; n < H; ++n) {
          double sum = net.w1[static_cast<size_t>(n)];
          for (int l = 1; l <= I; ++l) sum += x[static_cast<size_t>(l - 1)] * net.w1[static_cast<size_t>(l * H + n)];
          hiddenSum[static_cast<size_t>(n)] = sum;
          hiddenOut[static_cast<size_t>(n)] = Activate(net.slabs[static_cast<size_t>(net.SlabOf(n))], sum);
        }
        for (int m = 0; m < G; ++m) unit[static_cast<size_t>(m)] = 1.0;
        for (int n = 0; n < H; ++n) unit[static_cast<size_t>(G + n)] = hiddenOut[static_cast<size_t>(n)];
        for (int k = 0; k < O; ++k) {
          double sum = 0.0;
          for (int m = 0; m < G + H; ++m) sum += net.w2[static_cast<size_t>(m * O + k)] * unit[static_cast<size_t>(m)];
          outSum[static_cast<size_t>(k)] = sum;
          out[static_cast<size_t>(k)] = Activate(net.slabs[0], sum);
          deltaOut[static_cast<size_t>(k)] = (out[static_cast<size_t>(k)] - t[static_cast<size_t>(k)]) *
                                             Slope(net.slabs[0], sum, out[static_cast<size_t>(k)]);
        }
        for (int n = 0; n < H; ++n) {
          double back = 0.0;
          for (int k = 0; k < O; ++k) back += net.w2[static_cast<size_t>((G + n) * O + k)] * deltaOut[static_cast<size_t>(k)];
          deltaHidden[static_cast<size_t>(n)] =
              back * Slope(net.slabs[static_cast<size_t>(net.SlabOf(n))], hiddenSum[static_cast<size_t>(n)],
                           hiddenOut[static_cast<size_t>(n)]);
        }
        for (int m = 0; m < G + H; ++m)
          for (int k = 0; k < O; ++k) g2[static_cast<size_t>(m * O + k)] += deltaOut[static_cast<size_t>(k)] * unit[static_cast<size_t>(m)];
        for (int n = 0; n < H; ++n) g1[static_cast<size_t>(n)] += deltaHidden[static_cast<size_t>(n)];
        for (int l = 1; l <= I; ++l) {
          double xl = x[static_cast<size_t>(l - 1)];
          double* row = g1.data() + static_cast<size_t>(l * H);
          for (int n = 0; n < H; ++n) row[n] += deltaHidden[static_cast<size_t>(n)] * xl;
        }
      }
      const double scale = settings.rate / static_cast<double>(end - start);
      for (size_t i = 0; i < net.w1.size(); ++i) {
        v1[i] = settings.momentum * v1[i] - scale * g1[i] - settings.rate * settings.decay * net.w1[i];
        net.w1[i] += v1[i];
      }
      for (size_t i = 0; i < net.w2.size(); ++i) {
        v2[i] = settings.momentum * v2[i] - scale * g2[i];
        net.w2[i] += v2[i];
      }
    }
    if (epoch % 5 == 0 || epoch == settings.epochs) {
      BackPropNet rounded = net;
      RoundToFileDigits(rounded);
      double error = MeanSquaredError(rounded, inputs, targets, validation);
      if (error < report.bestValidationError) {
        report.bestValidationError = error;
        report.best = rounded;
        report.bestEpoch = epoch;
      }
    }
  }
  report.last = net;
  RoundToFileDigits(report.last);
  report.lastTrainingError = MeanSquaredError(report.last, inputs, targets, training);
  return report;
}

}  // namespace samples
