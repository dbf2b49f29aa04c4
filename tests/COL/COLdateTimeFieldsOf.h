// The calendar fields of a date-time as one value, so that a test compares all six at once
// and a mismatch prints them as a date.
#pragma once

#include "COL/COLdateTime.h"

#include <cstdio>
#include <cstring>
#include <ostream>

struct Ymdhms {
  int year, month, day, hour, minute, second;
  bool operator==(const Ymdhms& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
           second == o.second;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Ymdhms& f) {
  char text[64];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
  return out << text;
}

// The fields of a stored value, all 0 when it has none.
inline Ymdhms fieldsOf(double value) {
  COLdateTimeFields fields;
  memset(&fields, 0, sizeof fields);
  if (!COLdateTimeToFields(value, &fields)) return Ymdhms{0, 0, 0, 0, 0, 0};
  return Ymdhms{fields.Year, fields.Month, fields.Day, fields.Hour, fields.Minute, fields.Second};
}

inline Ymdhms fieldsOf(const COLdateTime& date) {
  return Ymdhms{date.year(), date.month(), date.day(), date.hour(), date.minute(), date.second()};
}
