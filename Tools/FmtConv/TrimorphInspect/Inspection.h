// Inspecting a set of level files: every check the converter makes, in the order the conversion
// makes them, going on past each problem wherever the rest can still be checked.
//
// The checks are the converter's own functions (Problem.h lists them), called in the order of
// the conversion, with the toolkit and the node tree in the states the conversion gives them, so
// that the first problem found is the one trimorph stops on. Past it, the inspection goes on for
// the artist's sake: a toolkit error is put down to the read that raised it and then cleared, a
// node whose checks failed is still entered into the hierarchy, and a level whose object counts
// do not match pairs meshes and keyframer nodes by name.
//
// Two checks judge the model the conversion builds rather than the files: that some face became
// a triangle, and that every number of the shape file is finite. When every other check holds,
// the levels' databases, as the inspection read them, are imported by the converter's own import
// (Shape::ImportLevel), the model is prepared for output as trimorph does before writing, and
// those two checks are made on it. No file is read twice.
#ifndef TRIMORPH_INSPECT_INSPECTION_H
#define TRIMORPH_INSPECT_INSPECTION_H

#include <string>
#include <vector>

#include "InspectReport.h"

struct InspectOptions {
  bool tree = false;  // read the chunk tree of every level file (--tree)
};

// Inspects the level files, most detailed first, as trimorph would convert them. The toolkit's
// error list is emptied first, so that the set is judged as a run of trimorph starts. Throws
// std::bad_alloc when memory runs out.
SetReport InspectLevelSet(const std::vector<std::string>& files, const InspectOptions& options);

#endif  // TRIMORPH_INSPECT_INSPECTION_H
