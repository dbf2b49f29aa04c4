// The Engine's own roads: creation with the one-time Java runtime check, the per-engine
// log listener and its callback, and the natives whose arguments no other shape shares.
//
// The log callback detaches exactly the threads it attached: a thread the JVM does not
// know is attached for one line and detached after it; a Java thread, or a native thread
// that someone else attached, is used as it is and stays attached. (Thread identities are
// no guide: a dead creator's identifier comes back on a new thread.)
#include "hl7_bridge/VRNshapes.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLstring.h"
#include "JNI/JNIscopedStringChars.h"
#include "JNI/JNIscopedEnvPointer.h"
#include "hl7_bridge/VRNjavaCheckCall.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>

namespace {

// Set once by the first successful creation, without a lock: a second first creation on
// another thread at the same moment repeats the same steps with the same values.
bool s_Initialized = false;
JavaVM* s_Vm = nullptr;

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

// The listener references that AddListener made, each shared by the engine's release and
// the log lines being delivered to it: a line takes a share only while the reference is
// live (not yet released), and whoever gives back the last share deletes the reference.
// So no line reaches a deleted reference, also when vrn_core refused to clear the callback
// of an engine that lives on, and nothing ever waits: not a release for a line in flight
// on another thread (whose listener may be slow, or whose JVM may be ending), nor a
// release made from inside that line's own listener, however deeply nested.
class LiveListeners {
public:
  // The release's share.
  void add(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    m_Shares[reference] = Shares{1, false};
  }
  // A line's share; false when the reference is not live: the line is dropped.
  bool enter(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    auto found = m_Shares.find(reference);
    if (found == m_Shares.end() || found->second.released) return false;
    ++found->second.count;
    return true;
  }
  // Gives a line's share back; true when it was the last and the caller deletes the reference.
  bool leave(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    return dropLocked(reference);
  }
  // Takes the reference out of the live set and gives the release's share back; true when
  // the caller deletes the reference (no line holds it), false also when it was not live.
  bool release(jobject reference) {
    std::lock_guard<std::mutex> hold(m_Lock);
    auto found = m_Shares.find(reference);
    if (found == m_Shares.end() || found->second.released) return false;
    found->second.released = true;
    return dropLocked(reference);
  }

private:
  struct Shares {
    int count;
    bool released;
  };
  bool dropLocked(jobject reference) {
    auto found = m_Shares.find(reference);
    if (found == m_Shares.end() || --found->second.count > 0) return false;
    m_Shares.erase(found);
    return true;
  }
  std::mutex m_Lock;
  std::map<jobject, Shares> m_Shares;
};

// Lives as long as the process: never destroyed at exit, while a line may still be in
// flight on a thread that vrn_core runs. In static storage, so that no heap block of it is
// left for a leak check to report once the library is unloaded.
LiveListeners& listeners() {
  alignas(LiveListeners) static unsigned char storage[sizeof(LiveListeners)];
  static LiveListeners* kept = new (storage) LiveListeners();
  return *kept;
}

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
  jobject listener = static_cast<jobject>(userValue);
  try {
    // Attaches a thread the JVM does not know for this line only; a Java thread is used
    // as it is.
    JNIscopedEnvPointer scope(vm, JNI_VERSION_1_2);
    JNIEnv* env = scope.pEnv;
    if (listeners().enter(listener)) {
      try {
        deliverLine(env, listener, line);
      } catch (...) {
        // the line is lost; its share still goes back
      }
      if (listeners().leave(listener)) env->DeleteGlobalRef(listener);
    }
  } catch (...) {
    // The thread could not be attached, or no memory for the bookkeeping: the line is
    // lost, nothing unwinds into vrn_core.
  }
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
      listeners().add(listener);
    } catch (...) {
      env->DeleteGlobalRef(listener);
      throw;
    }
    VRNresult result = VRNengineSetLogCallBackPerEngine(VRNhandleOf(h), listener, onEngineLog);
    if (result != nullptr && listeners().release(listener)) env->DeleteGlobalRef(listener);  // Java never receives it
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
      // A line still in flight keeps the reference until it ends; the last one deletes it.
      jobject reference = reinterpret_cast<jobject>(VRNhandleOf(listener));
      if (listeners().release(reference)) env->DeleteGlobalRef(reference);
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
