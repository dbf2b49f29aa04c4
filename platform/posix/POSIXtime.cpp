// The layer's clock and calendar over clock_gettime, localtime_r and mktime.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdint>

namespace {

const uint64_t IntervalsPerSecond = 10000000;
const uint64_t IntervalsPerDay = IntervalsPerSecond * 86400;
// Seconds from 1601-01-01 to 1970-01-01, both UTC.
const int64_t SecondsFrom1601To1970 = 11644473600LL;
// Days from 0000-03-01 (proleptic Gregorian) to 1601-01-01.
const int64_t DaysFromMarchOfYear0To1601 = 584694;

uint64_t intervalsOf(const FILETIME& time) {
  return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FILETIME fileTimeOf(uint64_t intervals) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(intervals);
  time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
  return time;
}

BOOL refuse() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

}  // namespace

void GetSystemTimeAsFileTime(LPFILETIME systemTime) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  *systemTime = fileTimeOf(static_cast<uint64_t>(now.tv_sec + SecondsFrom1601To1970) * IntervalsPerSecond +
                           static_cast<uint64_t>(now.tv_nsec) / 100);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return refuse();
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * 1000000000 + now.tv_nsec;
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return refuse();
  frequency->QuadPart = 1000000000;
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  if (fileTime == nullptr || localFileTime == nullptr) return refuse();
  const uint64_t utc = intervalsOf(*fileTime);
  const time_t seconds = static_cast<time_t>(utc / IntervalsPerSecond) - SecondsFrom1601To1970;
  tm local;
  if (localtime_r(&seconds, &local) == nullptr) return refuse();
  const int64_t offset = static_cast<int64_t>(local.tm_gmtoff) * static_cast<int64_t>(IntervalsPerSecond);
  if (offset < 0 ? utc < static_cast<uint64_t>(-offset) : UINT64_MAX - utc < static_cast<uint64_t>(offset))
    return refuse();
  *localFileTime = fileTimeOf(utc + static_cast<uint64_t>(offset));
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  if (fileTime == nullptr || systemTime == nullptr) return refuse();
  const uint64_t intervals = intervalsOf(*fileTime);
  if (intervals >> 63 != 0) return refuse();
  const int64_t days = static_cast<int64_t>(intervals / IntervalsPerDay);
  const uint64_t ofDay = intervals % IntervalsPerDay;

  // Civil date from a day count, with years that start on March 1 so that the leap day
  // ends the year: 400-year eras, then the year of the era, then the month from March.
  const int64_t fromMarch = days + DaysFromMarchOfYear0To1601;
  const int64_t era = fromMarch / 146097;
  const int64_t dayOfEra = fromMarch % 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;

  systemTime->wYear = static_cast<WORD>(era * 400 + yearOfEra + (month <= 2 ? 1 : 0));
  systemTime->wMonth = static_cast<WORD>(month);
  systemTime->wDay = static_cast<WORD>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  systemTime->wHour = static_cast<WORD>(ofDay / (IntervalsPerSecond * 3600));
  systemTime->wMinute = static_cast<WORD>(ofDay / (IntervalsPerSecond * 60) % 60);
  systemTime->wSecond = static_cast<WORD>(ofDay / IntervalsPerSecond % 60);
  systemTime->wMilliseconds = static_cast<WORD>(ofDay / 10000 % 1000);
  return TRUE;
}

struct tm* PLATlocaltime(const time_t* time) {
  static thread_local tm result;
  if (time == nullptr || *time < 0 || *time > PLATlatestTime) {
    errno = EINVAL;
    return nullptr;
  }
  return localtime_r(time, &result);
}

time_t PLATmktime(struct tm* fields) {
  tm normalised = *fields;
  const time_t time = mktime(&normalised);
  if (time < 0 || time > PLATlatestTime) {
    errno = EINVAL;
    return -1;
  }
  *fields = normalised;
  return time;
}
