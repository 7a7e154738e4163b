// The camera of each view, fitted to the shape's bounding sphere.
#include "Camera.h"

#include <algorithm>
#include <cmath>

namespace preview {

namespace {

const double PI = 3.14159265358979323846;
const double FIELD_OF_VIEW = 30 * PI / 180;  // vertical, for a viewport wider than high
// How much room is left around the sphere, as a share of the viewport.
const double MARGIN = 1.04;

}  // namespace

bool Camera::Project(Vec3d p, double& x, double& y) const {
  const Vec3d c = Clip(p);
  if (!(c.z >= nearDepth)) return false;
  x = viewport.x + viewport.width * 0.5 + c.x / c.z;
  y = viewport.y + viewport.height * 0.5 + c.y / c.z;
  return true;
}

Camera MakeCamera(View view, const Bounds& bounds, Viewport viewport) {
  // Towards the camera from the sphere's centre, and the direction that is up on the screen.
  Vec3d toEye, upHint{0, 1, 0};
  const double elevation = 30 * PI / 180, half = std::sqrt(0.5);
  switch (view) {
    case View::THREE_QUARTER:
      toEye = {std::cos(elevation) * half, std::sin(elevation), std::cos(elevation) * half};
      break;
    case View::FRONT:
      toEye = {1, 0, 0};
      break;
    case View::SIDE:
      toEye = {0, 0, 1};
      break;
    case View::TOP:
      toEye = {0, 1, 0};
      upHint = {0, 0, -1};  // the left side at the bottom: the side view tipped forward
      break;
  }
  Camera c;
  c.viewport = viewport;
  c.ahead = toEye * -1;
  // The file's axes are left-handed: up x ahead points to the right.
  c.right = Normalized(Cross(upHint, c.ahead));
  c.up = Cross(c.ahead, c.right);

  // The sphere fits the narrower side of the viewport: at distance d it spans an angle of
  // 2 asin(1 / d) (in units of its radius).
  const int narrow = std::max(1, std::min(viewport.width, viewport.height));
  const double halfAngle =
      viewport.width >= viewport.height
          ? FIELD_OF_VIEW / 2
          : std::atan(std::tan(FIELD_OF_VIEW / 2) * viewport.width / std::max(1, viewport.height));
  const double distance = MARGIN / std::sin(halfAngle);
  const double radius = bounds.empty ? 1 : bounds.radius;
  c.unitsPerRadius = 1 / radius;
  c.eye = (bounds.empty ? Vec3d{} : bounds.centre) + toEye * (distance * radius);
  c.focal = narrow * 0.5 / std::tan(halfAngle);
  // Everything drawn lies inside the sphere, at depths from distance - 1 to distance + 1.
  c.nearDepth = (distance - 1) * 0.5;
  c.guard = 2.0 * std::max(viewport.width, viewport.height) + 64;
  return c;
}

}  // namespace preview
