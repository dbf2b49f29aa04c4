#include "JNI/JNIimplement.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"

#include <cstdint>
#include <cstdio>

// Handles travel to Java as a long; on Windows long is 32 bits, so jni_md.h must say int.
static_assert(sizeof(jlong) >= sizeof(void*), "a handle must fit in a Java long");
static_assert(sizeof(jint) == 4, "jint must be 32 bits");

namespace {

const char Source[] = "JNIimplement";

void* const UnhandledExceptionHandle = reinterpret_cast<void*>(~std::uintptr_t(0));

// Writes the fatal text's head: the source, the line and the words every fatal text has.
COLostream& fatalHead(COLostream& Stream, int line) {
  return Stream << Source << ":" << line << " Fatal error: ";
}

// FatalError does not return on a real JVM. One that does (a test's environment) leaves
// no exception pending; clearing first also keeps the call itself legal.
void endVirtualMachine(JNIEnv* pEnv, const char* text) {
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
  pEnv->FatalError(text);
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
}

// The throw roads run inside a native's handlers, where nothing may be thrown: should the
// whole text fail to be made, the JVM is ended with its head and reason alone.
void endWithReason(JNIEnv* pEnv, int line, const char* reason) {
  char Text[160];
  snprintf(Text, sizeof Text, "%s:%d Fatal error: %s", Source, line, reason);
  endVirtualMachine(pEnv, Text);
}

void endWithError(JNIEnv* pEnv, int line, const char* reason, const char* classPath, const LEGerror& error) {
  try {
    COLstring Text;
    COLostream Stream(Text);
    fatalHead(Stream, line) << reason << " (Java exception class: \"" << classPath
                            << "\", local exception description: \"" << error << "\")";
    endVirtualMachine(pEnv, Text.c_str());
  } catch (...) {
    endWithReason(pEnv, line, reason);
  }
}

void endWithClass(JNIEnv* pEnv, int line, const char* reason, const char* classPath) {
  try {
    COLstring Text;
    COLostream Stream(Text);
    fatalHead(Stream, line) << reason << " (Java exception class: \"" << classPath << "\")";
    endVirtualMachine(pEnv, Text.c_str());
  } catch (...) {
    endWithReason(pEnv, line, reason);
  }
}

[[noreturn]] void raiseNull(const char* kind, const char* variableName, const char* methodName, int line) {
  throw COLerror(COLstring("The ") + kind + " variable " + variableName + " in method " + methodName +
                     " cannot be null.",
                 line, Source, COL_ERROR_PRECONDITION);
}

}  // namespace

JNIdllError::JNIdllError(void* handle) : LEGerror(COLstring(), COL_ERROR_PRECONDITION), m_Handle(handle) {}

JNIdllError::JNIdllError(const JNIdllError& other) : LEGerror(other), m_Handle(other.m_Handle) {}

JNIdllError::~JNIdllError() = default;

bool JNIisErrorObject(void* handle) { return handle != nullptr && handle != UnhandledExceptionHandle; }

void JNIcheckDllResult(void* handle) {
  if (handle == nullptr) return;
  if (handle == UnhandledExceptionHandle) throw COLerror("Unhandled exception", COL_ERROR_PRECONDITION);
  throw JNIdllError(handle);
}

void JNIcheckStringNotNull(jstring value, const char* variableName, const char* methodName) {
  if (value == nullptr) raiseNull("string", variableName, methodName, 149);
}

void JNIcheckDateNotNull(jobject value, const char* variableName, const char* methodName) {
  if (value == nullptr) raiseNull("date", variableName, methodName, 158);
}

jobject JNIcreateObjectFromHandle(JNIEnv* pEnv, const char* classPath, void* handle) {
  jclass Class = pEnv->FindClass(classPath);
  if (Class == nullptr) return nullptr;
  jmethodID Constructor = pEnv->GetMethodID(Class, "<init>", "(J)V");
  if (Constructor == nullptr) return nullptr;
  return pEnv->NewObject(Class, Constructor, JNIlongOf(handle));
}

bool JNIkeepVirtualMachineError(JNIEnv* pEnv) {
  jthrowable pending = pEnv->ExceptionOccurred();
  if (pending == nullptr) return false;
  // Nothing but clearing is allowed while it is pending; it is thrown again if it stays.
  pEnv->ExceptionClear();
  jclass vmError = pEnv->FindClass("java/lang/VirtualMachineError");
  if (vmError == nullptr) {
    // A JVM that cannot find a class of its own is out of stack or memory, and has just
    // said so: that error is the one left pending.
    pEnv->DeleteLocalRef(pending);
    return pEnv->ExceptionCheck() == JNI_TRUE;
  }
  bool keep = pEnv->IsInstanceOf(pending, vmError) == JNI_TRUE;
  pEnv->DeleteLocalRef(vmError);
  if (keep && pEnv->Throw(pending) != 0) keep = false;
  pEnv->DeleteLocalRef(pending);
  return keep;
}

void JNIthrowException(JNIEnv* pEnv, const char* classPath, const LEGerror& error, JNIhandleRelease release) {
  if (const JNIdllError* DllError = dynamic_cast<const JNIdllError*>(&error)) {
    JNIthrowByHandle(pEnv, classPath, DllError->handle(), release);
  } else {
    JNIthrowByDescription(pEnv, classPath, error);
  }
}

// Both throw roads clear a pending exception before their first call: FindClass,
// GetMethodID and NewObject are not allowed while one is pending, and the new exception
// replaces it anyway.
void JNIthrowByHandle(JNIEnv* pEnv, const char* classPath, void* handle, JNIhandleRelease release) {
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
  jobject Exception = JNIcreateObjectFromHandle(pEnv, classPath, handle);
  if (Exception == nullptr) {
    if (JNIkeepVirtualMachineError(pEnv)) {
      // No Java object adopted the handle's reference.
      if (release != nullptr) release(handle);
      return;
    }
    endWithClass(pEnv, 63, "Failed to create Java exception", classPath);
    return;
  }
  pEnv->ExceptionClear();
  if (pEnv->Throw(static_cast<jthrowable>(Exception)) != 0) {
    endWithClass(pEnv, 73, "Failed to throw Java exception", classPath);
  }
}

void JNIthrowByDescription(JNIEnv* pEnv, const char* classPath, const LEGerror& error) {
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
  jclass Class = pEnv->FindClass(classPath);
  if (Class == nullptr) {
    if (JNIkeepVirtualMachineError(pEnv)) return;
    endWithError(pEnv, 38, "Java exception class not found", classPath, error);
    return;
  }
  if (pEnv->ThrowNew(Class, error.description().c_str()) != 0) {
    if (JNIkeepVirtualMachineError(pEnv)) return;
    endWithError(pEnv, 46, "Failed to throw Java exception", classPath, error);
  }
}
