#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace common {

namespace {

constexpr int kDigits = 15;
constexpr int kPlainBelowExponent = 15;  // 1E+15 and above: exponent form
constexpr int kPlainFromExponent = -5;   // below 1E-5: exponent form

// The largest 15-digit decimal within the double range. The few doubles
// above it would round to 1.79769313486232E+308, which no reader can take
// back, so they are written as this one.
constexpr double kLargestFifteenDigits = 1.79769313486231e308;

void AppendMagnitude(std::string& out, double mag) {
  if (std::isnan(mag)) { out += "NAN"; return; }
  if (std::isinf(mag)) { out += "INF"; return; }
  if (mag == 0.0) { out += '0'; return; }
  if (mag > kLargestFifteenDigits) mag = kLargestFifteenDigits;
  // d.dddddddddddddde[+-]xx: correctly rounded to 15 significant digits.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, mag, std::chars_format::scientific, kDigits - 1);
  std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
  size_t e = sci.find('e');
  char digits[kDigits + 1];
  int n = 0;
  for (size_t i = 0; i < e; ++i)
    if (sci[i] != '.') digits[n++] = sci[i];
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  while (n > 1 && digits[n - 1] == '0') --n;  // trailing zeros of the fraction

  if (exponent >= kPlainBelowExponent || exponent < kPlainFromExponent) {
    out += digits[0];
    if (n > 1) {
      out += '.';
      out.append(digits + 1, static_cast<size_t>(n - 1));
    }
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    int a = exponent < 0 ? -exponent : exponent;
    if (a < 10) out += '0';
    out += std::to_string(a);
    return;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out.append(digits, static_cast<size_t>(n));
    return;
  }
  // exponent + 1 integer digits.
  int intDigits = exponent + 1;
  if (n <= intDigits) {
    out.append(digits, static_cast<size_t>(n));
    out.append(static_cast<size_t>(intDigits - n), '0');
  } else {
    out.append(digits, static_cast<size_t>(intDigits));
    out += '.';
    out.append(digits + intDigits, static_cast<size_t>(n - intDigits));
  }
}

}  // namespace

std::string GeneralNumber(double v) {
  std::string out;
  if (v < 0) out += '-';
  AppendMagnitude(out, std::fabs(v));
  return out;
}

void AppendNumberItem(std::string& out, double v) {
  out += v < 0 ? '-' : ' ';
  AppendMagnitude(out, std::fabs(v));
  out += ' ';
}

void AppendIntegerItem(std::string& out, int64_t v) {
  out += v < 0 ? '-' : ' ';
  char buf[24];
  uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  auto res = std::to_chars(buf, buf + sizeof buf, mag);
  out.append(buf, res.ptr);
  out += ' ';
}

void AppendNumberLine(std::string& out, double v) {
  AppendNumberItem(out, v);
  out += "\r\n";
}

bool ParseNumber(std::string_view text, double& out, bool* overflow) {
  if (overflow) *overflow = false;
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b == e) return false;
  bool negative = false;
  if (text[b] == '+' || text[b] == '-') {
    negative = text[b] == '-';
    ++b;
  }
  if (b == e || text[b] == '+' || text[b] == '-') return false;
  // from_chars would also take "inf", "nan" and hex forms; allow digits only.
  if (!(text[b] >= '0' && text[b] <= '9') && text[b] != '.') return false;
  double v = 0;
  auto res = std::from_chars(text.data() + b, text.data() + e, v, std::chars_format::general);
  if (res.ptr != text.data() + e) return false;
  if (res.ec == std::errc::result_out_of_range) {
    // Out of range either way: decide by the exponent's sign.
    std::string_view body = text.substr(b, e - b);
    size_t x = body.find_first_of("eE");
    bool tiny = x != std::string_view::npos && x + 1 < body.size() && body[x + 1] == '-';
    if (!tiny) {
      if (overflow) *overflow = true;
      return false;
    }
    v = 0.0;
  } else if (res.ec != std::errc()) {
    return false;
  }
  out = negative ? -v : v;
  return true;
}

bool RoundHalfEven(double v, int64_t& out) {
  if (!std::isfinite(v) || v >= 9.2e18 || v <= -9.2e18) return false;
  double r = std::nearbyint(v);  // default rounding mode: to nearest, ties to even
  out = static_cast<int64_t>(r);
  return true;
}

}  // namespace common
