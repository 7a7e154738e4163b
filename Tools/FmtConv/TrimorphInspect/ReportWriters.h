// The report of trimorph-inspect as text for people and as one JSON document for build
// pipelines. Both show the same: the levels with what they hold, every problem, and whether
// trimorph would convert the set.
#ifndef TRIMORPH_INSPECT_REPORTWRITERS_H
#define TRIMORPH_INSPECT_REPORTWRITERS_H

#include <string>

#include "InspectReport.h"

std::string TextReport(const SetReport& report);
// The JSON document, ending in a newline. Names from the files are escaped (JsonText.h).
std::string JsonReport(const SetReport& report);

// The exit status of the inspection: 0 when trimorph would convert the set, 1 when not.
inline int InspectStatus(const SetReport& report) {
  return report.converts ? 0 : 1;
}

#endif  // TRIMORPH_INSPECT_REPORTWRITERS_H
