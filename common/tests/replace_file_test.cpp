// A file replaced through a temporary: the new content under the name, no
// temporary left, and a target that is no file refused and kept.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <fstream>
#include <string>

#include "common/platform.h"
#include "common/text_file.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::string text;
  common::ReadWholeFile(p.string(), text);
  return text;
}

void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

TEST(ReplaceFileWith, ReplacesAnExistingOrMissingFileAndRefusesAFolder) {
  const fs::path dir =
      fs::temp_directory_path() /
      ("quenby-replace-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path target = dir / "outfile.dat", temp = dir / "outfile.dat.tmp";
  for (const char* earlier : std::initializer_list<const char*>{"old content, longer than the new\r\n", nullptr}) {
    if (earlier) Write(target, earlier);
    Write(temp, "new\r\n");
    std::string error;
    ASSERT_TRUE(common::ReplaceFileWith(temp.string(), target.string(), &error)) << error;
    EXPECT_EQ(Read(target), "new\r\n");
    EXPECT_FALSE(fs::exists(temp));
    fs::remove(target);
  }
  fs::create_directories(target / "inside");
  Write(temp, "new\r\n");
  std::string error;
  EXPECT_FALSE(common::ReplaceFileWith(temp.string(), target.string(), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(target / "inside"));
  fs::remove_all(dir);
}

}  // namespace
