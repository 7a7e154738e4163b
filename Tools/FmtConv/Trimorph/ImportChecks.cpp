// The checks of a level's import.
#include "ImportChecks.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "MaterialTypes.h"
#include "ShapeMath.h"
#include "toolkit3ds/toolkit3ds.h"

namespace {

bool Finite(float v) {
  return std::isfinite(v);
}

std::string Quoted(const char* name) {
  return "'" + std::string(name) + "'";
}

Problem InvalidGeometry(const char* meshName, const std::string& detail) {
  return MakeProblem(ProblemCode::INVALID_GEOMETRY, meshName, detail);
}

// What makes a frame fail IsOrthoNormal, in words.
std::string FrameDetail(const sMatrix& m) {
  for (int row = 0; row < 3; ++row) {
    const double lengthSq = double(m.m[3 * row]) * m.m[3 * row] +
                            double(m.m[3 * row + 1]) * m.m[3 * row + 1] +
                            double(m.m[3 * row + 2]) * m.m[3 * row + 2];
    if (!(lengthSq > 0.999 && lengthSq < 1.001)) {
      char buf[96];
      snprintf(buf, sizeof buf, "its frame's %c axis has length %g instead of 1", "xyz"[row],
               std::sqrt(lengthSq));
      return buf;
    }
  }
  return "its frame is mirrored or its axes are not at right angles";
}

// Position or rotation keys: every key with its value, every value finite.
template <class Value, class IsFinite>
Problem CheckTrack(const char* meshName, const char* what, uint32_t count, size_t numKeys,
                   const Array3ds<Value>& values, IsFinite isFinite) {
  if (values.size() < count || numKeys < count) {
    return InvalidGeometry(meshName, std::string("its keyframer node has fewer ") + what +
                                         " values than " + what + " keys");
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (!isFinite(values[i])) {
      return InvalidGeometry(meshName, std::string(what) + " key " + std::to_string(i) +
                                           " of its keyframer node is not a finite number");
    }
  }
  return Problem();
}

}  // namespace

bool FitsShapeFileWord(const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    if (*p <= ' ' || *p == 0x7F || *p == '(' || *p == ')' || *p == '"') return false;
  }
  return true;
}

sImageName ImageName(const char* mapName) {
  sImageName image = {};
  size_t len = strlen(mapName);
  if (const char* dot = strrchr(mapName, '.')) len = size_t(dot - mapName);
  if (len > IMAGE_NAME_SIZE - 1) len = IMAGE_NAME_SIZE - 1;
  memcpy(image.mName, mapName, len);
  return image;
}

Problem CheckAnimSegment(const KfSets3ds& sets) {
  if (sets.seg.use && !(sets.seg.begin == 0 && sets.seg.end == sets.anim.length)) {
    return MakeProblem(ProblemCode::ANIMATION_SEGMENT, std::string(),
                       "the active segment runs from frame " + std::to_string(sets.seg.begin) +
                           " to " + std::to_string(sets.seg.end) + ", the animation from 0 to " +
                           std::to_string(sets.anim.length));
  }
  return Problem();
}

Problem CheckObjectCounts(uint32_t numNodes, uint32_t meshCount) {
  const std::string meshes = "the level has " + std::to_string(meshCount) + " meshes and ";
  if (numNodes == 0) {
    if (meshCount != 1) {
      return MakeProblem(ProblemCode::MESH_COUNT_WITHOUT_NODES, std::string(),
                         meshes + "no keyframer data");
    }
  } else if (numNodes != meshCount) {
    return MakeProblem(ProblemCode::NODE_COUNT_MISMATCH, std::string(),
                       meshes + std::to_string(numNodes) + " keyframer object nodes");
  }
  return Problem();
}

Problem CheckMeshRecord(const Mesh3ds& mesh) {
  if (!mesh.textarray) {
    return MakeProblem(ProblemCode::UNTEXTURED_MESH, mesh.name,
                       "mesh " + Quoted(mesh.name) + " has no texture coordinates");
  }
  return Problem();
}

Problem CheckNodeRecord(const KfMesh3ds& node, const Mesh3ds& mesh) {
  if (node.instance[0]) {
    return MakeProblem(
        ProblemCode::INSTANCE_NODE, node.name,
        "keyframer node " + Quoted(node.name) + " is an instance (" + Quoted(node.instance) + ")");
  }
  if (strcmp(node.name, mesh.name) != 0) {
    return MakeProblem(ProblemCode::NODE_NAME_MISMATCH, mesh.name,
                       "mesh " + Quoted(mesh.name) + " is matched with keyframer object node " +
                           Quoted(node.name) + " at the same position");
  }
  return Problem();
}

Problem CheckObjectName(const Mesh3ds& mesh) {
  // A node name is a word of its own.
  if (!mesh.name[0]) {
    return MakeProblem(ProblemCode::OBJECT_NAME_UNWRITABLE, mesh.name, "the object has no name");
  }
  if (!FitsShapeFileWord(mesh.name)) {
    return MakeProblem(ProblemCode::OBJECT_NAME_UNWRITABLE, mesh.name,
                       "the name holds a space, a control character, a parenthesis or a double "
                       "quote");
  }
  return Problem();
}

Problem CheckMeshFrame(const Mesh3ds& mesh, const KfMesh3ds* node) {
  sMatrix m;
  memcpy(m.m, mesh.localframe, sizeof m.m);
  if (!m.IsOrthoNormal()) {
    if (node) return MakeProblem(ProblemCode::SCALED_NODE, node->name, FrameDetail(m));
    return MakeProblem(ProblemCode::SCALED_MESH, mesh.name, FrameDetail(m));
  }
  if (!Finite(m.m[9]) || !Finite(m.m[10]) || !Finite(m.m[11])) {
    return InvalidGeometry(mesh.name, "the translation of its frame is not a finite number");
  }
  return Problem();
}

Problem CheckMeshGeometry(const Mesh3ds& mesh) {
  const char* name = mesh.name;
  if (mesh.pointarray.size() < mesh.pointcount) {
    return InvalidGeometry(name, "its vertex array is shorter than its vertex count");
  }
  if (mesh.textcount < mesh.pointcount || mesh.textarray.size() < mesh.pointcount) {
    return InvalidGeometry(name, "it has fewer texture coordinates than vertices");
  }
  if (mesh.trianglearray.size() < mesh.trianglecount) {
    return InvalidGeometry(name, "its face array is shorter than its face count");
  }
  if (mesh.smoothingarray && mesh.smoothingarray.size() < mesh.trianglecount) {
    return InvalidGeometry(name, "it has fewer smoothing groups than faces");
  }
  for (uint32_t f = 0; f < mesh.trianglecount; ++f) {
    const Face3ds& face = mesh.trianglearray[f];
    if (face.v1 >= mesh.pointcount || face.v2 >= mesh.pointcount || face.v3 >= mesh.pointcount) {
      return InvalidGeometry(name, "face " + std::to_string(f) + " uses a vertex beyond its " +
                                       std::to_string(mesh.pointcount) + " vertices");
    }
  }
  if (mesh.matgrouparray.size() < mesh.matgroupcount) {
    return InvalidGeometry(name, "its material group array is shorter than its group count");
  }
  for (uint32_t j = 0; j < mesh.matgroupcount; ++j) {
    const MeshMatGroup3ds& g = mesh.matgrouparray[j];
    if (g.trianglecount > 0 && g.triangleindex.size() < g.trianglecount) {
      return InvalidGeometry(
          name, "material group " + Quoted(g.name) + " lists fewer faces than it counts");
    }
    for (uint32_t r = 0; r < g.trianglecount; ++r) {
      if (g.triangleindex[r] >= mesh.trianglecount) {
        return InvalidGeometry(name, "material group " + Quoted(g.name) + " lists face " +
                                         std::to_string(g.triangleindex[r]) + " beyond its " +
                                         std::to_string(mesh.trianglecount) + " faces");
      }
    }
  }
  for (uint32_t v = 0; v < mesh.pointcount; ++v) {
    const Point3ds& p = mesh.pointarray[v];
    const TexVert3ds& t = mesh.textarray[v];
    if (!Finite(p.x) || !Finite(p.y) || !Finite(p.z) || !Finite(t.u) || !Finite(t.v)) {
      return InvalidGeometry(name, "vertex " + std::to_string(v) +
                                       " or its texture coordinate is not a finite number");
    }
  }
  return Problem();
}

Problem CheckNodeTracks(const KfMesh3ds& node, const char* meshName, bool firstLevel) {
  if (!Finite(node.pivot.x) || !Finite(node.pivot.y) || !Finite(node.pivot.z)) {
    return InvalidGeometry(meshName, "the pivot of its keyframer node is not a finite number");
  }
  if (!firstLevel) return Problem();
  if (node.poskeycount > 1) {
    Problem p =
        CheckTrack(meshName, "position", node.poskeycount, node.poskeys.size(), node.posvalues,
                   [](const Point3ds& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); });
    if (p) return p;
  }
  if (node.rotkeycount > 1) {
    Problem p = CheckTrack(meshName, "rotation", node.rotkeycount, node.rotkeys.size(),
                           node.rotvalues, [](const RotKey3ds& r) {
                             return Finite(r.angle) && Finite(r.x) && Finite(r.y) && Finite(r.z);
                           });
    if (p) return p;
  }
  return Problem();
}

Problem CheckMaterialMaps(const Material3ds& material, const char* groupName,
                          const sMatType& type) {
  if (!material.texture.map.name[0]) {
    return MakeProblem(ProblemCode::NO_TEXTURE_NAME, groupName,
                       "material " + Quoted(groupName) + " has no texture map");
  }
  const bool reflects = type.mLightCfg == LIGHTCFG_REFLECT;
  if (reflects && !material.texture2.map.name[0]) {
    return MakeProblem(ProblemCode::NO_REFLECTION_MAP, groupName,
                       "material type " + std::string(type.mName) +
                           " takes a reflection map, which material " + Quoted(groupName) +
                           " does not have");
  }
  // An image name is followed by ".ace" in the shape file.
  for (const char* mapName : {material.texture.map.name, material.texture2.map.name}) {
    if (!FitsShapeFileWord(ImageName(mapName).mName)) {
      return MakeProblem(ProblemCode::TEXTURE_NAME_UNWRITABLE, groupName,
                         "the image name of texture " + Quoted(mapName) +
                             " holds a space, a control character, a parenthesis or a double "
                             "quote",
                         {mapName, groupName});
    }
    if (!reflects) break;
  }
  return Problem();
}
