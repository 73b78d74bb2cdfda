#include "sample_folder.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "common/text_file.h"
#include "sample_set.h"
#include "testing/temp_folder.h"

namespace tools::testing {

namespace fs = std::filesystem;

std::string FreshFolder(const std::string& tag) {
  static std::vector<std::unique_ptr<testing_support::TempFolder>> folders;
  folders.push_back(std::make_unique<testing_support::TempFolder>("tools-" + tag));
  return folders.back()->Path();
}

const std::string& SampleFolder() {
  static const std::string folder = [] {
    std::string f = FreshFolder("samples");
    samples::WriteSampleSet(samples::GenerateSampleSet(kTestEffort), f);
    return f;
  }();
  return folder;
}

std::string Sample(const std::string& relative) { return (fs::path(SampleFolder()) / relative).string(); }

std::string ReadText(const std::string& path) {
  std::string text;
  common::ReadWholeFile(path, text);
  return text;
}

}  // namespace tools::testing
