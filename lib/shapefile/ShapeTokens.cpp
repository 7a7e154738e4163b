// The tokenizer of shape texts.
#include "ShapeTokens.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace shapefile {

namespace {

// Byte classes: white space, a character that ends a word, or a word character.
enum : uint8_t { WORDCHAR = 0, SPACE = 1, NEWLINE = 2, PAREN = 3 };

struct ByteClasses {
  uint8_t of[256];
  constexpr ByteClasses() : of() {
    for (int c : {' ', '\t', '\r', '\f', '\v'}) of[c] = SPACE;
    of[int('\n')] = NEWLINE;
    of[int('(')] = PAREN;
    of[int(')')] = PAREN;
  }
};
constexpr ByteClasses CLASSES;

inline uint8_t ClassOf(char c) {
  return CLASSES.of[uint8_t(c)];
}

}  // namespace

long FdSource::Read(char* buf, size_t size) {
  while (true) {
    ssize_t n = read(fd_, buf, size);
    if (n >= 0) return long(n);
    if (errno != EINTR) {
      error_ = errno;
      return -1;
    }
  }
}

Tokenizer::Tokenizer(std::string_view text) : base_(text.data()), len_(text.size()), atEnd_(true) {}

Tokenizer::Tokenizer(ByteSource& source, size_t blockSize)
    : source_(&source), blockSize_(blockSize ? blockSize : 1) {}

Token Tokenizer::Next() {
  if (hasPeeked_) {
    hasPeeked_ = false;
    return peeked_;
  }
  Token t;
  Lex(t);
  return t;
}

const Token& Tokenizer::Peek() {
  if (!hasPeeked_) {
    Lex(peeked_);
    hasPeeked_ = true;
  }
  return peeked_;
}

// Keeps base_[keepFrom, len_) at the front of a buffer and reads more behind it. The first
// refill for a token goes to the other buffer, which leaves the text of the token returned
// last untouched; later ones for the same token (a word longer than a block) grow that
// buffer, whose front then holds the token. False when nothing more could be read; the
// buffer has moved all the same. Called only before the end of a source.
bool Tokenizer::Refill(size_t keepFrom) {
  size_t keep = len_ - keepFrom;
  int target = refilledThisToken_ ? current_ : 1 - current_;
  std::vector<char>& buf = buffers_[target];
  if (target == current_) {
    memmove(buf.data(), base_ + keepFrom, keep);
    if (buf.size() < keep + blockSize_) buf.resize(keep + blockSize_);
  } else {
    if (buf.size() < keep + blockSize_) buf.resize(keep + blockSize_);
    if (keep) memcpy(buf.data(), base_ + keepFrom, keep);
  }
  current_ = target;
  refilledThisToken_ = true;
  dropped_ += keepFrom;
  base_ = buf.data();
  pos_ -= keepFrom;
  len_ = keep;
  long n = source_->Read(buf.data() + keep, buf.size() - keep);
  if (n <= 0) {
    atEnd_ = true;
    readFailed_ = n < 0;
    return false;
  }
  len_ += size_t(n);
  return true;
}

void Tokenizer::Lex(Token& t) {
  refilledThisToken_ = false;
  t.quoted = false;
  t.unterminated = false;
  t.text = std::string_view();
  // White space, counting lines.
  while (true) {
    const char* p = base_ + pos_;
    const char* const end = base_ + len_;
    Line line = line_;
    for (; p < end; ++p) {
      uint8_t c = ClassOf(*p);
      if (c == NEWLINE) {
        ++line;
      } else if (c != SPACE) {
        break;
      }
    }
    line_ = line;
    pos_ = size_t(p - base_);
    if (p < end) break;
    if (atEnd_ || !Refill(pos_)) {
      t.kind = Token::END;
      t.line = line_;
      t.offset = dropped_ + pos_;
      return;
    }
  }
  t.line = line_;
  char first = base_[pos_];
  if (first == '(' || first == ')') {
    t.kind = first == '(' ? Token::OPEN : Token::CLOSE;
    t.offset = dropped_ + pos_;
    ++pos_;
    return;
  }
  t.kind = Token::WORD;
  size_t start = pos_;
  if (first == '"') {
    // To the closing quote, or to the end of the line.
    size_t end = start + 1;
    while (true) {
      while (end < len_ && base_[end] != '"' && base_[end] != '\n') ++end;
      if (end < len_ || atEnd_) break;
      // A refill always moves the rest of the buffer to the front, even when nothing more
      // comes.
      size_t scanned = end - start;
      bool more = Refill(start);
      start = 0;
      end = scanned;
      if (!more) break;
    }
    t.quoted = true;
    t.offset = dropped_ + start;
    t.unterminated = end >= len_ || base_[end] != '"';
    t.text = std::string_view(base_ + start + 1, end - start - 1);
    pos_ = t.unterminated ? end : end + 1;
    return;
  }
  size_t end = start + 1;
  while (true) {
    const char* p = base_ + end;
    const char* const stop = base_ + len_;
    while (p < stop && ClassOf(*p) == WORDCHAR) ++p;
    end = size_t(p - base_);
    if (p < stop || atEnd_) break;
    size_t scanned = end - start;
    bool more = Refill(start);
    start = 0;
    end = scanned;
    if (!more) break;
  }
  t.offset = dropped_ + start;
  t.text = std::string_view(base_ + start, end - start);
  pos_ = end;
}

}  // namespace shapefile
