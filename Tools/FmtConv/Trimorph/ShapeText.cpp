// Buffered, printf-style writing of shape file text with CRLF line ends.
#include <cstdlib>
#include <cstring>

#include "ShapeWriter.h"

namespace {

// Text is handed to the file in blocks of about this size.
constexpr size_t FLUSH_SIZE = 1 << 20;

void AppendInt(std::string& out, long long v) {
  char buf[24];
  int n = snprintf(buf, sizeof buf, "%lld", v);
  out.append(buf, size_t(n));
}

void AppendHex8(std::string& out, unsigned long long v) {
  char buf[24];
  int n = snprintf(buf, sizeof buf, "%08llx", v);
  out.append(buf, size_t(n));
}

}  // namespace

ShapeText::ShapeText(FILE* out) : mOut(out) {}

void ShapeText::AppendG(std::string& out, double value) {
  char buf[32];
  int n = snprintf(buf, sizeof buf, "%g", value);
  out.append(buf, size_t(n));
}

void ShapeText::Put(char c) {
  if (c == '\n') mBuffer.push_back('\r');
  mBuffer.push_back(c);
}

void ShapeText::Write(const char* format, std::initializer_list<TextArg> args) {
  const TextArg* arg = args.begin();
  for (const char* p = format; *p; ++p) {
    if (*p != '%') {
      Put(*p);
      continue;
    }
    ++p;
    if (*p == '%') {
      Put('%');
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
