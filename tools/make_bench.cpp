// Writes the benchmark models: a railcar at three levels of detail in two sizes, and models of
// other shapes.
//
//   make_bench <directory> [large|medium|shapes|terrain|floor|grid|far|all]
//
// large:   large50.3ds, large300.3ds, large2000.3ds with about 300,000, 80,000 and 20,000
//          triangles;
// medium:  medium50.3ds, medium300.3ds, medium2000.3ds with about 50,000 triangles in all;
// shapes:  deep50.3ds and groups50.3ds, a very deep hierarchy and very many materials (see
//          WriteShapes);
// terrain: terrain50.3ds, terrain300.3ds, terrain2000.3ds, a smooth height field of 1,036,800
//          triangles in three levels, and the same at a quarter and at half its size
//          (terrainquarter..., terrainhalf...; see WriteTerrain);
// floor:   floor50.3ds, a flat floor of many tiles whose normals are all alike;
// grid:    grid50.3ds, points on an exact grid of the pools' tolerance (0.001);
// far:     far50.3ds, a height field about 100,000 units from the origin.
//
// Each railcar level is a hierarchy of up to thirteen meshes: a body shell with smooth sides, a
// faceted roof of panels with a reflection map, sorted glass, an alpha-blended lamp cluster, rows
// of seats made of boxes, two bogies with two wheels each and a two-arm pantograph. Meshes hold
// up to 65,535 faces. Frames are rotations and translations, every vertex is used by a face and
// has texture coordinates, the keyframer nodes carry the mesh names, and the nearest level
// animates the wheels and the pantograph. The farther levels use coarser grids and drop the
// seats, the lamps and the upper pantograph arm.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Builder3ds.h"

using build3ds::Model;
using build3ds::Tri;
using build3ds::UV;
using build3ds::Vec3;

namespace {

const double PI = 3.14159265358979323846;

// Smoothing groups of the faces of a patch, by quad column and row.
using SmoothingRule = std::function<uint32_t(int column, int row)>;

uint32_t Smooth(int, int) {
  return 1;
}
// Hard edges between columns: every column of quads is a panel of its own.
uint32_t PanelColumns(int column, int) {
  return 1u << (1 + column % 4);
}
// Hard edges between every pair of rows and columns: flat facets.
uint32_t Facets(int column, int row) {
  return 1u << (1 + (column % 3) * 3 + row % 3);
}

// The geometry of one mesh in world coordinates, with its material groups.
struct MeshData {
  std::vector<Vec3> vertices;
  std::vector<UV> uvs;
  std::vector<Tri> faces;
  std::vector<uint32_t> smoothing;
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;

  std::vector<uint16_t>& Group(const std::string& material) {
    for (auto& g : groups) {
      if (g.first == material) return g.second;
    }
    groups.push_back({material, {}});
    return groups.back().second;
  }

  // A grid of columns x rows quads over the parameter square, two faces per quad; surface(s, t)
  // gives the world point for s, t in [0, 1]. Texture coordinates are s and t scaled by tiles.
  void Patch(int columns, int rows, const std::function<Vec3(double, double)>& surface,
             const SmoothingRule& rule, const std::string& material, float tiles = 1) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    size_t first = vertices.size();
    if (first + size_t(columns + 1) * (rows + 1) > 65535 ||
        faces.size() + size_t(columns) * rows * 2 > 65535) {
      fprintf(stderr, "make_bench: a mesh outgrows 16-bit indices\n");
      exit(1);
    }
    for (int j = 0; j <= rows; ++j) {
      for (int i = 0; i <= columns; ++i) {
        double s = double(i) / columns, t = double(j) / rows;
        vertices.push_back(surface(s, t));
        uvs.push_back({float(s * tiles), float(t * tiles)});
      }
    }
    std::vector<uint16_t>& group = Group(material);
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < columns; ++i) {
        auto at = [&](int a, int b) { return uint16_t(first + size_t(b) * (columns + 1) + a); };
        uint32_t s = rule(i, j);
        group.push_back(uint16_t(faces.size()));
        faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), 7});
        smoothing.push_back(s);
        group.push_back(uint16_t(faces.size()));
        faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1), 7});
        smoothing.push_back(s);
      }
    }
  }

  // A box of six faceted sides, each side a grid of n x n quads.
  void Box(Vec3 lo, Vec3 hi, int n, const std::string& material) {
    auto side = [&](int axis, bool top) {
      Patch(
          n, n,
          [=](double s, double t) {
            double a[3] = {lo.x, lo.y, lo.z}, b[3] = {hi.x, hi.y, hi.z}, p[3];
            int u = (axis + 1) % 3, v = (axis + 2) % 3;
            if (top) std::swap(u, v);
            p[axis] = top ? b[axis] : a[axis];
            p[u] = a[u] + (b[u] - a[u]) * s;
            p[v] = a[v] + (b[v] - a[v]) * t;
            return Vec3{float(p[0]), float(p[1]), float(p[2])};
          },
          [axis, top](int, int) { return 1u << (axis * 2 + (top ? 1 : 0)); }, material);
    };
    for (int axis = 0; axis < 3; ++axis) {
      side(axis, false);
      side(axis, true);
    }
  }
};

// Columns and rows of a grid of about the given number of faces, with the given aspect.
std::pair<int, int> GridFor(double faces, double aspect) {
  double quads = std::max(faces / 2, 1.0);
  int columns = std::max(1, int(std::lround(std::sqrt(quads * aspect))));
  int rows = std::max(1, int(std::lround(quads / columns)));
  return {columns, rows};
}

// A rotation about z by angle followed by a move to the origin (rows X, Y, Z, origin).
std::array<float, 12> FrameZ(double angle, Vec3 origin) {
  float c = float(std::cos(angle)), s = float(std::sin(angle));
  return {c, s, 0, -s, c, 0, 0, 0, 1, origin.x, origin.y, origin.z};
}

// A rotation about y (wheels and pantograph arms turn about the car's cross axis).
std::array<float, 12> FrameY(double angle, Vec3 origin) {
  float c = float(std::cos(angle)), s = float(std::sin(angle));
  return {c, 0, -s, 0, 1, 0, s, 0, c, origin.x, origin.y, origin.z};
}

const float LENGTH = 18.0f, WIDTH = 2.6f, HEIGHT = 3.2f, FLOOR = 1.0f;

// The body shell: a rounded rectangular tube along x (smooth sides, faceted underframe).
MeshData Body(double faces) {
  MeshData m;
  auto [c, r] = GridFor(faces * 0.8, 3.0);
  m.Patch(
      c, r,
      [](double s, double t) {
        double a = PI * (0.1 + 0.8 * t);  // from one side over to the other, below the roof
        double y = -0.5 * WIDTH * std::cos(a), z = FLOOR + (HEIGHT - FLOOR) * 0.85 * std::sin(a);
        double bulge = 1 + 0.03 * std::sin(PI * s);
        return Vec3{float((s - 0.5) * LENGTH), float(y * bulge), float(z)};
      },
      Smooth, "SolidNorm0", 4);
  auto [c2, r2] = GridFor(faces * 0.2, 6.0);
  m.Patch(
      c2, r2,
      [](double s, double t) {
        return Vec3{float((s - 0.5) * LENGTH), float((t - 0.5) * WIDTH * 0.95), FLOOR};
      },
      PanelColumns, "SolidDrkShd0", 8);
  return m;
}

// The roof: faceted panels with a reflection map.
MeshData Roof(double faces) {
  MeshData m;
  auto [c, r] = GridFor(faces, 5.0);
  m.Patch(
      c, r,
      [](double s, double t) {
        double y = (t - 0.5) * WIDTH * 0.8;
        double z = HEIGHT - 0.15 * (2 * y / WIDTH) * (2 * y / WIDTH);
        return Vec3{float((s - 0.5) * LENGTH * 0.98), float(y), float(z)};
      },
      PanelColumns, "Gloss0", 6);
  return m;
}

// Windows on both sides, sorted and alpha-tested.
MeshData Glass(double faces) {
  MeshData m;
  for (int side = 0; side < 2; ++side) {
    double y = (side ? 0.5 : -0.5) * WIDTH * 1.01;
    auto [c, r] = GridFor(faces / 2, 8.0);
    m.Patch(
        c, r,
        [y](double s, double t) {
          return Vec3{float((s - 0.5) * LENGTH * 0.8), float(y), float(1.9 + 0.8 * t)};
        },
        Smooth, "TransNorm1s", 1);
  }
  return m;
}

// Lamps at both ends: small domes, alpha-blended and drawn last.
MeshData Lamps(double faces) {
  MeshData m;
  for (int end = 0; end < 2; ++end) {
    for (int k = 0; k < 2; ++k) {
      double x = (end ? 0.5 : -0.5) * LENGTH * 1.001, y = (k ? 0.7 : -0.7), z = 1.4;
      double dir = end ? 1 : -1;
      auto [c, r] = GridFor(faces / 4, 2.0);
      m.Patch(
          c, r,
          [=](double s, double t) {
            double a = 2 * PI * s, b = 0.5 * PI * t;
            return Vec3{float(x + dir * 0.1 * std::cos(b)),
                        float(y + 0.15 * std::sin(b) * std::cos(a)),
                        float(z + 0.15 * std::sin(b) * std::sin(a))};
          },
          Smooth, "AlphBright+2s", 1);
    }
  }
  return m;
}

// Rows of seats: boxes with faceted sides.
MeshData Seats(double faces) {
  MeshData m;
  const int rows = 12, perRow = 4;
  int n = std::max(1, int(std::lround(std::sqrt(faces / (rows * perRow * 2 * 12.0)))));
  for (int i = 0; i < rows; ++i) {
    for (int k = 0; k < perRow; ++k) {
      float x = -7.5f + i * 1.35f, y = -1.05f + k * 0.55f + (k >= 2 ? 0.3f : 0);
      m.Box({x, y - 0.22f, FLOOR + 0.4f}, {x + 0.5f, y + 0.22f, FLOOR + 0.5f}, n, "SolidLoShine3");
      m.Box({x + 0.42f, y - 0.22f, FLOOR + 0.5f}, {x + 0.52f, y + 0.22f, FLOOR + 1.2f}, n,
            "SolidLoShine3");
    }
  }
  return m;
}

// A bogie frame: side beams and a bolster, faceted.
MeshData Bogie(double faces, float cx) {
  MeshData m;
  int n = std::max(1, int(std::lround(std::sqrt(faces / (3 * 12.0)))));
  m.Box({cx - 1.4f, -1.0f, 0.45f}, {cx + 1.4f, -0.85f, 0.75f}, n, "SolidDrkShd0");
  m.Box({cx - 1.4f, 0.85f, 0.45f}, {cx + 1.4f, 1.0f, 0.75f}, n, "SolidDrkShd0");
  m.Box({cx - 0.2f, -0.85f, 0.55f}, {cx + 0.2f, 0.85f, 0.75f}, n, "SolidDrkShd0");
  return m;
}

// A wheel pair: an axle and two wheels, smooth treads with faceted flanks.
MeshData Wheel(double faces, float cx) {
  MeshData m;
  const float r = 0.43f, z = r;
  for (int side = 0; side < 2; ++side) {
    float y = side ? 0.72f : -0.72f;
    auto [c, rr] = GridFor(faces * 0.3, 8.0);
    m.Patch(
        c, rr,
        [=](double s, double t) {
          double a = 2 * PI * s;
          return Vec3{float(cx + r * std::cos(a)), float(y + 0.13 * (t - 0.5)),
                      float(z + r * std::sin(a))};
        },
        Smooth, "SolidHiShine0", 2);
    auto [c2, r2] = GridFor(faces * 0.1, 8.0);
    m.Patch(
        c2, r2,
        [=](double s, double t) {
          double a = 2 * PI * s, rad = r * (0.15 + 0.85 * t);
          return Vec3{float(cx + rad * std::cos(a)), float(y - 0.065),
                      float(z + rad * std::sin(a))};
        },
        Facets, "SolidNorm0", 1);
  }
  auto [c, rr] = GridFor(faces * 0.2, 8.0);
  m.Patch(
      c, rr,
      [=](double s, double t) {
        double a = 2 * PI * s;
        return Vec3{float(cx + 0.08 * std::cos(a)), float(-0.72 + 1.44 * t),
                    float(z + 0.08 * std::sin(a))};
      },
      Smooth, "SolidHiShine0", 1);
  return m;
}

// A pantograph arm: a thin tube from a to b.
MeshData Arm(double faces, Vec3 a, Vec3 b) {
  MeshData m;
  auto [c, r] = GridFor(faces, 4.0);
  m.Patch(
      c, r,
      [=](double s, double t) {
        double ang = 2 * PI * s;
        return Vec3{float(a.x + (b.x - a.x) * t),
                    float(a.y + (b.y - a.y) * t + 0.04 * std::cos(ang)),
                    float(a.z + (b.z - a.z) * t + 0.04 * std::sin(ang))};
      },
      Smooth, "SolidBright4", 1);
  return m;
}

struct Part {
  std::string name;
  std::string parent;  // empty for the root
  MeshData mesh;
  std::array<float, 12> frame;
};

// One level of detail with about the given number of faces in all; counts the faces made.
Model Level(double faces, bool nearest, bool farthest, size_t& made) {
  std::vector<Part> parts;
  auto add = [&](std::string name, std::string parent, MeshData mesh, std::array<float, 12> f) {
    parts.push_back({std::move(name), std::move(parent), std::move(mesh), f});
  };
  const float bogieX = 6.0f;
  add("Body", "", Body(faces * 0.20), FrameZ(0, {0, 0, 0}));
  add("Roof", "Body", Roof(faces * 0.16), FrameZ(0, {0, 0, HEIGHT}));
  add("Glass", "Body", Glass(faces * 0.05), FrameZ(0, {0, 0, 2.2f}));
  if (!farthest) add("Lamps", "Body", Lamps(faces * 0.02), FrameZ(PI, {0, 0, 1.4f}));
  if (!farthest) add("Seats", "Body", Seats(faces * 0.14), FrameZ(0.5 * PI, {0, 0, FLOOR}));
  for (int b = 0; b < 2; ++b) {
    float cx = b ? bogieX : -bogieX;
    std::string bogie = "Bogie" + std::to_string(b + 1);
    add(bogie, "Body", Bogie(faces * 0.07, cx), FrameZ(0.02 * (b ? 1 : -1), {cx, 0, 0.6f}));
    for (int w = 0; w < 2; ++w) {
      float wx = cx + (w ? 1.1f : -1.1f);
      add("Wheel" + std::to_string(b + 1) + std::to_string(w + 1), bogie, Wheel(faces * 0.05, wx),
          FrameY(0.3 * (w + 1), {wx, 0, 0.43f}));
    }
  }
  add("PantoBot1", "Body", Arm(faces * 0.02, {-1, 0, HEIGHT}, {0.5f, 0, HEIGHT + 0.8f}),
      FrameY(-0.49, {-1, 0, HEIGHT}));
  if (!farthest) {
    add("PantoTop1", "PantoBot1",
        Arm(faces * 0.02, {0.5f, 0, HEIGHT + 0.8f}, {-0.6f, 0, HEIGHT + 1.5f}),
        FrameY(0.56, {0.5f, 0, HEIGHT + 0.8f}));
  }

  Model m;
  m.AddMaterial("SolidNorm0").Texture("CAR.BMP");
  m.AddMaterial("SolidDrkShd0").Texture("UNDER.BMP");
  m.AddMaterial("Gloss0").Texture("ROOF.BMP").Reflection("ENV.BMP");
  m.AddMaterial("TransNorm1s").Texture("GLASS.TGA");
  m.AddMaterial("AlphBright+2s").Texture("LAMP.TGA");
  m.AddMaterial("SolidLoShine3").Texture("SEAT.BMP");
  m.AddMaterial("SolidHiShine0").Texture("STEEL.BMP");
  m.AddMaterial("SolidBright4").Texture("Steel.tga");

  build3ds::KfData& kf = m.Keyframer().Length(60).Segment(0, 60);
  made = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const Part& p = parts[i];
    made += p.mesh.faces.size();
    build3ds::MeshObj& obj = m.AddMesh(p.name)
                                 .Vertices(p.mesh.vertices)
                                 .TexVerts(p.mesh.uvs)
                                 .Faces(p.mesh.faces)
                                 .Smoothing(p.mesh.smoothing)
                                 .Frame(p.frame);
    for (const auto& g : p.mesh.groups) obj.Group(g.first, g.second);

    build3ds::KfNode& node = kf.Node(p.name).Id(uint16_t(i));
    for (size_t k = 0; k < i; ++k) {
      if (parts[k].name == p.parent) node.Parent(uint16_t(k));
    }
    if (!nearest) continue;
    if (p.name.compare(0, 5, "Wheel") == 0) {
      node.Rot(0, 0, {0, 1, 0}).Rot(30, float(PI), {0, 1, 0}).Rot(60, float(PI), {0, 1, 0});
    } else if (p.name == "PantoBot1") {
      node.Pivot(0, 0, 0.02f)
          .Rot(0, 0, {0, 1, 0})
          .Rot(30, 0.3f, {0, 1, 0})
          .Rot(60, -0.3f, {0, 1, 0});
    } else if (p.name == "PantoTop1") {
      node.Rot(0, 0, {0, 1, 0})
          .Rot(30, -0.6f, {0, 1, 0})
          .Rot(60, 0.6f, {0, 1, 0})
          .Pos(0, {0.5f, 0, HEIGHT + 0.8f})
          .Pos(30, {0.6f, 0, HEIGHT + 1.05f})
          .Pos(60, {0.5f, 0, HEIGHT + 0.8f});
    }
  }
  return m;
}

struct LevelFile {
  const char* name;
  double faces;
};

// Writes the level files and prints one line per file: its name and number of faces.
void WriteModel(const std::string& dir, const std::vector<LevelFile>& levels) {
  for (size_t i = 0; i < levels.size(); ++i) {
    size_t faces = 0;
    Level(levels[i].faces, i == 0, i + 1 == levels.size(), faces).Write(dir + "/" + levels[i].name);
    printf("%s %zu\n", levels[i].name, faces);
  }
}

// Two models of unusual shape, one level each, where the work per node or per material group
// must not grow with the model:
// - deep50.3ds: 65,535 nodes (as many as node ids can number) in one chain, each the parent of
//   the next, each a mesh of one triangle;
// - groups50.3ds: one mesh of 20,000 triangles, each triangle in a material group of its own
//   with a material of its own.
void WriteShapes(const std::string& dir) {
  const int chain = 65535;
  Model deep;
  deep.AddMaterial("SolidNorm0").Texture("CAR.BMP");
  build3ds::KfData& kf = deep.Keyframer();
  for (int i = 0; i < chain; ++i) {
    std::string name = "N" + std::to_string(i);
    float x = float(i % 100);
    deep.AddMesh(name)
        .Vertices({{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}})
        .TexVerts({{0, 0}, {1, 0}, {0, 1}})
        .Faces({{0, 1, 2}})
        .Smoothing({1})
        .Group("SolidNorm0", {0});
    build3ds::KfNode& node = kf.Node(name).Id(uint16_t(i));
    if (i > 0) node.Parent(uint16_t(i - 1));
  }
  deep.Write(dir + "/deep50.3ds");
  printf("deep50.3ds %d\n", chain);

  const int groups = 20000;
  Model many;
  MeshData mesh;
  for (int i = 0; i < groups; ++i) {
    std::string material = "SolidNorm" + std::to_string(i);
    many.AddMaterial(material).Texture("T" + std::to_string(i) + ".BMP");
    float x = float(i % 200), y = float(i / 200);
    uint16_t v = uint16_t(mesh.vertices.size());
    mesh.vertices.insert(mesh.vertices.end(), {{x, y, 0}, {x + 1, y, 0}, {x, y + 1, 0}});
    mesh.uvs.insert(mesh.uvs.end(), {{0, 0}, {1, 0}, {0, 1}});
    if (mesh.vertices.size() > 65535) break;
    mesh.faces.push_back({v, uint16_t(v + 1), uint16_t(v + 2)});
    mesh.smoothing.push_back(1);
    mesh.groups.push_back({material, {uint16_t(i)}});
  }
  build3ds::MeshObj& obj = many.AddMesh("Panels")
                               .Vertices(mesh.vertices)
                               .TexVerts(mesh.uvs)
                               .Faces(mesh.faces)
                               .Smoothing(mesh.smoothing);
  for (const auto& g : mesh.groups) obj.Group(g.first, g.second);
  many.Write(dir + "/groups50.3ds");
  printf("groups50.3ds %zu\n", mesh.faces.size());
}

// A mesh of quads over a height field: columns x rows quads of dx x dy from the world corner
// (x0, y0), heights from height(x, y), two faces per quad, the material of each quad chosen by
// material(column, row), every face in the given smoothing groups. Texture coordinates are
// uv(column, row) of each vertex.
struct FieldSpec {
  int columns = 1, rows = 1;
  double x0 = 0, y0 = 0, dx = 1, dy = 1;
  std::function<double(double, double)> height;
  std::function<UV(int, int)> uv;
  std::function<std::string(int, int)> material;
  uint32_t smoothing = 1;
};

MeshData HeightField(const FieldSpec& f) {
  MeshData m;
  if (size_t(f.columns + 1) * (f.rows + 1) > 65535 || size_t(f.columns) * f.rows * 2 > 65535) {
    fprintf(stderr, "make_bench: a mesh outgrows 16-bit indices\n");
    exit(1);
  }
  for (int j = 0; j <= f.rows; ++j) {
    for (int i = 0; i <= f.columns; ++i) {
      double x = f.x0 + i * f.dx, y = f.y0 + j * f.dy;
      m.vertices.push_back({float(x), float(y), float(f.height(x, y))});
      m.uvs.push_back(f.uv(i, j));
    }
  }
  for (int j = 0; j < f.rows; ++j) {
    for (int i = 0; i < f.columns; ++i) {
      auto at = [&](int a, int b) { return uint16_t(size_t(b) * (f.columns + 1) + a); };
      std::vector<uint16_t>& group = m.Group(f.material(i, j));
      group.push_back(uint16_t(m.faces.size()));
      m.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), 7});
      group.push_back(uint16_t(m.faces.size()));
      m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1), 7});
      m.smoothing.push_back(f.smoothing);
      m.smoothing.push_back(f.smoothing);
    }
  }
  return m;
}

// A mesh of separate square tiles, each with four vertices of its own and texture coordinates
// 0 to 1: columns x rows tiles of the given size from the world corner (x0, y0) at height 0,
// materials chosen by material(column, row), no smoothing groups.
MeshData Tiles(int columns, int rows, double x0, double y0, double size,
               const std::function<std::string(int, int)>& material) {
  MeshData m;
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      uint16_t v = uint16_t(m.vertices.size());
      float xa = float(x0 + i * size), xb = float(x0 + (i + 1) * size);
      float ya = float(y0 + j * size), yb = float(y0 + (j + 1) * size);
      m.vertices.insert(m.vertices.end(), {{xa, ya, 0}, {xb, ya, 0}, {xb, yb, 0}, {xa, yb, 0}});
      m.uvs.insert(m.uvs.end(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
      std::vector<uint16_t>& group = m.Group(material(i, j));
      group.push_back(uint16_t(m.faces.size()));
      m.faces.push_back({v, uint16_t(v + 1), uint16_t(v + 2), 7});
      group.push_back(uint16_t(m.faces.size()));
      m.faces.push_back({v, uint16_t(v + 2), uint16_t(v + 3), 7});
      m.smoothing.push_back(0);
      m.smoothing.push_back(0);
    }
  }
  if (m.vertices.size() > 65535 || m.faces.size() > 65535) {
    fprintf(stderr, "make_bench: a mesh outgrows 16-bit indices\n");
    exit(1);
  }
  return m;
}

// One level of meshes without animation: the first mesh is the root, named root, the others
// its children. Each mesh's frame is a translation to origins[i] (the world origin when none
// is given). Writes the file and returns the number of faces.
size_t WriteFlatHierarchy(const std::string& path, const std::vector<MeshData>& meshes,
                          const std::vector<std::string>& names, const std::vector<Vec3>& origins,
                          const std::vector<std::pair<std::string, std::string>>& materials) {
  Model m;
  for (const auto& mat : materials) m.AddMaterial(mat.first).Texture(mat.second);
  build3ds::KfData& kf = m.Keyframer().Length(30).Segment(0, 30);
  size_t faces = 0;
  for (size_t i = 0; i < meshes.size(); ++i) {
    const MeshData& mesh = meshes[i];
    faces += mesh.faces.size();
    Vec3 o = i < origins.size() ? origins[i] : Vec3{};
    build3ds::MeshObj& obj = m.AddMesh(names[i])
                                 .Vertices(mesh.vertices)
                                 .TexVerts(mesh.uvs)
                                 .Faces(mesh.faces)
                                 .Smoothing(mesh.smoothing)
                                 .Frame({1, 0, 0, 0, 1, 0, 0, 0, 1, o.x, o.y, o.z});
    for (const auto& g : mesh.groups) obj.Group(g.first, g.second);
    build3ds::KfNode& node = kf.Node(names[i]).Id(uint16_t(i));
    if (i > 0) node.Parent(0);
  }
  m.Write(path);
  return faces;
}

// Smooth hills within +-7 units.
double Hills(double x, double y) {
  return 4.0 * std::sin(x * 0.037) * std::cos(y * 0.029) +
         2.0 * std::sin(x * 0.011 + y * 0.017 + 1.3) + 0.9 * std::cos(x * 0.093 - y * 0.071);
}

// Two materials in a checkerboard of quads.
std::string Checker(int column, int row) {
  return (column + row) % 2 ? "SolidNorm0_rock" : "SolidNorm0_grass";
}

const std::vector<std::pair<std::string, std::string>> GROUND_MATERIALS = {
    {"SolidNorm0_grass", "GRASS.BMP"}, {"SolidNorm0_rock", "ROCK.BMP"}};

// The terrain: a height field 792 x 594 units in three levels, each a grid of square-cornered
// tiles (meshes) of its own resolution: the nearest 4 x 3 tiles of 180 x 180 quads with vertices
// 1.1 units apart, then 4 x 2 tiles of 120 x 120 quads, then 2 x 2 tiles of 60 x 60 quads:
// 777,600 + 230,400 + 28,800 triangles. Smoothing group 1 everywhere, two materials alternating
// quad by quad. Each tile's frame is a translation to its corner; the tile at the origin is the
// root of every level, the other tiles its children. The part sizes write the first 1/part
// of the tiles of every level (a quarter or a half of the triangles).
void WriteTerrain(const std::string& dir, const std::string& base, int part) {
  struct LevelShape {
    const char* distance;
    char prefix;
    int tilesX, tilesY, quads;
  };
  const LevelShape levels[] = {
      {"50", 'A', 4, 3, 180}, {"300", 'B', 4, 2, 120}, {"2000", 'C', 2, 2, 60}};
  const double width = 792, depth = 594;
  for (const LevelShape& l : levels) {
    const double tileW = width / l.tilesX, tileD = depth / l.tilesY;
    std::vector<MeshData> meshes;
    std::vector<std::string> names;
    std::vector<Vec3> origins;
    const int count = l.tilesX * l.tilesY / part;
    for (int t = 0; t < count; ++t) {
      int tx = t % l.tilesX, ty = t / l.tilesX;
      FieldSpec f;
      f.columns = f.rows = l.quads;
      f.x0 = tx * tileW;
      f.y0 = ty * tileD;
      f.dx = tileW / l.quads;
      f.dy = tileD / l.quads;
      f.height = Hills;
      f.uv = [](int i, int j) { return UV{float(i * 0.1), float(j * 0.1)}; };
      f.material = Checker;
      meshes.push_back(HeightField(f));
      char name[16];
      snprintf(name, sizeof name, "%c%02d", l.prefix, t);
      names.push_back(t == 0 ? "Ground" : name);
      origins.push_back({float(f.x0), float(f.y0), 0});
    }
    std::string file = base + l.distance + ".3ds";
    size_t faces = WriteFlatHierarchy(dir + "/" + file, meshes, names, origins, GROUND_MATERIALS);
    printf("%s %zu\n", file.c_str(), faces);
  }
}

// A flat floor of 12 meshes of 110 x 110 square tiles 0.6 units wide, each tile with vertices
// of its own (neighbouring tiles have equal corners), three materials, no smoothing groups: one
// level of 290,400 triangles whose normals are all alike. The frames are at the world origin.
void WriteFloor(const std::string& dir) {
  std::vector<MeshData> meshes;
  std::vector<std::string> names;
  const int n = 110;
  const double size = 0.6;
  for (int t = 0; t < 12; ++t) {
    double x0 = (t % 4) * n * size, y0 = (t / 4) * n * size;
    meshes.push_back(Tiles(n, n, x0, y0, size, [](int i, int j) {
      static const char* const NAMES[] = {"SolidNorm0_a", "SolidNorm0_b", "SolidNorm0_c"};
      return std::string(NAMES[(i + 2 * j) % 3]);
    }));
    names.push_back(t == 0 ? "Floor" : "F" + std::to_string(t));
  }
  size_t faces = WriteFlatHierarchy(dir + "/floor50.3ds", meshes, names, {},
                                    {{"SolidNorm0_a", "TILEA.BMP"},
                                     {"SolidNorm0_b", "TILEB.BMP"},
                                     {"SolidNorm0_c", "TILEC.BMP"}});
  printf("floor50.3ds %zu\n", faces);
}

// Points on an exact grid of the pools' tolerance: 8 flat meshes of 180 x 180 quads whose
// vertices lie 0.001 apart in x and y, mesh k at height k * 0.001, texture coordinates on the
// same grid. Neighbouring values lie within the tolerance or just outside it, as the rounding
// of the floats falls. One level of 518,400 triangles; frames at the world origin.
void WriteGrid(const std::string& dir) {
  std::vector<MeshData> meshes;
  std::vector<std::string> names;
  for (int k = 0; k < 8; ++k) {
    FieldSpec f;
    f.columns = f.rows = 180;
    f.dx = f.dy = 0.001;
    f.height = [k](double, double) { return k * 0.001; };
    f.uv = [](int i, int j) { return UV{float(i * 0.001), float(j * 0.001)}; };
    f.material = Checker;
    meshes.push_back(HeightField(f));
    names.push_back(k == 0 ? "Grid" : "G" + std::to_string(k));
  }
  size_t faces = WriteFlatHierarchy(dir + "/grid50.3ds", meshes, names, {}, GROUND_MATERIALS);
  printf("grid50.3ds %zu\n", faces);
}

// A model far from the origin: 8 meshes of 150 x 150 quads of smooth hills, vertices 1.1 units
// apart, about 100,000 units from the origin in x and y, with their frames at the world origin,
// so that every coordinate the pools hold is about 100,000 (floats there lie 1/128 apart). One
// level of 360,000 triangles.
void WriteFar(const std::string& dir) {
  std::vector<MeshData> meshes;
  std::vector<std::string> names;
  for (int t = 0; t < 8; ++t) {
    FieldSpec f;
    f.columns = f.rows = 150;
    f.dx = f.dy = 1.1;
    f.x0 = 100000 + (t % 4) * 165.0;
    f.y0 = 100000 + (t / 4) * 165.0;
    f.height = Hills;
    f.uv = [](int i, int j) { return UV{float(i * 0.1), float(j * 0.1)}; };
    f.material = Checker;
    meshes.push_back(HeightField(f));
    names.push_back(t == 0 ? "Far" : "D" + std::to_string(t));
  }
  size_t faces = WriteFlatHierarchy(dir + "/far50.3ds", meshes, names, {}, GROUND_MATERIALS);
  printf("far50.3ds %zu\n", faces);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr,
            "usage: make_bench <directory> [large|medium|shapes|terrain|floor|grid|far|all]\n");
    return 2;
  }
  std::string dir = argv[1];
  std::string which = argc == 3 ? argv[2] : "all";
  const char* const KINDS[] = {"large", "medium", "shapes", "terrain",
                               "floor", "grid",   "far",    "all"};
  if (std::find(std::begin(KINDS), std::end(KINDS), which) == std::end(KINDS)) {
    fprintf(stderr, "make_bench: unknown kind of model '%s'\n", which.c_str());
    return 2;
  }
  try {
    if (which == "large" || which == "all") {
      WriteModel(dir, {{"large50.3ds", 315000}, {"large300.3ds", 86000}, {"large2000.3ds", 26100}});
    }
    if (which == "medium" || which == "all") {
      WriteModel(dir,
                 {{"medium50.3ds", 38750}, {"medium300.3ds", 10930}, {"medium2000.3ds", 4950}});
    }
    if (which == "shapes" || which == "all") WriteShapes(dir);
    if (which == "terrain" || which == "all") {
      WriteTerrain(dir, "terrain", 1);
      WriteTerrain(dir, "terrainhalf", 2);
      WriteTerrain(dir, "terrainquarter", 4);
    }
    if (which == "floor" || which == "all") WriteFloor(dir);
    if (which == "grid" || which == "all") WriteGrid(dir);
    if (which == "far" || which == "all") WriteFar(dir);
  } catch (const std::exception& e) {
    fprintf(stderr, "make_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
