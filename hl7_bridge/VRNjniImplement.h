// The error roads and text conversions that every vrn_java native uses. Two roads lead to
// a pending VarnelException: the guarded one lets LEGerror and COLerror travel to the
// handlers of VRNguarded, which raise the Java exception once; the direct one turns a
// library error handle into the exception at once (VRNjniThrowFromErrorHandle). Texts
// cross through vrn_core's own conversions, which the bridge frees with vrn_core's frees.
#pragma once

#include "COL/COLstring.h"
#include "JNI/JNIimplement.h"
#include "LEG/LEGerror.h"
#include "contracts/VRNlibraryContract.h"

#include <jni.h>

#define VRN_EXCEPTION_CLASS "com/olvenmark/varnel/VarnelException"

// Gives an error handle's reference back when it is an object (neither null nor the
// all-ones value); an error from that release is given back too, and nothing is reported.
void VRNreleaseError(VRNresult error) noexcept;

void VRNjniThrowVarnelException(JNIEnv* env, const LEGerror& error);
void VRNjniCheckResult(VRNresult result);
void VRNjniCheckString(jstring value, const char* variableName, const char* methodName);
jobject VRNjniCreateObject(JNIEnv* env, const char* classPath, VRNhandle handle);

// The direct road for a non-null error handle: a VarnelException around it (or with
// "Unhandled exception." for the all-ones value), replacing one that was pending.
void VRNjniThrowFromErrorHandle(JNIEnv* env, VRNresult error);
// False for a string; for null, a VarnelException around a heap LEGerror of the bridge
// naming the method, and true.
bool VRNjniCheckNullString(JNIEnv* env, jstring value, const char* methodName);

// A Java string of a library text; null for null. Raises for a failed conversion.
jstring VRNjavaStringFromMultiByte(JNIEnv* env, const char* text);
// The Java string of a text that a callback hands to a listener: the library's conversion
// or, where the library refuses the text, the text repaired as modified UTF-8 (the
// refusal's error given back). Null for null, or when no string can be made; raises
// nothing and leaves no exception pending.
jstring VRNjavaStringForListener(JNIEnv* env, const char* text) noexcept;
// The library text of a non-null Java string, into the holder. Raises for a failed one,
// and for a string holding U+0000: every library function reads its text arguments up to
// the first NUL, so the rest would be lost without a word. The error names the method and,
// when not empty, the variable, as the null check of the same road does.
void VRNjavaStringToMultiByte(char*& holder, JNIEnv* env, jstring value, const char* variable, const char* method);
void VRNjavaFreeMultiByte(char*& holder);
// The modified UTF-8 bytes of a non-null Java string, as the JVM gives them.
COLstring VRNjavaStringUtf8(JNIEnv* env, jstring value);

// A library text made from a Java string, freed through vrn_core when the scope ends.
class VRNmultiByteHolder {
public:
  VRNmultiByteHolder() = default;
  VRNmultiByteHolder(const VRNmultiByteHolder&) = delete;
  VRNmultiByteHolder& operator=(const VRNmultiByteHolder&) = delete;
  ~VRNmultiByteHolder() { VRNjavaFreeMultiByte(text); }
  char* text = nullptr;
};

// Thrown when the JVM itself has left an exception pending (a string's characters it
// could not give, say): the handlers then leave that exception as it is.
struct VRNjavaExceptionPending {};

// The handlers of the guarded road, for a caught exception of any kind: a Java exception
// already pending gives way to the bridge's own.
void VRNjniRaiseCaught(JNIEnv* env);

// Runs body inside the guard; after a failure, the Java exception is pending and the
// result is failure.
template <typename Result, typename Body>
Result VRNguarded(JNIEnv* env, Result failure, Body body) {
  return JNIguard(env, VRNjniRaiseCaught, failure, body);
}

template <typename Body>
void VRNguardedCall(JNIEnv* env, Body body) {
  JNIguard(env, VRNjniRaiseCaught, 0, [&] {
    body();
    return 0;
  });
}
