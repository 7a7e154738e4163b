// The .3ds toolkit: reads a 3D Studio file into a tree of chunks, decodes chunk payloads on
// demand, and offers meshes, materials and keyframer data as self-contained records.
//
// The toolkit never stops the process and never prints by itself. An operation that fails
// records an error code in the process-wide error list (PushError3ds) and returns an empty
// result; callers test the flag ErrorsPending3ds, which is never cleared.
//
// Every function name ends in "3ds"; record fields are lower case. Records are plain structs;
// the Release...3ds functions are the one place that frees what a record owns.
#ifndef TRIMORPH_TOOLKIT3DS_H
#define TRIMORPH_TOOLKIT3DS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "chunktags3ds.h"

//--------------------------------------------------------------------------------------------
// Owned arrays
//--------------------------------------------------------------------------------------------

// An owned heap array that may be absent ("none"), as the toolkit's records need it: presence
// is meaningful (a zero-length array is present), ownership moves when a record takes an array
// over, and allocation failure is reported instead of thrown.
template <class T>
class Array3ds {
 public:
  Array3ds() = default;
  Array3ds(Array3ds&& other) noexcept : data_(std::move(other.data_)), size_(other.size_) {
    other.size_ = 0;
  }
  Array3ds& operator=(Array3ds&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = other.size_;
    other.size_ = 0;
    return *this;
  }
  Array3ds(const Array3ds&) = delete;
  Array3ds& operator=(const Array3ds&) = delete;

  // Replaces the contents by n value-initialised elements. Returns false (contents unchanged)
  // when the memory cannot be had.
  bool Allocate(size_t n) {
    T* p = new (std::nothrow) T[n == 0 ? 1 : n]();
    if (!p) return false;
    data_.reset(p);
    size_ = n;
    return true;
  }
  // Resizes to n elements keeping the first min(old, n); new elements are value-initialised.
  // Returns false (contents unchanged) when the memory cannot be had.
  bool Resize(size_t n) {
    if (!data_) return Allocate(n);
    T* p = new (std::nothrow) T[n == 0 ? 1 : n]();
    if (!p) return false;
    for (size_t i = 0; i < n && i < size_; ++i) p[i] = std::move(data_[i]);
    data_.reset(p);
    size_ = n;
    return true;
  }
  // Deep copy of another array (same presence, same size). Returns false on allocation failure.
  bool CopyFrom(const Array3ds& other) {
    if (!other.data_) {
      Reset();
      return true;
    }
    if (!Allocate(other.size_)) return false;
    for (size_t i = 0; i < size_; ++i) data_[i] = other.data_[i];
    return true;
  }
  void Reset() {
    data_.reset();
    size_ = 0;
  }

  explicit operator bool() const { return data_ != nullptr; }
  T* get() const { return data_.get(); }
  T& operator[](size_t i) const { return data_[i]; }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<T[]> data_;
  size_t size_ = 0;
};

//--------------------------------------------------------------------------------------------
// Error list and codes
//--------------------------------------------------------------------------------------------

typedef int32_t ErrCode3ds;

enum : ErrCode3ds {
  NO_FTK_ERRORS = 0,
  ERR_NO_MEM = 1,
  ERR_INVALID_ARG = 2,
  ERR_INVALID_DATA = 3,
  ERR_INVALID_CHUNK = 4,
  ERR_INVALID_DATABASE = 5,
  ERR_WRONG_DATABASE = 6,
  ERR_UNFOUND_CHUNK = 7,
  ERR_WRONG_OBJECT = 8,
  ERR_NO_SUCH_FILE = 9,
  ERR_INIT_FAILED = 10,
  ERR_OPENING_FILE = 11,
  ERR_CLOSING_FILE = 12,
  ERR_READING_FILE = 13,
  ERR_CREATING_DATABASE = 14,
  ERR_READING_DATABASE = 15,
  ERR_WRITING_DATABASE = 16,
  ERR_WRITING_FILE = 17,
  ERR_STRING_TOO_LONG = 18,
  ERR_TOO_MANY_FILES = 19,
  N_ERRORS = 22,
};

// One entry of the error list; code 0 marks an empty entry.
struct ErrorEntry3ds {
  ErrCode3ds code;
  const char* message;  // fixed text, not owned
};

// Number of positions of the error list; errors go to positions 0-18 only.
constexpr int ERROR_LIST_SIZE3DS = 20;

// Set by the first recorded error; nothing ever sets it back during a run.
extern bool ErrorsPending3ds;

void PushError3ds(ErrCode3ds code);
const char* ErrorMessage3ds(ErrCode3ds code);
// Writes the recorded messages, newest first, one per line.
void DumpErrorList3ds(FILE* stream);
// Read access for tests and reports: position i (0..19) of the list, and the overflow slot.
ErrorEntry3ds ErrorListEntry3ds(int position);
ErrorEntry3ds ErrorOverflowEntry3ds();
// Empties the list and lowers the flag. Only test harnesses call this: the converter never
// clears the list during a run.
void ResetErrorList3ds();

// The record a handle holds, made (value-initialised) when it holds none. A missing handle
// records ERR_INVALID_ARG, a record that cannot be had ERR_NO_MEM; both give null.
template <class T>
T* HandleRecord3ds(T** handle) {
  if (!handle) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  if (!*handle) {
    *handle = new (std::nothrow) T();
    if (!*handle) PushError3ds(ERR_NO_MEM);
  }
  return *handle;
}

//--------------------------------------------------------------------------------------------
// File access and chunk stream
//--------------------------------------------------------------------------------------------

constexpr int MAX_OPEN_FILES3DS = 252;
constexpr uint8_t NO_FILE_INDEX = 255;
constexpr uint32_t FILE_IO_BUFFER_SIZE = 8192;

constexpr uint32_t FILE_MODE_READ3DS = 1;
constexpr uint32_t FILE_MODE_WRITE3DS = 2;

struct File3ds {
  FILE* stream = nullptr;
  std::string filename;  // the name the file was opened under (or moved aside to)
  uint32_t mode = 0;     // 1 read, 2 write, 0 before the mode is parsed
  uint8_t tableindex = NO_FILE_INDEX;
  Array3ds<char> iobuffer;  // buffer handed to the stream
  uint32_t iobuffersize = 0;
  uint8_t removeonclose = 0;  // moved aside to a temporary name: delete when closed
  uint64_t filesize = 0;      // size of the file when it was opened for reading
};

struct Point3ds {
  float x, y, z;
};

struct TexVert3ds {
  float u, v;
};

struct Face3ds {
  uint16_t v1, v2, v3;  // vertex indices of the first, second and third corner
  uint16_t flag;
};

struct TrackHeader3ds {
  uint16_t flags;
  uint32_t nu1, nu2;  // read and kept; no meaning to the toolkit
  uint32_t keycount;
};

struct KeyHeader3ds {
  uint32_t frame;
  uint16_t splineflags;
  float tension, continuity, bias, easeto, easefrom;
};

struct ChunkData3ds;

// One chunk of the tree. A chunk owns its data, its children and, through next, every later
// sibling.
struct Chunk3ds {
  uint32_t tag = 0;
  uint32_t length = 0;                 // from the header, header included
  uint32_t offset = 0;                 // file offset of the header (0 for chunks made in memory)
  std::unique_ptr<ChunkData3ds> data;  // decoded payload, filled on demand
  Chunk3ds* next = nullptr;
  Chunk3ds* firstchild = nullptr;
  uint8_t fileindex = NO_FILE_INDEX;  // slot of the file the chunk was read from
};

File3ds* OpenFile3ds(const char* name, const char* modestring);
void CloseFile3ds(File3ds* file);
void NewFile3ds(File3ds** file);
void RegisterFile3ds(File3ds* file);
void UnregisterFile3ds(File3ds* file);
File3ds* FindOpenFile3ds(const char* name);
File3ds* GetFileByIndex3ds(uint8_t index);
bool IsFileIndexLive3ds(uint8_t index);
void MoveAsideFile3ds(File3ds* file);
// High-water count of the open-file table (slots at or above it have never been used).
uint8_t FileTableHighWater3ds();

void SetCurrentFile3ds(File3ds* file);
void SelectFileByIndex3ds(uint8_t index);
File3ds* GetCurrentFile3ds();
uint8_t CurrentFileIndex3ds();
// Offsets are 64-bit so that the end of a chunk (its offset plus a length read from the file)
// never wraps around.
uint64_t TellFile3ds();
void SeekFile3ds(uint64_t offset);
// Bytes of the current file from the current offset to its end (0 without a current file).
// Decoders test counts read from a payload against it before allocating for them.
uint64_t BytesLeft3ds();
// True when count elements of elemsize bytes can still follow in the current file; otherwise
// records ERR_READING_FILE (what the short read would give) and returns false.
bool CountFits3ds(uint64_t count, uint64_t elemsize);

uint32_t StrLenMax3ds(const char* s, uint32_t limit);
std::unique_ptr<char[]> DupString3ds(const char* s);

uint8_t ReadByte3ds();
uint16_t ReadWord3ds();
uint32_t ReadDword3ds();
float ReadFloat3ds();
void ReadBytes3ds(uint32_t n, void* buf);
void ReadString3ds(char* buf, uint32_t limit);
// A string field of at most limit characters (limit+1 bytes with its NUL). Returns false and
// leaves out untouched when it fails.
bool ReadNewString3ds(uint32_t limit, std::string* out);
// A fixed string field occupying exactly width+1 bytes.
bool ReadFixedString3ds(uint32_t width, std::string* out);
void ReadHeader3ds(Chunk3ds* chunk);
void ReadPoint3ds(Point3ds* p);
void ReadTexVert3ds(TexVert3ds* t);
void ReadFace3ds(Face3ds* f);
void ReadTrackHeader3ds(TrackHeader3ds* h);
void ReadKey3ds(KeyHeader3ds* k);

//--------------------------------------------------------------------------------------------
// Chunk data records (decoded payloads)
//--------------------------------------------------------------------------------------------

// Base of every decoded payload record. Which record a chunk holds follows from its tag.
struct ChunkData3ds {
  virtual ~ChunkData3ds() = default;
  // Deep copy; null when memory is short.
  virtual ChunkData3ds* Clone() const = 0;
};

template <class Derived>
struct ChunkDataBase3ds : ChunkData3ds {
  ChunkData3ds* Clone() const override {
    Derived* copy = new (std::nothrow) Derived();
    if (copy && !copy->CopyFrom(static_cast<const Derived&>(*this))) {
      delete copy;
      return nullptr;
    }
    return copy;
  }
  // Plain records copy member by member; records with arrays override this.
  bool CopyFrom(const Derived& other) {
    static_cast<Derived&>(*this) = other;
    return true;
  }
};

// The record of a chunk, cast to its kind; null when the chunk holds no record or a record of
// another kind.
template <class T>
T* DataAs3ds(ChunkData3ds* data) {
  return dynamic_cast<T*>(data);
}

// CHUNK_FILE_VERSION, CHUNK_MESH_VERSION, CHUNK_SHADOW_RANGE, CHUNK_KF_CURRENT_FRAME
struct DwordData3ds : ChunkDataBase3ds<DwordData3ds> {
  uint32_t value = 0;
};
// CHUNK_MASTER_SCALE, CHUNK_PERCENT_FLOAT, CHUNK_GRADIENT_BACKGROUND, CHUNK_SHADOW_BIAS,
// CHUNK_HIGH_SHADOW_BIAS, CHUNK_SHADOW_FILTER, CHUNK_RAY_BIAS,
// CHUNK_SPOT_ROLL-CHUNK_LIGHT_MULTIPLIER, CHUNK_MAT_WIRE_SIZE, CHUNK_MAP_BLUR, CHUNK_MAP_U_SCALE,
// CHUNK_MAP_V_SCALE, CHUNK_MAP_U_OFFSET, CHUNK_MAP_V_OFFSET, CHUNK_MAP_ROTATION,
// CHUNK_KF_MORPH_SMOOTH
struct FloatData3ds : ChunkDataBase3ds<FloatData3ds> {
  float value = 0;
};
// CHUNK_PERCENT_INT, CHUNK_SHADOW_MAP_SIZE, CHUNK_SHADOW_SAMPLES, CHUNK_MAT_SHADING,
// CHUNK_MAT_BUMP_AMOUNT, CHUNK_MAP_FLAGS, CHUNK_KF_NODE_ID
struct WordData3ds : ChunkDataBase3ds<WordData3ds> {
  uint16_t value = 0;
};
// CHUNK_MESH_COLOUR
struct ByteData3ds : ChunkDataBase3ds<ByteData3ds> {
  uint8_t value = 0;
};
// CHUNK_COLOUR_FLOAT, CHUNK_LINEAR_COLOUR_FLOAT
struct ColorFData3ds : ChunkDataBase3ds<ColorFData3ds> {
  float r = 0, g = 0, b = 0;
};
// CHUNK_COLOUR_24, CHUNK_LINEAR_COLOUR_24, CHUNK_MAP_TINT_FIRST, CHUNK_MAP_TINT_SECOND,
// CHUNK_MAP_TINT_RED, CHUNK_MAP_TINT_GREEN, CHUNK_MAP_TINT_BLUE
struct Color24Data3ds : ChunkDataBase3ds<Color24Data3ds> {
  uint8_t r = 0, g = 0, b = 0;
};
// CHUNK_BACKGROUND_BITMAP, CHUNK_VIEW_CAMERA, CHUNK_NAMED_OBJECT, CHUNK_PROCEDURE_NAME,
// CHUNK_SPOT_PROJECTOR, CHUNK_LIGHT_EXCLUDE, CHUNK_EXT_APP_NAME, CHUNK_EXT_STRING,
// CHUNK_PARENT_NAME, CHUNK_MAT_NAME, CHUNK_MAP_FILE_NAME, CHUNK_KF_INSTANCE_NAME
struct StringData3ds : ChunkDataBase3ds<StringData3ds> {
  std::string value;
};
// CHUNK_CONSTRUCTION_ORIGIN, CHUNK_LIGHT, CHUNK_KF_PIVOT
struct PointData3ds : ChunkDataBase3ds<PointData3ds> {
  Point3ds value = {0, 0, 0};
};
// CHUNK_FOG
struct FogData3ds : ChunkDataBase3ds<FogData3ds> {
  float nearplane = 0, neardensity = 0, farplane = 0, fardensity = 0;
};
// CHUNK_DISTANCE_CUE
struct DistCueData3ds : ChunkDataBase3ds<DistCueData3ds> {
  float nearplane = 0, neardimming = 0, farplane = 0, fardimming = 0;
};
// CHUNK_LAYERED_FOG
struct LayerFogData3ds : ChunkDataBase3ds<LayerFogData3ds> {
  float zmin = 0, zmax = 0, density = 0;
  uint32_t flags = 0;
};
// Raw payloads (CHUNK_AUX_SECTION_A, CHUNK_AUX_SECTION_B, CHUNK_AUX_SECTION_C, CHUNK_AUX_SECTION_D
// and every unknown tag, present only when the chunk is longer than 6 bytes) and size-and-bytes
// payloads (CHUNK_PROCEDURE_DATA, CHUNK_EXT_ENTRY,
// CHUNK_MAT_TEXTURE_MAP_DATA-CHUNK_MAT_REFLECTION_MASK_DATA).
struct BytesData3ds : ChunkDataBase3ds<BytesData3ds> {
  uint32_t size = 0;
  Array3ds<uint8_t> bytes;
  bool CopyFrom(const BytesData3ds& other) {
    size = other.size;
    return bytes.CopyFrom(other.bytes);
  }
};
// CHUNK_VIEW_TOP, CHUNK_VIEW_BOTTOM, CHUNK_VIEW_LEFT, CHUNK_VIEW_RIGHT, CHUNK_VIEW_FRONT,
// CHUNK_VIEW_BACK (file order: width, then target)
struct ViewData3ds : ChunkDataBase3ds<ViewData3ds> {
  Point3ds target = {0, 0, 0};
  float width = 0;
};
// CHUNK_VIEW_USER (file order: the 4 floats, then target)
struct UserViewData3ds : ChunkDataBase3ds<UserViewData3ds> {
  Point3ds target = {0, 0, 0};
  float values[4] = {0, 0, 0, 0};
};
// CHUNK_MESH_VERTICES
struct PointArrayData3ds : ChunkDataBase3ds<PointArrayData3ds> {
  uint16_t count = 0;
  Array3ds<Point3ds> points;
  bool CopyFrom(const PointArrayData3ds& other) {
    count = other.count;
    return points.CopyFrom(other.points);
  }
};
// CHUNK_MESH_VERTEX_FLAGS
struct VertFlagData3ds : ChunkDataBase3ds<VertFlagData3ds> {
  uint16_t count = 0;
  Array3ds<uint16_t> flags;
  bool CopyFrom(const VertFlagData3ds& other) {
    count = other.count;
    return flags.CopyFrom(other.flags);
  }
};
// CHUNK_MESH_FACES
struct FaceArrayData3ds : ChunkDataBase3ds<FaceArrayData3ds> {
  uint16_t count = 0;
  Array3ds<Face3ds> faces;
  bool CopyFrom(const FaceArrayData3ds& other) {
    count = other.count;
    return faces.CopyFrom(other.faces);
  }
};
// CHUNK_MESH_MATERIAL_GROUP: material name, then the indices of the faces that use it (none when
// count is 0)
struct MatGroupData3ds : ChunkDataBase3ds<MatGroupData3ds> {
  std::string name;
  uint16_t count = 0;
  Array3ds<uint16_t> faces;
  bool CopyFrom(const MatGroupData3ds& other) {
    name = other.name;
    count = other.count;
    return faces.CopyFrom(other.faces);
  }
};
// CHUNK_MESH_TEXTURE_VERTICES
struct TexVertData3ds : ChunkDataBase3ds<TexVertData3ds> {
  uint16_t count = 0;
  Array3ds<TexVert3ds> texverts;
  bool CopyFrom(const TexVertData3ds& other) {
    count = other.count;
    return texverts.CopyFrom(other.texverts);
  }
};
// CHUNK_MESH_SMOOTHING_GROUPS: the count is computed from the chunk length, (length - 6) / 4, and
// kept in 32 bits
struct SmoothGroupData3ds : ChunkDataBase3ds<SmoothGroupData3ds> {
  uint32_t count = 0;
  Array3ds<uint32_t> groups;
  bool CopyFrom(const SmoothGroupData3ds& other) {
    count = other.count;
    return groups.CopyFrom(other.groups);
  }
};
// CHUNK_MESH_LOCAL_AXES: X axis, Y axis, Z axis, origin
struct MeshMatrixData3ds : ChunkDataBase3ds<MeshMatrixData3ds> {
  float xmatrix[12] = {0};
};
// CHUNK_MESH_MAPPING_ICON
struct MapIconData3ds : ChunkDataBase3ds<MapIconData3ds> {
  uint16_t icontype = 0;
  float tilingx = 0, tilingy = 0;
  float centrex = 0, centrey = 0, centrez = 0;
  float iconscale = 0;
  float iconframe[12] = {0};
  float planarwidth = 0, planarheight = 0, cylinderheight = 0;
};
// CHUNK_MESH_BOX_MAP
struct BoxMapData3ds : ChunkDataBase3ds<BoxMapData3ds> {
  std::string names[6];
};
// CHUNK_SPOTLIGHT
struct SpotlightData3ds : ChunkDataBase3ds<SpotlightData3ds> {
  Point3ds target = {0, 0, 0};
  float hotspot = 0, falloff = 0;
};
// CHUNK_SPOT_SHADOW
struct SpotShadowData3ds : ChunkDataBase3ds<SpotShadowData3ds> {
  float bias = 0, filter = 0;
  uint16_t mapsize = 0;
};
// CHUNK_CAMERA
struct CameraData3ds : ChunkDataBase3ds<CameraData3ds> {
  Point3ds position = {0, 0, 0}, target = {0, 0, 0};
  float bankangle = 0, focallength = 0;
};
// CHUNK_CAMERA_RANGES
struct CamRangesData3ds : ChunkDataBase3ds<CamRangesData3ds> {
  float nearplane = 0, farplane = 0;
};
// CHUNK_VIEWPORT_LAYOUT
struct ViewportLayoutData3ds : ChunkDataBase3ds<ViewportLayoutData3ds> {
  uint16_t words[7] = {0};
};
// CHUNK_VIEWPORT_DATA, CHUNK_VIEWPORT_DATA_2
struct ViewportData3ds : ChunkDataBase3ds<ViewportData3ds> {
  uint16_t words[7] = {0};
  float zoom = 0;
  Point3ds centre = {0, 0, 0};
  float horizangle = 0, vertangle = 0;
  std::string camname;  // fixed string of width 10
};
// CHUNK_VIEWPORT_SIZE
struct ViewportSizeData3ds : ChunkDataBase3ds<ViewportSizeData3ds> {
  uint16_t words[4] = {0};
};
// CHUNK_MAT_AUTO_REFLECTION
struct AutoReflData3ds : ChunkDataBase3ds<AutoReflData3ds> {
  uint8_t byte1 = 0, byte2 = 0;
  uint16_t flags = 0;
  int32_t mapsize = 0, everynthframe = 0;
};
// CHUNK_KF_SEGMENT
struct KfSegData3ds : ChunkDataBase3ds<KfSegData3ds> {
  int32_t first = 0, last = 0;
};
// CHUNK_KF_HEADER
struct KfHdrData3ds : ChunkDataBase3ds<KfHdrData3ds> {
  uint16_t revision = 0;
  std::string filename;
  int32_t animlength = 0;
};
// CHUNK_KF_NODE_HEADER
struct NodeHdrData3ds : ChunkDataBase3ds<NodeHdrData3ds> {
  std::string name;
  uint16_t flags1 = 0, flags2 = 0;
  uint16_t parentindex = 0xFFFF;  // parent node id; 0xFFFF for none
};
// CHUNK_KF_BOUNDING_BOX
struct BoundBoxData3ds : ChunkDataBase3ds<BoundBoxData3ds> {
  Point3ds min = {0, 0, 0}, max = {0, 0, 0};
};

struct RotKey3ds {
  float angle, x, y, z;
};
struct Float3Key3ds {  // the 3-float values of scale and colour tracks
  float x, y, z;
};
struct MorphName3ds {
  char name[13];
};

// Key tracks: header, then keycount keys and keycount values.
template <class V>
struct TrackData3ds : ChunkDataBase3ds<TrackData3ds<V>> {
  TrackHeader3ds header = {0, 0, 0, 0};
  Array3ds<KeyHeader3ds> keys;
  Array3ds<V> values;
  bool CopyFrom(const TrackData3ds& other) {
    header = other.header;
    return keys.CopyFrom(other.keys) && values.CopyFrom(other.values);
  }
};
typedef TrackData3ds<Point3ds> PosTrackData3ds;   // CHUNK_KF_POSITION_TRACK
typedef TrackData3ds<RotKey3ds> RotTrackData3ds;  // CHUNK_KF_ROTATION_TRACK
typedef TrackData3ds<Float3Key3ds>
    ScaleTrackData3ds;  // CHUNK_KF_SCALE_TRACK, and CHUNK_KF_COLOUR_TRACK (colour)
typedef TrackData3ds<float> FloatTrackData3ds;  // CHUNK_KF_FOV_TRACK, CHUNK_KF_ROLL_TRACK,
                                                // CHUNK_KF_HOTSPOT_TRACK, CHUNK_KF_FALLOFF_TRACK
typedef TrackData3ds<MorphName3ds> MorphTrackData3ds;  // CHUNK_KF_MORPH_TRACK
// CHUNK_KF_HIDE_TRACK: keys only
struct HideTrackData3ds : ChunkDataBase3ds<HideTrackData3ds> {
  TrackHeader3ds header = {0, 0, 0, 0};
  Array3ds<KeyHeader3ds> keys;
  bool CopyFrom(const HideTrackData3ds& other) {
    header = other.header;
    return keys.CopyFrom(other.keys);
  }
};

ChunkData3ds* ReadChunkData3ds(Chunk3ds* chunk);
ChunkData3ds* AllocChunkData3ds(Chunk3ds* chunk);
void ReleaseChunkData3ds(Chunk3ds* chunk);
void DropChunkData3ds(Chunk3ds* chunk);
void CopyChunkData3ds(Chunk3ds* src, Chunk3ds* dst);

//--------------------------------------------------------------------------------------------
// Chunk tree database
//--------------------------------------------------------------------------------------------

struct NameListEntry3ds {
  std::string name;
  Chunk3ds* chunk = nullptr;  // not owned; null for an empty entry
};

struct NameList3ds {
  uint32_t count = 0;
  Array3ds<NameListEntry3ds> entries;
  // Where the last fetch by index stopped: entries[cursorpos] is the entry numbered cursorindex
  // among those of the kind cursorkind (0: none), so that fetching 0, 1, 2 ... in turn does not
  // count from the first entry every time. Reset whenever the list is (re)built.
  uint32_t cursorkind = 0, cursorindex = 0, cursorpos = 0;
  // The position of the first entry of each name, for lists searched by name (the material
  // list: every material group of every mesh looks its material up). The keys view the entries'
  // own names, so the index is built after the names are filled in and cleared whenever the list
  // is (re)built. Empty means: search the entries in order.
  std::unordered_map<std::string_view, uint32_t> firstbyname;
};

enum DbType3ds { UnknownFile = 0, MeshFile = 1, SceneFile = 2, MaterialLibFile = 3 };

struct Database3ds {
  Chunk3ds* rootchunk = nullptr;  // owned
  uint8_t objectsstale = 1;
  uint8_t materialsstale = 1;
  uint8_t nodesstale = 1;
  NameList3ds* objectlist = nullptr;    // owned; named objects (CHUNK_NAMED_OBJECT)
  NameList3ds* materiallist = nullptr;  // owned; materials (CHUNK_MATERIAL)
  NameList3ds* nodelist = nullptr;      // owned; keyframer nodes (children of CHUNK_KEYFRAMER)
};

// Keyframer node tags, in the order the parent resolution visits them.
constexpr uint32_t KF_NODE_TAGS[6] = {CHUNK_KF_TARGET_NODE,       CHUNK_KF_OBJECT_NODE,
                                      CHUNK_KF_CAMERA_NODE,       CHUNK_KF_LIGHT_NODE,
                                      CHUNK_KF_LIGHT_TARGET_NODE, CHUNK_KF_SPOTLIGHT_NODE};
// Chunks nested deeper than this are rejected as invalid.
constexpr int MAX_CHUNK_DEPTH3DS = 64;

void InitDatabase3ds(Database3ds** db);
void CreateDatabase3ds(File3ds* file, Database3ds* db);
void DisconnectDatabase3ds(Database3ds* db);
DbType3ds GetDatabaseType3ds(Database3ds* db);
void ReleaseDatabase3ds(Database3ds** db);

void NewChunk3ds(Chunk3ds** chunk);
void ReleaseChunk3ds(Chunk3ds** chunk);
void FindChunk3ds(Chunk3ds* start, uint32_t tag, Chunk3ds** out);
void FindNextChunk3ds(Chunk3ds* start, uint32_t tag, Chunk3ds** out);
void AppendChunk3ds(Chunk3ds* parent, Chunk3ds* child);
void InsertChunk3ds(Chunk3ds* parent, Chunk3ds* child);
int ChunkRank3ds(uint32_t tag);
void CopyChunk3ds(Chunk3ds* src, Chunk3ds** dst);
void DisconnectChunk3ds(Chunk3ds* chunk);
void AddParentNameChunk3ds(Chunk3ds* parent, const char* name);
void InitNameList3ds(NameList3ds** list, uint32_t count);
void ReleaseNameList3ds(NameList3ds** list);

void ReadChunkTree3ds(Chunk3ds* chunk);
void ReadExtDataTree3ds(Chunk3ds* chunk);
void SkipChunkData3ds(Chunk3ds* chunk);
void ResolveNodeParents3ds(Database3ds* db);

//--------------------------------------------------------------------------------------------
// Mesh objects
//--------------------------------------------------------------------------------------------

struct MeshMatGroup3ds {
  char name[17];
  uint16_t trianglecount;
  Array3ds<uint16_t> triangleindex;
};

struct MapIcon3ds {
  uint16_t icontype;
  float tilingx, tilingy;
  float centrex, centrey, centrez;
  float iconscale;
  float iconframe[12];
  float planarwidth, planarheight, cylinderheight;
};

struct Mesh3ds {
  char name[11];
  uint8_t hidden, showinlofter, matte, noshadowcast, fastdisplay, noshadowreceive, frozen;
  uint16_t pointcount;
  Array3ds<Point3ds> pointarray;
  uint16_t vertflagcount;
  Array3ds<uint16_t> vertflagarray;
  uint16_t textcount;
  Array3ds<TexVert3ds> textarray;
  uint8_t hasmapicon;
  MapIcon3ds mapicon;
  float localframe[12];
  uint16_t trianglecount;
  Array3ds<Face3ds> trianglearray;
  Array3ds<uint32_t> smoothingarray;  // trianglecount entries when well formed; see size()
  uint8_t hasboxmaterials;
  char boxmaterials[6][17];
  uint8_t displaycolour;
  uint16_t matgroupcount;
  Array3ds<MeshMatGroup3ds> matgrouparray;
  uint8_t isprocedural;
  uint32_t procdatasize;
  char procedurename[13];
  Array3ds<uint8_t> proceduredata;
};

// Field bits of InitMeshField3ds / ReleaseMeshField3ds and init flags of InitMesh3ds.
constexpr uint32_t INIT_ARRAYS3DS = 0x01 | 0x04;
constexpr uint32_t POINT_ARRAY3DS = 0x01;
constexpr uint32_t TEXT_ARRAY3DS = 0x02;
constexpr uint32_t FACE_ARRAY3DS = 0x04;
constexpr uint32_t MAT_ARRAY3DS = 0x08;
constexpr uint32_t SMOOTH_ARRAY3DS = 0x10;
constexpr uint32_t PROC_DATA3DS = 0x20;
constexpr uint32_t VERT_FLAGS3DS = 0x40;

struct MeshSettings3ds {
  float unitscale;
  int32_t shadowtype;
  float shadowbias;
  float raybias;
  int16_t shadowmapsize;
  float shadowfilter;
  float ambientcolour[3];
  float constructionorigin[3];
};

uint32_t GetMeshCount3ds(Database3ds* db);
void GetMeshByIndex3ds(Database3ds* db, uint32_t index, Mesh3ds** handle);
void ReleaseMesh3ds(Mesh3ds** handle);
void GetMeshSettings3ds(Database3ds* db, MeshSettings3ds** handle);
void ReleaseMeshSettings3ds(MeshSettings3ds** handle);
void GetMeshFromChunk3ds(Chunk3ds* chunk, Mesh3ds** handle);
void InitMesh3ds(Mesh3ds** handle, uint16_t vertexcount, uint16_t facecount, uint32_t initflags);
void InitMeshField3ds(Mesh3ds* mesh, uint32_t fields);
void ReleaseMeshField3ds(Mesh3ds* mesh, uint32_t fields);
void InitMeshSettings3ds(MeshSettings3ds** handle);
void RefreshObjectList3ds(Database3ds* db);

//--------------------------------------------------------------------------------------------
// Materials
//--------------------------------------------------------------------------------------------

struct Bitmap3ds {
  char name[16];
  float amount;
  int32_t tilingmode;
  uint8_t noalpha;
  int32_t filtering;
  float blur;
  uint8_t mirror;
  uint8_t negative;
  float scaleu, scalev;
  float offsetu, offsetv;
  float rotation;
  int32_t alphasource;
  float tintfirst[3], tintsecond[3], tintred[3], tintgreen[3], tintblue[3];
  int32_t extdatasize;
  Array3ds<uint8_t> extdata;
};

struct MapSlot3ds {
  Bitmap3ds map;
  Bitmap3ds mask;
};

struct AutoReflect3ds {
  uint8_t enabled;
  uint8_t firstframeonly;
  uint8_t flatmirrored;
  int32_t mapsize;
  int32_t everynthframe;
};

struct ReflectSlot3ds {
  Bitmap3ds map;
  AutoReflect3ds autoreflection;
  Bitmap3ds mask;
};

struct Material3ds {
  char name[17];
  float ambient[3], diffuse[3], specular[3];
  float shininess, shininessstrength, blur, transparency, transparencyfalloff, selfillumamount;
  float wirethickness;
  int32_t shading;
  uint8_t blurflag, falloffflag, twosided, selfillumflag, additive, wireabsolute, facemapping,
      softenflag;
  MapSlot3ds texture;
  MapSlot3ds secondtexture;
  MapSlot3ds opacitymap;
  MapSlot3ds bumpmap;
  MapSlot3ds specularmap;
  MapSlot3ds shininessmap;
  MapSlot3ds selfillummap;
  ReflectSlot3ds texture2;  // the reflection map (CHUNK_MAT_REFLECTION_MAP)
};

void GetMaterialByName3ds(Database3ds* db, const char* name, Material3ds** handle);
void ReleaseMaterial3ds(Material3ds** handle);
void FindMaterialChunk3ds(Database3ds* db, const char* name, Chunk3ds** out);
void RefreshMaterialList3ds(Database3ds* db);
void GetMaterialFromChunk3ds(Chunk3ds* chunk, Material3ds** handle);
void InitMaterial3ds(Material3ds** handle);
void InitBitmap3ds(Bitmap3ds* map);
void ReadBitmap3ds(Chunk3ds* mapchunk, Bitmap3ds* map);
float ReadPercentage3ds(Chunk3ds* chunk);

//--------------------------------------------------------------------------------------------
// Keyframer
//--------------------------------------------------------------------------------------------

struct KfMesh3ds {
  char name[11];
  char parent[22];
  uint16_t headerflags1, headerflags2;
  Point3ds pivot;
  char instance[11];
  Point3ds boxmin, boxmax;
  uint32_t poskeycount;
  uint16_t posflags;
  Array3ds<KeyHeader3ds> poskeys;
  Array3ds<Point3ds> posvalues;
  uint32_t rotkeycount;
  uint16_t rotflags;
  Array3ds<KeyHeader3ds> rotkeys;
  Array3ds<RotKey3ds> rotvalues;
  uint32_t scalekeycount;
  uint16_t scaleflags;
  Array3ds<KeyHeader3ds> scalekeys;
  Array3ds<Float3Key3ds> scalevalues;
  uint32_t morphkeycount;
  uint16_t morphflags;
  Array3ds<KeyHeader3ds> morphkeys;
  Array3ds<MorphName3ds> morphnames;
  uint32_t hidekeycount;
  uint16_t hideflags;
  Array3ds<KeyHeader3ds> hidekeys;
  float morphsmoothangle;
};

struct KfSets3ds {
  struct {
    int32_t length;
    int32_t currentframe;
  } anim;
  struct {
    uint8_t use;
    int32_t begin;
    int32_t end;
  } seg;
};

uint32_t GetObjectNodeCount3ds(Database3ds* db);
void GetObjectNodeByIndex3ds(Database3ds* db, uint32_t index, KfMesh3ds** handle);
void ReleaseObjectNode3ds(KfMesh3ds** handle);
void GetKeyframerSettings3ds(Database3ds* db, KfSets3ds** handle);
void ReleaseKeyframerSettings3ds(KfSets3ds** handle);
void RefreshNodeList3ds(Database3ds* db);
Chunk3ds* GetNodeByIndex3ds(Database3ds* db, uint32_t index, uint32_t tag);
uint32_t GetNodeCount3ds(Database3ds* db, uint32_t tag);
void GetObjectNodeFromChunk3ds(Chunk3ds* chunk, KfMesh3ds** handle);
void GetParentName3ds(Chunk3ds* header, char* out);
void InitKeyframerSettings3ds(KfSets3ds** handle);
void GetKeyframerChunk3ds(Chunk3ds* root, Chunk3ds** out);
Chunk3ds* NewChildChunk3ds(uint32_t tag, Chunk3ds* parent);

#endif  // TRIMORPH_TOOLKIT3DS_H
