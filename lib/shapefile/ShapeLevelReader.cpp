// The distance levels of a shape text and their sub-objects: headers, geometry nodes, vertices,
// vertex sets and primitives.
#include "ShapeBlockReader.h"

namespace shapefile::reading {

void BlockReader::ReadLodControl(const Ctx& ctx) {
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

void BlockReader::ReadDistanceLevel(const Ctx& ctx, int lodControl) {
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

void BlockReader::ReadSubObject(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadSubObjectHeader(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadGeometryNode(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadGeometryInfo(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadVertex(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadPrimitives(const Ctx& ctx, SubObject& sub) {
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

void BlockReader::ReadTriList(const Ctx& ctx, TriList& list) {
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

}  // namespace shapefile::reading
