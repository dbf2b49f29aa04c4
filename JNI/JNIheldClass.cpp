#include "JNI/JNIheldClass.h"

#include "JNI/JNIimplement.h"

void JNIheldClass::hold(JNIEnv* pEnv) {
  std::lock_guard<std::mutex> guard(m_Lock);
  if (m_Class != nullptr) {
    jobject alive = pEnv->NewLocalRef(m_Class);
    if (alive != nullptr) {
      pEnv->DeleteLocalRef(alive);
      return;
    }
    // Unloaded with its loader: the classes now asking are another loader's.
    m_Held.store(false);
    pEnv->DeleteWeakGlobalRef(m_Class);
    m_Class = nullptr;
    m_Constructor = nullptr;
  }
  jclass found = pEnv->FindClass(m_Path);
  jmethodID constructor = found != nullptr ? pEnv->GetMethodID(found, "<init>", "(J)V") : nullptr;
  jweak weak = constructor != nullptr ? pEnv->NewWeakGlobalRef(found) : nullptr;
  pEnv->ExceptionClear();
  if (found != nullptr) pEnv->DeleteLocalRef(found);
  if (weak == nullptr) return;
  m_Class = weak;
  m_Constructor = constructor;
  m_Held.store(true);
}

jobject JNIheldClass::createObject(JNIEnv* pEnv, void* handle) const {
  jclass type = nullptr;
  jmethodID constructor = nullptr;
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    if (m_Class == nullptr) return nullptr;
    type = static_cast<jclass>(pEnv->NewLocalRef(m_Class));
    constructor = m_Constructor;
  }
  if (type == nullptr) return nullptr;
  jobject made = pEnv->NewObject(type, constructor, JNIlongOf(handle));
  pEnv->DeleteLocalRef(type);
  return made;
}
