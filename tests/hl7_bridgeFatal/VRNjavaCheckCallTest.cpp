// The fatal exit, each road played by a child of this program: the console road waits for
// a character on its input before it ends, the message-box road ends at once, and a road
// that fails on the way still ends with code 1 and its text on standard error. Natively
// our layer's PLAT_CONSOLE decides whether there is a console, and its MessageBoxA writes
// the box to standard error; under Wine only the console road itself can be watched.
#include "hl7_bridge/VRNjavaCheckCall.h"

#include "COL/COLerror.h"

#include "platform/PLATwindows.h"

#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <string>
#include <vector>

namespace {

// A role that comes back from the check ends with 0, which no row expects.
TEST_CHILD_ROLE(MissingConstructor) {
  VRNjavaCheckMethodLocated(nullptr, nullptr, "VarnelException constructor");
  return 0;
}

TEST_CHILD_ROLE(MissingLogMethod) {
  VRNjavaCheckMethodLocated(nullptr, nullptr, "log(string Line)");
  return 0;
}

TEST_CHILD_ROLE(ConsoleWithoutDetail) { VRNjavaFatalExitConsole("Engine != NULL", -1, "VRNengine", nullptr); }

// For its lifetime, sets (or with null removes) one variable of the environment.
// A child of this program playing the role.
std::vector<std::string> roleWords(const char* role) {
  std::vector<std::string> words{TESTprogramPath()};
  for (const std::string& word : TESTchildRole(role)) words.push_back(word);
  return words;
}

class ScopedVariable {
public:
  ScopedVariable(const char* name, const char* value) : m_Name(name) {
    const char* before = getenv(name);
    m_Had = before != nullptr;
    if (m_Had) m_Before = before;
    TESTsetEnvironment(name, value);
  }
  ~ScopedVariable() { TESTsetEnvironment(m_Name, m_Had ? m_Before.c_str() : nullptr); }

private:
  std::string m_Name, m_Before;
  bool m_Had = false;
};

// What reaches the file: the Windows runtime's text-mode standard output puts a CR before
// every LF, the stream's own CR LF included.
std::string asWritten(const std::string& text) {
  if (!TESTwindowsBuild) return text;
  std::string written;
  for (char c : text) written += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return written;
}

const char ConstructorText[] =
    "FATAL EXIT CONDITION: \r\n"
    "Java method located not true in VRNjavaCheckCall at 0\r\n"
    "Method: VarnelException constructor\r\n"
    "Enter to continue.\r\n";

TEST(VRNjavaCheckCall, AFoundMethodPasses) {
  int method = 0;
  EXPECT_TRUE(VRNjavaCheckMethodLocated(nullptr, reinterpret_cast<_jmethodID*>(&method), "unused"));
}

TEST(VRNjavaCheckCall, TheConsoleRoadWaitsForOneCharacter) {
  struct Row {
    const char* role;
    const char* console;  // PLAT_CONSOLE for the child
    std::string out;
  };
  const Row rows[] = {
      {"MissingConstructor", "1", ConstructorText},
      // The line is written unsigned; no detail, no detail line.
      {"ConsoleWithoutDetail", nullptr,
       "FATAL EXIT CONDITION: \r\nEngine != NULL not true in VRNengine at 4294967295\r\nEnter to continue.\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.role);
    if (TESTwindowsBuild && row.console != nullptr) continue;  // Wine decides about its console
    ScopedVariable console("PLAT_CONSOLE", row.console);
    TESTrunningProgram child(TESTprogramPath(), roleWords(row.role));
    EXPECT_TRUE(child.stillRunningAfter(500)) << "ended before any input";
    child.writeInput("x");
    TESTprogramRun run = child.finish();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, asWritten(row.out));
    EXPECT_EQ(run.err, "");
  }
}

TEST(VRNjavaCheckCall, WithoutAConsoleTheBoxIsShownAndTheProcessEnds) {
  if (TESTwindowsBuild) GTEST_SKIP() << "a real message box waits for a user";
  struct Row {
    const char* what;
    const char* systemLibrary;  // PLAT_SYSTEM_LIBRARY for the child
    std::string err;
  };
  const Row rows[] = {
      {"the box", nullptr,
       "FATAL EXIT CONDITION\nJava method located not true in VRNjavaCheckCall at 0\r\nMethod: log(string Line)\n"},
      // Neither kernel32 nor user32 can be loaded: the COLerror stays inside, the text
      // goes to standard error and the code is still 1.
      {"no system library", "Z:\\nonexistent\\libplatsystem.so",
       "FATAL EXIT CONDITION: Java method located not true in VRNjavaCheckCall at 0\nMethod: log(string Line)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedVariable console("PLAT_CONSOLE", "0");
    ScopedVariable library("PLAT_SYSTEM_LIBRARY", row.systemLibrary);
    TESTrunningProgram child(TESTprogramPath(), roleWords("MissingLogMethod"));
    EXPECT_FALSE(child.stillRunningAfter(10000)) << "waits although nothing asks for input";
    TESTprogramRun run = child.finish();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, row.err);
  }
}

TEST(VRNjavaCheckCall, TheConsoleIsAskedOfTheSystemLibrary) {
  if (TESTwindowsBuild) {
    VRNjavaHasConsoleWindow();  // the real kernel32 answers, whatever it says
    return;
  }
  {
    ScopedVariable console("PLAT_CONSOLE", "1");
    EXPECT_TRUE(VRNjavaHasConsoleWindow());
  }
  {
    ScopedVariable console("PLAT_CONSOLE", "0");
    EXPECT_FALSE(VRNjavaHasConsoleWindow());
  }
  ScopedVariable library("PLAT_SYSTEM_LIBRARY", "Z:\\nonexistent\\libplatsystem.so");
  EXPECT_EQ(TEST_ERROR_OF(VRNjavaHasConsoleWindow()), TESTwindowsError("", ERROR_MOD_NOT_FOUND));
}

}  // namespace
