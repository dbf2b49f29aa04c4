// Skelwin end to end: the program run as a child process against seeded PATH values; each
// case pins the exit code, the exact bytes of both output streams, the values afterwards
// and the notices sent.
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "skelwin/SKELbuildInfo.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"


#include <functional>
#include <string>
#include <vector>

namespace {

const std::string BANNER = "Skelwin 1.0.1\r\n\r\n";

std::string buildInfo() {
  COLostreamString out;
  printBuildInfo(out, true);
  return TESTtext(out.string());
}

// The usage as Skelwin prints it when it is started under the name "Skelwin".
const std::string USAGE =
    "\r\n"
    "Usage:\r\n"
    "Skelwin  [--show]  [--path Specific path to be added (default is the executable's path)]  [--system]"
    "  [--user]  [--remove]\r\n"
    "Known flags:\r\n"
    "  --show    Only show the current PATH components, don't add or remove\r\n"
    "  --path    Requires argument Specific path to be added (default is \r\n"
    "            the executable's path).\r\n"
    "  --system  Modify system path\r\n"
    "  --user    Modify user path\r\n"
    "  --remove  Remove the specified path\r\n";

const std::string HTML_USAGE =
    "<table>\n"
    "<tr><th>Flag</th><th>Operation</th></tr>\n"
    "<tr><th>--show</th><td>Only show the current PATH components, don't add or remove</td></tr>\n"
    "<tr><th>--path</th><td></td></tr>\n"
    "<tr><th>--system</th><td>Modify system path</td></tr>\n"
    "<tr><th>--user</th><td>Modify user path</td></tr>\n"
    "<tr><th>--remove</th><td>Remove the specified path</td></tr>\n"
    "</table>\n";

std::string help(const std::string& message) { return BANNER + message + "\r\n" + buildInfo() + USAGE; }

const std::string RESTART =
    "You need to restart an application or Command Prompt in order for the change to take effect.\r\n";
const std::string ONE_SCOPE =
    "ERROR: must specify exactly one of --system or --user, to modify either system or user's PATH\r\n";
const std::string TYPE_PRECONDITION =
    "Failed precondition: ActualType == REGregistry::REGdefaultString || ActualType == "
    "REGregistry::REGexpandString\r\n";

// Skelwin's own directory, its default for --path: where the build put it, as Windows
// names it (our layer shows the Linux root as drive Z:).
std::string programDirectory() {
  std::string path = SKELWIN_PROGRAM;
  return TESTdriveZPath(path.substr(0, path.find_last_of('/')));
}

TESTprogramRun skelwin(const std::vector<std::string>& arguments) {
  std::vector<std::string> words{"Skelwin"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return TESTcaptureProgram(SKELWIN_PROGRAM, words);
}

const DWORD SZ = REG_SZ;
const DWORD EXPAND = REG_EXPAND_SZ;

struct Case {
  const char* why;
  std::vector<std::string> arguments;
  SKELstoredValue user;
  SKELstoredValue machine;
  int exitCode;
  std::string out;
  std::string err;
  SKELstoredValue userAfter;
  SKELstoredValue machineAfter;
  int notices;
};

class Skelwin : public SKELregistryFixture {
protected:
  void check(const Case& c) {
    seed(SKELuser, c.user);
    seed(SKELmachine, c.machine);
    const int noticesBefore = TESTwindowsBuild ? 0 : notices();
    TESTprogramRun run = skelwin(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.why;
    EXPECT_EQ(run.out, c.out) << c.why;
    EXPECT_EQ(run.err, c.err) << c.why;
    EXPECT_EQ(stored(SKELuser), c.userAfter) << c.why;
    EXPECT_EQ(stored(SKELmachine), c.machineAfter) << c.why;
    if (!TESTwindowsBuild) {
      EXPECT_EQ(notices() - noticesBefore, c.notices) << c.why;
    }
  }
};

TEST_F(Skelwin, EveryRoadPrintsItsTextsAndWritesOnlyWhenItMust) {
  const SKELstoredValue user = SKELtext(SZ, "C:\\U;;C:\\V;");
  const SKELstoredValue machine = SKELtext(EXPAND, "%SystemRoot%\\system32;C:\\A");
  const std::string shown = BANNER +
                            "Current System PATH: %SystemRoot%\\system32;C:\\A\r\n\r\n"
                            "Current User PATH: C:\\U;;C:\\V;\r\n\r\n"
                            "System PATH items:\r\n%SystemRoot%\\system32\r\nC:\\A\r\n\r\n"
                            "User PATH items:\r\nC:\\U\r\nC:\\V\r\n\r\n";
  const std::string longPath = [] {
    std::string all;
    for (int i = 0; all.size() < 10000; ++i) all += "C:\\a\\rather\\long\\directory\\number" + std::to_string(i) + ";";
    all.resize(10000);
    all.back() = 'z';
    return all;
  }();
  const std::string here = programDirectory();
  const Case cases[] = {
      {"show prints both values and their items", {"--show"}, user, machine, 0, shown, "", user, machine, 0},
      {"show ignores the scope and path flags", {"--show", "--system", "--path", "C:\\x"}, user, machine, 0, shown,
       "", user, machine, 0},
      {"show with remove is a failed precondition", {"--show", "--remove"}, user, machine, 1, BANNER,
       "Failed precondition: !RemoveFlag\r\n", user, machine, 0},
      {"add to a REG_SZ value", {"--user", "--path", "C:\\New"}, SKELtext(SZ, "C:\\U"), machine, 0,
       BANNER + "Adding path: C:\\New\r\n\r\n" + RESTART, "", SKELtext(SZ, "C:\\U;C:\\New"), machine, 1},
      {"add to a REG_EXPAND_SZ value keeps the type and the %...% text", {"--system", "--path", "%TOOLS%\\bin"},
       user, machine, 0, BANNER + "Adding path: %TOOLS%\\bin\r\n\r\n" + RESTART, "", user,
       SKELtext(EXPAND, "%SystemRoot%\\system32;C:\\A;%TOOLS%\\bin"), 1},
      {"the default directory is Skelwin's own", {"--user"}, SKELtext(SZ, "C:\\U"), machine, 0,
       BANNER + "Adding path: " + here + "\r\n\r\n" + RESTART, "", SKELtext(SZ, "C:\\U;" + here), machine, 1},
      {"an item in other letter case is already included", {"--user", "--path", "c:\\TOOLS"},
       SKELtext(SZ, "C:\\Tools;D:\\x"), machine, 0, BANNER + "Adding path: c:\\TOOLS\r\n\r\nAlready included in the User PATH\r\n", "",
       SKELtext(SZ, "C:\\Tools;D:\\x"), machine, 0},
      {"a trailing backslash makes a new item", {"--user", "--path", "C:\\Tools\\"}, SKELtext(SZ, "C:\\Tools"),
       machine, 0, BANNER + "Adding path: C:\\Tools\\\r\n\r\n" + RESTART, "",
       SKELtext(SZ, "C:\\Tools;C:\\Tools\\"), machine, 1},
      {"adding drops the empty items", {"--user", "--path", "C:\\New"}, SKELtext(SZ, ";C:\\U;;C:\\V;"), machine, 0,
       BANNER + "Adding path: C:\\New\r\n\r\n" + RESTART, "", SKELtext(SZ, "C:\\U;C:\\V;C:\\New"), machine, 1},
      {"remove drops every match and every empty item", {"--system", "--remove", "--path", "C:\\a"}, user,
       SKELtext(EXPAND, ";C:\\A;;c:\\a;%X%;C:\\A;"), 0, BANNER + "Removing path: C:\\a\r\n\r\n" + RESTART, "", user,
       SKELtext(EXPAND, "%X%"), 1},
      {"removing what is not there writes nothing", {"--user", "--remove", "--path", "C:\\gone"}, user, machine, 0,
       BANNER + "Removing path: C:\\gone\r\n\r\nAlready removed from the User PATH\r\n", "", user, machine, 0},
      {"an empty directory is included by an empty item", {"--user", "--path", ""}, user, machine, 0,
       BANNER + "Adding path: \r\n\r\nAlready included in the User PATH\r\n", "", user, machine, 0},
      {"both scopes", {"--system", "--user", "--path", "C:\\x"}, user, machine, 1,
       BANNER + "Adding path: C:\\x\r\n\r\n" + ONE_SCOPE, "", user, machine, 0},
      {"neither scope", {"--remove", "--path", "C:\\x"}, user, machine, 1,
       BANNER + "Removing path: C:\\x\r\n\r\n" + ONE_SCOPE, "", user, machine, 0},
      {"a missing user value is shown empty", {"--show"}, SKELmissing(), machine, 0,
       BANNER +
           "Current System PATH: %SystemRoot%\\system32;C:\\A\r\n\r\n"
           "Current User PATH: \r\n\r\n"
           "System PATH items:\r\n%SystemRoot%\\system32\r\nC:\\A\r\n\r\n"
           "User PATH items:\r\n\r\n",
       "", SKELmissing(), machine, 0},
      {"a missing user value is never created", {"--user", "--path", "C:\\x"}, SKELmissing(), machine, 1,
       BANNER + "Adding path: C:\\x\r\n\r\n", TYPE_PRECONDITION, SKELmissing(), machine, 0},
      {"a machine value of another type is never replaced", {"--system", "--path", "C:\\x"}, user,
       SKELstoredValue{true, REG_DWORD, std::string("\x07\0\0\0", 4)}, 1, BANNER + "Adding path: C:\\x\r\n\r\n",
       TYPE_PRECONDITION, user, SKELstoredValue{true, REG_DWORD, std::string("\x07\0\0\0", 4)}, 0},
      {"a 10,000-character PATH is kept whole", {"--user", "--path", "C:\\New"}, SKELtext(EXPAND, longPath),
       machine, 0, BANNER + "Adding path: C:\\New\r\n\r\n" + RESTART, "", SKELtext(EXPAND, longPath + ";C:\\New"),
       machine, 1},
      {"--path as the last word", {"--user", "--path"}, user, machine, 1, BANNER, "Argument missing\r\n", user,
       machine, 0},
      {"--help", {"--help"}, user, machine, 1, help(""), "", user, machine, 0},
      {"-h", {"-h"}, user, machine, 1, help(""), "", user, machine, 0},
      {"/?", {"/?"}, user, machine, 1, help(""), "", user, machine, 0},
      {"help after other flags", {"--user", "-?", "--path", "C:\\x"}, user, machine, 1, help(""), "", user, machine,
       0},
      {"--quillery prints the usage as an HTML table", {"--quillery"}, user, machine, 1,
       BANNER + "Unknown flag quillery encountered.\r\n\r\n" + buildInfo() + HTML_USAGE, "", user, machine, 0},
      {"an unknown flag", {"--system", "--pth", "C:\\x"}, user, machine, 1,
       help("Unknown flag pth encountered.\r\n"), "", user, machine, 0},
      {"a repeated flag", {"--show", "--show"}, user, machine, 1, help("Flag show used more than once.\r\n"), "",
       user, machine, 0},
      {"a bare word after the flags is refused", {"--system", "C:\\tools"}, user, machine, 1,
       help("Unexpected argument C:\\tools encountered.\r\n"), "", user, machine, 0},
      {"a bare word before the flags is refused", {"C:\\tools", "--system"}, user, machine, 1,
       help("Unexpected argument C:\\tools encountered.\r\n"), "", user, machine, 0},
      {"a bare word with --show is refused too", {"--show", "extra"}, user, machine, 1,
       help("Unexpected argument extra encountered.\r\n"), "", user, machine, 0},
  };
  for (const Case& c : cases) check(c);
}

TEST_F(Skelwin, AValueStoredAsPathIsFoundByPATHAndKeepsItsName) {
  seed(SKELuser, SKELtext(SZ, "C:\\U"), "Path");
  seed(SKELmachine, SKELtext(EXPAND, "C:\\M"), "Path");
  TESTprogramRun run = skelwin({"--show"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BANNER +
                         "Current System PATH: C:\\M\r\n\r\nCurrent User PATH: C:\\U\r\n\r\n"
                         "System PATH items:\r\nC:\\M\r\n\r\nUser PATH items:\r\nC:\\U\r\n\r\n");
  EXPECT_EQ(run.err, "");

  run = skelwin({"--user", "--path", "C:\\New"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(stored(SKELuser), SKELtext(SZ, "C:\\U;C:\\New"));
  EXPECT_EQ(storedName(SKELuser), "Path");
}

TEST_F(Skelwin, AReadOnlyMachineHiveIsReadButRefusesTheWrite) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Wine lets every user write its machine hive; our layer's hive file can be made read-only";
  seed(SKELuser, SKELtext(SZ, "C:\\U"));
  seed(SKELmachine, SKELtext(EXPAND, "C:\\M"));
  ASSERT_EQ(_chmod(TESTwindowsPath(machineHiveFile()).c_str(), _S_IREAD), 0);

  TESTprogramRun run = skelwin({"--show"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, BANNER +
                         "Current System PATH: C:\\M\r\n\r\nCurrent User PATH: C:\\U\r\n\r\n"
                         "System PATH items:\r\nC:\\M\r\n\r\nUser PATH items:\r\nC:\\U\r\n\r\n");

  run = skelwin({"--system", "--path", "C:\\x"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, BANNER + "Adding path: C:\\x\r\n\r\n");
  EXPECT_EQ(run.err, TESTtext(COLwindowsErrorText(ERROR_ACCESS_DENIED)) + "\r\n");
  EXPECT_EQ(stored(SKELmachine), SKELtext(EXPAND, "C:\\M"));
  EXPECT_EQ(notices(), 0);

  // The user's own value stays writable.
  run = skelwin({"--user", "--path", "C:\\x"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(stored(SKELuser), SKELtext(SZ, "C:\\U;C:\\x"));
  EXPECT_EQ(notices(), 1);
}

TEST_F(Skelwin, TheNoticeIsSentOnceAndNotPosted) {
  if (TESTwindowsBuild) GTEST_SKIP() << "only our layer writes the notices down; under Wine SkelwinEnvironment checks the result";
  seed(SKELuser, SKELtext(SZ, "C:\\U"));
  TESTprogramRun run = skelwin({"--user", "--path", "C:\\New"});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(TESTfileText(noticeLog()),
            "BroadcastSystemMessageA flags=0x00000020 recipients=all message=0x001A wParam=0 "
            "lParam=\"Environment\"\n");
}

}  // namespace
