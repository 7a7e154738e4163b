// The rasteriser: triangles in clip coordinates (Camera.h), cut at the near plane and at a
// guard band around the viewport, filled with a depth buffer and colours interpolated from
// their corners.
//
// Corners are placed on a grid of 1/256 pixel and pixels are covered by their centres with the
// top-left rule, so that triangles sharing an edge cover each pixel along it once: a blended
// surface shows no seams. Any corner that is not finite drops its triangle, and no loop runs
// beyond the viewport, whatever the coordinates.
#ifndef TRIMORPH_PREVIEW_RASTERIZER_H
#define TRIMORPH_PREVIEW_RASTERIZER_H

#include <vector>

#include "Camera.h"
#include "Image.h"

namespace preview {

// A triangle's corner: clip coordinates and colour (0 to 255).
struct ClipVertex {
  double x = 0, y = 0, w = 0;
  float colour[3] = {};
};

class Rasterizer {
 public:
  // Draws into the camera's viewport of the image (as far as it lies inside the image).
  Rasterizer(Image& image, const Camera& camera);

  // An opaque triangle (opacity 1) is drawn where it is nearer than what is there and becomes
  // what is there; a translucent one is mixed over what is there where it is nearer, and
  // leaves the depth as it was.
  void Triangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, float opacity);

 private:
  struct Corner {
    long long x, y;  // in 1/256 pixel, in the image
    double invDepth;
    float colour[3];
  };
  void Polygon(const ClipVertex* v, int n, float opacity);
  void Fill(Corner a, Corner b, Corner c, float opacity);

  Image& image_;
  Viewport viewport_;
  double centreX_, centreY_, near_, guard_;
  std::vector<float> depth_;  // per viewport pixel: 1 / depth of what is there, 0 for nothing
};

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_RASTERIZER_H
