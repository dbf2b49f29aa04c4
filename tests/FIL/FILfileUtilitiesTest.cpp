// The file functions by name: whole files read and written, copies (onto themselves
// under other spellings too), truncation, the queries and their errors, renaming and
// removing under Windows' rules, tree removal with and without a report (links never
// followed), the temporary directory and file name, "~" expansion and command prefixes.
#include "FIL/FILutils.h"

#include "COL/COLostream.h"
#include "FIL/FILdirEnumerator.h"
#include "platform/PLATwindows.h"
#include "tests/FIL/FILstdioHooks.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void makeReadOnly(const std::string& path) { ASSERT_EQ(_chmod(path.c_str(), _S_IREAD), 0) << path; }

// Sets an environment variable for its lifetime.
class ScopedVariable {
public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    const char* before = getenv(name);
    had_ = before != nullptr;
    if (had_) before_ = before;
    TESTsetEnvironment(name, value);
  }
  ~ScopedVariable() { TESTsetEnvironment(name_, had_ ? before_.c_str() : nullptr); }

private:
  std::string name_;
  std::string before_;
  bool had_ = false;
};

class FILfileUtilities : public ::testing::Test {
protected:
  void SetUp() override {
    TESTwriteWindowsFile(path, "hello");
    ASSERT_EQ(_mkdir((dir / "sub").c_str()), 0);
  }
  void TearDown() override {
    // Read-only files would outlive the temporary directory.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
      if (!entry.is_symlink()) _chmod(TESTwindowsPath(entry.path().string()).c_str(), _S_IREAD | _S_IWRITE);
  }
  TESTtemporaryDirectory dir;
  const std::string path = dir / "a.txt";
};

TEST_F(FILfileUtilities, WholeFilesAreWrittenAndReadByteForByte) {
  const std::string bytes("line\r\nwith\0nul\n", 15);
  const std::string deep = dir / "new\\deeper\\b.bin";
  FILwriteFile(deep.c_str(), COLstring(bytes.data(), static_cast<int>(bytes.size())));
  COLstring read("old content that is longer");
  FILreadFile(deep.c_str(), read);
  EXPECT_EQ(TESTtext(read), bytes);

  FILwriteFile(deep.c_str(), "");
  FILreadFile(deep.c_str(), read);
  EXPECT_EQ(read.size(), 0);

  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(TEST_ERROR_OF(FILreadFile(missing.c_str(), read)),
            TESTerrnoError("Open file '" + missing + "' failed.", ENOENT));

  // A length that a COLstring cannot hold (a sparse file, so it takes no room).
  FILtruncate(deep.c_str(), 1ULL << 31);
  EXPECT_EQ(TEST_ERROR_OF(FILreadFile(deep.c_str(), read)),
            (TESTerrorFields{"File '" + deep + "' is too large to be read into a string.",
                             COL_ERROR_PRECONDITION, 0, ""}));
}

TEST_F(FILfileUtilities, AFileThatShrinksWhileReadGivesWhatItStillHolds) {
  if (!FILtestHooksWork) GTEST_SKIP() << "the Windows runtime's fread cannot be replaced in a test";
  TESTwriteWindowsFile(path, "0123456789");
  // The file was cut to four bytes after its size was taken: the read brings back four.
  FILtestHookNextFread([](void* buffer, size_t size, size_t, FILE* stream) {
    return FILtestRealFread(buffer, size, 4, stream);
  });
  COLstring read;
  FILreadFile(path.c_str(), read);
  EXPECT_EQ(read.size(), 4);
  EXPECT_EQ(TESTtext(read), "0123");
}

TEST_F(FILfileUtilities, CopyFileCopiesOrRefusesWithoutTouchingAFile) {
  const std::string copy = dir / "sub\\copy.txt";
  FILcopyFile(path.c_str(), copy.c_str(), false);
  EXPECT_EQ(TESTreadWindowsFile(copy), "hello");

  TESTwriteWindowsFile(copy, "a longer destination");
  EXPECT_EQ(TEST_ERROR_OF(FILcopyFile(path.c_str(), copy.c_str(), false)),
            (TESTerrorFields{"Destination file `" + copy + "' exists, but Ovewrite is unset.",
                             COL_ERROR_PRECONDITION, 0, ""}));
  EXPECT_EQ(TESTreadWindowsFile(copy), "a longer destination");

  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(TEST_ERROR_OF(FILcopyFile(missing.c_str(), copy.c_str(), true)),
            TESTerrnoError("Open file '" + missing + "' failed.", ENOENT));
  EXPECT_EQ(TESTreadWindowsFile(copy), "a longer destination") << "the destination waits for the source";

  FILcopyFile(path.c_str(), copy.c_str(), true);
  EXPECT_EQ(TESTreadWindowsFile(copy), "hello");
  EXPECT_EQ(TESTreadWindowsFile(path), "hello");
}

TEST_F(FILfileUtilities, CopyingAFileOntoItselfLosesNothing) {
  std::string spellings[] = {
      path,
      dir.windowsPath() + "/a.txt",
      dir / "sub\\..\\a.txt",
      dir / ".\\a.txt",
  };
  for (const std::string& destination : spellings) {
    FILcopyFile(path.c_str(), destination.c_str(), true);
    EXPECT_EQ(TESTreadWindowsFile(path), "hello") << destination;
  }
  if (TESTwindowsBuild) {
    FILcopyFile(path.c_str(), (dir / "A.TXT").c_str(), true);
    EXPECT_EQ(TESTreadWindowsFile(path), "hello") << "Windows' names ignore case";
  }
  std::error_code error;
  std::filesystem::create_hard_link(std::filesystem::path(dir.path()) / "a.txt",
                                    std::filesystem::path(dir.path()) / "link.txt", error);
  if (!error) {
    FILcopyFile((dir / "link.txt").c_str(), path.c_str(), true);
    EXPECT_EQ(TESTreadWindowsFile(path), "hello") << "a second name of the same file";
  }
}

TEST_F(FILfileUtilities, TruncateCutsAndExtends) {
  // Not a multiple of a stream's block, where a read-ahead would leave the descriptor.
  const std::string content(10000, 'x');
  struct Case {
    unsigned long long size;
    std::string expected;
  };
  const Case cases[] = {
      {5000, std::string(5000, 'x')},
      {12000, std::string(5000, 'x') + std::string(7000, '\0')},
      {0, ""},
  };
  TESTwriteWindowsFile(path, content);
  for (const Case& c : cases) {
    FILtruncate(path.c_str(), c.size);
    EXPECT_EQ(TESTreadWindowsFile(path), c.expected) << c.size;
  }
  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(TEST_ERROR_OF(FILtruncate(missing.c_str(), 1)),
            TESTerrnoError("Open file '" + missing + "' failed.", ENOENT));
  EXPECT_FALSE(exists(missing)) << "truncation creates nothing";
}

TEST_F(FILfileUtilities, QueriesAnswerOrRaiseTheRuntimesError) {
  struct _stat64 status;
  ASSERT_EQ(_stat64(path.c_str(), &status), 0);
  EXPECT_EQ(FILmodified(path.c_str()), static_cast<long long>(status.st_mtime));
  EXPECT_EQ(FILfileSize(path.c_str()), 5);

  const std::string missing = dir / "missing.txt";
  EXPECT_EQ(TEST_ERROR_OF(FILmodified(missing.c_str())),
            TESTerrnoError("FILmodified on " + missing + " failed.", ENOENT));
  EXPECT_EQ(TEST_ERROR_OF(FILfileSize(missing.c_str())),
            TESTerrnoError("Could not get file size for file '" + missing + "'.", ENOENT));
}

TEST_F(FILfileUtilities, CheckAccessAnswersForWhatExistsOnly) {
  const std::string locked = dir / "locked.txt";
  TESTwriteWindowsFile(locked, "x");
  makeReadOnly(locked);
  struct Case {
    std::string path;
    int mode;
    bool allowed;
  };
  const Case cases[] = {
      {path, 0, true}, {path, 2, true}, {path, 6, true}, {locked, 4, true},
      {locked, 2, false}, {dir / "sub", 0, true},
  };
  for (const Case& c : cases) EXPECT_EQ(FILcheckAccess(c.path.c_str(), c.mode), c.allowed) << c.path << " " << c.mode;
  const std::string missing = dir / "missing.txt";
  for (int mode : {0, 2})
    EXPECT_EQ(TEST_ERROR_OF(FILcheckAccess(missing.c_str(), mode)),
              (TESTerrorFields{"File `" + missing + "' does not exist.", COL_ERROR_FILE_NOT_FOUND, 0, ""}));
}

TEST_F(FILfileUtilities, ChangeDirectoryMovesTheProcess) {
  TESTcurrentDirectory here(dir.windowsPath());
  EXPECT_EQ(FILchangeDirectory((dir / "sub").c_str()), 0);
  EXPECT_EQ(TESTtext(FILcurrentDirectory()), dir / "sub\\");
  const std::string missing = dir / "missing";
  EXPECT_EQ(TEST_ERROR_OF(FILchangeDirectory(missing.c_str())),
            TESTerrnoError("Attempt to change the working directory to '" + missing + "' failed.", ENOENT));
}

TEST_F(FILfileUtilities, ADirectoryIsEmptyWithoutEntriesOrWhenMissing) {
  ASSERT_EQ(_mkdir((dir / "holds-a-directory").c_str()), 0);
  ASSERT_EQ(_mkdir((dir / "holds-a-directory\\inner").c_str()), 0);
  struct Case {
    std::string path;
    bool empty;
  };
  const Case cases[] = {
      {dir / "sub", true},
      {dir / "sub\\", true},
      {dir / "missing", true},
      {dir.windowsPath(), false},
      {dir / "holds-a-directory", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FILisDirectoryEmpty(c.path.c_str()), c.empty) << c.path;
}

TEST_F(FILfileUtilities, RenameAndRemoveKeepWindowsRules) {
  const std::string other = dir / "b.txt";
  const std::string moved = dir / "sub\\moved.txt";
  const std::string missing = dir / "missing.txt";
  TESTwriteWindowsFile(other, "other");
  EXPECT_EQ(TEST_ERROR_OF(FILrename(path.c_str(), other.c_str())),
            TESTerrnoError("Attempt to rename '" + path + "' to '" + other + "' failed.", EEXIST));
  EXPECT_EQ(TESTreadWindowsFile(other), "other") << "never replaced";
  EXPECT_EQ(FILrename(path.c_str(), moved.c_str()), 0);
  EXPECT_EQ(TESTreadWindowsFile(moved), "hello");
  EXPECT_FALSE(exists(path));
  EXPECT_EQ(TEST_ERROR_OF(FILrename(missing.c_str(), path.c_str())),
            TESTerrnoError("Attempt to rename '" + missing + "' to '" + path + "' failed.", ENOENT));

  makeReadOnly(other);
  struct Case {
    std::string path;
    int error;
  };
  const Case refused[] = {{other, EACCES}, {dir / "sub", EACCES}, {missing, ENOENT}};
  for (const Case& c : refused)
    EXPECT_EQ(TEST_ERROR_OF(FILremoveFile(c.path.c_str())),
              TESTerrnoError("Attempt to remove '" + c.path + "' failed.", c.error));
  EXPECT_EQ(FILremoveFile(moved.c_str()), 0);
  EXPECT_FALSE(exists(moved));

  const std::string full = dir.windowsPath();
  const Case directories[] = {{full, ENOTEMPTY}, {dir / "missing", ENOENT}};
  for (const Case& c : directories)
    EXPECT_EQ(TEST_ERROR_OF(FILremoveDirectory(c.path.c_str())),
              TESTerrnoError("Attempt to remove directory '" + c.path + "' failed.", c.error));
  EXPECT_EQ(FILremoveDirectory((dir / "sub").c_str()), 0);
  EXPECT_FALSE(exists(dir / "sub"));
}

class FILtreeRemoval : public FILfileUtilities {
protected:
  // tree\a.txt, tree\sub\b.txt, tree\sub\deeper\c.txt and tree\empty.
  void makeTree() {
    for (const char* directory : {"tree", "tree\\sub", "tree\\sub\\deeper", "tree\\empty"})
      ASSERT_EQ(_mkdir((dir / directory).c_str()), 0) << directory;
    for (const char* file : {"tree\\a.txt", "tree\\sub\\b.txt", "tree\\sub\\deeper\\c.txt"})
      TESTwriteWindowsFile(dir / file, file);
  }
  // A symbolic link (names with "/", which both builds' std::filesystem take), or false
  // when none can be made here.
  bool link(const std::string& target, const std::string& name, bool directory) {
    std::error_code error;
    std::filesystem::path native = std::filesystem::path(dir.path()) / name;
    if (directory)
      std::filesystem::create_directory_symlink(std::filesystem::path(dir.path()) / target, native, error);
    else
      std::filesystem::create_symlink(std::filesystem::path(dir.path()) / target, native, error);
    DWORD attributes = GetFileAttributesA(TESTwindowsPath(native.string()).c_str());
    return !error && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }
};

TEST_F(FILtreeRemoval, TheWholeTreeGoesAndNothingBesideIt) {
  makeTree();
  FILremoveDirectoryTree((dir / "tree").c_str());
  EXPECT_FALSE(exists(dir / "tree"));
  EXPECT_TRUE(exists(path));
  EXPECT_TRUE(exists(dir / "sub"));

  makeTree();
  FILremoveDirectoryTree((dir / "tree\\").c_str());
  EXPECT_FALSE(exists(dir / "tree")) << "with a trailing backslash";
}

TEST_F(FILtreeRemoval, WithoutAReportTheFirstFailureEndsTheRemoval) {
  makeTree();
  const std::string locked = dir / "tree\\sub\\b.txt";
  makeReadOnly(locked);
  EXPECT_EQ(TEST_ERROR_OF(FILremoveDirectoryTree((dir / "tree").c_str())),
            TESTerrnoError("Attempt to remove '" + locked + "' failed.", EACCES));
  EXPECT_FALSE(exists(dir / "tree\\a.txt")) << "what went before stays removed";
  EXPECT_TRUE(exists(locked));
  EXPECT_TRUE(exists(dir / "tree\\sub\\deeper\\c.txt")) << "nothing after it is touched";
}

TEST_F(FILtreeRemoval, AReportTellsWhatStaysAndTheRestGoes) {
  makeTree();
  const std::string locked = dir / "tree\\sub\\b.txt";
  makeReadOnly(locked);
  COLostreamString report;
  FILremoveDirectoryTree((dir / "tree").c_str(), report);
  const std::string newline = report.newline_text();
  auto removeDirectory = [&](const std::string& directory) {
    return TESTerrnoError("Attempt to remove directory '" + directory + "' failed.", ENOTEMPTY).description;
  };
  EXPECT_EQ(TESTtext(report.string()),
            "Failed to delete b.txt because of " +
                TESTerrnoError("Attempt to remove '" + locked + "' failed.", EACCES).description + newline +
                "Unable to delete " + (dir / "tree\\sub") + " because of " + removeDirectory(dir / "tree\\sub") +
                newline + "Unable to delete " + (dir / "tree") + " because of " + removeDirectory(dir / "tree") +
                newline);
  EXPECT_TRUE(exists(locked));
  for (const char* gone : {"tree\\a.txt", "tree\\sub\\deeper", "tree\\empty"}) EXPECT_FALSE(exists(dir / gone)) << gone;
}

TEST_F(FILtreeRemoval, ALinkInTheTreeGoesButNotWhatItPointsTo) {
  makeTree();
  ASSERT_EQ(_mkdir((dir / "outside").c_str()), 0);
  TESTwriteWindowsFile(dir / "outside\\kept.txt", "kept");
  if (!link("outside", "tree/sub/to-outside", true) || !link("a.txt", "tree/to-file", false))
    GTEST_SKIP() << "no symbolic link can be made here (mingw's std::filesystem has none)";
  ASSERT_TRUE(link("outside", "top-link", true));
  FILremoveDirectoryTree((dir / "tree").c_str());
  EXPECT_FALSE(exists(dir / "tree"));
  EXPECT_EQ(TESTreadWindowsFile(dir / "outside\\kept.txt"), "kept");
  EXPECT_EQ(TESTreadWindowsFile(path), "hello");

  FILremoveDirectoryTree((dir / "top-link").c_str());
  EXPECT_FALSE(exists(dir / "top-link")) << "a link named as the tree is removed as a link";
  EXPECT_EQ(TESTreadWindowsFile(dir / "outside\\kept.txt"), "kept");
}

// Run by the test below in a child confined to a throw-away root, so that a removal that
// went on to list the root of the current drive could only empty that: it tries both
// tree forms on an empty text and tells what each raised and reported.
TEST_CHILD_ROLE(RemovesTheTreeOfAnEmptyName) {
  const char* root = getenv("FIL_TEST_ROOT");
  if (root == nullptr || !TESTconfineFileSystem(root)) return 77;
  std::string told;
  for (bool reporting : {false, true}) {
    COLostreamString report;
    try {
      if (reporting)
        FILremoveDirectoryTree("", report);
      else
        FILremoveDirectoryTree("");
      told += "returned";
    } catch (const COLerror& error) {
      told += TESTtext(error.description());
    }
    told += "|" + TESTtext(report.string()) + ";";
  }
  TESTwriteWindowsFile("\\told.txt", told);
  // Without /proc in the confined root the sanitizers' checks at exit cannot run.
  std::_Exit(0);
}

TEST_F(FILtreeRemoval, AnEmptyDirectoryTextIsRefusedAndNothingGoes) {
  for (const char* directory : {"root", "root\\sub"}) ASSERT_EQ(_mkdir((dir / directory).c_str()), 0);
  for (const char* file : {"root\\keep.txt", "root\\sub\\kept.txt"}) TESTwriteWindowsFile(dir / file, file);
  const std::string root = (std::filesystem::path(dir.path()) / "root").string();
  ScopedVariable where("FIL_TEST_ROOT", root.c_str());
  const int exitCode = TESTrunProgram(TESTprogramPath(), TESTchildRole("RemovesTheTreeOfAnEmptyName"));
  if (exitCode == 77) GTEST_SKIP() << "no throw-away file system root can be made here";
  ASSERT_EQ(exitCode, 0);
  const std::string refused = TESTerrnoError("Attempt to remove directory '' failed.", ENOENT).description;
  EXPECT_EQ(TESTreadWindowsFile(dir / "root\\told.txt"), refused + "|;" + refused + "|;")
      << "both forms raise, nothing reported";
  for (const char* kept : {"root\\keep.txt", "root\\sub\\kept.txt"}) EXPECT_TRUE(exists(dir / kept)) << kept;
}

TEST_F(FILtreeRemoval, EntriesOfACallersListingGoAndTheDirectoryStays) {
  makeTree();
  const std::string tree = dir / "tree\\";
  {
    FILdirEnumerator texts((tree + "*.txt").c_str(), false);
    FILremoveDirectoryEntries(tree.c_str(), texts);
  }
  EXPECT_FALSE(exists(dir / "tree\\a.txt"));
  EXPECT_TRUE(exists(dir / "tree\\sub\\b.txt"));

  makeReadOnly(dir / "tree\\sub\\b.txt");
  COLostreamString report;
  {
    FILdirEnumerator all((tree + "*.*").c_str(), false);
    FILremoveDirectoryEntries(tree.c_str(), all, report);
  }
  EXPECT_EQ(TESTtext(report.string()).find("Failed to delete b.txt because of "), 0u) << TESTtext(report.string());
  EXPECT_TRUE(exists(dir / "tree"));
  EXPECT_FALSE(exists(dir / "tree\\empty"));
}

// Points the system's temporary directory at a Windows-form directory of dir.
class TemporaryDirectoryAt {
public:
  TemporaryDirectoryAt(const TESTtemporaryDirectory& dir, const std::string& directory)
      : tmp_("TMP", directory.c_str()), temp_("TEMP", directory.c_str()),
        tmpdir_("TMPDIR", posixForm(dir, directory).c_str()) {}

private:
  // The layer takes it from TMPDIR, in the POSIX form.
  static std::string posixForm(const TESTtemporaryDirectory& dir, const std::string& directory) {
    std::string posix = dir.path();
    for (char c : directory.substr(dir.windowsPath().size())) posix += c == '\\' ? '/' : c;
    return posix;
  }
  ScopedVariable tmp_, temp_, tmpdir_;
};

TEST(FILtemporary, TheTemporaryDirectoryIsTheSystemsAndIsMadeWhenMissing) {
  char buffer[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  ASSERT_GT(length, 0u);
  COLstring directory("something");
  FILtemporaryDirectory(directory);
  EXPECT_EQ(TESTtext(directory), std::string(buffer, length));

  TESTtemporaryDirectory dir;
  const std::string missing = dir / "made\\here\\";
  TemporaryDirectoryAt at(dir, missing);
  FILtemporaryDirectory(directory);
  EXPECT_EQ(TESTtext(directory), missing);
  EXPECT_TRUE(exists(missing));
}

TEST(FILtemporary, ATemporaryDirectoryBeyondMaxPathComesWhole) {
  TESTtemporaryDirectory dir;
  std::string longer = dir / "made";
  while (longer.size() < 300) longer += "\\" + std::string(40, 'n');  // names of 40 characters
  longer += "\\";
  TemporaryDirectoryAt at(dir, longer);
  std::vector<char> asked(longer.size() + 16);
  if (GetTempPathA(static_cast<DWORD>(asked.size()), asked.data()) != longer.size())
    GTEST_SKIP() << "this system's GetTempPathA gives no path of " << longer.size()
                 << " characters (Wine keeps to MAX_PATH)";
  COLstring directory;
  FILtemporaryDirectory(directory);
  EXPECT_EQ(TESTtext(directory), longer) << "asked for again with the size that the system needs";
  EXPECT_TRUE(exists(longer));
}

TEST(FILtemporary, ATemporaryFileNameNamesNoFileYet) {
  COLstring first = FILtemporaryFileName();
  COLstring second = FILtemporaryFileName();
  EXPECT_GT(first.size(), 0);
  EXPECT_NE(TESTtext(first), TESTtext(second));
  EXPECT_FALSE(exists(TESTtext(first)));
}

TEST(FILexpandHome, ReferencesFirstThenALeadingTilde) {
  ScopedVariable profile("UserProfile", "C:\\Users\\someone");
  ScopedVariable set("FILTEST_SET", "value");
  ScopedVariable tilde("FILTEST_TILDE", "~");
  ScopedVariable unset("FILTEST_UNSET", nullptr);
  struct Case {
    const char* text;
    const char* expanded;
  };
  const Case cases[] = {
      {"~", "C:\\Users\\someone"},
      {"~/docs", "C:\\Users\\someone/docs"},
      {"~\\docs", "C:\\Users\\someone\\docs"},
      {"~user", "~user"},
      {"a~", "a~"},
      {"", ""},
      {"${FILTEST_SET}/x", "value/x"},
      {"${FILTEST_UNSET}x", "x"},
      {"${FILTEST_TILDE}\\x", "C:\\Users\\someone\\x"},
  };
  for (const Case& c : cases) EXPECT_EQ(TESTtext(FILexpandHome(c.text)), c.expanded) << c.text;
  ScopedVariable noProfile("UserProfile", nullptr);
  EXPECT_EQ(TESTtext(FILexpandHome("~/docs")), "~/docs") << "without a profile directory";
}

TEST_F(FILfileUtilities, ACommandLineStartsWithAFileNamedByItsFirstWords) {
  TESTwriteWindowsFile(dir / "my tool.exe", "");
  struct Case {
    std::string line;
    bool file;
  };
  const Case cases[] = {
      {"", false},
      {path, true},
      {path + " -x", true},
      {dir / "my tool.exe -x y", true},
      {dir / "my", false},
      {dir / "missing -x", false},
      {" " + path, false},
  };
  for (const Case& c : cases) EXPECT_EQ(FILcommandPrefixIsFile(c.line.c_str()), c.file) << "[" << c.line << "]";
}

}  // namespace
