// The command line of trimorph-all.
#ifndef TRIMORPH_ALL_ALLOPTIONS_H
#define TRIMORPH_ALL_ALLOPTIONS_H

#include <string>

struct AllOptions {
  std::string folder;     // the folder searched for level files
  std::string outFolder;  // where the shape files go; empty: beside their levels
  bool recursive = false;
  bool dryRun = false;
  bool help = false;
  bool version = false;
  int jobs = 0;  // models converted at once; 0: one per processor
};

// The most models converted at once that -j accepts.
constexpr int MAX_JOBS = 256;

// Reads the command line into options. False, with the reason in error, on a usage error.
bool ParseAllOptions(int argc, char** argv, AllOptions& options, std::string& error);

// The text of --help.
extern const char* const ALL_USAGE;

#endif  // TRIMORPH_ALL_ALLOPTIONS_H
