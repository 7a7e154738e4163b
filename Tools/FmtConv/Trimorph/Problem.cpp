// The kinds of problems the converter reports, and the failure a problem ends a conversion with.
#include "Problem.h"

#include <cstdio>
#include <cstdlib>

#include "Fail.h"

namespace {

const char* const CONFLICTING_HIERARCHY =
    "Conflicting hierarchy found, possible incompatibility between distance levels.";
const char* const INSTANCE = "Instance found in mesh file, instances are not supported.";

}  // namespace

const ProblemKind PROBLEM_KINDS[] = {
    {ProblemCode::OUTPUT_REPLACES_3DS, "output-replaces-3ds",
     "Output file '%s' would replace a 3ds file.", false},
    {ProblemCode::OUTPUT_LOOKS_LIKE_OPTION, "output-looks-like-option",
     "Output file name '%s' looks like an option.", false},
    {ProblemCode::NO_DISTANCE_IN_NAME, "no-distance-in-name",
     "Max. visible distance not found in file name", false},
    {ProblemCode::TOOLKIT_ERRORS, "toolkit-errors", nullptr, true},
    {ProblemCode::NOT_A_MESH_FILE, "not-a-mesh-file", "3ds file does not contain a mesh.", false},
    {ProblemCode::ANIMATION_SEGMENT, "animation-segment",
     "Animation segment beginning/end do not match track limits.", false},
    {ProblemCode::MESH_COUNT_WITHOUT_NODES, "mesh-count-without-nodes",
     "No nodes, so mesh count must be 1.", false},
    {ProblemCode::NODE_COUNT_MISMATCH, "node-count-mismatch",
     "Dummy nodes are not supported, number of nodes must match number of meshes.", false},
    {ProblemCode::UNTEXTURED_MESH, "untextured-mesh", "Untextured nodes/shapes are not supported.",
     false},
    {ProblemCode::INSTANCE_NODE, "instance-node", INSTANCE, false},
    {ProblemCode::NODE_NAME_MISMATCH, "node-name-mismatch",
     "Non-matching mesh and animation node found.", false},
    {ProblemCode::OBJECT_NAME_UNWRITABLE, "object-name-unwritable",
     "Object name '%s' cannot be written to a shape file.", false},
    {ProblemCode::SCALED_NODE, "scaled-node",
     "Node '%s' has a scale or reflection in it, these are not supported.", false},
    {ProblemCode::SCALED_MESH, "scaled-mesh",
     "Node has a scale or reflection in it, these are not supported.", false},
    {ProblemCode::INVALID_GEOMETRY, "invalid-geometry", "Mesh '%s' has invalid geometry data.",
     false},
    {ProblemCode::INSTANCED_PARENT, "instanced-parent", INSTANCE, false},
    {ProblemCode::NODE_NAME_TOO_LONG, "node-name-too-long", nullptr, false},
    {ProblemCode::MULTIPLE_ROOTS, "multiple-roots",
     "Animation hierarchy contains multiple root nodes", false},
    {ProblemCode::CONFLICTING_HIERARCHY, "conflicting-hierarchy", CONFLICTING_HIERARCHY, false},
    {ProblemCode::HIERARCHY_CYCLE, "hierarchy-cycle", CONFLICTING_HIERARCHY, false},
    {ProblemCode::UNREACHABLE_NODE, "unreachable-node", nullptr, false},
    {ProblemCode::NODE_NOT_FOUND, "node-not-found", nullptr, false},
    {ProblemCode::NORMALS_MESH_INCONSISTENT, "normals-mesh-inconsistent", nullptr, false},
    {ProblemCode::ISOLATED_VERTICES, "isolated-vertices",
     "The mesh contains one or more isolated vertices, that is, vertices that are not\n"
     "used in any triangle, these must be removed before the mesh can be converted\n",
     false},
    {ProblemCode::TRACKS_INCONSISTENT, "tracks-inconsistent", nullptr, false},
    {ProblemCode::NODE_KEYS_TWICE, "node-keys-twice", nullptr, false},
    {ProblemCode::MATERIAL_NOT_FOUND, "material-not-found", "Material '%s' not found in 3ds file.",
     false},
    {ProblemCode::MATERIAL_NAME_FORMAT, "material-name-format",
     "Material name '%s' not in recognised format.", false},
    {ProblemCode::MATERIAL_TYPE_UNKNOWN, "material-type-unknown",
     "Material '%s' is not of known type.", false},
    {ProblemCode::NO_TEXTURE_NAME, "no-texture-name", "No texture name found in material '%s'.",
     false},
    {ProblemCode::NO_REFLECTION_MAP, "no-reflection-map",
     "No reflection map texture name found in material '%s' texture 2.", false},
    {ProblemCode::TEXTURE_NAME_UNWRITABLE, "texture-name-unwritable",
     "Texture name '%s' of material '%s' cannot be written to a shape file.", false},
    {ProblemCode::NORMAL_NOT_FOUND, "normal-not-found", nullptr, false},
    {ProblemCode::NO_TRIANGLES, "no-triangles",
     "The shape has no triangles: no face of any level has a material.", false},
    {ProblemCode::OUTPUT_OPEN_FAILED, "output-open-failed", "Failed to open output file.", false},
    {ProblemCode::OUTPUT_WRITE_FAILED, "output-write-failed", "Failed to write output file.",
     false},
    {ProblemCode::OUT_OF_MEMORY, "out-of-memory", nullptr, false},
    {ProblemCode::NUMBERS_NOT_FINITE, "numbers-not-finite",
     "The model's coordinates are too large: the shape would hold numbers that are not finite.",
     false},
};

const size_t NUM_PROBLEM_KINDS = sizeof PROBLEM_KINDS / sizeof PROBLEM_KINDS[0];

const ProblemKind& KindOf(ProblemCode code) {
  const size_t i = size_t(code) - 1;
  // A code without a kind is a programming error; there is no report to give for it.
  if (code == ProblemCode::NONE || i >= NUM_PROBLEM_KINDS) abort();
  return PROBLEM_KINDS[i];
}

Problem MakeProblem(ProblemCode code, std::string subject, std::string detail,
                    std::initializer_list<const char*> names) {
  const ProblemKind& kind = KindOf(code);
  Problem p;
  p.code = code;
  p.toolkitErrors = kind.toolkitErrors;
  if (kind.message) {
    // Each "%s" takes the next name; the subject when no names are given.
    const char* const* name = names.begin();
    for (const char* m = kind.message; *m; ++m) {
      if (m[0] == '%' && m[1] == 's') {
        if (names.size() == 0) {
          p.message += subject;
        } else if (name != names.end()) {
          p.message += *name++;
        }
        ++m;
      } else {
        p.message += *m;
      }
    }
  }
  p.subject = std::move(subject);
  p.detail = std::move(detail);
  return p;
}

void FailWith(const Problem& problem) {
  ReportSystemError(problem.subject.c_str(), problem.systemError);
  // Through the message buffer, which holds what the report has always held.
  const char* message =
      problem.message.empty() ? nullptr : MakeMessage("%s", problem.message.c_str());
  Fail(message, problem.toolkitErrors);
}
