// Vectors and 4x3 transforms of the shape model.
//
// Every operation reads single-precision inputs, carries its products and sums in double
// precision and rounds to single precision once, when it stores a result element. Matrices are
// rows of the x, y and z axes and the translation; points are row vectors, so the product A*B
// applies A first.
#ifndef TRIMORPH_SHAPEMATH_H
#define TRIMORPH_SHAPEMATH_H

// The tolerance of near comparisons: the single-precision value nearest 0.001.
constexpr float NEAR_TOLERANCE = 0.001f;

struct sVector {
  float x = 0, y = 0, z = 0;

  sVector() = default;
  sVector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

  sVector operator-(const sVector& other) const;
  sVector operator*(float s) const;
  // x*x + y*y + z*z, unrounded.
  double LengthSq() const;
  sVector Cross(const sVector& other) const;
  // Scales to unit length in place; a zero-length vector stays as it is.
  void Normalise();
  // Every component differs by strictly less than NEAR_TOLERANCE (unrounded); NaN never does.
  bool NearlyEqual(const sVector& other) const;
  // Component-wise maximum / minimum in place: a component is replaced only when the other's
  // is strictly greater / smaller, so a NaN in the other leaves it unchanged.
  void Max(const sVector& other);
  void Min(const sVector& other);
};

struct sMatrix {
  float m[12];

  static sMatrix Identity();
  // The transform that applies this matrix first and then b.
  sMatrix operator*(const sMatrix& b) const;
  // Inverse of a rotation-plus-translation matrix, written into r.
  void RigidInverse(sMatrix& r) const;
  sVector TransformPoint(const sVector& p) const;
  // True when the axis rows have unit length and form a right-handed frame.
  bool IsOrthoNormal() const;
};

#endif  // TRIMORPH_SHAPEMATH_H
