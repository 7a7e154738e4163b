// The picture of one distance level: every triangle of the nodes drawn in the level, placed
// by their frames, lit by one light plus ambient light with the vertices' own normals, in the
// colours of MaterialLook.h. Opaque and alpha-tested triangles come first, in file order;
// blended ones follow in the order of their prim states (their passes), each list in file
// order.
#ifndef TRIMORPH_PREVIEW_RENDERPANEL_H
#define TRIMORPH_PREVIEW_RENDERPANEL_H

#include <array>

#include "Camera.h"
#include "Image.h"
#include "MaterialLook.h"
#include "ShapeModel.h"

namespace preview {

struct PanelCounts {
  long triangles = 0;                        // of the nodes drawn in the level
  std::array<bool, MATERIAL_KINDS> kinds{};  // the kinds of material of those triangles
};

// Draws the level into the camera's viewport of the image, over what is there. The shape must
// be sound (CheckShape finds no problem); an index out of range drops what it belongs to.
PanelCounts RenderPanel(const shapefile::Shape& shape, const shapefile::DistanceLevel& level,
                        const Camera& camera, Image& image);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_RENDERPANEL_H
