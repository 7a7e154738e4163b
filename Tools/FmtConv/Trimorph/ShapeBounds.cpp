// Bounding volumes: a sort vector (the centre of its geometry) and a bounding sphere for every
// sub-object whose flags ask for them, and one sphere around the whole shape.
//
// Boxes are axis-aligned in the root node's frame. Every distance level's sorted sub-objects get
// their own bounds from their own vertices; only the nearest distance level's vertices make up
// the whole-shape box. The whole-shape sphere is pooled last, so it comes first in the file
// unless an earlier sphere equals it within tolerance.
#include <cmath>
#include <vector>

#include "HelperThread.h"
#include "Shape.h"

namespace {

// The single-precision values nearest +-1e38 that start an empty box.
constexpr float BOX_START = 1e38f;

struct sBox {
  sVector mMin{BOX_START, BOX_START, BOX_START};
  sVector mMax{-BOX_START, -BOX_START, -BOX_START};

  void Add(const sVector& w) {
    mMax.Max(w);
    mMin.Min(w);
  }
  // Takes in the values another box took, as if they came after this box's own: the first value
  // of the largest (smallest) component stays, as it does value by value.
  void Add(const sBox& other) {
    mMax.Max(other.mMax);
    mMin.Min(other.mMin);
  }
  sVector Centre() const {
    return sVector(float(double(mMin.x) + mMax.x) * 0.5f, float(double(mMin.y) + mMax.y) * 0.5f,
                   float(double(mMin.z) + mMax.z) * 0.5f);
  }
  float Radius() const {
    sVector d = mMax - mMin;
    return float(0.5 * std::sqrt(d.LengthSq()));
  }
  sVolSphere Sphere() const {
    sVolSphere s;
    s.mCentre = Centre();
    s.mRadius = Radius();
    return s;
  }
};

}  // namespace

void Shape::ComputeBounds(HelperThread* helper) {
  // Every sub-object's box, then the pools in the order of the file.
  const std::vector<sSubObject*> subs = SubObjects();
  std::vector<sBox> boxes(subs.size());
  ShareWork(
      helper, subs.size(), [&](size_t i) { return subs[i]->mVertices.mNumObjs; },
      [&](size_t i) {
        for (ObjEntry<sVertex>* v = subs[i]->mVertices.mFirstObj; v; v = v->mNext) {
          const sTreeNode* node = v->mObj.mVtxState->mObj.mNode;
          boxes[i].Add(node->mMatrix.TransformPoint(v->mObj.mPoint->mObj));
        }
      });
  sBox shapeBox;
  size_t i = 0;
  bool nearest = true;
  for (ObjEntry<sDistLevel>* d = mDistLevels.mFirstObj; d; d = d->mNext, nearest = false) {
    for (ObjEntry<sSubObject>* s = d->mObj.mSubObjects.mFirstObj; s; s = s->mNext, ++i) {
      sSubObject& sub = s->mObj;
      const sBox& box = boxes[i];
      if (nearest) shapeBox.Add(box);
      if (sub.mFlags & SUBOBJ_SORTED) {
        sub.mSortVector = mSortVectors.FindOrAdd(box.Centre());
        sub.mVolume = mVolumes.FindOrAdd(box.Sphere());
      }
    }
  }
  mVolumes.FindOrAdd(shapeBox.Sphere());
  mVolumes.Number();
  mSortVectors.Number();
}
