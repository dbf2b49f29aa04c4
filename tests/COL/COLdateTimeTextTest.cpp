// Date-time text: format with its directives, the zone text, print for dates and spans, the
// tm inserter, the three parsers and the name lookups.
#include "COL/COLdateTime.h"

#include "COL/COLdateTimeSpan.h"
#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "tests/COL/COLdateTimeFieldsOf.h"
#include "tests/support/TESTsupport.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>

namespace {

std::string text(const COLstring& s) { return TESTtext(s); }

template <class T>
std::string printed(const T& value) {
  COLostreamString stream;
  stream << value;
  return stream.c_str();
}

COLdateTime withZone(COLdateTime date, short minutes) {
  date.set_zone(minutes, true);
  return date;
}

COLdateTime invalidDate() {
  COLdateTime date(2.0);
  date.set_status(COLdateTime::invalid);
  return date;
}

const COLdateTime Thursday(2014, 12, 4, 13, 6, 51);

TEST(COLdateTimeFormat, DirectivesAndTheirOutput) {
  struct Case {
    const char* why;
    COLdateTime date;
    const char* format;
    const char* expected;
  };
  const Case cases[] = {
      {"the usual layout", Thursday, "%Y-%m-%d %H:%M:%S", "2014-12-04 13:06:51"},
      {"text without directives", Thursday, "no directives here", "no directives here"},
      {"names in the C locale", Thursday, "%A, %B (%a %b)", "Thursday, December (Thu Dec)"},
      {"day of year and short year", Thursday, "%j/%y", "338/14"},
      {"%% is one percent sign", Thursday, "100%% at %H", "100% at 13"},
      {"%%Y is no directive", Thursday, "%%Y", "%Y"},
      {"a percent sign at the very end", Thursday, "done %", "done %"},
      {"only a percent sign", Thursday, "%", "%"},
      {"a directive strftime does not know stays as written", Thursday, "[%Q]", "[%Q]"},
      {"%z without a zone", Thursday, "[%z]", "[]"},
      {"%z west of UTC", withZone(Thursday, -330), "%H:%M %z", "13:06 -0530"},
      {"%Z east of UTC", withZone(Thursday, 90), "%Z", "+0130"},
      {"a zone of 0 minutes", withZone(Thursday, 0), "%z", "+0000"},
      {"a date before 1900", COLdateTime(1899, 12, 29, 6, 0, 0), "%Y-%m-%d %H:%M", "1899-12-29 06:00"},
      {"null, whatever the format", COLdateTime(), "%Y", ""},
      {"invalid", invalidDate(), "%Y", "Invalid Date"},
      {"valid but outside the range", COLdateTime(3000000.0), "%Y", "Invalid Date"},
      {"an empty format", Thursday, "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.date.format(c.format)), c.expected) << c.why;
  EXPECT_EQ(text(Thursday.format(nullptr)), "");
  EXPECT_EQ(text(COLdateTime().format(nullptr)), "");
  EXPECT_EQ(text(invalidDate().format(nullptr)), "Invalid Date");
}

// The numeric directives, which format writes without strftime, against strftime itself
// over the edges of every field: years of three and four digits, before and from 1900
// (where runtimes differ), midnight and noon for the 12-hour clock, the first and last day
// of a leap year.
TEST(COLdateTimeFormat, NumericDirectivesAsStrftimeWritesThem) {
  const COLdateTime dates[] = {
      COLdateTime(100, 1, 1, 0, 0, 0),     COLdateTime(999, 12, 31, 23, 59, 59), COLdateTime(1000, 1, 1, 12, 0, 0),
      COLdateTime(1899, 12, 31, 23, 0, 0), COLdateTime(1900, 1, 1, 0, 0, 0), COLdateTime(1900, 3, 1, 11, 5, 7),   COLdateTime(2000, 12, 31, 1, 9, 10),  COLdateTime(2014, 12, 4, 13, 6, 51),
      COLdateTime(2024, 2, 29, 22, 30, 0), COLdateTime(9999, 12, 30, 9, 59, 1),
  };
  const char* const directives[] = {"%d", "%m", "%H", "%I", "%M", "%S", "%y", "%j", "%Y"};
  for (const COLdateTime& date : dates) {
    COLdateTimeFields fields;
    ASSERT_TRUE(COLdateTimeToFields(date.value(), &fields));
    const tm local = COLdateTimeToTm(fields);
    std::string all, expectedAll;
    for (const char* directive : directives) {
      char output[64];
      // A chunk that strftime refuses stays as written.
      const std::string expected = strftime(output, sizeof output, directive, &local) == 0 ? directive : output;
      EXPECT_EQ(text(date.format(directive)), expected) << directive << " of " << printed(date);
      all += std::string(directive) + "|";
      expectedAll += expected + "|";
    }
    EXPECT_EQ(text(date.format(all.c_str())), expectedAll) << printed(date);
  }
}

// Output longer than format gathers on the stack reaches the string whole.
TEST(COLdateTimeFormat, LongOutputIsKeptWhole) {
  std::string layout, expected;
  for (int i = 0; i < 60; ++i) {
    layout += "%Y-%m-%d literal text %% ";
    expected += "2014-12-04 literal text % ";
  }
  layout += std::string(300, 'x');
  expected += std::string(300, 'x');
  EXPECT_EQ(text(Thursday.format(layout.c_str())), expected);
}

TEST(COLdateTimeFormat, SubSecondsAreNeverShown) {
  COLdateTime date = Thursday;
  date.set_sub_second(0.75);
  EXPECT_EQ(text(date.format("%S")), "51");
}

TEST(COLdateTimeFormat, AlternativeFormsTakeThreeCharacters) {
  if (TESTwindowsBuild) GTEST_SKIP() << "the Windows runtime's strftime knows no %E and %O forms";
  EXPECT_EQ(text(Thursday.format("%Ey|%Od")), "14|04");
  EXPECT_EQ(text(Thursday.format("%EY%%")), "2014%");
}

TEST(COLdateTimeZoneText, OffsetsInHoursAndMinutes) {
  struct Case {
    short minutes;
    const char* expected;
  };
  const Case cases[] = {{-330, "-0530"}, {90, "+0130"}, {0, "+0000"}, {-59, "-0059"}, {-60, "-0100"}, {600, "+1000"}};
  for (const Case& c : cases) EXPECT_EQ(text(COLdateTimeZoneText(withZone(Thursday, c.minutes))), c.expected);
  EXPECT_EQ(text(COLdateTimeZoneText(Thursday)), "");
  COLdateTime flagOff = Thursday;
  flagOff.set_zone(120, false);
  EXPECT_EQ(text(COLdateTimeZoneText(flagOff)), "");
}

TEST(COLdateTimePrint, TheLongForm) {
  struct Case {
    COLdateTime date;
    const char* expected;
  };
  const Case cases[] = {
      {Thursday, "Thursday, December 4th, 2014 @ 01:06:51 PM"},
      {COLdateTime(2014, 12, 4, 0, 5, 9), "Thursday, December 4th, 2014 @ 12:05:09 AM"},
      {COLdateTime(2014, 12, 4, 12, 0, 0), "Thursday, December 4th, 2014 @ 12:00:00 PM"},
      {COLdateTime(2014, 12, 4, 9, 30, 0), "Thursday, December 4th, 2014 @ 09:30:00 AM"},
      {COLdateTime(2014, 12, 4, 22, 10, 59), "Thursday, December 4th, 2014 @ 10:10:59 PM"},
      {COLdateTime(2014, 12, 4, 11, 59, 59), "Thursday, December 4th, 2014 @ 11:59:59 AM"},
      {COLdateTime(2014, 2, 1, 0, 0, 0), "Saturday, February 1st, 2014 @ 12:00:00 AM"},
      {COLdateTime(2014, 3, 22, 0, 0, 0), "Saturday, March 22nd, 2014 @ 12:00:00 AM"},
      {COLdateTime(2014, 5, 23, 0, 0, 0), "Friday, May 23rd, 2014 @ 12:00:00 AM"},
      {COLdateTime(1899, 12, 30, 0, 0, 0), "Saturday, December 30th, 1899 @ 12:00:00 AM"},
      {COLdateTime(), "<null>"},
      {invalidDate(), "(invalid)"},
  };
  for (const Case& c : cases) EXPECT_EQ(printed(c.date), c.expected);
}

TEST(COLdateTimePrint, NumbersFollowTheStreamBase) {
  COLostreamString stream;
  stream << hex << Thursday;
  EXPECT_STREQ(stream.c_str(), "Thursday, December 4th, 7DE @ 01:06:33 PM");
}

TEST(COLdateTimePrint, AValueOutsideTheRangePrintsTheError) {
  COLostreamString error;
  error << COLerror("Date time error while extracting day.", 609, "COLdateTime", COL_ERROR_DATE_TIME);
  EXPECT_EQ(printed(COLdateTime(3000000.0)), std::string("Invalid datetime (") + error.c_str() + ")");
}

TEST(COLdateTimePrint, TheInserterReturnsTheStream) {
  COLostreamString stream;
  (stream << Thursday) << "!";
  EXPECT_STREQ(stream.c_str(), "Thursday, December 4th, 2014 @ 01:06:51 PM!");
}

TEST(COLdateTimeSpanPrint, NonZeroPartsInWords) {
  struct Case {
    const char* why;
    COLdateTimeSpan span;
    const char* expected;
  };
  const Case cases[] = {
      {"four parts", COLdateTimeSpan(1, 2, 3, 4), "1 day 2 hours 3 minutes 4 seconds"},
      {"a part of 0 is left out", COLdateTimeSpan(1, 1, 2, 0), "1 day 1 hour 2 minutes"},
      {"plurals", COLdateTimeSpan(2, 3, 1, 0), "2 days 3 hours 1 minute"},
      {"seconds alone", COLdateTimeSpan(0, 0, 0, 5), "5 seconds"},
      {"zero prints nothing", COLdateTimeSpan(0.0), ""},
      {"a negative part gets no s", COLdateTimeSpan(-0.75), "-17 hour"},
  };
  for (const Case& c : cases) EXPECT_EQ(printed(c.span), c.expected) << c.why;
}

TEST(COLdateTimeSpanPrint, ASpanThatIsNotValidRaises) {
  COLdateTimeSpan null;
  null.set_status(COLdateTimeSpan::null);
  COLostreamString stream;
  EXPECT_EQ(TEST_ERROR_OF(stream << null),
            (TESTerrorFields{"Failed precondition: status() == valid", COL_ERROR_PRECONDITION, 1458, "COLdateTime"}));
}

TEST(COLdateTimeTm, TheDebuggingForm) {
  COLdateTimeFields fields;
  ASSERT_TRUE(COLdateTimeToFields(Thursday.value(), &fields));
  tm t = COLdateTimeToTm(fields);
  const struct {
    int isdst;
    const char* words;
  } cases[] = {{-1, "UNKNOWN"}, {0, "OFF"}, {1, "ON"}};
  for (const auto& c : cases) {
    t.tm_isdst = c.isdst;
    COLostreamString stream;
    stream << t;
    EXPECT_EQ(std::string(stream.c_str()), std::string("Date: 4/12/114 Time = 13:6:51") + stream.newline_text() +
                                               "Daylight savings " + c.words + " Day of year = 337 Day of week = 4");
  }
}

TEST(COLdateTimeParse, DayMonthYearAndTime) {
  struct Case {
    const char* text;
    Ymdhms fields;
  };
  const Case cases[] = {
      {"04/12/2014 13:06:51", {2014, 12, 4, 13, 6, 51}},
      {"4/12/2014 1:02:03", {2014, 12, 4, 1, 2, 3}},
      {" 4/ 12/2014   1: 2: 3 and more", {2014, 12, 4, 1, 2, 3}},
      {"29/02/2000 23:59:59", {2000, 2, 29, 23, 59, 59}},
  };
  for (const Case& c : cases) {
    COLdateTime date;
    date.set_zone(60, true);
    date.parse(c.text);
    ASSERT_EQ(date.status(), COLdateTime::valid) << c.text;
    EXPECT_EQ(fieldsOf(date), c.fields) << c.text;
    EXPECT_EQ(date.zone_offset(), 60) << "the zone is kept";
  }
}

// parse reads its six numbers as the runtime's sscanf reads "%2d/%2d/%4d %2d:%2d:%2d":
// widths that count a sign, white space before numbers only, separators that match only
// themselves. The runtime is the judge of each text.
TEST(COLdateTimeParse, ReadsAsTheRuntimesScanfDoes) {
  const char* const texts[] = {
      "04/12/2014 13:06:51",  "4/12/2014 13:06:51",   "\t04/\n12/\v2014\f13:\r06: 51", "04/12/2014\t13:06:51",
      "04/12/201413:06:51",   "04/12/20145 13:06:51", "123/12/2014 13:06:51",          "04 /12/2014 13:06:51",
      "+4/+1/+201 +1:+2:+3",  "-4/12/2014 13:06:51",  "4/12/-201 1:2:3",  "4/12/-2014 1:2:3", "-12/12/2014 1:2:3",               "-/12/2014 13:06:51",
      "+/12/2014 13:06:51",   "4/12/2014 13:06:5",    "4/12/2014 13:06:",              "4/12/2014 13:06:51:07",
      "4/12/2014 13:06:513",  "4/12/2014 13::51",     "4/12/2014 13:06 :51",           "04/12/2014 13:06:51 PM",
      "4/12/14 1:2:3",        "0/0/0 0:0:0",          "99/99/9999 99:99:99",           "4/12/2014 13-06-51",
      "",                     " ",                    "4",                             "04/12/2014 13:06:-1",
  };
  for (const char* t : texts) {
    int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0;
    const bool six = sscanf(t, "%2d/%2d/%4d %2d:%2d:%2d", &d, &mo, &y, &h, &mi, &s) == 6;
    COLdateTime parsed(5.0);
    bool raised = false;
    try {
      parsed.parse(t);
    } catch (const COLerror&) {
      raised = true;
    }
    EXPECT_EQ(raised, !six) << "'" << t << "'";
    if (!six) continue;
    COLdateTime expected(5.0);
    expected.set_date_time(y, mo, d, h, mi, s);
    EXPECT_EQ(parsed.status(), expected.status()) << "'" << t << "'";
    EXPECT_EQ(parsed.value(), expected.value()) << "'" << t << "'";
  }
}

TEST(COLdateTimeParse, FieldsOutOfRangeMakeTheDateInvalid) {
  COLdateTime date(5.0);
  date.parse("31/02/2014 00:00:00");
  EXPECT_EQ(date.status(), COLdateTime::invalid);
  EXPECT_EQ(date.value(), 5.0);
}

TEST(COLdateTimeParse, FewerThanSixNumbersRaise) {
  const char* const texts[] = {"4/12/2014 13:06", "", "yesterday", "04-12-2014 13:06:51"};
  for (const char* t : texts) {
    COLdateTime date(5.0);
    EXPECT_EQ(TEST_ERROR_OF(date.parse(t)),
              (TESTerrorFields{std::string("Couldn't parse date '") + t +
                                   "'.  A date is written as day/month/year hours:minutes:seconds, with a "
                                   "four-digit year, as in 04/12/2014 13:06:51.",
                               COL_ERROR_PRECONDITION, 0, ""}));
    EXPECT_EQ(date.value(), 5.0);
    EXPECT_EQ(date.status(), COLdateTime::valid);
  }
}

TESTerrorFields postcondition(const char* text, int line) {
  return TESTerrorFields{std::string("Failed postcondition:") + text, COL_ERROR_POSTCONDITION, line, "COLdateTime"};
}

TEST(COLdateTimeFromDigits, FourteenDigits) {
  EXPECT_EQ(fieldsOf(COLdateTime::from_digits("20141204130651")), (Ymdhms{2014, 12, 4, 13, 6, 51}));
  EXPECT_EQ(fieldsOf(COLdateTime::from_digits("2014120413")), (Ymdhms{2014, 12, 4, 13, 0, 0}))
      << "fields not read stay 0";
  EXPECT_EQ(fieldsOf(COLdateTime::from_digits("20000229080900")), (Ymdhms{2000, 2, 29, 8, 9, 0}));
}

TEST(COLdateTimeFromDigits, ChecksEachField) {
  struct Case {
    const char* text;
    TESTerrorFields error;
  };
  const Case cases[] = {
      {"", postcondition("Year != 0", 1806)},
      {"00001204130651", postcondition("Year != 0", 1806)},
      {"20141304130651", postcondition("Month > 0 && Month <= 12", 1807)},
      {"20140004130651", postcondition("Month > 0 && Month <= 12", 1807)},
      {"2014", postcondition("Month > 0 && Month <= 12", 1807)},
      {"20141232130651", postcondition("Day > 0 && Day <= 31", 1808)},
      {"20141204240651", postcondition("Hour >= 0 && Hour < 24", 1809)},
      {"20141204136051", postcondition("Minute >= 0 && Minute < 60", 1810)},
      {"20141204130660", postcondition("Second >= 0 && Second < 60", 1811)},
      {"20140230000000", postcondition("CompileTimeStamp.status() == COLdateTime::valid", 1814)},
  };
  for (const Case& c : cases) EXPECT_EQ(TEST_ERROR_OF(COLdateTime::from_digits(c.text)), c.error) << c.text;
}

TEST(COLdateTimeFromBuildText, TheCompilersDateAndTime) {
  struct Case {
    const char* text;
    Ymdhms fields;
  };
  const Case cases[] = {
      {"Dec  4 2014 13:06:51", {2014, 12, 4, 13, 6, 51}},
      {"Dec 14 2014 13:06:51", {2014, 12, 14, 13, 6, 51}},
      // Leading zeros are decimal: 08 and 09 are no broken octal numbers.
      {"Feb  8 2009 08:09:07", {2009, 2, 8, 8, 9, 7}},
      {"Jan 09 2019 09:08:09", {2019, 1, 9, 9, 8, 9}},
  };
  for (const Case& c : cases) EXPECT_EQ(fieldsOf(COLdateTime::from_build_text(c.text)), c.fields) << c.text;
}

TEST(COLdateTimeFromBuildText, ChecksEachField) {
  const std::string longWord(150, 'x');
  struct Case {
    std::string text;
    TESTerrorFields error;
  };
  const Case cases[] = {
      {"December 4 2014 13:06:51", postcondition("strlen(MonthBuffer) == 3", 1752)},
      {longWord + " 4 2014 13:06:51", postcondition("strlen(MonthBuffer) == 3", 1752)},
      {"", postcondition("strlen(MonthBuffer) == 3", 1752)},
      {"Dec 0 2014 13:06:51", postcondition("Day > 0 && Day <= 31", 1753)},
      {"Dec 32 2014 13:06:51", postcondition("Day > 0 && Day <= 31", 1753)},
      {"Dec 4", postcondition("Year != 0", 1754)},
      {"Dec 4 2014 24:06:51", postcondition("Hour >= 0 && Hour < 24", 1755)},
      {"Dec 4 2014 13:60:51", postcondition("Minute >= 0 && Minute < 60", 1756)},
      {"Dec 4 2014 13:06:60", postcondition("Second >= 0 && Second < 60", 1757)},
      {"Xyz 4 2014 13:06:51", postcondition("Month != -1", 1760)},
      {"dec 4 2014 13:06:51", postcondition("Month != -1", 1760)},
      {"Feb 30 2014 13:06:51", postcondition("Return.status() == COLdateTime::valid", 1769)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TEST_ERROR_OF(COLdateTime::from_build_text(c.text.c_str())), c.error) << c.text;
}

TEST(COLdateTimeFromBuildText, TheLibrarysOwnTimeStamp) {
  const COLdateTime stamp = COLdateTime::compile_time_stamp();
  ASSERT_EQ(stamp.status(), COLdateTime::valid);
  EXPECT_GE(stamp.year(), 2024);
  EXPECT_TRUE(stamp <= COLdateTime::now() + COLdateTimeSpan(1.0)) << "built before now (a day's zone slack)";
}

// A global of a deliverable that is built after the library's tables can use them.
const std::string MonthNameAtStartUp __attribute__((init_priority(COL_STANDARD_STREAMS_INIT_PRIORITY + 50))) =
    TESTtext(COLdateTimeMonthName(12, true)) + " " + TESTtext(COLdateTimeOrdinalName(31));

TEST(COLdateTimeNames, TablesAreBuiltBeforeLaterGlobals) { EXPECT_EQ(MonthNameAtStartUp, "December 31st"); }

TEST(COLdateTimeNames, LookupsByNumber) {
  struct Case {
    const char* why;
    const COLstring& name;
    const char* expected;
  };
  const Case cases[] = {
      {"day 1, full", COLdateTimeDayName(1, true), "Sunday"},
      {"day 7, short", COLdateTimeDayName(7, false), "Sat"},
      {"day 0", COLdateTimeDayName(0, true), ""},
      {"day 8", COLdateTimeDayName(8, false), ""},
      {"day 65535", COLdateTimeDayName(65535, true), ""},
      {"month 1, short", COLdateTimeMonthName(1, false), "Jan"},
      {"month 12, full", COLdateTimeMonthName(12, true), "December"},
      {"month 0", COLdateTimeMonthName(0, true), ""},
      {"month 13", COLdateTimeMonthName(13, false), ""},
      {"ordinal 1", COLdateTimeOrdinalName(1), "1st"},
      {"ordinal 22", COLdateTimeOrdinalName(22), "22nd"},
      {"ordinal 23", COLdateTimeOrdinalName(23), "23rd"},
      {"ordinal 11", COLdateTimeOrdinalName(11), "11th"},
      {"ordinal 31", COLdateTimeOrdinalName(31), "31st"},
      {"ordinal 0", COLdateTimeOrdinalName(0), ""},
      {"ordinal 32", COLdateTimeOrdinalName(32), ""},
      {"hour 0", COLdateTimeAmPmName(0, false), "AM"},
      {"hour 11, dotted", COLdateTimeAmPmName(11, true), "a.m."},
      {"hour 12, dotted", COLdateTimeAmPmName(12, true), "p.m."},
      {"hour 23", COLdateTimeAmPmName(23, false), "PM"},
      {"hour 24", COLdateTimeAmPmName(24, true), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.name), c.expected) << c.why;
  EXPECT_EQ(&COLdateTimeDayName(0, true), &COLdateTimeNoName[0]);
}

TEST(COLdateTimeNames, NamesOfADate) {
  EXPECT_EQ(text(Thursday.day_name(true)), "Thursday");
  EXPECT_EQ(text(Thursday.day_name(false)), "Thu");
  EXPECT_EQ(text(Thursday.month_name(true)), "December");
  EXPECT_EQ(text(Thursday.month_name(false)), "Dec");
  EXPECT_EQ(text(Thursday.ordinal_name()), "4th");
  EXPECT_EQ(text(Thursday.am_pm_name(true)), "p.m.");
  EXPECT_EQ(text(COLdateTime(2014, 12, 4, 11, 0, 0).am_pm_name(false)), "AM");
  COLstring out("something");
  Thursday.day_abbreviation(out);
  EXPECT_EQ(text(out), "Thu");
  Thursday.month_abbreviation(out);
  EXPECT_EQ(text(out), "Dec");

  const COLdateTime null;
  EXPECT_EQ(TEST_ERROR_OF(null.day_name(true)).line, 696);
  EXPECT_EQ(TEST_ERROR_OF(null.month_name(true)).line, 593);
  EXPECT_EQ(TEST_ERROR_OF(null.ordinal_name()).line, 609);
  EXPECT_EQ(TEST_ERROR_OF(null.am_pm_name(true)).line, 625);
  EXPECT_EQ(TEST_ERROR_OF(null.day_abbreviation(out)).line, 696);
  EXPECT_EQ(TEST_ERROR_OF(null.month_abbreviation(out)).line, 593);
}

TEST(COLdateTimeNames, TheLocalesMonthAbbreviations) {
  // The C locale, which the system never changes, has the English abbreviations.
  const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int month = 1; month <= 12; ++month) {
    EXPECT_EQ(COLdateTimeMonthFromAbbreviation(months[month - 1]), month);
    EXPECT_EQ(text(COLdateTimeLocaleMonthAbbreviation(static_cast<unsigned>(month))), months[month - 1]);
  }
  EXPECT_EQ(COLdateTimeMonthMap.size(), 12u);
  COLdateTimeFillMonthMap();
  EXPECT_EQ(COLdateTimeMonthMap.size(), 12u) << "filled once";
  const char* const unknown[] = {"jan", "JAN", "January", "", "Ja"};
  for (const char* word : unknown) EXPECT_EQ(COLdateTimeMonthFromAbbreviation(word), -1) << word;
  EXPECT_EQ(text(COLdateTimeLocaleMonthAbbreviation(0)), "");
  EXPECT_EQ(text(COLdateTimeLocaleMonthAbbreviation(13)), "");
}

}  // namespace
