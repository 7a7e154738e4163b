// The shape file reader: one pass over the tokens, one function per known block.
#include "ShapeReader.h"

#include "ShapeCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace shapefile {

namespace {

// A decimal integer, "-" allowed in front. Up to 18 digits cannot overflow; longer ones go to
// from_chars, which says whether they fit.
bool ParseLong(std::string_view s, long& out) {
  const char* p = s.data();
  const char* const end = p + s.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  if (p == end || end - p > 18) {
    auto r = std::from_chars(s.data(), end, out);
    return r.ec == std::errc() && r.ptr == end && !s.empty();
  }
  long v = 0;
  for (; p < end; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
  }
  out = negative ? -v : v;
  return true;
}

// The value of each hexadecimal digit, 16 for other bytes.
struct HexDigits {
  uint8_t of[256];
  constexpr HexDigits() : of() {
    for (int c = 0; c < 256; ++c) of[c] = 16;
    for (int c = '0'; c <= '9'; ++c) of[c] = uint8_t(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) of[c] = uint8_t(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) of[c] = uint8_t(c - 'A' + 10);
  }
};
constexpr HexDigits HEX_DIGITS;

// One to eight hexadecimal digits.
bool ParseHex(std::string_view s, uint32_t& out) {
  if (s.empty() || s.size() > 8) return false;
  uint32_t v = 0;
  for (char c : s) {
    uint32_t digit = HEX_DIGITS.of[uint8_t(c)];
    if (digit > 15) return false;
    v = v << 4 | digit;
  }
  out = v;
  return true;
}

// Numbers as "%g" writes them ("-0.0249996", "1e-05", "1.23457e+08"): a mantissa of at most
// seven digits and a power of ten up to 10^10 are both exact floats, so that one division or
// multiplication rounds the value exactly as a full conversion does. Others go to from_chars.
bool ParseShortFloat(std::string_view s, float& out) {
  static const float POWERS[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  const char* p = s.data();
  const char* const end = p + s.size();
  bool negative = p < end && *p == '-';
  if (negative) ++p;
  uint32_t mantissa = 0;
  int digits = 0, exponent = 0;
  bool anyDigit = false;
  // Leading zeros do not count towards the seven digits.
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    anyDigit = true;
    mantissa = mantissa * 10 + uint32_t(*p - '0');
    if (mantissa) ++digits;
  }
  if (p < end && *p == '.') {
    for (++p; p < end && *p >= '0' && *p <= '9'; ++p, --exponent) {
      anyDigit = true;
      mantissa = mantissa * 10 + uint32_t(*p - '0');
      if (mantissa) ++digits;
    }
  }
  if (!anyDigit || digits > 7) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    int e = 0, eDigits = 0;
    for (; p < end && *p >= '0' && *p <= '9' && eDigits < 4; ++p, ++eDigits)
      e = e * 10 + (*p - '0');
    if (eDigits == 0) return false;
    exponent += negativeExponent ? -e : e;
  }
  if (p != end || exponent < -10 || exponent > 10) return false;
  float v = float(mantissa);
  v = exponent < 0 ? v / POWERS[-exponent] : v * POWERS[exponent];
  out = negative ? -v : v;
  return true;
}

bool ParseFloat(std::string_view s, float& out) {
  if (ParseShortFloat(s, out)) return true;
  const char* end = s.data() + s.size();
  auto r = std::from_chars(s.data(), end, out);
  return r.ec == std::errc() && r.ptr == end && !s.empty() && std::isfinite(out);
}

// A count as a list's first word: a decimal number without a sign or leading zeros.
bool LooksLikeCount(std::string_view s) {
  if (s.empty() || s.size() > 9) return false;
  if (s.size() > 1 && s[0] == '0') return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The list being read, for the problems found in it, and the lists around it. name is a
// literal or a copy that lives while the list is read.
struct Ctx {
  std::string_view name;
  Line line = 0;
  const Ctx* parent = nullptr;
  int depth = 0;  // lists open around it
};

// A known list inside another.
Ctx In(const Ctx& parent, std::string_view name, Line line) {
  return {name, line, &parent, parent.depth + 1};
}

// Where each known list belongs. A list that shows up inside a list it does not belong to but
// within one it does belongs there: the ')' of the list it shows up in is missing.
const char* const PLACES[][2] = {
    {"shape_header", "shape"},
    {"volumes", "shape"},
    {"shader_names", "shape"},
    {"texture_filter_names", "shape"},
    {"points", "shape"},
    {"uv_points", "shape"},
    {"normals", "shape"},
    {"sort_vectors", "shape"},
    {"colours", "shape"},
    {"matrices", "shape"},
    {"images", "shape"},
    {"textures", "shape"},
    {"light_materials", "shape"},
    {"light_model_cfgs", "shape"},
    {"vtx_states", "shape"},
    {"prim_states", "shape"},
    {"lod_controls", "shape"},
    {"animations", "shape"},
    {"vol_sphere", "volumes"},
    {"named_shader", "shader_names"},
    {"named_filter_mode", "texture_filter_names"},
    {"point", "points"},
    {"uv_point", "uv_points"},
    {"colour", "colours"},
    {"image", "images"},
    {"texture", "textures"},
    {"light_material", "light_materials"},
    {"light_model_cfg", "light_model_cfgs"},
    {"uv_ops", "light_model_cfg"},
    {"vtx_state", "vtx_states"},
    {"tex_idxs", "prim_state"},
    {"lod_control", "lod_controls"},
    {"distance_levels_header", "lod_control"},
    {"distance_levels", "lod_control"},
    {"distance_level", "distance_levels"},
    {"distance_level_header", "distance_level"},
    {"dlevel_selection", "distance_level_header"},
    {"hierarchy", "distance_level_header"},
    {"sub_objects", "distance_level"},
    {"sub_object", "sub_objects"},
    {"sub_object_header", "sub_object"},
    {"geometry_info", "sub_object_header"},
    {"geometry_nodes", "geometry_info"},
    {"geometry_node", "geometry_nodes"},
    {"cullable_prims", "geometry_node"},
    {"geometry_node_map", "geometry_info"},
    {"subobject_shaders", "sub_object_header"},
    {"subobject_light_cfgs", "sub_object_header"},
    {"vertices", "sub_object"},
    {"vertex", "vertices"},
    {"vertex_uvs", "vertex"},
    {"vertex_sets", "sub_object"},
    {"vertex_set", "vertex_sets"},
    {"primitives", "sub_object"},
    {"prim_state_idx", "primitives"},
    {"indexed_trilist", "primitives"},
    {"vertex_idxs", "indexed_trilist"},
    {"normal_idxs", "indexed_trilist"},
    {"animation", "animations"},
    {"anim_nodes", "animation"},
    {"controllers", "anim_node"},
    {"tcb_rot", "controllers"},
    {"linear_pos", "controllers"},
    {"tcb_key", "tcb_rot"},
    {"linear_key", "linear_pos"},
};

const char* PlaceOf(std::string_view name) {
  static const std::unordered_map<std::string_view, const char*> places = [] {
    std::unordered_map<std::string_view, const char*> m;
    for (const auto& p : PLACES) m.emplace(p[0], p[1]);
    return m;
  }();
  auto found = places.find(name);
  return found == places.end() ? nullptr : found->second;
}

// Whether a list of this name can hold known lists.
bool HoldsKnownLists(std::string_view list) {
  static const std::unordered_map<std::string_view, bool> holders = [] {
    std::unordered_map<std::string_view, bool> m;
    for (const auto& p : PLACES) m.emplace(p[1], true);
    return m;
  }();
  return holders.count(list) != 0;
}

// How a counted list treats items that are not its own kind: a pool (a list that indices
// refer into) reports them, since they would shift every index after them; other lists pass
// over them.
enum class Foreign { REPORT, PASS };

// How the children of a counted list are named: "point ( ... )", "prim_state [NAME] ( ... )",
// or "matrix NAME ( ... )".
enum class Label { NONE, OPTIONAL, REQUIRED };

class Reader {
 public:
  Reader(Tokenizer& tokens, ReadResult& result)
      : tok_(tokens), result_(result), shape_(result.shape), problems_(result.problems) {}

  void Run();

 private:
  struct Item {
    enum Kind { WORD, LIST, END } kind = END;
    std::string_view text;  // a word, or a list's name; valid until two more tokens are read
    Line line = 0;
  };

  Item NextItem(const Ctx& in);
  bool IsPlace(std::string_view list, std::string_view name);
  bool Misplaced(const Item& item, const Ctx& in);
  void Other(const Item& item, const Ctx& in);
  bool Cut() const { return unwindTo_ >= 0 || endReported_; }
  void SkipList(const Ctx& list);
  void ReportEnd(const Ctx& in, Line line);
  void Unexpected(const Item& item, const Ctx& in);

  bool Int(const Item& w, const Ctx& in, int& out);
  bool Long(const Item& w, const Ctx& in, long& out);
  bool Hex(const Item& w, const Ctx& in, uint32_t& out);
  bool Float(const Item& w, const Ctx& in, float& out);
  void WordCount(const Ctx& in, int got, int wanted);

  template <class OnChild>
  void CountedList(const Ctx& list, std::string_view child, Foreign foreign, Label label,
                   OnChild onChild);
  template <class OnValue>
  void CountedWords(const Ctx& list, int group, OnValue onValue);
  template <class OnValue>
  int Values(const Ctx& list, OnValue onValue);
  void Floats(const Ctx& list, float* out, int n);
  std::string OneName(const Ctx& list);
  RawItem Raw(const Ctx& list);
  void Required(bool seen, const char* what, const Ctx& in);
  bool Once(bool& seen, const Item& item, const Ctx& in);

  void ReadShapeBlock(const Ctx& ctx);
  void ReadTexture(const Ctx& ctx);
  void ReadLightModelCfg(const Ctx& ctx);
  void ReadVtxState(const Ctx& ctx);
  void ReadPrimState(const Ctx& ctx, std::string name);
  void ReadLodControl(const Ctx& ctx);
  void ReadDistanceLevel(const Ctx& ctx, int lodControl);
  void ReadSubObject(const Ctx& ctx, SubObject& sub);
  void ReadSubObjectHeader(const Ctx& ctx, SubObject& sub);
  void ReadGeometryInfo(const Ctx& ctx, SubObject& sub);
  void ReadGeometryNode(const Ctx& ctx, SubObject& sub);
  void ReadVertex(const Ctx& ctx, SubObject& sub);
  void ReadPrimitives(const Ctx& ctx, SubObject& sub);
  void ReadTriList(const Ctx& ctx, TriList& list);
  void ReadAnimation(const Ctx& ctx);
  void ReadAnimNode(const Ctx& ctx, AnimNode& node);
  void ReadKey(const Ctx& ctx, Controller& c);

  Tokenizer& tok_;
  ReadResult& result_;
  Shape& shape_;
  Problems& problems_;
  bool endReported_ = false;
  // Closing the lists whose ')' is missing: every list deeper than unwindTo_ ends, and the list
  // at that depth goes on with the pending item.
  int unwindTo_ = -1;
  Item pending_;
  std::string pendingName_;
  Line lastClose_ = 0;        // the line of the last ')' that closed a known list
  Line earlyReportedIn_ = 0;  // the list in which an early ')' was last reported
  // Whether the list asked about last holds known lists (most lists are asked about many
  // times in a row: every point of points).
  std::string lastAsked_;
  bool lastAskedHolds_ = false;
};

// Whether list is the place of the list named name.
bool Reader::IsPlace(std::string_view list, std::string_view name) {
  if (list != lastAsked_) {
    lastAsked_ = std::string(list);
    lastAskedHolds_ = HoldsKnownLists(list);
  }
  if (!lastAskedHolds_) return false;
  const char* place = PlaceOf(name);
  return place && list == place;
}

Reader::Item Reader::NextItem(const Ctx& in) {
  if (unwindTo_ >= 0) {
    if (in.depth > unwindTo_) return Item();
    unwindTo_ = -1;
    Item item = pending_;
    item.text = pendingName_;
    return item;
  }
  Token t = tok_.Next();
  Item item;
  item.line = t.line;
  switch (t.kind) {
    case Token::END:
      ReportEnd(in, t.line);
      return item;
    case Token::CLOSE:
      // A list is not closed by a ')' that one of its own items follows: that ')' is one too
      // many.
      if (tok_.Peek().kind == Token::WORD && IsPlace(in.name, tok_.Peek().text)) {
        problems_.Add(t.line, "a ')' too many in ", in.name, " (line ", in.line, ")");
        result_.unbalanced = true;
        return NextItem(in);
      }
      lastClose_ = t.line;
      return item;
    case Token::OPEN:
      problems_.Add(t.line, "'(' without a name in ", in.name);
      item.kind = Item::LIST;
      return item;
    case Token::WORD:
      break;
  }
  if (t.unterminated) problems_.Add(t.line, "a quoted name without its closing quote");
  item.text = t.text;
  if (tok_.Peek().kind == Token::OPEN) {
    tok_.Next();
    item.kind = Item::LIST;
  } else {
    item.kind = Item::WORD;
  }
  return item;
}

bool Reader::Misplaced(const Item& item, const Ctx& in) {
  if (item.kind != Item::LIST) return false;
  const char* place = PlaceOf(item.text);
  if (!place || in.name == place) return false;
  // Its place is a list inside this one, which a ')' too many has closed early.
  const char* placeOfPlace = PlaceOf(place);
  if (placeOfPlace && in.name == placeOfPlace) {
    if (earlyReportedIn_ != in.line) {
      earlyReportedIn_ = in.line;
      problems_.Add(lastClose_, "a ')' too many: ", place, " ends here, before ", item.text,
                    " on line ", item.line);
      result_.unbalanced = true;
    }
    std::string name(item.text);
    SkipList({name, item.line});
    return true;
  }
  for (const Ctx* a = in.parent; a; a = a->parent) {
    if (a->name != place) continue;
    problems_.Add(in.line, "the ')' of ", in.name, " is missing before ", item.text, " on line ",
                  item.line);
    result_.unbalanced = true;
    pendingName_ = std::string(item.text);
    pending_ = item;
    unwindTo_ = a->depth;
    return true;
  }
  return false;
}

// A list that the list being read does not know: passed over, unless it belongs further out.
void Reader::Other(const Item& item, const Ctx& in) {
  if (Misplaced(item, in)) return;
  std::string name(item.text);
  SkipList({name, item.line});
}

void Reader::ReportEnd(const Ctx& in, Line line) {
  result_.unbalanced = true;
  if (endReported_) return;
  endReported_ = true;
  if (tok_.ReadFailed()) {
    problems_.Add(line, "the file could not be read to its end");
  } else {
    problems_.Add(line, "the file ends before the ')' of ", in.name, " (line ", in.line, ")");
  }
}

// Passes over a list whose '(' has been read, to its ')'.
void Reader::SkipList(const Ctx& list) {
  int depth = 1;
  bool afterWord = false;
  // The list's own items: is it a counted list of named lists?
  int items = 0, lists = 0;
  long count = -1;
  bool countForm = list.name.size() > 1 && list.name.back() == 's';
  while (depth > 0) {
    Token t = tok_.Next();
    switch (t.kind) {
      case Token::END:
        ReportEnd(list, t.line);
        return;
      case Token::CLOSE:
        --depth;
        afterWord = false;
        break;
      case Token::OPEN:
        if (!afterWord) problems_.Add(t.line, "'(' without a name in ", list.name);
        if (depth == 1) {
          ++items;
          ++lists;
        }
        ++depth;
        afterWord = false;
        break;
      case Token::WORD:
        if (t.unterminated) problems_.Add(t.line, "a quoted name without its closing quote");
        if (depth == 1) {
          if (tok_.Peek().kind == Token::OPEN) {
            tok_.Next();
            ++items;
            ++lists;
            ++depth;
            afterWord = false;
            break;
          }
          if (items == 0 && LooksLikeCount(t.text)) {
            ParseLong(t.text, count);
          } else {
            countForm = false;
          }
          ++items;
        }
        afterWord = true;
        break;
    }
  }
  if (countForm && count >= 0 && count != lists) {
    problems_.Add(list.line, list.name, " count is ", count, " but ", lists, " items follow");
  }
}

void Reader::Unexpected(const Item& item, const Ctx& in) {
  if (Misplaced(item, in)) return;
  if (item.kind == Item::WORD) {
    problems_.Add(item.line, "unexpected word '", item.text, "' in ", in.name);
  } else {
    std::string name(item.text);
    problems_.Add(item.line, "unexpected ", name.empty() ? "list" : name, " in ", in.name);
    SkipList({name, item.line});
  }
}

bool Reader::Long(const Item& w, const Ctx& in, long& out) {
  if (ParseLong(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not an integer");
  return false;
}

bool Reader::Int(const Item& w, const Ctx& in, int& out) {
  long v = 0;
  if (!Long(w, in, v)) return false;
  if (v < INT_MIN || v > INT_MAX) {
    problems_.Add(w.line, in.name, ": ", v, " is too large");
    return false;
  }
  out = int(v);
  return true;
}

bool Reader::Hex(const Item& w, const Ctx& in, uint32_t& out) {
  if (ParseHex(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not a hexadecimal number of 32 bits");
  return false;
}

bool Reader::Float(const Item& w, const Ctx& in, float& out) {
  if (ParseFloat(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not a finite number");
  return false;
}

void Reader::WordCount(const Ctx& in, int got, int wanted) {
  if (got != wanted && !Cut()) {
    problems_.Add(in.line, in.name, " has ", got, got == 1 ? " value" : " values", ", not ",
                  wanted);
  }
}

void Reader::Required(bool seen, const char* what, const Ctx& in) {
  if (!seen && !Cut()) problems_.Add(in.line, in.name, " has no ", what);
}

// True for the first of a part that may appear once; a second one is reported and passed over.
bool Reader::Once(bool& seen, const Item& item, const Ctx& in) {
  if (!seen) {
    seen = true;
    return true;
  }
  std::string name(item.text);
  problems_.Add(item.line, in.name, " has a second ", name);
  SkipList({name, item.line});
  return false;
}

// "NAME ( count child ( ... ) ... )": onChild(ctx, label) reads each child list, whose '(' has
// been read, to its ')'; ctx names the child (the child's name, or the other name found) and
// the list around it.
template <class OnChild>
void Reader::CountedList(const Ctx& list, std::string_view child, Foreign foreign, Label label,
                         OnChild onChild) {
  long count = -1;
  bool countSeen = false;
  int items = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD && !countSeen && items == 0) {
      countSeen = true;
      if (ParseLong(item.text, count) && count >= 0) continue;
      problems_.Add(item.line, list.name, ": '", item.text, "' is not a count");
      count = -1;
      continue;
    }
    if (item.kind == Item::WORD && label != Label::NONE && item.text == child) {
      // "matrix NAME (": the word was not followed by '(', so a name or ')' or the end is next.
      Token name = tok_.Next();
      if (name.kind != Token::WORD) {
        problems_.Add(item.line, child, " without a name and '(' in ", list.name);
        if (name.kind == Token::END) ReportEnd(list, name.line);
        break;
      }
      std::string labelText(name.text);
      if (tok_.Peek().kind != Token::OPEN) {
        problems_.Add(item.line, child, " ", labelText, " is not followed by '('");
        continue;
      }
      tok_.Next();
      ++items;
      onChild(In(list, child, item.line), std::move(labelText));
      continue;
    }
    if (item.kind == Item::WORD) {
      problems_.Add(item.line, "unexpected word '", item.text, "' in ", list.name);
      continue;
    }
    if (item.text == child) {
      ++items;
      if (label == Label::REQUIRED) problems_.Add(item.line, child, " without a name");
      onChild(In(list, child, item.line), std::string());
    } else if (foreign == Foreign::REPORT) {
      if (Misplaced(item, list)) continue;
      ++items;
      Unexpected(item, list);
    } else {
      if (Misplaced(item, list)) continue;
      ++items;
      const std::string name(item.text);
      onChild(In(list, name, item.line), std::string());
    }
  }
  if (Cut()) return;
  if (!countSeen) {
    problems_.Add(list.line, list.name, " has no count");
  } else if (count >= 0 && count != items) {
    problems_.Add(list.line, list.name, " count is ", count, " but ", items,
                  items == 1 ? " item follows" : " items follow");
  }
}

// "NAME ( count values... )" with group values per counted entry; onValue(item) for each value.
template <class OnValue>
void Reader::CountedWords(const Ctx& list, int group, OnValue onValue) {
  long count = -1;
  bool countSeen = false;
  long values = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      Unexpected(item, list);
      continue;
    }
    if (!countSeen) {
      countSeen = true;
      if (!ParseLong(item.text, count) || count < 0) {
        problems_.Add(item.line, list.name, ": '", item.text, "' is not a count");
        count = -1;
      }
      continue;
    }
    ++values;
    onValue(item);
  }
  if (Cut()) return;
  if (!countSeen) {
    problems_.Add(list.line, list.name, " has no count");
  } else if (count >= 0 && count * group != values) {
    if (group == 1) {
      problems_.Add(list.line, list.name, " count is ", count, " but ", values,
                    values == 1 ? " value follows" : " values follow");
    } else {
      problems_.Add(list.line, list.name, " count is ", count, " but ", values, " values follow (",
                    group, " per entry)");
    }
  }
}

// A list of values: onValue(position, item) for each.
template <class OnValue>
int Reader::Values(const Ctx& list, OnValue onValue) {
  int got = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      Unexpected(item, list);
      continue;
    }
    onValue(got++, item);
  }
  return got;
}

// A list of n numbers, such as "point ( x y z )".
void Reader::Floats(const Ctx& list, float* out, int n) {
  int got = Values(list, [&](int at, const Item& w) {
    if (at < n) Float(w, list, out[at]);
  });
  WordCount(list, got, n);
}

// A list of one name, such as "image ( NAME )".
std::string Reader::OneName(const Ctx& list) {
  std::string name;
  int got = Values(list, [&](int at, const Item& w) {
    if (at == 0) name = std::string(w.text);
  });
  WordCount(list, got, 1);
  return name;
}

// A list whose values are kept as written; lists inside it are passed over.
RawItem Reader::Raw(const Ctx& list) {
  RawItem raw;
  raw.name = std::string(list.name);
  raw.line = list.line;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      Other(item, list);
    } else {
      raw.values.emplace_back(item.text);
    }
  }
  return raw;
}

void Reader::Run() {
  Token first = tok_.Next();
  if (tok_.ReadFailed()) {
    result_.error = "cannot be read";
    return;
  }
  if (first.kind != Token::WORD || first.text.size() != HEADER.size() ||
      first.text.compare(0, 6, HEADER.substr(0, 6)) != 0) {
    result_.error = "not a shape text file: it does not begin with " + std::string(HEADER);
    return;
  }
  result_.readable = true;
  if (first.text != HEADER) {
    problems_.Add(first.line, "the header is ", first.text, ", not ", HEADER);
  }
  if (first.offset != 0) problems_.Add(first.line, "the header does not begin the file");

  bool shapeSeen = false;
  while (true) {
    Token t = tok_.Next();
    if (t.kind == Token::END) {
      if (tok_.ReadFailed()) problems_.Add(t.line, "the file could not be read to its end");
      if (!shapeSeen) problems_.Add(t.line, "the file holds no shape ( ... )");
      return;
    }
    if (t.kind == Token::CLOSE) {
      problems_.Add(t.line, "')' without a matching '('");
      result_.unbalanced = true;
      continue;
    }
    if (t.kind == Token::OPEN) {
      problems_.Add(t.line, "'(' without a name");
      SkipList({"a list without a name", t.line});
      continue;
    }
    if (tok_.Peek().kind != Token::OPEN) {
      problems_.Add(t.line, "unexpected word '", t.text, "' outside the shape");
      continue;
    }
    std::string name(t.text);
    tok_.Next();
    if (name == "shape" && !shapeSeen) {
      shapeSeen = true;
      ReadShapeBlock({"shape", t.line, nullptr, 1});
    } else {
      problems_.Add(t.line, name == "shape" ? "a second shape" : "unexpected " + name,
                    " outside the shape");
      SkipList({name, t.line});
    }
  }
}

void Reader::ReadShapeBlock(const Ctx& ctx) {
  // The first line of each known block, to report a second one.
  static const char* const BLOCKS[] = {
      "shape_header",    "volumes",          "shader_names", "texture_filter_names",
      "points",          "uv_points",        "normals",      "sort_vectors",
      "colours",         "matrices",         "images",       "textures",
      "light_materials", "light_model_cfgs", "vtx_states",   "prim_states",
      "lod_controls",    "animations"};
  constexpr size_t NUM_BLOCKS = sizeof BLOCKS / sizeof BLOCKS[0];
  Line firstLine[NUM_BLOCKS] = {};

  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
      continue;
    }
    const std::string name(item.text);
    const Ctx block = In(ctx, name, item.line);
    shape_.blocks.push_back({name, item.line});
    size_t known = 0;
    while (known < NUM_BLOCKS && name != BLOCKS[known]) ++known;
    if (known == NUM_BLOCKS) {
      SkipList(block);
      continue;
    }
    if (firstLine[known]) {
      problems_.Add(item.line, "a second ", name, " block (the first is on line ", firstLine[known],
                    ")");
      SkipList(block);
      continue;
    }
    firstLine[known] = item.line;

    if (name == "shape_header") {
      int got = Values(block, [&](int at, const Item& w) {
        if (at < 2) Hex(w, block, shape_.headerFlags[at]);
      });
      WordCount(block, got, 2);
    } else if (name == "volumes") {
      CountedList(block, "vol_sphere", Foreign::REPORT, Label::NONE, [&](const Ctx& c, auto) {
        Sphere s;
        bool vectorSeen = false;
        int got = 0;
        while (true) {
          Item v = NextItem(c);
          if (v.kind == Item::END) break;
          if (v.kind == Item::WORD) {
            if (got++ == 0) Float(v, c, s.radius);
          } else if (v.text == "vector") {
            if (!Once(vectorSeen, v, c)) continue;
            float centre[3] = {0, 0, 0};
            Floats(In(c, "vector", v.line), centre, 3);
            s.centre = {centre[0], centre[1], centre[2]};
          } else {
            Unexpected(v, c);
          }
        }
        Required(vectorSeen, "vector", c);
        WordCount(c, got, 1);
        shape_.volumes.push_back(s);
      });
    } else if (name == "shader_names" || name == "texture_filter_names" || name == "images") {
      std::vector<std::string>& names = name == "shader_names" ? shape_.shaders
                                        : name == "images"     ? shape_.images
                                                               : shape_.filterModes;
      const char* child = name == "shader_names" ? "named_shader"
                          : name == "images"     ? "image"
                                                 : "named_filter_mode";
      CountedList(block, child, Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { names.push_back(OneName(c)); });
    } else if (name == "points" || name == "normals" || name == "sort_vectors") {
      std::vector<Vec3>& list = name == "points"    ? shape_.points
                                : name == "normals" ? shape_.normals
                                                    : shape_.sortVectors;
      const char* child = name == "points" ? "point" : "vector";
      CountedList(block, child, Foreign::REPORT, Label::NONE, [&](const Ctx& c, auto) {
        float v[3] = {0, 0, 0};
        Floats(c, v, 3);
        list.push_back({v[0], v[1], v[2]});
      });
    } else if (name == "uv_points") {
      CountedList(block, "uv_point", Foreign::REPORT, Label::NONE, [&](const Ctx& c, auto) {
        float uv[2] = {0, 0};
        Floats(c, uv, 2);
        shape_.uvPoints.push_back({uv[0], uv[1]});
      });
    } else if (name == "colours") {
      CountedList(block, "colour", Foreign::REPORT, Label::NONE, [&](const Ctx& c, auto) {
        SkipList(c);
        ++shape_.colours;
      });
    } else if (name == "matrices") {
      CountedList(block, "matrix", Foreign::REPORT, Label::REQUIRED,
                  [&](const Ctx& c, std::string label) {
                    Matrix m;
                    m.name = std::move(label);
                    m.line = c.line;
                    Floats(c, m.m, 12);
                    shape_.matrices.push_back(std::move(m));
                  });
    } else if (name == "textures") {
      CountedList(block, "texture", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { ReadTexture(c); });
    } else if (name == "light_materials") {
      CountedList(block, "light_material", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { shape_.lightMaterials.push_back(Raw(c)); });
    } else if (name == "light_model_cfgs") {
      CountedList(block, "light_model_cfg", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { ReadLightModelCfg(c); });
    } else if (name == "vtx_states") {
      CountedList(block, "vtx_state", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { ReadVtxState(c); });
    } else if (name == "prim_states") {
      CountedList(block, "prim_state", Foreign::REPORT, Label::OPTIONAL,
                  [&](const Ctx& c, std::string label) { ReadPrimState(c, std::move(label)); });
    } else if (name == "lod_controls") {
      CountedList(block, "lod_control", Foreign::PASS, Label::NONE, [&](const Ctx& c, auto) {
        if (c.name == "lod_control") {
          ReadLodControl(c);
        } else {
          SkipList(c);
        }
      });
    } else if (name == "animations") {
      CountedList(block, "animation", Foreign::PASS, Label::NONE, [&](const Ctx& c, auto) {
        if (c.name == "animation") {
          ReadAnimation(c);
        } else {
          SkipList(c);
        }
      });
    }
  }
  for (size_t b = 0; b < NUM_BLOCKS; ++b) {
    if (!firstLine[b] && !strcmp(BLOCKS[b], "lod_controls")) {
      problems_.Add(ctx.line, "the shape has no lod_controls");
    }
  }
}

void Reader::ReadTexture(const Ctx& ctx) {
  Texture t;
  t.line = ctx.line;
  int got = Values(ctx, [&](int at, const Item& w) {
    switch (at) {
      case 0:
        Int(w, ctx, t.image);
        break;
      case 1:
        Int(w, ctx, t.filterMode);
        break;
      case 2:
        Float(w, ctx, t.mipBias);
        break;
      case 3:
        Hex(w, ctx, t.borderColour);
        break;
    }
  });
  WordCount(ctx, got, 4);
  shape_.textures.push_back(t);
}

void Reader::ReadLightModelCfg(const Ctx& ctx) {
  LightModelCfg cfg;
  cfg.line = ctx.line;
  bool uvOpsSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      if (got++ == 0) Hex(item, ctx, cfg.flags);
    } else if (item.text == "uv_ops") {
      if (!Once(uvOpsSeen, item, ctx)) continue;
      CountedList(In(ctx, "uv_ops", item.line), "", Foreign::PASS, Label::NONE,
                  [&](const Ctx& c, auto) { cfg.uvOps.push_back(Raw(c)); });
    } else {
      Other(item, ctx);
    }
  }
  Required(uvOpsSeen, "uv_ops", ctx);
  WordCount(ctx, got, 1);
  shape_.lightModelCfgs.push_back(std::move(cfg));
}

void Reader::ReadVtxState(const Ctx& ctx) {
  VtxState s;
  s.line = ctx.line;
  int got = Values(ctx, [&](int at, const Item& w) {
    switch (at) {
      case 0:
        Hex(w, ctx, s.flags);
        break;
      case 1:
        Int(w, ctx, s.matrix);
        break;
      case 2:
        Int(w, ctx, s.lightMaterial);
        break;
      case 3:
        Int(w, ctx, s.lightCfg);
        break;
      case 4:
        Hex(w, ctx, s.flags2);
        break;
    }
  });
  WordCount(ctx, got, 5);
  shape_.vtxStates.push_back(s);
}

void Reader::ReadPrimState(const Ctx& ctx, std::string name) {
  PrimState s;
  s.name = std::move(name);
  s.line = ctx.line;
  bool texSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      if (item.text != "tex_idxs") {
        Other(item, ctx);
      } else if (Once(texSeen, item, ctx)) {
        const Ctx tex = In(ctx, "tex_idxs", item.line);
        CountedWords(tex, 1, [&](const Item& w) {
          int t = -1;
          Int(w, tex, t);
          s.textures.push_back(t);
        });
      }
      continue;
    }
    if (got == 2) s.valuesLine = item.line;
    switch (got++) {
      case 0:
        Hex(item, ctx, s.flags);
        break;
      case 1:
        Int(item, ctx, s.shader);
        break;
      case 2:
        Float(item, ctx, s.zBias);
        break;
      case 3:
        Int(item, ctx, s.vtxState);
        break;
      case 4:
        Int(item, ctx, s.alphaTestMode);
        break;
      case 5:
        Int(item, ctx, s.lightCfg);
        break;
      case 6:
        Int(item, ctx, s.zBufMode);
        break;
    }
  }
  Required(texSeen, "tex_idxs", ctx);
  WordCount(ctx, got, 7);
  shape_.primStates.push_back(std::move(s));
}

void Reader::ReadLodControl(const Ctx& ctx) {
  const int lodControl = shape_.lodControls++;
  bool levelsSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
    } else if (item.text == "distance_levels") {
      if (!Once(levelsSeen, item, ctx)) continue;
      CountedList(In(ctx, "distance_levels", item.line), "distance_level", Foreign::REPORT,
                  Label::NONE, [&](const Ctx& c, auto) { ReadDistanceLevel(c, lodControl); });
    } else {
      Other(item, ctx);
    }
  }
  Required(levelsSeen, "distance_levels", ctx);
}

void Reader::ReadDistanceLevel(const Ctx& ctx, int lodControl) {
  DistanceLevel level;
  level.lodControl = lodControl;
  level.line = ctx.line;
  bool headerSeen = false, subsSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
    } else if (item.text == "distance_level_header") {
      if (!Once(headerSeen, item, ctx)) continue;
      const Ctx header = In(ctx, "distance_level_header", item.line);
      bool selectionSeen = false, hierarchySeen = false;
      while (true) {
        Item h = NextItem(header);
        if (h.kind == Item::END) break;
        if (h.kind == Item::WORD) {
          Unexpected(h, header);
        } else if (h.text == "dlevel_selection") {
          if (Once(selectionSeen, h, header)) {
            Floats(In(header, "dlevel_selection", h.line), &level.distance, 1);
          }
        } else if (h.text == "hierarchy") {
          if (!Once(hierarchySeen, h, header)) continue;
          const Ctx hierarchy = In(header, "hierarchy", h.line);
          level.hierarchyLine = h.line;
          CountedWords(hierarchy, 1, [&](const Item& w) {
            int parent = -2;
            Int(w, hierarchy, parent);
            level.hierarchy.push_back(parent);
          });
        } else {
          Other(h, header);
        }
      }
      Required(selectionSeen, "dlevel_selection", header);
      Required(hierarchySeen, "hierarchy", header);
    } else if (item.text == "sub_objects") {
      if (!Once(subsSeen, item, ctx)) continue;
      CountedList(In(ctx, "sub_objects", item.line), "sub_object", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) {
                    level.subObjects.emplace_back();
                    ReadSubObject(c, level.subObjects.back());
                  });
    } else {
      Other(item, ctx);
    }
  }
  Required(headerSeen, "distance_level_header", ctx);
  Required(subsSeen, "sub_objects", ctx);
  shape_.distanceLevels.push_back(std::move(level));
}

void Reader::ReadSubObject(const Ctx& ctx, SubObject& sub) {
  sub.line = ctx.line;
  bool headerSeen = false, verticesSeen = false, setsSeen = false, primitivesSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
    } else if (item.text == "sub_object_header") {
      if (Once(headerSeen, item, ctx)) {
        ReadSubObjectHeader(In(ctx, "sub_object_header", item.line), sub);
      }
    } else if (item.text == "vertices") {
      if (!Once(verticesSeen, item, ctx)) continue;
      CountedList(In(ctx, "vertices", item.line), "vertex", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) { ReadVertex(c, sub); });
    } else if (item.text == "vertex_sets") {
      if (!Once(setsSeen, item, ctx)) continue;
      CountedList(In(ctx, "vertex_sets", item.line), "vertex_set", Foreign::REPORT, Label::NONE,
                  [&](const Ctx& c, auto) {
                    VertexSet s;
                    s.line = c.line;
                    int got = Values(c, [&](int at, const Item& w) {
                      switch (at) {
                        case 0:
                          Int(w, c, s.vtxState);
                          break;
                        case 1:
                          Int(w, c, s.first);
                          break;
                        case 2:
                          Int(w, c, s.count);
                          break;
                      }
                    });
                    WordCount(c, got, 3);
                    sub.vertexSets.push_back(s);
                  });
    } else if (item.text == "primitives") {
      if (Once(primitivesSeen, item, ctx)) ReadPrimitives(In(ctx, "primitives", item.line), sub);
    } else {
      Other(item, ctx);
    }
  }
  sub.complete = !endReported_;
  Required(headerSeen, "sub_object_header", ctx);
  Required(verticesSeen, "vertices", ctx);
  Required(setsSeen, "vertex_sets", ctx);
  Required(primitivesSeen, "primitives", ctx);
}

void Reader::ReadSubObjectHeader(const Ctx& ctx, SubObject& sub) {
  sub.headerLine = ctx.line;
  bool infoSeen = false, shadersSeen = false, cfgsSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      switch (got++) {
        case 0:
          Hex(item, ctx, sub.flags);
          break;
        case 1:
          Int(item, ctx, sub.sortVector);
          break;
        case 2:
          Int(item, ctx, sub.volume);
          break;
        case 3:
          Hex(item, ctx, sub.vertexFlags);
          break;
        case 4:
          Hex(item, ctx, sub.lightFlags);
          break;
        case 5:
          Long(item, ctx, sub.id);
          break;
      }
    } else if (item.text == "geometry_info") {
      if (Once(infoSeen, item, ctx)) ReadGeometryInfo(In(ctx, "geometry_info", item.line), sub);
    } else if (item.text == "subobject_shaders" || item.text == "subobject_light_cfgs") {
      const bool shaders = item.text == "subobject_shaders";
      if (!Once(shaders ? shadersSeen : cfgsSeen, item, ctx)) continue;
      const Ctx list = In(ctx, shaders ? "subobject_shaders" : "subobject_light_cfgs", item.line);
      std::vector<int>& values = shaders ? sub.shaders : sub.lightCfgs;
      (shaders ? sub.shadersLine : sub.lightCfgsLine) = item.line;
      CountedWords(list, 1, [&](const Item& w) {
        int v = -1;
        Int(w, list, v);
        values.push_back(v);
      });
    } else {
      Other(item, ctx);
    }
  }
  Required(infoSeen, "geometry_info", ctx);
  Required(shadersSeen, "subobject_shaders", ctx);
  Required(cfgsSeen, "subobject_light_cfgs", ctx);
  WordCount(ctx, got, 6);
}

void Reader::ReadGeometryNode(const Ctx& ctx, SubObject& sub) {
  GeometryNode g;
  g.line = ctx.line;
  bool cullableSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      int v = 0;
      if (Int(item, ctx, v) && got == 0) g.vertexSets = v;
      ++got;
    } else if (item.text == "cullable_prims") {
      if (!Once(cullableSeen, item, ctx)) continue;
      const Ctx cullable = In(ctx, "cullable_prims", item.line);
      g.cullableLine = item.line;
      int* values[3] = {&g.cullableTriLists, &g.cullableTriangles, &g.cullableIndices};
      int n = Values(cullable, [&](int at, const Item& w) {
        if (at < 3) Int(w, cullable, *values[at]);
      });
      WordCount(cullable, n, 3);
    } else {
      Other(item, ctx);
    }
  }
  Required(cullableSeen, "cullable_prims", ctx);
  WordCount(ctx, got, 5);
  sub.geometryNodes.push_back(g);
}

void Reader::ReadGeometryInfo(const Ctx& ctx, SubObject& sub) {
  sub.geometryInfoLine = ctx.line;
  bool nodesSeen = false, mapSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      long v = 0;
      Long(item, ctx, v);
      sub.geometryInfo.push_back(v);
    } else if (item.text == "geometry_nodes") {
      if (!Once(nodesSeen, item, ctx)) continue;
      CountedList(In(ctx, "geometry_nodes", item.line), "geometry_node", Foreign::REPORT,
                  Label::NONE, [&](const Ctx& c, auto) { ReadGeometryNode(c, sub); });
    } else if (item.text == "geometry_node_map") {
      if (!Once(mapSeen, item, ctx)) continue;
      const Ctx map = In(ctx, "geometry_node_map", item.line);
      sub.nodeMapLine = item.line;
      CountedWords(map, 1, [&](const Item& w) {
        int v = -1;
        Int(w, map, v);
        sub.nodeMap.push_back(v);
      });
    } else {
      Other(item, ctx);
    }
  }
  Required(nodesSeen, "geometry_nodes", ctx);
  Required(mapSeen, "geometry_node_map", ctx);
  WordCount(ctx, int(sub.geometryInfo.size()), 10);
}

void Reader::ReadVertex(const Ctx& ctx, SubObject& sub) {
  Vertex v;
  v.line = ctx.line;
  v.uvBegin = uint32_t(sub.uvs.size());
  bool uvsSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      if (item.text != "vertex_uvs") {
        Other(item, ctx);
      } else if (Once(uvsSeen, item, ctx)) {
        const Ctx uvs = In(ctx, "vertex_uvs", item.line);
        v.uvsLine = item.line;
        CountedWords(uvs, 1, [&](const Item& w) {
          int uv = -1;
          Int(w, uvs, uv);
          sub.uvs.push_back(uv);
          ++v.uvCount;
        });
      }
      continue;
    }
    switch (got++) {
      case 0:
        Hex(item, ctx, v.flags);
        break;
      case 1:
        Int(item, ctx, v.point);
        break;
      case 2:
        Int(item, ctx, v.normal);
        break;
      case 3:
        Hex(item, ctx, v.colour1);
        break;
      case 4:
        Hex(item, ctx, v.colour2);
        break;
    }
  }
  Required(uvsSeen, "vertex_uvs", ctx);
  WordCount(ctx, got, 5);
  sub.vertices.push_back(v);
}

void Reader::ReadPrimitives(const Ctx& ctx, SubObject& sub) {
  sub.primitivesLine = ctx.line;
  int state = -1;
  Line stateLine = 0;
  bool stateJustSet = false;
  CountedList(ctx, "", Foreign::PASS, Label::NONE, [&](const Ctx& c, auto) {
    ++sub.primitiveItems;
    if (c.name == "prim_state_idx") {
      int got = Values(c, [&](int at, const Item& w) {
        if (at == 0) {
          state = -1;
          Int(w, c, state);
        }
      });
      WordCount(c, got, 1);
      sub.primStateIdxs.push_back({state, c.line});
      stateLine = c.line;
      stateJustSet = true;
    } else if (c.name == "indexed_trilist") {
      sub.triLists.emplace_back();
      TriList& list = sub.triLists.back();
      list.primState = state;
      list.primStateLine = stateLine;
      list.ownPrimStateIdx = stateJustSet;
      ReadTriList(c, list);
      stateJustSet = false;
    } else {
      ++sub.otherPrimitives;
      stateJustSet = false;
      SkipList(c);
    }
  });
}

void Reader::ReadTriList(const Ctx& ctx, TriList& list) {
  list.line = ctx.line;
  bool vertexSeen = false, normalSeen = false, flagsSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
    } else if (item.text == "vertex_idxs") {
      if (!Once(vertexSeen, item, ctx)) continue;
      const Ctx idxs = In(ctx, "vertex_idxs", item.line);
      list.vertexIdxsLine = item.line;
      CountedWords(idxs, 1, [&](const Item& w) {
        int v = -1;
        Int(w, idxs, v);
        list.vertexIdxs.push_back(v);
      });
    } else if (item.text == "normal_idxs") {
      if (!Once(normalSeen, item, ctx)) continue;
      const Ctx idxs = In(ctx, "normal_idxs", item.line);
      list.normalIdxsLine = item.line;
      bool first = true;
      CountedWords(idxs, 2, [&](const Item& w) {
        int v = -1;
        Int(w, idxs, v);
        if (first) list.normalIdxs.push_back(v);
        first = !first;
      });
    } else if (item.text == "flags") {
      if (!Once(flagsSeen, item, ctx)) continue;
      const Ctx flags = In(ctx, "flags", item.line);
      list.flagsLine = item.line;
      CountedWords(flags, 1, [&](const Item& w) {
        uint32_t f = 0;
        Hex(w, flags, f);
        ++list.flagsCount;
      });
    } else {
      Other(item, ctx);
    }
  }
  Required(vertexSeen, "vertex_idxs", ctx);
  Required(normalSeen, "normal_idxs", ctx);
  Required(flagsSeen, "flags", ctx);
}

void Reader::ReadAnimation(const Ctx& ctx) {
  Animation a;
  a.line = ctx.line;
  bool nodesSeen = false;
  int got = 0;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      switch (got++) {
        case 0:
          Int(item, ctx, a.frames);
          break;
        case 1:
          Int(item, ctx, a.frameRate);
          break;
      }
    } else if (item.text == "anim_nodes") {
      if (!Once(nodesSeen, item, ctx)) continue;
      CountedList(In(ctx, "anim_nodes", item.line), "anim_node", Foreign::REPORT, Label::REQUIRED,
                  [&](const Ctx& c, std::string label) {
                    a.nodes.emplace_back();
                    a.nodes.back().name = std::move(label);
                    ReadAnimNode(c, a.nodes.back());
                  });
    } else {
      Other(item, ctx);
    }
  }
  Required(nodesSeen, "anim_nodes", ctx);
  WordCount(ctx, got, 2);
  shape_.animations.push_back(std::move(a));
}

// A key of a tcb_rot (frame and nine numbers) or linear_pos (frame and three numbers).
void Reader::ReadKey(const Ctx& ctx, Controller& c) {
  const bool rot = c.kind == "tcb_rot";
  const int wanted = rot ? 10 : 4;
  float values[10] = {};
  int frame = 0;
  int got = Values(ctx, [&](int at, const Item& w) {
    if (at == 0) {
      Int(w, ctx, frame);
    } else if (at < wanted) {
      Float(w, ctx, values[at]);
    }
  });
  WordCount(ctx, got, wanted);
  if (rot) {
    RotKey r;
    r.frame = frame;
    r.x = values[1];
    r.y = values[2];
    r.z = values[3];
    r.w = values[4];
    for (int t = 0; t < 5; ++t) r.tcb[t] = values[5 + t];
    r.line = ctx.line;
    c.rotKeys.push_back(r);
  } else {
    c.posKeys.push_back({frame, {values[1], values[2], values[3]}, ctx.line});
  }
}

void Reader::ReadAnimNode(const Ctx& ctx, AnimNode& node) {
  node.line = ctx.line;
  bool controllersSeen = false;
  while (true) {
    Item item = NextItem(ctx);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD) {
      Unexpected(item, ctx);
    } else if (item.text == "controllers") {
      if (!Once(controllersSeen, item, ctx)) continue;
      CountedList(In(ctx, "controllers", item.line), "", Foreign::PASS, Label::NONE,
                  [&](const Ctx& c, auto) {
                    node.controllers.emplace_back();
                    Controller& controller = node.controllers.back();
                    controller.kind = std::string(c.name);
                    controller.line = c.line;
                    const bool rot = controller.kind == "tcb_rot";
                    if (!rot && controller.kind != "linear_pos") {
                      SkipList(c);
                      return;
                    }
                    CountedList(c, rot ? "tcb_key" : "linear_key", Foreign::PASS, Label::NONE,
                                [&](const Ctx& k, auto) {
                                  if (k.name == (rot ? "tcb_key" : "linear_key")) {
                                    ReadKey(k, controller);
                                  } else {
                                    SkipList(k);
                                  }
                                });
                  });
    } else {
      Other(item, ctx);
    }
  }
  Required(controllersSeen, "controllers", ctx);
}

void AddChecks(ReadResult& r, bool trimorphLayout) {
  if (!r.readable) return;
  CheckShape(r.shape, r.problems);
  if (trimorphLayout) CheckTrimorphLayout(r.shape, r.problems);
  r.problems.SortByLine();
}

}  // namespace

ReadResult CheckShapeText(std::string_view text, bool trimorphLayout) {
  ReadResult r = ReadShapeText(text);
  AddChecks(r, trimorphLayout);
  return r;
}

ReadResult CheckShapeFile(const std::string& path, bool trimorphLayout, size_t blockSize) {
  ReadResult r = ReadShapeFile(path, blockSize);
  AddChecks(r, trimorphLayout);
  return r;
}

ReadResult ReadShape(Tokenizer& tokens) {
  ReadResult result;
  Reader(tokens, result).Run();
  return result;
}

ReadResult ReadShapeText(std::string_view text) {
  Tokenizer tokens(text);
  return ReadShape(tokens);
}

ReadResult ReadShapeFile(const std::string& path, size_t blockSize) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    ReadResult r;
    r.error = strerror(errno);
    return r;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    ReadResult r;
    r.error = strerror(EISDIR);
    return r;
  }
  FdSource source(fd);
  Tokenizer tokens(source, blockSize);
  ReadResult result = ReadShape(tokens);
  close(fd);
  if (tokens.ReadFailed()) {
    result.readable = false;
    result.error = strerror(source.Error());
  }
  return result;
}

}  // namespace shapefile
