// The shape file checker: a sound conversion broken by hand in one place must be reported on
// the line that was broken; what other writers may write must pass; a file written before the
// geometry counts were mended must fail on them; and the program's report and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ShapeFile.h"
#include "ShapeFileCheck.h"
#include "Subprocess.h"
#include "TrimorphVersion.h"

namespace {

// The demo's shape file, converted afresh.
std::string DemoText(const TempDir& dir) {
  const std::string samples = std::string(TRIMORPH_SOURCE_DIR) + "/samples/";
  ChildResult r = RunTrimorph({dir.File("tram.s"), samples + "tram50.3ds", samples + "tram200.3ds",
                               samples + "tram1000.3ds"});
  EXPECT_EQ(r.status, 0) << r.out;
  return ReadFileBytes(dir.File("tram.s"));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t eol = text.find('\n', at);
    if (eol == std::string::npos) eol = text.size() - 1;
    lines.push_back(text.substr(at, eol + 1 - at));
    at = eol + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l;
  return text;
}

// The words of a line and the text between them, to change one word.
std::string SetWord(const std::string& line, size_t index,
                    const std::function<std::string(const std::string&)>& edit) {
  std::string out;
  size_t i = 0, word = 0;
  while (i < line.size()) {
    if (strchr(" \t\r\n", line[i])) {
      out += line[i++];
      continue;
    }
    size_t end = line.find_first_of(" \t\r\n", i);
    std::string w = line.substr(i, end - i);
    out += word++ == index ? edit(w) : w;
    i = end;
  }
  return out;
}

std::string Plus1(const std::string& w) {
  return std::to_string(std::stol(w) + 1);
}

struct Fault {
  const char* what;
  const char* line;  // the first line holding this text is broken
  std::function<std::string(const std::string&)> edit;
};

std::function<std::string(const std::string&)> Word(
    size_t index, std::function<std::string(const std::string&)> edit) {
  return [=](const std::string& line) { return SetWord(line, index, edit); };
}

std::function<std::string(const std::string&)> Set(size_t index, const char* value) {
  return Word(index, [value](const std::string&) { return std::string(value); });
}

std::function<std::string(const std::string&)> Replace(std::string from, std::string to) {
  return [=](std::string line) {
    size_t at = line.find(from);
    if (at != std::string::npos) line.replace(at, from.size(), to);
    return line;
  };
}

TEST(ShapeFileCheck, EachFaultOnItsLine) {
  TempDir dir;
  const std::string good = DemoText(dir);
  ASSERT_TRUE(ShapeTextIsSound(good));
  const std::vector<std::string> lines = SplitLines(good);
  // Words are counted from 0 on the line: "points", "(", "40" are words 0, 1 and 2.
  const Fault faults[] = {
      {"a pool's count", "\tpoints (", Word(2, Plus1)},
      {"the matrix count", "\tmatrices (", Word(2, Plus1)},
      {"a count of values", "vertex_idxs (", Word(2, Plus1)},
      {"a count of pairs", "normal_idxs (", Word(2, Plus1)},
      {"an animation key count", "tcb_rot (", Word(2, Plus1)},
      {"a vertex's point out of range", "vertex ( ", Set(3, "100000")},
      {"a vertex's uv point out of range", "vertex_uvs (", Set(3, "100000")},
      {"a texture's image out of range", "texture (", Set(2, "100000")},
      {"a vertex state's matrix out of range", "vtx_state (", Set(3, "100000")},
      {"a prim state's vertex state out of range", "tex_idxs (", Set(6, "100000")},
      {"prim_state_idx out of range", "prim_state_idx (", Set(2, "100000")},
      {"a vertex set beyond the vertices", "vertex_set (", Set(4, "100000")},
      {"a vertex index out of range", "vertex_idxs (", Set(3, "100000")},
      {"a normal index out of range", "normal_idxs (", Set(3, "100000")},
      {"a hierarchy parent out of range", "hierarchy (", Set(4, "100000")},
      {"a hierarchy cycle", "hierarchy (", Set(4, "1")},
      {"geometry_node_map out of range", "geometry_node_map (", Set(3, "100000")},
      {"geometry_info triangles", "geometry_info (", Word(2, Plus1)},
      {"geometry_info vertex sets", "geometry_info (", Word(3, Plus1)},
      {"geometry_info vertex indices", "geometry_info (", Word(5, Plus1)},
      {"geometry_info triangle lists", "geometry_info (", Word(8, Plus1)},
      {"cullable_prims triangle lists", "cullable_prims (", Word(2, Plus1)},
      {"cullable_prims triangles", "cullable_prims (", Word(3, Plus1)},
      {"cullable_prims vertex indices", "cullable_prims (", Word(4, Plus1)},
      {"a geometry node's vertex sets", "geometry_node (", Word(2, Plus1)},
      {"a missing parenthesis", "\tcolours (", Replace(")", "")},
      {"a missing parenthesis inside primitives", "prim_state_idx (", Replace(")", "")},
      {"a parenthesis too many", "\t\tpoint (", Replace(")", ") )")},
      {"a word that is not a number", "\t\tpoint (", Set(3, "O.5")},
      {"a value missing", "vtx_state (", Set(4, "")},
      {"a damaged header", "VELTAA", Replace("1t", "1x")},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    size_t at = 0;
    while (at < lines.size() && lines[at].find(f.line) == std::string::npos) ++at;
    ASSERT_LT(at, lines.size()) << f.line;
    std::vector<std::string> broken = lines;
    broken[at] = f.edit(lines[at]);
    ASSERT_NE(broken[at], lines[at]);
    shapefile::ReadResult r = shapefile::CheckShapeText(JoinLines(broken));
    ASSERT_TRUE(r.readable) << r.error;
    bool onLine = false;
    std::string found;
    for (const shapefile::Problem& p : r.problems.Listed()) {
      onLine = onLine || p.line == shapefile::Line(at + 1);
      found += "\n  " + std::to_string(p.line) + ": " + p.what;
    }
    EXPECT_TRUE(onLine) << "nothing on line " << at + 1 << ", but:" << found;
  }
}

// The format's parts that Trimorph never writes must pass; a counted list of another writer
// is still counted.
TEST(ShapeFileCheck, WhatOtherWritersMayWrite) {
  TempDir dir;
  const std::string good = DemoText(dir);
  const struct {
    const char* what;
    const char* from;
    const char* to;
    bool sound;
    const char* from2 = nullptr;  // a second change, if any
    const char* to2 = nullptr;
  } cases[] = {
      {"colours", "\tcolours ( 0 )", "\tcolours ( 2 colour ( 1 1 1 1 ) colour ( 1 0 0 0 ) )", true},
      {"a light material in use", "\tlight_materials ( 0 )",
       "\tlight_materials ( 1 light_material ( 00000000 0 1 1 1 1 ) )", true,
       "vtx_state ( 00000000 0 -1 ", "vtx_state ( 00000000 0 0 "},
      {"a light material that is not there", "vtx_state ( 00000000 0 -1 ",
       "vtx_state ( 00000000 0 0 ", false},
      {"an unknown block", "\tcolours ( 0 )", "\tcolours ( 0 )\n\tthings ( 2 a ( 1 ) b ( c ( ) ) )",
       true},
      {"an unknown block miscounted", "\tcolours ( 0 )", "\tcolours ( 0 )\n\tthings ( 3 a ( 1 ) )",
       false},
      {"an unknown block unbalanced", "\tcolours ( 0 )", "\tcolours ( 0 )\n\tthings ( ( )", false},
      {"quoted names", "image ( METAL.ace )", "image ( \"METAL (old).ace\" )", true},
      {"a named prim state", "\t\tprim_state ( 00000000", "\t\tprim_state glass ( 00000000", true},
      {"another controller", "controllers ( 0", "controllers ( 1 tcb_pos ( 1 tcb_key ( 0 ) )",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = good;
    for (auto [from, to] : {std::make_pair(c.from, c.to), std::make_pair(c.from2, c.to2)}) {
      if (!from) continue;
      size_t at = text.find(from);
      ASSERT_NE(at, std::string::npos) << from;
      text.replace(at, strlen(from), to);
    }
    std::vector<std::string> problems = shapefile::CheckStructure(text);
    EXPECT_EQ(problems.empty(), c.sound) << (problems.empty() ? "" : problems.front());
  }
  std::string unix = good;
  unix.erase(std::remove(unix.begin(), unix.end(), '\r'), unix.end());
  EXPECT_TRUE(ShapeTextIsSound(unix)) << "lines that end without carriage returns";
}

// Reading a file in blocks of any size gives what reading it whole gives: a broken demo, and
// every file of the fuzzing corpus (which holds the inputs of every fault fuzzing found).
TEST(ShapeFileCheck, BlocksOfAnySize) {
  TempDir dir;
  std::string text = DemoText(dir);
  text.replace(text.find("\tpoints ( "), 10, "\tpoints ( 1");  // one problem at least
  text.insert(text.find("image ( ") + 8, "\"quoted name\" ");
  WriteFileBytes(dir.File("broken.s"), text);
  std::vector<std::string> paths = {dir.File("broken.s")};
  const std::string corpus = std::string(TRIMORPH_SOURCE_DIR) + "/tests/fuzz/corpus/shapecheck/";
  for (const std::string& name : ListDir(corpus)) paths.push_back(corpus + name);
  EXPECT_GE(paths.size(), 5u);
  for (const std::string& path : paths) {
    shapefile::ReadResult whole = shapefile::CheckShapeText(ReadFileBytes(path), true);
    for (size_t block : {1, 2, 7, 4096}) {
      SCOPED_TRACE(path + " in blocks of " + std::to_string(block));
      shapefile::ReadResult r = shapefile::CheckShapeFile(path, true, block);
      ASSERT_EQ(r.readable, whole.readable);
      ASSERT_EQ(r.problems.Listed().size(), whole.problems.Listed().size());
      for (size_t i = 0; i < r.problems.Listed().size(); ++i) {
        EXPECT_EQ(r.problems.Listed()[i].line, whole.problems.Listed()[i].line);
        EXPECT_EQ(r.problems.Listed()[i].what, whole.problems.Listed()[i].what);
      }
      EXPECT_EQ(r.shape.images, whole.shape.images);
      EXPECT_EQ(shapefile::Summarize(r.shape).triangles,
                shapefile::Summarize(whole.shape).triangles);
    }
  }
}

// Numbers as "%g" and longer forms write them are read exactly as strtof reads them.
TEST(ShapeFileCheck, NumbersAsStrtofReadsThem) {
  std::mt19937 random(15);
  std::vector<std::string> words = {
      "0",           "-0",          "1e-05", "0.75",         "123456789",
      "3.40282e+38", "1.17549e-38", "0.1",   "-4.84288e-08", "16777217"};
  for (int i = 0; i < 3000; ++i) {
    float magnitude = std::pow(10.0f, float(int(random() % 25) - 12));
    float v = float(int64_t(random()) - 0x7fffffffLL) / float(0x7fffffff) * magnitude;
    char buf[64];
    snprintf(buf, sizeof buf, i % 3 == 0 ? "%g" : i % 3 == 1 ? "%.7g" : "%.9g", double(v));
    words.push_back(buf);
  }
  while (words.size() % 3) words.push_back("1");
  std::string text =
      std::string(shapefile::HEADER) + "\nshape (\npoints ( " + std::to_string(words.size() / 3);
  for (size_t i = 0; i < words.size(); i += 3) {
    text += "\npoint ( " + words[i] + " " + words[i + 1] + " " + words[i + 2] + " )";
  }
  text += "\n)\nlod_controls ( 0 )\n)\n";
  shapefile::ReadResult r = shapefile::CheckShapeText(text);
  ASSERT_TRUE(r.readable) << r.error;
  ASSERT_TRUE(r.problems.Empty()) << r.problems.Listed().front().what;
  ASSERT_EQ(r.shape.points.size() * 3, words.size());
  for (size_t i = 0; i < words.size(); ++i) {
    const shapefile::Vec3& p = r.shape.points[i / 3];
    float got = i % 3 == 0 ? p.x : i % 3 == 1 ? p.y : p.z;
    float want = strtof(words[i].c_str(), nullptr);
    EXPECT_EQ(memcmp(&got, &want, sizeof got), 0) << words[i] << " read as " << got;
  }
}

// A shape file of the sample written before the writer put three vertex indices per triangle
// and the triangle list count into geometry_info and cullable_prims: every one of those lines
// is wrong, and nothing else is.
TEST(ShapeFileCheck, CountsOfTheOldWriter) {
  const std::string path = std::string(TRIMORPH_SOURCE_DIR) + "/tests/data/tram-old-counts.s";
  const std::vector<std::string> lines = SplitLines(ReadFileBytes(path));
  shapefile::ReadResult r = shapefile::CheckShapeFile(path);
  ASSERT_TRUE(r.readable) << r.error;
  std::vector<bool> reported(lines.size() + 1, false);
  for (const shapefile::Problem& p : r.problems.Listed()) {
    ASSERT_GT(p.line, 0) << p.what;
    ASSERT_LE(size_t(p.line), lines.size()) << p.what;
    const std::string& line = lines[size_t(p.line) - 1];
    EXPECT_TRUE(line.find("geometry_info (") != std::string::npos ||
                line.find("cullable_prims (") != std::string::npos)
        << p.line << ": " << p.what;
    reported[size_t(p.line)] = true;
  }
  size_t counted = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find("geometry_info (") == std::string::npos &&
        lines[i].find("cullable_prims (") == std::string::npos) {
      continue;
    }
    ++counted;
    EXPECT_TRUE(reported[i + 1]) << "line " << i + 1 << " not reported: " << lines[i];
  }
  EXPECT_GE(counted, 10u);
}

TEST(TrimorphCheck, ReportAndExitStatus) {
  TempDir dir;
  std::string text = DemoText(dir);
  size_t at = text.find("geometry_info ( ");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 16, "geometry_info ( 1");  // the triangle count gains a digit in front
  WriteFileBytes(dir.File("broken.s"), text);
  const long brokenLine = long(std::count(text.begin(), text.begin() + long(at), '\n')) + 1;
  WriteFileBytes(dir.File("other.txt"), "shape ( )\n");
  const std::string tram = dir.File("tram.s"), broken = dir.File("broken.s");
  const struct {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> starts;  // of the lines of standard output, in order
  } runs[] = {
      {{tram}, 0, {tram + ": sound: 3 distance levels, 5 matrices, "}},
      {{"--layout", tram}, 0, {tram + ": sound: "}},
      {{broken, tram},
       1,
       {broken + ":" + std::to_string(brokenLine) + ": geometry_info triangle count is 1",
        broken + ": 1 problem: ", tram + ": sound: "}},
      {{tram, dir.File("missing.s"), broken},
       2,
       {tram + ": sound: ", dir.File("missing.s") + ": cannot be checked: ", broken + ":"}},
      {{dir.File("other.txt")},
       2,
       {dir.File("other.txt") + ": cannot be checked: not a shape text file"}},
      {{}, 2, {}},
      {{"--frobnicate", tram}, 2, {}},
      {{"--version"}, 0, {std::string("trimorph-check ") + TRIMORPH_VERSION}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(::testing::PrintToString(run.args));
    ChildResult r = RunProgram(TRIMORPH_CHECK_BINARY, run.args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, run.status) << r.out;
    std::vector<std::string> out = SplitLines(r.out);
    size_t line = 0;
    for (const std::string& start : run.starts) {
      while (line < out.size() && out[line].compare(0, start.size(), start) != 0) ++line;
      EXPECT_LT(line, out.size()) << "no line begins with " << start << " in\n" << r.out;
    }
    if (run.starts.empty()) {
      EXPECT_EQ(r.out, "");
    }
  }
}

}  // namespace
