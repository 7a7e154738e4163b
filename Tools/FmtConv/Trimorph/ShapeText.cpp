// Buffered, printf-style writing of shape file text with CRLF line ends.
//
// Numbers are formatted with std::to_chars, which gives the same characters as C's printf for
// "%d", and for "%g" with precision 6 in general format (the test of ShapeText compares both over
// many values).
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "ShapeWriter.h"

namespace {

// Text is handed to the file in blocks of about this size.
constexpr size_t FLUSH_SIZE = 1 << 20;

void AppendInt(std::string& out, long long v) {
  char buf[24];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void AppendHex8(std::string& out, unsigned long long v) {
  char buf[24];
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, 16);
  size_t n = size_t(r.ptr - buf);
  if (n < 8) out.append(8 - n, '0');
  out.append(buf, n);
}

}  // namespace

ShapeText::ShapeText(FILE* out) : mOut(out) {}

void ShapeText::AppendG(std::string& out, double value) {
  // Six significant digits need at most "-d.ddddde-ddd": 13 characters.
  char buf[32];
  std::to_chars_result r =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  out.append(buf, r.ptr);
}

void ShapeText::Write(const char* format, std::initializer_list<TextArg> args) {
  const TextArg* arg = args.begin();
  const char* p = format;
  for (;;) {
    // The literal text up to the next conversion or line end, in one piece.
    const char* run = p;
    while (*p && *p != '%' && *p != '\n') ++p;
    mBuffer.append(run, size_t(p - run));
    if (!*p) break;
    if (*p++ == '\n') {
      mBuffer.append("\r\n", 2);
      continue;
    }
    if (*p == '%') {
      mBuffer.push_back('%');
      ++p;
      continue;
    }
    if (arg == args.end()) abort();  // a text with more conversions than arguments
    const TextArg& a = *arg++;
    if (*p == 'd') {
      AppendInt(mBuffer, a.kind == TextArg::FLOAT ? (long long)a.f : a.i);
    } else if (*p == 'g') {
      AppendG(mBuffer, a.kind == TextArg::FLOAT ? a.f : double(a.i));
    } else if (*p == 's') {
      mBuffer.append(a.kind == TextArg::STR && a.s ? a.s : "");
    } else if (strncmp(p, "08x", 3) == 0) {
      AppendHex8(mBuffer, (unsigned long long)(unsigned)a.i);
      p += 2;
    } else {
      abort();  // a conversion the shape file never uses
    }
    ++p;
  }
  MaybeFlush();
}

void ShapeText::MaybeFlush() {
  if (mOut && mBuffer.size() >= FLUSH_SIZE) Flush();
}

bool ShapeText::Flush() {
  if (!mOut) return !mFailed;
  if (!mBuffer.empty()) {
    if (fwrite(mBuffer.data(), 1, mBuffer.size(), mOut) != mBuffer.size()) mFailed = true;
    mBuffer.clear();
  }
  return !mFailed;
}
