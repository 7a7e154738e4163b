// The kinds of findings: what each concerns and what to change. The hints are those of the
// README's table of failure messages.
#include "Findings.h"

#include <cstddef>
#include <iterator>

namespace {

// What the subject of a converter problem is, and what to change: one row per ProblemCode, in
// the order of the codes.
struct HintRow {
  ProblemCode code;
  const char* subject;
  const char* hint;
};

constexpr const char* REPORT_IT =
    "This should not happen; please report it to the Trimorph developers with the level files.";

constexpr HintRow HINTS[] = {
    {ProblemCode::OUTPUT_REPLACES_3DS, "file",
     "The first name given to trimorph is the shape file to write: it may not end in .3ds or be "
     "one of the level files."},
    {ProblemCode::OUTPUT_LOOKS_LIKE_OPTION, "file",
     "trimorph's only option is -jN before the output name: the first name is the shape file to "
     "write, and it may not begin with '-'."},
    {ProblemCode::NO_DISTANCE_IN_NAME, "file",
     "Name the level file {base name}{max dist}.3ds, e.g. tree50.3ds."},
    {ProblemCode::TOOLKIT_ERRORS, "file",
     "The .3ds file could not be read: it is missing, damaged or cut short. Save it again "
     "(--tree shows its chunks and where reading stopped)."},
    {ProblemCode::NOT_A_MESH_FILE, "file",
     "The file is a material library or another kind of 3D Studio file; save the scene as a "
     "mesh file."},
    {ProblemCode::ANIMATION_SEGMENT, "", "Set the active time segment to the whole animation."},
    {ProblemCode::MESH_COUNT_WITHOUT_NODES, "",
     "A file without keyframer data may hold one object only; add keyframer data or split the "
     "objects."},
    {ProblemCode::NODE_COUNT_MISMATCH, "",
     "Remove dummy objects: every keyframer object node must be a mesh, and every mesh needs "
     "one."},
    {ProblemCode::UNTEXTURED_MESH, "object", "Apply texture (UVW) mapping to the object."},
    {ProblemCode::INSTANCE_NODE, "node", "Make the instanced objects independent copies."},
    {ProblemCode::NODE_NAME_MISMATCH, "object",
     "Object and keyframer node order or names differ; save the file again from 3D Studio."},
    {ProblemCode::OBJECT_NAME_UNWRITABLE, "object",
     "Rename the object: names may not be empty or hold spaces, control characters, parentheses "
     "or double quotes."},
    {ProblemCode::SCALED_NODE, "node", "Reset the object's scale and mirroring (reset transform)."},
    {ProblemCode::SCALED_MESH, "object",
     "Reset the object's scale and mirroring (reset transform)."},
    {ProblemCode::INVALID_GEOMETRY, "object",
     "The object's faces, texture coordinates, smoothing groups or keys are damaged or hold "
     "numbers that are not finite; rebuild the object."},
    {ProblemCode::INSTANCED_PARENT, "node",
     "The node's parent is an instance; make the instanced objects independent copies."},
    {ProblemCode::NODE_NAME_TOO_LONG, "node",
     "Rename the node: node names hold at most 11 characters."},
    {ProblemCode::MULTIPLE_ROOTS, "node",
     "Link every object under one top object, the same one in every level."},
    {ProblemCode::CONFLICTING_HIERARCHY, "node",
     "Link the object under the same parent in every level; the top object has no parent in "
     "any level."},
    {ProblemCode::HIERARCHY_CYCLE, "node",
     "Unlink the object from below itself: an object cannot be linked under its own child."},
    {ProblemCode::UNREACHABLE_NODE, "node",
     "Link it under a mesh or unlink it: only meshes become nodes, cameras, lights and dummy "
     "objects do not."},
    {ProblemCode::NODE_NOT_FOUND, "object", REPORT_IT},
    {ProblemCode::NORMALS_MESH_INCONSISTENT, "object", REPORT_IT},
    {ProblemCode::ISOLATED_VERTICES, "object", "Delete the vertices that no face uses."},
    {ProblemCode::TRACKS_INCONSISTENT, "node",
     "The object's animation keys are damaged; delete its keys and set them again."},
    {ProblemCode::NODE_KEYS_TWICE, "node",
     "Rename one of the objects: the animated objects of the first level need names of their "
     "own."},
    {ProblemCode::MATERIAL_NOT_FOUND, "material",
     "An object uses a material the file does not define; assign a material of the file, or "
     "save the file with its materials."},
    {ProblemCode::MATERIAL_NAME_FORMAT, "material",
     "Name the material {type word}{sub-object number}[s]..., beginning with a type word such as "
     "SolidNorm."},
    {ProblemCode::MATERIAL_TYPE_UNKNOWN, "material",
     "Begin the name with a type word: Solid, Trans, Alph (with -, + or neither at the end) "
     "followed by Bright, HlfBrt, Norm, LoShine, HiShine, DrkShd or Crcfrm; or Gloss."},
    {ProblemCode::NO_TEXTURE_NAME, "material", "Give the material a texture map."},
    {ProblemCode::NO_REFLECTION_MAP, "material",
     "A Gloss material needs a reflection map besides its texture."},
    {ProblemCode::TEXTURE_NAME_UNWRITABLE, "material",
     "Rename the texture file: the part before its extension may not hold spaces, control "
     "characters, parentheses or double quotes."},
    {ProblemCode::NORMAL_NOT_FOUND, "object", REPORT_IT},
    {ProblemCode::NO_TRIANGLES, "",
     "Faces become triangles only through their material; assign materials to the objects' "
     "faces."},
    {ProblemCode::OUTPUT_OPEN_FAILED, "file",
     "The shape file cannot be created there (folder, permissions)."},
    {ProblemCode::OUTPUT_WRITE_FAILED, "file",
     "The shape file cannot be written there (disk space, permissions)."},
    {ProblemCode::OUT_OF_MEMORY, "", "Memory ran out; convert on a machine with more memory."},
    {ProblemCode::NUMBERS_NOT_FINITE, "",
     "Coordinates near the largest number 3D Studio can store overflow in what is computed from "
     "them; move the objects towards the origin or scale the model down."},
};

constexpr bool HintsInCodeOrder() {
  for (size_t i = 0; i < std::size(HINTS); ++i) {
    if (HINTS[i].code != ProblemCode(i + 1)) return false;
  }
  return true;
}
static_assert(HintsInCodeOrder(), "one hint per ProblemCode, in the order of the codes");

// The inspector's own kinds.
struct OwnRow {
  SetCode code;
  const char* name;
  const char* subject;
  const char* hint;
};

constexpr OwnRow OWN_KINDS[] = {
    {SetCode::LEVELS_OUT_OF_ORDER, "levels-out-of-order", "file",
     "Give the level files nearest first: each distance greater than the one before."},
    {SetCode::SAME_DISTANCE, "same-distance", "file",
     "Give each level file a distance of its own, unless the two files are meant to form one "
     "distance level together."},
    {SetCode::NODE_MISSING_FROM_NEARER_LEVEL, "node-missing-from-nearer-level", "node",
     "Add the object to the nearer levels too, or remove it from the farther ones: where it is "
     "missing it is not drawn."},
    {SetCode::TOO_MANY_LEVELS, "too-many-levels", "",
     "Give at most 32 level files: beyond that the levels in which a node occurs are mixed up."},
};

constexpr bool OwnKindsInCodeOrder() {
  for (size_t i = 0; i < std::size(OWN_KINDS); ++i) {
    if (OWN_KINDS[i].code != SetCode(i + 1)) return false;
  }
  return true;
}
static_assert(OwnKindsInCodeOrder(), "one row per SetCode, in the order of the codes");

const HintRow* HintOf(ProblemCode code) {
  const size_t i = size_t(code) - 1;
  return code != ProblemCode::NONE && i < std::size(HINTS) ? &HINTS[i] : nullptr;
}

const OwnRow* OwnOf(SetCode code) {
  const size_t i = size_t(code) - 1;
  return code != SetCode::NONE && i < std::size(OWN_KINDS) ? &OWN_KINDS[i] : nullptr;
}

}  // namespace

const char* FindingName(const Finding& f) {
  if (f.IsError()) return KindOf(f.code).name;
  const OwnRow* row = OwnOf(f.own);
  return row ? row->name : "unknown";
}

const char* SubjectNoun(const Finding& f) {
  if (f.IsError()) {
    const HintRow* row = HintOf(f.code);
    return row ? row->subject : "";
  }
  const OwnRow* row = OwnOf(f.own);
  return row ? row->subject : "";
}

const char* FindingHint(const Finding& f) {
  if (f.IsError()) {
    const HintRow* row = HintOf(f.code);
    return row ? row->hint : REPORT_IT;
  }
  const OwnRow* row = OwnOf(f.own);
  return row ? row->hint : "";
}
