// Every single-byte change and every truncation of a small valid compiled
// file and of each file of a small valid project set ends either in an
// evaluation with finite results or in a failure of one of the engine's
// classes with a message; never a crash, a hang, a NaN or an infinity, and
// a compilation that fails leaves no compiled file behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "grnn_file_reader.h"
#include "loaded_network.h"
#include "quenby.h"
#include "reliability_support.h"
#include "small_project.h"

namespace reliability {
namespace {

// What a byte is changed to: a line end, a digit, a sign, an exponent
// letter and a byte no text holds.
constexpr char kReplacements[] = {'\n', '9', '-', 'E', '\0'};

void SilentNotice(const char*) {}

class Sweep : public ::testing::Test {
 protected:
  void SetUp() override {
    earlier_ = quenby::SetGrnnNotice(&SilentNotice);
    quenby::ResetLoadedNetwork();
    project_ = folder_.File("net");
    for (const auto& [suffix, text] : SmallProjectFiles()) WriteText(project_ + suffix, text);
  }
  void TearDown() override {
    quenby::SetGrnnNotice(earlier_);
    quenby::ResetLoadedNetwork();
  }

  // A failure must carry a class and a message of the engine's own; an
  // "internal error" is an exception the engine did not expect.
  static void ExpectCleanStatus(int32_t status, const std::string& where) {
    if (status == QUENBY_OK) return;
    const std::string message = QuenbyLastError();
    EXPECT_GE(status, QUENBY_FILE_NOT_FOUND) << where;
    EXPECT_LE(status, QUENBY_INVALID_ARGUMENT) << where;
    EXPECT_FALSE(message.empty()) << where;
    EXPECT_NE(message.rfind("internal error", 0), 0u) << where << ": " << message;
  }

  // Both methods on a table wide enough for any input count a changed byte
  // may give; every result must be finite.
  void ExpectEvaluation(const std::string& where) {
    std::vector<double> cells(4 * 13);
    for (size_t i = 0; i < cells.size(); ++i) cells[i] = std::fmod(i * 1.75, 9.0) - 2;
    const QuenbyTable in{cells.data(), 0, 3, 0, 12};
    for (const char* method : {"Back Prop", "GRNN"}) {
      QuenbyTable out{};
      int32_t status = ApplyNNet(method, project_.c_str(), &in, &out);
      ExpectCleanStatus(status, where + " " + method);
      ++(status == QUENBY_OK ? evaluated_ : failed_);
      if (status != QUENBY_OK) {
        EXPECT_EQ(out.data, nullptr) << where;
        continue;
      }
      EXPECT_EQ(out.row_upper, 3) << where;
      const int32_t width = out.col_upper - out.col_lower + 1;
      for (int32_t i = 0; i < (out.row_upper - out.row_lower + 1) * width; ++i)
        ASSERT_TRUE(std::isfinite(out.data[i])) << where << " " << method << " cell " << i << " = " << out.data[i];
      QuenbyFreeTable(&out);
    }
  }

  // Compiles the project as it stands; a failure must leave no compiled
  // file and no temporary file behind.
  bool Compile(const std::string& where) {
    std::filesystem::remove(project_ + ".DLLFile");
    int32_t status = CreatDllFile(project_.c_str());
    ExpectCleanStatus(status, where);
    if (status != QUENBY_OK) {
      ++failed_;
      EXPECT_FALSE(IsFile(project_ + ".DLLFile")) << where << ": a failed compilation left a compiled file";
    }
    std::vector<std::string> keep{".stderr-h.txt"};
    for (const auto& [suffix, text] : SmallProjectFiles()) keep.push_back("net" + suffix);
    keep.push_back("net.DLLFile");
    EXPECT_EQ(FilesOtherThan(folder_.Path(), keep), std::vector<std::string>{}) << where;
    return status == QUENBY_OK;
  }

  // Every single-byte change and every truncation of text, written to path
  // before each evaluation; check runs the evaluation.
  template <class Check>
  void SweepFile(const std::string& path, const std::string& text, Check check) {
    for (size_t at = 0; at < text.size(); ++at) {
      for (char to : kReplacements) {
        if (text[at] == to) continue;
        std::string changed = text;
        changed[at] = to;
        WriteText(path, changed);
        check("byte " + std::to_string(at) + " to " + std::to_string(static_cast<int>(to)));
        if (HasFatalFailure() || testing::Test::HasFailure()) return;
      }
    }
    for (size_t length = 0; length < text.size(); ++length) {
      WriteText(path, text.substr(0, length));
      check("cut at " + std::to_string(length));
      if (testing::Test::HasFailure()) return;
    }
    WriteText(path, text);
    std::printf("%zu bytes: %d evaluations, %d clean failures\n", text.size(), evaluated_, failed_);
    EXPECT_GT(evaluated_, 0);
    EXPECT_GT(failed_, 0);
  }

  Folder folder_;
  std::string project_;
  int evaluated_ = 0, failed_ = 0;
  quenby::GrnnNotice earlier_ = nullptr;
};

TEST_F(Sweep, SmallProjectCompilesAndEvaluates) {
  ASSERT_TRUE(Compile("valid set")) << QuenbyLastError();
  const std::string compiled = ReadText(project_ + ".DLLFile");
  EXPECT_NE(compiled.find("BackProp Info"), std::string::npos);
  EXPECT_NE(compiled.find("GRNN Info"), std::string::npos);
  EXPECT_NE(compiled.find(" Conv"), std::string::npos);
  std::vector<double> cells{0, 0, 0, 0, 0, 2, -1, 1.5, 0, 8, 4, 3};
  const QuenbyTable in{cells.data(), 0, 2, 0, 3};
  for (const char* method : {"Back Prop", "GRNN"}) {
    QuenbyTable out{};
    ASSERT_EQ(ApplyNNet(method, project_.c_str(), &in, &out), QUENBY_OK) << QuenbyLastError();
    EXPECT_EQ(out.col_upper, 1);
    QuenbyFreeTable(&out);
  }
}

TEST_F(Sweep, EveryChangeOfTheCompiledFile) {
  ASSERT_TRUE(Compile("valid set")) << QuenbyLastError();
  const std::string path = project_ + ".DLLFile";
  const std::string compiled = ReadText(path);
  // The project files go, so a compiled file the sweep has cut to nothing
  // is never compiled again: only the loader is under test.
  for (const auto& [suffix, text] : SmallProjectFiles()) std::filesystem::remove(project_ + suffix);
  SweepFile(path, compiled, [&](const std::string& where) {
    quenby::ResetLoadedNetwork();
    ExpectEvaluation("compiled file " + where);
  });
}

// Values at the edge of the double range in a compiled file: the results
// are finite, or the evaluation fails as a floating-point fault; an infinity
// or a NaN never passes for a result.
TEST_F(Sweep, ExtremeValuesOfTheCompiledFile) {
  ASSERT_TRUE(Compile("valid set")) << QuenbyLastError();
  const std::string path = project_ + ".DLLFile";
  const std::string compiled = ReadText(path);
  struct Case {
    const char* name;
    std::string from, to;
  };
  const Case cases[] = {
      {"output range wider than the doubles", "-1  21 \r\n", "-1E+308  1E+308 \r\n"},
      {"input range wider than the doubles", " 0  12 \r\n", "-1E+308  1E+308 \r\n"},
      {"smoothing that underflows every kernel", " 0.3  3 \r\n", " 1E-300  3 \r\n"},
      {"huge smoothing", " 0.3  3 \r\n", " 1E+300  3 \r\n"},
      {"training outputs whose sum overflows", " 4 \r\n 6 \r\n", " 1.7E+308 \r\n 6 \r\n"},
      {"huge input weight", "BackProp Info\r\nFalse 1  2 \r\n 0.5 ", "BackProp Info\r\nFalse 1  2 \r\n 1E+308 "},
      {"huge output weight", " 1.5 \r\n-1.25 \r\n", " 1E+308 \r\n 1E+308 \r\n"},
      {"tiny range", " 0  12 \r\n", " 0  1E-320 \r\n"},
  };
  for (const Case& c : cases) {
    size_t at = compiled.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.name;
    std::string changed = compiled;
    changed.replace(at, c.from.size(), c.to);
    if (std::string(c.name).find("training outputs") != std::string::npos) {
      size_t second = changed.find(" 12 \r\n", at);
      ASSERT_NE(second, std::string::npos);
      changed.replace(second, 4, " 1.7E+308 ");
    }
    WriteText(path, changed);
    quenby::ResetLoadedNetwork();
    ExpectEvaluation(c.name);
  }
}

// Finding of the compilation fuzzer: a general regression network without
// inputs (a design file with no direct and no derived input) laid out its
// training patterns from an empty table, an offset applied to a null pointer.
// Every pattern is then at distance 0, so every case gets the same result.
TEST_F(Sweep, GrnnWithoutInputs) {
  WriteText(project_ + ".ndp", "Design\r\nv1\r\n-\r\n-\r\n0\r\n0\r\nInputs\r\nDerived\r\n0\r\n"
                               "*** Interface Information ***\r\ni1\r\ni2\r\ni3\r\ni4\r\n0\r\n0\r\n");
  std::filesystem::remove(project_ + ".MinMax");
  ASSERT_TRUE(Compile("no inputs")) << QuenbyLastError();
  std::vector<double> cells(3 * 2, 0.0);
  const QuenbyTable in{cells.data(), 0, 2, 0, 1};
  QuenbyTable out{};
  ASSERT_EQ(ApplyNNet("GRNN", project_.c_str(), &in, &out), QUENBY_OK) << QuenbyLastError();
  ASSERT_EQ(out.row_upper, 2);
  ASSERT_EQ(out.col_upper, 1);
  EXPECT_DOUBLE_EQ(out.data[0], out.data[1]);
  EXPECT_TRUE(std::isfinite(out.data[0]));
  QuenbyFreeTable(&out);
}

class ProjectFileSweep : public Sweep, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProjectFileSweep, EveryChangeOfOneFile) {
  const std::string suffix = GetParam();
  std::string original;
  for (const auto& [s, text] : SmallProjectFiles())
    if (s == suffix) original = text;
  ASSERT_FALSE(original.empty());
  SweepFile(project_ + suffix, original, [&](const std::string& where) {
    quenby::ResetLoadedNetwork();
    if (Compile(suffix + " " + where)) ExpectEvaluation(suffix + " " + where);
  });
}

INSTANTIATE_TEST_SUITE_P(Files, ProjectFileSweep,
                         ::testing::Values(".dat", ".flg", ".ndp", ".clu", ".MinMax", ".net", ".grn"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace reliability
