// The shape text reader in short.
#include "ShapeFile.h"

#include <stdexcept>

namespace shapefile {

std::vector<std::string> CheckStructure(const std::string& text) {
  ReadResult r = CheckShapeText(text);
  if (!r.readable) return {"1: " + r.error};
  std::vector<std::string> out;
  for (const Problem& p : r.problems.Listed())
    out.push_back(std::to_string(p.line) + ": " + p.what);
  if (r.problems.Count() > r.problems.Listed().size()) {
    out.push_back(std::to_string(r.problems.Count() - r.problems.Listed().size()) +
                  " more problems");
  }
  return out;
}

Summary Summarize(const Shape& shape) {
  Summary s;
  s.nodes = long(shape.matrices.size());
  for (const DistanceLevel& level : shape.distanceLevels) {
    ++s.distanceLevels;
    for (const SubObject& sub : level.subObjects) {
      ++s.subObjects;
      for (const TriList& t : sub.triLists) s.triangles += t.Triangles();
    }
  }
  return s;
}

Summary Summarize(const std::string& text) {
  ReadResult r = ReadShapeText(text);
  if (!r.readable) throw std::runtime_error(r.error);
  if (r.unbalanced) throw std::runtime_error("unbalanced parentheses");
  return Summarize(r.shape);
}

}  // namespace shapefile
