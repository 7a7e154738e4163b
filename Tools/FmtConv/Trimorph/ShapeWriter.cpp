// The shape text file writer.
#include "Shape.h"

void Shape::WriteShape(const char*) {
  // The writer is still to come; nothing may pretend that a file was written.
  Fail(nullptr, false);
}
