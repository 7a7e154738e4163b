// Little-endian byte helpers for toolkit tests: fields and whole chunks as byte strings, and a
// fixture base that writes them to a file and opens it for the toolkit.
#ifndef TRIMORPH_TESTS_CHUNKBYTES3DS_H
#define TRIMORPH_TESTS_CHUNKBYTES3DS_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace bytes3ds {

inline std::string U8(uint8_t v) {
  return std::string(1, char(v));
}
inline std::string U16(uint16_t v) {
  return std::string{char(v & 0xFF), char(v >> 8)};
}
inline std::string U32(uint32_t v) {
  return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
inline std::string F32(float f) {
  uint32_t bits;
  memcpy(&bits, &f, 4);
  return U32(bits);
}
inline std::string Pt(float x, float y, float z) {
  return F32(x) + F32(y) + F32(z);
}
// A string field: the text and its NUL.
inline std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}
// A chunk with a header of the given length (which need not match the body).
inline std::string ChunkLen(uint16_t tag, uint32_t length, const std::string& body) {
  return U16(tag) + U32(length) + body;
}
// A well-formed chunk: its own data, then its children.
inline std::string Chunk(uint16_t tag, const std::string& payload = "",
                         const std::string& children = "") {
  return ChunkLen(tag, uint32_t(6 + payload.size() + children.size()), payload + children);
}

// Positions of the error list from the first, up to the first empty one.
inline std::vector<ErrCode3ds> Errors() {
  std::vector<ErrCode3ds> codes;
  for (int i = 0; i < ERROR_LIST_SIZE3DS; ++i) {
    ErrCode3ds c = ErrorListEntry3ds(i).code;
    if (c == NO_FTK_ERRORS) break;
    codes.push_back(c);
  }
  return codes;
}

// Starts from a clean error list and closes every file it opened.
class ToolkitFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override {
    for (File3ds* f : open_) CloseFile3ds(f);
    ResetErrorList3ds();
  }
  // Writes bytes to a new file, opens it for reading and makes it the current file.
  File3ds* OpenBytes(const std::string& bytes) {
    std::string path = dir_.File("f" + std::to_string(counter_++) + ".3ds");
    WriteFileBytes(path, bytes);
    File3ds* f = OpenFile3ds(path.c_str(), "rw");
    EXPECT_NE(f, nullptr);
    if (f) {
      open_.push_back(f);
      SetCurrentFile3ds(f);
    }
    return f;
  }
  void Close(File3ds* f) {
    for (auto it = open_.begin(); it != open_.end(); ++it) {
      if (*it == f) {
        open_.erase(it);
        break;
      }
    }
    CloseFile3ds(f);
  }

  TempDir dir_;
  std::vector<File3ds*> open_;
  int counter_ = 0;
};

}  // namespace bytes3ds

#endif  // TRIMORPH_TESTS_CHUNKBYTES3DS_H
