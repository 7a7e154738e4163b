// The report as text: each level with its objects, materials, keyframer nodes and (--tree)
// chunks, then the problems with what to change, then trimorph's verdict and report.
#include <cstdio>
#include <string>

#include "ChunkTree.h"
#include "ReportWriters.h"

namespace {

// A name from a file as the text shows it: control characters (which would move the cursor or
// end the line) as \xNN, everything else as it is.
std::string Shown(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02X", unsigned(c));
      out += buf;
    } else {
      out += char(c);
    }
  }
  return out;
}

std::string Quoted(const std::string& name) {
  return "'" + Shown(name) + "'";
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Float(float v) {
  char buf[32];
  snprintf(buf, sizeof buf, "%g", double(v));
  return buf;
}

void Objects(std::string& out, const LevelReport& level) {
  out += "  Objects (" + std::to_string(level.objects.size()) + "):\n";
  for (const ObjectInfo& o : level.objects) {
    out += "    " + Quoted(o.name) + ": " + Count(o.vertices, "vertex", "vertices") + ", " +
           Count(o.faces, "face", "faces") + ", " +
           (o.textured ? "texture coordinates" : "no texture coordinates");
    if (!o.frameProblem.empty()) out += ", frame scaled or mirrored: " + o.frameProblem;
    out += "\n";
    if (o.groups.empty()) {
      out += "      no material groups: none of its faces becomes a triangle\n";
      continue;
    }
    out += "      material groups:";
    for (size_t i = 0; i < o.groups.size(); ++i) {
      out += (i ? ", " : " ") + Quoted(o.groups[i].material) + " (" +
             Count(o.groups[i].faces, "face", "faces") + ")";
    }
    out += "\n";
  }
}

void Materials(std::string& out, const LevelReport& level) {
  out += "  Materials of the material groups (" + std::to_string(level.materials.size()) + "):\n";
  for (const MaterialInfo& m : level.materials) {
    out += "    " + Quoted(m.name) + ": ";
    if (m.parsed) {
      out += "type " + m.type + ", sub-object " + std::to_string(m.number) +
             (m.sorted ? ", sorted" : "");
    } else {
      out += "no type";
    }
    if (!m.found) {
      out += ", not defined in the file";
    } else {
      out += m.texture.empty() ? ", no texture map" : ", texture " + Quoted(m.texture);
      if (!m.reflection.empty()) out += ", reflection map " + Quoted(m.reflection);
    }
    out += "\n";
    if (!m.parsed) out += "      " + Shown(m.parseProblem) + "\n";
  }
}

constexpr int MAX_INDENT = 16;

void Nodes(std::string& out, const LevelReport& level) {
  if (!level.hasKeyframer) {
    out += "  No keyframer object nodes: the level's one object is the top of its hierarchy.\n";
    return;
  }
  out += "  Keyframer object nodes";
  if (level.animationLength >= 0) {
    out += " (animation of " + std::to_string(level.animationLength) + " frames)";
  }
  out += ":\n";
  for (const NodeInfo& n : level.nodes) {
    // Deep hierarchies (a chain of thousands of nodes) are indented so far and no farther, so
    // that the report grows with the number of nodes only; deeper nodes say their depth.
    const int indent = n.depth < MAX_INDENT ? n.depth : MAX_INDENT;
    out += "    " + std::string(size_t(indent) * 2, ' ');
    if (n.depth > MAX_INDENT) out += "[depth " + std::to_string(n.depth) + "] ";
    out += Quoted(n.name);
    if (!n.notAnObject.empty()) {
      out += ": " + n.notAnObject + ", not converted\n";
      continue;
    }
    out += " (id " + std::to_string(n.id) + "): ";
    if (n.depth == 0 && !n.parent.empty()) out += "parent " + Quoted(n.parent) + ", ";
    out += "pivot " + Float(n.pivot[0]) + " " + Float(n.pivot[1]) + " " + Float(n.pivot[2]) +
           ", keys: " + std::to_string(n.positionKeys) + " position, " +
           std::to_string(n.rotationKeys) + " rotation, " + std::to_string(n.scaleKeys) + " scale";
    if (n.inLoop) out += "; its parents lead in a circle";
    out += "\n";
  }
}

void Chunks(std::string& out, const LevelReport& level) {
  const ChunkTree& t = level.tree;
  if (!t.read) {
    out += "  Chunks: the file cannot be opened.\n";
    return;
  }
  out += "  Chunks";
  if (t.fileSize >= 0) out += " (file of " + std::to_string(t.fileSize) + " bytes)";
  out += ":\n";
  if (!t.chunks.empty()) out += "      offset     length  depth  tag\n";
  for (const ChunkRow& c : t.chunks) {
    char buf[64];
    snprintf(buf, sizeof buf, "    %8u %10u  %5u  ", c.offset, c.length, c.depth);
    out += buf + std::string(size_t(c.depth - 1) * 2, ' ') + TagText(c.tag, c.name);
    if (c.pastEnd) out += "  (ends past the end of the file)";
    out += "\n";
  }
  if (!t.stopDescription.empty()) out += "  " + t.stopDescription + "\n";
  for (const std::string& e : t.toolkitErrors) out += "    " + e + "\n";
}

void Level(std::string& out, const SetReport& report, size_t index) {
  const LevelReport& level = report.levels[index];
  out += "Level " + std::to_string(index + 1) + ": " + Quoted(level.file);
  if (level.hasDistance) {
    out += ", distance " + std::to_string(level.distance) + "\n";
  } else {
    out += ", no distance: " + level.distanceProblem + "\n";
  }
  if (level.treeWanted) Chunks(out, level);
  if (!level.read) {
    out += "  Not read: see its problem below.\n";
    return;
  }
  Objects(out, level);
  Materials(out, level);
  Nodes(out, level);
}

void Problems(std::string& out, const SetReport& report) {
  size_t errors = 0;
  for (const Finding& f : report.findings) errors += f.IsError();
  const size_t warnings = report.findings.size() - errors;
  if (report.findings.empty()) {
    out += "No problems.\n";
    return;
  }
  out += "Problems: " + Count(errors, "error", "errors") + ", " +
         Count(warnings, "warning", "warnings") + "\n";
  for (const Finding& f : report.findings) {
    out += std::string("  ") + (f.IsError() ? "error" : "warning") + " " + FindingName(f);
    if (f.level >= 0) out += " in " + Quoted(report.levels[size_t(f.level)].file);
    const std::string noun = SubjectNoun(f);
    if (!f.subject.empty() && noun != "file") {
      out += ", " + (noun.empty() ? std::string() : noun + " ") + Quoted(f.subject);
    }
    out += "\n";
    if (f.IsError()) {
      // The message as trimorph prints it (a bare report has none but its first line).
      const std::string message = f.message.empty() ? "Unexpected error occurred" : f.message;
      size_t start = 0;
      for (size_t nl; start < message.size(); start = nl + 1) {
        nl = message.find('\n', start);
        if (nl == std::string::npos) nl = message.size();
        out += "    " + Shown(message.substr(start, nl - start)) + "\n";
      }
      for (const std::string& e : f.toolkitErrors) out += "    " + e + "\n";
    }
    if (!f.detail.empty()) out += "    What is wrong: " + Shown(f.detail) + "\n";
    out += "    What to change: " + std::string(FindingHint(f)) + "\n";
    if (f.reportedByTrimorph) out += "    (trimorph stops on this problem)\n";
  }
}

}  // namespace

std::string TextReport(const SetReport& report) {
  std::string out;
  for (size_t i = 0; i < report.levels.size(); ++i) {
    Level(out, report, i);
    out += "\n";
  }
  Problems(out, report);
  out += "\n";
  if (report.converts) {
    out += "trimorph would convert these levels.\n";
  } else {
    out += "trimorph would not convert these levels. It would report:\n";
    for (const std::string& line : report.trimorphReport) {
      out += (line.empty() ? std::string() : "  " + Shown(line)) + "\n";
    }
  }
  return out;
}
