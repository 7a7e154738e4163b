// The conversion driver: command line, distances from file names, the loop over levels of
// detail, and the one way in which the converter reports a failure.
#ifndef TRIMORPH_TRIMORPH_H
#define TRIMORPH_TRIMORPH_H

#include <cstddef>

struct Database3ds;

// Size of the progress-context and message buffers, terminator included.
constexpr size_t TEXT_BUFFER_SIZE = 512;

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

// Writes the operating system's reason for a failed file operation as one line on standard
// error ("trimorph: NAME: reason"); nothing when error is 0. The failure report itself, on
// standard output, stays as it is.
void ReportSystemError(const char* name, int error);

// The exit status of every failure (seen as 251 where statuses are unsigned bytes).
constexpr int FAIL_EXIT_STATUS = -5;

// The maximum visible distance: the decimal number just before the last '.' of the name.
bool ParseMaxDist(const char* fileName, int& maxDist);

// Opens a level file and reads it into a database detached from the file; fails unless the
// file is a mesh file.
void OpenMeshFile(const char* fileName, Database3ds*& db);

// The whole program: returns the exit status after the banner or a successful conversion.
int TrimorphMain(int argc, char** argv);

// The usage banner, printed when fewer than two arguments are given.
extern const char* const USAGE_BANNER;

#endif  // TRIMORPH_TRIMORPH_H
