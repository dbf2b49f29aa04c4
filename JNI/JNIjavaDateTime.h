// JNIjavaDateTime: java/util/Date values (milliseconds since 1970 UTC) to and from the
// COLdateTime doubles of outside libraries (local time). The two meet in whole seconds of
// local time_t: a date's milliseconds and a double's fraction of a second do not cross.
// A value on either side that the runtime's local time cannot represent raises a COLerror
// (the date-time's own), never a different date.
#pragma once

#include <jni.h>

double JNIjavaDateTimeFromMilliseconds(jlong milliseconds);
jlong JNIjavaDateTimeToMilliseconds(double value);

// The date must not be null. A getTime that throws raises a COLerror; the Java exception
// is cleared, the error carrying the failure on.
double JNIjavaDateTimeGet(JNIEnv* pEnv, jobject date);
jobject JNIjavaDateTimeCreate(JNIEnv* pEnv, double value);
void JNIjavaDateTimeSet(JNIEnv* pEnv, jobject date, double value);
