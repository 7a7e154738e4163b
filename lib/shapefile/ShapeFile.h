// The shape text reader in short, for programs and tests: the problems of a text, and a summary
// of what it holds. ShapeReader.h reads a file into the model of ShapeModel.h; ShapeCheck.h
// checks the model.
#ifndef TRIMORPH_SHAPEFILE_SHAPEFILE_H
#define TRIMORPH_SHAPEFILE_SHAPEFILE_H

#include <string>
#include <vector>

#include "ShapeCheck.h"
#include "ShapeModel.h"
#include "ShapeProblems.h"
#include "ShapeReader.h"

namespace shapefile {

// The problems of a shape text (its form and what the format requires, not Trimorph's own
// layout), each "LINE: what" in the order of the lines; empty when the text is sound.
std::vector<std::string> CheckStructure(const std::string& text);

struct Summary {
  long distanceLevels = 0;
  long nodes = 0;       // matrices
  long subObjects = 0;  // over all distance levels
  long triangles = 0;   // of the triangle lists of all distance levels
};

Summary Summarize(const Shape& shape);
// Throws std::runtime_error when the text is not a shape text or its parentheses do not
// balance.
Summary Summarize(const std::string& text);

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPEFILE_H
