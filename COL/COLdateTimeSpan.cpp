// Date-time spans: construction, the part readers, comparison and the status rules of
// arithmetic.
#include "COL/COLdateTimeSpan.h"

#include "COL/COLerror.h"

#include <climits>
#include <cmath>

namespace {

// Half a second in days. The part readers add it to every fraction, of a day, an hour or a
// minute alike, so a part that is a hair short of whole still reads whole.
const double HalfSecond = 0.5 / 86400;

// Truncation toward zero. A day count outside int (an invalid span may hold any number)
// reads as INT_MIN, the value the processor's own conversion gives, instead of being
// undefined.
int truncated(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT_MIN;
  return static_cast<int>(value);
}

double fraction(double value) {
  double whole;
  return modf(value, &whole);
}

// One part of a span: the fraction of the larger unit, scaled to this unit, taken off the
// unit's count once when rounding pushed it there.
int part(double fractionOfLarger, int unitsPerLarger) {
  int value = truncated((fractionOfLarger + HalfSecond) * unitsPerLarger);
  if (value >= unitsPerLarger) value -= unitsPerLarger;
  return value;
}

}  // namespace

COLdateTimeSpan::COLdateTimeSpan(int days, int hours, int minutes, int seconds)
    : m_Days(days + (hours + (minutes + seconds / 60.0) / 60) / 24), m_Status(valid) {}

COLdateTimeSpan& COLdateTimeSpan::operator=(double days) {
  m_Days = days;
  m_Status = valid;
  return *this;
}

void COLdateTimeSpan::set(int days, int hours, int minutes, int seconds) {
  m_Days = hours / 24.0 + days + minutes / 1440.0 + seconds / 86400.0;
  m_Status = valid;
}

void COLdateTimeSpan::check_range() {
  if (!in_range(m_Days)) m_Status = invalid;
}

int COLdateTimeSpan::days() const { return truncated(m_Days); }

int COLdateTimeSpan::hours() const {
  COL_PRECONDITION(status() == valid, 1458, "COLdateTime");
  return part(fraction(m_Days), 24);
}

int COLdateTimeSpan::minutes() const {
  COL_PRECONDITION(status() == valid, 1474, "COLdateTime");
  return part(fraction(m_Days * 24), 60);
}

int COLdateTimeSpan::seconds() const {
  COL_PRECONDITION(status() == valid, 1490, "COLdateTime");
  return part(fraction(m_Days * 24 * 60), 60);
}

bool COLdateTimeSpan::operator==(const COLdateTimeSpan& other) const {
  if (m_Status != other.m_Status) return false;
  if (m_Status == null) return true;
  return !(m_Days > other.m_Days) && !(other.m_Days > m_Days);
}

bool COLdateTimeSpan::operator<(const COLdateTimeSpan& other) const {
  return m_Status == other.m_Status && m_Status != null && m_Days < other.m_Days;
}

bool COLdateTimeSpan::operator>(const COLdateTimeSpan& other) const {
  return m_Status == other.m_Status && m_Status != null && m_Days > other.m_Days;
}

bool COLdateTimeSpan::operator<=(const COLdateTimeSpan& other) const {
  return m_Status == other.m_Status && (m_Status == null || !(m_Days > other.m_Days));
}

bool COLdateTimeSpan::operator>=(const COLdateTimeSpan& other) const {
  return m_Status == other.m_Status && (m_Status == null || !(m_Days < other.m_Days));
}

COLdateTimeSpan COLdateTimeSpan::combined(const COLdateTimeSpan& other, double days) const {
  if (m_Status == null || other.m_Status == null) return COLdateTimeSpan(0.0, null);
  if (m_Status == invalid || other.m_Status == invalid) return COLdateTimeSpan(0.0, invalid);
  return COLdateTimeSpan(days, in_range(days) ? valid : invalid);
}

COLdateTimeSpan COLdateTimeSpan::operator+(const COLdateTimeSpan& other) const {
  return combined(other, m_Days + other.m_Days);
}

COLdateTimeSpan COLdateTimeSpan::operator-(const COLdateTimeSpan& other) const {
  return combined(other, m_Days - other.m_Days);
}

COLdateTimeSpan& COLdateTimeSpan::operator+=(const COLdateTimeSpan& other) {
  return *this = *this + other;
}

COLdateTimeSpan& COLdateTimeSpan::operator-=(const COLdateTimeSpan& other) {
  return *this = *this - other;
}

COLdateTimeSpan COLdateTimeSpan::scaled(double days) const {
  if (m_Status != valid) return *this;
  return COLdateTimeSpan(days, in_range(days) ? valid : invalid);
}

COLdateTimeSpan COLdateTimeSpan::operator-() const { return scaled(-m_Days); }

COLdateTimeSpan COLdateTimeSpan::operator*(double factor) const { return scaled(m_Days * factor); }

COLdateTimeSpan COLdateTimeSpan::operator/(double divisor) const { return scaled(m_Days / divisor); }
