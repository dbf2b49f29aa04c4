// The JVM that a bridge benchmark starts in its own process, to time natives and callbacks
// as Java reaches them. Header-only: each benchmark program that hosts a JVM includes it.
#pragma once

#include <jni.h>

#include <cstdio>
#include <string>

// Starts a JVM with the class path and library path the build gave the program; false,
// with a line on standard error naming the program, when it cannot be started.
inline bool BENCHstartJvm(const char* program, const char* classPath, const char* libraryPath, JavaVM** vm,
                          JNIEnv** env) {
  std::string classOption = std::string("-Djava.class.path=") + classPath;
  std::string libraryOption = std::string("-Djava.library.path=") + libraryPath;
  JavaVMOption options[2];
  options[0].optionString = &classOption[0];
  options[1].optionString = &libraryOption[0];
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_1_8;
  args.nOptions = 2;
  args.options = options;
  if (JNI_CreateJavaVM(vm, reinterpret_cast<void**>(env), &args) != JNI_OK) {
    std::fprintf(stderr, "%s: no JVM\n", program);
    return false;
  }
  return true;
}
