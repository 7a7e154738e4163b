// JSON string literals and numbers.
#include "JsonText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence of at least two bytes that starts at p, or 0.
size_t Utf8Sequence(const unsigned char* p, size_t left) {
  const unsigned char c = p[0];
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // no overlong forms
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;  // no overlong forms
    if (c == 0xF4) hi = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return 0;
  }
  if (left < n || p[1] < lo || p[1] > hi) return 0;
  for (size_t i = 2; i < n; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return n;
}

void AppendEscape(std::string& out, unsigned value) {
  char buf[8];
  snprintf(buf, sizeof buf, "\\u%04x", value);
  out += buf;
}

}  // namespace

std::string JsonString(const std::string& bytes) {
  std::string out = "\"";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  for (size_t i = 0; i < size;) {
    const unsigned char c = p[i];
    if (c >= 0x80) {
      if (size_t n = Utf8Sequence(p + i, size - i)) {
        out.append(bytes, i, n);
        i += n;
      } else {
        AppendEscape(out, c);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          AppendEscape(out, c);
        } else {
          out += char(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char buf[32];
  snprintf(buf, sizeof buf, "%.9g", value);
  return buf;
}
