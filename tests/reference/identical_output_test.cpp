// The two builds give the same output. Built only in a reference-pool build (pools search by
// walking their lists) that is told where the indexed build's program is: every model is
// converted by both programs, and the shape files, reports and exit statuses must be identical.
//
// Models: the demo's sample levels, the medium benchmark model, and random models whose points,
// texture coordinates and normals crowd around the tolerance and the index's cell boundaries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "Subprocess.h"

namespace {

using build3ds::Model;
using build3ds::Tri;
using build3ds::UV;
using build3ds::Vec3;

struct Conversion {
  ChildResult run;
  std::string shape;
};

// Converts the level files with a program; the output goes to dir/name.
Conversion Convert(const std::string& program, const TempDir& dir, const std::string& name,
                   const std::vector<std::string>& levels) {
  std::vector<std::string> args = {program, dir.File(name)};
  args.insert(args.end(), levels.begin(), levels.end());
  Conversion c;
  c.run = RunInChild(
      [&] {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
      },
      600);
  if (FileExists(dir.File(name))) c.shape = ReadFileBytes(dir.File(name));
  return c;
}

// Both programs on the same levels; returns the indexed program's result.
Conversion ExpectSameConversion(const TempDir& dir, const std::vector<std::string>& levels) {
  Conversion reference = Convert(TRIMORPH_BINARY, dir, "reference.s", levels);
  Conversion indexed = Convert(TRIMORPH_INDEXED_BINARY, dir, "indexed.s", levels);
  EXPECT_TRUE(reference.run.exited);
  EXPECT_TRUE(indexed.run.exited);
  EXPECT_EQ(indexed.run.status, reference.run.status);
  EXPECT_EQ(indexed.run.out, reference.run.out);
  EXPECT_EQ(indexed.shape.size(), reference.shape.size());
  EXPECT_TRUE(indexed.shape == reference.shape) << "the shape files differ";
  return indexed;
}

TEST(IdenticalOutput, IndexedProgramIsThere) {
  ASSERT_TRUE(FileExists(TRIMORPH_INDEXED_BINARY)) << TRIMORPH_INDEXED_BINARY;
}

TEST(IdenticalOutput, SampleModel) {
  TempDir dir;
  const std::string samples = std::string(TRIMORPH_SOURCE_DIR) + "/samples/";
  Conversion c = ExpectSameConversion(
      dir, {samples + "tram50.3ds", samples + "tram200.3ds", samples + "tram1000.3ds"});
  EXPECT_EQ(c.run.status, 0);
}

TEST(IdenticalOutput, MediumBenchmarkModel) {
  TempDir dir;
  ChildResult made = RunInChild([&] {
    execl(TRIMORPH_MAKE_BENCH, TRIMORPH_MAKE_BENCH, dir.path().c_str(), "medium", nullptr);
    _exit(127);
  });
  ASSERT_TRUE(made.exited && made.status == 0);
  Conversion c = ExpectSameConversion(
      dir, {dir.File("medium50.3ds"), dir.File("medium300.3ds"), dir.File("medium2000.3ds")});
  EXPECT_EQ(c.run.status, 0);
}

// A coordinate near a cell boundary of 1/128 or 1/256, moved by steps of about the tolerance and
// by a few units in the last place; now and then a large one.
float Crowded(std::mt19937& rng, float spread) {
  if (rng() % 50 == 0) return rng() % 2 ? 16384.0f : 16383.999f;
  float v = float(int(rng() % 9) - 4) / float(rng() % 2 ? 128 : 256) * spread;
  v += 0.0004f * float(int(rng() % 7) - 3);
  for (int u = int(rng() % 5) - 2; u != 0; u += u > 0 ? -1 : 1) {
    v = std::nextafter(v, u > 0 ? 1e30f : -1e30f);
  }
  return v;
}

const char* const MATERIALS[] = {"SolidNorm0", "TransNorm1s", "AlphNorm+2s", "Gloss0",
                                 "SolidHiShine3"};

// One level of a random model: up to four meshes P0..P3 (Pi's parent is P(i-1)/2), with
// vertices crowded around a few places, random smoothing groups and materials.
Model RandomLevel(std::mt19937& rng, bool first, int meshes) {
  Model m;
  const char* textures[] = {"A.BMP", "a.tga", "Brick.bmp", "BRICK.TGA", "env.bmp"};
  for (const char* name : MATERIALS) {
    build3ds::Material& mat = m.AddMaterial(name).Texture(textures[rng() % 4]);
    if (std::string(name) == "Gloss0") mat.Reflection(textures[4]);
  }
  build3ds::KfData& kf = m.Keyframer().Length(20);
  for (int i = 0; i < meshes; ++i) {
    std::string name = "P" + std::to_string(i);
    int vertices = 3 + int(rng() % 120);
    std::vector<Vec3> v;
    std::vector<UV> t;
    for (int k = 0; k < vertices; ++k) {
      v.push_back({Crowded(rng, 1), Crowded(rng, 1), Crowded(rng, 0.5f)});
      t.push_back({Crowded(rng, 1), Crowded(rng, 1)});
    }
    // Every vertex is used: the first faces run through all of them.
    std::vector<Tri> faces;
    for (int k = 0; k < vertices; k += 3) {
      faces.push_back({uint16_t(k), uint16_t((k + 1) % vertices), uint16_t((k + 2) % vertices)});
    }
    int more = int(rng() % 200);
    for (int k = 0; k < more; ++k) {
      faces.push_back(
          {uint16_t(rng() % vertices), uint16_t(rng() % vertices), uint16_t(rng() % vertices)});
    }
    std::vector<uint32_t> smoothing;
    std::vector<std::vector<uint16_t>> groups(3);
    for (size_t f = 0; f < faces.size(); ++f) {
      const uint32_t choices[] = {0, 1, 2, 4, 3, 6};
      smoothing.push_back(choices[rng() % 6]);
      groups[rng() % 3].push_back(uint16_t(f));
    }
    // Quarter turns about z keep the frames exactly orthonormal.
    static const float QUARTERS[4][4] = {
        {1, 0, 0, 1}, {0, 1, -1, 0}, {-1, 0, 0, -1}, {0, -1, 1, 0}};
    const float* q = QUARTERS[rng() % 4];
    build3ds::MeshObj& mesh =
        m.AddMesh(name).Vertices(v).TexVerts(t).Faces(faces).Smoothing(smoothing).Frame(
            {q[0], q[1], 0, q[2], q[3], 0, 0, 0, 1, Crowded(rng, 1), Crowded(rng, 1), 0});
    for (auto& g : groups) mesh.Group(MATERIALS[rng() % 5], g);
    build3ds::KfNode& node = kf.Node(name).Id(uint16_t(i));
    if (i > 0) node.Parent(uint16_t((i - 1) / 2));
    if (first && rng() % 2) {
      node.Pivot(Crowded(rng, 1), 0, 0)
          .Pos(0, {0, 0, 0})
          .Pos(10, {Crowded(rng, 1), 1, 0})
          .Rot(0, 0, {0, 0, 1})
          .Rot(10, 0.5f, {0, 0, 1});
    }
  }
  return m;
}

TEST(IdenticalOutput, RandomCrowdedModels) {
  int converted = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    TempDir dir;
    std::vector<std::string> levels;
    int levelCount = 1 + int(rng() % 3);
    const char* names[] = {"r50.3ds", "s50.3ds", "r200.3ds", "r1000.3ds"};
    for (int l = 0; l < levelCount; ++l) {
      // Levels may share a distance; later levels may have fewer meshes.
      std::string path = dir.File(names[l + int(rng() % 2)]);
      if (FileExists(path)) path = dir.File("t" + std::to_string(l) + "_300.3ds");
      RandomLevel(rng, l == 0, 1 + int(rng() % 4)).Write(path);
      levels.push_back(path);
    }
    Conversion c = ExpectSameConversion(dir, levels);
    if (HasFailure()) {
      ADD_FAILURE() << "seed " << seed;
      return;
    }
    if (c.run.status == 0) ++converted;
  }
  // The models are meant to be valid: a comparison of failure reports alone would prove little.
  EXPECT_EQ(converted, 12);
}

}  // namespace
