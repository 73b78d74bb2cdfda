#include "output_scaling.h"

#include <cmath>
#include <string>

#include "common/failure.h"
#include "floating_point.h"
#include "loaded_network.h"

namespace quenby {

void ScaleOutputs(int32_t cases, Array2<double>& outputs, int16_t outputCount) {
  const LoadedNetwork& n = Net();
  if (cases <= 0 || outputCount <= 0) return;
  RequireCells(outputs, cases, outputCount, "NetOutputs");
  for (int32_t i = 1; i <= cases; ++i) {
    for (int16_t k = 1; k <= outputCount; ++k) {
      const int16_t c = n.OutputColumns.At(k, "OutputColumns");
      const double lo = n.VarMin.At(c, "VarMin");
      const double hi = n.VarMax.At(c, "VarMax");
      double& y = outputs(i, k);
      if (hi == lo || std::isnan(hi) || std::isnan(lo)) {
        y = Finite(hi, [&] { return "the maximum of output column " + std::to_string(c); });
        continue;
      }
      const double range = Finite(hi - lo, [&] { return "the range of output column " + std::to_string(c); });
      y = Finite(range * y + lo, [&] {
        return "output " + std::to_string(k) + " of case " + std::to_string(i) + " in data units";
      });
    }
  }
}

}  // namespace quenby
