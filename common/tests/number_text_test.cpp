#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <limits>

namespace {

struct FormCase {
  double value;
  const char* text;
};

TEST(GeneralNumber, WritesTheDocumentedForms) {
  const FormCase cases[] = {
      {0.0, "0"},          {-0.0, "0"},       {12.0, "12"},           {-3.0, "-3"},
      {0.5, "0.5"},        {-1.25e-7, "-1.25E-07"}, {1e-20, "1E-20"},  {-2.5e20, "-2.5E+20"},
      {1e-5, "0.00001"},   {9.99e-6, "9.99E-06"},   {123456789012345.0, "123456789012345"},
      {1e15, "1E+15"},     {0.1, "0.1"},      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},       {1e100, "1E+100"},      {-273.15, "-273.15"},
      {999999999999999.9, "1E+15"},           {1e300 * 10, "1E+301"},
  };
  for (const auto& c : cases) EXPECT_EQ(common::GeneralNumber(c.value), c.text) << c.value;
}

TEST(GeneralNumber, ItemFormsCarryBlankOrSign) {
  std::string line;
  common::AppendIntegerItem(line, 12);
  common::AppendIntegerItem(line, 8);
  common::AppendIntegerItem(line, -2);
  EXPECT_EQ(line, " 12  8 -2 ");
  std::string out;
  common::AppendNumberLine(out, -3.0);
  common::AppendNumberLine(out, 0.5);
  EXPECT_EQ(out, "-3 \r\n 0.5 \r\n");
}

TEST(GeneralNumber, RoundTripsFifteenSignificantDigits) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> mant(-10.0, 10.0);
  std::uniform_int_distribution<int> exp10(-300, 300);
  for (int i = 0; i < 20000; ++i) {
    double v = mant(rng) * std::pow(10.0, exp10(rng));
    if (!std::isfinite(v)) continue;
    double back = 0;
    ASSERT_TRUE(common::ParseNumber(common::GeneralNumber(v), back)) << v;
    char a[32], b[32];
    std::snprintf(a, sizeof a, "%.14e", v);
    std::snprintf(b, sizeof b, "%.14e", back);
    ASSERT_STREQ(a, b) << common::GeneralNumber(v);
  }
}

TEST(ParseNumber, AcceptsAndRejects) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {" 12 ", true, 12},     {"-3", true, -3},      {"+4.5", true, 4.5},   {".5", true, 0.5},
      {"5.", true, 5},        {"1E-20", true, 1e-20}, {"-2.5e+20", true, -2.5e20},
      {"1e-400", true, 0.0},  {"", false, 0},        {"   ", false, 0},     {"1.2.3", false, 0},
      {"abc", false, 0},      {"inf", false, 0},     {"nan", false, 0},     {"0x10", false, 0},
      {"1 2", false, 0},      {"--1", false, 0},     {"***************", false, 0},
  };
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(common::ParseNumber(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  bool overflow = false;
  double v = 0;
  EXPECT_FALSE(common::ParseNumber("1e400", v, &overflow));
  EXPECT_TRUE(overflow);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, int64_t> cases[] = {{12.5, 12}, {13.5, 14}, {-2.5, -2}, {2.4999, 2}, {7.0, 7}};
  for (auto [in, want] : cases) {
    int64_t got = 0;
    ASSERT_TRUE(common::RoundHalfEven(in, got));
    EXPECT_EQ(got, want) << in;
  }
  int64_t got = 0;
  EXPECT_FALSE(common::RoundHalfEven(std::numeric_limits<double>::quiet_NaN(), got));
}

}  // namespace
