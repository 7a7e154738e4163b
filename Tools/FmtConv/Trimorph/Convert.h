// The conversion run proper, shared by the program's entry point and by harnesses that run
// many conversions in one process.
#ifndef TRIMORPH_CONVERT_H
#define TRIMORPH_CONVERT_H

class Shape;

// Reads the level files, most detailed first, into shape and writes the combined shape file to
// outName. Returns only after a successful conversion; every failure goes through Fail.
void ConvertLevels(Shape& shape, const char* outName, int numLevels, char* const* levelNames);

#ifdef TRIMORPH_FUZZING
// Fuzzing builds run many conversions in one process: there Fail, after its report, throws this
// instead of ending the process, and the harness catches it. Shipped builds never throw it.
struct ConversionFailed {
  int status;
};
#endif

#endif  // TRIMORPH_CONVERT_H
