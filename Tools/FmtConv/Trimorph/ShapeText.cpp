// Buffered, printf-style writing of shape file text with CRLF line ends.
//
// "%g" must give exactly the characters of C's printf. Values of magnitude 1e-22 to 1e6, which
// are nearly all a shape holds, are formatted here with exact integer arithmetic; the others
// (zero, very small or large values, infinities, NaN) by std::to_chars in general format with
// precision 6, which follows printf as well. The tests compare both with printf over many values.
#include <cassert>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ShapeText.h"

#include "OutputFile.h"

namespace {

// Text is handed to the file in blocks of about this size.
constexpr size_t FLUSH_SIZE = 1 << 20;

// The most characters one conversion of a number makes: "%d" of a 64-bit value takes 20,
// "%08x" of a 32-bit value 8, "%g" at most 13 ("-d.ddddde-ddd").
constexpr size_t NUMBER_ROOM = 24;

// The two digits of 0 ... 99.
constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of x < 10000: as many as it has (leading), or four with leading zeros (!leading).
// x / 100 is (x * 5243) >> 19 for every x below 43699.
inline __attribute__((always_inline)) char* FourDigits(char* out, uint32_t x, bool leading) {
  const uint32_t high = (x * 5243) >> 19;
  const uint32_t low = x - 100 * high;
  if (leading && high == 0) {
    if (low < 10) {
      *out = char('0' + low);
      return out + 1;
    }
    memcpy(out, DIGIT_PAIRS + 2 * low, 2);
    return out + 2;
  }
  if (leading && high < 10) {
    *out++ = char('0' + high);
  } else {
    memcpy(out, DIGIT_PAIRS + 2 * high, 2);
    out += 2;
  }
  memcpy(out, DIGIT_PAIRS + 2 * low, 2);
  return out + 2;
}

// "%d" of v. The indices that fill most of a shape file are below a hundred million: their
// digits are made here in two groups of four, the others by std::to_chars.
char* IntAt(char* out, long long v) {
  if (v < 0 || v >= 100000000) return std::to_chars(out, out + NUMBER_ROOM, v).ptr;
  const uint32_t u = uint32_t(v);
  if (u < 10000) return FourDigits(out, u, true);
  const uint32_t high = u / 10000;
  out = FourDigits(out, high, true);
  return FourDigits(out, u - 10000 * high, false);
}

char* PutHex8(char* out, unsigned v) {
  static const char HEX[] = "0123456789abcdef";
  for (int i = 7; i >= 0; --i, v >>= 4) out[i] = HEX[v & 15];
  return out + 8;
}

// 5^0 ... 5^27, the powers of five below 2^63.
constexpr int MAX_POW5 = 27;
constexpr uint64_t POW5[MAX_POW5 + 1] = {1ULL,
                                         5ULL,
                                         25ULL,
                                         125ULL,
                                         625ULL,
                                         3125ULL,
                                         15625ULL,
                                         78125ULL,
                                         390625ULL,
                                         1953125ULL,
                                         9765625ULL,
                                         48828125ULL,
                                         244140625ULL,
                                         1220703125ULL,
                                         6103515625ULL,
                                         30517578125ULL,
                                         152587890625ULL,
                                         762939453125ULL,
                                         3814697265625ULL,
                                         19073486328125ULL,
                                         95367431640625ULL,
                                         476837158203125ULL,
                                         2384185791015625ULL,
                                         11920928955078125ULL,
                                         59604644775390625ULL,
                                         298023223876953125ULL,
                                         1490116119384765625ULL,
                                         7450580596923828125ULL};

// "%g" of v as printf writes it, for a normal v with 1e-22 <= |v| < 1e6; null for any other v
// (and for every v where the compiler has no 128-bit integers).
//
// printf writes the six significant digits N = round(|v| * 10^(5 - X)), 10^5 <= N < 10^6, where
// X is the decimal exponent of |v| after rounding, in fixed notation when -4 <= X < 6 and with
// an exponent otherwise, without trailing zeros. With |v| = m * 2^q (m < 2^53) and s = 5 - X in
// 0..27, |v| * 10^s = m * 5^s * 2^(q + s): m * 5^s < 2^116 is exact in 128 bits, and q + s < 0,
// so the shift right by -(q + s) leaves the integer part and a remainder that decides the
// rounding exactly: to nearest, halves to even, as printf does in the default rounding mode.
char* PutGExact(char* out, double v) {
#ifndef __SIZEOF_INT128__
  (void)out;
  (void)v;
  return nullptr;
#else
  uint64_t bits;
  memcpy(&bits, &v, sizeof bits);
  const int biased = int((bits >> 52) & 0x7ff);
  const double a = std::fabs(v);
  if (biased == 0 || biased == 0x7ff || !(a >= 1e-22 && a < 1e6)) return nullptr;
  const uint64_t m = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
  const int q = biased - 1075;

  // 2^(q + 52) <= |v| < 2^(q + 53): a first guess of X, corrected below.
  int x = int(std::floor((q + 52) * 0.30102999566398120));
  uint32_t n = 0;
  for (;;) {
    const int s = 5 - x;
    if (s < 0 || s > MAX_POW5) return nullptr;
    const int shift = -(q + s);
    if (shift <= 0 || shift >= 128) return nullptr;
    const unsigned __int128 p = (unsigned __int128)m * POW5[s];
    const unsigned __int128 whole = p >> shift;
    if (whole < 100000) {
      --x;
      continue;
    }
    if (whole >= 1000000) {
      ++x;
      continue;
    }
    const unsigned __int128 rest = p - (whole << shift);
    const unsigned __int128 half = (unsigned __int128)1 << (shift - 1);
    n = uint32_t(whole);
    if (rest > half || (rest == half && (n & 1))) ++n;
    if (n == 1000000) {
      n = 100000;
      ++x;
    }
    break;
  }

  char d[6];
  for (int i = 5; i >= 0; --i, n /= 10) d[i] = char('0' + n % 10);
  int len = 6;  // significant digits without the trailing zeros
  while (len > 1 && d[len - 1] == '0') --len;

  if (bits >> 63) *out++ = '-';
  if (x < -4 || x >= 6) {
    *out++ = d[0];
    if (len > 1) {
      *out++ = '.';
      memcpy(out, d + 1, size_t(len - 1));
      out += len - 1;
    }
    *out++ = 'e';
    *out++ = x < 0 ? '-' : '+';
    const int e = x < 0 ? -x : x;
    *out++ = char('0' + e / 10);
    *out++ = char('0' + e % 10);
  } else if (x >= 0) {
    memcpy(out, d, size_t(x + 1));
    out += x + 1;
    if (len > x + 1) {
      *out++ = '.';
      memcpy(out, d + x + 1, size_t(len - x - 1));
      out += len - x - 1;
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > x; --i) *out++ = '0';
    memcpy(out, d, size_t(len));
    out += len;
  }
  return out;
#endif
}

char* PutGUncached(char* out, double v) {
  if (char* end = PutGExact(out, v)) return end;
  return std::to_chars(out, out + NUMBER_ROOM, v, std::chars_format::general, 6).ptr;
}

// The texts of values formatted lately, by the bits of the value: a shape's numbers repeat
// (points on a grid share their coordinates), and copying a text costs less than making it.
// Each thread has a cache of its own.
struct GCacheSlot {
  uint64_t bits;
  uint8_t length;  // 0: the slot holds nothing
  char text[15];
};
constexpr int G_CACHE_BITS = 12;
thread_local GCacheSlot gGCache[1 << G_CACHE_BITS];

char* GAt(char* out, double v) {
  uint64_t bits;
  memcpy(&bits, &v, sizeof bits);
  GCacheSlot& slot = gGCache[(bits * 0x9e3779b97f4a7c15ULL) >> (64 - G_CACHE_BITS)];
  if (slot.length && slot.bits == bits) {
    memcpy(out, slot.text, sizeof slot.text);
    return out + slot.length;
  }
  char* end = PutGUncached(out, v);
  const size_t length = size_t(end - out);
  if (length <= sizeof slot.text) {
    slot.bits = bits;
    slot.length = uint8_t(length);
    memcpy(slot.text, out, length);
  }
  return end;
}

}  // namespace

ShapeText::ShapeText(FILE* out) : mOut(out) {}

void ShapeText::AppendG(std::string& out, double value) {
  char buf[NUMBER_ROOM];
  out.append(buf, GAt(buf, value));
}

void ShapeText::Grow(size_t n) {
  size_t capacity = mCapacity ? mCapacity : FLUSH_SIZE + 4096;
  while (capacity - mLength < n) capacity *= 2;
  std::unique_ptr<char[]> larger(new char[capacity]);
  if (mLength) memcpy(larger.get(), mBuffer.get(), mLength);
  mBuffer = std::move(larger);
  mCapacity = capacity;
}

namespace {

// A text taken apart once: its literal text with the line ends already as CRLF, and the
// conversions between the pieces of it. The shape file is written with a few dozen texts, most
// of them many times over.
struct FormatPlan {
  struct Step {
    size_t literalEnd;  // the literal text before the conversion ends here
    char conversion;    // 'd', 'g', 's', 'x' ("%08x"), or 0 after the last piece
  };
  const char* format = nullptr;  // where the text was
  std::string text;              // what it said then
  std::string literal;
  std::vector<Step> steps;
};

void MakePlan(FormatPlan& plan, const char* format) {
  plan.format = format;
  plan.text = format;
  plan.literal.clear();
  plan.steps.clear();
  for (const char* p = format; *p; ++p) {
    if (*p == '\n') {
      plan.literal += "\r\n";
    } else if (*p != '%') {
      plan.literal += *p;
    } else if (p[1] == '%') {
      plan.literal += '%';
      ++p;
    } else if (p[1] == 'd' || p[1] == 'g' || p[1] == 's') {
      plan.steps.push_back({plan.literal.size(), p[1]});
      ++p;
    } else if (strncmp(p + 1, "08x", 3) == 0) {
      plan.steps.push_back({plan.literal.size(), 'x'});
      p += 3;
    } else {
      abort();  // a conversion the shape file never uses
    }
  }
  plan.steps.push_back({plan.literal.size(), 0});
}

// Plans by the place of their text. A plan is used only while the place still holds the same
// text, so a text that changes, or a new text in an old place, is taken apart afresh.
constexpr size_t PLAN_SLOTS = 256;

const FormatPlan& PlanFor(const char* format) {
  // Each thread has plans of its own: several threads make parts of one shape file.
  thread_local FormatPlan plans[PLAN_SLOTS];
  FormatPlan& plan = plans[(uintptr_t(format) * 0x9e3779b97f4a7c15ULL) >> 56];
  if (plan.format != format || strncmp(plan.text.c_str(), format, plan.text.size() + 1) != 0) {
    MakePlan(plan, format);
  }
  return plan;
}

}  // namespace

void ShapeText::Write(const char* format, std::initializer_list<TextArg> args) {
  const FormatPlan& plan = PlanFor(format);
  const TextArg* arg = args.begin();
  size_t at = 0;
  for (const FormatPlan::Step& step : plan.steps) {
    // The literal piece, then the conversion, with room for the longest number.
    const size_t n = step.literalEnd - at;
    Reserve(n + NUMBER_ROOM);
    char* out = mBuffer.get() + mLength;
    memcpy(out, plan.literal.data() + at, n);
    out += n;
    at = step.literalEnd;
    if (!step.conversion) {
      mLength = size_t(out - mBuffer.get());
      break;
    }
    if (arg == args.end()) abort();  // a text with more conversions than arguments
    const TextArg& a = *arg++;
    switch (step.conversion) {
      case 'd':
        out = IntAt(out, a.kind == TextArg::FLOAT ? (long long)a.f : a.i);
        break;
      case 'g':
        out = GAt(out, a.kind == TextArg::FLOAT ? a.f : double(a.i));
        break;
      case 'x':
        out = PutHex8(out, unsigned(a.i));
        break;
      default:  // 's'
        if (a.kind == TextArg::STR && a.s) {
          const size_t length = strlen(a.s);
          mLength = size_t(out - mBuffer.get());
          Reserve(length);
          out = mBuffer.get() + mLength;
          memcpy(out, a.s, length);
          out += length;
        }
        break;
    }
    mLength = size_t(out - mBuffer.get());
  }
  assert(arg == args.end() && "a text with more values than conversions");
  MaybeFlush();
}

void ShapeText::PutInt(long long v) {
  Reserve(NUMBER_ROOM);
  mLength = size_t(IntAt(mBuffer.get() + mLength, v) - mBuffer.get());
}

void ShapeText::PutSpaceInt(long long v) {
  Reserve(NUMBER_ROOM + 1);
  char* out = mBuffer.get() + mLength;
  *out = ' ';
  mLength = size_t(IntAt(out + 1, v) - mBuffer.get());
}

void ShapeText::PutG(double v) {
  // The cache's copy writes all of its slot's bytes.
  Reserve(NUMBER_ROOM);
  mLength = size_t(GAt(mBuffer.get() + mLength, v) - mBuffer.get());
}

void ShapeText::Append(const ShapeText& piece) {
  if (piece.mLength == 0) return;
  if (mOut) {
    // A long piece goes to the file as it is, after the text buffered before it.
    Flush();
    if (fwrite(piece.mBuffer.get(), 1, piece.mLength, mOut) != piece.mLength && !mFailed) {
      mFailed = true;
      mError = errno ? errno : EIO;
    }
    StartWriteback(mOut);
    return;
  }
  Put(piece.mBuffer.get(), piece.mLength);
}

void ShapeText::MaybeFlush() {
  if (mOut && mLength >= FLUSH_SIZE) Flush();
}

bool ShapeText::Flush() {
  if (!mOut) return !mFailed;
  if (mLength) {
    if (fwrite(mBuffer.get(), 1, mLength, mOut) != mLength && !mFailed) {
      mFailed = true;
      mError = errno ? errno : EIO;
    }
    mLength = 0;
    StartWriteback(mOut);
  }
  return !mFailed;
}
