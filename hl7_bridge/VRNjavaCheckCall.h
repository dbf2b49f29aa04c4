// The bridge's fatal exit, for a Java method that it must call and cannot find: the text
// goes to the console, which then waits for a key, or into a message box when the process
// has no console, and the process ends with exit code 1. Nothing returns from it.
#pragma once

// The two JNI types as jni.h declares them for C++, so that this unit needs no JDK; a
// caller that includes jni.h passes its JNIEnv* and jmethodID unchanged.
struct JNIEnv_;
struct _jmethodID;

// True for a found method; for a null one, the fatal exit with the condition
// "Java method located" and the detail "Method: " followed by the description.
bool VRNjavaCheckMethodLocated(JNIEnv_* env, _jmethodID* method, const char* description);

// The text is the condition, " not true in ", the source, " at ", the line and, on a line
// of its own, the detail when there is one; the line is passed before the source, as to
// every check of the library. Whatever fails on the way (a system library that cannot be
// loaded, a function missing from it), the process still ends with code 1, the text then
// written to standard error, and no exception leaves.
[[noreturn]] void VRNjavaFatalExit(const char* condition, int line, const char* source,
                                   const char* detail) noexcept;
// Raises a COLerror when kernel32.dll or its GetConsoleWindow cannot be found.
bool VRNjavaHasConsoleWindow();
[[noreturn]] void VRNjavaFatalExitConsole(const char* condition, int line, const char* source,
                                          const char* detail) noexcept;
[[noreturn]] void VRNjavaFatalExitMessageBox(const char* condition, int line, const char* source,
                                             const char* detail) noexcept;
