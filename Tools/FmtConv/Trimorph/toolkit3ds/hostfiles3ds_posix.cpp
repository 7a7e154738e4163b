// The toolkit's file access on POSIX systems: fstat, and mkstemp for the temporary name.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "hostfiles3ds.h"

bool RegularFileSize3ds(FILE* stream, uint64_t& size) {
  struct stat st;
  if (fstat(fileno(stream), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = st.st_size > 0 ? uint64_t(st.st_size) : 0;
  return true;
}

// mkstemp reserves a name that did not exist, without a race; the rename then replaces the
// empty placeholder atomically.
bool RenameAside3ds(const std::string& name, const std::string& dir, std::string& newname) {
  std::string templ = dir + "3dsXXXXXX";
  int fd = mkstemp(&templ[0]);
  if (fd < 0) return false;
  close(fd);
  if (rename(name.c_str(), templ.c_str()) != 0) {
    remove(templ.c_str());
    return false;
  }
  newname = templ;
  return true;
}
