// Vertex normals from smoothing groups: face normals, degenerate faces, grouping of the faces
// at a vertex, the finishing pass and the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Fail.h"
#include "MeshNormals.h"
#include "Subprocess.h"
#include "toolkit3ds.h"

namespace {

struct Tri {
  uint16_t a, b, c;
  uint32_t groups;
};

// A mesh with the given vertex positions and faces; without smoothing array when asked.
std::unique_ptr<Mesh3ds> MakeMesh(const std::vector<sVector>& points, const std::vector<Tri>& tris,
                                  bool withSmoothing = true) {
  std::unique_ptr<Mesh3ds> mesh(new Mesh3ds());
  mesh->pointcount = uint16_t(points.size());
  EXPECT_TRUE(mesh->pointarray.Allocate(points.size()));
  for (size_t i = 0; i < points.size(); ++i) {
    mesh->pointarray[i] = Point3ds{points[i].x, points[i].y, points[i].z};
  }
  mesh->trianglecount = uint16_t(tris.size());
  EXPECT_TRUE(mesh->trianglearray.Allocate(tris.size()));
  if (withSmoothing) {
    EXPECT_TRUE(mesh->smoothingarray.Allocate(tris.size()));
  }
  for (size_t f = 0; f < tris.size(); ++f) {
    mesh->trianglearray[f] = Face3ds{tris[f].a, tris[f].b, tris[f].c, 0};
    if (withSmoothing) mesh->smoothingarray[f] = tris[f].groups;
  }
  return mesh;
}

typedef std::unique_ptr<sMeshNorm> NormalsPtr;

NormalsPtr Compute(Mesh3ds& mesh) {
  return ComputeMeshNormals(&mesh);
}

std::vector<const sVNorm*> Entries(const sMeshNorm& n, size_t v) {
  std::vector<const sVNorm*> list;
  for (const sVNorm* e = n.mVNormListPtrs[v]; e; e = e->mNext) list.push_back(e);
  return list;
}

void ExpectNear(const sVector& got, const sVector& want, double tol, const std::string& what) {
  EXPECT_NEAR(got.x, want.x, tol) << what;
  EXPECT_NEAR(got.y, want.y, tol) << what;
  EXPECT_NEAR(got.z, want.z, tol) << what;
}

void ExpectExact(const sVector& got, const sVector& want, const std::string& what) {
  EXPECT_EQ(got.x, want.x) << what;
  EXPECT_EQ(got.y, want.y) << what;
  EXPECT_EQ(got.z, want.z) << what;
}

//--------------------------------------------------------------------------------------------
// The unit cube [0, 1]^3 as twelve triangles. Corner i lies at (i & 1, (i >> 1) & 1, i >> 2).
// Each side is a quad (a, b, c, d), counter-clockwise seen from outside, split into the
// triangles (a, b, c) and (a, c, d).
//--------------------------------------------------------------------------------------------

struct CubeSide {
  uint16_t q[4];
  sVector outward;
};

const CubeSide CUBE_SIDES[6] = {
    {{0, 2, 3, 1}, sVector(0, 0, -1)}, {{4, 5, 7, 6}, sVector(0, 0, 1)},
    {{0, 1, 5, 4}, sVector(0, -1, 0)}, {{2, 6, 7, 3}, sVector(0, 1, 0)},
    {{0, 4, 6, 2}, sVector(-1, 0, 0)}, {{1, 3, 7, 5}, sVector(1, 0, 0)},
};

std::vector<sVector> CubeCorners() {
  std::vector<sVector> p;
  for (int i = 0; i < 8; ++i)
    p.push_back(sVector(float(i & 1), float((i >> 1) & 1), float(i >> 2)));
  return p;
}

// groupOfSide(side) gives each side's smoothing mask.
template <class GroupOf>
std::vector<Tri> CubeTriangles(GroupOf groupOfSide) {
  std::vector<Tri> t;
  for (int s = 0; s < 6; ++s) {
    const uint16_t* q = CUBE_SIDES[s].q;
    t.push_back(Tri{q[0], q[1], q[2], groupOfSide(s)});
    t.push_back(Tri{q[0], q[2], q[3], groupOfSide(s)});
  }
  return t;
}

bool SideHasCorner(int side, int corner) {
  for (uint16_t c : CUBE_SIDES[side].q) {
    if (c == corner) return true;
  }
  return false;
}

TEST(MeshNormals, CubeFaceNormalsPointOutwards) {
  auto mesh = MakeMesh(CubeCorners(), CubeTriangles([](int) { return 1u; }));
  NormalsPtr n = Compute(*mesh);
  ASSERT_EQ(n->mFaceNorms.size(), 12u);
  for (int f = 0; f < 12; ++f) {
    ExpectExact(n->mFaceNorms[f], CUBE_SIDES[f / 2].outward, "face " + std::to_string(f));
  }
}

TEST(MeshNormals, CubeInSixGroupsKeepsOneEntryPerSide) {
  auto tris = CubeTriangles([](int side) { return 1u << side; });
  auto mesh = MakeMesh(CubeCorners(), tris);
  NormalsPtr n = Compute(*mesh);
  for (int corner = 0; corner < 8; ++corner) {
    auto list = Entries(*n, corner);
    ASSERT_EQ(list.size(), 3u) << "corner " << corner;
    for (const sVNorm* e : list) {
      // Exactly one group bit, of a side at this corner, with that side's normal.
      int side = 0;
      while (side < 6 && e->mGroups != (1u << side)) ++side;
      ASSERT_LT(side, 6) << "corner " << corner << " groups " << e->mGroups;
      EXPECT_TRUE(SideHasCorner(side, corner)) << "corner " << corner << " side " << side;
      ExpectExact(e->mNorm, CUBE_SIDES[side].outward, "corner " + std::to_string(corner));
    }
    EXPECT_NE(list[0]->mGroups, list[1]->mGroups);
    EXPECT_NE(list[1]->mGroups, list[2]->mGroups);
    EXPECT_NE(list[0]->mGroups, list[2]->mGroups);
  }
  // Every corner of every triangle is served by its own side's normal.
  for (const Tri& t : tris) {
    int side = 0;
    while (t.groups != (1u << side)) ++side;
    for (uint16_t v : {t.a, t.b, t.c}) {
      ExpectExact(FindVertexNormal(n.get(), t.groups, v), CUBE_SIDES[side].outward, "lookup");
    }
  }
}

TEST(MeshNormals, CubeInOneGroupSumsTheTriangleNormals) {
  auto tris = CubeTriangles([](int) { return 1u; });
  auto mesh = MakeMesh(CubeCorners(), tris);
  NormalsPtr n = Compute(*mesh);

  // Worked by hand: corner 0 lies on both triangles of each of its three sides, so its sum is
  // (-2, -2, -2); corner 1 lies on one triangle of the -z and -y sides and on both of the +x
  // side, so its sum is (2, -1, -1).
  const double r3 = 1 / std::sqrt(3.0), r6 = 1 / std::sqrt(6.0);
  ExpectNear(FindVertexNormal(n.get(), 1, 0), sVector(float(-r3), float(-r3), float(-r3)), 1e-6,
             "corner 0");
  ExpectNear(FindVertexNormal(n.get(), 1, 1), sVector(float(2 * r6), float(-r6), float(-r6)), 1e-6,
             "corner 1");

  for (int corner = 0; corner < 8; ++corner) {
    auto list = Entries(*n, corner);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->mGroups, 1u);
    // The sum of the outward normals of the triangles at the corner, normalised.
    double sum[3] = {0, 0, 0};
    for (size_t f = 0; f < tris.size(); ++f) {
      const Tri& t = tris[f];
      if (t.a != corner && t.b != corner && t.c != corner) continue;
      const sVector& o = CUBE_SIDES[f / 2].outward;
      sum[0] += o.x;
      sum[1] += o.y;
      sum[2] += o.z;
    }
    double len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    ExpectNear(list[0]->mNorm,
               sVector(float(sum[0] / len), float(sum[1] / len), float(sum[2] / len)), 1e-6,
               "corner " + std::to_string(corner));
  }
}

TEST(MeshNormals, CubeWithoutGroupsUsesTheFirstFaceAtEachCorner) {
  auto tris = CubeTriangles([](int) { return 0u; });
  // Both with a smoothing array of zeros and without any smoothing array.
  for (bool withSmoothing : {true, false}) {
    auto mesh = MakeMesh(CubeCorners(), tris, withSmoothing);
    NormalsPtr n = Compute(*mesh);
    // The -z side comes first and holds corners 0-3; corners 4-7 are first used by the +z side.
    for (int corner = 0; corner < 8; ++corner) {
      const sVector want = corner < 4 ? sVector(0, 0, -1) : sVector(0, 0, 1);
      auto list = Entries(*n, corner);
      ASSERT_EQ(list.size(), 1u);
      EXPECT_EQ(list[0]->mGroups, 0u);
      ExpectExact(list[0]->mNorm, want, "corner " + std::to_string(corner));
    }
    for (const Tri& t : tris) {
      for (uint16_t v : {t.a, t.b, t.c}) {
        ExpectExact(FindVertexNormal(n.get(), 0, v), v < 4 ? sVector(0, 0, -1) : sVector(0, 0, 1),
                    "lookup");
      }
    }
  }
}

//--------------------------------------------------------------------------------------------
// Smaller meshes
//--------------------------------------------------------------------------------------------

TEST(MeshNormals, CoplanarQuadSharesTheFaceNormal) {
  // A quad in the plane through the origin with normal (0, 0.6, 0.8).
  auto mesh = MakeMesh(
      {sVector(0, 0, 0), sVector(2, 0, 0), sVector(2, 1.6f, -1.2f), sVector(0, 1.6f, -1.2f)},
      {{0, 1, 2, 1}, {0, 2, 3, 1}});
  NormalsPtr n = Compute(*mesh);
  const sVector want(0, 0.6f, 0.8f);
  ExpectNear(n->mFaceNorms[0], want, 1e-6, "face 0");
  ExpectNear(n->mFaceNorms[1], want, 1e-6, "face 1");
  for (int v = 0; v < 4; ++v) {
    auto list = Entries(*n, v);
    ASSERT_EQ(list.size(), 1u) << v;
    EXPECT_EQ(list[0]->mGroups, 1u);
    ExpectNear(FindVertexNormal(n.get(), 1, uint16_t(v)), want, 1e-6,
               "vertex " + std::to_string(v));
  }
}

// A face normal is the cross product of the edges from the first corner, each edge and each
// component of the product rounded to single precision, then scaled by the inverse length in
// double precision and rounded again. On this nearly flat face of a benchmark railcar the
// roundings show in the last digits: a computation that keeps the cross product unrounded gives
// two other components, so a compiler or a change that drops a rounding makes this fail.
TEST(MeshNormals, FaceNormalRoundsEdgesAndCrossProductToSinglePrecision) {
  const sVector a(-0x1.2p+3f, -0x1.3c82f8p+0f, 0x1.93eecp+0f);
  const sVector b(-0x1.1de7ccp+3f, -0x1.3c9ebcp+0f, 0x1.93eecp+0f);
  const sVector c(-0x1.1de7ccp+3f, -0x1.39b12p+0f, 0x1.a05046p+0f);
  auto mesh = MakeMesh({a, b, c}, {{0, 1, 2, 1}});
  NormalsPtr n = Compute(*mesh);

  auto edge = [](const sVector& p, const sVector& q) {
    return sVector(float(double(p.x) - q.x), float(double(p.y) - q.y), float(double(p.z) - q.z));
  };
  const sVector u = edge(b, a), v = edge(c, a);
  const double cross[3] = {double(u.y) * v.z - double(u.z) * v.y,
                           double(u.z) * v.x - double(u.x) * v.z,
                           double(u.x) * v.y - double(u.y) * v.x};
  auto normalised = [](const double* x) {
    const double f = 1.0 / std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    return sVector(float(x[0] * f), float(x[1] * f), float(x[2] * f));
  };
  const double rounded[3] = {float(cross[0]), float(cross[1]), float(cross[2])};
  const sVector want = normalised(rounded);
  ExpectExact(n->mFaceNorms[0], want, "face 0");
  const sVector unrounded = normalised(cross);
  EXPECT_NE(memcmp(&unrounded, &want, sizeof want), 0) << "the face tells the two apart";
}

// Vertex 0 is shared by face 0, normal (0, 0, 1), and face 1, whose normal is
// (0, sin t, -cos t): the two nearly cancel. Their sum has the squared length 2 - 2 cos t.
std::unique_ptr<Mesh3ds> NearlyOppositeFaces(double t) {
  float c = float(std::cos(t)), s = float(std::sin(t));
  return MakeMesh(
      {sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0), sVector(0, c, s), sVector(1, 0, 0)},
      {{0, 1, 2, 1}, {0, 3, 4, 1}});
}

TEST(MeshNormals, CancellingFacesFallBackToTheFirstFaceNormal) {
  // Exactly opposite faces meeting at vertex 0: the sum is zero.
  auto mesh = MakeMesh(
      {sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0), sVector(0, -1, 0), sVector(-1, 0, 0)},
      {{0, 1, 2, 1}, {0, 3, 4, 1}});
  NormalsPtr n = Compute(*mesh);
  ExpectExact(n->mFaceNorms[1], sVector(0, 0, -1), "face 1");
  ExpectExact(FindVertexNormal(n.get(), 1, 0), sVector(0, 0, 1), "vertex 0");

  // Angle 0.002: squared length about 4e-6, below the 1e-5 bound: the first face's normal.
  mesh = NearlyOppositeFaces(0.002);
  n = Compute(*mesh);
  ExpectNear(n->mFaceNorms[1], sVector(0, float(std::sin(0.002)), -float(std::cos(0.002))), 1e-6,
             "face 1");
  ExpectExact(FindVertexNormal(n.get(), 1, 0), sVector(0, 0, 1), "t = 0.002");

  // Angle 0.005: squared length about 2.5e-5, above the bound: the sum (0, sin t, 1 - cos t)
  // normalised, that is (0, cos t/2, sin t/2).
  mesh = NearlyOppositeFaces(0.005);
  n = Compute(*mesh);
  ExpectNear(FindVertexNormal(n.get(), 1, 0),
             sVector(0, float(std::cos(0.0025)), float(std::sin(0.0025))), 1e-3, "t = 0.005");
}

struct DegenerateCase {
  const char* what;
  sVector a, b, c;
  sVector want;
};

TEST(MeshNormals, DegenerateFacesPointTowardsTheirFirstCorner) {
  const DegenerateCase cases[] = {
      {"second corner within 0.001 of the first", sVector(3, 4, 0), sVector(3.0005f, 4, 0),
       sVector(0, 0, 5), sVector(0.6f, 0.8f, 0)},
      {"third corner within 0.001 of the first", sVector(0, 3, 4), sVector(5, 0, 0),
       sVector(0, 3, 4.0009f), sVector(0, 0.6f, 0.8f)},
      {"collinear corners", sVector(0, 3, 4), sVector(1, 3, 4), sVector(2, 3, 4),
       sVector(0, 0.6f, 0.8f)},
      {"cross product within 0.001 of zero", sVector(0, 3, 0), sVector(1, 3, 0),
       sVector(0.5f, 3.0009f, 0), sVector(0, 1, 0)},
      // Just outside the tolerance the face has a normal of its own.
      {"cross product 0.002 from zero", sVector(0, 3, 0), sVector(1, 3, 0),
       sVector(0.5f, 3.002f, 0), sVector(0, 0, 1)},
      {"second corner exactly 0.001 away", sVector(0, 3, 0), sVector(0.001f, 3, 0),
       sVector(0, 3, 1), sVector(0, -1, 0)},
      {"second corner 0.0009 away", sVector(0, 3, 0), sVector(0.0009f, 3, 0), sVector(0, 3, 1),
       sVector(0, 1, 0)},
      // A degenerate face at the node's origin has no direction; it is given +z.
      {"degenerate at the origin", sVector(0, 0, 0), sVector(0.0001f, 0, 0), sVector(0, 1, 0),
       sVector(0, 0, 1)},
      {"collinear through the origin", sVector(0, 0, 0), sVector(1, 1, 0), sVector(2, 2, 0),
       sVector(0, 0, 1)},
  };
  for (const DegenerateCase& c : cases) {
    auto mesh = MakeMesh({c.a, c.b, c.c}, {{0, 1, 2, 1}});
    NormalsPtr n = Compute(*mesh);
    ExpectNear(n->mFaceNorms[0], c.want, 1e-6, c.what);
    for (uint16_t v = 0; v < 3; ++v)
      ExpectNear(FindVertexNormal(n.get(), 1, v), c.want, 1e-6, c.what);
  }
}

TEST(MeshNormals, FaceJoinsTheNewestMatchingEntry) {
  // Three faces around vertex 0: normal (0, 0, 1) in group 1, (1, 0, 0) in group 2, then
  // (0, 1, 0) in groups 1 and 2.
  auto mesh = MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0), sVector(0, 1, 0),
                        sVector(0, 0, 1), sVector(0, 0, 1), sVector(1, 0, 0)},
                       {{0, 1, 2, 1}, {0, 3, 4, 2}, {0, 5, 6, 3}});
  NormalsPtr n = Compute(*mesh);
  ExpectExact(n->mFaceNorms[1], sVector(1, 0, 0), "face 1");
  ExpectExact(n->mFaceNorms[2], sVector(0, 1, 0), "face 2");

  auto list = Entries(*n, 0);
  ASSERT_EQ(list.size(), 2u);
  const float r2 = float(1 / std::sqrt(2.0));
  EXPECT_EQ(list[0]->mGroups, 3u);  // the group-2 entry took in the face in groups 1 and 2
  ExpectNear(list[0]->mNorm, sVector(r2, r2, 0), 1e-6, "newer entry");
  ExpectExact(list[0]->mFirstNorm, sVector(1, 0, 0), "first normal of the newer entry");
  EXPECT_EQ(list[1]->mGroups, 1u);
  ExpectExact(list[1]->mNorm, sVector(0, 0, 1), "older entry");

  // The lookup takes the first match from the newest entry on: a face in group 1 is now
  // served by the newer entry, not by the one it created.
  ExpectNear(FindVertexNormal(n.get(), 1, 0), sVector(r2, r2, 0), 1e-6, "group 1");
  ExpectNear(FindVertexNormal(n.get(), 2, 0), sVector(r2, r2, 0), 1e-6, "group 2");
}

TEST(MeshNormals, FlatEntryBesideGroupEntries) {
  // Vertex 0 is used by a flat face (normal (0, 0, 1)), a face in group 4 (normal (1, 0, 0))
  // and a second flat face (normal (0, 1, 0)) that leaves the flat entry as it is.
  auto mesh = MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0), sVector(0, 1, 0),
                        sVector(0, 0, 1), sVector(0, 0, 1), sVector(1, 0, 0)},
                       {{0, 1, 2, 0}, {0, 3, 4, 4}, {0, 5, 6, 0}});
  NormalsPtr n = Compute(*mesh);
  auto list = Entries(*n, 0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->mGroups, 4u);
  EXPECT_EQ(list[1]->mGroups, 0u);
  ExpectExact(FindVertexNormal(n.get(), 0, 0), sVector(0, 0, 1), "flat");
  ExpectExact(FindVertexNormal(n.get(), 4, 0), sVector(1, 0, 0), "group 4");
  // The second flat face's own corners (5, 6) have it as their flat entry.
  ExpectExact(FindVertexNormal(n.get(), 0, 5), sVector(0, 1, 0), "flat at corner 5");
}

//--------------------------------------------------------------------------------------------
// Failures
//--------------------------------------------------------------------------------------------

TEST(MeshNormals, IsolatedVertexFailsWithItsReport) {
  auto isolated = MakeMesh(
      {sVector(0, 0, 0), sVector(1, 0, 0), sVector(5, 5, 5), sVector(0, 1, 0), sVector(6, 6, 6)},
      {{0, 1, 3, 1}});
  strcpy(isolated->name, "Box01");
  NormalsPtr kept;
  const Problem p = TryComputeMeshNormals(*isolated, kept);
  EXPECT_EQ(p.code, ProblemCode::ISOLATED_VERTICES);
  EXPECT_EQ(p.subject, "Box01");
  EXPECT_NE(p.detail.find("vertex 2 "), std::string::npos) << p.detail;
  EXPECT_EQ(kept, nullptr);

  SKIP_WITHOUT_FORK();
  ChildResult r = RunInChild([] {
    SetContext("testing");
    auto mesh = MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0), sVector(5, 5, 5)},
                         {{0, 1, 2, 1}});
    ComputeMeshNormals(mesh.get());
  });
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While testing\n"
            "The mesh contains one or more isolated vertices, that is, vertices that are not\n"
            "used in any triangle, these must be removed before the mesh can be converted\n"
            "\n");
}

TEST(MeshNormals, FailuresWithoutMessage) {
  SKIP_WITHOUT_FORK();
  const char* const unexpected = "While testing\nUnexpected error occurred\n";
  struct Case {
    const char* what;
    void (*run)();
  };
  const Case cases[] = {
      {"lookup with a mask no entry serves",
       [] {
         auto mesh =
             MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0)}, {{0, 1, 2, 1}});
         NormalsPtr n = Compute(*mesh);
         FindVertexNormal(n.get(), 2, 0);
       }},
      {"flat lookup at a vertex with group entries only",
       [] {
         auto mesh =
             MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0)}, {{0, 1, 2, 1}});
         NormalsPtr n = Compute(*mesh);
         FindVertexNormal(n.get(), 0, 0);
       }},
      {"lookup past the last vertex",
       [] {
         auto mesh =
             MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0)}, {{0, 1, 2, 1}});
         NormalsPtr n = Compute(*mesh);
         FindVertexNormal(n.get(), 1, 3);
       }},
      {"face corner past the last vertex",
       [] {
         auto mesh =
             MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0)}, {{0, 1, 3, 1}});
         ComputeMeshNormals(mesh.get());
       }},
      {"smoothing array shorter than the faces",
       [] {
         auto mesh = MakeMesh({sVector(0, 0, 0), sVector(1, 0, 0), sVector(0, 1, 0)},
                              {{0, 1, 2, 1}, {0, 2, 1, 1}});
         EXPECT_TRUE(mesh->smoothingarray.Resize(1));
         ComputeMeshNormals(mesh.get());
       }},
  };
  for (const Case& c : cases) {
    ChildResult r = RunInChild([&c] {
      SetContext("testing");
      c.run();
    });
    ASSERT_TRUE(r.exited) << c.what;
    EXPECT_EQ(r.status, 251) << c.what;
    EXPECT_EQ(r.out, unexpected) << c.what;
  }
}

}  // namespace
