// The models of a folder: its level files grouped by folder and base name.
#ifndef TRIMORPH_ALL_MODELGROUPS_H
#define TRIMORPH_ALL_MODELGROUPS_H

#include <string>
#include <vector>

#include "LevelScan.h"

struct Model {
  std::string name;               // the subfolder and base name: "trams/tram"
  std::string outPath;            // the shape file to write
  std::vector<LevelFile> levels;  // nearest first
  // Distances given by more than one level file, each once, ascending.
  std::vector<int> sharedDists;
};

// Groups the level files by subfolder and base name, letter case ignored, ordered nearest first
// (files of one distance by name). Each model is written as {base name}.s, the base name spelt
// as in its nearest level, into outFolder (with the model's subfolder) or, when outFolder is
// empty, beside its levels in searchFolder. The models come ordered by name.
std::vector<Model> GroupModels(std::vector<LevelFile> levels, const std::string& searchFolder,
                               const std::string& outFolder);

#endif  // TRIMORPH_ALL_MODELGROUPS_H
