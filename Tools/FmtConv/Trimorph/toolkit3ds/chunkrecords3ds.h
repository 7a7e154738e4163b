// The decoded records of chunk payloads: one record type per payload kind of the chunk table
// (chunktags3ds.h). A chunk owns its record; ReadChunkData3ds decodes it on demand.
#ifndef TRIMORPH_CHUNKRECORDS3DS_H
#define TRIMORPH_CHUNKRECORDS3DS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "toolkit3ds.h"

// A block of bytes that may be absent ("none"; an empty block is present): bytes of its own, or
// a view of bytes that another owner holds (the image of a file, File3ds::image), which the
// block keeps alive by sharing that owner. Raw payloads decoded from a file view its image, so
// that the raw blocks of chunks nested in one another share the file's bytes instead of each
// holding a copy of everything below it.
class ByteBlock3ds {
 public:
  // Replaces the contents by n zeroed bytes of the block's own. Returns false (contents
  // unchanged) when the memory cannot be had.
  bool Allocate(size_t n);
  // Replaces the contents by a view of n bytes at data, which owner keeps alive.
  void View(std::shared_ptr<const void> owner, const uint8_t* data, size_t n);
  // A copy of another block: a view shares its owner, bytes of the block's own are copied.
  // Returns false (contents unchanged) when memory is short.
  bool CopyFrom(const ByteBlock3ds& other);
  // The bytes as an owned array, for records that must hold nothing of the file's. Returns
  // false (out unchanged) when memory is short.
  bool CopyTo(Array3ds<uint8_t>* out) const;
  void Reset();

  explicit operator bool() const { return present_; }
  const uint8_t* get() const { return data_; }
  // The bytes of a block of its own, to be filled; null for a view.
  uint8_t* writable() { return own_.get(); }
  uint8_t operator[](size_t i) const { return data_[i]; }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<uint8_t[]> own_;
  std::shared_ptr<const void> owner_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool present_ = false;
};

// The header of a key track.
struct TrackHeader3ds {
  uint16_t flags;
  uint32_t nu1, nu2;  // read and kept; no meaning to the toolkit
  uint32_t keycount;
};

// Base of every decoded payload record. Which record a chunk holds follows from its tag: the
// payload kind of the chunk table (chunktags3ds.h).
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

// PayloadKind3ds::Dword: versions, the shadow range, the current frame
struct DwordData3ds : ChunkDataBase3ds<DwordData3ds> {
  uint32_t value = 0;
};
// PayloadKind3ds::Float: the master scale, fractions, shadow and light values, map scales,
// offsets and rotation, the wire size, the morph smoothing angle
struct FloatData3ds : ChunkDataBase3ds<FloatData3ds> {
  float value = 0;
};
// PayloadKind3ds::Word: percentages, shadow map size and samples, shading, bump amount, map
// flags, node ids
struct WordData3ds : ChunkDataBase3ds<WordData3ds> {
  uint16_t value = 0;
};
// PayloadKind3ds::Byte: CHUNK_MESH_COLOUR
struct ByteData3ds : ChunkDataBase3ds<ByteData3ds> {
  uint8_t value = 0;
};
// PayloadKind3ds::ColorF: colours of three floats
struct ColorFData3ds : ChunkDataBase3ds<ColorFData3ds> {
  float r = 0, g = 0, b = 0;
};
// PayloadKind3ds::Color24: colours and map tints of three bytes
struct Color24Data3ds : ChunkDataBase3ds<Color24Data3ds> {
  uint8_t r = 0, g = 0, b = 0;
};
// PayloadKind3ds::String and ::ParentName: names and file names
struct StringData3ds : ChunkDataBase3ds<StringData3ds> {
  std::string value;
};
// PayloadKind3ds::Point: the construction origin, a light's position, a pivot
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
// PayloadKind3ds::Raw: the payload as stored, children included, present only when the chunk is
// longer than its header (the auxiliary sections and every tag the table does not know); and
// PayloadKind3ds::SizedBytes: the size and the bytes filling the payload (procedure data,
// extension entries, map data).
struct BytesData3ds : ChunkDataBase3ds<BytesData3ds> {
  uint32_t size = 0;
  ByteBlock3ds bytes;
  bool CopyFrom(const BytesData3ds& other) {
    size = other.size;
    return bytes.CopyFrom(other.bytes);
  }
};
// PayloadKind3ds::View: the six default views (file order: width, then target)
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

#endif  // TRIMORPH_CHUNKRECORDS3DS_H
