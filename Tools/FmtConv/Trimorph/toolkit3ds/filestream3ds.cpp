// File access and the chunk stream: the process-wide table of open toolkit files, opening and
// closing them (two opens of one name in one mode share a record), moving a file that is being
// read aside so that its name can be written anew, and the primitives from which every chunk is
// read. All primitives work on the current file, which the chunk readers select before reading.
// A short read records ERR_READING_FILE and yields zero or the record's defaults.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit3ds_internal.h"

#if defined(__GLIBC__) || defined(__APPLE__) || defined(__FreeBSD__)
#define TOOLKIT_GETC getc_unlocked
#else
#define TOOLKIT_GETC getc
#endif
#if defined(__GLIBC__)
#define TOOLKIT_FREAD fread_unlocked
#else
#define TOOLKIT_FREAD fread
#endif

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

uint64_t StreamSize(FILE* stream) {
  struct stat st;
  if (fstat(fileno(stream), &st) == 0 && st.st_size > 0) return uint64_t(st.st_size);
  return 0;
}

FILE* CurrentStream() {
  return gTable && gTable->current ? gTable->current->stream : nullptr;
}

// Reads n bytes of the current file; a short read records ERR_READING_FILE. The words and
// floats of the payloads come byte by byte from the stream's buffer, which costs far less than
// a call of fread for each.
bool ReadRaw(void* buf, size_t n) {
  FILE* stream = CurrentStream();
  if (stream && n <= 4) {
    unsigned char* out = static_cast<unsigned char*>(buf);
    for (size_t i = 0; i < n; ++i) {
      int c = TOOLKIT_GETC(stream);
      if (c == EOF) {
        PushError3ds(ERR_READING_FILE);
        return false;
      }
      out[i] = static_cast<unsigned char>(c);
    }
    return true;
  }
  if (!stream || TOOLKIT_FREAD(buf, 1, n, stream) != n) {
    PushError3ds(ERR_READING_FILE);
    return false;
  }
  return true;
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
  if (file->mode == FILE_MODE_READ3DS) file->filesize = StreamSize(file->stream);
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
  long offset = file->stream ? ftell(file->stream) : 0;
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

  // mkstemp reserves a name that did not exist, without a race; the rename then replaces the
  // empty placeholder atomically.
  std::string templ = dir + "3dsXXXXXX";
  int fd = mkstemp(&templ[0]);
  if (fd < 0) {
    PushError3ds(ERR_OPENING_FILE);
    return;
  }
  close(fd);
  if (rename(file->filename.c_str(), templ.c_str()) != 0) {
    remove(templ.c_str());
    PushError3ds(ERR_OPENING_FILE);
    return;
  }
  file->removeonclose = 1;
  file->filename = templ;

  file->stream = fopen(file->filename.c_str(), "rb");
  if (!file->stream) {
    PushError3ds(ERR_OPENING_FILE);
    return;
  }
  AttachBuffer(file);
  fseek(file->stream, offset, SEEK_SET);
}

//--------------------------------------------------------------------------------------------
// Positions
//--------------------------------------------------------------------------------------------

uint64_t TellFile3ds() {
  FILE* stream = CurrentStream();
  if (!stream) return 0;
  off_t pos = ftello(stream);
  return pos < 0 ? 0 : uint64_t(pos);
}

void SeekFile3ds(uint64_t offset) {
  FILE* stream = CurrentStream();
  if (stream) fseeko(stream, off_t(offset), SEEK_SET);
}

uint64_t BytesLeft3ds() {
  File3ds* f = GetCurrentFile3ds();
  if (!f || !f->stream) return 0;
  uint64_t pos = TellFile3ds();
  return pos < f->filesize ? f->filesize - pos : 0;
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
  FILE* stream = CurrentStream();
  int c = stream ? TOOLKIT_GETC(stream) : EOF;
  if (c == EOF) {
    PushError3ds(ERR_READING_FILE);
    return 0;
  }
  return uint8_t(c);
}

uint16_t ReadWord3ds() {
  unsigned char b[2];
  return ReadRaw(b, 2) ? uint16_t(LittleEndian(b, 2)) : 0;
}

uint32_t ReadDword3ds() {
  unsigned char b[4];
  return ReadRaw(b, 4) ? LittleEndian(b, 4) : 0;
}

float ReadFloat3ds() {
  unsigned char b[4];
  return ReadRaw(b, 4) ? FloatFromBits(LittleEndian(b, 4)) : 0.0f;
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
  FILE* stream = CurrentStream();
  size_t got = stream ? TOOLKIT_FREAD(out, 1, n, stream) : 0;
  if (got != n) PushError3ds(ERR_READING_FILE);
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

void ReadPoint3ds(Point3ds* p) {
  *p = {0, 0, 0};
  p->x = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  p->y = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  p->z = ReadFloat3ds();
}

void ReadTexVert3ds(TexVert3ds* t) {
  *t = {0, 0};
  t->u = ReadFloat3ds();
  if (ErrorsPending3ds) return;
  t->v = ReadFloat3ds();
}

void ReadFace3ds(Face3ds* f) {
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
