// Splitting, environment expansion and pattern lists. The pattern matcher works on the
// texts in place: a pattern is a range of the list, and nothing is allocated.
#include "COL/COLsplit.h"

#include "COL/COLerror.h"
#include "platform/PLATwindows.h"

#include <cstring>

namespace {

// Taken as a signed char, so that bytes from 0x80 up are never white space.
bool isWhitespace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The length of the name that starts at text, up to the first '}' before end; -1 when the
// text ends (at end or at a NUL) without one.
int nameLength(const char* text, const char* end) {
  for (const char* p = text; p < end && *p != '\0'; ++p)
    if (*p == '}') return static_cast<int>(p - text);
  return -1;
}

// Whether n pattern characters fit the text at text, '?' fitting any one character; false
// when either ends before n characters.
bool fits(const char* pattern, const char* text, int n) {
  for (int i = 0; i < n; ++i) {
    if (pattern[i] == '\0' || text[i] == '\0') return false;
    if (pattern[i] != '?' && pattern[i] != text[i]) return false;
  }
  return true;
}

// Whether the pattern [p, end) covers the whole text. Each segment between stars is placed
// at its first fit; that is never worse for the segments after it, so no earlier segment
// needs to be tried again. The last segment must end with the text.
bool matches(const char* p, const char* end, const char* text) {
  const char* t = text;
  for (; p < end && *p != '*'; ++p, ++t) {
    // The text ending here leaves something other than '*' of the pattern: no match.
    if (*t == '\0') return false;
    if (*p != '?' && *p != *t) return false;
  }
  if (p == end) return *t == '\0';
  for (;;) {
    while (p < end && *p == '*') ++p;
    if (p == end) return true;
    const char* segmentEnd = p;
    while (segmentEnd < end && *segmentEnd != '*') ++segmentEnd;
    int n = static_cast<int>(segmentEnd - p);
    if (segmentEnd == end) {
      size_t rest = strlen(t);
      return rest >= static_cast<size_t>(n) && fits(p, t + rest - static_cast<size_t>(n), n);
    }
    while (!fits(p, t, n)) {
      if (*t == '\0') return false;
      ++t;
    }
    t += n;
    p = segmentEnd;
  }
}

}  // namespace

void COLsplit(COLvector<COLstring>& out, const COLstring& text, const COLstring& Separator) {
  COL_ASSERT(!Separator.is_null(), 26, "COLsplit");
  if (text.is_null()) return;
  const char* separator = Separator.c_str();
  size_t separatorLength = strlen(separator);
  const char* t = text.c_str();
  int start = 0;
  // A separator that begins with a NUL cannot occur in the C text; searching for its
  // empty C text would find it everywhere and never advance.
  if (separatorLength != 0) {
    for (const char* found = strstr(t, separator); found != nullptr; found = strstr(t + start, separator)) {
      int at = static_cast<int>(found - t);
      out.push_back(COLstring(t + start, at - start));
      start = at + static_cast<int>(separatorLength);
    }
  }
  // The rest keeps any bytes behind an embedded NUL, as the split of a copy would.
  out.push_back(COLstring(t + start, text.size() - start));
}

int COLsplitWords(COLvector<COLstring>& out, const COLstring& text, bool keepWhitespace) {
  int appended = 0;
  COLstring word, gap;
  const char* t = text.c_str();
  for (int i = 0; i < text.size(); ++i) {
    if (isWhitespace(t[i])) {
      if (!word.is_null()) {
        out.push_back(word);
        word.clear();
        ++appended;
      }
      if (keepWhitespace) gap.append(t + i, 1);
    } else {
      if (keepWhitespace && !gap.is_null()) {
        out.push_back(gap);
        gap.clear();
        ++appended;
      }
      word.append(t + i, 1);
    }
  }
  if (!word.is_null()) {
    out.push_back(word);
    ++appended;
  }
  if (keepWhitespace && !gap.is_null()) {
    out.push_back(gap);
    ++appended;
  }
  return appended;
}

COLstring COLexpandEnvironment(const COLstring& text) {
  COLstring result;
  result.reserve(text.size());
  const char* t = text.c_str();
  const char* end = t + text.size();
  const char* copied = t;  // bytes before this one are in the result
  for (const char* p = t; p < end; ++p) {
    if (p[0] != '$' || p + 1 >= end || p[1] != '{') continue;
    int length = nameLength(p + 2, end);
    if (length < 0) continue;
    result.append(copied, static_cast<int>(p - copied));
    // An empty name names no variable.
    if (length > 0) {
      COLstring name(p + 2, length);
      if (const char* value = PLATgetenv(name.c_str())) result.append(value);
    }
    p += 2 + length;
    copied = p + 1;
  }
  result.append(copied, static_cast<int>(end - copied));
  return result;
}

bool COLmatchPatternList(const char* patterns, const char* text) {
  if (patterns == nullptr) return false;
  if (text == nullptr) text = "";
  bool result = false;
  const char* p = patterns;
  for (;;) {
    while (isWhitespace(*p)) ++p;
    if (*p == '\0') return result;
    const char* end = p;
    while (*end != '\0' && !isWhitespace(*end)) ++end;
    bool excludes = *p == '-';
    if (matches(excludes ? p + 1 : p, end, text)) result = !excludes;
    p = end;
  }
}

void COLsleep(int milliseconds) { Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds)); }
