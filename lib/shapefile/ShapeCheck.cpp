// Checks of a loaded shape: indices, entry counts and the geometry sums; Trimorph's layout.
#include "ShapeCheck.h"

#include <map>
#include <string>

namespace shapefile {

namespace {

bool In(long index, size_t size) {
  return index >= 0 && size_t(index) < size;
}

// "point 400 of vertex is out of range (40 points)"
void Range(Problems& p, Line line, const char* what, long index, size_t size, const char* pool) {
  if (!In(index, size)) {
    p.Add(line, what, " ", index, " is out of range (", size, " ", pool, ")");
  }
}

// The indices of a long list, reported once for the list: how many are out of range, and the
// first of them.
void RangeOfList(Problems& p, Line line, const char* what, const std::vector<int>& indices,
                 size_t size, const char* pool) {
  size_t bad = 0;
  int first = 0;
  for (int i : indices) {
    if (!In(i, size)) {
      if (!bad) first = i;
      ++bad;
    }
  }
  if (bad == 1) {
    p.Add(line, what, " ", first, " is out of range (", size, " ", pool, ")");
  } else if (bad) {
    p.Add(line, what, ": ", bad, " indices are out of range (", size, " ", pool, "), the first is ",
          first);
  }
}

std::string MatrixName(const Shape& s, long m) {
  std::string name = "matrix " + std::to_string(m);
  if (In(m, s.matrices.size())) name += " " + s.matrices[size_t(m)].name;
  return name;
}

// "1 triangle list", "5 triangle lists"
std::string Counted(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void CheckHierarchy(const Shape& s, const DistanceLevel& level, Problems& p) {
  const size_t matrices = s.matrices.size();
  const std::vector<int>& h = level.hierarchy;
  if (h.size() != matrices) {
    p.Add(level.hierarchyLine, "hierarchy has ", Counted(long(h.size()), "entry", "entries"),
          " but the shape has ", Counted(long(matrices), "matrix", "matrices"));
  }
  for (size_t i = 0; i < h.size(); ++i) {
    if (h[i] == -1 || h[i] == -2) continue;
    if (!In(h[i], matrices)) {
      p.Add(level.hierarchyLine, "hierarchy: the parent ", h[i], " of matrix ", i,
            " is out of range (", matrices, " matrices; -1 for a root, -2 for an absent one)");
    }
  }
  // A matrix may not be its own ancestor: walk up from each one, marking the walk.
  enum : char { NEW, ON_WALK, DONE };
  std::vector<char> state(h.size(), NEW);
  std::vector<size_t> walk;
  for (size_t start = 0; start < h.size(); ++start) {
    size_t i = start;
    walk.clear();
    while (state[i] == NEW) {
      state[i] = ON_WALK;
      walk.push_back(i);
      int parent = h[i];
      if (parent < 0 || size_t(parent) >= h.size() || size_t(parent) >= matrices) break;
      i = size_t(parent);
      if (state[i] == ON_WALK) {
        p.Add(level.hierarchyLine, "hierarchy: ", MatrixName(s, long(i)), " is its own ancestor");
        break;
      }
    }
    for (size_t w : walk) state[w] = DONE;
  }
}

// The triangle lists and vertex sets of one matrix in a sub-object.
struct MatrixGeometry {
  long triLists = 0, triangles = 0, indices = 0, vertexSets = 0;
};

void CheckGeometrySums(const Shape& s, const SubObject& sub, Problems& p) {
  if (sub.otherPrimitives || !sub.complete) return;
  long triangles = 0, indices = 0;
  for (const TriList& t : sub.triLists) {
    triangles += t.Triangles();
    indices += long(t.vertexIdxs.size());
  }
  if (sub.geometryInfo.size() >= 7) {
    const Line line = sub.geometryInfoLine;
    if (sub.InfoTriangles() != triangles) {
      p.Add(line, "geometry_info triangle count is ", sub.InfoTriangles(),
            " but the triangle lists hold ", Counted(triangles, "triangle", "triangles"));
    }
    if (sub.InfoVertexSets() != long(sub.vertexSets.size())) {
      p.Add(line, "geometry_info vertex set count is ", sub.InfoVertexSets(),
            " but the sub-object has ",
            Counted(long(sub.vertexSets.size()), "vertex set", "vertex sets"));
    }
    if (sub.InfoIndices() != indices) {
      p.Add(line, "geometry_info vertex index count is ", sub.InfoIndices(),
            " but the triangle lists hold ", Counted(indices, "vertex index", "vertex indices"));
    }
    if (sub.InfoTriLists() != long(sub.triLists.size())) {
      p.Add(line, "geometry_info triangle list count is ", sub.InfoTriLists(),
            " but the sub-object has ",
            Counted(long(sub.triLists.size()), "triangle list", "triangle lists"));
    }
  }

  // The map: one entry per matrix, each a geometry node of its own or -1.
  const size_t matrices = s.matrices.size();
  const size_t nodes = sub.geometryNodes.size();
  if (sub.nodeMap.size() != matrices) {
    p.Add(sub.nodeMapLine, "geometry_node_map has ",
          Counted(long(sub.nodeMap.size()), "entry", "entries"), " but the shape has ",
          Counted(long(matrices), "matrix", "matrices"));
  }
  std::vector<long> mappedFrom(nodes, -1);
  bool mapSound = true;
  for (size_t m = 0; m < sub.nodeMap.size(); ++m) {
    int g = sub.nodeMap[m];
    if (g == -1) continue;
    if (!In(g, nodes)) {
      p.Add(sub.nodeMapLine, "geometry_node_map: the geometry node ", g, " of ",
            MatrixName(s, long(m)), " is out of range (", nodes, " geometry nodes)");
      mapSound = false;
    } else if (mappedFrom[size_t(g)] >= 0) {
      p.Add(sub.nodeMapLine, "geometry_node_map: geometry node ", g, " is given to matrices ",
            mappedFrom[size_t(g)], " and ", m);
      mapSound = false;
    } else {
      mappedFrom[size_t(g)] = long(m);
    }
  }
  for (size_t g = 0; g < nodes; ++g) {
    if (mappedFrom[g] < 0 && mapSound) {
      p.Add(sub.geometryNodes[g].line, "geometry node ", g,
            " belongs to no matrix of geometry_node_map");
    }
  }

  // What each matrix has, when every state on the way can be followed.
  std::map<long, MatrixGeometry> perMatrix;
  for (const TriList& t : sub.triLists) {
    if (!In(t.primState, s.primStates.size())) return;
    int vs = s.primStates[size_t(t.primState)].vtxState;
    if (!In(vs, s.vtxStates.size())) return;
    MatrixGeometry& g = perMatrix[s.vtxStates[size_t(vs)].matrix];
    ++g.triLists;
    g.triangles += t.Triangles();
    g.indices += long(t.vertexIdxs.size());
  }
  for (const VertexSet& v : sub.vertexSets) {
    if (!In(v.vtxState, s.vtxStates.size())) return;
    ++perMatrix[s.vtxStates[size_t(v.vtxState)].matrix].vertexSets;
  }
  for (const auto& [m, g] : perMatrix) {
    if (!In(m, sub.nodeMap.size()) || sub.nodeMap[size_t(m)] == -1) {
      p.Add(sub.nodeMapLine, MatrixName(s, m), " has ",
            g.triLists ? "triangle lists" : "vertex sets",
            " in this sub-object but no geometry node in geometry_node_map");
    }
  }
  if (!mapSound) return;
  for (size_t m = 0; m < sub.nodeMap.size(); ++m) {
    int gi = sub.nodeMap[m];
    if (gi < 0) continue;
    const GeometryNode& node = sub.geometryNodes[size_t(gi)];
    auto found = perMatrix.find(long(m));
    const MatrixGeometry want = found == perMatrix.end() ? MatrixGeometry() : found->second;
    if (node.cullableTriLists != want.triLists || node.cullableTriangles != want.triangles ||
        node.cullableIndices != want.indices) {
      p.Add(node.cullableLine, "cullable_prims of geometry node ", gi, " (", MatrixName(s, long(m)),
            ") is ", node.cullableTriLists, " ", node.cullableTriangles, " ", node.cullableIndices,
            " but the matrix's triangle lists give ", want.triLists, " ", want.triangles, " ",
            want.indices);
    }
    if (node.vertexSets != want.vertexSets) {
      p.Add(node.line, "geometry node ", gi, " (", MatrixName(s, long(m)), ") counts ",
            Counted(node.vertexSets, "vertex set", "vertex sets"), " but the matrix has ",
            want.vertexSets);
    }
  }
}

void CheckSubObject(const Shape& s, const SubObject& sub, Problems& p) {
  if (sub.sortVector != -1) {
    Range(p, sub.headerLine, "sort vector", sub.sortVector, s.sortVectors.size(), "sort vectors");
  }
  if (sub.volume != -1) Range(p, sub.headerLine, "volume", sub.volume, s.volumes.size(), "volumes");
  RangeOfList(p, sub.shadersLine, "subobject_shaders: shader", sub.shaders, s.shaders.size(),
              "shaders");
  RangeOfList(p, sub.lightCfgsLine, "subobject_light_cfgs: light model configuration",
              sub.lightCfgs, s.lightModelCfgs.size(), "light model configurations");

  for (const Vertex& v : sub.vertices) {
    Range(p, v.line, "vertex: point", v.point, s.points.size(), "points");
    Range(p, v.line, "vertex: normal", v.normal, s.normals.size(), "normals");
    for (uint32_t u = 0; u < v.uvCount; ++u) {
      Range(p, v.uvsLine, "vertex_uvs: uv point", sub.uvs[v.uvBegin + u], s.uvPoints.size(),
            "uv points");
    }
  }
  const size_t vertices = sub.vertices.size();
  for (const VertexSet& v : sub.vertexSets) {
    Range(p, v.line, "vertex_set: vertex state", v.vtxState, s.vtxStates.size(), "vertex states");
    if (v.first < 0 || v.count < 0 || long(v.first) + v.count > long(vertices)) {
      p.Add(v.line, "vertex_set: ", v.count, " vertices from vertex ", v.first,
            " do not lie within the ", vertices, " vertices");
    }
  }
  for (const PrimStateIdx& i : sub.primStateIdxs) {
    Range(p, i.line, "prim_state_idx", i.primState, s.primStates.size(), "prim states");
  }
  for (const TriList& t : sub.triLists) {
    if (t.primState == -1 && t.primStateLine == 0) {
      p.Add(t.line, "indexed_trilist without a prim_state_idx before it");
    }
    if (t.vertexIdxs.size() % 3) {
      p.Add(t.vertexIdxsLine, "vertex_idxs has ",
            Counted(long(t.vertexIdxs.size()), "entry", "entries"), ", not three per triangle");
    }
    RangeOfList(p, t.vertexIdxsLine, "vertex_idxs: vertex", t.vertexIdxs, vertices, "vertices");
    const size_t triangles = t.vertexIdxs.size() / 3;
    if (t.normalIdxs.size() != triangles) {
      p.Add(t.normalIdxsLine, "normal_idxs has ",
            Counted(long(t.normalIdxs.size()), "entry", "entries"), " but the list has ",
            Counted(long(triangles), "triangle", "triangles"));
    }
    RangeOfList(p, t.normalIdxsLine, "normal_idxs: normal", t.normalIdxs, s.normals.size(),
                "normals");
    if (size_t(t.flagsCount) != triangles) {
      p.Add(t.flagsLine, "flags has ", Counted(t.flagsCount, "entry", "entries"),
            " but the list has ", Counted(long(triangles), "triangle", "triangles"));
    }
  }
  CheckGeometrySums(s, sub, p);
}

}  // namespace

void CheckShape(const Shape& s, Problems& p) {
  for (const Texture& t : s.textures) {
    Range(p, t.line, "texture: image", t.image, s.images.size(), "images");
  }
  for (const VtxState& v : s.vtxStates) {
    Range(p, v.line, "vtx_state: matrix", v.matrix, s.matrices.size(), "matrices");
    if (v.lightMaterial >= 0) {
      Range(p, v.line, "vtx_state: light material", v.lightMaterial, s.lightMaterials.size(),
            "light materials");
    }
    Range(p, v.line, "vtx_state: light model configuration", v.lightCfg, s.lightModelCfgs.size(),
          "light model configurations");
  }
  for (const PrimState& ps : s.primStates) {
    Range(p, ps.line, "prim_state: shader", ps.shader, s.shaders.size(), "shaders");
    RangeOfList(p, ps.line, "prim_state: texture", ps.textures, s.textures.size(), "textures");
    const Line values = ps.valuesLine ? ps.valuesLine : ps.line;
    Range(p, values, "prim_state: vertex state", ps.vtxState, s.vtxStates.size(), "vertex states");
    Range(p, values, "prim_state: light model configuration", ps.lightCfg, s.lightModelCfgs.size(),
          "light model configurations");
  }
  for (const DistanceLevel& level : s.distanceLevels) {
    CheckHierarchy(s, level, p);
    for (const SubObject& sub : level.subObjects) CheckSubObject(s, sub, p);
  }
}

void CheckTrimorphLayout(const Shape& s, Problems& p) {
  static const char* const ORDER[] = {
      "shape_header",    "volumes",          "shader_names", "texture_filter_names",
      "points",          "uv_points",        "normals",      "sort_vectors",
      "colours",         "matrices",         "images",       "textures",
      "light_materials", "light_model_cfgs", "vtx_states",   "prim_states",
      "lod_controls",    "animations"};
  const size_t numOrder = sizeof ORDER / sizeof ORDER[0];
  for (size_t i = 0; i < s.blocks.size() || i + 1 < numOrder; ++i) {
    const char* want = i < numOrder ? ORDER[i] : "the end of the shape";
    if (i == numOrder - 1 && i == s.blocks.size()) break;  // no animations
    if (i >= s.blocks.size()) {
      p.Add(0, "Trimorph layout: the shape ends where ", want, " belongs");
      break;
    }
    if (s.blocks[i].name != want) {
      p.Add(s.blocks[i].line, "Trimorph layout: ", s.blocks[i].name, " where ", want, " belongs");
      break;
    }
  }
  if (s.lodControls != 1) p.Add(0, "Trimorph layout: ", s.lodControls, " lod_controls, not 1");

  for (size_t i = 0; i < s.textures.size(); ++i) {
    if (s.textures[i].image != long(i)) {
      p.Add(s.textures[i].line, "Trimorph layout: texture ", i, " shows image ",
            s.textures[i].image);
    }
  }
  for (const PrimState& ps : s.primStates) {
    if (In(ps.vtxState, s.vtxStates.size()) &&
        s.vtxStates[size_t(ps.vtxState)].lightCfg != ps.lightCfg) {
      p.Add(ps.valuesLine, "Trimorph layout: the prim state's light model configuration ",
            ps.lightCfg, " differs from its vertex state's ",
            s.vtxStates[size_t(ps.vtxState)].lightCfg);
    }
  }
  for (const DistanceLevel& level : s.distanceLevels) {
    for (size_t i = 0; i < level.hierarchy.size(); ++i) {
      if ((i == 0) != (level.hierarchy[i] == -1)) {
        p.Add(level.hierarchyLine, "Trimorph layout: the first matrix is not the only root");
        break;
      }
    }
    for (const SubObject& sub : level.subObjects) {
      if (!sub.complete) continue;
      long covered = 0;
      for (const VertexSet& v : sub.vertexSets) {
        if (v.first != covered) {
          p.Add(v.line, "Trimorph layout: the vertex set begins at vertex ", v.first, ", not ",
                covered);
        }
        covered = long(v.first) + v.count;
      }
      if (covered != long(sub.vertices.size())) {
        p.Add(sub.line, "Trimorph layout: the vertex sets end at vertex ", covered, ", not ",
              sub.vertices.size());
      }
      bool paired =
          sub.otherPrimitives == 0 && size_t(sub.primitiveItems) == 2 * sub.triLists.size();
      for (const TriList& t : sub.triLists) paired = paired && t.ownPrimStateIdx;
      if (!paired) {
        p.Add(sub.primitivesLine,
              "Trimorph layout: primitives is not a prim_state_idx before each indexed_trilist");
      }
      int last = -1;
      for (int g : sub.nodeMap) {
        if (g < 0) continue;
        if (g != last + 1) {
          p.Add(sub.nodeMapLine, "Trimorph layout: geometry nodes not in the order of matrices");
          break;
        }
        last = g;
      }
    }
  }
  if (s.animations.size() > 1) p.Add(0, "Trimorph layout: more than one animation");
  // Nodes of the first level get anim nodes, in the order of their matrices.
  for (const Animation& a : s.animations) {
    size_t m = 0;
    for (const AnimNode& node : a.nodes) {
      while (m < s.matrices.size() && s.matrices[m].name != node.name) ++m;
      if (m == s.matrices.size()) {
        p.Add(node.line, "Trimorph layout: anim_node ", node.name,
              " is not a matrix after the previous anim_node's");
        break;
      }
      ++m;
    }
  }
}

}  // namespace shapefile
