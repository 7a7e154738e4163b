// The command line, the distance rule for level file names, and failure reports.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "Fail.h"
#include "Problem.h"
#include "Subprocess.h"
#include "Trimorph.h"
#include "toolkit3ds_internal.h"

namespace {

struct MaxDistCase {
  const char* name;
  bool found;
  int dist;
};

TEST(ParseMaxDist, FileNameExamples) {
  const MaxDistCase cases[] = {
      {"tree100.3ds", true, 100},
      {"C:\\models\\tree100.3ds", true, 100},
      {"tree100", true, 100},
      {"100.3ds", true, 100},
      {"tree0.3ds", true, 0},
      {"tree-5.3ds", true, 5},
      {"tree12x.3ds", true, 12},
      {"lod/tree50.3ds", true, 50},
      {"tree007.3ds", true, 7},
      {"tree5 .3ds", true, 5},  // the character before the '.' is taken whatever it is
      {"tree.3ds", false, 0},
      {"tree-.3ds", false, 0},
      {".3ds", false, 0},
      {"..\\lod\\tree100", false, 0},
      {"", false, 0},
      {"tree", false, 0},
      // Beyond the 32-bit range the value saturates.
      {"tree2147483647.3ds", true, INT_MAX},
      {"tree2147483648.3ds", true, INT_MAX},
      {"tree99999999999999999999999.3ds", true, INT_MAX},
  };
  for (const MaxDistCase& c : cases) {
    int dist = -12345;
    EXPECT_EQ(ParseMaxDist(c.name, dist), c.found) << c.name;
    EXPECT_EQ(dist, c.found ? c.dist : -12345) << c.name;
  }
}

// The banner as the users see it; lines 3 and 4 carry the maker's notice and may change.
const char* const EXPECTED_BANNER_LINES[] = {
    "",
    "TRIMORPH v1.06",
    nullptr,
    nullptr,
    "",
    "This program is used to convert 3D Studio compatible .3ds scene files into",
    "Halvard(tm) compatible .S shape files.",
    "",
    "Usage: Trimorph {out file} {dist levels}",
    "",
    "Where: {out file}    is the name of shape file to be created.",
    "       {dist levels} is a space separated list of source 3ds files ordered",
    "                     by detail level, with most detailed first.",
    "",
    "The names of the 3ds distance level files must be of the form:",
    "",
    "File:  {base name}{max dist}.3ds",
    "",
    "Where: {base name}   only contains letters",
    "       {max dist}    is the maximum distance in metres at which the detail",
    "                     level can be seen.",
};

void ExpectBanner(const std::string& out) {
  size_t pos = 0;
  int line = 0;
  for (const char* expected : EXPECTED_BANNER_LINES) {
    ++line;
    size_t eol = out.find('\n', pos);
    ASSERT_NE(eol, std::string::npos) << "banner ends before line " << line;
    std::string got = out.substr(pos, eol - pos);
    if (expected) {
      EXPECT_EQ(got, expected) << "banner line " << line;
    } else {
      EXPECT_FALSE(got.empty()) << "banner line " << line << " carries the maker's notice";
    }
    pos = eol + 1;
  }
  EXPECT_EQ(pos, out.size()) << "nothing may follow the last line";
}

TEST(Banner, PrintedForShortCommandLines) {
  // The option -jN is not counted among the arguments.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"out.s"},
        std::vector<std::string>{"-j2"}, std::vector<std::string>{"-j1", "out.s"}}) {
    TempDir dir;
    ChildResult r = RunTrimorph(args, dir.path());
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    ExpectBanner(r.out);
    EXPECT_TRUE(ListDir(dir.path()).empty()) << "the banner run must not create a file";
  }
}

TEST(Driver, LevelFileWithoutDistance) {
  TempDir dir;
  ChildResult r = RunTrimorph({"out.s", "tree.3ds"}, dir.path());
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While reading level of detail 1 from 'tree.3ds'\n"
            "Max. visible distance not found in file name\n");
  EXPECT_TRUE(ListDir(dir.path()).empty());
}

TEST(Fail, ReportFormats) {
  SKIP_WITHOUT_FORK();
  ChildResult r = RunInChild([] {
    SetContext("reading level of detail %d from '%s'", 2, "lod500.3ds");
    Fail("3ds file does not contain a mesh.", false);
  });
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While reading level of detail 2 from 'lod500.3ds'\n"
            "3ds file does not contain a mesh.\n");

  r = RunInChild([] {
    SetContext("writing combined shape file '%s'", "out.s");
    Fail(nullptr, false);
  });
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out, "While writing combined shape file 'out.s'\nUnexpected error occurred\n");
}

TEST(Fail, AddsTheToolkitListNewestFirst) {
  SKIP_WITHOUT_FORK();
  ChildResult r = RunInChild([] {
    ResetErrorList3ds();
    SetContext("testing");
    PushError3ds(ERR_READING_FILE);
    PushError3ds(ERR_READING_DATABASE);
    PushError3ds(ERR_CREATING_DATABASE);
    Fail(nullptr, true);
  });
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  EXPECT_EQ(r.out,
            "While testing\n"
            "Unexpected error occurred\n"
            "ERR_CREATING_DATABASE: Error occured while creating database\n"
            "ERR_READING_DATABASE: Error occured while reading database\n"
            "ERR_READING_FILE: Error occured while reading file\n");
  // Without the flag the list stays out of the report.
  r = RunInChild([] {
    SetContext("testing");
    PushError3ds(ERR_NO_MEM);
    Fail("message", false);
  });
  EXPECT_EQ(r.out, "While testing\nmessage\n");
}

TEST(Fail, LongTextsAreCutToTheBuffer) {
  SKIP_WITHOUT_FORK();
  std::string longName(2000, 'a');
  ChildResult r = RunInChild([&] {
    SetContext("reading level of detail %d from '%s'", 1, longName.c_str());
    // A problem's message is cut as the message buffer cuts every message.
    FailWith(MakeProblem(ProblemCode::MATERIAL_TYPE_UNKNOWN, longName));
  });
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 251);
  std::string context = "reading level of detail 1 from '" + longName;
  std::string message = "Material '" + longName;
  EXPECT_EQ(r.out, "While " + context.substr(0, TEXT_BUFFER_SIZE - 1) + "\n" +
                       message.substr(0, TEXT_BUFFER_SIZE - 1) + "\n");
}

// The list of checks: one kind per code, in the order of the codes, each with its own name; a
// bare kind has no message, and only the toolkit's kind adds the toolkit's list.
TEST(Problem, KindsFollowTheirCodes) {
  std::set<std::string> names;
  for (size_t i = 0; i < NUM_PROBLEM_KINDS; ++i) {
    const ProblemKind& kind = PROBLEM_KINDS[i];
    EXPECT_EQ(size_t(kind.code), i + 1) << kind.name;
    EXPECT_EQ(&KindOf(kind.code), &kind) << kind.name;
    EXPECT_TRUE(names.insert(kind.name).second) << "name given twice: " << kind.name;
    EXPECT_EQ(kind.toolkitErrors, kind.code == ProblemCode::TOOLKIT_ERRORS) << kind.name;
  }
  EXPECT_EQ(size_t(ProblemCode::NUMBERS_NOT_FINITE), NUM_PROBLEM_KINDS);
}

TEST(Problem, ReportOfAProblem) {
  // The names fill the message in order; without names the subject fills it.
  Problem p =
      MakeProblem(ProblemCode::TEXTURE_NAME_UNWRITABLE, "Gloss1", "why", {"a b.bmp", "Gloss1"});
  EXPECT_EQ(p.message,
            "Texture name 'a b.bmp' of material 'Gloss1' cannot be written to a shape file.");
  EXPECT_EQ(MakeProblem(ProblemCode::NO_TEXTURE_NAME, "Mat").message,
            "No texture name found in material 'Mat'.");
  struct Case {
    Problem problem;
    std::string report;
  };
  const Case cases[] = {
      {MakeProblem(ProblemCode::NO_TEXTURE_NAME, "Mat"),
       "While testing\nNo texture name found in material 'Mat'.\n"},
      {MakeProblem(ProblemCode::UNREACHABLE_NODE, "Box02", "linked under a camera"),
       "While testing\nUnexpected error occurred\n"},
      {MakeProblem(ProblemCode::TOOLKIT_ERRORS, "", "reading"),
       "While testing\nUnexpected error occurred\n"
       "ERR_READING_FILE: Error occured while reading file\n"},
  };
  SKIP_WITHOUT_FORK();
  for (const Case& c : cases) {
    ChildResult r = RunInChild([&c] {
      ResetErrorList3ds();
      PushError3ds(ERR_READING_FILE);
      SetContext("testing");
      FailWith(c.problem);
    });
    EXPECT_EQ(r.status, 251);
    EXPECT_EQ(r.out, c.report);
  }
}

}  // namespace
