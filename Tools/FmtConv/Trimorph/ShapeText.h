// The text of a shape file as it is written.
//
// Texts are given in C printf style with "\n" line ends; every "\n" is stored as carriage
// return plus line feed, on every platform. The conversions are "%d", "%08x", "%g" (a float
// widened to double, six significant digits, trailing zeros dropped) and "%s". Every value
// given has its conversion: more values than conversions is a programming error, caught where
// assertions are on.
#ifndef TRIMORPH_SHAPETEXT_H
#define TRIMORPH_SHAPETEXT_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

// One argument of a text.
struct TextArg {
  enum Kind { INT, UINT, FLOAT, STR } kind;
  union {
    long long i;
    double f;
    const char* s;
  };
  TextArg(int v) : kind(INT), i(v) {}
  TextArg(unsigned v) : kind(UINT), i(v) {}
  TextArg(float v) : kind(FLOAT), f(v) {}
  TextArg(double v) : kind(FLOAT), f(v) {}
  TextArg(const char* v) : kind(STR), s(v) {}
};

class ShapeText {
 public:
  // Text goes to out when it is given, otherwise it is kept in memory (see Text()).
  explicit ShapeText(FILE* out = nullptr);
  ShapeText(const ShapeText&) = delete;
  ShapeText& operator=(const ShapeText&) = delete;

  void Write(const char* format, std::initializer_list<TextArg> args = {});
  // Writes what is buffered to the file; false when the file refused it (now or earlier).
  bool Flush();
  // The operating system's error code of the first write the file refused, 0 when none.
  int Error() const { return mError; }
  // The text kept in memory (without a file), or what is not yet flushed.
  std::string Text() const { return mLength ? std::string(mBuffer.get(), mLength) : std::string(); }

  // "%g" of a value, as C's printf writes it.
  static void AppendG(std::string& out, double value);

 private:
  void MaybeFlush();
  // Makes room for n more characters behind the text.
  void Reserve(size_t n) {
    if (mCapacity - mLength < n) Grow(n);
  }
  void Grow(size_t n);

  FILE* mOut;
  std::unique_ptr<char[]> mBuffer;  // the text, mLength characters of mCapacity
  size_t mLength = 0;
  size_t mCapacity = 0;
  bool mFailed = false;
  int mError = 0;
};

#endif  // TRIMORPH_SHAPETEXT_H
