// Drawing a distance level: node frames to clip coordinates, vertices lit once per node, then
// the triangle lists in pass order.
#include "RenderPanel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Placement.h"
#include "Rasterizer.h"

namespace preview {

namespace {

// The light, in the camera's axes (right, up, ahead): from behind the viewer, above and a
// little to the left, so that in the three-quarter view a box shows its top brightest, its
// front end next and its side darkest; and the half-way vector between the light and the
// direction to the viewer.
const Vec3d LIGHT = Normalized({-0.2, 0.5, -0.85});
const Vec3d HALF_WAY = Normalized(LIGHT + Vec3d{0, 0, -1});

// How a node's points and normals reach the camera: points to clip coordinates, normals to
// the camera's axes.
struct NodeView {
  Frame toClip;
  Frame normalToCamera;  // not normalized
};

NodeView ViewOf(const Frame& world, const Camera& camera) {
  const Vec3d clipRows[3] = {camera.right * (camera.focal * camera.unitsPerRadius),
                             camera.up * (-camera.focal * camera.unitsPerRadius),
                             camera.ahead * camera.unitsPerRadius};
  const Vec3d cameraRows[3] = {camera.right, camera.up, camera.ahead};
  const Frame normals = NormalAxes(world);
  const Vec3d fromEye = world.origin - camera.eye;
  NodeView view;
  for (int i = 0; i < 3; ++i) {
    view.toClip.axis[i] = {Dot(clipRows[0], world.axis[i]), Dot(clipRows[1], world.axis[i]),
                           Dot(clipRows[2], world.axis[i])};
    view.normalToCamera.axis[i] = {Dot(cameraRows[0], normals.axis[i]),
                                   Dot(cameraRows[1], normals.axis[i]),
                                   Dot(cameraRows[2], normals.axis[i])};
  }
  view.toClip.origin = {Dot(clipRows[0], fromEye), Dot(clipRows[1], fromEye),
                        Dot(clipRows[2], fromEye)};
  return view;
}

// A vertex placed for the panel: its clip coordinates (w not a number when it cannot be
// placed) and the cosines of its normal, turned towards the viewer, with the light and the
// half-way vector.
struct PlacedVertex {
  float x, y, w, toLight, toHalf;
};

// The vertices of the current sub-object placed so far, each with the node that placed it, so
// that a vertex shared by many triangles is placed once. Starting a sub-object forgets the
// previous one at no cost.
class VertexCache {
 public:
  void Begin(size_t vertices) {
    if (stamp_.size() < vertices) {
      stamp_.resize(vertices, 0);
      matrix_.resize(vertices);
      placed_.resize(vertices);
    }
    if (++epoch_ == 0) {
      std::fill(stamp_.begin(), stamp_.end(), 0);
      epoch_ = 1;
    }
  }
  // The vertex placed by the matrix, or null.
  PlacedVertex* Find(size_t v, int matrix) {
    return stamp_[v] == epoch_ && matrix_[v] == matrix ? &placed_[v] : nullptr;
  }
  PlacedVertex& Store(size_t v, int matrix) {
    stamp_[v] = epoch_;
    matrix_[v] = matrix;
    return placed_[v];
  }

 private:
  std::vector<unsigned> stamp_;
  std::vector<int> matrix_;
  std::vector<PlacedVertex> placed_;
  unsigned epoch_ = 0;
};

PlacedVertex Place(const shapefile::Shape& shape, const shapefile::Vertex& vertex,
                   const NodeView& view, double focal) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  if (vertex.point < 0 || size_t(vertex.point) >= shape.points.size()) {
    return {nan, nan, nan, 0, 0};
  }
  const shapefile::Vec3& p = shape.points[size_t(vertex.point)];
  const Vec3d clip = view.toClip.Point({p.x, p.y, p.z});
  PlacedVertex placed{float(clip.x), float(clip.y), float(clip.z), 0, 0};
  if (vertex.normal < 0 || size_t(vertex.normal) >= shape.normals.size()) return placed;
  const shapefile::Vec3& n = shape.normals[size_t(vertex.normal)];
  Vec3d normal = Normalized(view.normalToCamera.Direction({n.x, n.y, n.z}));
  // Both sides of a surface are lit: a normal facing away from the viewer is turned round.
  const Vec3d fromEye{clip.x / focal, -clip.y / focal, clip.z};
  if (Dot(normal, fromEye) > 0) normal = normal * -1;
  placed.toLight = float(std::max(0.0, Dot(normal, LIGHT)));
  placed.toHalf = float(std::max(0.0, Dot(normal, HALF_WAY)));
  if (!std::isfinite(placed.toLight) || !std::isfinite(placed.toHalf)) {
    placed.toLight = placed.toHalf = 0;
  }
  return placed;
}

struct PanelDrawer {
  const shapefile::Shape& shape;
  const Camera& camera;
  const std::vector<NodeView>& views;
  VertexCache& cache;
  Rasterizer& raster;

  void List(const shapefile::SubObject& sub, const shapefile::TriList& list, int matrix,
            const MaterialLook& look) {
    const NodeView& view = views[size_t(matrix)];
    const size_t vertices = sub.vertices.size();
    const size_t indices = list.vertexIdxs.size() / 3 * 3;
    ClipVertex corner[3];
    for (size_t t = 0; t < indices; t += 3) {
      bool usable = true;
      for (int k = 0; k < 3; ++k) {
        const int v = list.vertexIdxs[t + size_t(k)];
        if (v < 0 || size_t(v) >= vertices) {
          usable = false;
          break;
        }
        const PlacedVertex* placed = cache.Find(size_t(v), matrix);
        if (!placed) {
          PlacedVertex& slot = cache.Store(size_t(v), matrix);
          slot = Place(shape, sub.vertices[size_t(v)], view, camera.focal);
          placed = &slot;
        }
        corner[k].x = placed->x;
        corner[k].y = placed->y;
        corner[k].w = placed->w;
        Shade(look, placed->toLight, placed->toHalf, corner[k].colour);
      }
      if (usable) raster.Triangle(corner[0], corner[1], corner[2], look.opacity);
    }
  }
};

}  // namespace

PanelCounts RenderPanel(const shapefile::Shape& shape, const shapefile::DistanceLevel& level,
                        const Camera& camera, Image& image) {
  const LevelPlacement placement(shape, level);
  std::vector<NodeView> views(shape.matrices.size());
  for (size_t m = 0; m < views.size(); ++m) {
    if (placement.Drawn(int(m))) views[m] = ViewOf(placement.World(int(m)), camera);
  }
  std::vector<MaterialLook> looks;
  looks.reserve(shape.primStates.size());
  for (const shapefile::PrimState& state : shape.primStates) looks.push_back(LookOf(shape, state));

  Rasterizer raster(image, camera);
  VertexCache cache;
  PanelDrawer draw{shape, camera, views, cache, raster};
  PanelCounts counts;

  struct Deferred {
    size_t primState, sub, list;
    int matrix;
  };
  std::vector<Deferred> blended;
  size_t currentSub = level.subObjects.size();
  for (size_t s = 0; s < level.subObjects.size(); ++s) {
    const shapefile::SubObject& sub = level.subObjects[s];
    for (size_t l = 0; l < sub.triLists.size(); ++l) {
      const shapefile::TriList& list = sub.triLists[l];
      const int matrix = TriListMatrix(shape, list);
      if (!placement.Drawn(matrix)) continue;
      const size_t primState = size_t(list.primState);
      const MaterialLook& look = looks[primState];
      counts.triangles += list.Triangles();
      counts.kinds[size_t(look.kind)] = true;
      if (look.kind == MaterialKind::BLENDED) {
        blended.push_back({primState, s, l, matrix});
        continue;
      }
      if (s != currentSub) {
        cache.Begin(sub.vertices.size());
        currentSub = s;
      }
      draw.List(sub, list, matrix, look);
    }
  }

  std::stable_sort(blended.begin(), blended.end(),
                   [](const Deferred& a, const Deferred& b) { return a.primState < b.primState; });
  currentSub = level.subObjects.size();
  for (const Deferred& d : blended) {
    const shapefile::SubObject& sub = level.subObjects[d.sub];
    if (d.sub != currentSub) {
      cache.Begin(sub.vertices.size());
      currentSub = d.sub;
    }
    draw.List(sub, sub.triLists[d.list], d.matrix, looks[d.primState]);
  }
  return counts;
}

}  // namespace preview
