// The host interface of trimorph-all on POSIX systems: children started with posix_spawn, their
// standard output read through pipes with poll, their ends collected with waitpid.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "Platform.h"

extern char** environ;

namespace platform {

namespace {

// A child writes a few lines; more than this is kept out of memory (and read and dropped, so
// that the child never blocks on a full pipe).
constexpr size_t MAX_OUTPUT = 1 << 20;

}  // namespace

struct Children::Child {
  int id = 0;
  pid_t pid = -1;
  int fd = -1;  // read end of the output pipe, -1 once the child closed it
  std::string output;
};

Children::Children() = default;

Children::~Children() {
  for (auto& c : mChildren) {
    if (c->fd >= 0) close(c->fd);
    kill(c->pid, SIGKILL);
    while (waitpid(c->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

bool Children::Start(int id, const std::string& program, const std::vector<std::string>& args,
                     std::string& error) {
  int fds[2];
  // Close-on-exec, so that no other child holds a copy of the write end and every pipe ends
  // when its own child does.
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = strerror(errno);
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  pid_t pid = -1;
  // A bare program name is looked up in PATH, as a shell would.
  bool search = program.find('/') == std::string::npos;
  int rc = (search ? posix_spawnp : posix_spawn)(&pid, program.c_str(), &actions, nullptr,
                                                 argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    error = strerror(rc);
    return false;
  }
  auto child = std::make_unique<Child>();
  child->id = id;
  child->pid = pid;
  child->fd = fds[0];
  mChildren.push_back(std::move(child));
  return true;
}

namespace {

ChildEnd Describe(int status) {
  ChildEnd end;
  if (WIFEXITED(status)) {
    end.exited = true;
    end.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    end.how = "killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
  } else {
    end.how = "ended with wait status " + std::to_string(status);
  }
  return end;
}

}  // namespace

std::vector<EndedChild> Children::Wait(int timeoutMs) {
  std::vector<EndedChild> ended;
  std::vector<pollfd> polled;
  bool closedUnreaped = false;
  for (auto& c : mChildren) {
    if (c->fd >= 0) {
      polled.push_back({c->fd, POLLIN, 0});
    } else {
      closedUnreaped = true;
    }
  }
  // A child that closed its output but has not ended yet is looked at again soon.
  if (closedUnreaped && timeoutMs > 10) timeoutMs = 10;
  // When poll is interrupted nothing is ready, and the caller simply waits again.
  if (!polled.empty() || closedUnreaped) poll(polled.data(), polled.size(), timeoutMs);
  size_t next = 0;
  char buf[65536];
  for (auto& c : mChildren) {
    if (c->fd < 0) continue;
    const pollfd& p = polled[next++];
    if (!(p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) continue;
    ssize_t got = read(c->fd, buf, sizeof buf);
    if (got > 0) {
      size_t room = MAX_OUTPUT - std::min(MAX_OUTPUT, c->output.size());
      c->output.append(buf, std::min(room, size_t(got)));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      close(c->fd);
      c->fd = -1;
    }
  }
  for (size_t i = 0; i < mChildren.size();) {
    Child& c = *mChildren[i];
    int status = 0;
    pid_t r = -1;
    if (c.fd < 0) {
      while ((r = waitpid(c.pid, &status, WNOHANG)) < 0 && errno == EINTR) {
      }
    }
    if (r == c.pid || (c.fd < 0 && r < 0)) {
      EndedChild e;
      e.id = c.id;
      if (r == c.pid) {
        e.end = Describe(status);
      } else {
        e.end.how = std::string("lost: ") + strerror(errno);
      }
      e.output = std::move(c.output);
      ended.push_back(std::move(e));
      mChildren.erase(mChildren.begin() + long(i));
    } else {
      ++i;
    }
  }
  return ended;
}

size_t Children::Running() const {
  return mChildren.size();
}

std::string SelfPath(const char* argv0) {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return std::string(buf, size_t(n));
  return argv0;
}

bool StdoutIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

int TerminalColumns() {
  winsize ws;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0) return ws.ws_col;
  return 0;
}

std::string ShellQuoted(const std::string& arg) {
  bool plain = !arg.empty();
  for (char c : arg) {
    bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                (c && std::string("_-+./,:=@%").find(c) != std::string::npos);
    plain = plain && safe;
  }
  if (plain) return arg;
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::filesystem::path PathOf(const std::string& name) {
  return std::filesystem::path(name);
}

std::string NameOf(const std::filesystem::path& path) {
  return path.string();
}

}  // namespace platform
