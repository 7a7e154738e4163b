// Fuzz target: one shape text through the reader and every check.
//
// The text is read whole from memory, and again through a byte source in small blocks (the
// block size taken from the input's length), as files are read; both readings must find the
// same problems and the same model. The summary must not fail on a text the reader took as a
// shape text with balanced parentheses.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "ShapeFile.h"

namespace {

// A text in memory, handed out in blocks of the given size.
class BlockSource : public shapefile::ByteSource {
 public:
  BlockSource(const uint8_t* data, size_t size, size_t block)
      : data_(data), size_(size), block_(block) {}
  long Read(char* buf, size_t size) override {
    size_t n = std::min({size, block_, size_ - at_});
    if (n) memcpy(buf, data_ + at_, n);
    at_ += n;
    return long(n);
  }

 private:
  const uint8_t* data_;
  size_t size_, block_, at_ = 0;
};

void Check(shapefile::ReadResult& r) {
  if (!r.readable) return;
  shapefile::CheckShape(r.shape, r.problems);
  shapefile::CheckTrimorphLayout(r.shape, r.problems);
  r.problems.SortByLine();
}

[[noreturn]] void Differ(const char* what) {
  fprintf(stderr, "whole and block readings differ: %s\n", what);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  shapefile::ReadResult whole = shapefile::ReadShapeText(text);
  Check(whole);

  BlockSource source(data, size, 1 + size % 13);
  shapefile::Tokenizer tokens(source, 1 + size % 13);
  shapefile::ReadResult blocks = shapefile::ReadShape(tokens);
  Check(blocks);

  if (whole.readable != blocks.readable) Differ("readable");
  if (whole.problems.Count() != blocks.problems.Count()) Differ("number of problems");
  for (size_t i = 0; i < whole.problems.Listed().size(); ++i) {
    const shapefile::Problem& a = whole.problems.Listed()[i];
    const shapefile::Problem& b = blocks.problems.Listed()[i];
    if (a.line != b.line || a.what != b.what) Differ("problem");
  }
  shapefile::Summary a = shapefile::Summarize(whole.shape);
  shapefile::Summary b = shapefile::Summarize(blocks.shape);
  if (a.distanceLevels != b.distanceLevels || a.nodes != b.nodes || a.subObjects != b.subObjects ||
      a.triangles != b.triangles) {
    Differ("summary");
  }
  if (whole.shape.images != blocks.shape.images) Differ("images");

  try {
    shapefile::Summary s = shapefile::Summarize(text);
    if (!whole.readable || whole.unbalanced) {
      fprintf(stderr, "Summarize took a text that the reader did not\n");
      abort();
    }
    if (s.triangles != a.triangles) Differ("Summarize");
  } catch (const std::runtime_error&) {
    if (whole.readable && !whole.unbalanced) {
      fprintf(stderr, "Summarize failed on a text that the reader took\n");
      abort();
    }
  }
  return 0;
}
