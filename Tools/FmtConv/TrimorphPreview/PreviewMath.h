// Vectors and frames of the preview, in double precision and in the shape file's axes (x, then
// y up, then z; a left-handed frame, since the file writes a right-handed model's y and z
// exchanged).
#ifndef TRIMORPH_PREVIEW_PREVIEWMATH_H
#define TRIMORPH_PREVIEW_PREVIEWMATH_H

#include <cmath>

namespace preview {

struct Vec3d {
  double x = 0, y = 0, z = 0;
};

inline Vec3d operator+(Vec3d a, Vec3d b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3d operator-(Vec3d a, Vec3d b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3d operator*(Vec3d a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(Vec3d a, Vec3d b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
// The plain cross product of the components: in the file's left-handed axes Cross(up, ahead)
// points to the right.
inline Vec3d Cross(Vec3d a, Vec3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Vec3d Normalized(Vec3d a) {
  double n = std::sqrt(Dot(a, a));
  return n > 0 ? a * (1 / n) : Vec3d{};
}
inline bool Finite(Vec3d a) {
  return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// A frame as the shape file's matrices hold it: the rows of the x, y and z axes, then the
// translation. Points are row vectors: p maps to p.x * axis[0] + p.y * axis[1] + p.z * axis[2]
// + origin.
struct Frame {
  Vec3d axis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3d origin;

  Vec3d Point(Vec3d p) const { return axis[0] * p.x + axis[1] * p.y + axis[2] * p.z + origin; }
  Vec3d Direction(Vec3d d) const { return axis[0] * d.x + axis[1] * d.y + axis[2] * d.z; }
};

// The frame that applies `inner` first, then `outer`: a node's frame relative to its parent
// followed by the parent's frame.
inline Frame Then(const Frame& inner, const Frame& outer) {
  Frame f;
  for (int i = 0; i < 3; ++i) f.axis[i] = outer.Direction(inner.axis[i]);
  f.origin = outer.Point(inner.origin);
  return f;
}

// The axes that carry a frame's normals: the cofactors of its axes (the inverse transposed, up
// to a positive factor), so that normals stay perpendicular to surfaces under any invertible
// frame, mirrored ones included. Normals mapped with it need normalizing.
inline Frame NormalAxes(const Frame& f) {
  Frame n;
  n.axis[0] = Cross(f.axis[1], f.axis[2]);
  n.axis[1] = Cross(f.axis[2], f.axis[0]);
  n.axis[2] = Cross(f.axis[0], f.axis[1]);
  if (Dot(f.axis[0], n.axis[0]) < 0) {
    for (Vec3d& a : n.axis) a = a * -1;
  }
  return n;
}

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_PREVIEWMATH_H
