// The conversion driver: command line, distances from file names and the loop over levels of
// detail. Failures are reported through Fail (Fail.h).
#ifndef TRIMORPH_TRIMORPH_H
#define TRIMORPH_TRIMORPH_H

#include "ToolkitRecords.h"

// The maximum visible distance: the decimal number just before the last '.' of the name.
bool ParseMaxDist(const char* fileName, int& maxDist);

// Opens a level file and reads it into a database detached from the file, held by db; fails
// unless the file is a mesh file.
void OpenMeshFile(const char* fileName, DatabaseHandle& db);

// The whole program: returns the exit status after the banner or a successful conversion.
int TrimorphMain(int argc, char** argv);

// The usage banner, printed when fewer than two arguments are given.
extern const char* const USAGE_BANNER;

#endif  // TRIMORPH_TRIMORPH_H
