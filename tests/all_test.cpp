// trimorph-all, run as the built program on folders of level files: which models it finds, that
// each shape file is the one trimorph writes for the same levels, what it reports, its status.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ConvertInChild.h"
#include "ShapeFile.h"
#include "Subprocess.h"
#include "TrimorphVersion.h"

namespace {

// A file of a test folder, by its path below the test's directory: a sample level ("tram50"),
// the start of one ("cut:tram50"), a symbolic link ("link:.."), a named pipe ("fifo:"), or
// text ("text:..."). Windows makes no named pipes, nor symbolic links without privileges: the
// folders there have no links or pipes.
struct FolderFile {
  std::string path;
  std::string content;
};

// A shape file that trimorph-all must write: the model's name in its table, the file, and the
// level files (nearest first) whose direct conversion it must equal.
struct Written {
  std::string model;
  std::string path;
  std::vector<std::string> levels;
};

struct AllCase {
  const char* name;
  std::vector<FolderFile> files;
  std::vector<std::string> args;  // run in the test's directory
  int status;
  std::vector<Written> written;
  std::vector<std::string> notWritten;
  std::vector<std::vector<std::string>> lines;  // each: texts that one line of output holds
};

void MakeFolder(const TempDir& dir, const std::vector<FolderFile>& files) {
  for (const FolderFile& f : files) {
    for (size_t slash = f.path.find('/'); slash != std::string::npos;
         slash = f.path.find('/', slash + 1)) {
      MakeDirectory(dir.File(f.path.substr(0, slash)));
    }
    const std::string& c = f.content;
    if (c == "fifo:") {
#ifndef _WIN32
      ASSERT_EQ(mkfifo(dir.File(f.path).c_str(), 0666), 0) << f.path;
#endif
    } else if (c.compare(0, 5, "link:") == 0) {
#ifndef _WIN32
      ASSERT_EQ(symlink(c.substr(5).c_str(), dir.File(f.path).c_str()), 0) << f.path;
#endif
    } else if (c.compare(0, 5, "text:") == 0) {
      WriteFileBytes(dir.File(f.path), c.substr(5));
    } else if (c.compare(0, 4, "cut:") == 0) {
      std::string level = ReadFileBytes(TRIMORPH_SOURCE_DIR "/samples/" + c.substr(4) + ".3ds");
      WriteFileBytes(dir.File(f.path), level.substr(0, 300));
    } else {
      WriteFileBytes(dir.File(f.path), ReadFileBytes(TRIMORPH_SOURCE_DIR "/samples/" + c + ".3ds"));
    }
  }
}

// Whether a file of exactly this name (letter case included, which Windows ignores when it
// opens a file) is in its folder.
bool Listed(const TempDir& dir, const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : "/" + path.substr(0, slash);
  std::vector<std::string> names = ListDir(dir.path() + folder);
  return std::find(names.begin(), names.end(), path.substr(slash + 1)) != names.end();
}

// A path as the program writes it: with the system's own separators.
std::string Native(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

bool HasLine(const std::string& out, const std::vector<std::string>& texts) {
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    bool all = true;
    for (const std::string& t : texts) all = all && line.find(t) != std::string::npos;
    if (all) return true;
  }
  return false;
}

const int TIME_LIMIT = 60 * BuildSlowness();

TEST(TrimorphAll, ConvertsTheModelsOfAFolder) {
  const std::vector<FolderFile> tram = {
      {"m/tram50.3ds", "tram50"}, {"m/tram200.3ds", "tram200"}, {"m/tram1000.3ds", "tram1000"}};
  const std::vector<FolderFile> subTram = {{"m/sub/tram50.3ds", "tram50"},
                                           {"m/sub/tram200.3ds", "tram200"},
                                           {"m/sub/tram1000.3ds", "tram1000"},
                                           {"m/sub/loop", "link:.."}};
  const Written tramShape = {
      "tram", "m/tram.s", {"m/tram50.3ds", "m/tram200.3ds", "m/tram1000.3ds"}};
  auto with = [](auto list, const decltype(list)& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
  };
#ifdef _WIN32
  // No link that leads nowhere (ghost) and no pipe: one model less.
  const std::vector<std::vector<std::string>> linkAndPipeLines = {{"[1/3] "}, {"[3/3] "}};
#else
  const std::vector<std::vector<std::string>> linkAndPipeLines = {
      {"[1/4] "},
      {"[4/4] "},
      {"ghost ", "Unexpected error occurred: ERR_OPENING_FILE"},
      {"pipe50.3ds", "not a regular file"}};
#endif
  const std::string cafe = "Caf\xE9";  // an e with an acute accent in Latin-1 and its kin
  const AllCase cases[] = {
      // A broken copy of a model and one whose level leads nowhere fail alone, keeping their old
      // shape files; a single level is a model too; names that give no model, a pipe (which
      // would keep the converter waiting) and other files are listed.
      {"acceptance",
       with(tram, {{"m/boat50.3ds", "cut:tram50"},
                   {"m/boat.s", "text:the old shape"},
                   {"m/ghost50.3ds", "link:nowhere"},
                   {"m/box50.3ds", "tram1000"},
                   {"m/100.3ds", "tram1000"},
                   {"m/pipe50.3ds", "fifo:"},
                   {"m/notes.txt", "text:notes"},
                   {"m/tree.3ds", "tram1000"}}),
       {"-j", "2", "m"},
       1,
       {tramShape, {"box", "m/box.s", {"m/box50.3ds"}}},
       {"m/ghost.s", "m/pipe.s"},
       with(linkAndPipeLines, {{"boat ", "Unexpected error occurred: ERR_"},
                               {"100.3ds", "no base name"},
                               {"notes.txt", "not a .3ds file"},
                               {"tree.3ds", "no distance"}})},
      // Letter case ignored; two files of one distance in name order, and noted.
      {"letter case",
       {{"m/Tram50.3ds", "tram50"},
        {"m/TRAM200.3ds", "tram200"},
        {"m/tram0200.3ds", "tram1000"},
        {"m/tram1000.3ds", "tram1000"}},
       {"m"},
       0,
       {{"Tram",
         "m/Tram.s",
         {"m/Tram50.3ds", "m/TRAM200.3ds", "m/tram0200.3ds", "m/tram1000.3ds"}}},
       {"m/tram.s"},
       {{"Tram: 200: TRAM200.3ds, tram0200.3ds"}}},
      // Subfolders with -r (a link back up searched once), written below the output folder.
      {"recursive",
       subTram,
       {"-r", "m", "out"},
       0,
       {{"sub/tram",
         "out/sub/tram.s",
         {"m/sub/tram50.3ds", "m/sub/tram200.3ds", "m/sub/tram1000.3ds"}}},
       {"m/sub/tram.s"},
       {}},
      {"subfolders not searched", subTram, {"m"}, 1, {}, {"m/sub/tram.s"}, {{"-r"}}},
      // A name beyond ASCII, in the encoding of the command line (on Windows its code page).
      {"name beyond ASCII",
       {{"m/" + cafe + "50.3ds", "tram1000"}},
       {"m"},
       0,
       {{cafe, "m/" + cafe + ".s", {"m/" + cafe + "50.3ds"}}},
       {},
       {}},
      {"dry run",
       with(tram, {{"m/box50.3ds", "tram1000"}}),
       {"--dry-run", "m"},
       0,
       {},
       {"m/tram.s", "m/box.s"},
       {{Native("trimorph m/tram.s m/tram50.3ds m/tram200.3ds m/tram1000.3ds")},
        {Native("trimorph m/box.s m/box50.3ds")}}},
  };
  for (const AllCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    MakeFolder(dir, c.files);
    ChildResult r = RunProgram(TRIMORPH_ALL_BINARY, c.args, dir.path(), TIME_LIMIT);
    ASSERT_TRUE(r.exited) << r.out;
    EXPECT_EQ(r.status, c.status) << r.out;
    for (const Written& w : c.written) {
      TempDir direct;
      std::vector<std::string> args = {direct.File("direct.s")};
      args.insert(args.end(), w.levels.begin(), w.levels.end());
      ASSERT_EQ(RunTrimorph(args, dir.path()).status, 0);
      std::string expected = ReadFileBytes(direct.File("direct.s"));
      ASSERT_TRUE(Listed(dir, w.path)) << w.path << "\n" << r.out;
      EXPECT_TRUE(ReadFileBytes(dir.File(w.path)) == expected) << w.path;
      // The table's row: the model, its triangles, converted.
      std::string triangles = std::to_string(shapefile::Summarize(expected).triangles);
      EXPECT_TRUE(HasLine(r.out, {w.model + " ", " " + triangles + " ", "converted"})) << r.out;
    }
    for (const std::string& path : c.notWritten) EXPECT_FALSE(Listed(dir, path)) << path;
    for (const FolderFile& f : c.files) {
      if (f.content.compare(0, 5, "text:") == 0) {
        EXPECT_EQ(ReadFileBytes(dir.File(f.path)), f.content.substr(5)) << f.path;
      }
    }
    for (const auto& texts : c.lines)
      EXPECT_TRUE(HasLine(r.out, texts)) << texts[0] << "\n" << r.out;
  }
}

TEST(TrimorphAll, CommandLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // the output, or its start with whole false
    bool whole = true;
  };
  const Case cases[] = {
      {{}, 2, ""},
      {{"-j", "0", "."}, 2, ""},
      {{"-j"}, 2, ""},
      {{"--frobnicate", "."}, 2, ""},
      {{".", "out", "more"}, 2, ""},
      {{"no such folder"}, 1, ""},
      {{"--version"}, 0, "trimorph-all " TRIMORPH_VERSION "\n"},
      {{"--help"}, 0, "Usage: trimorph-all ", false},
  };
  for (const Case& c : cases) {
    ChildResult r = RunProgram(TRIMORPH_ALL_BINARY, c.args, "", TIME_LIMIT);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, c.status) << (c.args.empty() ? "" : c.args[0]);
    // Usage errors are reported on standard error.
    EXPECT_EQ(c.whole ? r.out : r.out.substr(0, c.out.size()), c.out);
  }
  // Run as the converter, the program is trimorph: its banner for a short command line.
  EXPECT_EQ(RunProgram(TRIMORPH_ALL_BINARY, {"--as-trimorph"}).out, RunTrimorph({}).out);
}

}  // namespace
