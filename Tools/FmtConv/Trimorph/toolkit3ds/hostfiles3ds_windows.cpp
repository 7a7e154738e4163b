// The toolkit's file access on Windows: the stream's file type, and MoveFileExA to a name that
// does not exist yet (Windows renames onto no existing file unless asked to replace it, so no
// placeholder is needed to reserve the name). The names are in the code page that fopen takes.
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "hostfiles3ds.h"

bool RegularFileSize3ds(FILE* stream, uint64_t& size) {
  HANDLE handle = HANDLE(_get_osfhandle(_fileno(stream)));
  LARGE_INTEGER bytes;
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
      !GetFileSizeEx(handle, &bytes)) {
    return false;
  }
  size = bytes.QuadPart > 0 ? uint64_t(bytes.QuadPart) : 0;
  return true;
}

bool RenameAside3ds(const std::string& name, const std::string& dir, std::string& newname) {
  static const char CHARS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static uint64_t state = 0;
  if (state == 0) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    state = uint64_t(counter.QuadPart) ^ (uint64_t(GetCurrentProcessId()) << 32);
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    std::string candidate = dir + "3ds";
    for (uint64_t z = state >> 16, i = 0; i < 6; ++i, z /= 62) candidate += CHARS[z % 62];
    if (MoveFileExA(name.c_str(), candidate.c_str(), 0)) {
      newname = candidate;
      return true;
    }
    DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) return false;
  }
  return false;
}
