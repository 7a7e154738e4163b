// Converting the models of a folder, each in a process of its own running the converter.
#ifndef TRIMORPH_ALL_BATCHRUN_H
#define TRIMORPH_ALL_BATCHRUN_H

#include <string>
#include <vector>

#include "ModelGroups.h"
#include "Progress.h"

// The first argument with which trimorph-all runs as the converter: the rest of its command
// line is the converter's, and so are its output and exit status.
extern const char* const AS_CONVERTER_ARGUMENT;
// The first argument with which trimorph-all counts the triangles of the shape file named next
// and prints the count. Counting reads the whole file into memory, several times its size, so
// it runs in a process of its own too, within the number of processes run at once.
extern const char* const COUNT_TRIANGLES_ARGUMENT;

struct ModelResult {
  bool converted = false;
  std::string reason;   // why it was not converted, in one line
  std::string report;   // the converter's report, as it wrote it
  long triangles = -1;  // in the shape file written; -1 when not known
  double seconds = 0;   // the converter's time
};

// The converter's command line for a model (without the program's name): the shape file, then
// the level files nearest first.
std::vector<std::string> ConverterArgs(const Model& model);

// The reason a converter report gives: its message, or for a failure without one "Unexpected
// error occurred" with the first of the toolkit's errors.
std::string FailureReason(const std::string& report);

// Prints the triangles of a shape file (COUNT_TRIANGLES_ARGUMENT); returns the exit status.
int CountTrianglesMain(const char* shapeFile);

// Converts every model, at most jobs at once, each by program (trimorph-all itself) started
// with AS_CONVERTER_ARGUMENT (and, when more than one model is converted at once, the
// converter's -j1: one thread each), and counts the triangles of the shape files written. The
// results are in the order of the models.
std::vector<ModelResult> ConvertModels(const std::vector<Model>& models, int jobs,
                                       const std::string& program, Progress& progress);

#endif  // TRIMORPH_ALL_BATCHRUN_H
