// The shapes of the data classes' natives (Table, Config, VarnelException, VarnelDateTime):
// vrn_core's objects read and written cell by cell, field by field. Every road is direct:
// a failed library call raises at once around its error handle, and only the conversions
// of texts run inside a guard. The roads are in VRNdata.cpp.
#pragma once

// Included at the end of VRNshapes.h, whose types and VRN_NATIVE it uses.

typedef VRNresult (*VRNcreate)(VRNhandle*);
typedef VRNresult (*VRNgetText)(VRNhandle, const char**);
typedef VRNresult (*VRNgetCellHandle)(VRNhandle, int64_t, int64_t, VRNhandle*);
typedef VRNresult (*VRNgetIndexedInt32)(VRNhandle, int64_t, int32_t*);
typedef VRNresult (*VRNgetCellFlag)(VRNhandle, int64_t, int64_t, unsigned char*);
typedef VRNresult (*VRNgetCellInt32)(VRNhandle, int64_t, int64_t, int32_t*);
typedef VRNresult (*VRNgetCellText)(VRNhandle, int64_t, int64_t, const char**);
typedef VRNresult (*VRNgetCellDouble)(VRNhandle, int64_t, int64_t, double*);
typedef VRNresult (*VRNgetCellInt64)(VRNhandle, int64_t, int64_t, int64_t*);
typedef VRNresult (*VRNsetCellDouble)(VRNhandle, int64_t, int64_t, double);
typedef VRNresult (*VRNsetCellInt32)(VRNhandle, int64_t, int64_t, int32_t);
typedef VRNresult (*VRNsetCellInt64)(VRNhandle, int64_t, int64_t, int64_t);
typedef VRNresult (*VRNsetCellText)(VRNhandle, int64_t, int64_t, const char*);
typedef VRNresult (*VRNgetCount32)(VRNhandle, int*);
typedef VRNresult (*VRNgetDouble)(VRNhandle, double*);
typedef VRNresult (*VRNgetUint16)(VRNhandle, uint16_t*);
typedef VRNresult (*VRNsetDouble)(VRNhandle, double);
typedef VRNresult (*VRNsetUint16)(VRNhandle, uint16_t);
typedef VRNresult (*VRNsetUint16Pair)(VRNhandle, uint16_t, uint16_t);

jlong VRNdirectCreate(JNIEnv* env, VRNcreate function);
void VRNdirectCall(JNIEnv* env, jlong h, VRNcall function);
jstring VRNdirectTextGetter(JNIEnv* env, jlong h, VRNgetText function);
jlong VRNdirectCellHandle(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellHandle function);
jint VRNdirectCountGetter(JNIEnv* env, jlong h, VRNgetInt64 function);
jint VRNdirectColumnType(JNIEnv* env, jlong h, jint column, VRNgetIndexedInt32 function);
jstring VRNdirectIndexTextGetter(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function);
jboolean VRNdirectCellFlag(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellFlag function);
jint VRNdirectCellInt(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellInt32 function, jint failure);
jstring VRNdirectCellText(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellText function);
jdouble VRNdirectCellDouble(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellDouble function);
jlong VRNdirectCellLong(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellInt64 function);
void VRNdirectCellDoubleSetter(JNIEnv* env, jlong h, jint first, jint second, jdouble value, VRNsetCellDouble function);
void VRNdirectCellIntegerSetter(JNIEnv* env, jlong h, jint first, jint second, jint value, VRNsetCellInt32 function);
void VRNdirectCellLongSetter(JNIEnv* env, jlong h, jint first, jint second, jlong value, VRNsetCellInt64 function);
jstring VRNtableDumpRoad(JNIEnv* env, jlong h);
jint VRNdirectColumnIndex(JNIEnv* env, jlong h, jstring name, const char* method);
void VRNdirectCellTextSetter(JNIEnv* env, jlong h, jint first, jint second, jstring value, VRNsetCellText function,
                             const char* method);

// Delimiters are single bytes other than NUL: U+0000 and a Java character above U+00FF
// are refused, nothing changed.
void VRNconfigSetSeparatorRoad(JNIEnv* env, jlong h, jint level, jchar value, const char* method);
jchar VRNconfigGetSeparatorRoad(JNIEnv* env, jlong h, jint level);
void VRNconfigSetRepeatRoad(JNIEnv* env, jlong h, jchar value, const char* method);
jchar VRNconfigGetRepeatRoad(JNIEnv* env, jlong h);
void VRNconfigSetEscapeRoad(JNIEnv* env, jlong h, jchar value, const char* method);
jchar VRNconfigGetEscapeRoad(JNIEnv* env, jlong h);

// An exception's release native: its own handle goes back through the exception's own
// once-only road, any other value as it stands.
void VRNerrorReleaseRoad(JNIEnv* env, jobject self, jlong h, VRNcall function);
// The error object's texts cross as modified UTF-8 both ways.
jstring VRNerrorTextRoad(JNIEnv* env, jlong h, VRNgetText function);
jlong VRNerrorCreateRoad(JNIEnv* env, jstring message, const char* method);
jstring VRNerrorParameterRoad(JNIEnv* env, jlong h, jstring key, VRNtextToText function, const char* method);
jint VRNerrorCountRoad(JNIEnv* env, jlong h, VRNgetCount32 function);
jstring VRNerrorKeyRoad(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function);

jdouble VRNdirectDoubleGetter(JNIEnv* env, jlong h, VRNgetDouble function);
jdouble VRNdateTimeSecondFractionRoad(JNIEnv* env, jlong h, VRNgetDouble function);
jshort VRNdirectShortGetter(JNIEnv* env, jlong h, VRNgetUint16 function);
jshort VRNdateTimeOffsetIsDefinedRoad(JNIEnv* env, jlong h, VRNgetUint16 function);
void VRNdirectDoubleSetter(JNIEnv* env, jlong h, jdouble value, VRNsetDouble function);
void VRNdirectShortSetter(JNIEnv* env, jlong h, jshort value, VRNsetUint16 function);
void VRNdirectShortPairSetter(JNIEnv* env, jlong h, jshort first, jshort second, VRNsetUint16Pair function);
jboolean VRNdirectShortFlag(JNIEnv* env, jlong h, VRNgetUint16 function);

#define VRN_SHAPE_DirectCreate(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M) { (void)self; return VRNdirectCreate(env, F); }
#define VRN_SHAPE_DirectCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { (void)self; VRNdirectCall(env, h, F); }
#define VRN_SHAPE_NoCall(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { (void)env; (void)self; (void)h; }
#define VRN_SHAPE_DirectTextGetter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h) { (void)self; return VRNdirectTextGetter(env, h, F); }
#define VRN_SHAPE_DirectCellHandle(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellHandle(env, h, a, b, F); }
#define VRN_SHAPE_DirectCountGetter(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h) { (void)self; return VRNdirectCountGetter(env, h, F); }
#define VRN_SHAPE_DirectColumnType(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jint i) { (void)self; return VRNdirectColumnType(env, h, i, F); }
#define VRN_SHAPE_DirectIndexTextGetter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jint i) { (void)self; return VRNdirectIndexTextGetter(env, h, i, F); }
#define VRN_SHAPE_DirectCellFlag(C, M, F, V, N) \
  VRN_NATIVE(jboolean, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellFlag(env, h, a, b, F); }
#define VRN_SHAPE_DirectCellState(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellInt(env, h, a, b, F, -1); }
#define VRN_SHAPE_DirectCellInteger(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellInt(env, h, a, b, F, 0); }
#define VRN_SHAPE_DirectCellText(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellText(env, h, a, b, F); }
#define VRN_SHAPE_DirectCellDouble(C, M, F, V, N) \
  VRN_NATIVE(jdouble, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellDouble(env, h, a, b, F); }
#define VRN_SHAPE_DirectCellLong(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jlong h, jint a, jint b) { (void)self; return VRNdirectCellLong(env, h, a, b, F); }
#define VRN_SHAPE_DirectCellDoubleSetter(C, M, F, V, N)                      \
  VRN_NATIVE(void, C, M, jlong h, jint a, jint b, jdouble v) {               \
    (void)self;                                                              \
    VRNdirectCellDoubleSetter(env, h, a, b, v, F);                           \
  }
#define VRN_SHAPE_DirectCellIntegerSetter(C, M, F, V, N)                     \
  VRN_NATIVE(void, C, M, jlong h, jint a, jint b, jint v) {                  \
    (void)self;                                                              \
    VRNdirectCellIntegerSetter(env, h, a, b, v, F);                          \
  }
#define VRN_SHAPE_DirectCellLongSetter(C, M, F, V, N)                        \
  VRN_NATIVE(void, C, M, jlong h, jint a, jint b, jlong v) {                 \
    (void)self;                                                              \
    VRNdirectCellLongSetter(env, h, a, b, v, F);                             \
  }
#define VRN_SHAPE_TableDump(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h) { (void)self; return VRNtableDumpRoad(env, h); }
#define VRN_SHAPE_DirectColumnIndex(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h, jstring s) { (void)self; return VRNdirectColumnIndex(env, h, s, N); }
#define VRN_SHAPE_DirectCellTextSetter(C, M, F, V, N)                        \
  VRN_NATIVE(void, C, M, jlong h, jint a, jint b, jstring s) {               \
    (void)self;                                                              \
    VRNdirectCellTextSetter(env, h, a, b, s, F, N);                          \
  }
#define VRN_SHAPE_ConfigSetSeparator(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jint l, jchar c) { (void)self; VRNconfigSetSeparatorRoad(env, h, l, c, N); }
#define VRN_SHAPE_ConfigGetSeparator(C, M, F, V, N) \
  VRN_NATIVE(jchar, C, M, jlong h, jint l) { (void)self; return VRNconfigGetSeparatorRoad(env, h, l); }
#define VRN_SHAPE_ConfigSetRepeat(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jchar c) { (void)self; VRNconfigSetRepeatRoad(env, h, c, N); }
#define VRN_SHAPE_ConfigGetRepeat(C, M, F, V, N) \
  VRN_NATIVE(jchar, C, M, jlong h) { (void)self; return VRNconfigGetRepeatRoad(env, h); }
#define VRN_SHAPE_ConfigSetEscape(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jchar c) { (void)self; VRNconfigSetEscapeRoad(env, h, c, N); }
#define VRN_SHAPE_ConfigGetEscape(C, M, F, V, N) \
  VRN_NATIVE(jchar, C, M, jlong h) { (void)self; return VRNconfigGetEscapeRoad(env, h); }
#define VRN_SHAPE_ErrorRelease(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h) { VRNerrorReleaseRoad(env, self, h, F); }
#define VRN_SHAPE_ErrorText(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h) { (void)self; return VRNerrorTextRoad(env, h, F); }
#define VRN_SHAPE_ErrorCreate(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jstring s) { (void)self; return VRNerrorCreateRoad(env, s, N); }
#define VRN_SHAPE_ErrorParameter(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jstring s) { (void)self; return VRNerrorParameterRoad(env, h, s, F, N); }
#define VRN_SHAPE_ErrorCount(C, M, F, V, N) \
  VRN_NATIVE(jint, C, M, jlong h) { (void)self; return VRNerrorCountRoad(env, h, F); }
#define VRN_SHAPE_ErrorKey(C, M, F, V, N) \
  VRN_NATIVE(jstring, C, M, jlong h, jint i) { (void)self; return VRNerrorKeyRoad(env, h, i, F); }
#define VRN_SHAPE_DirectDoubleGetter(C, M, F, V, N) \
  VRN_NATIVE(jdouble, C, M, jlong h) { (void)self; return VRNdirectDoubleGetter(env, h, F); }
#define VRN_SHAPE_SecondFraction(C, M, F, V, N) \
  VRN_NATIVE(jdouble, C, M, jlong h) { (void)self; return VRNdateTimeSecondFractionRoad(env, h, F); }
#define VRN_SHAPE_DirectShortGetter(C, M, F, V, N) \
  VRN_NATIVE(jshort, C, M, jlong h) { (void)self; return VRNdirectShortGetter(env, h, F); }
#define VRN_SHAPE_OffsetIsDefined(C, M, F, V, N) \
  VRN_NATIVE(jshort, C, M, jlong h) { (void)self; return VRNdateTimeOffsetIsDefinedRoad(env, h, F); }
#define VRN_SHAPE_DirectDoubleSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jdouble v) { (void)self; VRNdirectDoubleSetter(env, h, v, F); }
#define VRN_SHAPE_DirectShortSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jshort v) { (void)self; VRNdirectShortSetter(env, h, v, F); }
#define VRN_SHAPE_DirectShortPairSetter(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jshort a, jshort b) { (void)self; VRNdirectShortPairSetter(env, h, a, b, F); }
#define VRN_SHAPE_DirectShortFlag(C, M, F, V, N) \
  VRN_NATIVE(jboolean, C, M, jlong h) { (void)self; return VRNdirectShortFlag(env, h, F); }
