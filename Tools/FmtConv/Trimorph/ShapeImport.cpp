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
#include <cstring>

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

  void EnterNode(uint32_t index);
  void ImportMeshGeometry(uint32_t index);
  // Brings the mesh's vertices into the node's frame, relative to the keyframer node's pivot.
  static void IntoNodeFrame(Mesh3ds& mesh, const sTreeNode& node, const KfMesh3ds* kf);
  void ImportMaterialGroup(const Mesh3ds& mesh, const MeshMatGroup3ds& g, sTreeNode* node,
                           const sMeshNorm& normals);
  sGroupMaterial ResolveMaterial(const MeshMatGroup3ds& g) const;
  sGroupStates AddRenderStates(const sGroupMaterial& material, sTreeNode* node);
  sSubObject& EnterSubObject(const sGroupMaterial& material, const sGroupStates& states);
  void AddFaces(const Mesh3ds& mesh, const MeshMatGroup3ds& g, const sMeshNorm& normals,
                const sGroupStates& states, sSubObject& sub);

  Shape& mShape;
  Database3ds* const mDb;
  const int mLevelIndex;
  const float mMeshScale;
  sDistLevel* mLevel = nullptr;
  uint32_t mNumNodes = 0;   // keyframer object nodes
  uint32_t mNumMeshes = 0;  // meshes to import
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
}

void LevelImport::ImportGeometry() {
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
  const std::unique_ptr<sMeshNorm> normals = ComputeMeshNormals(mesh.get());

  // Animation is taken from the first level only.
  if (kf && mLevelIndex == 0) mShape.AddNodeTrack(kf.get(), node);

  for (uint32_t j = 0; j < mesh->matgroupcount; ++j) {
    ImportMaterialGroup(*mesh, mesh->matgrouparray[j], node, *normals);
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
                                      sTreeNode* node, const sMeshNorm& normals) {
  const sGroupMaterial material = ResolveMaterial(g);
  const sGroupStates states = AddRenderStates(material, node);
  sSubObject& sub = EnterSubObject(material, states);
  AddFaces(mesh, g, normals, states, sub);
}

// The material record is released once its names are taken.
LevelImport::sGroupMaterial LevelImport::ResolveMaterial(const MeshMatGroup3ds& g) const {
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
// a corner the point before the texture coordinate, the normal and the vertex.
void LevelImport::AddFaces(const Mesh3ds& mesh, const MeshMatGroup3ds& g, const sMeshNorm& normals,
                           const sGroupStates& states, sSubObject& sub) {
  for (uint32_t r = 0; r < g.trianglecount; ++r) {
    const uint16_t f = g.triangleindex[r];
    const uint32_t s = mesh.smoothingarray ? mesh.smoothingarray[f] : 0;
    const Face3ds& face = mesh.trianglearray[f];
    const uint16_t corners[3] = {face.v1, face.v2, face.v3};
    ObjEntry<sVertex>* vertices[3];
    for (int c = 0; c < 3; ++c) {
      const uint16_t v = corners[c];
      const Point3ds& p = mesh.pointarray[v];
      ObjEntry<sVector>* point = mShape.mPoints.FindOrAdd(sVector(p.x, p.y, p.z) * mMeshScale);
      const TexVert3ds& t = mesh.textarray[v];
      ObjEntry<sUVPoint>* uv = mShape.mUVPoints.FindOrAdd(sUVPoint{t.u, t.v});
      ObjEntry<sVector>* normal = mShape.mNormals.FindOrAdd(FindVertexNormal(&normals, s, v));
      vertices[c] = sub.mVertices.FindOrAdd({states.mVtxState, point, normal, uv});
    }
    ObjEntry<sVector>* faceNormal = mShape.mNormals.FindOrAdd(normals.mFaceNorms[f]);
    sub.mTriangles.Add({states.mPrimState, {vertices[0], vertices[1], vertices[2]}, faceNormal});
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
