// Skelwin and text in any script. Values are seeded and read back through the wide
// registry calls, and arguments reach the program through its wide command line, so the
// test sees every character as stored or given. Skelwin.exe runs with UTF-8 as its code
// page (its manifest); the test program itself, which has no manifest, plays Skelwin on
// a system that keeps another code page, driving the program's library in a child role.
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include "skelwin/main.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST_CHILD_ROLE(SkelwinInTheSystemCodePage) { return runSkelwin(TESTchildArgumentCount(), TESTchildArguments()); }

struct TextCase {
  const char* why;
  std::vector<std::string> arguments;  // in UTF-8
  SKELstoredValue user, machine;       // texts in UTF-8
  int exitCode;
  SKELstoredValue userAfter, machineAfter;
};

class SkelwinText : public SKELregistryFixture {
protected:
  // Runs each case in the program (Skelwin itself, or the test program in its child role
  // when role is set); the words after the program's name are the case's.
  void check(const TextCase& c, const std::string& program, const char* role, const char* mustSay) {
    seedText(SKELuser, c.user);
    seedText(SKELmachine, c.machine);
    std::vector<std::string> words{"Skelwin"};
    if (role != nullptr) {
      std::vector<std::string> roleWords = TESTchildRole(role);
      words.insert(words.end(), roleWords.begin(), roleWords.end());
    }
    words.insert(words.end(), c.arguments.begin(), c.arguments.end());
    TESTprogramRun run = TESTcaptureProgramUtf8(program, words);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.why << "\n" << run.out << run.err;
    if (mustSay != nullptr) {
      EXPECT_NE(run.err.find(mustSay), std::string::npos) << c.why << ": " << run.err;
    } else {
      EXPECT_EQ(run.err, "") << c.why;
    }
    EXPECT_EQ(storedText(SKELuser), c.userAfter) << c.why;
    EXPECT_EQ(storedText(SKELmachine), c.machineAfter) << c.why;
  }
};

const DWORD SZ = REG_SZ;
const DWORD EXPAND = REG_EXPAND_SZ;

TEST_F(SkelwinText, EveryEntryAndTheArgumentSurviveByteForByte) {
  const SKELstoredValue cjk = SKELtext(EXPAND, u8"C:\\Users\\张伟\\AppData\\Local\\bin;C:\\x;C:\\y");
  const SKELstoredValue greek = SKELtext(SZ, u8"C:\\Program Files\\Δelta\\bin;C:\\Users\\Ωmega\\bin;C:\\Omega");
  const SKELstoredValue emoji = SKELtext(SZ, u8"C:\\a;C:\\😀\\bin");
  const TextCase cases[] = {
      {"removing one entry keeps the CJK entry it does not touch", {"--user", "--remove", "--path", "C:\\x"}, cjk,
       greek, 0, SKELtext(EXPAND, u8"C:\\Users\\张伟\\AppData\\Local\\bin;C:\\y"), greek},
      {"adding keeps the Greek entries and is no look-alike of C:\\Omega", {"--system", "--path", u8"C:\\Ωmega"},
       cjk, greek, 0, cjk,
       SKELtext(SZ, u8"C:\\Program Files\\Δelta\\bin;C:\\Users\\Ωmega\\bin;C:\\Omega;C:\\Ωmega")},
      {"an argument with CJK, an emoji and a blank is written as given",
       {"--user", "--path", u8"C:\\Users\\张伟\\😀 tools"}, emoji, greek, 0,
       SKELtext(SZ, u8"C:\\a;C:\\😀\\bin;C:\\Users\\张伟\\😀 tools"), greek},
      {"an entry beyond U+FFFF is removed", {"--user", "--remove", "--path", u8"C:\\😀\\BIN"}, emoji, greek, 0,
       SKELtext(SZ, "C:\\a"), greek},
      {"A to Z are lowered around CJK characters", {"--user", "--remove", "--path", u8"c:\\USERS\\张伟\\appdata\\LOCAL\\bin"},
       cjk, greek, 0, SKELtext(EXPAND, "C:\\x;C:\\y"), greek},
      {"Greek letters are not folded", {"--system", "--remove", "--path", u8"C:\\Program Files\\δelta\\bin"}, cjk,
       greek, 0, cjk, greek},
  };
  for (const TextCase& c : cases) check(c, SKELWIN_PROGRAM, nullptr, nullptr);
}

TEST_F(SkelwinText, WithAnotherCodePageARunRefusesWhatItCannotHold) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "this system's code page is UTF-8, which holds every character";
  if (GetACP() != 1252) GTEST_SKIP() << "the cases are written for code page 1252, Wine's own; this one is " << GetACP();
  const std::string notChanged = "PATH not changed";
  const SKELstoredValue cjk = SKELtext(EXPAND, u8"C:\\Users\\张伟\\AppData\\Local\\bin;C:\\x;C:\\y");
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  const SKELstoredValue latin = SKELtext(SZ, u8"C:\\Café");
  const TextCase refused[] = {
      {"a CJK entry in the user PATH", {"--user", "--remove", "--path", "C:\\x"}, cjk, plain, 1, cjk, plain},
      {"a Greek entry in the system PATH", {"--system", "--path", "C:\\b"}, plain,
       SKELtext(SZ, u8"C:\\Program Files\\Δelta\\bin;C:\\a"), 1, plain,
       SKELtext(SZ, u8"C:\\Program Files\\Δelta\\bin;C:\\a")},
      {"an entry whose look-alike the argument names", {"--system", "--remove", "--path", "C:\\Users\\Omega\\bin"},
       plain, SKELtext(EXPAND, u8"C:\\Users\\Ωmega\\bin"), 1, plain, SKELtext(EXPAND, u8"C:\\Users\\Ωmega\\bin")},
      {"an entry beyond U+FFFF", {"--user", "--path", "C:\\b"}, SKELtext(SZ, u8"C:\\😀;C:\\a"), plain, 1,
       SKELtext(SZ, u8"C:\\😀;C:\\a"), plain},
      {"a Greek argument", {"--user", "--path", u8"C:\\Ωmega"}, plain, plain, 1, plain, plain},
      {"a CJK argument", {"--user", "--remove", "--path", u8"C:\\张伟"}, SKELtext(SZ, "C:\\a;C:\\??"), plain, 1,
       SKELtext(SZ, "C:\\a;C:\\??"), plain},
  };
  for (const TextCase& c : refused) check(c, TESTprogramPath(), "SkelwinInTheSystemCodePage", notChanged.c_str());

  // The default directory, the program's own: a copy of the test program in a folder
  // whose name has an Ω.
  TESTtemporaryDirectory folder;
  const std::string place = folder.path() + u8"\\Ωmega";
  std::filesystem::create_directory(std::filesystem::u8path(place));
  const std::string copy = place + "\\SKELprogramTests.exe";
  std::filesystem::copy_file(std::filesystem::u8path(TESTprogramPath()), std::filesystem::u8path(copy));
  check({"the program's own directory", {"--user"}, plain, plain, 1, plain, plain}, copy,
        "SkelwinInTheSystemCodePage", notChanged.c_str());

  const TextCase done[] = {
      {"text the code page holds is written", {"--user", "--path", u8"C:\\Zoë"}, latin, cjk, 0,
       SKELtext(SZ, u8"C:\\Café;C:\\Zoë"), cjk},
      {"the other scope's text does not matter", {"--system", "--remove", "--path", "C:\\A"}, cjk, plain, 0, cjk,
       SKELtext(SZ, "")},
      {"showing writes nothing and refuses nothing", {"--show"}, cjk, plain, 0, cjk, plain},
  };
  for (const TextCase& c : done) check(c, TESTprogramPath(), "SkelwinInTheSystemCodePage", nullptr);
}

// 哲 is 0x93 0x4E in code page 932 and 渡 is 0x93 0x6E: lowering the second byte as if it
// were an "N" makes one the other.
TEST_F(SkelwinText, DoubleByteNamesNeverCompareEqual) {
  if (GetACP() != 932)
    GTEST_SKIP() << "needs code page 932; the test SKELprogramTestsJapanese runs this one under Wine with "
                    "LANG=ja_JP.UTF-8 and the locale it builds (the code page here is "
                 << GetACP() << ")";
  const SKELstoredValue watanabe = SKELtext(SZ, u8"C:\\Users\\渡辺\\bin;C:\\x");
  const SKELstoredValue tetsu = SKELtext(EXPAND, u8"C:\\Users\\哲辺\\bin;C:\\x");
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  const TextCase cases[] = {
      {"removing 哲辺 leaves 渡辺", {"--user", "--remove", "--path", u8"C:\\Users\\哲辺\\bin"}, watanabe, plain, 0,
       watanabe, plain},
      {"adding 哲辺 beside 渡辺", {"--user", "--path", u8"C:\\Users\\哲辺\\bin"}, watanabe, plain, 0,
       SKELtext(SZ, u8"C:\\Users\\渡辺\\bin;C:\\x;C:\\Users\\哲辺\\bin"), plain},
      {"removing 渡辺 leaves 哲辺", {"--user", "--remove", "--path", u8"C:\\Users\\渡辺\\bin"}, tetsu, plain, 0, tetsu,
       plain},
      {"adding 渡辺 beside 哲辺", {"--user", "--path", u8"C:\\Users\\渡辺\\bin"}, tetsu, plain, 0,
       SKELtext(EXPAND, u8"C:\\Users\\哲辺\\bin;C:\\x;C:\\Users\\渡辺\\bin"), plain},
      {"A to Z are still lowered after a double-byte character", {"--user", "--remove", "--path", u8"c:\\USERS\\渡辺\\BIN"},
       watanabe, plain, 0, SKELtext(SZ, "C:\\x"), plain},
  };
  for (const TextCase& c : cases) check(c, TESTprogramPath(), "SkelwinInTheSystemCodePage", nullptr);
}

}  // namespace
