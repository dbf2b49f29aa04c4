// The machinery the vrn_core and sockmod2 stand-ins share (their functions return
// VRNresult): the journal of calls with their arguments, the failures injected into the
// next call of a named function, and the way arguments are written into the journal. Each
// keeps one STANDINjournal and gives it its own list of function names and its own maker
// of error objects. The TLM stand-in keeps a journal and injections of its own.
#pragma once

#include "contracts/VRNlibraryContract.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One argument of a journalled call. The journal keeps it as the call gives it (a text's
// first bytes and its length, a pointer, a number) and writes it out only when a test
// reads the journal; an argument that is already a string (a literal, std::to_string) is
// kept as it is written. It only points at what it is made from: it lives for one call.
class STANDINarg {
public:
  enum Kind { Written, Text, Pointer, Number };

  STANDINarg(const std::string& written) : m_Kind(Written), m_Bytes(written.data()), m_Length(written.size()) {}
  STANDINarg(const char* written) : m_Kind(Written), m_Bytes(written), m_Length(std::strlen(written)) {}
  // Written as STANDINtext writes it.
  static STANDINarg text(const char* text);
  // Written as STANDINpointer writes it.
  static STANDINarg pointer(const void* value);
  static STANDINarg number(long long value);

  Kind kind() const { return m_Kind; }
  const char* bytes() const { return m_Bytes; }
  size_t length() const { return m_Length; }
  uint64_t value() const { return m_Value; }

private:
  STANDINarg(Kind kind, const char* bytes, size_t length, uint64_t value)
      : m_Kind(kind), m_Bytes(bytes), m_Length(length), m_Value(value) {}
  Kind m_Kind;
  const char* m_Bytes;  // Written and Text: the bytes; null for a null text
  size_t m_Length;      // the whole length of the text
  uint64_t m_Value = 0; // a pointer's bits, a number's value
};

// The journal keeps the last Capacity calls, and each text argument only up to
// STANDINtextLimit bytes (STANDINtext), so that a long run of big messages costs neither
// memory nor time. A call takes the lock of its own slot of the ring, not one lock of the
// whole journal, and copies its arguments' raw values into the slot's own buffers, which
// it reuses: once the ring has gone round, a call allocates nothing. The injections are
// looked at only while one waits.
class STANDINjournal {
public:
  // Makes a new error object with one reference; key is null for an error without a
  // parameter.
  using FailMaker = VRNresult (*)(const std::string& description, const char* key, const std::string& value);

  static constexpr size_t Capacity = 4096;

  STANDINjournal(const char* const* functions, size_t countOfFunction, FailMaker fail);
  STANDINjournal(const STANDINjournal&) = delete;
  STANDINjournal& operator=(const STANDINjournal&) = delete;

  // The entry step: journals "name args..." and returns the injected failure or null.
  VRNresult enter(const char* name, std::initializer_list<STANDINarg> arguments);

  // Forgets the injections, the journal and the counts.
  void reset();
  // False for a name that is not in the stand-in's list.
  bool failNext(const char* function, const char* description, const char* key, const char* value);
  bool failNextUnhandled(const char* function);
  // The lines kept since the last reset, oldest first, joined by '\n'; valid until the
  // next call of text on this journal.
  const char* text();
  // The calls since the last reset, also those that the ring no longer keeps.
  int callCount(const char* function);
  // The bytes of the lines the journal holds, as text() would join them without the '\n's.
  size_t byteCount();

private:
  struct Injection {
    bool unhandled = false;
    bool withKey = false;
    std::string description, key, value;
  };
  // An argument as a slot keeps it: bytes are at offset in the slot's bytes.
  struct Kept {
    STANDINarg::Kind kind;
    bool null;
    size_t offset, kept, length;
    uint64_t value;
  };
  struct Slot {
    std::mutex lock;
    uint64_t ticket = 0;  // the call's place in the order of calls; 0 for none
    std::string bytes;    // the name, then the bytes the arguments keep
    size_t nameLength = 0;
    std::vector<Kept> arguments;
    void write(std::string& line) const;
  };

  bool inject(const char* function, const Injection& injection);
  void count(const char* name);
  // Calls fn(ticket, line) for each line kept since the last reset, in no order.
  template <typename Fn>
  void eachLine(Fn fn);

  const char* const* m_Functions;
  size_t m_CountOfFunction;
  FailMaker m_Fail;
  std::unordered_map<std::string_view, size_t> m_Index;  // name -> place in m_Counts
  std::unique_ptr<std::atomic<int>[]> m_Counts;
  std::unique_ptr<Slot[]> m_Slots;
  std::atomic<uint64_t> m_Next{1};   // the ticket of the next call
  std::atomic<uint64_t> m_First{1};  // the first ticket since the last reset
  std::atomic<int> m_Waiting{0};     // injections not yet used
  std::mutex m_Lock;                 // the injections, the counts of unknown names, m_Text
  std::map<std::string, Injection> m_Injections;
  std::map<std::string, int> m_OtherCounts;
  std::string m_Text;
};

// How much of a text argument the journal keeps; a longer one is written as its first
// bytes, "..." and its length.
const size_t STANDINtextLimit = 256;

// Quoted and escaped, or "null"; past STANDINtextLimit bytes cut: "first bytes"...(N bytes).
std::string STANDINtext(const char* text);
// The same of a text of length bytes, of which the first kept (at most STANDINtextLimit)
// are given, appended to out.
void STANDINwriteText(std::string& out, const char* bytes, size_t kept, size_t length);
std::string STANDINpointer(const void* value); // "null", "all-ones" or hex

// Runs body, turning any exception into the all-ones handle, as the real libraries report
// what they could not describe.
template <typename Body>
VRNresult STANDINguard(Body body) {
  try {
    return body();
  } catch (...) {
    return VRNunhandledError();
  }
}

// The first line of every stand-in function: journal the call through enter and return an
// injected failure at once.
#define STANDIN_ENTER(enter, name, ...)                        \
  do {                                                         \
    if (VRNresult injected = enter(#name, {__VA_ARGS__}))      \
      return injected;                                         \
  } while (0)
