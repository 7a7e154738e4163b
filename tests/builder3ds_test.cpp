// The in-memory .3ds builder: exact bytes of small chunks, and the chunk structure of meshes,
// materials, keyframer nodes and whole files, read back with a walker of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "Subprocess.h"

namespace {

using build3ds::Chunk;
using build3ds::Model;
using build3ds::Spline;

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

// Readable form of bytes for failure messages.
std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

uint16_t W(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t D(const std::string& b, size_t at) {
  return static_cast<uint32_t>(W(b, at)) | static_cast<uint32_t>(W(b, at + 2)) << 16;
}

// A chunk as the walker found it.
struct Found {
  uint16_t tag;
  size_t at;       // header offset
  size_t length;   // from the header
  size_t dataEnd;  // where the chunk's own data ends (its children start)
};

// Where the children of a chunk begin, for the tags that have children in these tests;
// npos for chunks that are all payload.
size_t ChildStart(uint16_t tag, const std::string& b, size_t data) {
  switch (tag) {
    case 0x4D4D:
    case 0x3DAA:
    case 0xC23D:
    case 0x3D3D:
    case 0x4100:
    case 0x2100:
    case 0xAFFF:
    case 0xA010:
    case 0xA020:
    case 0xA030:
    case 0xA040:
    case 0xA200:
    case 0xA220:
    case 0xB000:
    case 0xB001:
    case 0xB002:
    case 0xB003:
      return data;
    case 0x4000:
      return b.find('\0', data) + 1;
    case 0x4120:
      return data + 2 + 8 * size_t{W(b, data)};
    case 0x4600:
      return data + 12;
    default:
      return std::string::npos;
  }
}

// Walks the sibling chunks in [at, end): appends each to `all` in pre-order and returns the
// outline "tag tag(child child) ...", with a marker where the lengths do not fit together.
std::string Walk(const std::string& b, size_t at, size_t end, std::vector<Found>& all) {
  std::string out;
  while (at < end) {
    if (!out.empty()) out += ' ';
    if (end - at < 6) return out + "<short>";
    uint16_t tag = W(b, at);
    size_t length = D(b, at + 2);
    if (length < 6 || length > end - at) return out + "<bad length>";
    char name[8];
    std::snprintf(name, sizeof name, "%04X", tag);
    out += name;
    size_t children = ChildStart(tag, b, at + 6);
    size_t index = all.size();
    all.push_back({tag, at, length, at + length});
    if (children != std::string::npos) {
      if (children > at + length) return out + "<data overruns>";
      all[index].dataEnd = children;
      if (children < at + length) out += "(" + Walk(b, children, at + length, all) + ")";
    }
    at += length;
  }
  return out;
}

struct Tree {
  std::string outline;
  std::vector<Found> chunks;
  std::string bytes;

  explicit Tree(std::string b) : bytes(std::move(b)) {
    outline = Walk(bytes, 0, bytes.size(), chunks);
  }
  // The nth chunk with the tag in pre-order; fails the test when there is none.
  const Found& Get(uint16_t tag, int nth = 0) const {
    for (const Found& f : chunks) {
      if (f.tag == tag && nth-- == 0) return f;
    }
    ADD_FAILURE() << "no chunk " << std::hex << tag;
    static const Found none{0, 0, 0, 0};
    return none;
  }
  std::string Data(uint16_t tag, int nth = 0) const {
    const Found& f = Get(tag, nth);
    return f.length ? bytes.substr(f.at + 6, f.dataEnd - f.at - 6) : std::string();
  }
};

// ---- Exact bytes of small chunks ----

TEST(Builder3dsChunk, HeaderAndScalars) {
  Chunk c(0x1234);
  c.Byte(0xAB).Word(0x0102).Dword(0x03040506).Float(1.0f).Float(-2.0f);
  // 6 + 1 + 2 + 4 + 4 + 4 = 21 bytes.
  EXPECT_EQ(Hex(c.Bytes()), Hex(B({0x34, 0x12, 21,   0,    0,    0,    0xAB, 0x02, 0x01, 0x06, 0x05,
                                   0x04, 0x03, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0})));
  EXPECT_EQ(c.Size(), 21u);
  EXPECT_EQ(Hex(Chunk(0xFFFF).Bytes()), Hex(B({0xFF, 0xFF, 6, 0, 0, 0})));
}

TEST(Builder3dsChunk, Strings) {
  struct Case {
    Chunk chunk;
    std::string payload;
  };
  const Case cases[] = {
      {Chunk(1).String("AB"), B({'A', 'B', 0})},
      {Chunk(1).String(""), B({0})},
      {Chunk(1).FixedString("ABC", 5), B({'A', 'B', 'C', 0, 0, 0})},
      {Chunk(1).FixedString("", 2), B({0, 0, 0})},
      {Chunk(1).FixedString("ABCDE", 3), B({'A', 'B', 'C', 0})},  // cut to the width
      {Chunk(1).Raw(B({1, 0, 2})), B({1, 0, 2})},
  };
  for (const Case& c : cases) {
    std::string bytes = c.chunk.Bytes();
    EXPECT_EQ(Hex(bytes.substr(6)), Hex(c.payload));
    EXPECT_EQ(D(bytes, 2), 6 + c.payload.size());
  }
}

TEST(Builder3dsChunk, CompositeRecords) {
  struct Case {
    const char* what;
    Chunk chunk;
    std::string payload;
  };
  const Case cases[] = {
      {"point", Chunk(1).Point({1, 2, -1}), B({0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x80, 0xBF})},
      {"texture vertex", Chunk(1).TexVert({0.5f, 1}), B({0, 0, 0, 0x3F, 0, 0, 0x80, 0x3F})},
      {"face", Chunk(1).Face({1, 2, 0x0103, 7}), B({1, 0, 2, 0, 3, 1, 7, 0})},
      {"track header", Chunk(1).TrackHeader(0x0040, 3),
       B({0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0})},
      {"track header values", Chunk(1).TrackHeader(1, 0x0200, 5, 6),
       B({1, 0, 5, 0, 0, 0, 6, 0, 0, 0, 0, 2, 0, 0})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(c.chunk.Bytes().substr(6)), Hex(c.payload)) << c.what;
  }
}

TEST(Builder3dsChunk, KeyHeaderWritesTheFloatsOfTheSetBitsInFixedOrder) {
  const std::string frame = B({4, 3, 2, 1});  // 0x01020304
  const std::string f1 = B({0, 0, 0x80, 0x3F}), f2 = B({0, 0, 0, 0x40}), f3 = B({0, 0, 0x40, 0x40}),
                    f4 = B({0, 0, 0x80, 0x40}), f5 = B({0, 0, 0xA0, 0x40});
  struct Case {
    const char* what;
    Spline spline;
    std::string rest;  // after the frame
  };
  const Case cases[] = {
      {"no bits", Spline(), B({0, 0})},
      // Set in reverse order: the file order is still tension ... ease from.
      {"all five", Spline().EaseFrom(5).EaseTo(4).Bias(3).Continuity(2).Tension(1),
       B({0x1F, 0}) + f1 + f2 + f3 + f4 + f5},
      {"tension and bias", Spline().Bias(3).Tension(1), B({0x05, 0}) + f1 + f3},
      {"ease to only", Spline().EaseTo(4), B({0x08, 0}) + f4},
      {"bits without values", Spline{0x12}, B({0x12, 0}) + B({0, 0, 0, 0}) + B({0, 0, 0, 0})},
      {"bits above 0x10 carry no float", Spline{0x0120}, B({0x20, 0x01})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(Chunk(1).Key(0x01020304, c.spline).Bytes().substr(6)), Hex(frame + c.rest))
        << c.what;
  }
}

TEST(Builder3dsChunk, LengthsCountHeaderPayloadAndChildren) {
  Chunk top(0x0001);
  top.Byte('x');
  top.Child(0x0002).Word(0x0505).Add(Chunk(0x0003));
  top.Add(Chunk(0x0004));
  // 0x0003: 6; 0x0002: 6 + 2 + 6 = 14; 0x0004: 6; 0x0001: 6 + 1 + 14 + 6 = 27.
  EXPECT_EQ(Hex(top.Bytes()), Hex(B({1, 0, 27, 0, 0, 0, 'x',     //
                                     2, 0, 14, 0, 0, 0, 5,   5,  //
                                     3, 0, 6,  0, 0, 0,          //
                                     4, 0, 6,  0, 0, 0})));
}

TEST(Builder3dsChunk, LengthOverrideChangesOnlyThatHeader) {
  for (uint32_t length : {0u, 5u, 6u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    Chunk top(0x0001);
    top.Child(0x0002).Word(7).Length(length);
    top.Add(Chunk(0x0003));
    std::string bytes = top.Bytes();
    ASSERT_EQ(bytes.size(), 6u + 8u + 6u);
    EXPECT_EQ(D(bytes, 2), 20u) << "the parent keeps the real size";
    EXPECT_EQ(D(bytes, 8), length);
    EXPECT_EQ(W(bytes, 12), 7) << "the payload is written all the same";
    EXPECT_EQ(D(bytes, 16), 6u);
  }
  Chunk c(0x0005);
  c.Length(100).RealLength();
  EXPECT_EQ(D(c.Bytes(), 2), 6u);
}

TEST(Builder3dsChunk, OffsetOfCountsInPreOrder) {
  Chunk top(0x0001);
  top.Word(0);                                   // 0: header, 6: payload
  top.Child(0x0002).Byte(1).Add(Chunk(0x0003));  // 8: 0x0002, 15: 0x0003
  top.Add(Chunk(0x0003));                        // 21
  top.Add(Chunk(0x0002));                        // 27
  EXPECT_EQ(top.OffsetOf(0x0001), 0u);
  EXPECT_EQ(top.OffsetOf(0x0002), 8u);
  EXPECT_EQ(top.OffsetOf(0x0003), 15u);
  EXPECT_EQ(top.OffsetOf(0x0003, 1), 21u);
  EXPECT_EQ(top.OffsetOf(0x0002, 1), 27u);
  EXPECT_EQ(top.OffsetOf(0x0002, 2), std::string::npos);
  EXPECT_EQ(top.OffsetOf(0x0009), std::string::npos);
  EXPECT_EQ(top.Bytes().size(), 33u);
}

TEST(Builder3dsChunk, PatchHelpers) {
  std::string b = B({1, 2, 3});
  build3ds::PutWord(b, 1, 0xBBAA);
  EXPECT_EQ(Hex(b), Hex(B({1, 0xAA, 0xBB})));
  build3ds::PutDword(b, 2, 0x44332211);  // grows the string
  EXPECT_EQ(Hex(b), Hex(B({1, 0xAA, 0x11, 0x22, 0x33, 0x44})));
  EXPECT_EQ(Hex(build3ds::LeFloat(0.5f)), Hex(B({0, 0, 0, 0x3F})));
}

// ---- Meshes ----

build3ds::MeshObj TriMesh() {
  build3ds::MeshObj m("TRI");
  m.Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm", {0});
  return m;
}

TEST(Builder3dsMesh, ChunkOrderAndPayloads) {
  Tree t(TriMesh().ToChunk().Bytes());
  EXPECT_EQ(t.outline, "4000(4100(4110 4140 4160 4120(4130 4150)))");
  EXPECT_EQ(t.Data(0x4000), B({'T', 'R', 'I', 0}));
  const std::string one = B({0, 0, 0x80, 0x3F}), zero = B({0, 0, 0, 0});
  EXPECT_EQ(Hex(t.Data(0x4110)),
            Hex(B({3, 0}) + zero + zero + zero + one + zero + zero + zero + one + zero));
  EXPECT_EQ(Hex(t.Data(0x4140)), Hex(B({3, 0}) + zero + zero + one + zero + zero + one));
  EXPECT_EQ(Hex(t.Data(0x4160)),
            Hex(one + zero + zero + zero + one + zero + zero + zero + one + zero + zero + zero));
  EXPECT_EQ(Hex(t.Data(0x4120)), Hex(B({1, 0, 0, 0, 1, 0, 2, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0x4130)), Hex(std::string("SolidNorm") + B({0, 1, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0x4150)), Hex(B({1, 0, 0, 0})));
  // Lengths by hand: 4110 6+2+36, 4140 6+2+24, 4160 6+48, 4130 6+10+2+2, 4150 6+4,
  // 4120 6+2+8+20+10, 4100 6+44+32+54+46, 4000 6+4+182.
  EXPECT_EQ(t.Get(0x4120).length, 46u);
  EXPECT_EQ(t.Get(0x4100).length, 182u);
  EXPECT_EQ(t.Get(0x4000).length, 192u);
}

TEST(Builder3dsMesh, OptionalParts) {
  struct Case {
    const char* what;
    build3ds::MeshObj mesh;
    const char* outline;
  };
  build3ds::MeshObj bare("B");
  build3ds::MeshObj noTex("N");
  noTex.Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  build3ds::MeshObj extras = TriMesh();
  extras.Hidden()
      .Flag(0x4012)
      .NoFrame()
      .ObjectChild(Chunk(0x4ABC))
      .MeshChild(Chunk(0x4165).Byte(3))
      .FaceChild(Chunk(0x4190));
  build3ds::MeshObj groupsOnly("G");
  groupsOnly.Group("A", {}).Group("B", {0, 1});
  const Case cases[] = {
      {"nothing but the frame", bare, "4000(4100(4160))"},
      {"without texture vertices or smoothing", noTex, "4000(4100(4110 4160 4120))"},
      {"flags, extras, no frame", extras,
       "4000(4010 4012 4100(4110 4140 4120(4130 4150 4190) 4165) 4ABC)"},
      {"groups without faces", groupsOnly, "4000(4100(4160 4120(4130 4130)))"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Tree(c.mesh.ToChunk().Bytes()).outline, c.outline) << c.what;

  Tree g(groupsOnly.ToChunk().Bytes());
  EXPECT_EQ(Hex(g.Data(0x4120)), Hex(B({0, 0})));
  EXPECT_EQ(Hex(g.Data(0x4130, 0)), Hex(B({'A', 0, 0, 0})));
  EXPECT_EQ(Hex(g.Data(0x4130, 1)), Hex(B({'B', 0, 2, 0, 0, 0, 1, 0})));
}

TEST(Builder3dsMesh, CountsFollowTheListsNotEachOther) {
  build3ds::MeshObj m("M");
  m.Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}})
      .Faces({{0, 1, 2}, {2, 1, 0, 0x0007}})
      .Smoothing({1, 2, 4})
      .Frame({0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 0, 0})
      .Origin(10, 20, 30);
  Tree t(m.ToChunk().Bytes());
  EXPECT_EQ(W(t.Data(0x4140), 0), 1);
  EXPECT_EQ(t.Get(0x4140).length, 6u + 2 + 8);
  EXPECT_EQ(W(t.Data(0x4120), 0), 2);
  EXPECT_EQ(Hex(t.Data(0x4120).substr(10)), Hex(B({2, 0, 1, 0, 0, 0, 7, 0})));
  EXPECT_EQ(Hex(t.Data(0x4150)), Hex(B({1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0})));
  std::string frame = t.Data(0x4160);
  ASSERT_EQ(frame.size(), 48u);
  EXPECT_EQ(Hex(frame.substr(12, 4)), Hex(B({0, 0, 0x80, 0xBF})));  // -1 of the Y axis row
  EXPECT_EQ(Hex(frame.substr(36)), Hex(B({0, 0, 0x20, 0x41, 0, 0, 0xA0, 0x41, 0, 0, 0xF0, 0x41})));
}

// ---- Materials ----

TEST(Builder3dsMaterial, ChildrenInOrderWithTheNameFirst) {
  build3ds::Material mat("Gloss");
  mat.Texture(build3ds::Map("paint.bmp").Percent(75).Flags(0x0011))
      .Reflection("chrome.bmp")
      .Diffuse({255, 0, 51}, build3ds::Rgb{128, 128, 128})
      .Colour(0xA010, std::nullopt, build3ds::Rgb{1, 2, 3})
      .Percent(0xA040, 30)
      .PercentF(0xA050, 0.5f)
      .Flag(0xA081)
      .Child(Chunk(0xA082));
  Tree t(mat.ToChunk().Bytes());
  EXPECT_EQ(t.outline,
            "AFFF(A000 A200(A300 0030 A351) A220(A300) A020(0011 0012) A010(0012) A040(0030) "
            "A050 A081 A082)");
  EXPECT_EQ(t.Data(0xA000), std::string("Gloss") + '\0');
  EXPECT_EQ(t.Data(0xA300, 0), std::string("paint.bmp") + '\0');
  EXPECT_EQ(t.Data(0xA300, 1), std::string("chrome.bmp") + '\0');
  EXPECT_EQ(Hex(t.Data(0x0030, 0)), Hex(B({75, 0})));
  EXPECT_EQ(Hex(t.Data(0xA351)), Hex(B({0x11, 0})));
  EXPECT_EQ(Hex(t.Data(0x0011)), Hex(B({255, 0, 51})));
  EXPECT_EQ(Hex(t.Data(0x0012, 0)), Hex(B({128, 128, 128})));
  EXPECT_EQ(Hex(t.Data(0x0012, 1)), Hex(B({1, 2, 3})));
  EXPECT_EQ(Hex(t.Data(0x0030, 1)), Hex(B({30, 0})));
  // 0xA050 is a leaf to the walker: its payload is its 0x0031 child holding 0.5.
  EXPECT_EQ(Hex(t.Data(0xA050)), Hex(B({0x31, 0, 10, 0, 0, 0, 0, 0, 0, 0x3F})));
}

TEST(Builder3dsMaterial, WithoutName) {
  build3ds::Material mat("X");
  mat.NoName().Texture("a.bmp");
  EXPECT_EQ(Tree(mat.ToChunk().Bytes()).outline, "AFFF(A200(A300))");
  mat.Name("Y");
  EXPECT_EQ(Tree(mat.ToChunk().Bytes()).outline, "AFFF(A000 A200(A300))");
}

// ---- Keyframer ----

TEST(Builder3dsKeyframer, NodeChunks) {
  build3ds::KfData kf;
  kf.Revision(5).FileName("a.3ds").Length(40).Segment(0, 40).CurrentFrame(7);
  kf.Node("AMB", 0xB001);
  kf.Node("TRI")
      .Id(3)
      .Flags(0x4000, 0x0001)
      .Parent(2)
      .Instance("2")
      .Pivot(1, 2, 3)
      .Box({-1, -1, -1}, {1, 1, 1})
      .Rot(0, 1.5f, {0, 0, 1})
      .Pos(0, {1, 2, 3}, Spline().Tension(1))
      .Pos(10, {4, 5, 6})
      .TrackFlags(0xB020, 0x0040)
      .Child(Chunk(0xB0FF));
  kf.Node("CAM", 0xB003);
  Tree t(kf.ToChunk().Bytes());
  EXPECT_EQ(t.outline,
            "B000(B00A B008 B009 B001(B010) B002(B030 B010 B011 B013 B014 B020 B021 B0FF) "
            "B003(B010))");
  EXPECT_EQ(Hex(t.Data(0xB00A)), Hex(B({5, 0, 'a', '.', '3', 'd', 's', 0, 40, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0xB008)), Hex(B({0, 0, 0, 0, 40, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0xB009)), Hex(B({7, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0xB010, 0)), Hex(B({'A', 'M', 'B', 0, 0, 0, 0, 0, 0xFF, 0xFF})));
  EXPECT_EQ(Hex(t.Data(0xB010, 1)), Hex(B({'T', 'R', 'I', 0, 0, 0x40, 1, 0, 2, 0})));
  EXPECT_EQ(Hex(t.Data(0xB030)), Hex(B({3, 0})));
  EXPECT_EQ(Hex(t.Data(0xB011)), Hex(B({'2', 0})));
  EXPECT_EQ(t.Get(0xB013).length, 6u + 12);
  EXPECT_EQ(t.Get(0xB014).length, 6u + 24);
  // Track header, a key with tension and a point, a plain key and a point.
  EXPECT_EQ(t.Get(0xB020).length, 6u + 14 + (6 + 4 + 12) + (6 + 12));
  const std::string f1 = B({0, 0, 0x80, 0x3F}), f2 = B({0, 0, 0, 0x40}), f3 = B({0, 0, 0x40, 0x40});
  EXPECT_EQ(Hex(t.Data(0xB020).substr(0, 14 + 22)),
            Hex(B({0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}) + B({0, 0, 0, 0, 1, 0}) + f1 + f1 +
                f2 + f3));
  EXPECT_EQ(Hex(t.Data(0xB021)),
            Hex(B({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}) + B({0, 0, 0, 0, 0, 0}) +
                B({0, 0, 0xC0, 0x3F}) + B({0, 0, 0, 0}) + B({0, 0, 0, 0}) + f1));
}

TEST(Builder3dsKeyframer, OptionalTracksAndHeader) {
  build3ds::KfData kf;
  kf.NoHeader();
  kf.Node("N")
      .Scale(0, {1, 1, 1})
      .Hide(5)
      .Hide(9, Spline().EaseTo(1))
      .Morph(0, "OTHER")
      .TrackFlags(0xB021, 3)
      .MorphSmooth(2);
  Tree t(kf.ToChunk().Bytes());
  EXPECT_EQ(t.outline, "B000(B002(B010 B015 B021 B022 B026 B029))");
  EXPECT_EQ(t.Get(0xB021).length, 6u + 14) << "flags alone write a track without keys";
  EXPECT_EQ(D(t.Data(0xB021), 10), 0u);
  EXPECT_EQ(t.Get(0xB029).length, 6u + 14 + 6 + (6 + 4));
  EXPECT_EQ(D(t.Data(0xB029), 10), 2u);
  EXPECT_EQ(Hex(t.Data(0xB026).substr(14)), Hex(B({0, 0, 0, 0, 0, 0, 'O', 'T', 'H', 'E', 'R', 0})));
}

// ---- Whole files ----

TEST(Builder3dsModel, Layouts) {
  struct Case {
    const char* what;
    Model model;
    const char* outline;
  };
  Model empty;
  Model full;
  full.MasterScale(2).Ambient({10, 20, 30});
  full.AddMesh("A").NoFrame();
  full.AddLight("L").Position(1, 2, 3).LightChild(Chunk(0x4610));
  full.AddMaterial("M");  // after a mesh, still written before the objects
  full.AddCamera("C");
  full.AddSectionChunk(Chunk(0x1400).Float(1));
  full.AddRootChunk(Chunk(0x2D2D));
  full.Keyframer().Node("A");
  Model bare;
  bare.NoVersion().NoMeshVersion().Root(0xC23D).AmbientF(1, 1, 1);
  Model library;
  library.MaterialLibrary().AddMaterial("M");
  Model flat;
  flat.NoMeshSection().AddMesh("A").NoFrame();
  const Case cases[] = {
      {"empty", empty, "4D4D(0002 3D3D(3D3E))"},
      {"everything", full,
       "4D4D(0002 3D3D(3D3E 0100 2100(0011) AFFF(A000) 4000(4100) 4000(4600(4610)) 4000(4700) "
       "1400) B000(B00A B002(B010)) 2D2D)"},
      {"other root, no versions", bare, "C23D(3D3D(2100(0010)))"},
      {"material library", library, "3DAA(AFFF(A000))"},
      {"without the mesh section", flat, "4D4D(0002 3D3E 4000(4100))"},
  };
  for (const Case& c : cases) EXPECT_EQ(Tree(c.model.Bytes()).outline, c.outline) << c.what;

  Tree t(full.Bytes());
  EXPECT_EQ(Hex(t.Data(0x0002)), Hex(B({3, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0x3D3E)), Hex(B({3, 0, 0, 0})));
  EXPECT_EQ(Hex(t.Data(0x0100)), Hex(B({0, 0, 0, 0x40})));
  EXPECT_EQ(Hex(t.Data(0x0011)), Hex(B({10, 20, 30})));
  EXPECT_EQ(Hex(t.Data(0x4000, 1)), Hex(B({'L', 0})));
  EXPECT_EQ(Hex(t.Data(0x4600)), Hex(B({0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40})));
  EXPECT_EQ(t.Get(0x4700).length, 6u + 12 + 12 + 4 + 4);
  EXPECT_EQ(t.Get(0x4D4D).length, t.bytes.size());
}

TEST(Builder3dsModel, BriefExampleBuildsTheWholeFile) {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm", {0});
  m.Keyframer().Length(30).Node("TRI").Id(0).Pivot(1, 2, 3);
  Tree t(m.Bytes());
  EXPECT_EQ(t.outline,
            "4D4D(0002 3D3D(3D3E AFFF(A000 A200(A300)) 4000(4100(4110 4140 4160 4120(4130 "
            "4150)))) B000(B00A B002(B030 B010 B013)))");
  EXPECT_EQ(m.OffsetOf(0x4D4D), 0u);
  EXPECT_EQ(m.OffsetOf(0x4120), t.Get(0x4120).at);
  EXPECT_EQ(m.OffsetOf(0xB013), t.Get(0xB013).at);

  TempDir dir;
  m.Write(dir.File("tri100.3ds"));
  EXPECT_EQ(ReadFileBytes(dir.File("tri100.3ds")), t.bytes);
}

TEST(Builder3dsModel, PartsStayEditableAfterMoreAreAdded) {
  Model m;
  build3ds::MeshObj& first = m.AddMesh("A");
  build3ds::KfNode& node = m.Keyframer().Node("A");
  for (int i = 0; i < 20; ++i) {
    m.AddMesh("B").NoFrame();
    m.Keyframer().Node("B");
  }
  first.NoFrame().Hidden();
  node.Id(9);
  Tree t(m.Bytes());
  EXPECT_EQ(t.Get(0x4010).at, t.Get(0x4000).at + 6 + 2) << "the flag went into the first mesh";
  EXPECT_EQ(Hex(t.Data(0xB030)), Hex(B({9, 0})));
  EXPECT_EQ(t.Get(0xB030).at, t.Get(0xB002).at + 6);
}

TEST(Builder3dsModel, WriteReportsAnUnwritablePath) {
  Model m;
  EXPECT_THROW(m.Write("/nonexistent-dir/x.3ds"), std::runtime_error);
}

}  // namespace
