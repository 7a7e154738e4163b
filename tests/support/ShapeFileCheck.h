// Whether a shape file that Trimorph wrote is sound: read and checked as trimorph-check does
// it, with Trimorph's own layout besides the format's rules. On failure the message lists the
// problems with their lines.
#ifndef TRIMORPH_TESTS_SHAPEFILECHECK_H
#define TRIMORPH_TESTS_SHAPEFILECHECK_H

#include <gtest/gtest.h>

#include <string>

// The file at path, read in blocks as the program reads it.
::testing::AssertionResult ShapeFileIsSound(const std::string& path);
// A text in memory.
::testing::AssertionResult ShapeTextIsSound(const std::string& text);

#endif  // TRIMORPH_TESTS_SHAPEFILECHECK_H
