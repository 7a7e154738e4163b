// Shared pieces of the fuzz targets: a private work directory for the files the toolkit reads
// and the converter writes, writing an input there, and putting the toolkit's process-wide state
// back to where a fresh process starts, so that one input cannot change how the next one runs.
#ifndef TRIMORPH_FUZZ_FUZZSUPPORT_H
#define TRIMORPH_FUZZ_FUZZSUPPORT_H

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit3ds_internal.h"

namespace fuzz {

inline void RemoveWorkDir();

// A directory of this process, in memory when the host has /dev/shm (writes there cost little
// and syncing them nothing). Made on first use and removed when the process exits.
inline const std::string& WorkDir() {
  static const std::string dir = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/trimorph-fuzz-XXXXXX";
    if (!mkdtemp(&templ[0])) {
      perror("mkdtemp");
      abort();
    }
    return templ;
  }();
  static const bool cleanup = atexit(RemoveWorkDir) == 0;
  (void)cleanup;
  return dir;
}

inline void RemoveWorkDir() {
  const std::string& dir = WorkDir();
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
        unlink((dir + "/" + e->d_name).c_str());
      }
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

inline std::string WorkFile(const char* name) {
  return WorkDir() + "/" + name;
}

inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) {
    perror(path.c_str());
    abort();
  }
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) {
      perror(path.c_str());
      abort();
    }
    done += size_t(n);
  }
  close(fd);
}

// One input as one level file or two: when the input's first chunk header gives a length
// shorter than the input, the bytes after that first chunk are a second level. Returns the
// level files written, nearest first.
inline std::vector<std::string> WriteLevels(const uint8_t* data, size_t size) {
  static const std::string level1 = WorkFile("lod50.3ds");
  static const std::string level2 = WorkFile("lod200.3ds");
  size_t first = size;
  if (size >= 6) {
    uint32_t length = uint32_t(data[2]) | uint32_t(data[3]) << 8 | uint32_t(data[4]) << 16 |
                      uint32_t(data[5]) << 24;
    if (length >= 6 && length < size) first = length;
  }
  WriteInput(level1, data, first);
  if (first == size) return {level1};
  WriteInput(level2, data + first, size - first);
  return {level1, level2};
}

inline std::string ReadWholeFile(const std::string& path) {
  std::string text;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
  }
  return text;
}

// Every failure report goes to standard output; a fuzzer has no use for them.
inline void SilenceStdout() {
  int fd = open("/dev/null", O_WRONLY);
  if (fd >= 0) {
    fflush(stdout);
    dup2(fd, STDOUT_FILENO);
    close(fd);
  }
}

// Closes every toolkit file still in the open-file table and empties the error list.
inline void ResetToolkit() {
  for (int i = 0; i < FileTableHighWater3ds(); ++i) {
    if (File3ds* f = GetFileByIndex3ds(uint8_t(i))) CloseFile3ds(f);
  }
  ResetErrorList3ds();
}

}  // namespace fuzz

#endif  // TRIMORPH_FUZZ_FUZZSUPPORT_H
