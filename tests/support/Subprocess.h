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
  int signal = 0;         // the signal that ended the child, if any
  bool timedout = false;  // killed after the time limit
  std::string out;        // everything the child wrote to standard output
};

// Runs fn in a forked child with standard output captured; the child exits with status 0 when
// fn returns. The time limit is in seconds.
ChildResult RunInChild(const std::function<void()>& fn, int timeoutSeconds = 30);

// Runs a program with the given arguments (not including the program name), in directory cwd
// when it is not empty.
ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd = "", int timeoutSeconds = 60);

// Runs the built trimorph program.
ChildResult RunTrimorph(const std::vector<std::string>& args, const std::string& cwd = "",
                        int timeoutSeconds = 60);

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
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Names of the entries of a directory (without "." and ".."), sorted.
std::vector<std::string> ListDir(const std::string& path);

#endif  // TRIMORPH_TESTS_SUBPROCESS_H
