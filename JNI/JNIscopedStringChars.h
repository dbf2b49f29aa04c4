// JNIscopedStringChars: gives back, once, the characters that a conversion borrowed from a
// Java string (UTF-16 from GetStringChars, modified UTF-8 from GetStringUTFChars). Its
// user sets the fields as it borrows; the holder releases only what is set.
#pragma once

#include <jni.h>

class JNIscopedStringChars {
public:
  JNIscopedStringChars(JNIEnv* pEnvironment, jstring javaString)
      : pEnv(pEnvironment), string(javaString), pChars(nullptr), pUtfChars(nullptr) {}
  ~JNIscopedStringChars() {
    if (pChars != nullptr) pEnv->ReleaseStringChars(string, pChars);
    if (pUtfChars != nullptr) pEnv->ReleaseStringUTFChars(string, pUtfChars);
  }
  JNIscopedStringChars(const JNIscopedStringChars&) = delete;
  JNIscopedStringChars& operator=(const JNIscopedStringChars&) = delete;

  JNIEnv* pEnv;
  jstring string;
  const jchar* pChars;
  const char* pUtfChars;
};
