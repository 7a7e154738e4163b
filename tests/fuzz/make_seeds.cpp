// Writes the generated part of the fuzz seed corpus: small level files that between them hold
// every kind of chunk the toolkit decodes, so that fuzzing starts from inputs that reach deep.
//
//   make_seeds <toolkit dir> <convert dir>
//
// The toolkit seeds are single files. The conversion seeds are levels that convert, single or
// two laid end to end (the fuzz target splits them at the first root chunk's end).
#include <cstdio>
#include <string>
#include <vector>

#include "Builder3ds.h"

using build3ds::Chunk;
using build3ds::Map;
using build3ds::Model;
using build3ds::Spline;

namespace {

build3ds::MeshObj& Triangle(Model& m, const std::string& name, const std::string& material) {
  return m.AddMesh(name)
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group(material, {0});
}

build3ds::MeshObj& Quad(Model& m, const std::string& name, const std::string& material) {
  return m.AddMesh(name)
      .Vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {1, 1}, {0, 1}})
      .Faces({{0, 1, 2}, {0, 2, 3}})
      .Smoothing({1, 2})
      .Group(material, {0, 1});
}

Model OneTriangle() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI", "SolidNorm");
  return m;
}

// Two nodes in a hierarchy with pivots, position and rotation keys, and a segment.
Model Animated() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("a.bmp");
  m.AddMaterial("AlphNorm+2s_gls").Texture("glass.tga");
  Quad(m, "BASE", "SolidNorm");
  Triangle(m, "PANTOBOT1", "AlphNorm+2s_gls").Origin(0, 0, 1);
  build3ds::KfData& kf = m.Keyframer().Length(20).Segment(0, 20).CurrentFrame(5);
  kf.Node("BASE").Id(0).Pos(0, {0, 0, 0}).Pos(20, {1, 0, 0}, Spline().Tension(0.5f));
  kf.Node("PANTOBOT1")
      .Id(1)
      .Parent(0)
      .Pivot(0, 0, 0.5f)
      .Rot(0, 0, {0, 0, 1})
      .Rot(10, 0.5f, {0, 0, 1}, Spline().Continuity(1).Bias(-1).EaseTo(0.2f).EaseFrom(0.3f));
  return m;
}

// A reflecting material and every map kind, colour and percentage form.
Model Materials() {
  Model m;
  m.AddMaterial("Gloss1s").Texture("paint.bmp").Reflection("chrome.bmp");
  m.AddMaterial("TransHiShine3")
      .Texture(Map("leaf.tga").Percent(100).Flags(0x10))
      .MapChunk(0xA33A, Map("detail.bmp").PercentF(0.5f))
      .MapChunk(0xA210, Map("opacity.bmp"))
      .MapChunk(0xA230, Map("bump.bmp"))
      .MapChunk(0xA204, Map("specular.bmp"))
      .MapChunk(0xA33C, Map("shine.bmp"))
      .MapChunk(0xA33D, Map("self.bmp"))
      .MapChunk(0xA33E, Map("mask.bmp"))
      .Ambient({10, 20, 30}, build3ds::Rgb{1, 2, 3})
      .Diffuse({200, 100, 50})
      .Specular({255, 255, 255})
      .Percent(0xA040, 30)
      .PercentF(0xA041, 0.25f)
      .Percent(0xA050, 10)
      .Flag(0xA081)
      .Child(Chunk(0xA100).Word(3))
      .Child(Chunk(0xA087).Float(1));
  Triangle(m, "A", "Gloss1s");
  Triangle(m, "B", "TransHiShine3").Origin(2, 0, 0);
  build3ds::KfData& kf = m.Keyframer();
  kf.Node("A").Id(0);
  kf.Node("B").Id(1).Parent(0);
  return m;
}

// Scene settings, lights, a camera, viewports and extension data around one mesh.
Model Scene() {
  Model m = OneTriangle();
  m.MasterScale(1).Ambient({10, 10, 10});
  m.AddSectionChunk(Chunk(0x1100).String("back.bmp"));
  m.AddSectionChunk(Chunk(0x1200).Add(Chunk(0x0010).Floats({0, 0, 1})));
  m.AddSectionChunk(Chunk(0x1300).Float(0.5f));
  m.AddSectionChunk(Chunk(0x2200).Floats({1, 0, 100, 1}));
  m.AddSectionChunk(Chunk(0x2300).Floats({1, 0, 100, 1}));
  m.AddSectionChunk(Chunk(0x2302).Floats({0, 10, 0.5f}).Dword(1));
  m.AddSectionChunk(Chunk(0x1400).Float(1));
  m.AddSectionChunk(Chunk(0x1420).Word(512));
  m.AddSectionChunk(Chunk(0x1500).Floats({0, 0, 0}));
  m.AddSectionChunk(Chunk(0x3000).Add(Chunk(0x3010).Float(10).Floats({0, 0, 0})));
  m.AddSectionChunk(Chunk(0x7001).Word(1).Word(2).Word(3).Word(4).Word(5).Word(6).Word(7));
  m.AddLight("LAMP").Position(1, 2, 3).LightChild(
      Chunk(0x4610).Floats({0, 0, 0, 30, 40}).Add(Chunk(0x4641).Floats({1, 2}).Word(256)));
  m.AddCamera("CAM").Position(0, -10, 2).Target(0, 0, 0).Bank(0).Lens(35);
  m.AddRootChunk(Chunk(0x8000).Add(
      Chunk(0x8001).Raw("xy").Add(Chunk(0x8002).String("app")).Add(Chunk(0x8003).String("s"))));
  return m;
}

// Mesh extras: vertex flags, a map icon, a box map, a procedure, colour and object flags.
Model MeshExtras() {
  Model m;
  m.AddMaterial("SolidBright").Texture("x.bmp");
  build3ds::MeshObj& mesh = Quad(m, "EXTRA", "SolidBright");
  mesh.Hidden().Flag(0x4012);
  mesh.MeshChild(Chunk(0x4111).Word(4).Word(0).Word(1).Word(0).Word(1));
  mesh.MeshChild(Chunk(0x4165).Byte(7));
  Chunk icon(0x4170);
  icon.Word(1).Floats({1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1});
  mesh.MeshChild(icon);
  mesh.MeshChild(Chunk(0x4181).String("proc"));
  mesh.MeshChild(Chunk(0x4182).Raw("data"));
  Chunk box(0x4190);
  for (int i = 0; i < 6; ++i) box.String("SolidBright");
  mesh.FaceChild(box);
  return m;
}

// Keyframer nodes of every kind and every track kind.
Model Keyframer() {
  Model m = OneTriangle();
  build3ds::KfData& kf = m.Keyframer().Revision(5).FileName("scene.3ds").Length(40);
  kf.Node("TRI")
      .Id(0)
      .Flags(0x4000, 0)
      .Box({0, 0, 0}, {1, 1, 0})
      .MorphSmooth(30)
      .Scale(0, {1, 1, 1})
      .Morph(0, "TRI")
      .Hide(10)
      .TrackFlags(0xB020, 2);
  kf.Node("CAM", 0xB003).Id(1);
  kf.Node("CAM", 0xB004).Id(2).Parent(1);
  kf.Node("LAMP", 0xB005).Id(3);
  kf.Node("$AMBIENT$", 0xB001).Id(4);
  kf.AddChunk(Chunk(0xB007)
                  .Add(Chunk(0xB030).Word(5))
                  .Add(Chunk(0xB010).String("SPOT").Word(0).Word(0).Word(0xFFFF)));
  return m;
}

Model MaterialLibrary() {
  Model m;
  m.MaterialLibrary();
  m.AddMaterial("SolidNorm").Texture("lib.bmp").Child(Chunk(0xA252).Word(20));
  m.AddMaterial("Gloss").Texture("g.bmp").Reflection("r.bmp").Child(
      Chunk(0xA310).Byte(1).Byte(0).Word(2).Dword(64).Dword(1));
  return m;
}

// The nearest level of a pair whose farther level drops the second node.
Model PairNear() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("a.bmp");
  Quad(m, "ROOT", "SolidNorm");
  Triangle(m, "WIPERARML1", "SolidNorm");
  build3ds::KfData& kf = m.Keyframer().Length(10);
  kf.Node("ROOT").Id(0);
  kf.Node("WIPERARML1").Id(1).Parent(0).Rot(0, 0, {1, 0, 0}).Rot(10, 1, {1, 0, 0});
  return m;
}

Model PairFar() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("a.bmp");
  Quad(m, "ROOT", "SolidNorm");
  return m;
}

bool Write(const std::string& path, const std::string& bytes) {
  try {
    build3ds::WriteBytes(path, bytes);
  } catch (const std::exception& e) {
    fprintf(stderr, "make_seeds: %s\n", e.what());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: make_seeds <toolkit dir> <convert dir>\n");
    return 2;
  }
  const std::string toolkit = argv[1], convert = argv[2];
  struct Seed {
    const char* name;
    Model model;
    bool converts;
  };
  std::vector<Seed> seeds = {
      {"triangle", OneTriangle(), true},
      {"animated", Animated(), true},
      {"materials", Materials(), true},
      {"scene", Scene(), true},
      {"mesh-extras", MeshExtras(), true},
      {"keyframer", Keyframer(), true},
      {"material-library", MaterialLibrary(), false},
  };
  bool ok = true;
  for (const Seed& s : seeds) {
    std::string bytes = s.model.Bytes();
    ok = Write(toolkit + "/" + s.name + ".3ds", bytes) && ok;
    if (s.converts) ok = Write(convert + "/" + s.name + ".3ds", bytes) && ok;
  }
  ok = Write(convert + "/pair-near-far", PairNear().Bytes() + PairFar().Bytes()) && ok;
  return ok ? 0 : 1;
}
