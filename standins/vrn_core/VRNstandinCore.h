// What every function of the vrn_core stand-in shares: the entry step (journal the call
// with its arguments, hand back an injected failure), the error objects (our own LEGerror,
// so that the bridge's heap LEGerror is a handle like any other), and the counts of live
// objects. Every exported function is one guarded region: an exception becomes the
// all-ones handle, as the real library reports what it could not describe.
#pragma once

#include "LEG/LEGerror.h"
#include "hl7_bridge/VRNlibraryContract.h"
#include "standins/common/STANDINcore.h"

#include <atomic>
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

template <typename Body>
VRNresult VRNstandinGuard(Body body) {
  return STANDINguard(body);
}
#define VRN_STANDIN_ENTER(name, ...) STANDIN_ENTER(VRNstandinEnter, name, ##__VA_ARGS__)
