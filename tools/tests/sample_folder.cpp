#include "sample_folder.h"

#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define TOOLS_TEST_PID _getpid()
#else
#include <unistd.h>
#define TOOLS_TEST_PID getpid()
#endif

#include "common/text_file.h"
#include "sample_set.h"

namespace tools::testing {

namespace fs = std::filesystem;

namespace {

struct Cleanup {
  std::vector<fs::path> folders;
  ~Cleanup() {
    for (const auto& f : folders) {
      std::error_code ec;
      fs::remove_all(f, ec);
    }
  }
};

Cleanup& Folders() {
  static Cleanup cleanup;
  return cleanup;
}

}  // namespace

std::string FreshFolder(const std::string& tag) {
  fs::path p = fs::temp_directory_path() / ("quenby-tools-" + tag + "-" + std::to_string(TOOLS_TEST_PID));
  fs::remove_all(p);
  fs::create_directories(p);
  Folders().folders.push_back(p);
  return p.string();
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
