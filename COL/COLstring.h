// COLstring: the byte string of every deliverable. Short texts (capacity 16) live inside
// the object, longer ones in a heap block of at least 32 bytes that doubles as it grows;
// the text is always NUL-terminated, lengths and positions are int, and an embedded NUL
// counts like any other byte. The object never points into itself, so it may be moved
// byte for byte (LEGvector relies on that).
//
// Searches, comparisons and splits read the text as a C text: they stop at the first NUL
// byte even when the length counts bytes behind it. A failed search gives -1.
#pragma once

#include <cstddef>
#include <cstdint>

// A run of bytes that need not be NUL-terminated.
struct COLspan {
  const char* data;
  unsigned int length;
  COLspan(const char* Data, unsigned int Length) : data(Data), length(Length) {}
};

class COLstring {
public:
  // The unsigned length (and count) that means "up to the end": the 32 bits of -1.
  static const size_t npos = 4294967295u;

  COLstring();
  COLstring(const COLstring& other);
  COLstring(const char* text);
  COLstring(const char* data, int length);
  COLstring(int count, char ch);
  COLstring(const COLspan& span);
  COLstring(const COLstring& src, size_t start, size_t length);
  explicit COLstring(int value);
  explicit COLstring(long value);
  explicit COLstring(unsigned long value);
  explicit COLstring(long long value);
  explicit COLstring(unsigned long long value);
  COLstring(const wchar_t* text);
  ~COLstring();

  int size() const { return _length; }
  int capacity() const { return _capacity; }
  bool is_null() const { return _length == 0; }
  const char* c_str() const { return is_inline() ? _u.internal : _u.heap; }
  char* data() { return is_inline() ? _u.internal : _u.heap; }
  char& operator[](int CharIndex);
  const char& operator[](int CharIndex) const;
  char at(int pos) const;

  COLstring& operator=(const COLstring& other);
  COLstring& operator=(const char* text);
  COLstring& operator=(const wchar_t* text);
  COLstring& assign(const char* data, int length);
  COLstring& assign(int count, char ch);

  COLstring& append(const char* data, int length);
  COLstring& append(const char* text);
  COLstring& append(const COLstring& other);
  COLstring& append(int count, char ch);
  COLstring& operator+=(const char* text) { return append(text); }
  COLstring& operator+=(const COLstring& other) { return append(other); }
  // Appends length bytes and returns length; a length that would take the string past
  // what an int counts is refused with a COLerror, the string unchanged.
  unsigned write(const char* data, unsigned length);

  COLstring& insert(int pos, const char* text);
  COLstring& replace(size_t pos, size_t count, const COLstring& with, size_t withStart, int withLength);
  COLstring& erase(size_t pos, size_t count);
  COLstring& erase_front(int n);
  void clear();
  void reset();
  void reserve(int n);
  void shrink(int CapacityHint);
  void resize(int NewSize);
  void swap(COLstring& other);

  COLstring substr(int start, unsigned length) const;
  COLstring mid(int pos) const;

  // Forward searches: the position of the first match at or after start. An empty
  // pattern matches nothing; a start beyond the length finds nothing.
  int find(const char* pattern) const;
  int find(const COLstring& pattern) const;
  int find(const char* pattern, size_t start) const;
  int find(const COLstring& pattern, size_t start) const;
  int find(char ch, size_t start = 0) const;
  // The same text search with a 64-bit result: absence is npos, and an empty pattern is
  // found at start.
  uint64_t find_from(const char* pattern, size_t start) const;
  // The greatest position at or before start where pattern occurs; a start that is
  // negative or past the end means the last position.
  int rfind(const COLstring& pattern, int start) const;
  int rfind(const COLstring& pattern) const;
  // The greatest position at or before start (at most the last one) whose byte is in set.
  // A start of 0 finds nothing.
  int find_last_of(const COLstring& set, size_t start) const;

  // The searches above, storing the position (or -1) in pos; true when something was found.
  bool find(int& pos, const char* pattern) const;
  bool find(int& pos, const COLstring& pattern) const;
  bool find(int& pos, const char* pattern, size_t start) const;
  bool find(int& pos, const COLstring& pattern, size_t start) const;
  bool find(int& pos, char ch, size_t start) const;
  bool rfind(int& pos, const COLstring& pattern) const;
  bool rfind(int& pos, const COLstring& pattern, int start) const;
  bool find_last_of(int& pos, const COLstring& set, size_t start) const;

  // -1, 0 or 1 as left sorts before, equal to or after right, bytes taken as unsigned.
  static int compare(const char* left, const char* right);
  // Compares after upper-casing both sides (ASCII letters only): the difference of the
  // first differing pair, 0 when equal.
  int compare_no_case(const char* other) const;
  int compare_no_case(const COLstring& other) const;
  bool equals_no_case(const char* other) const;
  bool equals_no_case(const COLstring& other) const;

  // Case conversion of every byte, ASCII letters only; the first two change the string.
  COLstring& to_lower();
  COLstring& to_upper();
  COLstring lowered() const;
  COLstring uppered() const;

  enum { StripLeading = 1, StripTrailing = 2, StripBoth = 3 };
  // A copy without the leading and/or trailing run of ch (flags from the enum above).
  COLstring strip(int flags, char ch) const;
  // A copy of text without its leading and/or trailing white space.
  static COLstring trim(const COLstring& text, bool leading, bool trailing);
  // True when every byte is a space, tab, line feed or carriage return (or there is none).
  bool is_blank() const;

  // Removes every ch, stopping at the first NUL; returns the new length.
  int remove_char(char ch);
  void replace_char(char from, char to);
  // Replaces every (non-overlapping) occurrence of from by to; returns how many.
  int replace_all(const COLstring& from, const COLstring& to);

  // Each split writes left and right and leaves the string as it was; either out-string
  // may be the string itself. An index past the end puts everything on the left.
  void split_at(COLstring& left, COLstring& right, int index) const;
  // At the first occurrence; without one, everything goes left and the result is false.
  bool split_at_first(COLstring& left, COLstring& right, const char* separator) const;
  // At the last occurrence (scanning without overlaps); without one, everything goes
  // right and the result is false.
  bool split_at_last(COLstring& left, COLstring& right, const char* separator) const;

private:
  enum { InlineCapacity = 16, SmallestBlock = 32 };

  void init();
  bool is_inline() const { return _capacity <= InlineCapacity; }
  const char* text() const { return c_str(); }
  void set_length(int n);
  static bool is_end_marker(size_t value) { return value == npos; }
  bool points_into_text(const char* p) const { return p >= text() && p < text() + _length; }
  void assign_number(const char* digits);

  int _length;
  int _capacity;
  union {
    char* heap;
    char internal[InlineCapacity];
  } _u;
};

COLstring operator+(const COLstring& left, const COLstring& right);
COLstring operator+(const COLstring& left, const char* right);
COLstring operator+(const char* left, const COLstring& right);
COLstring operator+(const COLstring& left, char right);
COLstring operator+(char left, const COLstring& right);

// Byte-wise comparison of the texts up to their first NUL, bytes taken as unsigned. A null
// text pointer compares as the empty text.
bool operator==(const COLstring& left, const COLstring& right);
bool operator==(const COLstring& left, const char* right);
bool operator==(const char* left, const COLstring& right);
bool operator!=(const COLstring& left, const COLstring& right);
bool operator!=(const COLstring& left, const char* right);
bool operator!=(const char* left, const COLstring& right);
bool operator<(const COLstring& left, const COLstring& right);
bool operator<(const COLstring& left, const char* right);
bool operator<(const char* left, const COLstring& right);
bool operator>(const COLstring& left, const COLstring& right);
bool operator>(const COLstring& left, const char* right);
bool operator>(const char* left, const COLstring& right);
bool operator<=(const COLstring& left, const COLstring& right);
bool operator<=(const COLstring& left, const char* right);
bool operator<=(const char* left, const COLstring& right);
bool operator>=(const COLstring& left, const COLstring& right);
bool operator>=(const COLstring& left, const char* right);
bool operator>=(const char* left, const COLstring& right);

// True when String begins with Prefix.
bool COLstartsWith(const COLstring& String, const COLstring& Prefix);
// String without Prefix; String must begin with it (a failed precondition otherwise).
COLstring COLstripPrefix(const COLstring& String, const COLstring& Prefix);
