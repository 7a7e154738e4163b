// The shape text reader that end-to-end tests rely on must itself notice broken files.
#include <gtest/gtest.h>

#include <string>

#include "ShapeFile.h"
#include "Subprocess.h"

namespace {

// The demo's shape file, converted afresh.
std::string DemoText(const TempDir& dir) {
  const std::string samples = std::string(TRIMORPH_SOURCE_DIR) + "/samples/";
  ChildResult r = RunTrimorph({dir.File("tram.s"), samples + "tram50.3ds", samples + "tram200.3ds",
                               samples + "tram1000.3ds"});
  EXPECT_EQ(r.status, 0) << r.out;
  return ReadFileBytes(dir.File("tram.s"));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(ShapeFileCheck, NoticesBrokenCountsAndIndices) {
  TempDir dir;
  const std::string good = DemoText(dir);
  ASSERT_TRUE(shapefile::CheckStructure(good).empty());
  const struct {
    const char* what;
    std::string from, to;
  } cases[] = {
      {"points count", "\tpoints ( 40\r\n", "\tpoints ( 41\r\n"},
      {"matrices count", "\tmatrices ( 5\r\n", "\tmatrices ( 4\r\n"},
      {"vertex point index", "vertex ( 00000000 0 ", "vertex ( 00000000 400 "},
      {"texture image index", "texture ( 0 0 -3", "texture ( 9 0 -3"},
      {"hierarchy parent", "hierarchy ( 5 -1 0", "hierarchy ( 5 -1 7"},
      {"unbalanced", "\tcolours ( 0 )\r\n", "\tcolours ( 0 \r\n"},
      {"missing header", "VELTAA", "VELTAB"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(shapefile::CheckStructure(Replace(good, c.from, c.to)).empty()) << c.what;
  }
}

}  // namespace
