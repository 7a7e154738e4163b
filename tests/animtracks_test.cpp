// Node animation tracks: which nodes get entries and keys, the rotation quaternions and their
// running product, and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "Fail.h"
#include "Shape.h"
#include "Subprocess.h"
#include "toolkit3ds.h"

namespace {

struct PosIn {
  uint32_t frame;
  float x, y, z;
};
struct RotIn {
  uint32_t frame;
  float angle, x, y, z;
};

std::unique_ptr<KfMesh3ds> MakeKf(const std::vector<PosIn>& pos, const std::vector<RotIn>& rot) {
  std::unique_ptr<KfMesh3ds> k(new KfMesh3ds());
  k->poskeycount = uint32_t(pos.size());
  if (!pos.empty()) {
    EXPECT_TRUE(k->poskeys.Allocate(pos.size()));
    EXPECT_TRUE(k->posvalues.Allocate(pos.size()));
  }
  for (size_t i = 0; i < pos.size(); ++i) {
    k->poskeys[i].frame = pos[i].frame;
    k->posvalues[i] = Point3ds{pos[i].x, pos[i].y, pos[i].z};
  }
  k->rotkeycount = uint32_t(rot.size());
  if (!rot.empty()) {
    EXPECT_TRUE(k->rotkeys.Allocate(rot.size()));
    EXPECT_TRUE(k->rotvalues.Allocate(rot.size()));
  }
  for (size_t i = 0; i < rot.size(); ++i) {
    k->rotkeys[i].frame = rot[i].frame;
    k->rotvalues[i] = RotKey3ds{rot[i].angle, rot[i].x, rot[i].y, rot[i].z};
  }
  return k;
}

sTreeNode MakeNode(const char* name) {
  sTreeNode n;
  std::memset(&n, 0, sizeof n);
  n.mIndex = -1;
  std::strncpy(n.mName, name, NODE_NAME_SIZE - 1);
  return n;
}

// A shape of its own for each case.
struct TrackShape {
  Shape shape;
};

const sAnimNode* FindEntry(const Shape& s, const sTreeNode* node) {
  for (const ObjEntry<sAnimNode>* e = s.mAnimNodes.mFirstObj; e; e = e->mNext) {
    if (e->mObj.mNode == node) return &e->mObj;
  }
  return nullptr;
}

const float HALF_PI = float(3.14159265358979323846 / 2);
// sin and cos of half the single-precision angle pi/2, each rounded to single precision.
const float S45 = float(std::sin(double(HALF_PI) * 0.5));
const float C45 = float(std::cos(double(HALF_PI) * 0.5));

void ExpectRotKey(const sRotKey& k, int frame, float x, float y, float z, float w) {
  EXPECT_EQ(k.mFrame, frame);
  EXPECT_EQ(k.x, x);
  EXPECT_EQ(k.y, y);
  EXPECT_EQ(k.z, z);
  EXPECT_EQ(k.w, w);
}

class NodeTrack : public ::testing::Test {
 protected:
  void SetUp() override { s.mNumAnimated = 0; }
  Shape s;
  sTreeNode a = MakeNode("A"), b = MakeNode("B"), c = MakeNode("C");
};

TEST_F(NodeTrack, NodesWithoutMotionGetEntriesWithoutKeys) {
  auto none = MakeKf({}, {});
  auto one = MakeKf({{0, 1, 2, 3}}, {{0, 0.5f, 0, 0, 1}});
  auto onePos = MakeKf({{0, 1, 2, 3}}, {});
  s.AddNodeTrack(none.get(), &a);
  s.AddNodeTrack(one.get(), &b);
  s.AddNodeTrack(onePos.get(), &c);
  EXPECT_EQ(s.mNumAnimated, 0);
  EXPECT_EQ(s.mAnimNodes.mNumObjs, 3);
  for (const sTreeNode* n : {&a, &b, &c}) {
    const sAnimNode* e = FindEntry(s, n);
    ASSERT_NE(e, nullptr) << n->mName;
    EXPECT_EQ(e->mNumPosKeys, 0);
    EXPECT_EQ(e->mPosKeys, nullptr);
    EXPECT_EQ(e->mNumRotKeys, 0);
    EXPECT_EQ(e->mRotKeys, nullptr);
  }
  // A node seen again without motion keeps its one entry.
  s.AddNodeTrack(one.get(), &a);
  EXPECT_EQ(s.mAnimNodes.mNumObjs, 3);
}

TEST_F(NodeTrack, PositionKeysAreCopiedUnchanged) {
  auto k = MakeKf({{0, 1.5f, -2, 3}, {20, 4, 5.25f, -6}}, {{0, HALF_PI, 0, 0, 1}});
  s.AddNodeTrack(k.get(), &a);
  EXPECT_EQ(s.mNumAnimated, 1);
  const sAnimNode* e = FindEntry(s, &a);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->mNumPosKeys, 2);
  ASSERT_EQ(e->mNumRotKeys, 1);
  EXPECT_EQ(e->mPosKeys[0].mFrame, 0);
  EXPECT_EQ(e->mPosKeys[0].x, 1.5f);
  EXPECT_EQ(e->mPosKeys[0].y, -2.0f);
  EXPECT_EQ(e->mPosKeys[0].z, 3.0f);
  EXPECT_EQ(e->mPosKeys[1].mFrame, 20);
  EXPECT_EQ(e->mPosKeys[1].x, 4.0f);
  EXPECT_EQ(e->mPosKeys[1].y, 5.25f);
  EXPECT_EQ(e->mPosKeys[1].z, -6.0f);
  ExpectRotKey(e->mRotKeys[0], 0, 0, 0, S45, C45);
  // One block: the rotation keys right behind the position keys.
  EXPECT_EQ(static_cast<const void*>(e->mPosKeys), static_cast<const void*>(e->mKeyBlock.get()));
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(e->mRotKeys),
            reinterpret_cast<const unsigned char*>(e->mPosKeys) + 2 * sizeof(sPosKey));

  // Position keys without any rotation key.
  auto posOnly = MakeKf({{0, 0, 0, 0}, {5, 1, 1, 1}, {10, 2, 2, 2}}, {});
  s.AddNodeTrack(posOnly.get(), &b);
  EXPECT_EQ(s.mNumAnimated, 2);
  e = FindEntry(s, &b);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->mNumPosKeys, 3);
  EXPECT_EQ(e->mNumRotKeys, 0);
  EXPECT_EQ(e->mPosKeys[2].mFrame, 10);
  EXPECT_EQ(e->mPosKeys[2].z, 2.0f);
}

TEST_F(NodeTrack, RotationKeysBecomeAbsoluteQuaternions) {
  auto k = MakeKf({}, {{0, HALF_PI, 0, 0, 1}, {30, HALF_PI, 0, 0, 1}});
  s.AddNodeTrack(k.get(), &a);
  const sAnimNode* e = FindEntry(s, &a);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->mNumRotKeys, 2);
  EXPECT_EQ(e->mNumPosKeys, 0);
  ExpectRotKey(e->mRotKeys[0], 0, 0, 0, S45, C45);
  EXPECT_NEAR(e->mRotKeys[0].z, 0.7071068, 1e-7);
  EXPECT_NEAR(e->mRotKeys[0].w, 0.7071068, 1e-7);
  // The product with itself: z = c*s + s*c, w = c*c - s*s: the rotation by pi about z.
  ExpectRotKey(e->mRotKeys[1], 30, 0, 0, float(2.0 * S45 * C45),
               float(double(C45) * C45 - double(S45) * S45));
  EXPECT_NEAR(e->mRotKeys[1].z, 1.0, 1e-6);
  EXPECT_NEAR(e->mRotKeys[1].w, 0.0, 1e-6);
}

TEST_F(NodeTrack, ProductTakesThePreviousKeyOnTheLeft) {
  // pi/2 about x, then pi/2 about y, then pi/2 about z. With q = (s, 0, 0, c) and
  // r = (0, s, 0, c): q * r = (s c, c s, s s, c c). Then with (0, 0, s, c) on the right:
  // x = sc*c + sc*s = sc(c + s), y = sc*c - sc*s = sc(c - s), z = cc*s + ss*c = cs(c + s),
  // w = cc*c - ss*s.
  auto k = MakeKf({}, {{0, HALF_PI, 1, 0, 0}, {10, HALF_PI, 0, 1, 0}, {20, HALF_PI, 0, 0, 1}});
  s.AddNodeTrack(k.get(), &a);
  const sAnimNode* e = FindEntry(s, &a);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->mNumRotKeys, 3);
  const double sd = S45, cd = C45;
  const float sc = float(sd * cd), ss = float(sd * sd), cc = float(cd * cd);
  ExpectRotKey(e->mRotKeys[0], 0, S45, 0, 0, C45);
  ExpectRotKey(e->mRotKeys[1], 10, sc, sc, ss, cc);
  ExpectRotKey(e->mRotKeys[2], 20, float(double(sc) * cd + double(sc) * sd),
               float(double(sc) * cd - double(sc) * sd), float(double(cc) * sd + double(ss) * cd),
               float(double(cc) * cd - double(ss) * sd));
}

TEST_F(NodeTrack, AxisAndAngleRules) {
  struct Case {
    const char* what;
    RotIn key;
    float x, y, z, w;
  };
  const Case cases[] = {
      {"negative angle turns the axis", {0, -HALF_PI, 0, 0, 1}, -0.0f, -0.0f, -S45, C45},
      {"the same rotation written positively", {0, HALF_PI, 0, 0, -1}, 0, 0, -S45, C45},
      {"axis not normalised", {0, HALF_PI, 0, 0, 2}, 0, 0, float(2.0 * S45), C45},
      {"general axis",
       {0, HALF_PI, 0.5f, -0.25f, 3},
       float(0.5 * S45),
       float(-0.25 * S45),
       float(3.0 * S45),
       C45},
      {"zero angle", {0, 0, 0, 0, 1}, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    TrackShape h;
    sTreeNode n = MakeNode("N");
    h.shape.mNumAnimated = 0;
    // A second, identity key keeps the node animated; the first key is the one looked at.
    auto k = MakeKf({}, {c.key, {10, 0, 0, 0, 1}});
    h.shape.AddNodeTrack(k.get(), &n);
    const sAnimNode* e = FindEntry(h.shape, &n);
    ASSERT_NE(e, nullptr) << c.what;
    SCOPED_TRACE(c.what);
    ExpectRotKey(e->mRotKeys[0], 0, c.x, c.y, c.z, c.w);
  }
  // The product with the identity key leaves the quaternion as it is.
  TrackShape h;
  sTreeNode n = MakeNode("N");
  auto k = MakeKf({}, {{0, -HALF_PI, 0, 0, 1}, {10, 0, 0, 0, 1}});
  h.shape.AddNodeTrack(k.get(), &n);
  ExpectRotKey(FindEntry(h.shape, &n)->mRotKeys[1], 10, -0.0f, -0.0f, -S45, C45);
  EXPECT_NEAR(FindEntry(h.shape, &n)->mRotKeys[1].z, -0.7071068, 1e-7);
}

TEST_F(NodeTrack, AnimatedNodesAreCounted) {
  auto still = MakeKf({{0, 0, 0, 0}}, {{0, 0, 0, 0, 1}});
  auto moving = MakeKf({{0, 0, 0, 0}, {10, 1, 0, 0}}, {});
  auto turning = MakeKf({}, {{0, 0, 0, 0, 1}, {10, HALF_PI, 0, 0, 1}});
  s.AddNodeTrack(still.get(), &a);
  EXPECT_EQ(s.mNumAnimated, 0);
  s.AddNodeTrack(moving.get(), &b);
  EXPECT_EQ(s.mNumAnimated, 1);
  s.AddNodeTrack(turning.get(), &c);
  EXPECT_EQ(s.mNumAnimated, 2);
  EXPECT_EQ(s.mAnimNodes.mNumObjs, 3);
  // Entries are told apart by their node, not by its name.
  sTreeNode twin = MakeNode("B");
  s.AddNodeTrack(moving.get(), &twin);
  EXPECT_EQ(s.mNumAnimated, 3);
  EXPECT_EQ(s.mAnimNodes.mNumObjs, 4);
}

TEST_F(NodeTrack, EntryWithoutKeysTakesTheCountsOfLaterKeys) {
  // Two meshes of the same name: the first without motion, the second with keys.
  auto still = MakeKf({}, {});
  auto moving = MakeKf({{0, 1, 1, 1}, {10, 2, 2, 2}, {20, 3, 3, 3}},
                       {{0, HALF_PI, 0, 0, 1}, {20, HALF_PI, 0, 0, 1}});
  s.AddNodeTrack(still.get(), &a);
  s.AddNodeTrack(moving.get(), &a);
  EXPECT_EQ(s.mAnimNodes.mNumObjs, 1);
  EXPECT_EQ(s.mNumAnimated, 1);
  const sAnimNode* e = FindEntry(s, &a);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->mNumPosKeys, 3);
  ASSERT_EQ(e->mNumRotKeys, 2);
  EXPECT_EQ(e->mPosKeys[2].mFrame, 20);
  EXPECT_EQ(e->mPosKeys[2].x, 3.0f);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(e->mRotKeys),
            reinterpret_cast<const unsigned char*>(e->mPosKeys) + 3 * sizeof(sPosKey));
  ExpectRotKey(e->mRotKeys[0], 0, 0, 0, S45, C45);
  EXPECT_EQ(e->mRotKeys[1].mFrame, 20);
}

TEST(NodeTrackFailures, FailWithoutMessage) {
  SKIP_WITHOUT_FORK();
  struct Case {
    const char* what;
    void (*run)();
  };
  const Case cases[] = {
      {"a node given keys twice",
       [] {
         TrackShape h;
         sTreeNode n = MakeNode("A");
         auto k = MakeKf({{0, 0, 0, 0}, {10, 1, 0, 0}}, {});
         h.shape.AddNodeTrack(k.get(), &n);
         h.shape.AddNodeTrack(k.get(), &n);
       }},
      {"fewer position values than keys",
       [] {
         TrackShape h;
         sTreeNode n = MakeNode("A");
         auto k = MakeKf({{0, 0, 0, 0}, {10, 1, 0, 0}}, {});
         k->poskeycount = 3;
         h.shape.AddNodeTrack(k.get(), &n);
       }},
      {"fewer rotation values than keys",
       [] {
         TrackShape h;
         sTreeNode n = MakeNode("A");
         auto k = MakeKf({}, {{0, 0, 0, 0, 1}, {10, 0, 0, 0, 1}});
         EXPECT_TRUE(k->rotvalues.Resize(1));
         h.shape.AddNodeTrack(k.get(), &n);
       }},
  };
  for (const Case& c : cases) {
    ChildResult r = RunInChild([&c] {
      SetContext("testing");
      c.run();
    });
    ASSERT_TRUE(r.exited) << c.what;
    EXPECT_EQ(r.status, 251) << c.what;
    EXPECT_EQ(r.out, "While testing\nUnexpected error occurred\n") << c.what;
  }
  // The check names the node given keys twice and adds nothing.
  TrackShape h;
  sTreeNode n = MakeNode("A");
  auto k = MakeKf({{0, 0, 0, 0}, {10, 1, 0, 0}}, {});
  ASSERT_FALSE(h.shape.TryAddNodeTrack(*k, &n));
  const Problem p = h.shape.TryAddNodeTrack(*k, &n);
  EXPECT_EQ(p.code, ProblemCode::NODE_KEYS_TWICE);
  EXPECT_EQ(p.subject, "A");
  EXPECT_EQ(h.shape.mNumAnimated, 1);
  EXPECT_EQ(h.shape.mAnimNodes.mNumObjs, 1);
}

}  // namespace
