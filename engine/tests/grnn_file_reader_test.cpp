#include "grnn_file_reader.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "loaded_network.h"
#include "project_fixture.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::Lines;
using fixture::ProjectFolder;

// patterns of inputs input values and one output each, numbered p.j.
Lines TrainingSet(int patterns, int inputs) {
  Lines l{"*** Trainag set ***", std::to_string(patterns), std::to_string(inputs)};
  for (int p = 1; p <= patterns; ++p) {
    for (int j = 1; j <= inputs; ++j) l.push_back(std::to_string(p) + "." + std::to_string(j));
    l.push_back(std::to_string(-p));
  }
  return l;
}

Lines GeneticFile(const std::string& rows, int rowCount, int columns) {
  Lines l{"GRNN", "Genetic", "stats", "*** Genetic ***", rows, std::to_string(columns)};
  for (int i = 0; i < rowCount * columns; ++i) l.push_back(std::to_string(i) + ".25");
  return l;
}

void Write(const ProjectFolder& folder, Lines lines, const Lines& tail = {}) {
  Net().ProjectPath = folder.Project();
  Net().OutputCount = 1;
  lines.insert(lines.end(), tail.begin(), tail.end());
  ProjectFolder::Write(folder.Project() + ".grn", lines);
}

TEST(ReadGrnnFile, HoldoutReadsTheSmoothingFactorAndPatterns) {
  ProjectFolder folder;
  Write(folder, {"GRNN", "Holdout", "x", "*** Hold Out ***", " 0.35 ", "y"}, TrainingSet(2, 3));
  ReadGrnnFile();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.GrnnCalibration, "Holdout");
  EXPECT_EQ(n.GrnnSmoothing, 0.35);
  ASSERT_EQ(n.TrainingCount, 2);
  ASSERT_EQ(n.TrainingInputs.Upper2(), 3);
  EXPECT_EQ(n.TrainingInputs(1, 3), 1.3);
  EXPECT_EQ(n.TrainingInputs(2, 1), 2.1);
  EXPECT_EQ(n.TrainingOutputs(2, 1), -2);
}

TEST(ReadGrnnFile, GeneticRowCountIsRoundedHalvesToEven) {
  struct Case {
    const char* rows;
    int expected;
  };
  for (const Case& c : {Case{"12.5", 12}, Case{"13.5", 14}, Case{"3", 3}}) {
    SCOPED_TRACE(c.rows);
    ProjectFolder folder;
    Write(folder, GeneticFile(c.rows, c.expected, 2), {"*** Trainag set ***", "*** Statistic ***"});
    ReadGrnnFile();
    const LoadedNetwork& n = Net();
    EXPECT_EQ(n.GrnnCalibration, "Genetic");
    EXPECT_EQ(n.TrainingCount, c.expected);  // no stored patterns: the row count stands
    ASSERT_EQ(n.GeneticSmoothing.Upper1(), c.expected);
    ASSERT_EQ(n.GeneticSmoothing.Upper2(), 2);
    EXPECT_EQ(n.GeneticSmoothing(c.expected, 2), (c.expected * 2 - 1) + 0.25);
  }
}

TEST(ReadGrnnFile, GeneticThenPatternsReplaceTheCount) {
  ProjectFolder folder;
  Write(folder, GeneticFile("4", 4, 2), TrainingSet(3, 2));
  ReadGrnnFile();
  EXPECT_EQ(Net().TrainingCount, 3);
  EXPECT_EQ(Net().GeneticSmoothing.Upper1(), 4);
  EXPECT_EQ(Net().TrainingInputs(3, 2), 3.2);
}

TEST(ReadGrnnFile, AnUncalibratedFileTellsThePersonAndKeepsTheFields) {
  ProjectFolder folder;
  Write(folder, {"GRNN", "*** Hold Out ***", "0.5"});
  Net().GrnnCalibration = "Holdout";
  Net().GrnnSmoothing = 0.75;
  Net().TrainingCount = 5;
  ReadGrnnFile();
  EXPECT_EQ(ProjectFolder::Notices(), (std::vector<std::string>{"Run the GRNN first"}));
  EXPECT_EQ(Net().GrnnCalibration, "Holdout");
  EXPECT_EQ(Net().GrnnSmoothing, 0.75);
  EXPECT_EQ(Net().TrainingCount, 5);
}

#ifndef _WIN32
TEST(ReadGrnnFile, TheNoticeGoesToStandardErrorWhereNoBoxCanBeShown) {
  ProjectFolder folder;
  Write(folder, {"GRNN", "*** Hold Out ***"});
  GrnnNotice collecting = SetGrnnNotice(nullptr);  // the system's own
  ::testing::internal::CaptureStderr();
  ReadGrnnFile();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Run the GRNN first\n");
  SetGrnnNotice(collecting);
}
#endif

TEST(ReadGrnnFile, AnyOtherCalibrationReadsOnlyThePatterns) {
  ProjectFolder folder;
  Write(folder, {"GRNN", "Clustered"}, TrainingSet(1, 1));
  ReadGrnnFile();
  EXPECT_EQ(Net().GrnnCalibration, "Clustered");
  EXPECT_EQ(Net().TrainingCount, 1);
  EXPECT_EQ(Net().TrainingInputs(1, 1), 1.1);
}

TEST(ReadGrnnFile, Failures) {
  struct Case {
    const char* name;
    Lines lines;
    FailureClass cls;
  };
  Lines twoBillion{"GRNN", "Holdout", "*** Hold Out ***", "1", "*** Trainag set ***", "2000000000", "3", "1"};
  Lines noValues{"GRNN", "Holdout", "*** Hold Out ***", "1", "*** Trainag set ***", "2000000000", "0"};
  Lines hugeGenetic{"GRNN", "Genetic", "*** Genetic ***", "1e9", "0", "1"};
  Lines beyond32Bits{"GRNN", "Holdout", "*** Hold Out ***", "1", "*** Trainag set ***", "3000000000"};
  Lines noTrainingSet{"GRNN", "Holdout", "*** Hold Out ***", "1"};
  Lines badSmoothing{"GRNN", "Holdout", "*** Hold Out ***", "wide"};
  Lines shortPatterns = TrainingSet(2, 3);
  shortPatterns.pop_back();
  shortPatterns.insert(shortPatterns.begin(), {"GRNN", "Other"});
  const Case cases[] = {
      {"two billion patterns", twoBillion, FailureClass::EndOfFile},
      {"two billion patterns without values", noValues, FailureClass::EndOfFile},
      {"a billion genetic rows without columns", hugeGenetic, FailureClass::EndOfFile},
      {"pattern count beyond 32 bits", beyond32Bits, FailureClass::Overflow},
      {"no training set marker", noTrainingSet, FailureClass::EndOfFile},
      {"smoothing factor not a number", badSmoothing, FailureClass::TypeMismatch},
      {"patterns end early", shortPatterns, FailureClass::EndOfFile},
      {"only one line", {"GRNN"}, FailureClass::EndOfFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    Write(folder, c.lines);
    try {
      ReadGrnnFile();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(".grn, line "), std::string::npos) << f.message;
    }
  }
}

}  // namespace
}  // namespace quenby
