// Finding the level files of a folder, and the files beside them that are not level files.
#ifndef TRIMORPH_ALL_LEVELSCAN_H
#define TRIMORPH_ALL_LEVELSCAN_H

#include <string>
#include <vector>

// A level file: {base name}{max dist}.3ds.
struct LevelFile {
  std::string path;    // the path the converter is given: the folder searched, then the file
  std::string folder;  // the subfolder it was found in, relative to the folder searched ("" for
                       // the folder itself), with '/' between folder names
  std::string name;    // the file name alone
  std::string base;    // the file name up to the digits of the distance
  int maxDist = 0;
};

// A file that is not converted, and why.
enum class OtherKind {
  NOT_3DS,         // its name does not end in .3ds
  NO_DISTANCE,     // a .3ds name without a distance: tree.3ds
  NO_BASE_NAME,    // a .3ds name that is the distance alone: 100.3ds
  NOT_A_FILE,      // a .3ds name on something other than a regular file (a pipe, a device)
  UNREADABLE_DIR,  // a folder whose entries could not be read
};

struct OtherFile {
  std::string path;  // relative to the folder searched
  OtherKind kind;
  std::string detail;  // the system's reason for an unreadable folder
};

struct FolderScan {
  std::vector<LevelFile> levels;
  std::vector<OtherFile> others;  // sorted by path
  int subfoldersNotSearched = 0;  // subfolders seen when not searching them
};

// Splits a file name into its base name and distance: the distance is the converter's own
// (ParseMaxDist), the base name everything before the digits it was read from. False when the
// converter finds no distance in the name.
bool SplitLevelName(const std::string& name, std::string& base, int& maxDist);

// Whether a folder can be searched: false with the system's reason when it cannot.
bool CanSearch(const std::string& folder, std::string& reason);

// Every file of the folder, and with recursive of its subfolders (each folder once, however
// symbolic links lead to it).
FolderScan ScanFolder(const std::string& folder, bool recursive);

#endif  // TRIMORPH_ALL_LEVELSCAN_H
