// The door's text: UTF-8 to WCHAR and back, the process's wide command line and module
// path, and registry text through the wide calls, with Windows' meaning on both builds
// (WCHAR is 16 bits on Windows and 32 here, so the expected texts are wide literals);
// and the layer's own code page.
#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTregistry.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::wstring wideOf(const std::string& utf8, DWORD flags, int* result = nullptr) {
  int length = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (result != nullptr) *result = length;
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, flags, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length),
            length);
  return wide;
}

std::string utf8Of(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  return text;
}

TEST(PLATtext, Utf8BecomesWideCharactersAndBack) {
  const struct {
    const char* why;
    std::string utf8;
    std::wstring wide;
  } cases[] = {
      {"ASCII", "C:\\x", L"C:\\x"},
      {"Latin, Greek and CJK", u8"é Ω 张伟", L"\u00E9 \u03A9 \u5F20\u4F1F"},
      {"beyond U+FFFF", u8"a😀b", L"a\U0001F600b"},
      {"a NUL inside", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"a byte that starts no character", "a\xFF" "b", L"a\uFFFDb"},
      {"a continuation byte alone", "\x80", L"\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(wideOf(c.utf8, 0), c.wide) << c.why;
    if (c.wide.find(L'\uFFFD') == std::wstring::npos) {
      EXPECT_EQ(utf8Of(c.wide), c.utf8) << c.why;
    }
  }
}

TEST(PLATtext, InvalidUtf8IsRefusedWhenAskedAndSizesFollowWindowsRules) {
  int result = -1;
  SetLastError(0);
  wideOf("a\xFF", MB_ERR_INVALID_CHARS, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

  // -1 counts the terminator; a buffer too small takes nothing.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
  WCHAR small[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_CHILD_ROLE(TellsItsWideCommandLine) {
  std::fputs(utf8Of(GetCommandLineW()).c_str(), stdout);
  return 0;
}

TEST(PLATtext, TheWideCommandLineHoldsEveryWordAsGiven) {
  const std::string role = TESTchildRole("TellsItsWideCommandLine")[0];
  TESTprogramRun run =
      TESTcaptureProgramUtf8(TESTprogramPath(), {"prog", role, "plain", "two words", "", u8"C:\\张伟\\😀", "a\"b"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "prog " + role + u8" plain \"two words\" \"\" C:\\张伟\\😀 \"a\\\"b\"");
}

TEST(PLATtext, TheWideModulePathIsTheAnsiOne) {
  char narrow[MAX_PATH];
  WCHAR wide[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, narrow, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_EQ(GetModuleFileNameW(nullptr, wide, MAX_PATH), length);
  EXPECT_EQ(utf8Of(std::wstring(wide, length)), std::string(narrow, length));  // the test's path is ASCII
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, wide, 3), 3u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

class PLATtextRegistry : public ::testing::Test {
protected:
  TESTprivateRegistryStore store_;
  TESTregistryKey key_{"PLATtext"};
};

TEST_F(PLATtextRegistry, TextThroughTheWideCallsKeepsEveryCharacter) {
  const std::string text = std::string(u8"C:\\张伟;C:\\Ωmega;C:\\😀") + '\0';
  for (DWORD type : {DWORD(REG_SZ), DWORD(REG_EXPAND_SZ)}) {
    ASSERT_EQ(TESTsetRegistryText(key_.key(), "Path", type, text), ERROR_SUCCESS);
    DWORD readType = 0;
    std::string read;
    ASSERT_TRUE(TESTregistryText(key_.key(), "PATH", readType, read));
    EXPECT_EQ(readType, type);
    EXPECT_EQ(read, text);

    // The size counts WCHARs; a buffer too small gets the size it needs.
    const std::wstring wide = wideOf(text, 0);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key_.key(), L"Path", nullptr, &readType, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, wide.size() * sizeof(WCHAR));
    WCHAR small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key_.key(), L"Path", nullptr, &readType, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, wide.size() * sizeof(WCHAR));
  }
  // A value that is no text comes as it is stored.
  const DWORD number = 0x01020304;
  ASSERT_EQ(RegSetValueExW(key_.key(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
            ERROR_SUCCESS);
  DWORD type = 0, read = 0, size = sizeof read;
  ASSERT_EQ(RegQueryValueExW(key_.key(), L"Number", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(read, number);
  EXPECT_EQ(RegQueryValueExW(key_.key(), L"Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(PLATtextRegistry, TheLayersAnsiCallsSeeTheWideTextAsUtf8) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows' ANSI calls convert to the program's own code page";
  EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
  for (int c = 0; c < 256; ++c) EXPECT_FALSE(IsDBCSLeadByte(static_cast<BYTE>(c))) << c;
  ASSERT_EQ(TESTsetRegistryText(key_.key(), "Path", REG_SZ, std::string(u8"C:\\张伟") + '\0'), ERROR_SUCCESS);
  char narrow[64];
  DWORD type = 0, size = sizeof narrow;
  ASSERT_EQ(RegQueryValueExA(key_.key(), "Path", nullptr, &type, reinterpret_cast<BYTE*>(narrow), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(narrow, size), std::string(u8"C:\\张伟") + '\0');
}

}  // namespace
