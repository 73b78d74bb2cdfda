// The ".DLLFile" loader, and the evaluation of whatever it loaded: the fuzzed
// bytes are the project's compiled file (no project files beside it, so it
// is never compiled). Loading the bytes from memory and loading the file in
// tiny pieces must end alike and load the same network.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "compiled_file.h"
#include "fuzz_support.h"
#include "loaded_network.h"

namespace {

// Every count and every number table of the loaded network, as bytes.
std::string Digest() {
  quenby::ConvertPendingGrnnSection();
  const quenby::LoadedNetwork& n = quenby::Net();
  std::string d;
  auto add = [&](const void* p, size_t bytes) { d.append(static_cast<const char*>(p), bytes); };
  auto table1 = [&](const auto& t) { add(t.data(), static_cast<size_t>(t.Upper() + 1) * sizeof(*t.data())); };
  auto table2 = [&](const auto& t) {
    add(t.data(), static_cast<size_t>((t.Upper1() + 1) * (t.Upper2() + 1)) * sizeof(*t.data()));
  };
  for (int16_t count : {n.VariableCount, n.InputVarCount, n.OutputCount, n.ClusterCount, n.ClusterVarCount,
                        n.DirectInputCount, n.DerivedInputCount, n.MultiSlab, n.SlabCount, n.HiddenCount})
    add(&count, sizeof count);
  add(&n.TrainingCount, sizeof n.TrainingCount);
  add(&n.GrnnSmoothing, sizeof n.GrnnSmoothing);
  for (const std::string* text : {&n.ClusteringMode, &n.GrnnCalibration}) d += *text + '\n';
  for (int64_t i = 0; i <= n.VariableTitles.Upper(); ++i) d += n.VariableTitles(i) + '\n';
  for (int64_t i = 0; i <= n.SlabActivations.Upper(); ++i) d += n.SlabActivations(i) + '\n';
  table1(n.InputVarColumns);
  table1(n.OutputColumns);
  table1(n.ClusterVarFlags);
  table2(n.ClusterCentres);
  table1(n.NetInputColumns);
  table1(n.DerivedInputCodes);
  table1(n.VarMin);
  table1(n.VarMax);
  table2(n.InputWeights);
  table2(n.OutputWeights);
  table2(n.GeneticSmoothing);
  table2(n.TrainingInputs);
  table2(n.TrainingOutputs);
  return d;
}

// How a load ended, and what it left.
std::string LoadOutcome(bool fromFile, const std::string& project, std::string_view bytes) {
  quenby::ResetLoadedNetwork();
  quenby::Net().ProjectPath = project;
  std::string outcome = "loaded";
  try {
    if (fromFile) {
      quenby::LoadNetworkFile(3);
    } else {
      quenby::LoadNetworkText(bytes, project + ".DLLFile");
    }
  } catch (const common::Failure& f) {
    fuzz::CheckFailure(f);
    outcome = std::to_string(static_cast<int>(f.cls)) + " " + f.message;
  }
  return outcome + "\n" + Digest();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string project = fuzz::Scratch() + "/net";
  fuzz::WriteBytes(project + ".DLLFile", data, size);
  quenby::ResetLoadedNetwork();
  fuzz::EvaluateBoth(project);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (LoadOutcome(false, project, bytes) != LoadOutcome(true, project, bytes)) {
    fuzz::Finding("loading from memory and from the file in pieces differ");
  }
  return 0;
}
