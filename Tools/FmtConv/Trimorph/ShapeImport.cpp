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
// hints, the faces of a run) is kept from mesh to mesh.
//
// The faces of a material group are taken in runs, and a run's in batches. Each pool sees its
// calls in the order of the faces and of their corners, as one corner after the other would
// make them, but each pool's calls for a whole batch are made together: the points, then the
// texture coordinates, the normals (per face three vertex normals, then the face normal), the
// vertices and the triangles. The pools do not depend on each other's calls, only on the entries
// those return, so every pool gets the very calls it got before. Ahead of a pool's calls, the
// places in its index that they will read are asked for (Prefetch), so that the memory delivers
// them together rather than one after the other.
//
// For the same reason the pools can be filled by two threads at once, each pool by one of them
// in the order of the faces: with a second thread (the helper), this thread hands it the
// texture coordinates and normals of each run (see AddFaces).
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "HelperThread.h"
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

// Makes v at least n long; the elements it has keep their values.
template <class V>
void GrowTo(std::vector<V>& v, size_t n) {
  if (v.size() < n) v.resize(n);
}

// One level's import: the steps of Shape::ImportLevel and what they share.
class LevelImport {
 public:
  // threads: with two or more, a second thread takes part in building the geometry.
  LevelImport(Shape& shape, Database3ds* db, int levelIndex, float meshScale, int threads)
      : mShape(shape), mDb(db), mLevelIndex(levelIndex), mMeshScale(meshScale) {
    if (threads >= 2) mHelper.Start();
  }

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

  // What a vertex normal of the mesh was given last, for the normal and the vertex (together
  // with the sub-object's vertex pool the vertex hint was made in).
  struct sNormalMemo {
    PoolHint<sVector> mNormal;
    ObjSet<sVertex>* mVertexPool = nullptr;
    PoolHint<sVertex> mVertex;
  };
  // One mesh's records and the working memory of its geometry. Two take turns, so that this
  // thread can make a mesh ready while the helper is still on the faces of the one before.
  struct sMeshWork {
    MeshHandle mMesh;
    ObjectNodeHandle mKf;  // the mesh's keyframer node, if any
    sMeshNorm mNormals;
    // Per mesh vertex, what it was given last for its point and for its texture coordinate
    // (apart: two threads may write them at once).
    std::vector<PoolHint<sVector>> mPointMemo;
    std::vector<PoolHint<sUVPoint>> mUVMemo;
    std::vector<sNormalMemo> mNormalMemo;  // per vertex normal (sVNorm::mNumber)
  };
  // A run of faces of a material group, and what each pool gave their corners (three corners
  // per face, in the order of the faces). Each array is written by one pool step only, so that
  // the two threads of a parallel import never write to the same array.
  struct sRun {
    sMeshWork* mWork = nullptr;        // the mesh
    const uint16_t* mFaces = nullptr;  // the faces' numbers in the mesh
    size_t mNumFaces = 0;
    std::vector<uint16_t> mVertex;            // the corner's mesh vertex
    std::vector<sNormalMemo*> mNormalMemo;    // of the vertex normal that serves the face
    std::vector<const sVector*> mNormal;      // that vertex normal
    std::vector<ObjEntry<sVector>*> mPoints;  // the entries the pools gave the corners
    std::vector<ObjEntry<sUVPoint>*> mUVPoints;
    std::vector<ObjEntry<sVector>*> mNormals;
    std::vector<ObjEntry<sVertex>*> mVertices;
    std::vector<ObjEntry<sVector>*> mFaceNormals;  // per face

    void Resize(size_t faces);
  };

  void EnterNode(uint32_t index);
  void ImportMeshGeometry(uint32_t index);
  // Brings the mesh's vertices into the node's frame, relative to the keyframer node's pivot.
  static void IntoNodeFrame(Mesh3ds& mesh, const sTreeNode& node, const KfMesh3ds* kf);
  void ImportMaterialGroup(sMeshWork& work, const MeshMatGroup3ds& g, sTreeNode* node);
  // The material of a group, from what an earlier group of the level found for the same name
  // where it can.
  sGroupMaterial ResolveMaterial(const MeshMatGroup3ds& g);
  sGroupMaterial ReadMaterial(const MeshMatGroup3ds& g) const;
  sGroupStates AddRenderStates(const sGroupMaterial& material, sTreeNode* node);
  sSubObject& EnterSubObject(const sGroupMaterial& material, const sGroupStates& states);
  void AddFaces(sMeshWork& work, const MeshMatGroup3ds& g, const sGroupStates& states,
                sSubObject& sub);
  // Hands a job to the helper, counting it.
  void Hand(std::function<void()> job) {
    mHelper.Post(std::move(job));
    ++mHanded;
  }
  // The steps of AddFaces for a run of faces, in this order: the corners' mesh vertices and
  // vertex normals; their points; their texture coordinates; their normals and the faces';
  // their vertices and the faces' triangles.
  void GatherCorners(sRun& run);
  void PoolPoints(sRun& run);
  void PoolTexCoords(sRun& run);
  void PoolNormals(sRun& run);
  void PoolVertices(sRun& run, const sGroupStates& states, sSubObject& sub);

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
  sMeshWork mWork[2];  // of the even and the odd meshes
  // Runs of faces the helper is handed before this thread starts on one (see AddFaces).
  static constexpr size_t AHEAD = 2;
  sRun mRuns[AHEAD + 1];  // the runs of faces at hand, taken in turn
  size_t mNextRun = 0;    // the number of the next run of the level
  size_t mHanded = 0;     // jobs handed to the helper
  size_t mHandedBeforeMesh = 0;  // of them, the ones handed before the current mesh's groups
  size_t mPointsRoomJob = 0;     // the job that makes room in the points pool, until it is done

  // The second thread, when there is one. Declared last, so that it stops before the memory
  // its jobs use goes away.
  HelperThread mHelper;
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
  // Every vertex of the level may become a point of its own. The room (megabytes of index for a
  // large level, written once) is made by the helper, if there is one, while this thread makes
  // the first mesh ready; the first group waits for it.
  const size_t points = size_t(mShape.mPoints.mNumObjs) + mNumPoints;
  if (mHelper.Running()) {
    Hand([this, points] { mShape.mPoints.Reserve(points); });
    mPointsRoomJob = mHanded;
  } else {
    mShape.mPoints.Reserve(points);
  }
  for (uint32_t i = 0; i < mNumMeshes; ++i) ImportMeshGeometry(i);
  // The helper's last jobs are part of the level.
  mHelper.Wait();
}

// A mesh takes the working memory of the mesh before the last, once the helper is done with
// that one; its keyframer node and the mesh record are released then (node first), the ones
// read last at the end of the level.
void LevelImport::ImportMeshGeometry(uint32_t index) {
  mHelper.Wait(mHanded - mHandedBeforeMesh);
  sMeshWork& work = mWork[index % 2];
  work.mKf.reset();
  work.mMesh.reset();
  MeshHandle& mesh = work.mMesh;
  FailOn(FetchMesh(mDb, index, mesh));
  FailOn(CheckMeshRecord(*mesh));
  FailOn(CheckMeshGeometry(*mesh));

  ObjectNodeHandle& kf = work.mKf;
  FailOn(FetchObjectNode(mDb, index, mNumNodes > 0, kf));
  if (kf) FailOn(CheckNodeTracks(*kf, mesh->name, mLevelIndex == 0));

  sTreeNode* node = mShape.mNodeTree.FindNode(mesh->name);
  if (!node) {
    FailWith(MakeProblem(
        ProblemCode::NODE_NOT_FOUND, mesh->name,
        "the node of mesh '" + std::string(mesh->name) + "' is missing from the hierarchy"));
  }

  IntoNodeFrame(*mesh, *node, kf.get());
  FailOn(TryComputeMeshNormals(*mesh, work.mNormals));
  // The hints the mesh before last left are kept: one made for another vertex remembers a value
  // asked for earlier in the same pool, and the index takes its entry back only when that is the
  // answer for the value asked now (PoolIndex.h). Only hints never used before start empty.
  GrowTo(work.mPointMemo, mesh->pointcount);
  GrowTo(work.mUVMemo, mesh->pointcount);
  GrowTo(work.mNormalMemo, work.mNormals.mStore.size());

  // Animation is taken from the first level only.
  if (kf && mLevelIndex == 0) mShape.AddNodeTrack(kf.get(), node);

  mHandedBeforeMesh = mHanded;
  for (uint32_t j = 0; j < mesh->matgroupcount; ++j) {
    ImportMaterialGroup(work, mesh->matgrouparray[j], node);
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

void LevelImport::ImportMaterialGroup(sMeshWork& work, const MeshMatGroup3ds& g,
                                      sTreeNode* node) {
  const sGroupMaterial material = ResolveMaterial(g);
  const sGroupStates states = AddRenderStates(material, node);
  sSubObject& sub = EnterSubObject(material, states);
  AddFaces(work, g, states, sub);
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

void LevelImport::sRun::Resize(size_t faces) {
  mVertex.resize(3 * faces);
  mNormalMemo.resize(3 * faces);
  mNormal.resize(3 * faces);
  mPoints.resize(3 * faces);
  mUVPoints.resize(3 * faces);
  mNormals.resize(3 * faces);
  mVertices.resize(3 * faces);
  mFaceNormals.resize(faces);
}

// The faces are taken in runs. Alone, the import makes each run's steps one after the other.
// With the second thread, and a group large enough to pay for handing work over, the runs are
// longer and the steps of different runs go at once. This thread pools the points of each run;
// the helper pools its texture coordinates and normals. The vertices and triangles, which need
// what both gave the run, go to the thread with less to do: this one in a mesh of shared
// vertices, where the normals are most of the work, the helper in a mesh of about as many
// vertices as corners (a floor of separate tiles), where the points are. Each pool is still
// called by one thread only, in the order of the faces, so it gets the very calls it gets from
// one thread. The helper is handed its runs ahead: waking a thread that waits for work can take
// longer than the work of a run.
void LevelImport::AddFaces(sMeshWork& work, const MeshMatGroup3ds& g,
                           const sGroupStates& states, sSubObject& sub) {
  const Mesh3ds& mesh = *work.mMesh;
  // Faces per run: short ones stay in the processor's cache; a thread handing runs to another
  // needs long ones, or the handing over would cost more than it gains.
  const size_t SHORT_RUN = 64;
  const size_t LONG_RUN = 1024;
  const size_t MIN_PARALLEL_FACES = 512;
  if (mPointsRoomJob != 0) {
    mHelper.Wait(mHanded - mPointsRoomJob);  // this thread pools the points
    mPointsRoomJob = 0;
  }
  const bool parallel = mHelper.Running() && g.trianglecount >= MIN_PARALLEL_FACES;
  // The helper pools the vertices when the points are the most work: when the mesh has more
  // vertices than faces, every corner's point is a search of its own.
  const bool helperVertices = parallel && mesh.pointcount > mesh.trianglecount;
  const size_t runFaces = parallel ? LONG_RUN : SHORT_RUN;
  const size_t numRuns = (size_t(g.trianglecount) + runFaces - 1) / runFaces;

  // Each face adds a triangle, and its corners add at most one vertex per vertex normal. The
  // room is made by the thread that pools the vertices, before the group's first; this thread
  // waits until the helper is done with the pools it is about to use.
  const size_t triangles = g.trianglecount;
  const size_t vertices = std::min(size_t(3) * g.trianglecount, work.mNormals.mStore.size());
  auto reserve = [&sub, triangles, vertices] {
    sub.mTriangles.ReserveEntries(size_t(sub.mTriangles.mNumObjs) + triangles);
    sub.mVertices.Reserve(size_t(sub.mVertices.mNumObjs) + vertices);
  };
  if (!helperVertices) {
    mHelper.Wait();
    reserve();
  }

  // With the helper, the runs' memory is made as long as it gets at the level's first group,
  // before the helper has any of it.
  const size_t room = mHelper.Running() ? LONG_RUN : SHORT_RUN;
  for (sRun& run : mRuns) {
    if (run.mFaceNormals.size() < room) run.Resize(room);
  }
  const size_t firstRun = mNextRun;
  mNextRun += numRuns;
  auto startRun = [&](size_t r) -> sRun& {
    sRun& run = mRuns[(firstRun + r) % (AHEAD + 1)];
    run.mWork = &work;
    run.mFaces = &g.triangleindex[r * runFaces];
    run.mNumFaces = std::min(runFaces, size_t(g.trianglecount) - r * runFaces);
    GatherCorners(run);
    return run;
  };

  if (!parallel) {
    for (size_t r = 0; r < numRuns; ++r) {
      sRun& run = startRun(r);
      PoolPoints(run);
      PoolTexCoords(run);
      PoolNormals(run);
      PoolVertices(run, states, sub);
    }
    return;
  }
  if (helperVertices) {
    // The helper may go on with this group's last runs while this thread takes the next group
    // or makes the next mesh ready.
    for (size_t r = 0; r < numRuns; ++r) {
      // The helper is done with the run that used this memory last: every job but the last
      // AHEAD handed over is done.
      mHelper.Wait(AHEAD);
      sRun& run = startRun(r);
      PoolPoints(run);
      const bool first = r == 0;
      Hand([this, &run, states, &sub, first, reserve] {
        if (first) reserve();
        PoolTexCoords(run);
        PoolNormals(run);
        PoolVertices(run, states, sub);
      });
    }
    return;
  }
  size_t handedOver = 0;
  auto handOver = [&]() {
    sRun& run = startRun(handedOver++);
    Hand([this, &run] {
      PoolTexCoords(run);
      PoolNormals(run);
    });
  };
  while (handedOver < std::min(AHEAD, numRuns)) handOver();
  for (size_t r = 0; r < numRuns; ++r) {
    sRun& run = mRuns[(firstRun + r) % (AHEAD + 1)];
    PoolPoints(run);
    mHelper.Wait(handedOver - (r + 1));  // the helper is done with this run
    PoolVertices(run, states, sub);
    // The run after the ones handed over takes the memory of this thread's run before.
    if (handedOver < numRuns) handOver();
  }
}

// Within a face the three corners' vertex normals are pooled before the face normal, and within
// a corner the point before the texture coordinate, the normal and the vertex (see the top of
// this file for the batches).
// The steps read and write through pointers of their own: the pools' calls cannot change them,
// so they stay in registers.
void LevelImport::GatherCorners(sRun& run) {
  const Mesh3ds& mesh = *run.mWork->mMesh;
  const sMeshNorm* const normals = &run.mWork->mNormals;
  sNormalMemo* const memos = run.mWork->mNormalMemo.data();
  const uint16_t* const faces = run.mFaces;
  uint16_t* const vertex = run.mVertex.data();
  sNormalMemo** const normalMemo = run.mNormalMemo.data();
  const sVector** const normal = run.mNormal.data();
  for (size_t i = 0; i < run.mNumFaces; ++i) {
    const uint16_t f = faces[i];
    const uint32_t s = mesh.smoothingarray ? mesh.smoothingarray[f] : 0;
    const Face3ds& face = mesh.trianglearray[f];
    const uint16_t vertices[3] = {face.v1, face.v2, face.v3};
    for (int c = 0; c < 3; ++c) {
      const size_t k = 3 * i + c;
      vertex[k] = vertices[c];
      const sVNorm& vn = FindVertexNormalEntry(normals, s, vertices[c]);
      normalMemo[k] = &memos[vn.mNumber];
      normal[k] = &vn.mNorm;
    }
  }
}

// The batches of a run, BATCH faces each: a pool's searches for a batch are asked for together.
constexpr size_t BATCH = 64;

// Whether hint was made for the very bits of value: the index may then take its entry back
// without a search, which needs nothing from memory ahead. A hint made for another value (a
// vertex of an earlier mesh) leads to a search.
template <class T>
bool Remembers(const PoolHint<T>& hint, const T& value) {
  return hint.entry && memcmp(&hint.value, &value, sizeof(T)) == 0;
}

// Asks the memory for the line at p ahead of its use: the hints of a batch's corners lie all
// over the mesh's hint arrays, and read one after the other each would wait for the memory.
inline void PrefetchLine(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

template <class Step>
void ForEachBatch(size_t numFaces, Step step) {
  for (size_t first = 0; first < numFaces; first += BATCH) {
    step(first, std::min(BATCH, numFaces - first));
  }
}

void LevelImport::PoolPoints(sRun& run) {
  ObjSet<sVector>& pool = mShape.mPoints;
  PoolHint<sVector>* const memo = run.mWork->mPointMemo.data();
  const Point3ds* const points = run.mWork->mMesh->pointarray.get();
  const float scale = mMeshScale;
  const uint16_t* const vertex = run.mVertex.data();
  ObjEntry<sVector>** const out = run.mPoints.data();
  auto pointOf = [&](size_t k) {
    const Point3ds& p = points[vertex[k]];
    return sVector(p.x, p.y, p.z) * scale;
  };
  ForEachBatch(run.mNumFaces, [&](size_t firstFace, size_t n) {
    const size_t begin = 3 * firstFace, end = 3 * (firstFace + n);
    for (size_t k = begin; k < end; ++k) PrefetchLine(&memo[vertex[k]]);
    for (size_t k = begin; k < end; ++k) {
      const sVector p = pointOf(k);
      if (!Remembers(memo[vertex[k]], p)) pool.Prefetch(p);
    }
    for (size_t k = begin; k < end; ++k) out[k] = pool.FindOrAdd(pointOf(k), memo[vertex[k]]);
  });
}

void LevelImport::PoolTexCoords(sRun& run) {
  ObjSet<sUVPoint>& pool = mShape.mUVPoints;
  PoolHint<sUVPoint>* const memo = run.mWork->mUVMemo.data();
  const TexVert3ds* const texVerts = run.mWork->mMesh->textarray.get();
  const uint16_t* const vertex = run.mVertex.data();
  ObjEntry<sUVPoint>** const out = run.mUVPoints.data();
  for (size_t k = 0; k < 3 * run.mNumFaces; ++k) {
    const uint16_t v = vertex[k];
    out[k] = pool.FindOrAdd(sUVPoint{texVerts[v].u, texVerts[v].v}, memo[v]);
  }
}

void LevelImport::PoolNormals(sRun& run) {
  ObjSet<sVector>& pool = mShape.mNormals;
  const sVector* const faceNorms = run.mWork->mNormals.mFaceNorms.data();
  const uint16_t* const faces = run.mFaces;
  sNormalMemo* const* const memo = run.mNormalMemo.data();
  const sVector* const* const normal = run.mNormal.data();
  ObjEntry<sVector>** const out = run.mNormals.data();
  ObjEntry<sVector>** const faceOut = run.mFaceNormals.data();
  ForEachBatch(run.mNumFaces, [&](size_t firstFace, size_t n) {
    for (size_t k = 3 * firstFace; k < 3 * (firstFace + n); ++k) PrefetchLine(memo[k]);
    for (size_t i = firstFace; i < firstFace + n; ++i) {
      for (size_t k = 3 * i; k < 3 * i + 3; ++k) {
        if (!Remembers(memo[k]->mNormal, *normal[k])) pool.Prefetch(*normal[k]);
      }
      pool.Prefetch(faceNorms[faces[i]]);
    }
    for (size_t i = firstFace; i < firstFace + n; ++i) {
      for (size_t k = 3 * i; k < 3 * i + 3; ++k) {
        out[k] = pool.FindOrAdd(*normal[k], memo[k]->mNormal);
      }
      faceOut[i] = pool.FindOrAdd(faceNorms[faces[i]]);
    }
  });
}

void LevelImport::PoolVertices(sRun& run, const sGroupStates& states, sSubObject& sub) {
  ObjSet<sVertex>& pool = sub.mVertices;
  ObjSet<sTriangle>& triangles = sub.mTriangles;
  ObjEntry<sVtxState>* const vtxState = states.mVtxState;
  ObjEntry<sPrimState>* const primState = states.mPrimState;
  sNormalMemo* const* const memo = run.mNormalMemo.data();
  ObjEntry<sVector>* const* const points = run.mPoints.data();
  ObjEntry<sVector>* const* const normals = run.mNormals.data();
  ObjEntry<sUVPoint>* const* const uvPoints = run.mUVPoints.data();
  ObjEntry<sVector>* const* const faceNormals = run.mFaceNormals.data();
  ObjEntry<sVertex>** const out = run.mVertices.data();
  auto vertexOf = [&](size_t k) { return sVertex{vtxState, points[k], normals[k], uvPoints[k]}; };
  ForEachBatch(run.mNumFaces, [&](size_t firstFace, size_t n) {
    const size_t begin = 3 * firstFace, end = 3 * (firstFace + n);
    for (size_t k = begin; k < end; ++k) PrefetchLine(&memo[k]->mVertex);
    for (size_t k = begin; k < end; ++k) {
      sNormalMemo& m = *memo[k];
      // A hint made in another sub-object's vertex pool is of no use here.
      if (m.mVertexPool != &pool) {
        m.mVertexPool = &pool;
        m.mVertex = PoolHint<sVertex>();
      }
      const sVertex v = vertexOf(k);
      if (!Remembers(m.mVertex, v)) pool.Prefetch(v);
    }
    for (size_t k = begin; k < end; ++k) out[k] = pool.FindOrAdd(vertexOf(k), memo[k]->mVertex);
    for (size_t i = firstFace; i < firstFace + n; ++i) {
      triangles.Add({primState, {out[3 * i], out[3 * i + 1], out[3 * i + 2]}, faceNormals[i]});
    }
  });
}

}  // namespace

void Shape::ImportLevel(Database3ds* db, int levelIndex, int maxDist, int threads) {
  const float meshScale = GetMeshScale(db);
  FailOn(CheckToolkitErrors("reading the mesh settings"));

  if (levelIndex == 0) {
    ReadAnimSettings(db);
    mNumAnimated = 0;
  }

  LevelImport import(*this, db, levelIndex, meshScale, threads);
  import.EnterDistLevel(maxDist);
  import.CountObjects();
  import.EnterNodes();
  mNodeTree.ComputeMatrices();
  import.ImportGeometry();
}
