// The shape file on its way to disk: a temporary file beside the output, put in its place once
// complete. The system's own steps are in OutputFileSystem.h.
#include "OutputFile.h"

#include <cerrno>
#include <cstdlib>

#include "OutputFileSystem.h"

namespace {

// The temporary file being written, removed when the process ends before it is in place: a
// failure ends the process right after its report. One output is written at a time.
std::string* gPendingTemp = nullptr;

void RemovePendingTemp() {
  if (gPendingTemp && !gPendingTemp->empty()) outputfs::Remove(*gPendingTemp);
}

void SetPendingTemp(const std::string& name) {
  if (!gPendingTemp) {
    gPendingTemp = new std::string;
    atexit(RemovePendingTemp);
  }
  *gPendingTemp = name;
}

void ClearPendingTemp() {
  if (gPendingTemp) gPendingTemp->clear();
}

}  // namespace

OutputFile::~OutputFile() {
  Discard();
}

bool OutputFile::Open(const char* name) {
  Discard();
  mError = 0;
  if (!name || !*name) {
    mError = ENOENT;
    return false;
  }
  mTarget = outputfs::WriteTarget(name);

  outputfs::Existing existing = outputfs::Existing::NOTHING;
  if (!outputfs::Inspect(mTarget, existing, mAttributes, mError)) return false;
  switch (existing) {
    case outputfs::Existing::DIRECTORY:
      mError = EISDIR;
      return false;
    case outputfs::Existing::OTHER:
      // A device or a pipe cannot be replaced; it takes the text as it comes.
      mInPlace = true;
      mStream = outputfs::OpenInPlace(mTarget, mError);
      return mStream != nullptr;
    case outputfs::Existing::FILE:
      mReplaces = true;
      break;
    case outputfs::Existing::NOTHING:
      mReplaces = false;
      break;
  }

  // "<dir>/.<name>.XXXXXX": in the same directory (so that it is put in place on the same file
  // system), the name cut so that the temporary name's last part stays within 255 bytes.
  size_t dirEnd = outputfs::DirectoryEnd(mTarget);
  std::string dir = mTarget.substr(0, dirEnd);
  std::string base = mTarget.substr(dirEnd);
  if (base.empty()) {
    mError = EISDIR;
    return false;
  }
  std::string temp;
  mStream = outputfs::CreateUnique(dir + "." + base.substr(0, 200) + ".", temp, mError);
  if (!mStream) return false;
  mTempName = temp;
  SetPendingTemp(mTempName);
  return true;
}

bool OutputFile::Commit() {
  if (!mStream) return false;
  // The first step that fails names the reason.
  auto failed = [this](int error) {
    if (!mError) mError = error ? error : EIO;
    return false;
  };
  errno = 0;
  bool ok = (fflush(mStream) == 0 && !ferror(mStream)) || failed(errno);
  if (mInPlace) {
    if (fclose(mStream) != 0) ok = failed(errno);
    mStream = nullptr;
    mInPlace = false;
    return ok;
  }
  // Attributes as the replaced file had them, and the text on disk before the file is put in
  // place, so that a crash leaves the old file or the new one, never an empty one.
  if (ok) {
    if (int error = outputfs::Finish(mStream, mReplaces, mAttributes)) ok = failed(error);
  }
  errno = 0;
  if (fclose(mStream) != 0 && ok) ok = failed(errno);
  mStream = nullptr;
  if (ok) {
    if (int error = outputfs::Replace(mTempName, mTarget)) ok = failed(error);
  }
  if (!ok) outputfs::Remove(mTempName);
  mTempName.clear();
  ClearPendingTemp();
  return ok;
}

void OutputFile::Discard() {
  if (mStream) fclose(mStream);
  mStream = nullptr;
  mInPlace = false;
  if (!mTempName.empty()) {
    outputfs::Remove(mTempName);
    mTempName.clear();
    ClearPendingTemp();
  }
}
