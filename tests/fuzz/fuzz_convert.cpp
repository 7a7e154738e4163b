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
  static const std::string out = fuzz::WorkFile("out.s");

  const std::vector<std::string> files = fuzz::WriteLevels(data, size);
  const int numLevels = int(files.size());
  char* names[2] = {const_cast<char*>(files[0].c_str()), const_cast<char*>(files.back().c_str())};

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
