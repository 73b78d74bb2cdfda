#pragma once
// `pellmar-run --layout`: what the 510 host inputs become, column by column,
// in the four tables the driver builds, printed from the driver's own
// column sources (torvane_layout) so that it cannot drift from them.
#include <string>

namespace tools {

std::string ColumnLayoutText();

}  // namespace tools
