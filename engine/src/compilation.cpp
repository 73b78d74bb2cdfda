#include "compilation.h"

#include <string>
#include <utility>

#include "backprop_file_reader.h"
#include "common/checked16.h"
#include "common/failure.h"
#include "common/text_file.h"
#include "compiled_file.h"
#include "grnn_file_reader.h"
#include "loaded_network.h"
#include "project_data_reader.h"

namespace quenby {

namespace {

// The weight set named "Best" is the one the engine evaluates.
const std::string kEvaluatedWeightSet = "Best";

// Reads the back-propagation file. The compiled layout line states the
// information section's hidden count, and the weight tables are written
// with that count, so a weight set of another size would leave a file that
// loads misaligned: it is refused here.
void ReadBackPropNetwork(LoadedNetwork& n) {
  ReadBackPropInfo();
  const int16_t hidden = n.HiddenCount;
  const int16_t nIn = common::Add16(n.DirectInputCount, n.DerivedInputCount, "network input count");
  const int16_t outputs = n.OutputCount;
  if (n.MultiSlab != kFalse) {
    ReadSlabWeights(kEvaluatedWeightSet, nIn, outputs);
  } else {
    ReadBackPropWeights(kEvaluatedWeightSet, nIn, outputs);
  }
  const int64_t setHidden = n.InputWeights.Upper2();
  if (setHidden != hidden) {
    common::Fail(common::FailureClass::Subscript,
                 "weight set \"" + kEvaluatedWeightSet + "\" holds " + std::to_string(setHidden) +
                     " hidden neurons, the network information states " + std::to_string(hidden) + " (" +
                     n.ProjectPath + ".net)");
  }
  n.HiddenCount = hidden;
}

// Reads the project files into Net() and renders the compiled text.
std::string CompileText() {
  LoadedNetwork& n = Net();
  n.ClusteringMode = "None";
  ReadProjectData();
  ReadRangeOverrides();
  const bool hasBackProp = common::FileExists(n.ProjectPath + ".net");
  if (hasBackProp) ReadBackPropNetwork(n);
  const bool hasGrnn = common::FileExists(n.ProjectPath + ".grn");
  if (hasGrnn) ReadGrnnFile();
  return CompiledFileText(hasBackProp, hasGrnn);
}

// Sets the loaded network aside for the compilation and puts it back after,
// whether the compilation succeeded or not.
class SetAside {
 public:
  SetAside() : earlier_(std::move(Net())) {
    Net() = LoadedNetwork{};
    Net().ProjectPath = earlier_.ProjectPath;
  }
  ~SetAside() { Net() = std::move(earlier_); }
  SetAside(const SetAside&) = delete;
  SetAside& operator=(const SetAside&) = delete;

 private:
  LoadedNetwork earlier_;
};

}  // namespace

void CompileProject() {
  const std::string target = Net().ProjectPath + ".DLLFile";
  std::string text;
  {
    // A compilation starts from the state of a fresh process, so nothing of
    // a network loaded earlier can leak into this project's file, and it
    // leaves the loaded network as it found it.
    SetAside aside;
    text = CompileText();
  }
  common::WriteFileReplacing(target, text);
}

}  // namespace quenby
