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

// The most characters one conversion of a number makes: "%d" of a 64-bit value takes 20,
// "%08x" of a 32-bit value 8, "%g" at most 13 ("-d.ddddde-ddd").
constexpr size_t NUMBER_ROOM = 24;

char* PutInt(char* out, long long v) {
  return std::to_chars(out, out + NUMBER_ROOM, v).ptr;
}

char* PutHex8(char* out, unsigned v) {
  char digits[8];
  char* end = std::to_chars(digits, digits + sizeof digits, v, 16).ptr;
  size_t n = size_t(end - digits);
  memset(out, '0', 8 - n);
  memcpy(out + 8 - n, digits, n);
  return out + 8;
}

char* PutG(char* out, double v) {
  return std::to_chars(out, out + NUMBER_ROOM, v, std::chars_format::general, 6).ptr;
}

}  // namespace

ShapeText::ShapeText(FILE* out) : mOut(out) {}

void ShapeText::AppendG(std::string& out, double value) {
  char buf[NUMBER_ROOM];
  out.append(buf, PutG(buf, value));
}

void ShapeText::Write(const char* format, std::initializer_list<TextArg> args) {
  // The text is made in place, behind what the buffer holds, in room for the longest text the
  // call can make: every literal character doubled (a line end becomes two), every number at
  // its longest, every string in full. The buffer is then cut to what was made.
  size_t room = 2 * strlen(format);
  for (const TextArg& a : args) {
    room += a.kind == TextArg::STR && a.s ? strlen(a.s) : NUMBER_ROOM;
  }
  const size_t start = mBuffer.size();
  mBuffer.resize(start + room);
  char* out = &mBuffer[start];

  const TextArg* arg = args.begin();
  const char* p = format;
  for (;;) {
    // The literal text up to the next conversion or line end, in one piece.
    const char* run = p;
    while (*p && *p != '%' && *p != '\n') ++p;
    memcpy(out, run, size_t(p - run));
    out += p - run;
    if (!*p) break;
    if (*p++ == '\n') {
      *out++ = '\r';
      *out++ = '\n';
      continue;
    }
    if (*p == '%') {
      *out++ = '%';
      ++p;
      continue;
    }
    if (arg == args.end()) abort();  // a text with more conversions than arguments
    const TextArg& a = *arg++;
    if (*p == 'd') {
      out = PutInt(out, a.kind == TextArg::FLOAT ? (long long)a.f : a.i);
    } else if (*p == 'g') {
      out = PutG(out, a.kind == TextArg::FLOAT ? a.f : double(a.i));
    } else if (*p == 's') {
      if (a.kind == TextArg::STR && a.s) {
        size_t n = strlen(a.s);
        memcpy(out, a.s, n);
        out += n;
      }
    } else if (strncmp(p, "08x", 3) == 0) {
      out = PutHex8(out, unsigned(a.i));
      p += 2;
    } else {
      abort();  // a conversion the shape file never uses
    }
    ++p;
  }
  mBuffer.resize(size_t(out - mBuffer.data()));
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
