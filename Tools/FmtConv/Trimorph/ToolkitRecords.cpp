// Toolkit fetches into owning handles, and the checks of the toolkit's error flag.
#include "ToolkitRecords.h"

#include <cstring>
#include <string>

namespace {

// Whether the toolkit has recorded that memory ran out. A record fetched then may have been
// filled only in part, and the checks would take what is missing for a fault of the file.
bool ToolkitRanOutOfMemory() {
  if (!ErrorsPending3ds) return false;
  const char* messages[32];
  const int n = GetErrorMessages3ds(messages, 32);
  const char* noMemory = ErrorMessage3ds(ERR_NO_MEM);
  for (int i = 0; i < n && i < 32; ++i) {
    if (strcmp(messages[i], noMemory) == 0) return true;
  }
  return false;
}

Problem NotRead(const std::string& what, std::string subject = std::string()) {
  return MakeProblem(ProblemCode::TOOLKIT_ERRORS, std::move(subject),
                     "the .3ds reader could not read " + what);
}

}  // namespace

MeshSettingsHandle FetchMeshSettings(Database3ds* db) {
  MeshSettings3ds* settings = nullptr;
  GetMeshSettings3ds(db, &settings);
  return MeshSettingsHandle(settings);
}

Problem FetchMesh(Database3ds* db, uint32_t index, MeshHandle& mesh) {
  const bool errorWasPending = ErrorsPending3ds;
  Mesh3ds* record = nullptr;
  GetMeshByIndex3ds(db, index, &record);
  mesh.reset(record);
  if (!mesh || errorWasPending || ToolkitRanOutOfMemory()) {
    return NotRead("mesh " + std::to_string(index));
  }
  return Problem();
}

Problem FetchObjectNode(Database3ds* db, uint32_t index, bool required, ObjectNodeHandle& node) {
  const bool errorWasPending = ErrorsPending3ds;
  KfMesh3ds* record = nullptr;
  GetObjectNodeByIndex3ds(db, index, &record);
  node.reset(record);
  const bool untrusted = node && ToolkitRanOutOfMemory();
  if (untrusted || (required && (!node || errorWasPending))) {
    return NotRead("keyframer object node " + std::to_string(index));
  }
  return Problem();
}

Problem FetchMaterial(Database3ds* db, const char* name, MaterialHandle& material) {
  const bool errorWasPending = ErrorsPending3ds;
  Material3ds* record = nullptr;
  GetMaterialByName3ds(db, name, &record);
  material.reset(record);
  if (errorWasPending || (!material && ErrorsPending3ds) || ToolkitRanOutOfMemory()) {
    return NotRead("material '" + std::string(name) + "'", name);
  }
  if (!material) {
    return MakeProblem(ProblemCode::MATERIAL_NOT_FOUND, name,
                       "a material group names material '" + std::string(name) +
                           "', which the file does not define");
  }
  return Problem();
}

Problem FetchKeyframerSettings(Database3ds* db, KeyframerSettingsHandle& sets) {
  const bool errorWasPending = ErrorsPending3ds;
  KfSets3ds* record = nullptr;
  GetKeyframerSettings3ds(db, &record);
  sets.reset(record);
  if (!sets || errorWasPending || ToolkitRanOutOfMemory()) {
    return NotRead("the keyframer settings");
  }
  return Problem();
}

Problem CheckToolkitErrors(const char* doing) {
  if (!ErrorsPending3ds) return Problem();
  return MakeProblem(ProblemCode::TOOLKIT_ERRORS, std::string(),
                     std::string("the .3ds reader reported errors while ") + doing);
}
