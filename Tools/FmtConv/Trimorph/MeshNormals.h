// Vertex normals of one mesh from its smoothing groups.
//
// Each face gets a unit face normal. Each vertex gets one normal per cluster of smoothing
// groups: the faces at the vertex that share a group bit with an existing entry of the vertex
// are summed into it, the first face without any group creates the one flat entry, and every
// entry is normalised once all faces are in.
#ifndef TRIMORPH_MESHNORMALS_H
#define TRIMORPH_MESHNORMALS_H

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "Problem.h"
#include "ShapeMath.h"

struct Mesh3ds;

struct sVNorm {
  sVNorm* mNext;
  sVector mNorm;       // sum of the face normals merged in; unit length once finished
  sVector mFirstNorm;  // the face normal that created the entry
  uint32_t mGroups;    // union of the smoothing groups merged in
  uint32_t mNumber;    // the entry's position in mStore: 0, 1, 2 ... in the order they were made
};

struct sMeshNorm {
  std::vector<sVector> mFaceNorms;      // one unit normal per face
  std::vector<sVNorm*> mVNormListPtrs;  // per vertex: its normals, newest first
  std::deque<sVNorm> mStore;            // owns every sVNorm of the lists
};

// The face normals and vertex normals of the mesh, into normals. ISOLATED_VERTICES when a
// vertex is used by no face; normals is then left as it was.
Problem TryComputeMeshNormals(const Mesh3ds& mesh, std::unique_ptr<sMeshNorm>& normals);
// The same into normals, which may hold the normals of an earlier mesh: its memory is used
// again. normals holds nothing of use after a problem.
Problem TryComputeMeshNormals(const Mesh3ds& mesh, sMeshNorm& normals);
// TryComputeMeshNormals, failing on its problem.
std::unique_ptr<sMeshNorm> ComputeMeshNormals(const Mesh3ds* mesh);
void AddVertexNormal(sMeshNorm* normals, sVNorm** list, const sVector& n, uint32_t s);
// The entry of vertex v that serves a face with the smoothing groups s; fails when there is none.
const sVNorm& FindVertexNormalEntry(const sMeshNorm* normals, uint32_t s, uint16_t v);
// Its normal.
const sVector& FindVertexNormal(const sMeshNorm* normals, uint32_t s, uint16_t v);

#endif  // TRIMORPH_MESHNORMALS_H
