#include "host_inputs_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/failure.h"

namespace tools {
namespace {

std::string OnePerLine(int count, const char* eol = "\r\n") {
  std::string s;
  for (int i = 1; i <= count; ++i) s += std::to_string(i) + ".5" + eol;
  return s;
}

// One row of 510 values i + offset + 0.5, separated by sep.
std::string Row(char sep = ',', int offset = 0, const char* point = ".") {
  std::string row;
  for (int i = 1; i <= 510; ++i) {
    if (i > 1) row += sep;
    row += std::to_string(i + offset) + point + "5";
  }
  return row;
}

std::string FailureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const common::Failure& e) {
    return e.message;
  }
  return "";
}

TEST(HostInputs, ReadsOnePerLineCsvRowsAndAHeader) {
  std::string columns = "variable,value\n";
  for (int i = 1; i <= 255; ++i) columns.append(std::to_string(2 * i - 1)).append(".5, ").append(std::to_string(2 * i)).append(".5\n");
  std::string titled;  // h510 first, then h1..h509
  for (int i = 0; i < 510; ++i) titled += std::string(i ? ",h" : "case,H") + std::to_string(i == 0 ? 510 : i);
  std::string titledRow = "demo,510.5";
  for (int i = 1; i < 510; ++i) titledRow.append(",").append(std::to_string(i)).append(".5");
  for (const std::string& text :
       {OnePerLine(510), OnePerLine(510, "\n"), OnePerLine(510) + "\r\n\r\n", Row() + "\n", "h,h2\n" + Row(),
        "\xEF\xBB\xBF" + OnePerLine(510), columns, Row(';', 0, ","), Row() + ",,\"a note, quoted\",", titled + "\n" + titledRow}) {
    std::vector<double> v;
    EXPECT_EQ(FailureOf([&] { v = ParseHostInputs(text, "in.txt"); }), "") << text.substr(0, 40);
    ASSERT_EQ(v.size(), 510u) << text.substr(0, 40);
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[509], 510.5);
  }
  std::string commas;
  for (int i = 1; i <= 510; ++i) commas += std::to_string(i) + ",5\n";
  EXPECT_EQ(ParseHostInputs(commas, "in.txt", DecimalMark::Comma)[509], 510.5);
}

TEST(HostInputs, BadFilesNameTheLineRowAndColumn) {
  std::string commas;
  for (int i = 1; i <= 510; ++i) commas += std::to_string(i) + ",5\n";
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {OnePerLine(509), "end of file: expected 510 host inputs, found 509 (in.txt)"},
      {OnePerLine(511), "subscript out of range: expected 510 host inputs, found more (in.txt, line 511)"},
      {"1\n2\nabc\n", "type mismatch: host input 3: expected a number, found \"abc\" (in.txt, line 3)"},
      {"1\n***************\n", "type mismatch: host input 2: expected a number, found \"***************\" (in.txt, line 2)"},
      {"", "end of file: the file is empty (in.txt)"},
      {"\"1\n", "type mismatch: unterminated quoted field (in.txt, line 1)"},
      {"1\n2\n\n3\n", "type mismatch: line 3 is blank: delete it, or fill in the row it stands for (in.txt, line 3)"},
      {commas, "subscript out of range: expected 510 host inputs, found more (decimal commas? give --decimal-comma) (in.txt, line 256)"},
      {"a,b,a\n" + Row(), "invalid argument: the column title \"a\" appears twice (columns 1 and 3): which one is meant? (in.txt, line 1)"},
      {Row(';', 0, ".") + ";1.000,5", ""},  // a cell beyond the 510 is not read
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf([&] { ParseHostInputs(c.text, "in.txt"); }), c.message);
}

TEST(Realizations, RowsInOrderWithTheirLinesAndCellErrorsNamed) {
  Realizations r = ParseRealizations("\xEF\xBB\xBF" + Row() + ",first\r\n" + Row(',', 1) + ",,\r\n\r\n", "r.csv");
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[1][0], 2.5);
  EXPECT_EQ(r.lines, (std::vector<long>{1, 2}));
  std::string bad = Row();
  bad.replace(bad.find(",3.5,"), 5, ",x,");
  struct Case {
    std::string text, message;
  } cases[] = {
      {Row() + "\n" + bad, "type mismatch: row 2, column 3: expected a number, found \"x\" (r.csv, line 2)"},
      {"h2,h1\n1,2\n",
       "subscript out of range: column 1 is titled \"h2\" but holds host input 1 by position: title all 510 host inputs h1 to h510, or none "
       "(r.csv, line 1)"},
      {Row() + "\n1,2,3\n", "subscript out of range: row 2: expected 510 host inputs, the line holds 3 fields (r.csv, line 2)"},
      {Row() + "\n\n" + Row(), "type mismatch: line 2 is blank: delete it, or fill in the row it stands for (r.csv, line 2)"},
      {"a,b\n", "end of file: no realizations: the file holds no row of numbers (r.csv)"},
      {"\"1,5\"" + Row().substr(3),
       "type mismatch: row 1, column 1: expected a number, found \"1,5\" (a decimal comma? save the table with \".\" as the decimal point, "
       "or semicolon-separated) (r.csv, line 1)"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf([&] { ParseRealizations(c.text, "r.csv"); }), c.message) << c.text.substr(0, 30);
}

}  // namespace
}  // namespace tools
