// Fuzz target: a whole conversion of one or two levels of detail.
//
// The input is one .3ds file, or two laid end to end: the root chunk's length splits them, and
// what follows the first file is the second level. The levels are converted exactly as the
// program does it; a failure's report goes nowhere and its unwinding ends the run. A conversion
// that succeeds must have written a shape file that passes the checker, Trimorph's layout
// included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Convert.h"
#include "Fail.h"
#include "FuzzSupport.h"
#include "Shape.h"
#include "ShapeFile.h"
#include "toolkit3ds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  fuzz::SilenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string level1 = fuzz::WorkFile("lod50.3ds");
  static const std::string level2 = fuzz::WorkFile("lod200.3ds");
  static const std::string out = fuzz::WorkFile("out.s");

  size_t first = size;
  if (size >= 6) {
    uint32_t length = uint32_t(data[2]) | uint32_t(data[3]) << 8 | uint32_t(data[4]) << 16 |
                      uint32_t(data[5]) << 24;
    if (length >= 6 && length < size) first = length;
  }
  fuzz::WriteInput(level1, data, first);
  int numLevels = 1;
  if (first < size) {
    fuzz::WriteInput(level2, data + first, size - first);
    numLevels = 2;
  }
  char* names[2] = {const_cast<char*>(level1.c_str()), const_cast<char*>(level2.c_str())};

  fuzz::ResetToolkit();
  bool converted = false;
  {
    auto shape = std::make_unique<Shape>();
    try {
      ConvertLevels(*shape, out.c_str(), numLevels, names);
      converted = true;
    } catch (const ConversionFailed&) {
    }
  }
  fuzz::ResetToolkit();

  if (converted) {
    shapefile::ReadResult r = shapefile::CheckShapeFile(out, true);
    if (!r.readable || !r.problems.Empty()) {
      fprintf(stderr, "unsound shape file: %s\n",
              !r.readable ? r.error.c_str() : r.problems.Listed().front().what.c_str());
      abort();
    }
    remove(out.c_str());
  }
  return 0;
}
