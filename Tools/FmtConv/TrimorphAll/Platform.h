// What trimorph-all needs from the host system: child processes whose standard output it
// collects, its own executable, the terminal, and the quoting of the system's command shell.
// Everything that differs between systems is behind this interface; PlatformPosix.cpp
// implements it with posix_spawn, pipes and waitpid, PlatformWindows.cpp with CreateProcessW,
// pipes and WaitForMultipleObjects.
#ifndef TRIMORPH_ALL_PLATFORM_H
#define TRIMORPH_ALL_PLATFORM_H

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// How a child process ended.
struct ChildEnd {
  bool exited = false;  // ended with an exit status
  int status = 0;       // the exit status as an unsigned byte (a converter failure is 251)
  std::string how;      // when it did not exit: what ended it ("killed by signal 11 (...)")
};

// A child that has ended, with everything it wrote to standard output (line ends as "\n" on
// every system).
struct EndedChild {
  int id = 0;
  ChildEnd end;
  std::string output;
};

// Child processes running at the same time. Each child reads nothing (its standard input is
// empty), writes its standard output into a pipe that the parent reads, and shares the
// parent's standard error.
class Children {
 public:
  Children();
  // Ends and reaps the children still running.
  ~Children();
  Children(const Children&) = delete;
  Children& operator=(const Children&) = delete;

  // Starts program with the arguments (args[0] is the program's name for itself) under the
  // caller's id. False, with error set, when the child cannot be started.
  bool Start(int id, const std::string& program, const std::vector<std::string>& args,
             std::string& error);
  // Waits at most timeoutMs milliseconds for children to end and returns those that have
  // ended, their output complete; empty when none ended in that time.
  std::vector<EndedChild> Wait(int timeoutMs);
  // The number of children started and not yet returned by Wait.
  size_t Running() const;

 private:
  struct Child;
  std::vector<std::unique_ptr<Child>> mChildren;
};

// The path of the running program, for starting it again; argv0 when the system cannot say.
std::string SelfPath(const char* argv0);

// Whether standard output is a terminal that takes the escape sequences of the status line,
// and its width in columns (0 when unknown).
bool StdoutIsTerminal();
int TerminalColumns();

// A path from a name in the encoding of the command line and of the converter, and back. On
// Windows that is the ANSI code page, while the C++ library's narrow paths are not (it takes
// them in one encoding and gives them in UTF-8); elsewhere both are the same bytes.
std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);

// An argument as the system's command shell takes it back when typed: plain words as they are,
// others quoted (in single quotes for a POSIX shell, in double quotes on Windows).
std::string ShellQuoted(const std::string& arg);

}  // namespace platform

#endif  // TRIMORPH_ALL_PLATFORM_H
