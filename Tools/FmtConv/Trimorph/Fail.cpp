// Failure reporting: the progress context, the message buffer and Fail.
#include "Fail.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolkit3ds/toolkit3ds.h"

namespace {

char gContext[TEXT_BUFFER_SIZE];
char gMessage[TEXT_BUFFER_SIZE];

}  // namespace

void SetContext(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(gContext, sizeof gContext, format, args);
  va_end(args);
}

const char* GetContext() {
  return gContext;
}

const char* MakeMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(gMessage, sizeof gMessage, format, args);
  va_end(args);
  return gMessage;
}

void Fail(const char* message, bool showToolkitErrors) {
  printf("While %s\n", gContext);
  printf("%s\n", message ? message : "Unexpected error occurred");
  if (showToolkitErrors) DumpErrorList3ds(stdout);
  fflush(stdout);
#ifdef TRIMORPH_FUZZING
  throw ConversionFailed{FAIL_EXIT_STATUS};
#else
  exit(FAIL_EXIT_STATUS);
#endif
}

void FailOutOfMemory() {
  fputs("trimorph: out of memory\n", stderr);
  Fail(nullptr, false);
}

void ReportSystemError(const char* name, int error) {
  if (error) fprintf(stderr, "trimorph: %s: %s\n", name, strerror(error));
}
