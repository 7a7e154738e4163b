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
#include <cmath>
#include <cstring>

#include "Fail.h"
#include "MaterialTypes.h"
#include "MeshNormals.h"
#include "Shape.h"
#include "ToolkitRecords.h"

namespace {

// The image name of a texture file name: the name up to its last '.', at most 15 characters.
sImageName ImageName(const char* mapName) {
  sImageName image = {};
  size_t len = strlen(mapName);
  if (const char* dot = strrchr(mapName, '.')) len = size_t(dot - mapName);
  if (len > IMAGE_NAME_SIZE - 1) len = IMAGE_NAME_SIZE - 1;
  memcpy(image.mName, mapName, len);
  return image;
}

bool Finite(float v) {
  return std::isfinite(v);
}

// Node and image names are written into the shape file as words of its parenthesised text: a
// name with white space, a control character, a parenthesis or a double quote in it would
// change the file's structure.
bool FitsShapeFileWord(const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    if (*p <= ' ' || *p == 0x7F || *p == '(' || *p == ')' || *p == '"') return false;
  }
  return true;
}

[[noreturn]] void FailInvalidGeometry(const char* meshName) {
  Fail(MakeMessage("Mesh '%s' has invalid geometry data.", meshName), false);
}

// A fetch fills nothing when a toolkit error is pending before it (or when its record cannot
// be made): the report is then the toolkit's error list, never a complaint about the record
// that was not read. errorWasPending is the toolkit's error flag as it stood before the fetch.
template <class Handle>
void RequireRecord(const Handle& record, bool errorWasPending) {
  if (!record || errorWasPending) Fail(nullptr, true);
}

// Everything the second pass reads from a mesh must lie within its arrays, and every number
// that reaches the shape file must be finite.
void CheckMeshGeometry(const Mesh3ds& mesh) {
  const char* name = mesh.name;
  if (mesh.pointarray.size() < mesh.pointcount) FailInvalidGeometry(name);
  if (mesh.textcount < mesh.pointcount || mesh.textarray.size() < mesh.pointcount) {
    FailInvalidGeometry(name);
  }
  if (mesh.trianglearray.size() < mesh.trianglecount) FailInvalidGeometry(name);
  if (mesh.smoothingarray && mesh.smoothingarray.size() < mesh.trianglecount) {
    FailInvalidGeometry(name);
  }
  for (uint32_t f = 0; f < mesh.trianglecount; ++f) {
    const Face3ds& face = mesh.trianglearray[f];
    if (face.v1 >= mesh.pointcount || face.v2 >= mesh.pointcount || face.v3 >= mesh.pointcount) {
      FailInvalidGeometry(name);
    }
  }
  if (mesh.matgrouparray.size() < mesh.matgroupcount) FailInvalidGeometry(name);
  for (uint32_t j = 0; j < mesh.matgroupcount; ++j) {
    const MeshMatGroup3ds& g = mesh.matgrouparray[j];
    if (g.trianglecount > 0 && g.triangleindex.size() < g.trianglecount) FailInvalidGeometry(name);
    for (uint32_t r = 0; r < g.trianglecount; ++r) {
      if (g.triangleindex[r] >= mesh.trianglecount) FailInvalidGeometry(name);
    }
  }
  for (uint32_t v = 0; v < mesh.pointcount; ++v) {
    const Point3ds& p = mesh.pointarray[v];
    const TexVert3ds& t = mesh.textarray[v];
    if (!Finite(p.x) || !Finite(p.y) || !Finite(p.z) || !Finite(t.u) || !Finite(t.v)) {
      FailInvalidGeometry(name);
    }
  }
}

// The keyframer node's pivot and, on the first level, the tracks that become animation keys.
void CheckNodeValues(const KfMesh3ds& kf, const char* meshName, bool firstLevel) {
  if (!Finite(kf.pivot.x) || !Finite(kf.pivot.y) || !Finite(kf.pivot.z)) {
    FailInvalidGeometry(meshName);
  }
  if (!firstLevel) return;
  if (kf.poskeycount > 1) {
    if (kf.posvalues.size() < kf.poskeycount || kf.poskeys.size() < kf.poskeycount) {
      FailInvalidGeometry(meshName);
    }
    for (uint32_t i = 0; i < kf.poskeycount; ++i) {
      const Point3ds& p = kf.posvalues[i];
      if (!Finite(p.x) || !Finite(p.y) || !Finite(p.z)) FailInvalidGeometry(meshName);
    }
  }
  if (kf.rotkeycount > 1) {
    if (kf.rotvalues.size() < kf.rotkeycount || kf.rotkeys.size() < kf.rotkeycount) {
      FailInvalidGeometry(meshName);
    }
    for (uint32_t i = 0; i < kf.rotkeycount; ++i) {
      const RotKey3ds& r = kf.rotvalues[i];
      if (!Finite(r.angle) || !Finite(r.x) || !Finite(r.y) || !Finite(r.z)) {
        FailInvalidGeometry(meshName);
      }
    }
  }
}

}  // namespace

float Shape::GetMeshScale(Database3ds* db) {
  // The master scale of the file is not applied; reading the settings (released at once)
  // surfaces toolkit errors.
  const MeshSettingsHandle settings = FetchMeshSettings(db);
  return 1.0f;
}

void Shape::ReadAnimSettings(Database3ds* db) {
  const bool errorWasPending = ErrorsPending3ds;
  const KeyframerSettingsHandle kfsets = FetchKeyframerSettings(db);
  RequireRecord(kfsets, errorWasPending);
  mNumFrames = kfsets->anim.length;
  mFrameRate = 30;
  if (kfsets->seg.use && !(kfsets->seg.begin == 0 && kfsets->seg.end == kfsets->anim.length)) {
    Fail("Animation segment beginning/end do not match track limits.", false);
  }
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
  if (mNumNodes == 0) {
    if (meshCount != 1) Fail("No nodes, so mesh count must be 1.", false);
    mNumMeshes = 1;
  } else {
    if (mNumNodes != meshCount) {
      Fail("Dummy nodes are not supported, number of nodes must match number of meshes.", false);
    }
    mNumMeshes = mNumNodes;
  }
}

void LevelImport::EnterNodes() {
  for (uint32_t i = 0; i < mNumMeshes; ++i) EnterNode(i);
}

// The mesh and its keyframer node are released at the end, node first.
void LevelImport::EnterNode(uint32_t index) {
  const bool errorWasPending = ErrorsPending3ds;
  const MeshHandle mesh = FetchMesh(mDb, index);
  RequireRecord(mesh, errorWasPending);
  if (!mesh->textarray) Fail("Untextured nodes/shapes are not supported.", false);

  const bool errorBeforeNode = ErrorsPending3ds;
  const ObjectNodeHandle kf = FetchObjectNode(mDb, index);
  if (mNumNodes > 0) RequireRecord(kf, errorBeforeNode);
  if (kf) {
    if (kf->instance[0]) Fail("Instance found in mesh file, instances are not supported.", false);
    if (strcmp(kf->name, mesh->name) != 0) {
      Fail("Non-matching mesh and animation node found.", false);
    }
  }

  // A node name is a word of its own; an image name is followed by ".ace".
  if (!mesh->name[0] || !FitsShapeFileWord(mesh->name)) {
    Fail(MakeMessage("Object name '%s' cannot be written to a shape file.", mesh->name), false);
  }

  sMatrix m;
  memcpy(m.m, mesh->localframe, sizeof m.m);
  if (!m.IsOrthoNormal()) {
    if (kf) {
      Fail(MakeMessage("Node '%s' has a scale or reflection in it, these are not supported.",
                       kf->name),
           false);
    }
    Fail("Node has a scale or reflection in it, these are not supported.", false);
  }
  if (!Finite(m.m[9]) || !Finite(m.m[10]) || !Finite(m.m[11])) FailInvalidGeometry(mesh->name);
  for (int t = 9; t < 12; ++t) m.m[t] = m.m[t] * mMeshScale;

  mShape.mNodeTree.AddNode(mesh->name, kf ? kf->parent : nullptr, m, mLevelIndex);
}

void LevelImport::ImportGeometry() {
  for (uint32_t i = 0; i < mNumMeshes; ++i) ImportMeshGeometry(i);
}

// The normals, the keyframer node and the mesh are released at the end, in that order.
void LevelImport::ImportMeshGeometry(uint32_t index) {
  const bool errorWasPending = ErrorsPending3ds;
  const MeshHandle mesh = FetchMesh(mDb, index);
  RequireRecord(mesh, errorWasPending);
  if (!mesh->textarray) Fail("Untextured nodes/shapes are not supported.", false);
  CheckMeshGeometry(*mesh);

  const bool errorBeforeNode = ErrorsPending3ds;
  const ObjectNodeHandle kf = FetchObjectNode(mDb, index);
  if (mNumNodes > 0) RequireRecord(kf, errorBeforeNode);
  if (kf) CheckNodeValues(*kf, mesh->name, mLevelIndex == 0);

  sTreeNode* node = mShape.mNodeTree.FindNode(mesh->name);
  if (!node) Fail(nullptr, false);

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
  const bool errorBeforeMaterial = ErrorsPending3ds;
  const MaterialHandle material = FetchMaterial(mDb, g.name);
  if (errorBeforeMaterial || (!material && ErrorsPending3ds)) Fail(nullptr, true);
  if (!material) Fail(MakeMessage("Material '%s' not found in 3ds file.", g.name), false);

  sGroupMaterial result;
  ParseMaterialName(g.name, result.mType, result.mNumber, result.mSorted);

  if (!material->texture.map.name[0]) {
    Fail(MakeMessage("No texture name found in material '%s'.", g.name), false);
  }
  const bool reflects = result.mType->mLightCfg == LIGHTCFG_REFLECT;
  if (reflects && !material->texture2.map.name[0]) {
    Fail(MakeMessage("No reflection map texture name found in material '%s' texture 2.", g.name),
         false);
  }

  auto imageOf = [&g](const char* mapName) {
    sImageName image = ImageName(mapName);
    if (!FitsShapeFileWord(image.mName)) {
      Fail(MakeMessage("Texture name '%s' of material '%s' cannot be written to a shape file.",
                       mapName, g.name),
           false);
    }
    return image;
  };
  result.mImage = imageOf(material->texture.map.name);
  if (reflects) result.mImage2 = imageOf(material->texture2.map.name);
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
  if (ErrorsPending3ds) Fail(nullptr, true);

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
