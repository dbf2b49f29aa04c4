// The LLP natives of vrn_java: LlpServer, LlpConnection and LlpClient over sockmod2's
// listener, connection and client. Their roads are framed and guarded; the server and the
// client each install their event callbacks once per process, at their first Create, and
// the events reach the Java object that AddListener registered (VRNlisteners), on
// whatever thread sockmod2 uses.
#pragma once

#include "contracts/VRNlibraryContract.h"

#include <jni.h>

typedef VRNresult (*VRNllpCreate)(VRNhandle*);
typedef VRNresult (*VRNllpCall)(VRNhandle);
typedef VRNresult (*VRNllpGetInt)(VRNhandle, int*);
typedef VRNresult (*VRNllpSetInt)(VRNhandle, int);
typedef VRNresult (*VRNllpGetFlag)(VRNhandle, unsigned char*);
typedef VRNresult (*VRNllpGetText)(VRNhandle, const char**);
typedef VRNresult (*VRNllpSetText)(VRNhandle, const char*);
typedef VRNresult (*VRNllpGetIndexed)(VRNhandle, int, VRNhandle*);
typedef VRNresult (*VRNllpLoop)();
typedef VRNresult (*VRNllpPrintable)(VRNhandle, const char*, const char*, int, const char**);
typedef VRNresult (*VRNllpConnect)(VRNhandle, const char*, int);

// The installer of a class's callbacks, which its Create runs first.
typedef void (*VRNllpInstall)(JNIEnv* env);
#define VRN_LLP_INSTALL_LlpServer VRNlistenerInitialize
#define VRN_LLP_INSTALL_LlpClient VRNclientInitialize

// The installers, once per process each.
void VRNlistenerInitialize(JNIEnv* env);
void VRNclientInitialize(JNIEnv* env);

jlong VRNllpCreateRoad(JNIEnv* env, VRNllpInstall install, VRNllpCreate function);
void VRNllpFramedCall(JNIEnv* env, jlong h, VRNllpCall function);
void VRNllpMessageLoop(JNIEnv* env, VRNllpLoop function);
jint VRNllpIntGetter(JNIEnv* env, jlong h, VRNllpGetInt function);
void VRNllpIntSetter(JNIEnv* env, jlong h, jint value, VRNllpSetInt function);
jboolean VRNllpFlagGetter(JNIEnv* env, jlong h, VRNllpGetFlag function);
jstring VRNllpTextGetter(JNIEnv* env, jlong h, VRNllpGetText function);
void VRNllpTextSetter(JNIEnv* env, jlong h, jstring value, VRNllpSetText function, const char* variable,
                      const char* method);
jobject VRNllpConnectionGetter(JNIEnv* env, jlong h, jint index, VRNllpGetIndexed function);
jstring VRNllpPrintableRoad(JNIEnv* env, jlong h, jstring input, jstring newLine, jint count,
                            VRNllpPrintable function, const char* variable, const char* method);
void VRNllpConnectRoad(JNIEnv* env, jlong h, jstring host, jint port, VRNllpConnect function,
                       const char* variable, const char* method);

// GuardedCreate (a connection made by hand) is the encoding object's shape.
#define VRN_SHAPE_LlpCreate(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M) { (void)self; return VRNllpCreateRoad(env, VRN_LLP_INSTALL_##C, F); }
#define VRN_SHAPE_FramedCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { (void)self; VRNllpFramedCall(env, h, F); }
#define VRN_SHAPE_MessageLoop(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { (void)self; (void)h; VRNllpMessageLoop(env, F); }
#define VRN_SHAPE_IntGetter(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h) { (void)self; return VRNllpIntGetter(env, h, F); }
#define VRN_SHAPE_IntSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jint i) { (void)self; VRNllpIntSetter(env, h, i, F); }
#define VRN_SHAPE_FlagGetter(C, M, F, V, N) \
  VRN_NATIVE(jboolean, C, M, jlong h) { (void)self; return VRNllpFlagGetter(env, h, F); }
#define VRN_SHAPE_TextGetter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h) { (void)self; return VRNllpTextGetter(env, h, F); }
#define VRN_SHAPE_TextSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jstring s) { (void)self; VRNllpTextSetter(env, h, s, F, V, N); }
#define VRN_SHAPE_ConnectionGetter(C, M, F, V, N) \
  VRN_NATIVE(jobject, C, M, jlong h, jint i) { (void)self; return VRNllpConnectionGetter(env, h, i, F); }
#define VRN_SHAPE_Printable(C, M, F, V, N)                                               \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s, jstring l, jint n) {                     \
    (void)self;                                                                          \
    return VRNllpPrintableRoad(env, h, s, l, n, F, V, N);                                \
  }
#define VRN_SHAPE_Connect(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jstring s, jint p) { (void)self; VRNllpConnectRoad(env, h, s, p, F, V, N); }
