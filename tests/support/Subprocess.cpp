// What the tests' child processes and files need on every system; the rest is in
// SubprocessPosix.cpp and SubprocessWindows.cpp.
#include "Subprocess.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

ChildResult RunTrimorph(const std::vector<std::string>& args, const std::string& cwd,
                        int timeoutSeconds) {
  return RunProgram(TRIMORPH_BINARY, args, cwd, timeoutSeconds);
}

std::string TempDir::File(const std::string& name) const {
  return path_ + "/" + name;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string ReadTextOutput(const std::string& path) {
  std::string text = ReadFileBytes(path);
#ifdef _WIN32
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') out += text[i];
  }
  text = out;
#endif
  return text;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}
