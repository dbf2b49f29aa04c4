// The scope classes against the fake JNI environment: frames pushed and popped in pairs,
// threads attached and detached only when the scope did it, borrowed characters given back
// once, and the errors of each failing road.
#include "JNI/JNIscopedEnvPointer.h"
#include "JNI/JNIscopedLocalFrame.h"
#include "JNI/JNIscopedStringChars.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const std::vector<std::string> None;

TEST(JNIscopedLocalFrame, PushesOnConstructionAndPopsEverythingMadeInside) {
  TESTfakeJni fake;
  {
    JNIscopedLocalFrame frame(fake.env(), 16);
    EXPECT_EQ(fake.openFrames(), 1);
    fake.env()->NewStringUTF("dropped with the frame");
    fake.env()->NewStringUTF("dropped too");
  }
  EXPECT_EQ(fake.openFrames(), 0);
  EXPECT_EQ(fake.pushedCapacities(), std::vector<jint>{16});
  EXPECT_EQ(fake.localReferences(), 0);
  EXPECT_EQ(fake.violations(), None);
}

TEST(JNIscopedLocalFrame, FailedPushRaisesWithTheCapacityAndPopsNothing) {
  TESTfakeJni fake;
  fake.faults.pushLocalFrameFailsFrom = 16;
  EXPECT_EQ(TEST_ERROR_OF(JNIscopedLocalFrame(fake.env(), 16)),
            (TESTerrorFields{"Unable to prepare enough references (16) for local reference frame",
                             COL_ERROR_PRECONDITION, 26, "JNIscopedLocalFrame"}));
  EXPECT_EQ(fake.calls("PopLocalFrame"), 0);
}

// What the environment scope does on a thread, for each answer of GetEnv and of
// AttachCurrentThread.
TEST(JNIscopedEnvPointer, AttachesOnlyWhenDetachedAndDetachesOnlyWhatItAttached) {
  struct Row {
    const char* why;
    bool onNewThread;
    void (*setUp)(TESTfakeJni::Faults&);
    TESTerrorFields error;  // empty description: no error
    int attaches;
    int detaches;
  };
  const Row rows[] = {
      {"an attached thread is used as it is", false, [](TESTfakeJni::Faults&) {}, {}, 0, 0},
      {"an unknown thread is attached and detached", true, [](TESTfakeJni::Faults&) {}, {}, 1, 1},
      {"another GetEnv answer with an environment is accepted", false,
       [](TESTfakeJni::Faults& f) {
         f.getEnvOverridden = true;
         f.getEnvResult = JNI_EVERSION;
       },
       {}, 0, 0},
      {"no environment names GetEnv's code", false,
       [](TESTfakeJni::Faults& f) {
         f.getEnvOverridden = true;
         f.getEnvResult = JNI_EVERSION;
         f.getEnvGivesEnv = false;
       },
       {"Failed to retrieve JNI Environment from Java Virtual Machine (error code=-3).", COL_ERROR_PRECONDITION,
        40, "JNIscopedEnvPointer"},
       0, 0},
      {"a failed attach names its code and is not detached", true,
       [](TESTfakeJni::Faults& f) {
         f.attachOverridden = true;
         f.attachResult = JNI_ENOMEM;
       },
       {"Failed to attach thread to the Java Virtual Machine (error code=-4).", COL_ERROR_PRECONDITION,
        32, "JNIscopedEnvPointer"},
       1, 0},
      {"an attach that gives no environment fails with code 0", true,
       [](TESTfakeJni::Faults& f) {
         f.attachOverridden = true;
         f.attachGivesEnv = false;
       },
       {"Failed to attach thread to the Java Virtual Machine (error code=0).", COL_ERROR_PRECONDITION,
        32, "JNIscopedEnvPointer"},
       1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    row.setUp(fake.faults);
    TESTerrorFields error{};
    bool attachedInside = false;
    bool attachedAfter = true;
    auto body = [&] {
      try {
        JNIscopedEnvPointer scope(fake.vm(), 0x10002);
        EXPECT_EQ(scope.pEnv, fake.env());
        attachedInside = fake.currentThreadAttached();
      } catch (const COLerror& caught) {
        error = TESTfieldsOf(caught);
      }
      attachedAfter = fake.currentThreadAttached();
    };
    if (row.onNewThread) {
      std::thread(body).join();
      EXPECT_FALSE(attachedAfter);
    } else {
      body();
      EXPECT_TRUE(attachedAfter);
    }
    EXPECT_EQ(error, row.error);
    if (row.error.description.empty()) {
      EXPECT_TRUE(attachedInside);
    }
    EXPECT_EQ(fake.calls("AttachCurrentThread"), row.attaches);
    EXPECT_EQ(fake.calls("DetachCurrentThread"), row.detaches);
    EXPECT_EQ(fake.violations(), None);
  }
}

TEST(JNIscopedStringChars, GivesBackWhatIsSetOnce) {
  TESTfakeJni fake;
  JNIEnv* env = fake.env();
  jstring text = fake.newString(u"caf\u00e9");
  {
    JNIscopedStringChars nothing(env, text);
  }
  {
    JNIscopedStringChars both(env, text);
    both.pChars = env->GetStringChars(text, nullptr);
    both.pUtfChars = env->GetStringUTFChars(text, nullptr);
    EXPECT_EQ(fake.borrowedChars(), 2);
  }
  {
    JNIscopedStringChars utfOnly(env, text);
    utfOnly.pUtfChars = env->GetStringUTFChars(text, nullptr);
  }
  EXPECT_EQ(fake.borrowedChars(), 0);
  EXPECT_EQ(fake.calls("ReleaseStringChars"), 1);
  EXPECT_EQ(fake.calls("ReleaseStringUTFChars"), 2);
  EXPECT_EQ(fake.violations(), None);
}

}  // namespace
