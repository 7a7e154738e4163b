// The shape text file writer.
//
// The model is prepared first (pools ordered and numbered, bounds computed, geometry counted per
// node); then the file is written from top to bottom in one pass. Positions and normals are
// written as x, z, y (the model's z axis is the file's second axis), texture coordinates as
// (u, 1 - v), and triangles with their winding reversed.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "HelperThread.h"
#include "NodeAlias.h"
#include "OutputFile.h"
#include "ParallelText.h"
#include "Problem.h"
#include "Shape.h"
#include "ShapeAnimWriter.h"
#include "ShapeText.h"

namespace {

const char* const SHADER_NAMES[] = {"Tex", "TexDiff", "BlendATex", "BlendATexDiff", "GlossMap"};

const char* const LIGHT_CFG_TEXTS[] = {
    "\t\tlight_model_cfg ( 00000000\n\t\t\tuv_ops ( 1\n\t\t\t\tuv_op_copy ( 1 0 "
    ")\n\t\t\t)\n\t\t)\n",
    "\t\tlight_model_cfg ( 00000000\n\t\t\tuv_ops ( 2\n\t\t\t\tuv_op_copy ( 1 0 )\n\t\t\t\t"
    "uv_op_reflectmapfull ( 1 )\n\t\t\t)\n\t\t)\n",
};

// The order in which the twelve floats of a matrix are written.
const int MATRIX_ORDER[12] = {0, 2, 1, 6, 8, 7, 3, 5, 4, 9, 11, 10};

template <class T>
int IndexOf(const ObjEntry<T>* entry) {
  return entry ? entry->mIndex : -1;
}

// Lists of at least this many entries are written in pieces of this many, by the threads.
constexpr size_t PIECE_ENTRIES = 8192;

// Writes count entries of a list, from first on, with writeOne(out, entry): a long list in
// pieces that the threads make, a short one at once.
template <class T, class WriteOne>
void WriteEntries(ParallelText& text, const ObjEntry<T>* first, size_t count, WriteOne writeOne) {
  if (count < PIECE_ENTRIES) {
    ShapeText& out = text.Now();
    for (const ObjEntry<T>* e = first; count > 0; e = e->mNext, --count) writeOne(out, *e);
    return;
  }
  const ObjEntry<T>* e = first;
  while (count > 0) {
    const size_t n = std::min(PIECE_ENTRIES, count);
    const ObjEntry<T>* start = e;
    for (size_t i = 0; i < n; ++i) e = e->mNext;
    text.Add([start, n, writeOne](ShapeText& out) {
      const ObjEntry<T>* x = start;
      for (size_t i = 0; i < n; ++i, x = x->mNext) writeOne(out, *x);
    });
    count -= n;
  }
}

// The lines of the long lists, as Write would make them from "\t\tpoint ( %g %g %g )\n" and the
// like; positions and normals as x, z, y.
void PutVectorLine(ShapeText& out, const char* head, size_t headLength, const sVector& v) {
  out.Put(head, headLength);
  out.PutG(v.x);
  out.Put(" ");
  out.PutG(v.z);
  out.Put(" ");
  out.PutG(v.y);
  out.Put(" )");
  out.EndLine();
}

void PutPointLine(ShapeText& out, const ObjEntry<sVector>& e) {
  static const char HEAD[] = "\t\tpoint ( ";
  PutVectorLine(out, HEAD, sizeof HEAD - 1, e.mObj);
}

void PutNormalLine(ShapeText& out, const ObjEntry<sVector>& e) {
  static const char HEAD[] = "\t\tvector ( ";
  PutVectorLine(out, HEAD, sizeof HEAD - 1, e.mObj);
}

void PutUVLine(ShapeText& out, const ObjEntry<sUVPoint>& e) {
  out.Put("\t\tuv_point ( ");
  out.PutG(e.mObj.u);
  out.Put(" ");
  out.PutG(1.0 - double(e.mObj.v));
  out.Put(" )");
  out.EndLine();
}

void PutVertexLines(ShapeText& out, const ObjEntry<sVertex>& v) {
  out.Put("\t\t\t\t\t\t\t\tvertex ( 00000000 ");
  out.PutInt(v.mObj.mPoint->mIndex);
  out.PutSpaceInt(v.mObj.mNormal->mIndex);
  out.Put(" ffffffff ff000000\r\n\t\t\t\t\t\t\t\t\tvertex_uvs ( 1 ");
  out.PutInt(v.mObj.mUVPoint->mIndex);
  out.Put(" )\r\n\t\t\t\t\t\t\t\t)");
  out.EndLine();
}

std::vector<sTreeNode*> NodesInHierarchyOrder(const NodeTree& tree) {
  std::vector<sTreeNode*> nodes;
  tree.WalkNodes(tree.mRootNode, [&](sTreeNode* n) { nodes.push_back(n); });
  return nodes;
}

bool Finite(float v) {
  return std::isfinite(v);
}

bool Finite(const sVector& v) {
  return Finite(v.x) && Finite(v.y) && Finite(v.z);
}

// Every number the file will hold is finite. The import takes only finite numbers, but
// coordinates near the largest float overflow in what is computed from them: node frames and
// points in them, face normals, bounding spheres.
bool AllFinite(const Shape& shape, const std::vector<sTreeNode*>& nodes) {
  for (const ObjEntry<sVolSphere>* e = shape.mVolumes.mFirstObj; e; e = e->mNext) {
    if (!Finite(e->mObj.mCentre) || !Finite(e->mObj.mRadius)) return false;
  }
  for (const ObjSet<sVector>* pool : {&shape.mPoints, &shape.mNormals, &shape.mSortVectors}) {
    for (const ObjEntry<sVector>* e = pool->mFirstObj; e; e = e->mNext) {
      if (!Finite(e->mObj)) return false;
    }
  }
  for (const ObjEntry<sUVPoint>* e = shape.mUVPoints.mFirstObj; e; e = e->mNext) {
    if (!Finite(e->mObj.u) || !Finite(e->mObj.v)) return false;
  }
  for (const sTreeNode* node : nodes) {
    for (float v : node->mRelMatrix.m) {
      if (!Finite(v)) return false;
    }
  }
  if (shape.mNumAnimated == 0) return true;
  for (const ObjEntry<sAnimNode>* e = shape.mAnimNodes.mFirstObj; e; e = e->mNext) {
    const sAnimNode& a = e->mObj;
    for (int k = 0; k < a.mNumPosKeys; ++k) {
      const sPosKey& p = a.mPosKeys[k];
      if (!Finite(p.x) || !Finite(p.y) || !Finite(p.z)) return false;
    }
    for (int k = 0; k < a.mNumRotKeys; ++k) {
      const sRotKey& r = a.mRotKeys[k];
      if (!Finite(r.x) || !Finite(r.y) || !Finite(r.z) || !Finite(r.w)) return false;
    }
  }
  return true;
}

Problem CheckNumbersFinite(const Shape& shape, const std::vector<sTreeNode*>& nodes) {
  if (AllFinite(shape, nodes)) return {};
  return MakeProblem(ProblemCode::NUMBERS_NOT_FINITE, std::string(),
                     "a number computed from the coordinates (a point in its node's frame, a "
                     "normal, a bounding sphere or a frame) overflows the single-precision range");
}

// The sub-object's header: flags, sort vector and volume, its geometry counts (triangles, vertex
// sets, vertex indices of the triangle lists, three per triangle, and triangle lists), its
// geometry nodes and their map by node, its shaders and light configurations.
void WriteSubObjectHeader(ShapeText& out, const sSubObject& sub,
                          const std::vector<sTreeNode*>& nodes, int numNodes) {
  // Sort vector and volume are written only for sub-objects that asked for them.
  bool sorted = (sub.mFlags & SUBOBJ_SORTED) != 0;
  int sortVector = sorted ? IndexOf(sub.mSortVector) : -1;
  int volume = sorted ? IndexOf(sub.mVolume) : -1;
  out.Write(
      "\t\t\t\t\t\tsub_object (\n\t\t\t\t\t\t\tsub_object_header ( %08x %d %d 000001d2 %08x\n"
      "\t\t\t\t\t\t\t\tgeometry_info ( %d %d 0 %d 0 0 %d 0 0 0\n",
      {unsigned(sub.mFlags), sortVector, volume, unsigned(sub.mLightFlags), sub.mNumTriangles,
       sub.mNumTxLightCmds, 3 * sub.mNumTriangles, sub.mNumTrilists});

  out.Write("\t\t\t\t\t\t\t\t\tgeometry_nodes ( %d\n", {sub.mGeomNodes.mNumObjs});
  for (const ObjEntry<sGeomNode>* g = sub.mGeomNodes.mFirstObj; g; g = g->mNext) {
    out.Write(
        "\t\t\t\t\t\t\t\t\t\tgeometry_node ( %d 0 0 0 0\n\t\t\t\t\t\t\t\t\t\t\tcullable_prims ( "
        "%d %d %d )\n\t\t\t\t\t\t\t\t\t\t)\n",
        {g->mObj.mNumTxLightCmds, g->mObj.mNumTrilists, g->mObj.mNumTriangles,
         3 * g->mObj.mNumTriangles});
  }

  // Position of each node's geometry node in mGeomNodes, or -1.
  std::vector<int> geomIndex(size_t(numNodes), -1);
  int position = 0;
  for (const ObjEntry<sGeomNode>* g = sub.mGeomNodes.mFirstObj; g; g = g->mNext, ++position) {
    int n = g->mObj.mNode->mIndex;
    if (n >= 0 && n < numNodes && geomIndex[size_t(n)] < 0) geomIndex[size_t(n)] = position;
  }
  out.Write("\t\t\t\t\t\t\t\t\t)\n\t\t\t\t\t\t\t\t\tgeometry_node_map ( %d", {numNodes});
  for (const sTreeNode* node : nodes) out.Write(" %d", {geomIndex[size_t(node->mIndex)]});

  out.Write(" )\n\t\t\t\t\t\t\t\t)\n\t\t\t\t\t\t\t\tsubobject_shaders ( %d",
            {sub.mShaderRefs.mNumObjs});
  for (const ObjEntry<ObjEntry<int>*>* r = sub.mShaderRefs.mFirstObj; r; r = r->mNext) {
    out.Write(" %d", {r->mObj->mIndex});
  }
  out.Write(" )\n\t\t\t\t\t\t\t\tsubobject_light_cfgs ( %d", {sub.mLightCfgRefs.mNumObjs});
  for (const ObjEntry<ObjEntry<int>*>* r = sub.mLightCfgRefs.mFirstObj; r; r = r->mNext) {
    out.Write(" %d", {r->mObj->mIndex});
  }
  out.Write(" ) %d\n\t\t\t\t\t\t\t)\n", {sub.mId});
}

// The vertices, then the vertex sets: runs of consecutive vertices with the same vertex state.
void WriteVertices(ParallelText& text, const sSubObject& sub) {
  struct Run {
    const ObjEntry<sVtxState>* state;
    int first;
    int count;
  };
  std::vector<Run> runs;
  for (const ObjEntry<sVertex>* v = sub.mVertices.mFirstObj; v; v = v->mNext) {
    if (runs.empty() || runs.back().state != v->mObj.mVtxState) {
      runs.push_back({v->mObj.mVtxState, v->mIndex, 0});
    }
    ++runs.back().count;
  }

  text.Now().Write("\t\t\t\t\t\t\tvertices ( %d\n", {sub.mVertices.mNumObjs});
  WriteEntries(text, sub.mVertices.mFirstObj, size_t(sub.mVertices.mNumObjs), PutVertexLines);
  ShapeText& out = text.Now();
  out.Write("\t\t\t\t\t\t\t)\n");

  out.Write("\t\t\t\t\t\t\tvertex_sets ( %d\n", {int(runs.size())});
  for (const Run& run : runs) {
    out.Write("\t\t\t\t\t\t\t\tvertex_set ( %d %d ", {run.state->mIndex, run.first});
    out.Write("%d )\n", {run.count});
  }
  out.Write("\t\t\t\t\t\t\t)\n");
}

// One indexed triangle list: the n triangles from first on, which share a primitive state.
void WriteTriangleList(ParallelText& text, const ObjEntry<sTriangle>* first, size_t n) {
  text.Now().Write("\t\t\t\t\t\t\t\tprim_state_idx ( %d )\n\t\t\t\t\t\t\t\tindexed_trilist (\n",
                   {first->mObj.mPrimState->mIndex});
  text.Now().Write("\t\t\t\t\t\t\t\t\tvertex_idxs ( %d", {int(3 * n)});
  WriteEntries(text, first, n, [](ShapeText& out, const ObjEntry<sTriangle>& u) {
    out.PutSpaceInt(u.mObj.mVertices[0]->mIndex);
    out.PutSpaceInt(u.mObj.mVertices[2]->mIndex);
    out.PutSpaceInt(u.mObj.mVertices[1]->mIndex);
  });
  text.Now().Write(" )\n\t\t\t\t\t\t\t\t\tnormal_idxs ( %d", {int(n)});
  WriteEntries(text, first, n, [](ShapeText& out, const ObjEntry<sTriangle>& u) {
    out.PutSpaceInt(u.mObj.mNormal->mIndex);
    out.Put(" 3");
  });
  text.Now().Write(" )\n\t\t\t\t\t\t\t\t\tflags ( %d", {int(n)});
  WriteEntries(text, first, n,
               [](ShapeText& out, const ObjEntry<sTriangle>&) { out.Put(" 00000000"); });
  text.Now().Write(" )\n\t\t\t\t\t\t\t\t)\n");
}

// Primitives: one indexed triangle list per run of triangles with the same primitive state.
void WritePrimitives(ParallelText& text, const sSubObject& sub) {
  struct Run {
    const ObjEntry<sTriangle>* first;
    size_t count;
  };
  std::vector<Run> runs;
  for (const ObjEntry<sTriangle>* t = sub.mTriangles.mFirstObj; t; t = t->mNext) {
    if (runs.empty() || runs.back().first->mObj.mPrimState != t->mObj.mPrimState) {
      runs.push_back({t, 0});
    }
    ++runs.back().count;
  }
  text.Now().Write("\t\t\t\t\t\t\tprimitives ( %d\n", {int(2 * runs.size())});
  for (const Run& run : runs) WriteTriangleList(text, run.first, run.count);
  text.Now().Write("\t\t\t\t\t\t\t)\n\t\t\t\t\t\t)\n");
}

void WriteSubObject(ParallelText& text, const sSubObject& sub, const std::vector<sTreeNode*>& nodes,
                    int numNodes) {
  WriteSubObjectHeader(text.Now(), sub, nodes, numNodes);
  WriteVertices(text, sub);
  WritePrimitives(text, sub);
}

// The file's header and the pools of values before the matrices: volumes, shaders, texture
// filters, points, texture coordinates, normals, sort vectors and colours.
void WriteHeaderPools(ParallelText& text, const Shape& shape) {
  ShapeText& out = text.Now();
  out.Write("VELTAA@@@@@@@@@@JINX0s1t______\n\nshape (\n\tshape_header ( 00000000 00000000 )\n");

  out.Write("\tvolumes ( %d\n", {shape.mVolumes.mNumObjs});
  for (const ObjEntry<sVolSphere>* e = shape.mVolumes.mFirstObj; e; e = e->mNext) {
    const sVolSphere& s = e->mObj;
    out.Write("\t\tvol_sphere (\n\t\t\tvector ( %g %g %g ) %g\n\t\t)\n",
              {s.mCentre.x, s.mCentre.z, s.mCentre.y, s.mRadius});
  }
  out.Write("\t)\n");

  out.Write("\tshader_names ( %d\n", {shape.mShaders.mNumObjs});
  for (const ObjEntry<int>* e = shape.mShaders.mFirstObj; e; e = e->mNext) {
    out.Write("\t\tnamed_shader ( %s )\n", {SHADER_NAMES[e->mObj]});
  }
  out.Write("\t)\n");

  out.Write("\ttexture_filter_names ( 1\n\t\tnamed_filter_mode ( MipLinear )\n\t)\n");

  out.Write("\tpoints ( %d\n", {shape.mPoints.mNumObjs});
  WriteEntries(text, shape.mPoints.mFirstObj, size_t(shape.mPoints.mNumObjs), PutPointLine);
  text.Now().Write("\t)\n");

  text.Now().Write("\tuv_points ( %d\n", {shape.mUVPoints.mNumObjs});
  WriteEntries(text, shape.mUVPoints.mFirstObj, size_t(shape.mUVPoints.mNumObjs), PutUVLine);
  text.Now().Write("\t)\n");

  text.Now().Write("\tnormals ( %d\n", {shape.mNormals.mNumObjs});
  WriteEntries(text, shape.mNormals.mFirstObj, size_t(shape.mNormals.mNumObjs), PutNormalLine);
  text.Now().Write("\t)\n");

  text.Now().Write("\tsort_vectors ( %d\n", {shape.mSortVectors.mNumObjs});
  WriteEntries(text, shape.mSortVectors.mFirstObj, size_t(shape.mSortVectors.mNumObjs),
               PutNormalLine);
  text.Now().Write("\t)\n");

  text.Now().Write("\tcolours ( 0 )\n");
}

// Every node's matrix relative to its parent, in hierarchy order, under the node's alias.
void WriteMatrices(ShapeText& out, const std::vector<sTreeNode*>& nodes, int numNodes) {
  out.Write("\tmatrices ( %d\n", {numNodes});
  for (const sTreeNode* node : nodes) {
    out.Write("\t\tmatrix %s (", {NodeAlias(node->mName)});
    for (int i : MATRIX_ORDER) out.Write(" %g", {node->mRelMatrix.m[i]});
    out.Write(" )\n");
  }
  out.Write("\t)\n");
}

// The images pool twice: as image files and as the textures made of them.
void WriteImages(ShapeText& out, const Shape& shape) {
  out.Write("\timages ( %d\n", {shape.mImages.mNumObjs});
  for (const ObjEntry<sImageName>* e = shape.mImages.mFirstObj; e; e = e->mNext) {
    out.Write("\t\timage ( %s.ace )\n", {e->mObj.mName});
  }
  out.Write("\t)\n");

  out.Write("\ttextures ( %d\n", {shape.mImages.mNumObjs});
  for (const ObjEntry<sImageName>* e = shape.mImages.mFirstObj; e; e = e->mNext) {
    out.Write("\t\ttexture ( %d 0 -3 ff000000)\n", {e->mIndex});
  }
  out.Write("\t)\n");
}

// Light materials (none), light configurations, vertex states and primitive states.
void WriteStates(ShapeText& out, const Shape& shape) {
  out.Write("\tlight_materials ( 0 )\n");

  out.Write("\tlight_model_cfgs ( %d\n", {shape.mLightCfgs.mNumObjs});
  for (const ObjEntry<int>* e = shape.mLightCfgs.mFirstObj; e; e = e->mNext) {
    out.Write(LIGHT_CFG_TEXTS[e->mObj]);
  }
  out.Write("\t)\n");

  out.Write("\tvtx_states ( %d\n", {shape.mVtxStates.mNumObjs});
  for (const ObjEntry<sVtxState>* e = shape.mVtxStates.mFirstObj; e; e = e->mNext) {
    out.Write("\t\tvtx_state ( 00000000 %d %d %d 00000002 )\n",
              {e->mObj.mNode->mIndex, -1 - e->mObj.mLightMat, e->mObj.mLightCfg->mIndex});
  }
  out.Write("\t)\n");

  out.Write("\tprim_states ( %d\n", {shape.mPrimStates.mNumObjs});
  for (const ObjEntry<sPrimState>* e = shape.mPrimStates.mFirstObj; e; e = e->mNext) {
    const sPrimState& p = e->mObj;
    out.Write("\t\tprim_state ( 00000000 %d\n", {p.mShader->mIndex});
    if (p.mTexture2) {
      out.Write("\t\t\ttex_idxs ( 2 %d %d ) ", {p.mTexture->mIndex, p.mTexture2->mIndex});
    } else {
      out.Write("\t\t\ttex_idxs ( 1 %d ) ", {p.mTexture->mIndex});
    }
    out.Write("0 %d %d %d %d\n\t\t)\n", {p.mVtxState->mIndex, p.mAlphaTestMode,
                                         p.mVtxState->mObj.mLightCfg->mIndex, p.mZBufMode});
  }
  out.Write("\t)\n");
}

// One distance level: its distance, the hierarchy as it stands in the level, its sub-objects.
void WriteDistanceLevel(ParallelText& text, const sDistLevel& level,
                        const std::vector<sTreeNode*>& nodes, int numNodes) {
  ShapeText& out = text.Now();
  out.Write(
      "\t\t\t\tdistance_level (\n\t\t\t\t\tdistance_level_header (\n\t\t\t\t\t\tdlevel_selection "
      "( %d )\n\t\t\t\t\t\thierarchy ( %d",
      {level.mMaxDist, numNodes});
  // A node is present in a distance level when any input file that fed the level holds it.
  for (const sTreeNode* node : nodes) {
    if (!node->mParent) {
      out.Write(" -1");
    } else if (node->mLevelMask & level.mFileMask) {
      out.Write(" %d", {node->mParent->mIndex});
    } else {
      out.Write(" -2");
    }
  }
  out.Write(" )\n\t\t\t\t\t)\n\t\t\t\t\tsub_objects ( %d\n", {level.mSubObjects.mNumObjs});
  for (const ObjEntry<sSubObject>* s = level.mSubObjects.mFirstObj; s; s = s->mNext) {
    WriteSubObject(text, s->mObj, nodes, numNodes);
  }
  text.Now().Write("\t\t\t\t\t)\n\t\t\t\t)\n");
}

void WriteDistanceLevels(ParallelText& text, const Shape& shape,
                         const std::vector<sTreeNode*>& nodes, int numNodes) {
  text.Now().Write(
      "\tlod_controls ( 1\n\t\tlod_control (\n\t\t\tdistance_levels_header ( 0 )\n"
      "\t\t\tdistance_levels ( %d\n",
      {shape.mDistLevels.mNumObjs});
  for (const ObjEntry<sDistLevel>* d = shape.mDistLevels.mFirstObj; d; d = d->mNext) {
    WriteDistanceLevel(text, d->mObj, nodes, numNodes);
  }
  text.Now().Write("\t\t\t)\n\t\t)\n\t)\n");
}

// A failure of the output file, with the operating system's reason.
Problem OutputProblem(ProblemCode code, const char* fileName, int error) {
  Problem p =
      MakeProblem(code, fileName, error ? strerror(error) : "the file system gave no reason");
  p.systemError = error;
  return p;
}

// The animations, when any node has keys.
void WriteAnimations(ShapeText& out, const Shape& shape) {
  if (shape.mNumAnimated == 0) return;
  out.Write("\tanimations ( 1\n\t\tanimation ( %d %d\n\t\t\tanim_nodes ( %d\n",
            {shape.mNumFrames, shape.mFrameRate, shape.mAnimNodes.mNumObjs});
  for (const ObjEntry<sAnimNode>* e = shape.mAnimNodes.mFirstObj; e; e = e->mNext) {
    WriteAnimNode(out, e->mObj);
  }
  out.Write("\t\t\t)\n\t\t)\n\t)\n");
}

}  // namespace

Problem Shape::TryPrepareOutput(int threads) {
  {
    HelperThread helper;
    if (threads >= 2) helper.Start();
    AssignIndices(&helper);
    ComputeBounds(&helper);
    BuildGeomNodes(&helper);
  }
  return CheckNumbersFinite(*this, NodesInHierarchyOrder(mNodeTree));
}

void Shape::WriteShape(const char* fileName, int threads) {
  FailOn(TryPrepareOutput(threads));
  const std::vector<sTreeNode*> nodes = NodesInHierarchyOrder(mNodeTree);
  const int numNodes = mNodeTree.mNumNodes;

  // The text goes to a temporary file that replaces the output only once it is complete.
  OutputFile file;
  if (!file.Open(fileName))
    FailWith(OutputProblem(ProblemCode::OUTPUT_OPEN_FAILED, fileName, file.Error()));
  ShapeText out(file.Stream());
  {
    ParallelText text(out, threads);
    WriteHeaderPools(text, *this);
    WriteMatrices(text.Now(), nodes, numNodes);
    WriteImages(text.Now(), *this);
    WriteStates(text.Now(), *this);
    WriteDistanceLevels(text, *this, nodes, numNodes);
    WriteAnimations(text.Now(), *this);
    text.Now().Write(")\n");
    text.Finish();
  }

  if (!out.Flush()) {
    file.Discard();
    FailWith(OutputProblem(ProblemCode::OUTPUT_WRITE_FAILED, fileName, out.Error()));
  }
  if (!file.Commit())
    FailWith(OutputProblem(ProblemCode::OUTPUT_WRITE_FAILED, fileName, file.Error()));
}
