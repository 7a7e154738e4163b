// The chunk table: for every tag the toolkit knows, what its payload decodes into, how much of
// its own data comes before its children, and its rank among siblings. The tree reader
// (SkipChunkData3ds), the payload decoder (ReadChunkData3ds, AllocChunkData3ds) and the
// insertion by rank (ChunkRank3ds) all read this one table.
#include <algorithm>
#include <iterator>

#include "chunktags3ds.h"

namespace {

using Kind = PayloadKind3ds;

// Own data before the children: none (a container), a fixed number of bytes, a string of at
// most n bytes with its NUL, or all of the payload (no children).
constexpr OwnData3ds Container() {
  return {0, 0, 0, 0, false};
}
constexpr OwnData3ds Fixed(uint8_t bytes) {
  return {bytes, 0, 0, 0, false};
}
constexpr OwnData3ds Text(uint16_t bytes) {
  return {0, bytes, 0, 0, false};
}
constexpr OwnData3ds Whole() {
  return {0, 0, 0, 0, true};
}
// A node header: its name (at most 11 bytes), then three words.
constexpr OwnData3ds NodeHeader() {
  return {0, 11, 6, 0, false};
}
// The keyframer header: a word, the file name (at most 513 bytes), a dword.
constexpr OwnData3ds KfHeader() {
  return {2, 513, 4, 0, false};
}
// A face list: a word count, then that many faces of 8 bytes.
constexpr OwnData3ds FaceList() {
  return {0, 0, 0, 8, false};
}

// The tag's enumerator spelt out, without its CHUNK_ prefix, names the tag.
constexpr const char* TagName(const char* enumerator) {
  return enumerator + sizeof "CHUNK_" - 1;
}

constexpr ChunkInfo3ds Row(ChunkTag3ds tag, const char* enumerator, Kind kind, OwnData3ds own,
                           uint8_t rank = 0) {
  return {tag, TagName(enumerator), kind, 0, own, rank};
}
// A string payload of at most limit characters; 0 stands for the chunk's length.
constexpr ChunkInfo3ds TextRow(ChunkTag3ds tag, const char* enumerator, uint16_t limit,
                               OwnData3ds own, uint8_t rank = 0) {
  return {tag, TagName(enumerator), Kind::String, limit, own, rank};
}
// Each row names its tag once: the name is the enumerator's own spelling.
#define ROW(tag, ...) Row(tag, #tag, __VA_ARGS__)
#define TEXT_ROW(tag, ...) TextRow(tag, #tag, __VA_ARGS__)

// Sorted by tag.
// clang-format off
constexpr ChunkInfo3ds CHUNK_TABLE[] = {
    // tag                                payload               own data         rank
    ROW(CHUNK_NONE,                       Kind::Raw,            Whole(),         35),
    ROW(CHUNK_FILE_VERSION,               Kind::Dword,          Fixed(4),        31),
    ROW(CHUNK_COLOUR_FLOAT,               Kind::ColorF,         Fixed(12)),
    ROW(CHUNK_COLOUR_24,                  Kind::Color24,        Fixed(3),        28),
    ROW(CHUNK_LINEAR_COLOUR_24,           Kind::Color24,        Whole(),         27),
    ROW(CHUNK_LINEAR_COLOUR_FLOAT,        Kind::ColorF,         Whole()),
    ROW(CHUNK_PERCENT_INT,                Kind::Word,           Fixed(2)),
    ROW(CHUNK_PERCENT_FLOAT,              Kind::Float,          Fixed(4)),
    ROW(CHUNK_MASTER_SCALE,               Kind::Float,          Fixed(4),        23),
    TEXT_ROW(CHUNK_BACKGROUND_BITMAP,     12,                   Text(13),        14),
    ROW(CHUNK_USE_BACKGROUND_BITMAP,      Kind::Raw,            Whole(),         12),
    ROW(CHUNK_SOLID_BACKGROUND,           Kind::None,           Container(),     15),
    ROW(CHUNK_USE_SOLID_BACKGROUND,       Kind::Raw,            Whole(),         12),
    ROW(CHUNK_GRADIENT_BACKGROUND,        Kind::Float,          Fixed(4),        13),
    ROW(CHUNK_USE_GRADIENT_BACKGROUND,    Kind::Raw,            Whole(),         12),
    ROW(CHUNK_SHADOW_BIAS,                Kind::Float,          Fixed(4),        21),
    ROW(CHUNK_HIGH_SHADOW_BIAS,           Kind::Float,          Fixed(4)),
    ROW(CHUNK_SHADOW_MAP_SIZE,            Kind::Word,           Fixed(2),        20),
    ROW(CHUNK_SHADOW_SAMPLES,             Kind::Word,           Fixed(2)),
    ROW(CHUNK_SHADOW_RANGE,               Kind::Dword,          Whole()),
    ROW(CHUNK_SHADOW_FILTER,              Kind::Float,          Whole(),         19),
    ROW(CHUNK_RAY_BIAS,                   Kind::Float,          Whole(),         18),
    ROW(CHUNK_CONSTRUCTION_ORIGIN,        Kind::Point,          Fixed(12),       17),
    ROW(CHUNK_AMBIENT_LIGHT,              Kind::None,           Container(),     16),
    ROW(CHUNK_FOG,                        Kind::Fog,            Fixed(16),       11),
    ROW(CHUNK_DISTANCE_CUE,               Kind::DistCue,        Fixed(16),       9),
    ROW(CHUNK_LAYERED_FOG,                Kind::LayerFog,       Fixed(16),       10),
    ROW(CHUNK_AUX_SECTION_A,              Kind::Raw,            Container(),     34),
    ROW(CHUNK_AUX_SECTION_B,              Kind::Raw,            Container(),     33),
    ROW(CHUNK_DEFAULT_VIEW,               Kind::None,           Container(),     8),
    ROW(CHUNK_VIEW_TOP,                   Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_BOTTOM,                Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_LEFT,                  Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_RIGHT,                 Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_FRONT,                 Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_BACK,                  Kind::View,           Fixed(16)),
    ROW(CHUNK_VIEW_USER,                  Kind::UserView,       Fixed(28)),
    TEXT_ROW(CHUNK_VIEW_CAMERA,           10,                   Text(11)),
    ROW(CHUNK_MESH_SECTION,               Kind::None,           Container(),     30),
    ROW(CHUNK_MESH_VERSION,               Kind::Dword,          Fixed(4),        26),
    ROW(CHUNK_MATERIAL_LIBRARY,           Kind::None,           Container()),
    ROW(CHUNK_AUX_SECTION_C,              Kind::Raw,            Container()),
    TEXT_ROW(CHUNK_NAMED_OBJECT,          10,                   Text(11),        7),
    ROW(CHUNK_OBJECT_HIDDEN,              Kind::None,           Whole(),         1),
    ROW(CHUNK_OBJECT_SHOW_IN_LOFTER,      Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_NO_SHADOW_CAST,      Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_MATTE,               Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_FAST_DISPLAY,        Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_PROCEDURAL,          Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_FROZEN,              Kind::None,           Whole()),
    ROW(CHUNK_OBJECT_NO_SHADOW_RECEIVE,   Kind::None,           Whole()),
    ROW(CHUNK_TRIANGLE_MESH,              Kind::None,           Container(),     2),
    ROW(CHUNK_MESH_VERTICES,              Kind::PointArray,     Whole()),
    ROW(CHUNK_MESH_VERTEX_FLAGS,          Kind::VertFlags,      Whole()),
    ROW(CHUNK_MESH_FACES,                 Kind::FaceArray,      FaceList()),
    ROW(CHUNK_MESH_MATERIAL_GROUP,        Kind::MatGroup,       Whole()),
    ROW(CHUNK_MESH_TEXTURE_VERTICES,      Kind::TexVerts,       Whole()),
    ROW(CHUNK_MESH_SMOOTHING_GROUPS,      Kind::SmoothGroups,   Whole()),
    ROW(CHUNK_MESH_LOCAL_AXES,            Kind::MeshMatrix,     Fixed(48)),
    ROW(CHUNK_MESH_COLOUR,                Kind::Byte,           Whole()),
    ROW(CHUNK_MESH_MAPPING_ICON,          Kind::MapIcon,        Whole()),
    TEXT_ROW(CHUNK_PROCEDURE_NAME,        12,                   Text(13)),
    ROW(CHUNK_PROCEDURE_DATA,             Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MESH_BOX_MAP,               Kind::BoxMap,         Whole()),
    ROW(CHUNK_LIGHT,                      Kind::Point,          Fixed(12),       2),
    ROW(CHUNK_SPOTLIGHT,                  Kind::Spotlight,      Fixed(20)),
    ROW(CHUNK_SPOT_SHADOW,                Kind::SpotShadow,     Fixed(10)),
    TEXT_ROW(CHUNK_SPOT_PROJECTOR,        12,                   Whole()),
    TEXT_ROW(CHUNK_LIGHT_EXCLUDE,         10,                   Whole()),
    ROW(CHUNK_SPOT_ROLL,                  Kind::Float,          Whole()),
    ROW(CHUNK_SPOT_ASPECT,                Kind::Float,          Whole()),
    ROW(CHUNK_LIGHT_RAY_BIAS,             Kind::Float,          Whole()),
    ROW(CHUNK_LIGHT_INNER_RANGE,          Kind::Float,          Whole()),
    ROW(CHUNK_LIGHT_OUTER_RANGE,          Kind::Float,          Whole()),
    ROW(CHUNK_LIGHT_MULTIPLIER,           Kind::Float,          Whole()),
    ROW(CHUNK_CAMERA,                     Kind::Camera,         Fixed(32),       2),
    ROW(CHUNK_CAMERA_RANGES,              Kind::CamRanges,      Whole()),
    ROW(CHUNK_MESH_FILE,                  Kind::None,           Container(),     32),
    ROW(CHUNK_VIEWPORT_LAYOUT,            Kind::ViewportLayout, Fixed(14),       22),
    ROW(CHUNK_VIEWPORT_DATA,              Kind::ViewportData,   Whole()),
    ROW(CHUNK_VIEWPORT_DATA_2,            Kind::ViewportData,   Whole()),
    ROW(CHUNK_VIEWPORT_SIZE,              Kind::ViewportSize,   Whole()),
    ROW(CHUNK_EXT_SECTION,                Kind::None,           Container()),
    ROW(CHUNK_EXT_ENTRY,                  Kind::SizedBytes,     Container()),
    TEXT_ROW(CHUNK_EXT_APP_NAME,          0,                    Whole()),
    TEXT_ROW(CHUNK_EXT_STRING,            0,                    Whole()),
    ROW(CHUNK_EXT_GROUP,                  Kind::None,           Whole()),
    ROW(CHUNK_PARENT_NAME,                Kind::ParentName,     Whole()),
    TEXT_ROW(CHUNK_MAT_NAME,              16,                   Text(17)),
    ROW(CHUNK_MAT_AMBIENT,                Kind::None,           Container()),
    ROW(CHUNK_MAT_DIFFUSE,                Kind::None,           Container()),
    ROW(CHUNK_MAT_SPECULAR,               Kind::None,           Container()),
    ROW(CHUNK_MAT_SHININESS,              Kind::None,           Container()),
    ROW(CHUNK_MAT_SHININESS_STRENGTH,     Kind::None,           Container()),
    ROW(CHUNK_MAT_SHININESS_3,            Kind::None,           Container()),
    ROW(CHUNK_MAT_TRANSPARENCY,           Kind::None,           Container()),
    ROW(CHUNK_MAT_TRANSPARENCY_FALLOFF,   Kind::None,           Container()),
    ROW(CHUNK_MAT_REFLECTION_BLUR,        Kind::None,           Container()),
    ROW(CHUNK_MAT_SELF_ILLUM_FLAG,        Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_TWO_SIDED,              Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_ADDITIVE,               Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_SELF_ILLUM,             Kind::None,           Container()),
    ROW(CHUNK_MAT_WIRE,                   Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_WIRE_SIZE,              Kind::Float,          Whole()),
    ROW(CHUNK_MAT_FACE_MAPPING,           Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_FALLOFF_IN,             Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_SOFTEN,                 Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_WIRE_ABSOLUTE,          Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_SHADING,                Kind::Word,           Whole()),
    ROW(CHUNK_MAT_TEXTURE_MAP,            Kind::None,           Container()),
    ROW(CHUNK_MAT_SPECULAR_MAP,           Kind::None,           Container()),
    ROW(CHUNK_MAT_OPACITY_MAP,            Kind::None,           Container()),
    ROW(CHUNK_MAT_REFLECTION_MAP,         Kind::None,           Container()),
    ROW(CHUNK_MAT_BUMP_MAP,               Kind::None,           Container()),
    ROW(CHUNK_MAT_FALLOFF_FLAG,           Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_BLUR_FLAG,              Kind::Raw,            Whole()),
    ROW(CHUNK_MAT_BUMP_AMOUNT,            Kind::Word,           Whole()),
    // The reader admits map file names of 12 characters; the decoder takes 16.
    TEXT_ROW(CHUNK_MAP_FILE_NAME,         16,                   Text(13)),
    ROW(CHUNK_MAT_AUTO_REFLECTION,        Kind::AutoRefl,       Fixed(12)),
    ROW(CHUNK_MAT_TEXTURE_MAP_DATA,       Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_TEXTURE2_MAP_DATA,      Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_OPACITY_MAP_DATA,       Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_BUMP_MAP_DATA,          Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SPECULAR_MAP_DATA,      Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SHININESS_MAP_DATA,     Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SELF_ILLUM_MAP_DATA,    Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_TEXTURE_MASK_DATA,      Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_TEXTURE2_MASK_DATA,     Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_OPACITY_MASK_DATA,      Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_BUMP_MASK_DATA,         Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SPECULAR_MASK_DATA,     Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SHININESS_MASK_DATA,    Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_SELF_ILLUM_MASK_DATA,   Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_REFLECTION_MASK_DATA,   Kind::SizedBytes,     Whole()),
    ROW(CHUNK_MAT_TEXTURE2_MAP,           Kind::None,           Container()),
    ROW(CHUNK_MAT_SHININESS_MAP,          Kind::None,           Container()),
    ROW(CHUNK_MAT_SELF_ILLUM_MAP,         Kind::None,           Container()),
    ROW(CHUNK_MAT_TEXTURE_MASK,           Kind::None,           Container()),
    ROW(CHUNK_MAT_TEXTURE2_MASK,          Kind::None,           Container()),
    ROW(CHUNK_MAT_OPACITY_MASK,           Kind::None,           Container()),
    ROW(CHUNK_MAT_BUMP_MASK,              Kind::None,           Container()),
    ROW(CHUNK_MAT_SHININESS_MASK,         Kind::None,           Container()),
    ROW(CHUNK_MAT_SPECULAR_MASK,          Kind::None,           Container()),
    ROW(CHUNK_MAT_SELF_ILLUM_MASK,        Kind::None,           Container()),
    ROW(CHUNK_MAT_REFLECTION_MASK,        Kind::None,           Container()),
    ROW(CHUNK_MAP_FLAGS,                  Kind::Word,           Whole()),
    ROW(CHUNK_MAP_BLUR,                   Kind::Float,          Whole()),
    ROW(CHUNK_MAP_U_SCALE,                Kind::Float,          Whole()),
    ROW(CHUNK_MAP_V_SCALE,                Kind::Float,          Whole()),
    ROW(CHUNK_MAP_U_OFFSET,               Kind::Float,          Whole()),
    ROW(CHUNK_MAP_V_OFFSET,               Kind::Float,          Whole()),
    ROW(CHUNK_MAP_ROTATION,               Kind::Float,          Whole()),
    ROW(CHUNK_MAP_TINT_FIRST,             Kind::Color24,        Whole()),
    ROW(CHUNK_MAP_TINT_SECOND,            Kind::Color24,        Whole()),
    ROW(CHUNK_MAP_TINT_RED,               Kind::Color24,        Whole()),
    ROW(CHUNK_MAP_TINT_GREEN,             Kind::Color24,        Whole()),
    ROW(CHUNK_MAP_TINT_BLUE,              Kind::Color24,        Whole()),
    ROW(CHUNK_MATERIAL,                   Kind::None,           Container(),     25),
    ROW(CHUNK_KEYFRAMER,                  Kind::None,           Container(),     29),
    ROW(CHUNK_KF_AMBIENT_NODE,            Kind::None,           Container(),     3),
    ROW(CHUNK_KF_OBJECT_NODE,             Kind::None,           Container(),     4),
    ROW(CHUNK_KF_CAMERA_NODE,             Kind::None,           Container(),     4),
    ROW(CHUNK_KF_TARGET_NODE,             Kind::None,           Container(),     4),
    ROW(CHUNK_KF_LIGHT_NODE,              Kind::None,           Container()),
    ROW(CHUNK_KF_LIGHT_TARGET_NODE,       Kind::None,           Container(),     4),
    ROW(CHUNK_KF_SPOTLIGHT_NODE,          Kind::None,           Container(),     4),
    ROW(CHUNK_KF_SEGMENT,                 Kind::KfSeg,          Fixed(8),        6),
    ROW(CHUNK_KF_CURRENT_FRAME,           Kind::Dword,          Fixed(4),        5),
    ROW(CHUNK_KF_HEADER,                  Kind::KfHdr,          KfHeader(),      24),
    ROW(CHUNK_KF_NODE_HEADER,             Kind::NodeHdr,        NodeHeader()),
    TEXT_ROW(CHUNK_KF_INSTANCE_NAME,      10,                   Text(11)),
    ROW(CHUNK_KF_PIVOT,                   Kind::Point,          Fixed(12)),
    ROW(CHUNK_KF_BOUNDING_BOX,            Kind::BoundBox,       Fixed(24)),
    ROW(CHUNK_KF_MORPH_SMOOTH,            Kind::Float,          Fixed(4)),
    ROW(CHUNK_KF_POSITION_TRACK,          Kind::PosTrack,       Whole()),
    ROW(CHUNK_KF_ROTATION_TRACK,          Kind::RotTrack,       Whole()),
    ROW(CHUNK_KF_SCALE_TRACK,             Kind::ScaleTrack,     Whole()),
    ROW(CHUNK_KF_FOV_TRACK,               Kind::FloatTrack,     Whole()),
    ROW(CHUNK_KF_ROLL_TRACK,              Kind::FloatTrack,     Whole()),
    ROW(CHUNK_KF_COLOUR_TRACK,            Kind::ScaleTrack,     Whole()),
    ROW(CHUNK_KF_MORPH_TRACK,             Kind::MorphTrack,     Whole()),
    ROW(CHUNK_KF_HOTSPOT_TRACK,           Kind::FloatTrack,     Whole()),
    ROW(CHUNK_KF_FALLOFF_TRACK,           Kind::FloatTrack,     Whole()),
    ROW(CHUNK_KF_HIDE_TRACK,              Kind::HideTrack,      Whole()),
    ROW(CHUNK_KF_NODE_ID,                 Kind::Word,           Fixed(2)),
    ROW(CHUNK_SCENE_FILE,                 Kind::None,           Container()),
    ROW(CHUNK_AUX_SECTION_D,              Kind::Raw,            Fixed(4)),
};
// clang-format on
#undef ROW
#undef TEXT_ROW

constexpr bool EveryRowNamed() {
  for (const ChunkInfo3ds& row : CHUNK_TABLE) {
    if (row.name[0] == '\0') return false;
  }
  return true;
}
static_assert(EveryRowNamed(), "every tag of the chunk table has a name");

constexpr bool SortedByTag() {
  for (size_t i = 1; i < std::size(CHUNK_TABLE); ++i) {
    if (CHUNK_TABLE[i - 1].tag >= CHUNK_TABLE[i].tag) return false;
  }
  return true;
}
static_assert(SortedByTag(), "the chunk table must be sorted by tag, each tag once");

// Every tag the table does not list: a raw payload that fills the chunk, rank 0.
constexpr ChunkInfo3ds UNKNOWN_TAG = {0, nullptr, Kind::Raw, 0, Whole(), 0};

}  // namespace

const ChunkInfo3ds& LookUpChunk3ds(uint32_t tag) {
  const ChunkInfo3ds* end = std::end(CHUNK_TABLE);
  const ChunkInfo3ds* row =
      std::lower_bound(std::begin(CHUNK_TABLE), end, tag,
                       [](const ChunkInfo3ds& info, uint32_t t) { return info.tag < t; });
  return row != end && row->tag == tag ? *row : UNKNOWN_TAG;
}

const char* ChunkTagName3ds(uint32_t tag) {
  return LookUpChunk3ds(tag).name;
}
