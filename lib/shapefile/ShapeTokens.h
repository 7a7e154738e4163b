// The tokens of a shape text: words, "(" and ")", each with its line.
//
// Words are separated by white space and by parentheses ("ff000000)" is a word and a ")"). A
// word that begins with a double quote runs to the next double quote on its line and holds a
// name with spaces or parentheses (the quotes are not part of it).
//
// The tokenizer reads either a text in memory or a byte source in blocks, keeping no more of
// the input than the block being read (and the word that crosses its end), so that a file of
// any size is read in one pass with little memory.
#ifndef TRIMORPH_SHAPEFILE_SHAPETOKENS_H
#define TRIMORPH_SHAPEFILE_SHAPETOKENS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ShapeModel.h"

namespace shapefile {

// Where the tokenizer gets bytes from when the text is not in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes into buf: the number read, 0 at the end of the input, -1 when it
  // cannot be read.
  virtual long Read(char* buf, size_t size) = 0;
};

// Reads an open file descriptor (not closed here). Error() is the errno of a failed read.
class FdSource : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  long Read(char* buf, size_t size) override;
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

struct Token {
  enum Kind : uint8_t { WORD, OPEN, CLOSE, END };
  Kind kind = END;
  bool quoted = false;        // a word written in double quotes
  bool unterminated = false;  // a quoted word whose closing quote is missing on its line
  std::string_view text;      // a word's text; valid until the next call of Next()
  Line line = 0;
  uint64_t offset = 0;  // of its first byte in the input
};

class Tokenizer {
 public:
  // A text in memory, which must outlive the tokenizer.
  explicit Tokenizer(std::string_view text);
  // A byte source read in blocks of the given size.
  explicit Tokenizer(ByteSource& source, size_t blockSize = size_t(1) << 20);
  Tokenizer(const Tokenizer&) = delete;
  Tokenizer& operator=(const Tokenizer&) = delete;

  // The next token; END at the end of the input (and after it).
  Token Next();
  // The token that Next() will return; the text of the token last returned by Next() stays
  // valid.
  const Token& Peek();
  // The source reported a read error (the input ends there).
  bool ReadFailed() const { return readFailed_; }

 private:
  void Lex(Token& t);
  bool Refill(size_t keepFrom);

  ByteSource* source_ = nullptr;
  size_t blockSize_ = 0;
  // Two buffers in turn: a refill copies the unread rest into the other one, so that the
  // text of the token returned last stays where it is.
  std::vector<char> buffers_[2];
  int current_ = 0;
  bool refilledThisToken_ = false;
  const char* base_ = nullptr;
  size_t pos_ = 0, len_ = 0;
  uint64_t dropped_ = 0;  // input bytes before base_
  bool atEnd_ = false;
  bool readFailed_ = false;
  Line line_ = 1;
  Token peeked_;
  bool hasPeeked_ = false;
};

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPETOKENS_H
