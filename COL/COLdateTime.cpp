// COLdateTime: the value, its calendar arithmetic, the current time and the conversions
// to and from time_t and FILETIME; then its text (format, print, parse and the name tables).
#include "COL/COLdateTime.h"

#include "COL/COLcriticalSection.h"
#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

#include <charconv>
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
  COL_POSTCONDITION(status() == null, 563, Source);
}

double COLdateTime::value() const { return pMember->Value; }

void COLdateTime::set_sub_second(double NewValue) {
  COL_PRECONDITION(NewValue < 1, 1169, Source);
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
  // The year comes from the instant rounded to the nearest second, so the days are counted
  // from the same rounded instant: 23:59:59.7 on 31 December is 1 January's 00:00:00, in
  // week 0 of the new year, not a moment before that year began.
  const double days = COLdateTimeToLinear(pMember->Value) + HalfSecond - COLdateTimeToLinear(january1.value());
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
    COL_PRECONDITION(false, 926, Source);
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
  COL_PRECONDITION(status() == valid, 977, Source);
  COL_PRECONDITION(date.status() == valid, 978, Source);
  return COLdateTimeToLinear(value()) < COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator>(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return false;
  COL_PRECONDITION(status() == valid, 992, Source);
  COL_PRECONDITION(date.status() == valid, 993, Source);
  return COLdateTimeToLinear(value()) > COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator<=(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return true;
  COL_PRECONDITION(status() == valid, 1007, Source);
  COL_PRECONDITION(date.status() == valid, 1008, Source);
  return COLdateTimeToLinear(value()) <= COLdateTimeToLinear(date.value());
}

bool COLdateTime::operator>=(const COLdateTime& date) const {
  if (status() == null && date.status() == null) return true;
  COL_PRECONDITION(status() == valid, 1022, Source);
  COL_PRECONDITION(date.status() == valid, 1023, Source);
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

// ---- Text: the name tables ----

// The tables are built after the standard streams and destroyed before them, in reverse
// order of their definitions here.
#define COL_DATE_TIME_TABLES_INIT_PRIORITY (COL_STANDARD_STREAMS_INIT_PRIORITY + 1)
#define COL_DATE_TIME_TABLE __attribute__((init_priority(COL_DATE_TIME_TABLES_INIT_PRIORITY)))

const COLstring COLdateTimeDayNames[7] COL_DATE_TIME_TABLE = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const COLstring COLdateTimeDayAbbreviations[7] COL_DATE_TIME_TABLE = {"Sun", "Mon", "Tue", "Wed",
                                                                      "Thu", "Fri", "Sat"};
const COLstring COLdateTimeMonthNames[12] COL_DATE_TIME_TABLE = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
const COLstring COLdateTimeMonthAbbreviations[12] COL_DATE_TIME_TABLE = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const COLstring COLdateTimeOrdinals[31] COL_DATE_TIME_TABLE = {
    "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",  "8th",  "9th",  "10th", "11th",
    "12th", "13th", "14th", "15th", "16th", "17th", "18th", "19th", "20th", "21st", "22nd",
    "23rd", "24th", "25th", "26th", "27th", "28th", "29th", "30th", "31st"};
const COLstring COLdateTimeAmPm[2] COL_DATE_TIME_TABLE = {"AM", "PM"};
const COLstring COLdateTimeAmPmDotted[2] COL_DATE_TIME_TABLE = {"a.m.", "p.m."};
const COLstring COLdateTimeNoName[1] COL_DATE_TIME_TABLE = {""};
COLdateTimeMonthMapType COLdateTimeMonthMap COL_DATE_TIME_TABLE;
const COLstring COLdateTimeSpanUnits[4] COL_DATE_TIME_TABLE = {"day", "hour", "minute", "second"};

namespace {
// A lookup by a 16-bit number counted from first; 0 and numbers past the table give the
// empty name.
const COLstring& entry(const COLstring* table, unsigned short count, unsigned short number, unsigned short first) {
  const unsigned short index = static_cast<unsigned short>(number - first);
  return index < count ? table[index] : COLdateTimeNoName[0];
}
}  // namespace

const COLstring& COLdateTimeDayName(unsigned short day, bool full) {
  return entry(full ? COLdateTimeDayNames : COLdateTimeDayAbbreviations, 7, day, 1);
}

const COLstring& COLdateTimeMonthName(unsigned short month, bool full) {
  return entry(full ? COLdateTimeMonthNames : COLdateTimeMonthAbbreviations, 12, month, 1);
}

const COLstring& COLdateTimeOrdinalName(unsigned short day) { return entry(COLdateTimeOrdinals, 31, day, 1); }

const COLstring& COLdateTimeAmPmName(unsigned short hour, bool dotted) {
  if (hour > 23) return COLdateTimeNoName[0];
  return (dotted ? COLdateTimeAmPmDotted : COLdateTimeAmPm)[hour < 12 ? 0 : 1];
}

const COLstring& COLdateTime::day_name(bool full) const {
  return COLdateTimeDayName(static_cast<unsigned short>(day_of_week()), full);
}
const COLstring& COLdateTime::month_name(bool full) const {
  return COLdateTimeMonthName(static_cast<unsigned short>(month()), full);
}
const COLstring& COLdateTime::ordinal_name() const {
  return COLdateTimeOrdinalName(static_cast<unsigned short>(day()));
}
const COLstring& COLdateTime::am_pm_name(bool dotted) const {
  return COLdateTimeAmPmName(static_cast<unsigned short>(hour()), dotted);
}
void COLdateTime::day_abbreviation(COLstring& out) const { out = COLdateTimeDayAbbreviations[day_of_week() - 1]; }
void COLdateTime::month_abbreviation(COLstring& out) const { out = COLdateTimeMonthAbbreviations[month() - 1]; }

// ---- Text: the locale's month abbreviations ----

namespace {
void fillMonthMap() {
  if (COLdateTimeMonthMap.size() > 0) return;
  for (int month = 1; month <= 12; ++month) {
    tm fields;
    memset(&fields, 0, sizeof fields);
    fields.tm_mon = month - 1;
    char Buffer[100];
    memset(Buffer, 0, sizeof Buffer);
    strftime(Buffer, sizeof Buffer, "%b", &fields);
    COL_PRECONDITION(strlen(Buffer) == 3, 185, Source);
    COLdateTimeMonthMap.insert(COLstring(Buffer), month);
  }
}
}  // namespace

void COLdateTimeFillMonthMap() {
  // The language runs the first fill once, also when two threads ask at the same moment; a
  // fill that failed is tried again, and then finds the months it inserted before.
  static const bool Filled = (fillMonthMap(), true);
  (void)Filled;
}

int COLdateTimeMonthFromAbbreviation(const COLstring& abbreviation) {
  COLdateTimeFillMonthMap();
  COLvoidLookupNode* place = COLdateTimeMonthMap.find(abbreviation).place();
  return place == nullptr ? -1 : COLdateTimeMonthMap.value(place);
}

const COLstring& COLdateTimeLocaleMonthAbbreviation(unsigned month) {
  static const COLstring None;
  if (month < 1 || month > 12) return None;
  COLdateTimeFillMonthMap();
  for (COLvoidLookupNode* place = COLdateTimeMonthMap.first(); place != nullptr;
       place = COLdateTimeMonthMap.next(place)) {
    if (COLdateTimeMonthMap.value(place) == static_cast<int>(month)) return COLdateTimeMonthMap.key(place);
  }
  return None;
}

// ---- Text: format and print ----

COLstring COLdateTimeZoneText(const COLdateTime& date) {
  if (!date.has_zone()) return COLstring();
  const int minutes = date.zone_offset();
  char text[16];
  if (minutes >= 0)
    snprintf(text, sizeof text, "+%02d%02d", minutes / 60, minutes % 60);
  else
    snprintf(text, sizeof text, "-%02d%02d", minutes / -60, -minutes % 60);
  return COLstring(text);
}

namespace {

// The directives whose text every locale writes alike, as the C standard fixes it:
// zero-padded decimal fields of a set width. Their digits are written here, and their
// number returned (0 for any other directive): strftime, called for each alone, costs more
// than all the rest of format. Years before 1900 are left to strftime, which on Windows
// refuses some directives for them (%y) and pads others (%Y) in its own way.
int numericDirective(char* digits, char directive, const tm& fields) {
  if (fields.tm_year < 0) return 0;
  int value;
  int width = 2;
  switch (directive) {
    case 'd': value = fields.tm_mday; break;
    case 'm': value = fields.tm_mon + 1; break;
    case 'H': value = fields.tm_hour; break;
    case 'I': value = fields.tm_hour % 12 == 0 ? 12 : fields.tm_hour % 12; break;
    case 'M': value = fields.tm_min; break;
    case 'S': value = fields.tm_sec; break;
    case 'y': value = (fields.tm_year + 1900) % 100; break;
    case 'j': value = fields.tm_yday + 1; width = 3; break;
    case 'Y': value = fields.tm_year + 1900; width = 4; break;
    default: return 0;
  }
  if (value < 0 || value >= (width == 2 ? 100 : width == 3 ? 1000 : 10000)) return 0;
  for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = static_cast<char>('0' + value % 10);
  return width;
}

// Appends a piece of format's text (most are a byte or two).
void put(COLstring& out, const char* data, size_t length) {
  if (length > 0) out.append(data, static_cast<int>(length));
}

}  // namespace

COLstring COLdateTime::format(const char* format) const {
  COLdateTimeFields fields;
  if (pMember->Status == null) return COLstring();
  if (pMember->Status == invalid || !COLdateTimeToFields(pMember->Value, &fields)) return COLstring("Invalid Date");
  const tm local = COLdateTimeToTm(fields);
  COLstring result;
  if (format == nullptr) return result;

  const char* p = format;
  while (*p != '\0') {
    // Literal runs between directives are mostly a byte or two: a plain scan beats strchr.
    const char* percent = p;
    while (*percent != '\0' && *percent != '%') ++percent;
    put(result, p, static_cast<size_t>(percent - p));
    if (*percent == '\0') break;
    p = percent;
    if (p[1] == '\0') {
      put(result, "%", 1);
      break;
    }
    if (p[1] == '%') {
      put(result, "%", 1);
      p += 2;
      continue;
    }
    if (p[1] == 'z' || p[1] == 'Z') {
      const COLstring zone = COLdateTimeZoneText(*this);
      put(result, zone.c_str(), static_cast<size_t>(zone.size()));
      p += 2;
      continue;
    }
    if (result.append_written<4>([&](char* at) { return numericDirective(at, p[1], local); }) > 0) {
      p += 2;
      continue;
    }
    const int length = (p[1] == 'E' || p[1] == 'O') && p[2] != '\0' && p[2] != '%' ? 3 : 2;
    char directive[4] = {0, 0, 0, 0};
    memcpy(directive, p, static_cast<size_t>(length));
    char output[128];
    const size_t written = strftime(output, sizeof output, directive, &local);
    if (written == 0)
      put(result, directive, static_cast<size_t>(length));
    else
      put(result, output, written);
    p += length;
  }
  return result;
}

namespace {
// Pieces of a line composed in a buffer that the caller sized for the longest line.
char* putText(char* p, const char* text, size_t length) {
  memcpy(p, text, length);
  return p + length;
}
char* putText(char* p, const COLstring& text) { return putText(p, text.c_str(), static_cast<size_t>(text.size())); }
char* putNumber(char* p, int value) { return std::to_chars(p, p + 12, value).ptr; }
}  // namespace

void COLdateTime::print(COLostream& stream) const {
  if (pMember->Status == null) {
    stream << "<null>";
    return;
  }
  if (pMember->Status == invalid) {
    stream << "(invalid)";
    return;
  }
  try {
    // The calendar fields once for all: a value they cannot be read from fails as the
    // first read, that of the day, would.
    COLdateTimeFields fields;
    if (pMember->Status != valid || !COLdateTimeToFields(pMember->Value, &fields))
      dateTimeError("extracting day", 609);
    const int Day = fields.Day;
    const int Month = fields.Month;
    const int DayOfWeek = fields.DayOfWeek;
    const int Year = fields.Year;
    const int Hour = fields.Hour;
    const int Minute = fields.Minute;
    const int Second = fields.Second;

    const COLstring& dayName = COLdateTimeDayName(static_cast<unsigned short>(DayOfWeek), true);
    const COLstring& monthName = COLdateTimeMonthName(static_cast<unsigned short>(Month), true);
    const COLstring& ordinal = COLdateTimeOrdinalName(static_cast<unsigned short>(Day));
    const COLstring& amPm = COLdateTimeAmPmName(static_cast<unsigned short>(Hour), false);
    if (stream.is_decimal()) {
      // The usual case is composed here and written at once, with the digits the stream's
      // decimal inserter would write; another base takes the inserters below.
      char line[128];
      char* p = line;
      p = putText(p, dayName);
      p = putText(p, ", ", 2);
      p = putText(p, monthName);
      p = putText(p, " ", 1);
      p = putText(p, ordinal);
      p = putText(p, ", ", 2);
      p = putNumber(p, Year);
      p = putText(p, " @ ", 3);
      const int hour12 = Hour % 12;
      if (hour12 == 0) {
        p = putNumber(p, 12);
      } else {
        if (hour12 < 10) *p++ = '0';
        p = putNumber(p, hour12);
      }
      *p++ = ':';
      if (Minute <= 9) *p++ = '0';
      p = putNumber(p, Minute);
      *p++ = ':';
      if (Second <= 9) *p++ = '0';
      p = putNumber(p, Second);
      *p++ = ' ';
      p = putText(p, amPm);
      stream.write(line, static_cast<unsigned>(p - line));
      return;
    }

    stream << COLdateTimeDayName(static_cast<unsigned short>(DayOfWeek), true) << ", "
           << COLdateTimeMonthName(static_cast<unsigned short>(Month), true) << " "
           << COLdateTimeOrdinalName(static_cast<unsigned short>(Day)) << ", " << Year << " @ ";
    const int hour12 = Hour % 12;
    if (hour12 == 0)
      stream << 12;
    else if (hour12 >= 10)
      stream << hour12;
    else
      stream << "0" << hour12;
    stream << ":";
    if (Minute <= 9) stream << "0";
    stream << Minute << ":";
    if (Second <= 9) stream << "0";
    stream << Second << " " << COLdateTimeAmPmName(static_cast<unsigned short>(Hour), false);
  } catch (const COLerror& error) {
    stream << "Invalid datetime (" << error << ")";
  }
}

COLostream& operator<<(COLostream& stream, const COLdateTime& date) {
  date.print(stream);
  return stream;
}

COLostream& operator<<(COLostream& stream, const tm& fields) {
  stream << "Date: " << fields.tm_mday << "/" << fields.tm_mon + 1 << "/" << fields.tm_year << " Time = "
         << fields.tm_hour << ":" << fields.tm_min << ":" << fields.tm_sec << newline;
  if (fields.tm_isdst > 0)
    stream << "Daylight savings ON";
  else if (fields.tm_isdst == 0)
    stream << "Daylight savings OFF";
  else
    stream << "Daylight savings UNKNOWN";
  stream << " Day of year = " << fields.tm_yday << " Day of week = " << fields.tm_wday;
  return stream;
}

// ---- Text: parsing ----

namespace {

// The C locale's white space, which scanf skips before a number.
bool isScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One number as scanf's %<width>d reads it: white space skipped, then an optional sign and
// digits, the sign counting towards the width. False when no digit comes in time.
bool scanNumber(const char*& p, int width, int& out) {
  while (isScanSpace(*p)) ++p;
  const char* q = p;
  const bool negative = *q == '-';
  if (*q == '-' || *q == '+') {
    ++q;
    --width;
  }
  if (width <= 0 || !isDigit(*q)) return false;
  int value = 0;
  for (; width > 0 && isDigit(*q); --width, ++q) value = value * 10 + (*q - '0');
  out = negative ? -value : value;
  p = q;
  return true;
}

// The text read as sscanf reads it with "%2d/%2d/%4d %2d:%2d:%2d", in one pass; true when
// all six numbers were read. A blank in that layout matches any white space, none too, and
// the separators match only themselves.
bool scanDateTime(const char* p, int* Day, int* Month, int* Year, int* Hour, int* Minute, int* Second) {
  if (!scanNumber(p, 2, *Day) || *p++ != '/') return false;
  if (!scanNumber(p, 2, *Month) || *p++ != '/') return false;
  if (!scanNumber(p, 4, *Year)) return false;
  if (!scanNumber(p, 2, *Hour) || *p++ != ':') return false;
  if (!scanNumber(p, 2, *Minute) || *p++ != ':') return false;
  return scanNumber(p, 2, *Second);
}

}  // namespace

void COLdateTime::parse(const COLstring& text) {
  int Day = 0, Month = 0, Year = 0, Hour = 0, Minute = 0, Second = 0;
  if (!scanDateTime(text.c_str(), &Day, &Month, &Year, &Hour, &Minute, &Second)) {
    throw COLerror(COLstring("Couldn't parse date '") + text +
                       "'.  A date is written as day/month/year hours:minutes:seconds, with a "
                       "four-digit year, as in 04/12/2014 13:06:51.",
                   COL_ERROR_PRECONDITION);
  }
  set_date_time(Year, Month, Day, Hour, Minute, Second);
}

COLdateTime COLdateTime::from_digits(const COLstring& text) {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d", &Year, &Month, &Day, &Hour, &Minute, &Second);
  COL_POSTCONDITION(Year != 0, 1806, Source);
  COL_POSTCONDITION(Month > 0 && Month <= 12, 1807, Source);
  COL_POSTCONDITION(Day > 0 && Day <= 31, 1808, Source);
  COL_POSTCONDITION(Hour >= 0 && Hour < 24, 1809, Source);
  COL_POSTCONDITION(Minute >= 0 && Minute < 60, 1810, Source);
  COL_POSTCONDITION(Second >= 0 && Second < 60, 1811, Source);
  COLdateTime CompileTimeStamp(Year, Month, Day, Hour, Minute, Second);
  COL_POSTCONDITION(CompileTimeStamp.status() == COLdateTime::valid, 1814, Source);
  return CompileTimeStamp;
}

COLdateTime COLdateTime::from_build_text(const COLstring& text) {
  int Day = 0, Year = 0, Hour = 0, Minute = 0, Second = 0;
  char MonthBuffer[100];
  memset(MonthBuffer, 0, sizeof MonthBuffer);
  // The word is bounded by the buffer, and the numbers are decimal: the compiler writes
  // the hours and minutes with leading zeros ("08:09:00"), which are no octal prefix.
  sscanf(text.c_str(), "%99s %d %d %d:%d:%d", MonthBuffer, &Day, &Year, &Hour, &Minute, &Second);
  COL_POSTCONDITION(strlen(MonthBuffer) == 3, 1752, Source);
  COL_POSTCONDITION(Day > 0 && Day <= 31, 1753, Source);
  COL_POSTCONDITION(Year != 0, 1754, Source);
  COL_POSTCONDITION(Hour >= 0 && Hour < 24, 1755, Source);
  COL_POSTCONDITION(Minute >= 0 && Minute < 60, 1756, Source);
  COL_POSTCONDITION(Second >= 0 && Second < 60, 1757, Source);
  const int Month = COLdateTimeMonthFromAbbreviation(COLstring(MonthBuffer));
  COL_POSTCONDITION(Month != -1, 1760, Source);
  COLdateTime Return;
  Return.set_date_time(Year, Month, Day, Hour, Minute, Second);
  COL_POSTCONDITION(Return.status() == COLdateTime::valid, 1769, Source);
  return Return;
}

COLdateTime COLdateTime::compile_time_stamp() { return from_build_text(COLstring(__DATE__) + " " + __TIME__); }

// ---- Arithmetic with spans ----

namespace {
// The status of a date-time moved by a span: null wins over invalid, invalid over valid.
int combinedStatus(int dateStatus, int spanStatus) {
  if (dateStatus == COLdateTime::null || spanStatus == COLdateTimeSpan::null) return COLdateTime::null;
  if (dateStatus == COLdateTime::invalid || spanStatus == COLdateTimeSpan::invalid) return COLdateTime::invalid;
  return COLdateTime::valid;
}

// Moves the date in time order; a failed move keeps the value and sets the status.
void moveBy(COLdateTime& date, int spanStatus, double days) {
  const int status = combinedStatus(date.status(), spanStatus);
  if (status != COLdateTime::valid) {
    date.set_status(status);
    return;
  }
  date = COLdateTimeFromLinear(COLdateTimeToLinear(date.value()) + days);
  date.check_range();
}

// A new date-time, without zone or sub-second: the moved value (invalid when it leaves the
// range), or 0.0 when either side is not valid.
COLdateTime movedCopy(const COLdateTime& from, int spanStatus, double days) {
  COLdateTime result;
  const int status = combinedStatus(from.status(), spanStatus);
  if (status == COLdateTime::valid) {
    result = from.value();
    moveBy(result, spanStatus, days);
  } else {
    result.set_status(status);
  }
  return result;
}
}  // namespace

COLdateTime COLdateTime::operator+(const COLdateTimeSpan& span) const {
  return movedCopy(*this, span.status(), span.total_days());
}

COLdateTime COLdateTime::operator-(const COLdateTimeSpan& span) const {
  return movedCopy(*this, span.status(), -span.total_days());
}

COLdateTime& COLdateTime::operator+=(const COLdateTimeSpan& span) {
  moveBy(*this, span.status(), span.total_days());
  return *this;
}

COLdateTime& COLdateTime::operator-=(const COLdateTimeSpan& span) {
  moveBy(*this, span.status(), -span.total_days());
  return *this;
}

COLdateTimeSpan COLdateTime::operator-(const COLdateTime& date) const {
  COLdateTimeSpan result;
  const int status = combinedStatus(this->status(), date.status());
  if (status == valid)
    result = COLdateTimeToLinear(value()) - COLdateTimeToLinear(date.value());
  else
    result.set_status(status);
  return result;
}

// ---- Text: spans ----

void COLdateTimeSpan::print(COLostream& stream) const {
  const int parts[4] = {days(), hours(), minutes(), seconds()};
  int remaining = 0;
  for (int part : parts)
    if (part != 0) ++remaining;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] == 0) continue;
    stream << parts[i] << " " << COLdateTimeSpanUnits[i];
    if (parts[i] > 1) stream << "s";
    if (remaining > 1) {
      stream << " ";
      --remaining;
    }
  }
}

COLostream& operator<<(COLostream& stream, const COLdateTimeSpan& span) {
  span.print(stream);
  return stream;
}
