// The output stage on models assembled by hand: ordering and numbering, geometry counts per node,
// bounding volumes, the text formatting rules and the animation blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "NodeAlias.h"
#include "ParallelText.h"
#include "Shape.h"
#include "ShapeAnimWriter.h"
#include "ShapeText.h"

namespace {

// Nodes made by hand, with their hierarchy index and root-relative matrix.
struct Nodes {
  std::vector<std::unique_ptr<sTreeNode>> nodes;
  sTreeNode* Add(const char* name, int index) {
    auto n = std::make_unique<sTreeNode>();
    memset(n.get(), 0, sizeof(sTreeNode));
    strncpy(n->mName, name, sizeof n->mName - 1);
    n->mIndex = index;
    n->mMatrix = sMatrix::Identity();
    n->mRelMatrix = sMatrix::Identity();
    nodes.push_back(std::move(n));
    return nodes.back().get();
  }
};

sImageName Image(const char* name) {
  sImageName i = {};
  strncpy(i.mName, name, sizeof i.mName - 1);
  return i;
}

// Indices of the entries in list order, as a vector of the values' labels.
template <class T, class Label>
std::vector<int> Order(const ObjSet<T>& pool, Label label) {
  std::vector<int> out;
  for (const ObjEntry<T>* e = pool.mFirstObj; e; e = e->mNext) out.push_back(label(e->mObj));
  return out;
}

TEST(AssignIndices, VertexStatesByNodeLightMaterialAndConfiguration) {
  Shape shape;
  Nodes n;
  sTreeNode* n0 = n.Add("A", 0);
  sTreeNode* n1 = n.Add("B", 1);
  ObjEntry<int>* cfg0 = shape.mLightCfgs.FindOrAdd(0);
  ObjEntry<int>* cfg1 = shape.mLightCfgs.FindOrAdd(1);
  auto* s1 = shape.mVtxStates.FindOrAdd({n1, 4, cfg0});
  auto* s2 = shape.mVtxStates.FindOrAdd({n0, 7, cfg0});
  auto* s3 = shape.mVtxStates.FindOrAdd({n0, 4, cfg1});
  auto* s4 = shape.mVtxStates.FindOrAdd({n0, 4, cfg0});
  shape.AssignIndices();
  EXPECT_EQ(s4->mIndex, 0);
  EXPECT_EQ(s3->mIndex, 1);
  EXPECT_EQ(s2->mIndex, 2);
  EXPECT_EQ(s1->mIndex, 3);
}

class PrimStateOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    node_ = nodes_.Add("N", 0);
    cfg_ = shape_.mLightCfgs.FindOrAdd(0);
    state_ = shape_.mVtxStates.FindOrAdd({node_, 4, cfg_});
    shader_ = shape_.mShaders.FindOrAdd(1);
  }
  ObjEntry<sPrimState>* Add(ObjEntry<sImageName>* tex, ObjEntry<sImageName>* tex2, int sortKey,
                            int shader = 1) {
    return shape_.mPrimStates.FindOrAdd(
        {shape_.mShaders.FindOrAdd(shader), tex, tex2, state_, 0, 1, sortKey});
  }
  Shape shape_;
  Nodes nodes_;
  sTreeNode* node_;
  ObjEntry<int>* cfg_;
  ObjEntry<sVtxState>* state_;
  ObjEntry<int>* shader_;
};

TEST_F(PrimStateOrder, SortKeyFirstWhateverTheShaders) {
  auto* tex = shape_.mImages.FindOrAdd(Image("a"));
  auto* p10 = Add(tex, nullptr, 10, 0);
  auto* p0 = Add(tex, nullptr, 0, 4);
  auto* p5 = Add(tex, nullptr, 5, 2);
  shape_.AssignIndices();
  EXPECT_EQ(p0->mIndex, 0);
  EXPECT_EQ(p5->mIndex, 1);
  EXPECT_EQ(p10->mIndex, 2);
}

TEST_F(PrimStateOrder, MissingReflectionTextureFirst) {
  auto* tex = shape_.mImages.FindOrAdd(Image("a"));
  auto* chrome = shape_.mImages.FindOrAdd(Image("chrome"));
  auto* with = Add(tex, chrome, 0);
  auto* without = Add(tex, nullptr, 0);
  shape_.AssignIndices();
  EXPECT_EQ(without->mIndex, 0);
  EXPECT_EQ(with->mIndex, 1);
}

TEST_F(PrimStateOrder, TexturesByCreationOrder) {
  auto* first = shape_.mImages.FindOrAdd(Image("first"));
  auto* second = shape_.mImages.FindOrAdd(Image("second"));
  auto* third = shape_.mImages.FindOrAdd(Image("third"));
  // Added so that list order (newest first) differs from creation order of the images.
  auto* pFirst = Add(first, nullptr, 0);
  auto* pThird = Add(third, nullptr, 0);
  auto* pSecond = Add(second, nullptr, 0);
  shape_.AssignIndices();
  EXPECT_EQ(pFirst->mIndex, 0);
  EXPECT_EQ(pSecond->mIndex, 1);
  EXPECT_EQ(pThird->mIndex, 2);
}

// A sub-object holding vertices of given vertex states, one triangle per vertex state run.
struct SubObjectModel {
  Shape shape;
  Nodes nodes;
  sSubObject* sub = nullptr;

  SubObjectModel() {
    auto* level = shape.mDistLevels.FindOrAdd(sDistLevel{100, 1, {}});
    sSubObject s;
    s.mId = 0;
    sub = &level->mObj.mSubObjects.FindOrAdd(std::move(s))->mObj;
  }
  ObjEntry<sVertex>* Vertex(ObjEntry<sVtxState>* state, float x, float y, float z) {
    auto* p = shape.mPoints.FindOrAdd(sVector(x, y, z));
    auto* nrm = shape.mNormals.FindOrAdd(sVector(0, 0, 1));
    auto* uv = shape.mUVPoints.FindOrAdd(sUVPoint{0, 0});
    return sub->mVertices.FindOrAdd({state, p, nrm, uv});
  }
};

TEST(BuildGeomNodes, CountsPerNodeAndLightFlags) {
  SubObjectModel m;
  sTreeNode* n0 = m.nodes.Add("A", 0);
  sTreeNode* n1 = m.nodes.Add("B", 1);
  auto* cfg0 = m.shape.mLightCfgs.FindOrAdd(0);
  auto* a = m.shape.mVtxStates.FindOrAdd({n0, 4, cfg0});
  auto* b = m.shape.mVtxStates.FindOrAdd({n1, 4, cfg0});
  auto* c = m.shape.mVtxStates.FindOrAdd({n0, 5, cfg0});
  m.Vertex(a, 0, 0, 0);
  m.Vertex(b, 1, 0, 0);
  m.Vertex(c, 2, 0, 0);
  m.Vertex(a, 3, 0, 0);
  auto* tex = m.shape.mImages.FindOrAdd(Image("t"));
  auto* shader = m.shape.mShaders.FindOrAdd(1);
  auto* pa = m.shape.mPrimStates.FindOrAdd({shader, tex, nullptr, a, 0, 1, 0});
  auto* pb = m.shape.mPrimStates.FindOrAdd({shader, tex, nullptr, b, 0, 1, 0});
  auto* nrm = m.shape.mNormals.FindOrAdd(sVector(0, 0, 1));
  ObjEntry<sVertex>* v = m.sub->mVertices.mFirstObj;
  m.sub->mTriangles.Add({pa, {v, v, v}, nrm});
  m.sub->mTriangles.Add({pa, {v, v, v}, nrm});
  m.sub->mTriangles.Add({pb, {v, v, v}, nrm});

  m.shape.AssignIndices();
  m.shape.BuildGeomNodes();

  EXPECT_EQ(m.sub->mNumTxLightCmds, 3);
  EXPECT_EQ(m.sub->mNumTriangles, 3);
  EXPECT_EQ(m.sub->mNumTrilists, 2);
  EXPECT_EQ(m.sub->mLightFlags, 0x1C4);
  ASSERT_EQ(m.sub->mGeomNodes.mNumObjs, 2);
  const sGeomNode& g0 = m.sub->mGeomNodes.mFirstObj->mObj;
  const sGeomNode& g1 = m.sub->mGeomNodes.mFirstObj->mNext->mObj;
  EXPECT_EQ(g0.mNode, n0);
  EXPECT_EQ(g0.mNumTxLightCmds, 2);
  EXPECT_EQ(g0.mNumTrilists, 1);
  EXPECT_EQ(g0.mNumTriangles, 2);
  EXPECT_EQ(g1.mNode, n1);
  EXPECT_EQ(g1.mNumTxLightCmds, 1);
  EXPECT_EQ(g1.mNumTrilists, 1);
  EXPECT_EQ(g1.mNumTriangles, 1);
}

TEST(BuildGeomNodes, ReflectingLightConfigurationSetsTheLightFlags) {
  SubObjectModel m;
  sTreeNode* n0 = m.nodes.Add("A", 0);
  auto* cfg1 = m.shape.mLightCfgs.FindOrAdd(1);
  m.Vertex(m.shape.mVtxStates.FindOrAdd({n0, 0, cfg1}), 0, 0, 0);
  m.shape.AssignIndices();
  m.shape.BuildGeomNodes();
  EXPECT_EQ(m.sub->mLightFlags, 0x2C4);
}

TEST(ComputeBounds, SortedSubObjectSharesTheWholeShapeSphere) {
  SubObjectModel m;
  sTreeNode* n0 = m.nodes.Add("A", 0);
  auto* state = m.shape.mVtxStates.FindOrAdd({n0, 4, m.shape.mLightCfgs.FindOrAdd(0)});
  m.sub->mFlags |= 0x100;
  m.Vertex(state, -1, 0, 0);
  m.Vertex(state, 3, 2, 4);
  m.shape.ComputeBounds();
  ASSERT_EQ(m.shape.mVolumes.mNumObjs, 1);
  const sVolSphere& s = m.shape.mVolumes.mFirstObj->mObj;
  EXPECT_EQ(s.mCentre.x, 1);
  EXPECT_EQ(s.mCentre.y, 1);
  EXPECT_EQ(s.mCentre.z, 2);
  EXPECT_EQ(s.mRadius, 3);
  EXPECT_EQ(m.sub->mVolume, m.shape.mVolumes.mFirstObj);
  ASSERT_NE(m.sub->mSortVector, nullptr);
  EXPECT_EQ(m.sub->mSortVector->mObj.z, 2);
  EXPECT_EQ(m.sub->mVolume->mIndex, 0);
  EXPECT_EQ(m.sub->mSortVector->mIndex, 0);
}

TEST(ComputeBounds, PointsAreTakenInTheRootFrame) {
  SubObjectModel m;
  sTreeNode* n0 = m.nodes.Add("A", 0);
  n0->mMatrix.m[9] = 10;  // the node sits 10 along x from the root
  auto* state = m.shape.mVtxStates.FindOrAdd({n0, 4, m.shape.mLightCfgs.FindOrAdd(0)});
  m.sub->mFlags |= 0x200;
  m.Vertex(state, -1, 0, 0);
  m.Vertex(state, 1, 0, 0);
  m.shape.ComputeBounds();
  EXPECT_EQ(m.sub->mSortVector->mObj.x, 10);
  EXPECT_EQ(m.sub->mVolume->mObj.mRadius, 1);
}

TEST(ComputeBounds, EmptySortedSubObjectKeepsTheFreshBox) {
  SubObjectModel m;
  m.sub->mFlags |= 0x300;
  m.shape.ComputeBounds();
  ASSERT_NE(m.sub->mVolume, nullptr);
  EXPECT_EQ(m.sub->mVolume->mObj.mCentre.x, 0);
  EXPECT_EQ(m.sub->mVolume->mObj.mRadius, float(0.5 * std::sqrt(3.0) * 2 * double(1e38f)));
  std::string text;
  ShapeText::AppendG(text, m.sub->mVolume->mObj.mRadius);
  EXPECT_EQ(text, "1.73205e+38");
}

TEST(ComputeBounds, LaterDistanceLevelsGetTheirOwnBoundsButNotTheShapeBox) {
  SubObjectModel m;
  sTreeNode* n0 = m.nodes.Add("A", 0);
  auto* state = m.shape.mVtxStates.FindOrAdd({n0, 4, m.shape.mLightCfgs.FindOrAdd(0)});
  m.Vertex(state, 0, 0, 0);
  m.Vertex(state, 2, 0, 0);
  // A farther level whose sorted sub-object lies elsewhere.
  auto* far = m.shape.mDistLevels.FindOrAdd(sDistLevel{500, 2, {}});
  sSubObject s;
  s.mId = 0;
  s.mFlags |= 0x300;
  sSubObject* farSub = &far->mObj.mSubObjects.FindOrAdd(std::move(s))->mObj;
  auto* p = m.shape.mPoints.FindOrAdd(sVector(100, 0, 0));
  auto* q = m.shape.mPoints.FindOrAdd(sVector(104, 0, 0));
  auto* nrm = m.shape.mNormals.FindOrAdd(sVector(0, 0, 1));
  auto* uv = m.shape.mUVPoints.FindOrAdd(sUVPoint{0, 0});
  farSub->mVertices.FindOrAdd({state, p, nrm, uv});
  farSub->mVertices.FindOrAdd({state, q, nrm, uv});

  m.shape.AssignIndices();
  m.shape.ComputeBounds();
  ASSERT_NE(farSub->mVolume, nullptr);
  EXPECT_EQ(farSub->mVolume->mObj.mCentre.x, 102);
  EXPECT_EQ(farSub->mVolume->mObj.mRadius, 2);
  // The whole-shape sphere comes from the nearest level only, and is pooled last: index 0.
  const sVolSphere& whole = m.shape.mVolumes.mFirstObj->mObj;
  EXPECT_EQ(whole.mCentre.x, 1);
  EXPECT_EQ(whole.mRadius, 1);
  EXPECT_EQ(farSub->mVolume->mIndex, 1);
}

TEST(ShapeText, FormatsAndLineEnds) {
  ShapeText t;
  t.Write("a %d %08x %s\n", {-5, 0x1C4u, "name"});
  t.Write("%g %g %g %g %g\n", {0.1f, 1e-5f, 123456789.0f, 0.75, -0.0f});
  EXPECT_EQ(t.Text(), "a -5 000001c4 name\r\n0.1 1e-05 1.23457e+08 0.75 -0\r\n");
}

// A value without its conversion would silently go missing from the file.
TEST(ShapeTextDeathTest, MoreValuesThanConversionsIsAProgrammingError) {
  ShapeText t;
  EXPECT_DEBUG_DEATH(t.Write("%d\n", {1, 2, 3}), "more values than conversions");
}

// Texts written at once and pieces made by the threads reach the output in the order they were
// given, whatever the number of threads: long and short pieces, "now" texts long enough to be
// handed on by themselves, and a piece that throws, whose exception reaches the writer.
TEST(ParallelText, OrderOfTextsAndPiecesWhateverTheThreads) {
  for (int threads : {1, 2, 3, 8}) {
    ShapeText out;
    std::string expected;
    {
      ParallelText text(out, threads);
      for (int i = 0; i < 200; ++i) {
        const int lines = i % 7 == 0 ? 20000 : i % 3;  // pieces of about 0 to 300 KB
        text.Add([i, lines](ShapeText& t) {
          for (int k = 0; k < lines; ++k) t.Write("p %d %d\n", {i, k});
        });
        for (int k = 0; k < lines; ++k) {
          expected += "p " + std::to_string(i) + " " + std::to_string(k) + "\r\n";
        }
        const int nowLines = i % 50 == 0 ? 100000 : 1;  // now and then over a megabyte
        for (int k = 0; k < nowLines; ++k) text.Now().Write("n %d\n", {i});
        for (int k = 0; k < nowLines; ++k) expected += "n " + std::to_string(i) + "\r\n";
      }
      text.Finish();
    }
    ASSERT_EQ(out.Text().size(), expected.size()) << threads << " threads";
    EXPECT_TRUE(out.Text() == expected) << threads << " threads";

    ShapeText failed;
    ParallelText text(failed, threads);
    auto giveUp = [&] {
      for (int i = 0; i < 100; ++i) {
        text.Add([i](ShapeText& t) {
          if (i == 40) throw std::bad_alloc();
          t.Write("%d\n", {i});
        });
      }
      text.Finish();
    };
    EXPECT_THROW(giveUp(), std::bad_alloc) << threads << " threads";
  }
}

TEST(NodeAlias, LongNamesOfPantographsAndWipers) {
  EXPECT_STREQ(NodeAlias("PantoBot1"), "PANTOGRAPHBOTTOM1");
  EXPECT_STREQ(NodeAlias("wiperarml1"), "WIPERARMLEFT1");
  EXPECT_STREQ(NodeAlias("WIPEBLADR2"), "WIPERBLADERIGHT2");
  EXPECT_STREQ(NodeAlias("PANTOMID2B"), "PANTOGRAPHMIDDLE2B");
  EXPECT_STREQ(NodeAlias("WIPERARMLEFT1"), "WIPERARMLEFT1");
  EXPECT_STREQ(NodeAlias("PANTOBOT"), "PANTOBOT");
  EXPECT_STREQ(NodeAlias("Body"), "Body");
}

class AnimNodeText : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(&node_, 0, sizeof node_);
    strcpy(node_.mName, "Arm");
  }
  std::string Write(std::vector<sPosKey> pos, std::vector<sRotKey> rot) {
    sAnimNode a;
    a.mNode = &node_;
    a.mNumPosKeys = int(pos.size());
    a.mPosKeys = pos.data();
    a.mNumRotKeys = int(rot.size());
    a.mRotKeys = rot.data();
    ShapeText t;
    WriteAnimNode(t, a);
    return t.Text();
  }
  sTreeNode node_;
};

TEST_F(AnimNodeText, NoTracks) {
  const std::string expected =
      "\t\t\t\tanim_node Arm (\r\n\t\t\t\t\tcontrollers ( 0\r\n\t\t\t\t\t)\r\n\t\t\t\t)\r\n";
  EXPECT_EQ(Write({}, {}), expected);
  EXPECT_EQ(Write({{0, 1, 2, 3}}, {{0, 0, 0, 0, 1}}), expected);
}

TEST_F(AnimNodeText, RotationTrackOnly) {
  std::string text =
      Write({{0, 1, 2, 3}}, {{10, 0.1f, 0.2f, 0.3f, 0.927f}, {20, 0, 0, 0, 1}, {30, 0, 0, 1, 0}});
  EXPECT_EQ(text,
            "\t\t\t\tanim_node Arm (\r\n\t\t\t\t\tcontrollers ( 1\r\n"
            "\t\t\t\t\t\ttcb_rot ( 3\r\n"
            "\t\t\t\t\t\t\ttcb_key ( 10 -0.1 -0.3 -0.2 0.927 0 0 0 0 0 )\r\n"
            "\t\t\t\t\t\t\ttcb_key ( 20 -0 -0 -0 1 0 0 0 0 0 )\r\n"
            "\t\t\t\t\t\t\ttcb_key ( 30 -0 -1 -0 0 0 0 0 0 0 )\r\n"
            "\t\t\t\t\t\t)\r\n"
            "\t\t\t\t\t)\r\n\t\t\t\t)\r\n");
}

TEST_F(AnimNodeText, RotationBeforePositionAndAliasedName) {
  strcpy(node_.mName, "PantoBot1");
  std::string text = Write({{20, 1, 2, 3}, {40, 4, 5, 6}}, {{0, 0, 0, 0, 1}, {40, 0, 0, 0, 1}});
  EXPECT_EQ(text,
            "\t\t\t\tanim_node PANTOGRAPHBOTTOM1 (\r\n\t\t\t\t\tcontrollers ( 2\r\n"
            "\t\t\t\t\t\ttcb_rot ( 2\r\n"
            "\t\t\t\t\t\t\ttcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )\r\n"
            "\t\t\t\t\t\t\ttcb_key ( 40 -0 -0 -0 1 0 0 0 0 0 )\r\n"
            "\t\t\t\t\t\t)\r\n"
            "\t\t\t\t\t\tlinear_pos ( 2\r\n"
            "\t\t\t\t\t\t\tlinear_key ( 20 1 3 2 )\r\n"
            "\t\t\t\t\t\t\tlinear_key ( 40 4 6 5 )\r\n"
            "\t\t\t\t\t\t)\r\n"
            "\t\t\t\t\t)\r\n\t\t\t\t)\r\n");
}

}  // namespace
