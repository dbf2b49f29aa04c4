// JNIscopedEnvPointer: the JNIEnv of the current thread for the length of a callback from
// an outside library. A thread the JVM does not know is attached for that length and
// detached at the end; a thread that was already attached is used as it is and stays so.
#pragma once

#include <jni.h>

class JNIscopedEnvPointer {
public:
  // Raises a COLerror when the thread cannot be attached or has no environment.
  JNIscopedEnvPointer(JavaVM* pVm, jint version);
  ~JNIscopedEnvPointer();
  JNIscopedEnvPointer(const JNIscopedEnvPointer&) = delete;
  JNIscopedEnvPointer& operator=(const JNIscopedEnvPointer&) = delete;

private:
  // Non-null only when this object attached the thread and must detach it.
  JavaVM* m_pAttachedVm;

public:
  JNIEnv* pEnv;
};
