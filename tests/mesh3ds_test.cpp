// Mesh objects: counting and fetching meshes among the named objects, the fields a fetch fills
// from each chunk, fresh and reused records, the named-object list, and the mesh settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ChunkBytes3ds.h"
#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace {

using build3ds::Chunk;
using build3ds::Model;
using build3ds::Rgb;

class MeshView : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override {
    for (Mesh3ds*& m : meshes_) ReleaseMesh3ds(&m);
    for (Database3ds*& db : dbs_) ReleaseDatabase3ds(&db);
    for (File3ds* f : files_) CloseFile3ds(f);
    ResetErrorList3ds();
  }

  // Reads the model into a database the way the converter does: open, create, disconnect,
  // close. With attached set, the database stays tied to its open file instead.
  Database3ds* Load(const Model& model, bool attached = false) {
    std::string path = dir_.File("m" + std::to_string(dbs_.size()) + ".3ds");
    model.Write(path);
    File3ds* file = OpenFile3ds(path.c_str(), "rw");
    EXPECT_NE(file, nullptr);
    Database3ds* db = nullptr;
    InitDatabase3ds(&db);
    dbs_.push_back(db);
    CreateDatabase3ds(file, db);
    if (attached) {
      files_.push_back(file);
    } else {
      DisconnectDatabase3ds(db);
      CloseFile3ds(file);
    }
    EXPECT_FALSE(ErrorsPending3ds);
    return db;
  }

  // Fetches mesh index into a new record owned by the fixture (null when nothing was filled).
  Mesh3ds* Fetch(Database3ds* db, uint32_t index) {
    Mesh3ds* m = nullptr;
    GetMeshByIndex3ds(db, index, &m);
    if (m) meshes_.push_back(m);
    return m;
  }

  TempDir dir_;
  std::vector<Database3ds*> dbs_;
  std::vector<Mesh3ds*> meshes_;
  std::vector<File3ds*> files_;
};

std::vector<ErrCode3ds> Errors() {
  return bytes3ds::Errors();
}

std::string Name(const char* field) {
  return std::string(field);
}

// Fetches pick up counting where the previous one stopped; any order must still give the mesh
// of that index among the named objects, and a rebuilt object list must not reuse the old place.
TEST_F(MeshView, FetchesInAnyOrder) {
  Model model;
  const char* meshes[] = {"M0", "M1", "M2", "M3", "M4"};
  model.AddLight("L0");
  model.AddMesh("M0").Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  model.AddCamera("C0");
  model.AddLight("L1");
  model.AddMesh("M1").Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  model.AddMesh("M2").Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  model.AddLight("L2");
  model.AddMesh("M3").Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  model.AddMesh("M4").Vertices({{0, 0, 0}}).Faces({{0, 0, 0}});
  model.AddCamera("C1");
  Database3ds* db = Load(model);

  const uint32_t order[] = {0, 1, 2, 3, 4, 2, 4, 7, 3, 0, 4, 4, 1, 3, 9, 2, 0};
  for (uint32_t index : order) {
    Mesh3ds* m = Fetch(db, index);
    if (index >= 5) {
      EXPECT_EQ(m, nullptr) << index;
      continue;
    }
    ASSERT_NE(m, nullptr) << index;
    EXPECT_EQ(Name(m->name), meshes[index]);
  }
  // The list is built again when it is stale; the fetch after that counts afresh.
  db->objectsstale = 1;
  Mesh3ds* m = Fetch(db, 3);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Name(m->name), "M3");
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MeshView, MeshesAmongLightsAndCameras) {
  Model model;
  model.AddLight("Lamp");
  model.AddCamera("Cam");
  model.AddMesh("Box").Vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}).Faces({{0, 1, 2}});
  model.AddMesh("Wedge").Vertices({{0, 0, 0}, {1, 0, 0}}).Faces({{0, 1, 1}, {1, 0, 0}});
  Database3ds* db = Load(model);

  EXPECT_EQ(GetMeshCount3ds(db), 2u);
  // The list names every object in file order, meshes or not.
  ASSERT_NE(db->objectlist, nullptr);
  ASSERT_EQ(db->objectlist->count, 4u);
  const char* names[] = {"Lamp", "Cam", "Box", "Wedge"};
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(db->objectlist->entries[i].name, names[i]);
    ASSERT_NE(db->objectlist->entries[i].chunk, nullptr);
    EXPECT_EQ(db->objectlist->entries[i].chunk->tag, CHUNK_NAMED_OBJECT);
  }

  Mesh3ds* box = Fetch(db, 0);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Name(box->name), "Box");
  ASSERT_EQ(box->pointcount, 3);
  EXPECT_EQ(box->pointarray[2].x, 7);
  EXPECT_EQ(box->pointarray[2].z, 9);
  ASSERT_EQ(box->trianglecount, 1);
  EXPECT_EQ(box->trianglearray[0].v3, 2);

  Mesh3ds* wedge = Fetch(db, 1);
  ASSERT_NE(wedge, nullptr);
  EXPECT_EQ(Name(wedge->name), "Wedge");
  EXPECT_EQ(wedge->pointcount, 2);
  EXPECT_EQ(wedge->trianglecount, 2);

  // Past the last mesh: nothing filled, nothing recorded.
  EXPECT_EQ(Fetch(db, 2), nullptr);
  EXPECT_EQ(Fetch(db, 1000), nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  // The database no longer owns what the records took: it can go first.
  ReleaseDatabase3ds(&dbs_.back());
  EXPECT_EQ(box->pointarray[0].y, 2);
}

TEST_F(MeshView, EveryChunkOfAMesh) {
  Model model;
  auto& mesh = model.AddMesh("Full")
                   .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}})
                   .TexVerts({{0, 0}, {1, 0}, {0, 1}, {1, 1}})
                   .Faces({{0, 1, 2, 7}, {1, 3, 2}, {2, 3, 0}})
                   .Smoothing({1, 2})  // fewer entries than faces: the array says how many
                   .Group("Paint", {2, 0})
                   .Group("Empty", {})
                   .Group("Glass", {1})
                   .Frame({0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 20, 30});
  mesh.MeshChild(Chunk(CHUNK_MESH_VERTEX_FLAGS).Word(4).Word(1).Word(0).Word(0x8000).Word(3));
  mesh.MeshChild(Chunk(CHUNK_MESH_COLOUR).Byte(7));
  Chunk icon(CHUNK_MESH_MAPPING_ICON);
  icon.Word(3).Float(2).Float(4).Point({5, 6, 7}).Float(0.5f);
  for (int i = 0; i < 12; ++i) icon.Float(float(100 + i));
  icon.Float(8).Float(9).Float(11);
  mesh.MeshChild(icon);
  mesh.MeshChild(Chunk(CHUNK_PROCEDURE_NAME).String("twist"));
  mesh.MeshChild(Chunk(CHUNK_PROCEDURE_DATA).Raw("\x01\x02\x03"));
  mesh.MeshChild(Chunk(0x4AAA).Dword(5));  // not part of the record
  Chunk box(CHUNK_MESH_BOX_MAP);
  for (const char* n : {"Front", "Back", "Left", "Right", "Top", "Bottom"}) box.String(n);
  mesh.FaceChild(box);
  Database3ds* db = Load(model);

  Mesh3ds* m = Fetch(db, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  ASSERT_EQ(m->textcount, 4);
  ASSERT_TRUE(m->textarray);
  EXPECT_EQ(m->textarray[3].u, 1);
  EXPECT_EQ(m->textarray[2].v, 1);

  ASSERT_EQ(m->trianglecount, 3);
  EXPECT_EQ(m->trianglearray[0].flag, 7);
  EXPECT_EQ(m->trianglearray[1].v2, 3);

  ASSERT_TRUE(m->smoothingarray);
  ASSERT_EQ(m->smoothingarray.size(), 2u);
  EXPECT_EQ(m->smoothingarray[1], 2u);

  // Groups in file order, each with its own face indices; a group of no faces has no index.
  ASSERT_EQ(m->matgroupcount, 3);
  EXPECT_EQ(Name(m->matgrouparray[0].name), "Paint");
  ASSERT_EQ(m->matgrouparray[0].trianglecount, 2);
  EXPECT_EQ(m->matgrouparray[0].triangleindex[0], 2);
  EXPECT_EQ(m->matgrouparray[0].triangleindex[1], 0);
  EXPECT_EQ(Name(m->matgrouparray[1].name), "Empty");
  EXPECT_EQ(m->matgrouparray[1].trianglecount, 0);
  EXPECT_FALSE(m->matgrouparray[1].triangleindex);
  EXPECT_EQ(Name(m->matgrouparray[2].name), "Glass");
  ASSERT_EQ(m->matgrouparray[2].trianglecount, 1);
  EXPECT_EQ(m->matgrouparray[2].triangleindex[0], 1);

  const float frame[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 10, 20, 30};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(m->localframe[i], frame[i]) << i;

  ASSERT_EQ(m->vertflagcount, 4);
  EXPECT_EQ(m->vertflagarray[2], 0x8000);
  EXPECT_EQ(m->displaycolour, 7);

  EXPECT_EQ(m->hasmapicon, 1);
  EXPECT_EQ(m->mapicon.icontype, 3);
  EXPECT_EQ(m->mapicon.tilingx, 2);
  EXPECT_EQ(m->mapicon.tilingy, 4);
  EXPECT_EQ(m->mapicon.centrex, 5);
  EXPECT_EQ(m->mapicon.centrez, 7);
  EXPECT_EQ(m->mapicon.iconscale, 0.5f);
  EXPECT_EQ(m->mapicon.iconframe[0], 100);
  EXPECT_EQ(m->mapicon.iconframe[11], 111);
  EXPECT_EQ(m->mapicon.planarwidth, 8);
  EXPECT_EQ(m->mapicon.planarheight, 9);
  EXPECT_EQ(m->mapicon.cylinderheight, 11);

  EXPECT_EQ(Name(m->procedurename), "twist");
  ASSERT_EQ(m->procdatasize, 3u);
  EXPECT_EQ(m->proceduredata[2], 3);

  EXPECT_EQ(m->hasboxmaterials, 1);
  EXPECT_EQ(Name(m->boxmaterials[0]), "Front");
  EXPECT_EQ(Name(m->boxmaterials[5]), "Bottom");
}

TEST_F(MeshView, OptionalPartsStayAbsent) {
  Model model;
  model.AddMesh("Bare").Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}).Faces({{0, 1, 2}});
  model.AddMesh("NoFaces").Vertices({{0, 0, 0}}).NoFrame();
  model.AddMesh("EmptyUV").Vertices({{0, 0, 0}}).TexVerts({});
  Database3ds* db = Load(model);

  // No texture vertices; a face list without children: no groups, no smoothing, no box names.
  Mesh3ds* bare = Fetch(db, 0);
  ASSERT_NE(bare, nullptr);
  EXPECT_FALSE(bare->textarray);
  EXPECT_EQ(bare->textcount, 0);
  EXPECT_EQ(bare->trianglecount, 1);
  EXPECT_EQ(bare->matgroupcount, 0);
  EXPECT_FALSE(bare->matgrouparray);
  EXPECT_FALSE(bare->smoothingarray);
  EXPECT_EQ(bare->hasboxmaterials, 0);
  EXPECT_FALSE(bare->vertflagarray);
  EXPECT_FALSE(bare->proceduredata);
  EXPECT_EQ(bare->hasmapicon, 0);

  // Without a face list or a local frame the fresh values stay.
  Mesh3ds* nofaces = Fetch(db, 1);
  ASSERT_NE(nofaces, nullptr);
  EXPECT_EQ(nofaces->trianglecount, 0);
  EXPECT_FALSE(nofaces->trianglearray);
  for (float f : nofaces->localframe) EXPECT_EQ(f, 0);

  // A texture-vertex list of no entries is present all the same.
  Mesh3ds* empty = Fetch(db, 2);
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->textarray);
  EXPECT_EQ(empty->textcount, 0);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MeshView, EachFlagChunkSetsItsOwnField) {
  const struct {
    uint16_t tag;
    uint8_t Mesh3ds::*field;
  } flags[] = {
      {CHUNK_OBJECT_HIDDEN, &Mesh3ds::hidden},
      {CHUNK_OBJECT_SHOW_IN_LOFTER, &Mesh3ds::showinlofter},
      {CHUNK_OBJECT_NO_SHADOW_CAST, &Mesh3ds::noshadowcast},
      {CHUNK_OBJECT_MATTE, &Mesh3ds::matte},
      {CHUNK_OBJECT_FAST_DISPLAY, &Mesh3ds::fastdisplay},
      {CHUNK_OBJECT_PROCEDURAL, &Mesh3ds::isprocedural},
      {CHUNK_OBJECT_FROZEN, &Mesh3ds::frozen},
      {CHUNK_OBJECT_NO_SHADOW_RECEIVE, &Mesh3ds::noshadowreceive},
  };
  Model model;
  for (const auto& f : flags) {
    model.AddMesh("F" + std::to_string(f.tag)).Vertices({{0, 0, 0}}).Flag(f.tag);
  }
  Database3ds* db = Load(model);
  for (size_t i = 0; i < 8; ++i) {
    Mesh3ds* m = Fetch(db, uint32_t(i));
    ASSERT_NE(m, nullptr);
    for (size_t j = 0; j < 8; ++j) {
      EXPECT_EQ(m->*flags[j].field, i == j ? 1 : 0)
          << std::hex << flags[i].tag << " field of " << flags[j].tag;
    }
  }
}

TEST_F(MeshView, LaterChunkOfTheSameTagWins) {
  Model model;
  model.AddMesh("Twice")
      .Vertices({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}})
      .MeshChild(Chunk(CHUNK_MESH_VERTICES).Word(1).Point({9, 8, 7}));
  Mesh3ds* m = Fetch(Load(model), 0);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->pointcount, 1);
  EXPECT_EQ(m->pointarray.size(), 1u);
  EXPECT_EQ(m->pointarray[0].x, 9);
}

TEST_F(MeshView, FreshRecord) {
  Mesh3ds* m = nullptr;
  InitMesh3ds(&m, 0, 0, 0);
  ASSERT_NE(m, nullptr);
  meshes_.push_back(m);
  // Unit X and Y axes only: element 8 stays 0.
  const float iconframe[12] = {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(m->mapicon.iconframe[i], iconframe[i]) << i;
  EXPECT_EQ(m->mapicon.tilingx, 1);
  EXPECT_EQ(m->mapicon.tilingy, 1);
  EXPECT_EQ(m->mapicon.iconscale, 1);
  EXPECT_EQ(m->mapicon.planarwidth, 1);
  EXPECT_EQ(m->mapicon.planarheight, 1);
  EXPECT_EQ(m->mapicon.cylinderheight, 1);
  EXPECT_EQ(m->mapicon.centrey, 0);
  for (float f : m->localframe) EXPECT_EQ(f, 0);
  EXPECT_FALSE(m->pointarray);
  EXPECT_FALSE(m->trianglearray);

  // Sized arrays get their fresh elements; faces are corners 0, 1, 2.
  InitMesh3ds(&m, 3, 2, TEXT_ARRAY3DS | VERT_FLAGS3DS | SMOOTH_ARRAY3DS);
  EXPECT_EQ(m->pointarray.size(), 3u);
  EXPECT_EQ(m->pointarray[2].y, 0);
  ASSERT_EQ(m->trianglearray.size(), 2u);
  EXPECT_EQ(m->trianglearray[1].v1, 0);
  EXPECT_EQ(m->trianglearray[1].v2, 1);
  EXPECT_EQ(m->trianglearray[1].v3, 2);
  EXPECT_EQ(m->trianglearray[1].flag, 0);
  EXPECT_EQ(m->textcount, 3);
  EXPECT_EQ(m->textarray.size(), 3u);
  EXPECT_EQ(m->vertflagcount, 3);
  EXPECT_EQ(m->vertflagarray.size(), 3u);
  EXPECT_EQ(m->smoothingarray.size(), 2u);

  // A present array is resized keeping its elements; a count of 0 releases it.
  m->pointarray[1] = {4, 5, 6};
  m->pointcount = 5;
  InitMeshField3ds(m, POINT_ARRAY3DS);
  ASSERT_EQ(m->pointarray.size(), 5u);
  EXPECT_EQ(m->pointarray[1].z, 6);
  m->textcount = 0;
  InitMeshField3ds(m, TEXT_ARRAY3DS);
  EXPECT_FALSE(m->textarray);

  // Release leaves the counts alone.
  ReleaseMeshField3ds(m, POINT_ARRAY3DS | SMOOTH_ARRAY3DS);
  EXPECT_FALSE(m->pointarray);
  EXPECT_FALSE(m->smoothingarray);
  EXPECT_EQ(m->pointcount, 5);
  EXPECT_TRUE(m->trianglearray);
  EXPECT_FALSE(ErrorsPending3ds);

  // Releasing no record is harmless.
  Mesh3ds* none = nullptr;
  ReleaseMesh3ds(&none);
  ReleaseMesh3ds(nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  InitMeshField3ds(nullptr, POINT_ARRAY3DS);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

// A record fetched into again keeps nothing of the object it held before.
TEST_F(MeshView, FetchIntoAHeldRecord) {
  Model model;
  auto& full = model.AddMesh("Full")
                   .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
                   .TexVerts({{0, 0}, {1, 0}, {0, 1}})
                   .Faces({{0, 1, 2}})
                   .Smoothing({4})
                   .Group("Paint", {0})
                   .Origin(5, 5, 5)
                   .Hidden();
  full.MeshChild(Chunk(CHUNK_MESH_VERTEX_FLAGS).Word(3).Word(1).Word(1).Word(1));
  full.MeshChild(Chunk(CHUNK_PROCEDURE_DATA).Raw("xyz"));
  full.MeshChild(Chunk(CHUNK_PROCEDURE_NAME).String("proc"));
  model.AddMesh("Plain").Vertices({{7, 7, 7}}).Faces({{0, 0, 0}, {0, 0, 0}}).NoFrame();
  Database3ds* db = Load(model);

  Mesh3ds* m = Fetch(db, 0);
  ASSERT_NE(m, nullptr);
  ASSERT_TRUE(m->textarray && m->matgrouparray && m->smoothingarray && m->vertflagarray &&
              m->proceduredata);
  Mesh3ds* same = m;
  GetMeshByIndex3ds(db, 1, &m);
  ASSERT_EQ(m, same);  // filled in place
  EXPECT_EQ(Name(m->name), "Plain");
  EXPECT_EQ(m->pointcount, 1);
  EXPECT_EQ(m->pointarray[0].x, 7);
  EXPECT_EQ(m->trianglecount, 2);
  EXPECT_FALSE(m->textarray);
  EXPECT_EQ(m->textcount, 0);
  EXPECT_FALSE(m->matgrouparray);
  EXPECT_EQ(m->matgroupcount, 0);
  EXPECT_FALSE(m->smoothingarray);
  EXPECT_FALSE(m->vertflagarray);
  EXPECT_EQ(m->vertflagcount, 0);
  EXPECT_FALSE(m->proceduredata);
  EXPECT_EQ(m->procdatasize, 0u);
  EXPECT_EQ(Name(m->procedurename), "");
  EXPECT_EQ(m->hidden, 0);
  for (float f : m->localframe) EXPECT_EQ(f, 0);
  EXPECT_FALSE(ErrorsPending3ds);
}

// Fetching from a database still tied to its file moves the decoded records into the private
// copy; the database decodes them again for the next fetch.
TEST_F(MeshView, FetchFromAnAttachedDatabase) {
  Model model;
  model.AddMesh("Tri")
      .Vertices({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Group("Paint", {0});
  Database3ds* db = Load(model, true);
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    Mesh3ds* m = Fetch(db, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Name(m->name), "Tri");
    ASSERT_EQ(m->pointcount, 3);
    EXPECT_EQ(m->pointarray[1].y, 5);
    ASSERT_EQ(m->matgroupcount, 1);
    EXPECT_EQ(Name(m->matgrouparray[0].name), "Paint");
    EXPECT_EQ(m->matgrouparray[0].triangleindex[0], 0);
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

// Records made in memory can hold longer strings than a file can; the fixed fields take only
// what fits.
TEST_F(MeshView, LongNamesAreCutToTheirFields) {
  auto make = [](uint32_t tag, Chunk3ds* parent) {
    Chunk3ds* c = nullptr;
    NewChunk3ds(&c);
    c->tag = tag;
    if (parent) AppendChunk3ds(parent, c);
    return c;
  };
  Chunk3ds* object = make(CHUNK_NAMED_OBJECT, nullptr);
  auto* name = new StringData3ds();
  name->value = std::string(40, 'N');
  object->data.reset(name);
  Chunk3ds* trimesh = make(CHUNK_TRIANGLE_MESH, object);
  Chunk3ds* proc = make(CHUNK_PROCEDURE_NAME, trimesh);
  auto* procname = new StringData3ds();
  procname->value = std::string(40, 'P');
  proc->data.reset(procname);
  Chunk3ds* faces = make(CHUNK_MESH_FACES, trimesh);
  auto* facedata = new FaceArrayData3ds();
  facedata->count = 1;
  facedata->faces.Allocate(1);
  faces->data.reset(facedata);
  Chunk3ds* group = make(CHUNK_MESH_MATERIAL_GROUP, faces);
  auto* groupdata = new MatGroupData3ds();
  groupdata->name = std::string(40, 'G');
  group->data.reset(groupdata);
  Chunk3ds* box = make(CHUNK_MESH_BOX_MAP, faces);
  auto* boxdata = new BoxMapData3ds();
  for (std::string& n : boxdata->names) n = std::string(40, 'B');
  box->data.reset(boxdata);

  Mesh3ds* m = nullptr;
  GetMeshFromChunk3ds(object, &m);
  meshes_.push_back(m);
  ReleaseChunk3ds(&object);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Name(m->name), std::string(10, 'N'));
  EXPECT_EQ(Name(m->procedurename), std::string(12, 'P'));
  ASSERT_EQ(m->matgroupcount, 1);
  EXPECT_EQ(Name(m->matgrouparray[0].name), std::string(16, 'G'));
  for (const auto& b : m->boxmaterials) EXPECT_EQ(Name(b), std::string(16, 'B'));
  EXPECT_EQ(m->trianglecount, 1);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MeshView, ObjectWithoutADirectMeshChunk) {
  Model model;
  model.AddLight("Lamp");
  // A triangle mesh nested below a light: counted, since the count searches the whole object,
  // but not a mesh object to fetch.
  model.AddLight("Odd").LightChild(Chunk(CHUNK_TRIANGLE_MESH));
  Database3ds* db = Load(model);
  EXPECT_EQ(GetMeshCount3ds(db), 1u);
  EXPECT_EQ(Fetch(db, 0), nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_WRONG_OBJECT});

  ResetErrorList3ds();
  Mesh3ds* m = nullptr;
  GetMeshFromChunk3ds(db->objectlist->entries[0].chunk, &m);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_WRONG_OBJECT});
}

TEST_F(MeshView, KindOfDatabase) {
  // A material library holding a mesh section: the count does not look at the root.
  Model library;
  library.Root(CHUNK_MATERIAL_LIBRARY).AddMesh("Box").Vertices({{0, 0, 0}});
  Database3ds* db = Load(library);
  EXPECT_EQ(GetMeshCount3ds(db), 1u);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(Fetch(db, 0), nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_WRONG_DATABASE});

  ResetErrorList3ds();
  Model plain;
  plain.MaterialLibrary().AddMaterial("Paint");
  EXPECT_EQ(GetMeshCount3ds(Load(plain)), 0u);
  EXPECT_FALSE(ErrorsPending3ds);

  // A scene file is fetched from like a mesh file.
  Model scene;
  scene.Root(CHUNK_SCENE_FILE).AddMesh("Box").Vertices({{0, 0, 0}});
  Mesh3ds* m = Fetch(Load(scene), 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Name(m->name), "Box");
  EXPECT_FALSE(ErrorsPending3ds);

  const struct {
    bool withdb, withhandle;
    ErrCode3ds code;
  } cases[] = {{false, true, ERR_INVALID_ARG},
               {true, false, ERR_INVALID_ARG},
               {true, true, ERR_INVALID_DATABASE}};
  for (const auto& c : cases) {
    ResetErrorList3ds();
    Database3ds* empty = nullptr;
    InitDatabase3ds(&empty);  // never created: no root
    Mesh3ds* none = nullptr;
    GetMeshByIndex3ds(c.withdb ? empty : nullptr, 0, c.withhandle ? &none : nullptr);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{c.code});
    ReleaseDatabase3ds(&empty);
  }
  ResetErrorList3ds();
  EXPECT_EQ(GetMeshCount3ds(nullptr), 0u);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

TEST_F(MeshView, ObjectListIsRebuiltOnlyWhenStale) {
  Model model;
  model.AddMesh("A").Vertices({{0, 0, 0}});
  model.AddLight("L");
  model.AddMesh("B").Vertices({{1, 1, 1}});
  Database3ds* db = Load(model);
  EXPECT_EQ(db->objectsstale, 1);
  EXPECT_EQ(GetMeshCount3ds(db), 2u);
  EXPECT_EQ(db->objectsstale, 0);

  // A current list is used as it stands: an entry altered here stays altered.
  db->objectlist->entries[0].chunk = nullptr;
  EXPECT_EQ(GetMeshCount3ds(db), 1u);
  Mesh3ds* m = Fetch(db, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(Name(m->name), "B");

  // Marked stale, it is built again from the tree.
  db->objectsstale = 1;
  EXPECT_EQ(GetMeshCount3ds(db), 2u);
  EXPECT_EQ(db->objectlist->entries[0].name, "A");
  ASSERT_NE(db->objectlist->entries[0].chunk, nullptr);

  // Without a mesh section the list is empty.
  Model bare;
  bare.NoMeshSection().AddMesh("C").Vertices({{0, 0, 0}});
  Database3ds* nosection = Load(bare);
  EXPECT_EQ(GetMeshCount3ds(nosection), 0u);
  ASSERT_NE(nosection->objectlist, nullptr);
  EXPECT_EQ(nosection->objectlist->count, 0u);
  EXPECT_FALSE(ErrorsPending3ds);
}

//--------------------------------------------------------------------------------------------
// Mesh settings
//--------------------------------------------------------------------------------------------

MeshSettings3ds* Settings(Database3ds* db) {
  MeshSettings3ds* s = nullptr;
  GetMeshSettings3ds(db, &s);
  return s;
}

TEST_F(MeshView, SettingsDefaultsAndValues) {
  Model defaults;
  MeshSettings3ds* d = Settings(Load(defaults));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->unitscale, 1);
  EXPECT_EQ(d->shadowbias, 1);
  EXPECT_EQ(d->raybias, 1);
  EXPECT_EQ(d->shadowmapsize, 512);
  EXPECT_EQ(d->shadowfilter, 3);
  for (float c : d->ambientcolour) {
    uint32_t bits;
    memcpy(&bits, &c, 4);
    EXPECT_EQ(bits, 0x3EC8C932u);
  }
  for (float c : d->constructionorigin) EXPECT_EQ(c, 0);
  ReleaseMeshSettings3ds(&d);
  EXPECT_EQ(d, nullptr);

  Model model;
  model.MasterScale(2.5f);
  model.AddSectionChunk(Chunk(CHUNK_SHADOW_BIAS).Float(0.5f));
  model.AddSectionChunk(Chunk(CHUNK_RAY_BIAS).Float(0.25f));
  model.AddSectionChunk(Chunk(CHUNK_SHADOW_MAP_SIZE).Word(1024));
  model.AddSectionChunk(Chunk(CHUNK_SHADOW_FILTER).Float(7));
  model.AddSectionChunk(Chunk(CHUNK_CONSTRUCTION_ORIGIN).Point({1, 2, 3}));
  model.AddSectionChunk(Chunk(CHUNK_SHADOW_MAP_SIZE).Word(64));  // only the first of a tag counts
  MeshSettings3ds* s = Settings(Load(model));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->unitscale, 2.5f);
  EXPECT_EQ(s->shadowbias, 0.5f);
  EXPECT_EQ(s->raybias, 0.25f);
  EXPECT_EQ(s->shadowmapsize, 1024);
  EXPECT_EQ(s->shadowfilter, 7);
  EXPECT_EQ(s->constructionorigin[0], 1);
  EXPECT_EQ(s->constructionorigin[2], 3);
  ReleaseMeshSettings3ds(&s);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MeshView, AmbientColourRules) {
  auto f = [](float r, float g, float b) { return Chunk(CHUNK_COLOUR_FLOAT).Floats({r, g, b}); };
  auto c24 = [](uint8_t r, uint8_t g, uint8_t b) {
    return Chunk(CHUNK_COLOUR_24).Byte(r).Byte(g).Byte(b);
  };
  auto lin24 = [](uint8_t r, uint8_t g, uint8_t b) {
    return Chunk(CHUNK_LINEAR_COLOUR_24).Byte(r).Byte(g).Byte(b);
  };
  auto linf = [](float r, float g, float b) {
    return Chunk(CHUNK_LINEAR_COLOUR_FLOAT).Floats({r, g, b});
  };
  const float def = 0.39216f;
  const struct {
    const char* what;
    std::vector<Chunk> colours;
    float rgb[3];
  } cases[] = {
      // 24-bit components are scaled by 1/256.
      {"24-bit", {c24(255, 128, 0)}, {0.99609375f, 0.5f, 0}},
      {"float", {f(0.25f, 0.5f, 2)}, {0.25f, 0.5f, 2}},
      {"float before 24-bit", {c24(255, 255, 255), f(0.125f, 0, 1)}, {0.125f, 0, 1}},
      {"linear 24-bit wins", {c24(255, 128, 0), lin24(64, 0, 32)}, {0.25f, 0, 0.125f}},
      {"linear float wins",
       {f(1, 1, 1), linf(0.5f, 0.25f, 0), lin24(255, 255, 255)},
       {0.5f, 0.25f, 0}},
      {"linear alone", {lin24(0, 2, 128)}, {0, 0.0078125f, 0.5f}},
      {"none", {}, {def, def, def}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Chunk ambient(CHUNK_AMBIENT_LIGHT);
    for (const Chunk& colour : c.colours) ambient.Add(colour);
    Model model;
    model.AddSectionChunk(ambient);
    MeshSettings3ds* s = Settings(Load(model));
    ASSERT_NE(s, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s->ambientcolour[i], c.rgb[i]) << i;
    ReleaseMeshSettings3ds(&s);
  }

  EXPECT_FALSE(ErrorsPending3ds);
}

// The settings records of chunks that can be decoded again are dropped after use; a detached
// database keeps its records.
TEST_F(MeshView, SettingsDropWhatCanBeDecodedAgain) {
  Model model;
  model.MasterScale(4).Ambient(Rgb{0, 0, 255});
  for (bool attached : {true, false}) {
    SCOPED_TRACE(attached);
    Database3ds* db = Load(model, attached);
    Chunk3ds* scale = nullptr;
    Chunk3ds* colour = nullptr;
    FindChunk3ds(db->rootchunk, CHUNK_MASTER_SCALE, &scale);
    FindChunk3ds(db->rootchunk, CHUNK_COLOUR_24, &colour);
    ASSERT_TRUE(scale && colour);
    MeshSettings3ds* s = Settings(db);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->unitscale, 4);
    EXPECT_EQ(s->ambientcolour[2], 255 * 0.00390625f);
    EXPECT_EQ(scale->data == nullptr, attached);
    EXPECT_EQ(colour->data == nullptr, attached);
    ReleaseMeshSettings3ds(&s);
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(MeshView, SettingsWithoutAMeshSection) {
  Model model;
  model.NoMeshSection().MasterScale(3);
  MeshSettings3ds* s = Settings(Load(model));
  EXPECT_EQ(s, nullptr);
  ReleaseMeshSettings3ds(&s);
  EXPECT_EQ(s, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);

  GetMeshSettings3ds(nullptr, &s);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
  ReleaseMeshSettings3ds(nullptr);
  EXPECT_EQ(Errors(), (std::vector<ErrCode3ds>{ERR_INVALID_ARG, ERR_INVALID_ARG}));
}

}  // namespace
