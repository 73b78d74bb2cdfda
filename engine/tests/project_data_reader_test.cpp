#include "project_data_reader.h"

#include <gtest/gtest.h>

#include "common/failure.h"
#include "loaded_network.h"
#include "project_fixture.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;
using fixture::Design;
using fixture::Lines;
using fixture::ProjectFolder;

// Four variables: two inputs, an identifier and an output.
void WriteDataAndFlags(const std::string& project, const Lines& flags = {" I ", " I ", " ID ", " O "}) {
  ProjectFolder::Write(project + ".dat",
                       fixture::DataFile({"Temp", "Flow, raw", "Batch", "Yield"},
                                         {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}},
                                         {{-1, 1}, {0, 50}, {1, 99}, {0.25, 0.75}}));
  ProjectFolder::Write(project + ".flg", fixture::FlagFile(flags));
}

FailureClass FailureOf(void (*f)()) {
  try {
    f();
  } catch (const Failure& e) {
    return e.cls;
  }
  ADD_FAILURE() << "no failure";
  return FailureClass::InvalidArgument;
}

TEST(ReadProjectData, ReadsTitlesRangesAndFlagsWithoutADesignFile) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project());
  ReadProjectData();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.RecordCount, 3);
  ASSERT_EQ(n.VariableCount, 4);
  EXPECT_EQ(n.VariableTitles(2), "Flow, raw");
  ASSERT_EQ(n.VarMin.Upper(), 4 + 15);
  EXPECT_EQ(n.VarMin(1), -1);
  EXPECT_EQ(n.VarMax(2), 50);
  EXPECT_EQ(n.VarMin(4), 0.25);
  EXPECT_EQ(n.VarMax(4), 0.75);
  EXPECT_EQ(n.VarMin(5), 0);  // no design file: derived ranges stay unset
  EXPECT_EQ(n.VarMax(5), 0);
  EXPECT_EQ(n.InputVarCount, 2);
  EXPECT_EQ(n.InputVarColumns(2), 2);
  EXPECT_EQ(n.IdVarCount, 1);
  EXPECT_EQ(n.IdVarColumns(1), 3);
  EXPECT_EQ(n.OutputCount, 1);
  EXPECT_EQ(n.OutputColumns(1), 4);
  EXPECT_EQ(n.OutputColumns.Upper(), 4);
  EXPECT_EQ(n.DirectInputCount, 0);
}

TEST(ReadProjectData, OnlyExactFlagLinesCount) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project(), {"I", " i ", " I  ", " O "});
  ReadProjectData();
  EXPECT_EQ(Net().InputVarCount, 0);
  EXPECT_EQ(Net().OutputCount, 1);
  EXPECT_EQ(Net().OutputColumns(1), 4);
}

TEST(ReadProjectData, DesignFileSetsDirectAndDerivedInputsAndDerivedRanges) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project());
  Design d;
  d.direct = {2, 1};
  d.clusterCount = 3;
  d.derived = {1, 4};
  ProjectFolder::Write(folder.Project() + ".ndp", fixture::DesignFile(d));
  ReadProjectData();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.DirectInputCount, 2);
  EXPECT_EQ(n.DerivedInputCount, 2);
  ASSERT_EQ(n.NetInputColumns.Upper(), 2 + 5);
  EXPECT_EQ(n.NetInputColumns(1), 2);
  EXPECT_EQ(n.NetInputColumns(2), 1);
  EXPECT_EQ(n.NetInputColumns(3), 5);
  EXPECT_EQ(n.NetInputColumns(4), 8);
  EXPECT_EQ(n.DerivedInputCodes(2), 4);
  EXPECT_EQ(n.ClusteringMode, "");  // no switch set: no clustering reader ran
  EXPECT_EQ(n.VarMin(5), 1.0);
  EXPECT_EQ(n.VarMax(5), 3.0);
  for (int h = 2; h <= 5; ++h) {
    EXPECT_EQ(n.VarMin(4 + h), 0.0);
    EXPECT_EQ(n.VarMax(4 + h), 1.0);
  }
  EXPECT_EQ(n.VarMax(10), 0.0);
}

TEST(ReadProjectData, FailuresOfTheDesignFile) {
  struct Case {
    const char* name;
    Design design;
    FailureClass cls;
  };
  Design sixDerived;
  sixDerived.derived = {1, 2, 3, 4, 5, 6};
  Design fourteenClusters;
  fourteenClusters.clusterCount = 14;
  Design noInterface;
  noInterface.interfaceMarker = false;
  Design thirteenClusters;
  thirteenClusters.clusterCount = 13;
  const Case cases[] = {
      {"more than 5 derived inputs", sixDerived, FailureClass::Subscript},
      {"more than 13 clusters", fourteenClusters, FailureClass::Subscript},
      {"no interface marker: switches read past the end", noInterface, FailureClass::EndOfFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    Net().ProjectPath = folder.Project();
    WriteDataAndFlags(folder.Project());
    ProjectFolder::Write(folder.Project() + ".ndp", fixture::DesignFile(c.design));
    EXPECT_EQ(FailureOf(ReadProjectData), c.cls);
  }
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project());
  ProjectFolder::Write(folder.Project() + ".ndp", fixture::DesignFile(thirteenClusters));
  EXPECT_NO_THROW(ReadProjectData());
  EXPECT_EQ(Net().VarMax(4 + 15), 1.0);
}

TEST(ReadProjectData, FailuresOfTheDataFileNameFileAndLine) {
  struct Case {
    const char* name;
    Lines dat;
    FailureClass cls;
    const char* where;
  };
  Lines wide{"h", "0", "32760", "t"};
  wide.insert(wide.end(), 32760, "v");
  wide.insert(wide.end(), {"d", "r"});
  const Case cases[] = {
      {"variable count not a number", {"h", "0", "four"}, FailureClass::TypeMismatch, ".dat, line 3)"},
      {"variable count beyond 32767", {"h", "0", "40000"}, FailureClass::Overflow, ".dat, line 3)"},
      {"VariableCount + 15 beyond 32767", wide, FailureClass::Overflow, "VariableCount + 15"},
      {"negative variable count", {"h", "0", "-2"}, FailureClass::Subscript, ".dat, line 3)"},
      {"records promised beyond the file", {"h", "2000000000", "2", "t", "A", "B", "d", "1"},
       FailureClass::EndOfFile, ".dat, line 7)"},
      {"file ends in the ranges", {"h", "1", "1", "t", "A", "d", "5", "r", "0"}, FailureClass::EndOfFile,
       ".dat, line 10)"},
      {"range not a number", {"h", "1", "1", "t", "A", "d", "5", "r", "0", "x"}, FailureClass::TypeMismatch,
       ".dat, line 10)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectFolder folder;
    Net().ProjectPath = folder.Project();
    ProjectFolder::Write(folder.Project() + ".dat", c.dat);
    ProjectFolder::Write(folder.Project() + ".flg", {"f", " I ", " O "});
    try {
      ReadProjectData();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
      EXPECT_EQ(f.cls, c.cls) << f.message;
      EXPECT_NE(f.message.find(c.where), std::string::npos) << f.message;
    }
  }
}

TEST(ReadProjectData, MissingDataOrFlagFileAndShortFlagFile) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  EXPECT_EQ(FailureOf(ReadProjectData), FailureClass::FileNotFound);
  WriteDataAndFlags(folder.Project());
  std::filesystem::remove(folder.Project() + ".flg");
  EXPECT_EQ(FailureOf(ReadProjectData), FailureClass::FileNotFound);
  ProjectFolder::Write(folder.Project() + ".flg", {"f", " I ", " I "});
  EXPECT_EQ(FailureOf(ReadProjectData), FailureClass::EndOfFile);
}

TEST(ReadRangeOverrides, ReplacesOnlyDirectInputAndOutputRanges) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project());
  Design d;
  d.direct = {2};  // variable 1 is input-flagged but no network input
  d.clusterCount = 2;
  d.derived = {1};
  ProjectFolder::Write(folder.Project() + ".ndp", fixture::DesignFile(d));
  ProjectFolder::Write(folder.Project() + ".MinMax",
                       {"Ranges", "  \"Flow, raw\",-5.5, 60", "Outputs", "Yield,0.1,0.9"});
  ReadProjectData();
  ReadRangeOverrides();
  const LoadedNetwork& n = Net();
  EXPECT_EQ(n.VarMin(1), -1);  // not a network input
  EXPECT_EQ(n.VarMax(1), 1);
  EXPECT_EQ(n.VarMin(2), -5.5);
  EXPECT_EQ(n.VarMax(2), 60);
  EXPECT_EQ(n.VarMin(4), 0.1);
  EXPECT_EQ(n.VarMax(4), 0.9);
  EXPECT_EQ(n.VarMin(5), 1.0);  // derived columns never
  EXPECT_EQ(n.VarMax(5), 2.0);
}

TEST(ReadRangeOverrides, FieldsMaySpanLinesAndBadValuesNameTheLine) {
  ProjectFolder folder;
  Net().ProjectPath = folder.Project();
  WriteDataAndFlags(folder.Project());
  Design d;
  d.direct = {1, 2};
  ProjectFolder::Write(folder.Project() + ".ndp", fixture::DesignFile(d));
  ProjectFolder::Write(folder.Project() + ".MinMax",
                       {"Ranges", "Temp", "-3", "3", "Flow,1,2", "Outputs", "Yield,0,1"});
  ReadProjectData();
  ReadRangeOverrides();
  EXPECT_EQ(Net().VarMin(1), -3);
  EXPECT_EQ(Net().VarMax(1), 3);
  EXPECT_EQ(Net().VarMax(2), 2);
  EXPECT_EQ(Net().VarMax(4), 1);

  ProjectFolder::Write(folder.Project() + ".MinMax", {"Ranges", "Temp,low,3"});
  try {
    ReadRangeOverrides();
    ADD_FAILURE();
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::TypeMismatch);
    EXPECT_NE(f.message.find(".MinMax, line 2)"), std::string::npos) << f.message;
  }
  ProjectFolder::Write(folder.Project() + ".MinMax", {"Ranges", "Temp,1,3", "Flow,1"});
  EXPECT_EQ(FailureOf(ReadRangeOverrides), FailureClass::EndOfFile);
}

}  // namespace
}  // namespace quenby
