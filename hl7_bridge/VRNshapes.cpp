// The roads of the natives' shapes, and the exports of every table line.
#include "hl7_bridge/VRNshapes.h"


namespace {

// The failure value of every shape after a raised exception.
const jint kDirectIndexFailure = -1;

int64_t widened(jint value) { return static_cast<int64_t>(value); }

// The direct road after one library call: true when the call failed and raised.
bool raisedFrom(JNIEnv* env, VRNresult result) {
  if (result == nullptr) return false;
  VRNjniThrowFromErrorHandle(env, result);
  return true;
}

// The Java string of a library text, made inside the guard of a direct road: a failed
// conversion raises through the guarded handlers.
jstring directString(JNIEnv* env, const char* text) {
  return VRNguarded(env, jstring(nullptr), [&] { return VRNjavaStringFromMultiByte(env, text); });
}

}  // namespace

jint VRNdirectIndexGetter(JNIEnv* env, jlong h, VRNgetInt64 function) {
  int64_t value = 0;
  if (raisedFrom(env, function(JNIhandleOf(h), &value))) return kDirectIndexFailure;
  return static_cast<jint>(value);
}

jlong VRNdirectHandleGetter(JNIEnv* env, jlong h, VRNgetHandle function) {
  VRNhandle value = nullptr;
  if (raisedFrom(env, function(JNIhandleOf(h), &value))) return 0;
  return JNIlongOf(value);
}

void VRNdirectIndexSetter(JNIEnv* env, jlong h, jint index, VRNsetInt64 function) {
  raisedFrom(env, function(JNIhandleOf(h), widened(index)));
}

jint VRNdirectIdentifierCount(JNIEnv* env, jlong h, jint messageIndex, VRNgetInt64 function) {
  VRNhandle message = nullptr;
  if (raisedFrom(env, VRNengineGetMessage(JNIhandleOf(h), widened(messageIndex), &message)))
    return kDirectIndexFailure;
  int64_t count = 0;
  if (raisedFrom(env, function(message, &count))) return kDirectIndexFailure;
  return static_cast<jint>(count);
}

void VRNguardedPlainCall(JNIEnv* env, jlong h, VRNcall function) {
  VRNguardedCall(env, [&] { VRNjniCheckResult(function(JNIhandleOf(h))); });
}

void VRNguardedTextSetter(JNIEnv* env, jlong h, jstring value, VRNsetText function, const char* variable,
                          const char* method) {
  VRNguardedCall(env, [&] {
    VRNjniCheckString(value, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, variable, method);
    VRNjniCheckResult(function(JNIhandleOf(h), text.text));
  });
}

void VRNguardedIndexTableCall(JNIEnv* env, jlong h, jint index, jlong table, VRNindexTableCall function) {
  VRNguardedCall(env, [&] { VRNjniCheckResult(function(JNIhandleOf(h), widened(index), JNIhandleOf(table))); });
}

jint VRNguardedIntGetter(JNIEnv* env, jlong h, VRNgetInt64 function) {
  return VRNguarded(env, jint(0), [&] {
    int64_t value = 0;
    VRNjniCheckResult(function(JNIhandleOf(h), &value));
    return static_cast<jint>(value);
  });
}

void VRNguardedFlagSetter(JNIEnv* env, jlong h, jboolean value, VRNsetFlag function) {
  VRNguardedCall(env, [&] { VRNjniCheckResult(function(JNIhandleOf(h), value != 0 ? 1 : 0)); });
}

jstring VRNguardedIndexTextGetter(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function) {
  return VRNguarded(env, jstring(nullptr), [&] {
    const char* text = nullptr;
    VRNjniCheckResult(function(JNIhandleOf(h), widened(index), &text));
    return VRNjavaStringFromMultiByte(env, text);
  });
}

jstring VRNguardedTextToText(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* variable,
                             const char* method) {
  return VRNguarded(env, jstring(nullptr), [&] {
    VRNjniCheckString(value, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, variable, method);
    const char* result = nullptr;
    VRNjniCheckResult(function(JNIhandleOf(h), text.text, &result));
    return VRNjavaStringFromMultiByte(env, result);
  });
}

jstring VRNdirectTextToText(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return nullptr;
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    const char* result = nullptr;
    if (raisedFrom(env, function(JNIhandleOf(h), text.text, &result))) return nullptr;
    return VRNjavaStringFromMultiByte(env, result);
  });
}

void VRNdirectTextCall(JNIEnv* env, jlong h, jstring value, VRNsetText function, const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return;
  VRNguardedCall(env, [&] {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    raisedFrom(env, function(JNIhandleOf(h), text.text));
  });
}

jstring VRNdirectIdentifierValue(JNIEnv* env, jlong h, jint messageIndex, jint identIndex,
                                 VRNgetIndexedText function) {
  VRNhandle message = nullptr;
  if (raisedFrom(env, VRNengineGetMessage(JNIhandleOf(h), widened(messageIndex), &message))) return nullptr;
  const char* text = nullptr;
  if (raisedFrom(env, function(message, widened(identIndex), &text))) return nullptr;
  return directString(env, text);
}

void VRNdirectTextPairCall(JNIEnv* env, jlong h, jstring key, jstring value, VRNsetTextPair function,
                           const char* method) {
  if (VRNjniCheckNullString(env, key, method) || VRNjniCheckNullString(env, value, method)) return;
  VRNguardedCall(env, [&] {
    VRNmultiByteHolder keyText;
    VRNjavaStringToMultiByte(keyText.text, env, key, "", method);
    VRNmultiByteHolder valueText;
    VRNjavaStringToMultiByte(valueText.text, env, value, "", method);
    raisedFrom(env, function(JNIhandleOf(h), keyText.text, valueText.text));
  });
}

jstring VRNdirectPrintable(JNIEnv* env, jlong h, jstring value, VRNprintable function, const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return nullptr;
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    const char* result = nullptr;
    if (raisedFrom(env, function(JNIhandleOf(h), text.text, "\r\n", &result))) return nullptr;
    return VRNjavaStringFromMultiByte(env, result);
  });
}

jboolean VRNreportSuccess(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return JNI_FALSE;
  return VRNguarded(env, jboolean(JNI_FALSE), [&]() -> jboolean {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    const char* result = nullptr;
    VRNresult error = function(JNIhandleOf(h), text.text, &result);
    if (error == nullptr) return JNI_TRUE;
    VRNreleaseError(error);
    return JNI_FALSE;
  });
}

namespace {

// Gives an error handle's reference back when the scope ends, whatever happens on the way.
class ErrorRelease {
public:
  explicit ErrorRelease(VRNresult error) : m_Error(error) {}
  ~ErrorRelease() { VRNreleaseError(m_Error); }
  ErrorRelease(const ErrorRelease&) = delete;
  ErrorRelease& operator=(const ErrorRelease&) = delete;

private:
  VRNresult m_Error;
};

}  // namespace

jstring VRNreportError(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return nullptr;
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    const char* result = nullptr;
    VRNresult error = function(JNIhandleOf(h), text.text, &result);
    if (error == nullptr) return VRNjavaStringFromMultiByte(env, result);
    if (VRNisUnhandledError(error)) return VRNjavaStringFromMultiByte(env, "Unhandled exception");
    ErrorRelease release(error);
    const char* description = nullptr;
    VRNresult asked = VRNerrorGetDescription(error, &description);
    ErrorRelease releaseAsked(asked);  // a failed question is an error object too
    return VRNjavaStringFromMultiByte(env, description);
  });
}

// The exports: every line of the table, through its shape.
#define VRN_NATIVE_LINE(Class, Method, Shape, Function, Variable, Name) \
  VRN_SHAPE_##Shape(Class, Method, Function, Variable, Name)
#include "contracts/VRNnatives.def"
