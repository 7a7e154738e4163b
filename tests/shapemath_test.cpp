// Vectors and transforms: the orthonormality test, the rigid inverse, the product and the
// near comparisons.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ShapeMath.h"

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

sMatrix Rows(sVector x, sVector y, sVector z, sVector t = sVector(0, 0, 0)) {
  return sMatrix{{x.x, x.y, x.z, y.x, y.y, y.z, z.x, z.y, z.z, t.x, t.y, t.z}};
}

// Rotation about x by a, then about y by b, then about z by c, then the translation t.
sMatrix Rotation(double a, double b, double c, sVector t) {
  sMatrix rx =
      Rows({1, 0, 0}, {0, float(cos(a)), float(sin(a))}, {0, float(-sin(a)), float(cos(a))});
  sMatrix ry =
      Rows({float(cos(b)), 0, float(-sin(b))}, {0, 1, 0}, {float(sin(b)), 0, float(cos(b))});
  sMatrix rz =
      Rows({float(cos(c)), float(sin(c)), 0}, {float(-sin(c)), float(cos(c)), 0}, {0, 0, 1});
  sMatrix m = rx * ry * rz;
  m.m[9] = t.x;
  m.m[10] = t.y;
  m.m[11] = t.z;
  return m;
}

TEST(IsOrthoNormal, Examples) {
  struct Case {
    const char* what;
    sMatrix m;
    bool passes;
  };
  const Case cases[] = {
      {"identity", sMatrix::Identity(), true},
      {"quarter turn about z, far away", Rows({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {1e6f, -3, 5}),
       true},
      {"translation not examined", Rows({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {NaN, Inf, -Inf}), true},
      {"x axis 1.0004", Rows({1.0004f, 0, 0}, {0, 1, 0}, {0, 0, 1}), true},
      {"x axis 1.0005", Rows({1.0005f, 0, 0}, {0, 1, 0}, {0, 0, 1}), false},
      {"y axis 1.0005", Rows({1, 0, 0}, {0, 1.0005f, 0}, {0, 0, 1}), false},
      {"z axis 1.0005", Rows({1, 0, 0}, {0, 1, 0}, {0, 0, 1.0005f}), false},
      // Squared lengths 0.99880 (fails) and 0.99900020 (just above 0.999, passes).
      {"z axis 0.9994", Rows({1, 0, 0}, {0, 1, 0}, {0, 0, 0.9994f}), false},
      {"z axis 0.9995", Rows({1, 0, 0}, {0, 1, 0}, {0, 0, 0.9995f}), true},
      {"scale 2", Rows({2, 0, 0}, {0, 2, 0}, {0, 0, 2}), false},
      {"zero", Rows({0, 0, 0}, {0, 0, 0}, {0, 0, 0}), false},
      // Unit rows, but row 0 x row 1 is the negation of row 2: d = (0, 0, -2).
      {"reflection", Rows({-1, 0, 0}, {0, 1, 0}, {0, 0, 1}), false},
      {"swapped axes", Rows({0, 1, 0}, {1, 0, 0}, {0, 0, 1}), false},
      // Unit rows whose z axis leans by 0.002 (fails) or 0.0005 (passes) towards y.
      {"z leans 0.002", Rows({1, 0, 0}, {0, 1, 0}, {0, 0.002f, float(sqrt(1 - 0.002 * 0.002))}),
       false},
      {"z leans 0.0005", Rows({1, 0, 0}, {0, 1, 0}, {0, 0.0005f, float(sqrt(1 - 0.0005 * 0.0005))}),
       true},
      {"turned 30, 40, 50 degrees", Rotation(0.5236, 0.6981, 0.8727, {1, 2, 3}), true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.m.IsOrthoNormal(), c.passes) << c.what;
}

TEST(IsOrthoNormal, NonFiniteAxisElementsFail) {
  for (int i = 0; i < 9; ++i) {
    for (float bad : {NaN, Inf, -Inf}) {
      sMatrix m = sMatrix::Identity();
      m.m[i] = bad;
      EXPECT_FALSE(m.IsOrthoNormal()) << "element " << i << " = " << bad;
    }
  }
}

void ExpectMatrixNear(const sMatrix& a, const sMatrix& b, float tol) {
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

TEST(RigidInverse, QuarterTurnAboutZ) {
  // Axes (0, 1, 0), (-1, 0, 0), (0, 0, 1) at (10, 0, 0): the inverse has the transposed axes and
  // the translation -(t . row i) = (0, 10, 0).
  sMatrix m = Rows({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {10, 0, 0});
  sMatrix r;
  m.RigidInverse(r);
  const float expected[12] = {0, -1, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(r.m[i], expected[i]) << "element " << i;
  sVector p = r.TransformPoint(sVector(10, 1, 0));
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(p.z, 0);
}

TEST(RigidInverse, RoundTrips) {
  const sMatrix frames[] = {
      sMatrix::Identity(),
      Rows({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {10, 0, 0}),
      Rotation(0.3, -1.1, 2.5, {4, -7, 12.5f}),
      Rotation(3.0, 0.2, -0.7, {-100, 0.25f, 3}),
  };
  const sVector points[] = {{0, 0, 0}, {1, 2, 3}, {-5, 0.5f, 8}};
  for (const sMatrix& m : frames) {
    ASSERT_TRUE(m.IsOrthoNormal());
    sMatrix inv;
    m.RigidInverse(inv);
    ExpectMatrixNear(m * inv, sMatrix::Identity(), 1e-5f);
    ExpectMatrixNear(inv * m, sMatrix::Identity(), 1e-5f);
    for (const sVector& p : points) {
      sVector back = inv.TransformPoint(m.TransformPoint(p));
      EXPECT_NEAR(back.x, p.x, 1e-4f);
      EXPECT_NEAR(back.y, p.y, 1e-4f);
      EXPECT_NEAR(back.z, p.z, 1e-4f);
    }
    // Inverting in place gives the same matrix.
    sMatrix self = m;
    self.RigidInverse(self);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(self.m[i], inv.m[i]) << "element " << i;
  }
}

TEST(MatrixProduct, IdentityOnEitherSide) {
  const sMatrix m = {{0.1f, -2.5f, 3.75f, 1e-7f, 6, -0.3f, 7.25f, 8, 9e5f, -10, 11.5f, 0.012f}};
  const sMatrix left = sMatrix::Identity() * m;
  const sMatrix right = m * sMatrix::Identity();
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(left.m[i], m.m[i]) << "element " << i;
    EXPECT_EQ(right.m[i], m.m[i]) << "element " << i;
  }
}

TEST(MatrixProduct, AppliesLeftFactorFirst) {
  const sMatrix move = Rows({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0});
  const sMatrix turn = Rows({0, 1, 0}, {-1, 0, 0}, {0, 0, 1});
  // Moved to (1, 0, 0), then turned to (0, 1, 0).
  sVector a = (move * turn).TransformPoint(sVector(0, 0, 0));
  EXPECT_EQ(a.x, 0);
  EXPECT_EQ(a.y, 1);
  EXPECT_EQ(a.z, 0);
  // Turned (the origin stays), then moved.
  sVector b = (turn * move).TransformPoint(sVector(0, 0, 0));
  EXPECT_EQ(b.x, 1);
  EXPECT_EQ(b.y, 0);
  EXPECT_EQ(b.z, 0);
  // A general product against the two transforms applied one after the other.
  const sMatrix p = Rotation(0.4, 1.2, -0.5, {3, -1, 2});
  const sMatrix q = Rotation(-2.0, 0.1, 0.9, {-6, 4, 0.5f});
  const sVector pt(2, -3, 5);
  sVector once = (p * q).TransformPoint(pt);
  sVector twice = q.TransformPoint(p.TransformPoint(pt));
  EXPECT_NEAR(once.x, twice.x, 1e-5f);
  EXPECT_NEAR(once.y, twice.y, 1e-5f);
  EXPECT_NEAR(once.z, twice.z, 1e-5f);
}

TEST(VectorOps, NearlyEqual) {
  EXPECT_TRUE(sVector(0, 0, 0).NearlyEqual(sVector(0.0009f, -0.0009f, 0)));
  EXPECT_FALSE(sVector(0, 0, 0).NearlyEqual(sVector(0.002f, 0, 0)));
  EXPECT_FALSE(sVector(0, 0, 0).NearlyEqual(sVector(0, 0, 0.001f)));
  EXPECT_FALSE(sVector(0, NaN, 0).NearlyEqual(sVector(0, NaN, 0)));
}

TEST(VectorOps, MaxMinIgnoreNaN) {
  sVector hi(1, 2, 3);
  hi.Max(sVector(NaN, 5, 0));
  EXPECT_EQ(hi.x, 1);
  EXPECT_EQ(hi.y, 5);
  EXPECT_EQ(hi.z, 3);
  sVector lo(1, 2, 3);
  lo.Min(sVector(0, NaN, 4));
  EXPECT_EQ(lo.x, 0);
  EXPECT_EQ(lo.y, 2);
  EXPECT_EQ(lo.z, 3);
}

TEST(VectorOps, NormaliseCrossAndLength) {
  sVector v(3, 0, -4);
  v.Normalise();
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_EQ(v.y, 0);
  EXPECT_FLOAT_EQ(v.z, -0.8f);
  sVector zero(0, 0, 0);
  zero.Normalise();
  EXPECT_EQ(zero.x, 0);
  EXPECT_EQ(zero.y, 0);
  EXPECT_EQ(zero.z, 0);

  sVector c = sVector(1, 0, 0).Cross(sVector(0, 1, 0));
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 0);
  EXPECT_EQ(c.z, 1);
  c = sVector(2, 3, 4).Cross(sVector(5, 6, 7));  // (3*7 - 4*6, 4*5 - 2*7, 2*6 - 3*5)
  EXPECT_EQ(c.x, -3);
  EXPECT_EQ(c.y, 6);
  EXPECT_EQ(c.z, -3);

  // The squared length is not rounded to single precision, where 1 + 1e-8 would be 1.
  EXPECT_GT(sVector(1, 1e-4f, 0).LengthSq(), 1.0);
  sVector d = sVector(5, 7, 9) - sVector(1, 2, 3);
  EXPECT_EQ(d.x, 4);
  EXPECT_EQ(d.y, 5);
  EXPECT_EQ(d.z, 6);
  sVector s = sVector(1, -2, 0.5f) * 4;
  EXPECT_EQ(s.x, 4);
  EXPECT_EQ(s.y, -8);
  EXPECT_EQ(s.z, 2);
}

}  // namespace
