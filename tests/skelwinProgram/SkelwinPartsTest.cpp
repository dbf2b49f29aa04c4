// Skelwin's pieces in the test's own process: the path-list operations, and the registry
// reads and writes with their preconditions and the environment-change notice.
#include "skelwin/main.h"
#include "skelwin/SKELtext.h"

#include "COL/COLostream.h"
#include "COL/COLsink.h"
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  LEGvector<COLstring> pieces;
  pieces.push_back("kept");
  splitPathList(pieces, COLstring(text.c_str()), COLstring(separator.c_str()));
  std::vector<std::string> all;
  for (int i = 0; i < pieces.size(); ++i) all.push_back(TESTtext(pieces[i]));
  return all;
}

TEST(SkelwinPathList, SplittingKeepsEveryItemAsItStands) {
  struct Case {
    const char* text;
    const char* separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"", ";", {""}},
      {"a", ";", {"a"}},
      {"a;", ";", {"a", ""}},
      {";a", ";", {"", "a"}},
      {"a;;b", ";", {"a", "", "b"}},
      {";", ";", {"", ""}},
      {" a ; \"b c\" ;%X%", ";", {" a ", " \"b c\" ", "%X%"}},
      {"a::b:c", "::", {"a", "b:c"}},
      {"a;b", "", {"a;b"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
    EXPECT_EQ(split(c.text, c.separator), expected) << '"' << c.text << "\" at \"" << c.separator << '"';
  }
}

TEST(SkelwinPathList, ItemsMatchWithoutRegardToCase) {
  struct Case {
    const char* list;
    const char* item;
    bool contained;
  } cases[] = {
      {"C:\\A;C:\\Tools", "c:\\tOOLS", true},
      {"C:\\Tools", "C:\\Tools\\", false},
      {"C:\\Tools\\", "C:\\Tools", false},
      {" C:\\A", "C:\\A", false},
      // Ä and ä in the test program's code page 1252 under Wine, the same directory; natively
      // bytes that are no UTF-8, compared byte for byte.
      {"C:\\\xC4", "c:\\\xE4", TESTwindowsBuild},
      {"C:\\A;;C:\\B", "", true},
      {"C:\\A;", "", true},
      {"C:\\A", "", false},
      {"", "", true},
      {"", "C:\\A", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pathListContains(c.list, c.item), c.contained) << '"' << c.list << "\" holds \"" << c.item << '"';
}

// The lead bytes of code page 932, the predicate a Japanese Windows answers with.
bool leadsIn932(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
bool leadsNever(unsigned char) { return false; }

TEST(SkelwinPathList, TheComparisonFormLowersAToZButNoTrailByte) {
  struct Case {
    const char* why;
    SKELleadBytePredicate leads;
    const char* item;
    const char* form;
  } cases[] = {
      {"A to Z only", leadsNever, "C:\\Tools\\\xC4\xD6[Z]", "c:\\tools\\\xC4\xD6[z]"},
      {"UTF-8 has no letter among its bytes", leadsNever, "C:\\\xCE\xA9\xF0\x9F\x98\x80",
       "c:\\\xCE\xA9\xF0\x9F\x98\x80"},
      // \x93\x4E and \x93\x6E are two different characters of 932.
      {"the trail byte stays, the letters after it are lowered", leadsIn932, "C:\\\x93\x4E\x95\xD3\\BIN",
       "c:\\\x93\x4E\x95\xD3\\bin"},
      {"a trail byte that is a lead byte's value is still a trail byte", leadsIn932, "\x81\x81" "A\x81N",
       "\x81\x81" "a\x81N"},
      {"a lead byte at the end has nothing to skip", leadsIn932, "AB\x93", "ab\x93"},
  };
  for (const Case& c : cases) EXPECT_EQ(TESTtext(SKELcomparisonForm(c.item, c.leads)), c.form) << c.why;
}

TEST(SkelwinPathList, RebuiltListsJoinTheNonEmptyItems) {
  struct Case {
    const char* why;
    COLstring (*operation)(const COLstring&, const COLstring&);
    const char* list;
    const char* item;
    const char* result;
  } cases[] = {
      {"add to nothing", pathListAdd, "", "C:\\x", "C:\\x"},
      {"add drops empty items", pathListAdd, ";a;;b;", "c", "a;b;c"},
      {"add does not look for the item", pathListAdd, "a", "A", "a;A"},
      {"add of an empty item rebuilds only", pathListAdd, "a;;b", "", "a;b"},
      {"add to separators only", pathListAdd, ";;", "x", "x"},
      {"remove every match, in any case", pathListRemove, "a;A;b;;a;", "a", "b"},
      {"remove keeps the order of the rest", pathListRemove, "c;a;b", "a", "c;b"},
      {"remove of an absent item drops only empty items", pathListRemove, "a;;b", "c", "a;b"},
      {"remove of the empty item", pathListRemove, ";a;;b;", "", "a;b"},
      {"remove of the only item", pathListRemove, "a", "A", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TESTtext(c.operation(c.list, c.item)), c.result) << c.why;
}

TEST(SkelwinPathList, PrintedItemsAreTheNonEmptyOnesUnderTheirLabel) {
  COLstring printed;
  COLstandardOutput.set_sink(new COLsinkString(printed), true);
  printPathItems("User", "a;;%B%;");
  printPathItems("System", "");
  COLstandardOutput.set_sink(new COLsinkStandardOut, true);
  EXPECT_EQ(TESTtext(printed), "User PATH items:\r\na\r\n%B%\r\n\r\nSystem PATH items:\r\n\r\n");
}

using SkelwinEnvironment = SKELregistryFixture;

TEST_F(SkelwinEnvironment, AWriteKeepsTheTypeAndItsNoticeIsDelivered) {
  seed(SKELuser, SKELtext(REG_EXPAND_SZ, "%A%"));
  seed(SKELmachine, SKELtext(REG_SZ, "C:\\M"));
  EXPECT_EQ(TESTtext(getUserEnvironmentValue("PATH")), "%A%");
  EXPECT_EQ(TESTtext(getSystemEnvironmentValue("path")), "C:\\M");

  // A sent notice is delivered; Windows refuses to post this one, pointer and all.
  EXPECT_GT(setUserEnvironmentValue("PATH", "%A%;C:\\B"), 0);
  EXPECT_EQ(stored(SKELuser), SKELtext(REG_EXPAND_SZ, "%A%;C:\\B"));
  EXPECT_GT(setSystemEnvironmentValue("PATH", ""), 0);
  EXPECT_EQ(stored(SKELmachine), SKELtext(REG_SZ, ""));
  if (!TESTwindowsBuild) {
    EXPECT_EQ(notices(), 2);
  }
}

TEST_F(SkelwinEnvironment, OnlyStringValuesAreReadAndWritten) {
  const SKELstoredValue dword{true, REG_DWORD, std::string("\x01\0\0\0", 4)};
  const SKELstoredValue multi{true, REG_MULTI_SZ, std::string("a\0b\0\0", 5)};
  const std::string failed =
      "Failed precondition: ActualType == REGregistry::REGdefaultString || ActualType == "
      "REGregistry::REGexpandString";
  const int precondition = static_cast<int>(0x80000100);

  seed(SKELuser, SKELmissing());
  seed(SKELmachine, dword);
  EXPECT_EQ(TESTtext(getUserEnvironmentValue("PATH")), "");
  EXPECT_EQ(TESTtext(getSystemEnvironmentValue("PATH")), "");
  EXPECT_EQ(TEST_ERROR_OF(setUserEnvironmentValue("PATH", "x")), (TESTerrorFields{failed, precondition, 55, "main"}));
  EXPECT_EQ(TEST_ERROR_OF(setSystemEnvironmentValue("PATH", "x")),
            (TESTerrorFields{failed, precondition, 35, "main"}));
  EXPECT_EQ(stored(SKELuser), SKELmissing());
  EXPECT_EQ(stored(SKELmachine), dword);

  seed(SKELuser, multi);
  EXPECT_EQ(TESTtext(getUserEnvironmentValue("PATH")), "");
  EXPECT_EQ(TEST_ERROR_OF(setUserEnvironmentValue("PATH", "x")), (TESTerrorFields{failed, precondition, 55, "main"}));
  EXPECT_EQ(stored(SKELuser), multi);
  if (!TESTwindowsBuild) {
    EXPECT_EQ(notices(), 0);
  }
}

}  // namespace
