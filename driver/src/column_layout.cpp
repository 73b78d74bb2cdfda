#include "column_layout.h"

namespace torvane {

std::string DescribeColumnSource(int16_t source) {
  switch (source) {
    case kStep: return "the step s (1 to 100)";
    case kStepVar55: return "host variable 55 + s (56 to 155, one per step)";
    case kStepVar310: return "host variable 310 + s (311 to 410, one per step)";
    case kStepVar410: return "host variable 410 + s (411 to 510, one per step)";
    case kBeforeH307OneTwo: return "indicator: 1 while s < h307, then 2";
    case kBeforeH307ZeroOne: return "indicator: 0 while s < h307, then 1";
    case kBeforeFirstStage: return "indicator: 0 while s < floor(F / 365), then 1 (F: the first-stage output)";
    case kSeriesAtH307: return "host variable 411 + floor(h307): the series 411-510 at step floor(h307) + 1";
    default: return "host variable " + std::to_string(source);
  }
}

}  // namespace torvane
