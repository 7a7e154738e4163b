// Reading the lists of a shape text.
#include "ShapeListReader.h"

#include <climits>
#include <unordered_map>

namespace shapefile::reading {

namespace {

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

// Whether a list of this name can hold known lists.
bool HoldsKnownLists(std::string_view list) {
  static const std::unordered_map<std::string_view, bool> holders = [] {
    std::unordered_map<std::string_view, bool> m;
    for (const auto& p : PLACES) m.emplace(p[1], true);
    return m;
  }();
  return holders.count(list) != 0;
}

}  // namespace

const char* PlaceOf(std::string_view name) {
  static const std::unordered_map<std::string_view, const char*> places = [] {
    std::unordered_map<std::string_view, const char*> m;
    for (const auto& p : PLACES) m.emplace(p[0], p[1]);
    return m;
  }();
  auto found = places.find(name);
  return found == places.end() ? nullptr : found->second;
}

// Whether list is the place of the list named name.
bool ListReader::IsPlace(std::string_view list, std::string_view name) {
  if (list != lastAsked_) {
    lastAsked_ = std::string(list);
    lastAskedHolds_ = HoldsKnownLists(list);
  }
  if (!lastAskedHolds_) return false;
  const char* place = PlaceOf(name);
  return place && list == place;
}

ListReader::Item ListReader::NextItem(const Ctx& in) {
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

bool ListReader::Misplaced(const Item& item, const Ctx& in) {
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
void ListReader::Other(const Item& item, const Ctx& in) {
  if (Misplaced(item, in)) return;
  std::string name(item.text);
  SkipList({name, item.line});
}

void ListReader::ReportEnd(const Ctx& in, Line line) {
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
void ListReader::SkipList(const Ctx& list) {
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

void ListReader::Unexpected(const Item& item, const Ctx& in) {
  if (Misplaced(item, in)) return;
  if (item.kind == Item::WORD) {
    problems_.Add(item.line, "unexpected word '", item.text, "' in ", in.name);
  } else {
    std::string name(item.text);
    problems_.Add(item.line, "unexpected ", name.empty() ? "list" : name, " in ", in.name);
    SkipList({name, item.line});
  }
}

bool ListReader::Long(const Item& w, const Ctx& in, long& out) {
  if (ParseLong(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not an integer");
  return false;
}

bool ListReader::Int(const Item& w, const Ctx& in, int& out) {
  long v = 0;
  if (!Long(w, in, v)) return false;
  if (v < INT_MIN || v > INT_MAX) {
    problems_.Add(w.line, in.name, ": ", v, " is too large");
    return false;
  }
  out = int(v);
  return true;
}

bool ListReader::Hex(const Item& w, const Ctx& in, uint32_t& out) {
  if (ParseHex(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not a hexadecimal number of 32 bits");
  return false;
}

bool ListReader::Float(const Item& w, const Ctx& in, float& out) {
  if (ParseFloat(w.text, out)) return true;
  problems_.Add(w.line, in.name, ": '", w.text, "' is not a finite number");
  return false;
}

void ListReader::WordCount(const Ctx& in, int got, int wanted) {
  if (got != wanted && !Cut()) {
    problems_.Add(in.line, in.name, " has ", got, got == 1 ? " value" : " values", ", not ",
                  wanted);
  }
}

void ListReader::Required(bool seen, const char* what, const Ctx& in) {
  if (!seen && !Cut()) problems_.Add(in.line, in.name, " has no ", what);
}

// True for the first of a part that may appear once; a second one is reported and passed over.
bool ListReader::Once(bool& seen, const Item& item, const Ctx& in) {
  if (!seen) {
    seen = true;
    return true;
  }
  std::string name(item.text);
  problems_.Add(item.line, in.name, " has a second ", name);
  SkipList({name, item.line});
  return false;
}

// A list of n numbers, such as "point ( x y z )".
void ListReader::Floats(const Ctx& list, float* out, int n) {
  int got = Values(list, [&](int at, const Item& w) {
    if (at < n) Float(w, list, out[at]);
  });
  WordCount(list, got, n);
}

// A list of one name, such as "image ( NAME )".
std::string ListReader::OneName(const Ctx& list) {
  std::string name;
  int got = Values(list, [&](int at, const Item& w) {
    if (at == 0) name = std::string(w.text);
  });
  WordCount(list, got, 1);
  return name;
}

// A list whose values are kept as written; lists inside it are passed over.
RawItem ListReader::Raw(const Ctx& list) {
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

}  // namespace shapefile::reading
