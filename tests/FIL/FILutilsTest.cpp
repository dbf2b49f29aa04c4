// The directory functions of FILutils: separators, the current, executable, module, system
// and Windows directories with their trailing backslashes, and executable paths longer
// than the buffers they are first asked for with.
#include "FIL/FILutils.h"

#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string directoryOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }
std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

TEST(FILslashes, OnlyTheBackslashIsASeparator) {
  struct Case {
    const char* what;
    void (*change)(COLstring&);
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"add to empty", FILaddTrailingSlash, "", "\\"},
      {"add to a directory", FILaddTrailingSlash, "C:\\dir", "C:\\dir\\"},
      {"add after a slash", FILaddTrailingSlash, "C:\\dir/", "C:\\dir/\\"},
      {"add to a root", FILaddTrailingSlash, "C:\\", "C:\\"},
      {"remove from a root", FILremoveTrailingSlash, "C:\\", "C:"},
      {"remove keeps a lone backslash", FILremoveTrailingSlash, "\\", "\\"},
      {"remove takes one of two", FILremoveTrailingSlash, "a\\\\", "a\\"},
      {"remove leaves a slash", FILremoveTrailingSlash, "a/", "a/"},
      {"remove from empty", FILremoveTrailingSlash, "", ""},
      {"leading of a UNC path", FILremoveLeadingSlash, "\\\\server\\share", "\\server\\share"},
      {"leading slash stays", FILremoveLeadingSlash, "/a", "/a"},
      {"leading of empty", FILremoveLeadingSlash, "", ""},
      {"convert", FILconvertSlashes, "a/b\\c/", "a\\b\\c\\"},
      {"convert a long text", FILconvertSlashes, "/one/two/three/four/five/six", "\\one\\two\\three\\four\\five\\six"},
  };
  for (const Case& c : cases) {
    COLstring text(c.before);
    c.change(text);
    EXPECT_EQ(TESTtext(text), c.after) << c.what;
  }
}

TEST(FILdirectories, TheCurrentDirectoryEndsInOneBackslash) {
  TESTtemporaryDirectory dir;
  TESTcurrentDirectory here(dir.windowsPath());
  EXPECT_EQ(TESTtext(FILcurrentDirectory()), dir.windowsPath() + "\\");
  std::string root = dir.windowsPath().substr(0, 3);
  ASSERT_EQ(_chdir(root.c_str()), 0);
  EXPECT_EQ(TESTtext(FILcurrentDirectory()), root) << "no second backslash at the root";
}

TEST(FILdirectories, TheExecutablesPathAndDirectory) {
  const std::string program = TESTprogramPath();
  COLstring path("something longer than nothing");
  FILexecutablePath(path);
  EXPECT_EQ(TESTtext(path), program);
  COLstring directory("old");
  FILexecutableDirectory(directory);
  EXPECT_EQ(TESTtext(directory), directoryOf(program)) << "no trailing backslash";
}

TEST(FILdirectories, AModulesDirectoryOrTheExecutablesForNoModule) {
  const std::string programDirectory = directoryOf(TESTprogramPath()) + "\\";
  EXPECT_EQ(TESTtext(FILmoduleDirectory("")), programDirectory);
  EXPECT_EQ(TESTtext(FILmoduleDirectory("no-such-module.dll")), programDirectory);

  const char* library = !TESTwindowsBuild ? "libc.so.6" : "kernel32.dll";
  char buffer[4096];
  DWORD length = GetModuleFileNameA(GetModuleHandleA(library), buffer, sizeof buffer);
  ASSERT_GT(length, 0u) << library;
  EXPECT_EQ(TESTtext(FILmoduleDirectory(library)), directoryOf(std::string(buffer, length)) + "\\");
}

TEST(FILdirectories, SystemAndWindowsDirectoriesEndInABackslash) {
  struct Case {
    const char* what;
    void (*get)(COLstring&);
    UINT (*ask)(LPSTR, UINT);
  };
  const Case cases[] = {
      {"system", FILsystemDirectory, [](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }},
      {"Windows", FILwindowsDirectory, [](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }},
  };
  for (const Case& c : cases) {
    char buffer[4096];
    UINT length = c.ask(buffer, sizeof buffer);
    ASSERT_GT(length, 0u) << c.what;
    COLstring directory(300, 'x');
    c.get(directory);
    EXPECT_EQ(TESTtext(directory), std::string(buffer, length) + "\\") << c.what;
  }
}

// Run by the test below in a copy of this program: tells what the copy finds of itself.
TEST_CHILD_ROLE(WritesItsExecutablePaths) {
  COLstring path, directory;
  FILexecutablePath(path);
  FILexecutableDirectory(directory);
  TESTwriteWindowsFile("paths.txt", TESTtext(path) + "\n" + TESTtext(directory) + "\n" + TESTtext(FILmoduleDirectory("")) + "\n");
  return 0;
}

TEST(FILdirectories, ExecutablePathsLongerThanTheFirstBufferComeWhole) {
  // 258 characters exceed the first buffer of FILexecutablePath (256) and still let
  // Windows start the program; the layer also runs programs with far longer paths.
  std::vector<size_t> lengths = {258};
  if (!TESTwindowsBuild) lengths.push_back(700);
  const std::string name = fileNameOf(TESTprogramPath());
  for (size_t length : lengths) {
    TESTtemporaryDirectory dir;
    TESTcurrentDirectory here(dir.windowsPath());
    // Each component, with its backslash, takes at most 201 characters.
    std::string directory = dir.windowsPath();
    size_t rest = length - directory.size() - 1 - name.size();
    ASSERT_GT(rest, 10u);
    while (rest > 0) {
      size_t part = std::min<size_t>(rest, 201);
      if (rest - part == 1) --part;  // leave no component without a character
      directory += "\\" + std::string(part - 1, 'd');
      rest -= part;
      ASSERT_EQ(_mkdir(directory.c_str()), 0) << directory.size();
    }
    const std::string copy = directory + "\\" + name;
    ASSERT_EQ(copy.size(), length);
    ASSERT_TRUE(CopyFileA(TESTprogramPath().c_str(), copy.c_str(), TRUE)) << GetLastError();
    ASSERT_EQ(TESTrunProgram(copy, TESTchildRole("WritesItsExecutablePaths")), 0);
    EXPECT_EQ(TESTreadWindowsFile(dir / "paths.txt"), copy + "\n" + directory + "\n" + directory + "\\\n");
  }
}

TEST(FILdirectories, AProgramInTheRootOfADriveHasTheDriveAloneAsItsDirectory) {
  if (!TESTwindowsBuild) GTEST_SKIP() << "the POSIX root is no place for a test's files";
  TESTtemporaryDirectory dir;
  TESTcurrentDirectory here(dir.windowsPath());
  const std::string root = dir.windowsPath().substr(0, 3);
  const std::string copy = root + fileNameOf(dir.windowsPath()) + ".exe";
  if (!CopyFileA(TESTprogramPath().c_str(), copy.c_str(), TRUE)) GTEST_SKIP() << "cannot write into " << root;
  int result = TESTrunProgram(copy, TESTchildRole("WritesItsExecutablePaths"));
  PLATremove(copy.c_str());
  ASSERT_EQ(result, 0);
  EXPECT_EQ(TESTreadWindowsFile(dir / "paths.txt"), copy + "\n" + root.substr(0, 2) + "\n" + root + "\n");
}

// In a double-byte code page the second byte of a character may be 0x5C, the backslash's
// byte (ソ is 83 5C and 表 95 5C in code page 932): such a character ends no directory and
// holds no separator. A row whose text this code page cannot hold is skipped; the test
// FILtestsJapanese runs these under Wine in code page 932.
TEST(FILslashes, ASecondByteLikeABackslashIsNoSeparator) {
  struct Case {
    const char* what;
    void (*change)(COLstring&);
    const char* before;  // in UTF-8
    const char* after;
  };
  const Case cases[] = {
      {"added after a name that ends in 83 5C", FILaddTrailingSlash, u8"C:\\ソ", u8"C:\\ソ\\"},
      {"not added after a backslash that follows one", FILaddTrailingSlash, u8"C:\\表\\", u8"C:\\表\\"},
      {"no byte of a character removed", FILremoveTrailingSlash, u8"C:\\ソ", u8"C:\\ソ"},
      {"the backslash after it removed", FILremoveTrailingSlash, u8"C:\\ソ\\", u8"C:\\ソ"},
  };
  int held = 0;
  for (const Case& c : cases) {
    std::string before, after;
    if (!TESTcodePageText(c.before, before) || !TESTcodePageText(c.after, after)) continue;
    ++held;
    COLstring text(before.c_str());
    c.change(text);
    EXPECT_EQ(TESTtext(text), after) << c.what;
  }
  if (held == 0) GTEST_SKIP() << "code page " << GetACP() << " holds none of these texts";
}

// A copy of this program whose name or directory holds a character that the path in the
// code page may show as a backslash: a second byte 0x5C (ソ and 表 in code page 932), or
// one whose best fit in the code page is a backslash (U+FF3C in 1252, the yen sign in
// 932). The directory is the text before the name all the same, and a module's has a
// backslash behind it. A row whose directory this code page cannot hold is skipped.
TEST(FILdirectories, ANameWithACharacterLikeABackslashStartsAfterTheDirectory) {
  struct Case {
    const char* folder;  // in UTF-8
    const char* name;
    bool onlyNatively;  // a Linux name that is no UTF-8, which no UTF-16 path can keep
  };
  const Case cases[] = {{"jp", u8"ソフト.exe", false},
                        {u8"表", u8"表.exe", false},
                        {"wide", u8"a＼b.exe", false},
                        {"yen", u8"a¥b.exe", false},
                        {"bytes", "a\xFF.exe", true}};
  int held = 0;
  for (const Case& c : cases) {
    if (c.onlyNatively && TESTwindowsBuild) continue;
    TESTtemporaryDirectory dir;
    TESTcurrentDirectory here(dir.windowsPath());
    const std::string folder = dir.windowsPath() + "\\" + c.folder;
    const std::string copy = folder + "\\" + c.name;
    std::string directory, path;
    if (!TESTcodePageText(folder, directory)) continue;
    ++held;
    TESTcopyProgram(copy);
    std::vector<std::string> words = TESTchildRole("WritesItsExecutablePaths");
    words.insert(words.begin(), c.name);
    ASSERT_EQ(TESTcaptureProgramUtf8(copy, words).exitCode, 0) << c.name;
    const std::string paths = TESTreadWindowsFile(dir / "paths.txt");
    const size_t end = paths.find('\n');
    EXPECT_EQ(paths.substr(end + 1), directory + "\n" + directory + "\\\n") << c.name;
    if (TESTcodePageText(copy, path)) {
      EXPECT_EQ(paths.substr(0, end), path) << c.name;
    }
  }
  if (held == 0) GTEST_SKIP() << "code page " << GetACP() << " holds none of these directories";
}

}  // namespace
