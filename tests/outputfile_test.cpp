// Writing the shape file safely: an existing output survives every failure byte for byte, no
// temporary file is left behind, and the finished file has the permissions, the place and the
// kind that opening the name for writing would have given it.
//
// Resource limits, permission bits, the umask, symbolic links and named pipes are POSIX
// matters: those tests are built on POSIX systems only. Windows has tests of its own for the
// replaced file's attributes and for a file that another program holds open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Builder3ds.h"
#include "ConvertInChild.h"
#include "Fail.h"
#include "OutputFile.h"
#include "ShapeFileCheck.h"
#include "Subprocess.h"
#ifdef _WIN32
#include "WinSys.h"
#endif

namespace {

using build3ds::Model;

#ifndef _WIN32
std::string SamplePath(const char* name) {
  return std::string(TRIMORPH_SOURCE_DIR) + "/samples/" + name;
}
#endif

Model OneTriangle() {
  Model m;
  m.AddMaterial("SolidNorm").Texture("tri.bmp");
  m.AddMesh("TRI")
      .Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})
      .TexVerts({{0, 0}, {1, 0}, {0, 1}})
      .Faces({{0, 1, 2}})
      .Smoothing({1})
      .Group("SolidNorm", {0});
  return m;
}

#ifndef _WIN32
mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Files are written at most this many bytes long (the writes beyond fail).
std::function<void()> FileSizeLimit(rlim_t bytes) {
  return [bytes] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
}

// The address space may grow by at most this many bytes beyond what the process maps already.
std::function<void()> MemoryLimit(size_t moreBytes) {
  return [moreBytes] {
    size_t pages = 0;
    if (FILE* f = fopen("/proc/self/statm", "r")) {
      if (fscanf(f, "%zu", &pages) != 1) pages = 0;
      fclose(f);
    }
    rlim_t bytes = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + moreBytes;
    rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
  };
}

// A level that needs far more memory than a few megabytes: a grid of 180 x 180 vertices.
Model LargeGrid() {
  const int n = 180;
  std::vector<build3ds::Vec3> points;
  std::vector<build3ds::UV> uvs;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      points.push_back({float(x), float(y), float((x * y) % 7)});
      uvs.push_back({float(x) / n, float(y) / n});
    }
  }
  std::vector<build3ds::Tri> faces;
  std::vector<uint16_t> all;
  for (int y = 0; y + 1 < n; ++y) {
    for (int x = 0; x + 1 < n; ++x) {
      const uint16_t a = uint16_t(y * n + x);
      faces.push_back({a, uint16_t(a + 1), uint16_t(a + n + 1)});
      faces.push_back({a, uint16_t(a + n + 1), uint16_t(a + n)});
    }
  }
  for (size_t f = 0; f < faces.size(); ++f) all.push_back(uint16_t(f));
  Model m;
  m.AddMaterial("SolidNorm").Texture("grid.bmp");
  m.AddMesh("GRID")
      .Vertices(points)
      .TexVerts(uvs)
      .Faces(faces)
      .Smoothing(std::vector<uint32_t>(faces.size(), 1))
      .Group("SolidNorm", all);
  return m;
}

// Builds with AddressSanitizer reserve their shadow memory as address space: they cannot run
// under a limit of the address space.
bool AddressSpaceCanBeLimited() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}
#endif

class SafeOutput : public ::testing::Test {
 protected:
  std::string Out() const { return dir_.File("out.s"); }
  // Only these names may be in the directory: no temporary file.
  void ExpectOnly(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    EXPECT_EQ(ListDir(dir_.path()), names);
  }
  TempDir dir_;
};

#ifndef _WIN32
TEST_F(SafeOutput, FailuresLeaveTheExistingOutputAsItWas) {
  // Text that a shape file would never start with, longer than the size limit below.
  const std::string previous = "previous output\r\n" + std::string(20000, 'p');
  OneTriangle().Write(dir_.File("tri50.3ds"));
  struct Case {
    const char* what;
    std::vector<std::string> levels;
    std::function<void()> prepare;
    std::string message;
  };
  WriteFileBytes(dir_.File("cut100.3ds"), OneTriangle().Bytes().substr(0, 40));
  const std::vector<Case> cases = {
      {"failure while reading",
       {dir_.File("tri50.3ds"), dir_.File("cut100.3ds")},
       {},
       "While reading level of detail 2 from '" + dir_.File("cut100.3ds") + "'\n"},
      // The sample's shape file is far longer than 4096 bytes: writing it fails part way.
      {"failure while writing",
       {SamplePath("tram50.3ds")},
       FileSizeLimit(4096),
       "While writing combined shape file '" + Out() + "'\nFailed to write output file.\n"},
      {"nothing can be written",
       {dir_.File("tri50.3ds")},
       FileSizeLimit(0),
       "While writing combined shape file '" + Out() + "'\nFailed to write output file.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(Out(), previous);
    chmod(Out().c_str(), 0640);
    std::vector<std::string> args = {Out()};
    args.insert(args.end(), c.levels.begin(), c.levels.end());
    ChildResult r = ConvertInChild(args, HANG_GUARD_SECONDS, c.prepare);
    EXPECT_EQ(r.status, 251);
    EXPECT_EQ(r.out.compare(0, c.message.size(), c.message), 0) << r.out;
    EXPECT_EQ(ReadFileBytes(Out()), previous);
    EXPECT_EQ(ModeOf(Out()), mode_t(0640));
    ExpectOnly({"cut100.3ds", "out.s", "tri50.3ds"});
  }
}
#endif

#ifndef _WIN32
TEST_F(SafeOutput, MemoryRunningOutIsAFailureLikeAnyOther) {
  if (!AddressSpaceCanBeLimited()) GTEST_SKIP() << "the address space cannot be limited";
  LargeGrid().Write(dir_.File("grid50.3ds"));
  WriteFileBytes(Out(), "previous output");
  ChildResult r =
      ConvertInChild({Out(), dir_.File("grid50.3ds")}, HANG_GUARD_SECONDS, MemoryLimit(4 << 20));
  ASSERT_TRUE(r.exited) << "ended by signal " << r.signal;
  EXPECT_EQ(r.status, 251) << r.out;
  const std::string report = "While reading level of detail 1 from '" + dir_.File("grid50.3ds") +
                             "'\nUnexpected error occurred\n";
  EXPECT_EQ(r.out.compare(0, report.size(), report), 0) << r.out;
  EXPECT_EQ(ReadFileBytes(Out()), "previous output");
  ExpectOnly({"grid50.3ds", "out.s"});
}
#endif

TEST_F(SafeOutput, SuccessReplacesTheOutputAndLeavesNothingElse) {
  WriteFileBytes(Out(), std::string(100000, 'x'));
  OneTriangle().Write(dir_.File("tri50.3ds"));
  ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  std::string text = ReadFileBytes(Out());
  EXPECT_TRUE(ShapeTextIsSound(text));
  EXPECT_EQ(text.substr(text.size() - 3), ")\r\n");
  ExpectOnly({"out.s", "tri50.3ds"});
}

#ifndef _WIN32
TEST_F(SafeOutput, NewFileGetsTheUmaskPermissions) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  const mode_t cases[][2] = {{022, 0644}, {077, 0600}, {0, 0666}, {027, 0640}, {0277, 0400}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    unlink(Out().c_str());
    const mode_t mask = c[0];
    ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")}, HANG_GUARD_SECONDS,
                                   [mask] { umask(mask); });
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ModeOf(Out()), c[1]);
    EXPECT_TRUE(ShapeFileIsSound(Out()));
  }
}

TEST_F(SafeOutput, ReplacedFileKeepsItsPermissions) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  for (mode_t mode : {0600, 0644, 0664, 0666}) {
    SCOPED_TRACE(mode);
    WriteFileBytes(Out(), "old");
    chmod(Out().c_str(), mode);
    ChildResult r =
        ConvertInChild({Out(), dir_.File("tri50.3ds")}, HANG_GUARD_SECONDS, [] { umask(077); });
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ModeOf(Out()), mode);
    EXPECT_TRUE(ShapeFileIsSound(Out()));
  }
}

TEST_F(SafeOutput, SymbolicLinkStaysAndItsFileIsReplaced) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  ASSERT_EQ(mkdir(dir_.File("real").c_str(), 0755), 0);
  WriteFileBytes(dir_.File("real/shape.s"), "old");
  ASSERT_EQ(symlink("real/shape.s", Out().c_str()), 0);
  ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  char target[256] = {};
  ASSERT_GT(readlink(Out().c_str(), target, sizeof target - 1), 0) << "the link was replaced";
  EXPECT_STREQ(target, "real/shape.s");
  EXPECT_TRUE(ShapeFileIsSound(dir_.File("real/shape.s")));
  EXPECT_EQ(ListDir(dir_.File("real")), std::vector<std::string>{"shape.s"});
  // A link to a file that does not exist yet creates it.
  ASSERT_EQ(symlink("real/new.s", dir_.File("new.s").c_str()), 0);
  r = ConvertInChild({dir_.File("new.s"), dir_.File("tri50.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(ShapeFileIsSound(dir_.File("real/new.s")));
}
#endif

TEST_F(SafeOutput, NamesThatCannotBeCreated) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  ASSERT_TRUE(MakeDirectory(dir_.File("adir")));
  std::vector<std::string> names = {dir_.File("missing/out.s"), dir_.File("adir"),
                                    dir_.File("adir") + "/", ""};
#ifndef _WIN32
  ASSERT_EQ(symlink("loop2", dir_.File("loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", dir_.File("loop2").c_str()), 0);
  names.push_back(dir_.File("loop1"));
#endif
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ChildResult r = ConvertInChild({name, dir_.File("tri50.3ds")});
    EXPECT_EQ(r.status, 251);
    EXPECT_EQ(r.out,
              "While writing combined shape file '" + name + "'\nFailed to open output file.\n");
  }
  EXPECT_TRUE(ListDir(dir_.File("adir")).empty());
#ifdef _WIN32
  ExpectOnly({"adir", "tri50.3ds"});
#else
  ExpectOnly({"adir", "loop1", "loop2", "tri50.3ds"});
#endif
}

// On Windows the file gets the read-only attribute.
TEST_F(SafeOutput, ReadOnlyFileIsNotReplaced) {
#ifndef _WIN32
  if (geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
#endif
  OneTriangle().Write(dir_.File("tri50.3ds"));
  WriteFileBytes(Out(), "protected");
  chmod(Out().c_str(), 0444);
  ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While writing combined shape file '" + Out() + "'\nFailed to open output file.\n");
  EXPECT_EQ(ReadFileBytes(Out()), "protected");
}

TEST_F(SafeOutput, LongNameGetsATemporaryNameThatFits) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  // 252 bytes: the longest names a directory holds are 255.
  const std::string name = std::string(250, 'n') + ".s";
  ChildResult r = ConvertInChild({dir_.File(name), dir_.File("tri50.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  ExpectOnly({name, "tri50.3ds"});
}

#ifndef _WIN32
TEST_F(SafeOutput, PipeIsWrittenInPlace) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  ASSERT_EQ(mkfifo(Out().c_str(), 0600), 0);
  // A reader is there before the conversion opens the pipe; the small shape file fits into the
  // pipe's buffer, so the writer never waits for it.
  int reader = open(Out().c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  EXPECT_EQ(r.status, 0) << r.out;
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = read(reader, buf, sizeof buf)) > 0) text.append(buf, size_t(n));
  close(reader);
  EXPECT_TRUE(ShapeTextIsSound(text));
  struct stat st;
  ASSERT_EQ(lstat(Out().c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ExpectOnly({"out.s", "tri50.3ds"});
}
#endif

// The null device takes the text in place: no temporary file beside the name, nothing left.
TEST_F(SafeOutput, NullDeviceIsWrittenInPlace) {
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
#endif
  OneTriangle().Write(dir_.File("tri50.3ds"));
  ChildResult r = RunTrimorph({device, "tri50.3ds"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  ExpectOnly({"tri50.3ds"});
}

// The file object itself, for the steps a conversion cannot reach.
TEST_F(SafeOutput, TemporaryFileIsRemovedOnEveryPath) {
  WriteFileBytes(Out(), "old");
  {
    // Discarded explicitly.
    OutputFile f;
    ASSERT_TRUE(f.Open(Out().c_str()));
    EXPECT_EQ(f.TempName().compare(0, dir_.File(".out.s.").size(), dir_.File(".out.s.")), 0)
        << f.TempName();
    fputs("new", f.Stream());
    f.Discard();
  }
  {
    // Dropped without a commit.
    OutputFile f;
    ASSERT_TRUE(f.Open(Out().c_str()));
    fputs("new", f.Stream());
  }
  {
    // The output name became a directory before the rename: the commit fails.
    OutputFile f;
    ASSERT_TRUE(f.Open(dir_.File("gone.s").c_str()));
    fputs("new", f.Stream());
    ASSERT_TRUE(MakeDirectory(dir_.File("gone.s")));
    EXPECT_FALSE(f.Commit());
  }
  // A failure after the file was opened ends the process: the temporary file goes with it,
  // although it is still open.
  ChildResult r = RunProgram(TRIMORPH_EXIT_WHILE_WRITING, {Out()});
  EXPECT_EQ(r.status, 251) << r.out;
  EXPECT_EQ(r.out, "While writing\nstopped\n");
  EXPECT_EQ(ReadFileBytes(Out()), "old");
  ExpectOnly({"gone.s", "out.s"});
}

#ifdef _WIN32
// A replacement keeps the attributes of the file it replaces (here: hidden). A file that another
// program holds open without letting it be deleted cannot be replaced: the conversion fails, and
// the file and its folder stay as they were.
TEST_F(SafeOutput, ReplacedFileKeepsItsAttributesAndAHeldFileStays) {
  OneTriangle().Write(dir_.File("tri50.3ds"));
  const std::wstring out = winsys::Wide(Out());
  WriteFileBytes(Out(), "old");
  ASSERT_TRUE(SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ChildResult r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(GetFileAttributesW(out.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(ShapeFileIsSound(Out()));

  ASSERT_TRUE(SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_NORMAL));
  WriteFileBytes(Out(), "held");
  HANDLE reader = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  r = ConvertInChild({Out(), dir_.File("tri50.3ds")});
  CloseHandle(reader);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While writing combined shape file '" + Out() + "'\nFailed to write output file.\n");
  EXPECT_EQ(ReadFileBytes(Out()), "held");
  ExpectOnly({"out.s", "tri50.3ds"});
}
#endif

}  // namespace
