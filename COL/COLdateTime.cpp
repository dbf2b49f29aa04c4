// COLdateTime: the value, its calendar arithmetic, the current time and the conversions
// to and from time_t and FILETIME; then its text (format, print, parse and the name tables).
#include "COL/COLdateTime.h"

#include "COL/COLcriticalSection.h"
#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

class COLdateTimePrivate {
public:
  double Value = 0.0;
  int Status = COLdateTime::null;
  double SubSecond = 0.0;
  bool HasZone = false;
  short ZoneOffset = 0;
};

namespace {

const char* const Source = "COLdateTime";

// The values whose fields can be read: 0100-01-01 00:00:00 and 9999-12-31 00:00:00.
const double EarliestValue = -657434.0;
const double LatestValue = 2958465.0;
const double HalfSecond = 0.5 / 86400;
// Day 0 of the value (1899-12-30) counted from 0000-01-01 of the proleptic calendar.
const int DaysFromYear0 = 693959;

bool isLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool inFieldRange(double value) { return value >= EarliestValue && value <= LatestValue; }

[[noreturn]] void dateTimeError(const char* what, int line) {
  throw COLerror(COLstring("Date time error while ") + what + ".", line, Source, COL_ERROR_DATE_TIME);
}

}  // namespace

const int COLdateTimeMonthDays[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

double COLdateTimeToLinear(double value) { return value >= 0 ? value : 2 * std::ceil(value) - value; }

double COLdateTimeFromLinear(double linear) { return linear >= 0 ? linear : 2 * std::floor(linear) - linear; }

bool COLdateTimeFromFields(int year, int month, int day, int hour, int minute, int second, double* out) {
  if (year > 9999 || month < 1 || month > 12) return false;
  const bool leap = isLeapYear(year);
  const int length = COLdateTimeMonthDays[month] - COLdateTimeMonthDays[month - 1] + (leap && month == 2 ? 1 : 0);
  if (day < 1 || day > length) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;

  // Wide arithmetic, so that no year or negative time part can overflow; a day count that
  // does not fit the 32 bits of the original computation is refused.
  const int64_t y = year;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + COLdateTimeMonthDays[month - 1] + day - DaysFromYear0;
  if (leap && month <= 2) --days;
  if (days < INT32_MIN || days > INT32_MAX) return false;
  const double time = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) / 86400.0;

  if (time >= 0) {
    *out = days >= 0 ? days + time : days - time;
  } else {
    // A negative time part moves back from midnight; before 1899-12-30 the stored time of
    // day runs the other way, so step back in time order and store the instant reached.
    *out = COLdateTimeFromLinear(static_cast<double>(days) + time);
  }
  return true;
}

bool COLdateTimeToFields(double value, COLdateTimeFields* out) {
  if (!inFieldRange(value)) return false;  // NaN too

  // Round to the nearest second in time order, so that the fields are those of the
  // instant the value holds on both sides of 1899-12-30.
  const double linear = COLdateTimeToLinear(value) + HalfSecond;
  const double dayStart = std::floor(linear);
  const int n = static_cast<int>(dayStart) + DaysFromYear0;
  const int seconds = static_cast<int>((linear - dayStart) * 86400);

  out->DayOfWeek = (n - 1) % 7 + 1;

  // Split the day number by 400-year, 100-year, 4-year and 1-year periods. Year 0 of every
  // 400 is a leap year, so the first century has one day more; in the other centuries the
  // first 4-year block lacks its leap day.
  int year = n / 146097 * 400;
  int rest = n % 146097;
  bool blockStartsWithLeapYear = true;
  if (rest >= 36525) {
    rest -= 36525;
    year += (rest / 36524 + 1) * 100;
    rest %= 36524;
    if (rest < 1460) {
      blockStartsWithLeapYear = false;
    } else {
      rest -= 1460;
      year += 4;
    }
  }
  bool leap = false;
  if (blockStartsWithLeapYear) {
    year += rest / 1461 * 4;
    rest %= 1461;
    if (rest < 366) {
      leap = true;
    } else {
      rest -= 366;
      year += rest / 365 + 1;
      rest %= 365;
    }
  } else {
    year += rest / 365;
    rest %= 365;
  }
  out->Year = year;
  out->DayOfYear = rest + 1;

  if (leap && rest == 59) {
    out->Month = 2;
    out->Day = 29;
  } else {
    const int d = leap && rest > 59 ? rest : rest + 1;
    int month = d / 32 + 1;
    while (d > COLdateTimeMonthDays[month]) ++month;
    out->Month = month;
    out->Day = d - COLdateTimeMonthDays[month - 1];
  }

  out->Hour = seconds / 3600;
  out->Minute = seconds / 60 % 60;
  out->Second = seconds % 60;
  return true;
}

tm COLdateTimeToTm(COLdateTimeFields& fields) {
  fields.Year -= 1900;
  fields.Month -= 1;
  fields.DayOfWeek -= 1;
  fields.DayOfYear -= 1;
  fields.IsDaylight = -1;
  tm result;
  memset(&result, 0, sizeof result);
  result.tm_sec = fields.Second;
  result.tm_min = fields.Minute;
  result.tm_hour = fields.Hour;
  result.tm_mday = fields.Day;
  result.tm_mon = fields.Month;
  result.tm_year = fields.Year;
  result.tm_wday = fields.DayOfWeek;
  result.tm_yday = fields.DayOfYear;
  result.tm_isdst = fields.IsDaylight;
  return result;
}

// ---- The value ----

COLdateTime::COLdateTime() : pMember(new COLdateTimePrivate) {}

COLdateTime::COLdateTime(const COLdateTime& other)
    : COLrefCounted(), pMember(new COLdateTimePrivate(*other.pMember)) {}

COLdateTime::COLdateTime(int year, int month, int day, int hour, int minute, int second)
    : pMember(new COLdateTimePrivate) {
  set_date_time(year, month, day, hour, minute, second);
}

COLdateTime::COLdateTime(double value) : pMember(new COLdateTimePrivate) {
  pMember->Value = value;
  pMember->Status = valid;
}

COLdateTime::COLdateTime(time_t time) : pMember(new COLdateTimePrivate) {
  try {
    set_time_t(time);
  } catch (...) {
    delete pMember;
    throw;
  }
}

COLdateTime::COLdateTime(const FILETIME& fileTime) : pMember(new COLdateTimePrivate) { *this = fileTime; }

COLdateTime::~COLdateTime() { delete pMember; }

COLdateTime& COLdateTime::operator=(const COLdateTime& other) {
  *pMember = *other.pMember;
  return *this;
}

COLdateTime& COLdateTime::operator=(double value) {
  pMember->Value = value;
  pMember->Status = valid;
  return *this;
}

COLdateTime& COLdateTime::operator=(const FILETIME& fileTime) {
  FILETIME local;
  SYSTEMTIME fields;
  double value;
  if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &fields)) {
    pMember->Status = invalid;
  } else if (COLdateTimeFromFields(fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute,
                                   fields.wSecond, &value)) {
    pMember->Value = value;
    pMember->Status = valid;
  } else {
    pMember->Status = invalid;
  }
  return *this;
}

int COLdateTime::status() const { return pMember->Status; }
void COLdateTime::set_status(int status) { pMember->Status = status; }

void COLdateTime::set_null() {
  *this = COLdateTime();
  COL_POSTCONDITION(status() == null, Source, 563);
}

double COLdateTime::value() const { return pMember->Value; }

void COLdateTime::set_sub_second(double NewValue) {
  COL_PRECONDITION(NewValue < 1, Source, 1169);
  pMember->SubSecond = NewValue;
}

const double& COLdateTime::sub_second() const { return pMember->SubSecond; }

void COLdateTime::set_zone(short minutes, bool hasZone) {
  pMember->ZoneOffset = minutes;
  pMember->HasZone = hasZone;
}

short COLdateTime::zone_offset() const { return pMember->HasZone ? pMember->ZoneOffset : 0; }
bool COLdateTime::has_zone() const { return pMember->HasZone; }

int COLdateTime::set_date_time(int year, int month, int day, int hour, int minute, int second) {
  double value;
  if (COLdateTimeFromFields(year, month, day, hour, minute, second, &value)) {
    pMember->Value = value;
    pMember->Status = valid;
  } else {
    pMember->Status = invalid;
  }
  return pMember->Status;
}

int COLdateTime::set_date(int year, int month, int day) { return set_date_time(year, month, day, 0, 0, 0); }

int COLdateTime::set_time(int hour, int minute, int second) {
  if (static_cast<unsigned>(hour) > 23 || static_cast<unsigned>(minute) > 59 || static_cast<unsigned>(second) > 59) {
    pMember->Status = invalid;
    return invalid;
  }
  pMember->Value = (hour * 3600 + minute * 60 + second) / 86400.0;
  pMember->Status = valid;
  return valid;
}

void COLdateTime::check_range() {
  if (pMember->Value > LatestValue || pMember->Value < EarliestValue) pMember->Status = invalid;
}

int COLdateTime::field(int COLdateTimeFields::*member, const char* what, int line) const {
  COLdateTimeFields fields;
  if (pMember->Status != valid || !COLdateTimeToFields(pMember->Value, &fields)) dateTimeError(what, line);
  return fields.*member;
}

int COLdateTime::year() const { return field(&COLdateTimeFields::Year, "extracting year", 577); }
int COLdateTime::month() const { return field(&COLdateTimeFields::Month, "extracting month", 593); }
int COLdateTime::day() const { return field(&COLdateTimeFields::Day, "extracting day", 609); }
int COLdateTime::hour() const { return field(&COLdateTimeFields::Hour, "extracting hour", 625); }
int COLdateTime::minute() const { return field(&COLdateTimeFields::Minute, "extracting minute", 641); }
int COLdateTime::second() const { return field(&COLdateTimeFields::Second, "extracting second", 658); }
int COLdateTime::day_of_week() const {
  return field(&COLdateTimeFields::DayOfWeek, "extracting day of week", 696);
}
int COLdateTime::day_of_year() const {
  return field(&COLdateTimeFields::DayOfYear, "extracting day of year", 712);
}

short COLdateTime::week_of_year() const {
  const int year = field(&COLdateTimeFields::Year, "extracting week of year", 680);
  const COLdateTime january1(year, 1, 1, 0, 0, 0);
  const double days = COLdateTimeToLinear(pMember->Value) - COLdateTimeToLinear(january1.value());
  return static_cast<short>(std::floor((january1.day_of_week() + days - 1) / 7));
}

time_t COLdateTime::to_time_t() const {
  COLdateTimeFields fields;
  if (pMember->Status == valid && COLdateTimeToFields(pMember->Value, &fields)) {
    tm local = COLdateTimeToTm(fields);
    return PLATmktime(&local);
  }
  if (pMember->Status == null) return -1;
  dateTimeError("converting to time_t", 736);
}

COLdateTime& COLdateTime::set_time_t(const time_t& time) {
  const tm* local = PLATlocaltime(&time);
  if (local == nullptr) {
    pMember->Status = invalid;
    COL_PRECONDITION(false, Source, 926);
  }
  double value;
  if (COLdateTimeFromFields(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour,
                            local->tm_min, local->tm_sec, &value)) {
    pMember->Value = value;
    pMember->Status = valid;
  } else {
    pMember->Status = invalid;
  }
  return *this;
}

bool COLdateTime::operator==(const COLdateTime& date) const { return pMember->Value == date.pMember->Value; }
bool COLdateTime::operator!=(const COLdateTime& date) const { return !(*this == date); }

bool COLdateTime::operator<(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return false;
  COL_PRECONDITION(status() == valid, Source, 977);
  COL_PRECONDITION(date.status() == valid, Source, 978);
  return COLdateTimeToLinear(value()) < COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator>(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return false;
  COL_PRECONDITION(status() == valid, Source, 992);
  COL_PRECONDITION(date.status() == valid, Source, 993);
  return COLdateTimeToLinear(value()) > COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator<=(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return true;
  COL_PRECONDITION(status() == valid, Source, 1007);
  COL_PRECONDITION(date.status() == valid, Source, 1008);
  return COLdateTimeToLinear(value()) <= COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator>=(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return true;
  COL_PRECONDITION(status() == valid, Source, 1022);
  COL_PRECONDITION(date.status() == valid, Source, 1023);
  return COLdateTimeToLinear(value()) >= COLdateTimeToLinear(date.value());
}

// ---- The current time ----

COLdateTime COLdateTimeNowAt(time_t time) {
  // Built on first use and destroyed at exit in reverse order: the cached value, then the
  // lock. The language serialises the first construction, so a first call from two
  // threads at once is safe.
  static COLmutex Lock;
  COLscopedLock held(&Lock);
  static COLdateTime Cached;
  static time_t CachedTime = 0;
  if (time != CachedTime || Cached.is_null()) {
    // The time is remembered only once its conversion has succeeded: a failed one leaves
    // the cache as it was, so the next call in the same second tries again.
    const COLdateTime fresh(time);
    Cached = fresh;
    CachedTime = time;
  }
  return Cached;
}

COLdateTime COLdateTime::now() { return COLdateTimeNowAt(::time(nullptr)); }

COLdateTime COLdateTime::today() {
  const COLdateTime now = COLdateTime::now();
  return COLdateTime(now.year(), now.month(), now.day(), 0, 0, 0);
}

// ---- Time stamps ----

void COLfileTimeToMicroseconds(uint64_t* out, const FILETIME* fileTime) {
  const uint64_t intervals = static_cast<uint64_t>(fileTime->dwHighDateTime) << 32 | fileTime->dwLowDateTime;
  *out = intervals / 10 - 11644473600000000ULL;
}

void COLtimeStampNow(COLtimeStamp* out) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t microseconds;
  COLfileTimeToMicroseconds(&microseconds, &now);
  out->Seconds = static_cast<int64_t>(microseconds / 1000000);
  out->Microseconds = microseconds % 1000000;
}

void COLtimeStampToLocal(const COLtimeStamp& stamp, int* year, int* month, int* day, int* hour, int* minute,
                         int* second, int* millisecond) {
  const time_t seconds = static_cast<time_t>(stamp.Seconds);
  const tm* local = PLATlocaltime(&seconds);
  if (local == nullptr) {
    *year = *month = *day = *hour = *minute = *second = *millisecond = 0;
    return;
  }
  *year = local->tm_year + 1900;
  *month = local->tm_mon + 1;
  *day = local->tm_mday;
  *hour = local->tm_hour;
  *minute = local->tm_min;
  *second = local->tm_sec;
  *millisecond = static_cast<int>(stamp.milliseconds());
}
