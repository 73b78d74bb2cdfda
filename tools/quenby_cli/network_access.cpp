#include "network_access.h"

#include "common/failure.h"
#include "common/text_file.h"
#include "quenby.h"

namespace tools {

using common::FailureClass;

void Check(int32_t status, const std::string& what) {
  // The engine's message already names its class ("file not found: ...").
  if (status != QUENBY_OK) throw common::Failure{static_cast<FailureClass>(status), what + ": " + QuenbyLastError()};
}

std::string CompiledPath(const std::string& project) { return project + ".DLLFile"; }

void EnsureCompiled(const std::string& project) {
  if (!common::FileExists(CompiledPath(project))) Check(CreatDllFile(project.c_str()), "cannot compile " + project);
}

quenby::NetworkDescription Describe(const std::string& project) {
  EnsureCompiled(project);
  try {
    return quenby::DescribeNetwork(project);
  } catch (const quenby::NetworkReadError& e) {
    throw common::Failure{static_cast<FailureClass>(e.status()), e.what(), e.file(), e.line()};
  }
}

std::vector<std::string> TitlesOf(const std::vector<quenby::NetworkColumn>& columns) {
  std::vector<std::string> titles;
  for (const auto& c : columns) titles.push_back(c.title);
  return titles;
}

}  // namespace tools
