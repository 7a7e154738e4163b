// Vertex normals of one mesh from its smoothing groups.
#include "MeshNormals.h"

#include <memory>
#include <string>

#include "toolkit3ds/toolkit3ds.h"

namespace {

// A vertex normal whose summed squared length falls below this (the single-precision value
// nearest 1e-5) comes from faces that cancel out; the entry then takes its first face normal.
constexpr float MIN_NORMAL_LENGTH_SQ = 1e-5f;

// The unit normal of the face with corners a, b, c. A face whose second or third corner nearly
// coincides with its first, or whose edge cross product is nearly zero, has no direction of its
// own: it takes the direction from the node's origin towards its first corner, or +z when that
// corner lies exactly at the origin.
sVector FaceNormal(const sVector& a, const sVector& b, const sVector& c) {
  const sVector zero;
  sVector x = (b - a).Cross(c - a);
  if (b.NearlyEqual(a) || c.NearlyEqual(a) || x.NearlyEqual(zero)) {
    if (a.x == 0 && a.y == 0 && a.z == 0) return sVector(0, 0, 1);
    x = a;
  }
  x.Normalise();
  return x;
}

sVector Position(const Mesh3ds& mesh, uint16_t v) {
  const Point3ds& p = mesh.pointarray[v];
  return sVector(p.x, p.y, p.z);
}

// The mesh as the import hands it over has every face corner below pointcount and, when it has
// smoothing groups, one mask per face; both are checked here again before anything is indexed.
bool MeshIsConsistent(const Mesh3ds& mesh) {
  if (mesh.pointarray.size() < mesh.pointcount) return false;
  if (mesh.trianglearray.size() < mesh.trianglecount) return false;
  if (mesh.smoothingarray && mesh.smoothingarray.size() < mesh.trianglecount) return false;
  for (uint16_t f = 0; f < mesh.trianglecount; ++f) {
    const Face3ds& face = mesh.trianglearray[f];
    if (face.v1 >= mesh.pointcount || face.v2 >= mesh.pointcount || face.v3 >= mesh.pointcount) {
      return false;
    }
  }
  return true;
}

// The problem of a vertex that no face uses, counting all such vertices of the mesh.
Problem IsolatedVertices(const Mesh3ds& mesh, const sMeshNorm& normals, size_t first) {
  size_t count = 0;
  for (const sVNorm* head : normals.mVNormListPtrs) count += head ? 0 : 1;
  return MakeProblem(ProblemCode::ISOLATED_VERTICES, mesh.name,
                     "vertex " + std::to_string(first) + " of mesh '" + mesh.name +
                         "' is used by no face (" + std::to_string(count) +
                         " such vertices in all)");
}

}  // namespace

// Precondition: every face corner of the mesh is a vertex index below pointcount, and a
// smoothing array, when present, holds one mask per face. The import checks both before it
// asks for the normals (CheckMeshGeometry); a mesh that breaks them is a bare problem here.
Problem TryComputeMeshNormals(const Mesh3ds& mesh, sMeshNorm& normals) {
  if (!MeshIsConsistent(mesh)) {
    return MakeProblem(ProblemCode::NORMALS_MESH_INCONSISTENT, mesh.name,
                       "a face of mesh '" + std::string(mesh.name) +
                           "' uses a vertex or a smoothing mask the mesh does not have");
  }

  normals.mFaceNorms.resize(mesh.trianglecount);
  normals.mVNormListPtrs.assign(mesh.pointcount, nullptr);
  normals.mStore.clear();

  for (uint16_t f = 0; f < mesh.trianglecount; ++f) {
    const Face3ds& face = mesh.trianglearray[f];
    uint32_t s = mesh.smoothingarray ? mesh.smoothingarray[f] : 0;
    sVector n =
        FaceNormal(Position(mesh, face.v1), Position(mesh, face.v2), Position(mesh, face.v3));
    normals.mFaceNorms[f] = n;
    AddVertexNormal(&normals, &normals.mVNormListPtrs[face.v1], n, s);
    AddVertexNormal(&normals, &normals.mVNormListPtrs[face.v2], n, s);
    AddVertexNormal(&normals, &normals.mVNormListPtrs[face.v3], n, s);
  }

  for (size_t v = 0; v < normals.mVNormListPtrs.size(); ++v) {
    sVNorm* head = normals.mVNormListPtrs[v];
    if (!head) return IsolatedVertices(mesh, normals, v);
    for (sVNorm* e = head; e; e = e->mNext) {
      if (e->mNorm.LengthSq() < double(MIN_NORMAL_LENGTH_SQ)) e->mNorm = e->mFirstNorm;
      e->mNorm.Normalise();
    }
  }
  return Problem();
}

Problem TryComputeMeshNormals(const Mesh3ds& mesh, std::unique_ptr<sMeshNorm>& result) {
  std::unique_ptr<sMeshNorm> normals(new sMeshNorm);
  if (Problem p = TryComputeMeshNormals(mesh, *normals)) return p;
  result = std::move(normals);
  return Problem();
}

std::unique_ptr<sMeshNorm> ComputeMeshNormals(const Mesh3ds* mesh) {
  if (!mesh) {
    FailWith(MakeProblem(ProblemCode::NORMALS_MESH_INCONSISTENT, std::string(), "no mesh"));
  }
  std::unique_ptr<sMeshNorm> normals;
  FailOn(TryComputeMeshNormals(*mesh, normals));
  return normals;
}

void AddVertexNormal(sMeshNorm* normals, sVNorm** list, const sVector& n, uint32_t s) {
  for (sVNorm* e = *list; e; e = e->mNext) {
    if (e->mGroups & s) {
      e->mNorm.x = float(double(e->mNorm.x) + n.x);
      e->mNorm.y = float(double(e->mNorm.y) + n.y);
      e->mNorm.z = float(double(e->mNorm.z) + n.z);
      e->mGroups |= s;
      return;
    }
    // A face without smoothing groups shares the vertex's one flat entry.
    if (s == 0 && e->mGroups == 0) return;
  }
  normals->mStore.push_back(sVNorm{*list, n, n, s, uint32_t(normals->mStore.size())});
  *list = &normals->mStore.back();
}

const sVNorm& FindVertexNormalEntry(const sMeshNorm* normals, uint32_t s, uint16_t v) {
  if (v < normals->mVNormListPtrs.size()) {
    for (const sVNorm* e = normals->mVNormListPtrs[v]; e; e = e->mNext) {
      if ((e->mGroups & s) || (s == 0 && e->mGroups == 0)) return *e;
    }
  }
  FailWith(MakeProblem(ProblemCode::NORMAL_NOT_FOUND, std::string(),
                       "no normal of vertex " + std::to_string(v) + " serves smoothing groups " +
                           std::to_string(s)));
}

const sVector& FindVertexNormal(const sMeshNorm* normals, uint32_t s, uint16_t v) {
  return FindVertexNormalEntry(normals, s, v).mNorm;
}
