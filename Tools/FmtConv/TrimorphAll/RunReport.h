// What trimorph-all prints about the models and files of a folder: the listing of a dry run,
// and the summary after converting.
#ifndef TRIMORPH_ALL_RUNREPORT_H
#define TRIMORPH_ALL_RUNREPORT_H

#include <string>
#include <vector>

#include "BatchRun.h"
#include "LevelScan.h"
#include "ModelGroups.h"

// The models, each with its distances and the converter command that would convert it.
void PrintDryRun(const std::vector<Model>& models);

// The table of models (name, distances, triangles, time, "converted" or the reason), then the
// converter's report of each failed model.
void PrintResults(const std::vector<Model>& models, const std::vector<ModelResult>& results);

// Files that are not converted and folders that could not be searched, each with why; many
// files that are not .3ds files are counted by extension instead.
void PrintOtherFiles(const std::vector<OtherFile>& others);

// Models with more than one level file at one distance.
void PrintSharedDistances(const std::vector<Model>& models);

// Whether a file that is not converted counts as a failure of the run: level file names
// without a distance or base name, and folders that could not be searched, do; files of other
// kinds are only listed.
bool FailsRun(const OtherFile& other);

#endif  // TRIMORPH_ALL_RUNREPORT_H
