// Chunk payload records: decoding of every kind of payload, limits of strings and counts read
// from the file, lazy decoding with caching, drop, allocation and deep copies.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ChunkBytes3ds.h"
#include "toolkit3ds_internal.h"

using namespace bytes3ds;

namespace {

class ChunkData : public ToolkitFileTest {
 protected:
  void TearDown() override {
    for (Chunk3ds*& c : chunks_) ReleaseChunk3ds(&c);
    ToolkitFileTest::TearDown();
  }
  // A chunk tied to a new file that holds bytes, the chunk's header at offset 0.
  Chunk3ds* Attached(const std::string& bytes) {
    File3ds* f = OpenBytes(bytes);
    Chunk3ds* c = Detached(0, 0);
    c->tag = uint8_t(bytes[0]) | uint32_t(uint8_t(bytes[1])) << 8;
    for (int i = 5; i >= 2; --i) c->length = (c->length << 8) | uint8_t(bytes[i]);
    c->fileindex = f ? f->tableindex : NO_FILE_INDEX;
    return c;
  }
  // A chunk made in memory, owned by the fixture.
  Chunk3ds* Detached(uint32_t tag, uint32_t length) {
    Chunk3ds* c = nullptr;
    NewChunk3ds(&c);
    c->tag = tag;
    c->length = length;
    chunks_.push_back(c);
    return c;
  }

  std::vector<Chunk3ds*> chunks_;
};

struct PayloadCase {
  uint16_t tag;
  std::string payload;
  std::function<void(ChunkData3ds*)> check;
};

// Every fixed-layout record decodes its fields from the payload in file order and consumes
// exactly the payload.
TEST_F(ChunkData, FixedRecordsDecodeInFileOrder) {
  std::string matrix, icon, words7, words4;
  for (int i = 0; i < 12; ++i) matrix += F32(float(i) + 0.5f);
  icon = U16(3) + F32(1) + F32(2) + Pt(3, 4, 5) + F32(6) + matrix + F32(7) + F32(8) + F32(9);
  for (int i = 0; i < 7; ++i) words7 += U16(uint16_t(100 + i));
  for (int i = 0; i < 4; ++i) words4 += U16(uint16_t(200 + i));
  std::string camname = Sz("Cam01") + std::string(5, 'x');  // fixed width 10: 11 bytes

  const PayloadCase cases[] = {
      {CHUNK_FILE_VERSION, U32(0x01020304),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<DwordData3ds>(d)->value, 0x01020304u); }},
      {CHUNK_KF_CURRENT_FRAME, U32(77),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<DwordData3ds>(d)->value, 77u); }},
      {CHUNK_MASTER_SCALE, F32(2.5f),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<FloatData3ds>(d)->value, 2.5f); }},
      {CHUNK_MAP_ROTATION, F32(-1.25f),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<FloatData3ds>(d)->value, -1.25f); }},
      {CHUNK_PERCENT_INT, U16(75),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<WordData3ds>(d)->value, 75); }},
      {CHUNK_KF_NODE_ID, U16(0xFFFE),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<WordData3ds>(d)->value, 0xFFFE); }},
      {CHUNK_MESH_COLOUR, U8(9),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<ByteData3ds>(d)->value, 9); }},
      {CHUNK_LINEAR_COLOUR_FLOAT, F32(0.25f) + F32(0.5f) + F32(0.75f),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<ColorFData3ds>(d);
         EXPECT_EQ(r->r, 0.25f);
         EXPECT_EQ(r->g, 0.5f);
         EXPECT_EQ(r->b, 0.75f);
       }},
      {CHUNK_MAP_TINT_BLUE, U8(1) + U8(2) + U8(3),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<Color24Data3ds>(d);
         EXPECT_EQ(r->r + 10 * r->g + 100 * r->b, 321);
       }},
      {CHUNK_KF_PIVOT, Pt(1, 2, 3),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<PointData3ds>(d)->value.z, 3.0f); }},
      {CHUNK_FOG, F32(1) + F32(2) + F32(3) + F32(4),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<FogData3ds>(d);
         EXPECT_EQ(r->nearplane, 1.0f);
         EXPECT_EQ(r->fardensity, 4.0f);
       }},
      {CHUNK_DISTANCE_CUE, F32(5) + F32(6) + F32(7) + F32(8),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<DistCueData3ds>(d)->farplane, 7.0f); }},
      {CHUNK_LAYERED_FOG, F32(1) + F32(2) + F32(3) + U32(0x55),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<LayerFogData3ds>(d);
         EXPECT_EQ(r->density, 3.0f);
         EXPECT_EQ(r->flags, 0x55u);
       }},
      {CHUNK_VIEW_RIGHT,
       F32(9) + Pt(1, 2, 3),  // width first in the file, target first in the record
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<ViewData3ds>(d);
         EXPECT_EQ(r->width, 9.0f);
         EXPECT_EQ(r->target.x, 1.0f);
         EXPECT_EQ(r->target.z, 3.0f);
       }},
      {CHUNK_VIEW_USER, F32(1) + F32(2) + F32(3) + F32(4) + Pt(5, 6, 7),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<UserViewData3ds>(d);
         EXPECT_EQ(r->values[0], 1.0f);
         EXPECT_EQ(r->values[3], 4.0f);
         EXPECT_EQ(r->target.x, 5.0f);
       }},
      {CHUNK_MESH_LOCAL_AXES, matrix,
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<MeshMatrixData3ds>(d);
         EXPECT_EQ(r->xmatrix[0], 0.5f);
         EXPECT_EQ(r->xmatrix[11], 11.5f);
       }},
      {CHUNK_MESH_MAPPING_ICON, icon,
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<MapIconData3ds>(d);
         EXPECT_EQ(r->icontype, 3);
         EXPECT_EQ(r->tilingy, 2.0f);
         EXPECT_EQ(r->centrez, 5.0f);
         EXPECT_EQ(r->iconscale, 6.0f);
         EXPECT_EQ(r->iconframe[11], 11.5f);
         EXPECT_EQ(r->planarwidth, 7.0f);
         EXPECT_EQ(r->cylinderheight, 9.0f);
       }},
      {CHUNK_MESH_BOX_MAP,
       Sz("a") + Sz("bb") + Sz("") + Sz("dddd") + Sz("0123456789abcdef") + Sz("f"),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<BoxMapData3ds>(d);
         EXPECT_EQ(r->names[1], "bb");
         EXPECT_EQ(r->names[2], "");
         EXPECT_EQ(r->names[4], "0123456789abcdef");
         EXPECT_EQ(r->names[5], "f");
       }},
      {CHUNK_SPOTLIGHT, Pt(1, 2, 3) + F32(40) + F32(45),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<SpotlightData3ds>(d);
         EXPECT_EQ(r->target.y, 2.0f);
         EXPECT_EQ(r->falloff, 45.0f);
       }},
      {CHUNK_SPOT_SHADOW, F32(1) + F32(2) + U16(512),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<SpotShadowData3ds>(d)->mapsize, 512); }},
      {CHUNK_CAMERA, Pt(1, 2, 3) + Pt(4, 5, 6) + F32(7) + F32(35),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<CameraData3ds>(d);
         EXPECT_EQ(r->target.x, 4.0f);
         EXPECT_EQ(r->bankangle, 7.0f);
         EXPECT_EQ(r->focallength, 35.0f);
       }},
      {CHUNK_CAMERA_RANGES, F32(1) + F32(1000),
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<CamRangesData3ds>(d)->farplane, 1000.0f); }},
      {CHUNK_VIEWPORT_LAYOUT, words7,
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<ViewportLayoutData3ds>(d)->words[6], 106); }},
      {CHUNK_VIEWPORT_DATA_2, words7 + F32(2) + Pt(1, 2, 3) + F32(4) + F32(5) + camname,
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<ViewportData3ds>(d);
         EXPECT_EQ(r->words[0], 100);
         EXPECT_EQ(r->zoom, 2.0f);
         EXPECT_EQ(r->centre.z, 3.0f);
         EXPECT_EQ(r->vertangle, 5.0f);
         EXPECT_EQ(r->camname, "Cam01");
       }},
      {CHUNK_VIEWPORT_SIZE, words4,
       [](ChunkData3ds* d) { EXPECT_EQ(DataAs3ds<ViewportSizeData3ds>(d)->words[3], 203); }},
      {CHUNK_MAT_AUTO_REFLECTION, U8(1) + U8(2) + U16(3) + U32(256) + U32(5),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<AutoReflData3ds>(d);
         EXPECT_EQ(r->byte2, 2);
         EXPECT_EQ(r->flags, 3);
         EXPECT_EQ(r->mapsize, 256);
         EXPECT_EQ(r->everynthframe, 5);
       }},
      {CHUNK_KF_SEGMENT, U32(10) + U32(90),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<KfSegData3ds>(d);
         EXPECT_EQ(r->first, 10);
         EXPECT_EQ(r->last, 90);
       }},
      {CHUNK_KF_HEADER, U16(5) + Sz("scene.3ds") + U32(100),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<KfHdrData3ds>(d);
         EXPECT_EQ(r->revision, 5);
         EXPECT_EQ(r->filename, "scene.3ds");
         EXPECT_EQ(r->animlength, 100);
       }},
      {CHUNK_KF_NODE_HEADER, Sz("Wheel") + U16(0x4000) + U16(0x0001) + U16(0xFFFF),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<NodeHdrData3ds>(d);
         EXPECT_EQ(r->name, "Wheel");
         EXPECT_EQ(r->flags1, 0x4000);
         EXPECT_EQ(r->flags2, 1);
         EXPECT_EQ(r->parentindex, 0xFFFF);
       }},
      {CHUNK_KF_BOUNDING_BOX, Pt(-1, -2, -3) + Pt(1, 2, 3),
       [](ChunkData3ds* d) {
         auto* r = DataAs3ds<BoundBoxData3ds>(d);
         EXPECT_EQ(r->min.y, -2.0f);
         EXPECT_EQ(r->max.z, 3.0f);
       }},
  };
  for (const PayloadCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    Chunk3ds* chunk = Attached(Chunk(c.tag, c.payload) + "trailing bytes");
    ChunkData3ds* data = ReadChunkData3ds(chunk);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(chunk->data.get(), data);
    EXPECT_FALSE(ErrorsPending3ds);
    EXPECT_EQ(TellFile3ds(), 6 + c.payload.size());
    c.check(data);
  }
}

TEST_F(ChunkData, StringLimitsFollowTheTag) {
  const struct {
    uint16_t tag;
    std::string text;
    bool fits;
  } cases[] = {
      {CHUNK_NAMED_OBJECT, "0123456789", true},
      {CHUNK_NAMED_OBJECT, "0123456789A", false},
      {CHUNK_VIEW_CAMERA, "0123456789A", false},
      {CHUNK_KF_INSTANCE_NAME, "abcdefghij", true},
      {CHUNK_LIGHT_EXCLUDE, "0123456789A", false},
      {CHUNK_BACKGROUND_BITMAP, "0123456789AB", true},
      {CHUNK_BACKGROUND_BITMAP, "0123456789ABC", false},
      {CHUNK_PROCEDURE_NAME, "0123456789AB", true},
      {CHUNK_SPOT_PROJECTOR, "0123456789ABC", false},
      {CHUNK_MAP_FILE_NAME, "abcdefghijklmn", true},
      {CHUNK_MAP_FILE_NAME, "0123456789abcdef", true},
      {CHUNK_MAT_NAME, "0123456789abcdefg", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag << " " << c.text);
    ResetErrorList3ds();
    Chunk3ds* chunk = Attached(Chunk(c.tag, Sz(c.text)));
    auto* s = DataAs3ds<StringData3ds>(ReadChunkData3ds(chunk));
    ASSERT_NE(s, nullptr);  // the record stays even when its string cannot be read
    if (c.fits) {
      EXPECT_FALSE(ErrorsPending3ds);
      EXPECT_EQ(s->value, c.text);
    } else {
      EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
    }
  }
}

// Extension strings may be as long as their chunk's length, even past the chunk's payload.
TEST_F(ChunkData, ExtensionStringLimitIsTheChunkLength) {
  Chunk3ds* ten = Attached(ChunkLen(CHUNK_EXT_APP_NAME, 10, Sz("0123456789")));
  auto* s = DataAs3ds<StringData3ds>(ReadChunkData3ds(ten));
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(s->value, "0123456789");

  ReadChunkData3ds(Attached(ChunkLen(CHUNK_EXT_STRING, 10, Sz("0123456789A"))));
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
}

TEST_F(ChunkData, CountedArrays) {
  auto* none =
      DataAs3ds<PointArrayData3ds>(ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_VERTICES, U16(0)))));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->count, 0);
  EXPECT_TRUE(none->points);  // present though empty
  EXPECT_EQ(none->points.size(), 0u);

  auto* pts = DataAs3ds<PointArrayData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_VERTICES, U16(2) + Pt(1, 2, 3) + Pt(4, 5, 6)))));
  ASSERT_NE(pts, nullptr);
  ASSERT_EQ(pts->count, 2);
  EXPECT_EQ(pts->points[1].x, 4.0f);
  EXPECT_EQ(pts->points[1].z, 6.0f);

  auto* flags = DataAs3ds<VertFlagData3ds>(ReadChunkData3ds(
      Attached(Chunk(CHUNK_MESH_VERTEX_FLAGS, U16(3) + U16(7) + U16(8) + U16(9)))));
  ASSERT_NE(flags, nullptr);
  ASSERT_EQ(flags->count, 3);
  EXPECT_EQ(flags->flags[2], 9);

  auto* faces = DataAs3ds<FaceArrayData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_FACES, U16(1) + U16(4) + U16(5) + U16(6) + U16(7),
                                      Chunk(CHUNK_MESH_SMOOTHING_GROUPS)))));
  ASSERT_NE(faces, nullptr);
  ASSERT_EQ(faces->count, 1);
  EXPECT_EQ(faces->faces[0].v1, 4);
  EXPECT_EQ(faces->faces[0].v3, 6);
  EXPECT_EQ(faces->faces[0].flag, 7);

  auto* uv = DataAs3ds<TexVertData3ds>(ReadChunkData3ds(
      Attached(Chunk(CHUNK_MESH_TEXTURE_VERTICES, U16(1) + F32(0.25f) + F32(0.75f)))));
  ASSERT_NE(uv, nullptr);
  ASSERT_EQ(uv->count, 1);
  EXPECT_EQ(uv->texverts[0].v, 0.75f);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, MaterialGroups) {
  auto* empty = DataAs3ds<MatGroupData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_MATERIAL_GROUP, Sz("Paint") + U16(0)))));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->name, "Paint");
  EXPECT_EQ(empty->count, 0);
  EXPECT_FALSE(empty->faces);  // no array for a group without faces

  auto* two = DataAs3ds<MatGroupData3ds>(ReadChunkData3ds(
      Attached(Chunk(CHUNK_MESH_MATERIAL_GROUP, Sz("Glass") + U16(2) + U16(11) + U16(12)))));
  ASSERT_NE(two, nullptr);
  ASSERT_EQ(two->count, 2);
  EXPECT_EQ(two->faces[0], 11);
  EXPECT_EQ(two->faces[1], 12);
  EXPECT_FALSE(ErrorsPending3ds);
}

// The smoothing list has no count field: the chunk length sets it.
TEST_F(ChunkData, SmoothingGroupsFillThePayload) {
  std::string groups;
  for (uint32_t i = 0; i < 5; ++i) groups += U32(1u << i);
  auto* five = DataAs3ds<SmoothGroupData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_SMOOTHING_GROUPS, groups))));
  ASSERT_NE(five, nullptr);
  ASSERT_EQ(five->count, 5u);
  EXPECT_EQ(five->groups[4], 16u);

  // 22 bytes of payload hold 5 whole dwords.
  auto* odd = DataAs3ds<SmoothGroupData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_SMOOTHING_GROUPS, groups + "xy") + "zz")));
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->count, 5u);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, RawAndSizedBlocks) {
  // A tag the toolkit does not know: none with length 6, the payload as stored otherwise.
  Chunk3ds* empty = Attached(Chunk(0x1234));
  EXPECT_EQ(ReadChunkData3ds(empty), nullptr);
  auto* four = DataAs3ds<BytesData3ds>(ReadChunkData3ds(Attached(Chunk(0x1234, "abcd"))));
  ASSERT_NE(four, nullptr);
  ASSERT_EQ(four->size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(four->bytes.get()), 4), "abcd");

  auto* aux =
      DataAs3ds<BytesData3ds>(ReadChunkData3ds(Attached(Chunk(CHUNK_AUX_SECTION_A, "xyz"))));
  ASSERT_NE(aux, nullptr);
  EXPECT_EQ(aux->size, 3u);

  // Size-and-bytes records exist even for an empty payload.
  auto* ext = DataAs3ds<BytesData3ds>(ReadChunkData3ds(Attached(Chunk(CHUNK_EXT_ENTRY))));
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->size, 0u);
  auto* proc =
      DataAs3ds<BytesData3ds>(ReadChunkData3ds(Attached(Chunk(CHUNK_PROCEDURE_DATA, "procdata"))));
  ASSERT_NE(proc, nullptr);
  ASSERT_EQ(proc->size, 8u);
  EXPECT_EQ(proc->bytes[7], 'a');
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, TagsWithoutPayloadDecodeToNone) {
  for (uint16_t tag :
       {CHUNK_MESH_FILE, CHUNK_MESH_SECTION, CHUNK_OBJECT_HIDDEN, CHUNK_TRIANGLE_MESH,
        CHUNK_MAT_TEXTURE_MAP, CHUNK_KF_OBJECT_NODE, CHUNK_PARENT_NAME, CHUNK_EXT_GROUP}) {
    SCOPED_TRACE(tag);
    Chunk3ds* c = Attached(Chunk(tag, "payload"));
    EXPECT_EQ(ReadChunkData3ds(c), nullptr);
    EXPECT_EQ(c->data, nullptr);
  }
  EXPECT_FALSE(ErrorsPending3ds);
}

// A position track whose first key carries tension and whose second carries no spline value
// takes 14 + (6 + 4 + 12) + (6 + 12) bytes.
TEST_F(ChunkData, PositionTrackKeysAndValuesAlternate) {
  std::string track = U16(0x0003) + U32(0) + U32(0) + U32(2);
  track += U32(0) + U16(0x01) + F32(0.5f) + Pt(1, 2, 3);
  track += U32(30) + U16(0) + Pt(4, 5, 6);
  ASSERT_EQ(track.size(), 14u + 22 + 18);
  auto* t = DataAs3ds<PosTrackData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_KF_POSITION_TRACK, track) + "tail")));
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(TellFile3ds(), 6 + track.size());
  EXPECT_EQ(t->header.flags, 3);
  ASSERT_EQ(t->header.keycount, 2u);
  ASSERT_EQ(t->keys.size(), 2u);
  EXPECT_EQ(t->keys[0].tension, 0.5f);
  EXPECT_EQ(t->values[0].z, 3.0f);
  EXPECT_EQ(t->keys[1].frame, 30u);
  EXPECT_EQ(t->keys[1].tension, 0.0f);
  EXPECT_EQ(t->values[1].x, 4.0f);
}

TEST_F(ChunkData, OtherTracks) {
  const std::string head1 = U16(0) + U32(0) + U32(0) + U32(1);
  const std::string key0 = U32(0) + U16(0);
  auto* rot = DataAs3ds<RotTrackData3ds>(ReadChunkData3ds(Attached(
      Chunk(CHUNK_KF_ROTATION_TRACK, head1 + key0 + F32(1.5f) + F32(0) + F32(0) + F32(1)))));
  ASSERT_NE(rot, nullptr);
  EXPECT_EQ(rot->values[0].angle, 1.5f);
  EXPECT_EQ(rot->values[0].z, 1.0f);

  auto* colour = DataAs3ds<ScaleTrackData3ds>(ReadChunkData3ds(
      Attached(Chunk(CHUNK_KF_COLOUR_TRACK, head1 + key0 + Pt(0.1f, 0.2f, 0.3f)))));
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(colour->values[0].y, 0.2f);

  auto* fov = DataAs3ds<FloatTrackData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_KF_FOV_TRACK, head1 + key0 + F32(45)))));
  ASSERT_NE(fov, nullptr);
  EXPECT_EQ(fov->values[0], 45.0f);

  const std::string head2 = U16(0) + U32(0) + U32(0) + U32(2);
  auto* morph = DataAs3ds<MorphTrackData3ds>(ReadChunkData3ds(Attached(
      Chunk(CHUNK_KF_MORPH_TRACK, head2 + key0 + Sz("Box01") + U32(5) + U16(0) + Sz("Sphere")))));
  ASSERT_NE(morph, nullptr);
  EXPECT_STREQ(morph->values[0].name, "Box01");
  EXPECT_STREQ(morph->values[1].name, "Sphere");
  EXPECT_EQ(morph->keys[1].frame, 5u);

  auto* hide = DataAs3ds<HideTrackData3ds>(ReadChunkData3ds(
      Attached(Chunk(CHUNK_KF_HIDE_TRACK, head2 + key0 + U32(9) + U16(0x10) + F32(2)))));
  ASSERT_NE(hide, nullptr);
  ASSERT_EQ(hide->keys.size(), 2u);
  EXPECT_EQ(hide->keys[1].frame, 9u);
  EXPECT_EQ(hide->keys[1].easefrom, 2.0f);
  EXPECT_FALSE(ErrorsPending3ds);
}

// A count is not believed beyond its chunk's declared length, although the file holds the
// elements (they would be the bytes of the chunks after it): it fails as a short read would, so
// that no chunk takes more memory than its own bytes warrant.
TEST_F(ChunkData, CountsStopAtTheEndOfTheirChunk) {
  const std::string point = Pt(7, 8, 9);
  auto* pts = DataAs3ds<PointArrayData3ds>(
      ReadChunkData3ds(Attached(ChunkLen(CHUNK_MESH_VERTICES, 8, U16(1) + point))));
  ASSERT_NE(pts, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
  EXPECT_EQ(pts->count, 0);
  EXPECT_FALSE(pts->points);
  // The same point within the chunk's length is read.
  ResetErrorList3ds();
  pts = DataAs3ds<PointArrayData3ds>(
      ReadChunkData3ds(Attached(ChunkLen(CHUNK_MESH_VERTICES, 8 + 12, U16(1) + point))));
  ASSERT_NE(pts, nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
  ASSERT_EQ(pts->count, 1);
  EXPECT_EQ(pts->points[0].y, 8.0f);
}

// Counts and lengths that the rest of the file cannot hold fail as a short read would, without
// allocating for them; the record then claims no elements.
TEST_F(ChunkData, CountsBeyondTheFileAllocateNothing) {
  Chunk3ds* verts = Attached(Chunk(CHUNK_MESH_VERTICES, U16(0xFFFF) + Pt(1, 2, 3)));
  auto* pts = DataAs3ds<PointArrayData3ds>(ReadChunkData3ds(verts));
  ASSERT_NE(pts, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
  EXPECT_EQ(pts->count, 0);
  EXPECT_FALSE(pts->points);

  ResetErrorList3ds();
  std::string head = U16(0) + U32(0) + U32(0) + U32(0xFFFFFFFF);
  auto* track = DataAs3ds<RotTrackData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_KF_ROTATION_TRACK, head + U32(0) + U16(0)))));
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
  EXPECT_EQ(track->header.keycount, 0u);
  EXPECT_FALSE(track->keys);
  EXPECT_FALSE(track->values);

  ResetErrorList3ds();
  auto* group = DataAs3ds<MatGroupData3ds>(
      ReadChunkData3ds(Attached(Chunk(CHUNK_MESH_MATERIAL_GROUP, Sz("M") + U16(40000) + U16(1)))));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
  EXPECT_EQ(group->name, "M");
  EXPECT_FALSE(group->faces);

  // Lengths that reach far beyond the file: a raw block, a sized block, smoothing groups.
  const uint16_t farTags[] = {CHUNK_AUX_SECTION_A, 0x1234, CHUNK_PROCEDURE_DATA,
                              CHUNK_MESH_SMOOTHING_GROUPS};
  for (uint16_t tag : farTags) {
    SCOPED_TRACE(tag);
    ResetErrorList3ds();
    Chunk3ds* c = Attached(ChunkLen(tag, 0xFFFFFFF0u, "abcdefgh"));
    ChunkData3ds* d = ReadChunkData3ds(c);
    EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
    if (auto* b = DataAs3ds<BytesData3ds>(d)) {
      EXPECT_FALSE(b->bytes);
    }
    if (auto* s = DataAs3ds<SmoothGroupData3ds>(d)) {
      EXPECT_FALSE(s->groups);
    }
  }
}

// A short read keeps the record and the fields read before it.
TEST_F(ChunkData, ShortReadKeepsThePartialRecord) {
  Chunk3ds* c = Attached(ChunkLen(CHUNK_CAMERA, 6 + 32, Pt(1, 2, 3) + F32(4) + U16(0)));
  ChunkData3ds* d = ReadChunkData3ds(c);
  EXPECT_EQ(Errors(), std::vector<ErrCode3ds>{ERR_READING_FILE});
  auto* cam = DataAs3ds<CameraData3ds>(c->data.get());
  ASSERT_NE(cam, nullptr);
  EXPECT_EQ(d, cam);
  EXPECT_EQ(cam->position.z, 3.0f);
  EXPECT_EQ(cam->target.x, 4.0f);
  EXPECT_EQ(cam->focallength, 0.0f);
}

TEST_F(ChunkData, DecodesOnceAndCaches) {
  Chunk3ds* c = Attached(Chunk(CHUNK_MESH_VERTICES, U16(1) + Pt(1, 2, 3)) + std::string(64, 'z'));
  ChunkData3ds* first = ReadChunkData3ds(c);
  ASSERT_NE(first, nullptr);
  SeekFile3ds(40);
  // The second request is served from the chunk: the file is not touched.
  EXPECT_EQ(ReadChunkData3ds(c), first);
  EXPECT_EQ(TellFile3ds(), 40u);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, DetachedChunksAreNotDecoded) {
  File3ds* f = OpenBytes(Chunk(CHUNK_FILE_VERSION, U32(3)));
  Chunk3ds* c = Detached(CHUNK_FILE_VERSION, 10);
  c->fileindex = f->tableindex;
  Close(f);
  EXPECT_EQ(ReadChunkData3ds(c), nullptr);
  EXPECT_EQ(ReadChunkData3ds(Detached(CHUNK_FILE_VERSION, 10)), nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, DropOnlyWhatCanBeDecodedAgain) {
  Chunk3ds* attached = Attached(Chunk(CHUNK_FILE_VERSION, U32(3)));
  ASSERT_NE(ReadChunkData3ds(attached), nullptr);
  DropChunkData3ds(attached);
  EXPECT_EQ(attached->data, nullptr);
  auto* again = DataAs3ds<DwordData3ds>(ReadChunkData3ds(attached));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->value, 3u);

  Chunk3ds* detached = Detached(CHUNK_FILE_VERSION, 10);
  AllocChunkData3ds(detached);
  DropChunkData3ds(detached);
  EXPECT_NE(detached->data, nullptr);

  ReleaseChunkData3ds(detached);
  EXPECT_EQ(detached->data, nullptr);
}

TEST_F(ChunkData, AllocationByTag) {
  auto* raw = DataAs3ds<BytesData3ds>(AllocChunkData3ds(Detached(0x1234, 10)));
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw->size, 4u);
  EXPECT_EQ(raw->bytes.size(), 4u);

  // A raw tag of length 6 leaves the chunk's data as it was.
  Chunk3ds* short6 = Detached(0x1234, 10);
  ChunkData3ds* before = AllocChunkData3ds(short6);
  short6->length = 6;
  EXPECT_EQ(AllocChunkData3ds(short6), before);
  EXPECT_EQ(short6->data.get(), before);

  // A tag without payload ends with no record.
  Chunk3ds* flag = Detached(CHUNK_OBJECT_HIDDEN, 6);
  flag->data.reset(new DwordData3ds());
  EXPECT_EQ(AllocChunkData3ds(flag), nullptr);
  EXPECT_EQ(flag->data, nullptr);

  EXPECT_NE(DataAs3ds<StringData3ds>(AllocChunkData3ds(Detached(CHUNK_PARENT_NAME, 0))), nullptr);
  auto* pts = DataAs3ds<PointArrayData3ds>(AllocChunkData3ds(Detached(CHUNK_MESH_VERTICES, 0)));
  ASSERT_NE(pts, nullptr);
  EXPECT_EQ(pts->count, 0);
  EXPECT_NE(DataAs3ds<RotTrackData3ds>(AllocChunkData3ds(Detached(CHUNK_KF_ROTATION_TRACK, 0))),
            nullptr);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(ChunkData, CopiesAreDeep) {
  Chunk3ds* src = Detached(CHUNK_MESH_VERTICES, 0);
  auto* pts = DataAs3ds<PointArrayData3ds>(AllocChunkData3ds(src));
  ASSERT_TRUE(pts->points.Allocate(2));
  pts->count = 2;
  pts->points[1] = {4, 5, 6};

  Chunk3ds* dst = Detached(CHUNK_MESH_VERTICES, 0);
  CopyChunkData3ds(src, dst);
  auto* copy = DataAs3ds<PointArrayData3ds>(dst->data.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->points.get(), pts->points.get());
  pts->points[1].x = 99;
  EXPECT_EQ(copy->count, 2);
  EXPECT_EQ(copy->points[1].x, 4.0f);

  // A record already in the destination stays; a source without record copies nothing.
  Chunk3ds* held = Detached(CHUNK_MESH_VERTICES, 0);
  ChunkData3ds* own = AllocChunkData3ds(held);
  CopyChunkData3ds(src, held);
  EXPECT_EQ(held->data.get(), own);
  Chunk3ds* blank = Detached(CHUNK_MESH_VERTICES, 0);
  CopyChunkData3ds(Detached(CHUNK_MESH_VERTICES, 0), blank);
  EXPECT_EQ(blank->data, nullptr);

  Chunk3ds* track = Attached(
      Chunk(CHUNK_KF_FOV_TRACK, U16(0) + U32(0) + U32(0) + U32(1) + U32(8) + U16(0) + F32(30)));
  ASSERT_NE(ReadChunkData3ds(track), nullptr);
  Chunk3ds* trackcopy = Detached(CHUNK_KF_FOV_TRACK, 0);
  CopyChunkData3ds(track, trackcopy);
  auto* t = DataAs3ds<FloatTrackData3ds>(trackcopy->data.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->header.keycount, 1u);
  EXPECT_EQ(t->keys[0].frame, 8u);
  EXPECT_EQ(t->values[0], 30.0f);
  EXPECT_NE(t->values.get(), DataAs3ds<FloatTrackData3ds>(track->data.get())->values.get());
  EXPECT_FALSE(ErrorsPending3ds);
}

}  // namespace
