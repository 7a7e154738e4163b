// Node frames of a distance level and the bounds of the shape.
#include "Placement.h"

#include <algorithm>
#include <limits>

namespace preview {

namespace {

Frame MatrixFrame(const shapefile::Matrix& m) {
  Frame f;
  for (int i = 0; i < 4; ++i) {
    Vec3d v{m.m[3 * i], m.m[3 * i + 1], m.m[3 * i + 2]};
    if (i < 3) {
      f.axis[i] = v;
    } else {
      f.origin = v;
    }
  }
  return f;
}

}  // namespace

LevelPlacement::LevelPlacement(const shapefile::Shape& shape,
                               const shapefile::DistanceLevel& level) {
  const size_t n = shape.matrices.size();
  world_.resize(n);
  drawn_.assign(n, 0);
  // Each node is settled once: walk up from it to a settled node, a root or an absent node,
  // then settle the walk from the top down.
  enum : char { UNKNOWN, ON_WALK, SETTLED };
  std::vector<char> state(n, UNKNOWN);
  std::vector<size_t> walk;
  for (size_t start = 0; start < n; ++start) {
    if (state[start] == SETTLED) continue;
    walk.clear();
    size_t i = start;
    bool placed = false;      // the walk ends at a root or at a drawn node
    bool fromParent = false;  // ... at a drawn node, whose frame the top of the walk follows
    for (;;) {
      state[i] = ON_WALK;
      walk.push_back(i);
      int parent = i < level.hierarchy.size() ? level.hierarchy[i] : -2;
      if (parent == -1) {
        placed = true;
        break;
      }
      if (parent < 0 || size_t(parent) >= n || state[size_t(parent)] == ON_WALK) break;
      if (state[size_t(parent)] == SETTLED) {
        placed = drawn_[size_t(parent)] != 0;
        fromParent = true;
        break;
      }
      i = size_t(parent);
    }
    for (size_t k = walk.size(); k-- > 0;) {
      const size_t node = walk[k];
      state[node] = SETTLED;
      if (!placed) continue;
      drawn_[node] = 1;
      const Frame own = MatrixFrame(shape.matrices[node]);
      if (k + 1 < walk.size()) {
        world_[node] = Then(own, world_[walk[k + 1]]);
      } else if (fromParent) {
        world_[node] = Then(own, world_[size_t(level.hierarchy[node])]);
      } else {
        world_[node] = own;
      }
    }
  }
}

int TriListMatrix(const shapefile::Shape& shape, const shapefile::TriList& list) {
  if (list.primState < 0 || size_t(list.primState) >= shape.primStates.size()) return -1;
  const int vs = shape.primStates[size_t(list.primState)].vtxState;
  if (vs < 0 || size_t(vs) >= shape.vtxStates.size()) return -1;
  return shape.vtxStates[size_t(vs)].matrix;
}

Bounds ShapeBounds(const shapefile::Shape& shape) {
  const double inf = std::numeric_limits<double>::infinity();
  Vec3d lo{inf, inf, inf}, hi{-inf, -inf, -inf};
  bool any = false;
  std::vector<int> seenWith;  // per vertex of a sub-object: the matrix it was placed by
  for (const shapefile::DistanceLevel& level : shape.distanceLevels) {
    const LevelPlacement placement(shape, level);
    for (const shapefile::SubObject& sub : level.subObjects) {
      seenWith.assign(sub.vertices.size(), -1);
      for (const shapefile::TriList& list : sub.triLists) {
        const int m = TriListMatrix(shape, list);
        if (!placement.Drawn(m)) continue;
        const Frame& frame = placement.World(m);
        for (int v : list.vertexIdxs) {
          if (v < 0 || size_t(v) >= sub.vertices.size() || seenWith[size_t(v)] == m) continue;
          seenWith[size_t(v)] = m;
          const int p = sub.vertices[size_t(v)].point;
          if (p < 0 || size_t(p) >= shape.points.size()) continue;
          const shapefile::Vec3& sp = shape.points[size_t(p)];
          const Vec3d w = frame.Point({sp.x, sp.y, sp.z});
          if (!Finite(w)) continue;
          any = true;
          lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
          hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
        }
      }
    }
  }
  Bounds b;
  if (!any) return b;
  b.empty = false;
  // Halves first, so that a box across the whole range of doubles does not overflow.
  b.centre = lo * 0.5 + hi * 0.5;
  const Vec3d half = hi * 0.5 - lo * 0.5;
  b.radius = std::sqrt(Dot(half, half));
  if (!Finite(b.centre) || !std::isfinite(b.radius)) {
    b.centre = {};
    b.radius = 1;
  } else if (!(b.radius > 0)) {
    b.radius = 1;
  }
  return b;
}

}  // namespace preview
