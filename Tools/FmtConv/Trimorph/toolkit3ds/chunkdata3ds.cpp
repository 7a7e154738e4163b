// Chunk data records: the decoded payload of every chunk tag the toolkit knows, decoded on
// demand from the chunk's file and cached in the chunk's data field. Tags without payload
// (containers and flags) decode to no record; tags the toolkit does not know keep their payload
// as a raw block of bytes.
//
// Decoding stores the record in the chunk before it is filled, field by field in file order, so
// a short read leaves the partly filled record in place with ERR_READING_FILE pending. Counts
// read from a payload are checked against the rest of the file before anything is allocated
// for them.
#include "toolkit3ds.h"

namespace {

// What a tag's payload decodes into.
enum class Kind {
  None,        // container or flag: no record
  Raw,         // raw block of length - 6 bytes when longer than 6
  SizedBytes,  // size (length - 6) and a byte array, present even when empty
  ParentName,  // 0x80F0: never decoded from a file, only allocated in memory
  Dword,
  Float,
  Word,
  Byte,
  ColorF,
  Color24,
  String,
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

// clang-format off
Kind KindOf(uint32_t tag) {
  switch (tag) {
    case 0x4D4D: case 0xC23D: case 0x3DAA: case 0x3D3D: case 0x1200: case 0x2100:
    case 0x3000: case 0x4010: case 0x4011: case 0x4012: case 0x4013: case 0x4014:
    case 0x4015: case 0x4016: case 0x4017: case 0x4100: case 0x8000: case 0x8009:
    case 0xAFFF: case 0xA010: case 0xA020: case 0xA030: case 0xA040: case 0xA041:
    case 0xA042: case 0xA050: case 0xA052: case 0xA053: case 0xA084: case 0xA200:
    case 0xA33A: case 0xA204: case 0xA210: case 0xA220: case 0xA230: case 0xA33C:
    case 0xA33D: case 0xA33E: case 0xA340: case 0xA342: case 0xA344: case 0xA346:
    case 0xA348: case 0xA34A: case 0xA34C: case 0xB000: case 0xB001: case 0xB002:
    case 0xB003: case 0xB004: case 0xB005: case 0xB006: case 0xB007:
      return Kind::None;
    case 0x80F0:
      return Kind::ParentName;
    case 0x0002: case 0x3D3E: case 0x1440: case 0xB009:
      return Kind::Dword;
    case 0x0100: case 0x0031: case 0x1300: case 0x1400: case 0x1410: case 0x1450:
    case 0x1460: case 0x4656: case 0x4657: case 0x4658: case 0x4659: case 0x465A:
    case 0x465B: case 0xA087: case 0xA353: case 0xA354: case 0xA356: case 0xA358:
    case 0xA35A: case 0xA35C: case 0xB015:
      return Kind::Float;
    case 0x0030: case 0x1420: case 0x1430: case 0xA100: case 0xA252: case 0xA351:
    case 0xB030:
      return Kind::Word;
    case 0x4165:
      return Kind::Byte;
    case 0x0010: case 0x0013:
      return Kind::ColorF;
    case 0x0011: case 0x0012: case 0xA360: case 0xA362: case 0xA364: case 0xA366:
    case 0xA368:
      return Kind::Color24;
    case 0x1100: case 0x3080: case 0x4000: case 0x4181: case 0x4653: case 0x4654:
    case 0x8002: case 0x8003: case 0xA000: case 0xA300: case 0xB011:
      return Kind::String;
    case 0x1500: case 0x4600: case 0xB013:
      return Kind::Point;
    case 0x2200:
      return Kind::Fog;
    case 0x2300:
      return Kind::DistCue;
    case 0x2302:
      return Kind::LayerFog;
    case 0x3010: case 0x3020: case 0x3030: case 0x3040: case 0x3050: case 0x3060:
      return Kind::View;
    case 0x3070:
      return Kind::UserView;
    case 0x4110:
      return Kind::PointArray;
    case 0x4111:
      return Kind::VertFlags;
    case 0x4120:
      return Kind::FaceArray;
    case 0x4130:
      return Kind::MatGroup;
    case 0x4140:
      return Kind::TexVerts;
    case 0x4150:
      return Kind::SmoothGroups;
    case 0x4160:
      return Kind::MeshMatrix;
    case 0x4170:
      return Kind::MapIcon;
    case 0x4182: case 0x8001: case 0xA320: case 0xA321: case 0xA322: case 0xA324:
    case 0xA325: case 0xA326: case 0xA328: case 0xA32A: case 0xA32C: case 0xA32E:
    case 0xA330: case 0xA332: case 0xA334: case 0xA336: case 0xA338:
      return Kind::SizedBytes;
    case 0x4190:
      return Kind::BoxMap;
    case 0x4610:
      return Kind::Spotlight;
    case 0x4641:
      return Kind::SpotShadow;
    case 0x4700:
      return Kind::Camera;
    case 0x4720:
      return Kind::CamRanges;
    case 0x7001:
      return Kind::ViewportLayout;
    case 0x7011: case 0x7012:
      return Kind::ViewportData;
    case 0x7020:
      return Kind::ViewportSize;
    case 0xA310:
      return Kind::AutoRefl;
    case 0xB008:
      return Kind::KfSeg;
    case 0xB00A:
      return Kind::KfHdr;
    case 0xB010:
      return Kind::NodeHdr;
    case 0xB014:
      return Kind::BoundBox;
    case 0xB020:
      return Kind::PosTrack;
    case 0xB021:
      return Kind::RotTrack;
    case 0xB022: case 0xB025:
      return Kind::ScaleTrack;
    case 0xB023: case 0xB024: case 0xB027: case 0xB028:
      return Kind::FloatTrack;
    case 0xB026:
      return Kind::MorphTrack;
    case 0xB029:
      return Kind::HideTrack;
    default:
      return Kind::Raw;  // 0x2D2D, 0x2D3D, 0x3DFF, 0xD000 and every tag not listed
  }
}
// clang-format on

// Bytes of payload after the header; chunks made in memory may have a length below 6.
uint32_t PayloadSize(const Chunk3ds* chunk) {
  return chunk->length > 6 ? chunk->length - 6 : 0;
}

// A new, empty record of the given kind; null for kinds without a record and when memory is
// short.
ChunkData3ds* NewRecord(Kind kind) {
  switch (kind) {
    case Kind::None:
      return nullptr;
    case Kind::Raw:
    case Kind::SizedBytes:
      return new (std::nothrow) BytesData3ds();
    case Kind::ParentName:
    case Kind::String:
      return new (std::nothrow) StringData3ds();
    case Kind::Dword:
      return new (std::nothrow) DwordData3ds();
    case Kind::Float:
      return new (std::nothrow) FloatData3ds();
    case Kind::Word:
      return new (std::nothrow) WordData3ds();
    case Kind::Byte:
      return new (std::nothrow) ByteData3ds();
    case Kind::ColorF:
      return new (std::nothrow) ColorFData3ds();
    case Kind::Color24:
      return new (std::nothrow) Color24Data3ds();
    case Kind::Point:
      return new (std::nothrow) PointData3ds();
    case Kind::Fog:
      return new (std::nothrow) FogData3ds();
    case Kind::DistCue:
      return new (std::nothrow) DistCueData3ds();
    case Kind::LayerFog:
      return new (std::nothrow) LayerFogData3ds();
    case Kind::View:
      return new (std::nothrow) ViewData3ds();
    case Kind::UserView:
      return new (std::nothrow) UserViewData3ds();
    case Kind::PointArray:
      return new (std::nothrow) PointArrayData3ds();
    case Kind::VertFlags:
      return new (std::nothrow) VertFlagData3ds();
    case Kind::FaceArray:
      return new (std::nothrow) FaceArrayData3ds();
    case Kind::MatGroup:
      return new (std::nothrow) MatGroupData3ds();
    case Kind::TexVerts:
      return new (std::nothrow) TexVertData3ds();
    case Kind::SmoothGroups:
      return new (std::nothrow) SmoothGroupData3ds();
    case Kind::MeshMatrix:
      return new (std::nothrow) MeshMatrixData3ds();
    case Kind::MapIcon:
      return new (std::nothrow) MapIconData3ds();
    case Kind::BoxMap:
      return new (std::nothrow) BoxMapData3ds();
    case Kind::Spotlight:
      return new (std::nothrow) SpotlightData3ds();
    case Kind::SpotShadow:
      return new (std::nothrow) SpotShadowData3ds();
    case Kind::Camera:
      return new (std::nothrow) CameraData3ds();
    case Kind::CamRanges:
      return new (std::nothrow) CamRangesData3ds();
    case Kind::ViewportLayout:
      return new (std::nothrow) ViewportLayoutData3ds();
    case Kind::ViewportData:
      return new (std::nothrow) ViewportData3ds();
    case Kind::ViewportSize:
      return new (std::nothrow) ViewportSizeData3ds();
    case Kind::AutoRefl:
      return new (std::nothrow) AutoReflData3ds();
    case Kind::KfSeg:
      return new (std::nothrow) KfSegData3ds();
    case Kind::KfHdr:
      return new (std::nothrow) KfHdrData3ds();
    case Kind::NodeHdr:
      return new (std::nothrow) NodeHdrData3ds();
    case Kind::BoundBox:
      return new (std::nothrow) BoundBoxData3ds();
    case Kind::PosTrack:
      return new (std::nothrow) PosTrackData3ds();
    case Kind::RotTrack:
      return new (std::nothrow) RotTrackData3ds();
    case Kind::ScaleTrack:
      return new (std::nothrow) ScaleTrackData3ds();
    case Kind::FloatTrack:
      return new (std::nothrow) FloatTrackData3ds();
    case Kind::MorphTrack:
      return new (std::nothrow) MorphTrackData3ds();
    case Kind::HideTrack:
      return new (std::nothrow) HideTrackData3ds();
  }
  return nullptr;
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
// against the rest of the file.
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

// Allocates an array for a count read from the file, after checking that the elements can
// still follow in the file. On failure the error is recorded and the array is left out.
template <class T>
bool AllocFor(uint64_t count, uint64_t elemsize, Array3ds<T>* array) {
  if (!CountFits3ds(count, elemsize)) return false;
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
  if (!CountFits3ds(n, KEY_FILE_SIZE + FileSizeOf<V>())) {
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

// Reads size bytes (the payload) into a block, checking first that the file holds them.
void ReadBlock(uint32_t size, BytesData3ds* r) {
  if (!AllocFor(size, 1, &r->bytes)) return;
  r->size = size;
  ReadBytes3ds(size, r->bytes.get());
}

// Fills a freshly stored record from the file, field by field in file order.
void Decode(Chunk3ds* chunk, Kind kind, ChunkData3ds* data) {
  switch (kind) {
    case Kind::None:
    case Kind::ParentName:
    case Kind::Raw:
      return;
    case Kind::SizedBytes:
      ReadBlock(PayloadSize(chunk), static_cast<BytesData3ds*>(data));
      return;
    case Kind::Dword:
      Get(&static_cast<DwordData3ds*>(data)->value);
      return;
    case Kind::Float:
      Get(&static_cast<FloatData3ds*>(data)->value);
      return;
    case Kind::Word:
      Get(&static_cast<WordData3ds*>(data)->value);
      return;
    case Kind::Byte:
      Get(&static_cast<ByteData3ds*>(data)->value);
      return;
    case Kind::ColorF: {
      auto* r = static_cast<ColorFData3ds*>(data);
      Get(&r->r) && Get(&r->g) && Get(&r->b);
      return;
    }
    case Kind::Color24: {
      auto* r = static_cast<Color24Data3ds*>(data);
      Get(&r->r) && Get(&r->g) && Get(&r->b);
      return;
    }
    case Kind::String: {
      // Extension strings may be as long as their chunk; every other string has a fixed limit.
      uint32_t limit = 10;
      switch (chunk->tag) {
        case 0x1100:
        case 0x4181:
        case 0x4653:
          limit = 12;
          break;
        case 0xA000:
        case 0xA300:
          limit = 16;
          break;
        case 0x8002:
        case 0x8003:
          limit = chunk->length;
          break;
        default:
          break;
      }
      ReadNewString3ds(limit, &static_cast<StringData3ds*>(data)->value);
      return;
    }
    case Kind::Point:
      Get(&static_cast<PointData3ds*>(data)->value);
      return;
    case Kind::Fog: {
      auto* r = static_cast<FogData3ds*>(data);
      Get(&r->nearplane) && Get(&r->neardensity) && Get(&r->farplane) && Get(&r->fardensity);
      return;
    }
    case Kind::DistCue: {
      auto* r = static_cast<DistCueData3ds*>(data);
      Get(&r->nearplane) && Get(&r->neardimming) && Get(&r->farplane) && Get(&r->fardimming);
      return;
    }
    case Kind::LayerFog: {
      auto* r = static_cast<LayerFogData3ds*>(data);
      Get(&r->zmin) && Get(&r->zmax) && Get(&r->density) && Get(&r->flags);
      return;
    }
    case Kind::View: {
      auto* r = static_cast<ViewData3ds*>(data);
      Get(&r->width) && Get(&r->target);
      return;
    }
    case Kind::UserView: {
      auto* r = static_cast<UserViewData3ds*>(data);
      GetAll(r->values) && Get(&r->target);
      return;
    }
    case Kind::PointArray: {
      auto* r = static_cast<PointArrayData3ds*>(data);
      ReadCountedArray(&r->count, &r->points);
      return;
    }
    case Kind::VertFlags: {
      auto* r = static_cast<VertFlagData3ds*>(data);
      ReadCountedArray(&r->count, &r->flags);
      return;
    }
    case Kind::FaceArray: {
      auto* r = static_cast<FaceArrayData3ds*>(data);
      ReadCountedArray(&r->count, &r->faces);
      return;
    }
    case Kind::MatGroup: {
      auto* r = static_cast<MatGroupData3ds*>(data);
      if (!ReadNewString3ds(16, &r->name) || !Get(&r->count) || r->count == 0) return;
      if (!AllocFor(r->count, 2, &r->faces)) {
        r->count = 0;
        return;
      }
      for (uint16_t i = 0; i < r->count; ++i) {
        if (!Get(&r->faces[i])) return;
      }
      return;
    }
    case Kind::TexVerts: {
      auto* r = static_cast<TexVertData3ds*>(data);
      ReadCountedArray(&r->count, &r->texverts);
      return;
    }
    case Kind::SmoothGroups: {
      // No count field: the groups fill the payload.
      auto* r = static_cast<SmoothGroupData3ds*>(data);
      uint32_t n = PayloadSize(chunk) / 4;
      if (!AllocFor(n, 4, &r->groups)) return;
      r->count = n;
      for (uint32_t i = 0; i < n; ++i) {
        if (!Get(&r->groups[i])) return;
      }
      return;
    }
    case Kind::MeshMatrix:
      GetAll(static_cast<MeshMatrixData3ds*>(data)->xmatrix);
      return;
    case Kind::MapIcon: {
      auto* r = static_cast<MapIconData3ds*>(data);
      Get(&r->icontype) && Get(&r->tilingx) && Get(&r->tilingy) && Get(&r->centrex) &&
          Get(&r->centrey) && Get(&r->centrez) && Get(&r->iconscale) && GetAll(r->iconframe) &&
          Get(&r->planarwidth) && Get(&r->planarheight) && Get(&r->cylinderheight);
      return;
    }
    case Kind::BoxMap: {
      auto* r = static_cast<BoxMapData3ds*>(data);
      for (std::string& name : r->names) {
        if (!ReadNewString3ds(16, &name)) return;
      }
      return;
    }
    case Kind::Spotlight: {
      auto* r = static_cast<SpotlightData3ds*>(data);
      Get(&r->target) && Get(&r->hotspot) && Get(&r->falloff);
      return;
    }
    case Kind::SpotShadow: {
      auto* r = static_cast<SpotShadowData3ds*>(data);
      Get(&r->bias) && Get(&r->filter) && Get(&r->mapsize);
      return;
    }
    case Kind::Camera: {
      auto* r = static_cast<CameraData3ds*>(data);
      Get(&r->position) && Get(&r->target) && Get(&r->bankangle) && Get(&r->focallength);
      return;
    }
    case Kind::CamRanges: {
      auto* r = static_cast<CamRangesData3ds*>(data);
      Get(&r->nearplane) && Get(&r->farplane);
      return;
    }
    case Kind::ViewportLayout:
      GetAll(static_cast<ViewportLayoutData3ds*>(data)->words);
      return;
    case Kind::ViewportData: {
      auto* r = static_cast<ViewportData3ds*>(data);
      GetAll(r->words) && Get(&r->zoom) && Get(&r->centre) && Get(&r->horizangle) &&
          Get(&r->vertangle) && ReadFixedString3ds(10, &r->camname);
      return;
    }
    case Kind::ViewportSize:
      GetAll(static_cast<ViewportSizeData3ds*>(data)->words);
      return;
    case Kind::AutoRefl: {
      auto* r = static_cast<AutoReflData3ds*>(data);
      Get(&r->byte1) && Get(&r->byte2) && Get(&r->flags) && Get(&r->mapsize) &&
          Get(&r->everynthframe);
      return;
    }
    case Kind::KfSeg: {
      auto* r = static_cast<KfSegData3ds*>(data);
      Get(&r->first) && Get(&r->last);
      return;
    }
    case Kind::KfHdr: {
      auto* r = static_cast<KfHdrData3ds*>(data);
      Get(&r->revision) && ReadNewString3ds(512, &r->filename) && Get(&r->animlength);
      return;
    }
    case Kind::NodeHdr: {
      auto* r = static_cast<NodeHdrData3ds*>(data);
      ReadNewString3ds(10, &r->name) && Get(&r->flags1) && Get(&r->flags2) && Get(&r->parentindex);
      return;
    }
    case Kind::BoundBox: {
      auto* r = static_cast<BoundBoxData3ds*>(data);
      Get(&r->min) && Get(&r->max);
      return;
    }
    case Kind::PosTrack:
      ReadTrack(static_cast<PosTrackData3ds*>(data));
      return;
    case Kind::RotTrack:
      ReadTrack(static_cast<RotTrackData3ds*>(data));
      return;
    case Kind::ScaleTrack:
      ReadTrack(static_cast<ScaleTrackData3ds*>(data));
      return;
    case Kind::FloatTrack:
      ReadTrack(static_cast<FloatTrackData3ds*>(data));
      return;
    case Kind::MorphTrack:
      ReadTrack(static_cast<MorphTrackData3ds*>(data));
      return;
    case Kind::HideTrack:
      ReadHideTrack(static_cast<HideTrackData3ds*>(data));
      return;
  }
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

  Kind kind = KindOf(chunk->tag);
  if (kind == Kind::None || kind == Kind::ParentName) return nullptr;
  if (kind == Kind::Raw && chunk->length <= 6) return nullptr;

  SelectFileByIndex3ds(chunk->fileindex);
  SeekFile3ds(uint64_t(chunk->offset) + 6);

  if (kind == Kind::Raw) {
    // The block is allocated only once the file is known to hold it.
    uint32_t size = PayloadSize(chunk);
    if (!CountFits3ds(size, 1)) return nullptr;
    auto* r = new (std::nothrow) BytesData3ds();
    if (!r || !r->bytes.Allocate(size)) {
      delete r;
      PushError3ds(ERR_NO_MEM);
      return nullptr;
    }
    r->size = size;
    chunk->data.reset(r);
    ReadBytes3ds(size, r->bytes.get());
    return r;
  }

  ChunkData3ds* data = NewRecord(kind);
  if (!data) {
    PushError3ds(ERR_NO_MEM);
    return nullptr;
  }
  // Stored before it is filled: a short read leaves the fields read so far in the chunk.
  chunk->data.reset(data);
  Decode(chunk, kind, data);
  return data;
}

ChunkData3ds* AllocChunkData3ds(Chunk3ds* chunk) {
  if (!chunk) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  Kind kind = KindOf(chunk->tag);
  if (kind == Kind::None) {
    chunk->data.reset();
    return nullptr;
  }
  if (kind == Kind::Raw) {
    if (chunk->length < 7) return chunk->data.get();
    auto* r = new (std::nothrow) BytesData3ds();
    if (!r || !r->bytes.Allocate(chunk->length - 6)) {
      delete r;
      PushError3ds(ERR_NO_MEM);
      return chunk->data.get();
    }
    r->size = chunk->length - 6;
    chunk->data.reset(r);
    return r;
  }
  ChunkData3ds* data = NewRecord(kind);
  if (!data) {
    PushError3ds(ERR_NO_MEM);
    return chunk->data.get();
  }
  chunk->data.reset(data);
  return data;
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
