// Fuzz target: one .3ds file through every reading operation of the toolkit.
//
// The file is opened and read into a database; every view (mesh settings, keyframer settings,
// each mesh, each material by every name the file holds, each keyframer node, node lookups by
// tag) runs first while the database is tied to the open file, so that payloads are decoded on
// demand and dropped again, then once more after the database has been disconnected and the
// file closed. The error list is emptied before each step so that every step runs, also after
// an earlier one failed.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "toolkit3ds_internal.h"

namespace {

// Keeps a damaged file with a huge number of objects from turning one input into a long run.
constexpr uint32_t MAX_VISITS = 4096;

void Views(Database3ds* db) {
  ResetErrorList3ds();
  GetDatabaseType3ds(db);

  MeshSettings3ds* settings = nullptr;
  GetMeshSettings3ds(db, &settings);
  ReleaseMeshSettings3ds(&settings);
  ResetErrorList3ds();

  KfSets3ds* kfsets = nullptr;
  GetKeyframerSettings3ds(db, &kfsets);
  ReleaseKeyframerSettings3ds(&kfsets);
  ResetErrorList3ds();

  // Meshes, one past the last as well; the names of their material groups are kept.
  std::vector<std::string> materialNames;
  const uint32_t meshes = GetMeshCount3ds(db);
  for (uint32_t i = 0; i <= meshes && i < MAX_VISITS; ++i) {
    ResetErrorList3ds();
    Mesh3ds* mesh = nullptr;
    GetMeshByIndex3ds(db, i, &mesh);
    if (mesh) {
      for (uint32_t g = 0; g < mesh->matgroupcount && g < mesh->matgrouparray.size(); ++g) {
        materialNames.push_back(mesh->matgrouparray[g].name);
      }
    }
    ReleaseMesh3ds(&mesh);
  }

  // Materials by the names of the material list and by the names the meshes use.
  ResetErrorList3ds();
  RefreshMaterialList3ds(db);
  if (db->materiallist) {
    for (uint32_t i = 0; i < db->materiallist->count && i < MAX_VISITS; ++i) {
      materialNames.push_back(db->materiallist->entries[i].name);
    }
  }
  materialNames.push_back("");
  for (size_t i = 0; i < materialNames.size() && i < MAX_VISITS; ++i) {
    ResetErrorList3ds();
    Material3ds* material = nullptr;
    GetMaterialByName3ds(db, materialNames[i].c_str(), &material);
    ReleaseMaterial3ds(&material);
  }

  // Keyframer object nodes, one past the last as well, and every node tag's list.
  const uint32_t nodes = GetObjectNodeCount3ds(db);
  for (uint32_t i = 0; i <= nodes && i < MAX_VISITS; ++i) {
    ResetErrorList3ds();
    KfMesh3ds* kf = nullptr;
    GetObjectNodeByIndex3ds(db, i, &kf);
    ReleaseObjectNode3ds(&kf);
  }
  for (uint32_t tag : KF_NODE_TAGS) {
    ResetErrorList3ds();
    uint32_t count = GetNodeCount3ds(db, tag);
    for (uint32_t i = 0; i <= count && i < MAX_VISITS; ++i) GetNodeByIndex3ds(db, i, tag);
  }
  ResetErrorList3ds();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::WorkFile("input.3ds");
  fuzz::WriteInput(path, data, size);
  fuzz::ResetToolkit();

  File3ds* file = OpenFile3ds(path.c_str(), "rw");
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  CreateDatabase3ds(file, db);
  if (db) {
    Views(db);
    // A copy of the tree while it is tied to the file (records move to the copy).
    Chunk3ds* copy = nullptr;
    if (db->rootchunk) CopyChunk3ds(db->rootchunk, &copy);
    ReleaseChunk3ds(&copy);
    ResetErrorList3ds();
    DisconnectDatabase3ds(db);
  }
  CloseFile3ds(file);
  if (db) {
    Views(db);
    // And a deep copy of the detached tree.
    Chunk3ds* copy = nullptr;
    if (db->rootchunk) CopyChunk3ds(db->rootchunk, &copy);
    ReleaseChunk3ds(&copy);
  }
  ReleaseDatabase3ds(&db);
  fuzz::ResetToolkit();
  return 0;
}
