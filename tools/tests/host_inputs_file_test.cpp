#include "host_inputs_file.h"

#include <gtest/gtest.h>

#include "common/failure.h"

namespace tools {
namespace {

std::string OnePerLine(int count, const char* eol = "\r\n") {
  std::string s;
  for (int i = 1; i <= count; ++i) s += std::to_string(i) + ".5" + eol;
  return s;
}

TEST(HostInputs, ReadsOnePerLineCsvRowsAndAHeader) {
  std::string row;
  for (int i = 1; i <= 510; ++i) {
    if (i > 1) row += ',';
    row += std::to_string(i);
    row += ".5";
  }
  std::string columns = "variable,value\n";
  for (int i = 1; i <= 255; ++i) {
    columns += std::to_string(2 * i - 1);
    columns += ".5, ";
    columns += std::to_string(2 * i);
    columns += ".5\n";
  }
  for (const std::string& text : {OnePerLine(510), OnePerLine(510, "\n"), std::string("\n  \n").append(OnePerLine(510)), row + "\n", std::string("h,h2\n").append(row),
                                  columns}) {
    std::vector<double> v = ParseHostInputs(text, "in.txt");
    ASSERT_EQ(v.size(), 510u);
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[509], 510.5);
  }
}

TEST(HostInputs, CountsOtherThan510AndBadFieldsNameTheLine) {
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {OnePerLine(509), "end of file: expected 510 host inputs, found 509 (in.txt)"},
      {OnePerLine(511), "subscript out of range: expected 510 host inputs, found more (in.txt, line 511)"},
      {"1\n2\nabc\n", "type mismatch: expected a number, found \"abc\" (in.txt, line 3)"},
      {"1\n***************\n", "type mismatch: expected a number, found \"***************\" (in.txt, line 2)"},
      {"", "end of file: expected 510 host inputs, found 0 (in.txt)"},
      {"\"1\n", "type mismatch: unterminated quoted field (in.txt, line 1)"},
  };
  for (const auto& c : cases) {
    try {
      ParseHostInputs(c.text, "in.txt");
      ADD_FAILURE() << c.message;
    } catch (const common::Failure& f) {
      EXPECT_EQ(f.message, c.message);
    }
  }
}

}  // namespace
}  // namespace tools
