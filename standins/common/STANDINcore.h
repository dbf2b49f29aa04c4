// The machinery every library stand-in shares: the journal of calls with their arguments,
// the failures injected into the next call of a named function, and the way arguments
// are written into the journal. Each stand-in keeps one STANDINjournal and gives it its
// own list of function names and its own maker of error objects.
#pragma once

#include "hl7_bridge/VRNlibraryContract.h"

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class STANDINjournal {
public:
  // Makes a new error object with one reference; key is null for an error without a
  // parameter.
  using FailMaker = VRNresult (*)(const std::string& description, const char* key, const std::string& value);

  STANDINjournal(const char* const* functions, size_t countOfFunction, FailMaker fail);
  STANDINjournal(const STANDINjournal&) = delete;
  STANDINjournal& operator=(const STANDINjournal&) = delete;

  // The entry step: journals "name args..." and returns the injected failure or null.
  VRNresult enter(const char* name, const std::vector<std::string>& arguments);

  // Forgets the injections and the journal.
  void reset();
  // False for a name that is not in the stand-in's list.
  bool failNext(const char* function, const char* description, const char* key, const char* value);
  bool failNextUnhandled(const char* function);
  // The lines joined by '\n'; valid until the next call on this journal.
  const char* text();
  int callCount(const char* function);

private:
  struct Injection {
    bool unhandled = false;
    bool withKey = false;
    std::string description, key, value;
  };

  bool inject(const char* function, const Injection& injection);

  const char* const* m_Functions;
  size_t m_CountOfFunction;
  FailMaker m_Fail;
  // Calls come from Java threads and from the stand-ins' own threads: one lock for all.
  std::mutex m_Lock;
  std::map<std::string, Injection> m_Injections;
  std::vector<std::string> m_Lines;
  std::string m_Text;
};

std::string STANDINtext(const char* text);     // quoted and escaped, or "null"
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
