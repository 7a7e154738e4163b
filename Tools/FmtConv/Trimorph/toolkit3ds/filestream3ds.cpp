// File access and the chunk stream: the process-wide table of open toolkit files, opening and
// closing them (two opens of one name in one mode share a record), moving a file that is being
// read aside so that its name can be written anew, and the primitives from which every chunk is
// read. All primitives work on the current file, which the chunk readers select before reading.
// A short read records ERR_READING_FILE and yields zero or the record's defaults.
//
// A file opened for reading is read into memory once, when it is opened, with the stream's
// plain reads; the primitives and the seeks then work on those bytes and cost no call of the
// system. The bytes are shared: the raw blocks decoded from them view them and keep them alive
// after the file is closed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostfiles3ds.h"
#include "toolkit3ds_internal.h"

namespace {

struct FileTable3ds {
  File3ds* slots[MAX_OPEN_FILES3DS] = {};
  uint8_t highwater = 0;  // slots at or above it have never been used
  File3ds* current = nullptr;
};

FileTable3ds* gTable = nullptr;

bool EnsureTable() {
  if (gTable) return true;
  gTable = new (std::nothrow) FileTable3ds();
  if (!gTable) PushError3ds(ERR_NO_MEM);
  return gTable != nullptr;
}

// Takes a record out of the table and frees it (the stream, if any, must be closed already).
void DiscardFile(File3ds* file) {
  UnregisterFile3ds(file);
  if (gTable && gTable->current == file) gTable->current = nullptr;
  delete file;
}

void AttachBuffer(File3ds* file) {
  if (file->iobuffer) setvbuf(file->stream, file->iobuffer.get(), _IOFBF, file->iobuffersize);
}

// Appends up to want bytes of the stream to the image, growing its block as needed. Stops at
// the end of the stream or at a read error: what was read before stays, so that the primitives
// then fail where a read of the stream would have failed. False when memory is short.
bool ReadInto(FILE* stream, uint64_t want, FileImage3ds* image, uint64_t* capacity) {
  while (want > 0) {
    if (image->size == *capacity) {
      // Grow by doubling (the first block holds what the stream's size promised, and one byte
      // more to see its end).
      uint64_t grown = *capacity < 4096 ? 4096 : *capacity * 2;
      if (grown > SIZE_MAX) return false;
      std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t(grown)]);
      if (!block) return false;
      if (image->size > 0) memcpy(block.get(), image->bytes.get(), size_t(image->size));
      image->bytes = std::move(block);
      *capacity = grown;
    }
    uint64_t room = *capacity - image->size;
    size_t ask = size_t(room < want ? room : want);
    size_t got = fread(image->bytes.get() + image->size, 1, ask, stream);
    image->size += got;
    want -= got;
    if (got < ask) break;  // end of the stream, or a read error
  }
  return true;
}

// The bytes of a stream just opened for reading. A regular file is read to its end. Of any
// other stream (a pipe, a device) only the root chunk is read, as far as its header's length
// says: its end may never come. Null, with ERR_NO_MEM recorded, when memory is short.
std::shared_ptr<const FileImage3ds> ReadImage(FILE* stream) {
  std::shared_ptr<FileImage3ds> image;
  try {
    image = std::make_shared<FileImage3ds>();
  } catch (const std::bad_alloc&) {
    PushError3ds(ERR_NO_MEM);
    return nullptr;
  }
  uint64_t fileSize = 0;
  const bool regular = RegularFileSize3ds(stream, fileSize);
  uint64_t capacity = 0;
  bool read = false;
  if (regular) {
    if (fileSize > 0) {
      // One block for the whole file, and one byte more to see its end.
      capacity = fileSize + 1;
      if (capacity <= SIZE_MAX) image->bytes.reset(new (std::nothrow) uint8_t[size_t(capacity)]);
      if (!image->bytes) {
        PushError3ds(ERR_NO_MEM);
        return nullptr;
      }
    }
    read = ReadInto(stream, UINT64_MAX, image.get(), &capacity);
  } else {
    read = ReadInto(stream, 6, image.get(), &capacity);
    if (read && image->size == 6) {
      const uint8_t* h = image->bytes.get();
      uint64_t length =
          uint64_t(h[2]) | uint64_t(h[3]) << 8 | uint64_t(h[4]) << 16 | uint64_t(h[5]) << 24;
      if (length > 6) read = ReadInto(stream, length - 6, image.get(), &capacity);
    }
  }
  if (!read) {
    PushError3ds(ERR_NO_MEM);
    return nullptr;
  }
  return image;
}

File3ds* CurrentFile() {
  return gTable ? gTable->current : nullptr;
}

// The next n bytes of the current file, the position moved past them, when they are all there:
// the primitives' common case, without a call per field. Null otherwise, and nothing moved; the
// caller then takes the bytes with Take, which records what a short read records.
inline const uint8_t* TakeWhole(uint64_t n) {
  File3ds* f = CurrentFile();
  const FileImage3ds* image = f ? f->image.get() : nullptr;
  if (!image) return nullptr;
  const uint64_t pos = f->position;
  if (pos > image->size || n > image->size - pos) return nullptr;
  f->position = pos + n;
  return image->bytes.get() + pos;
}

// Takes n bytes of the current file into buf. A short read takes what is there, moves to the
// end, records ERR_READING_FILE and returns false, as a read of the stream would.
bool Take(void* buf, uint64_t n) {
  if (const uint8_t* whole = TakeWhole(n)) {
    memcpy(buf, whole, size_t(n));
    return true;
  }
  File3ds* f = CurrentFile();
  const FileImage3ds* image = f ? f->image.get() : nullptr;
  if (image && f->position < image->size) {
    memcpy(buf, image->bytes.get() + f->position, size_t(image->size - f->position));
    f->position = image->size;
  }
  PushError3ds(ERR_READING_FILE);
  return false;
}

uint32_t LittleEndian(const unsigned char* b, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

float FloatFromBits(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

//--------------------------------------------------------------------------------------------
// The open-file table
//--------------------------------------------------------------------------------------------

void NewFile3ds(File3ds** file) {
  if (!file) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  *file = new (std::nothrow) File3ds();
  if (!*file) PushError3ds(ERR_NO_MEM);
}

void RegisterFile3ds(File3ds* file) {
  if (!file || !EnsureTable()) return;
  int slot = gTable->highwater;
  for (int i = 0; i < gTable->highwater; ++i) {
    if (!gTable->slots[i]) {
      slot = i;
      break;
    }
  }
  if (slot >= MAX_OPEN_FILES3DS) {
    PushError3ds(ERR_TOO_MANY_FILES);
    return;
  }
  gTable->slots[slot] = file;
  file->tableindex = uint8_t(slot);
  if (slot == gTable->highwater) ++gTable->highwater;
}

void UnregisterFile3ds(File3ds* file) {
  if (!file || !gTable || file->tableindex == NO_FILE_INDEX) return;
  if (file->tableindex < MAX_OPEN_FILES3DS && gTable->slots[file->tableindex] == file) {
    gTable->slots[file->tableindex] = nullptr;
    file->tableindex = NO_FILE_INDEX;
  }
}

File3ds* FindOpenFile3ds(const char* name) {
  if (!name || !gTable) return nullptr;
  for (int i = 0; i < gTable->highwater; ++i) {
    File3ds* f = gTable->slots[i];
    if (f && f->filename == name) return f;
  }
  return nullptr;
}

File3ds* GetFileByIndex3ds(uint8_t index) {
  if (!gTable || index >= gTable->highwater) return nullptr;
  return gTable->slots[index];
}

bool IsFileIndexLive3ds(uint8_t index) {
  return index != NO_FILE_INDEX && GetFileByIndex3ds(index) != nullptr;
}

uint8_t FileTableHighWater3ds() {
  return gTable ? gTable->highwater : 0;
}

void SetCurrentFile3ds(File3ds* file) {
  if (EnsureTable()) gTable->current = file;
}

void SelectFileByIndex3ds(uint8_t index) {
  if (File3ds* f = GetFileByIndex3ds(index)) gTable->current = f;
}

File3ds* GetCurrentFile3ds() {
  return gTable ? gTable->current : nullptr;
}

uint8_t CurrentFileIndex3ds() {
  File3ds* f = GetCurrentFile3ds();
  return f ? f->tableindex : NO_FILE_INDEX;
}

//--------------------------------------------------------------------------------------------
// Opening and closing
//--------------------------------------------------------------------------------------------

File3ds* OpenFile3ds(const char* name, const char* modestring) {
  if (!name || !modestring) {
    PushError3ds(ERR_INVALID_ARG);
    return nullptr;
  }
  File3ds* found = FindOpenFile3ds(name);

  File3ds* file = nullptr;
  NewFile3ds(&file);
  if (ErrorsPending3ds) {
    delete file;
    PushError3ds(ERR_INIT_FAILED);
    return nullptr;
  }
  RegisterFile3ds(file);
  if (file->tableindex == NO_FILE_INDEX) {
    delete file;
    return nullptr;
  }
  file->filename = name;

  // The first 'r' or 'w' decides: "rw" opens for reading, "wr" for writing.
  uint32_t len = StrLenMax3ds(modestring, 30);
  for (uint32_t i = 0; i < len; ++i) {
    if (modestring[i] == 'r') {
      file->mode = FILE_MODE_READ3DS;
      break;
    }
    if (modestring[i] == 'w') {
      file->mode = FILE_MODE_WRITE3DS;
      break;
    }
  }
  if (file->mode == 0) {
    DiscardFile(file);
    PushError3ds(ERR_INIT_FAILED);
    return nullptr;
  }

  if (found) {
    if (found->mode == file->mode) {
      DiscardFile(file);
      return found;
    }
    if (found->mode == FILE_MODE_READ3DS) {
      // The reader keeps reading the old content under a temporary name.
      MoveAsideFile3ds(found);
      if (ErrorsPending3ds) {
        DiscardFile(file);
        return nullptr;
      }
    } else {
      // What was written must be complete before it is read.
      CloseFile3ds(found);
    }
  }

  file->stream = fopen(name, file->mode == FILE_MODE_READ3DS ? "rb" : "wb");
  if (!file->stream) {
    DiscardFile(file);
    PushError3ds(ERR_OPENING_FILE);
    return nullptr;
  }
  if (FILE_IO_BUFFER_SIZE > 0 && file->iobuffer.Allocate(FILE_IO_BUFFER_SIZE)) {
    file->iobuffersize = FILE_IO_BUFFER_SIZE;
    AttachBuffer(file);
  }
  if (file->mode == FILE_MODE_READ3DS) {
    file->image = ReadImage(file->stream);
    if (!file->image) {
      fclose(file->stream);
      DiscardFile(file);
      return nullptr;
    }
  }
  return file;
}

void CloseFile3ds(File3ds* file) {
  if (!file) return;
  bool closeFailed = false;
  if (file->stream) closeFailed = fclose(file->stream) != 0;
  file->stream = nullptr;
  if (file->removeonclose) remove(file->filename.c_str());
  DiscardFile(file);
  if (closeFailed) PushError3ds(ERR_CLOSING_FILE);
}

void MoveAsideFile3ds(File3ds* file) {
  if (!file) {
    PushError3ds(ERR_INVALID_ARG);
    return;
  }
  // The file's bytes and the read position stay in memory; only its name is given up.
  if (file->stream) {
    bool failed = fclose(file->stream) != 0;
    file->stream = nullptr;
    if (failed) {
      PushError3ds(ERR_CLOSING_FILE);
      return;
    }
  }

  // The temporary file lies in the file's own directory: keep the name up to and including its
  // last separator, scanning back from the last character down to the second.
  std::string dir = file->filename;
  size_t cut = 0;
  for (size_t i = dir.size(); i-- > 1;) {
    char c = dir[i];
    if (c == '\\' || c == '/' || c == ':') {
      cut = i + 1;
      break;
    }
  }
  dir.resize(cut);

  // A name that no other file had, taken in one step.
  std::string aside;
  if (!RenameAside3ds(file->filename, dir, aside)) {
    PushError3ds(ERR_OPENING_FILE);
    return;
  }
  file->removeonclose = 1;
  file->filename = aside;

  file->stream = fopen(file->filename.c_str(), "rb");
  if (!file->stream) {
    PushError3ds(ERR_OPENING_FILE);
    return;
  }
  AttachBuffer(file);
}

//--------------------------------------------------------------------------------------------
// Positions
//--------------------------------------------------------------------------------------------

uint64_t TellFile3ds() {
  File3ds* f = CurrentFile();
  return f ? f->position : 0;
}

void SeekFile3ds(uint64_t offset) {
  // A position past the end is kept; reads from there fail as at the end.
  if (File3ds* f = CurrentFile()) f->position = offset;
}

uint64_t BytesLeft3ds() {
  File3ds* f = CurrentFile();
  if (!f || !f->image) return 0;
  return f->position < f->image->size ? f->image->size - f->position : 0;
}

bool CountFits3ds(uint64_t count, uint64_t elemsize) {
  uint64_t left = BytesLeft3ds();
  if (elemsize != 0 && count > left / elemsize) {
    PushError3ds(ERR_READING_FILE);
    return false;
  }
  return true;
}

//--------------------------------------------------------------------------------------------
// Strings
//--------------------------------------------------------------------------------------------

uint32_t StrLenMax3ds(const char* s, uint32_t limit) {
  if (!s) {
    PushError3ds(ERR_INVALID_ARG);
    return 0;
  }
  // A string of up to limit+1 characters is accepted.
  for (uint64_t i = 0; i <= uint64_t(limit) + 1; ++i) {
    if (s[i] == '\0') return uint32_t(i);
  }
  PushError3ds(ERR_STRING_TOO_LONG);
  return 0;
}

std::unique_ptr<char[]> DupString3ds(const char* s) {
  if (!s) return nullptr;
  size_t n = strlen(s) + 1;
  std::unique_ptr<char[]> copy(new (std::nothrow) char[n]);
  if (copy) memcpy(copy.get(), s, n);
  return copy;
}

//--------------------------------------------------------------------------------------------
// Stream primitives
//--------------------------------------------------------------------------------------------

uint8_t ReadByte3ds() {
  uint8_t b;
  return Take(&b, 1) ? b : 0;
}

uint16_t ReadWord3ds() {
  if (const uint8_t* w = TakeWhole(2)) return uint16_t(LittleEndian(w, 2));
  unsigned char b[2];
  return Take(b, 2) ? uint16_t(LittleEndian(b, 2)) : 0;
}

uint32_t ReadDword3ds() {
  if (const uint8_t* w = TakeWhole(4)) return LittleEndian(w, 4);
  unsigned char b[4];
  return Take(b, 4) ? LittleEndian(b, 4) : 0;
}

float ReadFloat3ds() {
  if (const uint8_t* w = TakeWhole(4)) return FloatFromBits(LittleEndian(w, 4));
  unsigned char b[4];
  return Take(b, 4) ? FloatFromBits(LittleEndian(b, 4)) : 0.0f;
}

void ReadBytes3ds(uint32_t n, void* buf) {
  if (n == 0) return;
  unsigned char* out = static_cast<unsigned char*>(buf);
  // Byte by byte, reading stops as soon as errors are pending: with an error already pending
  // only the first byte is read.
  if (ErrorsPending3ds) {
    out[0] = ReadByte3ds();
    return;
  }
  Take(out, n);
}

bool ViewBytes3ds(uint32_t n, ByteBlock3ds* block) {
  const uint8_t* bytes = TakeWhole(n);
  if (!bytes) return false;
  block->View(CurrentFile()->image, bytes, n);
  return true;
}

void ReadString3ds(char* buf, uint32_t limit) {
  if (limit == 0) return;
  buf[0] = '\0';
  for (uint32_t i = 0; i < limit; ++i) {
    char c = char(ReadByte3ds());
    if (ErrorsPending3ds) return;
    buf[i] = c;
    if (c == '\0') return;
  }
  PushError3ds(ERR_READING_FILE);
}

namespace {

// Reads a NUL-terminated string of at most maxbytes bytes, NUL included, into out (without the
// NUL). The text is gathered as it comes, so a large limit read from a file allocates nothing
// up front. Returns false when a byte could not be read or no NUL came within the limit.
bool ReadTerminated(uint64_t maxbytes, std::string* out) {
  std::string text;
  for (uint64_t i = 0; i < maxbytes; ++i) {
    char c = char(ReadByte3ds());
    if (ErrorsPending3ds) return false;
    if (c == '\0') {
      *out = std::move(text);
      return true;
    }
    text.push_back(c);
  }
  PushError3ds(ERR_READING_FILE);
  return false;
}

}  // namespace

bool ReadNewString3ds(uint32_t limit, std::string* out) {
  return ReadTerminated(uint64_t(limit) + 1, out);
}

bool ReadFixedString3ds(uint32_t width, std::string* out) {
  std::string text;
  if (!ReadTerminated(uint64_t(width) + 1, &text)) return false;
  // The field always occupies width+1 bytes: skip the padding after the NUL.
  for (uint64_t used = text.size() + 1; used < uint64_t(width) + 1; ++used) {
    ReadByte3ds();
    if (ErrorsPending3ds) return false;
  }
  *out = std::move(text);
  return true;
}

void ReadHeader3ds(Chunk3ds* chunk) {
  chunk->tag = ReadWord3ds();
  if (!ErrorsPending3ds) chunk->length = ReadDword3ds();
}

// The records of the long arrays are read whole when no error is pending and all of their bytes
// are there; otherwise field by field, stopping at the first error as before.
void ReadPoint3ds(Point3ds* p) {
  if (!ErrorsPending3ds) {
    if (const uint8_t* b = TakeWhole(12)) {
      *p = {FloatFromBits(LittleEndian(b, 4)), FloatFromBits(LittleEndian(b + 4, 4)),
            FloatFromBits(LittleEndian(b + 8, 4))};
      return;
    }
  }
  *p = {0, 0, 0};
  p->x = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  p->y = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  p->z = ReadFloat3ds();
}

void ReadTexVert3ds(TexVert3ds* t) {
  if (!ErrorsPending3ds) {
    if (const uint8_t* b = TakeWhole(8)) {
      *t = {FloatFromBits(LittleEndian(b, 4)), FloatFromBits(LittleEndian(b + 4, 4))};
      return;
    }
  }
  *t = {0, 0};
  t->u = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  t->v = ReadFloat3ds();
}

void ReadFace3ds(Face3ds* f) {
  if (!ErrorsPending3ds) {
    if (const uint8_t* b = TakeWhole(8)) {
      *f = {uint16_t(LittleEndian(b, 2)), uint16_t(LittleEndian(b + 2, 2)),
            uint16_t(LittleEndian(b + 4, 2)), uint16_t(LittleEndian(b + 6, 2))};
      return;
    }
  }
  *f = {0, 1, 2, 0};
  f->v1 = ReadWord3ds();
  if (ErrorsPending3ds) return;
  f->v2 = ReadWord3ds();
  if (ErrorsPending3ds) return;
  f->v3 = ReadWord3ds();
  if (ErrorsPending3ds) return;
  f->flag = ReadWord3ds();
}

void ReadTrackHeader3ds(TrackHeader3ds* h) {
  *h = {0, 0, 0, 1};
  h->flags = ReadWord3ds();
  if (ErrorsPending3ds) return;
  h->nu1 = ReadDword3ds();
  if (ErrorsPending3ds) return;
  h->nu2 = ReadDword3ds();
  if (ErrorsPending3ds) return;
  h->keycount = ReadDword3ds();
}

void ReadKey3ds(KeyHeader3ds* k) {
  *k = KeyHeader3ds{0, 0, 0, 0, 0, 0, 0};
  k->frame = ReadDword3ds();
  if (ErrorsPending3ds) return;
  k->splineflags = ReadWord3ds();
  if (ErrorsPending3ds) return;
  float* fields[5] = {&k->tension, &k->continuity, &k->bias, &k->easeto, &k->easefrom};
  for (int bit = 0; bit < 5; ++bit) {
    if (k->splineflags & (1u << bit)) {
      *fields[bit] = ReadFloat3ds();
      if (ErrorsPending3ds) return;
    }
  }
}
