// The Java face of the sockmod2 stand-in's control interface, for the JVM suites of
// vrn_java (class varneltests.SockStandIn): injections, the journal, live counts, and
// events raised by hand, their texts given as bytes so that a suite can hand over any
// byte sequence (or null) as the library's text.
#include "standins/sockmod2/SOCKstandinControl.h"

#include <jni.h>

#include <string>

#define SOCK_CONTROL(Result, Name, ...) \
  extern "C" JNIEXPORT Result JNICALL Java_varneltests_SockStandIn_##Name([[maybe_unused]] JNIEnv* env, jclass, ##__VA_ARGS__)

namespace {

std::string text(JNIEnv* env, jstring value) {
  if (value == nullptr) return std::string();
  const char* chars = env->GetStringUTFChars(value, nullptr);
  std::string out = chars ? chars : "";
  if (chars) env->ReleaseStringUTFChars(value, chars);
  return out;
}

std::string bytes(JNIEnv* env, jbyteArray value) {
  std::string out(size_t(env->GetArrayLength(value)), '\0');
  if (!out.empty()) env->GetByteArrayRegion(value, 0, jsize(out.size()), reinterpret_cast<jbyte*>(&out[0]));
  return out;
}

VRNhandle handle(jlong value) { return reinterpret_cast<VRNhandle>(static_cast<intptr_t>(value)); }

}  // namespace

SOCK_CONTROL(void, reset) { SOCKstandinReset(); }

SOCK_CONTROL(jboolean, failNext, jstring function, jstring description, jstring key, jstring value) {
  std::string k = text(env, key);
  return SOCKstandinFailNext(text(env, function).c_str(), text(env, description).c_str(), key ? k.c_str() : nullptr,
                             text(env, value).c_str());
}

SOCK_CONTROL(jboolean, failNextUnhandled, jstring function) {
  return SOCKstandinFailNextUnhandled(text(env, function).c_str());
}

SOCK_CONTROL(jstring, journal) { return env->NewStringUTF(SOCKstandinJournal()); }

SOCK_CONTROL(jint, callCount, jstring function) { return SOCKstandinCallCount(text(env, function).c_str()); }

SOCK_CONTROL(jint, liveCount, jstring kind) { return SOCKstandinLiveCount(text(env, kind).c_str()); }

SOCK_CONTROL(jboolean, listenerEvent, jlong listener, jstring event, jlong connection, jbyteArray eventText, jint code,
             jboolean fromWorker) {
  std::string t = eventText ? bytes(env, eventText) : std::string();
  return SOCKstandinListenerEvent(handle(listener), text(env, event).c_str(), handle(connection),
                                  eventText ? t.c_str() : nullptr, code, fromWorker);
}

SOCK_CONTROL(jboolean, clientEvent, jlong client, jstring event, jbyteArray eventText, jint code, jboolean fromWorker) {
  std::string t = eventText ? bytes(env, eventText) : std::string();
  return SOCKstandinClientEvent(handle(client), text(env, event).c_str(), eventText ? t.c_str() : nullptr, code,
                                fromWorker);
}
