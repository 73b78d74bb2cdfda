#pragma once
// What the driver sees of a host input: "inputvars.dat" keeps four decimals
// in 15 columns, so 0.02501 and 0.02504 reach the networks as the same
// number and 0.00002 as 0. These tell the modeller where that matters.
#include <cstddef>
#include <string>
#include <vector>

namespace tools {

// The value the driver reads back from the adapter's text of v; not a
// number (NaN) when that text is not one (15 asterisks for 1e10 and more).
double DriverSees(double v);

// The exchange file's text of v, without the padding ("0.0250").
std::string ExchangeText(double v);

struct PrecisionChange {
  size_t variable;  // host variable number, 1..510
  double value;     // as given
  double seen;      // DriverSees(value)
};

// The inputs (inputs[k] is host variable k + 1) that the exchange file
// changes by more than a part in a million.
std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs);
// The same with seen[k] = DriverSees(inputs[k]) already at hand.
std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs, const std::vector<double>& seen);

// "host variable 12: 0.00002 reaches the driver as 0.0000"
std::string DescribeChange(const PrecisionChange& c);

}  // namespace tools
