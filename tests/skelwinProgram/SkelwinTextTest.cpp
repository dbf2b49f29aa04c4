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
#include <set>
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
      // The refusal comes before any line that shows the text as the program got it.
      EXPECT_EQ(run.out.find("Adding path:"), std::string::npos) << c.why << ": " << run.out;
      EXPECT_EQ(run.out.find("Removing path:"), std::string::npos) << c.why << ": " << run.out;
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
      {"Greek letters match in the other case", {"--system", "--remove", "--path", u8"C:\\Program Files\\δelta\\bin"},
       cjk, greek, 0, cjk, SKELtext(SZ, u8"C:\\Users\\Ωmega\\bin;C:\\Omega")},
  };
  for (const TextCase& c : cases) check(c, SKELWIN_PROGRAM, nullptr, nullptr);
}

// Windows compares file names ignoring case in every script, code unit by code unit: a
// directory listed in another case is the same directory, while ß and SS, İ and i, ı and
// I, or a composed letter and its decomposed form are not.
TEST_F(SkelwinText, ADirectoryListedInAnotherCaseIsTheSameDirectory) {
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  const TextCase cases[] = {
      {"Latin-1 capitals remove the small letters", {"--user", "--remove", "--path", u8"C:\\ÄRGER"},
       SKELtext(SZ, u8"C:\\ärger;C:\\y"), plain, 0, SKELtext(SZ, "C:\\y"), plain},
      {"Latin-1 small letters are already included", {"--user", "--path", u8"C:\\ärger"},
       SKELtext(SZ, u8"C:\\Ärger"), plain, 0, SKELtext(SZ, u8"C:\\Ärger"), plain},
      {"Greek", {"--user", "--remove", "--path", u8"C:\\ΣΟΦΊΑ"}, SKELtext(EXPAND, u8"C:\\x;C:\\σοφία"), plain, 0,
       SKELtext(EXPAND, "C:\\x"), plain},
      {"Cyrillic", {"--system", "--remove", "--path", u8"C:\\программы"}, plain,
       SKELtext(SZ, u8"C:\\ПРОГРАММЫ;C:\\x"), 0, plain, SKELtext(SZ, "C:\\x")},
      {"fullwidth letters", {"--user", "--path", u8"C:\\ｔｏｏｌｓ"}, SKELtext(SZ, u8"C:\\ＴＯＯＬＳ"), plain, 0,
       SKELtext(SZ, u8"C:\\ＴＯＯＬＳ"), plain},
      {"ß is not SS", {"--user", "--path", u8"C:\\STRASSE"}, SKELtext(SZ, u8"C:\\straße"), plain, 0,
       SKELtext(SZ, u8"C:\\straße;C:\\STRASSE"), plain},
      {"İ is not i", {"--user", "--path", u8"C:\\İnfo"}, SKELtext(SZ, u8"C:\\info"), plain, 0,
       SKELtext(SZ, u8"C:\\info;C:\\İnfo"), plain},
      {"ı is not I", {"--user", "--remove", "--path", u8"C:\\DIR"}, SKELtext(SZ, u8"C:\\dır"), plain, 0,
       SKELtext(SZ, u8"C:\\dır"), plain},
      {"a composed é is not e with its accent", {"--user", "--remove", "--path", u8"C:\\Café"},
       SKELtext(SZ, u8"C:\\Cafe\u0301"), plain, 0, SKELtext(SZ, u8"C:\\Cafe\u0301"), plain},
      {"letters beyond U+FFFF keep their case", {"--user", "--path", u8"C:\\\U00010428"},
       SKELtext(SZ, u8"C:\\\U00010400"), plain, 0, SKELtext(SZ, u8"C:\\\U00010400;C:\\\U00010428"), plain},
  };
  for (const TextCase& c : cases) check(c, SKELWIN_PROGRAM, nullptr, nullptr);
}

// A value may hold a surrogate without its other half (Windows file names may), which
// no code page holds: the program would read it as U+FFFD and write that back, so a run
// on such a value, or with such an argument, changes nothing and says why. Texts are
// given in UTF-8 with such a unit written as if it were a character.
TEST_F(SkelwinText, TextThatIsNotWellFormedIsNeverRewritten) {
  if (!TESTwindowsBuild) GTEST_SKIP() << "our layer's registry and command line hold well-formed text only";
  const std::string notChanged = "PATH not changed";
  const std::string D800 = "\xED\xA0\x80", DC00 = "\xED\xB0\x80", DFFF = "\xED\xBF\xBF";
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  const SKELstoredValue oddUser = SKELtext(EXPAND, "C:\\Tools;C:\\odd" + D800 + "name;C:\\y");
  const SKELstoredValue endsOdd = SKELtext(SZ, "C:\\Tools;C:\\end" + DC00);
  const SKELstoredValue reversed = SKELtext(SZ, "C:\\r" + DC00 + D800 + ";C:\\b");
  const SKELstoredValue replaced = SKELtext(SZ, u8"C:\\dir\uFFFD;C:\\b");
  const SKELstoredValue oddDir = SKELtext(SZ, "C:\\dir" + D800 + ";C:\\b");
  const TextCase refused[] = {
      {"an entry with a lone high surrogate, another being added", {"--user", "--path", "C:\\x"}, oddUser, plain, 1,
       oddUser, plain},
      {"a lone low surrogate at the very end", {"--user", "--path", "C:\\x"}, endsOdd, plain, 1, endsOdd, plain},
      {"a reversed pair in the system value", {"--system", "--remove", "--path", "C:\\b"}, plain, reversed, 1, plain,
       reversed},
      {"a directory argument with a lone surrogate", {"--user", "--path", "C:\\new" + D800}, plain, plain, 1, plain,
       plain},
      {"removing C:\\dir<D800> keeps another program's C:\\dir<FFFD>",
       {"--user", "--remove", "--path", "C:\\dir" + D800}, replaced, plain, 1, replaced, plain},
      {"C:\\dir<DFFF> is not the listed C:\\dir<D800>", {"--user", "--path", "C:\\dir" + DFFF}, oddDir, plain, 1,
       oddDir, plain},
  };
  for (const TextCase& c : refused) check(c, SKELWIN_PROGRAM, nullptr, notChanged.c_str());
  // What the refusal says is the cause: the text, not the code page, which is UTF-8.
  seedText(SKELuser, oddUser);
  TESTprogramRun run = TESTcaptureProgramUtf8(SKELWIN_PROGRAM, {"Skelwin", "--user", "--path", "C:\\x"});
  EXPECT_NE(run.err.find("the User PATH holds a UTF-16 surrogate without its other half"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("code page ("), std::string::npos) << run.err;

  const TextCase done[] = {
      {"the other scope's odd text does not matter", {"--system", "--path", "C:\\x"}, oddUser, plain, 0, oddUser,
       SKELtext(SZ, "C:\\a;C:\\x")},
      {"showing writes nothing and refuses nothing", {"--show"}, oddUser, reversed, 0, oddUser, reversed},
  };
  for (const TextCase& c : done) check(c, SKELWIN_PROGRAM, nullptr, nullptr);
}

// Natively a name is bytes, which need not be UTF-8; the program keeps them as they are
// and compares them as they are, A to Z aside.
TEST_F(SkelwinText, BytesThatAreNoUtf8AreKeptAndComparedAsTheyAre) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows keeps its names in UTF-16";
  const std::string D800 = "\xED\xA0\x80", DFFF = "\xED\xBF\xBF";
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  struct Case {
    const char* why;
    std::vector<std::string> arguments;
    SKELstoredValue before, after;
  } cases[] = {
      {"an entry nobody named stays byte for byte", {"--user", "--path", "C:\\x"},
       SKELtext(EXPAND, "C:\\Tools;C:\\odd" + D800 + "name;C:\\y"),
       SKELtext(EXPAND, "C:\\Tools;C:\\odd" + D800 + "name;C:\\y;C:\\x")},
      {"removing C:\\dir<ED A0 80> keeps C:\\dir<U+FFFD>", {"--user", "--remove", "--path", "C:\\dir" + D800},
       SKELtext(SZ, u8"C:\\dir\uFFFD"), SKELtext(SZ, u8"C:\\dir\uFFFD")},
      {"C:\\dir<ED BF BF> is not C:\\dir<ED A0 80>", {"--user", "--path", "C:\\dir" + DFFF},
       SKELtext(SZ, "C:\\dir" + D800), SKELtext(SZ, "C:\\dir" + D800 + ";C:\\dir" + DFFF)},
      {"A to Z still match around such bytes", {"--user", "--remove", "--path", "C:\\DIR" + D800},
       SKELtext(SZ, "C:\\dir" + D800 + ";C:\\b"), SKELtext(SZ, "C:\\b")},
  };
  for (const Case& c : cases) {
    seed(SKELuser, c.before);
    seed(SKELmachine, plain);
    std::vector<std::string> words{"Skelwin"};
    words.insert(words.end(), c.arguments.begin(), c.arguments.end());
    TESTprogramRun run = TESTcaptureProgram(SKELWIN_PROGRAM, words);
    EXPECT_EQ(run.exitCode, 0) << c.why << ": " << run.out << run.err;
    EXPECT_EQ(stored(SKELuser), c.after) << c.why;
  }
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

// Started without a directory, the program adds its own: the text before its file name.
// Only that directory's characters matter, not those of the name, on a system whose code
// page lacks the name's characters (Ω in 1252, é in 932), shows one as a backslash (the
// best fit of U+FF3C in 1252, of the yen sign in 932) or has double-byte characters that
// end in the backslash's byte (ソ is 83 5C in 932); a directory that the code page cannot
// hold is still refused. The test SKELprogramTestsJapanese runs this one under Wine at
// code page 932 too.
TEST_F(SkelwinText, TheProgramsOwnDirectoryIsTheOneBeforeItsName) {
  struct Case {
    const char* why;
    const char* folder;  // in UTF-8
    const char* name;
    bool remove;
  };
  const Case cases[] = {
      {"a name with an Omega", "x", u8"SkelΩ.exe", false},
      {"a name with an e acute", "x", u8"Skelé.exe", false},
      {"a name whose first character ends in 5C", "jp", u8"ソフト.exe", false},
      {"removing the directory of that name", "jp", u8"ソフト.exe", true},
      {"a name whose character is a backslash in the best fit of 1252", "wide", u8"a＼b.exe", false},
      {"a name whose character is 5C in the best fit of 932", "yen", u8"a¥b.exe", false},
      {"a directory with an Omega", u8"Ωmega", "Skelwin.exe", false},
      {"a directory with a character that ends in 5C", u8"ソ", "Skelwin.exe", false},
  };
  TESTtemporaryDirectory folder;
  std::set<std::string> copied;
  const SKELstoredValue plain = SKELtext(SZ, "C:\\a");
  for (const Case& c : cases) {
    const std::string directory = folder.windowsPath() + "\\" + c.folder;
    const std::string copy = directory + "\\" + c.name;
    if (copied.insert(copy).second) TESTcopyProgram(copy);
    std::string held;
    const bool added = TESTcodePageText(directory, held);
    const SKELstoredValue listed = SKELtext(SZ, "C:\\a;" + directory);
    const SKELstoredValue before = c.remove ? listed : plain;
    const SKELstoredValue after = !added ? before : c.remove ? plain : listed;
    std::vector<std::string> arguments{"--user"};
    if (c.remove) arguments.push_back("--remove");
    check({c.why, arguments, before, plain, added ? 0 : 1, after, plain}, copy, "SkelwinInTheSystemCodePage",
          added ? nullptr : "PATH not changed: the program's own directory holds");
  }
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
