// FieldReader::ReadDouble converts plain decimals directly; it must give the
// general number reader's bits for every number and fail the same way on
// every text that is not one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "common/failure.h"
#include "common/number_text.h"
#include "field_reader.h"

namespace quenby {
namespace {

using common::Failure;
using common::FailureClass;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The value ReadDouble gives for token on a line of its own, both at the end
// of the text and followed by more lines (numbers far from the end are read
// 32 bytes at a time); the two must agree to the bit.
double ReadOne(const std::string& token) {
  const std::string text = " " + token + " \r\n";
  FieldReader atEnd(text, "numbers.DLLFile");
  const double v = atEnd.ReadDouble("a number");
  const std::string more = text + std::string(64, '7') + "\r\n";
  FieldReader followed(more, "numbers.DLLFile");
  const double w = followed.ReadDouble("a number");
  EXPECT_TRUE(std::memcmp(&v, &w, sizeof v) == 0) << token << ": " << v << " at the end, " << w << " followed";
  EXPECT_EQ(followed.Line(), 2) << token;
  return v;
}

void ExpectSameAsGeneral(const std::string& token) {
  double want = 0;
  ASSERT_TRUE(common::ParseNumber(token, want)) << token;
  const double got = ReadOne(token);
  EXPECT_TRUE(SameBits(got, want)) << token << ": " << got << " vs " << want;
}

TEST(FieldReaderNumbers, EveryWrittenFormGivesTheGeneralReadersBits) {
  std::mt19937_64 rng(77);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  char buffer[400];
  for (int i = 0; i < 5000; ++i) {
    const double v = mantissa(rng) * std::pow(10.0, exponent(rng) / (i % 2 ? 10 : 1));
    ExpectSameAsGeneral(common::GeneralNumber(v));  // as the writer writes it
    for (const char* format : {"%.15g", "%.17g", "%+.15E", "%.3f", "%.20f"}) {
      std::snprintf(buffer, sizeof buffer, format, v);
      ExpectSameAsGeneral(buffer);
    }
    if (HasFailure()) return;
  }
}

TEST(FieldReaderNumbers, SignsZerosAndTheEndsOfTheRange) {
  for (const char* token :
       {"0", "-0", "+0", "0.0", "-0.000", "+1", ".5", "5.", "-.25", "+.5e1", "1e5", "1E+05", "2.5e-3", "9007199254740993",
        "123456789012345678901234", "1.7976931348623157E+308", "4.9E-324", "2.2250738585072014E-308", "1e-400",
        "-1e-400", "0E+999", "000000000000000000000000012.5", "7169.77369811572"}) {
    SCOPED_TRACE(token);
    ExpectSameAsGeneral(token);
  }
  EXPECT_TRUE(std::signbit(ReadOne("-0")));
  EXPECT_TRUE(std::signbit(ReadOne("-1e-400")));
}

// The one-pass path holds only integers up to 2^53 scaled by 10^-22..10^22;
// just past either bound the general path must take over with the same bits.
TEST(FieldReaderNumbers, BothSidesOfTheOnePassBounds) {
  for (const char* token :
       {"9007199254740992", "9007199254740993", "9007199254740991", "-9007199254740993", "900719925474099.3",
        "90071992547409.93", "9007199254740993e-22", "9007199254740993e22", "1e22", "1e23", "1e-22", "1e-23",
        "0.0000000000000000000001", "0.00000000000000000000001", "1234567890123456789", "12345678901234567890",
        "0.1234567890123456789", "0.12345678901234567890", "100000000000000000000000e-24", "4.35E-06",
        "1.23456789012345E+15", "-7.0000000000001E-07", "0.3", "2.675", "1e-1000", "0.5e+0000000005"}) {
    SCOPED_TRACE(token);
    ExpectSameAsGeneral(token);
  }
}

// A number may end at a blank, a tab, a comma, either line end or the end of
// the text; the line count must follow every one of them.
TEST(FieldReaderNumbers, FieldsEndWhereTheyAlwaysEnded) {
  const std::string text = "1.5,2.5\t3\r\n\r\n -4 \n5e2\r6\r\n7";
  FieldReader in(text, "numbers.DLLFile");
  const double want[] = {1.5, 2.5, 3, -4, 500, 6, 7};
  const long linesAfter[] = {1, 1, 2, 4, 5, 6, 6};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(in.ReadDouble("a number"), want[i]) << i;
    EXPECT_EQ(in.Line(), linesAfter[i]) << i;
  }
  EXPECT_TRUE(in.AtEnd());
  try {
    in.ReadDouble("one more number");
    ADD_FAILURE() << "read past the end";
  } catch (const Failure& f) {
    EXPECT_EQ(f.cls, FailureClass::EndOfFile);
  }
}

TEST(FieldReaderNumbers, RandomDigitStringsAroundTheOnePassBounds) {
  std::mt19937_64 rng(2026);
  std::uniform_int_distribution<uint64_t> mantissa(0, (uint64_t{1} << 54));
  std::uniform_int_distribution<int> scale(-26, 26);
  for (int i = 0; i < 20000; ++i) {
    const std::string digits = std::to_string(mantissa(rng) >> (i % 40));
    const int s = scale(rng);
    const int point = static_cast<int>(digits.size()) + s;  // where the decimal point goes
    std::string token = i % 2 ? "-" : "";
    if (i % 3 == 0) {
      token.append(digits).append("E").append(std::to_string(s));
    } else if (s >= 0) {
      token.append(digits).append(static_cast<size_t>(s), '0');
    } else if (point > 0) {
      token.append(digits, 0, static_cast<size_t>(point)).append(".").append(digits, static_cast<size_t>(point));
    } else {
      token.append("0.").append(static_cast<size_t>(-point), '0').append(digits);
    }
    ExpectSameAsGeneral(token);
    if (HasFailure()) return;
  }
}

TEST(FieldReaderNumbers, TextsThatAreNoNumberFailAsBefore) {
  struct Case {
    const char* token;
    FailureClass cls;
  } cases[] = {
      {"1e", FailureClass::TypeMismatch},   {"--1", FailureClass::TypeMismatch}, {"+-1", FailureClass::TypeMismatch},
      {"1.2.3", FailureClass::TypeMismatch}, {"abc", FailureClass::TypeMismatch}, {"1d5", FailureClass::TypeMismatch},
      {".", FailureClass::TypeMismatch},    {"-", FailureClass::TypeMismatch},   {"1e+", FailureClass::TypeMismatch},
      {"inf", FailureClass::TypeMismatch},  {"-nan", FailureClass::TypeMismatch}, {"0x10", FailureClass::TypeMismatch},
      {"1e400", FailureClass::Overflow},    {"-1E+309", FailureClass::Overflow},
  };
  for (const Case& c : cases) {
    for (const std::string& after : {std::string(), std::string(64, '7')}) {
      std::string text = " ";
      text.append(c.token).append(" \r\n").append(after);
      try {
        FieldReader in(text, "numbers.DLLFile");
        const double v = in.ReadDouble("a number");
        ADD_FAILURE() << c.token << " read as " << v;
      } catch (const Failure& f) {
        EXPECT_EQ(f.cls, c.cls) << c.token << ": " << f.message;
        EXPECT_NE(f.message.find("numbers.DLLFile, line 1"), std::string::npos) << f.message;
      }
    }
  }
}

}  // namespace
}  // namespace quenby
