// FILETIME values of the layer.
#include "platform/PLATwindows.h"

namespace {
// Seconds from 1601-01-01 to 1970-01-01, both UTC.
const int64_t SecondsFrom1601To1970 = 11644473600LL;
const int64_t IntervalsPerSecond = 10000000;
}  // namespace

FILETIME POSIXfileTimeFromUnix(int64_t seconds, long nanoseconds) {
  FILETIME time = {0, 0};
  if (seconds < -SecondsFrom1601To1970) return time;
  uint64_t intervals = static_cast<uint64_t>(seconds + SecondsFrom1601To1970) * IntervalsPerSecond +
                       static_cast<uint64_t>(nanoseconds / 100);
  time.dwLowDateTime = static_cast<DWORD>(intervals);
  time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
  return time;
}
