// The command line of trimorph-all.
#include "AllOptions.h"

#include <cstring>

const char* const ALL_USAGE =
    "Usage: trimorph-all [-r] [-j N] [--dry-run] FOLDER [OUT_FOLDER]\n"
    "\n"
    "Converts every model in FOLDER. The level files of a model are named\n"
    "{base name}{max dist}.3ds; the files of one base name (letter case ignored) are\n"
    "converted, nearest first, into {base name}.s in OUT_FOLDER, or beside the levels\n"
    "when OUT_FOLDER is not given. Each model is converted as trimorph would, in a\n"
    "process of its own; a model that fails leaves its existing shape file untouched.\n"
    "\n"
    "Options:\n"
    "  -r          search the subfolders too; with OUT_FOLDER, a model of a subfolder\n"
    "              is written to the same subfolder of OUT_FOLDER\n"
    "  -j N        convert N models at once (1 to 256; default: one per processor)\n"
    "  --dry-run   list the models and the commands that would convert them, and stop\n"
    "  --help      print this text\n"
    "  --version   print the version\n"
    "\n"
    "Exit status: 0 when every model was converted, 1 when a model failed, a level\n"
    "file's name gives no distance or nothing was found, 2 for a usage error.\n";

namespace {

// A whole decimal number from 1 to MAX_JOBS.
bool ParseJobs(const char* text, int& jobs) {
  if (!*text) return false;
  long value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > MAX_JOBS) return false;
  }
  if (value < 1) return false;
  jobs = int(value);
  return true;
}

}  // namespace

bool ParseAllOptions(int argc, char** argv, AllOptions& options, std::string& error) {
  int positional = 0;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnd && arg[0] == '-' && arg[1] != '\0') {
      if (!strcmp(arg, "--")) {
        optionsEnd = true;
      } else if (!strcmp(arg, "-r")) {
        options.recursive = true;
      } else if (!strcmp(arg, "--dry-run")) {
        options.dryRun = true;
      } else if (!strcmp(arg, "--help") || !strcmp(arg, "-h")) {
        options.help = true;
      } else if (!strcmp(arg, "--version")) {
        options.version = true;
      } else if (!strncmp(arg, "-j", 2)) {
        const char* value = arg[2] ? arg + 2 : (i + 1 < argc ? argv[++i] : nullptr);
        if (!value || !ParseJobs(value, options.jobs)) {
          error = "-j needs a number of models from 1 to " + std::to_string(MAX_JOBS);
          return false;
        }
      } else {
        error = std::string("unknown option '") + arg + "'";
        return false;
      }
      continue;
    }
    if (positional == 0) {
      options.folder = arg;
    } else if (positional == 1) {
      options.outFolder = arg;
    } else {
      error = std::string("too many arguments: '") + arg + "'";
      return false;
    }
    ++positional;
  }
  if (positional == 0 && !options.help && !options.version) {
    error = "no folder given";
    return false;
  }
  return true;
}
