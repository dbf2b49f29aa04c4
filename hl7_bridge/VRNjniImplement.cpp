// The two error roads of vrn_java and its text conversions through vrn_core.
#include "hl7_bridge/VRNjniImplement.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "JNI/JNIimplement.h"
#include "JNI/JNIscopedStringChars.h"
#include "hl7_bridge/VRNjavaCheckCall.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

namespace {

const int kBridgeErrorCode = COL_ERROR_PRECONDITION;

}  // namespace

void VRNreleaseError(VRNresult error) noexcept {
  if (!JNIisErrorObject(error)) return;
  VRNresult failed = VRNerrorRelease(error);
  if (JNIisErrorObject(failed)) {
    VRNresult again = VRNerrorRelease(failed);
    (void)again;  // nothing is left to report it to
  }
}

void VRNjniThrowVarnelException(JNIEnv* env, const LEGerror& error) {
  // ThrowNew reads the description as modified UTF-8, which a library's text need not be.
  if (dynamic_cast<const JNIdllError*>(&error) == nullptr && !VRNisModifiedUtf8(error.description().c_str())) {
    LEGerror repaired(error);
    repaired.set_description(VRNmodifiedUtf8(error.description().c_str()));
    JNIthrowException(env, VRN_EXCEPTION_CLASS, repaired);
    return;
  }
  JNIthrowException(env, VRN_EXCEPTION_CLASS, error, VRNreleaseError);
}

void VRNjniCheckResult(VRNresult result) { JNIcheckDllResult(result); }

void VRNjniCheckString(jstring value, const char* variableName, const char* methodName) {
  JNIcheckStringNotNull(value, variableName, methodName);
}

jobject VRNjniCreateObject(JNIEnv* env, const char* classPath, VRNhandle handle) {
  return JNIcreateObjectFromHandle(env, classPath, handle);
}

void VRNjniThrowFromErrorHandle(JNIEnv* env, VRNresult error) {
  // No JNI call but clearing may follow a pending exception, FindClass included.
  env->ExceptionClear();
  jclass type = env->FindClass(VRN_EXCEPTION_CLASS);
  if (type == nullptr) {
    VRNreleaseError(error);
    // Out of stack or memory, the JVM's own error reports the failure and stays pending.
    if (JNIkeepVirtualMachineError(env)) return;
    COLstandardOutput << "Unable to locate VarnelException class.";
    return;
  }
  if (VRNisUnhandledError(error)) {
    env->ThrowNew(type, "Unhandled exception.");
    env->DeleteLocalRef(type);
    return;
  }
  jmethodID constructor = env->GetMethodID(type, "<init>", "(J)V");
  // The class's first use initialises it, which a JVM out of stack or memory may fail.
  if (constructor == nullptr && JNIkeepVirtualMachineError(env)) {
    VRNreleaseError(error);
    env->DeleteLocalRef(type);
    return;
  }
  VRNjavaCheckMethodLocated(env, constructor, "VarnelException constructor");
  jobject exception = env->NewObject(type, constructor, JNIlongOf(error));
  if (exception == nullptr) {
    // The constructor's own exception stays pending; no Java object holds the handle.
    VRNreleaseError(error);
  } else {
    env->Throw(static_cast<jthrowable>(exception));
    env->DeleteLocalRef(exception);
  }
  env->DeleteLocalRef(type);
}

bool VRNjniCheckNullString(JNIEnv* env, jstring value, const char* methodName) {
  if (value != nullptr) return false;
  LEGerror* error = nullptr;
  try {
    COLstring text("Illegal - Null string passed in argument in method ");
    text.append(methodName);
    error = new LEGerror(text, kBridgeErrorCode);
    error->add_ref();  // the one reference that the Java exception adopts
  } catch (...) {
    env->ExceptionClear();
    jclass type = env->FindClass(VRN_EXCEPTION_CLASS);
    if (type != nullptr) env->ThrowNew(type, "Unhandled exception.");
    return true;
  }
  VRNjniThrowFromErrorHandle(env, static_cast<LEGerror*>(error));
  return true;
}

jstring VRNjavaStringFromMultiByte(JNIEnv* env, const char* text) {
  if (text == nullptr) return nullptr;
  VRNunit* wide = nullptr;
  int64_t length = 0;
  while (text[length] != 0) ++length;
  VRNresult result = VRNmultiByteToWideChar(text, length, &wide);
  jstring string = nullptr;
  if (result == nullptr && wide != nullptr) {
    jsize units = 0;
    while (wide[units] != 0) ++units;
    string = env->NewString(reinterpret_cast<const jchar*>(wide), units);
  }
  VRNresult freed = VRNwideCharFree(wide);
  VRNreleaseError(freed);
  VRNjniCheckResult(result);
  if (result == nullptr && string == nullptr) {
    if (env->ExceptionCheck()) throw VRNjavaExceptionPending();
    throw COLerror(COLstring("The text conversion gave no text"), kBridgeErrorCode);
  }
  return string;
}

jstring VRNjavaStringForListener(JNIEnv* env, const char* text) noexcept {
  if (text == nullptr) return nullptr;
  try {
    return VRNjavaStringFromMultiByte(env, text);
  } catch (const JNIdllError& refused) {
    // The library's error came with a reference for us, which nobody else will take.
    VRNreleaseError(refused.handle());
  } catch (...) {
  }
  env->ExceptionClear();
  try {
    jstring repaired = env->NewStringUTF(VRNmodifiedUtf8(text).c_str());
    env->ExceptionClear();
    return repaired;
  } catch (...) {
    return nullptr;
  }
}

void VRNjavaStringToMultiByte(char*& holder, JNIEnv* env, jstring value, const char* variable, const char* method) {
  holder = nullptr;
  jsize length = env->GetStringLength(value);
  JNIscopedStringChars chars(env, value);
  chars.pChars = env->GetStringChars(value, nullptr);
  if (chars.pChars == nullptr) throw VRNjavaExceptionPending();
  for (jsize i = 0; i < length; ++i) {
    if (chars.pChars[i] != 0) continue;
    COLstring text;
    {
      COLostream stream(text);
      if (variable != nullptr && *variable != 0) {
        stream << "The string variable " << variable << " in method " << method
               << " holds the character U+0000, where the library would end the text.";
      } else {
        stream << "Illegal - Character U+0000 passed in argument in method " << method
               << ", where the library would end the text";
      }
    }
    throw LEGerror(text, kBridgeErrorCode);
  }
  VRNjniCheckResult(VRNwideCharToMultiByte(reinterpret_cast<const VRNunit*>(chars.pChars), length, &holder));
}

void VRNjavaFreeMultiByte(char*& holder) {
  if (holder == nullptr) return;
  VRNreleaseError(VRNmultiByteFree(holder));
  holder = nullptr;
}

COLstring VRNjavaStringUtf8(JNIEnv* env, jstring value) {
  COLstring text;
  jsize length = env->GetStringUTFLength(value);
  JNIscopedStringChars chars(env, value);
  chars.pUtfChars = env->GetStringUTFChars(value, nullptr);
  if (chars.pUtfChars == nullptr) throw VRNjavaExceptionPending();
  text.append(chars.pUtfChars, length);
  return text;
}

void VRNjniRaiseCaught(JNIEnv* env) {
  try {
    try {
      throw;
    } catch (const VRNjavaExceptionPending&) {
      return;  // the JVM's own exception says it best
    } catch (const LEGerror& error) {
      env->ExceptionClear();
      VRNjniThrowVarnelException(env, error);
    } catch (const COLerror& error) {
      env->ExceptionClear();
      VRNjniThrowVarnelException(env, LEGerrorFrom(error));
    } catch (...) {
      env->ExceptionClear();
      VRNjniThrowVarnelException(env, LEGerror(COLstring("Unhandled exception"), kBridgeErrorCode));
    }
  } catch (...) {
    // Raising failed itself (no memory for the error's copy): the plainest exception.
    env->ExceptionClear();
    jclass type = env->FindClass(VRN_EXCEPTION_CLASS);
    if (type != nullptr) env->ThrowNew(type, "Unhandled exception");
  }
}
