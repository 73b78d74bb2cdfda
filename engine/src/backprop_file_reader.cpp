#include "backprop_file_reader.h"

#include <string_view>

#include "common/checked16.h"
#include "loaded_network.h"
#include "project_line_reader.h"

namespace quenby {

namespace {

constexpr std::string_view kInformation = "*** BKP Information ***";
constexpr std::string_view kInitialWeights = "*** Initial Weights ***";

// Reads the set's input-to-hidden table (inCount + 1 rows of hidden columns)
// and hidden-to-output table (outputRows rows of outCount columns).
void ReadWeightSet(ProjectLineReader& in, const std::string& setName, int16_t inCount, int16_t hidden,
                   int16_t outputRows, int16_t outCount) {
  LoadedNetwork& n = Net();
  const int16_t inputRows = common::Add16(inCount, 1, "input count + 1");
  const int64_t inputValues = int64_t{inputRows} * hidden;
  const int64_t outputValues = int64_t{outputRows} * outCount;
  const int64_t total = inputValues + outputValues;
  const std::string what = "weights of set \"" + setName + "\"";
  in.RequireNumberLines(total, what);
  n.InputWeights.Redim(inputRows, hidden, "InputWeights");
  n.OutputWeights.Redim(outputRows, outCount, "OutputWeights");

  const std::string one = "a weight of set \"" + setName + "\"";
  int64_t read = 0;
  auto next = [&]() -> double {
    std::string_view line;
    if (!in.Next(line)) {
      in.FailHere(common::FailureClass::EndOfFile, "expected " + std::to_string(total) + " " + what + ", found " +
                                                      std::to_string(read));
    }
    ++read;
    return in.ToReal(line, one);
  };
  for (int16_t i = 1; i <= inputRows; ++i) {
    for (int16_t j = 1; j <= hidden; ++j) n.InputWeights(i, j) = next();
  }
  for (int16_t h = 1; h <= outputRows; ++h) {
    for (int16_t k = 1; k <= outCount; ++k) n.OutputWeights(h, k) = next();
  }
}

// Opens the ".net" file at the line after the set's marker.
int16_t OpenWeightSet(ProjectLineReader& in, const std::string& setName) {
  in.SearchTo("*** " + setName + " Weights ***");
  return in.Size16("the hidden neuron count of weight set \"" + setName + "\"");
}

}  // namespace

void ReadBackPropInfo() {
  LoadedNetwork& n = Net();
  n.SlabCount = 1;
  ProjectLineReader in(n.ProjectPath + ".net");
  in.SearchTo(kInformation);
  std::string_view first = in.Line("the hidden neuron count after \"*** BKP Information ***\"");
  if (first == kInitialWeights) return;
  int16_t hidden = in.ToCount16(first, "the hidden neuron count");
  if (hidden < 0) {
    in.FailHere(common::FailureClass::Subscript, "expected a hidden neuron count of 0 or more, found " +
                                                     std::to_string(hidden));
  }
  n.HiddenCount = hidden;
  in.Skip(4, "the network information");
  n.MultiSlab = in.Boolean("the single-layer switch") ? kFalse : kTrue;
  in.Skip(1, "the network information");

  std::string_view line;
  while (in.Next(line)) {
    if (line == kInitialWeights) break;
    int16_t slabs = in.ToCount16(line, "the slab count");
    if (slabs < 0) {
      in.FailHere(common::FailureClass::Subscript, "expected a slab count of 0 or more, found " +
                                                       std::to_string(slabs));
    }
    n.SlabCount = slabs;
    n.SlabActivations.Redim(slabs, "SlabActivations");
    for (int16_t s = 1; s <= slabs; ++s) {
      n.SlabActivations(s) = std::string(in.Line("the activation name of slab " + std::to_string(s)));
    }
  }
}

void ReadBackPropWeights(const std::string& setName, const int16_t& inCount, const int16_t& outCount) {
  LoadedNetwork& n = Net();
  ProjectLineReader in(n.ProjectPath + ".net");
  n.HiddenCount = OpenWeightSet(in, setName);
  const int16_t outputRows = common::Add16(n.HiddenCount, 1, "HiddenCount + 1");
  ReadWeightSet(in, setName, inCount, n.HiddenCount, outputRows, outCount);
}

void ReadSlabWeights(const std::string& setName, const int16_t& inCount, const int16_t& outCount) {
  LoadedNetwork& n = Net();
  ProjectLineReader in(n.ProjectPath + ".net");
  const int16_t hidden = OpenWeightSet(in, setName);
  const int16_t outputRows = common::Add16(hidden, n.SlabCount, "hidden count + SlabCount");
  ReadWeightSet(in, setName, inCount, hidden, outputRows, outCount);
}

}  // namespace quenby
