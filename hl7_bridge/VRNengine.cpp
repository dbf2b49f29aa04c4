// The Engine's own roads: creation with the one-time Java runtime check, the per-engine
// log listener and its callback, and the natives whose arguments no other shape shares.
//
// The log callback has a thread rule of its own: it attaches the calling thread each time
// (on an attached thread that only hands back its environment) and detaches it afterwards
// unless it is the thread that made the first engine. A Java thread that is running Java
// code cannot be detached; the JVM refuses and the thread stays attached.
#include "hl7_bridge/VRNshapes.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLstring.h"
#include "JNI/JNIscopedStringChars.h"
#include "MT/MTthread.h"
#include "hl7_bridge/VRNjavaCheckCall.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Set once by the first successful creation, without a lock: a second first creation on
// another thread at the same moment repeats the same steps with the same values.
bool s_Initialized = false;
JavaVM* s_Vm = nullptr;
unsigned s_CreatorThread = 0;

[[noreturn]] void endProcess() {
  fflush(nullptr);
  std::_Exit(1);
}

[[noreturn]] void refuse(const char* text) {
  COLstandardOutput << text << newline;
  endProcess();
}

// The runtime library's text-to-integer reading: white space, a sign, leading digits.
int leadingInteger(const COLstring& text) {
  const char* at = text.c_str();
  while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
  bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  unsigned value = 0;
  for (; *at >= '0' && *at <= '9'; ++at) value = value * 10u + unsigned(*at - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

void checkJdkVersion(JNIEnv* env) {
  jclass system = env->FindClass("java/lang/System");
  if (system == nullptr) refuse("Unable to locate System class.  Please contact Olvenmark support.");
  jmethodID getProperty = env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
  if (getProperty == nullptr) refuse("Incomplete JDK implementation.  Please contact Olvenmark support.");
  jstring key = VRNjavaStringFromMultiByte(env, "java.version");
  jstring value = static_cast<jstring>(env->CallStaticObjectMethod(system, getProperty, key));
  COLstring version;
  // A missing property, or one that could not be read, cannot be validated either.
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    value = nullptr;
  }
  if (value != nullptr) {
    JNIscopedStringChars chars(env, value);
    chars.pUtfChars = env->GetStringUTFChars(value, nullptr);
    if (chars.pUtfChars == nullptr) throw VRNjavaExceptionPending();
    version = chars.pUtfChars;
  }
  COLstring major, rest, minor, tail;
  if (value == nullptr || !version.split_at_first(major, rest, ".") || !rest.split_at_first(minor, tail, "."))
    refuse("Cannot validate JDK.  Please contact Olvenmark support.");
  unsigned majorNumber = static_cast<unsigned>(leadingInteger(major));
  unsigned minorNumber = static_cast<unsigned>(leadingInteger(minor));
  if (majorNumber == 0 || (majorNumber == 1 && minorNumber <= 7)) {
    env->DeleteLocalRef(key);
    if (value != nullptr) env->DeleteLocalRef(value);
    env->DeleteLocalRef(system);
    return;
  }
  COLstring text;
  {
    COLostream stream(text);
    stream << "This Varnel version has not been tested with JDK Version " << majorNumber << "." << minorNumber
           << ".  Please contact Olvenmark for an updated version." << newline;
  }
  COLstandardOutput << text;
  VRNjniThrowVarnelException(env, LEGerrorFrom(COLerror(text, static_cast<int>(0x80000100))));
  endProcess();
}

void onEngineLog(void* userValue, const char* line) noexcept {
  JavaVM* vm = s_Vm;
  if (vm == nullptr || userValue == nullptr) return;
  JNIEnv* env = nullptr;
  if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK || env == nullptr) return;
  jobject listener = static_cast<jobject>(userValue);
  if (env->PushLocalFrame(16) == 0) {
    jclass type = env->GetObjectClass(listener);
    jmethodID log = env->GetMethodID(type, "log", "(Ljava/lang/String;)V");
    VRNjavaCheckMethodLocated(env, log, "log(string Line)");
    // A line the library's conversion refuses still reaches the listener, repaired.
    jstring text = VRNjavaStringForListener(env, line);
    if (!env->ExceptionCheck()) env->CallVoidMethod(listener, log, text);
    if (env->ExceptionCheck()) {
      // The library must not find a Java exception pending on its thread.
      env->ExceptionDescribe();
      env->ExceptionClear();
    }
    env->PopLocalFrame(nullptr);
  } else {
    env->ExceptionClear();
  }
  if (MTthread::currentThread().threadId() != s_CreatorThread) vm->DetachCurrentThread();
}

}  // namespace

jlong VRNengineCreateRoad(JNIEnv* env) {
  VRNhandle engine = nullptr;
  VRNguardedCall(env, [&] {
    VRNjniCheckResult(VRNengineCreate(&engine));
    if (s_Initialized) return;
    try {
      env->GetJavaVM(&s_Vm);
      checkJdkVersion(env);
      s_CreatorThread = MTthread::currentThread().threadId();
      s_Initialized = true;
    } catch (...) {
      // Java never sees a handle returned with an exception: give the engine back.
      VRNresult released = VRNengineRelease(engine);
      if (released != nullptr && !VRNisUnhandledError(released)) VRNerrorRelease(released);
      engine = nullptr;
      throw;
    }
  });
  return VRNlongOf(engine);
}

jlong VRNengineAddListenerRoad(JNIEnv* env, jobject self, jlong h) {
  return VRNguarded(env, jlong(0), [&] {
    jobject listener = env->NewGlobalRef(self);
    VRNresult result = VRNengineSetLogCallBackPerEngine(VRNhandleOf(h), listener, onEngineLog);
    if (result != nullptr) env->DeleteGlobalRef(listener);  // Java never receives it
    VRNjniCheckResult(result);
    return VRNlongOf(listener);
  });
}

void VRNengineReleaseRoad(JNIEnv* env, jlong h, jlong listener) {
  VRNguardedCall(env, [&] {
    if (listener != 0) {
      // The engine may outlive this call (Java may hold more references): no log line
      // may reach the reference once it is deleted.
      VRNjniCheckResult(VRNengineSetLogCallBackPerEngine(VRNhandleOf(h), nullptr, nullptr));
      env->DeleteGlobalRef(reinterpret_cast<jobject>(VRNhandleOf(listener)));
    }
    VRNjniCheckResult(VRNengineRelease(VRNhandleOf(h)));
  });
}

jint VRNengineParseRoad(JNIEnv* env, jlong h, jstring message, jlong table, const char* variable,
                        const char* method) {
  return VRNguarded(env, jint(0), [&] {
    VRNjniCheckString(message, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, message);
    int64_t index = 0;
    VRNjniCheckResult(VRNengineParseMessageA(VRNhandleOf(h), text.text, &index, VRNhandleOf(table)));
    return static_cast<jint>(index);
  });
}

jstring VRNengineGenerateRoad(JNIEnv* env, jlong h, jint messageIndex, jlong table) {
  return VRNguarded(env, jstring(nullptr), [&] {
    const char* text = nullptr;
    VRNjniCheckResult(
        VRNengineGenerateMessage(VRNhandleOf(h), &text, static_cast<int64_t>(messageIndex), VRNhandleOf(table)));
    return VRNjavaStringFromMultiByte(env, text);
  });
}

jstring VRNengineTransformRoad(JNIEnv* env, jlong h, jstring message, jint first, jint second,
                               const char* variable, const char* method) {
  return VRNguarded(env, jstring(nullptr), [&] {
    VRNjniCheckString(message, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, message);
    const char* result = nullptr;
    int64_t secondResult = 0;  // not used, as the library's second answer never was
    VRNjniCheckResult(VRNengineTransformMessage(VRNhandleOf(h), text.text, static_cast<int64_t>(first),
                                                static_cast<int64_t>(second), &result, &secondResult, 0));
    return VRNjavaStringFromMultiByte(env, result);
  });
}
