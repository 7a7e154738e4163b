// The keyframer view: counting and fetching object nodes among the other node kinds, instance
// and parent names, pivots, boxes and key tracks, the animation settings and their defaults,
// and refetches into a handle that already holds a record.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Builder3ds.h"
#include "Subprocess.h"
#include "toolkit3ds_internal.h"

using build3ds::Model;
using build3ds::Spline;
using build3ds::Vec3;

namespace {

// Records released when they go out of scope, whatever a test left in them.
struct NodeRec {
  KfMesh3ds* p = nullptr;
  ~NodeRec() { ReleaseObjectNode3ds(&p); }
  KfMesh3ds* operator->() const { return p; }
};
struct SetsRec {
  KfSets3ds* p = nullptr;
  ~SetsRec() { ReleaseKeyframerSettings3ds(&p); }
  KfSets3ds* operator->() const { return p; }
};

enum class Mode { Disconnected, Attached };

class Keyframer : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override {
    for (Database3ds*& db : dbs_) ReleaseDatabase3ds(&db);
    for (Chunk3ds*& c : chunks_) ReleaseChunk3ds(&c);
    for (File3ds* f : open_) CloseFile3ds(f);
    ResetErrorList3ds();
  }

  // Reads the model into a database. Disconnected: as the converter does (open, create,
  // disconnect, close). Attached: the file stays open and payloads are decoded on demand.
  Database3ds* Load(const Model& m, Mode mode = Mode::Disconnected) {
    std::string path = dir_.File("kf" + std::to_string(dbs_.size()) + ".3ds");
    m.Write(path);
    File3ds* file = OpenFile3ds(path.c_str(), "rw");
    EXPECT_NE(file, nullptr);
    Database3ds* db = nullptr;
    InitDatabase3ds(&db);
    dbs_.push_back(db);
    CreateDatabase3ds(file, db);
    if (mode == Mode::Disconnected) {
      DisconnectDatabase3ds(db);
      CloseFile3ds(file);
    } else {
      open_.push_back(file);
    }
    EXPECT_FALSE(ErrorsPending3ds);
    return db;
  }

  // A chunk made in memory, owned by the fixture unless linked into a tree.
  Chunk3ds* Make(uint32_t tag, bool owned = true) {
    Chunk3ds* c = nullptr;
    NewChunk3ds(&c);
    c->tag = tag;
    if (owned) chunks_.push_back(c);
    return c;
  }

  TempDir dir_;
  std::vector<Database3ds*> dbs_;
  std::vector<Chunk3ds*> chunks_;
  std::vector<File3ds*> open_;
};

Chunk3ds* Child(Chunk3ds* parent, uint32_t tag) {
  Chunk3ds* c = nullptr;
  FindNextChunk3ds(parent->firstchild, tag, &c);
  return c;
}

std::vector<uint32_t> ChildTags(const Chunk3ds* parent) {
  std::vector<uint32_t> tags;
  for (const Chunk3ds* c = parent->firstchild; c; c = c->next) tags.push_back(c->tag);
  return tags;
}

std::vector<ErrCode3ds> Errors() {
  std::vector<ErrCode3ds> codes;
  for (int i = 0; i < ERROR_LIST_SIZE3DS && ErrorListEntry3ds(i).code != NO_FTK_ERRORS; ++i) {
    codes.push_back(ErrorListEntry3ds(i).code);
  }
  return codes;
}

void ExpectPoint(const Point3ds& p, float x, float y, float z) {
  EXPECT_FLOAT_EQ(p.x, x);
  EXPECT_FLOAT_EQ(p.y, y);
  EXPECT_FLOAT_EQ(p.z, z);
}

TEST_F(Keyframer, ObjectNodesAreCountedAmongTheOtherNodeKinds) {
  Model m;
  auto& kf = m.Keyframer();
  kf.Node("$AMBIENT$", CHUNK_KF_AMBIENT_NODE).Id(0);
  kf.Node("BOX").Id(1);
  kf.Node("Cam", CHUNK_KF_CAMERA_NODE).Id(2);
  kf.Node("LID").Id(3);
  Database3ds* db = Load(m);

  EXPECT_EQ(GetObjectNodeCount3ds(db), 2u);
  EXPECT_EQ(GetNodeCount3ds(db, CHUNK_KF_AMBIENT_NODE), 1u);
  EXPECT_EQ(GetNodeCount3ds(db, CHUNK_KF_CAMERA_NODE), 1u);
  EXPECT_EQ(GetNodeCount3ds(db, CHUNK_KF_TARGET_NODE), 0u);
  Chunk3ds* cam = GetNodeByIndex3ds(db, 0, CHUNK_KF_CAMERA_NODE);
  ASSERT_NE(cam, nullptr);
  EXPECT_EQ(cam->tag, CHUNK_KF_CAMERA_NODE);
  EXPECT_EQ(GetNodeByIndex3ds(db, 1, CHUNK_KF_CAMERA_NODE), nullptr);

  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_STREQ(rec->name, "BOX");
  KfMesh3ds* first = rec.p;
  GetObjectNodeByIndex3ds(db, 1, &rec.p);
  EXPECT_EQ(rec.p, first);  // the record is filled again, not replaced
  EXPECT_STREQ(rec->name, "LID");

  // Past the last object node: no error, the handle as it was.
  GetObjectNodeByIndex3ds(db, 2, &rec.p);
  EXPECT_EQ(rec.p, first);
  EXPECT_STREQ(rec->name, "LID");
  NodeRec none;
  GetObjectNodeByIndex3ds(db, 2, &none.p);
  EXPECT_EQ(none.p, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

// Fetches by index pick up counting where the previous one stopped, per node kind; any order
// and any mix of kinds must still give the node of that index among the nodes of its kind.
TEST_F(Keyframer, NodesByIndexInAnyOrderAndMixOfKinds) {
  Model m;
  auto& kf = m.Keyframer();
  kf.Node("C0", CHUNK_KF_CAMERA_NODE).Id(0);
  kf.Node("N0").Id(1);
  kf.Node("N1").Id(2);
  kf.Node("C1", CHUNK_KF_CAMERA_NODE).Id(3);
  kf.Node("N2").Id(4);
  kf.Node("C2", CHUNK_KF_CAMERA_NODE).Id(5);
  kf.Node("N3").Id(6);
  Database3ds* db = Load(m);

  struct Fetch {
    uint32_t tag, index;
    const char* name;  // null: none
  };
  const Fetch fetches[] = {
      {CHUNK_KF_OBJECT_NODE, 0, "N0"},    {CHUNK_KF_OBJECT_NODE, 1, "N1"},
      {CHUNK_KF_CAMERA_NODE, 1, "C1"},    {CHUNK_KF_OBJECT_NODE, 2, "N2"},
      {CHUNK_KF_OBJECT_NODE, 3, "N3"},    {CHUNK_KF_OBJECT_NODE, 1, "N1"},
      {CHUNK_KF_CAMERA_NODE, 2, "C2"},    {CHUNK_KF_CAMERA_NODE, 0, "C0"},
      {CHUNK_KF_OBJECT_NODE, 4, nullptr}, {CHUNK_KF_OBJECT_NODE, 3, "N3"},
      {CHUNK_KF_CAMERA_NODE, 3, nullptr}, {CHUNK_KF_OBJECT_NODE, 0, "N0"},
  };
  for (const Fetch& f : fetches) {
    Chunk3ds* c = GetNodeByIndex3ds(db, f.index, f.tag);
    uint32_t i = 0;
    while (i < db->nodelist->count && db->nodelist->entries[i].chunk != c) ++i;
    if (!f.name) {
      EXPECT_EQ(c, nullptr) << f.tag << " " << f.index;
      continue;
    }
    ASSERT_LT(i, db->nodelist->count) << f.tag << " " << f.index;
    EXPECT_EQ(db->nodelist->entries[i].name, f.name);
  }
  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 2, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_STREQ(rec->name, "N2");
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, InstancedObjectNodesAreListedWithTheirInstanceName) {
  Model m;
  auto& kf = m.Keyframer();
  kf.Node("BOX").Id(0).Instance("2");
  kf.Node("Cam", CHUNK_KF_CAMERA_NODE)
      .Id(1)
      .Instance("x");  // only object nodes take the instance name
  kf.Node("LID").Id(2);
  Database3ds* db = Load(m);

  RefreshNodeList3ds(db);
  ASSERT_NE(db->nodelist, nullptr);
  EXPECT_EQ(db->nodesstale, 0);
  ASSERT_EQ(db->nodelist->count, 3u);
  EXPECT_EQ(db->nodelist->entries[0].name, "BOX.2");
  EXPECT_EQ(db->nodelist->entries[1].name, "Cam");
  EXPECT_EQ(db->nodelist->entries[2].name, "LID");

  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_STREQ(rec->name, "BOX");
  EXPECT_STREQ(rec->instance, "2");
  GetObjectNodeByIndex3ds(db, 1, &rec.p);
  EXPECT_STREQ(rec->name, "LID");
  EXPECT_STREQ(rec->instance, "");
}

TEST_F(Keyframer, ParentNamesFollowTheNodeHierarchy) {
  struct Case {
    const char* what;
    Model model;
    std::vector<std::pair<const char*, const char*>> expected;  // node name, parent name
  };
  std::vector<Case> cases(2);
  cases[0].what = "with node ids";
  auto& a = cases[0].model.Keyframer();
  a.Node("Car").Id(7).Instance("front");
  a.Node("Wheel").Id(8).Parent(7);
  a.Node("Body").Id(9);
  a.Node("Door").Id(10).Parent(9);
  cases[0].expected = {{"Car", ""}, {"Wheel", "Car.front"}, {"Body", ""}, {"Door", "Body"}};
  // Without ids the nodes are numbered by their place in the keyframer, from 0.
  cases[1].what = "without node ids";
  auto& b = cases[1].model.Keyframer();
  b.Node("Frame");
  b.Node("Arm").Parent(0);
  b.Node("Hand").Parent(1);
  cases[1].expected = {{"Frame", ""}, {"Arm", "Frame"}, {"Hand", "Arm"}};

  for (const Case& c : cases) {
    for (Mode mode : {Mode::Disconnected, Mode::Attached}) {
      SCOPED_TRACE(std::string(c.what) + (mode == Mode::Attached ? ", attached" : ""));
      Database3ds* db = Load(c.model, mode);
      ASSERT_EQ(GetObjectNodeCount3ds(db), c.expected.size());
      NodeRec rec;
      for (uint32_t i = 0; i < c.expected.size(); ++i) {
        GetObjectNodeByIndex3ds(db, i, &rec.p);
        ASSERT_NE(rec.p, nullptr);
        EXPECT_STREQ(rec->name, c.expected[i].first);
        EXPECT_STREQ(rec->parent, c.expected[i].second);
      }
    }
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, PivotBoxFlagsAndSmoothingDefaultToZero) {
  Model m;
  auto& kf = m.Keyframer();
  kf.Node("P")
      .Id(0)
      .Flags(0x4000, 3)
      .Pivot(1.5f, -2, 3)
      .Box({-1, -2, -3}, {4, 5, 6})
      .MorphSmooth(0.75f);
  kf.Node("Q").Id(1);
  Database3ds* db = Load(m);

  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_EQ(rec->headerflags1, 0x4000);
  EXPECT_EQ(rec->headerflags2, 3);
  ExpectPoint(rec->pivot, 1.5f, -2, 3);
  ExpectPoint(rec->boxmin, -1, -2, -3);
  ExpectPoint(rec->boxmax, 4, 5, 6);
  EXPECT_FLOAT_EQ(rec->morphsmoothangle, 0.75f);

  // A node without them, into the same record.
  GetObjectNodeByIndex3ds(db, 1, &rec.p);
  EXPECT_STREQ(rec->name, "Q");
  EXPECT_EQ(rec->headerflags1, 0);
  EXPECT_EQ(rec->headerflags2, 0);
  ExpectPoint(rec->pivot, 0, 0, 0);
  ExpectPoint(rec->boxmin, 0, 0, 0);
  ExpectPoint(rec->boxmax, 0, 0, 0);
  EXPECT_FLOAT_EQ(rec->morphsmoothangle, 0);
}

// A track that is absent or has no keys: count 0, flags 0, no key or value array.
template <class V>
void ExpectEmptyTrack(uint32_t count, uint16_t flags, const Array3ds<KeyHeader3ds>& keys,
                      const Array3ds<V>& values) {
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(flags, 0);
  EXPECT_FALSE(keys);
  EXPECT_FALSE(values);
}

// Builds the tracked node T: position (3 keys, flags 3), scale, morph and hide tracks, no
// rotation track.
Model TrackModel() {
  Model m;
  m.Keyframer()
      .Node("T")
      .Id(0)
      .TrackFlags(CHUNK_KF_POSITION_TRACK, 0x0003)
      .Pos(0, {1, 2, 3})
      .Pos(10, {4, 5, 6}, Spline().Tension(0.5f))
      .Pos(20, {7, 8, 9}, Spline().EaseTo(0.25f).EaseFrom(0.125f))
      .Scale(5, {2, 3, 4})
      .Morph(7, "SHAPE1")
      .TrackFlags(CHUNK_KF_HIDE_TRACK, 0x0008)
      .Hide(3)
      .Hide(9);
  return m;
}

void ExpectTrackNode(const KfMesh3ds& k) {
  ASSERT_EQ(k.poskeycount, 3u);
  EXPECT_EQ(k.posflags, 0x0003);
  ASSERT_EQ(k.poskeys.size(), 3u);
  ASSERT_EQ(k.posvalues.size(), 3u);
  EXPECT_EQ(k.poskeys[0].frame, 0u);
  EXPECT_EQ(k.poskeys[1].frame, 10u);
  EXPECT_EQ(k.poskeys[2].frame, 20u);
  EXPECT_EQ(k.poskeys[0].splineflags, 0);
  EXPECT_EQ(k.poskeys[1].splineflags, 0x01);
  EXPECT_FLOAT_EQ(k.poskeys[1].tension, 0.5f);
  EXPECT_EQ(k.poskeys[2].splineflags, 0x18);
  EXPECT_FLOAT_EQ(k.poskeys[2].easeto, 0.25f);
  EXPECT_FLOAT_EQ(k.poskeys[2].easefrom, 0.125f);
  ExpectPoint(k.posvalues[0], 1, 2, 3);
  ExpectPoint(k.posvalues[1], 4, 5, 6);
  ExpectPoint(k.posvalues[2], 7, 8, 9);

  ExpectEmptyTrack(k.rotkeycount, k.rotflags, k.rotkeys, k.rotvalues);

  ASSERT_EQ(k.scalekeycount, 1u);
  ASSERT_EQ(k.scalevalues.size(), 1u);
  EXPECT_EQ(k.scalekeys[0].frame, 5u);
  EXPECT_FLOAT_EQ(k.scalevalues[0].x, 2);
  EXPECT_FLOAT_EQ(k.scalevalues[0].y, 3);
  EXPECT_FLOAT_EQ(k.scalevalues[0].z, 4);

  ASSERT_EQ(k.morphkeycount, 1u);
  ASSERT_EQ(k.morphnames.size(), 1u);
  EXPECT_EQ(k.morphkeys[0].frame, 7u);
  EXPECT_STREQ(k.morphnames[0].name, "SHAPE1");

  ASSERT_EQ(k.hidekeycount, 2u);
  EXPECT_EQ(k.hideflags, 0x0008);
  ASSERT_EQ(k.hidekeys.size(), 2u);
  EXPECT_EQ(k.hidekeys[0].frame, 3u);
  EXPECT_EQ(k.hidekeys[1].frame, 9u);
}

TEST_F(Keyframer, TracksCarryTheirKeysFlagsAndValues) {
  for (Mode mode : {Mode::Disconnected, Mode::Attached}) {
    SCOPED_TRACE(mode == Mode::Attached ? "attached" : "disconnected");
    Database3ds* db = Load(TrackModel(), mode);
    // Each fetch reads a copy of the node: the database still holds every track afterwards.
    for (int fetch = 0; fetch < 2; ++fetch) {
      NodeRec rec;
      GetObjectNodeByIndex3ds(db, 0, &rec.p);
      ASSERT_NE(rec.p, nullptr);
      ExpectTrackNode(*rec.p);
    }
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, RefetchIntoAHeldRecordReplacesEveryTrack) {
  Model m = TrackModel();
  m.Keyframer().Node("R").Id(1).Rot(0, 1, {0, 0, 1}).Rot(4, 2, {0, 1, 0});
  // A position track written with flags but no keys.
  m.Keyframer().Node("E").Id(2).TrackFlags(CHUNK_KF_POSITION_TRACK, 0x0040);
  Database3ds* db = Load(m);

  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  ExpectTrackNode(*rec.p);

  GetObjectNodeByIndex3ds(db, 1, &rec.p);
  EXPECT_STREQ(rec->name, "R");
  ExpectEmptyTrack(rec->poskeycount, rec->posflags, rec->poskeys, rec->posvalues);
  ASSERT_EQ(rec->rotkeycount, 2u);
  ASSERT_EQ(rec->rotvalues.size(), 2u);
  EXPECT_EQ(rec->rotkeys[1].frame, 4u);
  EXPECT_FLOAT_EQ(rec->rotvalues[1].angle, 2);
  EXPECT_FLOAT_EQ(rec->rotvalues[1].y, 1);
  ExpectEmptyTrack(rec->scalekeycount, rec->scaleflags, rec->scalekeys, rec->scalevalues);
  ExpectEmptyTrack(rec->morphkeycount, rec->morphflags, rec->morphkeys, rec->morphnames);
  EXPECT_EQ(rec->hidekeycount, 0u);
  EXPECT_EQ(rec->hideflags, 0);
  EXPECT_FALSE(rec->hidekeys);

  // A track without keys gives count 0, flags 0 and no arrays.
  GetObjectNodeByIndex3ds(db, 2, &rec.p);
  EXPECT_STREQ(rec->name, "E");
  ExpectEmptyTrack(rec->poskeycount, rec->posflags, rec->poskeys, rec->posvalues);
  ExpectEmptyTrack(rec->rotkeycount, rec->rotflags, rec->rotkeys, rec->rotvalues);

  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ExpectTrackNode(*rec.p);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, NodeWithoutHeaderIsPassedOverAndCannotBeRead) {
  Model m;
  auto& kf = m.Keyframer();
  kf.AddChunk(build3ds::Chunk(CHUNK_KF_OBJECT_NODE)).Child(CHUNK_KF_PIVOT).Point({1, 2, 3});
  kf.Node("BOX").Pos(0, {1, 1, 1});
  Database3ds* db = Load(m);

  EXPECT_EQ(GetObjectNodeCount3ds(db), 1u);
  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_STREQ(rec->name, "BOX");
  EXPECT_FALSE(ErrorsPending3ds);

  Chunk3ds* headerless = Child(Child(db->rootchunk, CHUNK_KEYFRAMER), CHUNK_KF_OBJECT_NODE);
  ASSERT_NE(headerless, nullptr);
  ASSERT_EQ(Child(headerless, CHUNK_KF_NODE_HEADER), nullptr);

  NodeRec none;
  GetObjectNodeFromChunk3ds(headerless, &none.p);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_UNFOUND_CHUNK});
  EXPECT_EQ(none.p, nullptr);

  // A record held in the handle stays as it was.
  ResetErrorList3ds();
  GetObjectNodeFromChunk3ds(headerless, &rec.p);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_UNFOUND_CHUNK});
  EXPECT_STREQ(rec->name, "BOX");
  ExpectPoint(rec->pivot, 0, 0, 0);
  ASSERT_EQ(rec->poskeycount, 1u);
  ASSERT_EQ(rec->posvalues.size(), 1u);
  ExpectPoint(rec->posvalues[0], 1, 1, 1);
}

TEST_F(Keyframer, LongStringsAreCutToTheirFields) {
  // A node made in memory, where nothing limits the strings.
  Chunk3ds* node = Make(CHUNK_KF_OBJECT_NODE);
  Chunk3ds* header = Make(CHUNK_KF_NODE_HEADER, false);
  DataAs3ds<NodeHdrData3ds>(AllocChunkData3ds(header))->name = "ABCDEFGHIJKLMN";
  AppendChunk3ds(node, header);
  AddParentNameChunk3ds(header, "0123456789.0123456789XYZ");
  Chunk3ds* inst = Make(CHUNK_KF_INSTANCE_NAME, false);
  DataAs3ds<StringData3ds>(AllocChunkData3ds(inst))->value = "instance-name";
  AppendChunk3ds(node, inst);

  NodeRec rec;
  GetObjectNodeFromChunk3ds(node, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_STREQ(rec->name, "ABCDEFGHIJ");
  EXPECT_STREQ(rec->parent, "0123456789.0123456789");
  EXPECT_STREQ(rec->instance, "instance-n");
}

TEST_F(Keyframer, EmptyNodeListIsBuiltAgainOnNextUse) {
  Model m;
  m.Keyframer().Length(50);
  Database3ds* db = Load(m);

  EXPECT_EQ(GetObjectNodeCount3ds(db), 0u);
  EXPECT_EQ(db->nodesstale, 1);

  // A node added to the keyframer afterwards is found, because the empty list was left stale.
  Chunk3ds* node = Make(CHUNK_KF_OBJECT_NODE, false);
  Chunk3ds* header = Make(CHUNK_KF_NODE_HEADER, false);
  DataAs3ds<NodeHdrData3ds>(AllocChunkData3ds(header))->name = "NEW";
  AppendChunk3ds(node, header);
  AppendChunk3ds(Child(db->rootchunk, CHUNK_KEYFRAMER), node);

  EXPECT_EQ(GetObjectNodeCount3ds(db), 1u);
  EXPECT_EQ(db->nodesstale, 0);
  NodeRec rec;
  GetObjectNodeByIndex3ds(db, 0, &rec.p);
  ASSERT_NE(rec.p, nullptr);
  EXPECT_STREQ(rec->name, "NEW");
  EXPECT_STREQ(rec->parent, "");
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, SettingsComeFromTheKeyframerOrTheirDefaults) {
  struct Case {
    const char* what;
    Model model;
    int32_t length, current;
    uint8_t use;
    int32_t begin, end;
  };
  std::vector<Case> cases(3);
  cases[0] = {"no header, no segment", {}, 30, 0, 0, 0, 30};
  cases[0].model.Keyframer().NoHeader().Node("A");
  cases[1] = {"length, segment and current frame", {}, 100, 5, 1, 10, 90};
  cases[1].model.Keyframer().Length(100).Segment(10, 90).CurrentFrame(5);
  cases[2] = {"segment only", {}, 30, 0, 1, 0, 20};
  cases[2].model.Keyframer().NoHeader().Segment(0, 20);

  for (const Case& c : cases) {
    for (Mode mode : {Mode::Disconnected, Mode::Attached}) {
      SCOPED_TRACE(std::string(c.what) + (mode == Mode::Attached ? ", attached" : ""));
      Database3ds* db = Load(c.model, mode);
      SetsRec sets;
      for (int fetch = 0; fetch < 2; ++fetch) {
        GetKeyframerSettings3ds(db, &sets.p);
        ASSERT_NE(sets.p, nullptr);
        EXPECT_EQ(sets->anim.length, c.length);
        EXPECT_EQ(sets->anim.currentframe, c.current);
        EXPECT_EQ(sets->seg.use, c.use);
        EXPECT_EQ(sets->seg.begin, c.begin);
        EXPECT_EQ(sets->seg.end, c.end);
      }
    }
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, ReadingSettingsWithoutKeyframerAddsAnEmptyOne) {
  Model m;
  m.AddRootChunk(build3ds::Chunk(0x4444));  // an unknown chunk (rank 0) after the section
  Database3ds* db = Load(m);
  ASSERT_EQ(ChildTags(db->rootchunk),
            (std::vector<uint32_t>{CHUNK_FILE_VERSION, CHUNK_MESH_SECTION, 0x4444}));

  SetsRec sets;
  GetKeyframerSettings3ds(db, &sets.p);
  ASSERT_NE(sets.p, nullptr);
  EXPECT_EQ(sets->anim.length, 30);
  EXPECT_EQ(sets->anim.currentframe, 0);
  EXPECT_EQ(sets->seg.use, 0);
  EXPECT_EQ(sets->seg.begin, 0);
  EXPECT_EQ(sets->seg.end, 30);
  // Inserted by rank: after the mesh section, before chunks of lower rank.
  EXPECT_EQ(ChildTags(db->rootchunk), (std::vector<uint32_t>{CHUNK_FILE_VERSION, CHUNK_MESH_SECTION,
                                                             CHUNK_KEYFRAMER, 0x4444}));
  EXPECT_EQ(Child(db->rootchunk, CHUNK_KEYFRAMER)->firstchild, nullptr);

  GetKeyframerSettings3ds(db, &sets.p);
  EXPECT_EQ(ChildTags(db->rootchunk), (std::vector<uint32_t>{CHUNK_FILE_VERSION, CHUNK_MESH_SECTION,
                                                             CHUNK_KEYFRAMER, 0x4444}));
  EXPECT_EQ(GetObjectNodeCount3ds(db), 0u);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(Keyframer, BadArgumentsAreRecorded) {
  Database3ds* empty = nullptr;  // no root
  InitDatabase3ds(&empty);
  dbs_.push_back(empty);
  Model lib;
  lib.MaterialLibrary();
  Database3ds* library = Load(lib);
  Model good;
  good.Keyframer().Node("BOX");
  good.Keyframer().Node("Cam", CHUNK_KF_CAMERA_NODE);
  Database3ds* db = Load(good);
  Chunk3ds* cam = GetNodeByIndex3ds(db, 0, CHUNK_KF_CAMERA_NODE);
  ASSERT_NE(cam, nullptr);

  NodeRec rec;
  SetsRec sets;
  const struct {
    const char* what;
    std::function<void()> call;
    ErrCode3ds code;
  } cases[] = {
      {"node, no database", [&] { GetObjectNodeByIndex3ds(nullptr, 0, &rec.p); }, ERR_INVALID_ARG},
      {"node, no handle", [&] { GetObjectNodeByIndex3ds(db, 0, nullptr); }, ERR_INVALID_ARG},
      {"node, no root", [&] { GetObjectNodeByIndex3ds(empty, 0, &rec.p); }, ERR_INVALID_DATABASE},
      {"node, library", [&] { GetObjectNodeByIndex3ds(library, 0, &rec.p); }, ERR_WRONG_DATABASE},
      {"settings, no database", [&] { GetKeyframerSettings3ds(nullptr, &sets.p); },
       ERR_INVALID_ARG},
      {"settings, no handle", [&] { GetKeyframerSettings3ds(db, nullptr); }, ERR_INVALID_ARG},
      {"settings, no root", [&] { GetKeyframerSettings3ds(empty, &sets.p); }, ERR_INVALID_DATABASE},
      {"settings, library", [&] { GetKeyframerSettings3ds(library, &sets.p); }, ERR_WRONG_DATABASE},
      {"chunk, none", [&] { GetObjectNodeFromChunk3ds(nullptr, &rec.p); }, ERR_INVALID_ARG},
      {"chunk, camera node", [&] { GetObjectNodeFromChunk3ds(cam, &rec.p); }, ERR_WRONG_OBJECT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetErrorList3ds();
    c.call();
    EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{c.code});
    EXPECT_EQ(rec.p, nullptr);
    EXPECT_EQ(sets.p, nullptr);
  }
  // The material library keeps its root alone: no keyframer chunk was added to it.
  EXPECT_EQ(Child(library->rootchunk, CHUNK_KEYFRAMER), nullptr);
}

}  // namespace
