// The typed model of a shape text file, as the reader loads it (ShapeReader.h).
//
// Everything is kept as the file states it: indices are the numbers written (they may lie
// outside the lists they refer to; CheckShape in ShapeCheck.h says so), coordinates are in the
// file's axes, and each item that the checks may report carries the line on which it begins
// (lines count from 1). Pools that other items refer to by index keep the file's order, so
// `points[i]` is the point that index i names.
//
// Shape
//   volumes, shaders, filterModes, points, uvPoints, normals, sortVectors, matrices, images,
//   textures, lightMaterials, lightModelCfgs, vtxStates, primStates
//   distanceLevels (of every lod_control, in file order)
//     hierarchy: per matrix its parent matrix, -1 for a root, -2 when absent from the level
//     subObjects
//       header values, geometryNodes, nodeMap, shaders, lightCfgs
//       vertices (point, normal, uv points), vertexSets, triLists
//   animations
//     nodes: controllers with rotation or position keys
#ifndef TRIMORPH_SHAPEFILE_SHAPEMODEL_H
#define TRIMORPH_SHAPEFILE_SHAPEMODEL_H

#include <cstdint>
#include <string>
#include <vector>

namespace shapefile {

// A line number of the file, from 1; 0 where there is none.
using Line = long;

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

struct UvPoint {
  float u = 0, v = 0;
};

// vol_sphere ( vector ( x y z ) radius )
struct Sphere {
  Vec3 centre;
  float radius = 0;
};

// The twelve values of "matrix NAME ( ... )" as written: the rows of the x, y and z axes, then
// the translation, in the file's axes. Points are row vectors: a point p of the matrix's node
// is at p.x * row 0 + p.y * row 1 + p.z * row 2 + row 3 in its parent's frame.
struct Matrix {
  std::string name;
  float m[12] = {};
  Line line = 0;
};

// texture ( image filter_mode mip_bias border_colour )
struct Texture {
  int image = -1;
  int filterMode = 0;
  float mipBias = 0;
  uint32_t borderColour = 0;
  Line line = 0;
};

// An entry of light_materials or an operation of uv_ops: its name and its plain values as
// written (Trimorph writes no light material; the values are not interpreted).
struct RawItem {
  std::string name;
  std::vector<std::string> values;
  Line line = 0;
};

// light_model_cfg ( flags uv_ops ( n uv_op_... ) )
struct LightModelCfg {
  uint32_t flags = 0;
  std::vector<RawItem> uvOps;
  Line line = 0;
};

// vtx_state ( flags matrix light_material light_cfg flags2 ). A negative light material is a
// built-in one (-1 - its number); others index lightMaterials.
struct VtxState {
  uint32_t flags = 0;
  int matrix = -1;
  int lightMaterial = -1;
  int lightCfg = -1;
  uint32_t flags2 = 0;
  Line line = 0;
};

// prim_state [NAME] ( flags shader tex_idxs ( n textures... ) z_bias vtx_state alpha_test_mode
//                     light_cfg z_buf_mode )
struct PrimState {
  std::string name;  // empty when the prim state has none
  uint32_t flags = 0;
  int shader = -1;
  std::vector<int> textures;
  float zBias = 0;
  int vtxState = -1;
  int alphaTestMode = 0;
  int lightCfg = -1;
  int zBufMode = 0;
  Line line = 0;
  Line valuesLine = 0;  // of the values after tex_idxs
};

// geometry_node ( vertex_sets 0 0 0 0 cullable_prims ( tri_lists triangles vertex_indices ) )
struct GeometryNode {
  int vertexSets = 0;  // the first value: the number of vertex sets of its matrix
  int cullableTriLists = 0;
  int cullableTriangles = 0;
  int cullableIndices = 0;
  Line line = 0;
  Line cullableLine = 0;
};

// vertex ( flags point normal colour1 colour2 vertex_uvs ( n uv_points... ) ). The uv point
// indices are kept in the sub-object's `uvs`, from `uvBegin`, `uvCount` of them.
struct Vertex {
  uint32_t flags = 0;
  int point = -1;
  int normal = -1;
  uint32_t colour1 = 0;
  uint32_t colour2 = 0;
  uint32_t uvBegin = 0;
  uint32_t uvCount = 0;
  Line line = 0;
  Line uvsLine = 0;  // of vertex_uvs
};

// vertex_set ( vtx_state first_vertex vertex_count )
struct VertexSet {
  int vtxState = -1;
  int first = 0;
  int count = 0;
  Line line = 0;
};

// prim_state_idx ( prim_state )
struct PrimStateIdx {
  int primState = -1;
  Line line = 0;
};

// An indexed_trilist of the primitives, with the prim state that applies to it: the one named
// by the nearest prim_state_idx before it in the same primitives list.
struct TriList {
  int primState = -1;  // -1 when no prim_state_idx comes before it
  Line primStateLine = 0;
  bool ownPrimStateIdx = false;  // a prim_state_idx directly before it
  std::vector<int> vertexIdxs;   // three per triangle
  std::vector<int> normalIdxs;   // per triangle, the first value of its normal_idxs pair
  int flagsCount = 0;            // the values of flags
  Line line = 0;
  Line vertexIdxsLine = 0;
  Line normalIdxsLine = 0;
  Line flagsLine = 0;

  int Triangles() const { return int(vertexIdxs.size() / 3); }
};

struct SubObject {
  // sub_object_header ( flags sort_vector volume vertex_flags light_flags
  //   geometry_info ( ... ) subobject_shaders ( ... ) subobject_light_cfgs ( ... ) id )
  uint32_t flags = 0;
  int sortVector = -1;  // -1: none
  int volume = -1;      // -1: none
  uint32_t vertexFlags = 0;
  uint32_t lightFlags = 0;
  long id = 0;
  Line line = 0;
  Line headerLine = 0;

  // geometry_info ( triangles vertex_sets 0 vertex_indices 0 0 tri_lists 0 0 0 ... ): the
  // values as written.
  std::vector<long> geometryInfo;
  Line geometryInfoLine = 0;
  long InfoValue(size_t i) const { return i < geometryInfo.size() ? geometryInfo[i] : 0; }
  long InfoTriangles() const { return InfoValue(0); }
  long InfoVertexSets() const { return InfoValue(1); }
  long InfoIndices() const { return InfoValue(3); }
  long InfoTriLists() const { return InfoValue(6); }

  std::vector<GeometryNode> geometryNodes;
  std::vector<int> nodeMap;  // per matrix: its geometry node, or -1
  Line nodeMapLine = 0;
  std::vector<int> shaders;
  Line shadersLine = 0;
  std::vector<int> lightCfgs;
  Line lightCfgsLine = 0;

  std::vector<Vertex> vertices;
  std::vector<int> uvs;  // the uv point indices of all vertices (Vertex::uvBegin)
  std::vector<VertexSet> vertexSets;
  std::vector<TriList> triLists;
  std::vector<PrimStateIdx> primStateIdxs;  // every prim_state_idx of primitives
  int primitiveItems = 0;   // items of primitives: prim_state_idx, indexed_trilist and others
  int otherPrimitives = 0;  // items of primitives of other kinds (not read)
  Line primitivesLine = 0;
  bool complete = true;  // false when the file ends inside it

  // The first uv point of a vertex, or -1 when it has none.
  int FirstUv(const Vertex& v) const { return v.uvCount ? uvs[v.uvBegin] : -1; }
};

struct DistanceLevel {
  int lodControl = 0;  // which lod_control holds it, from 0
  float distance = 0;  // dlevel_selection
  std::vector<int> hierarchy;
  Line hierarchyLine = 0;
  std::vector<SubObject> subObjects;
  Line line = 0;
};

// tcb_key ( frame x y z w tension continuity bias in out ): a rotation quaternion.
struct RotKey {
  int frame = 0;
  float x = 0, y = 0, z = 0, w = 1;
  float tcb[5] = {};
  Line line = 0;
};

// linear_key ( frame x y z )
struct PosKey {
  int frame = 0;
  Vec3 position;
  Line line = 0;
};

// A controller of an anim_node: "tcb_rot" (rotKeys) or "linear_pos" (posKeys); controllers of
// other kinds keep their name only.
struct Controller {
  std::string kind;
  std::vector<RotKey> rotKeys;
  std::vector<PosKey> posKeys;
  Line line = 0;
};

struct AnimNode {
  std::string name;
  std::vector<Controller> controllers;
  Line line = 0;
};

// animation ( frames frame_rate anim_nodes ( ... ) )
struct Animation {
  int frames = 0;
  int frameRate = 0;
  std::vector<AnimNode> nodes;
  Line line = 0;
};

// A named block at the top of the shape, in file order (for checks of the block order).
struct Block {
  std::string name;
  Line line = 0;
};

struct Shape {
  uint32_t headerFlags[2] = {0, 0};  // shape_header
  std::vector<Block> blocks;
  std::vector<Sphere> volumes;
  std::vector<std::string> shaders;      // named_shader
  std::vector<std::string> filterModes;  // named_filter_mode
  std::vector<Vec3> points;
  std::vector<UvPoint> uvPoints;
  std::vector<Vec3> normals;
  std::vector<Vec3> sortVectors;
  int colours = 0;  // the number of colours (their values are not read)
  std::vector<Matrix> matrices;
  std::vector<std::string> images;
  std::vector<Texture> textures;
  std::vector<RawItem> lightMaterials;
  std::vector<LightModelCfg> lightModelCfgs;
  std::vector<VtxState> vtxStates;
  std::vector<PrimState> primStates;
  int lodControls = 0;
  std::vector<DistanceLevel> distanceLevels;
  std::vector<Animation> animations;
};

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPEMODEL_H
