// Our Windows layer's clocks and calendar: SYSTEMTIME, the system time as a FILETIME and its
// conversion to local time and calendar fields, the performance counter, and the Windows
// runtime's localtime and mktime. Included only through platform/PLATwindows.h.
#pragma once

#include "platform/posix/POSIXbase.h"
#include "platform/posix/POSIXfiletime.h"

#include <ctime>

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;  // 0 is Sunday
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

void GetSystemTimeAsFileTime(LPFILETIME systemTime);
// The local time of the instant, with the zone offset (daylight saving included) that the
// local zone has at that instant.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
// Calendar fields of a FILETIME; times from 2^63 intervals on are refused, as on Windows.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);

// The performance counter: ticks of a clock that only moves forward, the same for every
// thread and module of the process (here CLOCK_MONOTONIC, counting nanoseconds), and the
// ticks it counts per second. Neither fails.
typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// The Windows runtime converts only times from 1970-01-01 00:00:00 to 3000-12-31 23:59:59
// UTC: PLATlocaltime gives null outside that range and PLATmktime gives -1 for local fields
// whose instant lies outside it. The Java bridges show this range to Java, so it is the
// same on every build. PLATlocaltime's result is per thread, like the runtime's.
const time_t PLATlatestTime = 32535215999;
struct tm* PLATlocaltime(const time_t* time);
time_t PLATmktime(struct tm* fields);

// The Windows runtime's name for rereading the TZ variable.
inline void _tzset() { tzset(); }
