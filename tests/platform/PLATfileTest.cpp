// The file functions of the door: path forms, attributes, searches, the Windows rules of
// rename, remove and opening, descriptors and their handles, directories. Unless a test
// says otherwise it runs in both builds and states what Windows does.
#include "platform/PLATwindows.h"

#include "tests/support/TESTchild.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

std::string withForwardSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// What a path names: its attributes, or the error of GetFileAttributesA.
struct Lookup {
  DWORD attributes;
  DWORD error;
};

Lookup lookUp(const std::string& path) {
  SetLastError(0);
  DWORD attributes = GetFileAttributesA(path.c_str());
  return Lookup{attributes, attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0};
}

bool isDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A drive letter that this machine does not have, or 0.
char missingDrive() {
  for (char drive : {'Q', 'R', 'S', 'T'}) {
    std::string root = std::string(1, drive) + ":\\";
    if (GetFileAttributesA(root.c_str()) == INVALID_FILE_ATTRIBUTES) return drive;
  }
  return 0;
}

struct Outcome {
  int result;
  int error;
};

template <class Call>
Outcome crt(Call call) {
  errno = 0;
  int result = call();
  return Outcome{result, errno};
}

class PLATfile : public ::testing::Test {
protected:
  void SetUp() override {
    TESTwriteWindowsFile(dir / "a.txt", "hello");
    ASSERT_EQ(_mkdir((dir / "sub").c_str()), 0);
  }
  TESTtemporaryDirectory dir;
};

TEST_F(PLATfile, PathFormsNameTheSameEntriesAsOnWindows) {
  const char drive = missingDrive();
  struct Case {
    std::string path;
    DWORD attributes;  // with FILE_ATTRIBUTE_DIRECTORY or not; 0 when it must fail
    std::set<DWORD> errors;  // any error when empty
  };
  const Case cases[] = {
      {dir.windowsPath(), FILE_ATTRIBUTE_DIRECTORY, {}},
      {withForwardSlashes(dir.windowsPath()), FILE_ATTRIBUTE_DIRECTORY, {}},
      {dir.windowsPath() + "\\", FILE_ATTRIBUTE_DIRECTORY, {}},
      {withForwardSlashes(dir / "sub/"), FILE_ATTRIBUTE_DIRECTORY, {}},
      {dir / "a.txt", FILE_ATTRIBUTE_ARCHIVE, {}},
      {dir / "A.txt", 0, {ERROR_FILE_NOT_FOUND}},  // the layer keeps names case-sensitive
      {dir / ".\\a.txt", FILE_ATTRIBUTE_ARCHIVE, {}},
      {dir / "\\a.txt", FILE_ATTRIBUTE_ARCHIVE, {}},
      {dir / "missing\\..\\a.txt", FILE_ATTRIBUTE_ARCHIVE, {}},  // ".." is resolved on the text
      {dir / "sub\\.", FILE_ATTRIBUTE_DIRECTORY, {}},
      {dir / "missing", 0, {ERROR_FILE_NOT_FOUND}},
      {dir / "missing\\x", 0, {ERROR_PATH_NOT_FOUND}},
      {dir / "a.txt\\x", 0, {ERROR_PATH_NOT_FOUND}},
      {dir / "a.txt\\", 0, {ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME}},
      {dir / "a*b", 0, {ERROR_INVALID_NAME}},
      {dir / "a?b", 0, {ERROR_INVALID_NAME}},
      {"", 0, {ERROR_PATH_NOT_FOUND}},
      // A network path that cannot be reached; the code differs between Windows and Wine.
      {"\\\\nosuchserver\\share\\x", 0, {}},
  };
  for (const Case& c : cases) {
    if (c.path == dir / "A.txt" && TESTwindowsBuild) continue;  // Windows' file names ignore case
    Lookup found = lookUp(c.path);
    if (c.attributes == 0) {
      EXPECT_EQ(found.attributes, INVALID_FILE_ATTRIBUTES) << c.path;
      EXPECT_TRUE(c.errors.empty() ? found.error != 0 : c.errors.count(found.error) == 1)
          << c.path << " gave error " << found.error;
    } else {
      ASSERT_NE(found.attributes, INVALID_FILE_ATTRIBUTES) << c.path << " gave error " << found.error;
      EXPECT_EQ(found.attributes & FILE_ATTRIBUTE_DIRECTORY, c.attributes & FILE_ATTRIBUTE_DIRECTORY) << c.path;
    }
  }
  if (drive != 0) {
    for (const char* rest : {":\\", ":\\x\\y"}) {
      std::string path = std::string(1, drive) + rest;
      Lookup found = lookUp(path);
      EXPECT_EQ(found.attributes, INVALID_FILE_ATTRIBUTES) << path;
      EXPECT_EQ(found.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << path;
      EXPECT_EQ(crt([&] { return _open((path + "\\f").c_str(), _O_RDONLY); }).error, ENOENT) << path;
      EXPECT_EQ(crt([&] { return _mkdir(path.c_str()); }).error, ENOENT) << path;
    }
  }
}

TEST_F(PLATfile, RelativePathsStartAtTheCurrentDirectory) {
  TESTcurrentDirectory here(dir.windowsPath());
  EXPECT_TRUE(isFile("a.txt"));
  EXPECT_TRUE(isFile(".\\a.txt"));
  EXPECT_TRUE(isFile("sub/../a.txt"));
  EXPECT_TRUE(isDirectory("."));
  EXPECT_TRUE(isDirectory("sub"));
  // A drive with no separator is that drive's current directory.
  std::string drive = dir.windowsPath().substr(0, 2);
  EXPECT_TRUE(isFile(drive + "a.txt"));
  EXPECT_TRUE(isDirectory(drive));
}

TEST(PLATfileLayer, TheDriveZIsThePosixRoot) {
  if (TESTwindowsBuild) GTEST_SKIP() << "the layer's own mapping of drives";
  for (const char* root : {"Z:\\", "Z:/", "z:\\", "\\", "/"}) EXPECT_TRUE(isDirectory(root)) << root;
  EXPECT_TRUE(isDirectory("Z:\\tmp"));
  EXPECT_TRUE(isDirectory("Z:\\..\\tmp")) << "the root has no parent";
  EXPECT_EQ(lookUp("C:\\").error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << "only Z: exists";
}

TEST_F(PLATfile, AttributesTellDirectoriesReadOnlyAndHidden) {
  TESTwriteWindowsFile(dir / "locked.txt", "x");
  ASSERT_EQ(_chmod((dir / "locked.txt").c_str(), _S_IREAD), 0);
  ASSERT_EQ(_mkdir((dir / ".hidden").c_str()), 0);
  const DWORD kinds = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  EXPECT_EQ(GetFileAttributesA((dir / "a.txt").c_str()) & kinds, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesA((dir / "locked.txt").c_str()) & kinds,
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA((dir / "sub").c_str()) & kinds, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  DWORD hidden = GetFileAttributesA((dir / ".hidden").c_str());
  EXPECT_TRUE(hidden & FILE_ATTRIBUTE_DIRECTORY);
  // Our layer and Wine hide names that start with a dot; Windows itself does not.
  if (!TESTwindowsBuild) {
    EXPECT_TRUE(hidden & FILE_ATTRIBUTE_HIDDEN);
  }
  EXPECT_FALSE(GetFileAttributesA((dir / "a.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(GetFileAttributesA((dir / "sub\\.").c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// ---- Searches ----

std::vector<std::string> search(const std::string& pattern, DWORD* error = nullptr) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  SetLastError(0);
  HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    if (error != nullptr) *error = GetLastError();
    return names;
  }
  do names.push_back(data.cFileName);
  while (FindNextFileA(handle, &data));
  if (error != nullptr) *error = GetLastError();
  EXPECT_TRUE(FindClose(handle));
  return names;
}

std::set<std::string> searchSet(const std::string& pattern) {
  std::vector<std::string> names = search(pattern);
  return std::set<std::string>(names.begin(), names.end());
}

class PLATfileSearch : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "B.TXT", "ab.txt", "a.txt.bak", "noext"}) TESTwriteWindowsFile(dir / name, "12345");
    ASSERT_EQ(_mkdir((dir / "sub").c_str()), 0);
  }
  TESTtemporaryDirectory dir;
};

TEST_F(PLATfileSearch, PatternsMatchAsOnWindowsIgnoringCase) {
  typedef std::set<std::string> Names;
  const Names all = {".", "..", "a.txt", "B.TXT", "ab.txt", "a.txt.bak", "noext", "sub"};
  struct Case {
    const char* pattern;
    Names windows;
    // Wine's matcher lacks the DOS rules of ? before a dot or at the end and of *. ,
    // which Windows keeps for old programs; where it answers otherwise, what it finds.
    bool wineDiffers;
    Names wine;
  };
  const Case cases[] = {
      {"*", all, false, {}},
      {"*.*", all, false, {}},
      {"*.txt", {"a.txt", "B.TXT", "ab.txt"}, false, {}},
      {"*.TXT", {"a.txt", "B.TXT", "ab.txt"}, false, {}},
      {"?.txt", {"a.txt", "B.TXT"}, false, {}},
      {"A.TXT", {"a.txt"}, false, {}},
      {"b.txt", {"B.TXT"}, false, {}},
      {"a.tx?", {"a.txt"}, false, {}},
      {"a.???", {"a.txt"}, false, {}},
      {"*b*", {"B.TXT", "ab.txt", "a.txt.bak", "sub"}, false, {}},
      {"*.bak", {"a.txt.bak"}, false, {}},
      {"a.*", {"a.txt", "a.txt.bak"}, false, {}},
      {"*.t", {}, false, {}},
      {"a.??", {}, false, {}},
      {"z*", {}, false, {}},
      {"a?.txt", {"a.txt", "ab.txt"}, true, {"ab.txt"}},
      {"a.txt?", {"a.txt"}, true, {}},
      {"??.txt", {"a.txt", "B.TXT", "ab.txt"}, true, {"ab.txt"}},
      {"*.", {".", "..", "noext", "sub"}, true, all},
      {"noext.", {"noext"}, false, {}},
      {"noext.*", {"noext"}, false, {}},
      {"a.txt.", {"a.txt"}, false, {}},
  };
  for (const Case& c : cases) {
    Names found = searchSet(dir / c.pattern);
    if (TESTwindowsBuild && c.wineDiffers && found == c.wine) continue;
    EXPECT_EQ(found, c.windows) << c.pattern;
  }
}

TEST_F(PLATfileSearch, EntriesComeDotsFirstWithTheirData) {
  std::vector<std::string> names = search(dir / "*");
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], ".");
  EXPECT_EQ(names[1], "..");

  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA((dir / "a.txt").c_str(), &data);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "a.txt");
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA((dir / "a.txt").c_str()));
  struct _stat64 info;
  ASSERT_EQ(_stat64((dir / "a.txt").c_str(), &info), 0);
  unsigned long long written =
      (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  unsigned long long created =
      (static_cast<unsigned long long>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
  const unsigned long long from1601To1970 = 116444736000000000ULL;
  EXPECT_EQ(static_cast<long long>((written - from1601To1970) / 10000000), static_cast<long long>(info.st_mtime));
  EXPECT_GT(created, from1601To1970);
  EXPECT_LE(created, written + 10000000);
  SetLastError(0);
  EXPECT_FALSE(FindNextFileA(handle, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_FALSE(FindNextFileA(handle, &data)) << "an exhausted search stays exhausted";
  EXPECT_TRUE(FindClose(handle));

  // A pattern without wildcards that names a directory finds the directory itself.
  std::vector<std::string> itself = search(dir / "sub");
  EXPECT_EQ(itself, std::vector<std::string>{"sub"});
}

TEST_F(PLATfileSearch, FailuresHaveWindowsCodes) {
  struct Case {
    std::string pattern;
    DWORD error;
  };
  const Case cases[] = {
      {dir / "missing\\*", ERROR_PATH_NOT_FOUND},
      {dir.windowsPath() + "\\", ERROR_FILE_NOT_FOUND},
      {dir / "nothing*", ERROR_FILE_NOT_FOUND},
      {dir / "s*\\*", ERROR_INVALID_NAME},
      {"", ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD error = 0;
    EXPECT_TRUE(search(c.pattern, &error).empty()) << c.pattern;
    EXPECT_EQ(error, c.error) << c.pattern;
  }
  WIN32_FIND_DATAA data;
  for (HANDLE handle : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    SetLastError(0);
    EXPECT_FALSE(FindNextFileA(handle, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(FindClose(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}

// ---- rename and remove ----

TEST_F(PLATfile, RenameNeverReplacesAndRemoveDeletesWritableFilesOnly) {
  TESTwriteWindowsFile(dir / "b.txt", "other");
  ASSERT_EQ(_mkdir((dir / "empty").c_str()), 0);
  TESTwriteWindowsFile(dir / "locked.txt", "x");
  ASSERT_EQ(_chmod((dir / "locked.txt").c_str(), _S_IREAD), 0);
  struct Case {
    const char* what;
    std::function<int()> call;
    int result;
    int error;
  };
  const Case cases[] = {
      {"rename onto a file", [&] { return PLATrename((dir / "a.txt").c_str(), (dir / "b.txt").c_str()); }, -1, EEXIST},
      {"rename onto an empty directory", [&] { return PLATrename((dir / "sub").c_str(), (dir / "empty").c_str()); }, -1, EEXIST},
      {"rename a file onto a directory", [&] { return PLATrename((dir / "a.txt").c_str(), (dir / "sub").c_str()); }, -1, EEXIST},
      {"rename into a missing directory", [&] { return PLATrename((dir / "a.txt").c_str(), (dir / "missing\\a").c_str()); }, -1, ENOENT},
      {"rename a missing file", [&] { return PLATrename((dir / "missing").c_str(), (dir / "c.txt").c_str()); }, -1, ENOENT},
      {"remove a directory", [&] { return PLATremove((dir / "sub").c_str()); }, -1, EACCES},
      {"remove a read-only file", [&] { return PLATremove((dir / "locked.txt").c_str()); }, -1, EACCES},
      {"remove a missing file", [&] { return PLATremove((dir / "missing").c_str()); }, -1, ENOENT},
      {"rename to a new name", [&] { return PLATrename((dir / "a.txt").c_str(), (dir / "c.txt").c_str()); }, 0, 0},
      {"remove a file", [&] { return PLATremove((dir / "b.txt").c_str()); }, 0, 0},
  };
  for (const Case& c : cases) {
    Outcome outcome = crt(c.call);
    EXPECT_EQ(outcome.result, c.result) << c.what;
    if (c.result != 0) {
      EXPECT_EQ(outcome.error, c.error) << c.what;
    }
  }
  EXPECT_TRUE(isDirectory(dir / "sub"));
  EXPECT_TRUE(isDirectory(dir / "empty"));
  EXPECT_TRUE(isFile(dir / "locked.txt"));
  EXPECT_FALSE(isFile(dir / "a.txt"));
  EXPECT_FALSE(isFile(dir / "b.txt"));
  EXPECT_EQ(TESTreadWindowsFile(dir / "c.txt"), "hello");
}

// ---- Opening and descriptors ----

TEST_F(PLATfile, OpenFlagsKeepWindowsMeaning) {
  const std::string created = dir / "created.txt";
  int fd = _open(created.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  ASSERT_GE(fd, 0) << strerror(errno);
  EXPECT_EQ(_write(fd, "abc", 3), 3);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(crt([&] { return _open(created.c_str(), _O_CREAT | _O_EXCL | _O_RDWR, _S_IREAD | _S_IWRITE); }).error, EEXIST);

  // _O_APPEND writes at the end wherever the position was.
  fd = _open(created.c_str(), _O_RDWR | _O_APPEND | _O_BINARY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_lseeki64(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(_write(fd, "d", 1), 1);
  EXPECT_EQ(_lseeki64(fd, 0, SEEK_CUR), 4);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(TESTreadWindowsFile(created), "abcd");

  fd = _open(created.c_str(), _O_WRONLY | _O_TRUNC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(TESTreadWindowsFile(created), "");

  // Created without _S_IWRITE: read-only afterwards, yet this descriptor may write.
  const std::string readOnly = dir / "readonly.txt";
  fd = _open(readOnly.c_str(), _O_CREAT | _O_WRONLY, _S_IREAD);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_write(fd, "xy", 2), 2);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_TRUE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(TESTreadWindowsFile(readOnly), "xy");

  struct Case {
    const char* what;
    std::string path;
    int flags;
    int error;
    bool wineAllows;  // Wine run as root opens read-only files for writing
  };
  const Case cases[] = {
      {"a missing file", dir / "missing.txt", _O_RDONLY, ENOENT, false},
      {"below a missing directory", dir / "missing\\x", _O_RDWR | _O_CREAT, ENOENT, false},
      {"a directory", dir / "sub", _O_RDONLY, EACCES, false},
      {"a directory for writing", dir / "sub", _O_RDWR, EACCES, false},
      {"a read-only file for writing", readOnly, _O_RDWR, EACCES, true},
      {"a read-only file to truncate", readOnly, _O_WRONLY | _O_TRUNC, EACCES, true},
  };
  for (const Case& c : cases) {
    Outcome outcome = crt([&] { return _open(c.path.c_str(), c.flags, _S_IREAD | _S_IWRITE); });
    if (outcome.result >= 0) {
      _close(outcome.result);
      if (TESTwindowsBuild && c.wineAllows) continue;
    }
    EXPECT_EQ(outcome.result, -1) << c.what;
    EXPECT_EQ(outcome.error, c.error) << c.what;
  }
  if (!TESTwindowsBuild) {
    EXPECT_EQ(TESTreadWindowsFile(readOnly), "xy") << "Wine, run as root, may have emptied it";
  }
}

TEST(PLATfileLayer, OpenRefusesFlagsItCannotTranslate) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows' runtime accepts some of these and ignores them";
  TESTtemporaryDirectory dir;
  TESTwriteWindowsFile(dir / "a.txt", "x");
  for (int flags : {3, _O_RDONLY | 0x10, _O_RDONLY | _O_TEXT | _O_BINARY, _O_RDONLY | _O_TRUNC, 0x40000}) {
    Outcome outcome = crt([&] { return _open((dir / "a.txt").c_str(), flags); });
    EXPECT_EQ(outcome.result, -1) << std::hex << flags;
    EXPECT_EQ(outcome.error, EINVAL) << std::hex << flags;
  }
}

TEST_F(PLATfile, NotInheritedDescriptorsAndHandleFlags) {
  for (bool inherited : {true, false}) {
    int fd = _open((dir / "a.txt").c_str(), _O_RDONLY | (inherited ? 0 : _O_NOINHERIT));
    ASSERT_GE(fd, 0);
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD flags = 99;
    ASSERT_TRUE(GetHandleInformation(handle, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, inherited ? static_cast<DWORD>(HANDLE_FLAG_INHERIT) : 0u);
    ASSERT_TRUE(SetHandleInformation(handle, HANDLE_FLAG_INHERIT, inherited ? 0 : HANDLE_FLAG_INHERIT));
    ASSERT_TRUE(GetHandleInformation(handle, &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, inherited ? 0u : static_cast<DWORD>(HANDLE_FLAG_INHERIT));
    EXPECT_EQ(_close(fd), 0);
  }
  errno = 0;
  EXPECT_EQ(_get_osfhandle(4000), -1);
  EXPECT_EQ(errno, EBADF);
  // The handle of a closed descriptor is no handle (INVALID_HANDLE_VALUE would be the
  // process's own on Windows).
  int fd = _open((dir / "a.txt").c_str(), _O_RDWR);
  ASSERT_GE(fd, 0);
  HANDLE closed = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  EXPECT_EQ(_close(fd), 0);
  DWORD flags = 0;
  SetLastError(0);
  EXPECT_FALSE(GetHandleInformation(closed, &flags));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(SetEndOfFile(closed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Run by the test below in a child: tells which of the descriptors named in fds.txt it has.
TEST_CHILD_ROLE(TellsItsDescriptors) {
  std::string numbers = TESTreadWindowsFile("fds.txt");
  std::string answer;
  for (size_t start = 0; start < numbers.size();) {
    size_t end = numbers.find(' ', start);
    int fd = atoi(numbers.substr(start, end - start).c_str());
    answer += _get_osfhandle(fd) == -1 ? "closed " : "open ";
    start = end == std::string::npos ? numbers.size() : end + 1;
  }
  TESTwriteWindowsFile("answer.txt", answer);
  return 0;
}

TEST_F(PLATfile, NotInheritedDescriptorsStayWithTheParent) {
  TESTcurrentDirectory here(dir.windowsPath());
  int inherited = _open("a.txt", _O_RDONLY);
  int kept = _open("a.txt", _O_RDONLY | _O_NOINHERIT);
  ASSERT_GE(inherited, 0);
  ASSERT_GE(kept, 0);
  TESTwriteWindowsFile("fds.txt", std::to_string(inherited) + " " + std::to_string(kept));
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("TellsItsDescriptors")), 0);
  EXPECT_EQ(TESTreadWindowsFile("answer.txt"), "open closed ");
  _close(inherited);
  _close(kept);
}

TEST_F(PLATfile, DescriptorsReadWriteSeekAndCut) {
  int fd = _open((dir / "a.txt").c_str(), _O_RDWR | _O_BINARY);
  ASSERT_GE(fd, 0);
  char buffer[16] = {};
  EXPECT_EQ(_eof(fd), 0);
  EXPECT_EQ(_read(fd, buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(_eof(fd), 1);
  EXPECT_EQ(_read(fd, buffer, sizeof buffer), 0);
  EXPECT_EQ(_lseeki64(fd, 2, SEEK_SET), 2);
  EXPECT_EQ(_eof(fd), 0);
  EXPECT_TRUE(SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(fd))));
  EXPECT_EQ(_lseeki64(fd, 0, SEEK_END), 2);
  EXPECT_EQ(_commit(fd), 0);
  EXPECT_EQ(crt([&] { return static_cast<int>(_lseeki64(fd, -1, SEEK_SET)); }).error, EINVAL);
  EXPECT_EQ(crt([&] { return static_cast<int>(_lseeki64(fd, 0, 7)); }).error, EINVAL);
  FILE* stream = _fdopen(fd, "rb+");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(_fileno(stream), fd);
  EXPECT_EQ(fseek(stream, 0, SEEK_END), 0);
  EXPECT_GE(fputs("LP", stream), 0);
  EXPECT_EQ(fclose(stream), 0);
  EXPECT_EQ(TESTreadWindowsFile(dir / "a.txt"), "heLP");

  fd = _open((dir / "a.txt").c_str(), _O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(crt([&] { return _write(fd, "x", 1); }).error, EBADF);
  EXPECT_FALSE(SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(fd)))) << "a descriptor for reading only";
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(crt([&] { return _close(fd); }).error, EBADF);
  EXPECT_EQ(crt([&] { return _read(fd, buffer, 1); }).error, EBADF);
}

TEST_F(PLATfile, StreamsOpenFilesOnlyAsWindowsDoes) {
  FILE* stream = PLATfopen((dir / "a.txt").c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(fclose(stream), 0);
  TESTwriteWindowsFile(dir / "locked.txt", "x");
  ASSERT_EQ(_chmod((dir / "locked.txt").c_str(), _S_IREAD), 0);
  struct Case {
    std::string path;
    const char* mode;
    int error;
    bool wineAllows;  // Wine run as root opens read-only files for writing
  };
  const Case cases[] = {
      {dir / "sub", "rb", EACCES, false},
      {dir / "sub", "wb", EACCES, false},
      {dir / "missing.txt", "rb", ENOENT, false},
      {dir / "a.txt", "q", EINVAL, false},
      {dir / "locked.txt", "rb+", EACCES, true},
      {dir / "locked.txt", "wb", EACCES, true},
      {dir / "locked.txt", "ab", EACCES, true},
  };
  for (const Case& c : cases) {
    errno = 0;
    FILE* opened = PLATfopen(c.path.c_str(), c.mode);
    int error = errno;
    const bool wasOpened = opened != nullptr;
    if (wasOpened) {
      fclose(opened);
      if (TESTwindowsBuild && c.wineAllows) continue;
    }
    EXPECT_FALSE(wasOpened) << c.path << " " << c.mode;
    EXPECT_EQ(error, c.error) << c.path << " " << c.mode;
  }
}

// ---- Directories ----

TEST_F(PLATfile, DirectoryCallsFailWithWindowsErrors) {
  TESTwriteWindowsFile(dir / "sub\\inner.txt", "x");
  struct Case {
    const char* what;
    std::function<int()> call;
    int error;
  };
  const Case cases[] = {
      {"mkdir of an existing directory", [&] { return _mkdir((dir / "sub").c_str()); }, EEXIST},
      {"mkdir of an existing file", [&] { return _mkdir((dir / "a.txt").c_str()); }, EEXIST},
      {"mkdir below a missing directory", [&] { return _mkdir((dir / "missing\\x").c_str()); }, ENOENT},
      {"rmdir of a directory with entries", [&] { return _rmdir((dir / "sub").c_str()); }, ENOTEMPTY},
      {"rmdir of a file", [&] { return _rmdir((dir / "a.txt").c_str()); }, EINVAL},
      {"rmdir of a missing directory", [&] { return _rmdir((dir / "missing").c_str()); }, ENOENT},
      {"chdir to a missing directory", [&] { return _chdir((dir / "missing").c_str()); }, ENOENT},
      {"chdir to a file", [&] { return _chdir((dir / "a.txt").c_str()); }, EINVAL},
      {"access of a missing file", [&] { return _access((dir / "missing").c_str(), 0); }, ENOENT},
      {"stat of a missing file", [&] { struct _stat64 s; return _stat64((dir / "missing").c_str(), &s); }, ENOENT},
  };
  for (const Case& c : cases) {
    Outcome outcome = crt(c.call);
    EXPECT_EQ(outcome.result, -1) << c.what;
    EXPECT_EQ(outcome.error, c.error) << c.what;
  }

  struct Win32Case {
    std::string path;
    DWORD error;
  };
  const Win32Case changes[] = {
      {dir / "missing", ERROR_FILE_NOT_FOUND},
      {dir / "missing\\x", ERROR_PATH_NOT_FOUND},
      {dir / "a.txt", ERROR_DIRECTORY},
  };
  for (const Win32Case& c : changes) {
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA(c.path.c_str())) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST_F(PLATfile, TheCurrentDirectoryCannotBeRemoved) {
  ASSERT_EQ(_mkdir((dir / "here").c_str()), 0);
  TESTcurrentDirectory inside(dir / "here");
  Outcome outcome = crt([&] { return _rmdir((dir / "here").c_str()); });
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.error, EACCES);
  ASSERT_EQ(_chdir(dir.windowsPath().c_str()), 0);
  EXPECT_EQ(_rmdir((dir / "here").c_str()), 0);
}

TEST_F(PLATfile, CurrentDirectoryInWindowsForm) {
  TESTcurrentDirectory here(dir.windowsPath());
  char buffer[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer, length), dir.windowsPath());
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1) << "the size needed, with the NUL";
  EXPECT_EQ(GetCurrentDirectoryA(length, buffer), length + 1);
  EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer), length);
  ASSERT_NE(_getcwd(buffer, sizeof buffer), nullptr);
  EXPECT_EQ(std::string(buffer), dir.windowsPath());
  EXPECT_EQ(crt([&] { return _getcwd(buffer, static_cast<int>(length)) == nullptr ? -1 : 0; }).error, ERANGE);
  char* allocated = _getcwd(nullptr, 0);
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(std::string(allocated), dir.windowsPath());
  free(allocated);

  ASSERT_TRUE(SetCurrentDirectoryA("sub"));
  EXPECT_EQ(std::string(_getcwd(buffer, sizeof buffer)), dir / "sub");
  ASSERT_EQ(_chdir(".."), 0);
  std::string root = dir.windowsPath().substr(0, 3);
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  EXPECT_EQ(std::string(_getcwd(buffer, sizeof buffer)), root) << "the root keeps its backslash";
}

TEST_F(PLATfile, AccessAndStatDescribeFilesAsWindowsDoes) {
  TESTwriteWindowsFile(dir / "locked.txt", "x");
  ASSERT_EQ(_chmod((dir / "locked.txt").c_str(), _S_IREAD), 0);
  struct Case {
    std::string path;
    int mode;
    int result;
  };
  const Case cases[] = {
      {dir / "a.txt", 0, 0},        {dir / "a.txt", 2, 0},       {dir / "a.txt", 6, 0},
      {dir / "locked.txt", 0, 0},   {dir / "locked.txt", 4, 0},  {dir / "locked.txt", 2, -1},
      {dir / "locked.txt", 6, -1},  {dir / "sub", 2, 0},
  };
  for (const Case& c : cases) {
    Outcome outcome = crt([&] { return _access(c.path.c_str(), c.mode); });
    EXPECT_EQ(outcome.result, c.result) << c.path << " mode " << c.mode;
    if (c.result != 0) {
      EXPECT_EQ(outcome.error, EACCES) << c.path << " mode " << c.mode;
    }
  }

  struct _stat64 info;
  ASSERT_EQ(_stat64((dir / "a.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 5);
  EXPECT_EQ(info.st_mode & _S_IFMT, _S_IFREG);
  EXPECT_EQ(info.st_mode & (_S_IREAD | _S_IWRITE), _S_IREAD | _S_IWRITE);
  ASSERT_EQ(_stat64((dir / "locked.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & (_S_IREAD | _S_IWRITE), _S_IREAD);
  ASSERT_EQ(_stat64((dir / "sub").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & _S_IFMT, _S_IFDIR);
  ASSERT_EQ(_chmod((dir / "locked.txt").c_str(), _S_IREAD | _S_IWRITE), 0);
  EXPECT_EQ(_access((dir / "locked.txt").c_str(), 2), 0);
}

TEST(PLATfileTemporary, TheTemporaryPathAndNames) {
  char buffer[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof buffer);
  std::string path(buffer, length);
  EXPECT_EQ(path.back(), '\\');
  EXPECT_TRUE(isDirectory(path)) << path;
  EXPECT_EQ(GetTempPathA(0, nullptr), length + 1);
  EXPECT_EQ(GetTempPathA(length, buffer), length + 1);

  char first[L_tmpnam];
  ASSERT_NE(PLATtmpnam(first), nullptr);
  const char* second = PLATtmpnam(nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(GetFileAttributesA(first), INVALID_FILE_ATTRIBUTES) << "a name that no file has yet";
  if (!TESTwindowsBuild) {
    EXPECT_EQ(std::string(first).compare(0, 8, "Z:\\tmp\\s"), 0) << first;
  }
}

TEST_F(PLATfile, AHandleTellsWhichFileItIs) {
  TESTwriteWindowsFile(dir / "b.txt", "other");
  struct Opened {
    int fd;
    BY_HANDLE_FILE_INFORMATION info;
  };
  auto describe = [](const std::string& path) {
    Opened opened{_open(path.c_str(), _O_RDONLY | _O_BINARY), {}};
    EXPECT_GE(opened.fd, 0) << path;
    EXPECT_TRUE(GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(opened.fd)), &opened.info)) << path;
    _close(opened.fd);
    return opened.info;
  };
  auto identity = [](const BY_HANDLE_FILE_INFORMATION& info) {
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
  };
  BY_HANDLE_FILE_INFORMATION a = describe(dir / "a.txt");
  EXPECT_EQ(a.nFileSizeLow, 5u);
  EXPECT_EQ(a.nFileSizeHigh, 0u);
  EXPECT_EQ(a.nNumberOfLinks, 1u);
  EXPECT_EQ(a.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
  for (const std::string& other : {withForwardSlashes(dir / "a.txt"), dir / "sub\\..\\a.txt"})
    EXPECT_EQ(identity(describe(other)), identity(a)) << other;
  EXPECT_NE(identity(describe(dir / "b.txt")), identity(a));

  int fd = _open((dir / "a.txt").c_str(), _O_RDONLY);
  ASSERT_GE(fd, 0);
  HANDLE closed = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  _close(fd);
  BY_HANDLE_FILE_INFORMATION info;
  SetLastError(0);
  EXPECT_FALSE(GetFileInformationByHandle(closed, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(PLATfile, ALinkToADirectoryIsRemovedAsADirectory) {
  std::error_code error;
  std::filesystem::create_directory_symlink(std::filesystem::path(dir.path()) / "sub",
                                            std::filesystem::path(dir.path()) / "link", error);
  DWORD attributes = GetFileAttributesA((dir / "link").c_str());
  if (error || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no symbolic link to a directory can be made here (mingw's std::filesystem has none)";
  TESTwriteWindowsFile(dir / "sub\\kept.txt", "x");
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(crt([&] { return PLATremove((dir / "link").c_str()); }).error, EACCES) << "remove takes files only";
  EXPECT_EQ(_rmdir((dir / "link").c_str()), 0);
  EXPECT_EQ(GetFileAttributesA((dir / "link").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(TESTreadWindowsFile(dir / "sub\\kept.txt"), "x") << "what the link pointed to stays";
}

TEST_F(PLATfile, StreamsPositionBeyondFourGigabytes) {
  const long long beyond = 5LL << 30;
  FILE* stream = PLATfopen((dir / "a.txt").c_str(), "rb+");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(_ftelli64(stream), 0);
  ASSERT_EQ(_fseeki64(stream, beyond, SEEK_SET), 0);
  EXPECT_EQ(_ftelli64(stream), beyond);
  EXPECT_EQ(fputc('z', stream), 'z');
  EXPECT_EQ(_ftelli64(stream), beyond + 1);
  ASSERT_EQ(_fseeki64(stream, -1, SEEK_END), 0);
  EXPECT_EQ(_ftelli64(stream), beyond);
  EXPECT_EQ(fgetc(stream), 'z');
  EXPECT_EQ(crt([&] { return _fseeki64(stream, -1, SEEK_SET); }).error, EINVAL);
  EXPECT_EQ(fclose(stream), 0);
  struct _stat64 info;
  ASSERT_EQ(_stat64((dir / "a.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, beyond + 1);
}

}  // namespace
