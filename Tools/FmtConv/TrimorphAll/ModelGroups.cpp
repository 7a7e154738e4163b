// Grouping level files into models.
#include "ModelGroups.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <tuple>

#include "Platform.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(const std::string& s) {
  std::string lower = s;
  for (char& c : lower) c = char(tolower((unsigned char)c));
  return lower;
}

struct Keyed {
  std::string folder;
  std::string base;  // in lower case
  LevelFile level;
};

bool operator<(const Keyed& a, const Keyed& b) {
  return std::tie(a.folder, a.base, a.level.maxDist, a.level.name) <
         std::tie(b.folder, b.base, b.level.maxDist, b.level.name);
}

}  // namespace

std::vector<Model> GroupModels(std::vector<LevelFile> levels, const std::string& searchFolder,
                               const std::string& outFolder) {
  std::vector<Keyed> keyed;
  keyed.reserve(levels.size());
  for (LevelFile& level : levels) {
    std::string folder = level.folder;
    std::string base = Lower(level.base);
    keyed.push_back({std::move(folder), std::move(base), std::move(level)});
  }
  std::sort(keyed.begin(), keyed.end());

  std::vector<Model> models;
  for (size_t first = 0; first < keyed.size();) {
    size_t last = first;
    while (last < keyed.size() && keyed[last].folder == keyed[first].folder &&
           keyed[last].base == keyed[first].base) {
      ++last;
    }
    Model model;
    const LevelFile& nearest = keyed[first].level;
    model.name = nearest.folder.empty() ? nearest.base : nearest.folder + "/" + nearest.base;
    fs::path out = platform::PathOf(outFolder.empty() ? searchFolder : outFolder);
    if (!nearest.folder.empty()) out /= platform::PathOf(nearest.folder);
    out /= platform::PathOf(nearest.base + ".s");
    model.outPath = platform::NameOf(out);
    for (size_t i = first; i < last; ++i) {
      int dist = keyed[i].level.maxDist;
      if (i > first && dist == keyed[i - 1].level.maxDist &&
          (model.sharedDists.empty() || model.sharedDists.back() != dist)) {
        model.sharedDists.push_back(dist);
      }
      model.levels.push_back(std::move(keyed[i].level));
    }
    models.push_back(std::move(model));
    first = last;
  }
  return models;
}
