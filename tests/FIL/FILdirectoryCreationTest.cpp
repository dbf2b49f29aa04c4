// Existence and directory tests and the creation of one directory or a whole path: the
// drive forms of the directory test, what a path that names nothing raises, and the
// directories that FILmakeDirectories makes, leaves alone or refuses to make.
#include "FIL/FILutils.h"

#include "FIL/FILfilePath.h"
#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <string>

namespace {

class FILdirectoryCreation : public ::testing::Test {
protected:
  void SetUp() override {
    TESTwriteWindowsFile(dir / "file.txt", "x");
    ASSERT_EQ(_mkdir((dir / "sub").c_str()), 0);
  }
  bool isDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  TESTtemporaryDirectory dir;
};

TEST_F(FILdirectoryCreation, ExistsAndIsDirectory) {
  const std::string drive = dir.windowsPath().substr(0, 2);
  struct Case {
    std::string path;
    bool exists;
    bool directory;
  };
  const Case cases[] = {
      {dir / "file.txt", true, false},
      {dir / "sub", true, true},
      {dir / "sub\\", true, true},
      {dir / "sub/", true, true},
      {dir.windowsPath() + "/sub", true, true},
      {drive, true, true},
      {drive + "\\", true, true},
      {drive + "/", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FILexists(c.path.c_str()), c.exists) << c.path;
    EXPECT_EQ(FILisDirectory(c.path.c_str()), c.directory) << c.path;
  }
  EXPECT_FALSE(FILexists((dir / "missing").c_str()));
}

TEST_F(FILdirectoryCreation, TheDirectoryTestOfNothingRaisesTheWindowsError) {
  const std::string missing = dir / "missing\\";
  SetLastError(0);
  ASSERT_EQ(GetFileAttributesA((dir / "missing").c_str()), INVALID_FILE_ATTRIBUTES);
  const int code = static_cast<int>(GetLastError());
  EXPECT_EQ(TEST_ERROR_OF(FILisDirectory(missing.c_str())),
            TESTwindowsError("Failed to resolve if '" + missing + "' is a directory. ", code));
}

TEST_F(FILdirectoryCreation, MakeDirectoryMakesOneOrRaisesTheRuntimesError) {
  EXPECT_EQ(FILmakeDirectory((dir / "new").c_str(), 0700), 0);
  EXPECT_TRUE(isDirectory(dir / "new"));
  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {
      {dir / "new", EEXIST},
      {dir / "file.txt", EEXIST},
      {dir / "missing\\new", ENOENT},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TEST_ERROR_OF(FILmakeDirectory(c.path.c_str(), 0)),
              TESTerrnoError("Attempt to make new directory '" + c.path + "' failed.", c.error));
}

TEST_F(FILdirectoryCreation, MakeDirectoriesMakesWhatIsMissing) {
  TESTcurrentDirectory here(dir / "sub");
  struct Case {
    const char* what;
    std::string path;
    std::string made;  // the deepest directory that must exist afterwards
  };
  const Case cases[] = {
      {"all there", dir / "sub", dir / "sub"},
      {"all there, with a backslash", dir / "sub\\", dir / "sub"},
      {"nested", dir / "a\\b\\c", dir / "a\\b\\c"},
      {"forward slashes and a trailing one", dir.windowsPath() + "/d/e/", dir / "d\\e"},
      {"dots resolved", dir / "f\\.\\g\\..\\h", dir / "f\\h"},
      {"relative to the current directory", "rel\\ative", dir / "sub\\rel\\ative"},
  };
  for (const Case& c : cases) {
    FILmakeDirectories(c.path.c_str(), 0777);
    EXPECT_TRUE(isDirectory(c.made)) << c.what;
  }
  EXPECT_FALSE(isDirectory(dir / "f\\g")) << "a component that .. takes back is not made";
}

TEST_F(FILdirectoryCreation, MakeDirectoriesRefusesAFileInThePath) {
  const std::string path = dir / "file.txt\\below";
  EXPECT_EQ(TEST_ERROR_OF(FILmakeDirectories(path.c_str(), 0777)),
            (TESTerrorFields{"Error creating directory for '" + path + "', '" + (dir / "file.txt") +
                                 " is a file, not a directory.",
                             COL_ERROR_PRECONDITION, 0, ""}));
  EXPECT_EQ(TESTreadWindowsFile(dir / "file.txt"), "x");
}

TEST_F(FILdirectoryCreation, MakeDirectoriesPassesOnTheParsersError) {
  const std::string path = dir / "a:b";
  TESTerrorFields fields = TEST_ERROR_OF(FILmakeDirectories(path.c_str(), 0777));
  EXPECT_EQ(fields.description, "Bad file path '" + path + "\\'");
  EXPECT_EQ(fields.code, COL_ERROR_PRECONDITION);
}

// Directories whose names end in a character with 0x5C as its second byte (表 is 95 5C
// and ソ 83 5C in code page 932) are made and tested whole, and the current one is the
// base of relative paths. The test FILtestsJapanese runs this one under Wine in code page
// 932.
TEST_F(FILdirectoryCreation, NamesThatEndInASecondByteLikeABackslash) {
  std::string outer, inner, file;
  if (!TESTcodePageText(dir.windowsPath() + u8"\\表", outer) || !TESTcodePageText(u8"ソ", inner) ||
      !TESTcodePageText(u8"ファイル.txt", file))
    GTEST_SKIP() << "code page " << GetACP() << " cannot hold 表, ソ or ファイル";
  const std::string path = outer + "\\" + inner;
  FILmakeDirectories(path.c_str(), 0777);
  EXPECT_TRUE(isDirectory(outer));
  EXPECT_TRUE(isDirectory(path));
  EXPECT_TRUE(FILisDirectory(outer.c_str()));
  EXPECT_TRUE(FILisDirectory((path + "\\").c_str()));

  TESTcurrentDirectory here(path);
  EXPECT_EQ(TESTtext(FILcurrentDirectory()), path + "\\");
  FILfilePath relative;
  relative.setPath(file.c_str());
  EXPECT_EQ(TESTtext(relative.fullPath()), path + "\\" + file);
  ASSERT_GT(relative.directoryCount(), 1u);
  EXPECT_STREQ(relative.directory(relative.directoryCount() - 1), inner.c_str());
}

}  // namespace
