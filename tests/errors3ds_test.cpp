// The toolkit's error list: recording, overflow, message texts and the dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace {

std::string Dump() {
  TempDir dir;
  FILE* f = fopen(dir.File("dump").c_str(), "wb");
  if (!f) return "cannot write the dump";
  DumpErrorList3ds(f);
  fclose(f);
  return ReadFileBytes(dir.File("dump"));
}

class ErrorList3ds : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override { ResetErrorList3ds(); }
};

TEST_F(ErrorList3ds, CodeZeroRecordsNothing) {
  PushError3ds(NO_FTK_ERRORS);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(Dump(), "");
}

TEST_F(ErrorList3ds, OneErrorDumpsOneLine) {
  PushError3ds(ERR_NO_MEM);
  EXPECT_TRUE(ErrorsPending3ds);
  EXPECT_EQ(Dump(), "ERR_NO_MEM: Not enough memory to complete operation\n");
}

TEST_F(ErrorList3ds, DumpIsNewestFirst) {
  PushError3ds(ERR_READING_DATABASE);
  PushError3ds(ERR_CREATING_DATABASE);
  EXPECT_EQ(Dump(),
            "ERR_CREATING_DATABASE: Error occured while creating database\n"
            "ERR_READING_DATABASE: Error occured while reading database\n");
}

TEST_F(ErrorList3ds, NineteenPositionsThenTheOverflowSlot) {
  std::string expected;
  for (int i = 0; i < 19; ++i) {
    ErrCode3ds code = 1 + i % 19;  // codes 1..19
    PushError3ds(code);
    expected = std::string(ErrorMessage3ds(code)) + "\n" + expected;
  }
  EXPECT_EQ(Dump(), expected);
  EXPECT_EQ(ErrorListEntry3ds(18).code, 19);
  EXPECT_EQ(ErrorListEntry3ds(19).code, NO_FTK_ERRORS);

  // The 20th error goes to the overflow slot and leaves the dump as it was.
  PushError3ds(ERR_INVALID_CHUNK);
  EXPECT_EQ(Dump(), expected);
  EXPECT_EQ(ErrorOverflowEntry3ds().code, ERR_INVALID_CHUNK);

  // From the 21st on the overflow slot only says that more errors arrived.
  PushError3ds(ERR_NO_MEM);
  EXPECT_EQ(ErrorOverflowEntry3ds().code, N_ERRORS);
  EXPECT_STREQ(ErrorOverflowEntry3ds().message,
               "N_ERRORS: More errors were reported then could be recorded.");
  EXPECT_EQ(Dump(), expected);
}

TEST_F(ErrorList3ds, MessageTexts) {
  const struct {
    ErrCode3ds code;
    const char* text;
  } cases[] = {
      {0, "NO_FTK_ERRORS: No errors are pending"},
      {2,
       "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a "
       "NULL pointer or an out of range numeric argument."},
      {5, "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet."},
      {13, "ERR_READING_FILE: Error occured while reading file"},
      {18,
       "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was longer "
       "than expected.  Possibly caused by an uninitialed pointer, corrupt file or database"},
      {19, "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files."},
      {22, "N_ERRORS: More errors were reported then could be recorded."},
      {20, "Unknown error code was encountered"},
      {21, "Unknown error code was encountered"},
      {-1, "Unknown error code was encountered"},
      {23, "Unknown error code was encountered"},
  };
  for (const auto& c : cases) EXPECT_STREQ(ErrorMessage3ds(c.code), c.text) << c.code;
}

TEST_F(ErrorList3ds, UnknownCodesAreRecordedLikeOthers) {
  PushError3ds(21);
  EXPECT_TRUE(ErrorsPending3ds);
  EXPECT_EQ(Dump(), "Unknown error code was encountered\n");
}

}  // namespace
