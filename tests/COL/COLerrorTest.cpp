// COLerror, the failure sequences, reference counting and the error texts.
#include "COL/COLerror.h"

#include "COL/COLostream.h"
#include "COL/COLsink.h"
#include "tests/support/TESTsupport.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace {

std::string printed(const COLerror& error) {
  COLostreamString stream;
  stream << error;
  EXPECT_TRUE(stream.is_decimal());
  return stream.c_str();
}

TEST(COLerror, PrintedFormHasTwoLinesWithoutAFileAndFourWithOne) {
  struct Case {
    COLerror error;
    std::string text;
  } cases[] = {
      {COLerror("Bad value", static_cast<int>(0x80000100)),
       "Error Code: 0x80000100\r\nDescription: Bad value\r\n"},
      {COLerror("Conversion", static_cast<int>(0x80000500)),
       "Error Code: 0x80000500\r\nDescription: Conversion\r\n"},
      {COLerror("small", 5), "Error Code: 0x5\r\nDescription: small\r\n"},
      {COLerror("at a place", 42, "COLstring", 0x1F),
       "Error Code: 0x1F\r\nDescription: at a place\r\nLine: 42\r\nFile: COLstring\r\n"},
      {COLerror("a line but no file", 42, nullptr, 7), "Error Code: 0x7\r\nDescription: a line but no file\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(printed(c.error), c.text);
}

TEST(COLerror, EqualityComparesCodeAndDescriptionOnly) {
  COLerror base("text", 10, "A", 1);
  EXPECT_TRUE(base == COLerror("text", 99, "B", 1));
  EXPECT_TRUE(base == COLerror("text", 1));
  EXPECT_FALSE(base == COLerror("text", 2));
  EXPECT_FALSE(base == COLerror("Text", 1));
  EXPECT_FALSE(COLerror(COLstring("a\0b", 3), 1) == COLerror(COLstring("a\0c", 3), 1));
}

TEST(COLerror, ConstructorsAndAssignmentCarryTheFields) {
  COLerror original("desc", 12, "COLfile", 3);
  EXPECT_EQ(TESTfieldsOf(COLerror(original, 9)), (TESTerrorFields{"desc", 9, 12, "COLfile"}));
  EXPECT_EQ(TESTfieldsOf(COLerror(original)), (TESTerrorFields{"desc", 3, 12, "COLfile"}));
  EXPECT_EQ(TESTfieldsOf(COLerror("plain", 4)), (TESTerrorFields{"plain", 4, 0, ""}));

  COLerror* target = new COLerror("other", 1);
  target->add_ref();
  *target = original;
  EXPECT_EQ(TESTfieldsOf(*target), (TESTerrorFields{"desc", 3, 12, "COLfile"}));
  EXPECT_EQ(target->ref_count(), 1);
  target->set_description("changed");
  target->set_code(77);
  EXPECT_EQ(TESTfieldsOf(*target), (TESTerrorFields{"changed", 77, 12, "COLfile"}));
  target->release();
}

class Counted : public COLrefCounted {
public:
  explicit Counted(bool* destroyed) : m_Destroyed(destroyed) {}
  Counted(const Counted& other) : COLrefCounted(other), m_Destroyed(other.m_Destroyed) {}
  ~Counted() override { *m_Destroyed = true; }

private:
  bool* m_Destroyed;
};

TEST(COLrefCounted, LastReleaseDeletesAndCopiesStartUnshared) {
  bool destroyed = false;
  Counted* shared = new Counted(&destroyed);
  shared->add_ref();
  shared->add_ref();
  {
    Counted copy(*shared);
    EXPECT_EQ(copy.ref_count(), 0);
  }
  destroyed = false;
  shared->release();
  EXPECT_FALSE(destroyed);
  shared->release();
  EXPECT_TRUE(destroyed);
}

TEST(COLrefCounted, ReleaseWithoutHoldersIsAFailedPrecondition) {
  bool destroyed = false;
  Counted local(&destroyed);
  EXPECT_EQ(TEST_ERROR_OF(local.release()),
            (TESTerrorFields{"Failed precondition: m_CountOfRef > 0", static_cast<int>(0x80000100),
                             39, "COLrefCounted"}));
  EXPECT_FALSE(destroyed);
}

TEST(COLrefCountedDeathTest, DestroyingASharedObjectIsFatal) {
  const char* message = "COLrefCounted:27 Assertion failed: 0 == m_CountOfRef";
  EXPECT_DEATH(
      {
        TESTstandardOutputToStandardError();
        bool destroyed = false;
        Counted local(&destroyed);
        local.add_ref();
      },
      TESTexactly(std::string(message) + "\nFatal Error. Abort with message: " + message));
}

COLstring Extra;
void extendingCallback(COLostream& message) { message << " (seen by " << Extra << ")"; }

TEST(COLfailure, PreconditionAndPostconditionTexts) {
  EXPECT_EQ(TEST_ERROR_OF(COL_PRECONDITION(1 == 2, 77, "COLsomewhere")),
            (TESTerrorFields{"Failed precondition: 1 == 2", static_cast<int>(0x80000100), 77, "COLsomewhere"}));
  EXPECT_EQ(TEST_ERROR_OF(COL_POSTCONDITION(false, 5, "COLelsewhere")),
            (TESTerrorFields{"Failed postcondition:false", static_cast<int>(0x80000101), 5, "COLelsewhere"}));
}

TEST(COLfailure, TheCallbackExtendsTheDescription) {
  EXPECT_EQ(COLfailureCallback(), &COLdefaultFailureCallback);
  Extra = "the callback";
  COLsetFailureCallback(extendingCallback);
  TESTerrorFields fields = TEST_ERROR_OF(COL_PRECONDITION(false, 1, "COLx"));
  COLsetFailureCallback(COLdefaultFailureCallback);
  EXPECT_EQ(fields.description, "Failed precondition: false (seen by the callback)");
}

TEST(COLfailureDeathTest, TheAbortFlagEndsTheProcessWithoutAnError) {
  EXPECT_FALSE(COLabortOnFailure());
  EXPECT_DEATH(
      {
        COLsetAbortOnFailure(true);
        try {
          COL_PRECONDITION(false, 1, "COLx");
        } catch (...) {
          exit(0);
        }
      },
      "");
}

TEST(COLfailure, WindowsErrorTextIsTheSystemsOwnOrEmpty) {
  // The system's wording differs between Windows, Wine and our layer: compare with it.
  COLstring known = COLwindowsErrorText(2);
  EXPECT_FALSE(known.is_null());
  EXPECT_TRUE(COLwindowsErrorText(0x2345678).is_null());

  struct Case {
    const char* text;
    int line;
    const char* file;
    std::string before;
  } cases[] = {
      {"Opening 'x' failed", 12, "REGregistry", "Opening 'x' failed on line 12 in REGregistry - "},
      {"no position", -1, "REGregistry", "no position"},
      {"no file", 12, nullptr, "no file"},
      {nullptr, 7, "FILutils", " on line 7 in FILutils - "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TEST_ERROR_OF(COLraiseWindowsError(2, c.text, c.line, c.file)),
              (TESTerrorFields{c.before + TESTtext(known), 2, 0, ""}));
  }
  EXPECT_EQ(TEST_ERROR_OF(COLraiseWindowsError(0x2345678, "only mine", 3, "F")).description,
            "only mine on line 3 in F - ");
}

TEST(COLfailure, RuntimeErrorTextIsStrerror) {
  EXPECT_EQ(TESTtext(COLstrerror(ENOENT)), std::string(strerror(ENOENT)));
}

}  // namespace
