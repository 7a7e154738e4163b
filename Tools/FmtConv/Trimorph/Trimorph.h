// The conversion driver: command line, distances from file names and the loop over levels of
// detail. Failures are reported through Fail (Fail.h).
#ifndef TRIMORPH_TRIMORPH_H
#define TRIMORPH_TRIMORPH_H

#include "Problem.h"
#include "ToolkitRecords.h"

class Shape;

// The maximum visible distance: the decimal number just before the last '.' of the name.
bool ParseMaxDist(const char* fileName, int& maxDist);

// The checks of the run, in the order in which it makes them (Problem.h):
//
// The output name must not be a level file or end in .3ds (OUTPUT_REPLACES_3DS), and must not
// look like an option (OUTPUT_LOOKS_LIKE_OPTION).
Problem CheckOutputName(const char* outName, int numLevels, char* const* levelNames);
// A level file's name gives its maximum distance (NO_DISTANCE_IN_NAME).
Problem CheckLevelFileName(const char* fileName, int& maxDist);
// Opens a level file and reads it into a database detached from the file, held by db:
// TOOLKIT_ERRORS when a step of reading fails (with the operating system's reason when the file
// cannot be opened), NOT_A_MESH_FILE when the file is no mesh file.
Problem TryOpenMeshFile(const char* fileName, DatabaseHandle& db);
// TryOpenMeshFile, failing on its problem.
void OpenMeshFile(const char* fileName, DatabaseHandle& db);
// After the last level: some face of some level has a material (NO_TRIANGLES).
Problem CheckHasTriangles(const Shape& shape);

// The most threads the -j option asks for; more are taken as this many.
constexpr int MAX_THREADS = 256;

// The option -jN (N a positive decimal number) before the output name: with N of 2 or more a
// second thread helps import the levels, and the text of the shape file is made by up to N
// threads; -j1 converts on one thread. True with threads set when arg is that option; anything
// else is not an option (and, as an output name, refused as looking like one).
bool ParseThreadsOption(const char* arg, int& threads);

// The threads of a conversion without -jN: two where the machine has two processors or more and
// they are not all busy (on POSIX systems, the load average of the last minute is below the
// number of processors), else one. The shape file is the same whatever the number.
int DefaultThreads();

// The whole program: returns the exit status after the banner or a successful conversion. A
// leading -jN sets the number of threads (by default DefaultThreads()).
int TrimorphMain(int argc, char** argv);

// The usage banner, printed when fewer than two arguments are given.
extern const char* const USAGE_BANNER;

#endif  // TRIMORPH_TRIMORPH_H
