// Prints a one-line summary of a shape file: distance levels, nodes, sub-objects, triangles.
//
//   shape_summary <file.s>
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ShapeFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: shape_summary <file.s>\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the file");
    std::ostringstream text;
    text << in.rdbuf();
    shapefile::Summary s = shapefile::Summarize(text.str());
    printf("%ld distance levels, %ld nodes, %ld sub-objects, %ld triangles\n", s.distanceLevels,
           s.nodes, s.subObjects, s.triangles);
  } catch (const std::exception& e) {
    fprintf(stderr, "shape_summary: %s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
