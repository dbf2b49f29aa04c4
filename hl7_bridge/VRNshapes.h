// The shapes of vrn_java's natives: each is the whole road of one kind of native, from
// the Java arguments through the checks and conversions to the library call and the
// result, written once. VRN_SHAPE_<Shape> makes the exported JNI function of one table
// line (contracts/VRNnatives.def) and hands it to the shape's road with the line's library
// function and null-check names. Every road is one guarded region.
#pragma once

#include "hl7_bridge/VRNjniImplement.h"
#include "contracts/VRNlibraryContract.h"
#include "hl7_bridge/VRNlisteners.h"
#include "hl7_bridge/VRNllp.h"

#include <jni.h>

#define VRN_JNI_NAME(Class, Method) Java_com_olvenmark_varnel_##Class##_##Method
#define VRN_NATIVE(Result, Class, Method, ...) \
  extern "C" JNIEXPORT Result JNICALL VRN_JNI_NAME(Class, Method)(JNIEnv * env, jobject self, ##__VA_ARGS__)

typedef VRNresult (*VRNgetInt64)(VRNhandle, int64_t*);
typedef VRNresult (*VRNgetHandle)(VRNhandle, VRNhandle*);
typedef VRNresult (*VRNsetInt64)(VRNhandle, int64_t);
typedef VRNresult (*VRNcall)(VRNhandle);
typedef VRNresult (*VRNsetText)(VRNhandle, const char*);
typedef VRNresult (*VRNsetFlag)(VRNhandle, unsigned char);
typedef VRNresult (*VRNgetIndexedText)(VRNhandle, int64_t, const char**);
typedef VRNresult (*VRNindexTableCall)(VRNhandle, int64_t, VRNhandle);
typedef VRNresult (*VRNtextToText)(VRNhandle, const char*, const char**);
typedef VRNresult (*VRNsetTextPair)(VRNhandle, const char*, const char*);
typedef VRNresult (*VRNprintable)(VRNhandle, const char*, const char*, const char**);

// Direct roads, no text: the handle's error goes straight to a VarnelException.
jint VRNdirectIndexGetter(JNIEnv* env, jlong h, VRNgetInt64 function);
jlong VRNdirectHandleGetter(JNIEnv* env, jlong h, VRNgetHandle function);
void VRNdirectIndexSetter(JNIEnv* env, jlong h, jint index, VRNsetInt64 function);
jint VRNdirectIdentifierCount(JNIEnv* env, jlong h, jint messageIndex, VRNgetInt64 function);

// Guarded roads.
void VRNguardedPlainCall(JNIEnv* env, jlong h, VRNcall function);
void VRNguardedTextSetter(JNIEnv* env, jlong h, jstring value, VRNsetText function, const char* variable,
                          const char* method);
void VRNguardedIndexTableCall(JNIEnv* env, jlong h, jint index, jlong table, VRNindexTableCall function);
jint VRNguardedIntGetter(JNIEnv* env, jlong h, VRNgetInt64 function);
void VRNguardedFlagSetter(JNIEnv* env, jlong h, jboolean value, VRNsetFlag function);
jstring VRNguardedIndexTextGetter(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function);
jstring VRNguardedTextToText(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* variable,
                             const char* method);

// Direct roads whose conversions are guarded.
jstring VRNdirectTextToText(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method);
void VRNdirectTextCall(JNIEnv* env, jlong h, jstring value, VRNsetText function, const char* method);
jstring VRNdirectIdentifierValue(JNIEnv* env, jlong h, jint messageIndex, jint identIndex,
                                 VRNgetIndexedText function);
void VRNdirectTextPairCall(JNIEnv* env, jlong h, jstring key, jstring value, VRNsetTextPair function,
                           const char* method);
jstring VRNdirectPrintable(JNIEnv* env, jlong h, jstring value, VRNprintable function, const char* method);

// Roads that report the library's failure in their result instead of raising.
jboolean VRNreportSuccess(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method);
jstring VRNreportError(JNIEnv* env, jlong h, jstring value, VRNtextToText function, const char* method);

// The Engine's own roads (VRNengine.cpp).
jlong VRNengineCreateRoad(JNIEnv* env);
jint VRNengineParseRoad(JNIEnv* env, jlong h, jstring message, jlong table, const char* variable,
                        const char* method);
jstring VRNengineGenerateRoad(JNIEnv* env, jlong h, jint messageIndex, jlong table);
jstring VRNengineTransformRoad(JNIEnv* env, jlong h, jstring message, jint first, jint second,
                               const char* variable, const char* method);

// One exported function per shape; F is the table line's library function.
#define VRN_SHAPE_DirectIndexGetter(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h) { (void)self; return VRNdirectIndexGetter(env, h, F); }
#define VRN_SHAPE_DirectHandleGetter(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jlong h) { (void)self; return VRNdirectHandleGetter(env, h, F); }
#define VRN_SHAPE_DirectIndexSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jint i) { (void)self; VRNdirectIndexSetter(env, h, i, F); }
#define VRN_SHAPE_DirectIdentifierCount(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jint i) { (void)self; return VRNdirectIdentifierCount(env, h, i, F); }
#define VRN_SHAPE_EngineCreate(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M) { (void)self; return VRNengineCreateRoad(env); }
#define VRN_SHAPE_GuardedCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { (void)self; VRNguardedPlainCall(env, h, F); }
#define VRN_SHAPE_GuardedTextSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jstring s) { (void)self; VRNguardedTextSetter(env, h, s, F, V, N); }
#define VRN_SHAPE_EngineParse(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jstring s, jlong t) { (void)self; return VRNengineParseRoad(env, h, s, t, V, N); }
#define VRN_SHAPE_EngineGenerate(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jint i, jlong t) { (void)self; return VRNengineGenerateRoad(env, h, i, t); }
#define VRN_SHAPE_GuardedIndexTableCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jint i, jlong t) { (void)self; VRNguardedIndexTableCall(env, h, i, t, F); }
#define VRN_SHAPE_GuardedIntGetter(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h) { (void)self; return VRNguardedIntGetter(env, h, F); }
#define VRN_SHAPE_GuardedFlagSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jboolean b) { (void)self; VRNguardedFlagSetter(env, h, b, F); }
#define VRN_SHAPE_GuardedIndexTextGetter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jint i) { (void)self; return VRNguardedIndexTextGetter(env, h, i, F); }
#define VRN_SHAPE_EngineTransform(C, M, F, V, N)                                       \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s, jint a, jint b) {                      \
    (void)self;                                                                        \
    return VRNengineTransformRoad(env, h, s, a, b, V, N);                                    \
  }
#define VRN_SHAPE_GuardedTextToText(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s) { (void)self; return VRNguardedTextToText(env, h, s, F, V, N); }
#define VRN_SHAPE_DirectTextToText(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s) { (void)self; return VRNdirectTextToText(env, h, s, F, N); }
#define VRN_SHAPE_DirectTextCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jstring s) { (void)self; VRNdirectTextCall(env, h, s, F, N); }
#define VRN_SHAPE_DirectIdentifierValue(C, M, F, V, N)                                 \
  VRN_NATIVE(jstring, C, M, jlong h, jint a, jint b) {                                 \
    (void)self;                                                                        \
    return VRNdirectIdentifierValue(env, h, a, b, F);                                  \
  }
#define VRN_SHAPE_DirectTextPairCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jstring k, jstring s) { (void)self; VRNdirectTextPairCall(env, h, k, s, F, N); }
#define VRN_SHAPE_DirectPrintable(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s) { (void)self; return VRNdirectPrintable(env, h, s, F, N); }
#define VRN_SHAPE_ReportSuccess(C, M, F, V, N) \
  VRN_NATIVE(jboolean, C, M, jlong h, jstring s) { (void)self; return VRNreportSuccess(env, h, s, F, N); }
#define VRN_SHAPE_ReportError(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s) { (void)self; return VRNreportError(env, h, s, F, N); }

// The data classes' shapes and VarnelEncoding's.
#include "hl7_bridge/VRNdataShapes.h"
#include "hl7_bridge/VRNencodingShapes.h"
