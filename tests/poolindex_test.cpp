// The pools' index against the walk from the front: for every kind of pool, the same random
// calls go to a pool searched through its index and to one searched by walking its list, and
// every call must return the same entry, also when the call hands the pool the hint of an
// earlier search. Values cluster where the index could go wrong: around the
// tolerance, around the cell boundaries of its grids, at NaN, infinities, signed zeros, huge
// magnitudes and the magnitudes where floats grow more than the tolerance apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "ObjSet.h"
#include "Shape.h"

namespace {

const float INF = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

// The bytes of a value: what the calls remember earlier answers by.
template <class T>
std::string Bits(const T& v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

// How a call asks the indexed pool.
enum class Ask { PLAIN, HINT, ANY_HINT };

// Two pools fed the same calls; entries are compared by the order in which they were created.
template <class T>
class PoolPair {
 public:
  // One FindOrAdd on both; fails the test when they disagree. The indexed pool is asked
  // plainly, with the hint of the last search for the same value, or with a hint of the last
  // search for any value (which the pool must not take for the answer).
  void FindOrAdd(const std::function<T()>& make, int call, Ask ask) {
    int indexedCount = indexed_.mNumObjs, referenceCount = reference_.mNumObjs;
    const T value = make();
    ObjEntry<T>* a = nullptr;
    // Hints hold a copy of the value: records that own pools of their own take none.
    if constexpr (std::is_copy_assignable_v<T>) {
      if (ask == Ask::HINT) a = indexed_.FindOrAdd(make(), hints_[Bits(value)]);
      if (ask == Ask::ANY_HINT) a = indexed_.FindOrAdd(make(), lastHint_);
    }
    if (!a) a = indexed_.FindOrAddIndexed(make());
    ObjEntry<T>* b = reference_.FindOrAddLinear(make());
    Note(indexed_, indexedOrder_, indexedCount, a);
    Note(reference_, referenceOrder_, referenceCount, b);
    ASSERT_EQ(indexedOrder_.at(a), referenceOrder_.at(b)) << "call " << call;
  }

  // One Add on both (an entry that may equal an older one).
  void Add(const std::function<T()>& make) {
    indexedOrder_[indexed_.Add(make())] = int(indexedOrder_.size());
    referenceOrder_[reference_.Add(make())] = int(referenceOrder_.size());
  }

  // The same stable reordering of both: by creation order modulo m.
  void Sort(int m) {
    indexed_.Sort([&](const ObjEntry<T>& x, const ObjEntry<T>& y) {
      return indexedOrder_.at(&x) % m > indexedOrder_.at(&y) % m;
    });
    reference_.Sort([&](const ObjEntry<T>& x, const ObjEntry<T>& y) {
      return referenceOrder_.at(&x) % m > referenceOrder_.at(&y) % m;
    });
  }

  // Both lists hold the same entries in the same order.
  void ExpectSameLists() const {
    ASSERT_EQ(indexed_.mNumObjs, reference_.mNumObjs);
    const ObjEntry<T>* a = indexed_.mFirstObj;
    const ObjEntry<T>* b = reference_.mFirstObj;
    for (; a && b; a = a->mNext, b = b->mNext) {
      ASSERT_EQ(indexedOrder_.at(a), referenceOrder_.at(b));
    }
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
  }

  int Size() const { return indexed_.mNumObjs; }

 private:
  static void Note(const ObjSet<T>& pool, std::map<const ObjEntry<T>*, int>& order, int before,
                   ObjEntry<T>* e) {
    if (pool.mNumObjs != before) order[e] = int(order.size());
  }

  ObjSet<T> indexed_, reference_;
  std::map<const ObjEntry<T>*, int> indexedOrder_, referenceOrder_;
  struct NoHint {};
  typedef std::conditional_t<std::is_copy_assignable_v<T>, PoolHint<T>, NoHint> Hint;
  std::map<std::string, Hint> hints_;
  Hint lastHint_;
};

// Runs rounds of random calls on fresh pool pairs: mostly FindOrAdd, now and then an Add or a
// Sort, so that searches also run on lists the index has to rebuild and on duplicates.
template <class T>
void Compare(uint32_t seed, int rounds, int calls, const std::function<T(std::mt19937&)>& gen) {
  std::mt19937 rng(seed);
  for (int round = 0; round < rounds; ++round) {
    PoolPair<T> pools;
    for (int call = 0; call < calls; ++call) {
      // The same value for both pools: drawn once, copied by the maker.
      uint32_t state = rng();
      auto make = [&gen, state]() {
        std::mt19937 local(state);
        return gen(local);
      };
      uint32_t op = rng() % 200;
      if (op == 0) {
        pools.Sort(1 + int(rng() % 4));
      } else if (op == 1) {
        pools.Add(make);
      } else {
        pools.FindOrAdd(make, call, Ask(op % 3));
      }
      if (::testing::Test::HasFatalFailure()) {
        ADD_FAILURE() << "seed " << seed << ", round " << round;
        return;
      }
    }
    pools.ExpectSameLists();
  }
}

// A float near the places where the index could go wrong.
float NearFloat(std::mt19937& rng) {
  static const float ANCHORS[] = {0.0f,       -0.0f,        1.0f,        -1.0f,       0.5f,
                                  1.0f / 128, -1.0f / 128,  3.0f / 128,  0.001f,      -0.001f,
                                  0.0015f,    0.0625f,      16383.999f,  16384.0f,    -16384.0f,
                                  16384.002f, 32768.0f,     16777215.0f, 16777216.0f, 1e30f,
                                  -1e30f,     3.4028235e38f};
  uint32_t kind = rng() % 100;
  if (kind < 2) return NaN;
  if (kind < 3) return rng() % 2 ? INF : -INF;
  if (kind < 5) return std::numeric_limits<float>::denorm_min() * float(rng() % 5);
  float base = ANCHORS[rng() % (sizeof ANCHORS / sizeof ANCHORS[0])];
  if (kind < 20) return base;
  // Cell boundaries of 1/128, 1/256 and 1/512, and steps of about the tolerance.
  if (kind < 40) base += float(int(rng() % 9) - 4) / float(128 << (rng() % 3));
  float step = 0.0005f * float(int(rng() % 7) - 3);
  float v = base + step;
  // A few units in the last place either way.
  int ulps = int(rng() % 5) - 2;
  for (; ulps > 0; --ulps) v = std::nextafter(v, INF);
  for (; ulps < 0; ++ulps) v = std::nextafter(v, -INF);
  return v;
}

TEST(PoolIndex, VectorsMatchTheWalk) {
  Compare<sVector>(11, 30, 1500, [](std::mt19937& r) {
    // Components share anchors often, so that many values are within tolerance of each other.
    float x = NearFloat(r);
    float y = r() % 3 ? 0.25f : NearFloat(r);
    float z = r() % 3 ? x : NearFloat(r);
    return sVector(x, y, z);
  });
}

TEST(PoolIndex, TexCoordsMatchTheWalk) {
  Compare<sUVPoint>(12, 30, 1500, [](std::mt19937& r) {
    float u = NearFloat(r);
    return sUVPoint{u, r() % 2 ? NearFloat(r) : u};
  });
}

TEST(PoolIndex, SpheresMatchTheWalk) {
  Compare<sVolSphere>(13, 30, 1000, [](std::mt19937& r) {
    sVolSphere s;
    s.mCentre = sVector(NearFloat(r), r() % 2 ? 1.0f : NearFloat(r), NearFloat(r));
    s.mRadius = r() % 2 ? 2.0f : NearFloat(r);
    return s;
  });
}

TEST(PoolIndex, DenseGridOfNearValues) {
  // Values 0.0004 apart on a line through many cells: each one lies within tolerance of several
  // others, and which of them is the newest depends on the order of the calls.
  Compare<sVector>(14, 20, 2000, [](std::mt19937& r) {
    float x = float(int(r() % 400)) * 0.0004f - 0.08f;
    return sVector(x, float(int(r() % 3)) * 0.0007f, 0);
  });
}

TEST(PoolIndex, IntsMatchTheWalk) {
  Compare<int>(21, 30, 1500, [](std::mt19937& r) { return int(r() % 300) - 150; });
}

// References to entries of a fixed set of pooled values.
struct Referents {
  ObjSet<int> ints;
  ObjSet<sVtxState> states;
  ObjSet<sImageName> images;
  ObjSet<sVector> vectors;
  ObjSet<sUVPoint> uvs;
  std::vector<ObjEntry<int>*> intRefs;
  std::vector<ObjEntry<sVtxState>*> stateRefs;
  std::vector<ObjEntry<sImageName>*> imageRefs;
  std::vector<ObjEntry<sVector>*> vectorRefs;
  std::vector<ObjEntry<sUVPoint>*> uvRefs;
  sTreeNode nodes[4];

  Referents() {
    memset(nodes, 0, sizeof nodes);
    for (int i = 0; i < 4; ++i) intRefs.push_back(ints.Add(i));
    for (int i = 0; i < 4; ++i) stateRefs.push_back(states.Add({&nodes[i], i, intRefs[0]}));
    for (int i = 0; i < 3; ++i) {
      sImageName n = {};
      n.mName[0] = char('a' + i);
      imageRefs.push_back(images.Add(n));
    }
    for (int i = 0; i < 5; ++i) vectorRefs.push_back(vectors.Add(sVector(float(i), 0, 0)));
    for (int i = 0; i < 3; ++i) uvRefs.push_back(uvs.Add(sUVPoint{float(i), 0}));
  }

  template <class P>
  static P Pick(std::mt19937& r, const std::vector<P>& from, bool allowNone = false) {
    if (allowNone && r() % 4 == 0) return nullptr;
    return from[r() % from.size()];
  }
};

TEST(PoolIndex, ReferencesAndStatesMatchTheWalk) {
  Referents ref;
  Compare<ObjEntry<int>*>(31, 20, 800, [&](std::mt19937& r) { return ref.Pick(r, ref.intRefs); });
  Compare<sVtxState>(32, 20, 1000, [&](std::mt19937& r) {
    return sVtxState{&ref.nodes[r() % 4], int(r() % 3), ref.Pick(r, ref.intRefs)};
  });
  Compare<sPrimState>(33, 15, 1500, [&](std::mt19937& r) {
    return sPrimState{ref.Pick(r, ref.intRefs),
                      ref.Pick(r, ref.imageRefs),
                      ref.Pick(r, ref.imageRefs, true),
                      ref.Pick(r, ref.stateRefs),
                      int(r() % 2),
                      int(r() % 2),
                      int(r() % 3)};
  });
  Compare<sVertex>(34, 15, 1500, [&](std::mt19937& r) {
    return sVertex{ref.Pick(r, ref.stateRefs), ref.Pick(r, ref.vectorRefs),
                   ref.Pick(r, ref.vectorRefs), ref.Pick(r, ref.uvRefs)};
  });
}

TEST(PoolIndex, NodeKeyedRecordsMatchTheWalk) {
  sTreeNode nodes[40];
  memset(nodes, 0, sizeof nodes);
  Compare<sGeomNode>(41, 20, 600, [&](std::mt19937& r) {
    sGeomNode g;
    g.mNode = &nodes[r() % 40];
    g.mNumTriangles = int(r() % 5);  // not part of the key
    return g;
  });
  Compare<sAnimNode>(42, 20, 600, [&](std::mt19937& r) {
    sAnimNode a;
    a.mNode = &nodes[r() % 40];
    a.mNumPosKeys = int(r() % 5);  // not part of the key
    return a;
  });
  Compare<sDistLevel>(43, 20, 600, [](std::mt19937& r) {
    sDistLevel d;
    d.mMaxDist = int(r() % 30) * 50;
    d.mFileMask = r();  // not part of the key
    return d;
  });
  Compare<sSubObject>(44, 20, 600, [](std::mt19937& r) {
    sSubObject s;
    s.mId = int(r() % 40);
    s.mFlags = r();  // not part of the key
    return s;
  });
}

TEST(PoolIndex, ImageNamesMatchTheWalk) {
  Compare<sImageName>(51, 30, 1500, [](std::mt19937& r) {
    // Short names from few letters in either case; bytes after the terminator vary; some names
    // fill all sixteen bytes without one.
    sImageName n;
    for (char& c : n.mName) c = char(r() % 256);
    static const char LETTERS[] = "aAbB@`_1";
    size_t len = r() % 8 == 0 ? IMAGE_NAME_SIZE : r() % 4;
    for (size_t i = 0; i < len; ++i) n.mName[i] = LETTERS[r() % 8];
    if (len < IMAGE_NAME_SIZE) n.mName[len] = '\0';
    return n;
  });
}

// The decisions that the grid must get exactly right, one by one: the entry of the walk for
// values at and across the tolerance, the cell boundaries and the large magnitudes.
TEST(PoolIndex, BoundaryCases) {
  struct Case {
    std::vector<float> added;  // x of points (0, 0) added in this order
    float query;
    int expected;  // index into added of the answer, -1 for a new entry
  };
  const float cell = 1.0f / 128;
  const Case cases[] = {
      {{0.0f}, -0.0f, 0},
      {{-0.0f}, 0.0f, 0},
      {{0.0f}, 0.001f, -1},
      {{0.0f}, std::nextafter(0.001f, 0.0f), 0},
      {{cell}, cell - 0.0009f, 0},
      {{cell - 0.0009f}, cell + 0.00005f, 0},
      {{cell - 0.0006f, cell + 0.0006f}, cell, 1},
      {{cell + 0.0006f, cell - 0.0006f}, cell, 1},
      {{16383.999f}, 16384.0f, 0},  // floats 2^-10 apart below 2^14
      {{16384.0f}, 16383.999f, 0},
      {{-16384.0f}, -16383.999f, 0},
      {{16384.0f}, 16384.002f, -1},  // and 2^-9 apart above
      {{16384.002f}, 16384.002f, 0},
      {{100000.0f}, 100000.0f, 0},
      {{100000.0f}, std::nextafter(100000.0f, INF), -1},
      {{16777215.0f}, 16777216.0f, -1},  // 1 apart: never near
      {{16777216.0f}, 16777216.0f, 0},   // a large value matches itself
      {{-16777216.0f, 16777216.0f}, -16777216.0f, 0},
      {{1e30f}, 1e30f, 0},
      {{1e30f}, std::nextafter(1e30f, INF), -1},
      {{3.4028235e38f}, 3.4028235e38f, 0},
      {{INF}, INF, -1},
      {{-INF}, -INF, -1},
      {{NaN}, NaN, -1},
      {{0.0f}, NaN, -1},
      {{std::numeric_limits<float>::denorm_min()}, 0.0f, 0},
  };
  for (const Case& c : cases) {
    ObjSet<sVector> pool;
    std::vector<ObjEntry<sVector>*> added;
    for (float x : c.added) added.push_back(pool.FindOrAddIndexed(sVector(x, 0, 0)));
    ASSERT_EQ(pool.mNumObjs, int(c.added.size())) << "added values must stay apart";
    ObjEntry<sVector>* got = pool.FindOrAddIndexed(sVector(c.query, 0, 0));
    if (c.expected < 0) {
      EXPECT_EQ(pool.mNumObjs, int(c.added.size()) + 1) << "query " << c.query;
    } else {
      EXPECT_EQ(got, added[size_t(c.expected)]) << "query " << c.query;
    }
  }
}

// The first entry from the front within tolerance of v, or null.
ObjEntry<sVector>* Walk(const ObjSet<sVector>& pool, const sVector& v) {
  for (ObjEntry<sVector>* e = pool.mFirstObj; e; e = e->mNext) {
    if (ObjTraits<sVector>::Equal(e->mObj, v)) return e;
  }
  return nullptr;
}

// A value of one of three kinds: near the cell borders (odd multiples of half a cell) and
// centres (multiples of a cell) of a grid of cells of cell units, on an exact grid of the
// tolerance, or spread wide and large (beyond 2^14, where floats lie more than the tolerance
// apart).
sVector IndexProbe(std::mt19937& r, int kind, float cell) {
  auto border = [&] {
    const float at = float(int(r() % 9) - 4) + (r() % 2 ? 0.5f : 0.0f);
    float v = cell * at + 0.0005f * float(int(r() % 7) - 3);
    for (int u = int(r() % 5) - 2; u != 0; u += u > 0 ? -1 : 1) {
      v = std::nextafter(v, u > 0 ? INF : -INF);
    }
    return v;
  };
  auto tolerance = [&] {
    int i = int(r() % 60);
    return r() % 2 ? float(i * 0.001) : float(i) * 0.001f;
  };
  auto wide = [&] {
    static const float ANCHORS[] = {0.0f, 16384.0f, -16384.0f, 100000.0f, 1e7f};
    float v = ANCHORS[r() % 5] + float(int(r() % 1200) - 600) * 1.1f;
    return r() % 4 ? v : std::nextafter(v, r() % 2 ? INF : -INF);
  };
  switch (kind) {
    case 0:
      return sVector(border(), r() % 2 ? border() : 0.5f, border());
    case 1:
      return sVector(tolerance(), tolerance(), float(r() % 3) * 0.001f);
    default:
      return sVector(wide(), wide(), r() % 2 ? 0.0f : wide());
  }
}

// The tolerant index on its own, started on each of its grids and left to choose others as the
// values come, against the walk over the same list: every search and every hint it takes back
// must give the walk's answer.
TEST(PoolIndex, TolerantIndexOnEveryGrid) {
  typedef PoolIndex<sVector> Index;
  bool finer = false, coarser = false;
  for (int grid : {Index::COARSEST_GRID, 0, 4, Index::FINEST_GRID}) {
    for (int kind = 0; kind < 3; ++kind) {
      std::mt19937 r(uint32_t(1000 + 10 * grid + kind));
      ObjSet<sVector> list;  // filled by Add alone, so that it makes no index of its own
      Index index(nullptr, grid);
      std::map<std::string, PoolHint<sVector>> hints;
      std::vector<const PoolHint<sVector>*> order;  // the hints, in the order they were made
      for (int call = 0; call < 9000; ++call) {
        const sVector v = IndexProbe(r, kind, std::ldexp(1.0f, -grid));
        ObjEntry<sVector>* expected = Walk(list, v);
        bool sameBits = false;
        ASSERT_EQ(index.Find(v, &sameBits), expected)
            << "grid " << grid << " kind " << kind << " call " << call;
        const size_t known = hints.size();
        PoolHint<sVector>& hint = hints[Bits(v)];
        if (hints.size() > known) order.push_back(&hint);
        if (ObjEntry<sVector>* recalled = index.Recall(hint, v)) {
          ASSERT_EQ(recalled, expected) << "hint, call " << call;
        }
        // A hint made for another value (the import keeps the hints of earlier meshes) must
        // not give another answer either.
        const PoolHint<sVector>& other = *order[r() % order.size()];
        if (ObjEntry<sVector>* recalled = index.Recall(other, v)) {
          ASSERT_EQ(recalled, expected) << "other hint, call " << call;
        }
        if (!expected) {
          expected = list.Add(v);
          index.InsertNewFront(expected);
          sameBits = true;
        }
        ASSERT_EQ(sameBits, memcmp(&expected->mObj, &v, sizeof v) == 0);
        index.Remember(hint, expected, v, sameBits);
        finer = finer || index.Grid() > grid;
        coarser = coarser || index.Grid() < grid;
      }
    }
  }
  // The index did choose other grids, and searched them.
  EXPECT_TRUE(finer);
  EXPECT_TRUE(coarser);
}

// After a sort the walk meets entries in the new order, and the index must follow it.
TEST(PoolIndex, SearchAfterSortFollowsTheNewOrder) {
  ObjSet<sVector> pool;
  ObjEntry<sVector>* a = pool.FindOrAddIndexed(sVector(0.0000f, 0, 0));
  ObjEntry<sVector>* b = pool.FindOrAddIndexed(sVector(0.0015f, 0, 0));
  // Both are within tolerance of 0.0008; b is in front.
  EXPECT_EQ(pool.FindOrAddIndexed(sVector(0.0008f, 0, 0)), b);
  // Sorting by ascending x puts a in front.
  pool.Sort(
      [](const ObjEntry<sVector>& p, const ObjEntry<sVector>& q) { return p.mObj.x > q.mObj.x; });
  ASSERT_EQ(pool.mFirstObj, a);
  EXPECT_EQ(pool.FindOrAddIndexed(sVector(0.0008f, 0, 0)), a);
  // A new entry goes in front of both.
  ObjEntry<sVector>* c = pool.FindOrAddIndexed(sVector(-0.0012f, 0, 0));
  ASSERT_EQ(pool.mFirstObj, c);
  EXPECT_EQ(pool.FindOrAddIndexed(sVector(-0.0004f, 0, 0)), c);
  EXPECT_EQ(pool.mNumObjs, 3);
}

TEST(PoolIndex, AddedDuplicatesAreFoundFrontFirst) {
  ObjSet<int> pool;
  ObjEntry<int>* first = pool.FindOrAddIndexed(5);
  ObjEntry<int>* second = pool.Add(5);
  EXPECT_EQ(pool.FindOrAddIndexed(5), second);
  // Sorting second behind first makes first the one the walk meets.
  pool.Sort([&](const ObjEntry<int>& p, const ObjEntry<int>&) { return &p == second; });
  ASSERT_EQ(pool.mFirstObj, first);
  EXPECT_EQ(pool.FindOrAddIndexed(5), first);
}

}  // namespace
