#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dllfile_fixture.h"
#include "quenby.h"

namespace quenby {
namespace {

using dllfile::Folder;

// A caller's table with the given lower bound in both dimensions; rows and
// columns below 1 hold junk the engine must ignore.
struct CallerTable {
  std::vector<double> cells;
  QuenbyTable table{};
  CallerTable(const std::vector<std::vector<double>>& rows, int32_t lower) {
    const int32_t r = static_cast<int32_t>(rows.size());
    const int32_t c = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
    const int32_t width = c - lower + 1;
    cells.assign(static_cast<size_t>((r - lower + 1) * width), -777.0);
    for (int32_t i = 1; i <= r; ++i)
      for (int32_t j = 1; j <= c; ++j) cells[(i - lower) * width + (j - lower)] = rows[i - 1][j - 1];
    table = QuenbyTable{cells.data(), lower, r, lower, c};
  }
};

// ApplyNNet's result as rows of values; fails the test on a failure.
std::vector<std::vector<double>> Apply(const char* method, const std::string& project,
                                       const std::vector<std::vector<double>>& rows, int32_t lower = 1) {
  CallerTable in(rows, lower);
  QuenbyTable out{};
  const int32_t status = ApplyNNet(method, project.c_str(), &in.table, &out);
  EXPECT_EQ(status, QUENBY_OK) << QuenbyLastError();
  EXPECT_STREQ(QuenbyLastError(), "");
  std::vector<std::vector<double>> result;
  if (status != QUENBY_OK) return result;
  EXPECT_EQ(out.row_lower, 1);
  EXPECT_EQ(out.col_lower, 1);
  EXPECT_EQ(out.row_upper, static_cast<int32_t>(rows.size()));
  const int32_t width = out.col_upper;
  for (int32_t i = 0; i < out.row_upper; ++i)
    result.emplace_back(out.data + i * width, out.data + (i + 1) * width);
  QuenbyFreeTable(&out);
  EXPECT_EQ(out.data, nullptr);
  return result;
}

int32_t ApplyStatus(const char* method, const std::string& project, const std::vector<std::vector<double>>& rows) {
  CallerTable in(rows, 1);
  QuenbyTable out{reinterpret_cast<double*>(&in), 5, 6, 7, 8};  // junk the call must clear
  const int32_t status = ApplyNNet(method, project.c_str(), &in.table, &out);
  if (status != QUENBY_OK) {
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.row_upper, 0);
    EXPECT_EQ(out.col_upper, 0);
  }
  QuenbyFreeTable(&out);
  return status;
}

TEST(Exports, AppliesTheBackPropNetworkInDataUnits) {
  Folder folder;
  const std::string project = folder.WithFixture("plant", "single_slab");
  // Worked out apart from the engine in 60-digit decimal arithmetic: the
  // outputs are 20 y + 10 (the output's range 10..30); the second and third
  // rows lie beyond the input ranges and are clamped.
  const std::vector<std::vector<double>> rows = {{25, 0}, {100, -80}, {-3, 49.5}};
  const double want[] = {20.664967063407445, 20.355835959092268, 20.348681050304659};
  const auto result = Apply("Back Prop", project, rows);
  ASSERT_EQ(result.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(result[i].size(), 1u);
    EXPECT_NEAR(result[i][0], want[i], 2e-15 * want[i]) << "case " << i + 1;
  }
  // Rows and columns 0 are ignored: the same values from a (0 To R, 0 To C) table.
  EXPECT_EQ(Apply("Back Prop", project, rows, 0), result);
}

TEST(Exports, UnknownMethodEvaluatesNothingAndGivesTheMinimum) {
  Folder folder;
  const std::string project = folder.WithFixture("plant", "single_slab");
  for (const char* method : {"back prop", "Back Prop ", "", "BackProp"}) {
    EXPECT_EQ(Apply(method, project, {{25, 0}, {1, 2}}), (std::vector<std::vector<double>>{{10}, {10}})) << method;
  }
}

TEST(Exports, DerivedInputsFromTheExtraColumnsReachTheNetwork) {
  Folder folder;
  const std::string project = folder.WithFixture("pump", "derived_conv");
  // Flow 8, Head 0.5, Speed 5: derived inputs 1 (winner) and 0.64.
  const auto result = Apply("Back Prop", project, {{8, 0.5, 5}});
  // Scaled inputs 1 (bias), 0.6, 0, -1, 0.28 into one Logistic neuron and
  // the output, worked out in 60-digit decimal arithmetic; range 100..200.
  ASSERT_EQ(result.size(), 1u);
  EXPECT_NEAR(result[0][0], 148.4755093279112, 1e-12);
}

TEST(Exports, LaterProjectReplacesTheEarlierOne) {
  Folder folder;
  const std::string first = folder.WithFixture("first", "multi_slab");
  const std::string second = folder.WithFixture("second", "single_slab");
  const auto fresh = Apply("Back Prop", second, {{25, 0}});
  Apply("Back Prop", first, {{1}, {2}});
  EXPECT_EQ(Apply("Back Prop", second, {{25, 0}}), fresh);
}

// A network the compiled file lacks is refused, whatever an earlier project
// left in the loaded network; an unknown method still evaluates nothing.
TEST(Exports, AMethodWhoseNetworkTheFileLacksFailsNamingProjectAndNetwork) {
  Folder folder;
  const std::string grnnHolder = folder.WithDllFile(
      "holder", dllfile::CrLf({"*** General Project Info ***", " 2  1  1 ", "Load", "Stress", " 1 ", " 2 ",
                               "*** Clustering ***", " 0  0 None", "*** Partitioning ***", " 1  0 ", " 1 ",
                               "*** Min and Max ***", " 0  4 ", "-1  1 ", " 0  0 ", " 0  0 ", "*** BackProp ***",
                               "No BackProp", "*** GRNN ***", "GRNN Info", "Holdout", " .5  1 ", " 2 ", " 0.5 "}));
  // A ".grn" file never calibrated compiles into a section without one.
  const std::string uncalibrated = folder.WithDllFile(
      "uncalibrated", dllfile::CrLf({"*** General Project Info ***", " 2  1  1 ", "Load", "Stress", " 1 ", " 2 ",
                                     "*** Clustering ***", " 0  0 None", "*** Partitioning ***", " 1  0 ", " 1 ",
                                     "*** Min and Max ***", " 0  4 ", "-1  1 ", " 0  0 ", " 0  0 ", "*** BackProp ***",
                                     "No BackProp", "*** GRNN ***", "GRNN Info", "", " 0 "}));
  const std::string bare = folder.WithFixture("bare", "no_network");
  const std::string plant = folder.WithFixture("plant", "single_slab");
  struct Case {
    const char* method;
    std::string earlier, project;
    const char* network;
  };
  const Case cases[] = {{"Back Prop", plant, bare, "back-propagation"},
                        {"GRNN", grnnHolder, bare, "general regression"},
                        {"GRNN", grnnHolder, plant, "general regression"},
                        {"Back Prop", plant, grnnHolder, "back-propagation"},
                        {"GRNN", grnnHolder, uncalibrated, "general regression"}};
  for (const Case& c : cases) {
    Apply(c.method, c.earlier, {{1, 1}});  // the earlier project holds the network asked for
    EXPECT_EQ(ApplyStatus(c.method, c.project, {{1, 1}}), QUENBY_SUBSCRIPT) << c.method << " " << c.project;
    const std::string message = QuenbyLastError();
    EXPECT_NE(message.find("project " + c.project + " has no " + c.network + " network"), std::string::npos) << message;
  }
  EXPECT_EQ(Apply("back prop", bare, {{3}}), (std::vector<std::vector<double>>{{7}}));
}

TEST(Exports, NoRowsGivesAnEmptyResultOfTheRightWidth) {
  Folder folder;
  const std::string project = folder.WithFixture("plant", "single_slab");
  QuenbyTable in{nullptr, 1, 0, 1, 2};
  QuenbyTable out{};
  ASSERT_EQ(ApplyNNet("Back Prop", project.c_str(), &in, &out), QUENBY_OK) << QuenbyLastError();
  EXPECT_EQ(out.row_upper, 0);
  EXPECT_EQ(out.col_upper, 1);
  QuenbyFreeTable(&out);
  QuenbyFreeTable(nullptr);
}

TEST(Exports, FailuresReturnTheirStatusAndMessage) {
  Folder folder;
  const std::string plant = folder.WithFixture("plant", "single_slab");
  const std::string pump = folder.WithFixture("pump", "derived_conv");
  std::string corrupt = dllfile::FixtureText("single_slab.DLLFile");
  corrupt.replace(corrupt.find(" 0.75 "), 6, "1.2.3");
  const std::string bad = folder.WithDllFile("bad", corrupt);

  EXPECT_EQ(ApplyStatus("Back Prop", folder.Project("absent"), {{1, 2}}), QUENBY_FILE_NOT_FOUND);
  EXPECT_NE(std::string(QuenbyLastError()).find("absent"), std::string::npos) << QuenbyLastError();

  EXPECT_EQ(ApplyStatus("Back Prop", bad, {{1, 2}}), QUENBY_TYPE_MISMATCH);
  EXPECT_EQ(std::string(QuenbyLastError()),
            "type mismatch: \"1.2.3\" is not a number (expected an input-to-hidden weight) (" + bad +
                ".DLLFile, line 29)");

  EXPECT_EQ(ApplyStatus("Back Prop", pump, {{8, 0.5}}), QUENBY_SUBSCRIPT);
  EXPECT_NE(std::string(QuenbyLastError()).find("the input table has 2 columns; the network needs 3"),
            std::string::npos)
      << QuenbyLastError();

  CallerTable in({{25, 0}}, 1);
  QuenbyTable out{};
  in.table.row_lower = 2;
  in.table.row_upper = 3;
  EXPECT_EQ(ApplyNNet("Back Prop", plant.c_str(), &in.table, &out), QUENBY_SUBSCRIPT);
  in = CallerTable({{25, 0}}, 1);
  EXPECT_EQ(ApplyNNet(nullptr, plant.c_str(), &in.table, &out), QUENBY_INVALID_ARGUMENT);
  EXPECT_EQ(ApplyNNet("Back Prop", nullptr, &in.table, &out), QUENBY_INVALID_ARGUMENT);
  EXPECT_EQ(ApplyNNet("Back Prop", plant.c_str(), nullptr, &out), QUENBY_INVALID_ARGUMENT);
  EXPECT_EQ(ApplyNNet("Back Prop", plant.c_str(), &in.table, nullptr), QUENBY_INVALID_ARGUMENT);
  QuenbyTable noData{nullptr, 1, 2, 1, 2};
  EXPECT_EQ(ApplyNNet("Back Prop", plant.c_str(), &noData, &out), QUENBY_INVALID_ARGUMENT);
  EXPECT_EQ(PrintTitlesName(nullptr), QUENBY_INVALID_ARGUMENT);
  EXPECT_EQ(CreatDllFile(nullptr), QUENBY_INVALID_ARGUMENT);
  EXPECT_STRNE(QuenbyLastError(), "");

  // A floating-point fault never reaches the result.
  EXPECT_EQ(ApplyStatus("Back Prop", plant, {{std::nan(""), 0}}), QUENBY_FLOATING_POINT);

  // A success clears the message.
  Apply("Back Prop", plant, {{25, 0}});
}

TEST(Exports, PrintTitlesNameWritesTheCallersColumns) {
  Folder folder;
  const std::string pump = folder.WithFixture("pump", "derived_conv");
  const std::string plant = folder.WithFixture("plant", "single_slab");
  ASSERT_EQ(PrintTitlesName(pump.c_str()), QUENBY_OK) << QuenbyLastError();
  EXPECT_EQ(dllfile::ReadBytes(pump + ".MyTitles"), "Flow\r\nHead\r\nSpeed\r\n");
  ASSERT_EQ(PrintTitlesName(plant.c_str()), QUENBY_OK) << QuenbyLastError();
  EXPECT_EQ(dllfile::ReadBytes(plant + ".MyTitles"), "Temperature, inlet\r\n Pressure\r\n");

  // A failed call leaves the earlier titles file as it was.
  dllfile::WriteBytes(plant + ".DLLFile", "*** General Project Info ***\r\n");
  EXPECT_EQ(PrintTitlesName(plant.c_str()), QUENBY_END_OF_FILE);
  EXPECT_EQ(dllfile::ReadBytes(plant + ".MyTitles"), "Temperature, inlet\r\n Pressure\r\n");
}

TEST(Exports, DamagedFilesFailCleanlyOrGiveFiniteResults) {
  Folder folder;
  std::mt19937_64 rng(11);
  const char* digits = "0123456789-.,E \r\nx";
  for (const char* fixture : {"derived_fuzzy", "multi_slab", "single_slab"}) {
    const std::string original = dllfile::FixtureText(std::string(fixture) + ".DLLFile");
    for (int round = 0; round < 300; ++round) {
      std::string text = original;
      const int edits = 1 + static_cast<int>(rng() % 3);
      for (int e = 0; e < edits; ++e) {
        const size_t at = rng() % text.size();
        switch (rng() % 3) {
          case 0: text[at] = digits[rng() % std::strlen(digits)]; break;
          case 1: text.erase(at, 1 + rng() % 8); break;
          default: text.resize(at); break;
        }
        if (text.empty()) text = "\r\n";
      }
      const std::string project = folder.WithDllFile("damaged", text);
      CallerTable in({{1, 0.5, 7, 2}, {-3, 2, 0, 1}}, 1);
      QuenbyTable out{};
      const int32_t status = ApplyNNet("Back Prop", project.c_str(), &in.table, &out);
      if (status == QUENBY_OK) {
        const int64_t cells = int64_t{out.row_upper} * out.col_upper;
        for (int64_t c = 0; c < cells; ++c) ASSERT_TRUE(std::isfinite(out.data[c])) << text;
      } else {
        ASSERT_GE(status, QUENBY_FILE_NOT_FOUND);
        ASSERT_LE(status, QUENBY_INVALID_ARGUMENT);
        ASSERT_STRNE(QuenbyLastError(), "");
        ASSERT_NE(std::string(QuenbyLastError()).rfind("internal error", 0), 0u) << QuenbyLastError();
        ASSERT_EQ(out.data, nullptr);
      }
      QuenbyFreeTable(&out);
    }
  }
}

}  // namespace
}  // namespace quenby
