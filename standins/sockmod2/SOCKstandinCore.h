// What every function of the sockmod2 stand-in shares: the entry step (journal the call
// with its arguments, hand back an injected failure), its error objects (LEGerror, the one
// kind of error object that vrn_core's error functions read and release), the counts of
// live objects, the reference-counted base of its objects, and the texts its getters hand
// out. Every exported function is one guarded region: an exception becomes the all-ones
// handle, as the real library reports what it could not describe.
#pragma once

#include "LEG/LEGerror.h"
#include "contracts/VRNlibraryContract.h"
#include "standins/common/STANDINcore.h"

#include <atomic>
#include <string>
#include <vector>

enum SOCKkind { SOCKkindListener, SOCKkindConnection, SOCKkindClient, SOCKkindEncoding, SOCKkindError, SOCKkindThread, SOCKkindCount };

void SOCKcountUp(SOCKkind kind);
void SOCKcountDown(SOCKkind kind);

// The code of the stand-in's own failures; a failed socket call carries its WSAE* code.
const int SOCKgeneralCode = 0x80002000;

// A new error object with one reference, as the library returns it.
VRNresult SOCKfail(const std::string& description, int code = SOCKgeneralCode);
VRNresult SOCKfail(const std::string& description, const char* key, const std::string& value,
                   int code = SOCKgeneralCode);
// A failed socket call: "<call> failed" with the parameter "Code" and the WSAE* code.
VRNresult SOCKsocketFail(const char* call, int code);

// The entry step: journals "name args..." and returns an injected failure or null.
VRNresult SOCKenter(const char* name, std::initializer_list<STANDINarg> arguments);

// The arguments of SOCK_ENTER, kept raw and written out when a test reads the journal:
// quoted and escaped text or "null"; a pointer as "null", "all-ones" or hex; a number.
inline STANDINarg SOCKtextArg(const char* text) { return STANDINarg::text(text); }
inline STANDINarg SOCKpointerArg(const void* value) { return STANDINarg::pointer(value); }
inline STANDINarg SOCKnumberArg(long long value) { return STANDINarg::number(value); }
// The same written at once, for an error's parameter.
inline std::string SOCKtext(const char* text) { return STANDINtext(text); }
inline std::string SOCKpointer(const void* value) { return STANDINpointer(value); }

// A text a getter hands out: kept per thread and per getter, so it stays valid until the
// same thread asks the same getter again, whatever other threads do meanwhile.
const char* SOCKresult(const char* getter, const std::string& value);

// The base of the stand-in's objects: a reference count that starts at one, and a kind
// that each handle is checked against before use.
class SOCKobject {
public:
  explicit SOCKobject(SOCKkind kind);
  virtual ~SOCKobject();
  SOCKobject(const SOCKobject&) = delete;
  SOCKobject& operator=(const SOCKobject&) = delete;

  void addRef() { ++m_References; }
  void release();
  SOCKkind kind() const { return m_Kind; }
  bool alive() const { return m_Tag == Tag; }

protected:
  // Runs once at the last release, before the object is deleted.
  virtual void lastRelease() {}

private:
  static const uint32_t Tag = 0x534f434b;
  uint32_t m_Tag = Tag;
  SOCKkind m_Kind;
  std::atomic<int> m_References{1};
};

// A handle as an object of one kind, or null (with *error set) for null or another kind.
SOCKobject* SOCKobjectOf(VRNhandle handle, SOCKkind kind, VRNresult* error);

// A counted reference to a stand-in object, for events and lists.
template <typename T>
class SOCKref {
public:
  SOCKref() = default;
  explicit SOCKref(T* object, bool adopt = false) : m_Object(object) {
    if (m_Object && !adopt) m_Object->addRef();
  }
  SOCKref(const SOCKref& other) : SOCKref(other.m_Object) {}
  SOCKref(SOCKref&& other) noexcept : m_Object(other.m_Object) { other.m_Object = nullptr; }
  SOCKref& operator=(SOCKref other) {
    std::swap(m_Object, other.m_Object);
    return *this;
  }
  ~SOCKref() {
    if (m_Object) m_Object->release();
  }
  T* get() const { return m_Object; }
  T* operator->() const { return m_Object; }

private:
  T* m_Object = nullptr;
};

template <typename Body>
VRNresult SOCKguard(Body body) {
  return STANDINguard(body);
}
#define SOCK_ENTER(name, ...) STANDIN_ENTER(SOCKenter, name, ##__VA_ARGS__)

// Checks an out-argument, returning an error for a null one.
#define SOCK_NEED(pointer)                                                     \
  do {                                                                         \
    if ((pointer) == nullptr) return SOCKfail("Null argument", "Name", #pointer); \
  } while (0)

// The common body of a function on one kind of object: the handle checked, then the code
// with the object as `name`.
#define SOCK_WITH_OBJECT(Type, kind, name, handle, code)                 \
  return SOCKguard([&]() -> VRNresult {                                  \
    VRNresult error = nullptr;                                           \
    Type* name = static_cast<Type*>(SOCKobjectOf(handle, kind, &error)); \
    if (!name) return error;                                             \
    code                                                                 \
  })

// Create, AddRef and Release of one kind of object: VRN<what>Create(VRNhandle* Param) and
// the other two on a handle named Param.
#define SOCK_OBJECT_LIFETIME(what, Type, kind, Param)                                        \
  VRNresult VRN##what##Create(VRNhandle* Param) {                                            \
    SOCK_ENTER(VRN##what##Create);                                                           \
    return SOCKguard([&]() -> VRNresult {                                                    \
      SOCK_NEED(Param);                                                                      \
      *Param = static_cast<SOCKobject*>(new Type());                                         \
      return nullptr;                                                                        \
    });                                                                                      \
  }                                                                                          \
  VRNresult VRN##what##AddRef(VRNhandle Param) {                                             \
    SOCK_ENTER(VRN##what##AddRef, SOCKpointerArg(Param));                                       \
    SOCK_WITH_OBJECT(SOCKobject, kind, object, Param, object->addRef(); return nullptr;);   \
  }                                                                                          \
  VRNresult VRN##what##Release(VRNhandle Param) {                                            \
    SOCK_ENTER(VRN##what##Release, SOCKpointerArg(Param));                                      \
    SOCK_WITH_OBJECT(SOCKobject, kind, object, Param, object->release(); return nullptr;);  \
  }
