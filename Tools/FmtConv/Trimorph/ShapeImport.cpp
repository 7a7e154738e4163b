// The level-of-detail import: merges one level file, read into a toolkit database, into the
// shape model.
//
// Each mesh object becomes a node of the node tree, matched one to one with the keyframer's
// object node at the same position. The level is one distance level (found by its distance);
// each sub-object number found in the material names is one sub-object of it; each corner of a
// face is one vertex (a vertex state, a point, a normal and a texture coordinate) and each face
// one triangle. Every pool call is made in a fixed order, because the order of first additions
// fixes the indices that the output gives to the pools it does not sort.
//
// The first pass enters the nodes; the second transforms each mesh into its node's frame and
// builds its geometry.
//
// A mesh vertex is a corner of several faces, and every corner asks the pools for its point,
// texture coordinate, normal and vertex. The second pass remembers, per mesh vertex and per
// vertex normal, the last search of each pool (PoolHint), which the pool takes back instead of
// searching when it can tell that the answer is the same. Its working memory (the normals, the
// hints, the faces of a batch) is kept from mesh to mesh.
//
// The faces of a material group are taken in batches. Each pool sees its calls in the order of
// the faces and of their corners, as one corner after the other would make them, but each
// pool's calls for a whole batch are made together: the points, then the texture coordinates,
// the normals (per face three vertex normals, then the face normal), the vertices and the
// triangles. The pools do not depend on each other's calls, only on the entries those return,
// so every pool gets the very calls it got before. Ahead of a pool's calls, the places in its
// index that they will read are asked for (Prefetch), so that the memory delivers them together
// rather than one after the other.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "ImportChecks.h"
#include "MaterialTypes.h"
#include "MeshNormals.h"
#include "Shape.h"
#include "ToolkitRecords.h"

float Shape::GetMeshScale(Database3ds* db) {
  // The master scale of the file is not applied; reading the settings (released at once)
  // surfaces toolkit errors.
  const MeshSettingsHandle settings = FetchMeshSettings(db);
  return 1.0f;
}

void Shape::ReadAnimSettings(Database3ds* db) {
  KeyframerSettingsHandle kfsets;
  FailOn(FetchKeyframerSettings(db, kfsets));
  mNumFrames = kfsets->anim.length;
  mFrameRate = 30;
  FailOn(CheckAnimSegment(*kfsets));
}

namespace {

// One level's import: the steps of Shape::ImportLevel and what they share.
class LevelImport {
 public:
  LevelImport(Shape& shape, Database3ds* db, int levelIndex, float meshScale)
      : mShape(shape), mDb(db), mLevelIndex(levelIndex), mMeshScale(meshScale) {}

  // The distance level of the maximum distance: found, or added.
  void EnterDistLevel(int maxDist);
  // The numbers of keyframer object nodes and meshes, and how many meshes the level has.
  void CountObjects();
  // First pass: every mesh enters its node into the node tree.
  void EnterNodes();
  // Second pass: every mesh's geometry, in its node's frame, goes into the pools.
  void ImportGeometry();

 private:
  // The material of a material group, as the group's triangles need it.
  struct sGroupMaterial {
    const sMatType* mType = nullptr;
    int mNumber = 0;  // the sub-object number
    bool mSorted = false;
    sImageName mImage = {};
    sImageName mImage2 = {};  // the reflection map, for light configuration LIGHTCFG_REFLECT
  };
  // The render states of a material group, as found or added to the pools.
  struct sGroupStates {
    ObjEntry<int>* mLightCfg;
    ObjEntry<sVtxState>* mVtxState;
    ObjEntry<int>* mShader;
    ObjEntry<sPrimState>* mPrimState;
  };

  // What a mesh vertex was given last, for its point and texture coordinate.
  struct sPointMemo {
    PoolHint<sVector> mPoint;
    PoolHint<sUVPoint> mUVPoint;
  };
  // What a vertex normal of the mesh was given last, for the normal and the vertex (together
  // with the sub-object's vertex pool the vertex hint was made in).
  struct sNormalMemo {
    PoolHint<sVector> mNormal;
    ObjSet<sVertex>* mVertexPool = nullptr;
    PoolHint<sVertex> mVertex;
  };
  // One corner of a face of the batch.
  struct sCorner {
    uint16_t mVertex;          // the mesh vertex
    sNormalMemo* mNormalMemo;  // of the vertex normal that serves the face
    const sVector* mNormal;
    ObjEntry<sVector>* mPointEntry;
    ObjEntry<sUVPoint>* mUVEntry;
    ObjEntry<sVector>* mNormalEntry;
    ObjEntry<sVertex>* mVertexEntry;
  };

  void EnterNode(uint32_t index);
  void ImportMeshGeometry(uint32_t index);
  // Brings the mesh's vertices into the node's frame, relative to the keyframer node's pivot.
  static void IntoNodeFrame(Mesh3ds& mesh, const sTreeNode& node, const KfMesh3ds* kf);
  void ImportMaterialGroup(const Mesh3ds& mesh, const MeshMatGroup3ds& g, sTreeNode* node);
  // The material of a group, from what an earlier group of the level found for the same name
  // where it can.
  sGroupMaterial ResolveMaterial(const MeshMatGroup3ds& g);
  sGroupMaterial ReadMaterial(const MeshMatGroup3ds& g) const;
  sGroupStates AddRenderStates(const sGroupMaterial& material, sTreeNode* node);
  sSubObject& EnterSubObject(const sGroupMaterial& material, const sGroupStates& states);
  void AddFaces(const Mesh3ds& mesh, const MeshMatGroup3ds& g, const sGroupStates& states,
                sSubObject& sub);

  Shape& mShape;
  Database3ds* const mDb;
  const int mLevelIndex;
  const float mMeshScale;
  sDistLevel* mLevel = nullptr;
  uint32_t mNumNodes = 0;   // keyframer object nodes
  uint32_t mNumMeshes = 0;  // meshes to import
  size_t mNumPoints = 0;    // vertices of all the level's meshes, as the first pass found them
  // Materials read without a toolkit error, by name. Reading a material walks its whole chunk,
  // so reading it again for every group that names it would grow with groups times its size.
  std::unordered_map<std::string, sGroupMaterial> mMaterials;

  // Working memory of the second pass, used again from mesh to mesh.
  sMeshNorm mNormals;                            // the normals of the current mesh
  std::vector<sPointMemo> mPointMemo;            // per mesh vertex
  std::vector<sNormalMemo> mNormalMemo;          // per vertex normal (sVNorm::mNumber)
  std::vector<sCorner> mCorners;                 // of the faces of a batch, three per face
  std::vector<ObjEntry<sVector>*> mFaceNormals;  // of the faces of a batch
};

void LevelImport::EnterDistLevel(int maxDist) {
  sDistLevel newLevel;
  newLevel.mMaxDist = maxDist;
  mLevel = &mShape.mDistLevels.FindOrAdd(std::move(newLevel))->mObj;
  mLevel->mFileMask |= 1u << (unsigned(mLevelIndex) % 32);
}

void LevelImport::CountObjects() {
  mNumNodes = GetObjectNodeCount3ds(mDb);
  const uint32_t meshCount = GetMeshCount3ds(mDb);
  FailOn(CheckObjectCounts(mNumNodes, meshCount));
  // Without keyframer data the level holds its one mesh.
  mNumMeshes = mNumNodes == 0 ? 1 : mNumNodes;
}

void LevelImport::EnterNodes() {
  for (uint32_t i = 0; i < mNumMeshes; ++i) EnterNode(i);
}

// The mesh and its keyframer node are released at the end, node first.
void LevelImport::EnterNode(uint32_t index) {
  MeshHandle mesh;
  FailOn(FetchMesh(mDb, index, mesh));
  FailOn(CheckMeshRecord(*mesh));

  ObjectNodeHandle kf;
  FailOn(FetchObjectNode(mDb, index, mNumNodes > 0, kf));
  if (kf) FailOn(CheckNodeRecord(*kf, *mesh));
  FailOn(CheckObjectName(*mesh));
  FailOn(CheckMeshFrame(*mesh, kf.get()));

  sMatrix m;
  memcpy(m.m, mesh->localframe, sizeof m.m);
  for (int t = 9; t < 12; ++t) m.m[t] = m.m[t] * mMeshScale;

  mShape.mNodeTree.AddNode(mesh->name, kf ? kf->parent : nullptr, m, mLevelIndex);
  mNumPoints += mesh->pointcount;
}

void LevelImport::ImportGeometry() {
  // Every vertex of the level may become a point of its own.
  mShape.mPoints.Reserve(size_t(mShape.mPoints.mNumObjs) + mNumPoints);
  for (uint32_t i = 0; i < mNumMeshes; ++i) ImportMeshGeometry(i);
}

// The normals, the keyframer node and the mesh are released at the end, in that order.
void LevelImport::ImportMeshGeometry(uint32_t index) {
  MeshHandle mesh;
  FailOn(FetchMesh(mDb, index, mesh));
  FailOn(CheckMeshRecord(*mesh));
  FailOn(CheckMeshGeometry(*mesh));

  ObjectNodeHandle kf;
  FailOn(FetchObjectNode(mDb, index, mNumNodes > 0, kf));
  if (kf) FailOn(CheckNodeTracks(*kf, mesh->name, mLevelIndex == 0));

  sTreeNode* node = mShape.mNodeTree.FindNode(mesh->name);
  if (!node) {
    FailWith(MakeProblem(
        ProblemCode::NODE_NOT_FOUND, mesh->name,
        "the node of mesh '" + std::string(mesh->name) + "' is missing from the hierarchy"));
  }

  IntoNodeFrame(*mesh, *node, kf.get());
  FailOn(TryComputeMeshNormals(*mesh, mNormals));
  mPointMemo.assign(mesh->pointcount, sPointMemo());
  mNormalMemo.assign(mNormals.mStore.size(), sNormalMemo());

  // Animation is taken from the first level only.
  if (kf && mLevelIndex == 0) mShape.AddNodeTrack(kf.get(), node);

  for (uint32_t j = 0; j < mesh->matgroupcount; ++j) {
    ImportMaterialGroup(*mesh, mesh->matgrouparray[j], node);
  }
}

void LevelImport::IntoNodeFrame(Mesh3ds& mesh, const sTreeNode& node, const KfMesh3ds* kf) {
  for (uint32_t v = 0; v < mesh.pointcount; ++v) {
    Point3ds& p = mesh.pointarray[v];
    sVector q = node.mInvMatrix.TransformPoint(sVector(p.x, p.y, p.z));
    if (kf) q = q - sVector(kf->pivot.x, kf->pivot.y, kf->pivot.z);
    p = {q.x, q.y, q.z};
  }
}

void LevelImport::ImportMaterialGroup(const Mesh3ds& mesh, const MeshMatGroup3ds& g,
                                      sTreeNode* node) {
  const sGroupMaterial material = ResolveMaterial(g);
  const sGroupStates states = AddRenderStates(material, node);
  sSubObject& sub = EnterSubObject(material, states);
  AddFaces(mesh, g, states, sub);
}

// The material record is released once its names are taken.
// A remembered material is the one reading it again would give. Only a reading that left no
// toolkit error is remembered, and none is used while an error is pending, so that the fetch
// that finds a pending error fails as it would without the memory.
LevelImport::sGroupMaterial LevelImport::ResolveMaterial(const MeshMatGroup3ds& g) {
  if (ErrorsPending3ds) return ReadMaterial(g);
  const auto known = mMaterials.find(g.name);
  if (known != mMaterials.end()) return known->second;
  const sGroupMaterial result = ReadMaterial(g);
  if (!ErrorsPending3ds) mMaterials.emplace(g.name, result);
  return result;
}

LevelImport::sGroupMaterial LevelImport::ReadMaterial(const MeshMatGroup3ds& g) const {
  MaterialHandle material;
  FailOn(FetchMaterial(mDb, g.name, material));

  sGroupMaterial result;
  FailOn(ParseMaterialName(g.name, result.mType, result.mNumber, result.mSorted));
  FailOn(CheckMaterialMaps(*material, g.name, *result.mType));

  result.mImage = ImageName(material->texture.map.name);
  if (result.mType->mLightCfg == LIGHTCFG_REFLECT) {
    result.mImage2 = ImageName(material->texture2.map.name);
  }
  return result;
}

LevelImport::sGroupStates LevelImport::AddRenderStates(const sGroupMaterial& material,
                                                       sTreeNode* node) {
  const sMatType& type = *material.mType;
  sGroupStates states;
  states.mLightCfg = mShape.mLightCfgs.FindOrAdd(type.mLightCfg);
  states.mVtxState = mShape.mVtxStates.FindOrAdd({node, type.mLightMat, states.mLightCfg});
  states.mShader = mShape.mShaders.FindOrAdd(type.mShader);
  ObjEntry<sImageName>* image = mShape.mImages.FindOrAdd(material.mImage);
  ObjEntry<sImageName>* image2 = nullptr;
  if (type.mLightCfg == LIGHTCFG_REFLECT) image2 = mShape.mImages.FindOrAdd(material.mImage2);
  states.mPrimState =
      mShape.mPrimStates.FindOrAdd({states.mShader, image, image2, states.mVtxState,
                                    type.mAlphaTestMode, type.mZBufMode, type.mSortKey});
  return states;
}

sSubObject& LevelImport::EnterSubObject(const sGroupMaterial& material,
                                        const sGroupStates& states) {
  sSubObject newSub;
  newSub.mId = material.mNumber;
  sSubObject& sub = mLevel->mSubObjects.FindOrAdd(std::move(newSub))->mObj;
  if (material.mSorted) sub.mFlags |= SUBOBJ_SORTED;
  if (material.mType->mClearFlag400) sub.mFlags &= ~SUBOBJ_FLAG400;
  sub.mShaderRefs.FindOrAdd(states.mShader);
  sub.mLightCfgRefs.FindOrAdd(states.mLightCfg);
  return sub;
}

// Within a face the three corners' vertex normals are pooled before the face normal, and within
// a corner the point before the texture coordinate, the normal and the vertex (see the top of
// this file for the batches).
void LevelImport::AddFaces(const Mesh3ds& mesh, const MeshMatGroup3ds& g,
                           const sGroupStates& states, sSubObject& sub) {
  // Each face adds a triangle, and its corners add at most one vertex per vertex normal.
  sub.mTriangles.ReserveEntries(size_t(sub.mTriangles.mNumObjs) + g.trianglecount);
  sub.mVertices.Reserve(size_t(sub.mVertices.mNumObjs) +
                        std::min(size_t(3) * g.trianglecount, mNormals.mStore.size()));
  const size_t BATCH = 64;  // faces
  mCorners.resize(3 * BATCH);
  mFaceNormals.resize(BATCH);
  for (size_t first = 0; first < g.trianglecount; first += BATCH) {
    const size_t n = std::min(BATCH, size_t(g.trianglecount) - first);
    const uint16_t* faces = &g.triangleindex[first];

    for (size_t i = 0; i < n; ++i) {
      const uint16_t f = faces[i];
      const uint32_t s = mesh.smoothingarray ? mesh.smoothingarray[f] : 0;
      const Face3ds& face = mesh.trianglearray[f];
      const uint16_t vertices[3] = {face.v1, face.v2, face.v3};
      for (int c = 0; c < 3; ++c) {
        sCorner& corner = mCorners[3 * i + c];
        corner.mVertex = vertices[c];
        const sVNorm& vn = FindVertexNormalEntry(&mNormals, s, corner.mVertex);
        corner.mNormalMemo = &mNormalMemo[vn.mNumber];
        corner.mNormal = &vn.mNorm;
      }
    }
    const size_t corners = 3 * n;

    auto pointOf = [&](const sCorner& c) {
      const Point3ds& p = mesh.pointarray[c.mVertex];
      return sVector(p.x, p.y, p.z) * mMeshScale;
    };
    for (size_t i = 0; i < corners; ++i) {
      const sCorner& c = mCorners[i];
      if (!mPointMemo[c.mVertex].mPoint.entry) mShape.mPoints.Prefetch(pointOf(c));
    }
    for (size_t i = 0; i < corners; ++i) {
      sCorner& c = mCorners[i];
      c.mPointEntry = mShape.mPoints.FindOrAdd(pointOf(c), mPointMemo[c.mVertex].mPoint);
    }

    for (size_t i = 0; i < corners; ++i) {
      sCorner& c = mCorners[i];
      const TexVert3ds& t = mesh.textarray[c.mVertex];
      c.mUVEntry = mShape.mUVPoints.FindOrAdd(sUVPoint{t.u, t.v}, mPointMemo[c.mVertex].mUVPoint);
    }

    for (size_t i = 0; i < n; ++i) {
      for (int k = 0; k < 3; ++k) {
        const sCorner& c = mCorners[3 * i + k];
        if (!c.mNormalMemo->mNormal.entry) mShape.mNormals.Prefetch(*c.mNormal);
      }
      mShape.mNormals.Prefetch(mNormals.mFaceNorms[faces[i]]);
    }
    for (size_t i = 0; i < n; ++i) {
      for (int k = 0; k < 3; ++k) {
        sCorner& c = mCorners[3 * i + k];
        c.mNormalEntry = mShape.mNormals.FindOrAdd(*c.mNormal, c.mNormalMemo->mNormal);
      }
      mFaceNormals[i] = mShape.mNormals.FindOrAdd(mNormals.mFaceNorms[faces[i]]);
    }

    auto vertexOf = [&](const sCorner& c) {
      return sVertex{states.mVtxState, c.mPointEntry, c.mNormalEntry, c.mUVEntry};
    };
    for (size_t i = 0; i < corners; ++i) {
      sCorner& c = mCorners[i];
      sNormalMemo& memo = *c.mNormalMemo;
      // A hint made in another sub-object's vertex pool is of no use here.
      if (memo.mVertexPool != &sub.mVertices) {
        memo.mVertexPool = &sub.mVertices;
        memo.mVertex = PoolHint<sVertex>();
      }
      if (!memo.mVertex.entry) sub.mVertices.Prefetch(vertexOf(c));
    }
    for (size_t i = 0; i < corners; ++i) {
      sCorner& c = mCorners[i];
      c.mVertexEntry = sub.mVertices.FindOrAdd(vertexOf(c), c.mNormalMemo->mVertex);
    }

    for (size_t i = 0; i < n; ++i) {
      const sCorner* c = &mCorners[3 * i];
      sub.mTriangles.Add({states.mPrimState,
                          {c[0].mVertexEntry, c[1].mVertexEntry, c[2].mVertexEntry},
                          mFaceNormals[i]});
    }
  }
}

}  // namespace

void Shape::ImportLevel(Database3ds* db, int levelIndex, int maxDist) {
  const float meshScale = GetMeshScale(db);
  FailOn(CheckToolkitErrors("reading the mesh settings"));

  if (levelIndex == 0) {
    ReadAnimSettings(db);
    mNumAnimated = 0;
  }

  LevelImport import(*this, db, levelIndex, meshScale);
  import.EnterDistLevel(maxDist);
  import.CountObjects();
  import.EnterNodes();
  mNodeTree.ComputeMatrices();
  import.ImportGeometry();
}
