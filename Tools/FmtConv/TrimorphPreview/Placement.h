// Where the geometry of a shape stands: the frame of each node in a distance level, composed up
// the level's hierarchy, and the sphere around everything that some level draws.
#ifndef TRIMORPH_PREVIEW_PLACEMENT_H
#define TRIMORPH_PREVIEW_PLACEMENT_H

#include <vector>

#include "PreviewMath.h"
#include "ShapeModel.h"

namespace preview {

// The nodes (matrices) of one distance level. A node is drawn when it and every node above it
// are present in the level: a node marked absent (-2), a node under an absent one, and a node
// whose hierarchy entry is missing, out of range or part of a loop are not drawn.
class LevelPlacement {
 public:
  LevelPlacement(const shapefile::Shape& shape, const shapefile::DistanceLevel& level);

  bool Drawn(int matrix) const {
    return matrix >= 0 && size_t(matrix) < drawn_.size() && drawn_[size_t(matrix)];
  }
  // The node's frame in the shape's space (the frame of its matrix followed by those of its
  // parents); only for a drawn node.
  const Frame& World(int matrix) const { return world_[size_t(matrix)]; }

 private:
  std::vector<Frame> world_;
  std::vector<char> drawn_;
};

// The matrix whose node holds a triangle list: that of its prim state's vertex state; -1 when
// an index on the way is out of range.
int TriListMatrix(const shapefile::Shape& shape, const shapefile::TriList& list);

struct Bounds {
  Vec3d centre;
  double radius = 0;
  bool empty = true;  // no level draws a point
};

// The sphere around every point that some distance level draws (a vertex of a triangle of a
// drawn node), from the box of those points. Points whose place is not finite are left out; a
// box too large to measure gives the sphere of radius 1 about the origin, and a single point a
// sphere of radius 1 about it.
Bounds ShapeBounds(const shapefile::Shape& shape);

}  // namespace preview

#endif  // TRIMORPH_PREVIEW_PLACEMENT_H
