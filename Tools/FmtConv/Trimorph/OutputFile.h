// The shape file on its way to disk.
//
// The text is written to a temporary file in the output's own directory and renamed over the
// output name only once it is complete, flushed to disk and closed without error; until then an
// existing file of that name stays exactly as it was. A failure at any step removes the
// temporary file, and so does the end of the process (the failure report ends it), so nothing
// is left behind.
//
// The finished file gets the permissions that opening the name for writing would have given
// it: those of the file it replaces, or 0666 less the umask for a new file. A symbolic link
// under the output name stays a link: the file it leads to is replaced. A device or a pipe
// under the output name is written in place, as it cannot be replaced.
#ifndef TRIMORPH_OUTPUTFILE_H
#define TRIMORPH_OUTPUTFILE_H

#include <sys/types.h>

#include <cstdio>
#include <string>

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
  // The stream to write the text to; null before Open succeeds.
  FILE* Stream() const { return mStream; }
  // Flushes, syncs and closes the temporary file and renames it over the output name. False
  // when any step fails; the temporary file is then gone and the output name untouched.
  bool Commit();
  // Closes and removes the temporary file, leaving the output name untouched.
  void Discard();

  // The temporary name, empty when there is none (for tests).
  const std::string& TempName() const { return mTempName; }
  // The operating system's error code of the last step that failed, 0 when none is known.
  int Error() const { return mError; }

 private:
  std::string mTarget;    // the name the file ends up under, symbolic links followed
  std::string mTempName;  // the temporary file, while it exists
  FILE* mStream = nullptr;
  bool mInPlace = false;  // the output is a device or pipe, written directly
  bool mReplaces = false;
  int mError = 0;
  mode_t mMode = 0;  // permissions of the finished file
  uid_t mUid = 0;    // owner of the file replaced
  gid_t mGid = 0;
};

// True when both names lead to one existing file (the same device and file number, so links
// and other spellings of a name count).
bool NamesSameFile(const char* a, const char* b);

#endif  // TRIMORPH_OUTPUTFILE_H
