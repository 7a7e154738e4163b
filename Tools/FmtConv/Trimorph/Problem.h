// What a check of the converter finds wrong.
//
// Every check of the converter is a function that returns a Problem: none when the check holds,
// otherwise what is wrong. The conversion turns a returned problem into its failure report with
// FailOn / FailWith and stops; the report is exactly the one the check has always given (its
// message, or "Unexpected error occurred" for a bare failure, and the toolkit's error list where
// the kind asks for it). A program that inspects level files calls the same functions, shows each
// problem with its subject and detail, and goes on wherever the rest can still be checked.
//
// The check functions, by where they live (the headers of the import checks and of the driver
// say in which order the conversion calls them):
//
//   driver                     CheckOutputName, CheckLevelFileName, TryOpenMeshFile,
//                              CheckHasTriangles; CheckToolkitErrors after the last level
//   toolkit (ToolkitRecords.h) CheckToolkitErrors, FetchKeyframerSettings, FetchMesh,
//                              FetchObjectNode, FetchMaterial
//   import (ImportChecks.h)    CheckAnimSegment, CheckObjectCounts, CheckMeshRecord,
//                              CheckNodeRecord, CheckObjectName, CheckMeshFrame,
//                              CheckMeshGeometry, CheckNodeTracks, CheckMaterialMaps
//   node tree (NodeTree.h)     NodeTree::TryAddNode, NodeTree::TryComputeMatrices
//                              (NodeTree::TryNumberNodes, NodeTree::UnreachableNodes)
//   materials (MaterialTypes.h) ParseMaterialName
//   normals (MeshNormals.h)    TryComputeMeshNormals
//   animation (Shape.h)        Shape::TryAddNodeTrack
//   output (Shape.h)           Shape::TryPrepareOutput (NUMBERS_NOT_FINITE), before writing
//
// Functions named Try... do their work when they find nothing wrong; when they return a problem
// they add nothing to the model (TryNumberNodes has numbered the reachable nodes all the same),
// so that the checks after them can still run. The functions of the same names without Try
// (AddNode, NumberNodes, ComputeMatrices, ComputeMeshNormals, AddNodeTrack, OpenMeshFile) are
// the conversion's: they fail on the problem.
//
// Every kind of problem is listed once, in ProblemCode below, with its message; the table
// PROBLEM_KINDS (Problem.cpp) holds the same in data: a stable name, the message and whether the
// toolkit's list is added.
#ifndef TRIMORPH_PROBLEM_H
#define TRIMORPH_PROBLEM_H

#include <cstddef>
#include <initializer_list>
#include <string>

// Every kind of problem a check of the converter reports, in the order in which a conversion
// meets them. "bare" marks a failure whose report is "Unexpected error occurred": the converter
// prints no reason, the problem's detail says what is wrong. "+list" marks a report followed by
// the toolkit's error list. The values are stable; new kinds are added at the end.
enum class ProblemCode {
  NONE = 0,
  // The command line and the level files (the driver).
  OUTPUT_REPLACES_3DS = 1,       // "Output file '%s' would replace a 3ds file." (output name)
  OUTPUT_LOOKS_LIKE_OPTION = 2,  // "Output file name '%s' looks like an option."
  NO_DISTANCE_IN_NAME = 3,       // "Max. visible distance not found in file name"
  // bare, +list: the .3ds reader recorded an error: the file could not be opened or read, or a
  // record could not be fetched. Tested after each step of opening a level, after the mesh
  // settings, around every fetch, and after the last level.
  TOOLKIT_ERRORS = 4,
  NOT_A_MESH_FILE = 5,  // "3ds file does not contain a mesh."
  // The import of a level.
  ANIMATION_SEGMENT = 6,         // "Animation segment beginning/end do not match track limits."
  MESH_COUNT_WITHOUT_NODES = 7,  // "No nodes, so mesh count must be 1."
  // "Dummy nodes are not supported, number of nodes must match number of meshes."
  NODE_COUNT_MISMATCH = 8,
  UNTEXTURED_MESH = 9,      // "Untextured nodes/shapes are not supported."
  INSTANCE_NODE = 10,       // "Instance found in mesh file, instances are not supported."
  NODE_NAME_MISMATCH = 11,  // "Non-matching mesh and animation node found."
  // "Object name '%s' cannot be written to a shape file." (the mesh name)
  OBJECT_NAME_UNWRITABLE = 12,
  // "Node '%s' has a scale or reflection in it, these are not supported." (the node name)
  SCALED_NODE = 13,
  // "Node has a scale or reflection in it, these are not supported." (a mesh without node)
  SCALED_MESH = 14,
  // "Mesh '%s' has invalid geometry data.": arrays shorter than their counts, indices out of
  // range, numbers that are not finite (frame, vertices, texture coordinates, pivot, keys).
  INVALID_GEOMETRY = 15,
  // The node hierarchy.
  // "Instance found in mesh file, instances are not supported.": a parent name too long for a
  // node name, which only an instanced parent has.
  INSTANCED_PARENT = 16,
  NODE_NAME_TOO_LONG = 17,  // bare: a node name of more than 11 characters
  MULTIPLE_ROOTS = 18,      // "Animation hierarchy contains multiple root nodes"
  // "Conflicting hierarchy found, possible incompatibility between distance levels.": a node
  // given another parent than before, or the root given a parent.
  CONFLICTING_HIERARCHY = 19,
  HIERARCHY_CYCLE = 20,  // the same message: a node linked below itself
  // bare: a node not linked below the root, typically a mesh linked under a camera, light or
  // dummy object (which does not become a node).
  UNREACHABLE_NODE = 21,
  NODE_NOT_FOUND = 22,  // bare: a mesh's node is missing from the hierarchy (cannot happen)
  // Vertex normals.
  // bare: a face corner or smoothing mask missing (cannot happen after CheckMeshGeometry)
  NORMALS_MESH_INCONSISTENT = 23,
  // "The mesh contains one or more isolated vertices, that is, vertices that are not\nused in
  // any triangle, these must be removed before the mesh can be converted\n"
  ISOLATED_VERTICES = 24,
  // Animation tracks (first level).
  TRACKS_INCONSISTENT = 25,  // bare: keys without values (cannot happen after CheckNodeTracks)
  NODE_KEYS_TWICE = 26,      // bare: two animated objects of the first level with one name
  // Material groups.
  MATERIAL_NOT_FOUND = 27,     // "Material '%s' not found in 3ds file."
  MATERIAL_NAME_FORMAT = 28,   // "Material name '%s' not in recognised format."
  MATERIAL_TYPE_UNKNOWN = 29,  // "Material '%s' is not of known type."
  NO_TEXTURE_NAME = 30,        // "No texture name found in material '%s'."
  // "No reflection map texture name found in material '%s' texture 2."
  NO_REFLECTION_MAP = 31,
  // "Texture name '%s' of material '%s' cannot be written to a shape file."
  TEXTURE_NAME_UNWRITABLE = 32,
  // bare: no vertex normal serves a face's smoothing groups (cannot happen for a mesh's faces)
  NORMAL_NOT_FOUND = 33,
  // Writing the shape file.
  NO_TRIANGLES = 34,         // "The shape has no triangles: no face of any level has a material."
  OUTPUT_OPEN_FAILED = 35,   // "Failed to open output file."
  OUTPUT_WRITE_FAILED = 36,  // "Failed to write output file."
  // Anywhere.
  OUT_OF_MEMORY = 37,  // bare: memory ran out ("trimorph: out of memory" on standard error)
  // Writing the shape file: "The model's coordinates are too large: the shape would hold numbers
  // that are not finite." (coordinates near the largest float overflow in normals, frames or
  // bounding spheres)
  NUMBERS_NOT_FINITE = 38,
};

// One kind of problem as the converter reports it.
struct ProblemKind {
  ProblemCode code;
  const char* name;  // stable identifier, such as "no-texture-name"
  // The report's message; each "%s" takes one of the names given to MakeProblem, in order. None
  // for a bare report ("Unexpected error occurred").
  const char* message;
  bool toolkitErrors;  // the report adds the toolkit's error list
};

// Every kind, in the order of ProblemCode (PROBLEM_KINDS[i].code is ProblemCode(i + 1)).
extern const ProblemKind PROBLEM_KINDS[];
extern const size_t NUM_PROBLEM_KINDS;
const ProblemKind& KindOf(ProblemCode code);

// What one check found wrong; code NONE (false) when it found nothing.
struct Problem {
  ProblemCode code = ProblemCode::NONE;
  // The report's message exactly as the converter prints it after "While <context>"; empty for a
  // bare report, which prints "Unexpected error occurred".
  std::string message;
  bool toolkitErrors = false;  // the report adds the toolkit's error list (DumpErrorList3ds)
  std::string subject;         // the object, material, node or file concerned; empty if none
  // One line on what exactly is wrong. The converter does not print it (its output is fixed);
  // every bare problem has one.
  std::string detail;
  // The operating system's error code behind a failed file operation, 0 if none; the converter
  // prints its reason on standard error ("trimorph: <subject>: <reason>").
  int systemError = 0;

  explicit operator bool() const { return code != ProblemCode::NONE; }
};

// A problem of the kind. Its message is the kind's with the names filled in (when none are
// given, the subject fills every "%s").
Problem MakeProblem(ProblemCode code, std::string subject, std::string detail = std::string(),
                    std::initializer_list<const char*> names = {});

// The conversion's end on a problem: the operating system's reason on standard error when there
// is one, then Fail with the problem's report.
[[noreturn]] void FailWith(const Problem& problem);
// FailWith when there is a problem.
inline void FailOn(const Problem& problem) {
  if (problem) FailWith(problem);
}

#endif  // TRIMORPH_PROBLEM_H
