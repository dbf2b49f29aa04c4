#include "JNI/JNIjavaDateTime.h"

#include "COL/COLdateTime.h"
#include "COL/COLerror.h"

namespace {

const char Source[] = "JNIjavaDateTime";

[[noreturn]] void raise(const char* text, int line) {
  throw COLerror(text, line, Source, COL_ERROR_PRECONDITION);
}

jlong millisecondsOf(double value) {
  return static_cast<jlong>(COLdateTime(value).to_time_t()) * 1000;
}

}  // namespace

double JNIjavaDateTimeFromMilliseconds(jlong milliseconds) {
  return COLdateTime(static_cast<time_t>(milliseconds / 1000)).value();
}

jlong JNIjavaDateTimeToMilliseconds(double value) { return millisecondsOf(value); }

double JNIjavaDateTimeGet(JNIEnv* pEnv, jobject date) {
  jclass DateClass = pEnv->GetObjectClass(date);
  if (DateClass == nullptr) raise("Unable to locate the java/util/Date class.", 37);
  jmethodID GetTime = pEnv->GetMethodID(DateClass, "getTime", "()J");
  if (GetTime == nullptr) raise("Unable to locate the java/util/Date method getTime().", 43);
  jlong Milliseconds = pEnv->CallLongMethod(date, GetTime);
  // A Date subclass may throw from getTime; what it returned then means nothing.
  if (pEnv->ExceptionCheck()) {
    pEnv->ExceptionClear();
    raise("The java/util/Date method getTime() threw an exception.", 46);
  }
  return JNIjavaDateTimeFromMilliseconds(Milliseconds);
}

void JNIjavaDateTimeSet(JNIEnv* pEnv, jobject date, double value) {
  jclass DateClass = pEnv->GetObjectClass(date);
  if (DateClass == nullptr) raise("Unable to locate the java/util/Date class.", 54);
  jmethodID SetTime = pEnv->GetMethodID(DateClass, "setTime", "(J)V");
  if (SetTime == nullptr) raise("Unable to locate the java/util/Date method setTime().", 60);
  pEnv->CallVoidMethod(date, SetTime, millisecondsOf(value));
}

jobject JNIjavaDateTimeCreate(JNIEnv* pEnv, double value) {
  jclass DateClass = pEnv->FindClass("java/util/Date");
  if (DateClass == nullptr) raise("Unable to locate the java/util/Date class.", 71);
  jmethodID Constructor = pEnv->GetMethodID(DateClass, "<init>", "(J)V");
  if (Constructor == nullptr) raise("Unable to locate the java/util/Date constructor.", 77);
  return pEnv->NewObject(DateClass, Constructor, millisecondsOf(value));
}
