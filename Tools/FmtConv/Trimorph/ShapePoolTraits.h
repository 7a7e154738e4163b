// The equalities of the shape model's pools, and the keys their indexes use.
//
// Points, texture coordinates, normals, sort vectors and spheres match within NEAR_TOLERANCE on
// every float; image names match without regard to the case of letters; the other records match
// exactly, entries and nodes by identity. Every pool of a record type must see these
// specialisations before it is used: include this header (Shape.h does) where pools are filled.
#ifndef TRIMORPH_SHAPEPOOLTRAITS_H
#define TRIMORPH_SHAPEPOOLTRAITS_H

#include <cmath>
#include <cstdint>

#include "ObjSet.h"
#include "ShapeMath.h"
#include "ShapeRecords.h"

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

#endif  // TRIMORPH_SHAPEPOOLTRAITS_H
