// Child processes and temporary directories for tests on POSIX systems: fork, pipes and poll.
#include "Subprocess.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// Reads the pipe until the child closes it or the deadline passes, then reaps the child.
ChildResult Collect(pid_t pid, int fd, int timeoutSeconds) {
  ChildResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buf[65536];
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      result.timedout = true;
      break;
    }
    pollfd p = {fd, POLLIN, 0};
    int r = poll(&p, 1, int(left.count()));
    if (r < 0 && errno != EINTR) break;
    if (r <= 0) continue;
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      result.out.append(buf, size_t(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!result.timedout) {
    if (WIFEXITED(status)) {
      result.exited = true;
      result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
      result.signal = WTERMSIG(status);
    }
  }
  return result;
}

}  // namespace

ChildResult RunInChild(const std::function<void()>& fn, int timeoutSeconds) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[1]);
    fn();
    fflush(stdout);
    _exit(0);
  }
  close(fds[1]);
  return Collect(pid, fds[0], timeoutSeconds);
}

ChildResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd, int timeoutSeconds, const std::string& errorFile) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(&a[0]);
  cargv.push_back(nullptr);

  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  fflush(stdout);
  fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[1]);
    if (!errorFile.empty()) {
      int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      if (err < 0 || dup2(err, STDERR_FILENO) < 0) _exit(126);
      close(err);
    }
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  close(fds[1]);
  return Collect(pid, fds[0], timeoutSeconds);
}

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/trimorph-test-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

namespace {

void RemoveTree(const std::string& path) {
  DIR* dir = opendir(path.c_str());
  if (dir) {
    while (dirent* e = readdir(dir)) {
      if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
      std::string child = path + "/" + e->d_name;
      struct stat st;
      if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        RemoveTree(child);
      } else {
        unlink(child.c_str());
      }
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

}  // namespace

TempDir::~TempDir() {
  RemoveTree(path_);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = opendir(path.c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0777) == 0;
}

bool MakeHardLink(const std::string& existing, const std::string& link) {
  return ::link(existing.c_str(), link.c_str()) == 0;
}
