#include "input_precision.h"

#include <algorithm>
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

void PrecisionReport::Add(size_t row, long line, const std::vector<PrecisionChange>& changes) {
  for (const PrecisionChange& c : changes) {
    ++total_;
    ++byVariable_[c.variable];
    if (listed_.size() < kKeptLines) listed_.push_back({row, line, c});
    if (!keepTable_) continue;
    table_.append(std::to_string(row)).append(",").append(std::to_string(line)).append(",h").append(std::to_string(c.variable)).append(",")
        .append(ShortestNumber(c.value)).append(",").append(std::isnan(c.seen) ? std::string("not a number") : ExchangeText(c.value))
        .append("\r\n");
  }
}

std::vector<std::string> PrecisionReport::Lines(size_t listed, size_t rows) const {
  std::vector<std::string> lines;
  if (total_ == 0) return lines;
  for (size_t k = 0; k < listed_.size() && k < listed; ++k) {
    const Entry& e = listed_[k];
    const std::string where = e.row ? "row " + std::to_string(e.row) + " (line " + std::to_string(e.line) + "), " : "";
    lines.push_back(where + DescribeChange(e.change));
  }
  std::vector<std::pair<size_t, size_t>> most(byVariable_.begin(), byVariable_.end());
  std::stable_sort(most.begin(), most.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string summary = "\"inputvars.dat\" keeps four decimals: " + std::to_string(total_) + " host input" + (total_ == 1 ? "" : "s");
  if (rows > 1) summary += " in " + std::to_string(rows) + " realizations";
  summary += std::string(total_ == 1 ? " reaches" : " reach") + " the driver changed by more than a part in a million";
  if (rows > 1) {
    summary += " (most often:";
    for (size_t k = 0; k < most.size() && k < 5; ++k)
      summary += (k ? ", h" : " h") + std::to_string(most[k].first) + " in " + std::to_string(most[k].second);
    summary += ")";
  }
  lines.push_back(summary);
  return lines;
}

std::string PrecisionReport::Table() const { return table_; }

}  // namespace tools
