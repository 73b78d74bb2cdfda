// pellmar-run --layout and the check of the working folder before a
// calculation.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "column_layout.h"
#include "column_layout_text.h"
#include "common/text_file.h"
#include "pellmar_run_command.h"
#include "sample_folder.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

TEST(PellmarRunLayout, EveryColumnOfTheFourTablesOnceInTheDriversOrder) {
  const std::string text = ColumnLayoutText();
  for (const char* head : {"first-stage network (Control.dat line 8): 40 columns", "network A (Control.dat line 2): 55 columns",
                           "network C (Control.dat line 6): 47 columns", "network B (Control.dat line 4): 53 columns",
                           "  columns 41-46   host variables 297, 299, 300", "  column 32       indicator: 0 while s < floor(F / 365), then 1",
                           "outputs 1 and 2 are host outputs 0-99 and 100-199"})
    EXPECT_NE(text.find(head), std::string::npos) << head << "\n" << text;
  // Each table's lines cover its columns 1..N exactly once, in order.
  std::istringstream in(text);
  size_t table = 0, next = 1;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("first-stage", 0) == 0 || line.rfind("network ", 0) == 0) {
      if (table > 0) {
        EXPECT_EQ(next - 1, torvane::kInputTables[table - 1].sources.size());
      }
      ++table;
      next = 1;
    } else if (line.rfind("  column", 0) == 0) {
      std::istringstream cols(line.substr(line.find(' ', 3)));
      size_t first = 0, last = 0;
      char dash = 0;
      cols >> first;
      if (cols.peek() == '-') {
        cols >> dash >> last;
      } else {
        last = first;
      }
      EXPECT_EQ(first, next) << line;
      next = last + 1;
    }
  }
  EXPECT_EQ(table, 4u);
  EXPECT_EQ(next - 1, torvane::kInputTables[3].sources.size());

  std::ostringstream out, err;
  EXPECT_EQ(RunPellmar({"--layout"}, out, err), 0);
  EXPECT_EQ(out.str(), text);
}

#if defined(TOOLS_TEST_TORVANE) && defined(TOOLS_TEST_ENGINE) && defined(TOOLS_TEST_ADAPTER) && !defined(_WIN32)
TEST(PellmarRunLayout, ADriverThatCannotRunOrAMissingControlFileIsNamedBeforeAnythingIsWritten) {
  const std::string folder = testing::FreshFolder("preflight");
  fs::copy_file(TOOLS_TEST_TORVANE, folder + "/Torvane");
  for (const char* file : {TOOLS_TEST_ENGINE, TOOLS_TEST_ADAPTER}) fs::copy_file(file, folder + "/" + fs::path(file).filename().string());
  fs::permissions(folder + "/Torvane", fs::perms::owner_read | fs::perms::owner_write);
  const fs::path before = fs::current_path();
  std::ostringstream out, err;
  const int code = RunPellmar({"--dir", folder, testing::Sample("inputs.txt")}, out, err);
  fs::current_path(before);
  const std::string message = err.str();
  EXPECT_EQ(code, 1);
  EXPECT_NE(message.find(folder + "/Torvane cannot be run: make it executable"), std::string::npos) << message;
  EXPECT_NE(message.find("Control.dat"), std::string::npos) << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_FALSE(fs::exists(folder + "/inputvars.dat"));
  EXPECT_FALSE(fs::exists(before / "inputvars.dat"));
}
#endif

}  // namespace
}  // namespace tools
