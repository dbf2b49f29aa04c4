// COLostream: the formatting output stream over a sink that it owns or borrows. It writes
// texts, numbers, pointers and booleans (each inserter is exactly one write to the sink;
// the stream buffers nothing), keeps a number base, and ends lines with a configurable
// newline text followed by the current indentation. COLstandardError, COLstandardOutput
// and COLstandardOutput2 are the process-wide streams, made before anything else.
#pragma once

#include "COL/COLstring.h"

class COLsink;
class COLostreamPrivate;

class COLostream {
public:
  COLostream(COLsink* sink, bool owns);
  explicit COLostream(COLsink* sink);
  explicit COLostream(COLstring& target);
  COLostream(COLstring* target, bool ownsTarget);
  virtual ~COLostream();
  COLostream(const COLostream&) = delete;
  COLostream& operator=(const COLostream&) = delete;

  // Replaces the sink, deleting an owned previous one; the sink it has already is kept
  // as it is (only the ownership is taken as given).
  COLsink* set_sink(COLsink* pSink, bool owns);
  COLsink* sink() const;
  bool owns_sink() const;

  COLostream& operator<<(char value);
  COLostream& operator<<(unsigned char value);
  COLostream& operator<<(const char* text);
  COLostream& operator<<(const COLstring& text);
  COLostream& operator<<(const COLspan& span);
  COLostream& operator<<(int value);
  COLostream& operator<<(unsigned int value);
  COLostream& operator<<(short value);
  COLostream& operator<<(unsigned short value);
  // long is 32 bits on Windows and 64 here; each is written at its own width.
  COLostream& operator<<(long value);
  COLostream& operator<<(unsigned long value);
  COLostream& operator<<(long long value);
  COLostream& operator<<(unsigned long long value);
  COLostream& operator<<(float value);
  COLostream& operator<<(double value);
  COLostream& operator<<(const void* pointer);
  COLostream& operator<<(bool value);
  COLostream& operator<<(COLostream& (*manipulator)(COLostream&)) { return manipulator(*this); }

  COLostream& write(const char* data, unsigned length);
  unsigned newline();
  void flush();
  void indent();
  void outdent();
  void reset_indent();
  void set_indent_level(unsigned level);
  unsigned indent_level() const;
  void set_newline(const char* text);
  const char* newline_text() const;
  void set_indent_unit(const COLstring& unit);
  const COLstring& indent_unit() const;
  void set_base(int base);
  int base() const;
  bool is_decimal() const { return base() == 10; }

private:
  template <class T>
  COLostream& number(T value);

  COLostreamPrivate* pMember;
};

// Manipulators.
COLostream& flush(COLostream& stream);
COLostream& newline(COLostream& stream);
COLostream& hex(COLostream& stream);
COLostream& dec(COLostream& stream);
COLostream& indent(COLostream& stream);
COLostream& outdent(COLostream& stream);
COLostream& reset(COLostream& stream);

class COLostreamManip {
public:
  virtual ~COLostreamManip() {}
  virtual COLostream& apply(COLostream& stream) = 0;
};

template <class T>
class COLostreamManip1 : public COLostreamManip {
public:
  typedef COLostream& (*Function)(COLostream&, T);
  COLostreamManip1(Function function, const T& argument) : m_Function(function), m_Argument(argument) {}
  COLostream& apply(COLostream& stream) override { return m_Function(stream, m_Argument); }

private:
  Function m_Function;
  T m_Argument;
};

// A new manipulator, owned by the caller, that sets a stream's indent unit.
COLostreamManip1<COLstring>* with_indent_unit(const COLstring& unit);

// A stream that writes into a string of its own.
class COLostreamString : public COLostream {
public:
  COLostreamString();
  ~COLostreamString() override;
  const char* c_str() const { return m_String.c_str(); }
  COLstring& string() { return m_String; }

private:
  COLstring m_String;
};

extern COLostream COLstandardError;
extern COLostream COLstandardOutput;
extern COLostream COLstandardOutput2;

// Global objects of the deliverables that must exist after the standard streams (and be
// destroyed before them) are given an init priority above this one.
#define COL_STANDARD_STREAMS_INIT_PRIORITY 1000
