// OutputFile's steps on Windows: a temporary file made with CreateFileW, the replaced file's
// attributes, FlushFileBuffers, and MoveFileExW with replace-existing and write-through. Names
// come in the command line's code page and are converted for the wide calls.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>

#include "OutputFileSystem.h"
#include "WinSys.h"

namespace {

int LastError() {
  return winsys::ErrnoFromSystemError(GetLastError());
}

// A handle for looking at a name's file, directory or device; it reads nothing.
HANDLE OpenToLookAt(const std::string& name) {
  return CreateFileW(winsys::Wide(name).c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Names in the device namespace ("\\.\pipe\name", "\\.\COM1") are not files; opening one only
// to look at it would take a pipe's connection.
bool IsDeviceName(const std::string& name) {
  return name.size() > 4 && (name[0] == '\\' || name[0] == '/') &&
         (name[1] == '\\' || name[1] == '/') && name[2] == '.' &&
         (name[3] == '\\' || name[3] == '/');
}

// Six characters of a temporary name: letters and digits from a sequence that differs from one
// process to the next.
std::string Suffix() {
  static uint64_t state = 0;
  if (state == 0) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    state = uint64_t(counter.QuadPart) ^ (uint64_t(GetCurrentProcessId()) << 32) ^
            uint64_t(GetTickCount64());
  }
  state += 0x9E3779B97F4A7C15ULL;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  static const char CHARS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i, z /= 62) suffix += CHARS[z % 62];
  return suffix;
}

// The attributes a replacement takes over; read-only is refused before, and the others
// (directory, reparse point, compression, ...) belong to the file system.
constexpr DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

namespace outputfs {

// Windows offers no way to follow a link by its name alone that keeps the name in the command
// line's code page; the name is used as it is.
std::string WriteTarget(const char* name) {
  return name;
}

bool Inspect(const std::string& target, Existing& existing, OutputAttributes& attributes,
             int& error) {
  attributes = OutputAttributes();
  if (IsDeviceName(target)) {
    existing = Existing::OTHER;
    return true;
  }
  HANDLE handle = OpenToLookAt(target);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      existing = Existing::NOTHING;
      return true;
    }
    error = winsys::ErrnoFromSystemError(code);
    return false;
  }
  // NUL, CON and the other device names open as character devices.
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = type == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
  const DWORD code = GetLastError();
  CloseHandle(handle);
  if (type != FILE_TYPE_DISK) {
    existing = Existing::OTHER;
    return true;
  }
  if (!known) {
    error = winsys::ErrnoFromSystemError(code);
    return false;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    existing = Existing::DIRECTORY;
    return true;
  }
  // Opening a read-only file for writing fails; its replacement must too.
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    error = EACCES;
    return false;
  }
  existing = Existing::FILE;
  attributes.mode = info.dwFileAttributes & KEPT_ATTRIBUTES;
  return true;
}

// "C:name" names a file in the current folder of drive C: its folder part is "C:".
size_t DirectoryEnd(const std::string& name) {
  size_t sep = name.find_last_of("\\/:");
  return sep == std::string::npos ? 0 : sep + 1;
}

FILE* CreateUnique(const std::string& prefix, std::string& name, int& error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + Suffix();
    // Shared for deleting, so that the handler at the end of the process can remove the file
    // while it is still open: it goes when its last handle is closed.
    HANDLE handle = CreateFileW(winsys::Wide(candidate).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD code = GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      error = winsys::ErrnoFromSystemError(code);
      return nullptr;
    }
    int fd = _open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      error = EMFILE;
      CloseHandle(handle);
      DeleteFileW(winsys::Wide(candidate).c_str());
      return nullptr;
    }
    FILE* stream = _fdopen(fd, "wb");
    if (!stream) {
      error = errno ? errno : EMFILE;
      _close(fd);
      DeleteFileW(winsys::Wide(candidate).c_str());
      return nullptr;
    }
    name = candidate;
    return stream;
  }
  error = EEXIST;
  return nullptr;
}

FILE* OpenInPlace(const std::string& target, int& error) {
  errno = 0;
  FILE* stream = _wfopen(winsys::Wide(target).c_str(), L"wb");
  if (!stream) error = errno ? errno : EACCES;
  return stream;
}

int Finish(FILE* stream, bool replaces, const OutputAttributes& attributes) {
  HANDLE handle = HANDLE(_get_osfhandle(_fileno(stream)));
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  // Zero attributes and times leave the file's own (failing to set them is not fatal, as
  // losing an owner is not on other systems).
  if (replaces && attributes.mode != 0) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = DWORD(attributes.mode);
    SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  }
  return FlushFileBuffers(handle) ? 0 : LastError();
}

int Replace(const std::string& temp, const std::string& target) {
  const std::wstring from = winsys::Wide(temp);
  const std::wstring to = winsys::Wide(target);
  DWORD code = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return 0;
    }
    code = GetLastError();
    // A virus scanner, an indexer or a viewer may hold the old file for a moment.
    if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || attempt == 4) break;
    Sleep(100);
  }
  return winsys::ErrnoFromSystemError(code);
}

void Remove(const std::string& name) {
  DeleteFileW(winsys::Wide(name).c_str());
}

}  // namespace outputfs

namespace {

bool FileIdentity(const char* name, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE handle = OpenToLookAt(name);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  return known;
}

}  // namespace

// Windows has no request that starts the write to disk without waiting for it.
void StartWriteback(FILE*) {}

bool NamesSameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!FileIdentity(a, ia) || !FileIdentity(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}
