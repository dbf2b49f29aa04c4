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

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

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

// The listener references that AddListener made and Release has not deleted, each with the
// log lines being delivered to it now. A line reaches only a live reference, and Release
// waits for the lines in flight before it deletes one: so no line can reach a deleted
// reference, also when vrn_core refused to clear the callback of an engine that lives on.
class LiveListeners {
public:
  void add(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    m_InFlight[reference] = 0;
  }
  // False when the reference is not live: the line is dropped.
  bool enter(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    auto found = m_InFlight.find(reference);
    if (found == m_InFlight.end()) return false;
    ++found->second;
    return true;
  }
  void leave(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    auto found = m_InFlight.find(reference);
    if (found != m_InFlight.end()) --found->second;
    m_Done.notify_all();
  }
  // Takes the reference out once no line is in flight to it but the caller's own (a
  // listener that releases its engine from inside log); true when it was live.
  bool remove(jobject reference, int ownLines) {
    std::unique_lock<std::mutex> hold(m_Lock);
    auto found = m_InFlight.find(reference);
    if (found == m_InFlight.end()) return false;
    m_Done.wait(hold, [&] { return m_InFlight[reference] <= ownLines; });
    m_InFlight.erase(reference);
    return true;
  }

private:
  std::mutex m_Lock;
  std::condition_variable m_Done;
  std::map<jobject, int> m_InFlight;
};
LiveListeners s_Listeners;
// The reference whose line this thread is delivering, if any.
thread_local jobject t_Delivering = nullptr;

void deliverLine(JNIEnv* env, jobject listener, const char* line) {
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
}

void onEngineLog(void* userValue, const char* line) noexcept {
  JavaVM* vm = s_Vm;
  if (vm == nullptr || userValue == nullptr) return;
  JNIEnv* env = nullptr;
  if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK || env == nullptr) return;
  jobject listener = static_cast<jobject>(userValue);
  try {
    if (s_Listeners.enter(listener)) {
      jobject outer = t_Delivering;
      t_Delivering = listener;
      deliverLine(env, listener, line);
      t_Delivering = outer;
      s_Listeners.leave(listener);
    }
  } catch (...) {
    // No memory for the lock's bookkeeping: the line is lost, nothing unwinds into vrn_core.
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
    if (listener == nullptr)
      throw COLerror(COLstring("Unable to make a global reference to the listener"), static_cast<int>(0x80000100));
    // Live before the registration, so that the first line already reaches it.
    try {
      s_Listeners.add(listener);
    } catch (...) {
      env->DeleteGlobalRef(listener);
      throw;
    }
    VRNresult result = VRNengineSetLogCallBackPerEngine(VRNhandleOf(h), listener, onEngineLog);
    if (result != nullptr && s_Listeners.remove(listener, 0)) env->DeleteGlobalRef(listener);  // Java never receives it
    VRNjniCheckResult(result);
    return VRNlongOf(listener);
  });
}

void VRNengineReleaseRoad(JNIEnv* env, jlong h, jlong listener) {
  VRNguardedCall(env, [&] {
    VRNresult cleared = nullptr;
    if (listener != 0) {
      // The engine may outlive this call (Java may hold more references): its callback is
      // cleared, and whether or not vrn_core managed that, no log line reaches the
      // reference once it is out of the live set. Engine.release() has forgotten both the
      // reference and the handle already, so both are given back on every road.
      cleared = VRNengineSetLogCallBackPerEngine(VRNhandleOf(h), nullptr, nullptr);
      jobject reference = reinterpret_cast<jobject>(VRNhandleOf(listener));
      int ownLines = t_Delivering == reference ? 1 : 0;
      if (s_Listeners.remove(reference, ownLines)) env->DeleteGlobalRef(reference);
    }
    VRNresult released = VRNengineRelease(VRNhandleOf(h));
    // The first failure is the one reported; a second one's error is given back.
    if (cleared != nullptr && released != nullptr && !VRNisUnhandledError(released)) VRNerrorRelease(released);
    VRNjniCheckResult(cleared != nullptr ? cleared : released);
  });
}

jint VRNengineParseRoad(JNIEnv* env, jlong h, jstring message, jlong table, const char* variable,
                        const char* method) {
  return VRNguarded(env, jint(0), [&] {
    VRNjniCheckString(message, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, message, variable, method);
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
    VRNjavaStringToMultiByte(text.text, env, message, variable, method);
    const char* result = nullptr;
    int64_t secondResult = 0;  // not used, as the library's second answer never was
    VRNjniCheckResult(VRNengineTransformMessage(VRNhandleOf(h), text.text, static_cast<int64_t>(first),
                                                static_cast<int64_t>(second), &result, &secondResult, 0));
    return VRNjavaStringFromMultiByte(env, result);
  });
}
