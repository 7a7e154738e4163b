// trimorph-inspect [--json] [--tree] LEVEL.3ds...: reads a set of level files, nearest first,
// as trimorph would convert them, and reports what each holds, every problem with what to
// change, and whether trimorph would convert the set.
//
// Exit status: 0 when trimorph would convert the set, 1 when it would not, 2 for a mistake in
// the command line (or when the report cannot be completed or written: memory ran out, standard
// output failed).
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Inspection.h"
#include "ReportWriters.h"
#include "TrimorphVersion.h"

namespace {

const char USAGE[] =
    "usage: trimorph-inspect [--json] [--tree] LEVEL.3ds...\n"
    "       trimorph-inspect --version\n"
    "Reads the level files of one model, nearest first, as trimorph would convert them, and\n"
    "reports what each holds and every problem with what to change. The exit status is 0\n"
    "when trimorph would convert the levels and 1 when it would not.\n"
    "  --json  the same report as one JSON document\n"
    "  --tree  the chunks of each file too, and where reading a damaged file stopped\n";

constexpr int USAGE_STATUS = 2;

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  InspectOptions options;
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!optionsEnd && a[0] == '-' && a[1]) {
      if (!strcmp(a, "--")) {
        optionsEnd = true;
      } else if (!strcmp(a, "--version")) {
        printf("trimorph-inspect %s\n", TRIMORPH_VERSION);
        return 0;
      } else if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
        fputs(USAGE, stdout);
        return 0;
      } else if (!strcmp(a, "--json")) {
        json = true;
      } else if (!strcmp(a, "--tree")) {
        options.tree = true;
      } else {
        fprintf(stderr, "trimorph-inspect: unknown option '%s'\n%s", a, USAGE);
        return USAGE_STATUS;
      }
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    fprintf(stderr, "trimorph-inspect: no level file given\n%s", USAGE);
    return USAGE_STATUS;
  }

  std::string text;
  int status;
  try {
    const SetReport report = InspectLevelSet(files, options);
    text = json ? JsonReport(report) : TextReport(report);
    status = InspectStatus(report);
  } catch (const std::bad_alloc&) {
    fputs("trimorph-inspect: out of memory\n", stderr);
    return USAGE_STATUS;
  }
  if (fwrite(text.data(), 1, text.size(), stdout) != text.size() || fflush(stdout) != 0) {
    perror("trimorph-inspect: standard output");
    return USAGE_STATUS;
  }
  return status;
}
