// Owning handles of the toolkit's records.
//
// The converter holds every record it fetches from the toolkit (and the database and file of a
// level) through one of these handles: a std::unique_ptr whose deleter is the record's
// Release...3ds function. A record is released when its handle goes out of scope, on every path
// out of it (a failure that unwinds in the fuzzing build included), and handles declared in one
// scope release their records in the reverse order of their declarations.
//
// The Fetch... functions run a toolkit fetch into a handle. A fetch that fills nothing (an
// earlier toolkit error is pending, or the record is not there) leaves the handle empty.
#ifndef TRIMORPH_TOOLKITRECORDS_H
#define TRIMORPH_TOOLKITRECORDS_H

#include <cstdint>
#include <memory>

#include "Problem.h"
#include "toolkit3ds/toolkit3ds.h"

// The deleter of a handle: the toolkit's release function of the record.
template <class T, void (*RELEASE)(T**)>
struct ReleaseRecord3ds {
  void operator()(T* record) const { RELEASE(&record); }
};

struct CloseFileRecord3ds {
  void operator()(File3ds* file) const { CloseFile3ds(file); }
};

using FileHandle = std::unique_ptr<File3ds, CloseFileRecord3ds>;
using DatabaseHandle =
    std::unique_ptr<Database3ds, ReleaseRecord3ds<Database3ds, ReleaseDatabase3ds>>;
using MeshHandle = std::unique_ptr<Mesh3ds, ReleaseRecord3ds<Mesh3ds, ReleaseMesh3ds>>;
using MeshSettingsHandle =
    std::unique_ptr<MeshSettings3ds, ReleaseRecord3ds<MeshSettings3ds, ReleaseMeshSettings3ds>>;
using MaterialHandle =
    std::unique_ptr<Material3ds, ReleaseRecord3ds<Material3ds, ReleaseMaterial3ds>>;
using ObjectNodeHandle =
    std::unique_ptr<KfMesh3ds, ReleaseRecord3ds<KfMesh3ds, ReleaseObjectNode3ds>>;
using KeyframerSettingsHandle =
    std::unique_ptr<KfSets3ds, ReleaseRecord3ds<KfSets3ds, ReleaseKeyframerSettings3ds>>;

// The database's mesh settings (GetMeshSettings3ds); the caller tests the toolkit's error flag.
MeshSettingsHandle FetchMeshSettings(Database3ds* db);

// The fetches of the import. A fetch fills nothing when a toolkit error is pending before it (or
// when its record cannot be made): the problem is then TOOLKIT_ERRORS, whose report is the
// toolkit's error list, never a complaint about the record that was not read. A fetch also
// fails so when an error was pending before it, even if it filled the record, and when the
// toolkit has run out of memory (ERR_NO_MEM), which can leave a record filled only in part.

// Mesh number index of the database (GetMeshByIndex3ds).
Problem FetchMesh(Database3ds* db, uint32_t index, MeshHandle& mesh);
// Keyframer object node number index (GetObjectNodeByIndex3ds). Without required (a level
// without keyframer data) the node may be missing and nothing is checked.
Problem FetchObjectNode(Database3ds* db, uint32_t index, bool required, ObjectNodeHandle& node);
// The material of the name (GetMaterialByName3ds); MATERIAL_NOT_FOUND when the file has none.
Problem FetchMaterial(Database3ds* db, const char* name, MaterialHandle& material);
// The keyframer settings (GetKeyframerSettings3ds).
Problem FetchKeyframerSettings(Database3ds* db, KeyframerSettingsHandle& sets);

// TOOLKIT_ERRORS when the toolkit's error flag is set; doing says what was being done ("reading
// the mesh settings").
Problem CheckToolkitErrors(const char* doing);

#endif  // TRIMORPH_TOOLKITRECORDS_H
