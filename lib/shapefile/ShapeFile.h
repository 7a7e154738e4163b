// A reader of shape text files, for tests and tools: parses the parenthesised text into a tree
// and checks its structure (every count equals the number of items that follow it, every index
// lies in the range of the list it points into).
#ifndef TRIMORPH_TESTS_SHAPEFILE_H
#define TRIMORPH_TESTS_SHAPEFILE_H

#include <string>
#include <vector>

namespace shapefile {

// One item of a list: a plain word (number or name), or a named list "name ( items )".
struct Item {
  std::string word;   // the word, or the list's name
  std::string label;  // the node name of "matrix NAME ( ... )" and "anim_node NAME ( ... )"
  bool isList = false;
  std::vector<Item> items;  // a list's items

  // The named lists among the items, in order.
  std::vector<const Item*> Lists(const std::string& name) const;
  const Item* List(const std::string& name) const;  // the first, or null
  // The plain words among the items, in order.
  std::vector<std::string> Words() const;
  // The first plain word as an integer (a list's count); throws when there is none.
  long Count() const;
};

// Parses the whole file: the header line, then "shape ( ... )". Throws std::runtime_error on
// text that is not well formed (unbalanced parentheses, missing header).
Item Parse(const std::string& text);

// Structural problems of a shape file, one message each; empty when the file is sound.
std::vector<std::string> CheckStructure(const std::string& text);

struct Summary {
  long distanceLevels = 0;
  long nodes = 0;
  long subObjects = 0;  // over all distance levels
  long triangles = 0;   // over all distance levels
};

Summary Summarize(const std::string& text);

}  // namespace shapefile

#endif  // TRIMORPH_TESTS_SHAPEFILE_H
