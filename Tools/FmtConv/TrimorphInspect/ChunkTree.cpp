// The chunk tree of a level file and where reading stopped.
#include "ChunkTree.h"

#include <sys/stat.h>

#include <cstdio>

#include "toolkit3ds/toolkit3ds.h"

namespace {

std::string Number(uint64_t n) {
  return std::to_string(n);
}

// The row that names the chunk: its tag, offset and length.
std::string ChunkText(const ChunkRow& row) {
  return "chunk " + TagText(row.tag, row.name) + " at offset " + Number(row.offset) + " (length " +
         Number(row.length) + ")";
}

// Why reading stopped on the chunk that begins where it stopped.
std::string WhyStoppedOn(const ChunkRow& row, int64_t fileSize) {
  if (row.length < 6) {
    return "it claims a length of " + Number(row.length) + " bytes, less than its own header";
  }
  if (row.pastEnd) {
    return "it claims to end at byte " + Number(uint64_t(row.offset) + row.length) +
           ", past the end of the file (" + Number(uint64_t(fileSize)) +
           " bytes): the file was "
           "cut short or the length is damaged";
  }
  return "its own data could not be read: a name without its end, a count larger than the "
         "chunk, or a nesting deeper than the reader follows";
}

// The size of a regular file, -1 for anything else. On Windows the plain stat's size has 32
// bits (a level of 3 GiB would show a negative size): _stat64 has 64.
int64_t RegularFileSize(const std::string& file) {
#ifdef _WIN32
  struct _stat64 st;
  if (_stat64(file.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG) return st.st_size;
#else
  struct stat st;
  if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_size;
#endif
  return -1;
}

}  // namespace

std::string TagText(uint32_t tag, const std::string& name) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%04X", unsigned(tag));
  return std::string(buf) + " " + (name.empty() ? std::string("(unknown)") : name);
}

ChunkTree ReadChunkTree(Database3ds* db, const std::string& file) {
  ChunkTree tree;
  tree.read = db != nullptr;
  tree.fileSize = RegularFileSize(file);
  // A file shorter than a header has no chunk; the root the reader made for it holds nothing.
  if (tree.fileSize >= 0 && tree.fileSize < 6) {
    tree.stopOffset = db ? ReadStopOffset3ds(db) : -1;
    return tree;
  }
  WalkChunkTree3ds(db, [&tree](const ChunkView3ds& c) {
    ChunkRow row;
    row.tag = c.tag;
    if (const char* name = ChunkTagName3ds(c.tag)) row.name = name;
    row.offset = c.offset;
    row.length = c.length;
    row.depth = c.depth;
    row.pastEnd = tree.fileSize >= 0 && uint64_t(c.offset) + c.length > uint64_t(tree.fileSize);
    tree.chunks.push_back(std::move(row));
  });
  tree.stopOffset = ReadStopOffset3ds(db);
  return tree;
}

std::string DescribeStop(const ChunkTree& tree) {
  if (tree.stopOffset < 0) return std::string();
  const uint64_t stop = uint64_t(tree.stopOffset);
  const bool sized = tree.fileSize >= 0;
  const uint64_t size = sized ? uint64_t(tree.fileSize) : 0;
  std::string text = "reading stopped at offset " + Number(stop);
  if (sized) {
    text +=
        (stop >= size ? ", at or past the end of the " : " of the ") + Number(size) + "-byte file";
  }
  if (sized && size < 6) return text + ": the file is shorter than one chunk header (6 bytes)";
  // The chunk that begins there (the deepest, which comes last), the deepest chunk that holds
  // the place, and the deepest chunk that claims to end past the end of the file.
  const ChunkRow* at = nullptr;
  const ChunkRow* inside = nullptr;
  const ChunkRow* pastEnd = nullptr;
  for (const ChunkRow& row : tree.chunks) {
    if (row.offset == stop) at = &row;
    if (row.offset < stop && stop < uint64_t(row.offset) + row.length) inside = &row;
    if (row.pastEnd) pastEnd = &row;
  }
  if (at) return text + ", at " + ChunkText(*at) + ": " + WhyStoppedOn(*at, tree.fileSize);
  text += ": no chunk header could be read there";
  if (pastEnd) {
    return text + "; the file ends inside " + ChunkText(*pastEnd) + ", which would end at byte " +
           Number(uint64_t(pastEnd->offset) + pastEnd->length) +
           ": the file was cut short or that length is damaged";
  }
  if (inside) text += ", inside " + ChunkText(*inside);
  return text;
}
