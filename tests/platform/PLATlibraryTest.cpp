// Loading at run time through the door: the errors of a refused load, a module handle that
// the other module calls know, one FreeLibrary per load, the module of an address (and a
// module pinned for the process's life), GetProcAddress that sees only the module's own
// functions, and the thread identity calls. Natively also the layer's own
// kernel32/user32 library and what its two functions do.
#include "platform/PLATwindows.h"

#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <string>
#include <thread>
#include <vector>

namespace {

std::string fixturePath(const std::string& buildPath) { return TESTdriveZPath(buildPath); }


std::string moduleFileName(HMODULE module) {
  char buffer[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, buffer, MAX_PATH);
  return std::string(buffer, length < MAX_PATH ? length : 0);
}

std::string lowerCased(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

TEST(PLATlibrary, ARefusedLoadSaysWhy) {
  TESTtemporaryDirectory directory;
  TESTwriteWindowsFile(directory / "notes.dll", "not a module");
  TESTwriteWindowsFile(directory / "empty.dll", "");
  struct Row {
    std::string path;
    DWORD error;
  };
  const Row rows[] = {
      {directory / "notes.dll", ERROR_BAD_EXE_FORMAT},
      {directory / "empty.dll", ERROR_BAD_EXE_FORMAT},
      {directory.windowsPath(), ERROR_MOD_NOT_FOUND},
      {directory / "missing.dll", ERROR_MOD_NOT_FOUND},
      {directory / "missing\\x.dll", ERROR_MOD_NOT_FOUND},
      {directory / (std::string(300, 'a') + ".dll"), ERROR_FILENAME_EXCED_RANGE},
      {fixturePath(COLDLL_REFUSED), TESTwindowsBuild ? DWORD{ERROR_DLL_INIT_FAILED} : DWORD{ERROR_PROC_NOT_FOUND}},
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExA(row.path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH), nullptr) << row.path;
    EXPECT_EQ(GetLastError(), row.error) << row.path;
  }
  if (!TESTwindowsBuild) {
    // A library the loader looks for by name: only its text tells why it failed.
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExA("libnonexistent-olvenmark.so", nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
}

TEST(PLATlibrary, EachLoadNeedsItsOwnFree) {
  const std::string path = fixturePath(COLDLL_FIXTURE);
  ASSERT_EQ(GetModuleHandleA(path.c_str()), nullptr);
  HMODULE first = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetModuleHandleA(path.c_str()), first);
  EXPECT_EQ(lowerCased(moduleFileName(first)), lowerCased(path));
  HMODULE second = LoadLibraryExA(path.c_str(), nullptr, 0);
  EXPECT_EQ(second, first);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(GetModuleHandleA(path.c_str()), first) << "one load is still held";
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);

  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(static_cast<intptr_t>(0x12345000))));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// The module of an address inside it, or of a name: one more load to give back, unless
// the call says not to take one.
TEST(PLATlibrary, GetModuleHandleExFindsTheModuleOfAnAddressOrAName) {
  const std::string path = fixturePath(COLDLL_FIXTURE);
  HMODULE loaded = LoadLibraryExA(path.c_str(), nullptr, 0);
  ASSERT_NE(loaded, nullptr);
  LPCSTR inside = reinterpret_cast<LPCSTR>(GetProcAddress(loaded, "COLdllFixtureAnswer"));
  ASSERT_NE(inside, nullptr);
  // Found with the loads it takes, each given back.
  auto finds = [&](const char* what, DWORD flags, LPCSTR name, int loadsTaken) {
    HMODULE found = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(flags, name, &found)) << what;
    EXPECT_EQ(found, loaded) << what;
    for (int i = 0; i < loadsTaken; ++i) EXPECT_TRUE(FreeLibrary(found)) << what;
    EXPECT_EQ(GetModuleHandleA(path.c_str()), loaded) << what << ": the first load is still held";
  };
  finds("an address", GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, inside, 1);
  finds("an address, the count unchanged",
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, inside, 0);
  finds("its name", 0, path.c_str(), 1);
  EXPECT_TRUE(FreeLibrary(loaded));
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << "a load left behind";

  // Refused, with the error and, for no module, no handle.
  auto refuses = [](const char* what, DWORD flags, LPCSTR name, DWORD error) {
    HMODULE found = reinterpret_cast<HMODULE>(static_cast<intptr_t>(0x1000));
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExA(flags, name, &found)) << what;
    EXPECT_EQ(GetLastError(), error) << what;
    if (error == ERROR_MOD_NOT_FOUND) {
      EXPECT_EQ(found, nullptr) << what;
    }
  };
  static const int notCode = 0;
  refuses("an address in no module", GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
          reinterpret_cast<LPCSTR>(static_cast<intptr_t>(0x10)), ERROR_MOD_NOT_FOUND);
  refuses("a name of no module", 0, "PLATnoSuchModule.dll", ERROR_MOD_NOT_FOUND);
  refuses("pinned with the count unchanged",
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN |
              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&notCode), ERROR_INVALID_PARAMETER);
}

// Pinned, the module stays whatever FreeLibrary is called (so in a child of its own).
TEST_CHILD_ROLE(PinsTheFixture) {
  const std::string path = fixturePath(COLDLL_FIXTURE);
  HMODULE loaded = LoadLibraryExA(path.c_str(), nullptr, 0);
  if (loaded == nullptr) return 2;
  LPCSTR inside = reinterpret_cast<LPCSTR>(GetProcAddress(loaded, "COLdllFixtureAnswer"));
  HMODULE pinned = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN, inside, &pinned))
    return 3;
  if (pinned != loaded) return 4;
  FreeLibrary(loaded);
  FreeLibrary(loaded);
  if (GetModuleHandleA(path.c_str()) != loaded) return 5;
  typedef int (*Answer)();
  return reinterpret_cast<Answer>(reinterpret_cast<void (*)()>(inside))() == 42 ? 0 : 6;
}

TEST(PLATlibrary, APinnedModuleStaysLoadedUntilTheProcessEnds) {
  TESTprogramRun run = TESTcaptureChildRole("PinsTheFixture");
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

TEST(PLATlibrary, GetProcAddressSeesTheModulesOwnFunctions) {
  HMODULE module = LoadLibraryExA(fixturePath(COLDLL_FIXTURE).c_str(), nullptr, 0);
  ASSERT_NE(module, nullptr);
  typedef int (*Answer)();
  FARPROC found = GetProcAddress(module, "COLdllFixtureAnswer");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(reinterpret_cast<Answer>(reinterpret_cast<void (*)()>(found))(), 42);
  struct Row {
    const char* what;
    LPCSTR name;
  };
  const Row rows[] = {
      {"a name it lacks", "COLdllFixtureMissing"},
      {"an ordinal it lacks", reinterpret_cast<LPCSTR>(static_cast<intptr_t>(77))},
      // The runtime the library was linked with has it, the library does not.
      {"a function of what it uses", TESTwindowsBuild ? "GetTickCount" : "malloc"},
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, row.name), nullptr) << row.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << row.what;
  }
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(PLATlibrary, SetErrorModeHandsBackTheOldMode) {
  UINT before = SetErrorMode(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(before) & SEM_FAILCRITICALERRORS, static_cast<UINT>(SEM_FAILCRITICALERRORS));
}

TEST(PLATlibrary, ThreadIdentity) {
  EXPECT_EQ(GetCurrentThread(), reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)));
  DWORD here = GetCurrentThreadId();
  EXPECT_EQ(GetCurrentThreadId(), here);
  DWORD there = here;
  HANDLE pseudo = nullptr;
  std::thread([&] {
    there = GetCurrentThreadId();
    pseudo = GetCurrentThread();
  }).join();
  EXPECT_NE(there, here);
  EXPECT_EQ(pseudo, GetCurrentThread());
}

typedef HWND (*GetConsoleWindowFunction)();
typedef int (*MessageBoxFunction)(HWND, LPCSTR, LPCSTR, UINT);

template <class Function>
Function systemFunction(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST_CHILD_ROLE(ShowsABox) {
  HMODULE user32 = LoadLibraryExA("USER32.DLL", nullptr, 0);
  if (user32 == nullptr) return 2;
  auto messageBox = systemFunction<MessageBoxFunction>(user32, "MessageBoxA");
  if (messageBox == nullptr) return 3;
  int answer = messageBox(nullptr, "Line one\r\nline two", "A caption", MB_OK);
  FreeLibrary(user32);
  return answer;
}

TEST(PLATlibrary, TheLayersSystemLibrary) {
  if (TESTwindowsBuild) GTEST_SKIP() << "the layer's own library";
  HMODULE kernel32 = LoadLibraryExA("kernel32.dll", nullptr, 0);
  ASSERT_NE(kernel32, nullptr);
  EXPECT_EQ(LoadLibraryExA("User32", nullptr, 0), kernel32) << "one library for both names";
  EXPECT_TRUE(FreeLibrary(kernel32));
  EXPECT_NE(moduleFileName(kernel32).find("libplatsystem.so"), std::string::npos);

  auto getConsoleWindow = systemFunction<GetConsoleWindowFunction>(kernel32, "GetConsoleWindow");
  ASSERT_NE(getConsoleWindow, nullptr);
  const char* before = getenv("PLAT_CONSOLE");
  const std::string saved = before != nullptr ? before : "";
  TESTsetEnvironment("PLAT_CONSOLE", "1");
  EXPECT_NE(getConsoleWindow(), nullptr);
  TESTsetEnvironment("PLAT_CONSOLE", "0");
  EXPECT_EQ(getConsoleWindow(), nullptr);
  TESTsetEnvironment("PLAT_CONSOLE", before != nullptr ? saved.c_str() : nullptr);
  EXPECT_TRUE(FreeLibrary(kernel32));

  // The box goes to standard error, caption first, and is answered at once.
  std::string program = TESTprogramPath().substr(2);
  for (char& c : program)
    if (c == '\\') c = '/';
  std::vector<std::string> words{program};
  for (const std::string& word : TESTchildRole("ShowsABox")) words.push_back(word);
  TESTprogramRun run = TESTcaptureProgram(program, words);
  EXPECT_EQ(run.exitCode, IDOK);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "A caption\nLine one\r\nline two\n");

  // Another file may stand for the system library; one that is missing is not found.
  const char* chosen = getenv("PLAT_SYSTEM_LIBRARY");
  const std::string savedChoice = chosen != nullptr ? chosen : "";
  TESTsetEnvironment("PLAT_SYSTEM_LIBRARY", "Z:\\nonexistent\\libplatsystem.so");
  SetLastError(0);
  EXPECT_EQ(LoadLibraryExA("kernel32.dll", nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  TESTsetEnvironment("PLAT_SYSTEM_LIBRARY", chosen != nullptr ? savedChoice.c_str() : nullptr);
}

}  // namespace
