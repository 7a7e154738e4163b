// trimorph-check FILE.s...: reads each shape file and prints its problems, one per line as
// "FILE:LINE: what is wrong", then one line of summary per file.
//
// Exit status: 0 when every file is sound, 1 when some file has problems, 2 when some file
// cannot be read or is not a shape text file at all, or the command line is wrong.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ShapeFile.h"
#include "TrimorphVersion.h"

namespace {

const char USAGE[] =
    "usage: trimorph-check [--layout] FILE.s...\n"
    "       trimorph-check --version\n"
    "Checks the structure of shape files: counts, indices and the sums of the geometry\n"
    "headers. --layout also checks the layout that Trimorph gives its shape files.\n";

std::string Counted(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Checks one file and prints its report; returns its exit status.
int CheckFile(const std::string& path, bool layout) {
  shapefile::ReadResult r = shapefile::CheckShapeFile(path, layout);
  if (!r.readable) {
    printf("%s: cannot be checked: %s\n", path.c_str(), r.error.c_str());
    return 2;
  }
  for (const shapefile::Problem& p : r.problems.Listed()) {
    if (p.line > 0) {
      printf("%s:%ld: %s\n", path.c_str(), p.line, p.what.c_str());
    } else {
      printf("%s: %s\n", path.c_str(), p.what.c_str());
    }
  }
  const size_t unlisted = r.problems.Count() - r.problems.Listed().size();
  if (unlisted) printf("%s: %zu more problems not listed\n", path.c_str(), unlisted);

  shapefile::Summary s = shapefile::Summarize(r.shape);
  std::string contents = Counted(size_t(s.distanceLevels), "distance level", "distance levels") +
                         ", " + Counted(size_t(s.nodes), "matrix", "matrices") + ", " +
                         Counted(size_t(s.subObjects), "sub-object", "sub-objects") + ", " +
                         Counted(size_t(s.triangles), "triangle", "triangles");
  if (r.problems.Empty()) {
    printf("%s: sound: %s\n", path.c_str(), contents.c_str());
    return 0;
  }
  printf("%s: %s: %s\n", path.c_str(), Counted(r.problems.Count(), "problem", "problems").c_str(),
         contents.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool layout = false;
  std::vector<std::string> files;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (options && a[0] == '-' && a[1]) {
      if (!strcmp(a, "--")) {
        options = false;
      } else if (!strcmp(a, "--version")) {
        printf("trimorph-check %s\n", TRIMORPH_VERSION);
        return 0;
      } else if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
        fputs(USAGE, stdout);
        return 0;
      } else if (!strcmp(a, "--layout")) {
        layout = true;
      } else {
        fprintf(stderr, "trimorph-check: unknown option '%s'\n%s", a, USAGE);
        return 2;
      }
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    fputs(USAGE, stderr);
    return 2;
  }
  int status = 0;
  for (const std::string& f : files) {
    int s = CheckFile(f, layout);
    if (s > status) status = s;
  }
  return status;
}
