// The fake JNI environment itself, where the framework's tests do not already lean on it:
// arguments reach a method body as the signature lists them, strings keep their text both
// ways, misuse is recorded, and an entry nobody filled ends the test program by name.
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

namespace {

TEST(TESTfakeJni, ArgumentsReachTheBodyInEveryCallForm) {
  TESTfakeJni fake;
  JNIEnv* env = fake.env();
  std::vector<jvalue> seen;
  fake.defineMethod("test/Target", "take", "(ZIJD[BLjava/lang/String;)I",
                    [&](jobject, const std::vector<jvalue>& args) {
                      seen = args;
                      jvalue result{};
                      result.i = 42;
                      return result;
                    });
  jobject target = fake.newObject("test/Target");
  jstring text = fake.newString(u"x");
  jmethodID take = env->GetMethodID(env->GetObjectClass(target), "take", "(ZIJD[BLjava/lang/String;)I");
  auto check = [&](const char* form, jint result) {
    SCOPED_TRACE(form);
    EXPECT_EQ(result, 42);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].z, JNI_TRUE);
    EXPECT_EQ(seen[1].i, -7);
    EXPECT_EQ(seen[2].j, 0x123456789abcLL);
    EXPECT_EQ(seen[3].d, 2.5);
    EXPECT_EQ(seen[4].l, nullptr);
    EXPECT_EQ(seen[5].l, text);
  };
  check("varargs", env->CallIntMethod(target, take, JNI_TRUE, -7, 0x123456789abcLL, 2.5, nullptr, text));
  jvalue args[6];
  args[0].z = JNI_TRUE;
  args[1].i = -7;
  args[2].j = 0x123456789abcLL;
  args[3].d = 2.5;
  args[4].l = nullptr;
  args[5].l = text;
  check("array", env->CallIntMethodA(target, take, args));
  EXPECT_EQ(fake.calls("CallIntMethod"), 2);
}

TEST(TESTfakeJni, StringsKeepTheirTextInModifiedUtf8) {
  TESTfakeJni fake;
  JNIEnv* env = fake.env();
  // A zero as two bytes and a supplementary character as two three-byte halves.
  const std::u16string text(u"a\u0000\u00e9\u4e2d\U0001F600", 6);
  const std::string modified = "a\xC0\x80\xC3\xA9\xE4\xB8\xAD\xED\xA0\xBD\xED\xB8\x80";
  jstring string = fake.newString(text);
  const char* utf = env->GetStringUTFChars(string, nullptr);
  EXPECT_EQ(std::string(utf), modified);
  EXPECT_EQ(env->GetStringUTFLength(string), static_cast<jsize>(modified.size()));
  env->ReleaseStringUTFChars(string, utf);
  EXPECT_EQ(fake.textOf(env->NewStringUTF(modified.c_str())), text);
  EXPECT_EQ(env->GetStringLength(string), 6);
}

TEST(TESTfakeJni, MisuseIsRecorded) {
  TESTfakeJni fake;
  JNIEnv* env = fake.env();
  jstring string = fake.newString(u"x");
  const jchar* chars = env->GetStringChars(string, nullptr);
  env->ReleaseStringChars(string, chars);
  env->ReleaseStringChars(string, chars);
  env->PopLocalFrame(nullptr);
  fake.throwPending("java/lang/IllegalStateException", "pending");
  env->FindClass("java/lang/String");
  env->ExceptionClear();
  EXPECT_EQ(fake.violations(), (std::vector<std::string>{"ReleaseStringChars of characters not borrowed",
                                                         "PopLocalFrame without a pushed frame",
                                                         "FindClass called with an exception pending"}));
}

TEST(TESTfakeJniDeathTest, AnUnfilledEntryEndsTheProgramByName) {
  EXPECT_DEATH(
      {
        TESTfakeJni fake;
        fake.env()->MonitorEnter(fake.newObject("java/lang/Object"));
      },
      "JNIEnv entry MonitorEnter is not filled");
}

}  // namespace
