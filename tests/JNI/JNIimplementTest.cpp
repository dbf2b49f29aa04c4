// The error roads against the fake JNI environment: error handles to C++ errors, C++ errors
// to exactly one pending Java exception (a pending one giving way, no JNI call made while
// it is pending), and the fatal texts on the roads where no exception can be raised.
#include "JNI/JNIheldClass.h"
#include "JNI/JNIimplement.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace {

const std::vector<std::string> None;
const char Bridge[] = "test/BridgeException";
void* const AllOnes = reinterpret_cast<void*>(~std::uintptr_t(0));
void* const SomeHandle = reinterpret_cast<void*>(std::uintptr_t(0x7f0012345678));

TEST(JNIcheckDllResult, NullPassesAllOnesIsUnhandledAndEveryOtherHandleIsCarried) {
  JNIcheckDllResult(nullptr);
  try {
    JNIcheckDllResult(AllOnes);
    ADD_FAILURE() << "nothing thrown";
  } catch (const LEGerror&) {
    ADD_FAILURE() << "the all-ones handle is no error object";
  } catch (const COLerror& error) {
    EXPECT_EQ(TESTfieldsOf(error), (TESTerrorFields{"Unhandled exception", COL_ERROR_PRECONDITION, 0, ""}));
  }
  try {
    JNIcheckDllResult(SomeHandle);
    ADD_FAILURE() << "nothing thrown";
  } catch (const LEGerror& error) {
    const JNIdllError* dllError = dynamic_cast<const JNIdllError*>(&error);
    ASSERT_NE(dllError, nullptr);
    EXPECT_EQ(dllError->handle(), SomeHandle);
    EXPECT_EQ(TESTfieldsOf(error), (TESTerrorFields{"", COL_ERROR_PRECONDITION, 0, ""}));
    EXPECT_EQ(error.countOfParameter(), 0);
  }
}

TEST(JNIdllError, ACopyKeepsTheHandleAndTheParameters) {
  JNIdllError error(SomeHandle);
  error.setParameter("call", "TLMsend");
  JNIdllError copy(error);
  EXPECT_EQ(copy.handle(), SomeHandle);
  EXPECT_TRUE(copy.equals(error));
}

TEST(JNIcheckNotNull, ANullArgumentRaisesItsText) {
  TESTfakeJni fake;
  JNIcheckStringNotNull(fake.newString(u""), "Host", "setHost");
  JNIcheckDateNotNull(fake.newObject("java/util/Date"), "Start", "setRange");
  EXPECT_EQ(TEST_ERROR_OF(JNIcheckStringNotNull(nullptr, "Host", "setHost")),
            (TESTerrorFields{"The string variable Host in method setHost cannot be null.", COL_ERROR_PRECONDITION,
                             149, "JNIimplement"}));
  EXPECT_EQ(TEST_ERROR_OF(JNIcheckDateNotNull(nullptr, "Start", "setRange")),
            (TESTerrorFields{"The date variable Start in method setRange cannot be null.", COL_ERROR_PRECONDITION,
                             158, "JNIimplement"}));
}

TEST(JNIcreateObjectFromHandle, NeedsTheClassAndItsLongConstructor) {
  struct Row {
    const char* why;
    const char* classPath;
    const char* pendingAfter;  // null: an object is made
  };
  const Row rows[] = {
      {"made", Bridge, nullptr},
      {"no class", "test/Missing", "java/lang/NoClassDefFoundError"},
      {"no (J)V constructor", "test/NoLongConstructor", "java/lang/NoSuchMethodError"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    fake.defineHandleClass(Bridge, "java/lang/RuntimeException");
    fake.defineClass("test/NoLongConstructor");
    jobject made = JNIcreateObjectFromHandle(fake.env(), row.classPath, SomeHandle);
    if (row.pendingAfter == nullptr) {
      EXPECT_EQ(fake.classNameOf(made), Bridge);
      EXPECT_EQ(fake.valueOf(made), static_cast<jlong>(0x7f0012345678));
      EXPECT_EQ(fake.pending(), nullptr);
    } else {
      EXPECT_EQ(made, nullptr);
      EXPECT_EQ(fake.classNameOf(fake.pending()), row.pendingAfter);
    }
    EXPECT_EQ(fake.violations(), None);
  }
}

// Each road leaves one exception of the bridge's class pending, whether one was pending
// before or not, and makes no JNI call while one is pending.
TEST(JNIthrowException, LeavesExactlyTheBridgeExceptionPending) {
  LEGerror described("Connection refused", 17);
  described.setParameter("port", 2575);
  JNIdllError carried(SomeHandle);
  struct Row {
    const char* why;
    const LEGerror* error;
    bool pendingBefore;
    bool byHandle;
  };
  const Row rows[] = {
      {"a description", &described, false, false},
      {"a description over a pending exception", &described, true, false},
      {"a handle", &carried, false, true},
      {"a handle over a pending exception", &carried, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    fake.defineHandleClass(Bridge, "java/lang/RuntimeException");
    if (row.pendingBefore) fake.throwPending("java/lang/IllegalStateException", "earlier");
    JNIthrowException(fake.env(), Bridge, *row.error);
    jthrowable thrown = fake.pending();
    ASSERT_NE(thrown, nullptr);
    EXPECT_EQ(fake.classNameOf(thrown), Bridge);
    if (row.byHandle) {
      EXPECT_EQ(fake.valueOf(thrown), static_cast<jlong>(0x7f0012345678));
      EXPECT_EQ(fake.calls("ThrowNew"), 0);
    } else {
      // The description alone: parameters only appear in the fatal texts.
      EXPECT_EQ(fake.messageOf(thrown), "Connection refused");
      EXPECT_EQ(fake.calls("Throw"), 0);
    }
    EXPECT_EQ(fake.violations(), None);
    EXPECT_EQ(fake.fatalErrors(), None);
  }
}

// Where no exception can be raised the JVM is ended; a FatalError that returns (as the
// fake's does) leaves nothing pending.
TEST(JNIthrowException, EndsTheJvmWithTheFatalTextWhenNoExceptionCanBeRaised) {
  LEGerror described("lost", COL_ERROR_PRECONDITION);
  described.setParameter("key", "value");
  JNIdllError carried(SomeHandle);
  const std::string printed = "Error Code: 0x80000100\r\nDescription: lost\r\nkey: value\r\n";
  struct Row {
    const char* why;
    const LEGerror* error;
    std::function<void(TESTfakeJni&)> breakIt;
    std::string text;
  };
  const Row rows[] = {
      {"no class for a description", &described, [](TESTfakeJni& f) { f.removeClass(Bridge); },
       "JNIimplement:38 Fatal error: Java exception class not found (Java exception class: \"test/BridgeException\", "
       "local exception description: \"" + printed + "\")"},
      {"ThrowNew fails", &described, [](TESTfakeJni& f) { f.faults.throwNewResult = -1; },
       "JNIimplement:46 Fatal error: Failed to throw Java exception (Java exception class: \"test/BridgeException\", "
       "local exception description: \"" + printed + "\")"},
      {"no class for a handle", &carried, [](TESTfakeJni& f) { f.removeClass(Bridge); },
       "JNIimplement:63 Fatal error: Failed to create Java exception (Java exception class: \"test/BridgeException\")"},
      {"no (J)V constructor", &carried, [](TESTfakeJni& f) { f.removeMethod(Bridge, "<init>", "(J)V"); },
       "JNIimplement:63 Fatal error: Failed to create Java exception (Java exception class: \"test/BridgeException\")"},
      {"Throw fails", &carried, [](TESTfakeJni& f) { f.faults.throwResult = -1; },
       "JNIimplement:73 Fatal error: Failed to throw Java exception (Java exception class: \"test/BridgeException\")"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    fake.defineHandleClass(Bridge, "java/lang/RuntimeException");
    row.breakIt(fake);
    fake.throwPending("java/lang/IllegalStateException", "earlier");
    JNIthrowException(fake.env(), Bridge, *row.error);
    EXPECT_EQ(fake.fatalErrors(), std::vector<std::string>{row.text});
    EXPECT_EQ(fake.pending(), nullptr);
    EXPECT_EQ(fake.violations(), None);
  }
}

// A JVM out of stack or memory cannot make the exception; its own error is what reports
// the failure then, and it stays pending: ending the JVM is only for the roads where
// nothing is pending. A handle that no exception adopted goes back through the release.
std::vector<void*> Released;
void recordRelease(void* handle) { Released.push_back(handle); }

TEST(JNIthrowException, LeavesTheJvmsOwnErrorPendingWhenTheExceptionCannotBeMade) {
  LEGerror described("lost", COL_ERROR_PRECONDITION);
  JNIdllError carried(SomeHandle);
  struct Row {
    const char* why;
    const LEGerror* error;
    std::function<void(TESTfakeJni&)> breakIt;
    const char* left;  // the class of the exception left pending
  };
  const Row rows[] = {
      {"no memory for the object", &carried, [](TESTfakeJni& f) { f.faults.newObjectFails = true; },
       "java/lang/OutOfMemoryError"},
      {"no stack for the constructor", &carried,
       [](TESTfakeJni& f) {
         f.defineMethod(Bridge, "<init>", "(J)V", [&f](jobject, const std::vector<jvalue>&) {
           f.throwPending("java/lang/StackOverflowError", "");
           return jvalue{};
         });
       },
       "java/lang/StackOverflowError"},
      {"no stack to find the class of a handle's exception", &carried,
       [](TESTfakeJni& f) { f.faults.findClassFailsWith = "java/lang/StackOverflowError"; },
       "java/lang/StackOverflowError"},
      {"no stack to find the class of a described exception", &described,
       [](TESTfakeJni& f) { f.faults.findClassFailsWith = "java/lang/StackOverflowError"; },
       "java/lang/StackOverflowError"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    fake.defineHandleClass(Bridge, "java/lang/RuntimeException");
    row.breakIt(fake);
    Released.clear();
    JNIthrowException(fake.env(), Bridge, *row.error, recordRelease);
    EXPECT_EQ(fake.fatalErrors(), None);
    EXPECT_EQ(fake.classNameOf(fake.pending()), row.left);
    EXPECT_EQ(Released, row.error == &carried ? std::vector<void*>{SomeHandle} : std::vector<void*>{});
    EXPECT_EQ(fake.violations(), None);
  }
  // Any other exception from the constructor still ends the JVM, and the handle is not
  // given back (the fatal end comes first).
  TESTfakeJni fake;
  fake.defineHandleClass(Bridge, "java/lang/RuntimeException");
  fake.defineMethod(Bridge, "<init>", "(J)V", [&fake](jobject, const std::vector<jvalue>&) {
    fake.throwPending("java/lang/IllegalStateException", "refused");
    return jvalue{};
  });
  Released.clear();
  JNIthrowException(fake.env(), Bridge, carried, recordRelease);
  EXPECT_EQ(fake.fatalErrors().size(), 1u);
  EXPECT_EQ(fake.pending(), nullptr);
  EXPECT_EQ(Released, std::vector<void*>{});
  EXPECT_EQ(fake.violations(), None);
}

// The class is held weakly: it keeps no loader alive, and once it has been unloaded the
// next hold() finds the class that another loader has brought.
TEST(JNIheldClass, HoldsNoStrongReferenceAndFindsTheClassAgainOnceUnloaded) {
  TESTfakeJni fake;
  const char Wrapper[] = "test/EventObject";
  JNIheldClass held(Wrapper);
  held.hold(fake.env());
  EXPECT_FALSE(held.held()) << "no class yet";
  EXPECT_EQ(fake.pending(), nullptr);
  EXPECT_EQ(held.createObject(fake.env(), SomeHandle), nullptr);
  EXPECT_EQ(fake.pending(), nullptr);

  fake.defineHandleClass(Wrapper);
  held.hold(fake.env());
  ASSERT_TRUE(held.held());
  EXPECT_EQ(fake.globalReferences(), 0);
  EXPECT_EQ(fake.weakGlobalReferences(), 1);
  jobject first = held.createObject(fake.env(), SomeHandle);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(fake.valueOf(first), static_cast<jlong>(0x7f0012345678));
  jclass firstClass = fake.env()->GetObjectClass(first);

  fake.unloadClass(Wrapper);
  EXPECT_EQ(held.createObject(fake.env(), SomeHandle), nullptr) << "an unloaded class makes nothing";
  EXPECT_EQ(fake.pending(), nullptr);
  fake.defineHandleClass(Wrapper);
  held.hold(fake.env());
  jobject second = held.createObject(fake.env(), SomeHandle);
  ASSERT_NE(second, nullptr);
  jclass secondClass = fake.env()->GetObjectClass(second);
  EXPECT_FALSE(fake.env()->IsSameObject(firstClass, secondClass)) << "the new loader's class";
  EXPECT_EQ(fake.weakGlobalReferences(), 1) << "the old reference was given back";
  EXPECT_EQ(fake.globalReferences(), 0);
  EXPECT_EQ(fake.violations(), None);
}

}  // namespace
