// trimorph-inspect, run as the built program beside trimorph on level sets that convert and
// that do not: the two agree on every set, the inspector lists trimorph's message and the
// problems the set is built to have, its JSON is valid for damaged files too, and --tree names
// where reading a cut file stopped.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ConvertInChild.h"
#include "JsonCheck.h"
#include "Subprocess.h"
#include "TrimorphVersion.h"

namespace {

using build3ds::Model;

// A level file of a case: its name and bytes (none: the file is not there).
struct LevelFile {
  std::string name;
  std::string bytes;
  bool present = true;
};

std::string Sample(const std::string& name) {
  return ReadFileBytes(TRIMORPH_SOURCE_DIR "/samples/" + name);
}

// A textured triangle in smoothing group 1 whose face has the material.
build3ds::MeshObj& Triangle(Model& m, const std::string& name, const std::string& material) {
  return m.AddMesh(name)
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group(material, {0});
}

std::string GoodTriangle() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI", "SolidNorm");
  return m.Bytes();
}

// Meshes A, B and C with keyframer nodes: B and C under A unless parents are given (by name,
// "" for none, "CAM" for a camera node of the file).
std::string ThreeNodes(const std::string& parentB = "A", const std::string& parentC = "A") {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  for (const char* name : {"A", "B", "C"}) Triangle(m, name, "SolidNorm").Origin(1, 2, 3);
  const std::vector<std::string> names = {"A", "B", "C", "CAM"};
  auto id = [&](const std::string& parent) -> uint16_t {
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == parent) return uint16_t(i);
    }
    return 0xFFFF;
  };
  m.Keyframer().Node("A").Id(0);
  m.Keyframer().Node("B").Id(1).Parent(id(parentB));
  m.Keyframer().Node("C").Id(2).Parent(id(parentC));
  m.Keyframer().Node("CAM", 0xB003).Id(3);
  return m.Bytes();
}

std::string CorpusFile(const std::string& name) {
  return ReadFileBytes(TRIMORPH_SOURCE_DIR "/tests/fuzz/corpus/convert/" + name);
}

struct SetCase {
  const char* what;
  std::function<std::vector<LevelFile>()> levels;
  int trimorphStatus;              // what the set is built to make trimorph do: 0 or 251
  std::vector<std::string> codes;  // problem codes the inspector must list
  std::vector<std::string> texts;  // texts its report must hold
};

std::vector<SetCase> SetCases() {
  return {
      {"the sample tram",
       [] {
         return std::vector<LevelFile>{{"tram50.3ds", Sample("tram50.3ds")},
                                       {"tram200.3ds", Sample("tram200.3ds")},
                                       {"tram1000.3ds", Sample("tram1000.3ds")}};
       },
       0,
       {},
       {"'PantoTop1' (id 3)"}},
      {"far level first",
       [] {
         return std::vector<LevelFile>{{"tram1000.3ds", Sample("tram1000.3ds")},
                                       {"tram50.3ds", Sample("tram50.3ds")}};
       },
       0,
       {"levels-out-of-order", "node-missing-from-nearer-level"},
       {}},
      {"two files of one distance",
       [] {
         return std::vector<LevelFile>{{"tram50.3ds", Sample("tram50.3ds")},
                                       {"tramb50.3ds", Sample("tram200.3ds")}};
       },
       0,
       {"same-distance"},
       {}},
      {"a node of the far level missing from the near one",
       [] {
         return std::vector<LevelFile>{{"lod100.3ds", Sample("tram200.3ds")},
                                       {"lod200.3ds", Sample("tram50.3ds")}};
       },
       0,
       {"node-missing-from-nearer-level"},
       {"'WiperArmL1'"}},
      {"a mesh linked under a camera",
       [] {
         return std::vector<LevelFile>{{"lod100.3ds", ThreeNodes("A", "CAM")}};
       },
       251,
       {"unreachable-node"},
       {"node 'C' is linked under 'CAM', which is a camera"}},
      {"hierarchies that conflict",
       [] {
         return std::vector<LevelFile>{{"lod100.3ds", ThreeNodes("A", "B")},
                                       {"lod200.3ds", ThreeNodes("A", "A")}};
       },
       251,
       {"conflicting-hierarchy"},
       {}},
      {"several problems in one level",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMaterial("2Bad").Texture("tri.bmp");
         m.AddMaterial("SolidNorm1");
         Triangle(m, "A", "2Bad");
         m.AddMesh("B")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         Triangle(m, "C", "SolidNorm1");
         m.Keyframer().Node("A").Id(0);
         m.Keyframer().Node("B").Id(1).Parent(0);
         m.Keyframer().Node("C").Id(2).Parent(0);
         return std::vector<LevelFile>{{"lod100.3ds", m.Bytes()}};
       },
       251,
       {"untextured-mesh", "material-name-format", "no-texture-name"},
       {}},
      {"a level cut short",
       [] {
         return std::vector<LevelFile>{{"tram50.3ds", Sample("tram50.3ds").substr(0, 1000)},
                                       {"tram200.3ds", Sample("tram200.3ds")}};
       },
       251,
       {"toolkit-errors"},
       {"reading stopped at offset"}},
      {"a material error of the first level noticed by the second",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp").Flag(0xA082);
         Triangle(m, "TRI", "SolidNorm");
         return std::vector<LevelFile>{{"lod100.3ds", m.Bytes()}, {"lod200.3ds", GoodTriangle()}};
       },
       251,
       {"toolkit-errors"},
       {"while reading material 'SolidNorm' of 'lod100.3ds'"}},
      {"a material error of the last level",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp").Flag(0xA082);
         Triangle(m, "TRI", "SolidNorm");
         return std::vector<LevelFile>{{"lod100.3ds", GoodTriangle()}, {"lod200.3ds", m.Bytes()}};
       },
       251,
       {"toolkit-errors"},
       {"while reading material 'SolidNorm' of 'lod200.3ds'"}},
      {"coordinates that overflow",
       [] {
         return std::vector<LevelFile>{
             {"lod100.3ds", CorpusFile("coordinates-that-overflow-the-normals")}};
       },
       251,
       {"numbers-not-finite"},
       {}},
      {"no face with a material",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .TexVerts({{0, 0}, {1, 0}, {0, 1}})
             .Faces({{0, 1, 2}});
         return std::vector<LevelFile>{{"lod100.3ds", m.Bytes()}};
       },
       251,
       {"no-triangles"},
       {}},
      {"a second level without distance",
       [] {
         return std::vector<LevelFile>{{"lod100.3ds", GoodTriangle()}, {"lod.3ds", GoodTriangle()}};
       },
       251,
       {"no-distance-in-name"},
       {}},
      {"a level file that is not there",
       [] {
         return std::vector<LevelFile>{{"lod100.3ds", GoodTriangle()}, {"lod200.3ds", "", false}};
       },
       251,
       {"toolkit-errors"},
       {"No such file or directory"}},
  };
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A line as the inspector's text shows names: control characters as \xNN.
std::string Shown(const std::string& line) {
  std::string out;
  for (unsigned char c : line) {
    char buf[8];
    snprintf(buf, sizeof buf, c < 0x20 || c == 0x7F ? "\\x%02X" : "%c", unsigned(c));
    out += buf;
  }
  return out;
}

bool IsPlainText(const std::string& line) {
  for (unsigned char c : line) {
    if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') return false;
  }
  return true;
}

bool HasLine(const std::string& text, const std::string& wanted) {
  for (std::string line : Lines(text)) {
    line.erase(0, line.find_first_not_of(' '));
    if (line == wanted) return true;
  }
  return false;
}

const int TIME_LIMIT = HANG_GUARD_SECONDS * BuildSlowness();

ChildResult RunInspect(const std::vector<std::string>& args, const std::string& cwd) {
  return RunProgram(TRIMORPH_INSPECT_BINARY, args, cwd, TIME_LIMIT);
}

// Runs trimorph and trimorph-inspect (text and JSON) on the level files in dir and checks that
// they agree: trimorph fails exactly when the inspector exits with 1, and then the inspector
// lists trimorph's message (every line of its report but the context of writing, which names
// an output file the inspector does not have). Returns the inspector's text and JSON.
std::pair<std::string, std::string> ExpectAgreement(const TempDir& dir,
                                                    const std::vector<std::string>& names,
                                                    bool tree = false) {
  std::vector<std::string> args = {"out.s"};
  args.insert(args.end(), names.begin(), names.end());
  const ChildResult t = RunTrimorph(args, dir.path(), TIME_LIMIT);
  std::vector<std::string> inspectArgs = names;
  if (tree) inspectArgs.insert(inspectArgs.begin(), "--tree");
  const ChildResult text = RunInspect(inspectArgs, dir.path());
  inspectArgs.insert(inspectArgs.begin(), "--json");
  const ChildResult json = RunInspect(inspectArgs, dir.path());
  EXPECT_TRUE(t.exited && text.exited && json.exited) << "a program crashed or hung";
  EXPECT_TRUE(t.status == 0 || t.status == 251) << t.status;
  const int expected = t.status == 0 ? 0 : 1;
  EXPECT_EQ(text.status, expected) << text.out;
  EXPECT_EQ(json.status, expected);
  EXPECT_TRUE(JsonCheck(json.out).Valid()) << json.out;
  if (t.status != 0) {
    for (const std::string& line : Lines(t.out)) {
      if (line.empty() || line.compare(0, 14, "While writing ") == 0) continue;
      EXPECT_TRUE(HasLine(text.out, Shown(line))) << "missing trimorph's line: " << line << "\n"
                                                  << text.out;
      if (IsPlainText(line)) {
        EXPECT_NE(json.out.find("\"" + line + "\""), std::string::npos) << line;
      }
    }
  }
  return {text.out, json.out};
}

TEST(TrimorphInspect, AgreesWithTrimorphOnEveryLevelSet) {
  for (const SetCase& c : SetCases()) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::vector<std::string> names;
    for (const LevelFile& f : c.levels()) {
      if (f.present) WriteFileBytes(dir.File(f.name), f.bytes);
      names.push_back(f.name);
    }
    // The set is what it is built to be: the table stays honest.
    std::vector<std::string> args = {"out.s"};
    args.insert(args.end(), names.begin(), names.end());
    EXPECT_EQ(RunTrimorph(args, dir.path(), TIME_LIMIT).status, c.trimorphStatus);

    const auto [text, json] = ExpectAgreement(dir, names);
    for (const std::string& code : c.codes) {
      EXPECT_NE(json.find("\"code\": \"" + code + "\""), std::string::npos) << code << "\n" << json;
    }
    for (const std::string& t : c.texts) EXPECT_NE(text.find(t), std::string::npos) << t << text;
  }
}

// Every file of the fuzz corpus and of the shared real-world corpus (when it is there), copied
// under a level name, and the sample cut at many places: the two programs agree, the JSON is
// valid, with --tree too.
TEST(TrimorphInspect, AgreesAndWritesValidJsonOnDamagedAndForeignFiles) {
  std::vector<std::string> sources;
  for (const std::string& dirName : {std::string(TRIMORPH_SOURCE_DIR "/tests/fuzz/corpus/convert"),
                                     std::string(TRIMORPH_REAL_WORLD_DIR)}) {
    for (const std::string& name : ListDir(dirName)) {
      if (name.find(".md") == std::string::npos) sources.push_back(dirName + "/" + name);
    }
  }
  std::vector<std::pair<std::string, std::string>> levels;
  for (const std::string& path : sources) levels.push_back({path, ReadFileBytes(path)});
  const std::string sample = Sample("tram50.3ds");
  for (size_t cut = 0; cut < sample.size(); cut += 211) {
    levels.push_back({"tram50 cut at " + std::to_string(cut), sample.substr(0, cut)});
  }
  // Names that are no text: control characters, quotes, bytes of an 8-bit code page.
  Model odd;
  odd.AddMaterial("Solid\"\\\x01\xE9").Texture("t\xFF.bmp");
  Triangle(odd, "\xC4X\x7F", "Solid\"\\\x01\xE9");
  levels.push_back({"odd names", odd.Bytes()});

  for (const auto& [what, bytes] : levels) {
    SCOPED_TRACE(what);
    TempDir dir;
    WriteFileBytes(dir.File("x50.3ds"), bytes);
    ExpectAgreement(dir, {"x50.3ds"}, true);
  }
}

TEST(TrimorphInspect, TreeNamesWhereReadingACutFileStopped) {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m, "TRI", "SolidNorm");
  const std::string bytes = m.Bytes();
  const size_t vertices = m.OffsetOf(0x4110);
  ASSERT_NE(vertices, std::string::npos);
  const uint32_t length =
      uint32_t(uint8_t(bytes[vertices + 2])) | uint32_t(uint8_t(bytes[vertices + 3])) << 8 |
      uint32_t(uint8_t(bytes[vertices + 4])) << 16 | uint32_t(uint8_t(bytes[vertices + 5])) << 24;
  struct CutCase {
    const char* what;
    size_t cut;
    size_t stop;  // where the reader stops
    std::string says;
  };
  const std::vector<CutCase> cases = {
      // The vertex list is skipped whole; the header after it lies past the end.
      {"inside the vertex list", vertices + 10, vertices + length,
       "the file ends inside chunk 0x4110 MESH_VERTICES at offset " + std::to_string(vertices)},
      // Its own header cannot be read.
      {"inside the vertex list's header", vertices + 3, vertices,
       "no chunk header could be read there"},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFileBytes(dir.File("tri50.3ds"), bytes.substr(0, c.cut));
    const auto [text, json] = ExpectAgreement(dir, {"tri50.3ds"}, true);
    const std::string stopped = "reading stopped at offset " + std::to_string(c.stop);
    const size_t at = text.find(stopped);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_FALSE(isdigit((unsigned char)text[at + stopped.size()])) << text;
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    EXPECT_NE(json.find("\"stop_offset\": " + std::to_string(c.stop) + ","), std::string::npos);
    // The chunks read before the cut are listed, the root first.
    EXPECT_NE(text.find("       0 "), std::string::npos);
    EXPECT_NE(text.find("0x4D4D MESH_FILE  (ends past the end of the file)"), std::string::npos);
    EXPECT_NE(text.find("ERR_READING_FILE"), std::string::npos);
  }
}

// A level file that is a named pipe can be read once only: the inspection must not read a file
// twice. The pipe holds the level and stays open for writing, so a second read would wait.
// (Named pipes in the file system are a POSIX matter: built on POSIX systems only.)
#ifndef _WIN32
TEST(TrimorphInspect, ALevelThatIsAPipeIsReadOnce) {
  TempDir dir;
  const std::string pipe = dir.File("tram1000.3ds");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
  const int fd = open(pipe.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  const std::string level = Sample("tram1000.3ds");
  ASSERT_EQ(write(fd, level.data(), level.size()), ssize_t(level.size()));
  const ChildResult r = RunInspect({"tram1000.3ds"}, dir.path());
  close(fd);
  EXPECT_FALSE(r.timedout);
  EXPECT_EQ(r.status, 0) << r.out;
}
#endif

TEST(TrimorphInspect, CommandLine) {
  TempDir dir;
  EXPECT_EQ(RunInspect({}, dir.path()).status, 2);
  EXPECT_EQ(RunInspect({"--frobnicate", "a50.3ds"}, dir.path()).status, 2);
  const ChildResult version = RunInspect({"--version"}, dir.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "trimorph-inspect " TRIMORPH_VERSION "\n");
  const ChildResult help = RunInspect({"--help"}, dir.path());
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: trimorph-inspect"), std::string::npos);
}

}  // namespace
