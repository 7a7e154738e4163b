// The toolkit's own header, for its sources, its tests and the fuzz targets: the open-file
// table and the stream primitives, the chunk tree and the database, the decoded chunk records,
// the building blocks of the mesh, material and keyframer views, and the hooks tests use.
// Programs use toolkit3ds.h only.
#ifndef TRIMORPH_TOOLKIT3DS_INTERNAL_H
#define TRIMORPH_TOOLKIT3DS_INTERNAL_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>

#include "chunkrecords3ds.h"
#include "chunktags3ds.h"
#include "toolkit3ds.h"

//--------------------------------------------------------------------------------------------
// Error list: what tests read, and the helper that makes a handle's record
//--------------------------------------------------------------------------------------------

// One entry of the error list; code 0 marks an empty entry.
struct ErrorEntry3ds {
  ErrCode3ds code;
  const char* message;  // fixed text, not owned
};

// Number of positions of the error list; errors go to positions 0-18 only.
constexpr int ERROR_LIST_SIZE3DS = 20;

// Position i (0..19) of the list, and the overflow slot.
ErrorEntry3ds ErrorListEntry3ds(int position);
ErrorEntry3ds ErrorOverflowEntry3ds();

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

// The bytes of a file opened for reading, read once when it was opened.
struct FileImage3ds {
  std::unique_ptr<uint8_t[]> bytes;
  uint64_t size = 0;
};

struct File3ds {
  FILE* stream = nullptr;
  std::string filename;  // the name the file was opened under (or moved aside to)
  uint32_t mode = 0;     // 1 read, 2 write, 0 before the mode is parsed
  uint8_t tableindex = NO_FILE_INDEX;
  Array3ds<char> iobuffer;  // buffer handed to the stream
  uint32_t iobuffersize = 0;
  uint8_t removeonclose = 0;  // moved aside to a temporary name: delete when closed
  // The file's bytes (files opened for reading only), shared with the raw blocks that view
  // them, and the offset the primitives read from next.
  std::shared_ptr<const FileImage3ds> image;
  uint64_t position = 0;
};

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
// Views the next n bytes of the current file in block, which then keeps the file's bytes alive,
// and moves past them. Returns false (nothing recorded, nothing moved) when the file does not
// hold them.
bool ViewBytes3ds(uint32_t n, ByteBlock3ds* block);
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
// Chunk data records (decoded payloads, chunkrecords3ds.h)
//--------------------------------------------------------------------------------------------

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

struct Database3ds {
  Chunk3ds* rootchunk = nullptr;  // owned
  uint8_t objectsstale = 1;
  uint8_t materialsstale = 1;
  uint8_t nodesstale = 1;
  NameList3ds* objectlist = nullptr;    // owned; named objects (CHUNK_NAMED_OBJECT)
  NameList3ds* materiallist = nullptr;  // owned; materials (CHUNK_MATERIAL)
  NameList3ds* nodelist = nullptr;      // owned; keyframer nodes (children of CHUNK_KEYFRAMER)
  // Where reading the tree or decoding its payloads stopped on a chunk; -1 when it did not.
  int64_t stopoffset = -1;
};

// Keyframer node tags, in the order the parent resolution visits them.
constexpr uint32_t KF_NODE_TAGS[6] = {CHUNK_KF_TARGET_NODE,       CHUNK_KF_OBJECT_NODE,
                                      CHUNK_KF_CAMERA_NODE,       CHUNK_KF_LIGHT_NODE,
                                      CHUNK_KF_LIGHT_TARGET_NODE, CHUNK_KF_SPOTLIGHT_NODE};
// Chunks nested deeper than this are rejected as invalid.
constexpr int MAX_CHUNK_DEPTH3DS = 64;

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
// Building blocks of the mesh, material and keyframer views
//--------------------------------------------------------------------------------------------

void GetMeshFromChunk3ds(Chunk3ds* chunk, Mesh3ds** handle);
void RefreshObjectList3ds(Database3ds* db);

void FindMaterialChunk3ds(Database3ds* db, const char* name, Chunk3ds** out);
void RefreshMaterialList3ds(Database3ds* db);
void GetMaterialFromChunk3ds(Chunk3ds* chunk, Material3ds** handle);
void ReadBitmap3ds(Chunk3ds* mapchunk, Bitmap3ds* map);
float ReadPercentage3ds(Chunk3ds* chunk);

void RefreshNodeList3ds(Database3ds* db);
Chunk3ds* GetNodeByIndex3ds(Database3ds* db, uint32_t index, uint32_t tag);
uint32_t GetNodeCount3ds(Database3ds* db, uint32_t tag);
void GetObjectNodeFromChunk3ds(Chunk3ds* chunk, KfMesh3ds** handle);
void GetParentName3ds(Chunk3ds* header, char* out);
void GetKeyframerChunk3ds(Chunk3ds* root, Chunk3ds** out);
Chunk3ds* NewChildChunk3ds(uint32_t tag, Chunk3ds* parent);

#endif  // TRIMORPH_TOOLKIT3DS_INTERNAL_H
