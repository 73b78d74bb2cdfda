// The compilation with the fuzzed bytes as one project file (FUZZED_SUFFIX)
// beside valid others, then the evaluation of what was compiled. A failed
// compilation must leave no compiled file.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "common/text_file.h"
#include "fuzz_support.h"
#include "grnn_file_reader.h"
#include "loaded_network.h"
#include "small_project.h"

namespace {

void Silent(const char*) {}

const std::string& Project() {
  static const std::string project = [] {
    std::string p = fuzz::Scratch() + "/net";
    for (const auto& [suffix, text] : reliability::SmallProjectFiles())
      fuzz::WriteBytes(p + suffix, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    quenby::SetGrnnNotice(&Silent);
    return p;
  }();
  return project;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& project = Project();
  fuzz::WriteBytes(project + FUZZED_SUFFIX, data, size);
  std::filesystem::remove(project + ".DLLFile");
  quenby::ResetLoadedNetwork();
  int32_t status = CreatDllFile(project.c_str());
  fuzz::CheckStatus(status, "CreatDllFile");
  if (status != QUENBY_OK) {
    if (common::FileExists(project + ".DLLFile")) fuzz::Finding("a failed compilation left a compiled file");
    return 0;
  }
  quenby::ResetLoadedNetwork();
  fuzz::EvaluateBoth(project);
  return 0;
}
