// The natives of framework.TextNatives (java/framework): the two conversions of Java
// strings inside a real JVM, so that -Xcheck:jni judges how they borrow characters and
// make strings, and the JVM's own UTF-8 can be held against ours. Only the tests load it.
#include "JNI/JNIimplement.h"
#include "JNI/JNIscopedLocalFrame.h"
#include "plugin_bridge/TLMjavaString.h"

#include <string>

namespace {

const char TestException[] = "framework/TestException";

template <class Result, class Body>
Result guarded(JNIEnv* env, Body body) {
  try {
    return body();
  } catch (const LEGerror& error) {
    JNIthrowException(env, TestException, error);
  } catch (const COLerror& error) {
    JNIthrowException(env, TestException, LEGerrorFrom(error));
  } catch (...) {
    JNIthrowException(env, TestException, LEGerror("Unhandled exception", COL_ERROR_PRECONDITION));
  }
  return Result();
}

}  // namespace

extern "C" {

// The bytes as the plug-in library would hand them over: a NUL-terminated text.
JNIEXPORT jstring JNICALL Java_framework_TextNatives_fromUtf8(JNIEnv* env, jclass, jbyteArray bytes) {
  return guarded<jstring>(env, [&] {
    std::string text;
    {
      JNIscopedLocalFrame frame(env, 16);
      const jsize length = env->GetArrayLength(bytes);
      text.resize(static_cast<size_t>(length));
      env->GetByteArrayRegion(bytes, 0, length, reinterpret_cast<jbyte*>(&text[0]));
    }
    return TLMjavaStringFromUtf8(env, text.c_str());
  });
}

JNIEXPORT jbyteArray JNICALL Java_framework_TextNatives_toUtf8(JNIEnv* env, jclass, jstring text) {
  return guarded<jbyteArray>(env, [&]() -> jbyteArray {
    COLstring utf8;
    {
      JNIscopedLocalFrame frame(env, 16);
      JNIcheckStringNotNull(text, "text", "toUtf8");
      utf8 = TLMjavaStringToUtf8(env, text);
    }
    jbyteArray result = env->NewByteArray(utf8.size());
    if (result == nullptr) return nullptr;
    env->SetByteArrayRegion(result, 0, utf8.size(), reinterpret_cast<const jbyte*>(utf8.c_str()));
    return result;
  });
}

}  // extern "C"
