#pragma once
// The deployment's own engine library, loaded into pellmar-run by path: the
// first-stage answers of the realizations come from the very library the
// driver copies load.
#include <string>
#include <vector>

#include "common/platform.h"
#include "quenby.h"

namespace tools {

class DeploymentEngine {
 public:
  // Loads folder's engine library; throws common::Failure when it cannot.
  explicit DeploymentEngine(const std::string& folder);

  // ApplyNNet("Back Prop", project, inputs): output 1 of every row. Throws
  // common::Failure with the engine's message.
  std::vector<double> FirstOutputs(const std::string& project, const QuenbyTable& inputs);

  // Compiles project as its first evaluation would when its ".DLLFile" is
  // missing; a failure is left for the driver to report.
  void CompileIfMissing(const std::string& project);

  const std::string& Path() const { return path_; }

 private:
  using ApplyFn = int32_t (*)(const char*, const char*, const QuenbyTable*, QuenbyTable*);
  using FreeFn = void (*)(QuenbyTable*);
  using ErrorFn = const char* (*)();
  using CompileFn = int32_t (*)(const char*);
  CompileFn compile_ = nullptr;
  common::SharedLibrary library_;
  std::string path_;
  ApplyFn apply_ = nullptr;
  FreeFn free_ = nullptr;
  ErrorFn lastError_ = nullptr;
};

// File names of the driver and the engine beside each other in a deployment.
#ifdef _WIN32
inline constexpr const char* kDriverFile = "Torvane.exe";
inline constexpr const char* kEngineFile = "Quenby.dll";
#else
inline constexpr const char* kDriverFile = "Torvane";
inline constexpr const char* kEngineFile = "libQuenby.so";
#endif

}  // namespace tools
