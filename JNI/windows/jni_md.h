/* The machine-dependent JNI types and linkage for 64-bit Windows, for the mingw-w64 build:
   the JDK's own jni.h is used on both builds, but the host JDK only carries the Linux
   variant of this header. On Windows long is 32 bits, so jint is int. */
#ifndef JNI_MD_H_OLVENMARK_WINDOWS
#define JNI_MD_H_OLVENMARK_WINDOWS

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
/* The JVM's Windows entry points are __stdcall; on x64 the compiler treats it as the one
   calling convention there is, and 32-bit builds would need it. */
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
