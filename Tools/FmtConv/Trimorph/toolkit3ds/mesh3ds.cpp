// Mesh objects: the named-object list of a database, the triangle meshes among its named
// objects as self-contained Mesh3ds records, and the scene's global mesh settings.
//
// A fetched mesh holds no reference into the database. It is filled from a private copy of the
// object's chunk tree, and its arrays are moved out of the decoded records of that copy rather
// than copied element by element; the copy is released afterwards.
#include <cstring>

#include "toolkit3ds_internal.h"

namespace {

constexpr uint32_t ALL_MESH_FIELDS3DS = POINT_ARRAY3DS | TEXT_ARRAY3DS | FACE_ARRAY3DS |
                                        MAT_ARRAY3DS | SMOOTH_ARRAY3DS | PROC_DATA3DS |
                                        VERT_FLAGS3DS;

// 1/256: the scale of a 24-bit colour component.
constexpr float COLOUR24_SCALE3DS = 0.00390625f;

// Copies text into a fixed field of size bytes, cut to size - 1 characters and NUL-terminated.
void CopyName(char* field, size_t size, const std::string& text) {
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  memcpy(field, text.data(), n);
  memset(field + n, 0, size - n);
}

// Releases a chunk tree when it goes out of scope, so that every way out of a fetch frees the
// private copy.
class ChunkGuard {
 public:
  ChunkGuard() = default;
  ~ChunkGuard() { ReleaseChunk3ds(&chunk_); }
  ChunkGuard(const ChunkGuard&) = delete;
  ChunkGuard& operator=(const ChunkGuard&) = delete;
  Chunk3ds** handle() { return &chunk_; }
  Chunk3ds* get() const { return chunk_; }

 private:
  Chunk3ds* chunk_ = nullptr;
};

// The first chunk with the tag among the direct children of parent, or null.
Chunk3ds* FindChild(Chunk3ds* parent, uint32_t tag) {
  Chunk3ds* found = nullptr;
  FindNextChunk3ds(parent->firstchild, tag, &found);
  return found;
}

bool HasChunk(Chunk3ds* start, uint32_t tag) {
  Chunk3ds* found = nullptr;
  FindChunk3ds(start, tag, &found);
  return found != nullptr;
}

// The chunk's decoded record of the kind T, or null when it has none of that kind.
template <class T>
T* Decode(Chunk3ds* chunk) {
  return DataAs3ds<T>(ReadChunkData3ds(chunk));
}

// Takes a decoded array over into a record field. The count given to the record is the number
// of elements the array really holds (0 when the decoder could not have it).
template <class T, class Count>
void TakeOver(Array3ds<T>* from, Array3ds<T>* to, Count* count) {
  *to = std::move(*from);
  *count = Count(to->size());
}

// Sizes one array field of a mesh to count elements (see InitMeshField3ds). Returns false when
// an error was recorded.
template <class T, class Fresh>
bool SizeField(Mesh3ds* mesh, uint32_t bit, Array3ds<T>* array, size_t count, Fresh fresh) {
  if (count == 0) {
    ReleaseMeshField3ds(mesh, bit);
    return true;
  }
  if (*array) {
    // Resize keeps the old array when the memory cannot be had.
    if (!array->Resize(count)) {
      PushError3ds(ERR_NO_MEM);
      return false;
    }
    return true;
  }
  Array3ds<T> created;
  if (!created.Allocate(count)) {
    PushError3ds(ERR_NO_MEM);
    return false;
  }
  for (size_t i = 0; i < count; ++i) fresh(created[i]);
  *array = std::move(created);
  return true;
}

// The material groups of a face list: the first CHUNK_MESH_MATERIAL_GROUP below it and each
// following CHUNK_MESH_MATERIAL_GROUP sibling, in file order. Their face indices are taken over.
void ReadMaterialGroups(Chunk3ds* faces, Mesh3ds* mesh) {
  Chunk3ds* first = nullptr;
  FindChunk3ds(faces, CHUNK_MESH_MATERIAL_GROUP, &first);
  if (!first) return;

  // The count is a 16-bit field; groups beyond what it can hold are left out, so that the
  // count always matches the array.
  size_t count = 0;
  for (Chunk3ds* g = first; g && count < UINT16_MAX; ++count) {
    Chunk3ds* following = nullptr;
    FindNextChunk3ds(g->next, CHUNK_MESH_MATERIAL_GROUP, &following);
    g = following;
  }
  mesh->matgroupcount = 0;
  if (!mesh->matgrouparray.Allocate(count)) {
    mesh->matgrouparray.Reset();
    PushError3ds(ERR_NO_MEM);
    return;
  }
  mesh->matgroupcount = uint16_t(count);

  Chunk3ds* g = first;
  for (size_t i = 0; i < count && g; ++i) {
    MeshMatGroup3ds& entry = mesh->matgrouparray[i];
    if (auto* data = Decode<MatGroupData3ds>(g)) {
      CopyName(entry.name, sizeof entry.name, data->name);
      TakeOver(&data->faces, &entry.triangleindex, &entry.trianglecount);
    }
    Chunk3ds* following = nullptr;
    FindNextChunk3ds(g->next, CHUNK_MESH_MATERIAL_GROUP, &following);
    g = following;
  }
}

// The children of a face list: material groups, smoothing groups and box-mapping names.
void ReadFaceChildren(Chunk3ds* faces, Mesh3ds* mesh) {
  ReadMaterialGroups(faces, mesh);
  if (Chunk3ds* smoothing = FindChild(faces, CHUNK_MESH_SMOOTHING_GROUPS)) {
    if (auto* data = Decode<SmoothGroupData3ds>(smoothing)) {
      mesh->smoothingarray = std::move(data->groups);
      data->count = 0;
    }
  }
  if (Chunk3ds* box = FindChild(faces, CHUNK_MESH_BOX_MAP)) {
    if (auto* data = Decode<BoxMapData3ds>(box)) {
      for (int i = 0; i < 6; ++i) {
        CopyName(mesh->boxmaterials[i], sizeof mesh->boxmaterials[i], data->names[i]);
      }
      mesh->hasboxmaterials = 1;
    }
  }
}

// One child of the triangle-mesh chunk.
void ReadMeshChild(Chunk3ds* child, Mesh3ds* mesh) {
  switch (child->tag) {
    case CHUNK_MESH_VERTICES:
      if (auto* data = Decode<PointArrayData3ds>(child)) {
        TakeOver(&data->points, &mesh->pointarray, &mesh->pointcount);
        data->count = 0;
      }
      break;
    case CHUNK_MESH_VERTEX_FLAGS:
      if (auto* data = Decode<VertFlagData3ds>(child)) {
        TakeOver(&data->flags, &mesh->vertflagarray, &mesh->vertflagcount);
        data->count = 0;
      }
      break;
    case CHUNK_MESH_FACES:
      if (auto* data = Decode<FaceArrayData3ds>(child)) {
        TakeOver(&data->faces, &mesh->trianglearray, &mesh->trianglecount);
        data->count = 0;
      }
      if (child->firstchild) ReadFaceChildren(child, mesh);
      break;
    case CHUNK_MESH_TEXTURE_VERTICES:
      if (auto* data = Decode<TexVertData3ds>(child)) {
        TakeOver(&data->texverts, &mesh->textarray, &mesh->textcount);
        data->count = 0;
      }
      break;
    case CHUNK_MESH_LOCAL_AXES:
      if (auto* data = Decode<MeshMatrixData3ds>(child)) {
        memcpy(mesh->localframe, data->xmatrix, sizeof mesh->localframe);
      }
      break;
    case CHUNK_MESH_COLOUR:
      if (auto* data = Decode<ByteData3ds>(child)) mesh->displaycolour = data->value;
      break;
    case CHUNK_MESH_MAPPING_ICON:
      if (auto* data = Decode<MapIconData3ds>(child)) {
        MapIcon3ds& icon = mesh->mapicon;
        mesh->hasmapicon = 1;
        icon.icontype = data->icontype;
        icon.tilingx = data->tilingx;
        icon.tilingy = data->tilingy;
        icon.centrex = data->centrex;
        icon.centrey = data->centrey;
        icon.centrez = data->centrez;
        icon.iconscale = data->iconscale;
        memcpy(icon.iconframe, data->iconframe, sizeof icon.iconframe);
        icon.planarwidth = data->planarwidth;
        icon.planarheight = data->planarheight;
        icon.cylinderheight = data->cylinderheight;
      }
      break;
    case CHUNK_PROCEDURE_NAME:
      if (auto* data = Decode<StringData3ds>(child)) {
        CopyName(mesh->procedurename, sizeof mesh->procedurename, data->value);
      }
      break;
    case CHUNK_PROCEDURE_DATA:
      if (auto* data = Decode<BytesData3ds>(child)) {
        // A copy: the decoded block may view the file's bytes, which the mesh must not hold.
        if (data->bytes.CopyTo(&mesh->proceduredata)) {
          mesh->procdatasize = uint32_t(mesh->proceduredata.size());
        } else {
          PushError3ds(ERR_NO_MEM);
        }
      }
      break;
    default:
      break;  // other children of the mesh are not part of the record
  }
}

// The value of a colour chunk (CHUNK_COLOUR_FLOAT/CHUNK_LINEAR_COLOUR_FLOAT floats,
// CHUNK_COLOUR_24/CHUNK_LINEAR_COLOUR_24 bytes scaled by 1/256) into rgb, when the chunk decodes;
// the chunk's record is dropped afterwards.
void ReadColour(Chunk3ds* chunk, float* rgb) {
  ChunkData3ds* data = ReadChunkData3ds(chunk);
  if (auto* f = DataAs3ds<ColorFData3ds>(data)) {
    rgb[0] = f->r;
    rgb[1] = f->g;
    rgb[2] = f->b;
  } else if (auto* b = DataAs3ds<Color24Data3ds>(data)) {
    rgb[0] = b->r * COLOUR24_SCALE3DS;
    rgb[1] = b->g * COLOUR24_SCALE3DS;
    rgb[2] = b->b * COLOUR24_SCALE3DS;
  }
  DropChunkData3ds(chunk);
}

// The ambient light: the float colour, or else the 24-bit one; then the linear float colour, or
// else the linear 24-bit one, which replaces the first when present.
void ReadAmbient(Chunk3ds* ambient, float* rgb) {
  static const uint32_t searches[2][2] = {{CHUNK_COLOUR_FLOAT, CHUNK_COLOUR_24},
                                          {CHUNK_LINEAR_COLOUR_FLOAT, CHUNK_LINEAR_COLOUR_24}};
  for (const auto& tags : searches) {
    Chunk3ds* colour = nullptr;
    FindChunk3ds(ambient, tags[0], &colour);
    if (!colour) FindChunk3ds(ambient, tags[1], &colour);
    if (colour) ReadColour(colour, rgb);
  }
}

}  // namespace

//--------------------------------------------------------------------------------------------
// Named-object list and mesh fetches
//--------------------------------------------------------------------------------------------

void RefreshObjectList3ds(Database3ds* db) {
  if (!db) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->objectsstale) return;
  ReleaseNameList3ds(&db->objectlist);
  if (ErrorsPending3ds) return;

  // The named objects are the first CHUNK_NAMED_OBJECT in the mesh section and its
  // CHUNK_NAMED_OBJECT siblings.
  Chunk3ds* section = nullptr;
  Chunk3ds* first = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_MESH_SECTION, &section);
  if (section) FindChunk3ds(section, CHUNK_NAMED_OBJECT, &first);
  uint32_t count = 0;
  for (Chunk3ds* c = first; c; ++count) FindNextChunk3ds(c->next, CHUNK_NAMED_OBJECT, &c);

  InitNameList3ds(&db->objectlist, count);
  if (ErrorsPending3ds) {
    ReleaseNameList3ds(&db->objectlist);
    return;
  }
  Chunk3ds* c = first;
  for (uint32_t i = 0; i < count && c; ++i) {
    auto* name = DataAs3ds<StringData3ds>(ReadChunkData3ds(c));
    if (ErrorsPending3ds) {
      // A list that could not be built in full is not kept: the next use tries again.
      ReleaseNameList3ds(&db->objectlist);
      return;
    }
    NameListEntry3ds& entry = db->objectlist->entries[i];
    entry.chunk = c;
    if (name) entry.name = name->value;
    FindNextChunk3ds(c->next, CHUNK_NAMED_OBJECT, &c);
  }
  // The list is current only once it is complete.
  db->objectsstale = 0;
}

uint32_t GetMeshCount3ds(Database3ds* db) {
  RefreshObjectList3ds(db);
  if (ErrorsPending3ds || !db || !db->objectlist) return 0;
  uint32_t meshes = 0;
  const NameList3ds& list = *db->objectlist;
  for (uint32_t i = 0; i < list.count; ++i) {
    if (HasChunk(list.entries[i].chunk, CHUNK_TRIANGLE_MESH)) ++meshes;
  }
  return meshes;
}

void GetMeshByIndex3ds(Database3ds* db, uint32_t index, Mesh3ds** handle) {
  if (!db || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!db->rootchunk) {
    PushError3ds(ERR_INVALID_DATABASE);
    return;
  }
  if (db->rootchunk->tag != CHUNK_MESH_FILE && db->rootchunk->tag != CHUNK_SCENE_FILE) {
    PushError3ds(ERR_WRONG_DATABASE);
    return;
  }
  RefreshObjectList3ds(db);
  if (!db->objectlist) return;

  // Counting goes on from the mesh found last when it comes no later than the one asked for.
  NameList3ds& list = *db->objectlist;
  uint32_t meshes = 0, i = 0;
  if (list.cursorkind == CHUNK_TRIANGLE_MESH && list.cursorindex <= index) {
    meshes = list.cursorindex;
    i = list.cursorpos;
  }
  for (; i < list.count; ++i) {
    Chunk3ds* object = list.entries[i].chunk;
    if (!HasChunk(object, CHUNK_TRIANGLE_MESH)) continue;
    if (meshes == index) {
      list.cursorkind = CHUNK_TRIANGLE_MESH;
      list.cursorindex = index;
      list.cursorpos = i;
      GetMeshFromChunk3ds(object, handle);
      return;
    }
    ++meshes;
  }
  // An index past the last mesh fills nothing.
}

void GetMeshFromChunk3ds(Chunk3ds* chunk, Mesh3ds** handle) {
  if (!chunk || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!FindChild(chunk, CHUNK_TRIANGLE_MESH)) {
    PushError3ds(ERR_WRONG_OBJECT);
    return;
  }
  // Nothing of an object fetched earlier into the same record survives: every array goes before
  // the counts are reset.
  if (*handle) ReleaseMeshField3ds(*handle, ALL_MESH_FIELDS3DS);
  InitMesh3ds(handle, 0, 0, 0);
  if (!*handle || ErrorsPending3ds) return;
  Mesh3ds* mesh = *handle;

  ChunkGuard copy;
  CopyChunk3ds(chunk, copy.handle());
  if (ErrorsPending3ds || !copy.get()) return;
  Chunk3ds* object = copy.get();

  if (auto* name = Decode<StringData3ds>(object)) {
    CopyName(mesh->name, sizeof mesh->name, name->value);
  }
  if (Chunk3ds* trimesh = FindChild(object, CHUNK_TRIANGLE_MESH)) {
    for (Chunk3ds* child = trimesh->firstchild; child; child = child->next) {
      ReadMeshChild(child, mesh);
    }
  }

  mesh->hidden = FindChild(object, CHUNK_OBJECT_HIDDEN) ? 1 : 0;
  mesh->showinlofter = FindChild(object, CHUNK_OBJECT_SHOW_IN_LOFTER) ? 1 : 0;
  mesh->noshadowcast = FindChild(object, CHUNK_OBJECT_NO_SHADOW_CAST) ? 1 : 0;
  mesh->matte = FindChild(object, CHUNK_OBJECT_MATTE) ? 1 : 0;
  mesh->fastdisplay = FindChild(object, CHUNK_OBJECT_FAST_DISPLAY) ? 1 : 0;
  mesh->frozen = FindChild(object, CHUNK_OBJECT_FROZEN) ? 1 : 0;
  mesh->noshadowreceive = FindChild(object, CHUNK_OBJECT_NO_SHADOW_RECEIVE) ? 1 : 0;
  mesh->isprocedural = FindChild(object, CHUNK_OBJECT_PROCEDURAL) ? 1 : 0;
  // The guard releases the copy, together with the records whose arrays were not taken.
}

//--------------------------------------------------------------------------------------------
// Mesh records
//--------------------------------------------------------------------------------------------

void InitMesh3ds(Mesh3ds** handle, uint16_t vertexcount, uint16_t facecount, uint32_t initflags) {
  Mesh3ds* m = HandleRecord3ds(handle);
  if (!m) return;
  m->pointcount = vertexcount;
  m->trianglecount = facecount;
  m->name[0] = 0;
  m->hidden = m->showinlofter = m->matte = m->noshadowcast = 0;
  m->fastdisplay = m->noshadowreceive = m->frozen = 0;
  m->vertflagcount = 0;
  m->textcount = 0;
  m->hasmapicon = 0;
  MapIcon3ds& icon = m->mapicon;
  icon.icontype = 0;
  icon.tilingx = icon.tilingy = 1.0f;
  icon.centrex = icon.centrey = icon.centrez = 0;
  icon.iconscale = 1.0f;
  // Unit X and Y axes only: the Z axis (element 8) stays 0.
  for (float& f : icon.iconframe) f = 0;
  icon.iconframe[0] = icon.iconframe[4] = 1.0f;
  icon.planarwidth = icon.planarheight = icon.cylinderheight = 1.0f;
  for (float& f : m->localframe) f = 0;
  m->matgroupcount = 0;
  m->hasboxmaterials = 0;
  for (auto& box : m->boxmaterials) box[0] = 0;
  m->displaycolour = 0;
  m->procdatasize = 0;
  m->procedurename[0] = 0;

  InitMeshField3ds(m, POINT_ARRAY3DS | FACE_ARRAY3DS);
  if (ErrorsPending3ds) return;
  if (initflags & TEXT_ARRAY3DS) {
    m->textcount = m->pointcount;
    InitMeshField3ds(m, TEXT_ARRAY3DS);
    if (ErrorsPending3ds) return;
  }
  if (initflags & VERT_FLAGS3DS) {
    m->vertflagcount = m->pointcount;
    InitMeshField3ds(m, VERT_FLAGS3DS);
    if (ErrorsPending3ds) return;
  }
  if (initflags & SMOOTH_ARRAY3DS) InitMeshField3ds(m, SMOOTH_ARRAY3DS);
}

void InitMeshField3ds(Mesh3ds* mesh, uint32_t fields) {
  if (!mesh) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if ((fields & POINT_ARRAY3DS) &&
      !SizeField(mesh, POINT_ARRAY3DS, &mesh->pointarray, mesh->pointcount, [](Point3ds& p) {
        p = {0, 0, 0};
      })) {
    return;
  }
  if ((fields & TEXT_ARRAY3DS) &&
      !SizeField(mesh, TEXT_ARRAY3DS, &mesh->textarray, mesh->textcount, [](TexVert3ds& t) {
        t = {0, 0};
      })) {
    return;
  }
  if ((fields & FACE_ARRAY3DS) &&
      !SizeField(mesh, FACE_ARRAY3DS, &mesh->trianglearray, mesh->trianglecount, [](Face3ds& f) {
        f = {0, 1, 2, 0};
      })) {
    return;
  }
  if ((fields & MAT_ARRAY3DS) && !SizeField(mesh, MAT_ARRAY3DS, &mesh->matgrouparray,
                                            mesh->matgroupcount, [](MeshMatGroup3ds& g) {
                                              g.name[0] = 0;
                                              g.trianglecount = 0;
                                              g.triangleindex.Reset();
                                            })) {
    return;
  }
  if ((fields & SMOOTH_ARRAY3DS) && !SizeField(mesh, SMOOTH_ARRAY3DS, &mesh->smoothingarray,
                                               mesh->trianglecount, [](uint32_t& s) { s = 0; })) {
    return;
  }
  if ((fields & PROC_DATA3DS) && !SizeField(mesh, PROC_DATA3DS, &mesh->proceduredata,
                                            mesh->procdatasize, [](uint8_t& b) { b = 0; })) {
    return;
  }
  if (fields & VERT_FLAGS3DS) {
    SizeField(mesh, VERT_FLAGS3DS, &mesh->vertflagarray, mesh->pointcount,
              [](uint16_t& w) { w = 0; });
  }
}

void ReleaseMeshField3ds(Mesh3ds* mesh, uint32_t fields) {
  if (!mesh) return;
  if (fields & POINT_ARRAY3DS) mesh->pointarray.Reset();
  if (fields & TEXT_ARRAY3DS) mesh->textarray.Reset();
  if (fields & FACE_ARRAY3DS) mesh->trianglearray.Reset();
  // Releasing the groups releases each group's face indices with them.
  if (fields & MAT_ARRAY3DS) mesh->matgrouparray.Reset();
  if (fields & SMOOTH_ARRAY3DS) mesh->smoothingarray.Reset();
  if (fields & PROC_DATA3DS) mesh->proceduredata.Reset();
  if (fields & VERT_FLAGS3DS) mesh->vertflagarray.Reset();
}

void ReleaseMesh3ds(Mesh3ds** handle) {
  if (!handle) return;
  if (*handle) {
    ReleaseMeshField3ds(*handle, ALL_MESH_FIELDS3DS);
    delete *handle;
  }
  *handle = nullptr;
}

//--------------------------------------------------------------------------------------------
// Mesh settings
//--------------------------------------------------------------------------------------------

void InitMeshSettings3ds(MeshSettings3ds** handle) {
  MeshSettings3ds* s = HandleRecord3ds(handle);
  if (!s) return;
  // shadowtype is neither set nor read.
  s->unitscale = 1.0f;
  s->shadowbias = 1.0f;
  s->raybias = 1.0f;
  s->shadowmapsize = 512;
  s->shadowfilter = 3.0f;
  const uint32_t ambientbits = 0x3EC8C932;  // 0.39216
  for (float& c : s->ambientcolour) memcpy(&c, &ambientbits, sizeof c);
  for (float& c : s->constructionorigin) c = 0;
}

void GetMeshSettings3ds(Database3ds* db, MeshSettings3ds** handle) {
  if (!db || !handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  Chunk3ds* section = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_MESH_SECTION, &section);
  if (!section) return;  // no mesh section: nothing to fill, and no error

  InitMeshSettings3ds(handle);
  if (!*handle) return;
  MeshSettings3ds* s = *handle;

  if (Chunk3ds* c = FindChild(section, CHUNK_MASTER_SCALE)) {
    if (auto* f = Decode<FloatData3ds>(c)) s->unitscale = f->value;
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_SHADOW_BIAS)) {
    if (auto* f = Decode<FloatData3ds>(c)) s->shadowbias = f->value;
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_RAY_BIAS)) {
    if (auto* f = Decode<FloatData3ds>(c)) s->raybias = f->value;
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_SHADOW_MAP_SIZE)) {
    if (auto* w = Decode<WordData3ds>(c)) s->shadowmapsize = int16_t(w->value);
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_SHADOW_FILTER)) {
    if (auto* f = Decode<FloatData3ds>(c)) s->shadowfilter = f->value;
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_AMBIENT_LIGHT)) {
    ReadAmbient(c, s->ambientcolour);
    DropChunkData3ds(c);
  }
  if (Chunk3ds* c = FindChild(section, CHUNK_CONSTRUCTION_ORIGIN)) {
    if (auto* p = Decode<PointData3ds>(c)) {
      s->constructionorigin[0] = p->value.x;
      s->constructionorigin[1] = p->value.y;
      s->constructionorigin[2] = p->value.z;
    }
    DropChunkData3ds(c);
  }
}

void ReleaseMeshSettings3ds(MeshSettings3ds** handle) {
  if (!handle) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  delete *handle;
  *handle = nullptr;
}
