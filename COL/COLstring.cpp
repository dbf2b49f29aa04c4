// COLstring storage, construction and change. Every change that builds its result from
// the string's own bytes (insert, replace, erase, an append from its own text) builds it
// in a temporary first, so the source may always point into the string itself.
#include "COL/COLstring.h"

#include "COL/COLerror.h"
#include "COL/COLgrowth.h"
#include "platform/PLATwindows.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char ConversionText[] =
    "Unable to convert wide char string to multibyte string, locale may be incorrect.";
}  // namespace

void COLstring::copy_heap(const COLstring& other) {
  init();
  if (other._length != 0) append(other.c_str(), other._length);
}

COLstring::COLstring(int count, char ch) {
  init();
  append(count, ch);
}

COLstring::COLstring(const COLstring& src, size_t start, size_t length) {
  init();
  size_t srcLength = static_cast<size_t>(src._length);
  if (srcLength == 0 || start >= srcLength) return;
  if (start == 0 && (is_end_marker(length) || length >= srcLength)) {
    *this = src;
    return;
  }
  // Compared with what is left rather than start + length, which a length near the top of
  // size_t would wrap round to a small number.
  if (is_end_marker(length) || length > srcLength - start) length = srcLength - start;
  append(src.c_str() + start, static_cast<int>(length));
}

void COLstring::assign_number(const char* digits) {
  init();
  append(digits, -1);
}

COLstring::COLstring(int value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%d", value);
  assign_number(digits);
}

COLstring::COLstring(long value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%ld", value);
  assign_number(digits);
}

COLstring::COLstring(unsigned long value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%lu", value);
  assign_number(digits);
}

COLstring::COLstring(long long value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%lld", value);
  assign_number(digits);
}

COLstring::COLstring(unsigned long long value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%llu", value);
  assign_number(digits);
}

COLstring::COLstring(const wchar_t* text) {
  init();
  if (text == nullptr) return;
  size_t count = PLATwcstombs(nullptr, text, 0);
  if (count != static_cast<size_t>(-1)) {
    int n = static_cast<int>(count);
    reserve(n + 3);
    size_t newCount = PLATwcstombs(data(), text, static_cast<size_t>(n) + 2);
    if (newCount != static_cast<size_t>(-1)) {
      COL_ASSERT(newCount < static_cast<size_t>(capacity()), 877, "COLstring");
      set_length(static_cast<int>(newCount));
      return;
    }
    // Some runtimes count what they then cannot write; treat that as the counting failure.
    clear();
  }
  // The locale cannot hold the text: keep it as UTF-8 rather than lose it.
  int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  reserve(needed + 3);
  int written = WideCharToMultiByte(CP_UTF8, 0, text, -1, data(), needed + 2, nullptr, nullptr);
  if (written > 0) set_length(written - 1);
}

char& COLstring::operator[](int CharIndex) {
  COL_ASSERT(CharIndex >= 0 && CharIndex < size(), 741, "COLstring");
  return data()[CharIndex];
}

const char& COLstring::operator[](int CharIndex) const {
  COL_ASSERT(CharIndex >= 0 && CharIndex < size(), 741, "COLstring");
  return c_str()[CharIndex];
}

char COLstring::at(int pos) const {
  COL_ASSERT(pos >= 0 && pos < _length, 748, "COLstring");
  return c_str()[pos];
}

COLstring& COLstring::operator=(const COLstring& other) {
  if (this == &other) return *this;
  reserve(other._length);
  memcpy(data(), other.c_str(), static_cast<size_t>(other._length) + 1);
  _length = other._length;
  return *this;
}

COLstring& COLstring::operator=(const char* text) {
  if (text == nullptr || *text == '\0') {
    clear();
    return *this;
  }
  if (points_into_text(text)) {
    COLstring copy(text);
    return *this = copy;
  }
  int n = static_cast<int>(strlen(text));
  reserve(n + 1);
  memcpy(data(), text, static_cast<size_t>(n) + 1);
  _length = n;
  return *this;
}

COLstring& COLstring::operator=(const wchar_t* text) {
  if (text == nullptr) {
    clear();
    return *this;
  }
  size_t count = PLATwcstombs(nullptr, text, 0);
  if (count == static_cast<size_t>(-1)) throw COLerror(ConversionText, 897, "COLstring", COL_ERROR_CONVERSION);
  int n = static_cast<int>(count);
  assign(n + 1, '\0');
  if (PLATwcstombs(data(), text, count) == static_cast<size_t>(-1)) {
    // A runtime that counted the text may still fail part way through writing it, after
    // some bytes went into the buffer: the string is left as the n + 1 NULs it was given.
    memset(data(), 0, static_cast<size_t>(n) + 1);
    throw COLerror(ConversionText, 904, "COLstring", COL_ERROR_CONVERSION);
  }
  set_length(n);
  return *this;
}

COLstring& COLstring::assign(const char* data, int length) {
  if (data != nullptr && points_into_text(data)) {
    COLstring copy(data, length);
    return *this = copy;
  }
  clear();
  return append(data, length);
}

COLstring& COLstring::assign(int count, char ch) {
  if (count < 1) {
    reset();
    return *this;
  }
  reserve(count);
  memset(data(), ch, static_cast<size_t>(count));
  data()[count] = '\0';
  _length = count;
  return *this;
}

COLstring& COLstring::append_general(const char* data, int length) {
  if (length == -1) {
    if (data == nullptr || *data == '\0') return *this;
    length = static_cast<int>(strlen(data));
  }
  if (data == nullptr || length <= 0) return *this;
  if (points_into_text(data)) {
    COLstring copy(*this);
    copy.append(data, length);
    return *this = copy;
  }
  const long long n = static_cast<long long>(_length) + length;
  make_room(n + 1);
  memcpy(this->data() + _length, data, static_cast<size_t>(length));
  this->data()[n] = '\0';
  _length = static_cast<int>(n);
  return *this;
}

COLstring& COLstring::append(int count, char ch) {
  if (count <= 0) return *this;
  const long long n = static_cast<long long>(_length) + count;
  make_room(n);
  memset(data() + _length, ch, static_cast<size_t>(count));
  data()[n] = '\0';
  _length = static_cast<int>(n);
  return *this;
}

unsigned COLstring::write_general(const char* data, unsigned length) {
  // append counts in int, where 2^31 bytes or more would turn into a negative length (-1
  // even meaning "up to the NUL"). No string holds that much, so such a write is refused
  // before a byte is taken rather than reported as taken whole.
  const long long room = static_cast<long long>(INT_MAX) - 2 - _length;
  if (static_cast<long long>(length) > room)
    throw COLerror("Unable to write " + COLstring(static_cast<unsigned long>(length)) +
                       " bytes to a string of " + COLstring(_length) +
                       " bytes: a string holds at most 2147483645 bytes.",
                   COL_ERROR_PRECONDITION);
  append(data, static_cast<int>(length));
  return length;
}

COLstring& COLstring::insert(int pos, const char* text) {
  if (pos < 0 || pos > _length || text == nullptr) return *this;
  COLstring result;
  result.append(c_str(), pos);
  result.append(text, -1);
  result.append(c_str() + pos, _length - pos);
  return *this = result;
}

COLstring& COLstring::replace(size_t pos, size_t count, const COLstring& with, size_t withStart,
                              int withLength) {
  size_t length = static_cast<size_t>(_length);
  if (pos > length) return *this;
  COLstring result;
  result.append(c_str(), static_cast<int>(pos));
  size_t available = static_cast<size_t>(with._length);
  if (withStart < available) {
    const char* from = with.c_str() + withStart;
    if (withLength == -1) {
      result.append(from, -1);
    } else if (withLength > 0) {
      size_t taken = static_cast<size_t>(withLength);
      if (taken > available - withStart) taken = available - withStart;
      result.append(from, static_cast<int>(taken));
    }
  }
  if (!is_end_marker(count) && count < length - pos)
    result.append(c_str() + pos + count, static_cast<int>(length - pos - count));
  return *this = result;
}

COLstring& COLstring::erase(size_t pos, size_t count) {
  size_t length = static_cast<size_t>(_length);
  if (pos > length) return *this;
  COLstring result;
  result.append(c_str(), static_cast<int>(pos));
  if (!is_end_marker(count) && count < length - pos)
    result.append(c_str() + pos + count, static_cast<int>(length - pos - count));
  return *this = result;
}

COLstring& COLstring::erase_front(int n) {
  COL_ASSERT(n >= 0, 204, "COLstring");
  COL_ASSERT(n <= _length, 205, "COLstring");
  memmove(data(), c_str() + n, static_cast<size_t>(_length - n));
  _length -= n;
  data()[_length] = '\0';
  return *this;
}

void COLstring::clear() {
  _length = 0;
  data()[0] = '\0';
}

void COLstring::reset() {
  if (!is_inline()) delete[] _u.heap;
  init();
}

void COLstring::reserve(int n) { make_room(n); }

void COLstring::make_room(long long n) {
  if (n + 1 <= _capacity) return;
  const int newCapacity = COLgrownCapacity(1, _capacity, n + 1, 289, "COLstring");
  char* block = new char[static_cast<size_t>(newCapacity)];
  memcpy(block, c_str(), static_cast<size_t>(_length));
  block[_length] = '\0';
  if (!is_inline()) delete[] _u.heap;
  _u.heap = block;
  _capacity = newCapacity;
}

void COLstring::shrink(int CapacityHint) {
  int target = CapacityHint;
  if (target < _length + 1) target = _length + 1;
  if (target < SmallestBlock) target = SmallestBlock;
  if (target >= _capacity) return;
  char* block = new char[static_cast<size_t>(target)];
  memcpy(block, _u.heap, static_cast<size_t>(_length) + 1);
  delete[] _u.heap;
  _u.heap = block;
  _capacity = target;
}

void COLstring::resize_past_capacity() { COLassertionFailed(734, "COLstring", "NewSize < _capacity"); }

void COLstring::set_length(int n) {
  if (n >= 0 && n < _capacity) _length = n;
}

void COLstring::swap(COLstring& other) {
  if (this == &other) return;
  int length = _length, capacity = _capacity;
  auto u = _u;
  _length = other._length;
  _capacity = other._capacity;
  _u = other._u;
  other._length = length;
  other._capacity = capacity;
  other._u = u;
}

COLstring COLstring::substr(int start, unsigned length) const {
  return COLstring(*this, static_cast<size_t>(static_cast<unsigned>(start)), length);
}

COLstring COLstring::mid(int pos) const {
  if (pos == 0) return *this;
  if (pos < 0 || pos >= _length) return COLstring();
  return COLstring(c_str() + pos, _length - pos);
}

COLstring operator+(const COLstring& left, const COLstring& right) {
  COLstring result(left);
  result.append(right);
  return result;
}

COLstring operator+(const COLstring& left, const char* right) {
  COLstring result(left);
  result.append(right);
  return result;
}

COLstring operator+(const char* left, const COLstring& right) {
  COLstring result(left);
  result.append(right);
  return result;
}

COLstring operator+(const COLstring& left, char right) {
  COLstring result(left);
  result.append(&right, 1);
  return result;
}

COLstring operator+(char left, const COLstring& right) {
  COLstring result(&left, 1);
  result.append(right);
  return result;
}

// ---- Searching, comparison and splitting.

namespace {

const int NotFound = -1;

// A position within a text as the int of the interface, or -1 for "not found".
int offsetOf(const char* found, const char* text) {
  return found == nullptr ? NotFound : static_cast<int>(found - text);
}

bool isBlankByte(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The C locale's white-space test; a byte from 0x80 up is never white space.
bool isSpaceByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// strcmp has exactly this rule (unsigned bytes, up to the first difference or NUL) and the
// runtime's takes many bytes a step; its result is brought to -1, 0 or 1.
int compareTexts(const char* left, const char* right) {
  if (left == nullptr) left = "";
  if (right == nullptr) right = "";
  const int order = strcmp(left, right);
  return (order > 0) - (order < 0);
}

}  // namespace

int COLstring::find(const char* pattern) const { return find(pattern, 0); }

int COLstring::find(const COLstring& pattern) const { return find(pattern.c_str(), 0); }

int COLstring::find(const char* pattern, size_t start) const {
  // A start past the terminator would read outside the text: nothing is there to find.
  if (pattern == nullptr || *pattern == '\0' || start > static_cast<size_t>(_length))
    return NotFound;
  return offsetOf(strstr(text() + start, pattern), text());
}

int COLstring::find(const COLstring& pattern, size_t start) const {
  return find(pattern.c_str(), start);
}

int COLstring::find(char ch, size_t start) const {
  if (start >= static_cast<size_t>(_length)) return NotFound;
  return offsetOf(strchr(text() + start, ch), text());
}

uint64_t COLstring::find_from(const char* pattern, size_t start) const {
  if (pattern == nullptr || start > static_cast<size_t>(_length)) return npos;
  const char* found = strstr(text() + start, pattern);
  return found == nullptr ? npos : static_cast<uint64_t>(found - text());
}

int COLstring::rfind(const COLstring& pattern, int start) const {
  if (pattern._length == 0 || _length == 0) return NotFound;
  if (static_cast<unsigned>(start) >= static_cast<unsigned>(_length)) start = _length - 1;
  const char* t = text();
  // The length of the C text from p on, kept up to date while p walks back.
  int textFrom = static_cast<int>(strlen(t + start));
  for (int p = start; p >= 0; --p) {
    if (p < start) textFrom = t[p] == '\0' ? 0 : textFrom + 1;
    if (textFrom < pattern._length) continue;
    int i = 0;
    while (i < pattern._length && pattern.at(i) == t[p + i]) ++i;
    if (i == pattern._length) return p;
  }
  return NotFound;
}

int COLstring::rfind(const COLstring& pattern) const { return rfind(pattern, _length); }

int COLstring::find_last_of(const COLstring& set, size_t start) const {
  if (start == 0 || _length == 0) return NotFound;
  size_t last = static_cast<size_t>(_length) - 1;
  int p = static_cast<int>(start < last ? start : last);
  // strchr finds the set's terminator for a NUL byte, so an embedded NUL always counts.
  for (; p >= 0; --p)
    if (strchr(set.c_str(), text()[p]) != nullptr) return p;
  return NotFound;
}

bool COLstring::find(int& pos, const char* pattern) const {
  pos = find(pattern);
  return pos != NotFound;
}

bool COLstring::find(int& pos, const COLstring& pattern) const {
  pos = find(pattern);
  return pos != NotFound;
}

bool COLstring::find(int& pos, const char* pattern, size_t start) const {
  pos = find(pattern, start);
  return pos != NotFound;
}

bool COLstring::find(int& pos, const COLstring& pattern, size_t start) const {
  pos = find(pattern, start);
  return pos != NotFound;
}

bool COLstring::find(int& pos, char ch, size_t start) const {
  pos = find(ch, start);
  return pos != NotFound;
}

bool COLstring::rfind(int& pos, const COLstring& pattern) const {
  pos = rfind(pattern);
  return pos != NotFound;
}

bool COLstring::rfind(int& pos, const COLstring& pattern, int start) const {
  pos = rfind(pattern, start);
  return pos != NotFound;
}

bool COLstring::find_last_of(int& pos, const COLstring& set, size_t start) const {
  pos = find_last_of(set, start);
  return pos != NotFound;
}

int COLstring::compare(const char* left, const char* right) { return compareTexts(left, right); }

int COLstring::compare_no_case(const char* other) const {
  if (other == nullptr) other = "";
  const unsigned char* l = reinterpret_cast<const unsigned char*>(text());
  const unsigned char* r = reinterpret_cast<const unsigned char*>(other);
  for (;; ++l, ++r) {
    int a = PLATtoupper(*l);
    int b = PLATtoupper(*r);
    if (a != b) return a - b;
    if (a == 0) return 0;
  }
}

int COLstring::compare_no_case(const COLstring& other) const {
  return compare_no_case(other.c_str());
}

bool COLstring::equals_no_case(const char* other) const { return compare_no_case(other) == 0; }

bool COLstring::equals_no_case(const COLstring& other) const {
  return compare_no_case(other.c_str()) == 0;
}

COLstring& COLstring::to_lower() {
  char* p = data();
  for (int i = 0; i < _length; ++i)
    p[i] = static_cast<char>(PLATtolower(static_cast<unsigned char>(p[i])));
  return *this;
}

COLstring& COLstring::to_upper() {
  char* p = data();
  for (int i = 0; i < _length; ++i)
    p[i] = static_cast<char>(PLATtoupper(static_cast<unsigned char>(p[i])));
  return *this;
}

COLstring COLstring::lowered() const {
  COLstring copy(*this);
  return copy.to_lower();
}

COLstring COLstring::uppered() const {
  COLstring copy(*this);
  return copy.to_upper();
}

COLstring COLstring::strip(int flags, char ch) const {
  if (_length == 0) return COLstring();
  const char* t = text();
  int first = 0;
  int last = _length - 1;
  if (flags & StripLeading) {
    while (first <= last && t[first] == ch) ++first;
    if (first > last) return COLstring();
  }
  if (flags & StripTrailing) {
    while (last >= first && t[last] == ch) --last;
  }
  return COLstring(t + first, last - first + 1);
}

COLstring COLstring::trim(const COLstring& text, bool leading, bool trailing) {
  const char* begin = text.c_str();
  const char* end = begin + text._length;
  if (leading)
    while (begin < end && isSpaceByte(*begin)) ++begin;
  if (trailing)
    while (end > begin && isSpaceByte(end[-1])) --end;
  return COLstring(begin, static_cast<int>(end - begin));
}

bool COLstring::is_blank() const {
  const char* t = text();
  for (int i = 0; i < _length; ++i)
    if (!isBlankByte(t[i])) return false;
  return true;
}

int COLstring::remove_char(char ch) {
  char* p = data();
  int kept = 0;
  for (int i = 0; p[i] != '\0'; ++i)
    if (p[i] != ch) p[kept++] = p[i];
  p[kept] = '\0';
  _length = kept;
  return kept;
}

void COLstring::replace_char(char from, char to) {
  char* p = data();
  for (int i = 0; i < _length; ++i)
    if (p[i] == from) p[i] = to;
}

int COLstring::replace_all(const COLstring& from, const COLstring& to) {
  const char* t = text();
  const char* pattern = from.c_str();
  // A pattern with an embedded NUL cannot occur in a C text.
  if (from._length == 0 || strlen(pattern) != static_cast<size_t>(from._length)) return 0;
  int count = 0;
  for (const char* p = strstr(t, pattern); p != nullptr; p = strstr(p + from._length, pattern))
    ++count;
  if (count == 0) return 0;

  COLstring result;
  // Worked out in 64 bits: count times the difference may pass what an int counts.
  result.make_room(_length + static_cast<long long>(count) * (to._length - from._length));
  const char* resume = t;
  for (const char* p = strstr(t, pattern); p != nullptr; p = strstr(resume, pattern)) {
    result.append(resume, static_cast<int>(p - resume));
    result.append(to.c_str(), to._length);
    resume = p + from._length;
  }
  result.append(resume, static_cast<int>(t + _length - resume));
  *this = result;
  return count;
}

// The splits build both parts before they assign either, so that an out-string may be
// the string itself.
void COLstring::split_at(COLstring& left, COLstring& right, int index) const {
  if (index > _length) {
    COLstring whole(*this);
    right.clear();
    left = whole;
    return;
  }
  COLstring head = substr(0, static_cast<unsigned>(index));
  COLstring tail = mid(index);
  left = head;
  right = tail;
}

bool COLstring::split_at_first(COLstring& left, COLstring& right, const char* separator) const {
  const char* found = separator == nullptr ? nullptr : strstr(text(), separator);
  if (found == nullptr) {
    COLstring whole(*this);
    right.clear();
    left = whole;
    return false;
  }
  int p = static_cast<int>(found - text());
  COLstring head = substr(0, static_cast<unsigned>(p));
  COLstring tail = mid(p + static_cast<int>(strlen(separator)));
  left = head;
  right = tail;
  return true;
}

bool COLstring::split_at_last(COLstring& left, COLstring& right, const char* separator) const {
  const char* last = nullptr;
  if (separator != nullptr && *separator != '\0') {
    size_t length = strlen(separator);
    for (const char* p = strstr(text(), separator); p != nullptr; p = strstr(p + length, separator))
      last = p;
  }
  if (last == nullptr) {
    COLstring whole(*this);
    left.clear();
    right = whole;
    return false;
  }
  int p = static_cast<int>(last - text());
  COLstring head = substr(0, static_cast<unsigned>(p));
  COLstring tail = mid(p + static_cast<int>(strlen(separator)));
  left = head;
  right = tail;
  return true;
}

bool operator==(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) == 0;
}
bool operator==(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) == 0;
}
bool operator!=(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) != 0;
}
bool operator!=(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) != 0;
}
bool operator<(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) < 0;
}
bool operator<(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) < 0;
}
bool operator>(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) > 0;
}
bool operator>(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) > 0;
}
bool operator<=(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) <= 0;
}
bool operator<=(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) <= 0;
}
bool operator>=(const COLstring& left, const char* right) {
  return compareTexts(left.c_str(), right) >= 0;
}
bool operator>=(const char* left, const COLstring& right) {
  return compareTexts(left, right.c_str()) >= 0;
}

bool COLstartsWith(const COLstring& String, const COLstring& Prefix) {
  if (String.size() < Prefix.size()) return false;
  return String.substr(0, static_cast<unsigned>(Prefix.size())) == Prefix;
}

COLstring COLstripPrefix(const COLstring& String, const COLstring& Prefix) {
  COL_PRECONDITION(String.size() >= Prefix.size() && String.substr(0, Prefix.size()) == Prefix,
                   947, "COLstring");
  return String.mid(Prefix.size());
}
