// COLstring: storage rules, construction, change and its fatal assertions.
#include "COL/COLstring.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>

namespace {

// Strings of a gigabyte without the gigabyte: while a test holds a LentBlocks, an array of
// half a gigabyte or more that the program asks for is given a block of 64 bytes instead,
// and its size is kept. A string whose text stays short writes no further than that.
const size_t LargeArray = size_t(1) << 29;
bool LendingLargeArrays = false;
size_t LargeArrayAsked = 0;

struct LentBlocks {
  LentBlocks() {
    LendingLargeArrays = true;
    LargeArrayAsked = 0;
  }
  ~LentBlocks() { LendingLargeArrays = false; }
  size_t asked() const { return LargeArrayAsked; }
};

}  // namespace

// The program's array allocation, the runtime's own but for the blocks lent above.
void* operator new[](size_t size) {
  if (LendingLargeArrays && size >= LargeArray) {
    LargeArrayAsked = size;
    size = 64;
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

std::string bytes(const COLstring& s) { return TESTtext(s); }

COLstring fifteen() { return COLstring("abcdefghijklmno"); }

// The shape of a string measured where it was made, so no copy on the way changes it.
struct Shape {
  int length;
  int capacity;
  bool terminated;
};
Shape shape(const COLstring& s) { return Shape{s.size(), s.capacity(), s.c_str()[s.size()] == '\0'}; }

struct CapacityCase {
  const char* why;
  std::function<Shape()> make;
  int length;
  int capacity;
};

TEST(COLstring, CapacityFollowsTheRoomEachOperationAsks) {
  const CapacityCase cases[] = {
      {"fresh", [] { return shape(COLstring()); }, 0, 16},
      {"14-byte text stays inline", [] { return shape(COLstring("abcdefghijklmn")); }, 14, 16},
      {"15-byte text asks length+1 and moves to 32", [] { return shape(fifteen()); }, 15, 32},
      {"16-byte text", [] { return shape(COLstring("abcdefghijklmnop")); }, 16, 32},
      {"(data, length) of 15", [] { return shape(COLstring("abcdefghijklmnoXYZ", 15)); }, 15, 32},
      {"span of 15", [] { return shape(COLstring(COLspan("abcdefghijklmnoXYZ", 15))); }, 15, 32},
      {"count of 15 asks only the length", [] { return shape(COLstring(15, 'x')); }, 15, 16},
      {"count of 16", [] { return shape(COLstring(16, 'x')); }, 16, 32},
      {"copy-assigning 15 bytes to a fresh string stays inline",
       [] { COLstring s; s = fifteen(); return shape(s); }, 15, 16},
      {"assigning a 15-byte text asks length+1",
       [] { COLstring s; s = "abcdefghijklmno"; return shape(s); }, 15, 32},
      {"assign(15, ch) stays inline", [] { COLstring s; s.assign(15, 'y'); return shape(s); }, 15, 16},
      {"append(15, ch) stays inline", [] { COLstring s; s.append(15, 'y'); return shape(s); }, 15, 16},
      {"append of 15 bytes asks length+1", [] { COLstring s; s.append("abcdefghijklmno", 15); return shape(s); }, 15, 32},
      {"copy of a heap string asks length+1", [] { COLstring h(40, 'x'); return shape(COLstring(h)); }, 40, 42},
      {"copy of an empty heap string is fresh", [] { COLstring h(40, 'x'); h.clear(); return shape(COLstring(h)); }, 0, 16},
      {"growth doubles the old capacity", [] { COLstring s(20, 'x'); s.append("y"); s.append(20, 'z'); return shape(s); }, 41, 64},
      {"growth takes the need when it is more than double", [] { COLstring s(20, 'x'); s.append(80, 'z'); return shape(s); }, 100, 101},
      {"clear keeps the block", [] { COLstring s(40, 'x'); s.clear(); return shape(s); }, 0, 41},
      {"assign(0, ch) frees the block", [] { COLstring s(40, 'x'); s.assign(0, 'x'); return shape(s); }, 0, 16},
      {"reset frees the block", [] { COLstring s(40, 'x'); s.reset(); return shape(s); }, 0, 16},
      {"assigning an empty text keeps the block", [] { COLstring s(40, 'x'); s = ""; return shape(s); }, 0, 41},
      {"shrink(0) of 10 bytes in 100 gives 32", [] { COLstring s(99, 'x'); s.resize(10); s.shrink(0); return shape(s); }, 10, 32},
      {"shrink honours a larger hint", [] { COLstring s(99, 'x'); s.resize(10); s.shrink(50); return shape(s); }, 10, 50},
      {"shrink keeps length+1", [] { COLstring s(99, 'x'); s.resize(60); s.shrink(0); return shape(s); }, 60, 61},
      {"shrink of an inline string does nothing", [] { COLstring s("abc"); s.shrink(0); return shape(s); }, 3, 16},
      {"reserve makes room for n plus the terminator", [] { COLstring s; s.reserve(40); return shape(s); }, 0, 41},
      {"reserve within capacity does nothing", [] { COLstring s; s.reserve(15); return shape(s); }, 0, 16},
  };
  for (const CapacityCase& c : cases) {
    Shape made = c.make();
    EXPECT_EQ(made.length, c.length) << c.why;
    EXPECT_EQ(made.capacity, c.capacity) << c.why;
    EXPECT_TRUE(made.terminated) << c.why;
  }
}

TEST(COLstring, AppendingFromItsOwnTextIsSafe) {
  COLstring s("abcdef");
  s.append(s.c_str() + 1, 3);
  EXPECT_EQ(bytes(s), "abcdefbcd");

  for (int length : {3, 15, 16, 40}) {
    COLstring t(length, 'q');
    std::string expected = bytes(t) + bytes(t);
    t += t;
    EXPECT_EQ(bytes(t), expected) << length;
    // Filling the block exactly, then appending it to itself, must reallocate safely.
    COLstring u(31, 'r');
    u.append(u.c_str(), u.size());
    EXPECT_EQ(bytes(u), std::string(62, 'r'));
  }

  COLstring v("0123456789abcdefghij");
  v.assign(v.c_str() + 10, 10);
  EXPECT_EQ(bytes(v), "abcdefghij");
  COLstring w("0123456789abcdefghij");
  w = w.c_str() + 5;
  EXPECT_EQ(bytes(w), "56789abcdefghij");
}

// Short texts go straight into the inline buffer, and appends that fit are made in place:
// around the inline boundary and at the edge of the room, text and capacity are those of
// the rules (construction asks length + 1, so up to 14 bytes stay inline; an append grows
// the string when its result + 2 exceeds the capacity). The bytes include NULs and bytes
// from 0x80 on at the places where the short copies split their words.
TEST(COLstring, ShortTextsAndAppendsThatFitFollowTheRulesAtEveryLength) {
  const std::string plain = "abcdefghijklmnopqrstuvwxyz";
  const std::string mixed = std::string("\xff\x80\0defg\xfe\x81jklm\x90opqrstuvwxyz", 26);
  auto madeCapacity = [](int n) { return n <= 14 ? 16 : std::max(n + 2, 32); };
  for (int n = 0; n <= 20; ++n) {
    const std::string text = mixed.substr(0, static_cast<size_t>(n));
    const COLstring made[] = {COLstring(text.data(), n), COLstring(COLspan(text.data(), static_cast<unsigned>(n))),
                              COLstring(plain.substr(0, static_cast<size_t>(n)).c_str())};
    for (const COLstring& s : made) {
      EXPECT_EQ(bytes(s), &s == &made[2] ? plain.substr(0, static_cast<size_t>(n)) : text) << n;
      EXPECT_EQ(s.capacity(), madeCapacity(n)) << n;
      EXPECT_EQ(s.c_str()[n], '\0') << n;
    }
  }

  // Starts: inline, and a heap block with room.
  for (int reserved : {0, 40}) {
    for (int start = 0; start <= 20; ++start) {
      for (int n = 1; n <= 20; ++n) {
        for (int form = 0; form < 2; ++form) {
          COLstring s;
          if (reserved != 0) s.reserve(reserved);
          s.append(plain.c_str(), start);
          const int before = s.capacity();
          if (form == 0) {
            s.append(mixed.data(), n);
          } else {
            EXPECT_EQ(s.write(mixed.data(), static_cast<unsigned>(n)), static_cast<unsigned>(n));
          }
          const int expected = start + n + 2 <= before ? before : std::max(start + n + 2, 2 * before);
          const std::string why = std::to_string(start) + " + " + std::to_string(n) + " into " + std::to_string(before);
          EXPECT_EQ(bytes(s), plain.substr(0, static_cast<size_t>(start)) + mixed.substr(0, static_cast<size_t>(n))) << why;
          EXPECT_EQ(s.capacity(), expected) << why;
          EXPECT_EQ(s.c_str()[s.size()], '\0') << why;
        }
      }
    }
  }
}

// An append of the string's own bytes that would fit its room still takes the road that
// reads them from a copy, inline or on the heap, through append, += and write.
TEST(COLstring, OwnBytesAppendedWithinTheRoomAreReadBeforeTheyMove) {
  struct Case {
    const char* why;
    std::function<void(COLstring&)> edit;
    std::function<void(std::string&)> model;
  };
  const Case cases[] = {
      {"a middle run", [](COLstring& s) { s.append(s.c_str() + 1, 3); }, [](std::string& m) { m += m.substr(1, 3); }},
      {"the last byte", [](COLstring& s) { s.append(s.c_str() + s.size() - 1, 1); }, [](std::string& m) { m += m.back(); }},
      {"the whole string", [](COLstring& s) { s.append(s); }, [](std::string& m) { m += m; }},
      {"+= of its own tail", [](COLstring& s) { s += s.c_str() + 2; }, [](std::string& m) { m += m.substr(2); }},
      {"write of its head", [](COLstring& s) { s.write(s.c_str(), 4); }, [](std::string& m) { m += m.substr(0, 4); }},
  };
  for (const Case& c : cases) {
    for (int reserved : {0, 60}) {
      COLstring s;
      if (reserved != 0) s.reserve(reserved);
      s.append("abcdef", 6);
      std::string model = "abcdef";
      c.edit(s);
      c.model(model);
      EXPECT_EQ(bytes(s), model) << c.why << " with " << reserved << " reserved";
      EXPECT_EQ(s.c_str()[s.size()], '\0') << c.why;
    }
  }
}

TEST(COLstring, AppendIgnoresNullAndEmptyInput) {
  COLstring s("ab");
  s.append("xyz", 0);
  s.append(nullptr, 5);
  s.append("xyz", -7);
  s.append(nullptr);
  s.append("");
  EXPECT_EQ(bytes(s), "ab");
  s.append("abc", -1);
  EXPECT_EQ(bytes(s), "ababc");
  EXPECT_EQ(s.write("de", 2), 2u);
  EXPECT_EQ(bytes(s), "ababcde");
}

TEST(COLstring, ConstructionFromNullOrEmptyInputIsFresh) {
  const COLstring made[] = {COLstring(static_cast<const char*>(nullptr)), COLstring(""),
                            COLstring(nullptr, 4), COLstring("abc", 0), COLstring("abc", -5),
                            COLstring(0, 'x'), COLstring(COLspan("abc", 0)),
                            COLstring(static_cast<const wchar_t*>(nullptr))};
  for (const COLstring& s : made) {
    EXPECT_EQ(s.size(), 0);
    EXPECT_EQ(s.capacity(), 16);
    EXPECT_STREQ(s.c_str(), "");
  }
  EXPECT_EQ(bytes(COLstring("abc\0def", -1)), "abc");
}

TEST(COLstring, EmbeddedNulsCount) {
  COLstring s("ab\0cd", 5);
  EXPECT_EQ(s.size(), 5);
  COLstring withNul = s + '\0';
  EXPECT_EQ(withNul.size(), 6);
  EXPECT_STREQ(withNul.c_str(), "ab");
  COLstring copy;
  copy = s;
  EXPECT_EQ(bytes(copy), std::string("ab\0cd", 5));
  EXPECT_EQ(bytes(COLstring(s)), std::string("ab\0cd", 5));
}

struct EditCase {
  const char* why;
  std::function<void(COLstring&)> edit;
  const char* before;
  int beforeLength;
  std::string after;
};

TEST(COLstring, SubstringInsertReplaceAndErase) {
  const size_t end = 4294967295u;
  const COLstring XY("XY");
  const EditCase cases[] = {
      {"insert at the end appends", [](COLstring& s) { s.insert(6, "X"); }, "abcdef", 6, "abcdefX"},
      {"insert beyond the end changes nothing", [](COLstring& s) { s.insert(7, "X"); }, "abcdef", 6, "abcdef"},
      {"insert at -1 changes nothing", [](COLstring& s) { s.insert(-1, "X"); }, "abcdef", 6, "abcdef"},
      {"insert of null changes nothing", [](COLstring& s) { s.insert(2, nullptr); }, "abcdef", 6, "abcdef"},
      {"insert in the middle", [](COLstring& s) { s.insert(2, "XY"); }, "abcdef", 6, "abXYcdef"},
      {"insert from its own text", [](COLstring& s) { s.insert(1, s.c_str() + 4); }, "abcdef", 6, "aefbcdef"},
      {"insert keeps the bytes after an embedded NUL", [](COLstring& s) { s.insert(1, "X"); }, "ab\0cd", 5, std::string("aXb\0cd", 6)},
      {"replace two bytes", [&](COLstring& s) { s.replace(1, 2, XY, 0, -1); }, "abcdef", 6, "aXYdef"},
      {"replace to the end", [&](COLstring& s) { s.replace(1, end, XY, 0, -1); }, "abcdef", 6, "aXY"},
      {"replace with a part of with", [&](COLstring& s) { s.replace(0, 1, XY, 1, 1); }, "abcdef", 6, "Ybcdef"},
      {"replace with a start past with's end uses nothing of it", [&](COLstring& s) { s.replace(0, 1, XY, 2, 1); }, "abcdef", 6, "bcdef"},
      {"replace clamps a length beyond with's end", [&](COLstring& s) { s.replace(0, 1, XY, 1, 500); }, "abcdef", 6, "Ybcdef"},
      {"replace at the end appends", [&](COLstring& s) { s.replace(6, 0, XY, 0, -1); }, "abcdef", 6, "abcdefXY"},
      {"replace beyond the end changes nothing", [&](COLstring& s) { s.replace(7, 0, XY, 0, -1); }, "abcdef", 6, "abcdef"},
      {"replace with itself", [](COLstring& s) { s.replace(1, 1, s, 0, -1); }, "abc", 3, "aabcc"},
      {"replace keeps the bytes after an embedded NUL", [&](COLstring& s) { s.replace(0, 1, XY, 0, 2); }, "ab\0cd", 5, std::string("XYb\0cd", 6)},
      {"erase to the end", [](COLstring& s) { s.erase(2, 4294967295u); }, "abcdef", 6, "ab"},
      {"erase in the middle", [](COLstring& s) { s.erase(1, 2); }, "abcdef", 6, "adef"},
      {"erase more than there is", [](COLstring& s) { s.erase(1, 10); }, "abcdef", 6, "a"},
      {"erase at the end changes nothing", [](COLstring& s) { s.erase(6, 1); }, "abcdef", 6, "abcdef"},
      {"erase beyond the end changes nothing", [](COLstring& s) { s.erase(9, 1); }, "abcdef", 6, "abcdef"},
      {"erase keeps the bytes after an embedded NUL", [](COLstring& s) { s.erase(0, 1); }, "ab\0cd", 5, std::string("b\0cd", 4)},
      {"erase_front", [](COLstring& s) { s.erase_front(2); }, "abcdef", 6, "cdef"},
      {"erase_front of everything", [](COLstring& s) { s.erase_front(6); }, "abcdef", 6, ""},
      {"substr to the end", [](COLstring& s) { s = s.substr(2, static_cast<unsigned>(-1)); }, "abcdef", 6, "cdef"},
      {"substr beyond the end", [](COLstring& s) { s = s.substr(10, 2); }, "abcdef", 6, ""},
      {"substr longer than the text", [](COLstring& s) { s = s.substr(0, 100); }, "abcdef", 6, "abcdef"},
      {"substr of a part", [](COLstring& s) { s = s.substr(1, 3); }, "abcdef", 6, "bcd"},
      {"substr running off the end", [](COLstring& s) { s = s.substr(4, 10); }, "abcdef", 6, "ef"},
      {"substr at a negative start", [](COLstring& s) { s = s.substr(-1, 2); }, "abcdef", 6, ""},
      {"mid(0) copies", [](COLstring& s) { s = s.mid(0); }, "abcdef", 6, "abcdef"},
      {"mid(2)", [](COLstring& s) { s = s.mid(2); }, "abcdef", 6, "cdef"},
      {"mid at the length", [](COLstring& s) { s = s.mid(6); }, "abcdef", 6, ""},
      {"mid negative", [](COLstring& s) { s = s.mid(-2); }, "abcdef", 6, ""},
  };
  for (const EditCase& c : cases) {
    COLstring s(c.before, c.beforeLength);
    c.edit(s);
    EXPECT_EQ(bytes(s), c.after) << c.why;
    EXPECT_EQ(s.c_str()[s.size()], '\0') << c.why;
  }
}

TEST(COLstring, SubstringConstructorTakesUnsignedStartAndMarker) {
  COLstring src("abcdef");
  EXPECT_EQ(bytes(COLstring(src, 0, 4294967295u)), "abcdef");
  EXPECT_EQ(bytes(COLstring(src, 3, 4294967295u)), "def");
  EXPECT_EQ(bytes(COLstring(src, 3, 1)), "d");
  EXPECT_EQ(bytes(COLstring(src, 6, 1)), "");
  EXPECT_EQ(bytes(COLstring(COLstring(), 0, 3)), "");

  // A length near the top of size_t runs to the end, as substr's does: start + length
  // must not wrap round below the text's length. The embedded NUL shows a length that
  // came out as -1 ("up to the NUL").
  const COLstring withNul("abc\0def", 7);
  const size_t top = static_cast<size_t>(-1);
  struct Case {
    size_t start;
    size_t length;
    std::string tail;
  };
  const Case cases[] = {
      {1, top, std::string("bc\0def", 6)},     {1, top - 1, std::string("bc\0def", 6)},
      {4, top - 3, "def"},                       {6, top, "f"},
      {1, size_t(1) << 32, std::string("bc\0def", 6)}, {2, 0x80000000u, std::string("c\0def", 5)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(bytes(COLstring(withNul, c.start, c.length)), c.tail) << c.start << ", " << c.length;
}

TEST(COLstring, AWriteTooLongForAnIntIsRefusedWhole) {
  // Lengths of 2^31 and more used to become negative ints: -1 appended the bytes up to the
  // first NUL, others nothing, and each reported the whole length as written. Refused
  // before a byte is read, so a short buffer is enough.
  const char data[] = "xyz";
  for (unsigned length : {0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu, 2147483647u - 4u}) {
    COLstring s("abc");
    TESTerrorFields refused = TEST_ERROR_OF(s.write(data, length));
    EXPECT_EQ(refused.code, COL_ERROR_PRECONDITION) << length;
    EXPECT_NE(refused.description.find(std::to_string(length)), std::string::npos) << refused.description;
    EXPECT_EQ(bytes(s), "abc") << length;
  }
  COLstring s("abc");
  EXPECT_EQ(s.write(data, 3), 3u);
  EXPECT_EQ(bytes(s), "abcxyz");
}

TEST(COLstring, GrowthPastHalfTheIntRangeDoublesUpToTheMostAnIntCounts) {
  // Doubling in int wrapped past 2^30 bytes: the string then took only what it was asked,
  // and every later growth copied the whole text again.
  struct Case {
    const char* why;
    int reserved;  // first, from "abc"
    int then;
    int capacity;
  } cases[] = {
      {"the last doubling within the range", (1 << 30) - 2, (1 << 30) - 1, INT_MAX - 1},
      {"the first doubling past it", (1 << 30) - 1, 1 << 30, INT_MAX},
      {"a larger capacity", 1 << 30, (1 << 30) + 1, INT_MAX},
      {"room for INT_MAX - 1 bytes of text", 1 << 30, INT_MAX - 1, INT_MAX},
  };
  for (const Case& c : cases) {
    LentBlocks lent;
    COLstring s("abc");
    s.reserve(c.reserved);
    ASSERT_EQ(s.capacity(), c.reserved + 1) << c.why;
    s.reserve(c.then);
    EXPECT_EQ(s.capacity(), c.capacity) << c.why;
    EXPECT_EQ(lent.asked(), static_cast<size_t>(c.capacity)) << c.why;
    EXPECT_EQ(bytes(s), "abc") << c.why;
  }
}

TEST(COLstring, RoomPastWhatAnIntCountsIsRefusedBeforeAnythingChanges) {
  // Each asks a capacity past INT_MAX, whose sums wrapped in int: some were taken as
  // nothing to do and then written past the block, others as a huge allocation.
  const TESTerrorFields refused{"Failed precondition: Wanted <= COLmostCapacity(Size)", COL_ERROR_PRECONDITION,
                                289, "COLstring"};
  const char data[] = "xyz";
  const COLstring to(32769, 'b');
  struct Case {
    const char* why;
    std::function<void(COLstring&)> grow;
  } cases[] = {
      {"reserve(INT_MAX), with no room for the terminator", [](COLstring& s) { s.reserve(INT_MAX); }},
      {"assign(INT_MAX, ch)", [](COLstring& s) { s.assign(INT_MAX, 'x'); }},
      {"a string of INT_MAX copies of ch", [](COLstring&) { COLstring made(INT_MAX, 'x'); }},
      {"append(count, ch) to INT_MAX bytes", [](COLstring& s) { s.append(INT_MAX - s.size(), 'x'); }},
      {"append(count, ch) past the int range", [](COLstring& s) { s.append(INT_MAX, 'x'); }},
      {"an append whose room with the terminator passes INT_MAX",
       [&](COLstring& s) { s.append(data, INT_MAX - 1 - s.size()); }},
      {"an append past the int range", [&](COLstring& s) { s.append(data, INT_MAX); }},
      {"replace_all to 65536 x 32769 bytes", [&](COLstring& s) { s.replace_all("a", to); }},
  };
  for (const Case& c : cases) {
    COLstring s(65536, 'a');
    const char* block = s.c_str();
    EXPECT_EQ(TEST_ERROR_OF(c.grow(s)), refused) << c.why;
    EXPECT_EQ(bytes(s), std::string(65536, 'a')) << c.why;
    EXPECT_EQ(s.capacity(), 65537) << c.why;
    EXPECT_EQ(s.c_str(), block) << c.why;
  }
}

TEST(COLstring, NumbersAtTheirLimits) {
  EXPECT_EQ(bytes(COLstring(INT_MIN)), "-2147483648");
  EXPECT_EQ(bytes(COLstring(INT_MAX)), "2147483647");
  EXPECT_EQ(bytes(COLstring(0)), "0");
  EXPECT_EQ(bytes(COLstring(LLONG_MIN)), "-9223372036854775808");
  EXPECT_EQ(bytes(COLstring(ULLONG_MAX)), "18446744073709551615");
  EXPECT_EQ(bytes(COLstring(0ull)), "0");
  EXPECT_EQ(bytes(COLstring(-1L)), "-1");
  EXPECT_EQ(bytes(COLstring(static_cast<unsigned long>(LONG_MAX) + 1ul)),
            std::to_string(static_cast<unsigned long>(LONG_MAX) + 1ul));
}

TEST(COLstring, WideTextIsCLocaleBytesOrUtf8) {
  COLstring latin(L"caf\u00e9");
  EXPECT_EQ(bytes(latin), "caf\xe9");

  // U+0101 has no byte in the C locale: the constructor keeps the text as UTF-8...
  COLstring above(L"a\u0101b");
  EXPECT_EQ(bytes(above), "a\xc4\x81" "b");
  EXPECT_EQ(above.size(), 4);

  // ...while assignment refuses it. Where the runtime refuses the character already when
  // counting, the string keeps its text; Wine's runtime counts it and refuses it only when
  // writing, and then the string keeps the n + 1 bytes it was given for the conversion.
  COLstring target("kept");
  TESTerrorFields refused = TEST_ERROR_OF(target = L"a\u0101b");
  EXPECT_EQ(refused.description,
            "Unable to convert wide char string to multibyte string, locale may be incorrect.");
  EXPECT_EQ(refused.code, static_cast<int>(0x80000500));
  EXPECT_EQ(refused.file, "COLstring");
  if (refused.line == 904) {
    EXPECT_EQ(bytes(target), std::string(4, '\0')) << "n + 1 NULs, nothing of the conversion";
  } else {
    EXPECT_EQ(refused.line, 897);
    EXPECT_EQ(bytes(target), "kept");
  }

  target = L"\u00ff\u0001x";
  EXPECT_EQ(bytes(target), "\xff\x01x");
  target = static_cast<const wchar_t*>(nullptr);
  EXPECT_EQ(target.size(), 0);
  std::wstring longWide(40, L'w');
  target = longWide.c_str();
  EXPECT_EQ(bytes(target), std::string(40, 'w'));
}

TEST(COLstring, ConcatenationOperators) {
  COLstring ab("ab");
  EXPECT_EQ(bytes(ab + COLstring("cd")), "abcd");
  EXPECT_EQ(bytes(ab + "cd"), "abcd");
  EXPECT_EQ(bytes(ab + static_cast<const char*>(nullptr)), "ab");
  EXPECT_EQ(bytes("cd" + ab), "cdab");
  EXPECT_EQ(bytes(static_cast<const char*>(nullptr) + ab), "ab");
  EXPECT_EQ(bytes(ab + 'c'), "abc");
  EXPECT_EQ(bytes('c' + ab), "cab");
  EXPECT_EQ(bytes('\0' + ab), std::string("\0ab", 3));
}

TEST(COLstring, SwapExchangesInlineAndHeapTexts) {
  COLstring small("small");
  COLstring large(40, 'L');
  small.swap(large);
  EXPECT_EQ(bytes(small), std::string(40, 'L'));
  EXPECT_EQ(small.capacity(), 41);
  EXPECT_EQ(bytes(large), "small");
  EXPECT_EQ(large.capacity(), 16);
  large.swap(large);
  EXPECT_EQ(bytes(large), "small");
}

TEST(COLstring, ResizeMakesWrittenBytesText) {
  COLstring s;
  s.reserve(20);
  memcpy(s.data(), "written", 7);
  s.resize(7);
  EXPECT_EQ(bytes(s), "written");
  s.resize(3);
  EXPECT_EQ(bytes(s), "wri");
}

TEST(COLstring, SelfAssignmentChangesNothing) {
  COLstring s(40, 'z');
  COLstring& alias = s;
  s = alias;
  EXPECT_EQ(bytes(s), std::string(40, 'z'));
}

struct AssertionCase {
  const char* why;
  std::function<void()> fail;
  const char* message;
};

TEST(COLstringDeathTest, BrokenInvariantsEndTheProcessWithTheirText) {
  const AssertionCase cases[] = {
      {"at beyond the end", [] { COLstring s("abc"); s.at(3); }, "COLstring:748 Assertion failed: pos >= 0 && pos < _length"},
      {"at before the start", [] { COLstring s("abc"); s.at(-1); }, "COLstring:748 Assertion failed: pos >= 0 && pos < _length"},
      {"operator[] beyond the end", [] { COLstring s("abc"); s[3] = 'x'; }, "COLstring:741 Assertion failed: CharIndex >= 0 && CharIndex < size()"},
      {"erase_front negative", [] { COLstring s("abc"); s.erase_front(-1); }, "COLstring:204 Assertion failed: n >= 0"},
      {"erase_front too many", [] { COLstring s("abc"); s.erase_front(4); }, "COLstring:205 Assertion failed: n <= _length"},
      {"resize to the capacity", [] { COLstring s("abc"); s.resize(16); }, "COLstring:734 Assertion failed: NewSize < _capacity"},
  };
  for (const AssertionCase& c : cases) {
    std::string both = std::string(c.message) + "\nFatal Error. Abort with message: " + c.message;
    EXPECT_DEATH(
        {
          TESTstandardOutputToStandardError();
          c.fail();
        },
        TESTexactly(both))
        << c.why;
  }
}

}  // namespace
