// The problems found in a shape file, each with its line.
#ifndef TRIMORPH_SHAPEFILE_SHAPEPROBLEMS_H
#define TRIMORPH_SHAPEFILE_SHAPEPROBLEMS_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ShapeModel.h"

namespace shapefile {

struct Problem {
  Line line = 0;  // 0: the file as a whole
  std::string what;
};

// Keeps the first problems found and counts the others, so that a badly broken file of any
// size costs little memory.
class Problems {
 public:
  static constexpr size_t MAX_LISTED = 1000;

  // Adds a problem made of the pieces (texts and integers), joined without separators.
  template <class... Pieces>
  void Add(Line line, const Pieces&... pieces) {
    ++count_;
    if (listed_.size() >= MAX_LISTED) return;
    std::string what;
    (Append(what, pieces), ...);
    listed_.push_back({line, std::move(what)});
  }

  // The problems kept, in the order found.
  const std::vector<Problem>& Listed() const { return listed_; }
  // All problems found, kept or not.
  size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // Orders the kept problems by line, keeping the order of those on one line.
  void SortByLine() {
    std::stable_sort(listed_.begin(), listed_.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
  }

 private:
  static void Append(std::string& s, std::string_view piece) { s.append(piece); }
  static void Append(std::string& s, const char* piece) { s.append(piece); }
  static void Append(std::string& s, const std::string& piece) { s.append(piece); }
  static void Append(std::string& s, char c) { s.push_back(c); }
  static void Append(std::string& s, long long n) { s += std::to_string(n); }
  static void Append(std::string& s, long n) { s += std::to_string(n); }
  static void Append(std::string& s, int n) { s += std::to_string(n); }
  // size_t is unsigned long on LP64 systems, unsigned long long on Windows.
  static void Append(std::string& s, unsigned long long n) { s += std::to_string(n); }
  static void Append(std::string& s, unsigned long n) { s += std::to_string(n); }
  static void Append(std::string& s, unsigned n) { s += std::to_string(n); }

  std::vector<Problem> listed_;
  size_t count_ = 0;
};

}  // namespace shapefile

#endif  // TRIMORPH_SHAPEFILE_SHAPEPROBLEMS_H
