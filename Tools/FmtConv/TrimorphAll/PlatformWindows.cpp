// The host interface of trimorph-all on Windows: children started with CreateProcessW, their
// standard output read through anonymous pipes, their ends awaited with WaitForMultipleObjects.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Platform.h"
#include "WinSys.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace platform {

namespace {

// A child writes a few lines; more than this is kept out of memory (and read and dropped, so
// that the child never blocks on a full pipe).
constexpr size_t MAX_OUTPUT = 1 << 20;

// How often running children's pipes are emptied while none has ended.
constexpr DWORD POLL_MS = 10;

// An inheritable copy of a handle for a child's standard stream; null when there is none.
HANDLE InheritableCopy(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

void CloseIfOpen(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

struct Children::Child {
  int id = 0;
  HANDLE process = nullptr;
  HANDLE pipe = nullptr;  // read end of the output pipe, null once the child closed it
  std::string output;

  // Appends what the pipe holds now without waiting (all of it once the child has ended, when
  // every read returns at once); closes the pipe at its end.
  void Drain(bool ended) {
    char buf[65536];
    while (pipe) {
      DWORD available = 0;
      if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
        CloseIfOpen(pipe);
        break;
      }
      if (available == 0 && !ended) break;
      DWORD got = 0;
      if (!ReadFile(pipe, buf, ended ? sizeof buf : std::min<DWORD>(available, sizeof buf), &got,
                    nullptr) ||
          got == 0) {
        CloseIfOpen(pipe);
        break;
      }
      size_t room = MAX_OUTPUT - std::min(MAX_OUTPUT, output.size());
      output.append(buf, std::min(room, size_t(got)));
    }
  }
};

Children::Children() = default;

Children::~Children() {
  for (auto& c : mChildren) {
    TerminateProcess(c->process, 1);
    WaitForSingleObject(c->process, INFINITE);
    CloseIfOpen(c->process);
    CloseIfOpen(c->pipe);
  }
}

bool Children::Start(int id, const std::string& program, const std::vector<std::string>& args,
                     std::string& error) {
  // The write end is inheritable only until the child has started; one child is started at a
  // time, so no other child holds a copy of it and every pipe ends when its own child does.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) {
    error = winsys::SystemErrorText(GetLastError());
    return false;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  HANDLE errors = InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
  startup.hStdOutput = writeEnd;
  startup.hStdError = errors;
  // The program is the command line's first word: a bare name is looked up in the folders of
  // PATH, as a shell would.
  std::vector<std::string> words = args;
  if (words.empty()) words.push_back(program);
  words[0] = program;
  std::wstring commandLine = winsys::CommandLine(words);
  PROCESS_INFORMATION info = {};
  BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &info);
  const DWORD code = GetLastError();
  CloseIfOpen(writeEnd);
  CloseIfOpen(input);
  CloseIfOpen(errors);
  if (!started) {
    CloseIfOpen(readEnd);
    error = winsys::SystemErrorText(code);
    return false;
  }
  CloseHandle(info.hThread);
  auto child = std::make_unique<Child>();
  child->id = id;
  child->process = info.hProcess;
  child->pipe = readEnd;
  mChildren.push_back(std::move(child));
  return true;
}

namespace {

// The exit code as the C runtime's exit left it, or the exception that ended the process.
// exit(-5) leaves 0xFFFFFFFB, which is -5 as a 32-bit number: as on POSIX systems it is read as
// the unsigned byte 251.
ChildEnd Describe(DWORD code) {
  ChildEnd end;
  const long value = long(int32_t(code));
  if (value >= -255 && value <= 255) {
    end.exited = true;
    end.status = int(code & 0xff);
    return end;
  }
  if (code >= 0xC0000000) {
    const char* what = code == 0xC0000005   ? " (access violation)"
                       : code == 0xC00000FD ? " (stack overflow)"
                       : code == 0xC0000409 ? " (stack buffer overrun)"
                       : code == 0xC000013A ? " (interrupted)"
                       : code == 0xC0000017 ? " (out of memory)"
                                            : "";
    char text[64];
    snprintf(text, sizeof text, "ended by exception 0x%08lX%s", code, what);
    end.how = text;
    return end;
  }
  end.exited = true;
  end.status = int(code & 0xff);
  return end;
}

// Line ends as the other systems write them: the child's standard output is a text stream.
std::string UnixLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

}  // namespace

std::vector<EndedChild> Children::Wait(int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<EndedChild> ended;
  while (true) {
    for (size_t i = 0; i < mChildren.size();) {
      Child& c = *mChildren[i];
      const bool done = WaitForSingleObject(c.process, 0) == WAIT_OBJECT_0;
      c.Drain(done);
      if (!done) {
        ++i;
        continue;
      }
      EndedChild e;
      e.id = c.id;
      DWORD code = 0;
      if (GetExitCodeProcess(c.process, &code)) {
        e.end = Describe(code);
      } else {
        e.end.how = "lost: " + winsys::SystemErrorText(GetLastError());
      }
      e.output = UnixLineEnds(c.output);
      CloseIfOpen(c.process);
      CloseIfOpen(c.pipe);
      ended.push_back(std::move(e));
      mChildren.erase(mChildren.begin() + long(i));
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (!ended.empty() || mChildren.empty() || left <= 0) return ended;
    // Wakes when a child ends, and now and then to empty the pipes of those still running.
    const DWORD wait = DWORD(std::min<long long>(left, POLL_MS));
    std::vector<HANDLE> processes;
    for (auto& c : mChildren) processes.push_back(c->process);
    if (processes.size() <= MAXIMUM_WAIT_OBJECTS) {
      WaitForMultipleObjects(DWORD(processes.size()), processes.data(), FALSE, wait);
    } else {
      Sleep(wait);
    }
  }
}

size_t Children::Running() const {
  return mChildren.size();
}

// A path that the command line's code page cannot spell is given in its short form, which it
// can.
std::string SelfPath(const char* argv0) {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
    if (n == 0) return argv0;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::string narrow = winsys::Narrow(path);
  if (winsys::Wide(narrow) == path) return narrow;
  std::wstring shortPath(MAX_PATH, L'\0');
  DWORD n = GetShortPathNameW(path.c_str(), &shortPath[0], DWORD(shortPath.size()));
  if (n > 0 && n < shortPath.size()) {
    shortPath.resize(n);
    return winsys::Narrow(shortPath);
  }
  return narrow;
}

// A console whose output takes the escape sequences that redraw the status line (Windows 10
// and later); a file, a pipe or the NUL device is no terminal, although _isatty says so of NUL.
bool StdoutIsTerminal() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) return false;
  if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
  return SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

std::string ShellQuoted(const std::string& arg) {
  return winsys::QuotedArgument(arg);
}

std::filesystem::path PathOf(const std::string& name) {
  return std::filesystem::path(winsys::Wide(name));
}

std::string NameOf(const std::filesystem::path& path) {
  return winsys::Narrow(path.wstring());
}

}  // namespace platform
