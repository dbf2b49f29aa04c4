// What every function of the vrn_core stand-in shares: the entry step (journal the call
// with its arguments, hand back an injected failure), the error objects (our own LEGerror,
// so that the bridge's heap LEGerror is a handle like any other), and the counts of live
// objects. Every exported function is one guarded region: an exception becomes the
// all-ones handle, as the real library reports what it could not describe.
#pragma once

#include "COL/COLrefCounted.h"
#include "LEG/LEGerror.h"
#include "contracts/VRNlibraryContract.h"
#include "standins/common/STANDINcore.h"

#include <atomic>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

enum VRNstandinKind {
  VRNkindEngine,
  VRNkindTable,
  VRNkindError,
  VRNkindMultiByte,
  VRNkindWide,
  VRNkindDateTime,
  VRNkindDump,
  VRNkindCount
};

// Counts one live object of a kind for as long as it lives.
class VRNstandinCounted {
public:
  explicit VRNstandinCounted(VRNstandinKind kind);
  VRNstandinCounted(const VRNstandinCounted& other);
  ~VRNstandinCounted();
  VRNstandinCounted& operator=(const VRNstandinCounted&) { return *this; }

private:
  VRNstandinKind m_Kind;
};

void VRNstandinCountUp(VRNstandinKind kind);
void VRNstandinCountDown(VRNstandinKind kind);

// An error the stand-in makes. It holds one reference when handed out.
class VRNstandinError : public LEGerror {
public:
  VRNstandinError(const std::string& description, int code);

private:
  VRNstandinCounted m_Counted;
};

// A new error object with one reference, as the library returns it.
VRNresult VRNstandinFail(const std::string& description, int code = 0x80001000);
VRNresult VRNstandinFail(const std::string& description, const char* key, const std::string& value,
                         int code = 0x80001000);

// The entry step: journals "name args..." and returns an injected failure or null.
VRNresult VRNstandinEnter(const char* name, std::initializer_list<STANDINarg> arguments);

// How arguments are written into the journal: quoted and escaped text or "null"; a
// pointer as "null", "all-ones" or hex.
inline std::string VRNstandinText(const char* text) { return STANDINtext(text); }
inline std::string VRNstandinPointer(const void* value) { return STANDINpointer(value); }

// What the flag getters write for a null value (a table cell's byte, a date-time's 16 bits).
unsigned char VRNstandinTableNullByte();
uint16_t VRNstandinDateTimeNullFlag();

// The live objects of one kind, with the references counted on them, under one lock. A
// handle is looked up here before any use, as the library checks its handles, and each
// call holds a reference of its own for its length: a release on another thread can
// neither free an object under a call nor let a later call reach a freed one (that call
// gets an error instead). Lives as long as the process: a call still running on some
// thread at exit may use it. T is a COLrefCounted; its handle is the COLrefCounted pointer.
template <typename T>
class VRNstandinLiveSet {
public:
  static VRNstandinLiveSet& get() {
    // In static storage and never destroyed: no heap block for a leak check to find once
    // the module is unloaded, and no destructor at exit.
    alignas(VRNstandinLiveSet) static unsigned char storage[sizeof(VRNstandinLiveSet)];
    static VRNstandinLiveSet* live = new (storage) VRNstandinLiveSet();
    return *live;
  }
  static VRNhandle handleOf(T* object) { return static_cast<COLrefCounted*>(object); }
  // A new object's first reference.
  void add(T* object) {
    std::lock_guard<std::mutex> hold(m_Lock);
    object->add_ref();
    m_Live.insert(handleOf(object));
  }
  // The object with one more reference, or null for a handle that names none.
  T* retain(VRNhandle handle) {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_Live.count(handle) == 0) return nullptr;
    T* object = static_cast<T*>(static_cast<COLrefCounted*>(handle));
    object->add_ref();
    return object;
  }
  // The first live object that owns answers true for, with one more reference, or null.
  template <typename Owns>
  T* retainWhere(Owns owns) {
    std::lock_guard<std::mutex> hold(m_Lock);
    for (VRNhandle handle : m_Live) {
      T* object = static_cast<T*>(static_cast<COLrefCounted*>(handle));
      if (owns(*object)) {
        object->add_ref();
        return object;
      }
    }
    return nullptr;
  }
  void drop(T* object) {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (object->ref_count() == 1) m_Live.erase(handleOf(object));
    object->release();
  }

private:
  VRNstandinLiveSet() = default;
  std::mutex m_Lock;
  std::set<VRNhandle> m_Live;
};

// One call's own reference to the object a handle names; empty for a handle that names
// none.
template <typename T>
class VRNstandinHeld {
public:
  explicit VRNstandinHeld(VRNhandle handle) : m_Object(handle ? VRNstandinLiveSet<T>::get().retain(handle) : nullptr) {}
  // Takes over a reference that retainWhere gave.
  struct Retained {
    T* object;
  };
  explicit VRNstandinHeld(Retained retained) : m_Object(retained.object) {}
  ~VRNstandinHeld() {
    if (m_Object) VRNstandinLiveSet<T>::get().drop(m_Object);
  }
  VRNstandinHeld(const VRNstandinHeld&) = delete;
  VRNstandinHeld& operator=(const VRNstandinHeld&) = delete;
  explicit operator bool() const { return m_Object != nullptr; }
  T& operator*() const { return *m_Object; }
  T* get() const { return m_Object; }

private:
  T* m_Object;
};

template <typename Body>
VRNresult VRNstandinGuard(Body body) {
  return STANDINguard(body);
}
#define VRN_STANDIN_ENTER(name, ...) STANDIN_ENTER(VRNstandinEnter, name, ##__VA_ARGS__)
