#include "training_range.h"

#include <algorithm>
#include <cmath>

#include "csv_table.h"

namespace tools {

namespace {
constexpr size_t kListed = 5;
}

double RangeExcess(double v, double min, double max) {
  if (std::isnan(v)) return INFINITY;
  if (v >= min && v <= max) return 0;
  double width = max - min;
  if (!(width > 0)) width = std::max(std::fabs(min), 1.0);
  return v < min ? (min - v) / width : (v - max) / width;
}

std::string DescribeOutside(const OutsideInput& o) {
  std::string s = "\"" + o.title + "\" = " + ShortestNumber(o.value) + " outside [" + ShortestNumber(o.min) + ", " + ShortestNumber(o.max) + "]";
  if (o.step > 0) s += " (step " + std::to_string(o.step) + ")";
  return s;
}

void DomainReport::Add(size_t row, long line, const DomainCheck& check) {
  if (check.outside == 0) return;
  ++rows_;
  std::string text;
  for (const std::string& input : check.inputs) byInput_[input]++;
  for (const OutsideInput& o : check.worst) {
    text += (text.empty() ? "" : "; ") + o.network + ": " + DescribeOutside(o);
  }
  if (first_.size() < kListed)
    first_.push_back(std::to_string(row + 1) + (line > 0 ? " (line " + std::to_string(line) + ")" : "") + ": " + std::to_string(check.outside) +
                     " input" + (check.outside == 1 ? "" : "s") + " outside the training range; worst " + text);
}

void DomainReport::Print(std::ostream& err, const std::string& tool, const std::string& noun, size_t total) const {
  if (rows_ == 0) return;
  for (const auto& f : first_) err << tool << ": outside the training range: " << noun << " " << f << "\n";
  std::vector<std::pair<std::string, size_t>> most(byInput_.begin(), byInput_.end());
  std::stable_sort(most.begin(), most.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  err << tool << ": " << rows_ << " of " << total << " " << noun << (total == 1 ? "" : "s")
      << " left the networks' training ranges (back propagation clamps such inputs, general regression extrapolates); most often:";
  for (size_t k = 0; k < most.size() && k < kListed; ++k) err << (k ? ";" : "") << " " << most[k].first << " in " << most[k].second;
  err << "\n";
}

}  // namespace tools
