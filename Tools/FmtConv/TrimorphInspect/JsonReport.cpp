// The report as one JSON document.
//
//   {"program": "trimorph-inspect", "version": ..., "converts": bool, "exit_status": 0 or 1,
//    "trimorph_report": [lines], "levels": [...], "problems": [...]}
//
// Every level: "file", "distance" (null when the name gives none), "distance_problem", "read",
// "read_problem", "keyframer", "animation_length", "objects", "materials", "nodes" and, with
// --tree, "chunk_tree". Every problem: "code" (the kind's stable name), "severity" ("error"
// when trimorph fails on it, "warning" for the inspector's findings about the set), "level"
// (index, or null), "file", "subject", "subject_kind", "message" (trimorph's, null when bare or
// none), "detail", "hint", "toolkit_errors", "reported_by_trimorph".
#include <cstdio>
#include <string>

#include "JsonText.h"
#include "ReportWriters.h"
#include "TrimorphVersion.h"

namespace {

// Builds one object's members with the commas between them.
class Members {
 public:
  explicit Members(std::string& out, const std::string& indent) : out_(out), indent_(indent) {
    out_ += "{";
  }
  Members& Raw(const char* name, const std::string& json) {
    out_ += (first_ ? "\n" : ",\n") + indent_ + "  \"" + name + "\": " + json;
    first_ = false;
    return *this;
  }
  Members& Str(const char* name, const std::string& text) { return Raw(name, JsonString(text)); }
  // A string that is null when empty.
  Members& StrOrNull(const char* name, const std::string& text) {
    return Raw(name, text.empty() ? "null" : JsonString(text));
  }
  Members& Int(const char* name, long long v) { return Raw(name, std::to_string(v)); }
  Members& Bool(const char* name, bool v) { return Raw(name, v ? "true" : "false"); }
  void End() { out_ += (first_ ? "}" : "\n" + indent_ + "}"); }

 private:
  std::string& out_;
  std::string indent_;
  bool first_ = true;
};

// A JSON array of the items, each written by item(out, element, indent).
template <class T, class Item>
std::string Array(const std::vector<T>& items, const std::string& indent, Item item) {
  if (items.empty()) return "[]";
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    out += (i ? ",\n" : "\n") + indent + "  ";
    item(out, items[i], indent + "  ");
  }
  return out + "\n" + indent + "]";
}

std::string StringArray(const std::vector<std::string>& items, const std::string& indent) {
  return Array(items, indent, [](std::string& out, const std::string& s, const std::string&) {
    out += JsonString(s);
  });
}

void Object(std::string& out, const ObjectInfo& o, const std::string& indent) {
  Members m(out, indent);
  m.Str("name", o.name)
      .Int("vertices", o.vertices)
      .Int("faces", o.faces)
      .Bool("texture_coordinates", o.textured)
      .StrOrNull("frame_problem", o.frameProblem)
      .Raw("material_groups",
           Array(o.groups, indent + "  ",
                 [](std::string& out, const GroupInfo& g, const std::string& in) {
                   Members(out, in).Str("material", g.material).Int("faces", g.faces).End();
                 }));
  m.End();
}

void Material(std::string& out, const MaterialInfo& mat, const std::string& indent) {
  Members m(out, indent);
  m.Str("name", mat.name).Bool("defined", mat.found);
  m.Raw("type", mat.parsed ? JsonString(mat.type) : "null");
  m.Raw("sub_object", mat.parsed ? std::to_string(mat.number) : "null");
  m.Bool("sorted", mat.sorted)
      .StrOrNull("texture", mat.texture)
      .StrOrNull("reflection_map", mat.reflection)
      .StrOrNull("name_problem", mat.parseProblem);
  m.End();
}

void Node(std::string& out, const NodeInfo& n, const std::string& indent) {
  Members m(out, indent);
  m.Str("name", n.name).Int("depth", n.depth);
  if (!n.notAnObject.empty()) {
    m.Str("not_an_object", n.notAnObject);
  } else {
    m.Int("id", n.id)
        .StrOrNull("parent", n.parent)
        .Raw("pivot", "[" + JsonNumber(n.pivot[0]) + ", " + JsonNumber(n.pivot[1]) + ", " +
                          JsonNumber(n.pivot[2]) + "]")
        .Int("position_keys", n.positionKeys)
        .Int("rotation_keys", n.rotationKeys)
        .Int("scale_keys", n.scaleKeys)
        .Bool("in_loop", n.inLoop);
  }
  m.End();
}

void Chunk(std::string& out, const ChunkRow& c, const std::string& indent) {
  char tag[8];
  snprintf(tag, sizeof tag, "0x%04X", unsigned(c.tag));
  Members(out, indent)
      .Str("tag", tag)
      .StrOrNull("name", c.name)
      .Int("offset", c.offset)
      .Int("length", c.length)
      .Int("depth", c.depth)
      .Bool("past_end", c.pastEnd)
      .End();
}

std::string Tree(const ChunkTree& t, const std::string& indent) {
  std::string out;
  Members m(out, indent);
  m.Bool("opened", t.read)
      .Raw("file_size", t.fileSize >= 0 ? std::to_string(t.fileSize) : "null")
      .Raw("chunks", Array(t.chunks, indent + "  ", Chunk))
      .Raw("stop_offset", t.stopOffset >= 0 ? std::to_string(t.stopOffset) : "null")
      .StrOrNull("stop", t.stopDescription)
      .Raw("toolkit_errors", StringArray(t.toolkitErrors, indent + "  "));
  m.End();
  return out;
}

void Level(std::string& out, const LevelReport& l, const std::string& indent) {
  Members m(out, indent);
  m.Str("file", l.file)
      .Raw("distance", l.hasDistance ? std::to_string(l.distance) : "null")
      .StrOrNull("distance_problem", l.distanceProblem)
      .Bool("read", l.read)
      .StrOrNull("read_problem", l.readProblem)
      .Bool("keyframer", l.hasKeyframer)
      .Raw("animation_length", l.animationLength >= 0 ? std::to_string(l.animationLength) : "null")
      .Raw("objects", Array(l.objects, indent + "  ", Object))
      .Raw("materials", Array(l.materials, indent + "  ", Material))
      .Raw("nodes", Array(l.nodes, indent + "  ", Node));
  if (l.treeWanted) m.Raw("chunk_tree", Tree(l.tree, indent + "  "));
  m.End();
}

}  // namespace

std::string JsonReport(const SetReport& report) {
  std::string out;
  Members m(out, "");
  m.Str("program", "trimorph-inspect")
      .Str("version", TRIMORPH_VERSION)
      .Bool("converts", report.converts)
      .Int("exit_status", InspectStatus(report))
      .Raw("trimorph_report", StringArray(report.trimorphReport, "  "))
      .Raw("levels", Array(report.levels, "  ", Level))
      .Raw("problems",
           Array(report.findings, "  ",
                 [&report](std::string& out, const Finding& f, const std::string& in) {
                   Members p(out, in);
                   p.Str("code", FindingName(f))
                       .Str("severity", f.IsError() ? "error" : "warning")
                       .Raw("level", f.level >= 0 ? std::to_string(f.level) : "null")
                       .Raw("file",
                            f.level >= 0 ? JsonString(report.levels[size_t(f.level)].file) : "null")
                       .StrOrNull("subject", f.subject)
                       .StrOrNull("subject_kind", SubjectNoun(f))
                       .Raw("message",
                            f.IsError() && !f.message.empty() ? JsonString(f.message) : "null")
                       .StrOrNull("detail", f.detail)
                       .Str("hint", FindingHint(f))
                       .Raw("toolkit_errors", StringArray(f.toolkitErrors, in + "  "))
                       .Bool("reported_by_trimorph", f.reportedByTrimorph);
                   p.End();
                 }));
  m.End();
  return out + "\n";
}
