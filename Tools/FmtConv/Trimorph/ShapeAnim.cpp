// Animation tracks of the shape's nodes, taken from the keyframer object nodes of the first
// level of detail.
//
// Position keys are copied as they are. Rotation keys come as an angle and an axis, each key
// relative to the one before; they are stored as absolute quaternions, the running product of
// the relative rotations.
#include <climits>
#include <cmath>
#include <new>
#include <string>

#include "NodeTree.h"
#include "Shape.h"
#include "toolkit3ds/toolkit3ds.h"

namespace {

// The rotation keys follow the position keys in one block.
static_assert(sizeof(sPosKey) % alignof(sRotKey) == 0, "rotation keys must stay aligned");

struct sQuat {
  float x, y, z, w;
};

// The quaternion of a rotation by angle about axis (x, y, z). A negative angle (or NaN) is
// turned into the same rotation with a positive angle about the opposite axis. The axis is
// used as it is, without normalising it.
sQuat RotationQuat(const RotKey3ds& r) {
  double a = r.angle, x = r.x, y = r.y, z = r.z;
  if (!(a >= 0.0)) {
    a = -a;
    x = -x;
    y = -y;
    z = -z;
  }
  double h = a * 0.5;
  float s = float(std::sin(h));
  return sQuat{float(x * s), float(y * s), float(z * s), float(std::cos(h))};
}

// The Hamilton product b * a: rotation a applied within the frame that b has already rotated.
// Every element is formed unrounded and rounded once.
sQuat Product(const sQuat& b, const sQuat& a) {
  const double bx = b.x, by = b.y, bz = b.z, bw = b.w;
  return sQuat{float(bw * a.x + bx * a.w + by * a.z - bz * a.y),
               float(bw * a.y + by * a.w + bz * a.x - bx * a.z),
               float(bw * a.z + bz * a.w + bx * a.y - by * a.x),
               float(bw * a.w - bx * a.x - by * a.y - bz * a.z)};
}

// A pool value for the node with the given key counts and no keys.
sAnimNode AnimNode(sTreeNode* node, int numPos, int numRot) {
  sAnimNode a;
  a.mNode = node;
  a.mNumPosKeys = numPos;
  a.mNumRotKeys = numRot;
  return a;
}

// Every key header has its value, and the counts fit the entry's key counts.
bool TracksAreConsistent(const KfMesh3ds& k) {
  if (k.poskeycount > uint32_t(INT_MAX) || k.rotkeycount > uint32_t(INT_MAX)) return false;
  return k.poskeys.size() >= k.poskeycount && k.posvalues.size() >= k.poskeycount &&
         k.rotkeys.size() >= k.rotkeycount && k.rotvalues.size() >= k.rotkeycount;
}

}  // namespace

Problem Shape::TryAddNodeTrack(const KfMesh3ds& k, sTreeNode* node) {
  // A node without motion gets an entry without keys and does not count as animated.
  if (k.poskeycount <= 1 && k.rotkeycount <= 1) {
    mAnimNodes.FindOrAdd(AnimNode(node, 0, 0));
    return Problem();
  }
  if (!TracksAreConsistent(k)) {
    return MakeProblem(
        ProblemCode::TRACKS_INCONSISTENT, node->mName,
        "the keyframer node of '" + std::string(node->mName) + "' has fewer key values than keys");
  }
  const int numPos = int(k.poskeycount);
  const int numRot = int(k.rotkeycount);

  sAnimNode& entry = mAnimNodes.FindOrAdd(AnimNode(node, numPos, numRot))->mObj;
  // A node receives keys once (an entry that has them was found, not added).
  if (entry.mPosKeys || entry.mRotKeys) {
    return MakeProblem(
        ProblemCode::NODE_KEYS_TWICE, node->mName,
        "two animated objects of the first level are named '" + std::string(node->mName) + "'");
  }
  // An entry made earlier without keys (for a second mesh of the same name) takes this record's
  // counts, so that the block holds every key written below.
  entry.mNumPosKeys = numPos;
  entry.mNumRotKeys = numRot;

  const size_t posBytes = size_t(numPos) * sizeof(sPosKey);
  const size_t blockBytes = posBytes + size_t(numRot) * sizeof(sRotKey);
  unsigned char* block = new unsigned char[blockBytes];
  entry.mKeyBlock.reset(block);
  entry.mPosKeys = reinterpret_cast<sPosKey*>(block);
  entry.mRotKeys = reinterpret_cast<sRotKey*>(block + posBytes);

  for (int i = 0; i < numPos; ++i) {
    const Point3ds& p = k.posvalues[i];
    new (&entry.mPosKeys[i]) sPosKey{int32_t(k.poskeys[i].frame), p.x, p.y, p.z};
  }

  sQuat q{0, 0, 0, 1};
  for (int i = 0; i < numRot; ++i) {
    sQuat r = RotationQuat(k.rotvalues[i]);
    q = i == 0 ? r : Product(q, r);
    new (&entry.mRotKeys[i]) sRotKey{int32_t(k.rotkeys[i].frame), q.x, q.y, q.z, q.w};
  }

  ++mNumAnimated;
  return Problem();
}

void Shape::AddNodeTrack(KfMesh3ds* k, sTreeNode* node) {
  FailOn(TryAddNodeTrack(*k, node));
}
