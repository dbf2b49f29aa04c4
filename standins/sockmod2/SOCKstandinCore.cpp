// The stand-in's shared machinery (SOCKstandinCore.h) and the part of its control
// interface that is not about the network.
#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinControl.h"

#include <cstring>
#include <map>

void SOCKencodingReset();
void SOCKloopsReset();

namespace {

std::atomic<int>* live_counts() {
  static std::atomic<int> counts[SOCKkindCount];
  return counts;
}

const char* const s_FunctionNames[] = {
#define SOCK_NAME(Name, Parameters) #Name,
    VRN_SOCKMOD_FUNCTIONS(SOCK_NAME)
#undef SOCK_NAME
};

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

VRNresult fail_injected(const std::string& description, const char* key, const std::string& value) {
  return key ? SOCKfail(description, key, value) : SOCKfail(description);
}

// Calls come from Java threads and from the stand-in's own I/O threads; the journal
// takes its own lock.
STANDINjournal& calls() {
  static STANDINjournal journal(s_FunctionNames, sizeof s_FunctionNames / sizeof *s_FunctionNames, fail_injected);
  return journal;
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

VRNresult SOCKenter(const char* name, std::initializer_list<STANDINarg> arguments) {
  return calls().enter(name, arguments);
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
  calls().reset();
  SOCKencodingReset();
  SOCKloopsReset();
}

bool SOCKstandinFailNext(const char* Function, const char* Description, const char* Key, const char* Value) {
  return calls().failNext(Function, Description, Key, Value);
}

bool SOCKstandinFailNextUnhandled(const char* Function) { return calls().failNextUnhandled(Function); }

const char* SOCKstandinJournal() { return calls().text(); }

int SOCKstandinCallCount(const char* Function) { return calls().callCount(Function); }

int SOCKstandinLiveCount(const char* Kind) {
  static const char* const names[SOCKkindCount] = {"listener", "connection", "client", "encoding", "error", "thread"};
  for (int i = 0; i < SOCKkindCount; ++i)
    if (Kind && std::strcmp(Kind, names[i]) == 0) return live_counts()[i];
  return -1;
}

}  // extern "C"
