// COLdateTime: one local calendar date and time of day, held as an OLE Automation date (a
// double of days since 1899-12-30 00:00:00; the integer part, truncated toward zero, names
// the day and the distance from it, without sign, is the time of day) with a status that
// says whether the value means anything, a sub-second part and an optional zone offset that
// it stores but never calculates with. Conversions report failure through the status; only
// field extraction, a few checks and the ordering operators raise. All times are local.
#pragma once

#include "COL/COLdateTimeSpan.h"
#include "COL/COLhashmap.h"
#include "COL/COLrefCounted.h"
#include "COL/COLstring.h"

#include <cstdint>
#include <ctime>

class COLostream;
class COLdateTimePrivate;
struct _FILETIME;
typedef struct _FILETIME FILETIME;

// Calendar fields laid out like tm, but with the full year, a one-based month, day of week
// (1 Sunday) and day of year. COLdateTimeToFields leaves IsDaylight alone.
struct COLdateTimeFields {
  int Second;
  int Minute;
  int Hour;
  int Day;
  int Month;
  int Year;
  int DayOfWeek;
  int DayOfYear;
  int IsDaylight;
};

class COLdateTime : public COLrefCounted {
public:
  // The same numbers as COLdateTimeSpan's statuses.
  enum : int { valid = 0, invalid = 1, null = 2 };

  COLdateTime();
  COLdateTime(const COLdateTime& other);
  COLdateTime(int year, int month, int day, int hour, int minute, int second);
  // Any double, valid without a range test.
  explicit COLdateTime(double value);
  explicit COLdateTime(time_t time);
  explicit COLdateTime(const FILETIME& fileTime);
  ~COLdateTime() override;

  COLdateTime& operator=(const COLdateTime& other);
  COLdateTime& operator=(double value);
  COLdateTime& operator=(const FILETIME& fileTime);

  int status() const;
  void set_status(int status);
  bool is_null() const { return status() == null; }
  void set_null();
  // The stored value whatever the status.
  double value() const;
  void set_sub_second(double NewValue);
  const double& sub_second() const;
  void set_zone(short minutes, bool hasZone);
  short zone_offset() const;
  bool has_zone() const;

  // Each returns the new status; a failed set leaves the value as it was.
  int set_date_time(int year, int month, int day, int hour, int minute, int second);
  int set_date(int year, int month, int day);
  // A time of day on 1899-12-30.
  int set_time(int hour, int minute, int second);
  // Invalid when the value lies outside the range that fields can be read from.
  void check_range();

  // Calendar fields, read afresh from the value on every call; each throws a COLerror
  // with code COL_ERROR_DATE_TIME when the object is not valid or out of range.
  int year() const;
  int month() const;
  int day() const;
  int hour() const;
  int minute() const;
  int second() const;
  int day_of_week() const;  // 1 Sunday to 7 Saturday
  int day_of_year() const;  // 1 to 366
  // January 1 is week 0 and every Sunday after it starts the next week.
  short week_of_year() const;

  // -1 for a null object or when mktime cannot represent the local fields.
  time_t to_time_t() const;
  COLdateTime& set_time_t(const time_t& time);

  // == and != compare the stored doubles as they are; the order operators need both sides
  // valid (or both null) and compare in time order.
  bool operator==(const COLdateTime& date) const;
  bool operator!=(const COLdateTime& date) const;
  bool operator<(const COLdateTime& date) const;
  bool operator>(const COLdateTime& date) const;
  bool operator<=(const COLdateTime& date) const;
  bool operator>=(const COLdateTime& date) const;

  COLdateTime operator+(const COLdateTimeSpan& span) const;
  COLdateTime operator-(const COLdateTimeSpan& span) const;
  COLdateTime& operator+=(const COLdateTimeSpan& span);
  COLdateTime& operator-=(const COLdateTimeSpan& span);
  COLdateTimeSpan operator-(const COLdateTime& date) const;

  // The current local time to the second; the conversion runs once per second of wall-clock
  // time however often it is asked.
  static COLdateTime now();
  static COLdateTime today();

  // Text. format takes strftime directives, with %z and %Z the zone offset and %% a percent
  // sign; print writes the long form (Thursday, December 4th, 2014 @ 01:06:51 PM).
  COLstring format(const char* format) const;
  void print(COLostream& stream) const;
  // DD/MM/YYYY hh:mm:ss; throws when fewer than six numbers are read.
  void parse(const COLstring& text);
  // YYYYMMDDhhmmss.
  static COLdateTime from_digits(const COLstring& text);
  // The compiler's build date and time, as in "Dec  4 2014 13:06:51".
  static COLdateTime from_build_text(const COLstring& text);
  static COLdateTime compile_time_stamp();

  const COLstring& day_name(bool full) const;
  const COLstring& month_name(bool full) const;
  const COLstring& ordinal_name() const;
  const COLstring& am_pm_name(bool dotted) const;
  void day_abbreviation(COLstring& out) const;
  void month_abbreviation(COLstring& out) const;

private:
  int field(int COLdateTimeFields::*member, const char* what, int line) const;

  COLdateTimePrivate* pMember;
};

// The days before each month of a common year; month m has [m] - [m - 1] days.
extern const int COLdateTimeMonthDays[13];

// Writes the value only on success. Years have no lower bound; negative hours, minutes and
// seconds move the time backwards.
bool COLdateTimeFromFields(int year, int month, int day, int hour, int minute, int second, double* out);
// False outside 0100-01-01 00:00:00 .. 9999-12-31 00:00:00 (-657434.0 .. 2958465.0). The
// fields are those of the value rounded to the nearest second.
bool COLdateTimeToFields(double value, COLdateTimeFields* out);
// Turns the record into tm's conventions in place (year - 1900, zero-based month, day of
// week and day of year, daylight saving unknown) and returns a tm with those fields.
tm COLdateTimeToTm(COLdateTimeFields& fields);
// The stored value as a count that grows steadily with time, and back.
double COLdateTimeToLinear(double value);
double COLdateTimeFromLinear(double linear);

// What now() does with a calendar time already read; now() passes time(nullptr).
COLdateTime COLdateTimeNowAt(time_t time);

// A UTC instant to the microsecond.
struct COLtimeStamp {
  int64_t Seconds;        // since 1970-01-01 00:00:00 UTC
  uint64_t Microseconds;  // 0 to 999,999
  int64_t seconds() const { return Seconds; }
  uint64_t milliseconds() const { return Microseconds / 1000; }
};

// Microseconds since 1970-01-01 UTC, in unsigned arithmetic.
void COLfileTimeToMicroseconds(uint64_t* out, const FILETIME* fileTime);
void COLtimeStampNow(COLtimeStamp* out);
// Local calendar fields of the stamp; all 0 when the local time cannot be had.
void COLtimeStampToLocal(const COLtimeStamp& stamp, int* year, int* month, int* day, int* hour,
                         int* minute, int* second, int* millisecond);

// Text of dates: the zone offset as +hhmm or -hhmm (empty without a zone), the inserters,
// and the English names, each lookup giving the empty COLdateTimeNoName out of range.
COLstring COLdateTimeZoneText(const COLdateTime& date);
COLostream& operator<<(COLostream& stream, const COLdateTime& date);
COLostream& operator<<(COLostream& stream, const COLdateTimeSpan& span);
COLostream& operator<<(COLostream& stream, const tm& fields);

const COLstring& COLdateTimeDayName(unsigned short day, bool full);      // 1 Sunday .. 7
const COLstring& COLdateTimeMonthName(unsigned short month, bool full);  // 1 .. 12
const COLstring& COLdateTimeOrdinalName(unsigned short day);             // 1 .. 31
const COLstring& COLdateTimeAmPmName(unsigned short hour, bool dotted);  // 0 .. 23

// The locale's "%b" month abbreviations, read once on first use.
void COLdateTimeFillMonthMap();
// The month of an abbreviation (exact bytes), or -1.
int COLdateTimeMonthFromAbbreviation(const COLstring& abbreviation);
const COLstring& COLdateTimeLocaleMonthAbbreviation(unsigned month);

// The process-wide name tables, built at start-up after the standard streams.
extern const COLstring COLdateTimeDayNames[7];
extern const COLstring COLdateTimeDayAbbreviations[7];
extern const COLstring COLdateTimeMonthNames[12];
extern const COLstring COLdateTimeMonthAbbreviations[12];
extern const COLstring COLdateTimeOrdinals[31];
extern const COLstring COLdateTimeAmPm[2];
extern const COLstring COLdateTimeAmPmDotted[2];
extern const COLstring COLdateTimeNoName[1];
extern const COLstring COLdateTimeSpanUnits[4];
// The locale's month abbreviations to month numbers 1 to 12, empty until first use.
typedef COLhashmap<COLstring, int, COLhash<COLstring>> COLdateTimeMonthMapType;
extern COLdateTimeMonthMapType COLdateTimeMonthMap;
