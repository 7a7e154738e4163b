// Listings and summaries of trimorph-all.
#include "RunReport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "Platform.h"

namespace fs = std::filesystem;

namespace {

// Up to this many files that are not .3ds files are listed by name.
constexpr size_t MAX_LISTED_OTHER_FILES = 20;

std::string Distances(const Model& model) {
  std::string text;
  for (const LevelFile& level : model.levels) {
    if (!text.empty()) text += ' ';
    text += std::to_string(level.maxDist);
  }
  return text;
}

const char* OtherReason(OtherKind kind) {
  switch (kind) {
    case OtherKind::NOT_3DS:
      return "not a .3ds file";
    case OtherKind::NO_DISTANCE:
      return "no distance in the name: level files are named {base name}{max dist}.3ds";
    case OtherKind::NO_BASE_NAME:
      return "no base name before the distance: level files are named "
             "{base name}{max dist}.3ds";
    case OtherKind::NOT_A_FILE:
      return "not a regular file";
    case OtherKind::UNREADABLE_DIR:
      return "folder that could not be searched";
  }
  return "";
}

}  // namespace

bool FailsRun(const OtherFile& other) {
  return other.kind != OtherKind::NOT_3DS;
}

void PrintDryRun(const std::vector<Model>& models) {
  for (const Model& model : models) {
    printf("%s: %zu level%s (%s) -> %s\n", model.name.c_str(), model.levels.size(),
           model.levels.size() == 1 ? "" : "s", Distances(model).c_str(), model.outPath.c_str());
    std::string command = "trimorph";
    for (const std::string& arg : ConverterArgs(model)) command += " " + platform::ShellQuoted(arg);
    printf("  %s\n", command.c_str());
  }
}

void PrintResults(const std::vector<Model>& models, const std::vector<ModelResult>& results) {
  struct Row {
    std::string cells[5];
  };
  std::vector<Row> rows = {{{"Model", "Levels", "Triangles", "Time", "Result"}}};
  for (size_t i = 0; i < models.size(); ++i) {
    const ModelResult& r = results[i];
    rows.push_back({{models[i].name, Distances(models[i]),
                     r.triangles >= 0 ? std::to_string(r.triangles) : "-",
                     FormatDuration(r.seconds), r.converted ? "converted" : r.reason}});
  }
  size_t width[5] = {};
  for (const Row& row : rows) {
    for (int c = 0; c < 5; ++c) width[c] = std::max(width[c], row.cells[c].size());
  }
  for (const Row& row : rows) {
    // Names and distances to the left, numbers to the right, the result as it is.
    printf("%-*s  %-*s  %*s  %*s  %s\n", int(width[0]), row.cells[0].c_str(), int(width[1]),
           row.cells[1].c_str(), int(width[2]), row.cells[2].c_str(), int(width[3]),
           row.cells[3].c_str(), row.cells[4].c_str());
  }
  bool heading = false;
  for (size_t i = 0; i < models.size(); ++i) {
    if (results[i].converted || results[i].report.empty()) continue;
    if (!heading) printf("\nReports of the models not converted:\n");
    heading = true;
    printf("%s:\n", models[i].name.c_str());
    std::string report = results[i].report;
    if (report.back() != '\n') report += '\n';
    for (size_t pos = 0; pos < report.size();) {
      size_t eol = report.find('\n', pos);
      std::string line = report.substr(pos, eol - pos);
      printf("%s%s\n", line.empty() ? "" : "  ", line.c_str());
      pos = eol + 1;
    }
  }
}

void PrintOtherFiles(const std::vector<OtherFile>& others) {
  if (others.empty()) return;
  // Level file names that give no model and folders not searched are listed one by one. So are
  // other files when they are few; many (the textures beside the levels) are counted by their
  // extension instead.
  size_t notLevels = 0;
  for (const OtherFile& other : others) notLevels += other.kind == OtherKind::NOT_3DS;
  bool listAll = notLevels <= MAX_LISTED_OTHER_FILES;
  printf("\nNot converted:\n");
  size_t width = 0;
  for (const OtherFile& other : others) {
    if (listAll || other.kind != OtherKind::NOT_3DS) width = std::max(width, other.path.size());
  }
  std::map<std::string, size_t> byExtension;
  for (const OtherFile& other : others) {
    if (!listAll && other.kind == OtherKind::NOT_3DS) {
      ++byExtension[platform::NameOf(platform::PathOf(other.path).extension())];
      continue;
    }
    printf("  %-*s  %s%s%s\n", int(width), other.path.c_str(), OtherReason(other.kind),
           other.detail.empty() ? "" : ": ", other.detail.c_str());
  }
  if (listAll) return;
  std::string counts;
  for (const auto& [extension, count] : byExtension) {
    counts += counts.empty() ? "" : ", ";
    counts += std::to_string(count) + " " + (extension.empty() ? "without extension" : extension);
  }
  printf("  %zu files that are not .3ds files: %s\n", notLevels, counts.c_str());
}

void PrintSharedDistances(const std::vector<Model>& models) {
  bool heading = false;
  for (const Model& model : models) {
    for (int dist : model.sharedDists) {
      if (!heading) printf("\nLevel files with the same distance (merged into one level):\n");
      heading = true;
      std::string files;
      for (const LevelFile& level : model.levels) {
        if (level.maxDist != dist) continue;
        files += files.empty() ? "" : ", ";
        files += level.name;
      }
      printf("  %s: %d: %s\n", model.name.c_str(), dist, files.c_str());
    }
  }
}
