// The test programs' entry point on Windows. Standard output is made binary: GoogleTest's
// reports then end their lines as on other systems, and CMake's list of the tests reads alike.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
