// The roads of the data classes' natives: tables, configurations, error objects and
// date-times of vrn_core.
#include "hl7_bridge/VRNshapes.h"

#include "COL/COLerror.h"
#include "COL/COLstring.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <cmath>
#include <cstdio>

namespace {

const int kBridgeErrorCode = COL_ERROR_PRECONDITION;

int64_t widened(jint value) { return static_cast<int64_t>(value); }

// True when the call failed: the VarnelException around its error is then pending.
bool raised(JNIEnv* env, VRNresult result) {
  if (result == nullptr) return false;
  VRNjniThrowFromErrorHandle(env, result);
  return true;
}

// A library text as a Java string, the conversion inside the guard.
jstring directString(JNIEnv* env, const char* text) {
  return VRNguarded(env, jstring(nullptr), [&] { return VRNjavaStringFromMultiByte(env, text); });
}

// An error object's text as a Java string: modified UTF-8 as it is stored. Bytes that are
// not (a library text in another encoding) would be undefined behaviour in NewStringUTF,
// so each invalid sequence becomes U+FFFD.
jstring utfString(JNIEnv* env, const char* text) {
  if (text == nullptr) return nullptr;
  jstring string = nullptr;
  if (VRNisModifiedUtf8(text)) {
    string = env->NewStringUTF(text);
  } else {
    string = env->NewStringUTF(VRNmodifiedUtf8(text).c_str());
  }
  if (string == nullptr) {
    if (env->ExceptionCheck()) throw VRNjavaExceptionPending();
    throw COLerror(COLstring("The JVM made no string of the text"), kBridgeErrorCode);
  }
  return string;
}

// A delimiter is one byte, and never the NUL that ends the library's texts: a generated
// message would stop at its first delimiter. Either refusal raises and the configuration
// stays as it is (keeping the low byte would turn U+0100 into a NUL delimiter, too).
bool refusedAsDelimiter(JNIEnv* env, jchar value, const char* method) {
  if (value != 0 && value <= 0xFF) return false;
  VRNguardedCall(env, [&] {
    char text[160];
    if (value == 0) {
      std::snprintf(text, sizeof text,
                    "Illegal - Character U+0000 passed in argument in method %s, where the library would end the text",
                    method);
    } else {
      std::snprintf(text, sizeof text, "Illegal - Character U+%04X does not fit in one byte in method %s",
                    unsigned(value), method);
    }
    throw LEGerror(COLstring(text), kBridgeErrorCode);
  });
  return true;
}

}  // namespace

// ---- any object ----

jlong VRNdirectCreate(JNIEnv* env, VRNcreate function) {
  VRNhandle made = nullptr;
  if (raised(env, function(&made))) return 0;
  return JNIlongOf(made);
}

void VRNdirectCall(JNIEnv* env, jlong h, VRNcall function) { raised(env, function(JNIhandleOf(h))); }

// ---- tables ----

jstring VRNdirectTextGetter(JNIEnv* env, jlong h, VRNgetText function) {
  const char* text = nullptr;
  if (raised(env, function(JNIhandleOf(h), &text))) return nullptr;
  return directString(env, text);
}

jlong VRNdirectCellHandle(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellHandle function) {
  VRNhandle sub = nullptr;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &sub))) return 0;
  return JNIlongOf(sub);  // the table's own: the bridge takes no reference
}

jint VRNdirectCountGetter(JNIEnv* env, jlong h, VRNgetInt64 function) {
  int64_t count = 0;
  if (raised(env, function(JNIhandleOf(h), &count))) return 0;
  return static_cast<jint>(count);
}

jint VRNdirectColumnType(JNIEnv* env, jlong h, jint column, VRNgetIndexedInt32 function) {
  int32_t type = 0;
  if (raised(env, function(JNIhandleOf(h), widened(column), &type))) return 0;
  return type;
}

jstring VRNdirectIndexTextGetter(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function) {
  const char* text = nullptr;
  if (raised(env, function(JNIhandleOf(h), widened(index), &text))) return nullptr;
  return directString(env, text);
}

jboolean VRNdirectCellFlag(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellFlag function) {
  unsigned char flag = 0;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &flag))) return JNI_FALSE;
  return flag != 0 ? JNI_TRUE : JNI_FALSE;
}

jint VRNdirectCellInt(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellInt32 function, jint failure) {
  int32_t value = 0;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &value))) return failure;
  return value;
}

jstring VRNdirectCellText(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellText function) {
  const char* text = nullptr;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &text))) return nullptr;
  return directString(env, text);
}

jdouble VRNdirectCellDouble(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellDouble function) {
  double value = 0;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &value))) return 0;
  return value;
}

jlong VRNdirectCellLong(JNIEnv* env, jlong h, jint first, jint second, VRNgetCellInt64 function) {
  int64_t value = 0;
  if (raised(env, function(JNIhandleOf(h), widened(first), widened(second), &value))) return 0;
  return value;
}

void VRNdirectCellDoubleSetter(JNIEnv* env, jlong h, jint first, jint second, jdouble value,
                               VRNsetCellDouble function) {
  raised(env, function(JNIhandleOf(h), widened(first), widened(second), value));
}

void VRNdirectCellIntegerSetter(JNIEnv* env, jlong h, jint first, jint second, jint value,
                                VRNsetCellInt32 function) {
  raised(env, function(JNIhandleOf(h), widened(first), widened(second), value));
}

void VRNdirectCellLongSetter(JNIEnv* env, jlong h, jint first, jint second, jlong value, VRNsetCellInt64 function) {
  raised(env, function(JNIhandleOf(h), widened(first), widened(second), value));
}

jstring VRNtableDumpRoad(JNIEnv* env, jlong h) {
  char* buffer = nullptr;
  if (raised(env, VRNtableDump(JNIhandleOf(h), &buffer))) return nullptr;
  // The text is read before the buffer goes back, never after; the buffer goes back even
  // when its conversion failed, and that failure is the one reported.
  jstring text = directString(env, buffer);
  bool converted = !env->ExceptionCheck();
  VRNresult freed = VRNtableFreeBuffer(&buffer);
  if (!converted) {
    VRNreleaseError(freed);
    return nullptr;
  }
  if (freed != nullptr) {
    if (text != nullptr) env->DeleteLocalRef(text);
    raised(env, freed);
    return nullptr;
  }
  return text;
}

jint VRNdirectColumnIndex(JNIEnv* env, jlong h, jstring name, const char* method) {
  if (VRNjniCheckNullString(env, name, method)) return -1;
  return VRNguarded(env, jint(0), [&]() -> jint {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, name, "", method);
    int64_t index = 0;
    if (raised(env, VRNtableColumnIndex(JNIhandleOf(h), text.text, &index))) return 0;
    return static_cast<jint>(index);
  });
}

void VRNdirectCellTextSetter(JNIEnv* env, jlong h, jint first, jint second, jstring value, VRNsetCellText function,
                             const char* method) {
  if (VRNjniCheckNullString(env, value, method)) return;
  VRNguardedCall(env, [&] {
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, "", method);
    raised(env, function(JNIhandleOf(h), widened(first), widened(second), text.text));
  });
}

// ---- configurations ----

void VRNconfigSetSeparatorRoad(JNIEnv* env, jlong h, jint level, jchar value, const char* method) {
  if (refusedAsDelimiter(env, value, method)) return;
  raised(env, VRNconfigSetSepChar(JNIhandleOf(h), widened(level), static_cast<unsigned char>(value)));
}

jchar VRNconfigGetSeparatorRoad(JNIEnv* env, jlong h, jint level) {
  signed char value = 0;
  if (raised(env, VRNconfigGetSepChar(JNIhandleOf(h), widened(level), &value))) return 0;
  return static_cast<jchar>(static_cast<jint>(value));
}

void VRNconfigSetRepeatRoad(JNIEnv* env, jlong h, jchar value, const char* method) {
  if (refusedAsDelimiter(env, value, method)) return;
  int64_t repeat = static_cast<signed char>(static_cast<unsigned char>(value));
  raised(env, VRNconfigSetRepeatChar(JNIhandleOf(h), 1, repeat));
}

jchar VRNconfigGetRepeatRoad(JNIEnv* env, jlong h) {
  int32_t value = 0;
  if (raised(env, VRNconfigGetRepeatChar(JNIhandleOf(h), 1, &value))) return 0;
  return static_cast<jchar>(value);
}

void VRNconfigSetEscapeRoad(JNIEnv* env, jlong h, jchar value, const char* method) {
  if (refusedAsDelimiter(env, value, method)) return;
  raised(env, VRNconfigSetEscapeChar(JNIhandleOf(h), static_cast<unsigned char>(value)));
}

jchar VRNconfigGetEscapeRoad(JNIEnv* env, jlong h) {
  signed char value = 0;
  if (raised(env, VRNconfigGetEscapeChar(JNIhandleOf(h), &value))) return 0;
  return static_cast<jchar>(static_cast<jint>(value));
}

// ---- error objects ----

void VRNerrorReleaseRoad(JNIEnv* env, jobject self, jlong h, VRNcall function) {
  // The exception owns one reference to its handle and gives it back once, by whichever
  // of its roads comes first (this native, its release(), its cleaning action): asked
  // first, it takes a release of its own handle as its own and answers true. Any other
  // value, or an exception class without that method, is released as it stands.
  if (h != 0 && self != nullptr) {
    jclass type = env->GetObjectClass(self);
    jmethodID own = env->GetMethodID(type, "releaseOwn", "(J)Z");
    env->DeleteLocalRef(type);
    if (own == nullptr) {
      env->ExceptionClear();
    } else if (env->CallBooleanMethod(self, own, h) || env->ExceptionCheck()) {
      return;  // given back, or its failure pending
    }
  }
  VRNdirectCall(env, h, function);
}

jstring VRNerrorTextRoad(JNIEnv* env, jlong h, VRNgetText function) {
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    const char* text = nullptr;
    if (raised(env, function(JNIhandleOf(h), &text))) return nullptr;
    return utfString(env, text);
  });
}

jlong VRNerrorCreateRoad(JNIEnv* env, jstring message, const char* method) {
  if (VRNjniCheckNullString(env, message, method)) return 0;
  VRNhandle error = nullptr;
  VRNguardedCall(env, [&] {
    COLstring text = VRNjavaStringUtf8(env, message);
    error = nullptr;
    if (raised(env, VRNerrorCreate(&error, text.c_str()))) error = nullptr;
  });
  return JNIlongOf(error);
}

jstring VRNerrorParameterRoad(JNIEnv* env, jlong h, jstring key, VRNtextToText function, const char* method) {
  if (VRNjniCheckNullString(env, key, method)) return nullptr;
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    COLstring text = VRNjavaStringUtf8(env, key);
    const char* value = "";
    if (raised(env, function(JNIhandleOf(h), text.c_str(), &value))) return nullptr;
    return utfString(env, value);
  });
}

jint VRNerrorCountRoad(JNIEnv* env, jlong h, VRNgetCount32 function) {
  return VRNguarded(env, jint(0), [&]() -> jint {
    int count = 0;
    if (raised(env, function(JNIhandleOf(h), &count))) return 0;
    return count;
  });
}

jstring VRNerrorKeyRoad(JNIEnv* env, jlong h, jint index, VRNgetIndexedText function) {
  return VRNguarded(env, jstring(nullptr), [&]() -> jstring {
    const char* key = "";
    if (raised(env, function(JNIhandleOf(h), widened(index), &key))) return nullptr;
    return utfString(env, key);
  });
}

// ---- date-times ----

jdouble VRNdirectDoubleGetter(JNIEnv* env, jlong h, VRNgetDouble function) {
  double value = 0;
  if (raised(env, function(JNIhandleOf(h), &value))) return 0;
  return value;
}

// vrn_core has no getter for the second fraction: it is read from the DATE value, whose
// fraction is the time of day (for a day before 1899-12-30 too, where the whole part is
// negative and the time still counts forwards).
jdouble VRNdateTimeSecondFractionRoad(JNIEnv* env, jlong h, VRNgetDouble function) {
  double date = 0;
  if (raised(env, function(JNIhandleOf(h), &date))) return 0;
  double time = std::fabs(date - std::trunc(date)) * 86400.0;
  double fraction = time - std::floor(time);
  // What the DATE's precision leaves just under a whole second is that second.
  return fraction > 1 - 1e-6 ? 0 : fraction;
}

jshort VRNdirectShortGetter(JNIEnv* env, jlong h, VRNgetUint16 function) {
  uint16_t value = 0;
  if (raised(env, function(JNIhandleOf(h), &value))) return 0;
  return static_cast<jshort>(value);
}

// vrn_core has no getter for whether the offset is defined: a value has its offset, a
// null date-time has none, so the answer is 1 for a date-time that is not null, else 0.
jshort VRNdateTimeOffsetIsDefinedRoad(JNIEnv* env, jlong h, VRNgetUint16 function) {
  uint16_t isNull = 0;
  if (raised(env, function(JNIhandleOf(h), &isNull))) return 0;
  return isNull != 0 ? 0 : 1;
}

void VRNdirectDoubleSetter(JNIEnv* env, jlong h, jdouble value, VRNsetDouble function) {
  raised(env, function(JNIhandleOf(h), value));
}

void VRNdirectShortSetter(JNIEnv* env, jlong h, jshort value, VRNsetUint16 function) {
  raised(env, function(JNIhandleOf(h), static_cast<uint16_t>(value)));
}

void VRNdirectShortPairSetter(JNIEnv* env, jlong h, jshort first, jshort second, VRNsetUint16Pair function) {
  raised(env, function(JNIhandleOf(h), static_cast<uint16_t>(first), static_cast<uint16_t>(second)));
}

jboolean VRNdirectShortFlag(JNIEnv* env, jlong h, VRNgetUint16 function) {
  uint16_t flag = 0;
  if (raised(env, function(JNIhandleOf(h), &flag))) return JNI_FALSE;
  return flag != 0 ? JNI_TRUE : JNI_FALSE;
}
