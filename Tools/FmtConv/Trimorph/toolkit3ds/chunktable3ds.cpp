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

constexpr ChunkInfo3ds Row(ChunkTag3ds tag, Kind kind, OwnData3ds own, uint8_t rank = 0) {
  return {tag, kind, 0, own, rank};
}
// A string payload of at most limit characters; 0 stands for the chunk's length.
constexpr ChunkInfo3ds TextRow(ChunkTag3ds tag, uint16_t limit, OwnData3ds own, uint8_t rank = 0) {
  return {tag, Kind::String, limit, own, rank};
}

// Sorted by tag.
// clang-format off
constexpr ChunkInfo3ds CHUNK_TABLE[] = {
    // tag                                payload               own data         rank
    Row(CHUNK_NONE,                       Kind::Raw,            Whole(),         35),
    Row(CHUNK_FILE_VERSION,               Kind::Dword,          Fixed(4),        31),
    Row(CHUNK_COLOUR_FLOAT,               Kind::ColorF,         Fixed(12)),
    Row(CHUNK_COLOUR_24,                  Kind::Color24,        Fixed(3),        28),
    Row(CHUNK_LINEAR_COLOUR_24,           Kind::Color24,        Whole(),         27),
    Row(CHUNK_LINEAR_COLOUR_FLOAT,        Kind::ColorF,         Whole()),
    Row(CHUNK_PERCENT_INT,                Kind::Word,           Fixed(2)),
    Row(CHUNK_PERCENT_FLOAT,              Kind::Float,          Fixed(4)),
    Row(CHUNK_MASTER_SCALE,               Kind::Float,          Fixed(4),        23),
    TextRow(CHUNK_BACKGROUND_BITMAP,      12,                   Text(13),        14),
    Row(CHUNK_USE_BACKGROUND_BITMAP,      Kind::Raw,            Whole(),         12),
    Row(CHUNK_SOLID_BACKGROUND,           Kind::None,           Container(),     15),
    Row(CHUNK_USE_SOLID_BACKGROUND,       Kind::Raw,            Whole(),         12),
    Row(CHUNK_GRADIENT_BACKGROUND,        Kind::Float,          Fixed(4),        13),
    Row(CHUNK_USE_GRADIENT_BACKGROUND,    Kind::Raw,            Whole(),         12),
    Row(CHUNK_SHADOW_BIAS,                Kind::Float,          Fixed(4),        21),
    Row(CHUNK_HIGH_SHADOW_BIAS,           Kind::Float,          Fixed(4)),
    Row(CHUNK_SHADOW_MAP_SIZE,            Kind::Word,           Fixed(2),        20),
    Row(CHUNK_SHADOW_SAMPLES,             Kind::Word,           Fixed(2)),
    Row(CHUNK_SHADOW_RANGE,               Kind::Dword,          Whole()),
    Row(CHUNK_SHADOW_FILTER,              Kind::Float,          Whole(),         19),
    Row(CHUNK_RAY_BIAS,                   Kind::Float,          Whole(),         18),
    Row(CHUNK_CONSTRUCTION_ORIGIN,        Kind::Point,          Fixed(12),       17),
    Row(CHUNK_AMBIENT_LIGHT,              Kind::None,           Container(),     16),
    Row(CHUNK_FOG,                        Kind::Fog,            Fixed(16),       11),
    Row(CHUNK_DISTANCE_CUE,               Kind::DistCue,        Fixed(16),       9),
    Row(CHUNK_LAYERED_FOG,                Kind::LayerFog,       Fixed(16),       10),
    Row(CHUNK_AUX_SECTION_A,              Kind::Raw,            Container(),     34),
    Row(CHUNK_AUX_SECTION_B,              Kind::Raw,            Container(),     33),
    Row(CHUNK_DEFAULT_VIEW,               Kind::None,           Container(),     8),
    Row(CHUNK_VIEW_TOP,                   Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_BOTTOM,                Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_LEFT,                  Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_RIGHT,                 Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_FRONT,                 Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_BACK,                  Kind::View,           Fixed(16)),
    Row(CHUNK_VIEW_USER,                  Kind::UserView,       Fixed(28)),
    TextRow(CHUNK_VIEW_CAMERA,            10,                   Text(11)),
    Row(CHUNK_MESH_SECTION,               Kind::None,           Container(),     30),
    Row(CHUNK_MESH_VERSION,               Kind::Dword,          Fixed(4),        26),
    Row(CHUNK_MATERIAL_LIBRARY,           Kind::None,           Container()),
    Row(CHUNK_AUX_SECTION_C,              Kind::Raw,            Container()),
    TextRow(CHUNK_NAMED_OBJECT,           10,                   Text(11),        7),
    Row(CHUNK_OBJECT_HIDDEN,              Kind::None,           Whole(),         1),
    Row(CHUNK_OBJECT_SHOW_IN_LOFTER,      Kind::None,           Whole()),
    Row(CHUNK_OBJECT_NO_SHADOW_CAST,      Kind::None,           Whole()),
    Row(CHUNK_OBJECT_MATTE,               Kind::None,           Whole()),
    Row(CHUNK_OBJECT_FAST_DISPLAY,        Kind::None,           Whole()),
    Row(CHUNK_OBJECT_PROCEDURAL,          Kind::None,           Whole()),
    Row(CHUNK_OBJECT_FROZEN,              Kind::None,           Whole()),
    Row(CHUNK_OBJECT_NO_SHADOW_RECEIVE,   Kind::None,           Whole()),
    Row(CHUNK_TRIANGLE_MESH,              Kind::None,           Container(),     2),
    Row(CHUNK_MESH_VERTICES,              Kind::PointArray,     Whole()),
    Row(CHUNK_MESH_VERTEX_FLAGS,          Kind::VertFlags,      Whole()),
    Row(CHUNK_MESH_FACES,                 Kind::FaceArray,      FaceList()),
    Row(CHUNK_MESH_MATERIAL_GROUP,        Kind::MatGroup,       Whole()),
    Row(CHUNK_MESH_TEXTURE_VERTICES,      Kind::TexVerts,       Whole()),
    Row(CHUNK_MESH_SMOOTHING_GROUPS,      Kind::SmoothGroups,   Whole()),
    Row(CHUNK_MESH_LOCAL_AXES,            Kind::MeshMatrix,     Fixed(48)),
    Row(CHUNK_MESH_COLOUR,                Kind::Byte,           Whole()),
    Row(CHUNK_MESH_MAPPING_ICON,          Kind::MapIcon,        Whole()),
    TextRow(CHUNK_PROCEDURE_NAME,         12,                   Text(13)),
    Row(CHUNK_PROCEDURE_DATA,             Kind::SizedBytes,     Whole()),
    Row(CHUNK_MESH_BOX_MAP,               Kind::BoxMap,         Whole()),
    Row(CHUNK_LIGHT,                      Kind::Point,          Fixed(12),       2),
    Row(CHUNK_SPOTLIGHT,                  Kind::Spotlight,      Fixed(20)),
    Row(CHUNK_SPOT_SHADOW,                Kind::SpotShadow,     Fixed(10)),
    TextRow(CHUNK_SPOT_PROJECTOR,         12,                   Whole()),
    TextRow(CHUNK_LIGHT_EXCLUDE,          10,                   Whole()),
    Row(CHUNK_SPOT_ROLL,                  Kind::Float,          Whole()),
    Row(CHUNK_SPOT_ASPECT,                Kind::Float,          Whole()),
    Row(CHUNK_LIGHT_RAY_BIAS,             Kind::Float,          Whole()),
    Row(CHUNK_LIGHT_INNER_RANGE,          Kind::Float,          Whole()),
    Row(CHUNK_LIGHT_OUTER_RANGE,          Kind::Float,          Whole()),
    Row(CHUNK_LIGHT_MULTIPLIER,           Kind::Float,          Whole()),
    Row(CHUNK_CAMERA,                     Kind::Camera,         Fixed(32),       2),
    Row(CHUNK_CAMERA_RANGES,              Kind::CamRanges,      Whole()),
    Row(CHUNK_MESH_FILE,                  Kind::None,           Container(),     32),
    Row(CHUNK_VIEWPORT_LAYOUT,            Kind::ViewportLayout, Fixed(14),       22),
    Row(CHUNK_VIEWPORT_DATA,              Kind::ViewportData,   Whole()),
    Row(CHUNK_VIEWPORT_DATA_2,            Kind::ViewportData,   Whole()),
    Row(CHUNK_VIEWPORT_SIZE,              Kind::ViewportSize,   Whole()),
    Row(CHUNK_EXT_SECTION,                Kind::None,           Container()),
    Row(CHUNK_EXT_ENTRY,                  Kind::SizedBytes,     Container()),
    TextRow(CHUNK_EXT_APP_NAME,           0,                    Whole()),
    TextRow(CHUNK_EXT_STRING,             0,                    Whole()),
    Row(CHUNK_EXT_GROUP,                  Kind::None,           Whole()),
    Row(CHUNK_PARENT_NAME,                Kind::ParentName,     Whole()),
    TextRow(CHUNK_MAT_NAME,               16,                   Text(17)),
    Row(CHUNK_MAT_AMBIENT,                Kind::None,           Container()),
    Row(CHUNK_MAT_DIFFUSE,                Kind::None,           Container()),
    Row(CHUNK_MAT_SPECULAR,               Kind::None,           Container()),
    Row(CHUNK_MAT_SHININESS,              Kind::None,           Container()),
    Row(CHUNK_MAT_SHININESS_STRENGTH,     Kind::None,           Container()),
    Row(CHUNK_MAT_SHININESS_3,            Kind::None,           Container()),
    Row(CHUNK_MAT_TRANSPARENCY,           Kind::None,           Container()),
    Row(CHUNK_MAT_TRANSPARENCY_FALLOFF,   Kind::None,           Container()),
    Row(CHUNK_MAT_REFLECTION_BLUR,        Kind::None,           Container()),
    Row(CHUNK_MAT_SELF_ILLUM_FLAG,        Kind::Raw,            Whole()),
    Row(CHUNK_MAT_TWO_SIDED,              Kind::Raw,            Whole()),
    Row(CHUNK_MAT_ADDITIVE,               Kind::Raw,            Whole()),
    Row(CHUNK_MAT_SELF_ILLUM,             Kind::None,           Container()),
    Row(CHUNK_MAT_WIRE,                   Kind::Raw,            Whole()),
    Row(CHUNK_MAT_WIRE_SIZE,              Kind::Float,          Whole()),
    Row(CHUNK_MAT_FACE_MAPPING,           Kind::Raw,            Whole()),
    Row(CHUNK_MAT_FALLOFF_IN,             Kind::Raw,            Whole()),
    Row(CHUNK_MAT_SOFTEN,                 Kind::Raw,            Whole()),
    Row(CHUNK_MAT_WIRE_ABSOLUTE,          Kind::Raw,            Whole()),
    Row(CHUNK_MAT_SHADING,                Kind::Word,           Whole()),
    Row(CHUNK_MAT_TEXTURE_MAP,            Kind::None,           Container()),
    Row(CHUNK_MAT_SPECULAR_MAP,           Kind::None,           Container()),
    Row(CHUNK_MAT_OPACITY_MAP,            Kind::None,           Container()),
    Row(CHUNK_MAT_REFLECTION_MAP,         Kind::None,           Container()),
    Row(CHUNK_MAT_BUMP_MAP,               Kind::None,           Container()),
    Row(CHUNK_MAT_FALLOFF_FLAG,           Kind::Raw,            Whole()),
    Row(CHUNK_MAT_BLUR_FLAG,              Kind::Raw,            Whole()),
    Row(CHUNK_MAT_BUMP_AMOUNT,            Kind::Word,           Whole()),
    // The reader admits map file names of 12 characters; the decoder takes 16.
    TextRow(CHUNK_MAP_FILE_NAME,          16,                   Text(13)),
    Row(CHUNK_MAT_AUTO_REFLECTION,        Kind::AutoRefl,       Fixed(12)),
    Row(CHUNK_MAT_TEXTURE_MAP_DATA,       Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_TEXTURE2_MAP_DATA,      Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_OPACITY_MAP_DATA,       Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_BUMP_MAP_DATA,          Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SPECULAR_MAP_DATA,      Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SHININESS_MAP_DATA,     Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SELF_ILLUM_MAP_DATA,    Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_TEXTURE_MASK_DATA,      Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_TEXTURE2_MASK_DATA,     Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_OPACITY_MASK_DATA,      Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_BUMP_MASK_DATA,         Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SPECULAR_MASK_DATA,     Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SHININESS_MASK_DATA,    Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_SELF_ILLUM_MASK_DATA,   Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_REFLECTION_MASK_DATA,   Kind::SizedBytes,     Whole()),
    Row(CHUNK_MAT_TEXTURE2_MAP,           Kind::None,           Container()),
    Row(CHUNK_MAT_SHININESS_MAP,          Kind::None,           Container()),
    Row(CHUNK_MAT_SELF_ILLUM_MAP,         Kind::None,           Container()),
    Row(CHUNK_MAT_TEXTURE_MASK,           Kind::None,           Container()),
    Row(CHUNK_MAT_TEXTURE2_MASK,          Kind::None,           Container()),
    Row(CHUNK_MAT_OPACITY_MASK,           Kind::None,           Container()),
    Row(CHUNK_MAT_BUMP_MASK,              Kind::None,           Container()),
    Row(CHUNK_MAT_SHININESS_MASK,         Kind::None,           Container()),
    Row(CHUNK_MAT_SPECULAR_MASK,          Kind::None,           Container()),
    Row(CHUNK_MAT_SELF_ILLUM_MASK,        Kind::None,           Container()),
    Row(CHUNK_MAT_REFLECTION_MASK,        Kind::None,           Container()),
    Row(CHUNK_MAP_FLAGS,                  Kind::Word,           Whole()),
    Row(CHUNK_MAP_BLUR,                   Kind::Float,          Whole()),
    Row(CHUNK_MAP_U_SCALE,                Kind::Float,          Whole()),
    Row(CHUNK_MAP_V_SCALE,                Kind::Float,          Whole()),
    Row(CHUNK_MAP_U_OFFSET,               Kind::Float,          Whole()),
    Row(CHUNK_MAP_V_OFFSET,               Kind::Float,          Whole()),
    Row(CHUNK_MAP_ROTATION,               Kind::Float,          Whole()),
    Row(CHUNK_MAP_TINT_FIRST,             Kind::Color24,        Whole()),
    Row(CHUNK_MAP_TINT_SECOND,            Kind::Color24,        Whole()),
    Row(CHUNK_MAP_TINT_RED,               Kind::Color24,        Whole()),
    Row(CHUNK_MAP_TINT_GREEN,             Kind::Color24,        Whole()),
    Row(CHUNK_MAP_TINT_BLUE,              Kind::Color24,        Whole()),
    Row(CHUNK_MATERIAL,                   Kind::None,           Container(),     25),
    Row(CHUNK_KEYFRAMER,                  Kind::None,           Container(),     29),
    Row(CHUNK_KF_AMBIENT_NODE,            Kind::None,           Container(),     3),
    Row(CHUNK_KF_OBJECT_NODE,             Kind::None,           Container(),     4),
    Row(CHUNK_KF_CAMERA_NODE,             Kind::None,           Container(),     4),
    Row(CHUNK_KF_TARGET_NODE,             Kind::None,           Container(),     4),
    Row(CHUNK_KF_LIGHT_NODE,              Kind::None,           Container()),
    Row(CHUNK_KF_LIGHT_TARGET_NODE,       Kind::None,           Container(),     4),
    Row(CHUNK_KF_SPOTLIGHT_NODE,          Kind::None,           Container(),     4),
    Row(CHUNK_KF_SEGMENT,                 Kind::KfSeg,          Fixed(8),        6),
    Row(CHUNK_KF_CURRENT_FRAME,           Kind::Dword,          Fixed(4),        5),
    Row(CHUNK_KF_HEADER,                  Kind::KfHdr,          KfHeader(),      24),
    Row(CHUNK_KF_NODE_HEADER,             Kind::NodeHdr,        NodeHeader()),
    TextRow(CHUNK_KF_INSTANCE_NAME,       10,                   Text(11)),
    Row(CHUNK_KF_PIVOT,                   Kind::Point,          Fixed(12)),
    Row(CHUNK_KF_BOUNDING_BOX,            Kind::BoundBox,       Fixed(24)),
    Row(CHUNK_KF_MORPH_SMOOTH,            Kind::Float,          Fixed(4)),
    Row(CHUNK_KF_POSITION_TRACK,          Kind::PosTrack,       Whole()),
    Row(CHUNK_KF_ROTATION_TRACK,          Kind::RotTrack,       Whole()),
    Row(CHUNK_KF_SCALE_TRACK,             Kind::ScaleTrack,     Whole()),
    Row(CHUNK_KF_FOV_TRACK,               Kind::FloatTrack,     Whole()),
    Row(CHUNK_KF_ROLL_TRACK,              Kind::FloatTrack,     Whole()),
    Row(CHUNK_KF_COLOUR_TRACK,            Kind::ScaleTrack,     Whole()),
    Row(CHUNK_KF_MORPH_TRACK,             Kind::MorphTrack,     Whole()),
    Row(CHUNK_KF_HOTSPOT_TRACK,           Kind::FloatTrack,     Whole()),
    Row(CHUNK_KF_FALLOFF_TRACK,           Kind::FloatTrack,     Whole()),
    Row(CHUNK_KF_HIDE_TRACK,              Kind::HideTrack,      Whole()),
    Row(CHUNK_KF_NODE_ID,                 Kind::Word,           Fixed(2)),
    Row(CHUNK_SCENE_FILE,                 Kind::None,           Container()),
    Row(CHUNK_AUX_SECTION_D,              Kind::Raw,            Fixed(4)),
};
// clang-format on

constexpr bool SortedByTag() {
  for (size_t i = 1; i < std::size(CHUNK_TABLE); ++i) {
    if (CHUNK_TABLE[i - 1].tag >= CHUNK_TABLE[i].tag) return false;
  }
  return true;
}
static_assert(SortedByTag(), "the chunk table must be sorted by tag, each tag once");

// Every tag the table does not list: a raw payload that fills the chunk, rank 0.
constexpr ChunkInfo3ds UNKNOWN_TAG = {0, Kind::Raw, 0, Whole(), 0};

}  // namespace

const ChunkInfo3ds& LookUpChunk3ds(uint32_t tag) {
  const ChunkInfo3ds* end = std::end(CHUNK_TABLE);
  const ChunkInfo3ds* row =
      std::lower_bound(std::begin(CHUNK_TABLE), end, tag,
                       [](const ChunkInfo3ds& info, uint32_t t) { return info.tag < t; });
  return row != end && row->tag == tag ? *row : UNKNOWN_TAG;
}
