// The inspector's own findings about a set of level files as a whole (Findings.h, SetCode):
// the order of their distances, distances given twice, nodes of far levels missing from nearer
// ones, too many files.
#ifndef TRIMORPH_INSPECT_SETFINDINGS_H
#define TRIMORPH_INSPECT_SETFINDINGS_H

#include <vector>

#include "Findings.h"
#include "InspectReport.h"

// The findings about the levels as inspected, in the order of the kinds and of the levels. A
// level that was not read takes part through its distance only.
std::vector<Finding> SetFindings(const std::vector<LevelReport>& levels);

#endif  // TRIMORPH_INSPECT_SETFINDINGS_H
