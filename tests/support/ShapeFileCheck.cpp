// Shape files held to the checker's rules and Trimorph's layout.
#include "ShapeFileCheck.h"

#include "ShapeFile.h"

namespace {

::testing::AssertionResult Verdict(const shapefile::ReadResult& r) {
  if (!r.readable) return ::testing::AssertionFailure() << "unreadable: " << r.error;
  if (r.problems.Empty()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << r.problems.Count() << " problems:";
  size_t shown = 0;
  for (const shapefile::Problem& p : r.problems.Listed()) {
    if (++shown > 20) break;
    failure << "\n  line " << p.line << ": " << p.what;
  }
  return failure;
}

}  // namespace

::testing::AssertionResult ShapeFileIsSound(const std::string& path) {
  return Verdict(shapefile::CheckShapeFile(path, true));
}

::testing::AssertionResult ShapeTextIsSound(const std::string& text) {
  return Verdict(shapefile::CheckShapeText(text, true));
}
