// The error roads of the JNI natives: an outside library's error handle turned into a C++
// error (JNIcheckDllResult, JNIdllError), a caught LEGerror turned into a pending Java
// exception of the bridge's own class (JNIthrowException), the null checks of arguments,
// and Java objects made around outside object handles. When no Java exception can be
// raised at all, the JVM is ended through FatalError with a text naming the class.
#pragma once

#include "LEG/LEGerror.h"

#include <jni.h>

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

// Null passes; the all-ones handle raises COLerror "Unhandled exception"; any other handle
// raises a JNIdllError carrying it.
void JNIcheckDllResult(void* handle);

void JNIcheckStringNotNull(jstring value, const char* variableName, const char* methodName);
void JNIcheckDateNotNull(jobject value, const char* variableName, const char* methodName);

// An object of the class made by its (J)V constructor with the handle; null when the class
// or the constructor is missing, the JVM's exception then left pending.
jobject JNIcreateObjectFromHandle(JNIEnv* pEnv, const char* classPath, void* handle);

// Each leaves exactly one Java exception pending, replacing one that was pending before.
void JNIthrowException(JNIEnv* pEnv, const char* classPath, const LEGerror& error);
void JNIthrowByHandle(JNIEnv* pEnv, const char* classPath, void* handle);
void JNIthrowByDescription(JNIEnv* pEnv, const char* classPath, const LEGerror& error);
