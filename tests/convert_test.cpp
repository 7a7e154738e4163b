// End-to-end conversions with the built program: failure reports of the driver, the reader and
// the import, and sound output for good models.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ShapeFile.h"
#include "ShapeFileCheck.h"
#include "Subprocess.h"

namespace {

using build3ds::Model;

const float NaN = std::numeric_limits<float>::quiet_NaN();

// A good one-mesh level: a textured triangle TRI in smoothing group 1 with material SolidNorm.
build3ds::MeshObj& Triangle(Model& m, const std::string& name = "TRI",
                            const std::string& material = "SolidNorm") {
  return m.AddMesh(name)
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group(material, {0});
}

Model OneTriangle() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m);
  return m;
}

std::string ReadingContext(int level, const std::string& path) {
  return "While reading level of detail " + std::to_string(level) + " from '" + path + "'\n";
}

struct FailureCase {
  const char* what;
  std::function<Model()> model;
  std::string message;  // the report's lines after the context line
};

class Conversion : public ::testing::Test {
 protected:
  // Writes the models as level files lod100.3ds, lod200.3ds, ... and converts them.
  ChildResult Run(const std::vector<Model>& levels) {
    std::vector<std::string> args = {Out()};
    int dist = 100;
    for (const Model& m : levels) {
      std::string path = dir_.File("lod" + std::to_string(dist) + ".3ds");
      m.Write(path);
      args.push_back(path);
      dist += 100;
    }
    ChildResult r = RunTrimorph(args);
    if (r.status == 0) {
      EXPECT_TRUE(ShapeFileIsSound(Out()));
    }
    return r;
  }
  std::string Out() const { return dir_.File("out.s"); }
  std::string Level(int dist) const { return dir_.File("lod" + std::to_string(dist) + ".3ds"); }
  void ExpectFailure(const ChildResult& r, const std::string& report) {
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 251);
    EXPECT_EQ(r.out, report);
    EXPECT_FALSE(FileExists(Out())) << "a failed conversion must not leave an output file";
  }

  TempDir dir_;
};

TEST_F(Conversion, ImportFailures) {
  const std::vector<FailureCase> cases = {
      {"segment not covering the animation",
       [] {
         Model m = OneTriangle();
         m.Keyframer().Length(30).Segment(10, 30).Node("TRI").Id(0);
         return m;
       },
       "Animation segment beginning/end do not match track limits.\n"},
      {"two meshes without nodes",
       [] {
         Model m = OneTriangle();
         Triangle(m, "TWO");
         return m;
       },
       "No nodes, so mesh count must be 1.\n"},
      {"fewer nodes than meshes",
       [] {
         Model m = OneTriangle();
         Triangle(m, "TWO");
         m.Keyframer().Node("TRI").Id(0);
         return m;
       },
       "Dummy nodes are not supported, number of nodes must match number of meshes.\n"},
      {"untextured mesh",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         return m;
       },
       "Untextured nodes/shapes are not supported.\n"},
      {"instance",
       [] {
         Model m = OneTriangle();
         m.Keyframer().Node("TRI").Id(0).Instance("2");
         return m;
       },
       "Instance found in mesh file, instances are not supported.\n"},
      {"node named unlike its mesh",
       [] {
         Model m = OneTriangle();
         m.Keyframer().Node("tri").Id(0);
         return m;
       },
       "Non-matching mesh and animation node found.\n"},
      {"scaled frame without a node",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         Triangle(m).Frame({2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0});
         return m;
       },
       "Node has a scale or reflection in it, these are not supported.\n"},
      {"reflected frame with a node",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         Triangle(m).Frame({-1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
         m.Keyframer().Node("TRI").Id(0);
         return m;
       },
       "Node 'TRI' has a scale or reflection in it, these are not supported.\n"},
      {"two roots",
       [] {
         Model m = OneTriangle();
         Triangle(m, "TWO");
         m.Keyframer().Node("TRI").Id(0);
         m.Keyframer().Node("TWO").Id(1);
         return m;
       },
       "Animation hierarchy contains multiple root nodes\n"},
      {"material name without a type word",
       [] {
         Model m;
         m.AddMaterial("2SolidNorm").Texture("tri.bmp");
         Triangle(m, "TRI", "2SolidNorm");
         return m;
       },
       "Material name '2SolidNorm' not in recognised format.\n"},
      {"unknown material type",
       [] {
         Model m;
         m.AddMaterial("Shiny0").Texture("tri.bmp");
         Triangle(m, "TRI", "Shiny0");
         return m;
       },
       "Material 'Shiny0' is not of known type.\n"},
      {"material without a texture",
       [] {
         Model m;
         m.AddMaterial("SolidNorm");
         Triangle(m);
         return m;
       },
       "No texture name found in material 'SolidNorm'.\n"},
      {"gloss without a reflection map",
       [] {
         Model m;
         m.AddMaterial("Gloss").Texture("paint.bmp");
         Triangle(m, "TRI", "Gloss");
         return m;
       },
       "No reflection map texture name found in material 'Gloss' texture 2.\n"},
      {"isolated vertex",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}})
             .TexVerts({{0, 0}, {1, 0}, {0, 1}, {1, 1}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         return m;
       },
       "The mesh contains one or more isolated vertices, that is, vertices that are not\n"
       "used in any triangle, these must be removed before the mesh can be converted\n\n"},
      {"material the file does not define",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         Triangle(m, "TRI", "SolidNorm1");
         return m;
       },
       "Material 'SolidNorm1' not found in 3ds file.\n"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    ChildResult r = Run({c.model()});
    ExpectFailure(r, ReadingContext(1, Level(100)) + c.message);
  }
}

TEST_F(Conversion, ScaledFrameNamesTheNode) {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  Triangle(m).Frame({2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0});
  m.Keyframer().Node("TRI").Id(0);
  ExpectFailure(Run({m}),
                ReadingContext(1, Level(100)) +
                    "Node 'TRI' has a scale or reflection in it, these are not supported.\n");
}

TEST_F(Conversion, GeometryThatWouldBeReadOutOfBounds) {
  struct Case {
    const char* what;
    std::function<Model()> model;
  };
  const std::vector<Case> cases = {
      {"face corner past the vertices",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .TexVerts({{0, 0}, {1, 0}, {0, 1}})
             .Faces({{0, 1, 3}})
             .Group("SolidNorm", {0});
         return m;
       }},
      {"group face past the faces",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         Triangle(m).Group("SolidNorm", {1});
         return m;
       }},
      {"fewer texture vertices than vertices",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .TexVerts({{0, 0}, {1, 0}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         return m;
       }},
      {"smoothing list shorter than the faces",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}})
             .TexVerts({{0, 0}, {1, 0}, {0, 1}, {1, 1}})
             .Faces({{0, 1, 2}, {1, 3, 2}})
             .Smoothing({1})
             .Group("SolidNorm", {0, 1});
         return m;
       }},
      {"vertex not a number",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, NaN, 0}, {0, 1, 0}})
             .TexVerts({{0, 0}, {1, 0}, {0, 1}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         return m;
       }},
      {"texture coordinate infinite",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         m.AddMesh("TRI")
             .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
             .TexVerts({{0, 0}, {1, std::numeric_limits<float>::infinity()}, {0, 1}})
             .Faces({{0, 1, 2}})
             .Group("SolidNorm", {0});
         return m;
       }},
      {"frame origin not a number",
       [] {
         Model m;
         m.AddMaterial("SolidNorm").Texture("tri.bmp");
         Triangle(m).Origin(NaN, 0, 0);
         return m;
       }},
      {"pivot not a number",
       [] {
         Model m = OneTriangle();
         m.Keyframer().Node("TRI").Id(0).Pivot(0, NaN, 0);
         return m;
       }},
      {"position key not a number",
       [] {
         Model m = OneTriangle();
         m.Keyframer().Node("TRI").Id(0).Pos(0, {0, 0, 0}).Pos(10, {NaN, 0, 0});
         return m;
       }},
      {"rotation angle infinite",
       [] {
         Model m = OneTriangle();
         m.Keyframer()
             .Node("TRI")
             .Id(0)
             .Rot(0, 0, {0, 0, 1})
             .Rot(10, std::numeric_limits<float>::infinity(), {0, 0, 1});
         return m;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectFailure(Run({c.model()}),
                  ReadingContext(1, Level(100)) + "Mesh 'TRI' has invalid geometry data.\n");
  }
}

TEST_F(Conversion, ConflictingHierarchiesBetweenLevels) {
  // Level 1 has A -> B -> C, level 2 puts C straight under A.
  auto level = [](bool direct) {
    Model m;
    m.AddMaterial("SolidNorm").Texture("tri.bmp");
    Triangle(m, "A");
    if (!direct) Triangle(m, "B");
    Triangle(m, "C");
    build3ds::KfData& kf = m.Keyframer();
    kf.Node("A").Id(0);
    if (!direct) kf.Node("B").Id(1).Parent(0);
    kf.Node("C").Id(2).Parent(direct ? 0 : 1);
    return m;
  };
  ExpectFailure(Run({level(false), level(true)}),
                ReadingContext(2, Level(200)) +
                    "Conflicting hierarchy found, possible incompatibility between distance "
                    "levels.\n");
}

TEST_F(Conversion, NodeThatIsItsOwnParent) {
  Model m = OneTriangle();
  m.Keyframer().Node("TRI").Id(0).Parent(0);
  ExpectFailure(Run({m}), ReadingContext(1, Level(100)) +
                              "Conflicting hierarchy found, possible incompatibility between "
                              "distance levels.\n");
}

TEST_F(Conversion, ToolkitErrorDuringTheLastImportIsReported) {
  // An unknown material chunk stops the material fetch with a toolkit error; the texture name
  // was read before it, so the import itself goes through.
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp").Child(build3ds::Chunk(0xA082));
  Triangle(m);
  ExpectFailure(Run({m}), ReadingContext(1, Level(100)) +
                              "Unexpected error occurred\n"
                              "ERR_INVALID_CHUNK: An invalid chunk structure was encountered "
                              "while reading the database. Usually caused by a corrupt database "
                              "or file\n");
}

TEST_F(Conversion, FetchAfterAToolkitErrorReportsTheToolkitList) {
  // The first mesh's material fetch stops at an unknown chunk after the texture name; the second
  // mesh's fetch then fills nothing, and the report is the toolkit's, not "untextured".
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp").Child(build3ds::Chunk(0xA082));
  Triangle(m, "A");
  Triangle(m, "B");
  m.Keyframer().Node("A").Id(0);
  m.Keyframer().Node("B").Id(1).Parent(0);
  ExpectFailure(Run({m}), ReadingContext(1, Level(100)) +
                              "Unexpected error occurred\n"
                              "ERR_INVALID_CHUNK: An invalid chunk structure was encountered "
                              "while reading the database. Usually caused by a corrupt database "
                              "or file\n");
}

// An output name that would destroy a level file, or that is an option typed by mistake, stops
// the run before anything is read or written.
TEST_F(Conversion, OutputNameGuards) {
  OneTriangle().Write(Level(100));
  OneTriangle().Write(Level(200));
  OneTriangle().Write(dir_.File("tree300.lod"));
  ASSERT_TRUE(MakeHardLink(dir_.File("tree300.lod"), dir_.File("linked.s")));
  const std::string levelBytes = ReadFileBytes(Level(100));
  const std::string lodBytes = ReadFileBytes(dir_.File("tree300.lod"));
  struct Case {
    std::vector<std::string> args;
    std::string out;  // the output name as given
    std::string message;
  };
  const std::vector<Case> cases = {
      {{Level(100), Level(200)}, Level(100), "Output file '%s' would replace a 3ds file."},
      {{dir_.File("SHAPE.3DS"), Level(100)},
       dir_.File("SHAPE.3DS"),
       "Output file '%s' would replace a 3ds file."},
      {{dir_.File("linked.s"), dir_.File("tree300.lod")},
       dir_.File("linked.s"),
       "Output file '%s' would replace a 3ds file."},
      {{dir_.File("sub/../tree300.lod"), dir_.File("tree300.lod")},
       dir_.File("sub/../tree300.lod"),
       "Output file '%s' would replace a 3ds file."},
      {{"-o", Level(100)}, "-o", "Output file name '%s' looks like an option."},
      // Only -j followed by digits, not 0, is the option, and only before the output name.
      {{"-j0", Level(100)}, "-j0", "Output file name '%s' looks like an option."},
      {{"-j", Level(100)}, "-j", "Output file name '%s' looks like an option."},
      {{"-j2x", Level(100)}, "-j2x", "Output file name '%s' looks like an option."},
      {{"-j2", "-j2", Level(100)}, "-j2", "Output file name '%s' looks like an option."},
  };
  ASSERT_TRUE(MakeDirectory(dir_.File("sub")));
  for (const Case& c : cases) {
    ChildResult r = RunTrimorph(c.args);
    std::string message = c.message;
    message.replace(message.find("%s"), 2, c.out);
    EXPECT_EQ(r.status, 251) << c.out;
    EXPECT_EQ(r.out, "While writing combined shape file '" + c.out + "'\n" + message + "\n");
  }
  EXPECT_EQ(ReadFileBytes(Level(100)), levelBytes);
  EXPECT_EQ(ReadFileBytes(dir_.File("tree300.lod")), lodBytes);
  EXPECT_EQ(ListDir(dir_.path()), (std::vector<std::string>{"linked.s", "lod100.3ds", "lod200.3ds",
                                                            "sub", "tree300.lod"}));
}

TEST_F(Conversion, ShapeWithoutTrianglesIsRefused) {
  // The face is listed by no material group, so it gives no triangle.
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1});
  ExpectFailure(Run({m, m}), "While writing combined shape file '" + Out() +
                                 "'\nThe shape has no triangles: no face of any level has a "
                                 "material.\n");
}

// Failures of the operating system carry its reason on standard error; standard output keeps
// the report as it is.
TEST_F(Conversion, SystemErrorsGiveTheirReasonOnStandardError) {
  OneTriangle().Write(Level(100));
  struct Case {
    std::vector<std::string> args;
    std::string report;
    std::string reason;
  };
  const std::string badOut = dir_.File("no/such/dir/out.s");
  const std::vector<Case> cases = {
      {{badOut, Level(100)},
       "While writing combined shape file '" + badOut + "'\nFailed to open output file.\n",
       "trimorph: " + badOut + ": " + strerror(ENOENT) + "\n"},
      {{Out(), dir_.File("missing100.3ds")},
       ReadingContext(1, dir_.File("missing100.3ds")) +
           "Unexpected error occurred\nERR_OPENING_FILE: Could not open requested file\n",
       "trimorph: " + dir_.File("missing100.3ds") + ": " + strerror(ENOENT) + "\n"},
  };
  for (const Case& c : cases) {
    const std::string errFile = dir_.File("stderr.txt");
    ChildResult r = RunProgram(TRIMORPH_BINARY, c.args, "", 60, errFile);
    EXPECT_EQ(r.status, 251);
    EXPECT_EQ(r.out, c.report);
    EXPECT_EQ(ReadTextOutput(errFile), c.reason);
  }
}

TEST_F(Conversion, SecondLevelWithoutDistance) {
  OneTriangle().Write(dir_.File("tree100.3ds"));
  OneTriangle().Write(dir_.File("tree.3ds"));
  ChildResult r = RunTrimorph({Out(), dir_.File("tree100.3ds"), dir_.File("tree.3ds")});
  ExpectFailure(r, ReadingContext(2, dir_.File("tree.3ds")) +
                       "Max. visible distance not found in file name\n");
}

TEST_F(Conversion, MissingLevelFile) {
  ChildResult r = RunTrimorph({"out.s", "missing100.3ds"}, dir_.path());
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While reading level of detail 1 from 'missing100.3ds'\n"
            "Unexpected error occurred\n"
            "ERR_OPENING_FILE: Could not open requested file\n");
  EXPECT_TRUE(ListDir(dir_.path()).empty());
}

TEST_F(Conversion, FileEndingInsideAChunkHeader) {
  // The file ends in the header of its last chunk, the smoothing list, five chunk levels deep.
  Model m = OneTriangle();
  std::string bytes = m.Bytes();
  bytes.resize(m.OffsetOf(0x4150) + 3);
  WriteFileBytes(Level(100), bytes);
  const std::string reading = "ERR_READING_DATABASE: Error occured while reading database\n";
  ExpectFailure(RunTrimorph({Out(), Level(100)}),
                ReadingContext(1, Level(100)) + "Unexpected error occurred\n" +
                    "ERR_CREATING_DATABASE: Error occured while creating database\n" + reading +
                    reading + reading + reading + reading +
                    "ERR_READING_FILE: Error occured while reading file\n");
}

TEST_F(Conversion, FileEndingInsideAPayload) {
  // The tree reads, but decoding the last payload runs out of bytes.
  std::string bytes = OneTriangle().Bytes();
  bytes.resize(bytes.size() - 3);
  WriteFileBytes(Level(100), bytes);
  ExpectFailure(RunTrimorph({Out(), Level(100)}),
                ReadingContext(1, Level(100)) + "Unexpected error occurred\n" +
                    "ERR_READING_FILE: Error occured while reading file\n");
}

TEST_F(Conversion, MaterialLibraryIsNoMesh) {
  Model lib;
  lib.MaterialLibrary();
  lib.AddMaterial("SolidNorm").Texture("tri.bmp");
  ExpectFailure(Run({lib}), ReadingContext(1, Level(100)) + "3ds file does not contain a mesh.\n");
}

TEST_F(Conversion, ChunkOfLengthZeroEndsWithAReport) {
  std::string bytes = OneTriangle().Bytes();
  size_t at = OneTriangle().OffsetOf(0x4110);
  build3ds::PutDword(bytes, at + 2, 0);
  WriteFileBytes(Level(100), bytes);
  ChildResult r = RunTrimorph({Out(), Level(100)});
  EXPECT_FALSE(r.timedout);
  EXPECT_EQ(r.status, 251);
  EXPECT_NE(r.out.find("ERR_INVALID_CHUNK"), std::string::npos) << r.out;
}

TEST_F(Conversion, OutputThatCannotBeCreated) {
  OneTriangle().Write(Level(100));
  ChildResult r = RunTrimorph({dir_.File("no/such/dir/out.s"), Level(100)});
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out, "While writing combined shape file '" + dir_.File("no/such/dir/out.s") +
                       "'\nFailed to open output file.\n");
}

// Finite coordinates near the largest float overflow in what the conversion computes from
// them; the shape file would carry "inf" or "nan".
TEST_F(Conversion, CoordinatesThatOverflow) {
  const struct {
    const char* what;
    std::vector<build3ds::Vec3> corners;
  } cases[] = {
      {"the face normal", {{0, 0, 0}, {3e38f, 0, 0}, {0, 3e38f, 0}}},
      {"the bounding sphere", {{3e38f, 0, 0}, {3e38f, 1, 0}, {3e38f, 0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Model m;
    m.AddMaterial("SolidNorm").Texture("tri.bmp");
    m.AddMesh("TRI")
        .Vertices(c.corners)
        .TexVerts({{0, 0}, {1, 0}, {0, 1}})
        .Faces({{0, 1, 2}})
        .Smoothing({1})
        .Group("SolidNorm", {0});
    ExpectFailure(Run({m}), "While writing combined shape file '" + Out() +
                                "'\nThe model's coordinates are too large: the shape would hold "
                                "numbers that are not finite.\n");
  }
}

TEST_F(Conversion, SameDistanceTwiceFeedsOneDistanceLevel) {
  Model a = OneTriangle();
  Model b;
  b.AddMaterial("SolidNorm1s").Texture("other.bmp");
  Triangle(b, "TRI", "SolidNorm1s");
  a.Write(dir_.File("x100.3ds"));
  b.Write(dir_.File("y100.3ds"));
  ChildResult r = RunTrimorph({Out(), dir_.File("x100.3ds"), dir_.File("y100.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  std::string text = ReadFileBytes(Out());
  EXPECT_TRUE(ShapeTextIsSound(text));
  shapefile::Summary s = shapefile::Summarize(text);
  EXPECT_EQ(s.distanceLevels, 1);
  EXPECT_EQ(s.subObjects, 2);
  EXPECT_EQ(s.triangles, 2);
}

TEST_F(Conversion, ExistingOutputIsReplaced) {
  WriteFileBytes(Out(), std::string(100000, 'x'));
  ChildResult r = Run({OneTriangle()});
  ASSERT_EQ(r.status, 0) << r.out;
  std::string text = ReadFileBytes(Out());
  EXPECT_EQ(text.substr(0, 30), "VELTAA@@@@@@@@@@JINX0s1t______");
  EXPECT_EQ(text.substr(text.size() - 3), ")\r\n");
}

TEST_F(Conversion, ThreeTrianglesOfOneStateAndTheTextureFlip) {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 0, 0}})
      .TexVerts({{0, 0.25f}, {1, 0.25f}, {0, 1}, {1, 1}, {0.5f, 0.5f}})
      .Faces({{0, 1, 2}, {1, 3, 2}, {1, 4, 3}})
      .Smoothing({1, 1, 1})
      .Group("SolidNorm", {0, 1, 2});
  ChildResult r = Run({m});
  ASSERT_EQ(r.status, 0) << r.out;
  std::string text = ReadFileBytes(Out());
  for (const char* piece : {"\tprimitives ( 2\r\n", "\tvertex_idxs ( 9 ", "\tnormal_idxs ( 3 ",
                            "\tflags ( 3 00000000 00000000 00000000 )\r\n",
                            "\tuv_point ( 1 0.75 )\r\n", "\tuv_point ( 0.5 0.5 )\r\n"}) {
    EXPECT_NE(text.find(piece), std::string::npos) << piece;
  }
}

// The shape file, the report and the exit status do not depend on the number of threads that
// import the levels and make the text: a level whose points, texture coordinates, normals,
// vertices and triangle list are long enough to be written in several pieces, in three material
// groups (two long enough for the import to share out among threads, in many runs of faces and
// one part run, and one short) with smoothing groups that give vertices several normals; a
// level of separate tiles; and a run that fails in the writing phase.
TEST_F(Conversion, SameResultWhateverTheThreads) {
  const int n = 120;  // quads per side: 14,641 vertices, 28,800 faces
  std::vector<build3ds::Vec3> vertices;
  std::vector<build3ds::UV> uvs;
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) {
      vertices.push_back({x * 1.1f, y * 1.1f, float(std::sin(x * 0.3) * std::cos(y * 0.2))});
      uvs.push_back({x / float(n), y / float(n)});
    }
  }
  std::vector<build3ds::Tri> faces;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const uint16_t a = uint16_t(y * (n + 1) + x), b = uint16_t(a + 1);
      const uint16_t c = uint16_t(a + n + 1), d = uint16_t(c + 1);
      faces.push_back({a, b, d});
      faces.push_back({a, d, c});
    }
  }
  // Faces by material: 20,000 of one (then the rest of the same sub-object, and 300 of another).
  std::vector<uint16_t> groups[3];
  std::vector<uint32_t> smoothing;
  for (size_t i = 0; i < faces.size(); ++i) {
    groups[i < 20000 ? 0 : i + 300 < faces.size() ? 1 : 2].push_back(uint16_t(i));
    smoothing.push_back((i / 16) % 3 == 0 ? 2u : 1u);
  }
  Model m;
  m.AddMaterial("SolidNorm0_a").Texture("ground.bmp");
  m.AddMaterial("SolidNorm0_b").Texture("rock.bmp");
  m.AddMaterial("SolidNorm1").Texture("grass.bmp");
  m.AddMesh("GROUND")
      .Vertices(vertices)
      .TexVerts(uvs)
      .Faces(faces)
      .Smoothing(smoothing)
      .Group("SolidNorm0_a", groups[0])
      .Group("SolidNorm0_b", groups[1])
      .Group("SolidNorm1", groups[2]);
  m.Write(Level(100));

  // The far level: a floor of 60 x 60 separate tiles, whose mesh has more vertices than faces
  // (the import shares its work out differently then).
  std::vector<build3ds::Vec3> tileVertices;
  std::vector<build3ds::UV> tileUVs;
  std::vector<build3ds::Tri> tileFaces;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      const uint16_t a = uint16_t(tileVertices.size());
      for (int corner = 0; corner < 4; ++corner) {
        tileVertices.push_back({(x + corner % 2) * 2.2f, (y + corner / 2) * 2.2f, 0.0f});
        tileUVs.push_back({float(corner % 2), float(corner / 2)});
      }
      tileFaces.push_back({a, uint16_t(a + 1), uint16_t(a + 3)});
      tileFaces.push_back({a, uint16_t(a + 3), uint16_t(a + 2)});
    }
  }
  std::vector<uint16_t> allTiles(tileFaces.size());
  for (size_t i = 0; i < allTiles.size(); ++i) allTiles[i] = uint16_t(i);
  Model far;
  far.AddMaterial("SolidNorm0_a").Texture("ground.bmp");
  far.AddMesh("GROUND")
      .Vertices(tileVertices)
      .TexVerts(tileUVs)
      .Faces(tileFaces)
      .Smoothing(std::vector<uint32_t>(tileFaces.size(), 1))
      .Group("SolidNorm0_a", allTiles);
  far.Write(Level(500));

  // A level of two such floors whose second has a face with a vertex it lacks: the import fails
  // on it while the helper may still be on the first.
  Model broken;
  broken.AddMaterial("SolidNorm0_a").Texture("ground.bmp");
  for (const char* name : {"A", "B"}) {
    std::vector<build3ds::Tri> faces = tileFaces;
    if (name[0] == 'B') faces[1000].b = uint16_t(tileVertices.size());
    broken.AddMesh(name)
        .Vertices(tileVertices)
        .TexVerts(tileUVs)
        .Faces(faces)
        .Smoothing(std::vector<uint32_t>(tileFaces.size(), 1))
        .Group("SolidNorm0_a", allTiles);
  }
  broken.Keyframer().Node("A").Id(0);
  broken.Keyframer().Node("B").Id(1).Parent(0);
  broken.Write(Level(700));

  const std::string badOut = dir_.File("no/such/dir/out.s");
  for (const std::vector<std::string>& run :
       {std::vector<std::string>{Out(), Level(100), Level(500)},
        std::vector<std::string>{badOut, Level(100), Level(500)},
        std::vector<std::string>{Out(), Level(700)}}) {
    const std::string& out = run[0];
    std::vector<std::string> oneThread = run;
    oneThread.insert(oneThread.begin(), "-j1");
    if (FileExists(out)) {
      ASSERT_EQ(unlink(out.c_str()), 0);
    }
    ChildResult one = RunTrimorph(oneThread);
    const std::string oneShape = FileExists(out) ? ReadFileBytes(out) : "";
    if (run[1] == Level(700)) {
      ASSERT_EQ(one.out, ReadingContext(1, Level(700)) + "Mesh 'B' has invalid geometry data.\n");
    } else if (out == Out()) {
      ASSERT_EQ(one.status, 0) << one.out;
      ASSERT_GT(oneShape.size(), size_t(2000000));
    } else {
      ASSERT_EQ(one.status, 251);
    }
    std::vector<std::string> two = run, five = run;
    two.insert(two.begin(), "-j2");
    five.insert(five.begin(), "-j5");
    for (const std::vector<std::string>& args : {run, two, five}) {
      if (FileExists(out)) {
        ASSERT_EQ(unlink(out.c_str()), 0);
      }
      ChildResult r = RunTrimorph(args);
      EXPECT_EQ(r.status, one.status) << args[0];
      EXPECT_EQ(r.out, one.out) << args[0];
      EXPECT_TRUE((FileExists(out) ? ReadFileBytes(out) : "") == oneShape) << args[0];
    }
  }
}

TEST(Demo, SampleConvertsIntoASoundShapeFile) {
  TempDir dir;
  const std::string samples = std::string(TRIMORPH_SOURCE_DIR) + "/samples/";
  ChildResult r = RunTrimorph({dir.File("tram.s"), samples + "tram50.3ds", samples + "tram200.3ds",
                               samples + "tram1000.3ds"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  std::string text = ReadFileBytes(dir.File("tram.s"));
  EXPECT_TRUE(ShapeTextIsSound(text));
  shapefile::Summary s = shapefile::Summarize(text);
  EXPECT_EQ(s.distanceLevels, 3);
  EXPECT_EQ(s.nodes, 5);
  // Every line ends in CRLF.
  for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    ASSERT_GT(i, 0u);
    ASSERT_EQ(text[i - 1], '\r') << "at byte " << i;
  }
  EXPECT_NE(text.find("matrix PANTOGRAPHBOTTOM1 ("), std::string::npos);
  EXPECT_NE(text.find("anim_node WIPERARMLEFT1 ("), std::string::npos);
  EXPECT_NE(text.find("named_shader ( GlossMap )"), std::string::npos);
}

}  // namespace
