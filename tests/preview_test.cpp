// The preview: a small shape made by hand, drawn in-process, must cover, leave empty and colour
// the pixels where its quads land; the camera's views keep the model upright and unmirrored;
// coordinates at the edge of what a float holds draw without a fault; and the program's exit
// statuses and pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Camera.h"
#include "MaterialLook.h"
#include "Placement.h"
#include "Preview.h"
#include "PreviewOptions.h"
#include "RenderPanel.h"
#include "ShapeReader.h"
#include "Subprocess.h"
#include "TrimorphVersion.h"

namespace {

using preview::MaterialKind;
using preview::Rgb;

// A quad facing +x in the plane x = `x` of its node, over z0..z1 and y0..y1.
struct Quad {
  int level;  // the distance level that holds it
  int primState;
  float x, z0, z1, y0, y1;
};

struct TestShape {
  std::vector<std::string> matrices;  // "NAME ( twelve values )"
  // Per prim state: shader, matrix, light material as written, alpha test mode.
  struct State {
    int shader, matrix, lightMaterial, alphaTest;
  };
  std::vector<State> states;
  std::vector<std::pair<int, std::string>> levels;  // distance, hierarchy values
  std::vector<Quad> quads;
};

// The shape text of the test shape: one sub-object per level, each quad a vertex set and a
// triangle list of its own, with every count and sum that a sound file needs.
std::string ShapeText(const TestShape& t) {
  auto n = [](auto v) { return std::to_string(v); };
  std::string s =
      "VELTAA@@@@@@@@@@JINX0s1t______\n\nshape (\n shape_header ( 00000000 00000000 )\n";
  s += " volumes ( 1 vol_sphere ( vector ( 0 0 0 ) 10 ) )\n";
  s += " shader_names ( 3 named_shader ( Tex ) named_shader ( BlendATex ) named_shader ( "
       "GlossMap ) )\n";
  s += " texture_filter_names ( 1 named_filter_mode ( MipLinear ) )\n";
  s += " points ( " + n(4 * t.quads.size()) + "\n";
  for (const Quad& q : t.quads) {
    for (int c = 0; c < 4; ++c) {
      const float z = c == 0 || c == 3 ? q.z0 : q.z1, y = c < 2 ? q.y0 : q.y1;
      s += "  point ( " + n(q.x) + " " + n(y) + " " + n(z) + " )\n";
    }
  }
  s += " )\n uv_points ( 1 uv_point ( 0 0 ) )\n normals ( 1 vector ( 1 0 0 ) )\n";
  s += " sort_vectors ( 0 )\n colours ( 0 )\n matrices ( " + n(t.matrices.size()) + "\n";
  for (const std::string& m : t.matrices) s += "  matrix " + m + "\n";
  s += " )\n images ( 1 image ( a.ace ) )\n textures ( 1 texture ( 0 0 -3 ff000000 ) )\n";
  s += " light_materials ( 0 )\n";
  s += " light_model_cfgs ( 1 light_model_cfg ( 00000000 uv_ops ( 1 uv_op_copy ( 1 0 ) ) ) )\n";
  s += " vtx_states ( " + n(t.states.size()) + "\n";
  for (const TestShape::State& st : t.states) {
    s += "  vtx_state ( 00000000 " + n(st.matrix) + " " + n(st.lightMaterial) + " 0 00000002 )\n";
  }
  s += " )\n prim_states ( " + n(t.states.size()) + "\n";
  for (size_t i = 0; i < t.states.size(); ++i) {
    s += "  prim_state ( 00000000 " + n(t.states[i].shader) + " tex_idxs ( 1 0 ) 0 " + n(i) + " " +
         n(t.states[i].alphaTest) + " 0 1 )\n";
  }
  s += " )\n lod_controls ( 1 lod_control ( distance_levels_header ( 0 )\n";
  s += " distance_levels ( " + n(t.levels.size()) + "\n";
  for (size_t l = 0; l < t.levels.size(); ++l) {
    std::vector<size_t> quads;
    std::vector<int> perMatrix(t.matrices.size(), 0);
    for (size_t q = 0; q < t.quads.size(); ++q) {
      if (size_t(t.quads[q].level) != l) continue;
      quads.push_back(q);
      ++perMatrix[size_t(t.states[size_t(t.quads[q].primState)].matrix)];
    }
    const size_t k = quads.size();
    s += "  distance_level ( distance_level_header ( dlevel_selection ( " + n(t.levels[l].first) +
         " ) hierarchy ( " + n(t.matrices.size()) + " " + t.levels[l].second + " ) )\n";
    s += "   sub_objects ( 1 sub_object ( sub_object_header ( 00000400 -1 -1 000001d2 000001c4\n";
    s += "    geometry_info ( " + n(2 * k) + " " + n(k) + " 0 " + n(6 * k) + " 0 0 " + n(k) +
         " 0 0 0\n";
    std::string nodes, map;
    int count = 0;
    for (int m : perMatrix) {
      map += " " + (m ? n(count++) : std::string("-1"));
      if (m) {
        nodes += "     geometry_node ( " + n(m) + " 0 0 0 0 cullable_prims ( " + n(m) + " " +
                 n(2 * m) + " " + n(6 * m) + " ) )\n";
      }
    }
    s += "     geometry_nodes ( " + n(count) + "\n" + nodes + "     )\n";
    s += "     geometry_node_map ( " + n(t.matrices.size()) + map + " ) )\n";
    s += "    subobject_shaders ( 1 0 ) subobject_light_cfgs ( 1 0 ) 0 )\n";
    s += "   vertices ( " + n(4 * k) + "\n";
    for (size_t q : quads) {
      for (size_t c = 0; c < 4; ++c) {
        s +=
            "    vertex ( 00000000 " + n(4 * q + c) + " 0 ffffffff ff000000 vertex_uvs ( 1 0 ) )\n";
      }
    }
    s += "   )\n   vertex_sets ( " + n(k) + "\n";
    for (size_t i = 0; i < k; ++i) {
      s += "    vertex_set ( " + n(t.quads[quads[i]].primState) + " " + n(4 * i) + " 4 )\n";
    }
    s += "   )\n   primitives ( " + n(2 * k) + "\n";
    for (size_t i = 0; i < k; ++i) {
      const size_t v = 4 * i;
      s += "    prim_state_idx ( " + n(t.quads[quads[i]].primState) + " )\n";
      s += "    indexed_trilist ( vertex_idxs ( 6 " + n(v) + " " + n(v + 1) + " " + n(v + 2) + " " +
           n(v) + " " + n(v + 2) + " " + n(v + 3) +
           " ) normal_idxs ( 2 0 3 0 3 ) flags ( 2 00000000 00000000 ) )\n";
    }
    s += "   )\n  ) )\n  )\n";
  }
  s += " ) ) )\n)\n";
  return s;
}

// Light materials as written: full bright (7, unlit) and dark shade (11).
const int BRIGHT = -8, DARK = -12;

// Two nodes, the lamp half a unit in front of the body (towards the front view's camera), and
// two distance levels, the lamp absent from the second. Seen from the front: a solid quad on
// the left, an alpha-tested one on the right with a gap between them, a blended quad of the
// lamp across both and the gap, and an alpha-tested quad behind the solid one.
TestShape HandMade() {
  TestShape t;
  t.matrices = {"Body ( 1 0 0 0 1 0 0 0 1 0 0 0 )", "Lamp ( 1 0 0 0 1 0 0 0 1 0.5 0 0 )"};
  t.states = {{0, 0, BRIGHT, 0}, {1, 0, BRIGHT, 1}, {1, 1, BRIGHT, 0}, {1, 1, DARK, 0}};
  t.levels = {{100, "-1 0"}, {500, "-1 -2"}};
  for (int level = 0; level < 2; ++level) {
    t.quads.push_back({level, 0, 0, -2, 0, -1, 1});                 // solid, left
    t.quads.push_back({level, 1, 0, 0.4f, 2, -1, 1});               // alpha-tested, right
    t.quads.push_back({level, 2, 0, -1, 1, -0.5f, 0.5f});           // blended, in front
    t.quads.push_back({level, 1, -1, -1.5f, -0.5f, -0.9f, -0.6f});  // behind the solid one
  }
  return t;
}

shapefile::Shape SoundShape(const std::string& text) {
  shapefile::ReadResult r = shapefile::CheckShapeText(text);
  EXPECT_TRUE(r.readable) << r.error;
  for (const shapefile::Problem& p : r.problems.Listed()) ADD_FAILURE() << p.line << ": " << p.what;
  return r.shape;
}

Rgb Mix(Rgb under, Rgb over, float opacity) {
  auto m = [opacity](uint8_t u, uint8_t o) { return uint8_t(u + (o - u) * opacity + 0.5f); };
  return {m(under.r, over.r), m(under.g, over.g), m(under.b, over.b)};
}

::testing::AssertionResult Near(Rgb got, Rgb want) {
  if (std::abs(got.r - want.r) <= 1 && std::abs(got.g - want.g) <= 1 &&
      std::abs(got.b - want.b) <= 1) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "pixel is " << int(got.r) << " " << int(got.g) << " " << int(got.b) << ", expected "
         << int(want.r) << " " << int(want.g) << " " << int(want.b);
}

const int W = 300, H = 240;

// The pixel of the picture where a point of the shape's space lands in panel i.
Rgb PixelAt(const shapefile::Shape& shape, const preview::Image& picture, size_t panel,
            preview::Vec3d p) {
  const preview::Camera camera = preview::MakeCamera(
      preview::View::FRONT, preview::ShapeBounds(shape), preview::PanelViewport(panel, W, H));
  double x = 0, y = 0;
  EXPECT_TRUE(camera.Project(p, x, y));
  EXPECT_TRUE(x >= 0 && x < picture.width && y >= 0 && y < picture.height) << x << " " << y;
  if (!(x >= 0 && x < picture.width && y >= 0 && y < picture.height)) return {};
  return picture.Pixel(int(x), int(y));
}

TEST(Preview, PixelsOfAHandMadeShape) {
  const shapefile::Shape shape = SoundShape(ShapeText(HandMade()));
  const preview::Image picture =
      preview::RenderPreview(shape, preview::LevelsByDistance(shape), W, H, preview::View::FRONT);
  ASSERT_EQ(picture.width, 2 * W);
  ASSERT_EQ(picture.height, H);
  const Rgb solid = preview::KindColour(MaterialKind::SOLID);
  const Rgb tested = preview::KindColour(MaterialKind::ALPHA_TESTED);
  const Rgb blended = preview::KindColour(MaterialKind::BLENDED);
  const float opacity = preview::KindOpacity(MaterialKind::BLENDED);
  const Rgb bg = preview::BACKGROUND;
  const struct {
    const char* what;
    size_t panel;
    preview::Vec3d at;  // x, y, z
    Rgb want;
  } pixels[] = {
      {"solid quad", 0, {0, 0.8, -1.5}, solid},
      {"alpha-tested quad", 0, {0, 0.8, 1.5}, tested},
      {"gap between them", 0, {0, 0.8, 0.2}, bg},
      {"the quad behind the solid one is hidden", 0, {0, -0.75, -1}, solid},
      {"blended over solid", 0, {0.5, 0, -0.5}, Mix(solid, blended, opacity)},
      {"blended over the gap", 0, {0.5, 0, 0.2}, Mix(bg, blended, opacity)},
      {"blended over alpha-tested", 0, {0.5, 0, 0.7}, Mix(tested, blended, opacity)},
      {"absent lamp: solid alone", 1, {0, 0, -0.5}, solid},
      {"absent lamp: gap empty", 1, {0, 0, 0.2}, bg},
  };
  for (const auto& p : pixels) {
    EXPECT_TRUE(Near(PixelAt(shape, picture, p.panel, p.at), p.want)) << p.what;
  }
  // The materials of a level are told apart.
  EXPECT_FALSE(Near(solid, tested));
  EXPECT_FALSE(Near(solid, Mix(solid, blended, opacity)));
}

// Blended lists are drawn in the order of their prim states, wherever they are in the file:
// two blended quads on top of each other give the same pixels in either file order. The one
// drawn second lies behind the first, which leaves the depth as it was.
TEST(Preview, BlendedListsInPrimStateOrder) {
  std::vector<Rgb> seen;
  for (bool darkFirst : {false, true}) {
    TestShape t = HandMade();
    t.levels.resize(1);
    t.quads = {{0, 0, 0, -2, 2, -1, 1}};
    Quad bright{0, 2, 0.2f, -1, 1, -0.5f, 0.5f}, dark{0, 3, 0.1f, -1, 1, -0.5f, 0.5f};
    t.quads.push_back(darkFirst ? dark : bright);
    t.quads.push_back(darkFirst ? bright : dark);
    const shapefile::Shape shape = SoundShape(ShapeText(t));
    const preview::Image picture = preview::RenderPreview(shape, {0}, W, H, preview::View::FRONT);
    seen.push_back(PixelAt(shape, picture, 0, {0.5, 0, 0}));
  }
  EXPECT_TRUE(Near(seen[0], seen[1]));
  // Both passes are drawn: the second one changes what the first one left.
  const Rgb solid = preview::KindColour(MaterialKind::SOLID);
  const Rgb once = Mix(solid, preview::KindColour(MaterialKind::BLENDED), 0.5f);
  EXPECT_FALSE(Near(seen[0], once));
}

// Every view keeps the model upright and unmirrored: the front (+x) of the model, its left
// side (+z) and its top (+y) land where the views say.
TEST(Preview, ViewsKeepTheModelUpright) {
  preview::Bounds b;
  b.empty = false;
  b.radius = 1;
  const struct {
    preview::View view;
    preview::Vec3d point;
    int right, down;  // the sign of the pixel offset from the centre, 0 for any
  } cases[] = {
      {preview::View::FRONT, {0, 0, 0.5}, 1, 0},
      {preview::View::FRONT, {0, 0.5, 0}, 0, -1},
      {preview::View::SIDE, {0.5, 0, 0}, -1, 0},
      {preview::View::SIDE, {0, 0.5, 0}, 0, -1},
      {preview::View::TOP, {0.5, 0, 0}, -1, 0},
      {preview::View::TOP, {0, 0, 0.5}, 0, 1},
      {preview::View::THREE_QUARTER, {0, 0.5, 0}, 0, -1},
      {preview::View::THREE_QUARTER, {0.5, 0, 0}, -1, 0},
      {preview::View::THREE_QUARTER, {0, 0, 0.5}, 1, 0},
  };
  for (const auto& c : cases) {
    const preview::Camera camera = preview::MakeCamera(c.view, b, {0, 0, 200, 100});
    double x = 0, y = 0;
    ASSERT_TRUE(camera.Project(c.point, x, y));
    if (c.right) {
      EXPECT_GT((x - 100) * c.right, 10) << int(c.view) << " x " << x;
    }
    if (c.down) {
      EXPECT_GT((y - 50) * c.down, 10) << int(c.view) << " y " << y;
    }
  }
}

// Coordinates at the edge of what a float holds, in points and in frames that multiply up the
// hierarchy: drawing ends without a fault (the sanitizers watch every conversion and index).
TEST(Preview, CoordinatesAtTheEdgeOfFloats) {
  const char* huge[] = {
      "Lamp ( 3e38 0 0 0 3e38 0 0 0 3e38 1e38 -3e38 0 )",
      "Lamp ( 1e-38 0 0 0 1e-38 0 0 0 1e-38 0 0 0 )",
      "Lamp ( 0 0 0 0 0 0 0 0 0 0 0 0 )",
      "Lamp ( -3e38 3e38 0 3e38 3e38 0 0 0 -3e38 0 0 3.4e38 )",
  };
  for (const char* lamp : huge) {
    for (bool hugePoint : {false, true}) {
      TestShape t = HandMade();
      t.matrices.push_back(std::string("Child ( 3e38 0 0 0 3e38 0 0 0 3e38 0 0 0 )"));
      for (auto& level : t.levels) level.second += " 1";
      t.states.push_back({0, 2, BRIGHT, 0});
      t.quads.push_back({0, 4, 1, -1, 1, -1, 1});
      t.matrices[1] = lamp;
      if (hugePoint) t.quads.push_back({1, 0, 3.4e38f, -3.4e38f, 3.4e38f, -1e-30f, 3e38f});
      const shapefile::Shape shape = SoundShape(ShapeText(t));
      auto draw = [&] {
        for (preview::View v : {preview::View::THREE_QUARTER, preview::View::TOP}) {
          const preview::Image picture = preview::RenderPreview(shape, {0, 1}, 100, 80, v);
          if (picture.width != 200 || picture.height != 80) return false;
        }
        return true;
      };
#ifdef _WIN32
      // Windows has no fork: drawn in the test process, whose fault fails the test all the same.
      EXPECT_TRUE(draw()) << lamp << " " << hugePoint;
#else
      ChildResult r = RunInChild([&] {
        if (!draw()) exit(1);
      });
      EXPECT_TRUE(r.exited && r.status == 0) << lamp << " " << hugePoint << ": " << r.signal;
#endif
    }
  }
}

// A camera inside the shape, the lamp turned to cross its near plane: of the blended quad,
// half a unit to the right of the eye, only the part in front of the camera shows, from its
// far edge (1.3 units ahead: 200 * 0.5 / 1.3 = 77 pixels right of the centre) to the right
// edge of the viewport, cut at the guard band; nothing behind the camera shows.
TEST(Preview, CameraInsideTheShape) {
  TestShape t = HandMade();
  t.levels.resize(1);
  t.matrices[1] = "Lamp ( 0 0 1 0 1 0 1 0 0 0 0 -0.5 )";
  t.quads = {{0, 2, 0, -1, 1, -0.5f, 0.5f}};
  const shapefile::Shape shape = SoundShape(ShapeText(t));
  preview::Camera camera;
  camera.eye = {0.3, 0, -1};
  camera.ahead = {-1, 0, 0};
  camera.right = {0, 0, 1};
  camera.up = {0, 1, 0};
  camera.focal = 200;
  camera.nearDepth = 0.01;
  camera.viewport = {0, 0, 200, 150};
  camera.guard = 2 * 200 + 64;
  preview::Image image(200, 150, preview::BACKGROUND);
  preview::RenderPanel(shape, shape.distanceLevels[0], camera, image);
  const Rgb blended = Mix(preview::BACKGROUND, preview::KindColour(MaterialKind::BLENDED),
                          preview::KindOpacity(MaterialKind::BLENDED));
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < 170; ++x) wrong += !Near(image.Pixel(x, y), preview::BACKGROUND);
    for (int x = 185; x < 200; ++x) wrong += !Near(image.Pixel(x, y), blended);
  }
  EXPECT_EQ(wrong, 0);
}

// Program runs: an argument list, the exit status, what standard error begins with, and the
// size of the picture written (0 for none).
TEST(TrimorphPreview, ExitStatusAndPicture) {
  TempDir dir;
  const std::string samples = std::string(TRIMORPH_SOURCE_DIR) + "/samples/";
  const std::string tram = dir.File("tram.s");
  ChildResult converted = RunTrimorph(
      {tram, samples + "tram50.3ds", samples + "tram200.3ds", samples + "tram1000.3ds"});
  ASSERT_EQ(converted.status, 0) << converted.out;
  std::string text = ReadFileBytes(tram);
  const size_t at = text.find("geometry_info ( ");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 16, "geometry_info ( 1");
  const std::string broken = dir.File("broken.s");
  WriteFileBytes(broken, text);
  const std::string brokenLine =
      std::to_string(std::count(text.begin(), text.begin() + long(at), '\n') + 1);
  WriteFileBytes(dir.File("notes.txt"), "shape ( )\n");
  const std::string out = dir.File("out.png");

  const struct {
    std::vector<std::string> args;
    int status;
    std::string output;   // the picture expected, or the file that must not appear
    int width, height;    // of the picture; 0: none written
    std::string message;  // the output begins with it
  } runs[] = {
      {{tram}, 0, dir.File("tram.png"), 3 * 400, 300, ""},
      {{"--size", "200x150", "--level=2", "--view", "top", tram, "-o", out}, 0, out, 200, 150, ""},
      {{"-o" + out, "--view=side", tram}, 0, out, 3 * 400, 300, ""},
      {{broken, "-o", out},
       1,
       out,
       0,
       0,
       broken + ":" + brokenLine + ": geometry_info triangle count is 1"},
      {{dir.File("missing.s"), "-o", out}, 2, out, 0, 0, "trimorph-preview: "},
      {{dir.File("notes.txt"), "-o", out}, 2, out, 0, 0, "trimorph-preview: "},
      {{"--level", "4", tram, "-o", out}, 2, out, 0, 0, "trimorph-preview: --level 4: "},
      {{"--size", "20x20", tram, "-o", out}, 2, out, 0, 0, "trimorph-preview: --size 20x20"},
      {{"--view", "below", tram, "-o", out}, 2, out, 0, 0, "trimorph-preview: --view below"},
      {{"--frobnicate", tram, "-o", out}, 2, out, 0, 0, "trimorph-preview: unknown option"},
      {{tram, broken, "-o", out}, 2, out, 0, 0, "trimorph-preview: more than one"},
      {{"-o"}, 2, out, 0, 0, "trimorph-preview: option '-o' needs a value"},
      {{tram, "-o", tram}, 2, out, 0, 0, "trimorph-preview: the picture"},
      {{"--version"}, 0, out, 0, 0, std::string("trimorph-preview ") + TRIMORPH_VERSION + "\n"},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(::testing::PrintToString(run.args));
    remove(out.c_str());
    // What the program says: the version on standard output, anything else on standard error.
    const std::string errors = dir.File("errors.txt");
    ChildResult r = RunProgram(TRIMORPH_PREVIEW_BINARY, run.args, "", HANG_GUARD_SECONDS, errors);
    ASSERT_TRUE(r.exited);
    const std::string said = r.out + ReadTextOutput(errors);
    EXPECT_EQ(r.status, run.status) << said;
    EXPECT_EQ(said.compare(0, run.message.size(), run.message), 0) << said;
    if (!run.width) {
      EXPECT_FALSE(FileExists(run.output));
      continue;
    }
    // The PNG signature, then the header chunk with the width and height (big-endian).
    const std::string png = ReadFileBytes(run.output);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    EXPECT_EQ(png.compare(12, 4, "IHDR"), 0);
    auto be32 = [&](size_t i) {
      return int(uint8_t(png[i])) << 24 | int(uint8_t(png[i + 1])) << 16 |
             int(uint8_t(png[i + 2])) << 8 | int(uint8_t(png[i + 3]));
    };
    EXPECT_EQ(be32(16), run.width);
    EXPECT_EQ(be32(20), run.height);
  }
  EXPECT_EQ(ReadFileBytes(tram).substr(0, 30), "VELTAA@@@@@@@@@@JINX0s1t______");
}

TEST(TrimorphPreview, NamesAndTitles) {
  const struct {
    std::string input, output;
  } names[] = {{"tram.s", "tram.png"},
               {"dir/Tram.S", "dir/Tram.png"},
               {"dir/.s", "dir/.s.png"},
               {"tram", "tram.png"},
               {"a.sx", "a.sx.png"}};
  for (const auto& n : names) EXPECT_EQ(preview::DefaultOutputName(n.input), n.output);
  EXPECT_EQ(preview::PanelTitle(50, 1234567), "50 m: 1,234,567 triangles");
  EXPECT_EQ(preview::PanelTitle(1e4f, 1), "10000 m: 1 triangle");
  EXPECT_EQ(preview::PanelTitle(2.5f, 999), "2.5 m: 999 triangles");
}

}  // namespace
