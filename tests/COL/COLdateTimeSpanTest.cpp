// COLdateTimeSpan: the construction formulas, the part readers at their rounding edges,
// check_range, and the status rules of comparison and arithmetic.
#include "COL/COLdateTimeSpan.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <climits>
#include <cmath>
#include <functional>
#include <limits>

namespace {

const int V = COLdateTimeSpan::valid;
const int I = COLdateTimeSpan::invalid;
const int N = COLdateTimeSpan::null;

COLdateTimeSpan span(double days, int status) {
  COLdateTimeSpan s(days);
  s.set_status(status);
  return s;
}

COLdateTimeSpan setTo(int d, int h, int m, int s) {
  COLdateTimeSpan span(-5.0);
  span.set_status(COLdateTimeSpan::invalid);
  span.set(d, h, m, s);
  return span;
}

TEST(COLdateTimeSpan, ConstructionGivesTheDaysOfItsOwnFormula) {
  // The four-int constructor and set() sum the parts in different orders; these values
  // show the last-bit difference between the two.
  struct Case {
    const char* why;
    COLdateTimeSpan made;
    double days;
  } cases[] = {
      {"default", COLdateTimeSpan(), 0.0},
      {"from a double", COLdateTimeSpan(-2.25), -2.25},
      {"constructor 1 2:03:04", COLdateTimeSpan(1, 2, 3, 4), 0x1.15e0e696f1f7ap+0},
      {"set 1 2:03:04", setTo(1, 2, 3, 4), 0x1.15e0e696f1f7bp+0},
      {"constructor -1 -2:-03:-04", COLdateTimeSpan(-1, -2, -3, -4), -0x1.15e0e696f1f7ap+0},
      {"set -1 -2:-03:-04", setTo(-1, -2, -3, -4), -0x1.15e0e696f1f7bp+0},
      {"constructor 23:59:59", COLdateTimeSpan(0, 23, 59, 59), 0x1.fffe7ba375f31p-1},
      {"set 23:59:59", setTo(0, 23, 59, 59), 0x1.fffe7ba375f32p-1},
      {"constructor 59 seconds", COLdateTimeSpan(0, 0, 0, 59), 0x1.66054f43e32d1p-11},
      {"set 59 seconds", setTo(0, 0, 0, 59), 0x1.66054f43e32d2p-11},
      {"constructor one second", COLdateTimeSpan(0, 0, 0, 1), 0x1.845c8a0ce5129p-17},
      {"constructor 30 hours", COLdateTimeSpan(0, 30, 0, 0), 1.25},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.made.total_days(), c.days) << c.why;
    EXPECT_EQ(c.made.status(), COLdateTimeSpan::valid) << c.why;
  }

  COLdateTimeSpan assigned = span(7.0, N);
  assigned = 0.5;
  EXPECT_EQ(assigned.total_days(), 0.5);
  EXPECT_EQ(assigned.status(), V);

  COLdateTimeSpan copied = span(3.5, I);
  COLdateTimeSpan target;
  target = copied;
  EXPECT_EQ(target.total_days(), 3.5);
  EXPECT_EQ(target.status(), I);

  COLdateTimeSpan kept(4.0);
  kept.set_status(N);
  EXPECT_EQ(kept.total_days(), 4.0) << "set_status leaves the days alone";
}

TEST(COLdateTimeSpan, PartsRoundByHalfASecondOfADayInEveryUnit) {
  struct Case {
    const char* why;
    double days;
    int d, h, m, s;
  } cases[] = {
      {"zero", 0.0, 0, 0, 0, 0},
      {"1 2:03:04 from the constructor", COLdateTimeSpan(1, 2, 3, 4).total_days(), 1, 2, 3, 4},
      {"1 2:03:04 from set", setTo(1, 2, 3, 4).total_days(), 1, 2, 3, 4},
      {"18 hours", 0.75, 0, 18, 0, 0},
      {"backward 18 hours: the half second moves toward zero", -0.75, 0, -17, 0, 0},
      {"backward 1 2:03:04 loses a second the same way",
       COLdateTimeSpan(-1, -2, -3, -4).total_days(), -1, -2, -3, -3},
      {"a hair short of a day: hours and minutes wrap, seconds do not", 0.99999999, 0, 0, 0, 59},
      {"half a second short of a day: only the hours wrap", 86399.5 / 86400, 0, 0, 59, 59},
      {"0.6 seconds short of a day: nothing wraps", 86399.4 / 86400, 0, 23, 59, 59},
      {"0.1 second short of an hour: the hour rounds up alone", 3599.9 / 86400, 0, 1, 59, 59},
      {"minus one second", -1.0 / 86400, 0, 0, 0, 0},
      {"half a second", 0.5 / 86400, 0, 0, 0, 0},
      {"a day and a half", 1.5, 1, 12, 0, 0},
      {"backward a day and a half", -1.5, -1, -11, 0, 0},
      {"the largest valid span and a half day", 3615897.5, 3615897, 12, 0, 0},
  };
  for (const Case& c : cases) {
    COLdateTimeSpan s(c.days);
    EXPECT_EQ(s.days(), c.d) << c.why;
    EXPECT_EQ(s.hours(), c.h) << c.why;
    EXPECT_EQ(s.minutes(), c.m) << c.why;
    EXPECT_EQ(s.seconds(), c.s) << c.why;
  }
}

TEST(COLdateTimeSpan, DaysTruncatesWhateverTheStatus) {
  struct Case {
    const char* why;
    COLdateTimeSpan s;
    int days;
  } cases[] = {
      {"backward", COLdateTimeSpan(-2.9), -2},
      {"null", span(5.99, N), 5},
      {"invalid", span(-3615900.5, I), -3615900},
      {"beyond int reads as the processor's integer indefinite", span(1e12, I), INT_MIN},
      {"infinite", span(std::numeric_limits<double>::infinity(), I), INT_MIN},
      {"not a number", span(std::nan(""), I), INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(c.s.days(), c.days) << c.why;
}

TEST(COLdateTimeSpan, PartsOfASpanThatIsNotValidFailTheirPrecondition) {
  const std::function<int(const COLdateTimeSpan&)> readers[] = {
      [](const COLdateTimeSpan& s) { return s.hours(); },
      [](const COLdateTimeSpan& s) { return s.minutes(); },
      [](const COLdateTimeSpan& s) { return s.seconds(); },
  };
  const int lines[] = {1458, 1474, 1490};
  for (int status : {I, N}) {
    for (int r = 0; r < 3; ++r) {
      COLdateTimeSpan s = span(1.5, status);
      EXPECT_EQ(TEST_ERROR_OF(readers[r](s)),
                (TESTerrorFields{"Failed precondition: status() == valid",
                                 COL_ERROR_PRECONDITION, lines[r], "COLdateTime"}))
          << "reader " << r << ", status " << status;
      EXPECT_EQ(s.status(), status);
    }
  }
}

TEST(COLdateTimeSpan, TotalsIgnoreTheStatus) {
  for (int status : {V, I, N}) {
    COLdateTimeSpan s = span(1.5, status);
    EXPECT_EQ(s.total_days(), 1.5);
    EXPECT_EQ(s.total_hours(), 36.0);
    EXPECT_EQ(s.total_minutes(), 2160.0);
    EXPECT_EQ(s.total_seconds(), 129600.0);
  }
  // The totals multiply unit by unit: (x * 24) * 60, not x * 1440.
  const double x = 0x1.15e0e696f1f7ap+0;
  COLdateTimeSpan s(x);
  EXPECT_EQ(s.total_minutes(), x * 24 * 60);
  EXPECT_EQ(s.total_seconds(), x * 24 * 60 * 60);
}

TEST(COLdateTimeSpan, CheckRangeInvalidatesOnlyBeyondTheLimits) {
  const double above = std::nextafter(3615897.0, 4e6);
  const double below = std::nextafter(-3615897.0, -4e6);
  struct Case {
    const char* why;
    COLdateTimeSpan s;
    int status;
  } cases[] = {
      {"the upper limit itself", span(3615897.0, V), V},
      {"the lower limit itself", span(-3615897.0, V), V},
      {"just above", span(above, V), I},
      {"just below", span(below, V), I},
      {"infinite", span(-std::numeric_limits<double>::infinity(), V), I},
      {"an invalid span in range stays invalid", span(1.0, I), I},
      {"a null span in range stays null", span(1.0, N), N},
      {"a null span out of range becomes invalid", span(above, N), I},
      {"not a number is not caught", span(std::nan(""), V), V},
  };
  for (Case& c : cases) {
    const double days = c.s.total_days();
    c.s.check_range();
    EXPECT_EQ(c.s.status(), c.status) << c.why;
    EXPECT_TRUE(c.s.total_days() == days || std::isnan(days)) << c.why;
  }
}

TEST(COLdateTimeSpan, ComparisonNeedsEqualStatusesAndTreatsNullsAsEqual) {
  struct Case {
    const char* why;
    COLdateTimeSpan a, b;
    bool eq, ne, lt, gt, le, ge;
  } cases[] = {
      {"valid, smaller", span(1, V), span(2, V), false, true, true, false, true, false},
      {"valid, equal", span(2, V), span(2, V), true, false, false, false, true, true},
      {"valid, larger", span(3, V), span(2, V), false, true, false, true, false, true},
      {"invalid spans are ordered by their days", span(1, I), span(2, I), false, true, true, false, true, false},
      {"invalid, equal", span(2, I), span(2, I), true, false, false, false, true, true},
      {"two nulls, whatever their days", span(1, N), span(2, N), true, false, false, false, true, true},
      {"valid and invalid of equal days", span(2, V), span(2, I), false, true, false, false, false, false},
      {"invalid and valid", span(1, I), span(2, V), false, true, false, false, false, false},
      {"valid and null", span(0, V), span(0, N), false, true, false, false, false, false},
      {"null and invalid", span(0, N), span(5, I), false, true, false, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.eq) << c.why;
    EXPECT_EQ(c.a != c.b, c.ne) << c.why;
    EXPECT_EQ(c.a < c.b, c.lt) << c.why;
    EXPECT_EQ(c.a > c.b, c.gt) << c.why;
    EXPECT_EQ(c.a <= c.b, c.le) << c.why;
    EXPECT_EQ(c.a >= c.b, c.ge) << c.why;
  }
}

TEST(COLdateTimeSpan, ArithmeticBetweenSpansFollowsTheStatusRules) {
  struct Case {
    const char* why;
    COLdateTimeSpan a, b;
    double sum;
    double difference;
    int status;  // of both results
  } cases[] = {
      {"valid and valid", span(1.5, V), span(0.25, V), 1.75, 1.25, V},
      {"null and valid", span(1.5, N), span(0.25, V), 0.0, 0.0, N},
      {"valid and null", span(1.5, V), span(0.25, N), 0.0, 0.0, N},
      {"invalid and null: null wins", span(1.5, I), span(0.25, N), 0.0, 0.0, N},
      {"null and invalid", span(1.5, N), span(0.25, I), 0.0, 0.0, N},
      {"invalid and valid", span(1.5, I), span(0.25, V), 0.0, 0.0, I},
      {"valid and invalid", span(1.5, V), span(0.25, I), 0.0, 0.0, I},
      {"invalid and invalid", span(1.5, I), span(0.25, I), 0.0, 0.0, I},
  };
  for (const Case& c : cases) {
    COLdateTimeSpan sum = c.a + c.b;
    COLdateTimeSpan difference = c.a - c.b;
    EXPECT_EQ(sum.total_days(), c.sum) << c.why;
    EXPECT_EQ(sum.status(), c.status) << c.why;
    EXPECT_EQ(difference.total_days(), c.difference) << c.why;
    EXPECT_EQ(difference.status(), c.status) << c.why;

    COLdateTimeSpan added = c.a;
    COLdateTimeSpan& returned = (added += c.b);
    EXPECT_EQ(&returned, &added) << c.why;
    EXPECT_EQ(added.total_days(), c.sum) << c.why;
    EXPECT_EQ(added.status(), c.status) << c.why;
    COLdateTimeSpan subtracted = c.a;
    EXPECT_EQ(&(subtracted -= c.b), &subtracted) << c.why;
    EXPECT_EQ(subtracted.total_days(), c.difference) << c.why;
    EXPECT_EQ(subtracted.status(), c.status) << c.why;
  }
}

TEST(COLdateTimeSpan, ArithmeticLeavingTheRangeIsInvalidAndKeepsItsDays) {
  struct Case {
    const char* why;
    COLdateTimeSpan result;
    double days;
    int status;
  } cases[] = {
      {"the limit plus nothing", span(3615897.0, V) + span(0.0, V), 3615897.0, V},
      {"the limit plus a day", span(3615897.0, V) + span(1.0, V), 3615898.0, I},
      {"the lower limit minus a day", span(-3615897.0, V) - span(1.0, V), -3615898.0, I},
      {"two halves of the range meet the limit", span(1807948.5, V) + span(1807948.5, V), 3615897.0, V},
      {"a span beyond the range may come back into it", span(3615898.0, V) - span(1.0, V), 3615897.0, V},
      {"negation", -span(2.5, V), -2.5, V},
      {"negation of the lower limit", -span(-3615897.0, V), 3615897.0, V},
      {"negation of a valid span beyond the range", -span(-3615898.0, V), 3615898.0, I},
      {"times two within the range", span(1.5, V) * 2.0, 3.0, V},
      {"times two beyond the range", span(2000000.0, V) * 2.0, 4000000.0, I},
      {"divided by four", span(3.0, V) / 4.0, 0.75, V},
      {"a day divided by zero", span(1.0, V) / 0.0, std::numeric_limits<double>::infinity(), I},
      {"a backward day divided by zero", span(-1.0, V) / 0.0, -std::numeric_limits<double>::infinity(), I},
      {"negation of an invalid span changes nothing", -span(2.5, I), 2.5, I},
      {"scaling a null span changes nothing", span(2.5, N) * 2.0, 2.5, N},
      {"dividing an invalid span changes nothing", span(5e6, I) / 10.0, 5e6, I},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result.total_days(), c.days) << c.why;
    EXPECT_EQ(c.result.status(), c.status) << c.why;
  }
}

}  // namespace
