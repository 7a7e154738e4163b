// Toolkit fetches into owning handles.
#include "ToolkitRecords.h"

MeshHandle FetchMesh(Database3ds* db, uint32_t index) {
  Mesh3ds* mesh = nullptr;
  GetMeshByIndex3ds(db, index, &mesh);
  return MeshHandle(mesh);
}

MeshSettingsHandle FetchMeshSettings(Database3ds* db) {
  MeshSettings3ds* settings = nullptr;
  GetMeshSettings3ds(db, &settings);
  return MeshSettingsHandle(settings);
}

MaterialHandle FetchMaterial(Database3ds* db, const char* name) {
  Material3ds* material = nullptr;
  GetMaterialByName3ds(db, name, &material);
  return MaterialHandle(material);
}

ObjectNodeHandle FetchObjectNode(Database3ds* db, uint32_t index) {
  KfMesh3ds* node = nullptr;
  GetObjectNodeByIndex3ds(db, index, &node);
  return ObjectNodeHandle(node);
}

KeyframerSettingsHandle FetchKeyframerSettings(Database3ds* db) {
  KfSets3ds* sets = nullptr;
  GetKeyframerSettings3ds(db, &sets);
  return KeyframerSettingsHandle(sets);
}
