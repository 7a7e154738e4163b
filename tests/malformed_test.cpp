// Malformed level files: every conversion of a damaged file must end with a failure report
// (status 251, first line "While ...") or, where the damage happens to leave a valid file, with
// a sound shape file; never with a crash, a hang or a sanitizer finding. A hang is caught by a
// generous time limit per conversion; how fast a conversion runs is measured in bench/ only.
//
// The damaged files are made from the sample levels and small test models: cut short at many
// offsets, chunk lengths and counts changed, strings left without their terminator, indices
// pointed out of range, keyframer hierarchies that loop, deep nesting, long sibling chains,
// seeded random byte changes, and the real-world files of the shared corpus when it is there.
// Each case runs as a conversion in a forked child of the test process.
#include <dirent.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ConvertInChild.h"
#include "ShapeFileCheck.h"
#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace {

using build3ds::Model;

// The shared corpus of real-world files, beside the project's source tree (from CMake).
const char* const REAL_WORLD_DIR = TRIMORPH_REAL_WORLD_DIR;

std::string Sample(const char* name) {
  return ReadFileBytes(std::string(TRIMORPH_SOURCE_DIR) + "/samples/" + name);
}

build3ds::MeshObj& Triangle(Model& m, const std::string& name) {
  return m.AddMesh(name)
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm", {0});
}

// One textured triangle: the smallest level that converts.
std::string TriangleLevel() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI");
  return m.Bytes();
}

// Two nodes in a hierarchy with keys: every part of the import has something to do.
std::string AnimatedLevel() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("a.bmp");
  m.AddMaterial("Gloss1s").Texture("b.bmp").Reflection("c.bmp");
  Triangle(m, "BASE");
  m.AddMesh("ARM")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {1, 1}, {0, 1}})
      .Faces({{0, 1, 2}, {0, 2, 3}})
      .Smoothing({1, 2})
      .Group("Gloss1s", {0, 1})
      .Origin(0, 0, 1);
  build3ds::KfData& kf = m.Keyframer().Length(20);
  kf.Node("BASE").Id(0).Pos(0, {0, 0, 0}).Pos(20, {1, 0, 0});
  kf.Node("ARM").Id(1).Parent(0).Pivot(0, 0, 0.5f).Rot(0, 0, {0, 0, 1}).Rot(10, 1, {0, 0, 1});
  return m.Bytes();
}

struct Base {
  const char* name;
  std::string bytes;
};

std::vector<Base> Bases() {
  return {{"triangle", TriangleLevel()},
          {"animated", AnimatedLevel()},
          {"tram50", Sample("tram50.3ds")},
          {"tram200", Sample("tram200.3ds")},
          {"tram1000", Sample("tram1000.3ds")}};
}

// Where the chunks of a well-formed file lie, as the toolkit reads its tree.
struct ChunkPos {
  uint32_t tag;
  uint32_t offset;
  uint32_t length;
  uint64_t parentEnd;  // end of the enclosing chunk (the file's size for the root)
};

std::vector<ChunkPos> Layout(const std::string& bytes) {
  TempDir dir;
  std::string path = dir.File("layout.3ds");
  WriteFileBytes(path, bytes);
  ResetErrorList3ds();
  File3ds* file = OpenFile3ds(path.c_str(), "rw");
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  CreateDatabase3ds(file, db);
  EXPECT_FALSE(ErrorsPending3ds) << "the base file must be well formed";
  std::vector<ChunkPos> chunks;
  struct Open {
    Chunk3ds* chunk;
    uint64_t parentEnd;
  };
  std::vector<Open> todo;
  if (db && db->rootchunk) todo.push_back({db->rootchunk, bytes.size()});
  while (!todo.empty()) {
    Open o = todo.back();
    todo.pop_back();
    const Chunk3ds* c = o.chunk;
    chunks.push_back({c->tag, c->offset, c->length, o.parentEnd});
    for (Chunk3ds* child = c->firstchild; child; child = child->next) {
      todo.push_back({child, uint64_t(c->offset) + c->length});
    }
  }
  ReleaseDatabase3ds(&db);
  CloseFile3ds(file);
  ResetErrorList3ds();
  std::sort(chunks.begin(), chunks.end(),
            [](const ChunkPos& a, const ChunkPos& b) { return a.offset < b.offset; });
  return chunks;
}

const ChunkPos* FindChunk(const std::vector<ChunkPos>& chunks, uint32_t tag, size_t nth = 0) {
  for (const ChunkPos& c : chunks) {
    if (c.tag == tag && nth-- == 0) return &c;
  }
  return nullptr;
}

void PutWord(std::string& b, size_t at, uint16_t v) {
  if (at + 2 <= b.size()) build3ds::PutWord(b, at, v);
}
void PutDword(std::string& b, size_t at, uint32_t v) {
  if (at + 4 <= b.size()) build3ds::PutDword(b, at, v);
}

// One damaged input: one or two level files.
struct Case {
  std::string what;
  std::vector<std::string> levels;
};

// Converts every case and checks how each ended; returns the number of successful ones.
class Malformed : public ::testing::Test {
 protected:
  int RunAll(const std::vector<Case>& cases) {
    int converted = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      SCOPED_TRACE(c.what);
      bool ok = false;
      // Leaks are checked (in sanitizer builds) on every eighth case and every two-level one.
      Convert(c, ok, i % 8 == 0 || c.levels.size() > 1);
      if (ok) ++converted;
      if (HasFatalFailure()) break;
    }
    return converted;
  }

  void Convert(const Case& c, bool& converted, bool checkLeaks) {
    // A guard against a hang only: a busy machine may take its time, a hang never ends.
    const int hangSeconds = HANG_GUARD_SECONDS * BuildSlowness();
    TempDir dir;
    std::vector<std::string> args = {dir.File("out.s")};
    for (size_t i = 0; i < c.levels.size(); ++i) {
      std::string path = dir.File("lod" + std::to_string(50 * (i + 1)) + ".3ds");
      WriteFileBytes(path, c.levels[i]);
      args.push_back(path);
    }
    ChildResult r = ConvertInChild(args, hangSeconds, {}, checkLeaks);
    ASSERT_FALSE(r.timedout);
    ASSERT_TRUE(r.exited) << "ended by signal " << r.signal << "\n" << r.out;
    if (r.status == 0) {
      converted = true;
      EXPECT_EQ(r.out, "");
      EXPECT_TRUE(ShapeFileIsSound(args[0]));
    } else {
      ASSERT_EQ(r.status, 251) << r.out;
      EXPECT_EQ(r.out.compare(0, 6, "While "), 0) << r.out;
      // A second line says why.
      size_t eol = r.out.find('\n');
      EXPECT_TRUE(eol != std::string::npos && eol + 1 < r.out.size()) << r.out;
      EXPECT_FALSE(FileExists(args[0])) << "a failed conversion left an output file";
    }
    // Nothing but the level files and the output.
    for (const std::string& name : ListDir(dir.path())) {
      EXPECT_TRUE(name == "out.s" || name.compare(0, 3, "lod") == 0) << name;
    }
  }
};

TEST_F(Malformed, BasesConvert) {
  // The damaged files below start from files that convert.
  std::vector<Case> cases;
  for (const Base& b : Bases()) cases.push_back({b.name, {b.bytes}});
  EXPECT_EQ(RunAll(cases), int(cases.size()));
}

TEST_F(Malformed, TruncatedAtManyOffsets) {
  std::vector<Case> cases;
  for (const Base& b : Bases()) {
    std::vector<size_t> cuts;
    // Around every chunk header, and on an even grid between them.
    for (const ChunkPos& c : Layout(b.bytes)) {
      for (size_t d : {0, 1, 2, 5, 6, 7}) cuts.push_back(c.offset + d);
      cuts.push_back(size_t(c.offset) + c.length - 1);
    }
    const size_t step = std::max<size_t>(1, b.bytes.size() / 60);
    for (size_t at = 0; at < b.bytes.size(); at += step) cuts.push_back(at);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (size_t at : cuts) {
      if (at >= b.bytes.size()) continue;
      cases.push_back(
          {std::string(b.name) + " cut at " + std::to_string(at), {b.bytes.substr(0, at)}});
    }
  }
  // A file cut short ends before its root chunk does: no cut can convert.
  EXPECT_EQ(RunAll(cases), 0);
}

TEST_F(Malformed, ChunkLengths) {
  std::vector<Case> cases;
  for (const Base& b : Bases()) {
    if (std::string(b.name) == "tram50" || std::string(b.name) == "tram1000") continue;
    for (const ChunkPos& c : Layout(b.bytes)) {
      const uint64_t pastParent = c.parentEnd - c.offset + 1;
      const uint64_t lengths[] = {0,          5,          6,         c.length - 1u, c.length + 1u,
                                  0xFFFFFFFF, 0x80000000, pastParent};
      for (uint64_t length : lengths) {
        if (length > 0xFFFFFFFF || length == c.length) continue;
        std::string bytes = b.bytes;
        PutDword(bytes, c.offset + 2, uint32_t(length));
        char tag[8];
        snprintf(tag, sizeof tag, "%04X", c.tag);
        cases.push_back({std::string(b.name) + " chunk " + tag + " at " + std::to_string(c.offset) +
                             " length " + std::to_string(length),
                         {bytes}});
      }
    }
  }
  RunAll(cases);
}

TEST_F(Malformed, StringsWithoutTerminator) {
  // The chunks whose payload starts with a string (the keyframer header after its word).
  const uint32_t stringTags[] = {
      CHUNK_NAMED_OBJECT,        CHUNK_MAT_NAME,  CHUNK_MAP_FILE_NAME,   CHUNK_KF_NODE_HEADER,
      CHUNK_MESH_MATERIAL_GROUP, CHUNK_KF_HEADER, CHUNK_KF_INSTANCE_NAME};
  std::vector<Case> cases;
  for (const Base& b : Bases()) {
    for (const ChunkPos& c : Layout(b.bytes)) {
      if (std::find(std::begin(stringTags), std::end(stringTags), c.tag) == std::end(stringTags)) {
        continue;
      }
      const size_t start = c.offset + 6 + (c.tag == CHUNK_KF_HEADER ? 2 : 0);
      const size_t nul = b.bytes.find('\0', start);
      if (nul == std::string::npos) continue;
      const std::string where = std::string(b.name) + " string at " + std::to_string(start);
      // The terminator and the rest of the chunk turned into text.
      std::string inChunk = b.bytes;
      for (size_t i = nul; i < size_t(c.offset) + c.length && i < inChunk.size(); ++i) {
        inChunk[i] = 'A';
      }
      cases.push_back({where + ", rest of chunk", {inChunk}});
      // No terminator anywhere up to the end of the file.
      std::string toEnd = b.bytes;
      for (size_t i = nul; i < toEnd.size(); ++i) toEnd[i] = 'B';
      cases.push_back({where + ", rest of file", {toEnd}});
      // The file ends right where the terminator would be.
      cases.push_back({where + ", file cut", {b.bytes.substr(0, nul)}});
    }
  }
  RunAll(cases);
}

TEST_F(Malformed, CountsLargerThanTheData) {
  std::vector<Case> cases;
  for (const Base& b : Bases()) {
    for (const ChunkPos& c : Layout(b.bytes)) {
      const size_t payload = c.offset + 6;
      std::vector<std::pair<size_t, bool>> counts;  // where, 32-bit
      switch (c.tag) {
        case CHUNK_MESH_VERTICES:
        case CHUNK_MESH_VERTEX_FLAGS:
        case CHUNK_MESH_FACES:
        case CHUNK_MESH_TEXTURE_VERTICES:
          counts.push_back({payload, false});
          break;
        case CHUNK_MESH_MATERIAL_GROUP: {
          size_t nul = b.bytes.find('\0', payload);
          if (nul != std::string::npos) counts.push_back({nul + 1, false});
          break;
        }
        case CHUNK_KF_POSITION_TRACK:
        case CHUNK_KF_ROTATION_TRACK:
        case CHUNK_KF_SCALE_TRACK:
        case CHUNK_KF_MORPH_TRACK:
        case CHUNK_KF_HIDE_TRACK:
          counts.push_back({payload + 10, true});  // the track header's key count
          break;
        default:
          break;
      }
      for (auto [at, wide] : counts) {
        if (at + (wide ? 4 : 2) > b.bytes.size()) continue;
        uint32_t value =
            wide ? uint32_t(uint8_t(b.bytes[at])) | uint32_t(uint8_t(b.bytes[at + 1])) << 8 |
                       uint32_t(uint8_t(b.bytes[at + 2])) << 16 |
                       uint32_t(uint8_t(b.bytes[at + 3])) << 24
                 : uint32_t(uint8_t(b.bytes[at])) | uint32_t(uint8_t(b.bytes[at + 1])) << 8;
        std::vector<uint32_t> values = {value + 1, value + 1000, 0};
        if (wide) {
          values.insert(values.end(), {0x7FFFFFFFu, 0xFFFFFFFFu, 0x10000u});
        } else {
          values.push_back(0xFFFF);
        }
        for (uint32_t v : values) {
          std::string bytes = b.bytes;
          if (wide) {
            PutDword(bytes, at, v);
          } else {
            PutWord(bytes, at, uint16_t(v));
          }
          char tag[8];
          snprintf(tag, sizeof tag, "%04X", c.tag);
          cases.push_back({std::string(b.name) + " chunk " + tag + " at " +
                               std::to_string(c.offset) + " count " + std::to_string(v),
                           {bytes}});
        }
      }
    }
  }
  RunAll(cases);
}

TEST_F(Malformed, IndicesOutOfRange) {
  std::vector<Case> cases;
  for (const Base& b : Bases()) {
    const std::vector<ChunkPos> chunks = Layout(b.bytes);
    uint16_t points = 0, faces = 0;
    for (const ChunkPos& c : chunks) {
      const size_t payload = c.offset + 6;
      auto word = [&](size_t at) {
        return uint16_t(uint8_t(b.bytes[at]) | uint8_t(b.bytes[at + 1]) << 8);
      };
      const std::string where = std::string(b.name) + " at " + std::to_string(c.offset);
      if (c.tag == CHUNK_MESH_VERTICES) points = word(payload);
      if (c.tag == CHUNK_MESH_FACES) {
        faces = word(payload);
        // Each corner of the first and the last face, pointed past the vertices.
        for (size_t face : {size_t(0), size_t(faces) - 1}) {
          if (faces == 0) break;
          for (int corner = 0; corner < 3; ++corner) {
            for (uint16_t v : {points, uint16_t(points + 1), uint16_t(0xFFFF)}) {
              std::string bytes = b.bytes;
              PutWord(bytes, payload + 2 + 8 * face + 2 * corner, v);
              cases.push_back({where + " face " + std::to_string(face) + " corner " +
                                   std::to_string(corner) + " vertex " + std::to_string(v),
                               {bytes}});
            }
          }
        }
      }
      if (c.tag == CHUNK_MESH_MATERIAL_GROUP) {
        size_t nul = b.bytes.find('\0', payload);
        if (nul == std::string::npos || word(nul + 1) == 0) continue;
        for (uint16_t f : {faces, uint16_t(0xFFFF)}) {
          std::string bytes = b.bytes;
          PutWord(bytes, nul + 3, f);
          cases.push_back({where + " group face " + std::to_string(f), {bytes}});
        }
      }
    }
  }
  RunAll(cases);
}

// Keyframer hierarchies that are no trees: every such file must fail, none may hang.
TEST_F(Malformed, KeyframerParentLoops) {
  struct Links {
    const char* what;
    std::vector<std::pair<uint16_t, uint16_t>> idAndParent;  // per node A, B, C
  };
  const Links links[] = {
      {"node its own parent", {{0, 0xFFFF}, {1, 1}, {2, 0}}},
      {"root its own parent", {{0, 0}, {1, 0}, {2, 0}}},
      {"two nodes parent of each other", {{0, 0xFFFF}, {1, 2}, {2, 1}}},
      {"loop of three without a root", {{0, 2}, {1, 0}, {2, 1}}},
      {"loop of two beside the root", {{0, 0xFFFF}, {1, 2}, {2, 1}}},
      {"parent id that no node has", {{0, 0xFFFF}, {1, 7}, {2, 0}}},
  };
  std::vector<Case> cases;
  for (const Links& l : links) {
    Model m;
    m.AddMaterial("SolidNorm").Texture("tri.bmp");
    const char* names[] = {"A", "B", "C"};
    for (const char* n : names) Triangle(m, n);
    build3ds::KfData& kf = m.Keyframer();
    for (int i = 0; i < 3; ++i) {
      kf.Node(names[i]).Id(l.idAndParent[size_t(i)].first).Parent(l.idAndParent[size_t(i)].second);
    }
    cases.push_back({l.what, {m.Bytes()}});
    // The same hierarchy as the second level under a sound first level.
    Model good;
    good.AddMaterial("SolidNorm").Texture("tri.bmp");
    for (const char* n : names) Triangle(good, n);
    build3ds::KfData& gkf = good.Keyframer();
    gkf.Node("A").Id(0);
    gkf.Node("B").Id(1).Parent(0);
    gkf.Node("C").Id(2).Parent(0);
    cases.push_back({std::string(l.what) + " in level 2", {good.Bytes(), m.Bytes()}});
  }
  EXPECT_EQ(RunAll(cases), 0);
}

std::string Header(uint16_t tag, uint64_t length) {
  std::string h = build3ds::LeWord(tag) + build3ds::LeDword(uint32_t(length));
  return h;
}

// A chunk of the given tag holding inner, nested depth times.
std::string Nested(uint16_t tag, int depth, std::string inner = "") {
  // Built from the inside out; the text grows by one header per level.
  uint64_t length = inner.size();
  std::vector<std::string> headers;
  for (int i = 0; i < depth; ++i) {
    length += 6;
    headers.push_back(Header(tag, length));
  }
  std::string out;
  out.reserve(length);
  for (auto it = headers.rbegin(); it != headers.rend(); ++it) out += *it;
  return out + inner;
}

std::string Root(const std::string& body) {
  return Header(CHUNK_MESH_FILE, 6 + body.size()) + body;
}

TEST_F(Malformed, DeepNesting) {
  std::vector<Case> cases = {
      {"mesh sections", {Root(Nested(CHUNK_MESH_SECTION, 5000))}},
      {"root chunks", {Nested(CHUNK_MESH_FILE, 5000)}},
      {"keyframer nodes", {Root(Nested(CHUNK_KEYFRAMER, 5000))}},
      {"materials in maps",
       {Root(build3ds::Chunk(CHUNK_MESH_SECTION).Bytes() + Header(CHUNK_MATERIAL, 6 + 6 * 4000) +
             Nested(CHUNK_MAT_TEXTURE_MAP, 3999))}},
      {"extension data items",
       {Root(Header(CHUNK_EXT_ENTRY, 6 + 6 * 4000) + Nested(CHUNK_EXT_APP_NAME, 3999))}},
  };
  // Just within the depth the reader accepts, and just beyond.
  for (int depth : {60, 62, 63, 64, 65, 70}) {
    cases.push_back({"mesh sections " + std::to_string(depth) + " deep",
                     {Root(Nested(CHUNK_MESH_SECTION, depth))}});
  }
  EXPECT_EQ(RunAll(cases), 0);
}

TEST_F(Malformed, LongSiblingChains) {
  const int n = 300000;
  const std::string good = TriangleLevel();
  auto repeated = [](uint16_t tag, int count, const std::string& payload = "") {
    std::string one = Header(tag, 6 + payload.size()) + payload;
    std::string out;
    out.reserve(one.size() * size_t(count));
    for (int i = 0; i < count; ++i) out += one;
    return out;
  };
  // A level with a chain inserted into one of its chunks, lengths fixed up.
  auto withChain = [&](uint32_t parentTag, const std::string& chain,
                       const std::string& level = std::string()) {
    const std::string& base = level.empty() ? good : level;
    std::vector<ChunkPos> chunks = Layout(base);
    const ChunkPos* parent = FindChunk(chunks, parentTag);
    std::string bytes = base;
    const size_t at = parent->offset + parent->length;  // appended as its last children
    bytes.insert(at, chain);
    for (const ChunkPos& c : chunks) {
      if (c.offset <= parent->offset && uint64_t(c.offset) + c.length >= at) {
        PutDword(bytes, c.offset + 2, uint32_t(c.length + chain.size()));
      }
    }
    return bytes;
  };
  std::vector<Case> cases = {
      {"unknown chunks in the mesh section", {withChain(CHUNK_MESH_SECTION, repeated(0x1234, n))}},
      {"unknown chunks in the root", {withChain(CHUNK_MESH_FILE, repeated(0x1234, n))}},
      {"unknown chunks in a face list", {withChain(CHUNK_MESH_FACES, repeated(0x1234, n))}},
      {"unknown chunks in a material", {withChain(CHUNK_MATERIAL, repeated(0x1234, n))}},
      {"flags of a named object",
       {withChain(CHUNK_NAMED_OBJECT, repeated(CHUNK_OBJECT_HIDDEN, n))}},
      {"named objects without name",
       {withChain(CHUNK_MESH_SECTION, repeated(CHUNK_NAMED_OBJECT, n, std::string(1, '\0')))}},
      {"empty materials", {withChain(CHUNK_MESH_SECTION, repeated(CHUNK_MATERIAL, n))}},
      {"keyframer nodes without header",
       {Root(Header(CHUNK_KEYFRAMER, 6 + 6 * n) + repeated(CHUNK_KF_OBJECT_NODE, n))}},
      // Each group names the one long material: it is read once, not once per group.
      {"groups naming one long material",
       {withChain(
           CHUNK_MESH_FACES,
           repeated(CHUNK_MESH_MATERIAL_GROUP, n / 3, std::string("SolidNorm\0\1\0\0\0", 14)),
           withChain(CHUNK_MATERIAL, repeated(CHUNK_MAT_TWO_SIDED, n / 3)))}},
  };
  RunAll(cases);
}

// The resident memory a forked conversion gains over what the child inherited: read from
// /proc/self/status (kilobytes) at its start and, as it exits, its peak. A forked child and
// /proc are needed: built on POSIX systems only.
#ifndef _WIN32
long StatusKilobytes(const char* field) {
  long kb = -1;
  if (FILE* f = fopen("/proc/self/status", "r")) {
    char line[256];
    const size_t n = strlen(field);
    while (fgets(line, sizeof line, f)) {
      if (strncmp(line, field, n) == 0) kb = atol(line + n);
    }
    fclose(f);
  }
  return kb;
}
long gStartKilobytes = 0;
std::string gPeakFile;
void WritePeakGrowth(int, void*) {
  if (FILE* f = fopen(gPeakFile.c_str(), "w")) {
    fprintf(f, "%ld", StatusKilobytes("VmHWM:") - gStartKilobytes);
    fclose(f);
  }
}

// Memory in proportion to the input: raw chunks nested in one another share the file's bytes
// instead of each holding a copy of everything below it, and a count is not believed beyond
// its own chunk. Each crafted file took over 150 MB before (60 and 150 times its size).
TEST_F(Malformed, CraftedFilesTakeMemoryInProportionToTheirSize) {
  if (BuildSlowness() > 1) {
    GTEST_SKIP() << "the sanitizers' own memory (shadow, quarantine) outweighs what is measured";
  }
  const std::string megabytes4(4 << 20, '\0'), megabyte(1 << 20, '\0');
  std::string counts;
  for (int i = 0; i < 200; ++i) counts += Header(CHUNK_MESH_VERTICES, 8) + build3ds::LeWord(0xFFFF);
  const std::vector<Case> cases = {
      {"raw sections nested to the depth limit around 4 MB",
       {Root(Nested(CHUNK_AUX_SECTION_A, MAX_CHUNK_DEPTH3DS - 2,
                    Header(0x1234, 6 + megabytes4.size()) + megabytes4))}},
      {"vertex lists claiming 65535 points each before 1 MB",
       {Root(Header(CHUNK_MESH_SECTION, 6 + counts.size() + 6 + megabyte.size()) + counts +
             Header(0x1234, 6 + megabyte.size()) + megabyte)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string level = dir.File("lod50.3ds");
    WriteFileBytes(level, c.levels[0]);
    gPeakFile = dir.File("peak");
    ChildResult r = ConvertInChild({dir.File("out.s"), level}, 120, [] {
      // The free memory the child inherited goes back to the system first, so that what the
      // conversion takes shows as growth; then the peak starts afresh from what is left.
      malloc_trim(0);
      if (FILE* f = fopen("/proc/self/clear_refs", "w")) {
        fputs("5", f);
        fclose(f);
      }
      gStartKilobytes = StatusKilobytes("VmRSS:");
      on_exit(WritePeakGrowth, nullptr);
    });
    ASSERT_TRUE(r.exited) << r.out;
    EXPECT_EQ(r.status, 251) << r.out;
    const long peak = atol(ReadFileBytes(gPeakFile).c_str());
    // Four times the input, and 16 MB for what a conversion needs besides (the shape's pools
    // and indexes, the text buffers, the allocator's arenas: a little over 1 MB for these
    // files), with room to spare.
    const long bound = long(4 * c.levels[0].size() / 1024) + 16 * 1024;
    EXPECT_GT(peak, 0);
    EXPECT_LE(peak, bound) << "peak growth " << peak << " KB for " << c.levels[0].size()
                           << " bytes";
  }
}
#endif

TEST_F(Malformed, RandomByteChanges) {
  std::vector<Case> cases;
  std::mt19937 rng(20240611);
  for (const Base& b : Bases()) {
    for (int i = 0; i < 60; ++i) {
      std::string bytes = b.bytes;
      const int changes = 1 + int(rng() % 8);
      for (int k = 0; k < changes; ++k) {
        size_t at = rng() % bytes.size();
        if (rng() % 2) {
          bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
        } else {
          bytes[at] = char(rng());
        }
      }
      cases.push_back({std::string(b.name) + " mutant " + std::to_string(i), {bytes}});
    }
  }
  // Pairs of mutants as two levels.
  const std::vector<Base> bases = Bases();
  for (int i = 0; i < 20; ++i) {
    std::string near = bases[2].bytes, far = bases[3].bytes;
    near[rng() % near.size()] = char(rng());
    far[rng() % far.size()] = char(rng());
    cases.push_back({"tram pair mutant " + std::to_string(i), {near, far}});
  }
  RunAll(cases);
}

TEST_F(Malformed, RealWorldFiles) {
  std::vector<std::string> names = ListDir(REAL_WORLD_DIR);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) {
                               return n.size() < 4 || (n.substr(n.size() - 4) != ".3ds" &&
                                                       n.substr(n.size() - 4) != ".3DS");
                             }),
              names.end());
  if (names.empty()) GTEST_SKIP() << "no real-world corpus at " << REAL_WORLD_DIR;
  std::vector<Case> cases;
  for (const std::string& n : names) {
    std::string bytes = ReadFileBytes(std::string(REAL_WORLD_DIR) + "/" + n);
    cases.push_back({n, {bytes}});
    cases.push_back({n + " after the triangle", {TriangleLevel(), bytes}});
    if (bytes.size() > 16)
      cases.push_back({n + " cut in half", {bytes.substr(0, bytes.size() / 2)}});
  }
  RunAll(cases);
}

}  // namespace

namespace {

// Names that would break the shape file's text if written as they are: the conversion must
// fail and name them instead of reporting success for a file the simulator cannot read.
struct NameCase {
  std::string object;      // the mesh's name
  std::string texture;     // the texture map's file name
  std::string reflection;  // for a Gloss material, its reflection map; else empty
  std::string message;     // the report's second line; empty when the level converts
};

TEST(UnwritableNames, AreRejectedWithTheirName) {
  const NameCase cases[] = {
      {"TRI", "M)TAL.BMP", "",
       "Texture name 'M)TAL.BMP' of material 'Mat' cannot be written to a shape file."},
      {"TRI", "x(.bmp", "",
       "Texture name 'x(.bmp' of material 'Mat' cannot be written to a shape file."},
      {"TRI", "a b.bmp", "",
       "Texture name 'a b.bmp' of material 'Mat' cannot be written to a shape file."},
      {"TRI", "q\"t.bmp", "",
       "Texture name 'q\"t.bmp' of material 'Mat' cannot be written to a shape file."},
      {"TRI", "t\tab.bmp", "",
       "Texture name 't\tab.bmp' of material 'Mat' cannot be written to a shape file."},
      {"TRI", "paint.bmp", "ch rome.bmp",
       "Texture name 'ch rome.bmp' of material 'Mat' cannot be written to a shape file."},
      {"A B", "tri.bmp", "", "Object name 'A B' cannot be written to a shape file."},
      {"A)", "tri.bmp", "", "Object name 'A)' cannot be written to a shape file."},
      {"(A", "tri.bmp", "", "Object name '(A' cannot be written to a shape file."},
      {"", "tri.bmp", "", "Object name '' cannot be written to a shape file."},
      // Only the part before the extension is written: these convert.
      {"TRI", "tri.b)p", "", ""},
      {"TRI", "paint.bmp", "chrome.b p", ""},
      {"\xC4XE", "\xE9t\xE9.bmp", "", ""},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.object + " / " + c.texture + " / " + c.reflection);
    const std::string material = c.reflection.empty() ? "SolidNorm" : "Gloss";
    Model m;
    build3ds::Material& mat = m.AddMaterial("Mat").Name(material);
    mat.Texture(c.texture);
    if (!c.reflection.empty()) mat.Reflection(c.reflection);
    m.AddMesh(c.object)
        .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
        .TexVerts({{0, 0}, {1, 0}, {0, 1}})
        .Faces({{0, 1, 2}})
        .Group(material, {0});
    TempDir dir;
    m.Write(dir.File("lod50.3ds"));
    ChildResult r = ConvertInChild({dir.File("out.s"), dir.File("lod50.3ds")});
    if (c.message.empty()) {
      ASSERT_EQ(r.status, 0) << r.out;
      EXPECT_TRUE(ShapeFileIsSound(dir.File("out.s")));
    } else {
      std::string message = c.message;
      // The material is named after its type word.
      size_t at = message.find("'Mat'");
      if (at != std::string::npos) message.replace(at, 5, "'" + material + "'");
      EXPECT_EQ(r.status, 251);
      EXPECT_EQ(r.out, "While reading level of detail 1 from '" + dir.File("lod50.3ds") + "'\n" +
                           message + "\n");
      EXPECT_FALSE(FileExists(dir.File("out.s")));
    }
  }
}

}  // namespace

namespace {

// The committed fuzzing corpus, including the inputs of every fault fuzzing found: converted as
// the conversion fuzz target does it (a second file laid after the first one's root chunk is
// the second level), the toolkit seeds as single levels.
TEST_F(Malformed, FuzzCorpus) {
  const std::string corpus = std::string(TRIMORPH_SOURCE_DIR) + "/tests/fuzz/corpus/";
  std::vector<Case> cases;
  for (const char* target : {"convert", "toolkit3ds"}) {
    for (const std::string& name : ListDir(corpus + target)) {
      std::string bytes = ReadFileBytes(corpus + target + "/" + name);
      size_t first = bytes.size();
      if (std::string(target) == "convert" && bytes.size() >= 6) {
        uint32_t length = 0;
        for (int i = 5; i >= 2; --i) length = length << 8 | uint8_t(bytes[size_t(i)]);
        if (length >= 6 && length < bytes.size()) first = length;
      }
      Case c{std::string(target) + "/" + name, {bytes.substr(0, first)}};
      if (first < bytes.size()) c.levels.push_back(bytes.substr(first));
      cases.push_back(c);
    }
  }
  EXPECT_GE(cases.size(), 20u);
  RunAll(cases);
}

}  // namespace
