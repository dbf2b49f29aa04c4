// The error roads and text conversions driven directly through the fake JNI environment:
// what each conversion hands to vrn_core and back, what it frees, the bridge's own heap
// error for a null string, and the guard's last handler.
#include "hl7_bridge/VRNjniImplement.h"

#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTfakeJni.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

class VRNjniImplement : public ::testing::Test {
protected:
  void SetUp() override {
    VRNstandinReset();
    fake.defineHandleClass(VRN_EXCEPTION_CLASS, "java/lang/RuntimeException");
  }
  void TearDown() override {
    EXPECT_EQ(std::vector<std::string>{}, fake.violations());
    EXPECT_EQ(0, fake.borrowedChars());
    EXPECT_EQ(0, VRNstandinLiveCount("error"));
    EXPECT_EQ(0, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(0, VRNstandinLiveCount("wide"));
  }
  // The pending exception's adopted handle, given back; its description first.
  std::string take_pending() {
    jthrowable thrown = fake.pending();
    if (thrown == nullptr) return "<nothing pending>";
    VRNhandle error = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(thrown)));
    std::string text = error ? "" : "text: " + fake.messageOf(thrown);
    if (error) {
      const char* description = nullptr;
      VRNerrorGetDescription(error, &description);
      text = description ? description : "<null>";
      EXPECT_EQ(1, VRNstandinReferenceCount(error)) << text;
      EXPECT_EQ(nullptr, VRNerrorRelease(error));
    }
    fake.clearPending();
    return text;
  }
  TESTfakeJni fake;
};

TEST_F(VRNjniImplement, LibraryTextBecomesAJavaStringAndTheWideTextIsFreed) {
  JNIEnv* env = fake.env();
  EXPECT_EQ(nullptr, VRNjavaStringFromMultiByte(env, nullptr));
  EXPECT_STREQ("", VRNstandinJournal()) << "a null text calls nothing";
  struct Row {
    const char* text;
    std::u16string java;
  };
  const Row rows[] = {{"", u""}, {"HL7", u"HL7"}, {"\xC3\xA9\xE2\x82\xAC", u"\u00e9\u20ac"},
                      {"\xF0\x9F\x98\x80", u"\U0001F600"}};
  for (const Row& row : rows) {
    jstring made = VRNjavaStringFromMultiByte(env, row.text);
    ASSERT_NE(nullptr, made) << row.text;
    EXPECT_EQ(row.java, fake.textOf(made)) << row.text;
  }
  VRNstandinReset();
  try {
    VRNjavaStringFromMultiByte(env, "caf\xE9");
    ADD_FAILURE() << "a Latin-1 text converted";
  } catch (const LEGerror&) {
    EXPECT_EQ(1, VRNstandinCallCount("VRNwideCharFree")) << "freed also after the failed conversion";
    VRNjniRaiseCaught(env);
  }
  EXPECT_EQ("Text is not valid UTF-8", take_pending());
}

TEST_F(VRNjniImplement, AJavaStringBecomesLibraryTextFreedByTheHolder) {
  JNIEnv* env = fake.env();
  {
    VRNmultiByteHolder holder;
    VRNjavaStringToMultiByte(holder.text, env, fake.newString(u"\u00e9\U0001F600"), "Value", "Test");
    EXPECT_STREQ("\xC3\xA9\xF0\x9F\x98\x80", holder.text);
    EXPECT_EQ(1, VRNstandinLiveCount("multibyte"));
  }
  EXPECT_EQ(1, VRNstandinCallCount("VRNmultiByteFree"));

  VRNstandinReset();
  fake.faults.getStringCharsFails = true;
  VRNmultiByteHolder holder;
  EXPECT_THROW(VRNjavaStringToMultiByte(holder.text, env, fake.newString(u"x"), "Value", "Test"),
               VRNjavaExceptionPending);
  fake.faults.getStringCharsFails = false;
  EXPECT_STREQ("", VRNstandinJournal()) << "no characters, no library call";
  EXPECT_EQ("java/lang/OutOfMemoryError", fake.classNameOf(fake.pending()));
  fake.clearPending();
}

// The library reads its text arguments up to the first NUL: a Java string holding U+0000
// is refused before anything reaches it, wherever the character stands, naming the method
// (and the variable where the road has one).
TEST_F(VRNjniImplement, AJavaStringHoldingUPlus0000IsRefusedBeforeTheLibrarySeesIt) {
  JNIEnv* env = fake.env();
  struct Row {
    std::u16string text;
    const char* variable;
  };
  const Row rows[] = {{std::u16string(u"A\0B\rC", 5), "InputString"},
                      {std::u16string(u"\0", 1), ""},
                      {std::u16string(u"MSH|one two|\0", 13), "Message"}};
  for (const Row& row : rows) {
    VRNstandinReset();
    VRNmultiByteHolder holder;
    try {
      VRNjavaStringToMultiByte(holder.text, env, fake.newString(row.text), row.variable, "SomeMethod");
      ADD_FAILURE() << "converted: " << row.variable;
    } catch (const LEGerror& refused) {
      std::string text = refused.description().c_str();
      EXPECT_NE(std::string::npos, text.find("SomeMethod")) << text;
      if (*row.variable) {
        EXPECT_NE(std::string::npos, text.find(row.variable)) << text;
      }
    }
    EXPECT_EQ(nullptr, holder.text);
    EXPECT_EQ(0, VRNstandinCallCount("VRNwideCharToMultiByte")) << "nothing reached the library";
  }
}

TEST_F(VRNjniImplement, ModifiedUtf8BytesAreCopiedAsTheJvmGivesThem) {
  COLstring text = VRNjavaStringUtf8(fake.env(), fake.newString(std::u16string(u"a\0b", 3)));
  EXPECT_EQ(std::string("a\xC0\x80" "b"), std::string(text.c_str(), size_t(text.size())));
}

TEST_F(VRNjniImplement, ANullStringRaisesTheBridgesOwnHeapError) {
  JNIEnv* env = fake.env();
  EXPECT_FALSE(VRNjniCheckNullString(env, fake.newString(u""), "columnIndex"));
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_TRUE(VRNjniCheckNullString(env, nullptr, "columnIndex"));
  jthrowable thrown = fake.pending();
  ASSERT_NE(nullptr, thrown);
  LEGerror* error = static_cast<LEGerror*>(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(thrown))));
  EXPECT_EQ(static_cast<int>(0x80000100), error->code());
  EXPECT_EQ(0, error->countOfParameter());
  EXPECT_EQ("Illegal - Null string passed in argument in method columnIndex", take_pending());
}

TEST_F(VRNjniImplement, TheGuardsTextsAreModifiedUtf8AndNothingEscapesIt) {
  JNIEnv* env = fake.env();
  VRNguardedCall(env, [] { throw COLerror(COLstring("caf\xE9 failed"), 1); });
  EXPECT_EQ("text: caf\xEF\xBF\xBD failed", take_pending()) << "ThrowNew is given modified UTF-8 only";
  EXPECT_EQ(0, VRNguarded(env, 7, [] { return 0; }));
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_EQ(-1, VRNguarded(env, -1, []() -> int { throw 42; }));
  EXPECT_EQ("text: Unhandled exception", take_pending());
  EXPECT_EQ(-1, VRNguarded(env, -1, []() -> int { throw std::bad_alloc(); }));
  EXPECT_EQ("text: Unhandled exception", take_pending());
  fake.throwPending("java/lang/IllegalStateException", "pending before");
  VRNguardedCall(env, [] { VRNjniCheckResult(VRNunhandledError()); });
  EXPECT_EQ("text: Unhandled exception", take_pending()) << "the bridge's exception replaces one pending";
}

// Out of stack or memory the JVM cannot make the VarnelException: its own error is what
// reaches Java, on both roads, and the error object goes back to vrn_core (the fixture's
// end checks that none is left).
TEST_F(VRNjniImplement, AJvmOutOfRoomKeepsItsOwnErrorAndTheErrorObjectGoesBack) {
  JNIEnv* env = fake.env();
  struct Row {
    const char* why;
    bool direct;
    bool noStack;  // FindClass fails with StackOverflowError; otherwise NewObject with OutOfMemoryError
    const char* left;
  };
  const Row rows[] = {
      {"direct road, no stack to find the class", true, true, "java/lang/StackOverflowError"},
      {"direct road, no memory for the object", true, false, "java/lang/OutOfMemoryError"},
      {"guarded road, no stack to find the class", false, true, "java/lang/StackOverflowError"},
      {"guarded road, no memory for the object", false, false, "java/lang/OutOfMemoryError"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    VRNhandle error = nullptr;
    ASSERT_EQ(nullptr, VRNerrorCreate(&error, "refused"));
    fake.faults.findClassFailsWith = row.noStack ? "java/lang/StackOverflowError" : "";
    fake.faults.newObjectFails = !row.noStack;
    testing::internal::CaptureStdout();
    if (row.direct) {
      VRNjniThrowFromErrorHandle(env, error);
    } else {
      VRNguardedCall(env, [&] { VRNjniCheckResult(error); });
    }
    EXPECT_EQ("", testing::internal::GetCapturedStdout()) << "the class is there";
    fake.faults = TESTfakeJni::Faults();
    EXPECT_EQ(row.left, fake.classNameOf(fake.pending()));
    EXPECT_EQ(std::vector<std::string>{}, fake.fatalErrors());
    EXPECT_EQ(0, VRNstandinLiveCount("error"));
    fake.clearPending();
  }
}

}  // namespace
