// The LLP natives of vrn_java: LlpServer, LlpConnection and LlpClient over sockmod2's
// listener, connection and client. Their roads are framed and guarded; the server and the
// client each install their event callbacks once per process (VRNllpUnit), and the events
// reach the Java object that AddListener registered, on whatever thread sockmod2 uses.
#pragma once

#include "contracts/VRNlibraryContract.h"

#include <jni.h>

typedef VRNresult (*VRNllpCreate)(VRNhandle*);
typedef VRNresult (*VRNllpCall)(VRNhandle);
typedef VRNresult (*VRNllpUserCall)(VRNhandle, void*);
typedef VRNresult (*VRNllpGetInt)(VRNhandle, int*);
typedef VRNresult (*VRNllpSetInt)(VRNhandle, int);
typedef VRNresult (*VRNllpGetFlag)(VRNhandle, unsigned char*);
typedef VRNresult (*VRNllpGetText)(VRNhandle, const char**);
typedef VRNresult (*VRNllpSetText)(VRNhandle, const char*);
typedef VRNresult (*VRNllpGetIndexed)(VRNhandle, int, VRNhandle*);
typedef VRNresult (*VRNllpLoop)();
typedef VRNresult (*VRNllpPrintable)(VRNhandle, const char*, const char*, int, const char**);
typedef VRNresult (*VRNllpConnect)(VRNhandle, const char*, int);

// What the server and the client do differently: the installer of their callbacks, and
// the function that takes their listener back.
struct VRNllpUnit {
  void (*Install)(JNIEnv* env);
  VRNllpUserCall RemoveListener;
};
const VRNllpUnit& VRNllpServerUnit();
const VRNllpUnit& VRNllpClientUnit();
#define VRN_LLP_UNIT_LlpServer VRNllpServerUnit()
#define VRN_LLP_UNIT_LlpClient VRNllpClientUnit()

// The installers, once per process each.
void VRNlistenerInitialize(JNIEnv* env);
void VRNclientInitialize(JNIEnv* env);

jlong VRNllpCreateRoad(JNIEnv* env, const VRNllpUnit* unit, VRNllpCreate function);
jlong VRNllpAddListenerRoad(JNIEnv* env, jobject self, jlong h, VRNllpUserCall function);
void VRNllpReleaseRoad(JNIEnv* env, jlong h, jlong listener, const VRNllpUnit& unit, VRNllpCall function);
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
  VRN_NATIVE(jlong, C, M) { (void)self; return VRNllpCreateRoad(env, &VRN_LLP_UNIT_##C, F); }
#define VRN_SHAPE_LlpAddListener(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jlong h) { return VRNllpAddListenerRoad(env, self, h, F); }
#define VRN_SHAPE_LlpRelease(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jlong l) { (void)self; VRNllpReleaseRoad(env, h, l, VRN_LLP_UNIT_##C, F); }
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
