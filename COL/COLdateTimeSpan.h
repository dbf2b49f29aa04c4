// COLdateTimeSpan: a length of time as a signed, fractional number of days, with the
// three-way status of a date-time (valid, invalid, null). It is what subtracting two
// date-times gives and what moves a date-time. Arithmetic carries the status along: a null
// operand gives null, an invalid one invalid, and a result beyond about 9,900 years either
// way is invalid. Only the part readers (hours, minutes, seconds) raise.
#pragma once

class COLostream;

class COLdateTimeSpan {
public:
  // The status values; COLdateTime uses the same three numbers.
  enum : int { valid = 0, invalid = 1, null = 2 };

  COLdateTimeSpan() : m_Days(0.0), m_Status(valid) {}
  COLdateTimeSpan(double days) : m_Days(days), m_Status(valid) {}
  COLdateTimeSpan(int days, int hours, int minutes, int seconds);
  COLdateTimeSpan(const COLdateTimeSpan& other) = default;
  COLdateTimeSpan& operator=(const COLdateTimeSpan& other) = default;
  COLdateTimeSpan& operator=(double days);

  // Builds the length from its parts; note the sum is taken in another order than the
  // four-int constructor's, so the two can differ in the last bit.
  void set(int days, int hours, int minutes, int seconds);

  int status() const { return m_Status; }
  void set_status(int status) { m_Status = status; }
  // Marks the span invalid when it lies outside the valid range.
  void check_range();

  // The parts of the span. days() truncates toward zero whatever the status; the other
  // three require a valid span and read negative (or 0) for a backward one.
  int days() const;
  int hours() const;
  int minutes() const;
  int seconds() const;

  // The whole length in one unit, whatever the status.
  double total_days() const { return m_Days; }
  double total_hours() const { return m_Days * 24; }
  double total_minutes() const { return m_Days * 24 * 60; }
  double total_seconds() const { return m_Days * 24 * 60 * 60; }

  // Spans of different status are unequal and unordered; two null spans are equal.
  bool operator==(const COLdateTimeSpan& other) const;
  bool operator!=(const COLdateTimeSpan& other) const { return !(*this == other); }
  bool operator<(const COLdateTimeSpan& other) const;
  bool operator>(const COLdateTimeSpan& other) const;
  bool operator<=(const COLdateTimeSpan& other) const;
  bool operator>=(const COLdateTimeSpan& other) const;

  COLdateTimeSpan operator+(const COLdateTimeSpan& other) const;
  COLdateTimeSpan operator-(const COLdateTimeSpan& other) const;
  COLdateTimeSpan& operator+=(const COLdateTimeSpan& other);
  COLdateTimeSpan& operator-=(const COLdateTimeSpan& other);
  COLdateTimeSpan operator-() const;
  COLdateTimeSpan operator*(double factor) const;
  COLdateTimeSpan operator/(double divisor) const;

  // Its non-zero parts in words ("2 days 3 hours 1 minute"); defined with the date-time
  // text. A span that is not valid raises, as hours() does.
  void print(COLostream& stream) const;

private:
  // A valid span lies within this many days either way.
  static constexpr double MaxDays = 3615897.0;

  COLdateTimeSpan(double days, int status) : m_Days(days), m_Status(status) {}
  static bool in_range(double days) { return !(days < -MaxDays || days > MaxDays); }
  // The status rule of arithmetic between two spans, for a result of days.
  COLdateTimeSpan combined(const COLdateTimeSpan& other, double days) const;
  // The status rule of the operations on one span: only a valid span changes.
  COLdateTimeSpan scaled(double days) const;

  double m_Days;
  int m_Status;
};
