// The clocks and calendar behind the door: FILETIME conversions, the performance counter
// and the Windows runtime's range of localtime and mktime. The same expectations hold for
// Windows and our layer.
#include "platform/PLATwindows.h"

#include "tests/support/TESTsupport.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

const uint64_t IntervalsPerSecond = 10000000;
const uint64_t IntervalsTo1970 = 116444736000000000ULL;

FILETIME fileTime(uint64_t intervals) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(intervals);
  time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
  return time;
}

uint64_t intervalsOf(const FILETIME& time) {
  return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

uint64_t unixIntervals(long long seconds, unsigned milliseconds = 0) {
  return IntervalsTo1970 + static_cast<uint64_t>(seconds) * IntervalsPerSecond + milliseconds * 10000ULL;
}

FILETIME fromUnix(long long seconds, unsigned milliseconds = 0) {
  return fileTime(unixIntervals(seconds, milliseconds));
}

struct Fields {
  int year, month, day, dayOfWeek, hour, minute, second, millisecond;
  bool operator==(const Fields& o) const {
    return year == o.year && month == o.month && day == o.day && dayOfWeek == o.dayOfWeek && hour == o.hour &&
           minute == o.minute && second == o.second && millisecond == o.millisecond;
  }
};
std::ostream& operator<<(std::ostream& out, const Fields& f) {
  return out << f.year << "-" << f.month << "-" << f.day << " (" << f.dayOfWeek << ") " << f.hour << ":" << f.minute
             << ":" << f.second << "." << f.millisecond;
}
Fields fieldsOf(const SYSTEMTIME& t) {
  return Fields{t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

// Forward only, the same on another thread, and at the rate it claims: a sleep of 200 ms
// reads as that much (a loaded machine may stretch it, never shorten it).
TEST(PLATtime, ThePerformanceCounterMovesForwardAtItsFrequency) {
  LARGE_INTEGER frequency;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_GT(frequency.QuadPart, 0);
  LARGE_INTEGER before, after, elsewhere;
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  Sleep(200);
  std::thread([&] { QueryPerformanceCounter(&elsewhere); }).join();
  ASSERT_TRUE(QueryPerformanceCounter(&after));
  EXPECT_LE(before.QuadPart, elsewhere.QuadPart);
  EXPECT_LE(elsewhere.QuadPart, after.QuadPart);
  double seconds = double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart);
  EXPECT_GE(seconds, 0.19);
  EXPECT_LT(seconds, 10.0);
}

TEST(PLATtime, FileTimeHasWindowsLayout) {
  FILETIME time = fileTime(0x0123456789ABCDEFULL);
  EXPECT_EQ(sizeof(FILETIME), 8u);
  EXPECT_EQ(time.dwLowDateTime, 0x89ABCDEFu);
  EXPECT_EQ(time.dwHighDateTime, 0x01234567u);
  EXPECT_EQ(sizeof(SYSTEMTIME), 16u);
}

TEST(PLATtime, FileTimeToSystemTimeGivesTheCalendarFields) {
  struct Case {
    const char* why;
    uint64_t intervals;
    Fields fields;
  };
  const Case cases[] = {
      {"the first instant, a Monday", 0, {1601, 1, 1, 1, 0, 0, 0, 0}},
      {"1970-01-01, a Thursday", IntervalsTo1970, {1970, 1, 1, 4, 0, 0, 0, 0}},
      {"a leap day with milliseconds", unixIntervals(951827696, 789), {2000, 2, 29, 2, 12, 34, 56, 789}},
      {"the last instant before the high bit", 0x7FFFFFFFFFFFFFFFULL, {30828, 9, 14, 4, 2, 48, 5, 477}},
  };
  for (const Case& c : cases) {
    SYSTEMTIME result;
    FILETIME time = fileTime(c.intervals);
    ASSERT_TRUE(FileTimeToSystemTime(&time, &result)) << c.why;
    EXPECT_EQ(fieldsOf(result), c.fields) << c.why;
  }
}

TEST(PLATtime, FileTimeToSystemTimeRefusesTheHighBit) {
  FILETIME time = fileTime(0x8000000000000000ULL);
  SYSTEMTIME result;
  EXPECT_FALSE(FileTimeToSystemTime(&time, &result));
}

TEST(PLATtime, FileTimeToSystemTimeAgreesWithTheCivilCalendarOnEveryDay) {
  // Every day from 1601 to past 2400, at a time of day that moves through the day.
  const long long firstDay = TESTdaysFromCivil(1601, 1, 1);
  for (long long day = firstDay; day < TESTdaysFromCivil(2401, 3, 1); ++day) {
    const unsigned ofDay = static_cast<unsigned>(day - firstDay) % 86400;
    FILETIME time = fromUnix(day * 86400 + ofDay);
    SYSTEMTIME result;
    ASSERT_TRUE(FileTimeToSystemTime(&time, &result));
    ASSERT_EQ(TESTdaysFromCivil(result.wYear, result.wMonth, result.wDay), day);
    ASSERT_EQ(result.wDayOfWeek, static_cast<WORD>((day % 7 + 11) % 7));  // 1970-01-01 was a Thursday
    ASSERT_EQ(result.wHour * 3600u + result.wMinute * 60u + result.wSecond, ofDay);
  }
}

TEST(PLATtime, SystemTimeAsFileTimeIsTheCalendarTime) {
  const time_t before = time(nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const time_t after = time(nullptr);
  const uint64_t seconds = (intervalsOf(now) - IntervalsTo1970) / IntervalsPerSecond;
  // time() may read a coarse clock that lags the precise one by a tick, so across a
  // second's turn the precise reading can be a second ahead of it.
  EXPECT_GE(seconds, static_cast<uint64_t>(before));
  EXPECT_LE(seconds, static_cast<uint64_t>(after) + 1);
}

TEST(PLATtime, FileTimeToLocalFileTimeInUtcKeepsTheTime) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows converts file times in the system's zone, which a test cannot pin";
  TESTtimeZone zone("UTC0");
  FILETIME utc = fromUnix(1417698411, 250), local;
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ(intervalsOf(local), intervalsOf(utc));
}

TEST(PLATtime, FileTimeToLocalFileTimeUsesTheOffsetOfTheInstant) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Windows converts file times in the system's zone, which a test cannot pin";
  TESTtimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  struct Case {
    const char* why;
    long long utc;
    long long offsetHours;
  };
  const Case cases[] = {
      {"winter: standard time", 1389805200, -5},
      {"summer: daylight saving time", 1404230400, -4},
      {"before 1970", -86400 * 365, -5},
  };
  for (const Case& c : cases) {
    FILETIME utc = fromUnix(c.utc), local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local)) << c.why;
    EXPECT_EQ(static_cast<long long>(intervalsOf(local) - intervalsOf(utc)),
              c.offsetHours * 3600 * static_cast<long long>(IntervalsPerSecond))
        << c.why;
  }
  FILETIME first = fileTime(0), local;
  EXPECT_FALSE(FileTimeToLocalFileTime(&first, &local)) << "before the first FILETIME";
}

tm fieldsAt(int year, int month, int day, int hour, int minute, int second) {
  tm fields;
  memset(&fields, 0, sizeof fields);
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  return fields;
}

TEST(PLATtime, LocaltimeHasTheWindowsRange) {
  TESTtimeZone zone("UTC0");
  struct Case {
    const char* why;
    time_t time;
    bool converts;
  };
  const Case cases[] = {
      {"one second before 1970", -1, false},
      {"far before 1970", -86400LL * 365 * 100, false},
      {"1970-01-01 00:00:00", 0, true},
      {"3000-12-31 23:59:59", PLATlatestTime, true},
      {"two days after the range", PLATlatestTime + 2 * 86400, false},
  };
  for (const Case& c : cases) {
    const tm* local = PLATlocaltime(&c.time);
    EXPECT_EQ(local != nullptr, c.converts) << c.why;
  }
  const tm* last = PLATlocaltime(&PLATlatestTime);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->tm_year, 1100);
  EXPECT_EQ(last->tm_yday, 364);
  EXPECT_EQ(last->tm_sec, 59);
}

TEST(PLATtime, LocaltimeRefusesTheFirstSecondAfterTheRange) {
  if (TESTwindowsBuild) GTEST_SKIP() << "Wine's runtime converts some hours past the range that Windows keeps";
  TESTtimeZone zone("UTC0");
  const time_t first = PLATlatestTime + 1;
  EXPECT_EQ(PLATlocaltime(&first), nullptr);
}

TEST(PLATtime, MktimeHasTheWindowsRange) {
  TESTtimeZone zone("UTC0");
  struct Case {
    const char* why;
    tm fields;
    time_t expected;
  };
  const Case cases[] = {
      {"1970-01-01 00:00:00", fieldsAt(1970, 1, 1, 0, 0, 0), 0},
      {"1969-12-31 23:59:59", fieldsAt(1969, 12, 31, 23, 59, 59), -1},
      {"1899-12-30", fieldsAt(1899, 12, 30, 0, 0, 0), -1},
      {"2014-12-04 13:06:51", fieldsAt(2014, 12, 4, 13, 6, 51), 1417698411},
      {"3000-12-31 23:59:59", fieldsAt(3000, 12, 31, 23, 59, 59), PLATlatestTime},
      {"3001-01-02 00:00:00", fieldsAt(3001, 1, 2, 0, 0, 0), -1},
  };
  for (const Case& c : cases) {
    tm fields = c.fields;
    EXPECT_EQ(PLATmktime(&fields), c.expected) << c.why;
  }
  tm fields = fieldsAt(2014, 12, 4, 13, 6, 51);
  ASSERT_EQ(PLATmktime(&fields), 1417698411);
  EXPECT_EQ(fields.tm_wday, 4) << "mktime fills in the day of week";
  EXPECT_EQ(fields.tm_yday, 337);
  EXPECT_EQ(fields.tm_isdst, 0);
}

TEST(PLATtime, LocaltimeAndMktimeFollowAFixedZone) {
  TESTtimeZone zone("EST5");
  const time_t epoch = 0;
  const tm* local = PLATlocaltime(&epoch);
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->tm_year, 69);
  EXPECT_EQ(local->tm_hour, 19);
  tm fields = fieldsAt(2014, 12, 4, 8, 6, 51);
  EXPECT_EQ(PLATmktime(&fields), 1417698411);
}

}  // namespace
