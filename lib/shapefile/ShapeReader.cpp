// The shape file reader: the shape's blocks, pools, states and animations, and the reading
// and checking of texts and files.
#include "ShapeReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ShapeBlockReader.h"
#include "ShapeCheck.h"

namespace shapefile {

namespace reading {

void BlockReader::Run() {
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

void BlockReader::ReadShapeBlock(const Ctx& ctx) {
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

void BlockReader::ReadTexture(const Ctx& ctx) {
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

void BlockReader::ReadLightModelCfg(const Ctx& ctx) {
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

void BlockReader::ReadVtxState(const Ctx& ctx) {
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

void BlockReader::ReadPrimState(const Ctx& ctx, std::string name) {
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

void BlockReader::ReadAnimation(const Ctx& ctx) {
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
void BlockReader::ReadKey(const Ctx& ctx, Controller& c) {
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

void BlockReader::ReadAnimNode(const Ctx& ctx, AnimNode& node) {
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

}  // namespace reading

namespace {

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
  reading::BlockReader(tokens, result).Run();
  return result;
}

ReadResult ReadShapeText(std::string_view text) {
  Tokenizer tokens(text);
  return ReadShape(tokens);
}

// The file is read as it is: on Windows open() would otherwise make its line ends "\n" and stop
// at the first Ctrl-Z. It is not inherited by programs started meanwhile.
#ifdef _WIN32
constexpr int OPEN_FLAGS = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
constexpr int OPEN_FLAGS = O_RDONLY | O_CLOEXEC;
#endif

ReadResult ReadShapeFile(const std::string& path, size_t blockSize) {
  int fd = open(path.c_str(), OPEN_FLAGS);
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
