// The two conversions of Java strings, through the fake JNI environment: what reaches Java
// and what comes back, U+FFFD and the rest dropped on bad input, the characters given back
// exactly once, and the refusals (no characters lent, a string too long for its room).
#include "plugin_bridge/TLMjavaString.h"

#include "COL/COLerror.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"

#include <string>
#include <vector>

namespace {

const std::vector<std::string> NoViolations;

TEST(TLMjavaString, FromUtf8MakesTheJavaStringEndingInUFFFDAtTheFirstBadSequence) {
  struct Row {
    const char* why;
    const char* text;
    std::u16string java;
  } Rows[] = {
      {"empty", "", u""},
      {"a null text", nullptr, u""},
      {"one, two and four bytes", "A\xC3\xA9\xF0\x9F\x98\x80", u"A\u00E9\U0001F600"},
      {"FF after ab; what follows is lost", "ab\xFF" "cd\xC3\xA9", u"ab\uFFFD"},
      {"ends inside a sequence", "\xE2\x82", u"\uFFFD"},
      {"an encoded surrogate", "x\xED\xA0\x80y", u"x\uFFFD"},
      {"overlong NUL", "\xC0\x80", u"\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
      {"a long ASCII text with a bad byte late", "0123456789abcdefghij\x80!", u"0123456789abcdefghij\uFFFD"},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.why);
    TESTfakeJni Fake;
    jstring Made = TLMjavaStringFromUtf8(Fake.env(), R.text);
    ASSERT_NE(Made, nullptr);
    EXPECT_EQ(Fake.textOf(Made), R.java);
    EXPECT_EQ(Fake.calls("NewString"), 1);
    EXPECT_EQ(Fake.calls("NewStringUTF"), 0) << "never JNI's modified UTF-8";
    EXPECT_EQ(Fake.violations(), NoViolations);
  }
}

TEST(TLMjavaString, ToUtf8GivesTheBytesAndTheCharactersBackOnce) {
  struct Row {
    const char* why;
    std::u16string java;
    std::string utf8;
  } Rows[] = {
      {"empty", u"", ""},
      {"one to four bytes", u"A\u00E9\u20AC\U0001F600", "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"U+0000 stays a zero byte inside", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
      {"a lone high surrogate last", u"ab\xD83D", "ab\xEF\xBF\xBD"},
      {"a lone low surrogate; what follows is lost", u"a\xDE00" u"bc", "a\xEF\xBF\xBD"},
      {"a high surrogate before no low one", u"\xD83D" u"x", "\xEF\xBF\xBD"},
      {"three bytes for every unit", u"\u20AC\u20AC\u20AC\u20AC\u20AC",
       "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.why);
    TESTfakeJni Fake;
    const COLstring Utf8 = TLMjavaStringToUtf8(Fake.env(), Fake.newString(R.java));
    EXPECT_EQ(std::string(Utf8.c_str(), static_cast<size_t>(Utf8.size())), R.utf8);
    EXPECT_EQ(Fake.borrowedChars(), 0);
    EXPECT_EQ(Fake.calls("ReleaseStringChars"), Fake.calls("GetStringChars"));
    EXPECT_LE(Fake.calls("GetStringChars"), 1);
    EXPECT_EQ(Fake.calls("GetStringUTFChars"), 0) << "never JNI's modified UTF-8";
    EXPECT_EQ(Fake.violations(), NoViolations);
  }
}

TEST(TLMjavaString, ToUtf8RaisesWhenTheJvmLendsNoCharacters) {
  TESTfakeJni Fake;
  jstring Text = Fake.newString(u"text");
  Fake.faults.getStringCharsFails = true;
  EXPECT_EQ(TEST_ERROR_OF(TLMjavaStringToUtf8(Fake.env(), Text)),
            (TESTerrorFields{"Unable to get the characters of a Java string to convert to UTF-8.",
                             COL_ERROR_CONVERSION, 0, ""}));
  // Asked once, not again with the OutOfMemoryError pending; nothing to give back.
  EXPECT_EQ(Fake.calls("GetStringChars"), 1);
  EXPECT_EQ(Fake.calls("ReleaseStringChars"), 0);
  EXPECT_EQ(Fake.classNameOf(Fake.pending()), "java/lang/OutOfMemoryError");
  EXPECT_EQ(Fake.violations(), NoViolations);
}

TEST(TLMjavaString, ToUtf8RefusesAStringWhoseRoomWouldNotFitAnInt) {
  TESTfakeJni Fake;
  jstring Text = Fake.newString(u"short, but reported long");
  for (jsize Length : {536870912, 2147483647}) {
    SCOPED_TRACE(Length);
    Fake.faults.stringLength = Length;
    EXPECT_EQ(TEST_ERROR_OF(TLMjavaStringToUtf8(Fake.env(), Text)),
              (TESTerrorFields{"A Java string of " + std::to_string(Length) +
                                   " characters is too long to convert to UTF-8.",
                               COL_ERROR_CONVERSION, 0, ""}));
  }
  EXPECT_EQ(Fake.calls("GetStringChars"), 0);
  EXPECT_EQ(Fake.violations(), NoViolations);
}

}  // namespace
