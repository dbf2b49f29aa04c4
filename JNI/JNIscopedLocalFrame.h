// JNIscopedLocalFrame: a JNI local reference frame for the length of one native method or
// callback; every local reference made inside goes when the frame ends, so a native makes
// what it returns after its frame has closed. A frame whose constructor raised pushed
// nothing and pops nothing.
#pragma once

#include <jni.h>

class JNIscopedLocalFrame {
public:
  // Raises a COLerror when the JVM cannot reserve the capacity.
  JNIscopedLocalFrame(JNIEnv* pEnv, jint capacity);
  ~JNIscopedLocalFrame();
  JNIscopedLocalFrame(const JNIscopedLocalFrame&) = delete;
  JNIscopedLocalFrame& operator=(const JNIscopedLocalFrame&) = delete;

private:
  JNIEnv* m_pEnv;
};
