// Vector arithmetic, the matrix product, the rigid inverse and the orthonormality test.
#include "ShapeMath.h"

#include <cmath>

namespace {

// Bounds of an axis row's squared length: the single-precision values 0.999 and 1.001.
constexpr float UNIT_LENGTH_SQ_MIN = 0.999f;
constexpr float UNIT_LENGTH_SQ_MAX = 1.001f;

bool RowHasUnitLength(const float* row) {
  double lsq = double(row[0]) * row[0] + double(row[1]) * row[1] + double(row[2]) * row[2];
  // Written so that a NaN or infinite element fails as well.
  return lsq > double(UNIT_LENGTH_SQ_MIN) && lsq < double(UNIT_LENGTH_SQ_MAX);
}

}  // namespace

sVector sVector::operator-(const sVector& o) const {
  return sVector(float(double(x) - o.x), float(double(y) - o.y), float(double(z) - o.z));
}

sVector sVector::operator*(float s) const {
  return sVector(float(double(x) * s), float(double(y) * s), float(double(z) * s));
}

double sVector::LengthSq() const {
  return double(x) * x + double(y) * y + double(z) * z;
}

sVector sVector::Cross(const sVector& b) const {
  return sVector(float(double(y) * b.z - double(z) * b.y), float(double(z) * b.x - double(x) * b.z),
                 float(double(x) * b.y - double(y) * b.x));
}

void sVector::Normalise() {
  double lsq = LengthSq();
  if (lsq == 0) return;
  double f = 1.0 / std::sqrt(lsq);
  x = float(x * f);
  y = float(y * f);
  z = float(z * f);
}

bool sVector::NearlyEqual(const sVector& o) const {
  const double tol = NEAR_TOLERANCE;
  return std::fabs(double(x) - o.x) < tol && std::fabs(double(y) - o.y) < tol &&
         std::fabs(double(z) - o.z) < tol;
}

void sVector::Max(const sVector& o) {
  if (o.x > x) x = o.x;
  if (o.y > y) y = o.y;
  if (o.z > z) z = o.z;
}

void sVector::Min(const sVector& o) {
  if (o.x < x) x = o.x;
  if (o.y < y) y = o.y;
  if (o.z < z) z = o.z;
}

sMatrix sMatrix::Identity() {
  return sMatrix{{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}};
}

sMatrix sMatrix::operator*(const sMatrix& b) const {
  const float* A = m;
  const float* B = b.m;
  sMatrix c;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      c.m[3 * i + j] = float(double(A[3 * i]) * B[j] + double(A[3 * i + 1]) * B[3 + j] +
                             double(A[3 * i + 2]) * B[6 + j]);
    }
  }
  for (int j = 0; j < 3; ++j) {
    c.m[9 + j] =
        float(double(A[9]) * B[j] + double(A[10]) * B[3 + j] + double(A[11]) * B[6 + j] + B[9 + j]);
  }
  return c;
}

void sMatrix::RigidInverse(sMatrix& out) const {
  // Built in a local so that a matrix can be inverted into itself.
  const float* M = m;
  sMatrix r;
  r.m[0] = M[0];
  r.m[1] = M[3];
  r.m[2] = M[6];
  r.m[3] = M[1];
  r.m[4] = M[4];
  r.m[5] = M[7];
  r.m[6] = M[2];
  r.m[7] = M[5];
  r.m[8] = M[8];
  r.m[9] = float(-(double(M[9]) * M[0] + double(M[10]) * M[1] + double(M[11]) * M[2]));
  r.m[10] = float(-(double(M[9]) * M[3] + double(M[10]) * M[4] + double(M[11]) * M[5]));
  r.m[11] = float(-(double(M[9]) * M[6] + double(M[10]) * M[7] + double(M[11]) * M[8]));
  out = r;
}

sVector sMatrix::TransformPoint(const sVector& p) const {
  return sVector(float(double(p.x) * m[0] + double(p.y) * m[3] + double(p.z) * m[6] + m[9]),
                 float(double(p.x) * m[1] + double(p.y) * m[4] + double(p.z) * m[7] + m[10]),
                 float(double(p.x) * m[2] + double(p.y) * m[5] + double(p.z) * m[8] + m[11]));
}

bool sMatrix::IsOrthoNormal() const {
  if (!RowHasUnitLength(m) || !RowHasUnitLength(m + 3) || !RowHasUnitLength(m + 6)) return false;
  sVector r0(m[0], m[1], m[2]), r1(m[3], m[4], m[5]), r2(m[6], m[7], m[8]);
  sVector d = r0.Cross(r1) - r2;
  // Written so that a NaN component fails: a NaN frame would poison every matrix of the file.
  auto small = [](float v) { return v > -NEAR_TOLERANCE && v < NEAR_TOLERANCE; };
  return small(d.x) && small(d.y) && small(d.z);
}
