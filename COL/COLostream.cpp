// The formatting stream, its manipulators and the process-wide standard streams.
#include "COL/COLostream.h"

#include "COL/COLerror.h"
#include "COL/COLsink.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <typeinfo>

class COLostreamPrivate {
public:
  int Base = 10;
  COLstring Newline{"\r\n"};
  COLstring IndentUnit{"   "};
  COLstring LinePrefix{"\r\n"};
  COLsink* Sink = nullptr;
  unsigned IndentLevel = 0;
  bool OwnsSink = false;
  // The target of the sink when the sink is a COLsinkString itself (no class derived from
  // it, which may write otherwise), else null. Its write is the string's write, which the
  // stream then calls directly, inlined, instead of through the sink's virtual write.
  COLstring* StringTarget = nullptr;

  void setSink(COLsink* sink, bool owns) {
    Sink = sink;
    OwnsSink = owns;
    StringTarget = sink != nullptr && typeid(*sink) == typeid(COLsinkString)
                       ? static_cast<COLsinkString*>(sink)->string()
                       : nullptr;
  }
  unsigned write(const char* data, unsigned length) {
    if (StringTarget != nullptr) return StringTarget->write(data, length);
    return Sink->write(data, length);
  }

  void rebuildPrefix() {
    LinePrefix = Newline;
    for (unsigned i = 0; i < IndentLevel; ++i) LinePrefix.append(IndentUnit);
  }
};

COLostream::COLostream(COLsink* sink, bool owns) : pMember(new COLostreamPrivate) {
  pMember->setSink(sink, owns);
}

COLostream::COLostream(COLsink* sink) : COLostream(sink, false) {}

COLostream::COLostream(COLstring& target) : COLostream(new COLsinkString(target), true) {}

COLostream::COLostream(COLstring* target, bool ownsTarget)
    : COLostream(new COLsinkString(target, ownsTarget), true) {}

COLostream::~COLostream() {
  if (pMember->OwnsSink) delete pMember->Sink;
  delete pMember;
}

COLsink* COLostream::set_sink(COLsink* pSink, bool owns) {
  COL_PRECONDITION(pSink != NULL, 200, "COLostream");
  // The sink it has already: deleting it would leave the stream writing into freed memory.
  if (pMember->OwnsSink && pMember->Sink != pSink) delete pMember->Sink;
  pMember->setSink(pSink, owns);
  return pSink;
}

COLsink* COLostream::sink() const { return pMember->Sink; }
bool COLostream::owns_sink() const { return pMember->OwnsSink; }

COLostream& COLostream::write(const char* data, unsigned length) {
  pMember->write(data, length);
  return *this;
}

namespace {

// The digits of value in base 16 as printf's %X and %x write them (no prefix, no leading
// zeros), ending at end; returns where they start. Two digits a step while more than two
// are left, then the last one or two.
template <class U>
char* hexDigits(char* end, U value, const char* digitSet) {
  while (value > 0xFF) {
    *--end = digitSet[value & 15];
    *--end = digitSet[(value >> 4) & 15];
    value = static_cast<U>(value >> 8);
  }
  *--end = digitSet[value & 15];
  if (value > 15) *--end = digitSet[value >> 4];
  return end;
}

const char UpperDigits[] = "0123456789ABCDEF";
const char LowerDigits[] = "0123456789abcdef";

// Room enough for the digits of any integer type.
const int NumberRoom = 24;

// The number of hexadecimal digits of value, at least one.
template <class U>
int hexDigitCount(U value) {
  const int bits = 64 - __builtin_clzll(static_cast<unsigned long long>(value) | 1);
  return (bits + 3) / 4;
}

// Writes value at at (which has NumberRoom bytes) and returns the end. Decimal is the
// value's own type through to_chars, as %i and %u write it; hexadecimal is the two's
// complement of the argument's own width, as %X, %hX, %lX and %llX write it.
template <class T>
char* numberText(char* at, T value, int base) {
  if (base == 10) return std::to_chars(at, at + NumberRoom, value).ptr;
  const auto bits = static_cast<typename std::make_unsigned<T>::type>(value);
  char* const end = at + hexDigitCount(bits);
  hexDigits(end, bits, UpperDigits);
  return end;
}

}  // namespace

// Into a string sink's string, the digits go by the string's own append_written (straight
// behind its text when they fit); into any other sink through a buffer and its write.
template <class T>
COLostream& COLostream::number(T value) {
  const int base = pMember->Base;
  if (COLstring* const target = pMember->StringTarget) {
    target->append_written<NumberRoom>([&](char* at) { return static_cast<int>(numberText(at, value, base) - at); });
    return *this;
  }
  char digits[NumberRoom];
  const char* const end = numberText(digits, value, pMember->Base);
  pMember->write(digits, static_cast<unsigned>(end - digits));
  return *this;
}

COLostream& COLostream::operator<<(char value) { return write(&value, 1); }
COLostream& COLostream::operator<<(unsigned char value) {
  return write(reinterpret_cast<const char*>(&value), 1);
}

COLostream& COLostream::operator<<(const char* text) {
  if (text == nullptr) return *this;
  return write(text, static_cast<unsigned>(strlen(text)));
}

COLostream& COLostream::operator<<(const COLstring& text) {
  return write(text.c_str(), static_cast<unsigned>(text.size()));
}

COLostream& COLostream::operator<<(const COLspan& span) { return write(span.data, span.length); }

COLostream& COLostream::operator<<(int value) { return number(value); }
COLostream& COLostream::operator<<(unsigned int value) { return number(value); }
COLostream& COLostream::operator<<(short value) { return number(value); }
COLostream& COLostream::operator<<(unsigned short value) { return number(value); }
COLostream& COLostream::operator<<(long value) { return number(value); }
COLostream& COLostream::operator<<(unsigned long value) { return number(value); }
COLostream& COLostream::operator<<(long long value) { return number(value); }
COLostream& COLostream::operator<<(unsigned long long value) { return number(value); }

COLostream& COLostream::operator<<(float value) { return *this << static_cast<double>(value); }

COLostream& COLostream::operator<<(double value) {
  char digits[512];
  int n = snprintf(digits, sizeof digits, "%f", value);
  return write(digits, static_cast<unsigned>(n));
}

COLostream& COLostream::operator<<(const void* pointer) {
  // Windows writes "%I64x": 0x and lower-case digits without leading zeros.
  char digits[24];
  char* const end = digits + sizeof digits;
  char* start = hexDigits(end, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)), LowerDigits);
  *--start = 'x';
  *--start = '0';
  return write(start, static_cast<unsigned>(end - start));
}

COLostream& COLostream::operator<<(bool value) { return *this << (value ? "True" : "False"); }

unsigned COLostream::newline() {
  return pMember->write(pMember->LinePrefix.c_str(), static_cast<unsigned>(pMember->LinePrefix.size()));
}

void COLostream::flush() { pMember->Sink->flush(); }

void COLostream::indent() { set_indent_level(pMember->IndentLevel + 1); }

void COLostream::outdent() {
  if (pMember->IndentLevel > 0) set_indent_level(pMember->IndentLevel - 1);
}

void COLostream::reset_indent() { set_indent_level(0); }

void COLostream::set_indent_level(unsigned level) {
  pMember->IndentLevel = level;
  pMember->rebuildPrefix();
}

unsigned COLostream::indent_level() const { return pMember->IndentLevel; }

void COLostream::set_newline(const char* text) {
  pMember->Newline = text;
  pMember->rebuildPrefix();
}

const char* COLostream::newline_text() const { return pMember->Newline.c_str(); }

void COLostream::set_indent_unit(const COLstring& unit) {
  pMember->IndentUnit = unit;
  pMember->rebuildPrefix();
}

const COLstring& COLostream::indent_unit() const { return pMember->IndentUnit; }
void COLostream::set_base(int base) { pMember->Base = base; }
int COLostream::base() const { return pMember->Base; }

COLostream& flush(COLostream& stream) {
  stream.flush();
  return stream;
}

COLostream& newline(COLostream& stream) {
  stream.newline();
  return stream;
}

COLostream& hex(COLostream& stream) {
  stream.set_base(16);
  return stream;
}

COLostream& dec(COLostream& stream) {
  stream.set_base(10);
  return stream;
}

COLostream& indent(COLostream& stream) {
  stream.indent();
  return stream;
}

COLostream& outdent(COLostream& stream) {
  stream.outdent();
  return stream;
}

COLostream& reset(COLostream& stream) {
  stream.reset_indent();
  return stream;
}

namespace {
COLostream& setIndentUnit(COLostream& stream, COLstring unit) {
  stream.set_indent_unit(unit);
  return stream;
}
}  // namespace

COLostreamManip1<COLstring>* with_indent_unit(const COLstring& unit) {
  return new COLostreamManip1<COLstring>(setIndentUnit, unit);
}

COLostreamString::COLostreamString() : COLostream(m_String) {}
COLostreamString::~COLostreamString() {}

// The standard streams come before every other global object of a deliverable, in this
// order, and so are destroyed after all of them: standard error last of all.
COLostream COLstandardError __attribute__((init_priority(COL_STANDARD_STREAMS_INIT_PRIORITY))) (new COLsinkStandardErr, true);
COLostream COLstandardOutput __attribute__((init_priority(COL_STANDARD_STREAMS_INIT_PRIORITY))) (new COLsinkStandardOut, true);
COLostream COLstandardOutput2 __attribute__((init_priority(COL_STANDARD_STREAMS_INIT_PRIORITY))) (new COLsinkStandardOut, true);
