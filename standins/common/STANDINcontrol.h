// The control functions every stand-in exports for the tests, under its own prefix
// (VRNstandinReset, SOCKstandinReset, ...). What a reset forgets beyond the injections and
// the journal, and the kinds of live object, are each stand-in's own.
#pragma once

#include "contracts/VRNlibraryContract.h"

// Reset forgets the injections and the journal; live objects are left alone.
// FailNext: the next call of Function returns a new error object with the description
// and, when Key is not null, one parameter Key=Value; FailNextUnhandled: the all-ones
// handle. Both are false for a name that is no function of the stand-in's library.
// Journal: one line per call, "Name arg arg ...", lines joined by '\n', valid until the
// next call of Journal. CallCount: the calls of Function since the last reset. LiveCount:
// the objects of a kind still alive, -1 for an unknown kind.
#define STANDIN_CONTROL_FUNCTIONS(Prefix)                                                              \
  VRN_LIBRARY_EXPORT void Prefix##standinReset();                                                      \
  VRN_LIBRARY_EXPORT bool Prefix##standinFailNext(const char* Function, const char* Description,       \
                                                  const char* Key, const char* Value);                 \
  VRN_LIBRARY_EXPORT bool Prefix##standinFailNextUnhandled(const char* Function);                      \
  VRN_LIBRARY_EXPORT const char* Prefix##standinJournal();                                             \
  VRN_LIBRARY_EXPORT int Prefix##standinCallCount(const char* Function);                               \
  VRN_LIBRARY_EXPORT int Prefix##standinLiveCount(const char* Kind);
