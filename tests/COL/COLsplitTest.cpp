// The text utilities: splitting, environment expansion, wildcard pattern lists (checked against
// fnmatch(3) where the runtime has it) and COLsleep.
#include "COL/COLsplit.h"

#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<fnmatch.h>)
#include <fnmatch.h>
#define TEST_HAVE_FNMATCH 1
#endif

namespace {

std::string bytes(const COLstring& s) { return TESTtext(s); }

std::vector<std::string> piecesOf(const COLvector<COLstring>& out) {
  std::vector<std::string> pieces;
  for (int i = 0; i < out.size(); ++i) pieces.push_back(bytes(out[i]));
  return pieces;
}

using Pieces = std::vector<std::string>;

TEST(COLsplit, AppendsThePiecesBetweenSeparators) {
  const struct {
    std::string text;
    const char* separator;
    Pieces expected;
  } cases[] = {
      {"a,b", ",", {"a", "b"}},
      {"a,,b", ",", {"a", "", "b"}},
      {",a,", ",", {"", "a", ""}},
      {",", ",", {"", ""}},
      {"abc", ",", {"abc"}},
      {"", ",", {}},
      {"a::b", "::", {"a", "b"}},
      {"a:b::c:::d", "::", {"a:b", "c", ":d"}},
      {"a long piece past the inline buffer;b", ";", {"a long piece past the inline buffer", "b"}},
      {std::string("a,b\0,c", 6), ",", {"a", std::string("b\0,c", 4)}},
  };
  for (const auto& c : cases) {
    COLvector<COLstring> out;
    COLsplit(out, COLstring(c.text.data(), static_cast<int>(c.text.size())), c.separator);
    EXPECT_EQ(piecesOf(out), c.expected) << "'" << c.text << "' by '" << c.separator << "'";
  }

  COLvector<COLstring> out;
  out.push_back(COLstring("kept"));
  COLsplit(out, "x;y", ";");
  EXPECT_EQ(piecesOf(out), (Pieces{"kept", "x", "y"}));
  // A separator that starts with a NUL cannot occur in the C text.
  COLsplit(out, "p;q", COLstring("\0;", 2));
  EXPECT_EQ(piecesOf(out), (Pieces{"kept", "x", "y", "p;q"}));
}

TEST(COLsplitDeathTest, AnEmptySeparatorIsFatalEvenForAnEmptyText) {
  const char message[] = "COLsplit:26 Assertion failed: !Separator.is_null()";
  std::string both = std::string(message) + "\nFatal Error. Abort with message: " + message;
  EXPECT_DEATH(
      {
        TESTstandardOutputToStandardError();
        COLvector<COLstring> out;
        COLsplit(out, "", "");
      },
      TESTexactly(both));
}

TEST(COLsplitWords, WordsAloneOrWithTheRunsOfWhiteSpace) {
  const struct {
    std::string text;
    bool keep;
    Pieces expected;
  } cases[] = {
      {" a  b ", false, {"a", "b"}},
      {" a  b ", true, {" ", "a", "  ", "b", " "}},
      {"word", false, {"word"}},
      {"word", true, {"word"}},
      {"", true, {}},
      {" \t\r\n\v\f", false, {}},
      {" \t\r\n\v\f", true, {" \t\r\n\v\f"}},
      {"a\tb\nc", false, {"a", "b", "c"}},
      {"\xa0x\x85 y", false, {"\xa0x\x85", "y"}},
  };
  for (const auto& c : cases) {
    COLvector<COLstring> out;
    out.push_back(COLstring("before"));
    int appended = COLsplitWords(out, COLstring(c.text.data(), static_cast<int>(c.text.size())), c.keep);
    Pieces expected = c.expected;
    expected.insert(expected.begin(), "before");
    EXPECT_EQ(piecesOf(out), expected) << "'" << c.text << "' keep " << c.keep;
    EXPECT_EQ(appended, static_cast<int>(c.expected.size())) << "'" << c.text << "' keep " << c.keep;
  }
}

TEST(COLexpandEnvironment, ReplacesCompleteReferencesOnly) {
  ASSERT_EQ(_putenv("COLTEST_B=1"), 0);
  ASSERT_EQ(_putenv("COLTEST_LONG=a value longer than the inline buffer"), 0);
  ASSERT_EQ(_putenv("COLTEST_UNSET="), 0);
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"x${COLTEST_UNSET}y", "xy"},
      {"${A", "${A"},
      {"$A", "$A"},
      {"a${COLTEST_B}c", "a1c"},
      {"${COLTEST_B}${COLTEST_B}", "11"},
      {"$${COLTEST_B}", "$1"},
      {"${}", ""},
      {"${COLTEST_B", "${COLTEST_B"},
      {"}${COLTEST_B}{", "}1{"},
      {"${COLTEST_B}}", "1}"},
      {"${${COLTEST_B}}", "}"},
      {"[${COLTEST_LONG}]", "[a value longer than the inline buffer]"},
      {"${coltest_b}", "1"},
      {"", ""},
      {"no references", "no references"},
      {std::string("a\0${COLTEST_B}", 14), std::string("a\0" "1", 3)},
      {std::string("${COLTEST_B\0}", 13), std::string("${COLTEST_B\0}", 13)},
  };
  for (const auto& c : cases) {
    COLstring text(c.text.data(), static_cast<int>(c.text.size()));
    EXPECT_EQ(bytes(COLexpandEnvironment(text)), c.expected) << c.text;
  }
  _putenv("COLTEST_B=");
  _putenv("COLTEST_LONG=");
}

TEST(COLexpandEnvironment, NamesIgnoreCaseAsOnWindows) {
  ASSERT_EQ(_putenv("COLTEST_Case=first"), 0);
  EXPECT_STREQ(PLATgetenv("coltest_case"), "first");
  EXPECT_STREQ(PLATgetenv("COLTEST_CASE"), "first");
  // Setting it under another spelling replaces the variable rather than adding one.
  ASSERT_EQ(_putenv("coltest_CASE=second"), 0);
  EXPECT_STREQ(PLATgetenv("COLTEST_Case"), "second");
  ASSERT_EQ(_putenv("COLTEST_CASE="), 0);
  EXPECT_EQ(PLATgetenv("coltest_case"), nullptr);
  EXPECT_EQ(PLATgetenv(""), nullptr);
  EXPECT_EQ(_putenv("=value"), -1);
  EXPECT_EQ(_putenv("no assignment"), -1);
}

TEST(COLmatchPatternList, TheLastMatchingPatternDecides) {
  const struct {
    const char* patterns;
    const char* text;
    bool expected;
  } cases[] = {
      {"*.txt", "a.txt", true},
      {"*.txt -skip.txt", "skip.txt", false},
      {"*.txt -skip.txt", "a.txt", true},
      {"-skip.txt *.txt", "skip.txt", true},
      {"*.txt *.log", "a.log", true},
      {"*.txt\t\n-a.txt", "a.txt", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"*", "", true},
      {"**", "", true},
      {"?", "", false},
      {"x*", "", false},
      {"*x*", "", false},
      {"", "a", false},
      {"", "", false},
      {" \t\r\n ", "", false},
      {"-*", "a", false},
      {"* -", "", false},
      {"* -", "x", true},
      {"-", "", false},
      {"*.TXT", "a.txt", false},
      {"a*b*c", "aXbYc", true},
      {"a*b*c", "aXbYcZ", false},
      {"a**", "a", true},
      {"*ab", "aab", true},
      {"*aa*a", "aaa", true},
      {"*aa*aa", "aaa", false},
      {"*a?", "ab", true},
      {"*?", "", false},
      {"a", "ab", false},
      {"ab", "a", false},
      {"a\xa0" "b", "a\xa0" "b", true},
      {"\xe9*", "\xe9x", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(COLmatchPatternList(c.patterns, c.text), c.expected)
        << "'" << c.patterns << "' on '" << c.text << "'";
  EXPECT_FALSE(COLmatchPatternList(nullptr, "a"));
  EXPECT_TRUE(COLmatchPatternList("*", nullptr));
}

#ifdef TEST_HAVE_FNMATCH
std::string randomText(std::mt19937& random, int maxLength, const char* alphabet) {
  std::uniform_int_distribution<int> length(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, strlen(alphabet) - 1);
  std::string text(static_cast<size_t>(length(random)), ' ');
  for (char& c : text) c = alphabet[pick(random)];
  return text;
}
#endif

TEST(COLmatchPatternList, AgreesWithFnmatch) {
#ifdef TEST_HAVE_FNMATCH
  std::mt19937 random(99);
  for (int round = 0; round < 20000; ++round) {
    std::string text = randomText(random, 8, "ab");
    std::string list;
    bool expected = false;
    int count = 1 + round % 3;
    for (int i = 0; i < count; ++i) {
      std::string pattern = randomText(random, 6, "ab*?");
      if (pattern.empty()) pattern = "*";
      bool excludes = random() % 4 == 0;
      if (fnmatch(pattern.c_str(), text.c_str(), 0) == 0) expected = !excludes;
      list += (excludes ? " -" : " ") + pattern;
    }
    ASSERT_EQ(COLmatchPatternList(list.c_str(), text.c_str()), expected)
        << "'" << list << "' on '" << text << "'";
  }
#else
  GTEST_SKIP() << "fnmatch(3) is a POSIX function that the Windows runtime lacks";
#endif
}

TEST(COLsleep, WaitsAtLeastTheTimeAndNeverForANegativeOne) {
  auto start = std::chrono::steady_clock::now();
  COLsleep(60);
  auto waited = std::chrono::steady_clock::now() - start;
  // Windows may wake up to a clock tick early.
  EXPECT_GE(waited, std::chrono::milliseconds(45));

  // A negative time would be INFINITE to the system's Sleep.
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread sleeper([&done] {
    COLsleep(-1);
    done.set_value();
  });
  bool returned = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  EXPECT_TRUE(returned);
  if (returned) {
    sleeper.join();
  } else {
    sleeper.detach();
  }
}

}  // namespace
