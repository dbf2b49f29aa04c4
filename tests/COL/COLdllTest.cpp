// COLdll: the five results of a load, the errors of load and getProc, and which modules an
// object gives back. Natively "kernel32.dll" is our layer's system library; in the Windows
// build, under Wine, it is the real one.
#include "COL/COLdll.h"

#include "COL/COLerror.h"

#include "tests/support/TESTsupport.h"

#include <string>

namespace {

// The build writes the fixtures' paths in POSIX form; both builds reach them on drive Z:.
std::string fixturePath(const std::string& buildPath) { return TESTdriveZPath(buildPath); }

// Longer than a Windows path may be, and than a name may be here.
std::string tooLongName() { return fixturePath(COLDLL_FIXTURE) + std::string(300, 'a') + ".dll"; }

bool isLoadedNow(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

TEST(COLdll, TryLoadGivesFiveResults) {
  TESTtemporaryDirectory directory;
  TESTwriteWindowsFile(directory / "notes.dll", "not a module\r\n");
  struct Row {
    const char* what;
    std::string path;
    int result;
    int code;  // the last error after a failed load
  };
  const Row rows[] = {
      {"a system library by name", "kernel32.dll", 1, 0},
      {"a library by path", fixturePath(COLDLL_FIXTURE), 1, 0},
      {"a text file", directory / "notes.dll", -1, ERROR_BAD_EXE_FORMAT},
      {"a folder", directory.windowsPath(), -2, ERROR_MOD_NOT_FOUND},
      {"a missing file", directory / "missing.dll", -2, ERROR_MOD_NOT_FOUND},
      {"a name too long for a path", tooLongName(), -3, ERROR_FILENAME_EXCED_RANGE},
      {"a library whose load fails", fixturePath(COLDLL_REFUSED), -4,
       TESTwindowsBuild ? int{ERROR_DLL_INIT_FAILED} : int{ERROR_PROC_NOT_FOUND}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    COLdll dll;
    SetLastError(0);
    EXPECT_EQ(dll.tryLoad(row.path.c_str(), true), row.result) << row.path;
    if (row.result == 1) {
      EXPECT_TRUE(dll.isLoaded());
      std::string name = TESTtext(dll.fileName());
      EXPECT_EQ(name.substr(1, 2), ":\\") << name;
      EXPECT_TRUE(isLoadedNow(name)) << name;
      EXPECT_TRUE(dll.errorMessage().is_null());
      continue;
    }
    EXPECT_EQ(static_cast<int>(GetLastError()), row.code);
    EXPECT_FALSE(dll.isLoaded());
    EXPECT_TRUE(dll.fileName().is_null());
    EXPECT_EQ(TESTtext(dll.errorMessage()), TESTtext(COLwindowsErrorText(row.code)));
    // load and the loading constructor raise the same system error.
    EXPECT_EQ(TEST_ERROR_OF(dll.load(row.path.c_str(), false)), TESTwindowsError("", row.code));
    EXPECT_EQ(TEST_ERROR_OF(COLdll(row.path.c_str(), true)), TESTwindowsError("", row.code));
  }
}

TEST(COLdll, AFailedLoadKeepsTheTextAndForgetsTheOldName) {
  COLdll dll;
  ASSERT_EQ(dll.tryLoad("kernel32.dll", true), 1);
  EXPECT_EQ(dll.tryLoad(tooLongName().c_str(), true), -3);
  EXPECT_TRUE(dll.fileName().is_null());
  EXPECT_FALSE(dll.isLoaded());
  const std::string failure = TESTtext(dll.errorMessage());
  EXPECT_FALSE(failure.empty());
  // A later success leaves the text of the last failure.
  ASSERT_EQ(dll.tryLoad("kernel32.dll", true), 1);
  EXPECT_EQ(TESTtext(dll.errorMessage()), failure);
}

TEST(COLdll, GetProcFindsAFunctionOrRaises) {
  COLdll dll(fixturePath(COLDLL_FIXTURE).c_str(), true);
  typedef int (*Answer)();
  EXPECT_EQ(reinterpret_cast<Answer>(dll.getProc("COLdllFixtureAnswer"))(), 42);
  EXPECT_TRUE(dll.hasProc("COLdllFixtureAnswer"));
  EXPECT_FALSE(dll.hasProc("COLdllFixtureMissing"));
  EXPECT_EQ(TEST_ERROR_OF(dll.getProc("COLdllFixtureMissing")),
            (TESTerrorFields{"Procedure COLdllFixtureMissing not found.", 127, 0, ""}));

  COLdll kernel32("kernel32.dll", true);
  EXPECT_NE(kernel32.getProc("GetConsoleWindow"), nullptr);
  EXPECT_EQ(TEST_ERROR_OF(kernel32.getProc("NoSuchProcedure")),
            (TESTerrorFields{"Procedure NoSuchProcedure not found.", 127, 0, ""}));

  COLdll empty;
  EXPECT_FALSE(empty.hasProc("GetConsoleWindow"));
  EXPECT_EQ(TEST_ERROR_OF(empty.getProc("GetConsoleWindow")),
            (TESTerrorFields{"Failed precondition: DllHandle != NULL", COL_ERROR_PRECONDITION, 161, "COLdll"}));
}

TEST(COLdll, AnOwnerGivesBackWhatItLoadedAndNothingElse) {
  const std::string fixture = fixturePath(COLDLL_FIXTURE);
  ASSERT_FALSE(isLoadedNow(fixture));
  {
    COLdll owner(fixture.c_str(), true);
    EXPECT_TRUE(isLoadedNow(fixture));
  }
  EXPECT_FALSE(isLoadedNow(fixture)) << "the owner's end unloads";

  {
    COLdll owner(fixture.c_str(), true);
    // Loading again through the object gives back the owned module first.
    ASSERT_EQ(owner.tryLoad("kernel32.dll", false), 1);
    EXPECT_FALSE(isLoadedNow(fixture));
  }

  {
    COLdll borrower(fixture.c_str(), false);
    ASSERT_EQ(borrower.tryLoad("kernel32.dll", true), 1);
    EXPECT_TRUE(isLoadedNow(fixture)) << "a module that is not owned is only forgotten";
  }
  EXPECT_TRUE(isLoadedNow(fixture));
  EXPECT_TRUE(FreeLibrary(GetModuleHandleA(fixture.c_str())));
  EXPECT_FALSE(isLoadedNow(fixture));

  COLdll owner(fixture.c_str(), true);
  owner.unload();
  EXPECT_FALSE(owner.isLoaded());
  EXPECT_FALSE(isLoadedNow(fixture));
  owner.unload();  // nothing left to give back
}

}  // namespace
