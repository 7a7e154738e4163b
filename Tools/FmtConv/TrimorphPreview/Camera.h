// The camera of the preview: where it stands for each view, and how it maps the shape's space
// to a panel's pixels.
//
// The views name the sides of the model as the project's models are built: the length along x
// with the front at +x, y up, the model's left side at +z (its right-handed model's +y). Every
// view looks at the centre of the shape's bounding sphere from far enough away that the whole
// sphere fits the viewport, with a vertical field of view of 30 degrees:
//   three-quarter  from the front-left and above (30 degrees up, half way between +x and +z)
//   front          from +x, level
//   side           from +z (the left side), level
//   top            from above, the front to the left as in the side view
#ifndef TRIMORPH_PREVIEW_CAMERA_H
#define TRIMORPH_PREVIEW_CAMERA_H

#include "Placement.h"
#include "PreviewMath.h"

namespace preview {

enum class View { THREE_QUARTER, FRONT, SIDE, TOP };

// The part of an image that a panel's picture of the shape fills.
struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
};

// Maps a point of the shape's space to clip coordinates (X, Y, W): W is the depth along the
// view direction in units of the bounding sphere's radius, and X / W, Y / W are pixels to the
// right of and below the viewport's centre.
struct Camera {
  Vec3d eye;                  // in the shape's space
  Vec3d right, up, ahead;     // unit vectors in the shape's space
  double unitsPerRadius = 1;  // 1 / the sphere's radius
  double focal = 1;           // pixels per unit of X / W at depth 1
  double nearDepth = 0.01;    // nearer than this is cut off
  double guard = 0;           // farther than this many pixels from the centre is cut off
  Viewport viewport;

  // The clip coordinates of a point of the shape's space.
  Vec3d Clip(Vec3d p) const {
    const Vec3d v = (p - eye) * unitsPerRadius;
    return {focal * Dot(v, right), -focal * Dot(v, up), Dot(v, ahead)};
  }
  // Where a point lands in the image, in pixels (centres at .5); false when it is behind the
  // near plane.
  bool Project(Vec3d p, double& x, double& y) const;
};

Camera MakeCamera(View view, const Bounds& bounds, Viewport viewport);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_CAMERA_H
