#pragma once
// A back-propagation network as the engine evaluates it (one hidden layer,
// optionally split into slabs that take neurons in turn), and the plain
// gradient descent that trains it. The forward pass follows the engine's
// order of operations term by term, so the generator's own predictions are
// the ones the engine gives for the written weights.
#include <cstdint>
#include <string>
#include <vector>

namespace samples {

// Activation functions by the training program's names ("Logistic",
// "Gaussian", "tan Hyperbolic", "Gau. Complement"), saturated beyond +-15.
double Activate(const std::string& name, double x);

// Clamped scaling into [-1, 1]; 1.0 when lo equals hi.
double RangeScale(double x, double lo, double hi);

struct BackPropNet {
  int inputs = 0;  // nIn
  int hidden = 0;  // H
  int outputs = 0;
  // One name per slab; a single "Logistic" entry with multiSlab false is the
  // ordinary hidden layer.
  std::vector<std::string> slabs{"Logistic"};
  bool multiSlab = false;
  // Row l = 0..nIn (0 is the bias unit), column n = 0..H-1: w1[l * H + n].
  std::vector<double> w1;
  // Row m = 0..BiasRows()+H-1 (the bias units first), column k: w2[m * outputs + k].
  std::vector<double> w2;

  int BiasRows() const { return multiSlab ? static_cast<int>(slabs.size()) : 1; }
  // Slab (0-based) of hidden neuron n (0-based): slabs take neurons in turn.
  int SlabOf(int n) const { return multiSlab ? n % static_cast<int>(slabs.size()) : 0; }
  void Resize();
};

// Scaled inputs (nIn values, without the bias unit) to outputs in network
// units. hiddenOut, when given, receives the H neuron activations.
void Forward(const BackPropNet& net, const double* scaled, double* out, double* hiddenOut = nullptr);

struct TrainingSettings {
  int epochs = 300;
  int batch = 16;
  double rate = 0.05;
  double momentum = 0.9;
  uint64_t seed = 1;
  double decay = 0.0;  // weight decay per update, keeps unused inputs' weights small
};

struct TrainingReport {
  BackPropNet initial, last, best;
  double bestValidationError = 0;  // mean squared error in network units
  double lastTrainingError = 0;
  int bestEpoch = 0;
};

// Trains on rows of scaled inputs (nIn each) and targets in network units
// (outputs each). validation lists the rows held out for choosing "Best".
TrainingReport Train(BackPropNet net, const std::vector<std::vector<double>>& inputs,
                     const std::vector<std::vector<double>>& targets, const std::vector<int>& training,
                     const std::vector<int>& validation, const TrainingSettings& settings);

// Initial weights, small and uniform, from the settings' seed.
void InitialWeights(BackPropNet& net, uint64_t seed);

// Rounds every weight to what a project file keeps (15 significant digits),
// so that the generator predicts with the weights the engine reads.
void RoundToFileDigits(BackPropNet& net);
double RoundToFileDigits(double v);

}  // namespace samples
