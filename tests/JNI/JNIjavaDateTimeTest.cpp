// Dates between Java's milliseconds since 1970 UTC and the local-time doubles of outside
// libraries, under a pinned zone five hours behind UTC, and the errors of each JNI road
// against the fake environment (which models java/util/Date as its long).
#include "JNI/JNIjavaDateTime.h"
#include "COL/COLdateTime.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> None;

// Second s after the epoch, as the local double of the pinned zone (UTC-5).
double localValueOfSecond(long long second) {
  return 25569.0 + static_cast<double>(second - 5 * 3600) / 86400.0;
}

TEST(JNIjavaDateTime, MillisecondsGoToTheLocalTimeOfTheirWholeSecond) {
  TESTtimeZone zone("EST5");
  struct Row {
    jlong milliseconds;
    long long second;
    const char* why;
  };
  const Row rows[] = {
      {1500, 1, "the milliseconds are dropped"},
      {1999, 1, "not rounded"},
      {-999, 0, "truncated toward zero, not down to before 1970"},
      {86400000LL * 366 + 7, 86400LL * 366, "a later day"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_DOUBLE_EQ(JNIjavaDateTimeFromMilliseconds(row.milliseconds), localValueOfSecond(row.second));
    EXPECT_DOUBLE_EQ(JNIjavaDateTimeFromMilliseconds(row.milliseconds),
                     COLdateTime(static_cast<time_t>(row.second)).value());
  }
}

TEST(JNIjavaDateTime, AWholeSecondComesBackUnchanged) {
  TESTtimeZone zone("EST5");
  // Between the first and the last day that both runtimes' local time accepts (Windows'
  // mktime refuses local fields before 1970 even where UTC is past the epoch), in steps
  // that land on every time of day.
  for (long long second = 86400; second < 32503680000LL - 86400; second += 86400LL * 97 + 3607) {
    ASSERT_EQ(JNIjavaDateTimeToMilliseconds(JNIjavaDateTimeFromMilliseconds(second * 1000 + 999)), second * 1000)
        << "second " << second;
  }
}

TEST(JNIjavaDateTime, AFractionOfASecondIsRoundedToTheNearestSecond) {
  TESTtimeZone zone("EST5");
  TESTfakeJni fake;
  const double noon = COLdateTime(2020, 6, 1, 12, 0, 0).value();
  const jlong noonMilliseconds = JNIjavaDateTimeToMilliseconds(noon);
  jobject date = JNIjavaDateTimeCreate(fake.env(), noon + 0.6 / 86400);
  EXPECT_EQ(fake.classNameOf(date), "java/util/Date");
  EXPECT_EQ(fake.valueOf(date), noonMilliseconds + 1000);
  JNIjavaDateTimeSet(fake.env(), date, noon + 0.4 / 86400);
  EXPECT_EQ(fake.valueOf(date), noonMilliseconds);
  EXPECT_DOUBLE_EQ(JNIjavaDateTimeGet(fake.env(), fake.newObject("java/util/Date", noonMilliseconds + 999)), noon);
  EXPECT_EQ(fake.violations(), None);
}

TEST(JNIjavaDateTime, EachMissingPieceRaisesItsError) {
  TESTtimeZone zone("EST5");
  struct Row {
    const char* why;
    void (*breakIt)(TESTfakeJni&);
    double (*use)(TESTfakeJni&);
    TESTerrorFields error;
  };
  auto get = [](TESTfakeJni& fake) { return JNIjavaDateTimeGet(fake.env(), fake.newObject("java/util/Date", 0)); };
  auto set = [](TESTfakeJni& fake) {
    JNIjavaDateTimeSet(fake.env(), fake.newObject("java/util/Date", 0), 30000.0);
    return 0.0;
  };
  auto create = [](TESTfakeJni& fake) {
    JNIjavaDateTimeCreate(fake.env(), 30000.0);
    return 0.0;
  };
  const Row rows[] = {
      {"no getTime", [](TESTfakeJni& f) { f.removeMethod("java/util/Date", "getTime", "()J"); }, get,
       {"Unable to locate the java/util/Date method getTime().", COL_ERROR_PRECONDITION, 43, "JNIjavaDateTime"}},
      {"a getTime that throws: what it returned is not used",
       [](TESTfakeJni& f) {
         f.defineMethod("java/util/Date", "getTime", "()J", [&f](jobject, const std::vector<jvalue>&) {
           f.throwPending("java/lang/IllegalStateException", "no time");
           jvalue garbage{};
           garbage.j = 123456789;
           return garbage;
         });
       },
       get,
       {"The java/util/Date method getTime() threw an exception.", COL_ERROR_PRECONDITION, 46, "JNIjavaDateTime"}},
      {"no setTime", [](TESTfakeJni& f) { f.removeMethod("java/util/Date", "setTime", "(J)V"); }, set,
       {"Unable to locate the java/util/Date method setTime().", COL_ERROR_PRECONDITION, 60, "JNIjavaDateTime"}},
      {"no Date class", [](TESTfakeJni& f) { f.removeClass("java/util/Date"); }, create,
       {"Unable to locate the java/util/Date class.", COL_ERROR_PRECONDITION, 71, "JNIjavaDateTime"}},
      {"no (J)V constructor", [](TESTfakeJni& f) { f.removeMethod("java/util/Date", "<init>", "(J)V"); }, create,
       {"Unable to locate the java/util/Date constructor.", COL_ERROR_PRECONDITION, 77, "JNIjavaDateTime"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    row.breakIt(fake);
    EXPECT_EQ(TEST_ERROR_OF(row.use(fake)), row.error);
    EXPECT_EQ(fake.violations(), None);
  }
}

TEST(JNIjavaDateTime, TheThrowingGetTimeLeavesNoExceptionPending) {
  TESTfakeJni fake;
  fake.defineClass("test/BadDate", "java/util/Date");
  fake.defineMethod("test/BadDate", "getTime", "()J", [&fake](jobject, const std::vector<jvalue>&) {
    fake.throwPending("java/lang/IllegalStateException", "no time");
    return jvalue{};
  });
  EXPECT_THROW(JNIjavaDateTimeGet(fake.env(), fake.newObject("test/BadDate")), COLerror);
  EXPECT_EQ(fake.pending(), nullptr);
}

// What each road makes of a double: the milliseconds of its own second, or the date-time's
// conversion error, never another instant (mktime's -1 read as 1969-12-31 23:59:59 UTC).
TEST(JNIjavaDateTime, ADoubleBecomesItsOwnInstantOrRaises) {
  TESTtimeZone zone("EST5");
  const TESTerrorFields conversion{"Date time error while converting to time_t.", COL_ERROR_DATE_TIME,
                                   736, "COLdateTime"};
  const jlong Raises = -1;
  struct Row {
    double value;
    jlong milliseconds;  // Raises: the conversion error
    const char* why;
  };
  const Row rows[] = {
      {0.0, Raises, "the library's zero date, 1899-12-30"},
      {COLdateTime(1969, 12, 31, 12, 0, 0).value(), Raises, "noon of 1969-12-31, local"},
      {COLdateTime(1969, 12, 31, 18, 59, 59).value(), Raises, "the second before 1970 UTC, whose time_t is -1"},
      {COLdateTime(3268, 5, 1, 0, 0, 0).value(), Raises, "year 3268"},
      {1e9, Raises, "no calendar fields at all"},
      {COLdateTime(1970, 1, 1, 0, 0, 0).value(), 18000000LL, "the first local midnight of 1970"},
      {COLdateTime(2020, 6, 1, 12, 0, 0).value(), 1591030800000LL, "a day of 2020"},
      {COLdateTime(2999, 12, 31, 0, 0, 0).value(), 32503611600000LL, "the last year's last day"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    jobject date = fake.newObject("java/util/Date", 7);
    if (row.milliseconds == Raises) {
      EXPECT_EQ(TEST_ERROR_OF(JNIjavaDateTimeToMilliseconds(row.value)), conversion);
      EXPECT_EQ(TEST_ERROR_OF(JNIjavaDateTimeCreate(fake.env(), row.value)), conversion);
      EXPECT_EQ(TEST_ERROR_OF(JNIjavaDateTimeSet(fake.env(), date, row.value)), conversion);
      EXPECT_EQ(fake.valueOf(date), 7) << "the date was changed";
      EXPECT_EQ(fake.calls("NewObject"), 0);
    } else {
      EXPECT_EQ(JNIjavaDateTimeToMilliseconds(row.value), row.milliseconds);
      EXPECT_EQ(fake.valueOf(JNIjavaDateTimeCreate(fake.env(), row.value)), row.milliseconds);
      JNIjavaDateTimeSet(fake.env(), date, row.value);
      EXPECT_EQ(fake.valueOf(date), row.milliseconds);
    }
    EXPECT_EQ(fake.pending(), nullptr);
    EXPECT_EQ(fake.violations(), None);
  }
}

// The other way: a java/util/Date that the runtime's local time rejects raises the
// date-time's failed precondition. (Where exactly the runtime stops after 3000 is its own:
// Wine's takes a few hours more in a zone behind UTC.)
TEST(JNIjavaDateTime, ADateTheRuntimeRejectsRaises) {
  TESTtimeZone zone("EST5");
  const TESTerrorFields precondition{"Failed precondition: false", COL_ERROR_PRECONDITION, 926, "COLdateTime"};
  struct Row {
    jlong milliseconds;
    const char* why;
  };
  const Row rows[] = {
      {-1000, "the second before 1970"},
      {-86400000LL * 365 * 71, "1899"},
      {86400000LL * 365 * 5000, "year 6970"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    TESTfakeJni fake;
    EXPECT_EQ(TEST_ERROR_OF(JNIjavaDateTimeFromMilliseconds(row.milliseconds)), precondition);
    EXPECT_EQ(TEST_ERROR_OF(JNIjavaDateTimeGet(fake.env(), fake.newObject("java/util/Date", row.milliseconds))),
              precondition);
    EXPECT_EQ(fake.pending(), nullptr);
    EXPECT_EQ(fake.violations(), None);
  }
}

}  // namespace
