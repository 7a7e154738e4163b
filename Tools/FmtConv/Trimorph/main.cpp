// Entry point of the trimorph program.
#include "Trimorph.h"

int main(int argc, char** argv) {
  return TrimorphMain(argc, argv);
}
