// Running code or a built program in a child process, for tests of paths that end the
// process (every failure does) and of the program's standard output and exit status.
#ifndef TRIMORPH_TESTS_SUBPROCESS_H
#define TRIMORPH_TESTS_SUBPROCESS_H

#include <functional>
#include <string>
#include <vector>

struct ChildResult {
  bool exited = false;    // ended through exit (not a signal, not the timeout)
  int status = -1;        // exit status as the parent sees it (a failure's -5 is 251)
  int signal = 0;         // the signal (on Windows the exception) that ended the child, if any
  bool timedout = false;  // killed after the time limit
  std::string out;        // everything the child wrote to standard output
};

// The time after which a child is taken to hang and is killed. It guards against hangs only and
// is far above what any child needs, however busy the machine: no test asserts a duration.
constexpr int HANG_GUARD_SECONDS = 60;

// Runs fn in a forked child with standard output captured; the child exits with status 0 when
// fn returns. The time limit is in seconds. Windows has no fork: there every test that runs
// code in a child skips itself with SKIP_WITHOUT_FORK before it, and a call fails the test.
ChildResult RunInChild(const std::function<void()>& fn, int timeoutSeconds = HANG_GUARD_SECONDS);

#ifdef _WIN32
#define SKIP_WITHOUT_FORK() GTEST_SKIP() << "runs code in a forked child: Windows has no fork"
#else
#define SKIP_WITHOUT_FORK() static_cast<void>(0)
#endif

// Runs a program with the given arguments (not including the program name), in directory cwd
// when it is not empty. Its standard output is captured (on Windows with line ends made "\n",
// as it is a text stream there); its standard error goes to errorFile when one is named, else
// to the test's.
ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd = "", int timeoutSeconds = 60,
                       const std::string& errorFile = "");

// Runs the built trimorph program.
ChildResult RunTrimorph(const std::vector<std::string>& args, const std::string& cwd = "",
                        int timeoutSeconds = HANG_GUARD_SECONDS);

// A fresh, empty directory under the system's temporary directory, removed with its contents
// when the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
// What a program wrote to a file as its standard output or error: on Windows, where those are
// text streams, with line ends made "\n".
std::string ReadTextOutput(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Names of the entries of a directory (without "." and ".."), sorted.
std::vector<std::string> ListDir(const std::string& path);
// A new directory; a second name for an existing file (a hard link). False when the system
// refuses.
bool MakeDirectory(const std::string& path);
bool MakeHardLink(const std::string& existing, const std::string& link);

#endif  // TRIMORPH_TESTS_SUBPROCESS_H
