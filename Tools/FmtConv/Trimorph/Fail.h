// Failure reporting: the one way in which the converter stops.
//
// A check that does not hold calls Fail, which prints what the program was doing (the progress
// context) and why it stopped, optionally adds the toolkit's list of pending errors, and ends
// the process with status -5. Every part of the converter may include this header; it depends
// on nothing of the converter.
#ifndef TRIMORPH_FAIL_H
#define TRIMORPH_FAIL_H

#include <cstddef>

// Size of the progress-context and message buffers, terminator included.
constexpr size_t TEXT_BUFFER_SIZE = 512;

// The exit status of every failure (seen as 251 where statuses are unsigned bytes).
constexpr int FAIL_EXIT_STATUS = -5;

// Formats the progress context ("reading level of detail ...", "writing ..."). Longer texts are
// cut to fit the buffer.
void SetContext(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The current progress context.
const char* GetContext();
// Formats a failure message into the message buffer and returns the buffer.
const char* MakeMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints "While <context>", the message (or "Unexpected error occurred"), optionally the
// toolkit's pending errors, all on standard output, and ends the process with status -5.
[[noreturn]] void Fail(const char* message, bool showToolkitErrors);
// The failure of a run that ran out of memory: "trimorph: out of memory" on standard error, then
// Fail without a message and without the toolkit's list.
[[noreturn]] void FailOutOfMemory();

// Writes the operating system's reason for a failed file operation as one line on standard
// error ("trimorph: NAME: reason"); nothing when error is 0. The failure report itself, on
// standard output, stays as it is.
void ReportSystemError(const char* name, int error);

#ifdef TRIMORPH_FUZZING
// Fuzzing builds run many conversions in one process: there Fail, after its report, throws this
// instead of ending the process, and the harness catches it. Shipped builds never throw it.
struct ConversionFailed {
  int status;
};
#endif

#endif  // TRIMORPH_FAIL_H
