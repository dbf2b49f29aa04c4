// CompareStringOrdinal over the generated uppercase table of UTF-16 code units.
#include "platform/posix/POSIXstring.h"

#include <cwchar>
#include <iterator>

namespace {

struct UpperRun {
  unsigned first, last, stride;
  int delta;
};

const UpperRun UpperRuns[] = {
#include "platform/posix/POSIXupperCase.inc"
};

unsigned upperOf(unsigned unit) {
  // The runs are in order of their first unit and do not overlap.
  const UpperRun* low = std::begin(UpperRuns);
  const UpperRun* high = std::end(UpperRuns);
  while (low < high) {
    const UpperRun* middle = low + (high - low) / 2;
    if (middle->last < unit)
      low = middle + 1;
    else
      high = middle;
  }
  if (low == std::end(UpperRuns) || unit < low->first || (unit - low->first) % low->stride != 0) return unit;
  return static_cast<unsigned>(static_cast<int>(unit) + low->delta);
}

// The UTF-16 code units of a text of WCHARs, one at a time.
class CodeUnits {
public:
  CodeUnits(LPCWCH text, size_t length) : Text(text), Length(length) {}
  bool next(unsigned& unit) {
    if (Pending != 0) {
      unit = Pending;
      Pending = 0;
      return true;
    }
    if (Position == Length) return false;
    unsigned point = static_cast<unsigned>(Text[Position++]);
    if (point > 0xFFFF && point <= 0x10FFFF) {
      point -= 0x10000;
      unit = 0xD800 + (point >> 10);
      Pending = 0xDC00 + (point & 0x3FF);
      return true;
    }
    unit = point;
    return true;
  }

private:
  LPCWCH Text;
  size_t Length;
  size_t Position = 0;
  unsigned Pending = 0;
};

}  // namespace

int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2, BOOL ignoreCase) {
  if (string1 == nullptr || string2 == nullptr || length1 < -1 || length2 < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  CodeUnits first(string1, length1 == -1 ? wcslen(string1) : static_cast<size_t>(length1));
  CodeUnits second(string2, length2 == -1 ? wcslen(string2) : static_cast<size_t>(length2));
  for (;;) {
    unsigned a = 0, b = 0;
    bool moreA = first.next(a), moreB = second.next(b);
    if (!moreA || !moreB) return moreA ? CSTR_GREATER_THAN : moreB ? CSTR_LESS_THAN : CSTR_EQUAL;
    if (ignoreCase) {
      a = a <= 0xFFFF ? upperOf(a) : a;
      b = b <= 0xFFFF ? upperOf(b) : b;
    }
    if (a != b) return a < b ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
}
