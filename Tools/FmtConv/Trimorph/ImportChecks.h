// The checks of a level's import, each on the toolkit records it concerns.
//
// Each returns the problem it finds (Problem.h), or none. The import calls them in this order:
//
//   level 0:               CheckAnimSegment
//   every level:           CheckObjectCounts
//   first pass, per mesh:  CheckMeshRecord, (fetch of the keyframer node) CheckNodeRecord,
//                          CheckObjectName, CheckMeshFrame
//   second pass, per mesh: CheckMeshRecord, CheckMeshGeometry, (fetch of the keyframer node)
//                          CheckNodeTracks; per material group: ParseMaterialName
//                          (MaterialTypes.h), CheckMaterialMaps
//
// A record that passes the checks of the pass can be used as the import uses it: every index
// lies within its array and every number that reaches the shape file is finite.
#ifndef TRIMORPH_IMPORTCHECKS_H
#define TRIMORPH_IMPORTCHECKS_H

#include <cstdint>

#include "Problem.h"
#include "ShapeRecords.h"

struct KfMesh3ds;
struct KfSets3ds;
struct Material3ds;
struct Mesh3ds;
struct sMatType;

// Node and image names are written into the shape file as words of its parenthesised text: a
// name with white space, a control character, a parenthesis or a double quote in it would
// change the file's structure.
bool FitsShapeFileWord(const char* name);

// The image name of a texture file name: the name up to its last '.', at most 15 characters.
sImageName ImageName(const char* mapName);

// An active segment of the keyframer settings must run from frame 0 to the animation's length.
Problem CheckAnimSegment(const KfSets3ds& sets);

// A level without keyframer object nodes holds one mesh; a level with them, one node per mesh.
Problem CheckObjectCounts(uint32_t numNodes, uint32_t meshCount);

// The mesh has texture coordinates.
Problem CheckMeshRecord(const Mesh3ds& mesh);

// The keyframer node matched with the mesh is no instance and has the mesh's name.
Problem CheckNodeRecord(const KfMesh3ds& node, const Mesh3ds& mesh);

// The mesh's name can be written into the shape file as a node name.
Problem CheckObjectName(const Mesh3ds& mesh);

// The mesh's frame holds no scale or reflection (the message names the keyframer node when
// there is one) and its translation is finite.
Problem CheckMeshFrame(const Mesh3ds& mesh, const KfMesh3ds* node);

// Everything the geometry pass reads from a mesh lies within its arrays, and every vertex and
// texture coordinate is finite.
Problem CheckMeshGeometry(const Mesh3ds& mesh);

// The keyframer node's pivot is finite and, on the first level, its tracks that become
// animation keys have a value for every key, all finite.
Problem CheckNodeTracks(const KfMesh3ds& node, const char* meshName, bool firstLevel);

// The material of a material group has the texture maps its type needs, with names that can be
// written into the shape file.
Problem CheckMaterialMaps(const Material3ds& material, const char* groupName, const sMatType& type);

#endif  // TRIMORPH_IMPORTCHECKS_H
