#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "inputvars_writer.h"
#include "outfile_reader.h"

namespace {

using pellmar::ExchangeError;

TEST(InputVarsWriter, FifteenColumnsFourDecimals) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {1, "         1.0000"},
      {-273.15, "      -273.1500"},
      {0.5, "         0.5000"},
      {0.00004, "         0.0000"},
      {0.00005, "         0.0001"},
      {9999999999.99994, "9999999999.9999"},
      {10000000000.0, "***************"},
      {9999999999.99995, "***************"},  // rounds up to 10^10
      {-999999999.99994, "-999999999.9999"},
      {-1e9, "***************"},
      {1e300, "***************"},
      {0, "         0.0000"},
      {123456.78905, "    123456.7891"},
      {std::nan(""), "            NaN"},
      {std::numeric_limits<double>::infinity(), "       Infinity"},
      {-std::numeric_limits<double>::infinity(), "      -Infinity"},
  };
  for (const Case& x : cases) EXPECT_EQ(pellmar::FixedField(x.value), x.text) << x.value;
}

TEST(InputVarsWriter, ElementsOneTo510OneLineEach) {
  double in[511];
  for (int k = 0; k <= 510; ++k) in[k] = k;
  in[0] = 1.0;
  std::string text = pellmar::InputVarsText(in);
  ASSERT_EQ(text.size(), 510u * 17);
  EXPECT_EQ(text.substr(0, 17), "         1.0000\r\n");
  EXPECT_EQ(text.substr(509 * 17), "       510.0000\r\n");
}

// Round trip through the driver's reading is covered by the end-to-end test;
// here the reader's own rules.
struct ReadCase {
  const char* name;
  std::string text;
  int count;
  std::vector<double> expected;  // NaN: expect NaN
  ExchangeError error = ExchangeError::None;
  long line = 0;
};

TEST(OutFileReader, FreeFormatRules) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::nan("");
  const ReadCase cases[] = {
      {"driver's forms", " 0.5 \r\n-1.25E-07 \r\n-3 \r\n .5\r\n-.000000125\r\n", 5, {0.5, -1.25e-7, -3, 0.5, -1.25e-7}},
      {"two numbers on a line", " 1 2\r\n 3 \r\n", 2, {1, 3}},
      {"comma and slash end a value", "1,2\r\n3/4\r\n5, \r\n", 3, {1, 3, 5}},
      {"blank lines passed over", "\r\n   \r\n1\r\n\r\n\r\n2\r\n", 2, {1, 2}},
      {"exponent letters", "1E2\r\n1d2\r\n1Q2\r\n1e+2\r\n1D-2\r\n2.q1\r\n", 6, {100, 100, 100, 100, 0.01, 20}},
      {"names", "INF\r\n-Infinity\r\nnan\r\n+inf\r\n", 4, {inf, -inf, nan, inf}},
      {"empty value and slash leave the element", "1\r\n,\r\n/\r\n , 7\r\n2\r\n", 5, {1, -9, -9, -9, 2}},
      {"lone LF and tabs", "\t1\n2\t\n", 2, {1, 2}},
      {"lines after the last read ignored", "1\r\n2\r\nnot a number\r\n", 2, {1, 2}},
      {"no line end at the end", "1\r\n2", 2, {1, 2}},
      {"short file", "1\r\n2\r\n", 3, {1, 2, -9}, ExchangeError::EndOfFile, 3},
      {"empty file", "", 1, {-9}, ExchangeError::EndOfFile, 1},
      {"only blank lines", "\r\n \r\n", 1, {-9}, ExchangeError::EndOfFile, 3},
      {"asterisks", "1\r\n***************\r\n", 2, {1, -9}, ExchangeError::SyntaxError, 2},
      {"word", "1\r\nabc\r\n", 2, {1, -9}, ExchangeError::SyntaxError, 2},
      {"two points", "1.2.3\r\n", 1, {-9}, ExchangeError::SyntaxError, 1},
      {"sign alone", "-\r\n", 1, {-9}, ExchangeError::SyntaxError, 1},
      {"exponent without digits", "1E\r\n", 1, {-9}, ExchangeError::SyntaxError, 1},
      {"beyond the double range", "1\r\n1E400\r\n", 2, {1, -9}, ExchangeError::ConversionError, 2},
      {"below the double range", "-1E-400\r\n", 1, {-0.0}},
  };
  for (const ReadCase& x : cases) {
    SCOPED_TRACE(x.name);
    std::vector<double> values(static_cast<size_t>(x.count), -9.0);
    pellmar::OutFileRead read = pellmar::ReadOutFileValues(x.text, values.data(), x.count);
    EXPECT_EQ(read.error, x.error);
    if (x.error != ExchangeError::None) {
      EXPECT_EQ(read.line, x.line);
    }
    for (int i = 0; i < x.count; ++i) {
      if (std::isnan(x.expected[i])) {
        EXPECT_TRUE(std::isnan(values[i])) << i;
      } else {
        EXPECT_EQ(values[i], x.expected[i]) << i;
      }
    }
  }
}

TEST(OutFileReader, FifteenDigitTextGivesTheNearestDouble) {
  double v = 0;
  pellmar::ReadOutFileValues(" 0.333333333333333 \r\n", &v, 1);
  EXPECT_EQ(v, 0.333333333333333);
}

}  // namespace
