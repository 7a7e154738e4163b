// Writes the sample model of the demo: a small tram at three levels of detail.
//
//   make_sample <directory>   writes tram50.3ds, tram200.3ds and tram1000.3ds there
//
// The nearest level has a hierarchy of five nodes (body, glass, a pantograph of two arms and a
// wiper), pivots, position and rotation keys, and several material types: plain textured
// sides, a gloss roof with a reflection map, sorted transparent glass, shiny metal. The middle
// level drops the wiper; the far level is the body alone, without keyframer data.
#include <cstdio>
#include <string>
#include <vector>

#include "Builder3ds.h"

using build3ds::MeshObj;
using build3ds::Model;
using build3ds::Tri;
using build3ds::UV;
using build3ds::Vec3;

namespace {

// An axis-aligned box: 8 vertices, 12 faces wound counter-clockwise seen from outside, one
// smoothing group per side, texture coordinates mapped from x and z. Faces come side by side in
// the order bottom, top, front (-y), back (+y), left (-x), right (+x).
struct Box {
  std::vector<Vec3> vertices;
  std::vector<UV> uvs;
  std::vector<Tri> faces;
  std::vector<uint32_t> smoothing;

  Box(Vec3 a, Vec3 b) {
    vertices = {{a.x, a.y, a.z}, {b.x, a.y, a.z}, {b.x, b.y, a.z}, {a.x, b.y, a.z},
                {a.x, a.y, b.z}, {b.x, a.y, b.z}, {b.x, b.y, b.z}, {a.x, b.y, b.z}};
    for (const Vec3& v : vertices) {
      uvs.push_back({(v.x - a.x) / (b.x - a.x), (v.z - a.z) / (b.z - a.z)});
    }
    faces = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
             {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}, {1, 2, 6}, {1, 6, 5}};
    for (uint32_t side = 0; side < 6; ++side) {
      smoothing.push_back(1u << side);
      smoothing.push_back(1u << side);
    }
  }

  MeshObj& AddTo(Model& m, const char* name, Vec3 origin) const {
    return m.AddMesh(name)
        .Vertices(vertices)
        .TexVerts(uvs)
        .Faces(faces)
        .Smoothing(smoothing)
        .Origin(origin.x, origin.y, origin.z);
  }
};

const std::vector<uint16_t> ALL_FACES = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const std::vector<uint16_t> SIDES = {0, 1, 4, 5, 6, 7, 8, 9, 10, 11};
const std::vector<uint16_t> ROOF = {2, 3};

void AddMaterials(Model& m) {
  m.AddMaterial("SolidNorm0").Texture("TRAM.BMP");
  m.AddMaterial("Gloss0").Texture("ROOF.BMP").Reflection("CHROME.BMP");
  m.AddMaterial("TransNorm1s").Texture("GLASS.TGA");
  m.AddMaterial("SolidHiShine0").Texture("METAL.BMP");
}

const Box BODY({-5, -1.25f, 0.5f}, {5, 1.25f, 3});
const Box GLASS({4.9f, -1.1f, 1.6f}, {5.05f, 1.1f, 2.6f});
const Box PANTO_LOWER({-0.1f, -0.6f, 3}, {1.6f, 0.6f, 3.1f});
const Box PANTO_UPPER({1.5f, -0.7f, 3}, {2.9f, 0.7f, 3.1f});
const Box WIPER({5.05f, 0.3f, 1.6f}, {5.1f, 0.4f, 2.5f});

Model NearLevel() {
  Model m;
  AddMaterials(m);
  BODY.AddTo(m, "Body", {0, 0, 0}).Group("SolidNorm0", SIDES).Group("Gloss0", ROOF);
  GLASS.AddTo(m, "Glass", {0, 0, 0}).Group("TransNorm1s", ALL_FACES);
  PANTO_LOWER.AddTo(m, "PantoBot1", {0, 0, 3.05f}).Group("SolidHiShine0", ALL_FACES);
  PANTO_UPPER.AddTo(m, "PantoTop1", {1.55f, 0, 3.05f}).Group("SolidHiShine0", ALL_FACES);
  WIPER.AddTo(m, "WiperArmL1", {5.075f, 0.35f, 1.6f}).Group("SolidNorm0", ALL_FACES);

  build3ds::KfData& kf = m.Keyframer().Length(60).Segment(0, 60);
  kf.Node("Body").Id(0);
  kf.Node("Glass").Id(1).Parent(0);
  // The lower arm rises and falls about the y axis; its keys are relative to the previous one.
  kf.Node("PantoBot1")
      .Id(2)
      .Parent(0)
      .Pivot(0, 0, 0.05f)
      .Rot(0, 0, {0, 1, 0})
      .Rot(30, -0.4f, {0, 1, 0})
      .Rot(60, 0.4f, {0, 1, 0});
  kf.Node("PantoTop1")
      .Id(3)
      .Parent(2)
      .Rot(0, 0, {0, 1, 0})
      .Rot(30, 0.8f, {0, 1, 0})
      .Rot(60, -0.8f, {0, 1, 0})
      .Pos(0, {1.55f, 0, 3.05f})
      .Pos(30, {1.55f, 0, 3.5f})
      .Pos(60, {1.55f, 0, 3.05f});
  kf.Node("WiperArmL1")
      .Id(4)
      .Parent(0)
      .Pivot(0, 0, 0.02f)
      .Rot(0, 0, {1, 0, 0})
      .Rot(15, 1.2f, {1, 0, 0})
      .Rot(30, -1.2f, {1, 0, 0})
      .Pos(0, {5.075f, 0.35f, 1.6f})
      .Pos(60, {5.075f, 0.35f, 1.6f});
  return m;
}

Model MiddleLevel() {
  Model m;
  AddMaterials(m);
  BODY.AddTo(m, "Body", {0, 0, 0}).Group("SolidNorm0", SIDES).Group("Gloss0", ROOF);
  GLASS.AddTo(m, "Glass", {0, 0, 0}).Group("TransNorm1s", ALL_FACES);
  PANTO_LOWER.AddTo(m, "PantoBot1", {0, 0, 3.05f}).Group("SolidHiShine0", ALL_FACES);
  PANTO_UPPER.AddTo(m, "PantoTop1", {1.55f, 0, 3.05f}).Group("SolidHiShine0", ALL_FACES);
  build3ds::KfData& kf = m.Keyframer().Length(60);
  kf.Node("Body").Id(0);
  kf.Node("Glass").Id(1).Parent(0);
  kf.Node("PantoBot1").Id(2).Parent(0).Pivot(0, 0, 0.05f);
  kf.Node("PantoTop1").Id(3).Parent(2);
  return m;
}

Model FarLevel() {
  Model m;
  m.AddMaterial("SolidNorm0").Texture("TRAM.BMP");
  BODY.AddTo(m, "Body", {0, 0, 0}).Group("SolidNorm0", ALL_FACES);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_sample <directory>\n");
    return 2;
  }
  std::string dir = argv[1];
  try {
    NearLevel().Write(dir + "/tram50.3ds");
    MiddleLevel().Write(dir + "/tram200.3ds");
    FarLevel().Write(dir + "/tram1000.3ds");
  } catch (const std::exception& e) {
    fprintf(stderr, "make_sample: %s\n", e.what());
    return 1;
  }
  return 0;
}
