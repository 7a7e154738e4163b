// Toolkit files: the open-file table, mode parsing, sharing, moving aside, and the stream
// primitives with their results on short reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Subprocess.h"
#include "toolkit3ds_internal.h"

namespace {

std::string Le32(uint32_t v) {
  return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string Le16(uint16_t v) {
  return std::string{char(v), char(v >> 8)};
}
std::string LeFloat(float f) {
  uint32_t bits;
  memcpy(&bits, &f, 4);
  return Le32(bits);
}

class FileStream3ds : public ::testing::Test {
 protected:
  void SetUp() override { ResetErrorList3ds(); }
  void TearDown() override {
    for (File3ds* f : open_) CloseFile3ds(f);
    ResetErrorList3ds();
  }
  // Writes bytes to a file of the temporary directory, opens it for reading and makes it current.
  File3ds* OpenBytes(const std::string& bytes, const std::string& name = "data.3ds") {
    std::string path = dir_.File(name);
    WriteFileBytes(path, bytes);
    File3ds* f = OpenFile3ds(path.c_str(), "r");
    EXPECT_NE(f, nullptr);
    if (f) {
      open_.push_back(f);
      SetCurrentFile3ds(f);
    }
    return f;
  }
  void Forget(File3ds* f) {
    for (auto it = open_.begin(); it != open_.end(); ++it) {
      if (*it == f) {
        open_.erase(it);
        return;
      }
    }
  }

  TempDir dir_;
  std::vector<File3ds*> open_;
};

TEST_F(FileStream3ds, ModeStrings) {
  WriteFileBytes(dir_.File("m.3ds"), "x");
  const std::string path = dir_.File("m.3ds");
  const struct {
    const char* mode;
    uint32_t expected;  // 0: the open fails with ERR_INIT_FAILED
  } cases[] = {
      {"rw", FILE_MODE_READ3DS},
      {"r", FILE_MODE_READ3DS},
      {"rb", FILE_MODE_READ3DS},
      {"xr", FILE_MODE_READ3DS},
      {"RW", 0},
      {"x", 0},
      {"", 0},
      {"wr", FILE_MODE_WRITE3DS},
  };
  for (const auto& c : cases) {
    ResetErrorList3ds();
    std::string target = c.expected == FILE_MODE_WRITE3DS ? dir_.File("out.3ds") : path;
    File3ds* f = OpenFile3ds(target.c_str(), c.mode);
    if (c.expected == 0) {
      EXPECT_EQ(f, nullptr) << c.mode;
      EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_INIT_FAILED) << c.mode;
    } else {
      ASSERT_NE(f, nullptr) << c.mode;
      EXPECT_EQ(f->mode, c.expected) << c.mode;
      EXPECT_FALSE(ErrorsPending3ds) << c.mode;
      CloseFile3ds(f);
    }
  }
}

TEST_F(FileStream3ds, ModeStringLengthLimit) {
  WriteFileBytes(dir_.File("m.3ds"), "x");
  const std::string path = dir_.File("m.3ds");
  // 31 characters are accepted...
  std::string mode31 = std::string(30, 'a') + "r";
  File3ds* f = OpenFile3ds(path.c_str(), mode31.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->mode, FILE_MODE_READ3DS);
  CloseFile3ds(f);
  EXPECT_FALSE(ErrorsPending3ds);
  // ...32 are too long, and then no letter counts.
  std::string mode32 = "r" + std::string(31, 'a');
  EXPECT_EQ(OpenFile3ds(path.c_str(), mode32.c_str()), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_STRING_TOO_LONG);
  EXPECT_EQ(ErrorListEntry3ds(1).code, ERR_INIT_FAILED);
}

TEST_F(FileStream3ds, OpenFailures) {
  EXPECT_EQ(OpenFile3ds(nullptr, "r"), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_INVALID_ARG);
  ResetErrorList3ds();
  EXPECT_EQ(OpenFile3ds("x.3ds", nullptr), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_INVALID_ARG);
  ResetErrorList3ds();
  EXPECT_EQ(OpenFile3ds(dir_.File("missing.3ds").c_str(), "rw"), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_OPENING_FILE);
  EXPECT_EQ(ErrorListEntry3ds(1).code, NO_FTK_ERRORS);
  // Once an error is pending, every open fails: the flag is never cleared during a run.
  WriteFileBytes(dir_.File("there.3ds"), "x");
  EXPECT_EQ(OpenFile3ds(dir_.File("there.3ds").c_str(), "r"), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(1).code, ERR_INIT_FAILED);
}

TEST_F(FileStream3ds, SameNameSharesOneRecord) {
  File3ds* a = OpenBytes("abc", "Shared.3ds");
  File3ds* b = OpenFile3ds(dir_.File("Shared.3ds").c_str(), "rw");
  EXPECT_EQ(a, b);
  EXPECT_EQ(GetFileByIndex3ds(a->tableindex), a);
  // Names that differ in letter case are different files.
  WriteFileBytes(dir_.File("shared.3ds"), "xyz");
  File3ds* c = OpenFile3ds(dir_.File("shared.3ds").c_str(), "r");
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c, a);
  EXPECT_NE(c->tableindex, a->tableindex);
  CloseFile3ds(c);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(FileStream3ds, TableOf252SlotsReusesTheLowestFreeSlot) {
  std::vector<File3ds*> files;
  for (int i = 0; i < MAX_OPEN_FILES3DS; ++i) {
    std::string name = "f" + std::to_string(i) + ".3ds";
    WriteFileBytes(dir_.File(name), "x");
    File3ds* f = OpenFile3ds(dir_.File(name).c_str(), "r");
    ASSERT_NE(f, nullptr) << i;
    EXPECT_EQ(f->tableindex, i);
    files.push_back(f);
  }
  WriteFileBytes(dir_.File("extra.3ds"), "x");
  EXPECT_EQ(OpenFile3ds(dir_.File("extra.3ds").c_str(), "r"), nullptr);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_TOO_MANY_FILES);
  EXPECT_EQ(FileTableHighWater3ds(), MAX_OPEN_FILES3DS);

  CloseFile3ds(files[200]);
  CloseFile3ds(files[7]);
  EXPECT_FALSE(IsFileIndexLive3ds(7));
  ResetErrorList3ds();
  File3ds* again = OpenFile3ds(dir_.File("extra.3ds").c_str(), "r");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->tableindex, 7);
  files[7] = again;
  files[200] = nullptr;
  for (File3ds* f : files) CloseFile3ds(f);
  EXPECT_FALSE(IsFileIndexLive3ds(0));
  EXPECT_FALSE(IsFileIndexLive3ds(NO_FILE_INDEX));
}

TEST_F(FileStream3ds, ClosingTheCurrentFileLeavesNone) {
  File3ds* f = OpenBytes("abc");
  EXPECT_EQ(GetCurrentFile3ds(), f);
  EXPECT_EQ(CurrentFileIndex3ds(), f->tableindex);
  Forget(f);
  CloseFile3ds(f);
  EXPECT_EQ(GetCurrentFile3ds(), nullptr);
  EXPECT_EQ(CurrentFileIndex3ds(), NO_FILE_INDEX);
}

TEST_F(FileStream3ds, Primitives) {
  std::string bytes = std::string("\x7f") + Le16(0xBEEF) + Le32(0x12345678) + LeFloat(1.5f);
  OpenBytes(bytes);
  EXPECT_EQ(ReadByte3ds(), 0x7f);
  EXPECT_EQ(ReadWord3ds(), 0xBEEF);
  EXPECT_EQ(ReadDword3ds(), 0x12345678u);
  EXPECT_EQ(ReadFloat3ds(), 1.5f);
  EXPECT_EQ(TellFile3ds(), bytes.size());
  EXPECT_FALSE(ErrorsPending3ds);
  SeekFile3ds(1);
  EXPECT_EQ(ReadWord3ds(), 0xBEEF);
  EXPECT_EQ(BytesLeft3ds(), bytes.size() - 3);
}

TEST_F(FileStream3ds, ShortReadsGiveZero) {
  const struct {
    const char* what;
    std::string bytes;
    std::function<double()> read;
  } cases[] = {
      {"byte", "", [] { return double(ReadByte3ds()); }},
      {"word", "\x01", [] { return double(ReadWord3ds()); }},
      {"dword", "\x01\x02\x03", [] { return double(ReadDword3ds()); }},
      {"float", "\x01\x02", [] { return double(ReadFloat3ds()); }},
  };
  for (const auto& c : cases) {
    ResetErrorList3ds();
    OpenBytes(c.bytes, std::string(c.what) + ".bin");
    EXPECT_EQ(c.read(), 0.0) << c.what;
    EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_READING_FILE) << c.what;
  }
}

TEST_F(FileStream3ds, CompositesKeepTheirDefaultsAfterAShortRead) {
  // A face of which only the first index and one byte of the second are there.
  OpenBytes(Le16(9) + "\x01", "face.bin");
  Face3ds f;
  ReadFace3ds(&f);
  EXPECT_EQ(f.v1, 9);
  EXPECT_EQ(f.v2, 0);
  EXPECT_EQ(f.v3, 2);
  EXPECT_EQ(f.flag, 0);

  ResetErrorList3ds();
  OpenBytes(LeFloat(4) + LeFloat(5), "point.bin");
  Point3ds p;
  ReadPoint3ds(&p);
  EXPECT_EQ(p.x, 4);
  EXPECT_EQ(p.y, 5);
  EXPECT_EQ(p.z, 0);
  EXPECT_TRUE(ErrorsPending3ds);

  ResetErrorList3ds();
  OpenBytes(LeFloat(4), "uv.bin");
  TexVert3ds t;
  ReadTexVert3ds(&t);
  EXPECT_EQ(t.u, 4);
  EXPECT_EQ(t.v, 0);

  // Track header: flags and the first value are there; the key count keeps its default 1.
  ResetErrorList3ds();
  OpenBytes(Le16(3) + Le32(7), "track.bin");
  TrackHeader3ds h;
  ReadTrackHeader3ds(&h);
  EXPECT_EQ(h.flags, 3);
  EXPECT_EQ(h.nu1, 7u);
  EXPECT_EQ(h.nu2, 0u);
  EXPECT_EQ(h.keycount, 1u);

  // A chunk header whose tag fails leaves the length unread.
  ResetErrorList3ds();
  OpenBytes("\x4d", "header.bin");
  Chunk3ds c;
  c.length = 77;
  ReadHeader3ds(&c);
  EXPECT_EQ(c.tag, 0u);
  EXPECT_EQ(c.length, 77u);
}

TEST_F(FileStream3ds, KeyHeaderReadsOnlyTheFloatsOfItsSplineFlags) {
  // Flags 0x05: tension and bias follow; 4 + 2 + 4 + 4 = 14 bytes.
  OpenBytes(Le32(10) + Le16(0x05) + LeFloat(0.25f) + LeFloat(0.75f) + "rest");
  KeyHeader3ds k;
  ReadKey3ds(&k);
  EXPECT_EQ(k.frame, 10u);
  EXPECT_EQ(k.splineflags, 0x05);
  EXPECT_EQ(k.tension, 0.25f);
  EXPECT_EQ(k.continuity, 0.0f);
  EXPECT_EQ(k.bias, 0.75f);
  EXPECT_EQ(k.easeto, 0.0f);
  EXPECT_EQ(k.easefrom, 0.0f);
  EXPECT_EQ(TellFile3ds(), 14u);
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(FileStream3ds, Strings) {
  OpenBytes(std::string("abc\0", 4) + "next");
  std::string s;
  ASSERT_TRUE(ReadNewString3ds(10, &s));
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(TellFile3ds(), 4u);

  // Ten characters and the NUL fit a field of at most 10; eleven do not.
  ResetErrorList3ds();
  OpenBytes(std::string("0123456789\0", 11), "ten.bin");
  ASSERT_TRUE(ReadNewString3ds(10, &s));
  EXPECT_EQ(s, "0123456789");
  OpenBytes("0123456789AB", "eleven.bin");
  s = "unchanged";
  EXPECT_FALSE(ReadNewString3ds(10, &s));
  EXPECT_EQ(s, "unchanged");
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_READING_FILE);
}

TEST_F(FileStream3ds, FixedStringConsumesItsWholeWidth) {
  OpenBytes(std::string("ab\0zzzzzzzz", 11) + "X");
  std::string s;
  ASSERT_TRUE(ReadFixedString3ds(10, &s));
  EXPECT_EQ(s, "ab");
  EXPECT_EQ(TellFile3ds(), 11u);
  EXPECT_EQ(ReadByte3ds(), 'X');

  ResetErrorList3ds();
  OpenBytes("abcdefghijkl", "nonul.bin");
  EXPECT_FALSE(ReadFixedString3ds(10, &s));
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_READING_FILE);
}

TEST_F(FileStream3ds, ReadStringStopsAtItsLimit) {
  OpenBytes("abcdef");
  char buf[4];
  ReadString3ds(buf, 4);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_READING_FILE);
  EXPECT_EQ(TellFile3ds(), 4u);
}

TEST_F(FileStream3ds, StrLenMax) {
  EXPECT_EQ(StrLenMax3ds("abc", 30), 3u);
  std::string s31(31, 'a'), s32(32, 'a');
  EXPECT_EQ(StrLenMax3ds(s31.c_str(), 30), 31u);
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_EQ(StrLenMax3ds(s32.c_str(), 30), 0u);
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_STRING_TOO_LONG);
  EXPECT_EQ(StrLenMax3ds(nullptr, 30), 0u);
  EXPECT_EQ(ErrorListEntry3ds(1).code, ERR_INVALID_ARG);
}

TEST_F(FileStream3ds, CountsAreCheckedAgainstTheRestOfTheFile) {
  OpenBytes(std::string(100, 'x'));
  SeekFile3ds(40);
  EXPECT_TRUE(CountFits3ds(5, 12));  // 60 bytes left
  EXPECT_FALSE(ErrorsPending3ds);
  EXPECT_FALSE(CountFits3ds(6, 12));
  EXPECT_EQ(ErrorListEntry3ds(0).code, ERR_READING_FILE);
  EXPECT_FALSE(CountFits3ds(0xFFFFFFFFull, 0xFFFFFFFFull));
}

TEST_F(FileStream3ds, ReopeningForWritingMovesTheReaderAside) {
  std::string path = dir_.File("level100.3ds");
  File3ds* reader = OpenBytes("ABCDEFGH", "level100.3ds");
  ReadByte3ds();
  ReadByte3ds();
  ReadByte3ds();

  File3ds* writer = OpenFile3ds(path.c_str(), "w");
  ASSERT_NE(writer, nullptr);
  ASSERT_FALSE(ErrorsPending3ds);
  EXPECT_NE(writer, reader);
  EXPECT_EQ(writer->mode, FILE_MODE_WRITE3DS);
  EXPECT_TRUE(reader->removeonclose);
  EXPECT_NE(reader->filename, path);
  EXPECT_EQ(reader->filename.substr(0, dir_.path().size() + 1), dir_.path() + "/");
  EXPECT_EQ(ListDir(dir_.path()).size(), 2u);

  // The reader keeps its offset and the old content; the name now holds the new, empty file.
  SetCurrentFile3ds(reader);
  EXPECT_EQ(ReadByte3ds(), 'D');
  EXPECT_EQ(ReadFileBytes(path), "");

  Forget(reader);
  CloseFile3ds(reader);
  CloseFile3ds(writer);
  EXPECT_EQ(ListDir(dir_.path()), std::vector<std::string>{"level100.3ds"});
  EXPECT_FALSE(ErrorsPending3ds);
}

TEST_F(FileStream3ds, ReadingANameOpenForWritingClosesTheWriter) {
  std::string path = dir_.File("w.3ds");
  File3ds* writer = OpenFile3ds(path.c_str(), "w");
  ASSERT_NE(writer, nullptr);
  fputs("written", writer->stream);
  File3ds* reader = OpenFile3ds(path.c_str(), "r");
  ASSERT_NE(reader, nullptr);
  open_.push_back(reader);
  SetCurrentFile3ds(reader);
  char buf[8] = {0};
  ReadBytes3ds(7, buf);
  EXPECT_STREQ(buf, "written");
  EXPECT_FALSE(ErrorsPending3ds);
}

// A file that is no regular file (a pipe, a device) is read as far as its root chunk goes: a
// writer that never closes the pipe must not hold the open up. (Named pipes in the file system
// and pause() are POSIX matters: built on POSIX systems only.)
#ifndef _WIN32
TEST_F(FileStream3ds, APipeIsReadAsFarAsItsRootChunkGoes) {
  const std::string path = dir_.File("pipe50.3ds");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  const std::string root = Le16(CHUNK_MESH_FILE) + Le32(6 + 4) + "abcd";
  ChildResult r = RunInChild(
      [&] {
        std::thread writer([&] {
          int fd = open(path.c_str(), O_WRONLY);
          const std::string bytes = root + "more bytes after the root chunk";
          if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) _exit(2);
          pause();  // the pipe stays open
        });
        writer.detach();
        File3ds* f = OpenFile3ds(path.c_str(), "r");
        if (!f) _exit(3);
        SetCurrentFile3ds(f);
        const unsigned long long left = BytesLeft3ds();
        printf("%llu %04X", left, unsigned(ReadWord3ds()));
        fflush(stdout);
        _exit(ErrorsPending3ds ? 4 : 0);
      },
      60);
  ASSERT_FALSE(r.timedout);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::to_string(root.size()) + " 4D4D");
}
#endif

}  // namespace
