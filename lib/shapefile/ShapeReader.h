// The shape file reader: loads a shape text into the typed model of ShapeModel.h in one pass
// over its tokens, noting every problem of form on its line.
//
// What the reader itself notes: the header line; parentheses that do not balance; a count
// written in front of a list that differs from the number of items that follow; numbers that
// are not numbers (or not finite); items with too few or too many values; required parts that
// are missing or given twice; words and items where none belong. What refers to what (indices
// and the sums of the geometry headers) is checked on the loaded model by CheckShape
// (ShapeCheck.h).
//
// What the format allows and Trimorph never writes is read past: colours are counted, light
// materials and uv operations keep their values as written, and other kinds of primitives and
// animation controllers, as well as lists unknown here, are passed over by their parentheses.
// A list passed over is checked only for balance and, when it has the form of a counted list
// (a name ending in "s", then a count, then only named lists), for its count.
#ifndef TRIMORPH_SHAPEFILE_SHAPEREADER_H
#define TRIMORPH_SHAPEFILE_SHAPEREADER_H

#include <string>
#include <string_view>

#include "ShapeModel.h"
#include "ShapeProblems.h"
#include "ShapeTokens.h"

namespace shapefile {

// The header word that begins every shape text file.
constexpr std::string_view HEADER = "VELTAA@@@@@@@@@@JINX0s1t______";

struct ReadResult {
  // False when the input could not be read at all (error says why): a file that cannot be
  // opened or read, or a text that does not begin like a shape text file. Nothing else is
  // then valid.
  bool readable = false;
  std::string error;
  // Some parenthesis has no partner: the structure after it is a guess.
  bool unbalanced = false;
  Shape shape;
  Problems problems;
};

// Reads a text in memory.
ReadResult ReadShapeText(std::string_view text);
// Reads a file through a tokenizer of the given block size.
ReadResult ReadShapeFile(const std::string& path, size_t blockSize = size_t(1) << 20);
// Reads from a tokenizer (for inputs of other kinds).
ReadResult ReadShape(Tokenizer& tokens);

// Reads and checks: the reader's problems, those of CheckShape (ShapeCheck.h) and, when asked,
// those of CheckTrimorphLayout, in the order of their lines.
ReadResult CheckShapeText(std::string_view text, bool trimorphLayout = false);
ReadResult CheckShapeFile(const std::string& path, bool trimorphLayout = false,
                          size_t blockSize = size_t(1) << 20);

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPEREADER_H
