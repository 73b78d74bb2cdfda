#include "compilation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/failure.h"
#include "compiled_file.h"
#include "loaded_network.h"
#include "project_fixture.h"
#include "quenby.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::BackPropNet;
using fixture::Design;
using fixture::Lines;
using fixture::ProjectFolder;
using fixture::Scenario;

// Four variables: inputs Temp and Flow, identifier Batch, output Yield.
void WriteData(const std::string& project, const Lines& flags = {" I ", " I ", " ID ", " O "}) {
  ProjectFolder::Write(project + ".dat", fixture::DataFile({"Temp", "Flow", "Batch", "Yield"},
                                                           {{1, 2, 3, 4}, {5, 6, 7, 8}},
                                                           {{-1, 1}, {0, 50}, {1, 99}, {0.25, 0.75}}));
  ProjectFolder::Write(project + ".flg", fixture::FlagFile(flags));
}

// The two direct inputs Temp and Flow, no derived inputs.
void WriteDesign(const std::string& project, Design d = {}) {
  if (d.direct.empty()) d.direct = {1, 2};
  ProjectFolder::Write(project + ".ndp", fixture::DesignFile(d));
}

std::string CompiledText(const std::string& project) {
  return ProjectFolder::Read(project + ".DLLFile");
}

Lines Compile(const std::string& project) {
  EXPECT_EQ(CreatDllFile(project.c_str()), QUENBY_OK) << QuenbyLastError();
  return ProjectFolder::SplitCrLf(CompiledText(project));
}

// Lines strictly between the first line equal to from and the next equal to
// to (to "" runs to the end).
Lines Between(const Lines& all, const std::string& from, const std::string& to) {
  auto b = std::find(all.begin(), all.end(), from);
  if (b == all.end()) return {"<no " + from + ">"};
  ++b;
  auto e = to.empty() ? all.end() : std::find(b, all.end(), to);
  return Lines(b, e);
}

Lines Concat(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Weight lines as the compiled file writes them.
Lines WeightLines(const std::vector<double>& w) {
  Lines l;
  for (double v : w) {
    std::string line(1, ' ');  // appended, not prefixed: GCC 12 misreads a prefix as an overlapping copy
    line += common::GeneralNumber(v);
    line += ' ';
    l.push_back(line);
  }
  return l;
}

const Lines kFreshNoDesignFile = {
    "*** General Project Info ***",
    " 4  2  1 ",
    "Temp",
    "Flow",
    "Batch",
    "Yield",
    " 1 ",
    " 2 ",
    " 4 ",
    "*** Clustering ***",
    " 0  0 None",
    "*** Partitioning ***",
    " 0  0 ",
    "*** Min and Max ***",
    "-1  1 ",
    " 0  50 ",
    " 1  99 ",
    " 0.25  0.75 ",
    " 0  0 ",
    " 0  0 ",
    "*** BackProp ***",
    "No BackProp",
    "*** GRNN ***",
    "No GRNN",
};

TEST(CompileProject, NoDesignFileInAFreshProcess) {
  ProjectFolder folder;
  WriteData(folder.Project());
  EXPECT_EQ(Compile(folder.Project()), kFreshNoDesignFile);
}

TEST(CompileProject, OnlyExactInputFlagsCount) {
  ProjectFolder folder;
  WriteData(folder.Project(), {" I ", "I", " i ", " O "});
  Lines all = Compile(folder.Project());
  EXPECT_EQ(Lines(all.begin() + 1, all.begin() + 8), (Lines{" 4  1  1 ", "Temp", "Flow", "Batch", "Yield", " 1 ", " 4 "}));
}

TEST(CompileProject, DesignFileInputsAndRangeOverrides) {
  ProjectFolder folder;
  const std::string p = folder.Project();
  WriteData(p);
  Design d;
  d.direct = {2};  // Temp is input-flagged but no network input
  d.clusterCount = 1;
  d.derived = {1, 3};
  WriteDesign(p, d);
  ProjectFolder::Write(p + ".MinMax", {"Ranges", "Flow,-5,5", "Outputs", "\"Yield\", 0.5, 2.5E+20"});
  Lines all = Compile(p);
  EXPECT_EQ(Between(all, "*** Partitioning ***", "*** Min and Max ***"), (Lines{" 1  2 ", " 2 ", " 1 ", " 3 "}));
  EXPECT_EQ(Between(all, "*** Min and Max ***", "*** BackProp ***"),
            (Lines{"-1  1 ", "-5  5 ", " 1  99 ", " 0.5  2.5E+20 ", " 1  1 ", " 0  1 ", " 0  1 "}));
}

const Scenario kConv{"Conv A", {1, 0, 1}, {{0.5, -0.5}, {1.5, 2.5}, {3, 4}}};
const Scenario kConvNamedOne{"1", {0, 0, 0}, {{9, 8}}};
const Scenario kFuzzy{"Fuzzy A", {1, 1, 0}, {{-1, -2}, {-3, -4}}};

TEST(CompileProject, ClusteringSections) {
  struct Case {
    const char* name;
    int conv, fuzzy;
    std::string convSelected, fuzzySelected;
    Lines clustering;  // between "*** Clustering ***" and "*** Partitioning ***"
    int rangeLines;
  };
  const Case cases[] = {
      {"conventional", 1, 0, "Conv A", "Fuzzy A",
       {" 3  2 Conv", " 1 ", " 0 ", " 1 ", " 0.5 ", "-0.5 ", " 1.5 ", " 2.5 ", " 3 ", " 4 "}, 4 + 3 + 2},
      {"both switches: fuzzy wins", 1, 1, "Conv A", "Fuzzy A",
       {" 2  2 Fuzzy", " 1 ", " 1 ", " 0 ", "-1 ", "-2 ", "-3 ", "-4 "}, 4 + 2 + 2},
      {"no conventional scenario selected", 1, 0, "", "Fuzzy A", {" 7  0 Conv"}, 4 + 7 + 2},
      {"fuzzy switch without a selected scenario", 0, 1, "Conv A", "", {" 7  0 Fuzzy"}, 4 + 7 + 2},
      // Name "1" is first found at "Conv A"'s first flag line, so its flags
      // are the three lines after that one.
      {"scenario named like an earlier flag line", 1, 0, "1", "", {" 1  2 Conv", " 0 ", " 1 ", " 1 ", " 9 ", " 8 "},
       4 + 1 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    const std::string p = folder.Project();
    WriteData(p);
    Design d;
    d.clusterCount = 7;
    d.conv = c.conv;
    d.fuzzy = c.fuzzy;
    WriteDesign(p, d);
    ProjectFolder::Write(p + ".clu", fixture::ClusteringFile({kConv, kConvNamedOne}, {kFuzzy}, c.convSelected,
                                                             c.fuzzySelected));
    Lines all = Compile(p);
    EXPECT_EQ(Between(all, "*** Clustering ***", "*** Partitioning ***"), c.clustering);
    Lines ranges = Between(all, "*** Min and Max ***", "*** BackProp ***");
    ASSERT_EQ(static_cast<int>(ranges.size()), c.rangeLines);
    EXPECT_EQ(ranges[4], " 1  " + ranges[4].substr(4)) << "derived column 1 starts at 1";
    EXPECT_EQ(ranges.back(), " 0  1 ");
  }
}

TEST(CompileProject, SingleAndMultiSlabNetworks) {
  const std::vector<double> single = fixture::Weights(3 * 2 + 3 * 1, 0);
  const std::vector<double> multi = fixture::Weights(3 * 3 + 5 * 1, 1);
  BackPropNet s;
  s.hidden = 2;
  s.best = single;
  BackPropNet m;
  m.hidden = 3;
  m.slabs = {"Logistic", "Gaussian"};
  m.best = multi;
  struct Case {
    const char* name;
    BackPropNet net;
    Lines section;
  };
  const Case cases[] = {
      {"single slab", s, Concat({"BackProp Info", "False 1  2 "}, WeightLines(single))},
      {"multi slab", m, Concat({"BackProp Info", "True 2  3 ", "Logistic", "Gaussian"}, WeightLines(multi))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    const std::string p = folder.Project();
    WriteData(p);
    WriteDesign(p);
    ProjectFolder::Write(p + ".net", fixture::BackPropFile(c.net));
    Lines all = Compile(p);
    EXPECT_EQ(Between(all, "*** BackProp ***", "*** GRNN ***"), c.section);
  }
}

Lines TrainingSet(int patterns, int inputs) {
  Lines l{"*** Trainag set ***", std::to_string(patterns), std::to_string(inputs)};
  for (int p = 1; p <= patterns; ++p) {
    for (int j = 1; j <= inputs; ++j) l.push_back(std::to_string(p) + "." + std::to_string(j));
    l.push_back(std::to_string(-p));
  }
  return l;
}

TEST(CompileProject, GrnnSections) {
  struct Case {
    const char* name;
    Lines grn;
    Lines section;  // after "*** GRNN ***"
    size_t notices;
  };
  const Lines patterns{" 1.1 ", " 1.2 ", "-1 ", " 2.1 ", " 2.2 ", "-2 "};
  const Case cases[] = {
      {"Holdout", Concat({"GRNN", "Holdout", "*** Hold Out ***", "0.35"}, TrainingSet(2, 2)),
       Concat({"GRNN Info", "Holdout", " 0.35  2 "}, patterns), 0},
      // 2.5 genetic rows round to 2; three values per pattern, two written.
      {"Genetic", Concat({"GRNN", "Genetic", "*** Genetic ***", "2.5", "2", "0.5", "1.5", "2.5", "3.5"},
                         TrainingSet(2, 3)),
       {"GRNN Info", "Genetic", " 2 ", " 0.5 ", " 1.5 ", " 2.5 ", " 3.5 ", " 1.1 ", " 1.2 ", "-1 ", " 2.1 ", " 2.2 ",
        "-2 "},
       0},
      {"uncalibrated", {"GRNN", "*** Hold Out ***", "*** Hold Out ***", "0.5"}, {"GRNN Info", "", " 0 "}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    const std::string p = folder.Project();
    WriteData(p);
    WriteDesign(p);
    ProjectFolder::Write(p + ".grn", c.grn);
    Lines all = Compile(p);
    EXPECT_EQ(ProjectFolder::Notices().size(), c.notices);
    EXPECT_EQ(Between(all, "*** GRNN ***", ""), c.section);
  }
}

TEST(CompileProject, AProjectCompiledAfterAnotherIsWhatAFreshProcessWrites) {
  ProjectFolder folder;
  const std::string a = folder.Project("a");
  WriteData(a);
  Design d;
  d.clusterCount = 2;
  d.derived = {1, 2};
  d.fuzzy = 1;
  WriteDesign(a, d);
  ProjectFolder::Write(a + ".clu", fixture::ClusteringFile({kConv}, {kFuzzy}, "Conv A", "Fuzzy A"));
  BackPropNet net;
  net.hidden = 2;
  net.best = fixture::Weights(5 * 2 + 3, 0);
  ProjectFolder::Write(a + ".net", fixture::BackPropFile(net));
  ProjectFolder::Write(a + ".grn", Concat({"GRNN", "Holdout", "*** Hold Out ***", "0.35"}, TrainingSet(2, 4)));
  Compile(a);
  Net().ProjectPath = a;
  LoadNetworkFile();
  ASSERT_EQ(Net().DirectInputCount, 2);
  ASSERT_EQ(Net().TrainingCount, 2);

  // No design file and an uncalibrated ".grn": nothing of "a" may show.
  const std::string b = folder.Project("b");
  WriteData(b);
  ProjectFolder::Write(b + ".grn", {"GRNN", "*** Hold Out ***"});
  Lines afterA = Compile(b);
  EXPECT_EQ(ProjectFolder::Notices().size(), 1u);
  Lines expected(kFreshNoDesignFile.begin(), kFreshNoDesignFile.end() - 1);
  expected.insert(expected.end(), {"GRNN Info", "", " 0 "});
  EXPECT_EQ(afterA, expected);
  // The compilation left the loaded network as it found it.
  EXPECT_EQ(Net().ProjectPath, b);
  EXPECT_EQ(Net().DirectInputCount, 2);
  EXPECT_EQ(Net().ClusteringMode, "Fuzzy");
  EXPECT_EQ(Net().TrainingCount, 2);
  // And the file loads: an empty calibration with no patterns.
  EXPECT_NO_THROW(LoadNetworkFile());
  EXPECT_EQ(Net().GrnnCalibration, "");
  EXPECT_EQ(Net().TrainingCount, 0);
}

TEST(CompileProject, AFailedCompilationLeavesNoFileAndKeepsAnEarlierOne) {
  struct Case {
    const char* name;
    void (*spoil)(const std::string& project);
    int status;
  };
  const Case cases[] = {
      {"weight-set marker with an extra blank",
       [](const std::string& p) {
         BackPropNet b;
         b.bestMarker = "*** Best Weights  ***";
         ProjectFolder::Write(p + ".net", fixture::BackPropFile(b));
       },
       QUENBY_END_OF_FILE},
      {"weight set with fewer hidden neurons than the information",
       [](const std::string& p) {
         BackPropNet b;
         b.hidden = 3;
         b.setHidden = 2;
         b.best = fixture::Weights(3 * 2 + 3, 0);
         ProjectFolder::Write(p + ".net", fixture::BackPropFile(b));
       },
       QUENBY_SUBSCRIPT},
      {"weight set with more hidden neurons than the information",
       [](const std::string& p) {
         BackPropNet b;
         b.hidden = 1;
         b.setHidden = 2;
         b.best = fixture::Weights(3 * 2 + 3, 0);
         ProjectFolder::Write(p + ".net", fixture::BackPropFile(b));
       },
       QUENBY_SUBSCRIPT},
      {"genetic rows fewer than the patterns",
       [](const std::string& p) {
         ProjectFolder::Write(p + ".grn", Concat({"GRNN", "Genetic", "*** Genetic ***", "1", "2", "1", "1"},
                                                 TrainingSet(2, 2)));
       },
       QUENBY_SUBSCRIPT},
      {"pattern values fewer than the network inputs",
       [](const std::string& p) {
         ProjectFolder::Write(p + ".grn", Concat({"GRNN", "Holdout", "*** Hold Out ***", "1"}, TrainingSet(2, 1)));
       },
       QUENBY_SUBSCRIPT},
      {"design file without the interface marker",
       [](const std::string& p) {
         Design d;
         d.direct = {1, 2};
         d.interfaceMarker = false;
         ProjectFolder::Write(p + ".ndp", fixture::DesignFile(d));
       },
       QUENBY_END_OF_FILE},
      {"missing flag file", [](const std::string& p) { std::filesystem::remove(p + ".flg"); },
       QUENBY_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    const std::string p = folder.Project();
    WriteData(p);
    WriteDesign(p);
    c.spoil(p);
    EXPECT_EQ(CreatDllFile(p.c_str()), c.status) << QuenbyLastError();
    EXPECT_FALSE(std::filesystem::exists(p + ".DLLFile"));

    ProjectFolder::WriteRaw(p + ".DLLFile", "earlier\r\n");
    EXPECT_EQ(CreatDllFile(p.c_str()), c.status);
    EXPECT_EQ(CompiledText(p), "earlier\r\n");
    // No temporary is left beside the file.
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(p).parent_path())) {
      EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
  }
}

TEST(CompileProject, ApplyCompilesOnceAndThenUsesTheCompiledFile) {
  ProjectFolder folder;
  const std::string p = folder.Project();
  WriteData(p);
  WriteDesign(p);
  BackPropNet net;
  net.hidden = 2;
  net.best = fixture::Weights(3 * 2 + 3 * 1, -0.5);
  ProjectFolder::Write(p + ".net", fixture::BackPropFile(net));

  double cells[2 * 2] = {0.5, 10, -0.25, 40};
  QuenbyTable inputs{cells, 1, 2, 1, 2};
  QuenbyTable first{};
  ASSERT_EQ(ApplyNNet("Back Prop", p.c_str(), &inputs, &first), QUENBY_OK) << QuenbyLastError();
  ASSERT_TRUE(std::filesystem::exists(p + ".DLLFile"));
  const std::string compiled = CompiledText(p);
  ASSERT_EQ(first.row_upper, 2);
  ASSERT_EQ(first.col_upper, 1);

  // Changed project files are not looked at while the compiled file exists.
  BackPropNet changed = net;
  changed.best = fixture::Weights(9, 3);
  ProjectFolder::Write(p + ".net", fixture::BackPropFile(changed));
  std::filesystem::remove(p + ".dat");
  QuenbyTable second{};
  ASSERT_EQ(ApplyNNet("Back Prop", p.c_str(), &inputs, &second), QUENBY_OK) << QuenbyLastError();
  EXPECT_EQ(CompiledText(p), compiled);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(first.data[i], second.data[i]);
  QuenbyFreeTable(&first);
  QuenbyFreeTable(&second);

  // PrintTitlesName compiles a project on first use too.
  const std::string q = folder.Project("titles");
  WriteData(q);
  WriteDesign(q);
  ASSERT_EQ(PrintTitlesName(q.c_str()), QUENBY_OK) << QuenbyLastError();
  EXPECT_TRUE(std::filesystem::exists(q + ".DLLFile"));
  EXPECT_EQ(ProjectFolder::Read(q + ".MyTitles"), "Temp\r\nFlow\r\n");
}

}  // namespace
}  // namespace quenby
