// The .3ds toolkit: reads a 3D Studio file and offers its meshes, materials and keyframer data
// as self-contained records. This header is what programs use; the chunk tree, the stream and
// the decoded chunk records behind it are the toolkit's own (toolkit3ds_internal.h).
//
// The toolkit never stops the process and never prints by itself. An operation that fails
// records an error code in the process-wide error list (PushError3ds) and returns an empty
// result; callers test the flag ErrorsPending3ds, which is never cleared. Once it is set, every
// later operation that tests it gives up at once.
//
// Reading a level: OpenFile3ds(name, "rw"), InitDatabase3ds, CreateDatabase3ds,
// DisconnectDatabase3ds, CloseFile3ds, GetDatabaseType3ds; then fetch records by index or name
// and release each; finally ReleaseDatabase3ds. Test ErrorsPending3ds after each step.
//
// Every function name ends in "3ds"; record fields are lower case. Records are plain structs
// that own their arrays and refer to nothing in the database, so they may outlive it; the
// Release...3ds functions free a record and what it owns and set the handle to null.
#ifndef TRIMORPH_TOOLKIT3DS_H
#define TRIMORPH_TOOLKIT3DS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>

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

// Set by the first recorded error; nothing ever sets it back during a run.
extern bool ErrorsPending3ds;

// Records an error: the first 19 in arrival order, then an overflow slot. Code 0 does nothing.
void PushError3ds(ErrCode3ds code);
// The fixed message text of a code ("Unknown error code was encountered" for unknown codes).
const char* ErrorMessage3ds(ErrCode3ds code);
// Writes the recorded messages to stream, newest first, one per line; nothing when none.
void DumpErrorList3ds(FILE* stream);
// The messages DumpErrorList3ds writes, in its order, into messages (fixed texts, not owned): at
// most max of them; returns how many there are. For programs that show the list otherwise.
int GetErrorMessages3ds(const char* messages[], int max);
// Empties the list and lowers the flag. The converter never calls it: it stops on the first
// error it tests. A program that reads files one after another as separate questions (the
// inspector) calls it between them, so that an error of one file does not stop the next.
void ResetErrorList3ds();

//--------------------------------------------------------------------------------------------
// Files and databases
//--------------------------------------------------------------------------------------------

// An open toolkit file and a database of its chunks; programs only pass them on.
struct File3ds;
struct Database3ds;

enum DbType3ds { UnknownFile = 0, MeshFile = 1, SceneFile = 2, MaterialLibFile = 3 };

// Opens name for reading (the first 'r' or 'w' of modestring decides: "rw" reads) or for
// writing; a name already open in the same mode gives that same record. Returns null after
// recording ERR_INVALID_ARG, ERR_INIT_FAILED, ERR_TOO_MANY_FILES, ERR_NO_MEM or
// ERR_OPENING_FILE.
File3ds* OpenFile3ds(const char* name, const char* modestring);
// Closes the file for every holder and frees its record; null does nothing. A database still
// tied to the file must be disconnected first. Records ERR_CLOSING_FILE when the close fails.
void CloseFile3ds(File3ds* file);

// Makes *db an empty database: a new one when it holds none; one it holds is emptied without
// freeing its tree, so pass null or an empty one. ERR_INVALID_ARG, ERR_NO_MEM.
void InitDatabase3ds(Database3ds** db);
// Reads the chunk tree of a file open for reading into db, replacing what db held (headers
// only; a file of any other mode is left alone). A damaged file records the failure
// (ERR_READING_FILE, ERR_INVALID_CHUNK ...), one ERR_READING_DATABASE per open level and
// ERR_CREATING_DATABASE; the chunks read so far stay for ReleaseDatabase3ds.
void CreateDatabase3ds(File3ds* file, Database3ds* db);
// Decodes every payload so that the database no longer needs its file, which may then be
// closed. ERR_INVALID_ARG / ERR_INVALID_DATABASE without a database / a tree; decoding errors
// as they come.
void DisconnectDatabase3ds(Database3ds* db);
// The kind of file by its root chunk: MeshFile, SceneFile, MaterialLibFile or UnknownFile
// (also for a missing database or tree). Records nothing.
DbType3ds GetDatabaseType3ds(Database3ds* db);
// Frees the database with its tree and sets *db to null; nothing for a missing one.
void ReleaseDatabase3ds(Database3ds** db);

// The chunk tree as it was read, for programs that diagnose files. None of these records an
// error or changes the database.

// One chunk of a database's tree.
struct ChunkView3ds {
  uint32_t tag;
  uint32_t offset;  // file offset of the chunk's header
  uint32_t length;  // from the header, header included (it may reach past the file's end)
  uint32_t depth;   // 1 for the root chunk, 2 for its children ...
};
// Calls visit for every chunk read from the file into db's tree, in file order: each chunk
// before its children. After a CreateDatabase3ds that failed, these are the chunks read up to
// the failure (the last one may be the chunk whose length or nesting stopped the reading).
// Chunks the toolkit made in memory (the parent names of keyframer nodes, a keyframer added by
// GetKeyframerSettings3ds) are passed over. The walk uses no recursion.
void WalkChunkTree3ds(Database3ds* db, const std::function<void(const ChunkView3ds&)>& visit);
// Where reading stopped, after CreateDatabase3ds or DisconnectDatabase3ds recorded an error on
// a chunk of the file: the file offset of the header that could not be read, or of the chunk
// whose length or nesting is impossible or whose own data or payload could not be read. -1 when
// neither stopped on a chunk (also for a missing database).
int64_t ReadStopOffset3ds(Database3ds* db);
// The name the toolkit gives a chunk tag, without a prefix ("MESH_VERTICES" for 0x4110); null
// for a tag it does not know.
const char* ChunkTagName3ds(uint32_t tag);

//--------------------------------------------------------------------------------------------
// Records
//--------------------------------------------------------------------------------------------

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

struct KeyHeader3ds {
  uint32_t frame;
  uint16_t splineflags;  // which of the five spline values were in the file
  float tension, continuity, bias, easeto, easefrom;
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

// The number of named objects of the mesh section that hold a triangle mesh; 0 (with the error
// recorded) when the object list cannot be built.
uint32_t GetMeshCount3ds(Database3ds* db);
// Fills *handle (a record is made when it holds none) with the index-th mesh, counting from 0
// in file order; an index past the last mesh leaves it as it was and records nothing.
// ERR_INVALID_ARG, ERR_INVALID_DATABASE, ERR_WRONG_DATABASE (not a mesh or scene file),
// ERR_NO_MEM or a payload that cannot be decoded leave the record as far as it got.
void GetMeshByIndex3ds(Database3ds* db, uint32_t index, Mesh3ds** handle);
// Frees the record and its arrays and sets *handle to null; nothing when it holds none.
void ReleaseMesh3ds(Mesh3ds** handle);
// Fills *handle (made when it holds none) with the mesh section's settings, defaults for those
// not in the file; a file without mesh section leaves it as it was. ERR_INVALID_ARG,
// ERR_NO_MEM.
void GetMeshSettings3ds(Database3ds* db, MeshSettings3ds** handle);
// Frees the settings and sets *handle to null; ERR_INVALID_ARG for a null handle.
void ReleaseMeshSettings3ds(MeshSettings3ds** handle);
// Makes *handle a mesh of the given counts with empty fields and fresh point and face arrays,
// and the texture, vertex-flag and smoothing arrays asked for by initflags. ERR_INVALID_ARG,
// ERR_NO_MEM.
void InitMesh3ds(Mesh3ds** handle, uint16_t vertexcount, uint16_t facecount, uint32_t initflags);
// Sizes the arrays of the field bits to the mesh's counts (a count of 0 frees the array),
// keeping elements a present array holds. ERR_INVALID_ARG, ERR_NO_MEM (the array unchanged).
void InitMeshField3ds(Mesh3ds* mesh, uint32_t fields);
// Frees the arrays of the field bits, leaving the counts; null does nothing.
void ReleaseMeshField3ds(Mesh3ds* mesh, uint32_t fields);
// Gives the settings of *handle (made when it holds none) every default. ERR_INVALID_ARG,
// ERR_NO_MEM.
void InitMeshSettings3ds(MeshSettings3ds** handle);

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
  ReflectSlot3ds texture2;  // the reflection map
};

// Fills *handle (made when it holds none) with the first material named exactly name; a name
// no material has leaves it as it was and records nothing. ERR_INVALID_ARG,
// ERR_INVALID_DATABASE, ERR_WRONG_DATABASE, ERR_INVALID_CHUNK (a child the material does not
// know, with the record as far as it got), ERR_UNFOUND_CHUNK (a colour without its bytes),
// ERR_NO_MEM.
void GetMaterialByName3ds(Database3ds* db, const char* name, Material3ds** handle);
// Frees the record with the data blocks it holds and sets *handle to null; nothing when none.
void ReleaseMaterial3ds(Material3ds** handle);
// Gives the material of *handle (made when it holds none) every default, freeing the data
// blocks it held. ERR_INVALID_ARG, ERR_NO_MEM.
void InitMaterial3ds(Material3ds** handle);
// Gives every field of map its default and frees its data block; ERR_INVALID_ARG for null.
void InitBitmap3ds(Bitmap3ds* map);

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

// The number of object nodes of the keyframer; 0 (with the error recorded) when the node list
// cannot be built.
uint32_t GetObjectNodeCount3ds(Database3ds* db);
// Fills *handle (made when it holds none) with the index-th object node in file order, its
// parent name resolved; an index past the last node leaves it as it was and records nothing.
// ERR_INVALID_ARG, ERR_INVALID_DATABASE, ERR_WRONG_DATABASE, ERR_NO_MEM.
void GetObjectNodeByIndex3ds(Database3ds* db, uint32_t index, KfMesh3ds** handle);
// Frees the record with its key and value arrays and sets *handle to null.
void ReleaseObjectNode3ds(KfMesh3ds** handle);
// Fills *handle (made when it holds none) with the animation length, current frame and active
// segment, defaults for those not in the file; a file without keyframer gets an empty one in
// its database. ERR_INVALID_ARG, ERR_INVALID_DATABASE, ERR_WRONG_DATABASE, ERR_NO_MEM.
void GetKeyframerSettings3ds(Database3ds* db, KfSets3ds** handle);
// Frees the settings and sets *handle to null.
void ReleaseKeyframerSettings3ds(KfSets3ds** handle);
// Gives the settings of *handle (made when it holds none) every default: length 30, segment
// unused from 0 to 30. ERR_INVALID_ARG, ERR_NO_MEM.
void InitKeyframerSettings3ds(KfSets3ds** handle);

// The kind of a keyframer node.
enum KfNodeKind3ds {
  KfAmbientNode = 1,
  KfObjectNode = 2,
  KfCameraNode = 3,
  KfCameraTargetNode = 4,
  KfLightNode = 5,
  KfLightTargetNode = 6,
  KfSpotlightNode = 7,
};
// One keyframer node of any kind, as its header and id give it.
struct KfNodeInfo3ds {
  KfNodeKind3ds kind;
  char name[11];      // the header's name
  char instance[11];  // an object node's instance name; empty for other kinds
  int32_t id;         // the node's id chunk, -1 when it has none
  int32_t parentid;   // the parent id of its header, -1 for none
};
// The keyframer's nodes of every kind that have a readable header, in file order; the object
// nodes among them come in the order GetObjectNodeByIndex3ds counts them. Replaces what *nodes
// held (empty without keyframer). On a disconnected database it records nothing; otherwise it
// decodes the headers it reads. ERR_INVALID_ARG, ERR_NO_MEM (nodes then empty).
void GetKeyframerNodes3ds(Database3ds* db, Array3ds<KfNodeInfo3ds>* nodes);

#endif  // TRIMORPH_TOOLKIT3DS_H
