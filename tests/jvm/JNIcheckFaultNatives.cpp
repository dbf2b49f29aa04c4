// Natives that each misuse JNI in one way that -Xcheck:jni reports as a warning and then
// lets the program go on. The JVM run checker must fail a run whose output holds any of
// them, even though every case of the run passed. Only the checker's own tests load this.
// One more fault is ours alone: a freed name read through the C library, which the
// sanitizer build must still report inside the JVM, whatever it forgives the JVM itself.
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {

// More local references than the native frame was promised (the JVM plans for 32).
JNIEXPORT void JNICALL Java_jnicheck_FaultNatives_overflowLocalReferences(JNIEnv* env, jclass) {
  for (int i = 0; i < 40; ++i) {
    if (env->NewStringUTF("x") == nullptr) return;
  }
}

// A JNI call after one that may throw, without asking whether it did.
JNIEXPORT void JNICALL Java_jnicheck_FaultNatives_skipExceptionCheck(JNIEnv* env, jclass) {
  jclass type = env->FindClass("java/lang/Object");
  if (type == nullptr) return;
  jmethodID hash = env->GetMethodID(type, "hashCode", "()I");
  if (hash == nullptr) return;
  jobject object = env->AllocObject(type);
  if (object == nullptr) return;
  env->CallIntMethod(object, hash);
  env->GetObjectClass(object);
}

// Another JNI call while a critical region is open.
JNIEXPORT void JNICALL Java_jnicheck_FaultNatives_callInsideCritical(JNIEnv* env, jclass, jintArray values) {
  void* elements = env->GetPrimitiveArrayCritical(values, nullptr);
  if (elements == nullptr) return;
  env->GetArrayLength(values);
  env->ReleasePrimitiveArrayCritical(values, elements, JNI_ABORT);
}

// A library's name formatted after its memory was given back, as the JVM's own unload
// log does; the volatile pointer keeps the compiler from seeing the fault.
JNIEXPORT jint JNICALL Java_jnicheck_FaultNatives_formatFreedName(JNIEnv*, jclass) {
  char* volatile name = static_cast<char*>(std::malloc(16));
  if (name == nullptr) return 0;
  std::strcpy(name, "libfreed.so");
  std::free(name);
  char line[64];
  return std::snprintf(line, sizeof line, "Unloaded shared library %s", name);
}

}  // extern "C"
