// The error roads of the JNI natives: an outside library's error handle turned into a C++
// error (JNIcheckDllResult, JNIdllError), a caught LEGerror turned into a pending Java
// exception of the bridge's own class (JNIthrowException), the null checks of arguments,
// and Java objects made around outside object handles. When no Java exception can be
// raised at all, the JVM is ended through FatalError with a text naming the class.
#pragma once

#include "LEG/LEGerror.h"

#include <jni.h>

#include <atomic>
#include <mutex>

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

// A class with its (J)V constructor, found on a Java thread, for callbacks from an outside
// library's threads: on a thread with no Java frame FindClass searches the system class
// loader only, which a host that loads our classes through a loader of its own (an
// engine's plug-ins, a server's applications) leaves without them, or with a second copy.
// hold() runs inside a native method, so through the loader of the class that declares
// it. The class is held by a weak global reference: it must not keep that loader alive,
// or a host could never drop its plug-in and load this library again through a new
// loader. The objects whose events need the class (listeners of the same loader) keep it
// loaded while they can call back; once it has been unloaded, the next hold() finds the
// class afresh. A class or constructor hold() cannot find leaves nothing pending, and the
// next hold() looks again. Safe from several threads.
class JNIheldClass {
public:
  explicit JNIheldClass(const char* classPath) : m_Path(classPath) {}
  JNIheldClass(const JNIheldClass&) = delete;
  JNIheldClass& operator=(const JNIheldClass&) = delete;

  void hold(JNIEnv* pEnv);
  bool held() const { return m_Held.load(); }
  const char* path() const { return m_Path; }
  // An object made by the held constructor with the handle. Null with nothing pending when
  // no class is held or the one held has been unloaded; null with the JVM's exception
  // pending when NewObject fails.
  jobject createObject(JNIEnv* pEnv, void* handle) const;

private:
  const char* m_Path;
  jweak m_Class = nullptr;
  jmethodID m_Constructor = nullptr;
  std::atomic<bool> m_Held{false};  // set once Class and Constructor are written
  mutable std::mutex m_Lock;
};

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
