// Child processes and temporary directories for tests on Windows: programs started with
// CreateProcessW and their standard output read through a pipe. Windows has no fork, so code
// cannot be run in a child of the test process (RunInChild); tests that need that are skipped
// there (SKIP_WITHOUT_FORK).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "Subprocess.h"
#include "WinSys.h"

namespace {

void CloseIfOpen(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

// Appends what the pipe holds; waits for more only when wait is set. False once the pipe has
// ended.
bool ReadPipe(HANDLE pipe, std::string& out, bool wait) {
  char buf[65536];
  while (true) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0 && !wait) return true;
    DWORD got = 0;
    if (!ReadFile(pipe, buf, wait ? sizeof buf : std::min<DWORD>(available, sizeof buf), &got,
                  nullptr) ||
        got == 0) {
      return false;
    }
    out.append(buf, got);
  }
}

// The child's standard output is a text stream: its line ends become those of other systems.
std::string UnixLineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace

ChildResult RunInChild(const std::function<void()>&, int) {
  ADD_FAILURE() << "RunInChild needs fork, which Windows lacks: the test must be skipped there "
                   "(SKIP_WITHOUT_FORK)";
  return ChildResult();
}

ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd, int timeoutSeconds, const std::string& errorFile) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), args.begin(), args.end());
  std::wstring commandLine = winsys::CommandLine(words);
  std::wstring wideProgram = winsys::Wide(program);
  std::wstring wideCwd = winsys::Wide(cwd);

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE errors = nullptr;
  HANDLE ownErrors = GetStdHandle(STD_ERROR_HANDLE);
  if (!errorFile.empty()) {
    errors = CreateFileW(winsys::Wide(errorFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (errors == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + errorFile);
  } else if (ownErrors != nullptr && ownErrors != INVALID_HANDLE_VALUE) {
    DuplicateHandle(GetCurrentProcess(), ownErrors, GetCurrentProcess(), &errors, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  }
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 20)) {
    CloseIfOpen(errors);
    throw std::runtime_error("CreatePipe failed");
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  fflush(stdout);
  fflush(stderr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
  startup.hStdOutput = writeEnd;
  startup.hStdError = errors;
  PROCESS_INFORMATION info = {};
  // Wine now and then fails to start a process on a busy machine ("Internal error"): a start
  // is tried three times.
  BOOL started = FALSE;
  DWORD startError = 0;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessW(wideProgram.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                             nullptr, cwd.empty() ? nullptr : wideCwd.c_str(), &startup, &info);
    startError = GetLastError();
  }
  CloseIfOpen(writeEnd);
  CloseIfOpen(input);
  CloseIfOpen(errors);
  if (!started) {
    CloseIfOpen(readEnd);
    throw std::runtime_error("cannot start " + program + ": " +
                             winsys::SystemErrorText(startError) + " (error " +
                             std::to_string(startError) + ")");
  }
  CloseHandle(info.hThread);

  ChildResult result;
  std::string out;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, INFINITE);
      result.timedout = true;
      break;
    }
    // The pipe is emptied now and then, so that a child that writes much never waits for it.
    DWORD waited = WaitForSingleObject(info.hProcess, DWORD(std::min<long long>(left, 20)));
    if (waited == WAIT_OBJECT_0) break;
    ReadPipe(readEnd, out, false);
  }
  // The child has ended and its end of the pipe with it: the rest comes at once.
  ReadPipe(readEnd, out, true);
  CloseIfOpen(readEnd);
  DWORD code = 0;
  if (!result.timedout && GetExitCodeProcess(info.hProcess, &code)) {
    // exit(-5) leaves 0xFFFFFFFB: as on POSIX systems the status is its low byte, 251. Codes
    // from 0xC0000000 that are no small negative number are exceptions (0xC0000005 is an access
    // violation): the child did not exit, and the code is kept as its signal.
    const long value = long(int32_t(code));
    if ((value >= -255 && value <= 255) || code < 0xC0000000) {
      result.exited = true;
      result.status = int(code & 0xff);
    } else {
      result.signal = int(code);
    }
  }
  CloseHandle(info.hProcess);
  result.out = UnixLineEnds(out);
  return result;
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::wstring path = std::wstring(base) + L"trimorph-test-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(GetTickCount64() % 1000000 + attempt);
    if (CreateDirectoryW(path.c_str(), nullptr)) {
      path_ = winsys::Narrow(path);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

namespace {

// Read-only files too: their attribute is cleared first.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TempDir::~TempDir() {
  RemoveTree(winsys::Wide(path_));
}

bool FileExists(const std::string& path) {
  return GetFileAttributesW(winsys::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((winsys::Wide(path) + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(winsys::Narrow(name));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeDirectory(const std::string& path) {
  return CreateDirectoryW(winsys::Wide(path).c_str(), nullptr) != 0;
}

bool MakeHardLink(const std::string& existing, const std::string& link) {
  return CreateHardLinkW(winsys::Wide(link).c_str(), winsys::Wide(existing).c_str(), nullptr) != 0;
}
