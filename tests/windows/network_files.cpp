#include "network_files.h"

#include <cstdint>

#include "common/number_text.h"
#include "common/platform.h"
#include "common/text_file.h"

namespace quenby_test {

namespace {

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

void IntegerLine(std::string& out, std::initializer_list<int64_t> values) {
  for (int64_t v : values) common::AppendIntegerItem(out, v);
  out += "\r\n";
}

void NumberLine(std::string& out, std::initializer_list<double> values) {
  for (double v : values) common::AppendNumberItem(out, v);
  out += "\r\n";
}

// Weights in [-0.5, 0.5) in steps of 1/4096, from a fixed integer sequence.
class WeightSequence {
 public:
  explicit WeightSequence(unsigned seed) : state_(seed * 2654435761u + 1) {}
  double Next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<double>(static_cast<int>((state_ >> 8) % 4096) - 2048) / 4096.0;
  }

 private:
  uint32_t state_;
};

}  // namespace

std::string CompiledNetworkText(const NetworkShape& s) {
  const int outputs = static_cast<int>(s.outRanges.size());
  const int variables = s.inputs + outputs;
  const bool multiSlab = !s.slabs.empty();
  const int slabCount = multiSlab ? static_cast<int>(s.slabs.size()) : 1;
  std::string t;
  Line(t, "*** General Project Info ***");
  IntegerLine(t, {variables, s.inputs, outputs});
  for (int v = 1; v <= variables; ++v) Line(t, (v <= s.inputs ? "In" : "Out") + std::to_string(v));
  for (int v = 1; v <= s.inputs; ++v) IntegerLine(t, {v});
  for (int k = 1; k <= outputs; ++k) IntegerLine(t, {s.inputs + k});
  Line(t, "*** Clustering ***");
  common::AppendIntegerItem(t, 0);
  common::AppendIntegerItem(t, 0);
  Line(t, "None");
  Line(t, "*** Partitioning ***");
  IntegerLine(t, {s.inputs, 0});
  for (int v = 1; v <= s.inputs; ++v) IntegerLine(t, {v});
  Line(t, "*** Min and Max ***");
  for (int g = 1; g <= variables + 2; ++g) {
    if (g <= s.inputs) NumberLine(t, {s.inMin, s.inMax});
    else if (g <= variables) NumberLine(t, {s.outRanges[g - s.inputs - 1].first, s.outRanges[g - s.inputs - 1].second});
    else NumberLine(t, {0, 0});
  }
  Line(t, "*** BackProp ***");
  Line(t, "BackProp Info");
  t += multiSlab ? "True" : "False";
  IntegerLine(t, {slabCount, s.hidden});
  for (const std::string& name : s.slabs) Line(t, name);
  WeightSequence w(s.seed);
  for (int l = 1; l <= s.inputs + 1; ++l)
    for (int n = 1; n <= s.hidden; ++n) NumberLine(t, {w.Next()});
  for (int m = 1; m <= s.hidden + slabCount; ++m)
    for (int k = 1; k <= outputs; ++k) NumberLine(t, {4 * w.Next()});
  Line(t, "*** GRNN ***");
  Line(t, "No GRNN");
  return t;
}

void WriteCascadeNetworks(const std::string& folder) {
  const std::string sep(1, common::kPathSeparator);
  const std::vector<NetworkShape> shapes = {
      {"first_stage", 40, 4, {}, {{0, 3650}}, 0, 100, 4},
      {"network_a", 55, 6, {"tan Hyperbolic", "Gaussian"}, {{-10, 10}, {0, 1}}, 0, 100, 1},
      {"network_b", 53, 5, {}, {{100, 200}}, 0, 100, 2},
      {"network_c", 47, 7, {"Logistic", "Gau. Complement", "tan Hyperbolic"}, {{-1e-3, 1e-3}}, 0, 100, 3},
  };
  for (const NetworkShape& s : shapes)
    common::WriteFileReplacing(folder + sep + "networks" + sep + s.name + ".DLLFile", CompiledNetworkText(s));
  std::string control;
  Line(control, "Network A (two outputs)");
  Line(control, "networks" + sep + "network_a");
  Line(control, "Network B");
  Line(control, "networks" + sep + "network_b");
  Line(control, "Network C");
  Line(control, "networks" + sep + "network_c");
  Line(control, "First-stage network");
  Line(control, "networks" + sep + "first_stage");
  Line(control, "Number of cases");
  Line(control, "1");
  common::WriteFileReplacing(folder + sep + "Control.dat", control);
}

}  // namespace quenby_test
