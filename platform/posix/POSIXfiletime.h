// FILETIME, Windows' count of 100-nanosecond intervals since 1601-01-01 00:00:00 UTC, split
// into two 32-bit halves with Windows' own layout. Kept alone so that every area of the
// layer that reports times (file entries, the clock) shares this one definition.
#pragma once

#include "platform/posix/POSIXbase.h"

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;
