// Number words of shape texts.
#include "ShapeNumbers.h"

#include <charconv>
#include <cmath>

namespace shapefile {

namespace {

// The value of each hexadecimal digit, 16 for other bytes.
struct HexDigits {
  uint8_t of[256];
  constexpr HexDigits() : of() {
    for (int c = 0; c < 256; ++c) of[c] = 16;
    for (int c = '0'; c <= '9'; ++c) of[c] = uint8_t(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) of[c] = uint8_t(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) of[c] = uint8_t(c - 'A' + 10);
  }
};
constexpr HexDigits HEX_DIGITS;

// Numbers as "%g" writes them ("-0.0249996", "1e-05", "1.23457e+08"): a mantissa of at most
// seven digits and a power of ten up to 10^10 are both exact floats, so that one division or
// multiplication rounds the value exactly as a full conversion does. Others go to from_chars.
bool ParseShortFloat(std::string_view s, float& out) {
  static const float POWERS[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  const char* p = s.data();
  const char* const end = p + s.size();
  bool negative = p < end && *p == '-';
  if (negative) ++p;
  uint32_t mantissa = 0;
  int digits = 0, exponent = 0;
  bool anyDigit = false;
  // Leading zeros do not count towards the seven digits.
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    anyDigit = true;
    mantissa = mantissa * 10 + uint32_t(*p - '0');
    if (mantissa) ++digits;
  }
  if (p < end && *p == '.') {
    for (++p; p < end && *p >= '0' && *p <= '9'; ++p, --exponent) {
      anyDigit = true;
      mantissa = mantissa * 10 + uint32_t(*p - '0');
      if (mantissa) ++digits;
    }
  }
  if (!anyDigit || digits > 7) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    int e = 0, eDigits = 0;
    for (; p < end && *p >= '0' && *p <= '9' && eDigits < 4; ++p, ++eDigits)
      e = e * 10 + (*p - '0');
    if (eDigits == 0) return false;
    exponent += negativeExponent ? -e : e;
  }
  if (p != end || exponent < -10 || exponent > 10) return false;
  float v = float(mantissa);
  v = exponent < 0 ? v / POWERS[-exponent] : v * POWERS[exponent];
  out = negative ? -v : v;
  return true;
}

}  // namespace

// A decimal integer, "-" allowed in front. Up to 18 digits cannot overflow; longer ones go to
// from_chars, which says whether they fit.
bool ParseLong(std::string_view s, long& out) {
  const char* p = s.data();
  const char* const end = p + s.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  if (p == end || end - p > 18) {
    auto r = std::from_chars(s.data(), end, out);
    return r.ec == std::errc() && r.ptr == end && !s.empty();
  }
  long v = 0;
  for (; p < end; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
  }
  out = negative ? -v : v;
  return true;
}

// One to eight hexadecimal digits.
bool ParseHex(std::string_view s, uint32_t& out) {
  if (s.empty() || s.size() > 8) return false;
  uint32_t v = 0;
  for (char c : s) {
    uint32_t digit = HEX_DIGITS.of[uint8_t(c)];
    if (digit > 15) return false;
    v = v << 4 | digit;
  }
  out = v;
  return true;
}

bool ParseFloat(std::string_view s, float& out) {
  if (ParseShortFloat(s, out)) return true;
  const char* end = s.data() + s.size();
  auto r = std::from_chars(s.data(), end, out);
  return r.ec == std::errc() && r.ptr == end && !s.empty() && std::isfinite(out);
}

// A count as a list's first word: a decimal number without a sign or leading zeros.
bool LooksLikeCount(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  if (s.size() > 1 && s[0] == '0') return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace shapefile
