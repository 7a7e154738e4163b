// Number formatting of the shape text against C's printf: "%g" of floats widened to double and
// of doubles, "%d" and "%08x", over every kind of value.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "ShapeText.h"

namespace {

std::string PrintfG(double v) {
#ifdef _WIN32
  // The shape text is the same on every system: that of the C library of POSIX systems, whose
  // printf writes the sign of a NaN. MinGW's printf drops it.
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
#endif
  char buf[64];
  snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string OursG(double v) {
  std::string s;
  ShapeText::AppendG(s, v);
  return s;
}

float FloatFromBits(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

TEST(ShapeTextNumbers, SpecialValuesAsPrintf) {
  const double values[] = {
      0.0, -0.0, 1.0, -1.0, 0.1f, 0.5, 1e-5f, 1e-4, 0.0001f, 123456, 1234567, 999999,
      // Values that round up into the next decade, and across the switch to exponents.
      999999.5, 999999.4, 9999995, 99999.95f, 9.9999995e-5, 9.9999995e-5f, 0.000099999996,
      0.00099999995f, 9.999995e-5, 1e-5, 1e15, 1e16, 1e100, 1e-100, 9.9999999e22f,
      // The extremes of float and double.
      FLT_MAX, -FLT_MAX, FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN, FLT_MIN - FLT_TRUE_MIN, DBL_MAX,
      DBL_MIN, DBL_TRUE_MIN, std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
      -std::numeric_limits<double>::quiet_NaN(),
      // Halfway cases of the sixth digit.
      1.000005, 1.0000050000000001, 2.5e-7, 0.3125, 1.234565, 1.234575, 12345.65f, 0.5e-4};
  for (double v : values) EXPECT_EQ(OursG(v), PrintfG(v)) << "bits of " << v;
}

// Every 1009th float bit pattern: all exponents, both signs, denormals, NaNs.
TEST(ShapeTextNumbers, FloatsAcrossAllExponentsAsPrintf) {
  int mismatches = 0;
  for (uint64_t bits = 0; bits <= 0xffffffffu; bits += 1009) {
    double v = FloatFromBits(uint32_t(bits));
    std::string ours = OursG(v), theirs = PrintfG(v);
    if (ours != theirs && ++mismatches <= 10) {
      ADD_FAILURE() << "bits " << std::hex << bits << ": " << ours << " vs " << theirs;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// Floats near decimal rounding boundaries of six digits, and doubles such as 1 - v.
TEST(ShapeTextNumbers, RoundingBoundariesAsPrintf) {
  std::mt19937 rng(7);
  int mismatches = 0;
  auto check = [&](double v) {
    std::string ours = OursG(v), theirs = PrintfG(v);
    if (ours != theirs && ++mismatches <= 10)
      ADD_FAILURE() << v << ": " << ours << " vs " << theirs;
  };
  for (int i = 0; i < 200000; ++i) {
    // A six-digit decimal with a 5 in the seventh digit, at a random decade, and its neighbours.
    int exponent = int(rng() % 80) - 40;
    double mantissa = 100000 + rng() % 900000 + 0.5;
    double v = mantissa * std::pow(10.0, exponent - 5);
    float f = float(v);
    check(f);
    check(std::nextafter(f, 0.0f));
    check(std::nextafter(f, 1e38f));
    check(-double(f));
    check(1.0 - double(f));
    check(v);
  }
  EXPECT_EQ(mismatches, 0);
}

// Values whose seventh significant digit is an exact 5 and nothing follows: printf rounds them
// to the even neighbour. And random doubles over the whole range of magnitudes.
TEST(ShapeTextNumbers, ExactHalvesAndRandomDoublesAsPrintf) {
  std::mt19937_64 rng(11);
  int mismatches = 0;
  auto check = [&](double v) {
    std::string ours = OursG(v), theirs = PrintfG(v);
    if (ours != theirs && ++mismatches <= 10)
      ADD_FAILURE() << v << ": " << ours << " vs " << theirs;
  };
  for (int k = 100000; k < 1000000; k += 7) {
    check(k + 0.5);
    check(-(k + 0.5));
    check((k + 0.5) / 1024);  // 1/1024 is exact, the digits of the half are not
    check(k * 10.0 + 5);
  }
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = rng();
    double v;
    memcpy(&v, &bits, sizeof v);
    check(v);
    check(std::ldexp(double(rng() >> 11), int(rng() % 140) - 130));
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(ShapeTextNumbers, IntegersAsPrintf) {
  const int ints[] = {0,         1,       -1,      9,         10,      -10,      99,
                      100,       999,     1000,    9999,      10000,   65535,    65536,
                      99999,     100000,  999999,  1000000,   9999999, 10000000, 99999999,
                      100000000, INT_MAX, INT_MIN, -123456789};
  for (int v : ints) {
    ShapeText t;
    t.Write("%d|%08x\n", {v, unsigned(v)});
    char expected[64];
    snprintf(expected, sizeof expected, "%d|%08x\r\n", v, unsigned(v));
    EXPECT_EQ(t.Text(), expected);
  }
  // The lists' own path, over every length of index.
  ShapeText t;
  std::string expected;
  for (long long v = 0; v < 300000000; v = v * 3 + 1) {
    for (long long w : {v, v + 1, v - 1}) {
      t.PutInt(w);
      t.PutSpaceInt(w);
      t.Put(" ");
      expected += std::to_string(w) + " " + std::to_string(w) + " ";
    }
  }
  EXPECT_EQ(t.Text(), expected);
}

// Texts are taken apart once and remembered by their place; a place that holds another text
// later must be read afresh.
TEST(ShapeTextNumbers, ATextChangedInPlaceIsReadAfresh) {
  char format[32];
  ShapeText t;
  strcpy(format, "a %d\n");
  t.Write(format, {1});
  strcpy(format, "b %g %s %08x\n");
  t.Write(format, {1.5, "x", 255u});
  strcpy(format, "b %g\n");  // a shorter text: a prefix of the one before
  t.Write(format, {2.5});
  strcpy(format, "a %d\n");
  t.Write(format, {3});
  EXPECT_EQ(t.Text(), "a 1\r\nb 1.5 x 000000ff\r\nb 2.5\r\na 3\r\n");
}

TEST(ShapeTextNumbers, LiteralTextPercentAndLineEnds) {
  ShapeText t;
  t.Write("\n%% a\tb %s%%\n\n", {"x"});
  t.Write("");
  t.Write("end");
  EXPECT_EQ(t.Text(), "\r\n% a\tb x%\r\n\r\nend");
}

}  // namespace
