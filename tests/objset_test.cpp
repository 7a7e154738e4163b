// The pool template: matching, list order, numbering and the stable sort.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ObjSet.h"
#include "Shape.h"

namespace {

template <class T>
std::vector<ObjEntry<T>*> Entries(const ObjSet<T>& pool) {
  std::vector<ObjEntry<T>*> out;
  for (ObjEntry<T>* e = pool.mFirstObj; e; e = e->mNext) out.push_back(e);
  return out;
}

TEST(ObjSetTolerance, NearValuesJoinTheFirstEntryAndKeepItsValue) {
  ObjSet<sVector> pool;
  ObjEntry<sVector>* a = pool.FindOrAdd(sVector(0.0f, 5, 5));
  ObjEntry<sVector>* b = pool.FindOrAdd(sVector(0.0009f, 5, 5));
  ObjEntry<sVector>* c = pool.FindOrAdd(sVector(0.0018f, 5, 5));
  EXPECT_EQ(b, a);
  EXPECT_NE(c, a);
  EXPECT_EQ(pool.mNumObjs, 2);
  EXPECT_EQ(a->mObj.x, 0.0f);
  EXPECT_EQ(c->mObj.x, 0.0018f);
  EXPECT_EQ(a->mIndex, -1);
  EXPECT_EQ(c->mIndex, -1);
}

TEST(ObjSetTolerance, ExactToleranceAndNaNDoNotMatch) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    sVector first, second;
    bool joins;
  };
  const Case cases[] = {
      {{0, 0, 0}, {0.001f, 0, 0}, false},        {{0, 0, 0}, {0, -0.001f, 0}, false},
      {{0, 0, 0}, {0, 0, 0.0009999f}, true},     {{0, 0, 0}, {0.0009f, -0.0009f, 0.0009f}, true},
      {{0, 0, 0}, {0.0009f, 0.0011f, 0}, false}, {{nan, 0, 0}, {nan, 0, 0}, false},
      {{0, 0, 0}, {0, nan, 0}, false},           {{0, 0, nan}, {0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    ObjSet<sVector> pool;
    ObjEntry<sVector>* a = pool.FindOrAdd(c.first);
    ObjEntry<sVector>* b = pool.FindOrAdd(c.second);
    EXPECT_EQ(a == b, c.joins) << c.second.x << " " << c.second.y << " " << c.second.z;
    EXPECT_EQ(pool.mNumObjs, c.joins ? 1 : 2);
  }
}

TEST(ObjSetTolerance, TexCoordsAndSpheresCompareEveryMember) {
  ObjSet<sUVPoint> uvs;
  ObjEntry<sUVPoint>* a = uvs.FindOrAdd({0.5f, 0.25f});
  EXPECT_EQ(uvs.FindOrAdd({0.5009f, 0.2491f}), a);
  EXPECT_NE(uvs.FindOrAdd({0.5f, 0.252f}), a);

  ObjSet<sVolSphere> spheres;
  ObjEntry<sVolSphere>* s = spheres.FindOrAdd({sVector(1, 2, 3), 4});
  EXPECT_EQ(spheres.FindOrAdd({sVector(1.0005f, 2, 3), 4.0005f}), s);
  EXPECT_NE(spheres.FindOrAdd({sVector(1, 2, 3), 4.002f}), s);
  EXPECT_NE(spheres.FindOrAdd({sVector(1, 2, 3.002f), 4}), s);
}

TEST(ObjSetTolerance, MostRecentEntryWithinToleranceIsReturned) {
  ObjSet<sVector> pool;
  ObjEntry<sVector>* older = pool.FindOrAdd(sVector(0, 0, 0));
  ObjEntry<sVector>* newer = pool.FindOrAdd(sVector(0.0015f, 0, 0));
  ASSERT_NE(older, newer);
  // 0.0008 is within tolerance of both; the search from the front meets the newer entry first.
  EXPECT_EQ(pool.FindOrAdd(sVector(0.0008f, 0, 0)), newer);
  EXPECT_EQ(pool.FindOrAdd(sVector(-0.0001f, 0, 0)), older);
  EXPECT_EQ(pool.mNumObjs, 2);
}

TEST(ObjSetOrder, FrontFirstListAndNumbering) {
  ObjSet<int> pool;
  ObjEntry<int>* a = pool.FindOrAdd('A');
  ObjEntry<int>* b = pool.FindOrAdd('B');
  EXPECT_EQ(pool.FindOrAdd('A'), a);
  ASSERT_EQ(pool.mNumObjs, 2);
  EXPECT_EQ(Entries(pool), (std::vector<ObjEntry<int>*>{b, a}));
  pool.Number();
  EXPECT_EQ(b->mIndex, 0);
  EXPECT_EQ(a->mIndex, 1);
}

TEST(ObjSetOrder, AddNeverMerges) {
  ObjSet<int> pool;
  ObjEntry<int>* first = pool.Add(7);
  ObjEntry<int>* second = pool.Add(7);
  EXPECT_NE(first, second);
  EXPECT_EQ(pool.mNumObjs, 2);
  EXPECT_EQ(pool.mFirstObj, second);
  EXPECT_EQ(second->mIndex, -1);
  pool.Clear();
  EXPECT_EQ(pool.mNumObjs, 0);
  EXPECT_EQ(pool.mFirstObj, nullptr);
  EXPECT_NE(pool.FindOrAdd(7), nullptr);
  EXPECT_EQ(pool.mNumObjs, 1);
}

sImageName Image(const char* text) {
  sImageName n;
  memset(n.mName, 'x', sizeof n.mName);
  size_t len = strlen(text);
  memcpy(n.mName, text, len < sizeof n.mName ? len + 1 : sizeof n.mName);
  return n;
}

TEST(ObjSetImages, NamesCompareWithoutCase) {
  ObjSet<sImageName> pool;
  ObjEntry<sImageName>* brick = pool.FindOrAdd(Image("BRICK"));
  EXPECT_EQ(pool.FindOrAdd(Image("brick")), brick);
  EXPECT_EQ(pool.FindOrAdd(Image("BrIcK")), brick);
  EXPECT_STREQ(brick->mObj.mName, "BRICK");
  EXPECT_NE(pool.FindOrAdd(Image("brick2")), brick);
  EXPECT_NE(pool.FindOrAdd(Image("bric")), brick);
  // Digits and punctuation are not letters: '@' and '`' are not the case partners of 'A'.
  ObjEntry<sImageName>* at = pool.FindOrAdd(Image("A@"));
  EXPECT_NE(pool.FindOrAdd(Image("a`")), at);
  EXPECT_EQ(pool.mNumObjs, 5);
}

TEST(ObjSetImages, ComparisonStaysWithinTheField) {
  // Bytes after the terminator take no part.
  sImageName a = Image("wall"), b = Image("WALL");
  a.mName[7] = 'p';
  b.mName[7] = 'q';
  EXPECT_TRUE(ObjTraits<sImageName>::Equal(a, b));
  // A name that fills all 16 bytes without a terminator is compared over the 16 bytes.
  sImageName full1 = Image("ABCDEFGHIJKLMNOPQRS"), full2 = Image("abcdefghijklmnopXYZ");
  EXPECT_TRUE(ObjTraits<sImageName>::Equal(full1, full2));
  full2.mName[15] = 'Q';
  EXPECT_FALSE(ObjTraits<sImageName>::Equal(full1, full2));
}

struct Keyed {
  int key;
  char label;
};

// Builds a pool whose list, front first, holds the given items in the given order.
void Fill(ObjSet<Keyed>& pool, const std::vector<Keyed>& items) {
  for (auto it = items.rbegin(); it != items.rend(); ++it) pool.Add(*it);
}

std::string Labels(const ObjSet<Keyed>& pool) {
  std::string s;
  for (ObjEntry<Keyed>* e = pool.mFirstObj; e; e = e->mNext) s += e->mObj.label;
  return s;
}

bool KeyGreater(const ObjEntry<Keyed>& a, const ObjEntry<Keyed>& b) {
  return a.mObj.key > b.mObj.key;
}

TEST(ObjSetSort, StableAscending) {
  ObjSet<Keyed> pool;
  Fill(pool, {{3, 'a'}, {1, 'b'}, {3, 'c'}, {2, 'd'}});
  ASSERT_EQ(Labels(pool), "abcd");
  pool.Sort(KeyGreater);
  EXPECT_EQ(Labels(pool), "bdac");
  EXPECT_EQ(pool.mNumObjs, 4);
  pool.Number();
  EXPECT_EQ(pool.mFirstObj->mIndex, 0);
  EXPECT_EQ(pool.mFirstObj->mNext->mNext->mNext->mIndex, 3);
  EXPECT_EQ(pool.mFirstObj->mNext->mNext->mNext->mNext, nullptr);
}

TEST(ObjSetSort, SmallPoolsStayAsTheyAre) {
  ObjSet<Keyed> empty;
  empty.Sort(KeyGreater);
  EXPECT_EQ(empty.mFirstObj, nullptr);
  ObjSet<Keyed> one;
  Fill(one, {{5, 'x'}});
  one.Sort(KeyGreater);
  EXPECT_EQ(Labels(one), "x");
}

// The reference order: a bubble sort over the list that, for each pass p = n-1 down to 1,
// swaps each of the first p adjacent pairs whose first key exceeds the second.
std::string BubbleSorted(std::vector<Keyed> items) {
  for (size_t p = items.size() > 0 ? items.size() - 1 : 0; p >= 1; --p) {
    for (size_t i = 0; i < p; ++i) {
      if (items[i].key - items[i + 1].key > 0) std::swap(items[i], items[i + 1]);
    }
  }
  std::string s;
  for (const Keyed& k : items) s += k.label;
  return s;
}

TEST(ObjSetSort, MatchesBubbleSortOnRandomLists) {
  std::mt19937 rng(20260611);
  for (int round = 0; round < 2000; ++round) {
    int n = int(rng() % 70);
    int keyRange = 1 + int(rng() % (round % 3 == 0 ? 3 : 50));
    std::vector<Keyed> items;
    for (int i = 0; i < n; ++i) {
      items.push_back({int(rng() % keyRange) - keyRange / 2, char(' ' + i)});
    }
    ObjSet<Keyed> pool;
    Fill(pool, items);
    pool.Sort(KeyGreater);
    ASSERT_EQ(Labels(pool), BubbleSorted(items)) << "round " << round << ", " << n << " entries";
    ASSERT_EQ(int(Entries(pool).size()), n);
  }
}

}  // namespace
