// The records of the shape model: the values its pools hold and the animation keys.
//
// A record refers to a value pooled elsewhere by that value's entry (ObjEntry), whose output
// index is fixed only when the pool is numbered; nodes are referred to by their tree node.
#ifndef TRIMORPH_SHAPERECORDS_H
#define TRIMORPH_SHAPERECORDS_H

#include <cstdint>
#include <memory>

#include "ObjSet.h"
#include "ShapeMath.h"

struct sTreeNode;

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

#endif  // TRIMORPH_SHAPERECORDS_H
