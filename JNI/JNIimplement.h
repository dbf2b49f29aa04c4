// The error roads of the JNI natives: an outside library's error handle turned into a C++
// error (JNIcheckDllResult, JNIdllError), a caught LEGerror turned into a pending Java
// exception of the bridge's own class (JNIthrowException), the null checks of arguments,
// and Java objects made around outside object handles. When no Java exception can be
// raised at all, the JVM is ended through FatalError with a text naming the class.
#pragma once

#include "LEG/LEGerror.h"

#include <jni.h>

#include <cstdint>

// Handles of outside objects cross JNI as a long, in both directions.
inline void* JNIhandleOf(jlong value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }
inline jlong JNIlongOf(const void* handle) { return static_cast<jlong>(reinterpret_cast<std::intptr_t>(handle)); }

// An outside library's error object, as its handle; the handle's one reference goes to the
// Java exception that JNIthrowException makes, never released here.
class JNIdllError : public LEGerror {
public:
  explicit JNIdllError(void* handle);
  JNIdllError(const JNIdllError& other);
  ~JNIdllError() override;

  void* handle() const { return m_Handle; }

private:
  void* m_Handle;
};

// True for an error handle that is an object with a reference to give back: neither null
// (success) nor the all-ones value (an error without an object).
bool JNIisErrorObject(void* handle);

// Null passes; the all-ones handle raises COLerror "Unhandled exception"; any other handle
// raises a JNIdllError carrying it.
void JNIcheckDllResult(void* handle);

void JNIcheckStringNotNull(jstring value, const char* variableName, const char* methodName);
void JNIcheckDateNotNull(jobject value, const char* variableName, const char* methodName);

// An object of the class made by its (J)V constructor with the handle; null when the class
// or the constructor is missing, the JVM's exception then left pending.
jobject JNIcreateObjectFromHandle(JNIEnv* pEnv, const char* classPath, void* handle);

// When the exception pending is one of the JVM's own errors (StackOverflowError,
// OutOfMemoryError: a VirtualMachineError) it stays pending and the answer is true: it
// reports the failure, and the thread must unwind with it. Otherwise nothing is left
// pending and the answer is false. Made for the roads that cannot build their own
// exception: only when this is false must they end the JVM.
bool JNIkeepVirtualMachineError(JNIEnv* pEnv);

// Gives an error handle's reference back when no Java exception could adopt it.
typedef void (*JNIhandleRelease)(void* handle);

// Each leaves exactly one Java exception pending, replacing one that was pending before.
// When the exception cannot be made because the JVM ran out of stack or memory, that error
// of the JVM is what stays pending (and a handle is given back through release, when one
// is given); for any other reason the JVM is ended.
void JNIthrowException(JNIEnv* pEnv, const char* classPath, const LEGerror& error,
                       JNIhandleRelease release = nullptr);
void JNIthrowByHandle(JNIEnv* pEnv, const char* classPath, void* handle, JNIhandleRelease release = nullptr);
void JNIthrowByDescription(JNIEnv* pEnv, const char* classPath, const LEGerror& error);

// Runs a native's body as one guarded region: whatever it raises is handed to the bridge's
// raise (called inside the catch block, never raising itself), which leaves the bridge's
// Java exception pending, and the native returns failure, which Java never sees.
typedef void (*JNIraiseCaught)(JNIEnv* pEnv);
template <typename Result, typename Body>
Result JNIguard(JNIEnv* pEnv, JNIraiseCaught raise, Result failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    raise(pEnv);
  }
  return failure;
}
