// A program that fails while its output file is open, as a conversion does when writing the
// shape file fails part way: its end must take the temporary file with it.
//
//   exit_while_writing OUTPUT
#include <cstdio>

#include "OutputFile.h"
#include "Fail.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // Never destroyed: only the end of the process can remove its file.
  static OutputFile* file = new OutputFile;
  if (!file->Open(argv[1])) return 3;
  fputs("new", file->Stream());
  SetContext("writing");
  Fail("stopped", false);
}
