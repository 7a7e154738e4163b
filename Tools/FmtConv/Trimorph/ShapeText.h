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
#include <cstring>
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

  // What Write makes, without reading a format: for the long lists of the shape file. Put takes
  // text as it stands (its line ends already "\r\n"), PutInt writes "%d" and PutG "%g".
  void Put(const char* text, size_t n) {
    Reserve(n);
    memcpy(mBuffer.get() + mLength, text, n);
    mLength += n;
  }
  template <size_t N>
  void Put(const char (&text)[N]) {
    Put(text, N - 1);
  }
  void PutInt(long long v);
  // A space, then "%d" of v: an element of the long index lists.
  void PutSpaceInt(long long v);
  void PutG(double v);
  // Ends a line made with Put: "\r\n", and the buffered text goes to the file once there is
  // enough of it.
  void EndLine() {
    Put("\r\n");
    MaybeFlush();
  }
  // Appends the text of piece, a ShapeText kept in memory.
  void Append(const ShapeText& piece);
  // Forgets the text kept in memory, keeping the memory for more.
  void Clear() { mLength = 0; }
  // The characters kept in memory: the whole text without a file, what is not yet flushed with
  // one.
  size_t Length() const { return mLength; }
  // Writes what is buffered to the file once there is enough of it.
  void MaybeFlush();
  // Writes what is buffered to the file; false when the file refused it (now or earlier).
  bool Flush();
  // The operating system's error code of the first write the file refused, 0 when none.
  int Error() const { return mError; }
  // The text kept in memory (without a file), or what is not yet flushed.
  std::string Text() const { return mLength ? std::string(mBuffer.get(), mLength) : std::string(); }

  // "%g" of a value, as C's printf writes it.
  static void AppendG(std::string& out, double value);

 private:
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
