// Parsing and structural checks of shape text files.
#include "ShapeFile.h"

#include <cstdlib>
#include <stdexcept>

namespace shapefile {

namespace {

const char* const HEADER = "VELTAA@@@@@@@@@@JINX0s1t______";

struct Parser {
  const std::string& text;
  size_t pos = 0;

  bool AtSpace() const {
    char c = text[pos];
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  }
  void SkipSpace() {
    while (pos < text.size() && AtSpace()) ++pos;
  }
  std::string Word() {
    size_t start = pos;
    while (pos < text.size() && !AtSpace() && text[pos] != '(' && text[pos] != ')') ++pos;
    return text.substr(start, pos - start);
  }
  // Items up to the closing parenthesis of the current list (consumed), or to the end.
  std::vector<Item> Items(bool nested) {
    std::vector<Item> items;
    while (true) {
      SkipSpace();
      if (pos >= text.size()) {
        if (nested) throw std::runtime_error("unbalanced parentheses: missing ')'");
        return items;
      }
      if (text[pos] == ')') {
        if (!nested) throw std::runtime_error("unbalanced parentheses: extra ')'");
        ++pos;
        return items;
      }
      if (text[pos] == '(') {
        // "texture ( 3 0 -3 ff000000)": the word before the parenthesis names the list.
        if (items.empty() || items.back().isList) {
          throw std::runtime_error("a list without a name");
        }
        ++pos;
        // "matrix NAME (" and "anim_node NAME (": a labelled list.
        if (items.size() >= 2 && !items[items.size() - 2].isList &&
            (items[items.size() - 2].word == "matrix" ||
             items[items.size() - 2].word == "anim_node")) {
          std::string label = items.back().word;
          items.pop_back();
          items.back().label = label;
        }
        items.back().isList = true;
        items.back().items = Items(true);
        continue;
      }
      Item item;
      item.word = Word();
      items.push_back(std::move(item));
    }
  }
};

long ToLong(const std::string& word) {
  char* end = nullptr;
  long v = strtol(word.c_str(), &end, 10);
  if (word.empty() || *end) throw std::runtime_error("not a number: '" + word + "'");
  return v;
}

// Collects the problems of one file.
struct Checker {
  std::vector<std::string> problems;

  void Problem(const std::string& what) { problems.push_back(what); }

  // A list whose first word counts its sub-lists of the given name.
  long CountedLists(const Item* list, const std::string& child) {
    if (!list) return 0;
    long n = list->Count();
    long got = long(list->Lists(child).size());
    if (n != got) {
      Problem(list->word + " says " + std::to_string(n) + " but holds " + std::to_string(got) +
              " " + child);
    }
    return got;
  }

  // A list whose first word counts the words that follow it.
  std::vector<long> CountedWords(const Item* list, long expectedCount = -1) {
    std::vector<long> values;
    if (!list) return values;
    std::vector<std::string> words = list->Words();
    for (size_t i = 1; i < words.size(); ++i) values.push_back(ToLong(words[i]));
    long n = ToLong(words.at(0));
    if (n != long(values.size())) {
      Problem(list->word + " says " + std::to_string(n) + " but holds " +
              std::to_string(values.size()) + " values");
    }
    if (expectedCount >= 0 && n != expectedCount) {
      Problem(list->word + " count " + std::to_string(n) + " should be " +
              std::to_string(expectedCount));
    }
    return values;
  }

  void InRange(long index, long size, const std::string& what, bool allowMinusOne = false) {
    if (allowMinusOne && index == -1) return;
    if (index < 0 || index >= size) {
      Problem(what + " index " + std::to_string(index) + " out of range 0.." +
              std::to_string(size - 1));
    }
  }

  const Item* Need(const Item& parent, const std::string& name) {
    const Item* l = parent.List(name);
    if (!l) Problem("missing " + name + " in " + parent.word);
    return l;
  }
};

}  // namespace

std::vector<const Item*> Item::Lists(const std::string& name) const {
  std::vector<const Item*> out;
  for (const Item& i : items) {
    if (i.isList && i.word == name) out.push_back(&i);
  }
  return out;
}

const Item* Item::List(const std::string& name) const {
  for (const Item& i : items) {
    if (i.isList && i.word == name) return &i;
  }
  return nullptr;
}

std::vector<std::string> Item::Words() const {
  std::vector<std::string> out;
  for (const Item& i : items) {
    if (!i.isList) out.push_back(i.word);
  }
  return out;
}

long Item::Count() const {
  for (const Item& i : items) {
    if (!i.isList) return ToLong(i.word);
  }
  throw std::runtime_error(word + " has no count");
}

Item Parse(const std::string& text) {
  if (text.compare(0, 30, HEADER) != 0) throw std::runtime_error("missing header line");
  Parser p{text, 30};
  std::vector<Item> top = p.Items(false);
  if (top.size() != 1 || !top[0].isList || top[0].word != "shape") {
    throw std::runtime_error("expected exactly one shape ( ... ) after the header");
  }
  return top[0];
}

std::vector<std::string> CheckStructure(const std::string& text) {
  Checker c;
  Item shape;
  try {
    shape = Parse(text);
  } catch (const std::exception& e) {
    return {e.what()};
  }
  try {
    long volumes = c.CountedLists(c.Need(shape, "volumes"), "vol_sphere");
    long shaders = c.CountedLists(c.Need(shape, "shader_names"), "named_shader");
    long points = c.CountedLists(c.Need(shape, "points"), "point");
    long uvPoints = c.CountedLists(c.Need(shape, "uv_points"), "uv_point");
    long normals = c.CountedLists(c.Need(shape, "normals"), "vector");
    long sortVectors = c.CountedLists(c.Need(shape, "sort_vectors"), "vector");
    long matrices = c.CountedLists(c.Need(shape, "matrices"), "matrix");
    long images = c.CountedLists(c.Need(shape, "images"), "image");
    const Item* texturesList = c.Need(shape, "textures");
    long textures = c.CountedLists(texturesList, "texture");
    long lightCfgs = c.CountedLists(c.Need(shape, "light_model_cfgs"), "light_model_cfg");
    const Item* vtxStatesList = c.Need(shape, "vtx_states");
    long vtxStates = c.CountedLists(vtxStatesList, "vtx_state");
    const Item* primStatesList = c.Need(shape, "prim_states");
    long primStates = c.CountedLists(primStatesList, "prim_state");
    if (volumes == 0) c.Problem("no volume");
    // Names are single words: an image's file name, a matrix's node name.
    if (const Item* list = shape.List("images")) {
      for (const Item* image : list->Lists("image")) {
        std::vector<std::string> w = image->Words();
        if (w.size() != 1 || w[0].size() < 4 || w[0].compare(w[0].size() - 4, 4, ".ace") != 0) {
          c.Problem("image is not one file name ending in .ace");
        }
      }
    }
    if (const Item* list = shape.List("matrices")) {
      for (const Item* m : list->Lists("matrix")) {
        if (m->label.empty() || m->Words().size() != 12) {
          c.Problem("matrix without a node name or without 12 values");
        }
      }
    }
    if (textures != images) c.Problem("textures and images differ in number");

    if (texturesList) {
      for (const Item* t : texturesList->Lists("texture")) {
        c.InRange(t->Count(), images, "texture image");
      }
    }
    std::vector<long> vtxStateCfg;
    if (vtxStatesList) {
      for (const Item* v : vtxStatesList->Lists("vtx_state")) {
        std::vector<std::string> w = v->Words();
        c.InRange(ToLong(w.at(1)), matrices, "vtx_state matrix");
        c.InRange(ToLong(w.at(3)), lightCfgs, "vtx_state light configuration");
        vtxStateCfg.push_back(ToLong(w.at(3)));
      }
    }
    if (primStatesList) {
      for (const Item* p : primStatesList->Lists("prim_state")) {
        std::vector<std::string> w = p->Words();
        c.InRange(ToLong(w.at(1)), shaders, "prim_state shader");
        for (long t : c.CountedWords(p->List("tex_idxs"))) c.InRange(t, textures, "tex_idxs");
        long state = ToLong(w.at(3));
        c.InRange(state, vtxStates, "prim_state vtx_state");
        long cfg = ToLong(w.at(5));
        if (state >= 0 && size_t(state) < vtxStateCfg.size() && vtxStateCfg[size_t(state)] != cfg) {
          c.Problem("prim_state light configuration differs from its vtx_state's");
        }
      }
    }

    const Item* lod = c.Need(shape, "lod_controls");
    const Item* control = lod ? c.Need(*lod, "lod_control") : nullptr;
    const Item* levels = control ? c.Need(*control, "distance_levels") : nullptr;
    c.CountedLists(levels, "distance_level");
    if (levels) {
      for (const Item* level : levels->Lists("distance_level")) {
        const Item* header = c.Need(*level, "distance_level_header");
        if (header) {
          for (long parent : c.CountedWords(c.Need(*header, "hierarchy"), matrices)) {
            if (parent != -1 && parent != -2) c.InRange(parent, matrices, "hierarchy parent");
          }
        }
        const Item* subs = c.Need(*level, "sub_objects");
        c.CountedLists(subs, "sub_object");
        if (!subs) continue;
        for (const Item* sub : subs->Lists("sub_object")) {
          const Item* sh = c.Need(*sub, "sub_object_header");
          long geomNodes = 0;
          if (sh) {
            std::vector<std::string> w = sh->Words();
            c.InRange(ToLong(w.at(1)), sortVectors, "sort vector", true);
            c.InRange(ToLong(w.at(2)), volumes, "volume", true);
            const Item* info = c.Need(*sh, "geometry_info");
            const Item* gn = info ? c.Need(*info, "geometry_nodes") : nullptr;
            geomNodes = c.CountedLists(gn, "geometry_node");
            const Item* map = info ? c.Need(*info, "geometry_node_map") : nullptr;
            for (long g : c.CountedWords(map, matrices)) {
              c.InRange(g, geomNodes, "geometry_node_map", true);
            }
            for (long s : c.CountedWords(c.Need(*sh, "subobject_shaders"))) {
              c.InRange(s, shaders, "subobject_shaders");
            }
            for (long l : c.CountedWords(c.Need(*sh, "subobject_light_cfgs"))) {
              c.InRange(l, lightCfgs, "subobject_light_cfgs");
            }
          }
          const Item* vertsList = c.Need(*sub, "vertices");
          long vertices = c.CountedLists(vertsList, "vertex");
          if (vertsList) {
            for (const Item* v : vertsList->Lists("vertex")) {
              std::vector<std::string> w = v->Words();
              c.InRange(ToLong(w.at(1)), points, "vertex point");
              c.InRange(ToLong(w.at(2)), normals, "vertex normal");
              for (long uv : c.CountedWords(c.Need(*v, "vertex_uvs"))) {
                c.InRange(uv, uvPoints, "vertex uv");
              }
            }
          }
          const Item* sets = c.Need(*sub, "vertex_sets");
          c.CountedLists(sets, "vertex_set");
          long covered = 0;
          if (sets) {
            for (const Item* s : sets->Lists("vertex_set")) {
              std::vector<std::string> w = s->Words();
              c.InRange(ToLong(w.at(0)), vtxStates, "vertex_set state");
              if (ToLong(w.at(1)) != covered) c.Problem("vertex sets do not follow each other");
              covered += ToLong(w.at(2));
            }
          }
          if (covered != vertices) c.Problem("vertex sets do not cover the vertices");
          const Item* prims = c.Need(*sub, "primitives");
          if (prims) {
            long n = prims->Count();
            long got = long(prims->Lists("prim_state_idx").size() +
                            prims->Lists("indexed_trilist").size());
            if (n != got)
              c.Problem("primitives count " + std::to_string(n) + " but holds " +
                        std::to_string(got));
            for (const Item* p : prims->Lists("prim_state_idx")) {
              c.InRange(p->Count(), primStates, "prim_state_idx");
            }
            for (const Item* t : prims->Lists("indexed_trilist")) {
              std::vector<long> idx = c.CountedWords(c.Need(*t, "vertex_idxs"));
              for (long i : idx) c.InRange(i, vertices, "vertex_idxs");
              const Item* nl = c.Need(*t, "normal_idxs");
              if (nl) {
                std::vector<std::string> w = nl->Words();
                long n2 = ToLong(w.at(0));
                if (long(w.size()) != 1 + 2 * n2) c.Problem("normal_idxs count");
                for (size_t i = 1; i + 1 < w.size(); i += 2) {
                  c.InRange(ToLong(w[i]), normals, "normal_idxs");
                }
                if (long(idx.size()) != 3 * n2) c.Problem("vertex_idxs and normal_idxs differ");
              }
              std::vector<std::string> flags = c.Need(*t, "flags")->Words();
              if (long(flags.size()) != 1 + ToLong(flags.at(0))) c.Problem("flags count");
            }
          }
        }
      }
    }

    if (const Item* anims = shape.List("animations")) {
      c.CountedLists(anims, "animation");
      for (const Item* a : anims->Lists("animation")) {
        const Item* nodes = c.Need(*a, "anim_nodes");
        c.CountedLists(nodes, "anim_node");
        if (!nodes) continue;
        for (const Item* n : nodes->Lists("anim_node")) {
          const Item* ctl = c.Need(*n, "controllers");
          if (!ctl) continue;
          long tracks = long(ctl->Lists("tcb_rot").size() + ctl->Lists("linear_pos").size());
          if (ctl->Count() != tracks) c.Problem("controllers count");
          for (const Item* t : ctl->Lists("tcb_rot")) c.CountedLists(t, "tcb_key");
          for (const Item* t : ctl->Lists("linear_pos")) c.CountedLists(t, "linear_key");
        }
      }
    }
  } catch (const std::exception& e) {
    c.Problem(std::string("malformed item: ") + e.what());
  }
  return c.problems;
}

Summary Summarize(const std::string& text) {
  Item shape = Parse(text);
  Summary s;
  s.nodes = shape.List("matrices") ? shape.List("matrices")->Count() : 0;
  const Item* lod = shape.List("lod_controls");
  const Item* control = lod ? lod->List("lod_control") : nullptr;
  const Item* levels = control ? control->List("distance_levels") : nullptr;
  if (!levels) return s;
  for (const Item* level : levels->Lists("distance_level")) {
    ++s.distanceLevels;
    const Item* subs = level->List("sub_objects");
    if (!subs) continue;
    for (const Item* sub : subs->Lists("sub_object")) {
      ++s.subObjects;
      const Item* prims = sub->List("primitives");
      if (!prims) continue;
      for (const Item* t : prims->Lists("indexed_trilist")) {
        if (const Item* n = t->List("normal_idxs")) s.triangles += n->Count();
      }
    }
  }
  return s;
}

}  // namespace shapefile
