#pragma once
// Network outputs back into the units of the output variables: 0 maps to the
// column's minimum, 1 to its maximum, linearly and without clamping.
#include <cstdint>

#include "engine_arrays.h"

namespace quenby {

// For cases 1..cases and outputs 1..outputCount of outputs (NetOutputs),
// with c = OutputColumns(k): VarMax(c) when VarMax(c) equals VarMin(c) (or
// they are unordered), else (VarMax(c) - VarMin(c)) * y + VarMin(c), in that
// order. Changes outputs in place; row 0 and column 0 are left alone.
// Overflow is a floating-point failure; an output column outside VarMin a
// subscript failure.
void ScaleOutputs(int32_t cases, Array2<double>& outputs, int16_t outputCount);

}  // namespace quenby
