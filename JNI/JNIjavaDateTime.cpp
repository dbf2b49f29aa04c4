#include "JNI/JNIjavaDateTime.h"

#include "COL/COLdateTime.h"
#include "COL/COLerror.h"
#include "platform/PLATwindows.h"

namespace {

const char Source[] = "JNIjavaDateTime";

[[noreturn]] void raise(const char* text, int line) {
  throw COLerror(text, line, Source, COL_ERROR_PRECONDITION);
}

// True when -1 is the time_t of the date's fields: the second before 1970 UTC, where the
// runtime can represent it. Elsewhere -1 is mktime's answer for fields it cannot represent.
bool isSecondBeforeEpoch(const COLdateTime& date) {
  const time_t minusOne = -1;
  const tm* local = PLATlocaltime(&minusOne);
  return local != nullptr && local->tm_year + 1900 == date.year() && local->tm_mon + 1 == date.month() &&
         local->tm_mday == date.day() && local->tm_hour == date.hour() && local->tm_min == date.minute() &&
         local->tm_sec == date.second();
}

// A date that the runtime's local time cannot represent (here and on Windows, outside
// 1970-01-01 .. 3000-12-31 23:59:59 UTC) raises the date-time's own conversion error, as a
// value without calendar fields does, instead of crossing as the second before 1970.
jlong millisecondsOf(double value) {
  COLdateTime date(value);
  const time_t time = date.to_time_t();
  if (time == -1 && !isSecondBeforeEpoch(date)) {
    date.set_status(COLdateTime::invalid);
    date.to_time_t();
  }
  return static_cast<jlong>(time) * 1000;
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
  const jlong Milliseconds = millisecondsOf(value);
  jclass DateClass = pEnv->GetObjectClass(date);
  if (DateClass == nullptr) raise("Unable to locate the java/util/Date class.", 54);
  jmethodID SetTime = pEnv->GetMethodID(DateClass, "setTime", "(J)V");
  if (SetTime == nullptr) raise("Unable to locate the java/util/Date method setTime().", 60);
  pEnv->CallVoidMethod(date, SetTime, Milliseconds);
}

jobject JNIjavaDateTimeCreate(JNIEnv* pEnv, double value) {
  const jlong Milliseconds = millisecondsOf(value);
  jclass DateClass = pEnv->FindClass("java/util/Date");
  if (DateClass == nullptr) raise("Unable to locate the java/util/Date class.", 71);
  jmethodID Constructor = pEnv->GetMethodID(DateClass, "<init>", "(J)V");
  if (Constructor == nullptr) raise("Unable to locate the java/util/Date constructor.", 77);
  return pEnv->NewObject(DateClass, Constructor, Milliseconds);
}
