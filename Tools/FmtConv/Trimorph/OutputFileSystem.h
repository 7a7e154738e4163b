// The host system's part of OutputFile: OutputFilePosix.cpp on POSIX systems,
// OutputFileWindows.cpp on Windows; the build compiles one of them. Names are those the user
// gave, in the command line's encoding; failures are given as errno values, so that the
// reasons read the same on every system.
#ifndef TRIMORPH_OUTPUTFILESYSTEM_H
#define TRIMORPH_OUTPUTFILESYSTEM_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "OutputFile.h"

namespace outputfs {

// What lies under a name.
enum class Existing { NOTHING, FILE, DIRECTORY, OTHER };

// The name a write to name ends up in (on POSIX systems symbolic links are followed).
std::string WriteTarget(const char* name);

// Looks at target. For a file the user may write, FILE with the attributes it passes on; for a
// missing name, NOTHING with the attributes of a new file; OTHER for a device or a pipe. False,
// with error set, when it cannot be looked at or is a file the user may not write.
bool Inspect(const std::string& target, Existing& existing, OutputAttributes& attributes,
             int& error);

// Where the directory part of a name ends: just after its last separator, 0 when it has none.
size_t DirectoryEnd(const std::string& name);

// Creates a file that did not exist under prefix followed by six characters of the system's
// choosing, and opens it for writing in binary mode; name receives the whole name. Null with
// error set when no file could be created.
FILE* CreateUnique(const std::string& prefix, std::string& name, int& error);

// Opens a device or pipe for writing in binary mode; null with error set on failure.
FILE* OpenInPlace(const std::string& target, int& error);

// The written and flushed stream's file, still open: gives it the attributes and puts its
// content on disk. Returns 0 or the reason of the failure.
int Finish(FILE* stream, bool replaces, const OutputAttributes& attributes);

// Puts the closed temporary file in the target's place in one step, replacing what is there.
// Returns 0 or the reason of the failure; the target is untouched then.
int Replace(const std::string& temp, const std::string& target);

// Removes a file; failures are ignored. Also called from the handler at the end of the process,
// possibly while the file is still open.
void Remove(const std::string& name);

}  // namespace outputfs

#endif  // TRIMORPH_OUTPUTFILESYSTEM_H
