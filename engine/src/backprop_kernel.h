#pragma once
// The back-propagation pass over many cases at once, cases in the vector
// lanes. Each lane does for its case exactly what the plain loop does: every
// sum starts at 0 and takes its terms one at a time in the plain loop's order (an
// IEEE multiplication, then an addition; never a fused multiply-add), and
// every activation is the same scalar function. So each instruction set and
// each number of threads (kernel_execution.h) gives the plain loop's bits.
//
// The kernel never throws and allocates nothing once started: where a value
// is not finite it stops and reports the first case it could not vouch for,
// and the caller runs the plain loop from that case, which fails there with
// the plain loop's own message.
#include <cstdint>
#include <vector>

#include "backprop.h"
#include "engine_arrays.h"

namespace quenby {

// Input scaling of rows first..last of NetInputs into ScaledInputs (both
// already dimensioned and checked): column 1 the bias 1.0, column j + 1 the
// RangeScale of input j by min[j], max[j] (arrays 1..inputs). Every range
// max - min must be finite (the caller runs the plain loop otherwise).
// Returns the first row holding a value that is not finite, or last + 1.
int32_t ScaleRowsFast(const Array2<double>& netInputs, Array2<double>& scaledInputs, const double* min,
                      const double* max, int inputs, int32_t first, int32_t last);

// One forward pass, resolved from LoadedNetwork once per call.
struct BackPropPlan {
  int inRows = 0;     // nIn + 1: the bias input and the network inputs
  int hidden = 0;     // H
  int biasUnits = 0;  // hidden-layer bias units: 1, or G with slabs
  int outputs = 0;
  std::vector<ActivationKind> neuronKinds;  // [n - 1]: activation of hidden neuron n
  ActivationKind outputKind = ActivationKind::None;
};

// Cases first..last of ScaledInputs through the network into NetOutputs.
// Returns the first case of a group whose weighted sums were not all finite
// (nothing of that group is written), or last + 1.
int32_t ForwardCasesFast(const BackPropPlan& plan, const Array2<double>& scaledInputs, const Array2<double>& inputWeights,
                         const Array2<double>& outputWeights, Array2<double>& netOutputs, int32_t first, int32_t last);

}  // namespace quenby
