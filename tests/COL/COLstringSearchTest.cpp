// COLstring's reading half: searches, comparisons, case, stripping, edits and splits,
// with the searches and replace_all checked against std::string on random texts.
#include "COL/COLstring.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace {

std::string bytes(const COLstring& s) { return TESTtext(s); }

COLstring make(const std::string& text) { return COLstring(text.data(), static_cast<int>(text.size())); }

struct SearchCase {
  const char* why;
  std::string text;
  std::function<int(const COLstring&)> search;
  int expected;
};

TEST(COLstringSearch, SearchesFindTheirPositionOrMinusOne) {
  const COLstring bc("bc");
  const COLstring none;
  const COLstring punctuation(",;");
  const COLstring a("a");
  const SearchCase cases[] = {
      {"char from 0", "abcabc", [](const COLstring& s) { return s.find('c'); }, 2},
      {"char from 3", "abcabc", [](const COLstring& s) { return s.find('c', 3); }, 5},
      {"char from the length", "abcabc", [](const COLstring& s) { return s.find('c', 6); }, -1},
      {"char far beyond", "abcabc", [](const COLstring& s) { return s.find('c', 4294967295u); }, -1},
      {"NUL is found at the terminator", "abc", [](const COLstring& s) { return s.find('\0', 1); }, 3},
      {"NUL is found at an embedded NUL", std::string("ab\0cd", 5), [](const COLstring& s) { return s.find('\0', 0); }, 2},
      {"text", "abcabc", [](const COLstring& s) { return s.find("ca"); }, 2},
      {"text from a start counts from the string's start", "abcabc", [](const COLstring& s) { return s.find("bc", 2); }, 4},
      {"string pattern", "abcabc", [&](const COLstring& s) { return s.find(bc, 1); }, 1},
      {"empty text pattern", "abc", [](const COLstring& s) { return s.find(""); }, -1},
      {"null pattern", "abc", [](const COLstring& s) { return s.find(static_cast<const char*>(nullptr)); }, -1},
      {"empty string pattern", "abc", [&](const COLstring& s) { return s.find(none, 0); }, -1},
      {"pattern at the very end", "abcabc", [](const COLstring& s) { return s.find("c", 5); }, 5},
      {"start at the length", "abc", [](const COLstring& s) { return s.find("c", 3); }, -1},
      {"start beyond the length finds nothing", "abc", [](const COLstring& s) { return s.find("c", 40); }, -1},
      {"text behind an embedded NUL is not searched", std::string("ab\0cd", 5), [](const COLstring& s) { return s.find("cd"); }, -1},
      {"rfind", "abcabc", [&](const COLstring& s) { return s.rfind(bc); }, 4},
      {"rfind from 3", "abcabc", [&](const COLstring& s) { return s.rfind(bc, 3); }, 1},
      {"rfind from a match's own position", "abcabc", [&](const COLstring& s) { return s.rfind(bc, 1); }, 1},
      {"rfind from 100", "abcabc", [&](const COLstring& s) { return s.rfind(bc, 100); }, 4},
      {"rfind from -1", "abcabc", [&](const COLstring& s) { return s.rfind(bc, -1); }, 4},
      {"rfind before any match", "abcabc", [&](const COLstring& s) { return s.rfind(bc, 0); }, -1},
      {"rfind of an empty pattern", "abcabc", [&](const COLstring& s) { return s.rfind(none); }, -1},
      {"rfind in an empty string", "", [&](const COLstring& s) { return s.rfind(bc); }, -1},
      {"rfind of a pattern longer than the text", "b", [&](const COLstring& s) { return s.rfind(bc); }, -1},
      {"rfind does not match across an embedded NUL", std::string("ab\0c", 4), [&](const COLstring& s) { return s.rfind(bc); }, -1},
      {"rfind reads the text behind an embedded NUL", std::string("x\0bc", 4), [&](const COLstring& s) { return s.rfind(bc); }, 2},
      {"find_last_of from 4", "a,b;c", [&](const COLstring& s) { return s.find_last_of(punctuation, 4); }, 3},
      {"find_last_of from beyond", "a,b;c", [&](const COLstring& s) { return s.find_last_of(punctuation, 99); }, 3},
      {"find_last_of from 2", "a,b;c", [&](const COLstring& s) { return s.find_last_of(punctuation, 2); }, 1},
      {"find_last_of reaches position 0", "a,b;c", [&](const COLstring& s) { return s.find_last_of(a, 2); }, 0},
      {"find_last_of from 0 finds nothing", "a,b;c", [&](const COLstring& s) { return s.find_last_of(a, 0); }, -1},
      {"find_last_of in an empty string", "", [&](const COLstring& s) { return s.find_last_of(a, 3); }, -1},
      {"find_last_of counts an embedded NUL", std::string("a\0bc", 4), [&](const COLstring& s) { return s.find_last_of(punctuation, 9); }, 1},
  };
  for (const SearchCase& c : cases) EXPECT_EQ(c.search(make(c.text)), c.expected) << c.why;
}

TEST(COLstringSearch, FindFromGivesA64BitResultWithThe32BitMarker) {
  COLstring s("abcabc");
  const uint64_t absent = 4294967295u;
  EXPECT_EQ(s.find_from("ca", 0), 2u);
  EXPECT_EQ(s.find_from("ca", 3), absent);
  EXPECT_EQ(s.find_from("c", 3), 5u);
  EXPECT_EQ(s.find_from("", 4), 4u);
  EXPECT_EQ(s.find_from("", 6), 6u);
  EXPECT_EQ(s.find_from("x", 40), absent);
  EXPECT_EQ(s.find_from(nullptr, 0), absent);
  EXPECT_NE(s.find_from("x", 0), static_cast<uint64_t>(-1));
}

TEST(COLstringSearch, OutParameterFormsStoreThePositionAndTellWhetherFound) {
  COLstring s("abcabc");
  const COLstring bc("bc");
  int pos = 99;
  EXPECT_TRUE(s.find(pos, "ca"));
  EXPECT_EQ(pos, 2);
  EXPECT_FALSE(s.find(pos, "x"));
  EXPECT_EQ(pos, -1);
  EXPECT_TRUE(s.find(pos, bc));
  EXPECT_EQ(pos, 1);
  EXPECT_TRUE(s.find(pos, "bc", 2));
  EXPECT_EQ(pos, 4);
  EXPECT_TRUE(s.find(pos, bc, 2));
  EXPECT_EQ(pos, 4);
  EXPECT_TRUE(s.find(pos, 'a', 1));
  EXPECT_EQ(pos, 3);
  EXPECT_FALSE(s.find(pos, 'a', 4));
  EXPECT_EQ(pos, -1);
  EXPECT_TRUE(s.rfind(pos, bc));
  EXPECT_EQ(pos, 4);
  EXPECT_TRUE(s.rfind(pos, bc, 3));
  EXPECT_EQ(pos, 1);
  EXPECT_FALSE(s.rfind(pos, bc, 0));
  EXPECT_EQ(pos, -1);
  EXPECT_TRUE(s.find_last_of(pos, COLstring("b"), 5));
  EXPECT_EQ(pos, 4);
  EXPECT_FALSE(s.find_last_of(pos, COLstring("z"), 5));
  EXPECT_EQ(pos, -1);
}

// The replacement as the interface describes it: non-overlapping, left to right.
int replaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return 0;
  int count = 0;
  for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size())) {
    text.replace(p, from.size(), to);
    ++count;
  }
  return count;
}

std::string randomText(std::mt19937& random, int maxLength, const char* alphabet) {
  std::uniform_int_distribution<int> length(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, strlen(alphabet) - 1);
  std::string text(static_cast<size_t>(length(random)), ' ');
  for (char& c : text) c = alphabet[pick(random)];
  return text;
}

TEST(COLstringSearch, SearchesAndReplaceAllAgreeWithStdString) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 3000; ++round) {
    std::string text = randomText(random, 24, "abc");
    std::string pattern = randomText(random, 3, "abc");
    std::string to = randomText(random, 4, "abcd");
    COLstring s(make(text));
    COLstring p(make(pattern));
    int length = static_cast<int>(text.size());
    auto expect = [](size_t found) { return found == std::string::npos ? -1 : static_cast<int>(found); };

    for (int start = 0; start <= length; ++start) {
      size_t from = static_cast<size_t>(start);
      int expected = pattern.empty() ? -1 : expect(text.find(pattern, from));
      ASSERT_EQ(s.find(p, from), expected) << text << " / " << pattern << " from " << start;
      ASSERT_EQ(s.find(pattern.c_str(), from), expected) << text << " / " << pattern << " from " << start;
      uint64_t fromResult = s.find_from(pattern.c_str(), from);
      size_t stdFrom = text.find(pattern, from);
      ASSERT_EQ(fromResult, stdFrom == std::string::npos ? 4294967295u : stdFrom) << text << " / " << pattern;
      if (!pattern.empty()) {
        int ch = start < length ? expect(text.find(pattern[0], from)) : -1;
        ASSERT_EQ(s.find(pattern[0], from), ch) << text << " / " << pattern[0] << " from " << start;
      }
    }
    for (int start = -2; start <= length + 1; ++start) {
      int expected = -1;
      if (!pattern.empty() && length > 0) {
        size_t last = static_cast<unsigned>(start) >= static_cast<unsigned>(length) ? static_cast<size_t>(length - 1)
                                                                                    : static_cast<size_t>(start);
        expected = expect(text.rfind(pattern, last));
      }
      ASSERT_EQ(s.rfind(p, start), expected) << text << " / " << pattern << " from " << start;
      if (start >= 0) {
        int lastOf = -1;
        if (start > 0 && length > 0)
          lastOf = expect(text.find_last_of(pattern, static_cast<size_t>(start < length ? start : length - 1)));
        ASSERT_EQ(s.find_last_of(p, static_cast<size_t>(start)), lastOf) << text << " / " << pattern << " from " << start;
      }
    }
    ASSERT_EQ(s.rfind(p), pattern.empty() || text.empty() ? -1 : expect(text.rfind(pattern)));

    std::string replaced = text;
    int count = replaceAll(replaced, pattern, to);
    ASSERT_EQ(s.replace_all(p, make(to)), count) << text << " / " << pattern << " -> " << to;
    ASSERT_EQ(bytes(s), replaced) << text << " / " << pattern << " -> " << to;
  }
}

struct ComparisonCase {
  std::string left;
  std::string right;
  int sign;
};

TEST(COLstringCompare, EveryOperatorFollowsTheUnsignedByteOrder) {
  const ComparisonCase cases[] = {
      {"abc", "abd", -1},
      {"ab", "abc", -1},
      {"abc", "abc", 0},
      {"", "", 0},
      {"", "a", -1},
      {"\xe9", "z", 1},
      {"a\x80", "a\x7f", 1},
      {std::string("ab\0x", 4), "ab", 0},
      {std::string("ab\0x", 4), std::string("ab\0y", 4), 0},
      {"b", "abc", 1},
      // Past the first machine words: a comparison that takes many bytes a step must still
      // order them unsigned and stop at a NUL both texts share.
      {std::string(100, 'a') + "\xe9", std::string(100, 'a') + "z", 1},
      {std::string(67, 'a') + "\x01", std::string(67, 'a') + "\xff", -1},
      {std::string(100, 'a') + std::string("\0x", 2), std::string(100, 'a') + std::string("\0y", 2), 0},
      {std::string(5000, 'q') + "r", std::string(5000, 'q') + "s", -1},
      {std::string(5000, 'q'), std::string(5000, 'q') + "s", -1},
  };
  for (const ComparisonCase& c : cases) {
    const COLstring l(make(c.left)), r(make(c.right));
    const char* lt = c.left.c_str();
    const char* rt = c.right.c_str();
    std::string why = "'" + c.left + "' vs '" + c.right + "'";
    EXPECT_EQ(COLstring::compare(lt, rt), c.sign) << why;
    bool results[][3] = {
        {l == r, l == rt, lt == r}, {l != r, l != rt, lt != r}, {l < r, l < rt, lt < r},
        {l > r, l > rt, lt > r},    {l <= r, l <= rt, lt <= r}, {l >= r, l >= rt, lt >= r},
    };
    bool expected[] = {c.sign == 0, c.sign != 0, c.sign < 0, c.sign > 0, c.sign <= 0, c.sign >= 0};
    const char* names[] = {"==", "!=", "<", ">", "<=", ">="};
    for (int op = 0; op < 6; ++op)
      for (int form = 0; form < 3; ++form)
        EXPECT_EQ(results[op][form], expected[op]) << why << " operator" << names[op] << " form " << form;
  }
  EXPECT_TRUE(COLstring("") == static_cast<const char*>(nullptr));
  EXPECT_EQ(COLstring::compare(nullptr, "a"), -1);
}

// Two inline texts are compared a machine word at a time. Whatever their buffers hold
// behind the NUL (bytes left from a longer text) must not count, bytes are ordered
// unsigned, and the word boundary changes nothing; a heap text beside an inline one takes
// the other road. Against strcmp on random texts of the bytes that matter.
TEST(COLstringCompare, InlineTextsCompareAsCTextsWhateverFollowsTheirNul) {
  std::mt19937 random(11);
  const char alphabet[] = {'a', 'b', '\0', '\x7f', '\x80', '\xff'};
  auto randomText = [&] {
    std::string text(random() % 16, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    return text;
  };
  // An inline string of 15 bytes of junk, overwritten by text and cut to its length.
  auto withJunkBehind = [&](const std::string& text, bool heap) {
    COLstring s(15, static_cast<char>(alphabet[random() % sizeof alphabet] | 1));
    if (heap) s.reserve(40);
    memcpy(s.data(), text.data(), text.size());
    s.resize(static_cast<int>(text.size()));
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string left = randomText(), right = round % 3 == 0 ? left : randomText();
    const COLstring l = withJunkBehind(left, round % 8 == 1), r = withJunkBehind(right, round % 8 == 2);
    const int order = strcmp(left.c_str(), right.c_str());
    const int sign = (order > 0) - (order < 0);
    const bool results[] = {l == r, l != r, l < r, l > r, l <= r, l >= r};
    const bool expected[] = {sign == 0, sign != 0, sign < 0, sign > 0, sign <= 0, sign >= 0};
    for (int op = 0; op < 6; ++op)
      ASSERT_EQ(results[op], expected[op]) << "round " << round << " operator " << op << ": '" << left << "' vs '" << right << "'";
  }
}

TEST(COLstringCompare, NoCaseComparisonUpperCasesAsciiOnly) {
  const struct {
    const char* left;
    const char* right;
    int expected;
  } cases[] = {
      {"Hello", "hELLO", 0},
      {"a", "B", 'A' - 'B'},
      {"abc", "ab", 'C'},
      {"ab", "ABC", -'C'},
      {"", "", 0},
      {"\xe9", "\xc9", 0xE9 - 0xC9},
      {"[", "{", '[' - '{'},
  };
  for (const auto& c : cases) {
    COLstring left(c.left);
    EXPECT_EQ(left.compare_no_case(c.right), c.expected) << c.left << " vs " << c.right;
    EXPECT_EQ(left.compare_no_case(COLstring(c.right)), c.expected) << c.left << " vs " << c.right;
    EXPECT_EQ(left.equals_no_case(c.right), c.expected == 0) << c.left << " vs " << c.right;
    EXPECT_EQ(left.equals_no_case(COLstring(c.right)), c.expected == 0) << c.left << " vs " << c.right;
  }
}

TEST(COLstringCase, ConversionChangesAsciiLettersOfEveryByte) {
  const char mixedText[] = "Mixed Case 09 @[`{ \xe9\xc9\0zZ";
  const char upperText[] = "MIXED CASE 09 @[`{ \xe9\xc9\0ZZ";
  const char lowerText[] = "mixed case 09 @[`{ \xe9\xc9\0zz";
  const std::string mixed(mixedText, sizeof mixedText - 1);
  const std::string upper(upperText, sizeof upperText - 1);
  const std::string lower(lowerText, sizeof lowerText - 1);
  COLstring s(make(mixed));
  EXPECT_EQ(bytes(s.uppered()), upper);
  EXPECT_EQ(bytes(s.lowered()), lower);
  EXPECT_EQ(bytes(s), mixed);
  EXPECT_EQ(bytes(s.to_upper()), upper);
  EXPECT_EQ(bytes(s.to_lower()), lower);
}

struct TextCase {
  const char* why;
  std::string text;
  std::function<COLstring(const COLstring&)> make;
  std::string expected;
};

TEST(COLstringStrip, StripAndTrimRemoveTheirRuns) {
  const TextCase cases[] = {
      {"strip both", "--a-b--", [](const COLstring& s) { return s.strip(3, '-'); }, "a-b"},
      {"strip both of nothing but ch", "----", [](const COLstring& s) { return s.strip(3, '-'); }, ""},
      {"strip leading", "--a--", [](const COLstring& s) { return s.strip(1, '-'); }, "a--"},
      {"strip trailing", "--a--", [](const COLstring& s) { return s.strip(2, '-'); }, "--a"},
      {"strip trailing of nothing but ch", "---", [](const COLstring& s) { return s.strip(2, '-'); }, ""},
      {"strip without flags copies", "--a--", [](const COLstring& s) { return s.strip(0, '-'); }, "--a--"},
      {"strip of an empty string", "", [](const COLstring& s) { return s.strip(3, '-'); }, ""},
      {"strip of one byte", "a", [](const COLstring& s) { return s.strip(3, '-'); }, "a"},
      {"strip keeps an embedded NUL", std::string("-a\0b-", 5), [](const COLstring& s) { return s.strip(3, '-'); }, std::string("a\0b", 3)},
      {"trim both", " \t a b \r\n", [](const COLstring& s) { return COLstring::trim(s, true, true); }, "a b"},
      {"trim leading", " \v\fa ", [](const COLstring& s) { return COLstring::trim(s, true, false); }, "a "},
      {"trim trailing", " a \v\f", [](const COLstring& s) { return COLstring::trim(s, false, true); }, " a"},
      {"trim nothing", " a ", [](const COLstring& s) { return COLstring::trim(s, false, false); }, " a "},
      {"trim of white space only", " \t\r\n ", [](const COLstring& s) { return COLstring::trim(s, true, true); }, ""},
      {"high bytes are not white space", "\xa0x\x85", [](const COLstring& s) { return COLstring::trim(s, true, true); }, "\xa0x\x85"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(bytes(c.make(make(c.text))), c.expected) << c.why;
}

TEST(COLstringStrip, IsBlankAcceptsOnlySpaceTabLineFeedAndReturn) {
  EXPECT_TRUE(COLstring().is_blank());
  EXPECT_TRUE(COLstring(" \t\r\n").is_blank());
  EXPECT_FALSE(COLstring(" \v").is_blank());
  EXPECT_FALSE(COLstring(" \f").is_blank());
  EXPECT_FALSE(COLstring(" x ").is_blank());
  EXPECT_FALSE(make(std::string(" \0", 2)).is_blank());
}

struct EditCase {
  const char* why;
  std::string before;
  std::function<int(COLstring&)> edit;
  std::string after;
  int result;
};

TEST(COLstringEdit, CharacterEditsAndReplaceAll) {
  const EditCase cases[] = {
      {"remove_char", "banana", [](COLstring& s) { return s.remove_char('a'); }, "bnn", 3},
      {"remove_char of every byte", "aaa", [](COLstring& s) { return s.remove_char('a'); }, "", 0},
      {"remove_char drops what follows an embedded NUL", std::string("ab\0ab", 5), [](COLstring& s) { return s.remove_char('a'); }, "b", 1},
      {"replace_char covers every byte", std::string("a.b\0.", 5), [](COLstring& s) { s.replace_char('.', '/'); return 0; }, std::string("a/b\0/", 5), 0},
      {"replace_all of aa by b in aaaa", "aaaa", [](COLstring& s) { return s.replace_all("aa", "b"); }, "bb", 2},
      {"replace_all of aa by b in aaa", "aaa", [](COLstring& s) { return s.replace_all("aa", "b"); }, "ba", 1},
      {"replace_all with an empty from", "aaa", [](COLstring& s) { return s.replace_all("", "b"); }, "aaa", 0},
      {"replace_all without a match", "abc", [](COLstring& s) { return s.replace_all("x", "yy"); }, "abc", 0},
      {"replace_all by nothing", "a-b-c", [](COLstring& s) { return s.replace_all("-", ""); }, "abc", 2},
      {"replace_all growing past the inline buffer", "x.x.x.x", [](COLstring& s) { return s.replace_all(".", "-----"); }, "x-----x-----x-----x", 3},
      {"replace_all by a text holding from", "ab", [](COLstring& s) { return s.replace_all("a", "aa"); }, "aab", 1},
      {"replace_all copies what follows an embedded NUL unchanged", std::string("a\0a", 3), [](COLstring& s) { return s.replace_all("a", "b"); }, std::string("b\0a", 3), 1},
      {"replace_all of a from with an embedded NUL finds nothing", "ab", [](COLstring& s) { return s.replace_all(COLstring("a\0b", 3), "x"); }, "ab", 0},
      {"replace_all by the string itself", "a-b", [](COLstring& s) { return s.replace_all("-", s); }, "aa-bb", 1},
      {"replace_all of the string itself", "abc", [](COLstring& s) { return s.replace_all(s, "x"); }, "x", 1},
  };
  for (const EditCase& c : cases) {
    COLstring s(make(c.before));
    EXPECT_EQ(c.edit(s), c.result) << c.why;
    EXPECT_EQ(bytes(s), c.after) << c.why;
    EXPECT_EQ(s.c_str()[s.size()], '\0') << c.why;
  }
}

struct SplitCase {
  const char* why;
  std::string text;
  std::function<bool(const COLstring&, COLstring&, COLstring&)> split;
  std::string left;
  std::string right;
  bool found;
};

TEST(COLstringSplit, SplitsWriteLeftAndRight) {
  auto at = [](int index) {
    return [index](const COLstring& s, COLstring& l, COLstring& r) { s.split_at(l, r, index); return true; };
  };
  auto first = [](const char* sep) {
    return [sep](const COLstring& s, COLstring& l, COLstring& r) { return s.split_at_first(l, r, sep); };
  };
  auto last = [](const char* sep) {
    return [sep](const COLstring& s, COLstring& l, COLstring& r) { return s.split_at_last(l, r, sep); };
  };
  const SplitCase cases[] = {
      {"at beyond the end", "abc", at(10), "abc", "", true},
      {"at 0", "abc", at(0), "", "abc", true},
      {"at the end", "abc", at(3), "abc", "", true},
      {"at the middle", "abc", at(1), "a", "bc", true},
      {"first", "key=value=x", first("="), "key", "value=x", true},
      {"first without the separator", "novalue", first("="), "novalue", "", false},
      {"first with a longer separator", "a::b::c", first("::"), "a", "b::c", true},
      {"first with an empty separator", "abc", first(""), "", "abc", true},
      {"first with a null separator", "abc", first(nullptr), "abc", "", false},
      {"first at the end", "abc=", first("="), "abc", "", true},
      {"last", "a/b/c", last("/"), "a/b", "c", true},
      {"last without the separator", "abc", last("/"), "", "abc", false},
      {"last scans without overlaps", "aaa", last("aa"), "", "a", true},
      {"last with an empty separator", "abc", last(""), "", "abc", false},
      {"last with a null separator", "abc", last(nullptr), "", "abc", false},
      {"last at the start", "/abc", last("/"), "", "abc", true},
      {"first keeps the bytes after an embedded NUL", std::string("a=b\0c", 5), first("="), "a", std::string("b\0c", 3), true},
  };
  for (const SplitCase& c : cases) {
    COLstring s(make(c.text));
    COLstring left("old left"), right("old right");
    EXPECT_EQ(c.split(s, left, right), c.found) << c.why;
    EXPECT_EQ(bytes(left), c.left) << c.why;
    EXPECT_EQ(bytes(right), c.right) << c.why;
    EXPECT_EQ(bytes(s), c.text) << c.why;
  }
}

TEST(COLstringSplit, EitherOutStringMayBeTheStringItself) {
  COLstring s("key=value"), right;
  EXPECT_TRUE(s.split_at_first(s, right, "="));
  EXPECT_EQ(bytes(s), "key");
  EXPECT_EQ(bytes(right), "value");

  COLstring t("key=value"), left;
  EXPECT_TRUE(t.split_at_first(left, t, "="));
  EXPECT_EQ(bytes(left), "key");
  EXPECT_EQ(bytes(t), "value");

  COLstring u("a/b/c");
  EXPECT_TRUE(u.split_at_last(u, right, "/"));
  EXPECT_EQ(bytes(u), "a/b");
  EXPECT_EQ(bytes(right), "c");

  COLstring v("abcdef");
  v.split_at(v, right, 2);
  EXPECT_EQ(bytes(v), "ab");
  EXPECT_EQ(bytes(right), "cdef");

  COLstring w("abc");
  EXPECT_FALSE(w.split_at_last(left, w, "/"));
  EXPECT_EQ(bytes(left), "");
  EXPECT_EQ(bytes(w), "abc");
}

TEST(COLstringPrefix, StartsWithAndStripPrefix) {
  EXPECT_TRUE(COLstartsWith("abcdef", "abc"));
  EXPECT_TRUE(COLstartsWith("abc", "abc"));
  EXPECT_TRUE(COLstartsWith("abc", ""));
  EXPECT_FALSE(COLstartsWith("ab", "abc"));
  EXPECT_FALSE(COLstartsWith("abd", "abc"));
  EXPECT_EQ(bytes(COLstripPrefix("abcdef", "abc")), "def");
  EXPECT_EQ(bytes(COLstripPrefix("abc", "abc")), "");
  EXPECT_EQ(bytes(COLstripPrefix("abc", "")), "abc");

  const std::string text =
      "Failed precondition: String.size() >= Prefix.size() && String.substr(0, Prefix.size()) == Prefix";
  const TESTerrorFields expected{text, static_cast<int>(0x80000100), 947, "COLstring"};
  EXPECT_EQ(TEST_ERROR_OF(COLstripPrefix("abc", "x")), expected);
  EXPECT_EQ(TEST_ERROR_OF(COLstripPrefix("ab", "abc")), expected);
}

}  // namespace
