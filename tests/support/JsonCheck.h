// A small JSON syntax check for the tests and fuzz targets: whether a text is one JSON value
// (RFC 8259: objects, arrays, strings with their escapes and well-formed UTF-8, numbers and the
// three literals) and nothing after it but white space.
#ifndef TRIMORPH_TESTS_JSONCHECK_H
#define TRIMORPH_TESTS_JSONCHECK_H

#include <cctype>
#include <cstring>
#include <string>

class JsonCheck {
 public:
  explicit JsonCheck(const std::string& text) : s_(text) {}
  bool Valid() {
    Space();
    if (!Value(0)) return false;
    Space();
    return i_ == s_.size();
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r'))
      ++i_;
  }
  bool Literal(const char* word) {
    const size_t n = strlen(word);
    if (s_.compare(i_, n, word) != 0) return false;
    i_ += n;
    return true;
  }
  bool Value(int depth) {
    if (depth > 64 || i_ >= s_.size()) return false;
    const char c = s_[i_];
    if (c == '{' || c == '[') {
      const char close = c == '{' ? '}' : ']';
      ++i_;
      Space();
      if (i_ < s_.size() && s_[i_] == close) return ++i_, true;
      for (;;) {
        if (c == '{') {
          if (!String()) return false;
          Space();
          if (i_ >= s_.size() || s_[i_++] != ':') return false;
          Space();
        }
        if (!Value(depth + 1)) return false;
        Space();
        if (i_ >= s_.size()) return false;
        if (s_[i_] == close) return ++i_, true;
        if (s_[i_++] != ',') return false;
        Space();
      }
    }
    if (c == '"') return String();
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    return Literal("true") || Literal("false") || Literal("null");
  }
  bool String() {
    if (i_ >= s_.size() || s_[i_++] != '"') return false;
    while (i_ < s_.size()) {
      const unsigned char c = s_[i_++];
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c >= 0x80 && !Utf8(c)) return false;
      if (c != '\\') continue;
      if (i_ >= s_.size()) return false;
      const char e = s_[i_++];
      if (e == 'u') {
        for (int k = 0; k < 4; ++k) {
          if (i_ >= s_.size() || !isxdigit((unsigned char)s_[i_++])) return false;
        }
      } else if (!strchr("\"\\/bfnrt", e)) {
        return false;
      }
    }
    return false;
  }
  // The rest of a well-formed UTF-8 sequence whose lead byte was c: no overlong forms, no
  // surrogates, nothing beyond U+10FFFF.
  bool Utf8(unsigned char c) {
    int more;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    for (int k = 0; k < more; ++k) {
      if (i_ >= s_.size()) return false;
      const unsigned char b = s_[i_++];
      if (b < (k == 0 ? lo : 0x80) || b > (k == 0 ? hi : 0xBF)) return false;
    }
    return true;
  }
  bool Number() {
    const size_t start = i_;
    if (s_[i_] == '-') ++i_;
    size_t digits = 0;
    while (i_ < s_.size() && isdigit((unsigned char)s_[i_])) ++i_, ++digits;
    if (digits == 0) return false;
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      digits = 0;
      while (i_ < s_.size() && isdigit((unsigned char)s_[i_])) ++i_, ++digits;
      if (digits == 0) return false;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      digits = 0;
      while (i_ < s_.size() && isdigit((unsigned char)s_[i_])) ++i_, ++digits;
      if (digits == 0) return false;
    }
    return i_ > start;
  }

  const std::string& s_;
  size_t i_ = 0;
};

#endif  // TRIMORPH_TESTS_JSONCHECK_H
