// Our Windows layer's time values: FILETIME, the count of 100-nanosecond intervals since
// 1601-01-01 UTC in two 32-bit halves, as the file functions report entry times. Included
// only through platform/PLATwindows.h; the conversions between FILETIME, SYSTEMTIME and
// local time belong here too.
#pragma once

#include <cstdint>

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

// The FILETIME of a POSIX time (seconds and nanoseconds since 1970-01-01 UTC); a time before
// 1601 gives 0, the earliest FILETIME.
FILETIME POSIXfileTimeFromUnix(int64_t seconds, long nanoseconds);
