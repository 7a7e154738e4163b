// Whole shape files of small models, compared byte for byte with text derived by hand from the
// conversion rules: pools listed newest first, sorted states, x/z/y order, u and 1 - v,
// reversed winding, matrices in the file's element order, CRLF line ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ShapeFileCheck.h"
#include "Subprocess.h"

namespace {

using build3ds::Model;

const float HALF_PI = float(3.14159265358979323846 / 2);

// One line of expected text: its depth in tabs, then the text, then CRLF.
struct Line {
  int tabs;
  const char* text;
};

std::string Text(std::initializer_list<Line> lines) {
  std::string out;
  for (const Line& l : lines) {
    out.append(size_t(l.tabs), '\t');
    out += l.text;
    out += "\r\n";
  }
  return out;
}

std::string Convert(const TempDir& dir, const std::vector<std::string>& levels) {
  std::vector<std::string> args = {dir.File("out.s")};
  for (const std::string& l : levels) args.push_back(dir.File(l));
  ChildResult r = RunTrimorph(args);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  if (!FileExists(dir.File("out.s"))) return "";
  EXPECT_TRUE(ShapeFileIsSound(dir.File("out.s")));
  return ReadFileBytes(dir.File("out.s"));
}

// Compares line by line first, so that a difference is reported where it is.
void ExpectSameText(const std::string& got, const std::string& expected) {
  size_t a = 0, b = 0;
  int line = 1;
  while (a < got.size() && b < expected.size()) {
    size_t ea = got.find('\n', a), eb = expected.find('\n', b);
    std::string la = got.substr(a, ea == std::string::npos ? std::string::npos : ea - a + 1);
    std::string lb = expected.substr(b, eb == std::string::npos ? std::string::npos : eb - b + 1);
    ASSERT_EQ(la, lb) << "first difference in line " << line;
    a += la.size();
    b += lb.size();
    ++line;
  }
  EXPECT_EQ(got, expected);
}

// One mesh TRI without keyframer data, its one face in smoothing group 1, material SolidNorm.
TEST(Golden, OneTriangle) {
  TempDir dir;
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm", {0});
  m.Write(dir.File("tri100.3ds"));

  std::string expected = Text({
      {0, "VELTAA@@@@@@@@@@JINX0s1t______"},
      {0, ""},
      {0, "shape ("},
      {1, "shape_header ( 00000000 00000000 )"},
      {1, "volumes ( 1"},
      {2, "vol_sphere ("},
      {3, "vector ( 0.5 0 0.5 ) 0.707107"},
      {2, ")"},
      {1, ")"},
      {1, "shader_names ( 1"},
      {2, "named_shader ( TexDiff )"},
      {1, ")"},
      {1, "texture_filter_names ( 1"},
      {2, "named_filter_mode ( MipLinear )"},
      {1, ")"},
      {1, "points ( 3"},
      {2, "point ( 0 0 1 )"},
      {2, "point ( 1 0 0 )"},
      {2, "point ( 0 0 0 )"},
      {1, ")"},
      {1, "uv_points ( 3"},
      {2, "uv_point ( 0 0 )"},
      {2, "uv_point ( 1 1 )"},
      {2, "uv_point ( 0 1 )"},
      {1, ")"},
      {1, "normals ( 1"},
      {2, "vector ( 0 1 0 )"},
      {1, ")"},
      {1, "sort_vectors ( 0"},
      {1, ")"},
      {1, "colours ( 0 )"},
      {1, "matrices ( 1"},
      {2, "matrix TRI ( 1 0 0 0 1 0 0 0 1 0 0 0 )"},
      {1, ")"},
      {1, "images ( 1"},
      {2, "image ( tri.ace )"},
      {1, ")"},
      {1, "textures ( 1"},
      {2, "texture ( 0 0 -3 ff000000)"},
      {1, ")"},
      {1, "light_materials ( 0 )"},
      {1, "light_model_cfgs ( 1"},
      {2, "light_model_cfg ( 00000000"},
      {3, "uv_ops ( 1"},
      {4, "uv_op_copy ( 1 0 )"},
      {3, ")"},
      {2, ")"},
      {1, ")"},
      {1, "vtx_states ( 1"},
      {2, "vtx_state ( 00000000 0 -5 0 00000002 )"},
      {1, ")"},
      {1, "prim_states ( 1"},
      {2, "prim_state ( 00000000 0"},
      {3, "tex_idxs ( 1 0 ) 0 0 0 0 1"},
      {2, ")"},
      {1, ")"},
      {1, "lod_controls ( 1"},
      {2, "lod_control ("},
      {3, "distance_levels_header ( 0 )"},
      {3, "distance_levels ( 1"},
      {4, "distance_level ("},
      {5, "distance_level_header ("},
      {6, "dlevel_selection ( 100 )"},
      {6, "hierarchy ( 1 -1 )"},
      {5, ")"},
      {5, "sub_objects ( 1"},
      {6, "sub_object ("},
      {7, "sub_object_header ( 00000400 -1 -1 000001d2 000001c4"},
      {8, "geometry_info ( 1 1 0 3 0 0 1 0 0 0"},
      {9, "geometry_nodes ( 1"},
      {10, "geometry_node ( 1 0 0 0 0"},
      {11, "cullable_prims ( 1 1 3 )"},
      {10, ")"},
      {9, ")"},
      {9, "geometry_node_map ( 1 0 )"},
      {8, ")"},
      {8, "subobject_shaders ( 1 0 )"},
      {8, "subobject_light_cfgs ( 1 0 ) 0"},
      {7, ")"},
      {7, "vertices ( 3"},
      {8, "vertex ( 00000000 0 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 0 )"},
      {8, ")"},
      {8, "vertex ( 00000000 1 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 1 )"},
      {8, ")"},
      {8, "vertex ( 00000000 2 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 2 )"},
      {8, ")"},
      {7, ")"},
      {7, "vertex_sets ( 1"},
      {8, "vertex_set ( 0 0 3 )"},
      {7, ")"},
      {7, "primitives ( 2"},
      {8, "prim_state_idx ( 0 )"},
      {8, "indexed_trilist ("},
      {9, "vertex_idxs ( 3 2 0 1 )"},
      {9, "normal_idxs ( 1 0 3 )"},
      {9, "flags ( 1 00000000 )"},
      {8, ")"},
      {7, ")"},
      {6, ")"},
      {5, ")"},
      {4, ")"},
      {3, ")"},
      {2, ")"},
      {1, ")"},
      {0, ")"},
  });
  ExpectSameText(Convert(dir, {"tri100.3ds"}), expected);
}

// Two levels: near, a root Base and an animated, rotated pantograph arm under it with a pivot
// and a Gloss material in a sorted sub-object; far, the root alone without keyframer data.
TEST(Golden, TwoLevelsWithHierarchyAnimationGlossAndAlias) {
  TempDir dir;
  Model near;
  near.AddMaterial("SolidNorm0").Texture("base.bmp");
  near.AddMaterial("Gloss1s").Texture("arm.bmp").Reflection("env.bmp");
  near.AddMesh("Base")
      .Vertices({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm0", {0});
  // The arm's frame: turned 90 degrees about z, at (1, 0, 0).
  near.AddMesh("PantoBot1")
      .Vertices({{1, 0, 0}, {1, 1, 0}, {0, 0, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("Gloss1s", {0})
      .Frame({0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0, 0});
  build3ds::KfData& kf = near.Keyframer().Length(40);
  kf.Node("Base").Id(0);
  kf.Node("PantoBot1")
      .Id(1)
      .Parent(0)
      .Pivot(0, 0, 0.5f)
      .Rot(0, 0, {0, 0, 1})
      .Rot(20, HALF_PI, {0, 0, 1})
      .Pos(0, {1, 0, 0})
      .Pos(40, {1, 0, 2});
  near.Write(dir.File("rig50.3ds"));

  Model far;
  far.AddMaterial("SolidNorm0").Texture("base.bmp");
  far.AddMesh("Base")
      .Vertices({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm0", {0});
  far.Write(dir.File("rig200.3ds"));

  // The root's sub-object, the same in both distance levels.
  const std::initializer_list<Line> baseSubObject = {
      {6, "sub_object ("},
      {7, "sub_object_header ( 00000400 -1 -1 000001d2 000001c4"},
      {8, "geometry_info ( 1 1 0 3 0 0 1 0 0 0"},
      {9, "geometry_nodes ( 1"},
      {10, "geometry_node ( 1 0 0 0 0"},
      {11, "cullable_prims ( 1 1 3 )"},
      {10, ")"},
      {9, ")"},
      {9, "geometry_node_map ( 2 0 -1 )"},
      {8, ")"},
      {8, "subobject_shaders ( 1 1 )"},
      {8, "subobject_light_cfgs ( 1 1 ) 0"},
      {7, ")"},
      {7, "vertices ( 3"},
      {8, "vertex ( 00000000 3 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 0 )"},
      {8, ")"},
      {8, "vertex ( 00000000 4 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 1 )"},
      {8, ")"},
      {8, "vertex ( 00000000 5 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 2 )"},
      {8, ")"},
      {7, ")"},
      {7, "vertex_sets ( 1"},
      {8, "vertex_set ( 0 0 3 )"},
      {7, ")"},
      {7, "primitives ( 2"},
      {8, "prim_state_idx ( 0 )"},
      {8, "indexed_trilist ("},
      {9, "vertex_idxs ( 3 2 0 1 )"},
      {9, "normal_idxs ( 1 0 3 )"},
      {9, "flags ( 1 00000000 )"},
      {8, ")"},
      {7, ")"},
      {6, ")"},
  };

  std::string expected = Text({
      {0, "VELTAA@@@@@@@@@@JINX0s1t______"},
      {0, ""},
      {0, "shape ("},
      {1, "shape_header ( 00000000 00000000 )"},
      {1, "volumes ( 2"},
      {2, "vol_sphere ("},
      {3, "vector ( 1 -0.25 1 ) 1.43614"},
      {2, ")"},
      {2, "vol_sphere ("},
      {3, "vector ( 0.5 -0.5 0.5 ) 0.707107"},
      {2, ")"},
      {1, ")"},
      {1, "shader_names ( 2"},
      {2, "named_shader ( GlossMap )"},
      {2, "named_shader ( TexDiff )"},
      {1, ")"},
      {1, "texture_filter_names ( 1"},
      {2, "named_filter_mode ( MipLinear )"},
      {1, ")"},
      {1, "points ( 6"},
      {2, "point ( 0 -0.5 1 )"},
      {2, "point ( 1 -0.5 0 )"},
      {2, "point ( 0 -0.5 0 )"},
      {2, "point ( 0 0 2 )"},
      {2, "point ( 2 0 0 )"},
      {2, "point ( 0 0 0 )"},
      {1, ")"},
      {1, "uv_points ( 3"},
      {2, "uv_point ( 0 0 )"},
      {2, "uv_point ( 1 1 )"},
      {2, "uv_point ( 0 1 )"},
      {1, ")"},
      {1, "normals ( 1"},
      {2, "vector ( 0 1 0 )"},
      {1, ")"},
      {1, "sort_vectors ( 1"},
      {2, "vector ( 0.5 -0.5 0.5 )"},
      {1, ")"},
      {1, "colours ( 0 )"},
      {1, "matrices ( 2"},
      {2, "matrix Base ( 1 0 0 0 1 0 0 0 1 0 0 0 )"},
      {2, "matrix PANTOGRAPHBOTTOM1 ( 0 0 1 0 1 0 -1 0 0 1 0 0 )"},
      {1, ")"},
      {1, "images ( 3"},
      {2, "image ( env.ace )"},
      {2, "image ( arm.ace )"},
      {2, "image ( base.ace )"},
      {1, ")"},
      {1, "textures ( 3"},
      {2, "texture ( 0 0 -3 ff000000)"},
      {2, "texture ( 1 0 -3 ff000000)"},
      {2, "texture ( 2 0 -3 ff000000)"},
      {1, ")"},
      {1, "light_materials ( 0 )"},
      {1, "light_model_cfgs ( 2"},
      {2, "light_model_cfg ( 00000000"},
      {3, "uv_ops ( 2"},
      {4, "uv_op_copy ( 1 0 )"},
      {4, "uv_op_reflectmapfull ( 1 )"},
      {3, ")"},
      {2, ")"},
      {2, "light_model_cfg ( 00000000"},
      {3, "uv_ops ( 1"},
      {4, "uv_op_copy ( 1 0 )"},
      {3, ")"},
      {2, ")"},
      {1, ")"},
      {1, "vtx_states ( 2"},
      {2, "vtx_state ( 00000000 0 -5 1 00000002 )"},
      {2, "vtx_state ( 00000000 1 -1 0 00000002 )"},
      {1, ")"},
      {1, "prim_states ( 2"},
      {2, "prim_state ( 00000000 1"},
      {3, "tex_idxs ( 1 2 ) 0 0 0 1 1"},
      {2, ")"},
      {2, "prim_state ( 00000000 0"},
      {3, "tex_idxs ( 2 1 0 ) 0 1 0 0 1"},
      {2, ")"},
      {1, ")"},
      {1, "lod_controls ( 1"},
      {2, "lod_control ("},
      {3, "distance_levels_header ( 0 )"},
      {3, "distance_levels ( 2"},
      {4, "distance_level ("},
      {5, "distance_level_header ("},
      {6, "dlevel_selection ( 50 )"},
      {6, "hierarchy ( 2 -1 0 )"},
      {5, ")"},
      {5, "sub_objects ( 2"},
  });
  expected += Text(baseSubObject);
  expected += Text({
      {6, "sub_object ("},
      {7, "sub_object_header ( 00000700 0 1 000001d2 000002c4"},
      {8, "geometry_info ( 1 1 0 3 0 0 1 0 0 0"},
      {9, "geometry_nodes ( 1"},
      {10, "geometry_node ( 1 0 0 0 0"},
      {11, "cullable_prims ( 1 1 3 )"},
      {10, ")"},
      {9, ")"},
      {9, "geometry_node_map ( 2 -1 0 )"},
      {8, ")"},
      {8, "subobject_shaders ( 1 0 )"},
      {8, "subobject_light_cfgs ( 1 0 ) 1"},
      {7, ")"},
      {7, "vertices ( 3"},
      {8, "vertex ( 00000000 0 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 0 )"},
      {8, ")"},
      {8, "vertex ( 00000000 1 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 1 )"},
      {8, ")"},
      {8, "vertex ( 00000000 2 0 ffffffff ff000000"},
      {9, "vertex_uvs ( 1 2 )"},
      {8, ")"},
      {7, ")"},
      {7, "vertex_sets ( 1"},
      {8, "vertex_set ( 1 0 3 )"},
      {7, ")"},
      {7, "primitives ( 2"},
      {8, "prim_state_idx ( 1 )"},
      {8, "indexed_trilist ("},
      {9, "vertex_idxs ( 3 2 0 1 )"},
      {9, "normal_idxs ( 1 0 3 )"},
      {9, "flags ( 1 00000000 )"},
      {8, ")"},
      {7, ")"},
      {6, ")"},
      {5, ")"},
      {4, ")"},
      {4, "distance_level ("},
      {5, "distance_level_header ("},
      {6, "dlevel_selection ( 200 )"},
      {6, "hierarchy ( 2 -1 -2 )"},
      {5, ")"},
      {5, "sub_objects ( 1"},
  });
  expected += Text(baseSubObject);
  expected += Text({
      {5, ")"},
      {4, ")"},
      {3, ")"},
      {2, ")"},
      {1, ")"},
      {1, "animations ( 1"},
      {2, "animation ( 40 30"},
      {3, "anim_nodes ( 2"},
      {4, "anim_node Base ("},
      {5, "controllers ( 0"},
      {5, ")"},
      {4, ")"},
      {4, "anim_node PANTOGRAPHBOTTOM1 ("},
      {5, "controllers ( 2"},
      {6, "tcb_rot ( 2"},
      {7, "tcb_key ( 0 -0 -0 -0 1 0 0 0 0 0 )"},
      {7, "tcb_key ( 20 -0 -0.707107 -0 0.707107 0 0 0 0 0 )"},
      {6, ")"},
      {6, "linear_pos ( 2"},
      {7, "linear_key ( 0 1 0 0 )"},
      {7, "linear_key ( 40 1 2 0 )"},
      {6, ")"},
      {5, ")"},
      {4, ")"},
      {3, ")"},
      {2, ")"},
      {1, ")"},
      {0, ")"},
  });
  ExpectSameText(Convert(dir, {"rig50.3ds", "rig200.3ds"}), expected);
}

}  // namespace
