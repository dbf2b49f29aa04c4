// COLstring: the byte string of every deliverable. Short texts (capacity 16) live inside
// the object, longer ones in a heap block of at least 32 bytes that doubles as it grows;
// the text is always NUL-terminated, lengths and positions are int, and an embedded NUL
// counts like any other byte. The object never points into itself, so it may be moved
// byte for byte (LEGvector relies on that).
#pragma once

#include <cstddef>

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
