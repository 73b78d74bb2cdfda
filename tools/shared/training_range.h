#pragma once
// The validity domain: each network was trained on inputs within its
// columns' ranges (VarMin, VarMax). Back-propagation clamps an input beyond
// them and general regression extrapolates, so results for such inputs are
// guesses; the tools say where that happens.
#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

// How far v lies outside [min, max], in widths of the range (the range's
// magnitude, or 1, for a range of one value); 0 inside; NaN counts as outside.
double RangeExcess(double v, double min, double max);

struct OutsideInput {
  std::string network;  // "network C (projects/Well)"
  std::string title;    // the column's title in its project
  double value = 0, min = 0, max = 0, excess = 0;
  int step = 0;         // the time step of the worst value; 0 for a row without steps
};

// One case or realization: how many inputs left their range, and the worst
// one per network.
struct DomainCheck {
  int outside = 0;
  std::vector<OutsideInput> worst;
  std::vector<std::string> inputs;  // every input outside: "network: \"title\""
};

// "\"Rain (mm)\" = 1200 outside [300, 900] (step 4)"
std::string DescribeOutside(const OutsideInput& o);

// Collects the checks of many rows and prints the warning: the first rows
// in full, then how many left the domain and which inputs most often.
class DomainReport {
 public:
  void Add(size_t row, long line, const DomainCheck& check);
  // tool: "pellmar-run"; noun: "realization" or "case".
  void Print(std::ostream& err, const std::string& tool, const std::string& noun, size_t total) const;
  size_t RowsOutside() const { return rows_; }

 private:
  size_t rows_ = 0;
  std::vector<std::string> first_;
  std::map<std::string, size_t> byInput_;  // "network: title" -> rows
};

}  // namespace tools
