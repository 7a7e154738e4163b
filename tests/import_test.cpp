// The level import, entry by entry: what each level adds to the model's pools and in which
// order, frames and pivots, merging of levels, sub-object flags, images and render states.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "Builder3ds.h"
#include "HelperThread.h"
#include "MaterialTypes.h"
#include "Shape.h"
#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace {

using build3ds::Model;

// The values of a pool, front first.
template <class T>
std::vector<const T*> Values(const ObjSet<T>& pool) {
  std::vector<const T*> out;
  for (const ObjEntry<T>* e = pool.mFirstObj; e; e = e->mNext) out.push_back(&e->mObj);
  return out;
}

void ExpectVector(const sVector& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

class Import : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override { ResetErrorList3ds(); }
  // Writes the model as a level file and reads it into the shape.
  void Read(const Model& m, int level, int dist) {
    std::string path = dir_.File("level" + std::to_string(level) + ".3ds");
    m.Write(path);
    shape_.ReadLevel(path.c_str(), level, dist);
    ASSERT_FALSE(ErrorsPending3ds);
  }
  sSubObject& OnlySubObject() {
    EXPECT_EQ(shape_.mDistLevels.mNumObjs, 1);
    EXPECT_EQ(shape_.mDistLevels.mFirstObj->mObj.mSubObjects.mNumObjs, 1);
    return shape_.mDistLevels.mFirstObj->mObj.mSubObjects.mFirstObj->mObj;
  }

  TempDir dir_;
  Shape shape_;
};

build3ds::MeshObj& Triangle(Model& m, const std::string& name, const std::string& material,
                            std::vector<build3ds::Vec3> vertices = {
                                {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) {
  return m.AddMesh(name)
      .Vertices(vertices)
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group(material, {0});
}

TEST_F(Import, WorkedLevelEntryByEntry) {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI", "SolidNorm");
  Read(m, 0, 100);

  EXPECT_EQ(shape_.mNumFrames, 30);
  EXPECT_EQ(shape_.mFrameRate, 30);
  EXPECT_EQ(shape_.mNumAnimated, 0);
  EXPECT_EQ(shape_.mAnimNodes.mNumObjs, 0);

  sTreeNode* tri = shape_.mNodeTree.FindNode("TRI");
  ASSERT_NE(tri, nullptr);
  EXPECT_EQ(shape_.mNodeTree.mRootNode, tri);

  ASSERT_EQ(shape_.mDistLevels.mNumObjs, 1);
  EXPECT_EQ(shape_.mDistLevels.mFirstObj->mObj.mMaxDist, 100);
  sSubObject& sub = OnlySubObject();
  EXPECT_EQ(sub.mId, 0);
  EXPECT_EQ(sub.mFlags, 0x400u);
  EXPECT_EQ(sub.mLightFlags, 0x1C4);

  ASSERT_EQ(shape_.mLightCfgs.mNumObjs, 1);
  ObjEntry<int>* cfg = shape_.mLightCfgs.mFirstObj;
  EXPECT_EQ(cfg->mObj, 0);
  ASSERT_EQ(shape_.mVtxStates.mNumObjs, 1);
  ObjEntry<sVtxState>* vs = shape_.mVtxStates.mFirstObj;
  EXPECT_EQ(vs->mObj.mNode, tri);
  EXPECT_EQ(vs->mObj.mLightMat, 4);
  EXPECT_EQ(vs->mObj.mLightCfg, cfg);
  ASSERT_EQ(shape_.mShaders.mNumObjs, 1);
  EXPECT_EQ(shape_.mShaders.mFirstObj->mObj, 1);
  ASSERT_EQ(shape_.mImages.mNumObjs, 1);
  EXPECT_STREQ(shape_.mImages.mFirstObj->mObj.mName, "tri");
  ASSERT_EQ(shape_.mPrimStates.mNumObjs, 1);
  const sPrimState& ps = shape_.mPrimStates.mFirstObj->mObj;
  EXPECT_EQ(ps.mShader, shape_.mShaders.mFirstObj);
  EXPECT_EQ(ps.mTexture, shape_.mImages.mFirstObj);
  EXPECT_EQ(ps.mTexture2, nullptr);
  EXPECT_EQ(ps.mVtxState, vs);
  EXPECT_EQ(ps.mAlphaTestMode, 0);
  EXPECT_EQ(ps.mZBufMode, 1);
  EXPECT_EQ(ps.mSortKey, 0);

  std::vector<const sVector*> points = Values(shape_.mPoints);
  ASSERT_EQ(points.size(), 3u);
  ExpectVector(*points[0], 0, 1, 0);
  ExpectVector(*points[1], 1, 0, 0);
  ExpectVector(*points[2], 0, 0, 0);
  std::vector<const sUVPoint*> uvs = Values(shape_.mUVPoints);
  ASSERT_EQ(uvs.size(), 3u);
  EXPECT_EQ(uvs[0]->u, 0);
  EXPECT_EQ(uvs[0]->v, 1);
  EXPECT_EQ(uvs[1]->u, 1);
  EXPECT_EQ(uvs[1]->v, 0);
  EXPECT_EQ(uvs[2]->u, 0);
  EXPECT_EQ(uvs[2]->v, 0);
  ASSERT_EQ(shape_.mNormals.mNumObjs, 1);
  ExpectVector(shape_.mNormals.mFirstObj->mObj, 0, 0, 1);

  ASSERT_EQ(sub.mVertices.mNumObjs, 3);
  ASSERT_EQ(sub.mTriangles.mNumObjs, 1);
  const sTriangle& t = sub.mTriangles.mFirstObj->mObj;
  EXPECT_EQ(t.mPrimState, shape_.mPrimStates.mFirstObj);
  EXPECT_EQ(t.mNormal, shape_.mNormals.mFirstObj);
  // The corners in the face's order: (0,0,0), (1,0,0), (0,1,0), each with its own point and
  // texture coordinate and the shared normal.
  ObjEntry<sVector>* pointEntries[3] = {shape_.mPoints.mFirstObj->mNext->mNext,
                                        shape_.mPoints.mFirstObj->mNext, shape_.mPoints.mFirstObj};
  ObjEntry<sUVPoint>* uvEntries[3] = {shape_.mUVPoints.mFirstObj->mNext->mNext,
                                      shape_.mUVPoints.mFirstObj->mNext,
                                      shape_.mUVPoints.mFirstObj};
  for (int c = 0; c < 3; ++c) {
    const sVertex& v = t.mVertices[c]->mObj;
    EXPECT_EQ(v.mVtxState, vs) << c;
    EXPECT_EQ(v.mPoint, pointEntries[c]) << c;
    EXPECT_EQ(v.mUVPoint, uvEntries[c]) << c;
    EXPECT_EQ(v.mNormal, shape_.mNormals.mFirstObj) << c;
  }
  EXPECT_EQ(sub.mShaderRefs.mNumObjs, 1);
  EXPECT_EQ(sub.mShaderRefs.mFirstObj->mObj, shape_.mShaders.mFirstObj);
  EXPECT_EQ(sub.mLightCfgRefs.mFirstObj->mObj, cfg);
}

TEST_F(Import, VerticesGoIntoTheNodeFrame) {
  // A frame turned 90 degrees about z at (10, 0, 0): the world vertex (10, 1, 0) lies one unit
  // along the node's x axis.
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI", "SolidNorm", {{10, 0, 0}, {10, 1, 0}, {9, 0, 0}})
      .Frame({0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 0, 0});
  Read(m, 0, 100);
  std::vector<const sVector*> points = Values(shape_.mPoints);
  ASSERT_EQ(points.size(), 3u);
  ExpectVector(*points[2], 0, 0, 0);
  ExpectVector(*points[1], 1, 0, 0);
  ExpectVector(*points[0], 0, 1, 0);
}

TEST_F(Import, PivotIsSubtracted) {
  Model level;
  level.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(level, "TRI", "SolidNorm", {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}).Origin(5, 5, 5);
  level.Keyframer().Node("TRI").Id(0).Pivot(1, 2, 3);
  Read(level, 0, 100);
  // The vertex at the node's origin.
  std::vector<const sVector*> points = Values(shape_.mPoints);
  ASSERT_EQ(points.size(), 3u);
  ExpectVector(*points[2], -1, -2, -3);
  ExpectVector(*points[1], 0, -2, -3);
}

TEST_F(Import, LevelsMergeNodesByNameAndDistanceLevelsByDistance) {
  auto level = [](bool withChild) {
    Model m;
    m.AddMaterial("SolidNorm").Texture("tri.bmp");
    Triangle(m, "A", "SolidNorm");
    if (withChild) Triangle(m, "B", "SolidNorm", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}});
    build3ds::KfData& kf = m.Keyframer();
    kf.Node("A").Id(0);
    if (withChild) kf.Node("B").Id(1).Parent(0);
    return m;
  };
  Read(level(true), 0, 100);
  Read(level(false), 1, 500);
  Read(level(true), 2, 500);
  EXPECT_EQ(shape_.mNodeTree.mNumNodes, 2);
  sTreeNode* a = shape_.mNodeTree.FindNode("A");
  sTreeNode* b = shape_.mNodeTree.FindNode("B");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(b->mParent, a);
  EXPECT_EQ(a->mLevelMask, 7u);
  EXPECT_EQ(b->mLevelMask, 5u);
  ASSERT_EQ(shape_.mDistLevels.mNumObjs, 2);
  // Newest first: 500, fed by files 1 and 2; then 100, fed by file 0.
  EXPECT_EQ(shape_.mDistLevels.mFirstObj->mObj.mMaxDist, 500);
  EXPECT_EQ(shape_.mDistLevels.mFirstObj->mObj.mFileMask, 6u);
  EXPECT_EQ(shape_.mDistLevels.mFirstObj->mNext->mObj.mFileMask, 1u);
  // Points, texture coordinates and normals are shared by all levels.
  EXPECT_EQ(shape_.mPoints.mNumObjs, 6);
  EXPECT_EQ(shape_.mUVPoints.mNumObjs, 3);
}

TEST_F(Import, SortFlagAndSubObjectNumbers) {
  struct Case {
    const char* first;
    const char* second;
    std::vector<std::pair<int, uint32_t>> subObjects;  // front first: id and flags
  };
  const Case cases[] = {
      {"SolidNorm1", "TransNorm1s", {{1, 0x700}}},
      {"SolidNorm1", "TransNorm2s", {{2, 0x700}, {1, 0x400}}},
      {"AlphNorm+3s_gls", "SolidNorm3S", {{3, 0x700}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    Shape shape;
    Model m;
    m.AddMaterial(c.first).Texture("a.bmp");
    m.AddMaterial(c.second).Texture("b.bmp");
    m.AddMesh("TRI")
        .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}})
        .TexVerts({{0, 0}, {1, 0}, {0, 1}, {1, 1}})
        .Faces({{0, 1, 2}, {1, 3, 2}})
        .Group(c.first, {0})
        .Group(c.second, {1});
    std::string path = dir_.File("flags.3ds");
    m.Write(path);
    shape.ReadLevel(path.c_str(), 0, 100);
    const ObjSet<sSubObject>& subs = shape.mDistLevels.mFirstObj->mObj.mSubObjects;
    ASSERT_EQ(subs.mNumObjs, int(c.subObjects.size()));
    const ObjEntry<sSubObject>* s = subs.mFirstObj;
    for (const auto& expected : c.subObjects) {
      EXPECT_EQ(s->mObj.mId, expected.first);
      EXPECT_EQ(s->mObj.mFlags, expected.second);
      s = s->mNext;
    }
  }
}

TEST_F(Import, GlossAddsTwoImagesAndTheReflectingConfiguration) {
  Model m;
  m.AddMaterial("Gloss").Texture("paint.bmp").Reflection("chrome.bmp");
  Triangle(m, "TRI", "Gloss");
  Read(m, 0, 100);
  std::vector<const sImageName*> images = Values(shape_.mImages);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_STREQ(images[0]->mName, "chrome");
  EXPECT_STREQ(images[1]->mName, "paint");
  ASSERT_EQ(shape_.mLightCfgs.mNumObjs, 1);
  EXPECT_EQ(shape_.mLightCfgs.mFirstObj->mObj, LIGHTCFG_REFLECT);
  const sPrimState& ps = shape_.mPrimStates.mFirstObj->mObj;
  EXPECT_EQ(ps.mShader->mObj, SHADER_GLOSSMAP);
  EXPECT_STREQ(ps.mTexture->mObj.mName, "paint");
  ASSERT_NE(ps.mTexture2, nullptr);
  EXPECT_STREQ(ps.mTexture2->mObj.mName, "chrome");
  EXPECT_EQ(ps.mVtxState->mObj.mLightMat, 0);
}

TEST_F(Import, ImageNamesWithoutExtensionAndCase) {
  Model m;
  m.AddMaterial("SolidNorm1").Texture("Wall.BMP");
  m.AddMaterial("SolidNorm2").Texture("wall.tga");
  m.AddMaterial("SolidNorm3").Texture("wall.tga.bak");
  m.AddMaterial("SolidNorm4").Texture("NOEXT");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Group("SolidNorm1", {0})
      .Group("SolidNorm2", {0})
      .Group("SolidNorm3", {0})
      .Group("SolidNorm4", {0});
  Read(m, 0, 100);
  std::vector<const sImageName*> images = Values(shape_.mImages);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_STREQ(images[0]->mName, "NOEXT");
  EXPECT_STREQ(images[1]->mName, "wall.tga");
  EXPECT_STREQ(images[2]->mName, "Wall");
  // A face listed in four groups gives four triangles, one in each sub-object.
  EXPECT_EQ(shape_.mDistLevels.mFirstObj->mObj.mSubObjects.mNumObjs, 4);
}

TEST_F(Import, CornersShareVerticesWithinASubObjectOnly) {
  // Two faces sharing an edge in one smoothing group: 4 vertices, not 6. The same faces split
  // over sub-objects 1 and 2 give one vertex per corner in each.
  Model m;
  m.AddMaterial("SolidNorm1").Texture("a.bmp");
  m.AddMaterial("SolidNorm2").Texture("a.bmp");
  m.AddMesh("Q")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}, {1, 1}})
      .Faces({{0, 1, 2}, {1, 3, 2}})
      .Smoothing({1, 1})
      .Group("SolidNorm1", {0, 1})
      .Group("SolidNorm2", {1});
  Read(m, 0, 100);
  const ObjSet<sSubObject>& subs = shape_.mDistLevels.mFirstObj->mObj.mSubObjects;
  ASSERT_EQ(subs.mNumObjs, 2);
  EXPECT_EQ(subs.mFirstObj->mObj.mId, 2);
  EXPECT_EQ(subs.mFirstObj->mObj.mVertices.mNumObjs, 3);
  EXPECT_EQ(subs.mFirstObj->mNext->mObj.mVertices.mNumObjs, 4);
  EXPECT_EQ(shape_.mPoints.mNumObjs, 4);
  // The quad's two face normals and its smooth vertex normal are all (0, 0, 1): one entry.
  EXPECT_EQ(shape_.mNormals.mNumObjs, 1);
}

TEST_F(Import, AnimationFromTheFirstLevelOnly) {
  auto level = [](float angle) {
    Model m;
    m.AddMaterial("SolidNorm").Texture("tri.bmp");
    Triangle(m, "TRI", "SolidNorm");
    m.Keyframer()
        .Length(50)
        .Segment(0, 50)
        .Node("TRI")
        .Id(0)
        .Rot(0, 0, {0, 0, 1})
        .Rot(25, angle, {0, 0, 1});
    return m;
  };
  Read(level(1.0f), 0, 100);
  Read(level(2.0f), 1, 200);
  EXPECT_EQ(shape_.mNumFrames, 50);
  EXPECT_EQ(shape_.mNumAnimated, 1);
  ASSERT_EQ(shape_.mAnimNodes.mNumObjs, 1);
  const sAnimNode& a = shape_.mAnimNodes.mFirstObj->mObj;
  ASSERT_EQ(a.mNumRotKeys, 2);
  EXPECT_EQ(a.mRotKeys[1].mFrame, 25);
  EXPECT_EQ(a.mRotKeys[1].z, float(std::sin(0.5)));
}

// The second thread of the import: jobs run in the order handed over, Wait leaves at most the
// jobs asked for pending, a job's exception reaches the owner and skips the jobs after it (the
// helper goes on afterwards), and a helper destroyed with jobs waiting stops after its current
// one.
TEST(HelperThread, OrderErrorsAndStop) {
  HelperThread helper;
  ASSERT_TRUE(helper.Start());
  std::atomic<bool> release{false};
  std::atomic<int> finished{0};
  std::vector<int> done;
  helper.Post([&] {
    while (!release) std::this_thread::yield();
    done.push_back(1);
    ++finished;
  });
  for (int i = 2; i <= 50; ++i) {
    helper.Post([&, i] {
      done.push_back(i);
      ++finished;
    });
  }
  release = true;
  helper.Wait(1);
  EXPECT_GE(finished, 49);
  helper.Wait();
  ASSERT_EQ(done.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(done[i], i + 1);

  done.clear();
  helper.Post([&] { done.push_back(1); });
  helper.Post([] { throw std::bad_alloc(); });
  helper.Post([&] { done.push_back(3); });
  EXPECT_THROW(helper.Wait(), std::bad_alloc);
  EXPECT_EQ(done, std::vector<int>{1});
  helper.Post([&] { done.push_back(4); });
  helper.Wait();
  EXPECT_EQ(done, (std::vector<int>{1, 4}));

  // Stopping: the thread finishes the job it is on (every job that ran, ran whole, in order).
  done.clear();
  {
    HelperThread stopping;
    ASSERT_TRUE(stopping.Start());
    for (int i = 1; i <= 3; ++i) {
      stopping.Post([&done, i] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        done.push_back(i);
      });
    }
  }
  ASSERT_LE(done.size(), 3u);
  for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i], int(i) + 1);
}

// ShareWork: every item once, whoever takes it; a failure on either side is thrown again only
// after the helper is done with the items it took.
TEST(HelperThread, ShareWorkTakesEveryItemOnce) {
  HelperThread helper;
  ASSERT_TRUE(helper.Start());
  for (HelperThread* h : {static_cast<HelperThread*>(nullptr), &helper}) {
    for (size_t n : {0, 1, 2, 7, 1000}) {
      std::vector<std::atomic<int>> calls(n);
      ShareWork(
          h, n, [](size_t i) { return i % 3; }, [&](size_t i) { ++calls[i]; });
      for (size_t i = 0; i < n; ++i) EXPECT_EQ(calls[i], 1) << "item " << i << " of " << n;
    }
  }
  for (size_t failing : {0, 999}) {
    std::vector<std::atomic<int>> calls(1000);
    std::atomic<int> running{0};
    EXPECT_THROW(ShareWork(
                     &helper, calls.size(), [](size_t) { return 1; },
                     [&](size_t i) {
                       ++running;
                       std::this_thread::sleep_for(std::chrono::microseconds(20));
                       ++calls[i];
                       --running;
                       if (i == failing) throw std::bad_alloc();
                     }),
                 std::bad_alloc);
    EXPECT_EQ(running, 0);
    EXPECT_EQ(calls[failing], 1);
  }
  // The helper goes on working after a failure.
  std::atomic<int> count{0};
  ShareWork(
      &helper, 10, [](size_t) { return 1; }, [&](size_t) { ++count; });
  EXPECT_EQ(count, 10);
}

}  // namespace
