// COLdateTime values: the calendar conversion both ways, field extraction and its errors,
// week numbers, comparison, time_t and FILETIME, and the current time.
#include "COL/COLdateTime.h"

#include "COL/COLdateTimeSpan.h"
#include "COL/COLerror.h"
#include "platform/PLATwindows.h"
#include "tests/COL/COLdateTimeFieldsOf.h"
#include "tests/support/TESTsupport.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <string>

namespace {

// Day 0 of the stored value, 1899-12-30, in days from 1970-01-01.
const long long Day0 = TESTdaysFromCivil(1899, 12, 30);

TEST(COLdateTimeFields, EveryValidDayReadsBackAsItsCalendarDate) {
  // Each day of the range through ToFields and back through FromFields, with the fields
  // checked against the civil calendar computed apart.
  COLdateTimeFields fields;
  for (int day = -657434; day <= 2958465; ++day) {
    ASSERT_TRUE(COLdateTimeToFields(day, &fields)) << day;
    ASSERT_EQ(TESTdaysFromCivil(fields.Year, fields.Month, fields.Day) - Day0, day) << day;
    ASSERT_EQ(TESTdaysFromCivil(fields.Year, fields.Month, fields.Day) - TESTdaysFromCivil(fields.Year, 1, 1) + 1,
              fields.DayOfYear)
        << day;
    // 1899-12-30 was a Saturday, day 7.
    ASSERT_EQ(fields.DayOfWeek, ((day % 7 + 7) % 7 + 6) % 7 + 1) << day;
    ASSERT_EQ(fields.Hour + fields.Minute + fields.Second, 0) << day;
    double back = 0;
    ASSERT_TRUE(COLdateTimeFromFields(fields.Year, fields.Month, fields.Day, 0, 0, 0, &back)) << day;
    ASSERT_EQ(back, day);
  }
}

TEST(COLdateTimeFields, TimesOfDayReadBackOnBothSidesOfDayZero) {
  const int times[][3] = {{0, 0, 0}, {0, 0, 1}, {6, 0, 0}, {12, 34, 56}, {23, 59, 58}, {23, 59, 59}};
  // Times after midnight of the earliest day lie below the range's lowest value.
  for (int day = -657433; day <= 2958465; day += 997) {
    COLdateTimeFields date;
    ASSERT_TRUE(COLdateTimeToFields(day, &date));
    for (const auto& t : times) {
      double value = 0;
      ASSERT_TRUE(COLdateTimeFromFields(date.Year, date.Month, date.Day, t[0], t[1], t[2], &value));
      EXPECT_EQ(fieldsOf(value), (Ymdhms{date.Year, date.Month, date.Day, t[0], t[1], t[2]})) << value;
    }
  }
}

TEST(COLdateTimeFields, ValuesReadAsTheInstantToTheNearestSecond) {
  struct Case {
    const char* why;
    double value;
    Ymdhms fields;
  };
  const Case cases[] = {
      {"day 0", 0.0, {1899, 12, 30, 0, 0, 0}},
      {"a positive time", 0.25, {1899, 12, 30, 6, 0, 0}},
      {"the time of day is the distance from the day, without sign", -0.25, {1899, 12, 30, 6, 0, 0}},
      {"a negative day", -1.25, {1899, 12, 29, 6, 0, 0}},
      {"the latest value", 2958465.0, {9999, 12, 31, 0, 0, 0}},
      {"the earliest value", -657434.0, {100, 1, 1, 0, 0, 0}},
      {"less than half a second before midnight is the next day", 0.999999, {1899, 12, 31, 0, 0, 0}},
      {"the same before midnight of day 0 stored negative", -0.999999, {1899, 12, 31, 0, 0, 0}},
      {"the same on a negative day", -1.999999, {1899, 12, 30, 0, 0, 0}},
      {"the same on the second day of the range", -657433.999999, {100, 1, 3, 0, 0, 0}},
      {"the same on the last day", 2958464.999999, {9999, 12, 31, 0, 0, 0}},
      {"a leap day", 36585.5, {2000, 2, 29, 12, 0, 0}},
      {"1900 is no leap year", 61.0, {1900, 3, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(fieldsOf(c.value), c.fields) << c.why;
}

TEST(COLdateTimeFields, ValuesOutsideTheRangeAreRefused) {
  const double refused[] = {2958465.5, 2958466.0, -657434.5, -657435.0, 1e300, -1e300,
                            std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  COLdateTimeFields fields;
  for (double value : refused) EXPECT_FALSE(COLdateTimeToFields(value, &fields)) << value;
}

TEST(COLdateTimeFields, FromFieldsRefusesImpossibleDatesAndTimes) {
  struct Case {
    const char* why;
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {"February 29 of a common year", 2014, 2, 29, 0, 0, 0},
      {"February 29 of a century that is no leap year", 1900, 2, 29, 0, 0, 0},
      {"year 10000", 10000, 1, 1, 0, 0, 0},
      {"month 0", 2014, 0, 1, 0, 0, 0},
      {"month 13", 2014, 13, 1, 0, 0, 0},
      {"day 0", 2014, 1, 0, 0, 0, 0},
      {"April 31", 2014, 4, 31, 0, 0, 0},
      {"hour 24", 2014, 1, 1, 24, 0, 0},
      {"minute 60", 2014, 1, 1, 0, 60, 0},
      {"second 60", 2014, 1, 1, 0, 0, 60},
      {"a year whose day count does not fit 32 bits", -6000000, 1, 1, 0, 0, 0},
      {"the lowest year", std::numeric_limits<int>::min(), 1, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    double value = 12345.0;
    EXPECT_FALSE(COLdateTimeFromFields(c.year, c.month, c.day, c.hour, c.minute, c.second, &value)) << c.why;
    EXPECT_EQ(value, 12345.0) << c.why << ": nothing written";
  }
}

TEST(COLdateTimeFields, FromFieldsGivesTheStoredValue) {
  struct Case {
    const char* why;
    int year, month, day, hour, minute, second;
    double value;
  };
  const Case cases[] = {
      {"day 0", 1899, 12, 30, 0, 0, 0, 0.0},
      {"a time on day 0", 1899, 12, 30, 6, 0, 0, 0.25},
      {"a time on a negative day", 1899, 12, 29, 6, 0, 0, -1.25},
      {"1900-01-01", 1900, 1, 1, 0, 0, 0, 2.0},
      {"a leap day", 2000, 2, 29, 0, 0, 0, 36585.0},
      {"year 0 has no lower bound", 0, 1, 1, 0, 0, 0, -693959.0},
  };
  for (const Case& c : cases) {
    double value = 0;
    ASSERT_TRUE(COLdateTimeFromFields(c.year, c.month, c.day, c.hour, c.minute, c.second, &value)) << c.why;
    EXPECT_EQ(value, c.value) << c.why;
  }
}

TEST(COLdateTimeFields, NegativeTimePartsMoveBackInTime) {
  // Both sides of 1899-12-30: before it the stored time of day runs the other way.
  struct Case {
    const char* why;
    int year, month, day, hour, minute, second;
    Ymdhms fields;
  };
  const Case cases[] = {
      {"an hour back from midnight", 2014, 12, 4, -1, 0, 0, {2014, 12, 3, 23, 0, 0}},
      {"minutes back within the day", 2014, 12, 4, 10, -30, 0, {2014, 12, 4, 9, 30, 0}},
      {"a second back from day 0", 1899, 12, 30, 0, 0, -1, {1899, 12, 29, 23, 59, 59}},
      {"an hour back on a negative day", 1899, 12, 29, -1, 0, 0, {1899, 12, 28, 23, 0, 0}},
      {"minutes back within a negative day", 1899, 12, 29, 10, -30, 0, {1899, 12, 29, 9, 30, 0}},
      {"two days back from a negative day", 1899, 1, 10, -48, 0, 0, {1899, 1, 8, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    double value = 0;
    ASSERT_TRUE(COLdateTimeFromFields(c.year, c.month, c.day, c.hour, c.minute, c.second, &value)) << c.why;
    EXPECT_EQ(fieldsOf(value), c.fields) << c.why << " (value " << value << ")";
  }
}

TEST(COLdateTimeFields, ToTmTurnsTheRecordIntoTmConventions) {
  COLdateTimeFields fields;
  ASSERT_TRUE(COLdateTimeToFields(COLdateTime(2014, 12, 4, 13, 6, 51).value(), &fields));
  fields.IsDaylight = 5;
  tm result = COLdateTimeToTm(fields);
  EXPECT_EQ(fields.Year, 114);
  EXPECT_EQ(fields.Month, 11);
  EXPECT_EQ(fields.DayOfWeek, 4);
  EXPECT_EQ(fields.DayOfYear, 337);
  EXPECT_EQ(fields.IsDaylight, -1);
  EXPECT_EQ(result.tm_year, 114);
  EXPECT_EQ(result.tm_mon, 11);
  EXPECT_EQ(result.tm_mday, 4);
  EXPECT_EQ(result.tm_hour, 13);
  EXPECT_EQ(result.tm_min, 6);
  EXPECT_EQ(result.tm_sec, 51);
  EXPECT_EQ(result.tm_wday, 4);
  EXPECT_EQ(result.tm_yday, 337);
  EXPECT_EQ(result.tm_isdst, -1);
}

TEST(COLdateTimeFields, LinearCountGrowsWithTime) {
  EXPECT_EQ(COLdateTimeToLinear(-1.25), -0.75);
  EXPECT_EQ(COLdateTimeFromLinear(-0.75), -1.25);
  EXPECT_EQ(COLdateTimeToLinear(2.5), 2.5);
  EXPECT_EQ(COLdateTimeFromLinear(2.5), 2.5);
  EXPECT_EQ(COLdateTimeToLinear(-0.25), 0.25);
  EXPECT_EQ(COLdateTimeToLinear(-2.0), -2.0);
}

TEST(COLdateTime, ConstructorsSetTheStatus) {
  struct Case {
    const char* why;
    std::function<COLdateTime()> make;
    int status;
    double value;
  };
  const Case cases[] = {
      {"default", [] { return COLdateTime(); }, COLdateTime::null, 0.0},
      {"six fields", [] { return COLdateTime(1899, 12, 30, 6, 0, 0); }, COLdateTime::valid, 0.25},
      {"six fields, impossible", [] { return COLdateTime(2014, 2, 29, 0, 0, 0); }, COLdateTime::invalid, 0.0},
      {"year 10000", [] { return COLdateTime(10000, 1, 1, 0, 0, 0); }, COLdateTime::invalid, 0.0},
      {"2000-02-29", [] { return COLdateTime(2000, 2, 29, 0, 0, 0); }, COLdateTime::valid, 36585.0},
      {"a double, out of range", [] { return COLdateTime(3000000.0); }, COLdateTime::valid, 3000000.0},
      {"assigned a double", [] { COLdateTime d(2014, 2, 29, 0, 0, 0); d = -7.5; return d; }, COLdateTime::valid, -7.5},
      {"set_date after a failure", [] { COLdateTime d(2014, 2, 29, 0, 0, 0); d.set_date(1900, 1, 1); return d; },
       COLdateTime::valid, 2.0},
      {"failed set keeps the value", [] { COLdateTime d(2.0); d.set_date(2014, 2, 30); return d; },
       COLdateTime::invalid, 2.0},
      {"set_time", [] { COLdateTime d(100.0); d.set_time(18, 0, 0); return d; }, COLdateTime::valid, 0.75},
      {"set_time with a negative hour", [] { COLdateTime d(100.0); d.set_time(-1, 0, 0); return d; },
       COLdateTime::invalid, 100.0},
      {"set_time with second 60", [] { COLdateTime d(100.0); d.set_time(0, 0, 60); return d; },
       COLdateTime::invalid, 100.0},
      {"check_range above", [] { COLdateTime d(2958465.5); d.check_range(); return d; }, COLdateTime::invalid,
       2958465.5},
      {"check_range below", [] { COLdateTime d(-657434.5); d.check_range(); return d; }, COLdateTime::invalid,
       -657434.5},
      {"check_range inside", [] { COLdateTime d(-657434.0); d.check_range(); return d; }, COLdateTime::valid,
       -657434.0},
      {"set_status keeps the value", [] { COLdateTime d(5.0); d.set_status(COLdateTime::null); return d; },
       COLdateTime::null, 5.0},
  };
  for (const Case& c : cases) {
    COLdateTime made = c.make();
    EXPECT_EQ(made.status(), c.status) << c.why;
    EXPECT_EQ(made.value(), c.value) << c.why;
  }
  EXPECT_EQ(COLdateTime(100.0).set_time(-1, 0, 0), 1);
  EXPECT_EQ(COLdateTime().set_date_time(2014, 12, 4, 13, 6, 51), COLdateTime::valid);
}

TEST(COLdateTime, CopiesCarryEveryFieldAndStandAlone) {
  COLdateTime* shared = new COLdateTime(2014, 12, 4, 13, 6, 51);
  shared->set_sub_second(0.25);
  shared->set_zone(-330, true);
  shared->add_ref();
  COLdateTime copy(*shared);
  EXPECT_EQ(copy.value(), shared->value());
  EXPECT_EQ(copy.status(), COLdateTime::valid);
  EXPECT_EQ(copy.sub_second(), 0.25);
  EXPECT_EQ(copy.zone_offset(), -330);
  EXPECT_TRUE(copy.has_zone());
  EXPECT_EQ(copy.ref_count(), 0) << "a copy starts unshared";
  copy.set_zone(60, false);
  copy = 1.0;
  EXPECT_EQ(shared->value(), COLdateTime(2014, 12, 4, 13, 6, 51).value());
  EXPECT_EQ(shared->zone_offset(), -330);
  EXPECT_EQ(copy.zone_offset(), 0) << "no offset without the zone flag";
  COLdateTime assigned;
  assigned = *shared;
  EXPECT_EQ(assigned.sub_second(), 0.25);
  EXPECT_EQ(assigned.zone_offset(), -330);
  shared->release();
}

TEST(COLdateTime, SetNullResetsEverything) {
  COLdateTime date(2014, 12, 4, 13, 6, 51);
  date.set_sub_second(0.5);
  date.set_zone(90, true);
  date.set_null();
  EXPECT_TRUE(date.is_null());
  EXPECT_EQ(date.value(), 0.0);
  EXPECT_EQ(date.sub_second(), 0.0);
  EXPECT_FALSE(date.has_zone());
}

TEST(COLdateTime, SubSecondMustBeBelowOne) {
  COLdateTime date;
  date.set_sub_second(-3.0);
  EXPECT_EQ(date.sub_second(), -3.0);
  EXPECT_EQ(TEST_ERROR_OF(date.set_sub_second(1.0)),
            (TESTerrorFields{"Failed precondition: NewValue < 1", COL_ERROR_PRECONDITION, 1169, "COLdateTime"}));
  EXPECT_EQ(date.sub_second(), -3.0);
}

TEST(COLdateTime, FieldsOfAValidDate) {
  const COLdateTime date(2014, 12, 4, 13, 6, 51);
  EXPECT_EQ(fieldsOf(date), (Ymdhms{2014, 12, 4, 13, 6, 51}));
  EXPECT_EQ(date.day_of_week(), 5);
  EXPECT_EQ(date.day_of_year(), 338);
  EXPECT_EQ(COLdateTime(0.0).day_of_week(), 7);
}

TEST(COLdateTime, FieldsOfNullInvalidAndOutOfRangeDatesRaise) {
  struct Accessor {
    const char* what;
    std::function<void(const COLdateTime&)> read;
    int line;
  };
  const Accessor accessors[] = {
      {"year", [](const COLdateTime& d) { d.year(); }, 577},
      {"month", [](const COLdateTime& d) { d.month(); }, 593},
      {"day", [](const COLdateTime& d) { d.day(); }, 609},
      {"hour", [](const COLdateTime& d) { d.hour(); }, 625},
      {"minute", [](const COLdateTime& d) { d.minute(); }, 641},
      {"second", [](const COLdateTime& d) { d.second(); }, 658},
      {"day of week", [](const COLdateTime& d) { d.day_of_week(); }, 696},
      {"day of year", [](const COLdateTime& d) { d.day_of_year(); }, 712},
      {"week of year", [](const COLdateTime& d) { d.week_of_year(); }, 680},
  };
  COLdateTime invalid(2.0);
  invalid.set_status(COLdateTime::invalid);
  COLdateTime yearZero(0, 1, 1, 0, 0, 0);
  ASSERT_EQ(yearZero.status(), COLdateTime::valid);
  const struct {
    const char* why;
    COLdateTime date;
  } dates[] = {
      {"null", COLdateTime()},
      {"invalid", invalid},
      {"above the range", COLdateTime(3000000.0)},
      {"below the range", COLdateTime(-657434.5)},
      {"year 0", yearZero},
  };
  for (const auto& d : dates) {
    for (const Accessor& a : accessors) {
      EXPECT_EQ(TEST_ERROR_OF(a.read(d.date)),
                (TESTerrorFields{std::string("Date time error while extracting ") + a.what + ".", COL_ERROR_DATE_TIME,
                                 a.line, "COLdateTime"}))
          << d.why;
    }
  }
}

TEST(COLdateTime, WeekOfYearIsStrftimeUExceptInYearsThatStartOnSunday) {
  // %U counts the days before the first Sunday as week 0, so in a year that starts on a
  // Sunday it calls January 1 week 1. Here January 1 is always week 0 and each Sunday
  // after it starts the next week: %U, less one when January 1 is a Sunday.
  for (int year = 1890; year <= 2110; ++year) {
    const COLdateTime january1(year, 1, 1, 0, 0, 0);
    const int lessOne = january1.day_of_week() == 1 ? 1 : 0;
    const long long first = TESTdaysFromCivil(year, 1, 1) - Day0;
    for (long long day = first; day < TESTdaysFromCivil(year + 1, 1, 1) - Day0; ++day) {
      const COLdateTime date(static_cast<double>(day));
      const COLdateTime noon(date.year(), date.month(), date.day(), 12, 0, 0);
      COLdateTimeFields fields;
      ASSERT_TRUE(COLdateTimeToFields(noon.value(), &fields));
      tm t = COLdateTimeToTm(fields);
      char text[8];
      ASSERT_GT(strftime(text, sizeof text, "%U", &t), 0u);
      ASSERT_EQ(noon.week_of_year(), atoi(text) - lessOne) << year << " day " << day - first;
    }
  }
  EXPECT_EQ(COLdateTime(2012, 1, 1, 0, 0, 0).week_of_year(), 0);
  EXPECT_EQ(COLdateTime(2012, 1, 7, 23, 59, 59).week_of_year(), 0);
  EXPECT_EQ(COLdateTime(2012, 1, 8, 0, 0, 0).week_of_year(), 1);
  EXPECT_EQ(COLdateTime(2014, 1, 4, 0, 0, 0).week_of_year(), 0);
  EXPECT_EQ(COLdateTime(2014, 1, 5, 0, 0, 0).week_of_year(), 1);
  EXPECT_EQ(COLdateTime(2014, 12, 31, 0, 0, 0).week_of_year(), 52);
}

TEST(COLdateTime, WeekOfYearCountsFromTheSameRoundedInstantAsTheFields) {
  // Within half a second of midnight the fields are those of the next day; the week must
  // be that day's too, also across the year's end.
  struct Case {
    int year, month, day;
    double fraction;  // of a second after 23:59:59
    int readYear, readDay;
    int week;
  };
  const Case cases[] = {
      {2011, 12, 31, 0.7, 2012, 1, 0},  // 2012 starts on a Sunday
      {2011, 12, 31, 0.4, 2011, 31, 52},
      {2012, 1, 7, 0.7, 2012, 8, 1},    // Saturday night reads as Sunday, week 1
      {2013, 12, 31, 0.6, 2014, 1, 0},
      {1899, 12, 29, 0.7, 1899, 30, 51},  // before day 0 the stored time runs the other way
  };
  for (const Case& c : cases) {
    const COLdateTime second(c.year, c.month, c.day, 23, 59, 59);
    const double linear = COLdateTimeToLinear(second.value()) + c.fraction / 86400;
    const COLdateTime instant(COLdateTimeFromLinear(linear));
    const std::string row = std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day) +
                            " +" + std::to_string(c.fraction);
    EXPECT_EQ(instant.year(), c.readYear) << row;
    EXPECT_EQ(instant.day(), c.readDay) << row;
    EXPECT_EQ(instant.week_of_year(), c.week) << row;
  }
}

TEST(COLdateTime, EqualityComparesTheStoredValues) {
  EXPECT_TRUE(COLdateTime() == COLdateTime());
  EXPECT_FALSE(COLdateTime(0.25) == COLdateTime(-0.25)) << "the same instant stored two ways";
  EXPECT_TRUE(COLdateTime(0.25) != COLdateTime(-0.25));
  COLdateTime invalid(3.0);
  invalid.set_status(COLdateTime::invalid);
  EXPECT_TRUE(invalid == COLdateTime(3.0)) << "the status is not looked at";
}

TEST(COLdateTime, OrderFollowsTime) {
  struct Case {
    const char* why;
    double left, right;
    bool less, greater;
  };
  const Case cases[] = {
      {"the same instant stored two ways", 0.25, -0.25, false, false},
      {"1899-12-29 06:00 before 1899-12-30 18:00", -1.25, -0.75, true, false},
      {"1899-12-29 18:00 after 1899-12-29 06:00, though the double is lower", -1.75, -1.25, false, true},
      {"across day 0", -0.5, 1.0, true, false},
      {"plain days", 5.0, 4.5, false, true},
  };
  for (const Case& c : cases) {
    const COLdateTime left(c.left), right(c.right);
    EXPECT_EQ(left < right, c.less) << c.why;
    EXPECT_EQ(left > right, c.greater) << c.why;
    EXPECT_EQ(left <= right, !c.greater) << c.why;
    EXPECT_EQ(left >= right, !c.less) << c.why;
  }
  const COLdateTime null1, null2;
  EXPECT_FALSE(null1 < null2);
  EXPECT_FALSE(null1 > null2);
  EXPECT_TRUE(null1 <= null2);
  EXPECT_TRUE(null1 >= null2);
}

TEST(COLdateTime, OrderOfNullOrInvalidDatesRaises) {
  const COLdateTime null, valid(1.0);
  COLdateTime invalid(1.0);
  invalid.set_status(COLdateTime::invalid);
  auto error = [](int line, bool argument) {
    return TESTerrorFields{std::string("Failed precondition: ") + (argument ? "date.status() == valid" : "status() == valid"),
                           COL_ERROR_PRECONDITION, line, "COLdateTime"};
  };
  struct Operator {
    const char* name;
    std::function<bool(const COLdateTime&, const COLdateTime&)> compare;
    int line;
  };
  const Operator operators[] = {
      {"<", [](const COLdateTime& a, const COLdateTime& b) { return a < b; }, 977},
      {">", [](const COLdateTime& a, const COLdateTime& b) { return a > b; }, 992},
      {"<=", [](const COLdateTime& a, const COLdateTime& b) { return a <= b; }, 1007},
      {">=", [](const COLdateTime& a, const COLdateTime& b) { return a >= b; }, 1022},
  };
  for (const Operator& o : operators) {
    EXPECT_EQ(TEST_ERROR_OF(o.compare(valid, null)), error(o.line + 1, true)) << o.name;
    EXPECT_EQ(TEST_ERROR_OF(o.compare(null, valid)), error(o.line, false)) << o.name;
    EXPECT_EQ(TEST_ERROR_OF(o.compare(invalid, valid)), error(o.line, false)) << o.name;
    EXPECT_EQ(TEST_ERROR_OF(o.compare(valid, invalid)), error(o.line + 1, true)) << o.name;
    EXPECT_EQ(TEST_ERROR_OF(o.compare(invalid, invalid)), error(o.line, false)) << o.name;
  }
}

COLdateTimeSpan spanWithStatus(double days, int status) {
  COLdateTimeSpan span(days);
  span.set_status(status);
  return span;
}

COLdateTime dateWithStatus(double value, int status) {
  COLdateTime date(value);
  date.set_status(status);
  return date;
}

TEST(COLdateTimeArithmetic, StatusRulesAndTimeOrder) {
  const int V = COLdateTime::valid, I = COLdateTime::invalid, N = COLdateTime::null;
  struct Case {
    const char* why;
    COLdateTime date;
    COLdateTimeSpan span;
    bool add;
    int status;
    double value;    // of the new object
    double changed;  // of the object moved in place
  };
  const Case cases[] = {
      {"plain days", COLdateTime(10.5), COLdateTimeSpan(2.25), true, V, 12.75, 12.75},
      {"back across day 0", COLdateTime(0.25), COLdateTimeSpan(0.5), false, V, -1.75, -1.75},
      {"forward across day 0", COLdateTime(-1.75), COLdateTimeSpan(0.5), true, V, 0.25, 0.25},
      {"a negative span on a negative day", COLdateTime(-2.5), COLdateTimeSpan(-1.0), true, V, -3.5, -3.5},
      {"past the last day", COLdateTime(2958464.0), COLdateTimeSpan(2.0), true, I, 2958466.0, 2958466.0},
      {"before the first day", COLdateTime(-657434.0), COLdateTimeSpan(1.0), false, I, -657435.0, -657435.0},
      {"a null span", COLdateTime(10.0), spanWithStatus(1.0, N), true, N, 0.0, 10.0},
      {"a null date", dateWithStatus(10.0, N), COLdateTimeSpan(1.0), false, N, 0.0, 10.0},
      {"null wins over invalid", dateWithStatus(10.0, I), spanWithStatus(1.0, N), true, N, 0.0, 10.0},
      {"an invalid date", dateWithStatus(10.0, I), COLdateTimeSpan(1.0), true, I, 0.0, 10.0},
      {"an invalid span", COLdateTime(10.0), spanWithStatus(1.0, I), false, I, 0.0, 10.0},
  };
  for (const Case& c : cases) {
    COLdateTime date = c.date;
    date.set_zone(60, true);
    date.set_sub_second(0.5);
    const COLdateTime made = c.add ? date + c.span : date - c.span;
    EXPECT_EQ(made.status(), c.status) << c.why;
    EXPECT_EQ(made.value(), c.value) << c.why;
    EXPECT_FALSE(made.has_zone()) << c.why;
    EXPECT_EQ(made.sub_second(), 0.0) << c.why;

    COLdateTime changed = date;
    COLdateTime& returned = c.add ? (changed += c.span) : (changed -= c.span);
    EXPECT_EQ(&returned, &changed);
    EXPECT_EQ(changed.status(), c.status) << c.why;
    EXPECT_EQ(changed.value(), c.changed) << c.why;
    EXPECT_EQ(changed.zone_offset(), 60) << c.why;
    EXPECT_EQ(changed.sub_second(), 0.5) << c.why;
  }
  const COLdateTime evening(9999, 12, 30, 0, 0, 0);
  EXPECT_EQ((evening + COLdateTimeSpan(2.0)).status(), COLdateTime::invalid);
  EXPECT_EQ(fieldsOf(COLdateTime(1899, 12, 30, 6, 0, 0) - COLdateTimeSpan(0.5)), (Ymdhms{1899, 12, 29, 18, 0, 0}));
}

TEST(COLdateTimeArithmetic, DifferenceIsASpanInTimeOrder) {
  struct Case {
    const char* why;
    COLdateTime left, right;
    int status;
    double days;
  };
  const Case cases[] = {
      {"across day 0", COLdateTime(1899, 12, 31, 6, 0, 0), COLdateTime(1899, 12, 29, 18, 0, 0), COLdateTime::valid, 1.5},
      {"backward", COLdateTime(-1.25), COLdateTime(-0.25), COLdateTime::valid, -1.0},
      {"no range test", COLdateTime(5000000.0), COLdateTime(0.0), COLdateTime::valid, 5000000.0},
      {"a null side", COLdateTime(), COLdateTime(1.0), COLdateTime::null, 0.0},
      {"null wins over invalid", dateWithStatus(1.0, COLdateTime::invalid), COLdateTime(), COLdateTime::null, 0.0},
      {"an invalid side", COLdateTime(1.0), dateWithStatus(3.0, COLdateTime::invalid), COLdateTime::invalid, 0.0},
  };
  for (const Case& c : cases) {
    const COLdateTimeSpan span = c.left - c.right;
    EXPECT_EQ(span.status(), c.status) << c.why;
    EXPECT_EQ(span.total_days(), c.days) << c.why;
  }
}

TEST(COLdateTime, TimeTConvertsInTheLocalZone) {
  TESTtimeZone zone("UTC0");
  struct Case {
    const char* why;
    time_t time;
    Ymdhms fields;
  };
  const Case cases[] = {
      {"the first second", 0, {1970, 1, 1, 0, 0, 0}},
      {"a date", 1417698411, {2014, 12, 4, 13, 6, 51}},
      {"the last second", PLATlatestTime, {3000, 12, 31, 23, 59, 59}},
  };
  for (const Case& c : cases) {
    const COLdateTime date(c.time);
    ASSERT_EQ(date.status(), COLdateTime::valid) << c.why;
    EXPECT_EQ(fieldsOf(date), c.fields) << c.why;
    EXPECT_EQ(date.to_time_t(), c.time) << c.why;
  }
  TESTtimeZone fixed("EST5");
  EXPECT_EQ(fieldsOf(COLdateTime(time_t(0))), (Ymdhms{1969, 12, 31, 19, 0, 0}));
  EXPECT_EQ(COLdateTime(2014, 12, 4, 8, 6, 51).to_time_t(), 1417698411);
}

TEST(COLdateTime, TimeTFollowsDaylightSaving) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Wine's runtime does not apply the daylight-saving rules of a TZ text";
  TESTtimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(fieldsOf(COLdateTime(time_t(1404230400))), (Ymdhms{2014, 7, 1, 12, 0, 0}));
  EXPECT_EQ(fieldsOf(COLdateTime(time_t(1389805200))), (Ymdhms{2014, 1, 15, 12, 0, 0}));
  EXPECT_EQ(COLdateTime(2014, 7, 1, 12, 0, 0).to_time_t(), 1404230400);
  EXPECT_EQ(COLdateTime(2014, 1, 15, 12, 0, 0).to_time_t(), 1389805200);
}

TEST(COLdateTime, TimeTOutsideTheRuntimeRange) {
  TESTtimeZone zone("UTC0");
  const time_t refused[] = {-1, PLATlatestTime + 2 * 86400};
  for (time_t time : refused) {
    EXPECT_EQ(TEST_ERROR_OF(COLdateTime date(time)),
              (TESTerrorFields{"Failed precondition: false", COL_ERROR_PRECONDITION, 926, "COLdateTime"}))
        << time;
    COLdateTime date(5.0);
    EXPECT_EQ(TEST_ERROR_OF(date.set_time_t(time)).line, 926);
    EXPECT_EQ(date.status(), COLdateTime::invalid) << "set invalid before raising";
    EXPECT_EQ(date.value(), 5.0);
  }
  EXPECT_EQ(COLdateTime(1969, 12, 31, 23, 59, 59).to_time_t(), -1);
  EXPECT_EQ(COLdateTime(1899, 12, 30, 0, 0, 0).to_time_t(), -1);
  EXPECT_EQ(COLdateTime(3001, 1, 2, 0, 0, 0).to_time_t(), -1);
  EXPECT_EQ(COLdateTime().to_time_t(), -1) << "null";
  COLdateTime invalid(1.0);
  invalid.set_status(COLdateTime::invalid);
  const TESTerrorFields error{"Date time error while converting to time_t.", COL_ERROR_DATE_TIME, 736, "COLdateTime"};
  EXPECT_EQ(TEST_ERROR_OF(invalid.to_time_t()), error);
  EXPECT_EQ(TEST_ERROR_OF(COLdateTime(3000000.0).to_time_t()), error);
}

FILETIME fileTimeOfUnix(long long seconds, unsigned milliseconds) {
  const uint64_t intervals = 116444736000000000ULL + static_cast<uint64_t>(seconds) * 10000000 + milliseconds * 10000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(intervals);
  time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
  return time;
}

TEST(COLdateTime, FileTimeIsTheLocalTimeOfItsWholeSecond) {
  // Windows' own calls convert in the system's zone, so this compares the FILETIME road
  // with the runtime's road in whatever zone the machine has.
  const long long instants[] = {0, 1417698411, 1404230400, 4102444800LL};
  for (long long instant : instants) {
    const COLdateTime fromFileTime(fileTimeOfUnix(instant, 999));
    ASSERT_EQ(fromFileTime.status(), COLdateTime::valid) << instant;
    EXPECT_EQ(fromFileTime.value(), COLdateTime(static_cast<time_t>(instant)).value()) << instant;
    COLdateTime assigned;
    assigned = fileTimeOfUnix(instant, 0);
    EXPECT_EQ(assigned.value(), fromFileTime.value()) << instant;
  }
}

TEST(COLdateTime, FileTimeInAPinnedZone) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows converts file times in the system's zone, which a test cannot pin";
  TESTtimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(fieldsOf(COLdateTime(fileTimeOfUnix(1404230400, 999))), (Ymdhms{2014, 7, 1, 12, 0, 0}));
  EXPECT_EQ(fieldsOf(COLdateTime(fileTimeOfUnix(1389805200, 0))), (Ymdhms{2014, 1, 15, 12, 0, 0}));
  EXPECT_EQ(fieldsOf(COLdateTime(fileTimeOfUnix(-2208988800LL, 0))), (Ymdhms{1899, 12, 31, 19, 0, 0}));
}

TEST(COLdateTime, FileTimesWithoutAUsableDateAreInvalid) {
  FILETIME highBit;
  highBit.dwLowDateTime = 0;
  highBit.dwHighDateTime = 0x80000000;
  const FILETIME year30000 = fileTimeOfUnix(884541340800LL, 0);
  const FILETIME cases[] = {highBit, year30000};
  for (const FILETIME& time : cases) {
    COLdateTime date(7.0);
    date = time;
    EXPECT_EQ(date.status(), COLdateTime::invalid);
    EXPECT_EQ(date.value(), 7.0);
  }
}

TEST(COLdateTime, NowIsWholeSecondsOfLocalTime) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const time_t before = time(nullptr);
    const COLdateTime first = COLdateTime::now();
    const COLdateTime second = COLdateTime::now();
    const time_t after = time(nullptr);
    if (before != after) continue;  // the second changed between the calls
    EXPECT_EQ(first.status(), COLdateTime::valid);
    EXPECT_TRUE(first == second);
    EXPECT_EQ(first.value(), COLdateTime(before).value());
    EXPECT_EQ(first.sub_second(), 0.0);
    EXPECT_FALSE(first.has_zone());
    return;
  }
  FAIL() << "the clock never stood still for two calls";
}

TEST(COLdateTime, TodayIsMidnightOfNow) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const COLdateTime now = COLdateTime::now();
    const COLdateTime today = COLdateTime::today();
    if (now.day() != COLdateTime::now().day()) continue;  // midnight passed
    EXPECT_EQ(fieldsOf(today), (Ymdhms{now.year(), now.month(), now.day(), 0, 0, 0}));
    return;
  }
  FAIL() << "midnight kept passing";
}

TEST(COLdateTime, NowTriesAgainAfterAFailedConversion) {
  TESTtimeZone zone("UTC0");
  EXPECT_EQ(fieldsOf(COLdateTimeNowAt(1417698411)), (Ymdhms{2014, 12, 4, 13, 6, 51}));
  const TESTerrorFields refused{"Failed precondition: false", COL_ERROR_PRECONDITION, 926, "COLdateTime"};
  EXPECT_EQ(TEST_ERROR_OF(COLdateTimeNowAt(-1)), refused);
  EXPECT_EQ(TEST_ERROR_OF(COLdateTimeNowAt(-1)), refused) << "no stale answer from the cache";
  EXPECT_EQ(fieldsOf(COLdateTimeNowAt(0)), (Ymdhms{1970, 1, 1, 0, 0, 0}));
  EXPECT_EQ(fieldsOf(COLdateTimeNowAt(1417698411)), (Ymdhms{2014, 12, 4, 13, 6, 51}));
}

TEST(COLtimeStamp, MicrosecondsSince1970) {
  uint64_t microseconds = 1;
  const FILETIME epoch = fileTimeOfUnix(0, 0);
  COLfileTimeToMicroseconds(&microseconds, &epoch);
  EXPECT_EQ(microseconds, 0u);
  FILETIME later = fileTimeOfUnix(1417698411, 123);
  later.dwLowDateTime += 4567;  // 456.7 microseconds more
  COLfileTimeToMicroseconds(&microseconds, &later);
  EXPECT_EQ(microseconds, 1417698411123456ULL);

  COLtimeStamp stamp{1417698411, 123456};
  EXPECT_EQ(stamp.seconds(), 1417698411);
  EXPECT_EQ(stamp.milliseconds(), 123u);
}

TEST(COLtimeStamp, NowIsTheCalendarTime) {
  const time_t before = time(nullptr);
  COLtimeStamp stamp;
  COLtimeStampNow(&stamp);
  const time_t after = time(nullptr);
  EXPECT_GE(stamp.Seconds, static_cast<int64_t>(before));
  EXPECT_LE(stamp.Seconds, static_cast<int64_t>(after));
  EXPECT_LT(stamp.Microseconds, 1000000u);
}

TEST(COLtimeStamp, ToLocalGivesTheCalendarFields) {
  TESTtimeZone zone("EST5");
  int y, mo, d, h, mi, s, ms;
  COLtimeStampToLocal(COLtimeStamp{1417698411, 987654}, &y, &mo, &d, &h, &mi, &s, &ms);
  EXPECT_EQ((Ymdhms{y, mo, d, h, mi, s}), (Ymdhms{2014, 12, 4, 8, 6, 51}));
  EXPECT_EQ(ms, 987);
  COLtimeStampToLocal(COLtimeStamp{-1000, 5000}, &y, &mo, &d, &h, &mi, &s, &ms);
  EXPECT_EQ((Ymdhms{y, mo, d, h, mi, s}), (Ymdhms{0, 0, 0, 0, 0, 0})) << "no local time before 1970";
  EXPECT_EQ(ms, 0);
}

}  // namespace
