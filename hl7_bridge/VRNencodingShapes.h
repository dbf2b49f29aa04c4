// The shapes of VarnelEncoding's natives: sockmod2's process-wide translation locale and
// its encoding object. Guarded style; the locale methods run inside a local frame, and a
// returned string is made after the frame has closed. The roads are in VRNencoding.cpp.
#pragma once

// Included at the end of VRNshapes.h, after VRNdataShapes.h, whose types it uses.

typedef VRNresult (*VRNgetGlobalText)(const char**);
typedef VRNresult (*VRNsetGlobalText)(const char*);
typedef VRNresult (*VRNgetGlobalCount)(int*);
typedef VRNresult (*VRNgetGlobalIndexedText)(int, const char**);

jlong VRNguardedCreate(JNIEnv* env, VRNcreate function);
jstring VRNframedTextGetter(JNIEnv* env, VRNgetGlobalText function);
void VRNframedTextSetter(JNIEnv* env, jstring value, VRNsetGlobalText function, const char* variable,
                         const char* method);
jint VRNframedCount(JNIEnv* env, VRNgetGlobalCount function);
jstring VRNframedIndexText(JNIEnv* env, jint index, VRNgetGlobalIndexedText function);

#define VRN_SHAPE_GuardedCreate(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M) { (void)self; return VRNguardedCreate(env, F); }
#define VRN_SHAPE_FramedTextGetter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M) { (void)self; return VRNframedTextGetter(env, F); }
#define VRN_SHAPE_FramedTextSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jstring s) { (void)self; VRNframedTextSetter(env, s, F, V, N); }
#define VRN_SHAPE_FramedCount(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M) { (void)self; return VRNframedCount(env, F); }
#define VRN_SHAPE_FramedIndexText(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jint i) { (void)self; return VRNframedIndexText(env, i, F); }
