#include "deployment_engine.h"

#include <filesystem>

#include "common/failure.h"
#include "common/text_file.h"

namespace tools {

using common::Fail;
using common::FailureClass;

DeploymentEngine::DeploymentEngine(const std::string& folder) {
  path_ = (std::filesystem::path(folder) / kEngineFile).string();
  if (!library_.Open(path_)) Fail(FailureClass::FileNotFound, "cannot load the engine " + path_ + ": " + library_.Error());
  apply_ = reinterpret_cast<ApplyFn>(library_.Resolve("ApplyNNet"));
  free_ = reinterpret_cast<FreeFn>(library_.Resolve("QuenbyFreeTable"));
  lastError_ = reinterpret_cast<ErrorFn>(library_.Resolve("QuenbyLastError"));
  compile_ = reinterpret_cast<CompileFn>(library_.Resolve("CreatDllFile"));
  if (!apply_ || !free_ || !lastError_)
    Fail(FailureClass::FileNotFound, "the engine " + path_ + " lacks ApplyNNet, QuenbyFreeTable or QuenbyLastError");
}

void DeploymentEngine::CompileIfMissing(const std::string& project) {
  if (compile_ && !common::FileExists(project + ".DLLFile")) compile_(project.c_str());
}

std::vector<double> DeploymentEngine::FirstOutputs(const std::string& project, const QuenbyTable& inputs) {
  QuenbyTable result{};
  int32_t status = apply_("Back Prop", project.c_str(), &inputs, &result);
  if (status != QUENBY_OK) {
    std::string message = lastError_() ? lastError_() : "";
    throw common::Failure{status >= 1 && status <= 9 ? static_cast<FailureClass>(status) : FailureClass::InvalidArgument,
                          "the network \"" + project + "\": " + message};
  }
  std::vector<double> first;
  const int64_t width = static_cast<int64_t>(result.col_upper) - result.col_lower + 1;
  if (result.data && result.col_lower <= 1 && result.col_upper >= 1)
    for (int32_t r = 1; r <= result.row_upper; ++r)
      first.push_back(result.data[(r - result.row_lower) * width + (1 - result.col_lower)]);
  free_(&result);
  return first;
}

}  // namespace tools
