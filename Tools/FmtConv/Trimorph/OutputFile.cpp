// The shape file on its way to disk: a temporary file beside the output, renamed over it once
// complete.
#include "OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// The temporary file being written, removed when the process ends before it is renamed: a
// failure ends the process right after its report. One output is written at a time.
std::string* gPendingTemp = nullptr;

void RemovePendingTemp() {
  if (gPendingTemp && !gPendingTemp->empty()) unlink(gPendingTemp->c_str());
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

// The name a write to name ends up in: symbolic links followed, relative link targets taken
// from the link's directory. A chain that does not end is left to fail later.
std::string FollowLinks(const std::string& name) {
  std::string target = name;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::vector<char> buf(st.st_size > 0 ? size_t(st.st_size) + 1 : 4096);
    ssize_t n = readlink(target.c_str(), buf.data(), buf.size());
    if (n <= 0 || size_t(n) >= buf.size()) break;
    std::string link(buf.data(), size_t(n));
    if (link[0] == '/') {
      target = link;
    } else {
      size_t slash = target.rfind('/');
      target = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
    }
  }
  return target;
}

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
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
  mTarget = FollowLinks(name);

  struct stat st;
  if (stat(mTarget.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      mError = EISDIR;
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe cannot be replaced; it takes the text as it comes.
      mInPlace = true;
      mStream = fopen(mTarget.c_str(), "wb");
      if (!mStream) mError = errno;
      return mStream != nullptr;
    }
    // Opening a file the user may not write fails; its replacement must too.
    if (access(mTarget.c_str(), W_OK) != 0) {
      mError = errno;
      return false;
    }
    mReplaces = true;
    mMode = st.st_mode & 0777;
    mUid = st.st_uid;
    mGid = st.st_gid;
  } else if (errno != ENOENT) {
    mError = errno;
    return false;
  } else {
    mReplaces = false;
    mMode = 0666 & ~CurrentUmask();
  }

  // "<dir>/.<name>.XXXXXX": hidden, in the same directory (so the rename stays on one file
  // system), the name cut so that the temporary name's last part stays within 255 bytes.
  size_t slash = mTarget.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : mTarget.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? mTarget : mTarget.substr(slash + 1);
  if (base.empty()) {
    mError = EISDIR;
    return false;
  }
  std::string temp = dir + "." + base.substr(0, 200) + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    mError = errno;
    return false;
  }
  mTempName = temp;
  SetPendingTemp(mTempName);
  mStream = fdopen(fd, "wb");
  if (!mStream) {
    mError = errno;
    close(fd);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Commit() {
  if (!mStream) return false;
  // The first step that fails names the reason.
  auto failed = [this] {
    if (!mError) mError = errno ? errno : EIO;
    return false;
  };
  errno = 0;
  bool ok = (fflush(mStream) == 0 && !ferror(mStream)) || failed();
  if (mInPlace) {
    if (fclose(mStream) != 0) ok = failed();
    mStream = nullptr;
    mInPlace = false;
    return ok;
  }
  if (ok) {
    int fd = fileno(mStream);
    // Owner and permissions as the replaced file had them (changing the owner needs privileges
    // and is skipped without them); both before the file appears under its name.
    if (mReplaces && fchown(fd, mUid, mGid) != 0) {
    }
    if (fchmod(fd, mMode) != 0) {
    }
    // The text is on disk before the rename, so that a crash leaves the old file or the new
    // one, never an empty one.
    if (fsync(fd) != 0 && errno != EINVAL) ok = failed();
  }
  if (fclose(mStream) != 0 && ok) ok = failed();
  mStream = nullptr;
  if (ok && rename(mTempName.c_str(), mTarget.c_str()) != 0) ok = failed();
  if (!ok) unlink(mTempName.c_str());
  mTempName.clear();
  ClearPendingTemp();
  return ok;
}

void OutputFile::Discard() {
  if (mStream) fclose(mStream);
  mStream = nullptr;
  mInPlace = false;
  if (!mTempName.empty()) {
    unlink(mTempName.c_str());
    mTempName.clear();
    ClearPendingTemp();
  }
}

bool NamesSameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
