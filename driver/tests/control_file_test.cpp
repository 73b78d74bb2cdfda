#include "control_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "case_table.h"
#include "common/failure.h"
#include "driver_state.h"
#include "test_folder.h"

namespace {

using namespace torvane;
using testing_support::TempFolder;
using testing_support::WriteFile;

std::string ControlText(const std::string& line10) {
  return "Network A\r\nprojA\r\nNetwork B\r\nprojB\r\nNetwork C\r\nprojC\r\nFirst stage\r\nprojD\r\nCases\r\n" +
         line10;
}

common::FailureClass FailureOf(void (*routine)(), std::string* message = nullptr) {
  try {
    routine();
  } catch (const common::Failure& f) {
    if (message) *message = f.message;
    return f.cls;
  }
  ADD_FAILURE() << "no failure";
  return common::FailureClass::InvalidArgument;
}

TEST(ControlFile, ReadsThePathsAndTheCaseCountForms) {
  struct Case {
    const char* line10;
    int16_t count;
  };
  const Case cases[] = {
      {"1\r\n", 1},       {"1", 1},          {"1,more text, \"x\"\r\n", 1}, {"  2  \r\n", 2}, {"3 cases\r\n", 3},
      {"1\r\nlater\r\n", 1}, {"2.5\r\n", 2},  {"3.5\r\n", 4},    {"1E1\r\n", 10},  {"+7,\r\n", 7},
      {"0\r\n", 0},       {"32767\r\n", 32767}, {"-1\r\n", -1},
  };
  for (const Case& x : cases) {
    TempFolder folder;
    g_dataFolder = folder.Path();
    WriteFile(folder.File("Control.dat"), ControlText(x.line10));
    ReadControlFile();
    EXPECT_EQ(CaseCount, x.count) << x.line10;
    EXPECT_EQ(ProjectPath1, "projA");
    EXPECT_EQ(ProjectPath2, "projB");
    EXPECT_EQ(ProjectPath3, "projC");
    EXPECT_EQ(ProjectPath4, "projD");
  }
}

TEST(ControlFile, PathsKeepBlanksCommasAndQuotes) {
  TempFolder folder;
  g_dataFolder = folder.Path();
  WriteFile(folder.File("Control.dat"), "\r\n  C:\\nets\\a b  \r\n\r\n\"quoted\", x\r\n\r\n\r\nlabel\r\nd\r\n\r\n1\r\n");
  ReadControlFile();
  EXPECT_EQ(ProjectPath1, "  C:\\nets\\a b  ");
  EXPECT_EQ(ProjectPath2, "\"quoted\", x");
  EXPECT_EQ(ProjectPath3, "");
  EXPECT_EQ(ProjectPath4, "d");
}

TEST(ControlFile, BadLineTenNamesFileAndLine) {
  struct Case {
    const char* line10;
    common::FailureClass cls;
  };
  const Case cases[] = {
      {"\r\n", common::FailureClass::TypeMismatch},         {"abc\r\n", common::FailureClass::TypeMismatch},
      {",1\r\n", common::FailureClass::TypeMismatch},       {"***************\r\n", common::FailureClass::TypeMismatch},
      {"NaN\r\n", common::FailureClass::TypeMismatch},      {"32768\r\n", common::FailureClass::Overflow},
      {"-40000\r\n", common::FailureClass::Overflow},       {"1E400\r\n", common::FailureClass::Overflow},
  };
  for (const Case& x : cases) {
    TempFolder folder;
    g_dataFolder = folder.Path();
    WriteFile(folder.File("Control.dat"), ControlText(x.line10));
    std::string message;
    EXPECT_EQ(FailureOf(ReadControlFile, &message), x.cls) << x.line10;
    EXPECT_NE(message.find("Control.dat, line 10"), std::string::npos) << message;
  }
}

TEST(ControlFile, ShortOrMissingFile) {
  TempFolder folder;
  g_dataFolder = folder.Path();
  std::string message;
  EXPECT_EQ(FailureOf(ReadControlFile, &message), common::FailureClass::FileNotFound);
  EXPECT_NE(message.find("Control.dat"), std::string::npos) << message;

  // Label lines left out shift the items: nine lines end before line 10.
  WriteFile(folder.File("Control.dat"), "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\n");
  EXPECT_EQ(FailureOf(ReadControlFile, &message), common::FailureClass::EndOfFile);
  EXPECT_NE(message.find("line 10"), std::string::npos) << message;
  WriteFile(folder.File("Control.dat"), "projA\r\nprojB\r\nprojC\r\nprojD\r\n1\r\n");
  EXPECT_EQ(FailureOf(ReadControlFile, &message), common::FailureClass::EndOfFile);
  EXPECT_NE(message.find("line 6"), std::string::npos) << message;
}

TEST(CaseTable, NegativeCountCannotBeAllocated) {
  CaseCount = -1;
  std::string message;
  EXPECT_EQ(FailureOf(AllocateCaseTable, &message), common::FailureClass::Subscript);
  EXPECT_NE(message.find("line 10"), std::string::npos) << message;
}

std::string Numbers(int count, const char* separator = "\r\n") {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "     " + std::to_string(i) + ".2500" + separator;
  return text;
}

void LoadWith(int16_t cases, const std::string& text, const TempFolder& folder) {
  g_dataFolder = folder.Path();
  WriteFile(folder.File("inputvars.dat"), text);
  CaseCount = cases;
  AllocateCaseTable();
  LoadCaseTable();
}

TEST(CaseTable, ReadsCaseAfterCaseWhateverTheLayout) {
  TempFolder folder;
  // Two cases, extra numbers after them ignored.
  LoadWith(2, Numbers(1021), folder);
  EXPECT_EQ(CaseTable(1, 1), 1.25);
  EXPECT_EQ(CaseTable(1, 510), 510.25);
  EXPECT_EQ(CaseTable(2, 1), 511.25);
  EXPECT_EQ(CaseTable(2, 510), 1020.25);
  EXPECT_EQ(CaseTable(0, 5), 0.0);
  EXPECT_EQ(CaseTable(2, 0), 0.0);
  // Commas and blanks separate as line ends do.
  LoadWith(1, Numbers(510, ","), folder);
  EXPECT_EQ(CaseTable(1, 510), 510.25);
  LoadWith(1, Numbers(510, " , "), folder);
  EXPECT_EQ(CaseTable(1, 2), 2.25);
  LoadWith(1, "1 2\n3\t4,\r\n" + Numbers(506), folder);
  EXPECT_EQ(CaseTable(1, 4), 4.0);
  EXPECT_EQ(CaseTable(1, 510), 506.25);
  // No case: no number is read, but the file is still opened.
  CaseCount = 0;
  g_dataFolder = folder.Path();
  std::remove(folder.File("inputvars.dat").c_str());
  EXPECT_EQ(FailureOf(LoadCaseTable), common::FailureClass::FileNotFound);
}

TEST(CaseTable, ShortBadOrMissingInputNamesFileAndLine) {
  struct Case {
    int16_t cases;
    std::string text;
    common::FailureClass cls;
    const char* where;
  };
  std::string asterisks = Numbers(6) + "***************\r\n" + Numbers(503);
  std::string word = Numbers(509) + "     abc\r\n";
  const Case cases[] = {
      {1, Numbers(509), common::FailureClass::EndOfFile, "found 509 ("},
      {1, Numbers(509), common::FailureClass::EndOfFile, "inputvars.dat, line 509)"},
      {2, Numbers(510), common::FailureClass::EndOfFile, "inputvars.dat, line 510)"},
      {32767, Numbers(510), common::FailureClass::EndOfFile, "expected 16711170 numbers"},
      {1, asterisks, common::FailureClass::TypeMismatch, "inputvars.dat, line 7"},
      {1, word, common::FailureClass::TypeMismatch, "inputvars.dat, line 510"},
      {1, Numbers(3) + ",," + Numbers(510), common::FailureClass::TypeMismatch, "line 4"},
      {1, Numbers(3) + "nan\r\n" + Numbers(510), common::FailureClass::TypeMismatch, "line 4"},
  };
  for (const Case& x : cases) {
    TempFolder folder;
    std::string message;
    try {
      LoadWith(x.cases, x.text, folder);
      ADD_FAILURE() << "accepted: " << x.where;
      continue;
    } catch (const common::Failure& f) {
      EXPECT_EQ(f.cls, x.cls) << f.message;
      message = f.message;
    }
    EXPECT_NE(message.find(x.where), std::string::npos) << message;
  }
  TempFolder empty;
  g_dataFolder = empty.Path();
  CaseCount = 1;
  AllocateCaseTable();
  EXPECT_EQ(FailureOf(LoadCaseTable), common::FailureClass::FileNotFound);
}

}  // namespace
