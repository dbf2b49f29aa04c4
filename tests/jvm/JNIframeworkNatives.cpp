// The natives of framework.Natives (java/framework): each opens the framework's scopes and
// error roads the way a bridge's native does, so that the JVM suites can drive every road
// with -Xcheck:jni watching. Only the tests load this library.
#include "JNI/JNIimplement.h"
#include "JNI/JNIjavaDateTime.h"
#include "JNI/JNIscopedEnvPointer.h"
#include "JNI/JNIscopedLocalFrame.h"

#include <cstdint>
#include <string>
#include <thread>

namespace {

// The guard of every native: nothing thrown inside leaves it; each error becomes a pending
// exception of the class the caller names.
template <class Result, class Body>
Result guarded(JNIEnv* env, jstring classPath, Body body) {
  std::string path;
  try {
    const char* chars = env->GetStringUTFChars(classPath, nullptr);
    if (chars == nullptr) return Result();
    path = chars;
    env->ReleaseStringUTFChars(classPath, chars);
    return body();
  } catch (const LEGerror& error) {
    JNIthrowException(env, path.c_str(), error);
  } catch (const COLerror& error) {
    JNIthrowException(env, path.c_str(), LEGerrorFrom(error));
  } catch (...) {
    JNIthrowException(env, path.c_str(), LEGerror("Unhandled exception", COL_ERROR_PRECONDITION));
  }
  return Result();
}

const char TestException[] = "framework/TestException";

std::string utf8Of(JNIEnv* env, jstring text) {
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (chars == nullptr) throw COLerror("no characters", COL_ERROR_PRECONDITION);
  std::string result = chars;
  env->ReleaseStringUTFChars(text, chars);
  return result;
}

void* handleOf(jlong value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }

// The road of a callback from an outside library: the environment scope, a frame inside
// it, the Java call, and no exception left behind. Returns what GetEnv says afterwards.
jint callBack(JavaVM* vm, jobject runnable) {
  try {
    {
      JNIscopedEnvPointer scope(vm, 0x10002);
      JNIscopedLocalFrame frame(scope.pEnv, 16);
      jclass type = scope.pEnv->GetObjectClass(runnable);
      jmethodID run = scope.pEnv->GetMethodID(type, "run", "()V");
      if (run == nullptr) {
        scope.pEnv->ExceptionClear();
        return -100;
      }
      scope.pEnv->CallVoidMethod(runnable, run);
      if (scope.pEnv->ExceptionCheck()) scope.pEnv->ExceptionClear();
    }
    JNIEnv* env = nullptr;
    return vm->GetEnv(reinterpret_cast<void**>(&env), 0x10002);
  } catch (...) {
    return -101;
  }
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_framework_Natives_checkString(JNIEnv* env, jclass, jstring classPath, jstring value) {
  guarded<int>(env, classPath, [&] {
    JNIscopedLocalFrame frame(env, 16);
    JNIcheckStringNotNull(value, "value", "checkString");
    return 0;
  });
}

JNIEXPORT void JNICALL Java_framework_Natives_checkDate(JNIEnv* env, jclass, jstring classPath, jobject value) {
  guarded<int>(env, classPath, [&] {
    JNIscopedLocalFrame frame(env, 16);
    JNIcheckDateNotNull(value, "value", "checkDate");
    return 0;
  });
}

JNIEXPORT void JNICALL Java_framework_Natives_checkDllResult(JNIEnv* env, jclass, jstring classPath, jlong handle) {
  guarded<int>(env, classPath, [&] {
    JNIscopedLocalFrame frame(env, 16);
    JNIcheckDllResult(handleOf(handle));
    return 0;
  });
}

JNIEXPORT void JNICALL Java_framework_Natives_throwDescribed(JNIEnv* env, jclass, jstring classPath,
                                                             jstring description, jboolean withParameters) {
  guarded<int>(env, classPath, [&] {
    JNIscopedLocalFrame frame(env, 16);
    LEGerror error(utf8Of(env, description).c_str(), COL_ERROR_PRECONDITION);
    if (withParameters) {
      error.setParameter("host", "example.test");
      error.setParameter("port", 2575);
    }
    throw error;
    return 0;
  });
}

// A Java exception is pending when the native's own error is raised: a handle, or a
// description when the handle is 0.
JNIEXPORT void JNICALL Java_framework_Natives_throwOverPending(JNIEnv* env, jclass, jstring classPath, jlong handle,
                                                               jstring description) {
  guarded<int>(env, classPath, [&] {
    std::string text = utf8Of(env, description);
    jclass illegal = env->FindClass("java/lang/IllegalStateException");
    if (illegal != nullptr) env->ThrowNew(illegal, "pending before the throw");
    if (handle != 0) JNIcheckDllResult(handleOf(handle));
    throw LEGerror(text.c_str(), COL_ERROR_PRECONDITION);
    return 0;
  });
}

JNIEXPORT jobject JNICALL Java_framework_Natives_createObject(JNIEnv* env, jclass, jstring classPath, jlong handle) {
  std::string path = utf8Of(env, classPath);
  return JNIcreateObjectFromHandle(env, path.c_str(), handleOf(handle));
}

JNIEXPORT jdouble JNICALL Java_framework_Natives_dateGet(JNIEnv* env, jclass, jobject date) {
  return guarded<jdouble>(env, env->NewStringUTF(TestException), [&] {
    JNIcheckDateNotNull(date, "date", "dateGet");
    return JNIjavaDateTimeGet(env, date);
  });
}

JNIEXPORT jobject JNICALL Java_framework_Natives_dateCreate(JNIEnv* env, jclass, jdouble value) {
  return guarded<jobject>(env, env->NewStringUTF(TestException), [&] { return JNIjavaDateTimeCreate(env, value); });
}

JNIEXPORT void JNICALL Java_framework_Natives_dateSet(JNIEnv* env, jclass, jobject date, jdouble value) {
  guarded<int>(env, env->NewStringUTF(TestException), [&] {
    JNIjavaDateTimeSet(env, date, value);
    return 0;
  });
}

JNIEXPORT jdouble JNICALL Java_framework_Natives_fromMilliseconds(JNIEnv* env, jclass, jlong milliseconds) {
  return guarded<jdouble>(env, env->NewStringUTF(TestException),
                          [&] { return JNIjavaDateTimeFromMilliseconds(milliseconds); });
}

JNIEXPORT jlong JNICALL Java_framework_Natives_toMilliseconds(JNIEnv* env, jclass, jdouble value) {
  return guarded<jlong>(env, env->NewStringUTF(TestException), [&] { return JNIjavaDateTimeToMilliseconds(value); });
}

// The runnable is called from a thread that the JVM has never seen.
JNIEXPORT jint JNICALL Java_framework_Natives_callBackFromNewThread(JNIEnv* env, jclass, jobject runnable) {
  JavaVM* vm = nullptr;
  if (env->GetJavaVM(&vm) != 0) return -102;
  jobject global = env->NewGlobalRef(runnable);
  jint result = 0;
  std::thread([&] { result = callBack(vm, global); }).join();
  env->DeleteGlobalRef(global);
  return result;
}

JNIEXPORT jint JNICALL Java_framework_Natives_callBackOnThisThread(JNIEnv* env, jclass, jobject runnable) {
  JavaVM* vm = nullptr;
  if (env->GetJavaVM(&vm) != 0) return -102;
  return callBack(vm, runnable);
}

}  // extern "C"
