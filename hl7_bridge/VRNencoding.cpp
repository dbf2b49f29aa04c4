// The roads of VarnelEncoding's natives, over sockmod2.
#include "hl7_bridge/VRNshapes.h"

#include "COL/COLstring.h"
#include "JNI/JNIscopedLocalFrame.h"

namespace {

const jint kFrameCapacity = 16;

// A library text kept past the frame, so that its Java string is made outside it.
COLstring keep(const char* text) { return text == nullptr ? COLstring() : COLstring(text); }

}  // namespace

jlong VRNguardedCreate(JNIEnv* env, VRNcreate function) {
  VRNhandle made = nullptr;
  VRNguardedCall(env, [&] { VRNjniCheckResult(function(&made)); });
  return JNIlongOf(made);
}

jstring VRNframedTextGetter(JNIEnv* env, VRNgetGlobalText function) {
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    bool present = false;
    COLstring text;
    {
      JNIscopedLocalFrame frame(env, kFrameCapacity);
      const char* locale = nullptr;
      VRNjniCheckResult(function(&locale));
      present = locale != nullptr;
      text = keep(locale);
    }
    return present ? VRNjavaStringFromMultiByte(env, text.c_str()) : nullptr;
  });
}

void VRNframedTextSetter(JNIEnv* env, jstring value, VRNsetGlobalText function, const char* variable,
                         const char* method) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckString(value, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, variable, method);
    VRNjniCheckResult(function(text.text));
  });
}

jint VRNframedCount(JNIEnv* env, VRNgetGlobalCount function) {
  return VRNguarded(env, jint(0), [&]() -> jint {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    int count = 0;
    VRNjniCheckResult(function(&count));
    return count;
  });
}

// The index crosses as the 32-bit int that sockmod2 takes.
jstring VRNframedIndexText(JNIEnv* env, jint index, VRNgetGlobalIndexedText function) {
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    bool present = false;
    COLstring text;
    {
      JNIscopedLocalFrame frame(env, kFrameCapacity);
      const char* locale = nullptr;
      VRNjniCheckResult(function(index, &locale));
      present = locale != nullptr;
      text = keep(locale);
    }
    return present ? VRNjavaStringFromMultiByte(env, text.c_str()) : nullptr;
  });
}
