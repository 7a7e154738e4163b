// Output order and indices: every pool is sorted (where its order matters to the simulator) and
// numbered, and each sub-object's geometry is counted per node.
//
// The sorts are stable and new entries sit at the front of their pools, so entries with equal
// keys keep the order "most recently added first".
#include <vector>

#include "HelperThread.h"
#include "MaterialTypes.h"
#include "Shape.h"

namespace {

// Three-way comparison of two integers.
int Compare(int a, int b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

int NodeIndex(const sTreeNode* node) {
  return node->mIndex;
}

// Images compare by creation order, the earliest created first. Unsorted pools are numbered
// newest first, so an earlier image has the larger index.
int CompareImages(const ObjEntry<sImageName>* a, const ObjEntry<sImageName>* b) {
  if (a == b) return 0;
  if (!a) return -1;  // a missing image comes before any present one
  if (!b) return 1;
  return Compare(b->mIndex, a->mIndex);
}

int CompareVtxStates(const sVtxState& a, const sVtxState& b) {
  if (int c = Compare(NodeIndex(a.mNode), NodeIndex(b.mNode))) return c;
  if (int c = Compare(a.mLightMat, b.mLightMat)) return c;
  return Compare(a.mLightCfg->mObj, b.mLightCfg->mObj);
}

int ComparePrimStates(const sPrimState& a, const sPrimState& b) {
  if (int c = Compare(a.mSortKey, b.mSortKey)) return c;
  if (int c = CompareImages(a.mTexture, b.mTexture)) return c;
  if (int c = CompareImages(a.mTexture2, b.mTexture2)) return c;
  if (int c = Compare(a.mAlphaTestMode, b.mAlphaTestMode)) return c;
  if (int c = Compare(a.mZBufMode, b.mZBufMode)) return c;
  return Compare(a.mVtxState->mIndex, b.mVtxState->mIndex);
}

// Sorts a pool by an integer key of its entries' values, then numbers it.
template <class T, class Key>
void SortByKey(ObjSet<T>& pool, Key key) {
  pool.Sort([&](const ObjEntry<T>& a, const ObjEntry<T>& b) { return key(a.mObj) > key(b.mObj); });
  pool.Number();
}

// Geometry-node entry of a sub-object for a node.
ObjEntry<sGeomNode>* GeomNodeFor(sSubObject& sub, sTreeNode* node) {
  sGeomNode g;
  g.mNode = node;
  return sub.mGeomNodes.FindOrAdd(g);
}

// The counts of one sub-object's geometry, per node: vertex sets and triangle lists.
void CountGeometry(sSubObject& sub) {
  // Vertex pass: one vertex set per run of equal vertex states.
  const ObjEntry<sVtxState>* prevState = nullptr;
  const sTreeNode* prevNode = nullptr;
  ObjEntry<sGeomNode>* geom = nullptr;
  for (ObjEntry<sVertex>* v = sub.mVertices.mFirstObj; v; v = v->mNext) {
    const ObjEntry<sVtxState>* state = v->mObj.mVtxState;
    if (state == prevState) continue;
    prevState = state;
    if (state->mObj.mNode != prevNode) {
      prevNode = state->mObj.mNode;
      geom = GeomNodeFor(sub, state->mObj.mNode);
    }
    if (state->mObj.mLightCfg->mObj == LIGHTCFG_REFLECT) {
      sub.mLightFlags = SUBOBJ_LIGHTFLAGS_REFLECT;
    }
    ++sub.mNumTxLightCmds;
    ++geom->mObj.mNumTxLightCmds;
  }

  sub.mNumTriangles += sub.mTriangles.mNumObjs;

  // Triangle pass: one indexed triangle list per run of equal primitive states.
  const ObjEntry<sPrimState>* prevPrim = nullptr;
  prevNode = nullptr;
  geom = nullptr;
  for (ObjEntry<sTriangle>* t = sub.mTriangles.mFirstObj; t; t = t->mNext) {
    const ObjEntry<sPrimState>* prim = t->mObj.mPrimState;
    sTreeNode* node = prim->mObj.mVtxState->mObj.mNode;
    if (node != prevNode) {
      prevNode = node;
      geom = GeomNodeFor(sub, node);
    }
    if (prim != prevPrim) {
      ++sub.mNumTrilists;
      ++geom->mObj.mNumTrilists;
    }
    prevPrim = prim;
    ++geom->mObj.mNumTriangles;
  }

  SortByKey(sub.mGeomNodes, [](const sGeomNode& g) { return NodeIndex(g.mNode); });
}

// Calls work(sub) for every sub-object, shared with helper by the sub-objects' sizes: each
// sub-object's pools are its own.
template <class Work>
void ShareSubObjects(const std::vector<sSubObject*>& subs, HelperThread* helper, Work work) {
  ShareWork(
      helper, subs.size(),
      [&](size_t i) { return subs[i]->mVertices.mNumObjs + subs[i]->mTriangles.mNumObjs; },
      [&](size_t i) { work(*subs[i]); });
}

}  // namespace

std::vector<sSubObject*> Shape::SubObjects() {
  std::vector<sSubObject*> subs;
  for (ObjEntry<sDistLevel>* d = mDistLevels.mFirstObj; d; d = d->mNext) {
    for (ObjEntry<sSubObject>* s = d->mObj.mSubObjects.mFirstObj; s; s = s->mNext) {
      subs.push_back(&s->mObj);
    }
  }
  return subs;
}

void Shape::AssignIndices(HelperThread* helper) {
  mShaders.Number();
  mPoints.Number();
  mUVPoints.Number();
  mNormals.Number();
  mImages.Number();
  mLightCfgs.Number();

  mVtxStates.Sort([](const ObjEntry<sVtxState>& a, const ObjEntry<sVtxState>& b) {
    return CompareVtxStates(a.mObj, b.mObj) > 0;
  });
  mVtxStates.Number();

  mPrimStates.Sort([](const ObjEntry<sPrimState>& a, const ObjEntry<sPrimState>& b) {
    return ComparePrimStates(a.mObj, b.mObj) > 0;
  });
  mPrimStates.Number();

  SortByKey(mDistLevels, [](const sDistLevel& d) { return d.mMaxDist; });
  SortByKey(mAnimNodes, [](const sAnimNode& a) { return NodeIndex(a.mNode); });

  for (ObjEntry<sDistLevel>* d = mDistLevels.mFirstObj; d; d = d->mNext) {
    SortByKey(d->mObj.mSubObjects, [](const sSubObject& s) { return s.mId; });
  }
  // The keys of the sub-objects' pools (states, shaders, light configurations) are numbered
  // above.
  ShareSubObjects(SubObjects(), helper, [](sSubObject& sub) {
    SortByKey(sub.mVertices, [](const sVertex& v) { return v.mVtxState->mIndex; });
    SortByKey(sub.mTriangles, [](const sTriangle& t) { return t.mPrimState->mIndex; });
    SortByKey(sub.mShaderRefs, [](ObjEntry<int>* r) { return r->mIndex; });
    SortByKey(sub.mLightCfgRefs, [](ObjEntry<int>* r) { return r->mIndex; });
  });
}

void Shape::BuildGeomNodes(HelperThread* helper) {
  ShareSubObjects(SubObjects(), helper, CountGeometry);
}
