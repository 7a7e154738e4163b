// The chunk tree database: reading the tree (where each chunk's children start, extension
// entries, malformed and hostile input), keyframer parent names, and the tree operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChunkBytes3ds.h"
#include "toolkit3ds_internal.h"

using namespace bytes3ds;

namespace {

class Database : public ToolkitFileTest {
 protected:
  void TearDown() override {
    for (Database3ds*& db : dbs_) ReleaseDatabase3ds(&db);
    for (Chunk3ds*& c : chunks_) ReleaseChunk3ds(&c);
    ToolkitFileTest::TearDown();
  }
  // Opens the bytes as a file and reads them into a new database.
  Database3ds* Load(const std::string& bytes) {
    file_ = OpenBytes(bytes);
    Database3ds* db = nullptr;
    InitDatabase3ds(&db);
    dbs_.push_back(db);
    CreateDatabase3ds(file_, db);
    return db;
  }
  Chunk3ds* Own(Chunk3ds* c) {
    chunks_.push_back(c);
    return c;
  }
  Chunk3ds* Make(uint32_t tag) {
    Chunk3ds* c = nullptr;
    NewChunk3ds(&c);
    c->tag = tag;
    return c;
  }

  File3ds* file_ = nullptr;
  std::vector<Database3ds*> dbs_;
  std::vector<Chunk3ds*> chunks_;
};

std::vector<uint32_t> ChildTags(const Chunk3ds* parent) {
  std::vector<uint32_t> tags;
  for (const Chunk3ds* c = parent->firstchild; c; c = c->next) tags.push_back(c->tag);
  return tags;
}

size_t CountChildren(const Chunk3ds* parent) {
  size_t n = 0;
  for (const Chunk3ds* c = parent->firstchild; c; c = c->next) ++n;
  return n;
}

std::vector<ErrCode3ds> ReadFailure(int levels) {
  std::vector<ErrCode3ds> codes{ERR_READING_FILE};
  codes.insert(codes.end(), levels, ERR_READING_DATABASE);
  codes.push_back(ERR_CREATING_DATABASE);
  return codes;
}

TEST_F(Database, RootTagDecidesTheKindOfFile) {
  const std::string child = Chunk(CHUNK_FILE_VERSION, U32(3));
  const struct {
    uint16_t tag;
    DbType3ds type;
    size_t children;
  } cases[] = {
      {CHUNK_MESH_FILE, MeshFile, 1},
      {CHUNK_MATERIAL_LIBRARY, MaterialLibFile, 1},
      {CHUNK_SCENE_FILE, SceneFile, 1},
      {CHUNK_MESH_SECTION, UnknownFile, 0},  // anything else is a lone root
      {0x1234, UnknownFile, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    Database3ds* db = Load(Chunk(c.tag, "", child));
    EXPECT_FALSE(ErrorsPending3ds);
    ASSERT_NE(db->rootchunk, nullptr);
    EXPECT_EQ(db->rootchunk->tag, c.tag);
    EXPECT_EQ(db->rootchunk->length, 6 + child.size());
    EXPECT_EQ(CountChildren(db->rootchunk), c.children);
    EXPECT_EQ(GetDatabaseType3ds(db), c.type);
  }
  // A root of header alone has no children.
  Database3ds* bare = Load(Chunk(CHUNK_MESH_FILE));
  EXPECT_EQ(bare->rootchunk->firstchild, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Database, TypeOfNoDatabase) {
  EXPECT_EQ(GetDatabaseType3ds(nullptr), UnknownFile);
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  dbs_.push_back(db);
  EXPECT_EQ(GetDatabaseType3ds(db), UnknownFile);
  EXPECT_FALSE(ErrorsPending3ds);
}

// Where a chunk's children start: after its own data, which for these tags holds a string or a
// count (and for a few a fixed amount). The child must be found right there.
TEST_F(Database, ChildrenStartAfterTheOwnData) {
  const struct {
    uint16_t tag;
    std::string data;
  } cases[] = {
      {CHUNK_NAMED_OBJECT, Sz("Box01")},  // five characters: children from 6 + 6
      {CHUNK_NAMED_OBJECT, Sz("0123456789")},
      {CHUNK_VIEW_CAMERA, Sz("Camera01")},
      {CHUNK_KF_INSTANCE_NAME, Sz("")},
      {CHUNK_BACKGROUND_BITMAP, Sz("0123456789AB")},
      {CHUNK_PROCEDURE_NAME, Sz("p")},
      {CHUNK_MAP_FILE_NAME, Sz("0123456789AB")},
      {CHUNK_MAT_NAME, Sz("0123456789abcdef")},
      {CHUNK_KF_NODE_HEADER, Sz("Car") + U16(1) + U16(2) + U16(0xFFFF)},
      {CHUNK_MESH_FACES, U16(3) + std::string(24, '\x01')},  // children from 6 + 2 + 24
      {CHUNK_MESH_FACES, U16(0)},
      {CHUNK_KF_HEADER, U16(5) + Sz("scene.3ds") + U32(100)},
      {CHUNK_KF_HEADER, U16(5) + Sz(std::string(512, 'n')) + U32(100)},
      {CHUNK_COLOUR_24, "rgb"},
      {CHUNK_PERCENT_INT, U16(50)},
      {CHUNK_SPOT_SHADOW, std::string(10, 's')},
      {CHUNK_VIEWPORT_LAYOUT, std::string(14, 'w')},
      {CHUNK_MESH_LOCAL_AXES, std::string(48, 'm')},
      {CHUNK_KF_SEGMENT, U32(0) + U32(100)},
      {CHUNK_MESH_SECTION, ""},
      {CHUNK_KF_OBJECT_NODE, ""},
  };
  const std::string child = Chunk(0x0777, "zz");
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag << " " << c.data.size());
    Database3ds* db = Load(Chunk(CHUNK_MESH_FILE, "", Chunk(c.tag, c.data, child)));
    EXPECT_FALSE(ErrorsPending3ds);
    Chunk3ds* parent = db->rootchunk->firstchild;
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->tag, c.tag);
    EXPECT_EQ(parent->offset, 6u);
    ASSERT_NE(parent->firstchild, nullptr);
    EXPECT_EQ(parent->firstchild->tag, 0x0777u);
    EXPECT_EQ(parent->firstchild->offset, 6 + 6 + c.data.size());
    EXPECT_EQ(parent->firstchild->length, 8u);
  }
}

// Strings the tree reader cannot skip within their limit fail the read.
TEST_F(Database, OverlongStringsFailTheRead) {
  const struct {
    uint16_t tag;
    std::string data;
  } cases[] = {
      {CHUNK_NAMED_OBJECT, Sz("0123456789A")},
      {CHUNK_KF_INSTANCE_NAME, Sz("0123456789A")},
      {CHUNK_MAP_FILE_NAME,
       Sz("0123456789ABCD")},  // the payload decoder would take 14; the reader only 12
      {CHUNK_BACKGROUND_BITMAP, Sz("0123456789ABC")},
      {CHUNK_MAT_NAME, Sz("0123456789abcdefg")},
      {CHUNK_KF_NODE_HEADER, Sz("0123456789A") + U16(0) + U16(0) + U16(0)},
      {CHUNK_KF_HEADER, U16(5) + Sz(std::string(513, 'n')) + U32(100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    ResetErrorList3ds();
    Database3ds* db = Load(Chunk(CHUNK_MESH_FILE, "", Chunk(c.tag, c.data, Chunk(0x0777))));
    EXPECT_EQ(Errors(), ReadFailure(2));
    EXPECT_EQ(db->rootchunk->firstchild->firstchild, nullptr);
  }
}

TEST_F(Database, UnknownTagsAreLeavesWithRawData) {
  // The unknown chunk's body looks like a chunk, but an unknown tag has no children.
  const std::string unknown = Chunk(0x0777, Chunk(CHUNK_FILE_VERSION, U32(9)));
  Database3ds* db =
      Load(Chunk(CHUNK_MESH_FILE, "",
                 Chunk(CHUNK_MESH_SECTION, "", unknown + Chunk(CHUNK_FILE_VERSION, U32(1)))));
  ASSERT_FALSE(ErrorsPending3ds);
  Chunk3ds* mdata = db->rootchunk->firstchild;
  Chunk3ds* leaf = mdata->firstchild;
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->tag, 0x0777u);
  EXPECT_EQ(leaf->offset, 12u);
  EXPECT_EQ(leaf->length, 16u);
  EXPECT_EQ(leaf->firstchild, nullptr);
  ASSERT_NE(leaf->next, nullptr);
  EXPECT_EQ(leaf->next->tag, CHUNK_FILE_VERSION);
  EXPECT_EQ(leaf->next->offset, 28u);

  // Nothing is decoded while the tree is read.
  EXPECT_EQ(leaf->data, nullptr);
  EXPECT_EQ(leaf->next->data, nullptr);
  auto* raw = DataAs3ds<BytesData3ds>(ReadChunkData3ds(leaf));
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw->bytes.get()), raw->size),
            Chunk(CHUNK_FILE_VERSION, U32(9)));
}

TEST_F(Database, ExtensionEntries) {
  const std::string items =
      Chunk(CHUNK_EXT_APP_NAME, Sz("App")) +
      ChunkLen(CHUNK_EXT_STRING, 200, "") +  // reaches beyond the entry: dropped
      Chunk(CHUNK_EXT_STRING, Sz("s")) + Chunk(0x0777, "junk") +  // ends the entry
      Chunk(CHUNK_EXT_APP_NAME, Sz("never"));
  Database3ds* db = Load(Chunk(
      CHUNK_MESH_FILE, "", Chunk(CHUNK_EXT_ENTRY, "", items) + Chunk(CHUNK_FILE_VERSION, U32(4))));
  ASSERT_FALSE(ErrorsPending3ds);
  Chunk3ds* entry = db->rootchunk->firstchild;
  ASSERT_EQ(entry->tag, CHUNK_EXT_ENTRY);
  EXPECT_EQ(ChildTags(entry), (std::vector<uint32_t>{CHUNK_EXT_APP_NAME, CHUNK_EXT_STRING}));
  const uint32_t first = 6 + 6;
  EXPECT_EQ(entry->firstchild->offset, first);
  EXPECT_EQ(entry->firstchild->next->offset, first + 10 + 6);
  auto* s = DataAs3ds<StringData3ds>(ReadChunkData3ds(entry->firstchild->next));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->value, "s");
  // Reading goes on after the entry.
  EXPECT_EQ(ChildTags(db->rootchunk), (std::vector<uint32_t>{CHUNK_EXT_ENTRY, CHUNK_FILE_VERSION}));
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Database, FileEndingInsideAChunk) {
  std::string bytes =
      ChunkLen(CHUNK_MESH_FILE, 100,
               ChunkLen(CHUNK_MESH_SECTION, 50, Chunk(CHUNK_FILE_VERSION, U32(1)) + "\x10"));
  Database3ds* db = Load(bytes);
  EXPECT_EQ(Errors(), ReadFailure(2));
  // What was read stays in the database.
  ASSERT_NE(db->rootchunk->firstchild, nullptr);
  EXPECT_EQ(ChildTags(db->rootchunk->firstchild), std::vector<uint32_t>{CHUNK_FILE_VERSION});
}

// Lengths below the header's own size cannot move the reader on: they are refused.
TEST_F(Database, LengthsBelowSixAreInvalid) {
  for (uint32_t length : {0u, 5u}) {
    SCOPED_TRACE(length);
    ResetErrorList3ds();
    Load(Chunk(
        CHUNK_MESH_FILE, "",
        Chunk(CHUNK_MESH_SECTION, "", ChunkLen(0x0777, length, "") + Chunk(CHUNK_FILE_VERSION))));
    EXPECT_EQ(Errors(), (std::vector<ErrCode3ds>{ERR_INVALID_CHUNK, ERR_READING_DATABASE,
                                                 ERR_READING_DATABASE, ERR_READING_DATABASE,
                                                 ERR_CREATING_DATABASE}));
    ResetErrorList3ds();
    Load(ChunkLen(CHUNK_MESH_FILE, length, Chunk(CHUNK_FILE_VERSION)));
    EXPECT_EQ(Errors(), (std::vector<ErrCode3ds>{ERR_INVALID_CHUNK, ERR_READING_DATABASE,
                                                 ERR_CREATING_DATABASE}));
  }
}

// A length that would carry the chunk's end past 4 GiB does not wrap around to a small end (which
// would hide the children): the children are read, and the missing rest of the file is a read
// failure.
TEST_F(Database, ChunkEndsDoNotWrapAround) {
  Database3ds* db =
      Load(ChunkLen(CHUNK_MESH_FILE, 0xFFFFFFF0u,
                    ChunkLen(CHUNK_MESH_SECTION, 0xFFFFFFFCu, Chunk(CHUNK_FILE_VERSION, U32(1)))));
  EXPECT_EQ(Errors(), ReadFailure(2));
  Chunk3ds* mdata = db->rootchunk->firstchild;
  ASSERT_NE(mdata, nullptr);
  EXPECT_EQ(ChildTags(mdata), std::vector<uint32_t>{CHUNK_FILE_VERSION});
}

std::string Nested(int levels) {
  std::string inner = Chunk(CHUNK_MESH_SECTION);
  for (int i = 1; i < levels - 1; ++i) inner = Chunk(CHUNK_MESH_SECTION, "", inner);
  return Chunk(CHUNK_MESH_FILE, "", inner);
}

TEST_F(Database, NestingIsBounded) {
  Database3ds* ok = Load(Nested(MAX_CHUNK_DEPTH3DS));
  EXPECT_FALSE(ErrorsPending3ds);
  int depth = 0;
  for (Chunk3ds* c = ok->rootchunk; c; c = c->firstchild) ++depth;
  EXPECT_EQ(depth, MAX_CHUNK_DEPTH3DS);

  Load(Nested(MAX_CHUNK_DEPTH3DS + 1));
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_INVALID_CHUNK);
  EXPECT_EQ(ErrorListEntry3ds(1).code, ERR_READING_DATABASE);
  // 65 levels report more than the list holds: the rest lands in the overflow slot.
  EXPECT_EQ(ErrorListEntry3ds(18).code, ERR_READING_DATABASE);
  EXPECT_EQ(ErrorOverflowEntry3ds().code, N_ERRORS);
}

TEST_F(Database, LongSiblingChains) {
  const int n = 200000;
  std::string children;
  children.reserve(6 * n);
  for (int i = 0; i < n - 1; ++i) children += Chunk(0x0777);
  children += Chunk(0x0888);
  Database3ds* db = Load(Chunk(CHUNK_MESH_FILE, "", children));
  ASSERT_FALSE(ErrorsPending3ds);
  ASSERT_EQ(CountChildren(db->rootchunk), size_t(n));

  Chunk3ds* found = nullptr;
  FindChunk3ds(db->rootchunk, 0x0888, &found);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->offset, 6u + 6u * (n - 1));
  Chunk3ds* next = nullptr;
  FindNextChunk3ds(db->rootchunk->firstchild, 0x0888, &next);
  EXPECT_EQ(next, found);

  Chunk3ds* copy = nullptr;
  CopyChunk3ds(db->rootchunk, &copy);
  Own(copy);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(CountChildren(copy), size_t(n));

  DisconnectDatabase3ds(db);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(found->fileindex, NO_FILE_INDEX);
  // Releasing the copy and the database happens in TearDown.
}

// A tree as deep as memory allows, built in memory: searched, copied and released.
TEST_F(Database, DeepTreesInMemory) {
  Chunk3ds* root = Own(Make(CHUNK_MESH_FILE));
  Chunk3ds* c = root;
  for (int i = 0; i < 100000; ++i) {
    Chunk3ds* child = Make(i == 99999 ? 0x0888 : CHUNK_MESH_SECTION);
    AppendChunk3ds(c, child);
    c = child;
  }
  Chunk3ds* found = nullptr;
  FindChunk3ds(root, 0x0888, &found);
  EXPECT_EQ(found, c);
  Chunk3ds* copy = nullptr;
  CopyChunk3ds(root, &copy);
  Own(copy);
  int depth = 0;
  for (Chunk3ds* d = copy; d; d = d->firstchild) ++depth;
  EXPECT_EQ(depth, 100001);
  DisconnectChunk3ds(root);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Database, FindSearchesTheSubtreeInPreOrder) {
  Chunk3ds* root = Own(Make(CHUNK_MESH_FILE));
  Chunk3ds* a = Make(CHUNK_MESH_SECTION);
  Chunk3ds* a1 = Make(CHUNK_FILE_VERSION);
  Chunk3ds* b = Make(CHUNK_FILE_VERSION);
  AppendChunk3ds(root, a);
  AppendChunk3ds(a, a1);
  AppendChunk3ds(root, b);
  Chunk3ds* out = nullptr;
  FindChunk3ds(root, CHUNK_FILE_VERSION, &out);
  EXPECT_EQ(out, a1);  // the child's subtree comes before the next child
  FindChunk3ds(a1, CHUNK_FILE_VERSION, &out);
  EXPECT_EQ(out, a1);  // the start itself counts
  FindChunk3ds(a, CHUNK_MESH_FILE, &out);
  EXPECT_EQ(out, nullptr);
  FindChunk3ds(a1->firstchild, CHUNK_FILE_VERSION, &out);
  EXPECT_EQ(out, nullptr);
  // A chunk's own siblings are not part of its subtree.
  FindChunk3ds(a1, CHUNK_MESH_SECTION, &out);
  EXPECT_EQ(out, nullptr);
  FindNextChunk3ds(a, CHUNK_FILE_VERSION, &out);
  EXPECT_EQ(out, b);
  EXPECT_FALSE(ErrorsPending3ds);
  FindChunk3ds(root, CHUNK_FILE_VERSION, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

TEST_F(Database, InsertKeepsRankOrder) {
  Chunk3ds* root = Own(Make(CHUNK_MESH_FILE));
  AppendChunk3ds(root, Make(CHUNK_FILE_VERSION));
  AppendChunk3ds(root, Make(CHUNK_MESH_SECTION));
  InsertChunk3ds(root, Make(CHUNK_KEYFRAMER));
  EXPECT_EQ(ChildTags(root),
            (std::vector<uint32_t>{CHUNK_FILE_VERSION, CHUNK_MESH_SECTION, CHUNK_KEYFRAMER}));

  Chunk3ds* other = Own(Make(CHUNK_MESH_FILE));
  AppendChunk3ds(other, Make(CHUNK_MESH_SECTION));
  AppendChunk3ds(other, Make(CHUNK_KEYFRAMER));
  InsertChunk3ds(other, Make(CHUNK_FILE_VERSION));
  EXPECT_EQ(ChildTags(other),
            (std::vector<uint32_t>{CHUNK_FILE_VERSION, CHUNK_MESH_SECTION, CHUNK_KEYFRAMER}));

  // Equal rank: after the existing ones, before lower ranks.
  Chunk3ds* kf = Own(Make(CHUNK_KEYFRAMER));
  AppendChunk3ds(kf, Make(CHUNK_KF_HEADER));
  AppendChunk3ds(kf, Make(CHUNK_KF_OBJECT_NODE));
  AppendChunk3ds(kf, Make(CHUNK_KF_AMBIENT_NODE));
  Chunk3ds* node = Make(CHUNK_KF_CAMERA_NODE);
  InsertChunk3ds(kf, node);
  EXPECT_EQ(ChildTags(kf), (std::vector<uint32_t>{CHUNK_KF_HEADER, CHUNK_KF_OBJECT_NODE,
                                                  CHUNK_KF_CAMERA_NODE, CHUNK_KF_AMBIENT_NODE}));
  InsertChunk3ds(kf, Make(CHUNK_PARENT_NAME));
  EXPECT_EQ(ChildTags(kf).back(), CHUNK_PARENT_NAME);
  EXPECT_FALSE(ErrorsPending3ds);

  InsertChunk3ds(nullptr, node);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

const std::string kMeshFile = Chunk(
    CHUNK_MESH_FILE, "",
    Chunk(CHUNK_MESH_SECTION, "",
          Chunk(CHUNK_NAMED_OBJECT, Sz("Obj"),
                Chunk(CHUNK_TRIANGLE_MESH, "", Chunk(CHUNK_MESH_VERTICES, U16(1) + Pt(1, 2, 3)))) +
              Chunk(CHUNK_NAMED_OBJECT, Sz("Two"), Chunk(CHUNK_TRIANGLE_MESH))));

TEST_F(Database, CopyOfAttachedChunksTakesTheirData) {
  Database3ds* db = Load(kMeshFile);
  Chunk3ds* obj = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_NAMED_OBJECT, &obj);
  Chunk3ds* verts = nullptr;
  FindChunk3ds(obj, CHUNK_MESH_VERTICES, &verts);
  ChunkData3ds* decoded = ReadChunkData3ds(verts);
  ASSERT_NE(decoded, nullptr);

  Chunk3ds* copy = nullptr;
  CopyChunk3ds(obj, &copy);
  Own(copy);
  ASSERT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(copy->next, nullptr);  // the source's siblings are not copied
  EXPECT_EQ(copy->offset, obj->offset);
  EXPECT_EQ(copy->fileindex, obj->fileindex);
  Chunk3ds* copiedverts = nullptr;
  FindChunk3ds(copy, CHUNK_MESH_VERTICES, &copiedverts);
  ASSERT_NE(copiedverts, nullptr);
  EXPECT_EQ(copiedverts->data.get(), decoded);  // moved, not duplicated
  EXPECT_EQ(verts->data, nullptr);
  EXPECT_EQ(copiedverts->length, verts->length);
  // The source decodes it again from the file.
  auto* again = DataAs3ds<PointArrayData3ds>(ReadChunkData3ds(verts));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->points[0].y, 2.0f);
}

TEST_F(Database, CopyOfDetachedChunksDuplicatesTheirData) {
  Database3ds* db = Load(kMeshFile);
  DisconnectDatabase3ds(db);
  Chunk3ds* obj = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_NAMED_OBJECT, &obj);
  Chunk3ds* copy = nullptr;
  CopyChunk3ds(obj, &copy);
  Own(copy);
  ASSERT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(ChildTags(copy), std::vector<uint32_t>{CHUNK_TRIANGLE_MESH});
  Chunk3ds* verts = nullptr;
  Chunk3ds* copiedverts = nullptr;
  FindChunk3ds(obj, CHUNK_MESH_VERTICES, &verts);
  FindChunk3ds(copy, CHUNK_MESH_VERTICES, &copiedverts);
  ASSERT_NE(verts->data, nullptr);
  ASSERT_NE(copiedverts->data, nullptr);
  EXPECT_NE(copiedverts->data.get(), verts->data.get());
  EXPECT_EQ(DataAs3ds<PointArrayData3ds>(copiedverts->data.get())->points[0].z, 3.0f);
  auto* name = DataAs3ds<StringData3ds>(copy->data.get());
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->value, "Obj");
}

TEST_F(Database, DisconnectDecodesEverythingAndDetaches) {
  Database3ds* db = Load(kMeshFile);
  DisconnectDatabase3ds(db);
  ASSERT_FALSE(ErrorsPending3ds);
  Close(file_);
  std::vector<Chunk3ds*> all;
  std::vector<Chunk3ds*> pending{db->rootchunk};
  while (!pending.empty()) {
    Chunk3ds* c = pending.back();
    pending.pop_back();
    all.push_back(c);
    for (Chunk3ds* k = c->firstchild; k; k = k->next) pending.push_back(k);
  }
  EXPECT_EQ(all.size(), 7u);
  for (Chunk3ds* c : all) {
    EXPECT_EQ(c->fileindex, NO_FILE_INDEX);
    bool haspayload = c->tag == CHUNK_NAMED_OBJECT || c->tag == CHUNK_MESH_VERTICES;
    EXPECT_EQ(c->data != nullptr, haspayload) << std::hex << c->tag;
  }
  // With the file closed, the records are still there and stay through a drop.
  Chunk3ds* verts = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_MESH_VERTICES, &verts);
  DropChunkData3ds(verts);
  auto* pts = DataAs3ds<PointArrayData3ds>(ReadChunkData3ds(verts));
  ASSERT_NE(pts, nullptr);
  EXPECT_EQ(pts->points[0].x, 1.0f);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Database, DisconnectNeedsADatabaseWithRoot) {
  DisconnectDatabase3ds(nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
  ResetErrorList3ds();
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  dbs_.push_back(db);
  DisconnectDatabase3ds(db);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_DATABASE});
}

TEST_F(Database, CreateChecksItsArguments) {
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  dbs_.push_back(db);
  CreateDatabase3ds(nullptr, db);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});

  ResetErrorList3ds();
  std::string path = dir_.File("out.3ds");
  File3ds* writing = OpenFile3ds(path.c_str(), "w");
  ASSERT_NE(writing, nullptr);
  open_.push_back(writing);
  CreateDatabase3ds(writing, db);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(db->rootchunk, nullptr);
}

//--------------------------------------------------------------------------------------------
// Keyframer parent names
//--------------------------------------------------------------------------------------------

struct Node {
  uint16_t tag;
  std::string name;
  uint16_t parent;  // 0xFFFF for none
  int id;           // -1: no id chunk
  std::string instance = "";
  bool hasinstance = false;
};

std::string NodeBytes(const Node& n) {
  std::string body;
  if (n.id >= 0) body += Chunk(CHUNK_KF_NODE_ID, U16(uint16_t(n.id)));
  body += Chunk(CHUNK_KF_NODE_HEADER, Sz(n.name) + U16(0) + U16(0) + U16(n.parent));
  if (n.hasinstance) body += Chunk(CHUNK_KF_INSTANCE_NAME, Sz(n.instance));
  return Chunk(n.tag, "", body);
}

std::string KeyframerFile(const std::vector<Node>& nodes) {
  std::string kf = Chunk(CHUNK_KF_HEADER, U16(5) + Sz("x") + U32(100));
  for (const Node& n : nodes) kf += NodeBytes(n);
  return Chunk(CHUNK_MESH_FILE, "", Chunk(CHUNK_MESH_SECTION) + Chunk(CHUNK_KEYFRAMER, "", kf));
}

// The parent name under the header of the i-th node, or "-" when there is none.
std::string ParentName(Database3ds* db, int index) {
  Chunk3ds* kf = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_KEYFRAMER, &kf);
  Chunk3ds* node = kf->firstchild->next;  // after the keyframer header
  for (int i = 0; i < index; ++i) node = node->next;
  Chunk3ds* header = nullptr;
  FindChunk3ds(node, CHUNK_KF_NODE_HEADER, &header);
  Chunk3ds* name = nullptr;
  FindChunk3ds(header, CHUNK_PARENT_NAME, &name);
  if (!name) return "-";
  auto* s = DataAs3ds<StringData3ds>(name->data.get());
  return s ? s->value : "(no data)";
}

TEST_F(Database, ParentNames) {
  const uint16_t NONE = 0xFFFF;
  const struct {
    const char* what;
    std::vector<Node> nodes;
    std::vector<std::string> expected;
  } cases[] = {
      {"instance name joined",
       {{CHUNK_KF_OBJECT_NODE, "Car", NONE, 0, "front", true},
        {CHUNK_KF_OBJECT_NODE, "Wheel", 0, 1}},
       {"-", "Car.front"}},
      {"plain name",
       {{CHUNK_KF_OBJECT_NODE, "Car", NONE, 0}, {CHUNK_KF_OBJECT_NODE, "Wheel", 0, 1}},
       {"-", "Car"}},
      {"ids in any order",
       {{CHUNK_KF_OBJECT_NODE, "Nut", 2, 3},
        {CHUNK_KF_OBJECT_NODE, "Car", NONE, 5},
        {CHUNK_KF_OBJECT_NODE, "Wheel", 5, 2}},
       {"Wheel", "-", "Car"}},
      {"unknown parent id",
       {{CHUNK_KF_OBJECT_NODE, "Car", NONE, 0}, {CHUNK_KF_OBJECT_NODE, "Wheel", 40, 1}},
       {"-", "-"}},
      // Without ids the nodes are numbered by position, and every node takes part.
      {"no ids",
       {{CHUNK_KF_OBJECT_NODE, "Car", NONE, -1},
        {CHUNK_KF_OBJECT_NODE, "Wheel", 0, -1},
        {CHUNK_KF_OBJECT_NODE, "Nut", 1, -1}},
       {"-", "Car", "Wheel"}},
      {"some ids missing",
       {{CHUNK_KF_OBJECT_NODE, "Car", NONE, 7},
        {CHUNK_KF_OBJECT_NODE, "Wheel", 0, -1},
        {CHUNK_KF_OBJECT_NODE, "Nut", 1, 9}},
       {"-", "Car", "Wheel"}},
      // Only object nodes carry instance names; all node kinds get parent names.
      {"other node kinds",
       {{CHUNK_KF_CAMERA_NODE, "Cam", NONE, 0, "x", true},
        {CHUNK_KF_LIGHT_NODE, "Lamp", 0, 1},
        {CHUNK_KF_TARGET_NODE, "Target", 1, 2}},
       {"-", "Cam", "Lamp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetErrorList3ds();
    Database3ds* db = Load(KeyframerFile(c.nodes));
    ASSERT_FALSE(ErrorsPending3ds);
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(ParentName(db, int(i)), c.expected[i]) << i;
    }
  }
}

TEST_F(Database, ParentNamesLeaveHeadersUndecoded) {
  Database3ds* db = Load(KeyframerFile(
      {{CHUNK_KF_OBJECT_NODE, "Car", 0xFFFF, 0}, {CHUNK_KF_OBJECT_NODE, "Wheel", 0, 1}}));
  Chunk3ds* kf = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_KEYFRAMER, &kf);
  for (uint32_t tag : {CHUNK_KF_NODE_HEADER, CHUNK_KF_NODE_ID}) {
    Chunk3ds* c = nullptr;
    FindChunk3ds(kf, tag, &c);
    for (; c; FindNextChunk3ds(c->next, tag, &c)) EXPECT_EQ(c->data, nullptr);
  }
  Chunk3ds* name = nullptr;
  FindChunk3ds(kf, CHUNK_PARENT_NAME, &name);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->fileindex, NO_FILE_INDEX);
  EXPECT_EQ(name->offset, 0u);
}

TEST_F(Database, ExistingParentNameIsReplaced) {
  Database3ds* db = Load(KeyframerFile(
      {{CHUNK_KF_OBJECT_NODE, "Car", 0xFFFF, 0}, {CHUNK_KF_OBJECT_NODE, "Wheel", 0, 1}}));
  Chunk3ds* name = nullptr;
  FindChunk3ds(db->rootchunk, CHUNK_PARENT_NAME, &name);
  ASSERT_NE(name, nullptr);
  DataAs3ds<StringData3ds>(name->data.get())->value = "Old";
  ResolveNodeParents3ds(db);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(ParentName(db, 1), "Car");
  Chunk3ds* header = nullptr;
  FindChunk3ds(db->rootchunk->firstchild->next->firstchild->next->next, CHUNK_KF_NODE_HEADER,
               &header);
  EXPECT_EQ(ChildTags(header), std::vector<uint32_t>{CHUNK_PARENT_NAME});
}

// A parent-name chunk found in the file holds no name: it is left as it is.
TEST_F(Database, ParentNameChunkFromTheFileIsKept) {
  std::string car =
      Chunk(CHUNK_KF_OBJECT_NODE, "",
            Chunk(CHUNK_KF_NODE_ID, U16(0)) +
                Chunk(CHUNK_KF_NODE_HEADER, Sz("Car") + U16(0) + U16(0) + U16(0xFFFF)));
  std::string wheel = Chunk(CHUNK_KF_OBJECT_NODE, "",
                            Chunk(CHUNK_KF_NODE_ID, U16(1)) +
                                Chunk(CHUNK_KF_NODE_HEADER, Sz("Wheel") + U16(0) + U16(0) + U16(0),
                                      Chunk(CHUNK_PARENT_NAME, Sz("File"))));
  Database3ds* db = Load(Chunk(CHUNK_MESH_FILE, "", Chunk(CHUNK_KEYFRAMER, "", car + wheel)));
  ASSERT_FALSE(ErrorsPending3ds);
  Chunk3ds* header = nullptr;
  FindChunk3ds(db->rootchunk->firstchild->firstchild->next, CHUNK_KF_NODE_HEADER, &header);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(ChildTags(header), std::vector<uint32_t>{CHUNK_PARENT_NAME});
  EXPECT_EQ(header->firstchild->data, nullptr);
  EXPECT_NE(header->firstchild->fileindex, NO_FILE_INDEX);
}

TEST_F(Database, ParentNameChunkOperations) {
  Chunk3ds* header = Own(Make(CHUNK_KF_NODE_HEADER));
  AddParentNameChunk3ds(header, nullptr);
  EXPECT_EQ(header->firstchild, nullptr);
  AddParentNameChunk3ds(header, "Car.front");
  ASSERT_NE(header->firstchild, nullptr);
  EXPECT_EQ(header->firstchild->tag, CHUNK_PARENT_NAME);
  EXPECT_EQ(DataAs3ds<StringData3ds>(header->firstchild->data.get())->value, "Car.front");
  EXPECT_FALSE(ErrorsPending3ds);
  ResolveNodeParents3ds(nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

//--------------------------------------------------------------------------------------------
// Records
//--------------------------------------------------------------------------------------------

TEST_F(Database, InitAndReleaseDatabase) {
  Database3ds* db = nullptr;
  InitDatabase3ds(&db);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->rootchunk, nullptr);
  EXPECT_TRUE(db->objectsstale && db->materialsstale && db->nodesstale);
  db->nodesstale = 0;
  InitNameList3ds(&db->objectlist, 2);
  NewChunk3ds(&db->rootchunk);
  ReleaseDatabase3ds(&db);
  EXPECT_EQ(db, nullptr);
  ReleaseDatabase3ds(&db);
  ReleaseDatabase3ds(nullptr);
  EXPECT_FALSE(ErrorsPending3ds);

  InitDatabase3ds(nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

TEST_F(Database, NameLists) {
  NameList3ds* list = nullptr;
  InitNameList3ds(&list, 3);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->count, 3u);
  ASSERT_EQ(list->entries.size(), 3u);
  EXPECT_EQ(list->entries[2].chunk, nullptr);
  EXPECT_EQ(list->entries[2].name, "");
  list->entries[0].name = "Box01";
  NameList3ds* same = list;
  InitNameList3ds(&list, 0);
  EXPECT_EQ(list, same);
  EXPECT_EQ(list->count, 0u);
  ReleaseNameList3ds(&list);
  EXPECT_EQ(list, nullptr);
  ReleaseNameList3ds(&list);
  EXPECT_FALSE(ErrorsPending3ds);
  InitNameList3ds(nullptr, 1);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_INVALID_ARG});
}

}  // namespace
