#include "common/free_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using common::FreeFormatCursor;
using common::FreeValueStatus;
using common::ParseFreeValue;

TEST(ParseFreeValue, ValueForms) {
  struct Case {
    const char* field;
    FreeValueStatus status;
    double value;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"1", FreeValueStatus::Ok, 1},          {"-3", FreeValueStatus::Ok, -3},
      {"+2.5", FreeValueStatus::Ok, 2.5},     {".5", FreeValueStatus::Ok, 0.5},
      {"5.", FreeValueStatus::Ok, 5},         {"-.25E1", FreeValueStatus::Ok, -2.5},
      {"1D3", FreeValueStatus::Ok, 1000},     {"1q-3", FreeValueStatus::Ok, 0.001},
      {"2d+2", FreeValueStatus::Ok, 200},     {"1e5", FreeValueStatus::Ok, 1e5},
      {"inf", FreeValueStatus::Ok, inf},      {"-INFINITY", FreeValueStatus::Ok, -inf},
      {"InFiNiTy", FreeValueStatus::Ok, inf}, {"1E-400", FreeValueStatus::Ok, 0},
      {"", FreeValueStatus::Syntax, 0},       {".", FreeValueStatus::Syntax, 0},
      {"-", FreeValueStatus::Syntax, 0},      {"E5", FreeValueStatus::Syntax, 0},
      {"1E", FreeValueStatus::Syntax, 0},     {"1.2.3", FreeValueStatus::Syntax, 0},
      {"0x10", FreeValueStatus::Syntax, 0},   {"***************", FreeValueStatus::Syntax, 0},
      {"infinit", FreeValueStatus::Syntax, 0}, {"1,5", FreeValueStatus::Syntax, 0},
      {"--1", FreeValueStatus::Syntax, 0},    {"1E400", FreeValueStatus::Conversion, 0},
      {"-1D999", FreeValueStatus::Conversion, 0},
  };
  for (const auto& x : cases) {
    double v = -99;
    EXPECT_EQ(ParseFreeValue(x.field, v), x.status) << x.field;
    if (x.status == FreeValueStatus::Ok) {
      EXPECT_EQ(v, x.value) << x.field;
    }
  }
  double v = 0;
  ASSERT_EQ(ParseFreeValue("-nan", v), FreeValueStatus::Ok);
  EXPECT_TRUE(std::isnan(v));
}

TEST(FreeFormatCursor, FieldsAndLines) {
  FreeFormatCursor cursor("  12,x y\r\n\r\n\t 7/8\nlast");
  cursor.SkipBlanks();
  EXPECT_EQ(cursor.TakeField(","), "12");
  EXPECT_EQ(cursor.Peek(), ',');
  cursor.Advance();
  EXPECT_EQ(cursor.TakeField(","), "x");
  cursor.SkipRestOfLine();
  EXPECT_EQ(cursor.Line(), 2);
  cursor.SkipBlanksAndLineEnds();
  EXPECT_EQ(cursor.Line(), 3);
  EXPECT_EQ(cursor.TakeField("/"), "7");
  cursor.SkipRestOfLine();
  EXPECT_EQ(cursor.Line(), 4);
  EXPECT_EQ(cursor.TakeField(""), "last");
  EXPECT_TRUE(cursor.AtLineEnd());
  EXPECT_TRUE(cursor.AtEnd());
  cursor.SkipRestOfLine();  // at the end: stays there
  EXPECT_TRUE(cursor.AtEnd());
  EXPECT_EQ(cursor.Line(), 4);
}

TEST(FreeFormatCursor, LoneCarriageReturnIsNoLineEnd) {
  FreeFormatCursor cursor("1\r2\r\n3");
  EXPECT_EQ(cursor.TakeField(""), "1\r2");
  cursor.SkipBlanksAndLineEnds();
  EXPECT_EQ(cursor.Line(), 2);
  EXPECT_EQ(cursor.TakeField(""), "3");
}

}  // namespace
