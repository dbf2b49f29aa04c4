// The process functions of the door: module handles and paths with Windows' buffer rules,
// the system folders, and starting a program.
#include "platform/PLATwindows.h"

#include "tests/support/TESTchild.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string upperCased(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

TEST(PLATprocess, TheProgramsPathAndWindowsBufferRules) {
  const std::string path = TESTprogramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[1], ':') << path;
  EXPECT_EQ(path[2], '\\') << path;
  DWORD attributes = GetFileAttributesA(path.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
  EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);

  const DWORD length = static_cast<DWORD>(path.size());
  char buffer[4096];
  struct Case {
    DWORD size;
    DWORD result;
    bool insufficient;
  };
  const Case cases[] = {
      {length + 1, length, false},
      {length, length, true},
      {5, 5, true},
      {1, 1, true},
  };
  for (const Case& c : cases) {
    memset(buffer, '#', sizeof buffer);
    SetLastError(0);
    DWORD result = GetModuleFileNameA(nullptr, buffer, c.size);
    EXPECT_EQ(result, c.result) << "size " << c.size;
    EXPECT_EQ(GetLastError(), c.insufficient ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : 0u) << "size " << c.size;
    EXPECT_EQ(std::string(buffer, c.size - 1), path.substr(0, c.size - 1)) << "size " << c.size;
    // Windows ends a cut path with a NUL in the last place; Wine leaves the character there.
    if (c.insufficient && TESTwindowsBuild)
      EXPECT_TRUE(buffer[c.size - 1] == '\0' || buffer[c.size - 1] == path[c.size - 1]) << "size " << c.size;
    else
      EXPECT_EQ(buffer[c.size - 1], c.insufficient ? '\0' : path[c.size - 1]) << "size " << c.size;
  }
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 0), 0u);

  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x1230)), buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(PLATprocess, ModulesAreFoundByNameOrPathIgnoringCase) {
  HMODULE program = GetModuleHandleA(nullptr);
  ASSERT_NE(program, nullptr);
  const std::string path = TESTprogramPath();
  EXPECT_EQ(GetModuleHandleA(fileNameOf(path).c_str()), program);
  EXPECT_EQ(GetModuleHandleA(upperCased(fileNameOf(path)).c_str()), program);
  EXPECT_EQ(GetModuleHandleA(path.c_str()), program);
  SetLastError(0);
  EXPECT_EQ(GetModuleHandleA("no-such-module.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetModuleHandleA(""), nullptr);

  // A library that every program of each build has loaded.
  const char* library = !TESTwindowsBuild ? "libc.so.6" : "kernel32.dll";
  HMODULE module = GetModuleHandleA(library);
  ASSERT_NE(module, nullptr) << library;
  EXPECT_NE(module, program);
  EXPECT_EQ(GetModuleHandleA(upperCased(library).c_str()), module);
  char buffer[4096];
  DWORD length = GetModuleFileNameA(module, buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  std::string libraryPath(buffer, length);
  EXPECT_EQ(upperCased(fileNameOf(libraryPath)), upperCased(library)) << libraryPath;
  EXPECT_EQ(libraryPath.substr(1, 2), ":\\") << libraryPath;
  EXPECT_EQ(GetModuleHandleA(libraryPath.c_str()), module);
}

TEST(PLATprocess, SystemFoldersHaveNoTrailingBackslashAndWindowsSizeRules) {
  struct Case {
    const char* what;
    UINT (*call)(LPSTR, UINT);
  };
  const Case cases[] = {
      {"Windows directory", [](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }},
      {"system directory", [](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }},
  };
  for (const Case& c : cases) {
    UINT needed = c.call(nullptr, 0);
    ASSERT_GT(needed, 3u) << c.what;
    std::string folder(needed, '#');
    EXPECT_EQ(c.call(&folder[0], needed - 1), needed) << c.what;
    EXPECT_EQ(c.call(&folder[0], needed), needed - 1) << c.what;
    folder.resize(needed - 1);
    EXPECT_NE(folder.back(), '\\') << folder;
    EXPECT_EQ(folder.substr(1, 2), ":\\") << folder;
    DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << folder;
  }
}

TEST(PLATprocessLayer, SystemFoldersDefaultToTheSystemsOwnTree) {
  if (TESTwindowsBuild) GTEST_SKIP() << "the layer's own choice of folders";
  if (getenv("PLAT_WINDOWS_DIRECTORY") != nullptr || getenv("PLAT_SYSTEM_DIRECTORY") != nullptr)
    GTEST_SKIP() << "the folders are overridden in this environment";
  char buffer[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "Z:\\usr");
  ASSERT_GT(GetSystemDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "Z:\\usr\\lib");
}

TEST_CHILD_ROLE(EndsWithSeven) { return 7; }

TEST(PLATprocess, AProgramRunsAndTellsItsExitCode) {
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("EndsWithSeven")), 7);
  TESTtemporaryDirectory dir;
  errno = 0;
  EXPECT_EQ(TESTrunProgram(dir / "missing.exe", {}), -1);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
