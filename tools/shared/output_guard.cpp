#include "output_guard.h"

#include <algorithm>
#include <filesystem>

#include "common/failure.h"

namespace tools {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  return fs::absolute(a, ec).lexically_normal() == fs::absolute(b, ec).lexically_normal();
}

void RefuseToOverwrite(const std::string& output, const std::vector<GuardedFile>& guarded, bool force) {
  if (force) return;
  const std::string how = ": give another name, or --force to replace it";
  for (const auto& g : guarded)
    if (!g.path.empty() && SameFile(output, g.path)) common::Fail(common::FailureClass::InvalidArgument, output + " is " + g.what + how);
  const fs::path p(output);
  const std::string suffix = p.extension().string();
  static const char* const kProjectSuffixes[] = {".dat", ".flg", ".ndp", ".net", ".clu", ".grn", ".MinMax", ".DLLFile", ".MyTitles"};
  if (std::none_of(std::begin(kProjectSuffixes), std::end(kProjectSuffixes), [&](const char* s) { return suffix == s; })) return;
  std::error_code ec;
  for (const char* sibling : {".flg", ".dat"}) {
    fs::path other = p;
    other.replace_extension(sibling);
    if (other != p && fs::exists(other, ec))
      common::Fail(common::FailureClass::InvalidArgument,
                   output + " is a file of the network project " + fs::path(p).replace_extension().string() + how);
  }
}

std::vector<std::string> OtherEntries(const std::string& folder, const std::vector<std::string>& allowed) {
  std::vector<std::string> others;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return others;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) others.push_back(name);
  }
  std::sort(others.begin(), others.end());
  return others;
}

}  // namespace tools
