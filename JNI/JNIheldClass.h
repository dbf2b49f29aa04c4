// JNIheldClass: a class with its (J)V constructor, held for callbacks that must make
// objects of it on threads where the class cannot be looked up.
#pragma once

#include <jni.h>

#include <atomic>
#include <mutex>

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
