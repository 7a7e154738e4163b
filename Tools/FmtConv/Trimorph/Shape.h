// The shape model: every level of detail merged into one node hierarchy and one set of pools,
// the import that fills it and the output stage that writes it as a text shape file.
#ifndef TRIMORPH_SHAPE_H
#define TRIMORPH_SHAPE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "NodeTree.h"
#include "ObjSet.h"
#include "ShapeMath.h"

struct Database3ds;
struct KfMesh3ds;
struct Mesh3ds;

//--------------------------------------------------------------------------------------------
// Pooled records
//--------------------------------------------------------------------------------------------

struct sUVPoint {
  float u = 0, v = 0;
};

struct sVolSphere {
  sVector mCentre;
  float mRadius = 0;
};

// Texture file name without extension, NUL-terminated within its 16 bytes.
constexpr int IMAGE_NAME_SIZE = 16;
struct sImageName {
  char mName[IMAGE_NAME_SIZE];
};

// Light configuration ids.
constexpr int LIGHTCFG_NORMAL = 0;
constexpr int LIGHTCFG_REFLECT = 1;

struct sVtxState {
  sTreeNode* mNode;          // the node whose matrix the vertices use
  int mLightMat;             // light material number of the material type
  ObjEntry<int>* mLightCfg;  // entry of mLightCfgs
};

struct sPrimState {
  ObjEntry<int>* mShader;           // entry of mShaders
  ObjEntry<sImageName>* mTexture;   // entry of mImages
  ObjEntry<sImageName>* mTexture2;  // entry of mImages (reflection map), or none
  ObjEntry<sVtxState>* mVtxState;   // entry of mVtxStates
  int mAlphaTestMode;
  int mZBufMode;
  int mSortKey;
};

struct sGeomNode {
  sTreeNode* mNode;
  int mNumTxLightCmds = 0;
  int mNumTriangles = 0;
  int mNumTrilists = 0;
};

struct sVertex {
  ObjEntry<sVtxState>* mVtxState;
  ObjEntry<sVector>* mPoint;     // entry of mPoints
  ObjEntry<sVector>* mNormal;    // entry of mNormals (vertex normal)
  ObjEntry<sUVPoint>* mUVPoint;  // entry of mUVPoints
};

struct sTriangle {
  ObjEntry<sPrimState>* mPrimState;
  ObjEntry<sVertex>* mVertices[3];  // entries of the sub-object's mVertices, in corner order
  ObjEntry<sVector>* mNormal;       // entry of mNormals (face normal)
};

// Sub-object flag bits.
constexpr uint32_t SUBOBJ_SORTED = 0x300;   // added by a material whose name carries the sort flag
constexpr uint32_t SUBOBJ_FLAG400 = 0x400;  // set at creation
constexpr int SUBOBJ_LIGHTFLAGS = 0x1C4;    // at creation
constexpr int SUBOBJ_LIGHTFLAGS_REFLECT = 0x2C4;  // once a vertex state uses LIGHTCFG_REFLECT

struct sSubObject {
  int mId = 0;  // sub-object number from the material name; the pool key
  int mLightFlags = SUBOBJ_LIGHTFLAGS;
  uint32_t mFlags = SUBOBJ_FLAG400;
  ObjEntry<sVector>* mSortVector = nullptr;  // entry of mSortVectors, or none
  ObjEntry<sVolSphere>* mVolume = nullptr;   // entry of mVolumes, or none
  int mNumTxLightCmds = 0;
  int mNumTriangles = 0;
  int mNumTrilists = 0;
  ObjSet<sGeomNode> mGeomNodes;
  ObjSet<ObjEntry<int>*> mShaderRefs;
  ObjSet<ObjEntry<int>*> mLightCfgRefs;
  ObjSet<sVertex> mVertices;
  ObjSet<sTriangle> mTriangles;  // filled with Add: triangles are never merged
};

struct sDistLevel {
  int mMaxDist = 0;  // maximum visible distance in metres; the pool key
  // Bit i (mod 32) for every input file i that fed this distance level.
  uint32_t mFileMask = 0;
  ObjSet<sSubObject> mSubObjects;
};

struct sPosKey {
  int mFrame;
  float x, y, z;
};

struct sRotKey {
  int mFrame;
  float x, y, z, w;  // absolute rotation quaternion
};

struct sAnimNode {
  sTreeNode* mNode = nullptr;
  int mNumPosKeys = 0;
  sPosKey* mPosKeys = nullptr;  // start of mKeyBlock, or none
  int mNumRotKeys = 0;
  sRotKey* mRotKeys = nullptr;  // right behind the position keys in mKeyBlock, or none
  // One block holding the position keys followed by the rotation keys.
  std::unique_ptr<unsigned char[]> mKeyBlock;
};

//--------------------------------------------------------------------------------------------
// Pool equalities
//--------------------------------------------------------------------------------------------

// Tolerant comparison of one float member: the difference, formed without rounding to single
// precision, is strictly less than NEAR_TOLERANCE. A NaN never matches.
inline bool NearValue(float a, float b) {
  return std::fabs(double(a) - double(b)) < double(NEAR_TOLERANCE);
}

// Tolerant pools give the index the floats they compare (Components); exact pools a hash of
// the members they compare (Hash).
template <>
struct ObjTraits<sVector> {
  static bool Equal(const sVector& a, const sVector& b) {
    return NearValue(a.x, b.x) && NearValue(a.y, b.y) && NearValue(a.z, b.z);
  }
  static constexpr int NEAR_COMPONENTS = 3;
  static void Components(const sVector& a, float* c) {
    c[0] = a.x;
    c[1] = a.y;
    c[2] = a.z;
  }
};
template <>
struct ObjTraits<sUVPoint> {
  static bool Equal(const sUVPoint& a, const sUVPoint& b) {
    return NearValue(a.u, b.u) && NearValue(a.v, b.v);
  }
  static constexpr int NEAR_COMPONENTS = 2;
  static void Components(const sUVPoint& a, float* c) {
    c[0] = a.u;
    c[1] = a.v;
  }
};
template <>
struct ObjTraits<sVolSphere> {
  static bool Equal(const sVolSphere& a, const sVolSphere& b) {
    return ObjTraits<sVector>::Equal(a.mCentre, b.mCentre) && NearValue(a.mRadius, b.mRadius);
  }
  static constexpr int NEAR_COMPONENTS = 4;
  static void Components(const sVolSphere& a, float* c) {
    ObjTraits<sVector>::Components(a.mCentre, c);
    c[3] = a.mRadius;
  }
};
// Image names are equal when equal ignoring the case of letters.
template <>
struct ObjTraits<sImageName> {
  static bool Equal(const sImageName& a, const sImageName& b);
  static uint64_t Hash(const sImageName& a);
};
template <>
struct ObjTraits<sVtxState> {
  static bool Equal(const sVtxState& a, const sVtxState& b) {
    return a.mNode == b.mNode && a.mLightMat == b.mLightMat && a.mLightCfg == b.mLightCfg;
  }
  static uint64_t Hash(const sVtxState& a) { return PoolHash(a.mNode, a.mLightMat, a.mLightCfg); }
};
template <>
struct ObjTraits<sPrimState> {
  static bool Equal(const sPrimState& a, const sPrimState& b) {
    return a.mShader == b.mShader && a.mTexture == b.mTexture && a.mTexture2 == b.mTexture2 &&
           a.mVtxState == b.mVtxState && a.mAlphaTestMode == b.mAlphaTestMode &&
           a.mZBufMode == b.mZBufMode && a.mSortKey == b.mSortKey;
  }
  static uint64_t Hash(const sPrimState& a) {
    return PoolHash(a.mShader, a.mTexture, a.mTexture2, a.mVtxState, a.mAlphaTestMode, a.mZBufMode,
                    a.mSortKey);
  }
};
template <>
struct ObjTraits<sDistLevel> {
  static bool Equal(const sDistLevel& a, const sDistLevel& b) { return a.mMaxDist == b.mMaxDist; }
  static uint64_t Hash(const sDistLevel& a) { return PoolHash(a.mMaxDist); }
};
template <>
struct ObjTraits<sSubObject> {
  static bool Equal(const sSubObject& a, const sSubObject& b) { return a.mId == b.mId; }
  static uint64_t Hash(const sSubObject& a) { return PoolHash(a.mId); }
};
template <>
struct ObjTraits<sGeomNode> {
  static bool Equal(const sGeomNode& a, const sGeomNode& b) { return a.mNode == b.mNode; }
  static uint64_t Hash(const sGeomNode& a) { return PoolHash(a.mNode); }
};
template <>
struct ObjTraits<sVertex> {
  static bool Equal(const sVertex& a, const sVertex& b) {
    return a.mVtxState == b.mVtxState && a.mPoint == b.mPoint && a.mNormal == b.mNormal &&
           a.mUVPoint == b.mUVPoint;
  }
  static uint64_t Hash(const sVertex& a) {
    return PoolHash(a.mVtxState, a.mPoint, a.mNormal, a.mUVPoint);
  }
};
template <>
struct ObjTraits<sAnimNode> {
  static bool Equal(const sAnimNode& a, const sAnimNode& b) { return a.mNode == b.mNode; }
  static uint64_t Hash(const sAnimNode& a) { return PoolHash(a.mNode); }
};

//--------------------------------------------------------------------------------------------
// Material types
//--------------------------------------------------------------------------------------------

// Shader ids.
constexpr int SHADER_TEX = 0;
constexpr int SHADER_TEXDIFF = 1;
constexpr int SHADER_BLENDATEX = 2;
constexpr int SHADER_BLENDATEXDIFF = 3;
constexpr int SHADER_GLOSSMAP = 4;

struct sMatType {
  char mName[16];  // the type word, compared without regard to case
  int mLightMat;   // light material number
  uint8_t mClearFlag400;
  int mLightCfg;  // LIGHTCFG_NORMAL or LIGHTCFG_REFLECT
  int mShader;    // shader id
  int mSortKey;
  int mAlphaTestMode;
  int mZBufMode;
};

constexpr int NUM_MATERIAL_TYPES = 36;
extern const sMatType MaterialTypes[NUM_MATERIAL_TYPES];

// Splits a material name "{type word}{sub-object number}[s]..." and finds its type. Fails with
// a message naming the material when the name has no type word or an unknown one.
void ParseMaterialName(const char* name, const sMatType*& type, int& number, bool& sorted);

//--------------------------------------------------------------------------------------------
// Vertex normals of one mesh
//--------------------------------------------------------------------------------------------

struct sVNorm {
  sVNorm* mNext;
  sVector mNorm;       // sum of the face normals merged in; unit length once finished
  sVector mFirstNorm;  // the face normal that created the entry
  uint32_t mGroups;    // union of the smoothing groups merged in
};

struct sMeshNorm {
  std::vector<sVector> mFaceNorms;      // one unit normal per face
  std::vector<sVNorm*> mVNormListPtrs;  // per vertex: its normals, newest first
  std::deque<sVNorm> mStore;            // owns every sVNorm of the lists
};

std::unique_ptr<sMeshNorm> ComputeMeshNormals(const Mesh3ds* mesh);
void AddVertexNormal(sMeshNorm* normals, sVNorm** list, const sVector& n, uint32_t s);
const sVector& FindVertexNormal(sMeshNorm* normals, uint32_t s, uint16_t v);

//--------------------------------------------------------------------------------------------
// Output names
//--------------------------------------------------------------------------------------------

// The name a node is written under: the long name of a pantograph or wiper short name
// (compared without case), otherwise the node's own name.
const char* NodeAlias(const char* name);

//--------------------------------------------------------------------------------------------
// The shape model
//--------------------------------------------------------------------------------------------

class Shape {
 public:
  ObjSet<sVolSphere> mVolumes;
  ObjSet<int> mShaders;
  ObjSet<sVector> mPoints;
  ObjSet<sUVPoint> mUVPoints;
  ObjSet<sVector> mNormals;
  ObjSet<sVector> mSortVectors;
  NodeTree mNodeTree;
  ObjSet<sImageName> mImages;
  ObjSet<int> mLightCfgs;
  ObjSet<sVtxState> mVtxStates;
  ObjSet<sPrimState> mPrimStates;
  ObjSet<sDistLevel> mDistLevels;
  int mNumFrames = 0;
  int mFrameRate = 0;
  int mNumAnimated = 0;
  ObjSet<sAnimNode> mAnimNodes;

  // Reads one level file into the model (open, import, release).
  void ReadLevel(const char* fileName, int levelIndex, int maxDist);
  // Merges one level of detail, read into a database, into the model.
  void ImportLevel(Database3ds* db, int levelIndex, int maxDist);
  // The scale applied to a level's geometry (reads the mesh settings to surface toolkit errors).
  static float GetMeshScale(Database3ds* db);

  // Animation of the first level: length, frame rate and segment check; one node's keys.
  void ReadAnimSettings(Database3ds* db);
  void AddNodeTrack(KfMesh3ds* k, sTreeNode* node);

  // Prepares the model and writes the shape file.
  void WriteShape(const char* fileName);
  // Sorts and numbers every pool but the volumes and sort vectors.
  void AssignIndices();
  // Bounding spheres and sort vectors of sorted sub-objects, and the whole-shape sphere.
  void ComputeBounds();
  // Per sub-object counts of vertex sets, triangle lists and triangles, per node.
  void BuildGeomNodes();
};

#endif  // TRIMORPH_SHAPE_H
