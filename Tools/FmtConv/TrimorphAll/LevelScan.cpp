// Finding the level files of a folder.
#include "LevelScan.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "Platform.h"
#include "Trimorph.h"

namespace fs = std::filesystem;

bool SplitLevelName(const std::string& name, std::string& base, int& maxDist) {
  int dist = 0;
  if (!ParseMaxDist(name.c_str(), dist)) return false;
  // The converter reads the distance from the last run of digits before the last '.' (which
  // the character just before the '.' may follow: tree12x.3ds gives 12). The base name is what
  // comes before that run; given the name from the run on, the converter reads the same
  // distance again.
  const char* dot = strrchr(name.c_str(), '.');
  size_t run = dot ? size_t(dot - name.c_str()) : name.size();
  while (run > 0 && !isdigit((unsigned char)name[run - 1])) --run;
  while (run > 0 && isdigit((unsigned char)name[run - 1])) --run;
  int again = 0;
  if (!ParseMaxDist(name.c_str() + run, again) || again != dist) return false;
  base = name.substr(0, run);
  maxDist = dist;
  return true;
}

bool CanSearch(const std::string& folder, std::string& reason) {
  std::error_code ec;
  fs::directory_iterator it(platform::PathOf(folder), ec);
  if (ec) reason = ec.message();
  return !ec;
}

namespace {

bool EndsWith3ds(const std::string& name) {
  static const char EXT[] = ".3ds";
  if (name.size() < 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (tolower((unsigned char)name[name.size() - 4 + i]) != EXT[i]) return false;
  }
  return true;
}

struct PendingFolder {
  fs::path path;
  std::string relative;
};

}  // namespace

FolderScan ScanFolder(const std::string& folder, bool recursive) {
  FolderScan scan;
  // Each folder is searched once, known by its path with every symbolic link resolved, so that
  // links back to a folder above end instead of going round.
  std::set<std::string> searched;
  std::vector<PendingFolder> pending;
  std::error_code ec;
  fs::path top = fs::canonical(platform::PathOf(folder), ec);
  searched.insert(ec ? folder : platform::NameOf(top));
  pending.push_back({platform::PathOf(folder), ""});

  while (!pending.empty()) {
    PendingFolder dir = std::move(pending.back());
    pending.pop_back();
    fs::directory_iterator it(dir.path, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const fs::path& path = it->path();
      std::string name = platform::NameOf(path.filename());
      std::string relative = dir.relative.empty() ? name : dir.relative + "/" + name;
      std::error_code statEc;
      fs::file_status status = fs::status(path, statEc);  // symbolic links followed
      if (fs::is_directory(status)) {
        if (!recursive) {
          ++scan.subfoldersNotSearched;
          continue;
        }
        std::error_code canonEc;
        fs::path real = fs::canonical(path, canonEc);
        if (canonEc) {
          scan.others.push_back({relative, OtherKind::UNREADABLE_DIR, canonEc.message()});
        } else if (searched.insert(platform::NameOf(real)).second) {
          pending.push_back({path, relative});
        }
        continue;
      }
      if (!EndsWith3ds(name)) {
        scan.others.push_back({relative, OtherKind::NOT_3DS, ""});
        continue;
      }
      // A pipe or a device would keep the converter waiting; a name that leads nowhere is
      // left to the converter, whose report says that it cannot be opened.
      if (fs::exists(status) && !fs::is_regular_file(status)) {
        scan.others.push_back({relative, OtherKind::NOT_A_FILE, ""});
        continue;
      }
      LevelFile level;
      // A name that is ".3ds" alone has no distance, whatever the folder's name ends in.
      if (name.size() == 4 || !SplitLevelName(name, level.base, level.maxDist)) {
        scan.others.push_back({relative, OtherKind::NO_DISTANCE, ""});
        continue;
      }
      if (level.base.empty()) {
        scan.others.push_back({relative, OtherKind::NO_BASE_NAME, ""});
        continue;
      }
      level.path = platform::NameOf(path);
      level.folder = dir.relative;
      level.name = name;
      scan.levels.push_back(std::move(level));
    }
    if (ec) {
      scan.others.push_back(
          {dir.relative.empty() ? "." : dir.relative, OtherKind::UNREADABLE_DIR, ec.message()});
      ec.clear();
    }
  }
  std::sort(scan.others.begin(), scan.others.end(),
            [](const OtherFile& a, const OtherFile& b) { return a.path < b.path; });
  return scan;
}
