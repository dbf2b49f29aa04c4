// The stand-in's date-time: a DATE value (days since 1899-12-30, the time of day as the
// fraction), a zone code, an offset in minutes with its second value, and a null state.
// The second fraction has no field of its own: setting it replaces the fraction of the
// second that the DATE value carries, as the library keeps one value.
//
// A DATE before day 0 keeps the DATE type's rule: the whole part, counted toward zero, is
// the day and the fraction's absolute value the time of day, which counts forwards there
// too (-1.75 is 1899-12-29 18:00, not 1899-12-28 06:00).
#include "COL/COLrefCounted.h"
#include "standins/vrn_core/VRNstandinCore.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

class StandinDateTime : public COLrefCounted {
public:
  double date = 0;
  uint16_t zone = 0, offset = 0, offsetSecond = 0;
  bool null = true;
  std::string formatted;  // the last format's text, valid until the next

private:
  VRNstandinCounted m_Counted{VRNkindDateTime};
};

using DateTimes = VRNstandinLiveSet<StandinDateTime>;
using HeldDateTime = VRNstandinHeld<StandinDateTime>;

// The civil date of a day number counted from 1970-01-01.
void civil(int64_t days, int64_t& year, int& month, int& day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t mp = (5 * dayOfYear + 2) / 153;
  day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// A DATE value as its day (from 1899-12-30) and the whole seconds of its time of day. What
// the DATE's precision leaves just under a whole second counts as that second, and a
// second that makes a whole day is the next day's midnight.
// Negative says which side of day 0 the value was written on: -0.25 and 0.25 are both
// 1899-12-30 06:00, and a value keeps its side.
struct Clock {
  int64_t day;
  int64_t seconds;
  bool negative;
};

Clock clockOf(double date) {
  double day = std::trunc(date);
  Clock clock = {int64_t(day), int64_t(std::floor(std::fabs(date - day) * 86400.0 + 1e-6)), date < 0};
  if (clock.seconds >= 86400) {
    clock.seconds -= 86400;
    ++clock.day;
  }
  return clock;
}

// The DATE value of a clock's day with a time of day in seconds: on the negative side the
// time is taken off.
double dateOf(const Clock& clock, double seconds) {
  double time = seconds / 86400.0;
  return clock.negative ? double(clock.day) - time : double(clock.day) + time;
}

// Pattern letters: yyyy MM dd HH mm ss; anything else is copied.
std::string format(double date, const std::string& pattern) {
  Clock clock = clockOf(date);
  int64_t seconds = clock.seconds;
  int64_t year;
  int month, day;
  civil(clock.day - 25569, year, month, day);
  const struct {
    const char* token;
    int64_t value;
    int width;
  } fields[] = {{"yyyy", year, 4},           {"MM", month, 2},
                {"dd", day, 2},              {"HH", seconds / 3600, 2},
                {"mm", seconds / 60 % 60, 2}, {"ss", seconds % 60, 2}};
  std::string out;
  for (size_t i = 0; i < pattern.size();) {
    bool matched = false;
    for (const auto& field : fields) {
      std::string token = field.token;
      if (pattern.compare(i, token.size(), token) != 0) continue;
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%0*lld", field.width, static_cast<long long>(field.value));
      out += buffer;
      i += token.size();
      matched = true;
      break;
    }
    if (!matched) out += pattern[i++];
  }
  return out;
}

}  // namespace

#define VRN_DATE_TIME_BODY(...)                              \
  return VRNstandinGuard([&]() -> VRNresult {                \
    if (!DateTime) return VRNstandinFail("Null date-time");  \
    HeldDateTime held(DateTime);                             \
    if (!held) return VRNstandinFail("Not a date-time", "Handle", VRNstandinPointer(DateTime)); \
    StandinDateTime& value = *held;                          \
    (void)value;                                             \
    __VA_ARGS__                                              \
  })

extern "C" {

VRNresult VRNdateTimeCreate(VRNhandle* DateTime) {
  VRN_STANDIN_ENTER(VRNdateTimeCreate);
  return VRNstandinGuard([&]() -> VRNresult {
    StandinDateTime* made = new StandinDateTime();
    DateTimes::get().add(made);
    *DateTime = DateTimes::handleOf(made);
    return nullptr;
  });
}

VRNresult VRNdateTimeAddRef(VRNhandle DateTime) {
  VRN_STANDIN_ENTER(VRNdateTimeAddRef, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(DateTimes::get().retain(DateTime); return nullptr;);
}

VRNresult VRNdateTimeRelease(VRNhandle DateTime) {
  VRN_STANDIN_ENTER(VRNdateTimeRelease, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(DateTimes::get().drop(held.get()); return nullptr;);
}

VRNresult VRNdateTimeGetDATE(VRNhandle DateTime, double* Value) {
  VRN_STANDIN_ENTER(VRNdateTimeGetDATE, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(*Value = value.date; return nullptr;);
}

VRNresult VRNdateTimeGetZone(VRNhandle DateTime, uint16_t* Zone) {
  VRN_STANDIN_ENTER(VRNdateTimeGetZone, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(*Zone = value.zone; return nullptr;);
}

VRNresult VRNdateTimeGetOffsetInMinutes(VRNhandle DateTime, uint16_t* Offset) {
  VRN_STANDIN_ENTER(VRNdateTimeGetOffsetInMinutes, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(*Offset = value.offset; return nullptr;);
}

VRNresult VRNdateTimeGetIsNull(VRNhandle DateTime, uint16_t* Flag) {
  VRN_STANDIN_ENTER(VRNdateTimeGetIsNull, VRNstandinPointer(DateTime));
  VRN_DATE_TIME_BODY(*Flag = value.null ? VRNstandinDateTimeNullFlag() : 0; return nullptr;);
}

VRNresult VRNdateTimeSetDATE(VRNhandle DateTime, double Value) {
  VRN_STANDIN_ENTER(VRNdateTimeSetDATE, VRNstandinPointer(DateTime), std::to_string(Value));
  VRN_DATE_TIME_BODY(value.date = Value; value.null = false; return nullptr;);
}

VRNresult VRNdateTimeSetSecondFraction(VRNhandle DateTime, double Value) {
  VRN_STANDIN_ENTER(VRNdateTimeSetSecondFraction, VRNstandinPointer(DateTime), std::to_string(Value));
  VRN_DATE_TIME_BODY(if (!(Value >= 0 && Value < 1)) return VRNstandinFail("Second fraction out of range");
                     Clock clock = clockOf(value.date);
                     value.date = dateOf(clock, double(clock.seconds) + Value); return nullptr;);
}

VRNresult VRNdateTimeSetZone(VRNhandle DateTime, uint16_t Zone) {
  VRN_STANDIN_ENTER(VRNdateTimeSetZone, VRNstandinPointer(DateTime), std::to_string(Zone));
  VRN_DATE_TIME_BODY(value.zone = Zone; return nullptr;);
}

VRNresult VRNdateTimeSetOffsetInMinutes(VRNhandle DateTime, uint16_t First, uint16_t Second) {
  VRN_STANDIN_ENTER(VRNdateTimeSetOffsetInMinutes, VRNstandinPointer(DateTime), std::to_string(First),
                    std::to_string(Second));
  VRN_DATE_TIME_BODY(value.offset = First; value.offsetSecond = Second; return nullptr;);
}

VRNresult VRNdateTimeFormat(VRNhandle DateTime, const char* Pattern, const char** Text) {
  VRN_STANDIN_ENTER(VRNdateTimeFormat, VRNstandinPointer(DateTime), VRNstandinText(Pattern));
  VRN_DATE_TIME_BODY(if (!Pattern) return VRNstandinFail("Null pattern");
                     if (value.null) return VRNstandinFail("Cannot format a null date-time");
                     value.formatted = format(value.date, Pattern); *Text = value.formatted.c_str(); return nullptr;);
}

}  // extern "C"
