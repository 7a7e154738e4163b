// The findings about a set of level files as a whole.
#include "SetFindings.h"

#include <string>
#include <unordered_map>

namespace {

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

}  // namespace

std::vector<Finding> SetFindings(const std::vector<LevelReport>& levels) {
  std::vector<Finding> findings;
  auto add = [&findings](SetCode code, int level, const std::string& subject, std::string detail) {
    Finding f;
    f.own = code;
    f.level = level;
    f.subject = subject;
    f.detail = std::move(detail);
    findings.push_back(std::move(f));
  };
  const int numLevels = int(levels.size());
  if (levels.size() > 32) {
    add(SetCode::TOO_MANY_LEVELS, -1, std::string(),
        "the set has " + std::to_string(levels.size()) + " level files");
  }
  // Nearest first: every distance at least the one before it.
  int before = -1;
  std::unordered_map<int, int> firstOfDistance;
  for (int i = 0; i < numLevels; ++i) {
    const LevelReport& l = levels[i];
    if (!l.hasDistance) continue;
    if (before >= 0 && l.distance < levels[before].distance) {
      add(SetCode::LEVELS_OUT_OF_ORDER, i, l.file,
          Quoted(l.file) + " (distance " + std::to_string(l.distance) + ") comes after " +
              Quoted(levels[before].file) + " (distance " +
              std::to_string(levels[before].distance) + ")");
    }
    before = i;
    auto [it, first] = firstOfDistance.emplace(l.distance, i);
    if (!first) {
      add(SetCode::SAME_DISTANCE, i, l.file,
          Quoted(l.file) + " has the distance " + std::to_string(l.distance) + " of " +
              Quoted(levels[it->second].file) + ": trimorph merges them into one distance level");
    }
  }
  // A node of a far level missing from nearer levels that were read.
  std::vector<std::string> names;
  std::unordered_map<std::string, std::vector<int>> levelsOf;
  for (int i = 0; i < numLevels; ++i) {
    for (const ObjectInfo& o : levels[i].objects) {
      std::vector<int>& in = levelsOf[o.name];
      if (in.empty()) names.push_back(o.name);
      if (in.empty() || in.back() != i) in.push_back(i);
    }
  }
  for (const std::string& name : names) {
    const std::vector<int>& in = levelsOf[name];
    const int farthest = in.back();
    std::string missing;
    int first = -1;
    size_t k = 0;
    for (int i = 0; i < farthest; ++i) {
      while (k < in.size() && in[k] < i) ++k;
      if ((k < in.size() && in[k] == i) || !levels[i].read) continue;
      if (first < 0) first = i;
      missing += (missing.empty() ? "" : ", ") + Quoted(levels[i].file);
    }
    if (first < 0) continue;
    add(SetCode::NODE_MISSING_FROM_NEARER_LEVEL, first, name,
        "node " + Quoted(name) + " is in " + Quoted(levels[farthest].file) +
            " but missing from the nearer " + missing);
  }
  return findings;
}
