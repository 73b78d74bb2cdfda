#include "input_precision.h"

#include <charconv>
#include <cmath>

#include "common/free_format.h"
#include "csv_table.h"
#include "inputvars_writer.h"

namespace tools {

namespace {
constexpr double kPartInAMillion = 1e-6;
}

std::string ExchangeText(double v) {
  std::string field = pellmar::FixedField(v);
  size_t first = field.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : field.substr(first);
}

double DriverSees(double v) {
  double seen = 0;
  if (common::ParseFreeValue(ExchangeText(v), seen) != common::FreeValueStatus::Ok || !std::isfinite(seen)) return std::nan("");
  return seen;
}

std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs, const std::vector<double>& seen) {
  std::vector<PrecisionChange> changes;
  for (size_t k = 0; k < inputs.size() && k < seen.size(); ++k) {
    const double v = inputs[k];
    if (!(std::fabs(seen[k] - v) <= kPartInAMillion * std::fabs(v))) changes.push_back({k + 1, v, seen[k]});
  }
  return changes;
}

std::vector<PrecisionChange> PrecisionChanges(const std::vector<double>& inputs) {
  std::vector<double> seen;
  for (double v : inputs) seen.push_back(DriverSees(v));
  return PrecisionChanges(inputs, seen);
}

namespace {

// As a modeller writes it: plain decimals where they stay short.
std::string PlainNumber(double v) {
  if (!(std::fabs(v) >= 1e-9 && std::fabs(v) < 1e15)) return ShortestNumber(v);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string DescribeChange(const PrecisionChange& c) {
  std::string s = "host variable " + std::to_string(c.variable) + ": " + PlainNumber(c.value);
  if (std::isnan(c.seen)) return s + " is written as \"" + ExchangeText(c.value) + "\", which the driver cannot read";
  return s + " reaches the driver as " + ExchangeText(c.value);
}

}  // namespace tools
