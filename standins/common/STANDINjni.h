// The Java faces of the stand-ins' control interfaces share this: reading a Java text or
// byte array, a long as a handle, and the natives every control class has (reset,
// injections, the journal, live counts), each forwarding to the stand-in's C function.
#pragma once

#include "contracts/VRNlibraryContract.h"

#include <jni.h>

#include <cstdint>
#include <string>

inline std::string STANDINjavaText(JNIEnv* env, jstring value) {
  if (value == nullptr) return std::string();
  const char* chars = env->GetStringUTFChars(value, nullptr);
  std::string out = chars ? chars : "";
  if (chars) env->ReleaseStringUTFChars(value, chars);
  return out;
}

inline std::string STANDINjavaBytes(JNIEnv* env, jbyteArray value) {
  std::string out(size_t(env->GetArrayLength(value)), '\0');
  if (!out.empty()) env->GetByteArrayRegion(value, 0, jsize(out.size()), reinterpret_cast<jbyte*>(&out[0]));
  return out;
}

inline VRNhandle STANDINjavaHandle(jlong value) { return reinterpret_cast<VRNhandle>(static_cast<intptr_t>(value)); }

// One native of the Java class varneltests.<Class>.
#define STANDIN_JAVA_NATIVE(Class, Result, Name, ...)                                                   \
  extern "C" JNIEXPORT Result JNICALL Java_varneltests_##Class##_##Name([[maybe_unused]] JNIEnv* env, \
                                                                      jclass, ##__VA_ARGS__)

// The natives every control class has, over <Prefix>standinReset and the rest.
#define STANDIN_JAVA_CONTROLS(Class, Prefix)                                                              \
  STANDIN_JAVA_NATIVE(Class, void, reset) { Prefix##standinReset(); }                                    \
  STANDIN_JAVA_NATIVE(Class, jboolean, failNext, jstring function, jstring description, jstring key,     \
                      jstring value) {                                                                    \
    std::string k = STANDINjavaText(env, key);                                                            \
    return Prefix##standinFailNext(STANDINjavaText(env, function).c_str(),                                \
                                   STANDINjavaText(env, description).c_str(), key ? k.c_str() : nullptr, \
                                   STANDINjavaText(env, value).c_str());                                  \
  }                                                                                                       \
  STANDIN_JAVA_NATIVE(Class, jboolean, failNextUnhandled, jstring function) {                            \
    return Prefix##standinFailNextUnhandled(STANDINjavaText(env, function).c_str());                      \
  }                                                                                                       \
  STANDIN_JAVA_NATIVE(Class, jstring, journal) { return env->NewStringUTF(Prefix##standinJournal()); }   \
  STANDIN_JAVA_NATIVE(Class, jint, callCount, jstring function) {                                        \
    return Prefix##standinCallCount(STANDINjavaText(env, function).c_str());                              \
  }                                                                                                       \
  STANDIN_JAVA_NATIVE(Class, jint, liveCount, jstring kind) {                                            \
    return Prefix##standinLiveCount(STANDINjavaText(env, kind).c_str());                                  \
  }
