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
#include "hl7_bridge/VRNjavaCheckCall.h"
#include "hl7_bridge/VRNlisteners.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <cstdio>
#include <cstdlib>
#include <atomic>

namespace {

// Set once by the first successful creation: a second first creation on another thread at
// the same moment repeats the same steps with the same values. The virtual machine is
// stored before any listener can be registered, so that no line finds it unset.
std::atomic<bool> s_Initialized{false};
JNIkeptVm s_Vm;
// A line that cannot be delivered is lost without a word.
const JNIeventRoad LogRoad = {VRNlisteners, s_Vm, nullptr};

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
  VRNjniThrowVarnelException(env, LEGerrorFrom(COLerror(text, COL_ERROR_PRECONDITION)));
  endProcess();
}

// A line reaches the listener through the bridge's listener registry, which shares the
// listener between the engine's release and the lines being delivered: a line takes a
// share only while the listener is live, and whoever gives back the last share deletes the
// reference. So no line reaches a deleted reference, nor another engine's listener, also
// when vrn_core refused to clear the callback of an engine that lives on, and nothing ever
// waits: not a release for a line in flight on another thread (whose listener may be slow,
// or whose JVM may be ending), nor a release made from inside that line's own listener,
// however deeply nested.
void deliverLine(JNIEnv* env, const JNIlistenerRegistry::Share& share, const void* line) {
  jobject listener = share.listener();
  jmethodID log = share.method(env, VRNeventEngineLog);
  VRNjavaCheckMethodLocated(env, log, "log(string Line)");
  // A line the library's conversion refuses still reaches the listener, repaired.
  jstring text = VRNjavaStringForListener(env, static_cast<const char*>(line));
  // The library must not find a Java exception pending on its thread: the road clears it.
  if (!env->ExceptionCheck()) env->CallVoidMethod(listener, log, text);
}

void onEngineLog(void* userValue, const char* line) noexcept {
  // Attaches a thread the JVM does not know for this line only; a Java thread is used as
  // it is.
  JNIdeliverEvent(LogRoad, VRNeventEngineLog, userValue, deliverLine, line);
}

// The log callback is what vrn_core holds of a listener: set for the engine, and cleared.
VRNresult setLogCallback(VRNhandle engine, void* token) {
  return VRNengineSetLogCallBackPerEngine(engine, token, onEngineLog);
}
VRNresult clearLogCallback(VRNhandle engine, void*) { return VRNengineSetLogCallBackPerEngine(engine, nullptr, nullptr); }

}  // namespace

const JNIlistenerContract VRNengineListeners = {
    VRNlisteners, VRNjniRaiseCaught, VRNreleaseError, setLogCallback, clearLogCallback,
    VRNengineRelease, JNIsecondAdd::Replaces, JNIrefusedRemoval::ReleasesAnyway, "VRNengineRelease"};

jlong VRNengineCreateRoad(JNIEnv* env) {
  VRNhandle engine = nullptr;
  VRNguardedCall(env, [&] {
    VRNjniCheckResult(VRNengineCreate(&engine));
    if (s_Initialized.load()) return;
    try {
      s_Vm.keep(env);
      checkJdkVersion(env);
      s_Initialized.store(true);
    } catch (...) {
      // Java never sees a handle returned with an exception: give the engine back.
      VRNreleaseError(VRNengineRelease(engine));
      engine = nullptr;
      throw;
    }
  });
  return JNIlongOf(engine);
}

jint VRNengineParseRoad(JNIEnv* env, jlong h, jstring message, jlong table, const char* variable,
                        const char* method) {
  return VRNguarded(env, jint(0), [&] {
    VRNjniCheckString(message, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, message, variable, method);
    int64_t index = 0;
    VRNjniCheckResult(VRNengineParseMessageA(JNIhandleOf(h), text.text, &index, JNIhandleOf(table)));
    return static_cast<jint>(index);
  });
}

jstring VRNengineGenerateRoad(JNIEnv* env, jlong h, jint messageIndex, jlong table) {
  return VRNguarded(env, jstring(nullptr), [&] {
    const char* text = nullptr;
    VRNjniCheckResult(
        VRNengineGenerateMessage(JNIhandleOf(h), &text, static_cast<int64_t>(messageIndex), JNIhandleOf(table)));
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
    VRNjniCheckResult(VRNengineTransformMessage(JNIhandleOf(h), text.text, static_cast<int64_t>(first),
                                                static_cast<int64_t>(second), &result, &secondResult, 0));
    return VRNjavaStringFromMultiByte(env, result);
  });
}
