// The chunk tags of .3ds files, each named once after what its chunk holds, and the one table
// that says for every tag what its payload decodes into, how much of its own data comes before
// its children, and its rank among siblings. The tree reader, the payload decoder and the
// insertion by rank all look tags up in that table (chunktable3ds.cpp); nothing else in the
// toolkit knows a tag by its number.
#ifndef TRIMORPH_CHUNKTAGS3DS_H
#define TRIMORPH_CHUNKTAGS3DS_H

#include <cstdint>

enum ChunkTag3ds : uint16_t {
  CHUNK_NONE = 0x0000,  // no tag yet: a chunk made in memory before its tag is set

  // File roots and sections
  CHUNK_MESH_FILE = 0x4D4D,         // root of a mesh file
  CHUNK_SCENE_FILE = 0xC23D,        // root of a scene file
  CHUNK_MATERIAL_LIBRARY = 0x3DAA,  // root of a material library
  CHUNK_FILE_VERSION = 0x0002,      // dword: version of the file format
  CHUNK_MESH_SECTION = 0x3D3D,      // container of the scene: settings, materials, objects
  CHUNK_MESH_VERSION = 0x3D3E,      // dword: version of the mesh section
  CHUNK_AUX_SECTION_A = 0x2D2D,     // raw: auxiliary section kept as stored
  CHUNK_AUX_SECTION_B = 0x2D3D,     // raw: auxiliary section kept as stored
  CHUNK_AUX_SECTION_C = 0x3DFF,     // raw: auxiliary section kept as stored
  CHUNK_AUX_SECTION_D = 0xD000,     // raw: auxiliary section kept as stored

  // Colours and amounts, the children of colour and amount chunks
  CHUNK_COLOUR_FLOAT = 0x0010,         // 3 floats r, g, b
  CHUNK_COLOUR_24 = 0x0011,            // 3 bytes r, g, b
  CHUNK_LINEAR_COLOUR_24 = 0x0012,     // 3 bytes r, g, b, gamma-corrected
  CHUNK_LINEAR_COLOUR_FLOAT = 0x0013,  // 3 floats r, g, b, gamma-corrected
  CHUNK_PERCENT_INT = 0x0030,          // word: a percentage
  CHUNK_PERCENT_FLOAT = 0x0031,        // float: a fraction

  // Scene settings
  CHUNK_MASTER_SCALE = 0x0100,             // float: the scene's unit scale
  CHUNK_BACKGROUND_BITMAP = 0x1100,        // string: file name of the background image
  CHUNK_USE_BACKGROUND_BITMAP = 0x1101,    // flag: the background image is shown
  CHUNK_SOLID_BACKGROUND = 0x1200,         // container: a plain background colour
  CHUNK_USE_SOLID_BACKGROUND = 0x1201,     // flag: the plain background is shown
  CHUNK_GRADIENT_BACKGROUND = 0x1300,      // float, then colour children
  CHUNK_USE_GRADIENT_BACKGROUND = 0x1301,  // flag: the gradient background is shown
  CHUNK_SHADOW_BIAS = 0x1400,              // float
  CHUNK_HIGH_SHADOW_BIAS = 0x1410,         // float
  CHUNK_SHADOW_MAP_SIZE = 0x1420,          // word
  CHUNK_SHADOW_SAMPLES = 0x1430,           // word
  CHUNK_SHADOW_RANGE = 0x1440,             // dword
  CHUNK_SHADOW_FILTER = 0x1450,            // float
  CHUNK_RAY_BIAS = 0x1460,                 // float
  CHUNK_CONSTRUCTION_ORIGIN = 0x1500,      // point
  CHUNK_AMBIENT_LIGHT = 0x2100,            // container: the ambient light's colours
  CHUNK_FOG = 0x2200,           // 4 floats: near plane and density, far plane and density
  CHUNK_DISTANCE_CUE = 0x2300,  // 4 floats: near plane and dimming, far plane and dimming
  CHUNK_LAYERED_FOG = 0x2302,   // 3 floats (low z, high z, density), dword flags

  // Default views
  CHUNK_DEFAULT_VIEW = 0x3000,  // container of the view below
  CHUNK_VIEW_TOP = 0x3010,      // float width, point target
  CHUNK_VIEW_BOTTOM = 0x3020,   // float width, point target
  CHUNK_VIEW_LEFT = 0x3030,     // float width, point target
  CHUNK_VIEW_RIGHT = 0x3040,    // float width, point target
  CHUNK_VIEW_FRONT = 0x3050,    // float width, point target
  CHUNK_VIEW_BACK = 0x3060,     // float width, point target
  CHUNK_VIEW_USER = 0x3070,     // 4 floats, point target
  CHUNK_VIEW_CAMERA = 0x3080,   // string: the camera's name

  // Named objects and triangle meshes
  CHUNK_NAMED_OBJECT = 0x4000,              // string: the object's name, then its children
  CHUNK_OBJECT_HIDDEN = 0x4010,             // flag
  CHUNK_OBJECT_SHOW_IN_LOFTER = 0x4011,     // flag
  CHUNK_OBJECT_NO_SHADOW_CAST = 0x4012,     // flag
  CHUNK_OBJECT_MATTE = 0x4013,              // flag
  CHUNK_OBJECT_FAST_DISPLAY = 0x4014,       // flag
  CHUNK_OBJECT_PROCEDURAL = 0x4015,         // flag
  CHUNK_OBJECT_FROZEN = 0x4016,             // flag
  CHUNK_OBJECT_NO_SHADOW_RECEIVE = 0x4017,  // flag
  CHUNK_TRIANGLE_MESH = 0x4100,             // container of a mesh's arrays
  CHUNK_MESH_VERTICES = 0x4110,             // word count, then the points of a mesh
  CHUNK_MESH_VERTEX_FLAGS = 0x4111,         // word count, then a flag word per vertex
  CHUNK_MESH_FACES = 0x4120,                // word count, then the faces; groups as children
  CHUNK_MESH_MATERIAL_GROUP = 0x4130,       // material name, word count, face indices
  CHUNK_MESH_TEXTURE_VERTICES = 0x4140,     // word count, then u, v per vertex
  CHUNK_MESH_SMOOTHING_GROUPS = 0x4150,     // a dword of group bits per face, filling the chunk
  CHUNK_MESH_LOCAL_AXES = 0x4160,           // 12 floats: X, Y and Z axis, origin
  CHUNK_MESH_COLOUR = 0x4165,               // byte: the mesh's display colour
  CHUNK_MESH_MAPPING_ICON = 0x4170,         // the texture mapping icon's type and frame
  CHUNK_PROCEDURE_NAME = 0x4181,            // string: name of a procedural object's procedure
  CHUNK_PROCEDURE_DATA = 0x4182,            // bytes of a procedural object
  CHUNK_MESH_BOX_MAP = 0x4190,              // 6 material names of a box mapping

  // Lights and cameras
  CHUNK_LIGHT = 0x4600,              // point: the light's position, then its children
  CHUNK_SPOTLIGHT = 0x4610,          // point target, float hotspot, float falloff
  CHUNK_SPOT_SHADOW = 0x4641,        // 2 floats and a word: shadow bias, filter, map size
  CHUNK_SPOT_PROJECTOR = 0x4653,     // string: the projected image's file name
  CHUNK_LIGHT_EXCLUDE = 0x4654,      // string: the name of an object the light leaves out
  CHUNK_SPOT_ROLL = 0x4656,          // float
  CHUNK_SPOT_ASPECT = 0x4657,        // float
  CHUNK_LIGHT_RAY_BIAS = 0x4658,     // float
  CHUNK_LIGHT_INNER_RANGE = 0x4659,  // float
  CHUNK_LIGHT_OUTER_RANGE = 0x465A,  // float
  CHUNK_LIGHT_MULTIPLIER = 0x465B,   // float
  CHUNK_CAMERA = 0x4700,             // 2 points (position, target), bank angle, lens
  CHUNK_CAMERA_RANGES = 0x4720,      // 2 floats: near and far range

  // Viewports
  CHUNK_VIEWPORT_LAYOUT = 0x7001,  // 7 words
  CHUNK_VIEWPORT_DATA = 0x7011,    // 7 words, zoom, centre, 2 angles, camera name
  CHUNK_VIEWPORT_DATA_2 = 0x7012,  // the same as CHUNK_VIEWPORT_DATA
  CHUNK_VIEWPORT_SIZE = 0x7020,    // 4 words

  // Extension data of other applications
  CHUNK_EXT_SECTION = 0x8000,    // container of extension entries
  CHUNK_EXT_ENTRY = 0x8001,      // bytes of an entry, its items following as children
  CHUNK_EXT_APP_NAME = 0x8002,   // string: the application's name; the first item tag
  CHUNK_EXT_STRING = 0x8003,     // string
  CHUNK_EXT_GROUP = 0x8009,      // container of items
  CHUNK_EXT_ITEM_LAST = 0x800F,  // the last tag an item of an extension entry may have
  CHUNK_PARENT_NAME = 0x80F0,    // string: a keyframer node's parent, made in memory only

  // Materials
  CHUNK_MATERIAL = 0xAFFF,                  // container: one material
  CHUNK_MAT_NAME = 0xA000,                  // string: the material's name
  CHUNK_MAT_AMBIENT = 0xA010,               // colour children
  CHUNK_MAT_DIFFUSE = 0xA020,               // colour children
  CHUNK_MAT_SPECULAR = 0xA030,              // colour children
  CHUNK_MAT_SHININESS = 0xA040,             // amount children
  CHUNK_MAT_SHININESS_STRENGTH = 0xA041,    // amount children
  CHUNK_MAT_SHININESS_3 = 0xA042,           // amount children, accepted and not used
  CHUNK_MAT_TRANSPARENCY = 0xA050,          // amount children
  CHUNK_MAT_TRANSPARENCY_FALLOFF = 0xA052,  // amount children
  CHUNK_MAT_REFLECTION_BLUR = 0xA053,       // amount children
  CHUNK_MAT_SELF_ILLUM_FLAG = 0xA080,       // flag
  CHUNK_MAT_TWO_SIDED = 0xA081,             // flag
  CHUNK_MAT_ADDITIVE = 0xA083,              // flag
  CHUNK_MAT_SELF_ILLUM = 0xA084,            // amount children
  CHUNK_MAT_WIRE = 0xA085,                  // flag: drawn as a wire frame
  CHUNK_MAT_WIRE_SIZE = 0xA087,             // float: the wire's thickness
  CHUNK_MAT_FACE_MAPPING = 0xA088,          // flag
  CHUNK_MAT_FALLOFF_IN = 0xA08A,            // flag: transparency falls off inwards
  CHUNK_MAT_SOFTEN = 0xA08C,                // flag
  CHUNK_MAT_WIRE_ABSOLUTE = 0xA08E,         // flag: wire thickness in units
  CHUNK_MAT_SHADING = 0xA100,               // word: the shading type
  CHUNK_MAT_TEXTURE_MAP = 0xA200,           // map children
  CHUNK_MAT_SPECULAR_MAP = 0xA204,          // map children
  CHUNK_MAT_OPACITY_MAP = 0xA210,           // map children
  CHUNK_MAT_REFLECTION_MAP = 0xA220,        // map children
  CHUNK_MAT_BUMP_MAP = 0xA230,              // map children
  CHUNK_MAT_FALLOFF_FLAG = 0xA240,          // flag: transparency falloff is used
  CHUNK_MAT_BLUR_FLAG = 0xA250,             // flag: reflection blur is used
  CHUNK_MAT_BUMP_AMOUNT = 0xA252,           // word: the bump map's strength in percent
  CHUNK_MAP_FILE_NAME = 0xA300,             // string: a map's file name
  CHUNK_MAT_AUTO_REFLECTION = 0xA310,       // 2 bytes, word flags, map size, frame step
  CHUNK_MAT_TEXTURE_MAP_DATA = 0xA320,      // bytes of the texture map
  CHUNK_MAT_TEXTURE2_MAP_DATA = 0xA321,     // bytes of the second texture map
  CHUNK_MAT_OPACITY_MAP_DATA = 0xA322,      // bytes of the opacity map
  CHUNK_MAT_BUMP_MAP_DATA = 0xA324,         // bytes of the bump map
  CHUNK_MAT_SPECULAR_MAP_DATA = 0xA325,     // bytes of the specular map
  CHUNK_MAT_SHININESS_MAP_DATA = 0xA326,    // bytes of the shininess map
  CHUNK_MAT_SELF_ILLUM_MAP_DATA = 0xA328,   // bytes of the self-illumination map
  CHUNK_MAT_TEXTURE_MASK_DATA = 0xA32A,     // bytes of the texture mask
  CHUNK_MAT_TEXTURE2_MASK_DATA = 0xA32C,    // bytes of the second texture's mask
  CHUNK_MAT_OPACITY_MASK_DATA = 0xA32E,     // bytes of the opacity mask
  CHUNK_MAT_BUMP_MASK_DATA = 0xA330,        // bytes of the bump mask
  CHUNK_MAT_SPECULAR_MASK_DATA = 0xA332,    // bytes of the specular mask
  CHUNK_MAT_SHININESS_MASK_DATA = 0xA334,   // bytes of the shininess mask
  CHUNK_MAT_SELF_ILLUM_MASK_DATA = 0xA336,  // bytes of the self-illumination mask
  CHUNK_MAT_REFLECTION_MASK_DATA = 0xA338,  // bytes of the reflection mask
  CHUNK_MAT_TEXTURE2_MAP = 0xA33A,          // map children: the second texture map
  CHUNK_MAT_SHININESS_MAP = 0xA33C,         // map children
  CHUNK_MAT_SELF_ILLUM_MAP = 0xA33D,        // map children
  CHUNK_MAT_TEXTURE_MASK = 0xA33E,          // map children
  CHUNK_MAT_TEXTURE2_MASK = 0xA340,         // map children
  CHUNK_MAT_OPACITY_MASK = 0xA342,          // map children
  CHUNK_MAT_BUMP_MASK = 0xA344,             // map children
  CHUNK_MAT_SHININESS_MASK = 0xA346,        // map children
  CHUNK_MAT_SPECULAR_MASK = 0xA348,         // map children
  CHUNK_MAT_SELF_ILLUM_MASK = 0xA34A,       // map children
  CHUNK_MAT_REFLECTION_MASK = 0xA34C,       // map children
  CHUNK_MAP_FLAGS = 0xA351,                 // word: a map's tiling and alpha flags
  CHUNK_MAP_BLUR = 0xA353,                  // float
  CHUNK_MAP_U_SCALE = 0xA354,               // float
  CHUNK_MAP_V_SCALE = 0xA356,               // float
  CHUNK_MAP_U_OFFSET = 0xA358,              // float
  CHUNK_MAP_V_OFFSET = 0xA35A,              // float
  CHUNK_MAP_ROTATION = 0xA35C,              // float
  CHUNK_MAP_TINT_FIRST = 0xA360,            // 3 bytes r, g, b
  CHUNK_MAP_TINT_SECOND = 0xA362,           // 3 bytes r, g, b
  CHUNK_MAP_TINT_RED = 0xA364,              // 3 bytes r, g, b
  CHUNK_MAP_TINT_GREEN = 0xA366,            // 3 bytes r, g, b
  CHUNK_MAP_TINT_BLUE = 0xA368,             // 3 bytes r, g, b

  // Keyframer
  CHUNK_KEYFRAMER = 0xB000,             // container: the animation's settings and nodes
  CHUNK_KF_AMBIENT_NODE = 0xB001,       // node of the ambient light
  CHUNK_KF_OBJECT_NODE = 0xB002,        // node of a mesh object
  CHUNK_KF_CAMERA_NODE = 0xB003,        // node of a camera
  CHUNK_KF_TARGET_NODE = 0xB004,        // node of a camera's target
  CHUNK_KF_LIGHT_NODE = 0xB005,         // node of a light
  CHUNK_KF_LIGHT_TARGET_NODE = 0xB006,  // node of a spotlight's target
  CHUNK_KF_SPOTLIGHT_NODE = 0xB007,     // node of a spotlight
  CHUNK_KF_SEGMENT = 0xB008,            // 2 dwords: first and last frame of the active segment
  CHUNK_KF_CURRENT_FRAME = 0xB009,      // dword
  CHUNK_KF_HEADER = 0xB00A,             // word revision, string file name, dword length
  CHUNK_KF_NODE_HEADER = 0xB010,        // string name, 2 flag words, word parent id
  CHUNK_KF_INSTANCE_NAME = 0xB011,      // string
  CHUNK_KF_PIVOT = 0xB013,              // point
  CHUNK_KF_BOUNDING_BOX = 0xB014,       // 2 points: minimum, maximum
  CHUNK_KF_MORPH_SMOOTH = 0xB015,       // float: the morph smoothing angle
  CHUNK_KF_POSITION_TRACK = 0xB020,     // track of points
  CHUNK_KF_ROTATION_TRACK = 0xB021,     // track of angle and axis
  CHUNK_KF_SCALE_TRACK = 0xB022,        // track of 3 floats
  CHUNK_KF_FOV_TRACK = 0xB023,          // track of floats: field of view
  CHUNK_KF_ROLL_TRACK = 0xB024,         // track of floats
  CHUNK_KF_COLOUR_TRACK = 0xB025,       // track of 3 floats
  CHUNK_KF_MORPH_TRACK = 0xB026,        // track of object names
  CHUNK_KF_HOTSPOT_TRACK = 0xB027,      // track of floats
  CHUNK_KF_FALLOFF_TRACK = 0xB028,      // track of floats
  CHUNK_KF_HIDE_TRACK = 0xB029,         // track of keys only
  CHUNK_KF_NODE_ID = 0xB030,            // word: the node's id
};

// What the own data of a chunk decodes into: the kind of its chunk data record.
enum class PayloadKind3ds : uint8_t {
  None,        // container or flag: no record
  Raw,         // the whole payload as stored, when the chunk is longer than its header
  SizedBytes,  // size and bytes filling the payload, present even when empty
  ParentName,  // string made in memory only, never decoded from a file
  Dword,
  Float,
  Word,
  Byte,
  ColorF,
  Color24,
  String,  // a string of at most ChunkInfo3ds::textlimit characters (0: the chunk's length)
  Point,
  Fog,
  DistCue,
  LayerFog,
  View,
  UserView,
  PointArray,
  VertFlags,
  FaceArray,
  MatGroup,
  TexVerts,
  SmoothGroups,
  MeshMatrix,
  MapIcon,
  BoxMap,
  Spotlight,
  SpotShadow,
  Camera,
  CamRanges,
  ViewportLayout,
  ViewportData,
  ViewportSize,
  AutoRefl,
  KfSeg,
  KfHdr,
  NodeHdr,
  BoundBox,
  PosTrack,
  RotTrack,
  ScaleTrack,
  FloatTrack,
  MorphTrack,
  HideTrack,
};

// How much of a chunk's own data comes before its children, as the tree reader skips it: first
// `lead` bytes, then a NUL-terminated string of at most `textbytes` bytes (NUL included) when
// that is not 0, then `trail` bytes; or a word count n followed by n elements of `elemsize`
// bytes when that is not 0. With `whole` set the own data fills the chunk: it has no children.
struct OwnData3ds {
  uint8_t lead;
  uint16_t textbytes;
  uint8_t trail;
  uint8_t elemsize;
  bool whole;
};

// What the toolkit knows of one tag.
struct ChunkInfo3ds {
  uint16_t tag;
  const char* name;  // the tag's name without its CHUNK_ prefix ("MESH_VERTICES"); null if unknown
  PayloadKind3ds kind;
  uint16_t textlimit;  // PayloadKind3ds::String: most characters of the string; 0: the length
  OwnData3ds owndata;
  uint8_t rank;  // order among siblings when chunks are inserted: higher ranks first
};

// The table's entry for a tag; tags the table does not list have raw payloads, no children and
// rank 0.
const ChunkInfo3ds& LookUpChunk3ds(uint32_t tag);

#endif  // TRIMORPH_CHUNKTAGS3DS_H
