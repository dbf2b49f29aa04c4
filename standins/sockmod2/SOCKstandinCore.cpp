// The stand-in's shared machinery (SOCKstandinCore.h) and the part of its control
// interface that is not about the network.
#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinControl.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

void SOCKencodingReset();
void SOCKloopsReset();

namespace {

struct Injection {
  bool unhandled = false;
  std::string description, key, value;
};

// Calls come from Java threads and from the stand-in's own I/O threads: one lock for all.
std::mutex& state_lock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, Injection>& injections() {
  static std::map<std::string, Injection> map;
  return map;
}
std::vector<std::string>& journal() {
  static std::vector<std::string> lines;
  return lines;
}
std::atomic<int>* live_counts() {
  static std::atomic<int> counts[SOCKkindCount];
  return counts;
}

const char* const s_FunctionNames[] = {
#define SOCK_NAME(Name, Parameters) #Name,
    VRN_SOCKMOD_FUNCTIONS(SOCK_NAME)
#undef SOCK_NAME
};

bool is_function(const char* name) {
  for (const char* known : s_FunctionNames)
    if (std::strcmp(known, name) == 0) return true;
  return false;
}

// An error the stand-in makes, counted while it lives; vrn_core deletes it at the last
// release through the virtual destructor, which is ours.
class SOCKerror : public LEGerror {
public:
  SOCKerror(const std::string& description, int code)
      : LEGerror(COLstring(description.c_str(), int(description.size())), code) {
    SOCKcountUp(SOCKkindError);
  }
  ~SOCKerror() override { SOCKcountDown(SOCKkindError); }
};

VRNresult hand_out(SOCKerror* error) {
  error->add_ref();
  return static_cast<LEGerror*>(error);
}

bool inject(const char* function, const Injection& injection) {
  if (function == nullptr || !is_function(function)) return false;
  std::lock_guard<std::mutex> hold(state_lock());
  injections()[function] = injection;
  return true;
}

}  // namespace

void SOCKcountUp(SOCKkind kind) { ++live_counts()[kind]; }
void SOCKcountDown(SOCKkind kind) { --live_counts()[kind]; }

VRNresult SOCKfail(const std::string& description, int code) { return hand_out(new SOCKerror(description, code)); }

VRNresult SOCKfail(const std::string& description, const char* key, const std::string& value, int code) {
  SOCKerror* error = new SOCKerror(description, code);
  error->setParameter(COLstring(key), COLstring(value.c_str(), int(value.size())));
  return hand_out(error);
}

VRNresult SOCKsocketFail(const char* call, int code) {
  return SOCKfail(std::string(call) + " failed", "Code", std::to_string(code), code);
}

VRNresult SOCKenter(const char* name, const std::vector<std::string>& arguments) {
  Injection injection;
  bool injected = false;
  {
    std::lock_guard<std::mutex> hold(state_lock());
    std::string line = name;
    for (const std::string& argument : arguments) line += " " + argument;
    journal().push_back(line);
    auto found = injections().find(name);
    if (found != injections().end()) {
      injection = found->second;
      injections().erase(found);
      injected = true;
    }
  }
  if (!injected) return nullptr;
  if (injection.unhandled) return VRNunhandledError();
  if (injection.key.empty()) return SOCKfail(injection.description);
  return SOCKfail(injection.description, injection.key.c_str(), injection.value);
}

std::string SOCKtext(const char* text) {
  if (text == nullptr) return "null";
  std::string out = "\"";
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') { out += '\\'; out += char(c); }
    else if (c < 0x20 || c >= 0x7F) { char buffer[8]; std::snprintf(buffer, sizeof buffer, "\\x%02X", c); out += buffer; }
    else out += char(c);
  }
  return out + "\"";
}

std::string SOCKpointer(const void* value) {
  if (value == nullptr) return "null";
  if (value == VRNunhandledError()) return "all-ones";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", value);
  return buffer;
}

const char* SOCKresult(const char* getter, const std::string& value) {
  thread_local std::map<std::string, std::string> results;
  std::string& kept = results[getter];
  kept = value;
  return kept.c_str();
}

SOCKobject::SOCKobject(SOCKkind kind) : m_Kind(kind) { SOCKcountUp(kind); }
SOCKobject::~SOCKobject() {
  m_Tag = 0;
  SOCKcountDown(m_Kind);
}

void SOCKobject::release() {
  if (--m_References == 0) {
    lastRelease();
    delete this;
  }
}

SOCKobject* SOCKobjectOf(VRNhandle handle, SOCKkind kind, VRNresult* error) {
  static const char* const names[SOCKkindCount] = {"listener", "connection", "client", "encoding", "", ""};
  SOCKobject* object = static_cast<SOCKobject*>(handle);
  if (object == nullptr || VRNisUnhandledError(handle)) {
    *error = SOCKfail("Null handle", "Kind", names[kind]);
    return nullptr;
  }
  if (!object->alive() || object->kind() != kind) {
    *error = SOCKfail(std::string("Not a ") + names[kind], "Handle", SOCKpointer(handle));
    return nullptr;
  }
  return object;
}

extern "C" {

void SOCKstandinReset() {
  {
    std::lock_guard<std::mutex> hold(state_lock());
    injections().clear();
    journal().clear();
  }
  SOCKencodingReset();
  SOCKloopsReset();
}

bool SOCKstandinFailNext(const char* Function, const char* Description, const char* Key, const char* Value) {
  Injection injection;
  injection.description = Description ? Description : "";
  if (Key) {
    injection.key = Key;
    injection.value = Value ? Value : "";
  }
  return inject(Function, injection);
}

bool SOCKstandinFailNextUnhandled(const char* Function) {
  Injection injection;
  injection.unhandled = true;
  return inject(Function, injection);
}

const char* SOCKstandinJournal() {
  static std::string text;
  std::lock_guard<std::mutex> hold(state_lock());
  text.clear();
  for (const std::string& line : journal()) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text.c_str();
}

int SOCKstandinCallCount(const char* Function) {
  std::lock_guard<std::mutex> hold(state_lock());
  std::string name = Function ? Function : "";
  int count = 0;
  for (const std::string& line : journal())
    if (line.compare(0, name.size(), name) == 0 && (line.size() == name.size() || line[name.size()] == ' ')) ++count;
  return count;
}

int SOCKstandinLiveCount(const char* Kind) {
  static const char* const names[SOCKkindCount] = {"listener", "connection", "client", "encoding", "error", "thread"};
  for (int i = 0; i < SOCKkindCount; ++i)
    if (Kind && std::strcmp(Kind, names[i]) == 0) return live_counts()[i];
  return -1;
}

}  // extern "C"
