// The binary file, buffered and unbuffered: what each mode opens, creates and writes, the
// open failures and the parent directories made for a file to be written, the checks of a
// closed file, the end-of-file rules, the size cache, switching between reading and
// writing, copyTo, positions past 32 bits, short writes, and the handle kept from children.
#include "FIL/FILbinaryFile.h"

#include "COL/COLostream.h"
#include "platform/PLATwindows.h"
#include "tests/FIL/FILstdioHooks.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const bool Variants[] = {false, true};
const char* variant(bool unbuffered) { return unbuffered ? "unbuffered" : "buffered"; }

bool isDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string readAll(FILbinaryFile& file) {
  std::string text;
  char buffer[64];
  for (unsigned got; (got = file.read(buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  return text;
}

class FILbinaryFileTest : public ::testing::Test {
protected:
  void SetUp() override { TESTwriteWindowsFile(path, "hello"); }
  TESTtemporaryDirectory dir;
  const std::string path = dir / "a.txt";
};

TEST_F(FILbinaryFileTest, EachModeReadsAndWritesAsItSays) {
  struct Case {
    int mode;
    const char* read;     // what the open file holds
    const char* written;  // the file after "XY" is written at position 0
  };
  const Case cases[] = {
      {1, "hello", "XYllo"},
      {2, "hello", "helloXY"},
      {3, "", "XY"},
  };
  for (bool unbuffered : Variants) {
    for (const Case& c : cases) {
      TESTwriteWindowsFile(path, "hello");
      FILbinaryFile file(path.c_str(), c.mode, unbuffered);
      EXPECT_TRUE(file.isOpen());
      EXPECT_EQ(readAll(file), c.read) << variant(unbuffered) << " mode " << c.mode;
      file.seek(0u);
      EXPECT_EQ(file.write("XY", 2), 2u);
      file.close();
      EXPECT_FALSE(file.isOpen());
      EXPECT_EQ(TESTreadWindowsFile(path), c.written) << variant(unbuffered) << " mode " << c.mode;
    }
    FILbinaryFile reader(path.c_str(), 0, unbuffered);
    EXPECT_EQ(readAll(reader), "XY");
    EXPECT_NO_THROW(reader.flush()) << "nothing to flush in a file opened for reading";
    EXPECT_THROW(reader.write("Z", 1), COLerror) << variant(unbuffered);
    try {
      reader.close();
    } catch (const COLerror& error) {
      // Windows' runtime may keep the refused byte in its buffer and fail again at the close.
      EXPECT_EQ(TESTfieldsOf(error), TESTerrnoError("Closing file '" + path + "' failed.", EBADF));
    }
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(TESTreadWindowsFile(path), "XY");
  }
}

TEST_F(FILbinaryFileTest, AMissingFileIsCreatedOnlyByTheWritingModes) {
  const std::string missing = dir / "missing.txt";
  for (bool unbuffered : Variants) {
    for (int mode : {0, 1})
      EXPECT_EQ(TEST_ERROR_OF(FILbinaryFile(missing.c_str(), mode, unbuffered)),
                TESTerrnoError("Open file '" + missing + "' failed.", ENOENT))
          << variant(unbuffered) << " mode " << mode;
    for (int mode : {2, 3}) {
      {
        FILbinaryFile file(missing.c_str(), mode, unbuffered);
        EXPECT_EQ(file.size(), 0u);
        file.write("new", 3);
      }
      EXPECT_EQ(TESTreadWindowsFile(missing), "new") << variant(unbuffered) << " mode " << mode;
      ASSERT_EQ(PLATremove(missing.c_str()), 0);
    }
  }
}

TEST_F(FILbinaryFileTest, AFileToBeWrittenGetsItsMissingDirectories) {
  TESTcurrentDirectory here(dir.windowsPath());
  for (bool unbuffered : Variants) {
    const std::string top = unbuffered ? "u" : "b";
    {
      FILbinaryFile file((top + "\\deep\\c.txt").c_str(), 3, unbuffered);
      file.write("c", 1);
    }
    EXPECT_EQ(TESTreadWindowsFile(dir / (top + "\\deep\\c.txt")), "c") << variant(unbuffered);

    const std::string forReading = top + "-read\\x.txt";
    EXPECT_EQ(TEST_ERROR_OF(FILbinaryFile(forReading.c_str(), 0, unbuffered)),
              TESTerrnoError("Open file '" + forReading + "' failed.", ENOENT));
    EXPECT_FALSE(isDirectory(dir / (top + "-read"))) << "reading makes no directory";

    const std::string existing = top + "-update\\x.txt";
    EXPECT_EQ(TEST_ERROR_OF(FILbinaryFile(existing.c_str(), 1, unbuffered)),
              TESTerrnoError("Open file '" + existing + "' failed.", ENOENT));
    EXPECT_TRUE(isDirectory(dir / (top + "-update"))) << "made, though the file is still missing";
  }
}

TEST_F(FILbinaryFileTest, AFileInPlaceOfTheDirectoryIsRefused) {
  const std::string below = path + "\\x.txt";
  for (bool unbuffered : Variants) {
    TESTerrorFields fields = TEST_ERROR_OF(FILbinaryFile(below.c_str(), 3, unbuffered));
    EXPECT_EQ(fields, (TESTerrorFields{"Error creating directory for '" + path + "\\', '" + path +
                                           " is a file, not a directory.",
                                       COL_ERROR_PRECONDITION, 0, ""}))
        << variant(unbuffered);
  }
  EXPECT_EQ(TESTreadWindowsFile(path), "hello");
}

TEST_F(FILbinaryFileTest, AnUnknownModeIsRefusedAfterTheNameIsStored) {
  for (bool unbuffered : Variants) {
    for (int mode : {-1, 4}) {
      FILbinaryFile file(unbuffered);
      EXPECT_EQ(TEST_ERROR_OF(file.open(path.c_str(), mode)),
                (TESTerrorFields{"Unknown File Parameter", COL_ERROR_PRECONDITION, unbuffered ? 480 : 238,
                                 "FILbinaryFile"}));
      EXPECT_EQ(TESTtext(file.fileName()), path);
      EXPECT_FALSE(file.isOpen());
    }
  }
}

TEST_F(FILbinaryFileTest, AClosedFileFailsItsPreconditions) {
  struct Case {
    const char* what;
    void (*call)(FILbinaryFile&);
    int bufferedLine;
    int unbufferedLine;  // 0: no check there
  };
  const Case cases[] = {
      {"at_end", [](FILbinaryFile& f) { f.at_end(); }, 208, 526},
      {"position", [](FILbinaryFile& f) { f.position(); }, 280, 551},
      {"position64", [](FILbinaryFile& f) { f.position64(); }, 280, 551},
      {"seek", [](FILbinaryFile& f) { f.seek(1u); }, 291, 563},
      {"read", [](FILbinaryFile& f) { char c; f.read(&c, 1); }, 301, 573},
      {"write", [](FILbinaryFile& f) { f.write("x", 1); }, 323, 585},
      {"size", [](FILbinaryFile& f) { f.size(); }, 360, 598},
      {"flush", [](FILbinaryFile& f) { f.flush(); }, 378, 0},
  };
  for (bool unbuffered : Variants) {
    FILbinaryFile never(unbuffered);
    FILbinaryFile closed(path.c_str(), 1, unbuffered);
    closed.close();
    for (FILbinaryFile* file : {&never, &closed}) {
      EXPECT_FALSE(file->isOpen());
      EXPECT_EQ(file->osHandle(), nullptr);
      EXPECT_NO_THROW(file->close()) << "closing a closed file does nothing";
      for (const Case& c : cases) {
        int line = unbuffered ? c.unbufferedLine : c.bufferedLine;
        if (line == 0) continue;
        EXPECT_EQ(TEST_ERROR_OF(c.call(*file)),
                  (TESTerrorFields{unbuffered ? "Failed precondition: FileHandle != -1"
                                              : "Failed precondition: FileHandle != NULL",
                                   COL_ERROR_PRECONDITION, line, "FILbinaryFile"}))
            << variant(unbuffered) << " " << c.what;
      }
    }
    if (unbuffered) {
      EXPECT_EQ(TEST_ERROR_OF(closed.flush()),
                TESTerrnoError("commit flush called failed on '" + path + "'.", EBADF));
    }
  }
}

TEST_F(FILbinaryFileTest, TheEndIsMetByAReadWhenBufferedAndIsThePositionWhenNot) {
  char buffer[8];
  for (bool unbuffered : Variants) {
    FILbinaryFile file(path.c_str(), 0, unbuffered);
    EXPECT_FALSE(file.at_end());
    EXPECT_EQ(file.read(buffer, 5), 5u);
    // Wine's runtime marks the end as soon as a read comes up short of its buffer.
    if (unbuffered || !TESTwindowsBuild) {
      EXPECT_EQ(file.at_end(), unbuffered) << variant(unbuffered) << " at the end, before a read meets it";
    }
    EXPECT_EQ(file.read(buffer, 5), 0u);
    EXPECT_TRUE(file.at_end()) << variant(unbuffered);
    file.rewind();
    EXPECT_FALSE(file.at_end()) << variant(unbuffered);
  }
}

TEST_F(FILbinaryFileTest, TheSizeIsCachedUntilTheNextWriteAndLeavesThePosition) {
  char buffer[8];
  for (bool unbuffered : Variants) {
    TESTwriteWindowsFile(path, "hello");
    FILbinaryFile file(path.c_str(), 1, unbuffered);
    EXPECT_EQ(file.read(buffer, 2), 2u);
    EXPECT_EQ(file.size(), 5u);
    EXPECT_EQ(file.position(), 2u) << variant(unbuffered);
    EXPECT_EQ(file.read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "llo");

    {
      FILbinaryFile other(path.c_str(), 2, unbuffered);
      other.write("++", 2);
    }
    EXPECT_EQ(file.size(), 5u) << variant(unbuffered) << ": the cached size, until a write";
    file.seek(7u);
    EXPECT_EQ(file.write("!", 1), 1u);
    EXPECT_EQ(file.size(), 8u) << variant(unbuffered) << ": a write drops the cache";
    EXPECT_EQ(file.position(), 8u);
    EXPECT_EQ(file.write("", 0), 0u);
    file.close();
    EXPECT_EQ(TESTreadWindowsFile(path), "hello++!");
  }
}

TEST_F(FILbinaryFileTest, ReadingAndWritingFollowEachOtherInPlace) {
  char buffer[8];
  for (bool unbuffered : Variants) {
    TESTwriteWindowsFile(path, "0123456789");
    {
      FILbinaryFile file(path.c_str(), 1, unbuffered);
      EXPECT_EQ(file.read(buffer, 3), 3u);
      EXPECT_EQ(file.write("ab", 2), 2u);
      EXPECT_EQ(file.read(buffer, 2), 2u);
      EXPECT_EQ(std::string(buffer, 2), "56") << variant(unbuffered);
      EXPECT_EQ(file.write("cd", 2), 2u);
      EXPECT_EQ(file.position(), 9u);
    }
    EXPECT_EQ(TESTreadWindowsFile(path), "012ab56cd9") << variant(unbuffered);
  }
}

TEST_F(FILbinaryFileTest, OpenClosesTheFileBeforeAndOthersMayShareIt) {
  const std::string second = dir / "b.txt";
  for (bool unbuffered : Variants) {
    FILbinaryFile file(path.c_str(), 3, unbuffered);
    FILbinaryFile reader(path.c_str(), 0, unbuffered);
    file.write("shared", 6);
    file.flush();
    EXPECT_EQ(readAll(reader), "shared") << variant(unbuffered);
    file.write(" and closed", 11);
    file.open(second.c_str(), 3);
    EXPECT_EQ(TESTtext(file.fileName()), second);
    EXPECT_EQ(TESTreadWindowsFile(path), "shared and closed") << variant(unbuffered);
    file.setFileName("other");
    EXPECT_EQ(TESTtext(file.fileName()), "other");
    EXPECT_TRUE(file.isOpen()) << "a new name opens nothing and closes nothing";
  }
}

TEST_F(FILbinaryFileTest, ItIsASinkAndAReadable) {
  for (bool unbuffered : Variants) {
    {
      FILbinaryFile file(path.c_str(), 3, unbuffered);
      COLostream stream(&file);
      stream << "line " << 42 << flush;
    }
    FILbinaryFile file(path.c_str(), 0, unbuffered);
    COLreadable& readable = file;
    readable.set_position(5);
    char buffer[4];
    EXPECT_EQ(readable.read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "42") << variant(unbuffered);
    EXPECT_EQ(readable.position(), 7u);
  }
}

TEST_F(FILbinaryFileTest, CopyToSendsTheRestIn512ByteBlocksAndRewinds) {
  std::string content;
  for (int i = 0; i < 1024; ++i) content += static_cast<char>('a' + i % 26);
  TESTwriteWindowsFile(path, content);
  for (bool unbuffered : Variants) {
    FILbinaryFile file(path.c_str(), 0, unbuffered);
    TESTrecordingSink whole;
    file.copyTo(&whole);
    ASSERT_EQ(whole.writes.size(), 3u) << variant(unbuffered);
    EXPECT_EQ(whole.writes[0].size(), 512u);
    EXPECT_EQ(whole.writes[1].size(), 512u);
    EXPECT_EQ(whole.writes[2].size(), 0u) << "a last write of nothing";
    EXPECT_EQ(whole.text(), content);
    EXPECT_EQ(whole.flushes, 1);
    EXPECT_EQ(whole.ends, 1);
    EXPECT_EQ(file.position(), 0u);

    file.seek(1000u);
    TESTrecordingSink rest;
    file.copyTo(&rest);
    EXPECT_EQ(rest.writes, std::vector<std::string>{content.substr(1000)});
    EXPECT_EQ(TEST_ERROR_OF(file.copyTo(nullptr)),
              (TESTerrorFields{"Failed precondition: pDest", COL_ERROR_PRECONDITION, 735, "FILbinaryFile"}));
  }
}

TEST_F(FILbinaryFileTest, PositionsBeyond32BitsNeedPosition64) {
  const unsigned long long beyond = 5ULL << 30;
  for (bool unbuffered : Variants) {
    FILbinaryFile file(path.c_str(), 1, unbuffered);
    file.seek(beyond);
    EXPECT_EQ(file.write("z", 1), 1u);
    EXPECT_EQ(file.position64(), beyond + 1) << variant(unbuffered);
    EXPECT_EQ(file.size(), beyond + 1);
    EXPECT_EQ(TEST_ERROR_OF(file.position()),
              (TESTerrorFields{"Failed precondition: pMember->position() <= COL_UINT_32_MAX",
                               COL_ERROR_PRECONDITION, 704, "FILbinaryFile"}));
    file.seek(beyond);
    char c = 0;
    EXPECT_EQ(file.read(&c, 1), 1u);
    EXPECT_EQ(c, 'z');

    const unsigned long long past = 1ULL << 63;
    EXPECT_EQ(TEST_ERROR_OF(file.seek(past)),
              TESTerrnoError(std::string(unbuffered ? "lseek" : "fseek") +
                                 " failed to move to 9223372036854775808 on '" + path + "'.",
                             EINVAL));
  }
}

TEST_F(FILbinaryFileTest, AShortWriteWritesTheRestWhereItBelongs) {
  if (!FILtestHooksWork) GTEST_SKIP() << "the Windows runtime's fwrite cannot be replaced in a test";
  TESTwriteWindowsFile(path, "0123456789");
  {
    FILbinaryFile file(path.c_str(), 1);
    file.seek(2u);
    // The runtime takes half and stops, setting no error.
    FILtestHookNextFwrite([](const void* data, size_t size, size_t count, FILE* stream) {
      return FILtestRealFwrite(data, size, count / 2, stream);
    });
    EXPECT_EQ(file.write("abcd", 4), 4u);
    EXPECT_EQ(file.position(), 6u);
  }
  EXPECT_EQ(TESTreadWindowsFile(path), "01abcd6789");

  FILbinaryFile file(path.c_str(), 1);
  FILtestHookNextFwrite([](const void*, size_t, size_t, FILE*) -> size_t {
    errno = ENOSPC;
    return 0;
  });
  EXPECT_EQ(TEST_ERROR_OF(file.write("abcd", 4)), TESTerrnoError("fwrite failed on '" + path + "'.", ENOSPC));
}

// Run by the test below in a child: tells, for each handle named in handles.txt with the
// file it was opened on, whether this process has it. The handles are asked about before
// this process opens anything, which could be given the same handle values.
TEST_CHILD_ROLE(TellsWhichHandlesItHas) {
  std::string listing = TESTreadWindowsFile("handles.txt");
  struct Asked {
    bool valid;
    BY_HANDLE_FILE_INFORMATION info;
    std::string name;
  };
  std::vector<Asked> asked;
  for (size_t start = 0; start < listing.size();) {
    size_t end = listing.find('\n', start);
    std::string line = listing.substr(start, end - start);
    start = end + 1;
    size_t blank = line.find(' ');
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(strtoll(line.substr(0, blank).c_str(), nullptr, 10)));
    Asked one{false, {}, line.substr(blank + 1)};
    one.valid = GetFileInformationByHandle(handle, &one.info) != 0;
    asked.push_back(one);
  }
  std::string answer;
  for (const Asked& one : asked) {
    FILbinaryFile byName(one.name.c_str(), 0);
    BY_HANDLE_FILE_INFORMATION mine;
    bool has = one.valid && GetFileInformationByHandle(static_cast<HANDLE>(byName.osHandle()), &mine) &&
               mine.dwVolumeSerialNumber == one.info.dwVolumeSerialNumber &&
               mine.nFileIndexHigh == one.info.nFileIndexHigh && mine.nFileIndexLow == one.info.nFileIndexLow;
    answer += has ? "has " : "lacks ";
  }
  TESTwriteWindowsFile("answer.txt", answer);
  return 0;
}

TEST_F(FILbinaryFileTest, ChildProcessesDoNotGetTheHandle) {
  TESTcurrentDirectory here(dir.windowsPath());
  const std::string other = dir / "b.txt";
  const std::string third = dir / "c.txt";
  TESTwriteWindowsFile(other, "b");
  TESTwriteWindowsFile(third, "c");
  // An inheritable handle of the runtime's own shows that the child would see one.
  int inheritable = _open(path.c_str(), _O_RDONLY);
  ASSERT_GE(inheritable, 0);
  FILbinaryFile buffered(other.c_str(), 1);
  FILbinaryFile unbuffered(third.c_str(), 1, true);
  auto line = [](void* handle, const std::string& name) {
    return std::to_string(reinterpret_cast<intptr_t>(handle)) + " " + name + "\n";
  };
  TESTwriteWindowsFile("handles.txt", line(reinterpret_cast<void*>(_get_osfhandle(inheritable)), path) +
                                          line(buffered.osHandle(), other) + line(unbuffered.osHandle(), third));
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("TellsWhichHandlesItHas")), 0);
  EXPECT_EQ(TESTreadWindowsFile("answer.txt"), "has lacks lacks ");
  _close(inheritable);
}

}  // namespace
