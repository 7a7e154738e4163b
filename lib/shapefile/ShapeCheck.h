// Checks of a loaded shape (ShapeModel.h) beyond its form, which the reader checks.
//
// CheckShape: what the format requires of every shape file, whoever wrote it.
// - Every index lies within the list it refers to: texture images; the matrix, light material
//   (zero and above; negative numbers name built-in materials) and light model configuration
//   of vertex states; the shader, textures, vertex state and light model configuration of prim
//   states; hierarchy parents (-1 for a root, -2 for a matrix absent from the level; no matrix
//   its own ancestor); a sub-object's sort vector and volume (or -1), shaders and light model
//   configurations; a vertex's point, normal and uv points; a vertex set's state and vertices;
//   prim_state_idx; the vertices of vertex_idxs and the normals of normal_idxs;
//   geometry_node_map's geometry nodes (or -1).
// - The number of entries: one hierarchy entry and one geometry_node_map entry per matrix;
//   vertex_idxs three per triangle; normal_idxs and flags one per triangle; a prim_state_idx
//   before every indexed_trilist.
// - The sums of each sub-object: geometry_info's triangles, vertex sets, vertex indices and
//   triangle lists against its vertex_sets and indexed_trilists; each geometry node against
//   the triangle lists and vertex sets of its matrix (a triangle list belongs to the matrix of
//   its prim state's vertex state, a vertex set to the matrix of its vertex state), with
//   geometry_node_map pointing each matrix that has any to its own geometry node and every
//   geometry node named there once. A sub-object with primitives of other kinds than
//   indexed_trilist is left out of the sums, which count triangle lists only.
//
// CheckTrimorphLayout: the layout that Trimorph gives its shape files, which other writers
// need not follow: the top blocks in Trimorph's order; one lod_control; each hierarchy with
// the first matrix as its only root; every indexed_trilist after a prim_state_idx of its own
// (primitives counts two items per list); vertex sets that follow each other from the first
// vertex to the last; a prim state's light model configuration equal to its vertex state's;
// texture i showing image i; geometry nodes in the order of their matrices; one animation
// whose anim_nodes are named as matrices, in the matrices' order.
#ifndef TRIMORPH_SHAPEFILE_SHAPECHECK_H
#define TRIMORPH_SHAPEFILE_SHAPECHECK_H

#include "ShapeModel.h"
#include "ShapeProblems.h"

namespace shapefile {

void CheckShape(const Shape& shape, Problems& problems);
void CheckTrimorphLayout(const Shape& shape, Problems& problems);

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPECHECK_H
