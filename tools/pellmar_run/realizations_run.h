#pragma once
// pellmar-run --realizations: many host calculations in one go, through
// the driver's multi-case path, with their spread as a table and a chart.
#include <cstddef>
#include <ostream>
#include <string>

#include "input_table.h"

namespace tools {

struct RealizationsRequest {
  std::string file;               // the realizations, one per row
  std::string out, svg, bands;    // RESULTS.csv, BANDS.svg, BANDS.csv (empty: not wanted)
  std::string precision;          // every input the exchange file changes, as a table
  size_t casesPerRun = 327;
  int workers = 2;                // driver copies running side by side
  bool progress = true, force = false;
  DecimalMark decimal = DecimalMark::Recognise;
};

// Runs in the current folder, the working folder; paths in request are
// absolute. Returns the exit code: 0 done, 1 a failure (some realizations
// may still have come out).
int RunRealizationsCommand(const RealizationsRequest& request, std::ostream& out, std::ostream& err, bool errIsTerminal);

}  // namespace tools
