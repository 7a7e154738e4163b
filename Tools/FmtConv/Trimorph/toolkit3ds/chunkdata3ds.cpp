// Chunk data records: the decoded payload of every chunk tag the toolkit knows, decoded on
// demand from the chunk's file and cached in the chunk's data field. Tags without payload
// (containers and flags) decode to no record; tags the toolkit does not know keep their payload
// as a raw block of bytes, which views the file's bytes.
//
// Decoding stores the record in the chunk before it is filled, field by field in file order, so
// a short read leaves the partly filled record in place with ERR_READING_FILE pending. Counts
// read from a payload are checked against the rest of the chunk and of the file before anything
// is allocated for them, so that a record never takes more memory than its chunk's bytes
// warrant.
#include <cstring>

#include "toolkit3ds_internal.h"

namespace {

using Kind = PayloadKind3ds;

// Bytes of payload after the header; chunks made in memory may have a length below 6.
uint32_t PayloadSize(const Chunk3ds* chunk) {
  return chunk->length > 6 ? chunk->length - 6 : 0;
}

//--------------------------------------------------------------------------------------------
// Field readers: each reads one field of the current file and tells whether decoding may go on
// (no errors pending).
//--------------------------------------------------------------------------------------------

bool Get(uint8_t* v) {
  *v = ReadByte3ds();
  return !ErrorsPending3ds;
}
bool Get(uint16_t* v) {
  *v = ReadWord3ds();
  return !ErrorsPending3ds;
}
bool Get(uint32_t* v) {
  *v = ReadDword3ds();
  return !ErrorsPending3ds;
}
bool Get(int32_t* v) {
  *v = int32_t(ReadDword3ds());
  return !ErrorsPending3ds;
}
bool Get(float* v) {
  *v = ReadFloat3ds();
  return !ErrorsPending3ds;
}
bool Get(Point3ds* p) {
  ReadPoint3ds(p);
  return !ErrorsPending3ds;
}
bool Get(TexVert3ds* t) {
  ReadTexVert3ds(t);
  return !ErrorsPending3ds;
}
bool Get(Face3ds* f) {
  ReadFace3ds(f);
  return !ErrorsPending3ds;
}
bool Get(KeyHeader3ds* k) {
  ReadKey3ds(k);
  return !ErrorsPending3ds;
}
bool Get(RotKey3ds* r) {
  return Get(&r->angle) && Get(&r->x) && Get(&r->y) && Get(&r->z);
}
bool Get(Float3Key3ds* v) {
  return Get(&v->x) && Get(&v->y) && Get(&v->z);
}
bool Get(MorphName3ds* m) {
  ReadString3ds(m->name, 10);
  return !ErrorsPending3ds;
}
template <class T, size_t N>
bool GetAll(T (&values)[N]) {
  for (T& v : values) {
    if (!Get(&v)) return false;
  }
  return true;
}

// Smallest number of file bytes one element of an array takes, for the check of a count
// against the rest of the payload.
template <class T>
constexpr uint64_t FileSizeOf();
template <>
constexpr uint64_t FileSizeOf<Point3ds>() {
  return 12;
}
template <>
constexpr uint64_t FileSizeOf<TexVert3ds>() {
  return 8;
}
template <>
constexpr uint64_t FileSizeOf<Face3ds>() {
  return 8;
}
template <>
constexpr uint64_t FileSizeOf<uint16_t>() {
  return 2;
}
template <>
constexpr uint64_t FileSizeOf<float>() {
  return 4;
}
template <>
constexpr uint64_t FileSizeOf<RotKey3ds>() {
  return 16;
}
template <>
constexpr uint64_t FileSizeOf<Float3Key3ds>() {
  return 12;
}
template <>
constexpr uint64_t FileSizeOf<MorphName3ds>() {
  return 1;  // an empty name is its NUL alone
}
constexpr uint64_t KEY_FILE_SIZE = 6;  // a key without spline values

// The end of the payload being decoded: the end of its chunk.
uint64_t gPayloadEnd = 0;

// True when count elements of elemsize bytes can still follow in the payload being decoded, and
// in the file; otherwise records ERR_READING_FILE and returns false. A count is not believed
// beyond its own chunk: elements read from the chunks after it would let every small chunk of
// a file claim memory for the rest of the file.
bool ElementsFit(uint64_t count, uint64_t elemsize) {
  if (!CountFits3ds(count, elemsize)) return false;
  const uint64_t pos = TellFile3ds();
  const uint64_t left = pos < gPayloadEnd ? gPayloadEnd - pos : 0;
  if (elemsize != 0 && count > left / elemsize) {
    PushError3ds(ERR_READING_FILE);
    return false;
  }
  return true;
}

// Allocates an array for a count read from the file, after checking that the elements can
// still follow in the payload. On failure the error is recorded and the array is left out.
template <class T>
bool AllocFor(uint64_t count, uint64_t elemsize, Array3ds<T>* array) {
  if (!ElementsFit(count, elemsize)) return false;
  if (!array->Allocate(size_t(count))) {
    PushError3ds(ERR_NO_MEM);
    return false;
  }
  return true;
}

// Reads a word count and that many elements. When the array cannot be had the count is set
// back to 0, so that the record never claims elements it does not hold.
template <class T>
void ReadCountedArray(uint16_t* count, Array3ds<T>* array) {
  if (!Get(count)) return;
  if (!AllocFor(*count, FileSizeOf<T>(), array)) {
    *count = 0;
    return;
  }
  for (uint16_t i = 0; i < *count; ++i) {
    if (!Get(&(*array)[i])) return;
  }
}

// Track header, then keys and values alternately, key first.
template <class V>
void ReadTrack(TrackData3ds<V>* t) {
  ReadTrackHeader3ds(&t->header);
  if (ErrorsPending3ds) return;
  uint32_t n = t->header.keycount;
  if (!ElementsFit(n, KEY_FILE_SIZE + FileSizeOf<V>())) {
    t->header.keycount = 0;
    return;
  }
  if (!t->keys.Allocate(n) || !t->values.Allocate(n)) {
    t->keys.Reset();
    t->values.Reset();
    t->header.keycount = 0;
    PushError3ds(ERR_NO_MEM);
    return;
  }
  for (uint32_t i = 0; i < n; ++i) {
    if (!Get(&t->keys[i]) || !Get(&t->values[i])) return;
  }
}

void ReadHideTrack(HideTrackData3ds* t) {
  ReadTrackHeader3ds(&t->header);
  if (ErrorsPending3ds) return;
  uint32_t n = t->header.keycount;
  if (!AllocFor(n, KEY_FILE_SIZE, &t->keys)) {
    t->header.keycount = 0;
    return;
  }
  for (uint32_t i = 0; i < n; ++i) {
    if (!Get(&t->keys[i])) return;
  }
}

// The payload's size bytes as a block: a view of the file's bytes, checked first to be there.
// With an error already pending, reading stops after the first byte (as ReadBytes3ds does), so
// the block is one of its own then. Returns false when the file does not hold the bytes
// (ERR_READING_FILE) or memory is short (ERR_NO_MEM).
bool ReadBlock(uint32_t size, ByteBlock3ds* block) {
  if (!CountFits3ds(size, 1)) return false;
  if (!ErrorsPending3ds && ViewBytes3ds(size, block)) return true;
  if (!block->Allocate(size)) {
    PushError3ds(ERR_NO_MEM);
    return false;
  }
  ReadBytes3ds(size, block->writable());
  return true;
}

// A raw payload: the bytes as stored, children included. Decoded, the record is made only once
// the file is known to hold the bytes; allocated in memory, it is a zeroed block of the
// payload's size. Chunks no longer than their header have no block: the chunk keeps what it
// holds.
ChunkData3ds* RawBlock(Chunk3ds* chunk, bool fill) {
  if (chunk->length <= 6) return chunk->data.get();
  const uint32_t size = PayloadSize(chunk);
  if (fill && !CountFits3ds(size, 1)) return nullptr;
  std::unique_ptr<BytesData3ds> r(new (std::nothrow) BytesData3ds());
  if (!r) {
    PushError3ds(ERR_NO_MEM);
    return chunk->data.get();
  }
  if (fill ? !ReadBlock(size, &r->bytes) : !r->bytes.Allocate(size)) {
    if (!fill) PushError3ds(ERR_NO_MEM);
    return chunk->data.get();
  }
  r->size = size;
  chunk->data = std::move(r);
  return chunk->data.get();
}

// Makes a record of type R and stores it in the chunk at once, so that a short read leaves the
// fields read so far in place; then, when fill is set, fills it from the current file. When
// the record cannot be had, ERR_NO_MEM is recorded and the chunk keeps what it held.
template <class R, class Fill>
ChunkData3ds* Make(Chunk3ds* chunk, bool fill, Fill fillFields) {
  R* r = new (std::nothrow) R();
  if (!r) {
    PushError3ds(ERR_NO_MEM);
    return chunk->data.get();
  }
  chunk->data.reset(r);
  if (fill) fillFields(r);
  return r;
}

// The one place that knows, for each kind of payload, its record and how the record is read
// from the file: field by field in file order. With fill clear the record is only made (and
// stored in the chunk), unfilled.
ChunkData3ds* MakeRecord(Chunk3ds* chunk, const ChunkInfo3ds& info, bool fill) {
  switch (info.kind) {
    case Kind::None:
      return nullptr;
    case Kind::Raw:
      return RawBlock(chunk, fill);
    case Kind::ParentName:
      // Made in memory only: never read from a file.
      return fill ? nullptr : Make<StringData3ds>(chunk, false, [](StringData3ds*) {});
    case Kind::SizedBytes:
      return Make<BytesData3ds>(chunk, fill, [chunk](BytesData3ds* r) {
        if (ReadBlock(PayloadSize(chunk), &r->bytes)) r->size = PayloadSize(chunk);
      });
    case Kind::Dword:
      return Make<DwordData3ds>(chunk, fill, [](DwordData3ds* r) { Get(&r->value); });
    case Kind::Float:
      return Make<FloatData3ds>(chunk, fill, [](FloatData3ds* r) { Get(&r->value); });
    case Kind::Word:
      return Make<WordData3ds>(chunk, fill, [](WordData3ds* r) { Get(&r->value); });
    case Kind::Byte:
      return Make<ByteData3ds>(chunk, fill, [](ByteData3ds* r) { Get(&r->value); });
    case Kind::ColorF:
      return Make<ColorFData3ds>(chunk, fill,
                                 [](ColorFData3ds* r) { Get(&r->r) && Get(&r->g) && Get(&r->b); });
    case Kind::Color24:
      return Make<Color24Data3ds>(
          chunk, fill, [](Color24Data3ds* r) { Get(&r->r) && Get(&r->g) && Get(&r->b); });
    case Kind::String: {
      // Extension strings may be as long as their chunk; every other string has a fixed limit.
      const uint32_t limit = info.textlimit != 0 ? info.textlimit : chunk->length;
      return Make<StringData3ds>(chunk, fill,
                                 [limit](StringData3ds* r) { ReadNewString3ds(limit, &r->value); });
    }
    case Kind::Point:
      return Make<PointData3ds>(chunk, fill, [](PointData3ds* r) { Get(&r->value); });
    case Kind::Fog:
      return Make<FogData3ds>(chunk, fill, [](FogData3ds* r) {
        Get(&r->nearplane) && Get(&r->neardensity) && Get(&r->farplane) && Get(&r->fardensity);
      });
    case Kind::DistCue:
      return Make<DistCueData3ds>(chunk, fill, [](DistCueData3ds* r) {
        Get(&r->nearplane) && Get(&r->neardimming) && Get(&r->farplane) && Get(&r->fardimming);
      });
    case Kind::LayerFog:
      return Make<LayerFogData3ds>(chunk, fill, [](LayerFogData3ds* r) {
        Get(&r->zmin) && Get(&r->zmax) && Get(&r->density) && Get(&r->flags);
      });
    case Kind::View:
      // The width comes first in the file, the target first in the record.
      return Make<ViewData3ds>(chunk, fill,
                               [](ViewData3ds* r) { Get(&r->width) && Get(&r->target); });
    case Kind::UserView:
      return Make<UserViewData3ds>(
          chunk, fill, [](UserViewData3ds* r) { GetAll(r->values) && Get(&r->target); });
    case Kind::PointArray:
      return Make<PointArrayData3ds>(
          chunk, fill, [](PointArrayData3ds* r) { ReadCountedArray(&r->count, &r->points); });
    case Kind::VertFlags:
      return Make<VertFlagData3ds>(
          chunk, fill, [](VertFlagData3ds* r) { ReadCountedArray(&r->count, &r->flags); });
    case Kind::FaceArray:
      return Make<FaceArrayData3ds>(
          chunk, fill, [](FaceArrayData3ds* r) { ReadCountedArray(&r->count, &r->faces); });
    case Kind::MatGroup:
      return Make<MatGroupData3ds>(chunk, fill, [](MatGroupData3ds* r) {
        // A group without faces has no index array.
        if (!ReadNewString3ds(16, &r->name) || !Get(&r->count) || r->count == 0) return;
        if (!AllocFor(r->count, 2, &r->faces)) {
          r->count = 0;
          return;
        }
        for (uint16_t i = 0; i < r->count; ++i) {
          if (!Get(&r->faces[i])) return;
        }
      });
    case Kind::TexVerts:
      return Make<TexVertData3ds>(
          chunk, fill, [](TexVertData3ds* r) { ReadCountedArray(&r->count, &r->texverts); });
    case Kind::SmoothGroups:
      return Make<SmoothGroupData3ds>(chunk, fill, [chunk](SmoothGroupData3ds* r) {
        // No count field: the groups fill the payload.
        uint32_t n = PayloadSize(chunk) / 4;
        if (!AllocFor(n, 4, &r->groups)) return;
        r->count = n;
        for (uint32_t i = 0; i < n; ++i) {
          if (!Get(&r->groups[i])) return;
        }
      });
    case Kind::MeshMatrix:
      return Make<MeshMatrixData3ds>(chunk, fill, [](MeshMatrixData3ds* r) { GetAll(r->xmatrix); });
    case Kind::MapIcon:
      return Make<MapIconData3ds>(chunk, fill, [](MapIconData3ds* r) {
        Get(&r->icontype) && Get(&r->tilingx) && Get(&r->tilingy) && Get(&r->centrex) &&
            Get(&r->centrey) && Get(&r->centrez) && Get(&r->iconscale) && GetAll(r->iconframe) &&
            Get(&r->planarwidth) && Get(&r->planarheight) && Get(&r->cylinderheight);
      });
    case Kind::BoxMap:
      return Make<BoxMapData3ds>(chunk, fill, [](BoxMapData3ds* r) {
        for (std::string& name : r->names) {
          if (!ReadNewString3ds(16, &name)) return;
        }
      });
    case Kind::Spotlight:
      return Make<SpotlightData3ds>(chunk, fill, [](SpotlightData3ds* r) {
        Get(&r->target) && Get(&r->hotspot) && Get(&r->falloff);
      });
    case Kind::SpotShadow:
      return Make<SpotShadowData3ds>(chunk, fill, [](SpotShadowData3ds* r) {
        Get(&r->bias) && Get(&r->filter) && Get(&r->mapsize);
      });
    case Kind::Camera:
      return Make<CameraData3ds>(chunk, fill, [](CameraData3ds* r) {
        Get(&r->position) && Get(&r->target) && Get(&r->bankangle) && Get(&r->focallength);
      });
    case Kind::CamRanges:
      return Make<CamRangesData3ds>(
          chunk, fill, [](CamRangesData3ds* r) { Get(&r->nearplane) && Get(&r->farplane); });
    case Kind::ViewportLayout:
      return Make<ViewportLayoutData3ds>(chunk, fill,
                                         [](ViewportLayoutData3ds* r) { GetAll(r->words); });
    case Kind::ViewportData:
      return Make<ViewportData3ds>(chunk, fill, [](ViewportData3ds* r) {
        GetAll(r->words) && Get(&r->zoom) && Get(&r->centre) && Get(&r->horizangle) &&
            Get(&r->vertangle) && ReadFixedString3ds(10, &r->camname);
      });
    case Kind::ViewportSize:
      return Make<ViewportSizeData3ds>(chunk, fill,
                                       [](ViewportSizeData3ds* r) { GetAll(r->words); });
    case Kind::AutoRefl:
      return Make<AutoReflData3ds>(chunk, fill, [](AutoReflData3ds* r) {
        Get(&r->byte1) && Get(&r->byte2) && Get(&r->flags) && Get(&r->mapsize) &&
            Get(&r->everynthframe);
      });
    case Kind::KfSeg:
      return Make<KfSegData3ds>(chunk, fill,
                                [](KfSegData3ds* r) { Get(&r->first) && Get(&r->last); });
    case Kind::KfHdr:
      return Make<KfHdrData3ds>(chunk, fill, [](KfHdrData3ds* r) {
        Get(&r->revision) && ReadNewString3ds(512, &r->filename) && Get(&r->animlength);
      });
    case Kind::NodeHdr:
      return Make<NodeHdrData3ds>(chunk, fill, [](NodeHdrData3ds* r) {
        ReadNewString3ds(10, &r->name) && Get(&r->flags1) && Get(&r->flags2) &&
            Get(&r->parentindex);
      });
    case Kind::BoundBox:
      return Make<BoundBoxData3ds>(chunk, fill,
                                   [](BoundBoxData3ds* r) { Get(&r->min) && Get(&r->max); });
    case Kind::PosTrack:
      return Make<PosTrackData3ds>(chunk, fill, ReadTrack<Point3ds>);
    case Kind::RotTrack:
      return Make<RotTrackData3ds>(chunk, fill, ReadTrack<RotKey3ds>);
    case Kind::ScaleTrack:
      return Make<ScaleTrackData3ds>(chunk, fill, ReadTrack<Float3Key3ds>);
    case Kind::FloatTrack:
      return Make<FloatTrackData3ds>(chunk, fill, ReadTrack<float>);
    case Kind::MorphTrack:
      return Make<MorphTrackData3ds>(chunk, fill, ReadTrack<MorphName3ds>);
    case Kind::HideTrack:
      return Make<HideTrackData3ds>(chunk, fill, ReadHideTrack);
  }
  return nullptr;
}

}  // namespace

ChunkData3ds* ReadChunkData3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  if (chunk->data) return chunk->data.get();
  // A detached chunk's record is whatever it holds: there is no file to decode it from.
  if (!IsFileIndexLive3ds(chunk->fileindex)) return nullptr;

  const ChunkInfo3ds& info = LookUpChunk3ds(chunk->tag);
  // Containers, flags, parent names and raw chunks without payload read nothing.
  if (info.kind == Kind::None || info.kind == Kind::ParentName) return nullptr;
  if (info.kind == Kind::Raw && chunk->length <= 6) return nullptr;

  SelectFileByIndex3ds(chunk->fileindex);
  SeekFile3ds(uint64_t(chunk->offset) + 6);
  gPayloadEnd = uint64_t(chunk->offset) + chunk->length;
  return MakeRecord(chunk, info, true);
}

ChunkData3ds* AllocChunkData3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  const ChunkInfo3ds& info = LookUpChunk3ds(chunk->tag);
  if (info.kind == Kind::None) {
    chunk->data.reset();
    return nullptr;
  }
  return MakeRecord(chunk, info, false);
}

void ReleaseChunkData3ds(Chunk3ds* chunk) {
  // Every record owns its strings and arrays as members: destroying it frees them all.
  if (chunk) chunk->data.reset();
}

void DropChunkData3ds(Chunk3ds* chunk) {
  if (chunk && IsFileIndexLive3ds(chunk->fileindex)) ReleaseChunkData3ds(chunk);
}

void CopyChunkData3ds(Chunk3ds* src, Chunk3ds* dst) {
  if (!src || !dst) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  if (!src->data || dst->data) return;
  ChunkData3ds* copy = src->data->Clone();
  if (!copy) {
    PushError3ds(ERR_NO_MEM);
    return;
  }
  dst->data.reset(copy);
}

//--------------------------------------------------------------------------------------------
// Byte blocks
//--------------------------------------------------------------------------------------------

bool ByteBlock3ds::Allocate(size_t n) {
  uint8_t* p = new (std::nothrow) uint8_t[n == 0 ? 1 : n]();
  if (!p) return false;
  own_.reset(p);
  owner_.reset();
  data_ = p;
  size_ = n;
  present_ = true;
  return true;
}

void ByteBlock3ds::View(std::shared_ptr<const void> owner, const uint8_t* data, size_t n) {
  own_.reset();
  owner_ = std::move(owner);
  data_ = data;
  size_ = n;
  present_ = true;
}

bool ByteBlock3ds::CopyFrom(const ByteBlock3ds& other) {
  if (!other.present_) {
    Reset();
  } else if (!other.own_) {
    View(other.owner_, other.data_, other.size_);
  } else {
    ByteBlock3ds copy;
    if (!copy.Allocate(other.size_)) return false;
    if (other.size_ > 0) memcpy(copy.own_.get(), other.data_, other.size_);
    *this = std::move(copy);
  }
  return true;
}

bool ByteBlock3ds::CopyTo(Array3ds<uint8_t>* out) const {
  if (!present_) {
    out->Reset();
    return true;
  }
  Array3ds<uint8_t> copy;
  if (!copy.Allocate(size_)) return false;
  if (size_ > 0) memcpy(copy.get(), data_, size_);
  *out = std::move(copy);
  return true;
}

void ByteBlock3ds::Reset() {
  own_.reset();
  owner_.reset();
  data_ = nullptr;
  size_ = 0;
  present_ = false;
}
