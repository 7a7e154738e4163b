// The conversion run proper, shared by the program's entry point and by harnesses that run
// many conversions in one process.
#ifndef TRIMORPH_CONVERT_H
#define TRIMORPH_CONVERT_H

class Shape;

// Reads the level files, most detailed first, into shape and writes the combined shape file to
// outName; with threads of two or more a second thread helps import the levels, and the text is
// made by up to threads threads. Returns only after a successful conversion; every failure goes
// through Fail (Fail.h), memory that runs out included.
void ConvertLevels(Shape& shape, const char* outName, int numLevels, char* const* levelNames,
                   int threads = 1);

#endif  // TRIMORPH_CONVERT_H
