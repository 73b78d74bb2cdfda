// Findings of the number-form fuzzer, kept as tests.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "common/number_text.h"

namespace reliability {
namespace {

// The largest doubles rounded up to 15 digits gave 1.79769313486232E+308,
// beyond the double range: a compiled file holding one could not be loaded.
TEST(NumberForm, LargestDoublesReadBack) {
  for (double v : {DBL_MAX, -DBL_MAX, std::nextafter(DBL_MAX, 0.0), 1.797693134862315e308, 1.79769313486231e308}) {
    const std::string text = common::GeneralNumber(v);
    double back = 0;
    ASSERT_TRUE(common::ParseNumber(text, back)) << text;
    EXPECT_EQ(std::fabs(back), 1.79769313486231e308) << text;
    EXPECT_EQ(std::signbit(back), std::signbit(v));
  }
}

}  // namespace
}  // namespace reliability
