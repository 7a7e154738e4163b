// OutputFile's steps on POSIX systems: symbolic links followed, a temporary file from mkstemp,
// the replaced file's permissions and owner, writeback started as the text comes, fsync,
// and rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "OutputFileSystem.h"

namespace {

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

namespace outputfs {

// Relative link targets are taken from the link's directory. A chain that does not end is left
// to fail later.
std::string WriteTarget(const char* name) {
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

bool Inspect(const std::string& target, Existing& existing, OutputAttributes& attributes,
             int& error) {
  struct stat st;
  if (stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      error = errno;
      return false;
    }
    existing = Existing::NOTHING;
    attributes = OutputAttributes();
    attributes.mode = 0666 & ~CurrentUmask();
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    existing = Existing::DIRECTORY;
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    existing = Existing::OTHER;
    return true;
  }
  // Opening a file the user may not write fails; its replacement must too.
  if (access(target.c_str(), W_OK) != 0) {
    error = errno;
    return false;
  }
  existing = Existing::FILE;
  attributes.mode = st.st_mode & 0777;
  attributes.owner = st.st_uid;
  attributes.group = st.st_gid;
  return true;
}

size_t DirectoryEnd(const std::string& name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

FILE* CreateUnique(const std::string& prefix, std::string& name, int& error) {
  std::string templ = prefix + "XXXXXX";
  int fd = mkstemp(&templ[0]);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    error = errno;
    close(fd);
    unlink(templ.c_str());
    return nullptr;
  }
  name = templ;
  return stream;
}

FILE* OpenInPlace(const std::string& target, int& error) {
  FILE* stream = fopen(target.c_str(), "wb");
  if (!stream) error = errno;
  return stream;
}

int Finish(FILE* stream, bool replaces, const OutputAttributes& attributes) {
  int fd = fileno(stream);
  // Changing the owner needs privileges and is skipped without them; both before the file
  // appears under its name.
  if (replaces && fchown(fd, uid_t(attributes.owner), gid_t(attributes.group)) != 0) {
  }
  if (fchmod(fd, mode_t(attributes.mode)) != 0) {
  }
  if (fsync(fd) != 0 && errno != EINVAL) return errno;
  return 0;
}

int Replace(const std::string& temp, const std::string& target) {
  return rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

void Remove(const std::string& name) {
  unlink(name.c_str());
}

}  // namespace outputfs

void StartWriteback(FILE* stream) {
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
  if (fflush(stream) != 0) return;
  // The whole file: only its pages not yet on their way are started. Pipes and devices refuse.
  sync_file_range(fileno(stream), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
  (void)stream;
#endif
}

bool NamesSameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
