// The shape file on its way to disk.
//
// The text is written to a temporary file in the output's own directory and put in the output's
// place only once it is complete, flushed to disk and closed without error; until then an
// existing file of that name stays exactly as it was. A failure at any step removes the
// temporary file, and so does the end of the process (the failure report ends it), so nothing
// is left behind.
//
// The finished file gets what opening the name for writing would have given it: on POSIX
// systems the permissions and owner of the file it replaces, or 0666 less the umask for a new
// file; on Windows the attributes of the file it replaces. On POSIX systems a symbolic link
// under the output name stays a link: the file it leads to is replaced. A device or a pipe under
// the output name is written in place, as it cannot be replaced.
//
// The steps that differ between systems are in OutputFilePosix.cpp and OutputFileWindows.cpp
// (behind OutputFileSystem.h); this class runs them in the same order everywhere.
#ifndef TRIMORPH_OUTPUTFILE_H
#define TRIMORPH_OUTPUTFILE_H

#include <cstdio>
#include <string>

// What the finished file takes over from the file it replaces, or gets as a new file: the
// permission bits and owner on POSIX systems, the file attributes on Windows.
struct OutputAttributes {
  unsigned long mode = 0;
  long long owner = -1;
  long long group = -1;
};

class OutputFile {
 public:
  OutputFile() = default;
  // Removes the temporary file unless Commit succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file for the output name. False when it cannot be had (a missing or
  // unwritable directory, a directory or a read-only file under the output name).
  bool Open(const char* name);
  // The stream to write the text to (binary: the text's line ends are written as they are);
  // null before Open succeeds.
  FILE* Stream() const { return mStream; }
  // Flushes the temporary file to disk, closes it and puts it in the output's place. False
  // when any step fails; the temporary file is then gone and the output name untouched.
  bool Commit();
  // Closes and removes the temporary file, leaving the output name untouched.
  void Discard();

  // The temporary name, empty when there is none (for tests).
  const std::string& TempName() const { return mTempName; }
  // The reason of the last step that failed as an errno value, 0 when none is known.
  int Error() const { return mError; }

 private:
  std::string mTarget;    // the name the file ends up under, symbolic links followed
  std::string mTempName;  // the temporary file, while it exists
  FILE* mStream = nullptr;
  bool mInPlace = false;  // the output is a device or pipe, written directly
  bool mReplaces = false;
  int mError = 0;
  OutputAttributes mAttributes;  // for the finished file
};

// Asks the system to start putting on disk what has been written to stream so far, without
// waiting for it: the text then travels to the disk while the rest is being made, and the flush
// to disk that ends the output waits only for the last of it. Failures are left to the stream's
// error state and the final flush; where the system has no such request, nothing happens.
void StartWriteback(FILE* stream);

// True when both names lead to one existing file (the same device and file number, or volume
// and file index, so links and other spellings of a name count).
bool NamesSameFile(const char* a, const char* b);

#endif  // TRIMORPH_OUTPUTFILE_H
