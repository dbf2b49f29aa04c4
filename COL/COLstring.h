// COLstring: the byte string of every deliverable. Short texts (capacity 16) live inside
// the object, longer ones in a heap block of at least 32 bytes that doubles as it grows
// (the rule of COLgrowth.h, up to a capacity of INT_MAX bytes: room past that is refused
// as a failed precondition, the string unchanged); the text is always NUL-terminated,
// lengths and positions are int, and an embedded NUL counts like any other byte. The
// object never points into itself, so it may be moved byte for byte (LEGvector relies on
// that).
//
// Searches, comparisons and splits read the text as a C text: they stop at the first NUL
// byte even when the length counts bytes behind it. A failed search gives -1.
//
// The common short cases are inline below: a short text made into a string, an append
// that fits the capacity and does not come from the string itself, and comparisons of two
// inline texts. Each takes exactly the road the out-of-line code would take (the same room
// asked, the same results); everything else goes to the out-of-line code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

  COLstring() { init(); }
  COLstring(const COLstring& other) {
    if (other.is_inline()) {
      _length = other._length;
      _capacity = InlineCapacity;
      memcpy(_u.internal, other._u.internal, InlineCapacity);
    } else {
      copy_heap(other);
    }
  }
  COLstring(const char* text) {
    if (text != nullptr) {
      make(text, static_cast<int>(strlen(text)));
    } else {
      init();
    }
  }
  COLstring(const char* data, int length) {
    if (data != nullptr) {
      make(data, length == -1 ? static_cast<int>(strlen(data)) : length);
    } else {
      init();
    }
  }
  COLstring(int count, char ch);
  COLstring(const COLspan& span) {
    if (span.length != 0 && span.data != nullptr) {
      make(span.data, static_cast<int>(span.length));
    } else {
      init();
    }
  }
  COLstring(const COLstring& src, size_t start, size_t length);
  explicit COLstring(int value);
  explicit COLstring(long value);
  explicit COLstring(unsigned long value);
  explicit COLstring(long long value);
  explicit COLstring(unsigned long long value);
  COLstring(const wchar_t* text);
  ~COLstring() {
    if (!is_inline()) delete[] _u.heap;
  }

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

  COLstring& append(const char* data, int length) {
    if (length > 0 && fits(length) && data != nullptr && !points_into_text(data)) {
      append_in_place(data, length);
      return *this;
    }
    return append_general(data, length);
  }
  COLstring& append(const char* text) {
    if (text == nullptr) return *this;
    return append(text, static_cast<int>(strlen(text)));
  }
  COLstring& append(const COLstring& other) { return append(other.c_str(), other._length); }
  COLstring& append(int count, char ch);
  COLstring& operator+=(const char* text) { return append(text); }
  COLstring& operator+=(const COLstring& other) { return append(other); }
  // Appends length bytes and returns length; a length that would take the string past
  // what an int counts is refused with a COLerror, the string unchanged.
  unsigned write(const char* data, unsigned length) {
    if (length != 0 && length <= static_cast<unsigned>(INT32_MAX) && fits(static_cast<int>(length)) &&
        data != nullptr && !points_into_text(data)) {
      append_in_place(data, static_cast<int>(length));
      return length;
    }
    return write_general(data, length);
  }

  // Appends the bytes, at most Most of them, that Write puts at the place it is given
  // (Write returns their number), and returns their number. When an append of Most bytes
  // would fit without growing, Write writes straight behind the text; otherwise it writes
  // into a buffer of Most bytes that then goes to write, growing the string as it does.
  template <int Most, class Writer>
  int append_written(Writer Write) {
    if (fits(Most)) {
      char* const end = (is_inline() ? _u.internal : _u.heap) + _length;
      const int written = Write(end);
      end[written] = '\0';
      _length += written;
      return written;
    }
    char buffer[Most];
    const int written = Write(buffer);
    if (written > 0) write(buffer, static_cast<unsigned>(written));
    return written;
  }

  COLstring& insert(int pos, const char* text);
  COLstring& replace(size_t pos, size_t count, const COLstring& with, size_t withStart, int withLength);
  COLstring& erase(size_t pos, size_t count);
  COLstring& erase_front(int n);
  void clear();
  void reset();
  // Room for n bytes of text and the terminator.
  void reserve(int n);
  void shrink(int CapacityHint);
  void resize(int NewSize) {
    if (NewSize >= _capacity) resize_past_capacity();
    (is_inline() ? _u.internal : _u.heap)[NewSize] = '\0';
    _length = NewSize;
  }
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

  // Whether two strings hold the same C text, and their order as COLstring::compare gives
  // it; two inline texts are read eight bytes a step, others go to the runtime's strcmp.
  static bool equal_texts(const COLstring& left, const COLstring& right) {
    if (left.is_inline() && right.is_inline()) return compare_inline(left, right, false) == 0;
    return strcmp(left.c_str(), right.c_str()) == 0;
  }
  static int order_texts(const COLstring& left, const COLstring& right) {
    if (left.is_inline() && right.is_inline()) return compare_inline(left, right, true);
    const int order = strcmp(left.c_str(), right.c_str());
    return (order > 0) - (order < 0);
  }

private:
  enum { InlineCapacity = 16, SmallestBlock = 32 };

  // The whole inline buffer is set, so that comparisons may read all of it.
  void init() {
    _length = 0;
    _capacity = InlineCapacity;
    memset(_u.internal, 0, InlineCapacity);
  }
  bool is_inline() const { return _capacity <= InlineCapacity; }
  const char* text() const { return c_str(); }
  void set_length(int n);
  static bool is_end_marker(size_t value) { return value == npos; }
  bool points_into_text(const char* p) const { return p >= text() && p < text() + _length; }
  void assign_number(const char* digits);

  // Whether length more bytes fit with the room an append asks of reserve: the resulting
  // length + 1 for the text, and the terminator.
  bool fits(int length) const { return length < _capacity - _length - 1; }
  // Appends length bytes (more than 0) that fit and do not come from the string itself.
  void append_in_place(const char* data, int length) {
    char* end = (is_inline() ? _u.internal : _u.heap) + _length;
    copy_bytes(end, data, static_cast<size_t>(length));
    end[length] = '\0';
    _length += length;
  }
  // Makes the string from length bytes (-1 and lengths below 1 make the fresh string). A
  // text that stays inline with the room construction asks (length + 1) goes straight
  // into the buffer, as two words that also hold the NUL and zeros behind it.
  void make(const char* data, int length) {
    if (length > 0 && length <= InlineCapacity - 2) {
      make_inline(data, static_cast<size_t>(length));
    } else {
      init();
      append_general(data, length);
    }
  }
  void make_inline(const char* data, size_t n) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte is the lowest");
    uint64_t low, high = 0;
    if (n >= 8) {
      uint64_t tail;
      memcpy(&low, data, 8);
      memcpy(&tail, data + n - 8, 8);
      // The tail's top n - 8 bytes are the bytes from 8 on.
      if (n > 8) high = tail >> (8 * (16 - n));
    } else if (n >= 4) {
      uint32_t head, tail;
      memcpy(&head, data, 4);
      memcpy(&tail, data + n - 4, 4);
      low = head | static_cast<uint64_t>(tail) << (8 * (n - 4));
    } else {
      low = static_cast<uint64_t>(static_cast<unsigned char>(data[0])) |
            static_cast<uint64_t>(static_cast<unsigned char>(data[n / 2])) << (8 * (n / 2)) |
            static_cast<uint64_t>(static_cast<unsigned char>(data[n - 1])) << (8 * (n - 1));
    }
    memcpy(_u.internal, &low, 8);
    memcpy(_u.internal + 8, &high, 8);
    _length = static_cast<int>(n);
    _capacity = InlineCapacity;
  }
  // memcpy, with the short lengths done in place: two overlapping loads and stores. Where
  // a caller's buffer is short and its length unknown, the compiler warns of reads the
  // length test rules out.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
  static void copy_bytes(char* to, const char* from, size_t n) {
    if (n >= 8 && n <= 16) {
      uint64_t head, tail;
      memcpy(&head, from, 8);
      memcpy(&tail, from + n - 8, 8);
      memcpy(to, &head, 8);
      memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
      uint32_t head, tail;
      memcpy(&head, from, 4);
      memcpy(&tail, from + n - 4, 4);
      memcpy(to, &head, 4);
      memcpy(to + n - 4, &tail, 4);
    } else if (n > 0 && n < 4) {
      const char first = from[0], middle = from[n / 2], last = from[n - 1];
      to[0] = first;
      to[n / 2] = middle;
      to[n - 1] = last;
    } else if (n > 16) {
      memcpy(to, from, n);
    }
  }
#pragma GCC diagnostic pop
  // -1, 0 or 1 (or, when ordered is false, 0 or not 0) for two inline texts, compared
  // byte by byte up to left's first NUL. A NUL lies within every inline buffer, so the
  // second word always decides.
  static int compare_inline(const COLstring& left, const COLstring& right, bool ordered) {
    const int first = compare_words(left._u.internal, right._u.internal, ordered);
    if (first != Undecided) return first;
    const int second = compare_words(left._u.internal + 8, right._u.internal + 8, ordered);
    return second == Undecided ? 0 : second;
  }
  // The same for eight bytes, or Undecided when they are equal and hold no NUL. Bytes are
  // numbered from the lowest: little-endian.
  enum { Undecided = 2 };
  static int compare_words(const char* leftBytes, const char* rightBytes, bool ordered) {
    const uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    uint64_t l, r;
    memcpy(&l, leftBytes, 8);
    memcpy(&r, rightBytes, 8);
    // The lowest marked byte of nul is left's first NUL here; marks above it may be false,
    // the lowest never is.
    const uint64_t nul = (l - ones) & ~l & highs;
    const uint64_t diff = l ^ r;
    if (diff == 0) return nul == 0 ? Undecided : 0;
    // Equal up to and including left's NUL: equal texts. Each of the two lowest bits lies
    // in its byte, the NUL's at the byte's top, so the byte of the first difference lies
    // beyond the NUL's exactly when its bit is the higher.
    if (nul != 0 && (diff & (0 - diff)) > (nul & (0 - nul))) return 0;
    if (!ordered) return 1;
    const int shift = __builtin_ctzll(diff) & ~7;
    return ((l >> shift) & 0xFF) < ((r >> shift) & 0xFF) ? -1 : 1;
  }

  // reserve with n counted in 64 bits, so that the room an append works out from two
  // lengths never wraps.
  void make_room(long long n);
  void copy_heap(const COLstring& other);
  // The fatal assertion of resize.
  [[noreturn]] static void resize_past_capacity();
  COLstring& append_general(const char* data, int length);
  unsigned write_general(const char* data, unsigned length);

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
inline bool operator==(const COLstring& left, const COLstring& right) {
  return COLstring::equal_texts(left, right);
}
bool operator==(const COLstring& left, const char* right);
bool operator==(const char* left, const COLstring& right);
inline bool operator!=(const COLstring& left, const COLstring& right) {
  return !COLstring::equal_texts(left, right);
}
bool operator!=(const COLstring& left, const char* right);
bool operator!=(const char* left, const COLstring& right);
inline bool operator<(const COLstring& left, const COLstring& right) {
  return COLstring::order_texts(left, right) < 0;
}
bool operator<(const COLstring& left, const char* right);
bool operator<(const char* left, const COLstring& right);
inline bool operator>(const COLstring& left, const COLstring& right) {
  return COLstring::order_texts(left, right) > 0;
}
bool operator>(const COLstring& left, const char* right);
bool operator>(const char* left, const COLstring& right);
inline bool operator<=(const COLstring& left, const COLstring& right) {
  return COLstring::order_texts(left, right) <= 0;
}
bool operator<=(const COLstring& left, const char* right);
bool operator<=(const char* left, const COLstring& right);
inline bool operator>=(const COLstring& left, const COLstring& right) {
  return COLstring::order_texts(left, right) >= 0;
}
bool operator>=(const COLstring& left, const char* right);
bool operator>=(const char* left, const COLstring& right);

// True when String begins with Prefix.
bool COLstartsWith(const COLstring& String, const COLstring& Prefix);
// String without Prefix; String must begin with it (a failed precondition otherwise).
COLstring COLstripPrefix(const COLstring& String, const COLstring& Prefix);
