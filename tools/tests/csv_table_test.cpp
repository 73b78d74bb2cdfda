#include "csv_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/failure.h"

namespace tools {
namespace {

std::string FailureOf(const std::string& text) {
  try {
    ParseCsv(text, "cases.csv");
  } catch (const common::Failure& f) {
    return f.message;
  }
  return "";
}

TEST(CsvTable, RoundTripKeepsEveryDoubleExactly) {
  const std::vector<double> values{0.1, -0.0, 1e-300, 5e-324, -1.7976931348623157e308, 123456789.123456789, 2.0 / 3.0, -3, 0};
  std::vector<std::vector<double>> rows{values, values};
  std::vector<std::string> header{"plain", "with, comma", "with \"quote\"", " padded ", "", "a", "b", "c", "d"};
  for (const char* eol : {"\r\n", "\n"}) {
    CsvTable t = ParseCsv(FormatCsv(header, rows, eol), "t.csv");
    EXPECT_EQ(t.header, header);
    ASSERT_EQ(t.rows.size(), 2u);
    for (size_t j = 0; j < values.size(); ++j) {
      EXPECT_EQ(t.rows[1][j], values[j]) << j;
      EXPECT_EQ(std::signbit(t.rows[1][j]), std::signbit(values[j])) << j;
    }
    EXPECT_EQ(t.rowLines, (std::vector<long>{2, 3}));
  }
}

TEST(CsvTable, AcceptsBlankLinesByteOrderMarkAndSpacesAroundFields) {
  CsvTable t = ParseCsv("\xEF\xBB\xBF" "a, b\r\n\r\n  1 , 2.5\n   \n\"3\",.5e1\n", "t.csv");
  EXPECT_EQ(t.header, (std::vector<std::string>{"a", "b"}));
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0], (std::vector<double>{1, 2.5}));
  EXPECT_EQ(t.rows[1], (std::vector<double>{3, 5}));
  EXPECT_EQ(t.rowLines, (std::vector<long>{3, 5}));
}

TEST(CsvTable, HeaderOnlyIsAnEmptyTable) {
  CsvTable t = ParseCsv("x,y\n", "t.csv");
  EXPECT_TRUE(t.rows.empty());
}

TEST(CsvTable, ErrorsNameTheFileLineAndColumn) {
  EXPECT_EQ(FailureOf("a,b\n1,2\n3\n"), "subscript out of range: expected 2 fields as in the header, found 1 (cases.csv, line 3)");
  EXPECT_EQ(FailureOf("a,b\n1,x1\n"), "type mismatch: field 2 (\"b\"): expected a number, found \"x1\" (cases.csv, line 2)");
  EXPECT_EQ(FailureOf("a,b\n1,1,5\n"), "subscript out of range: expected 2 fields as in the header, found 3 (cases.csv, line 2)");
  EXPECT_EQ(FailureOf("a,\"b\n"), "type mismatch: unterminated quoted field (cases.csv, line 1)");
  EXPECT_EQ(FailureOf("a,b\n1,\n"), "type mismatch: field 2 (\"b\"): expected a number, found \"\" (cases.csv, line 2)");
  EXPECT_EQ(FailureOf(""), "end of file: expected a header row, found none (cases.csv)");
  EXPECT_EQ(FailureOf("\n \n"), "end of file: expected a header row, found none (cases.csv)");
  // Locale-style decimal commas are not numbers here: the field count says so.
  EXPECT_NE(FailureOf("a\n1,5\n"), "");
}

TEST(CsvTable, MissingFileIsFileNotFound) {
  try {
    ReadCsvFile("/nonexistent/cases.csv");
    FAIL();
  } catch (const common::Failure& f) {
    EXPECT_EQ(f.cls, common::FailureClass::FileNotFound);
    EXPECT_NE(f.message.find("/nonexistent/cases.csv"), std::string::npos);
  }
}

TEST(CsvTable, ShortestNumberReadsBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 1e22, 1e-7, -2.5, 100.0}) {
    double back = 0;
    ASSERT_TRUE(ParseCsv("x\n" + ShortestNumber(v) + "\n", "t").rows.size() == 1);
    back = ParseCsv("x\n" + ShortestNumber(v) + "\n", "t").rows[0][0];
    EXPECT_EQ(back, v);
  }
  EXPECT_EQ(ShortestNumber(100.0), "100");
  EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

}  // namespace
}  // namespace tools
