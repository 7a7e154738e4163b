// Fuzz target: trimorph-inspect on one level, or two laid end to end (split as fuzz_convert
// splits them), against a conversion of the same files.
//
// The inspection must agree with the conversion: it finds the set convertible exactly when the
// conversion succeeds. Its own import of a set it found convertible must not fail (in this build
// a failure unwinds, and that unwinding out of the inspection is a finding). Its JSON document
// must be valid, damaged files and any bytes in names included, and its text must be made
// without fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Convert.h"
#include "Fail.h"
#include "FuzzSupport.h"
#include "Inspection.h"
#include "JsonCheck.h"
#include "ReportWriters.h"
#include "Shape.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WorkDir();
  fuzz::SilenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string out = fuzz::WorkFile("out.s");

  const std::vector<std::string> files = fuzz::WriteLevels(data, size);

  fuzz::ResetToolkit();
  SetReport report;
  try {
    InspectOptions options;
    options.tree = true;
    report = InspectLevelSet(files, options);
  } catch (const ConversionFailed&) {
    fprintf(stderr, "the inspection's own import failed on a set it found convertible\n");
    abort();
  }
  const std::string json = JsonReport(report);
  if (!JsonCheck(json).Valid()) {
    fprintf(stderr, "invalid JSON:\n%s\n", json.c_str());
    abort();
  }
  TextReport(report);

  fuzz::ResetToolkit();
  bool converted = false;
  {
    char* names[2] = {const_cast<char*>(files[0].c_str()), const_cast<char*>(files.back().c_str())};
    auto shape = std::make_unique<Shape>();
    try {
      ConvertLevels(*shape, out.c_str(), int(files.size()), names);
      converted = true;
    } catch (const ConversionFailed&) {
    }
  }
  fuzz::ResetToolkit();
  remove(out.c_str());
  if (converted != report.converts) {
    fprintf(stderr, "trimorph %s, the inspection says it %s\n", converted ? "converts" : "fails",
            report.converts ? "converts" : "fails");
    abort();
  }
  return 0;
}
