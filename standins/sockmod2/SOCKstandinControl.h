// The control interface of the sockmod2 stand-in, for tests only: make the next call of a
// named library function fail (with a described error and its parameters, or with the
// all-ones handle), read the journal of calls with their arguments, count the objects and
// I/O threads still alive, and raise any listener or client event by hand, with texts the
// network would never produce (a null text, a chosen code), from the calling thread or a
// worker thread of the stand-in's own.
#pragma once

#include "hl7_bridge/VRNlibraryContract.h"

extern "C" {
// Forgets the injections and the journal, puts the translation locale back to its first
// entry and drops a message-loop stop that no loop has taken yet; live objects are left
// alone.
VRN_LIBRARY_EXPORT void SOCKstandinReset();

// The next call of Function returns a new error object with the description and, when Key
// is not null, one parameter Key=Value. False for a name that is no sockmod2 function.
VRN_LIBRARY_EXPORT bool SOCKstandinFailNext(const char* Function, const char* Description,
                                            const char* Key, const char* Value);
// The next call of Function returns the all-ones handle.
VRN_LIBRARY_EXPORT bool SOCKstandinFailNextUnhandled(const char* Function);

// The journal: one line per call, "Name arg arg ...", lines joined by '\n'. The text stays
// valid until the next call of this function.
VRN_LIBRARY_EXPORT const char* SOCKstandinJournal();
// How many times Function has been called since the last reset.
VRN_LIBRARY_EXPORT int SOCKstandinCallCount(const char* Function);

// Alive, by kind: "listener", "connection", "client", "encoding", "error" (errors the
// stand-in made) and "thread" (its accept and reader threads); -1 for another kind.
VRN_LIBRARY_EXPORT int SOCKstandinLiveCount(const char* Kind);

// Raises one event on a listener's road as the network would (through the message loop
// when one runs, else at once), on the calling thread or on a new thread of the stand-in
// that is joined before the call returns. Event is "listenerError", "connect",
// "disconnect", "connectionError", "message" or "ignoredData"; Connection and Text go to
// the callback as they are. False for an unknown event or a handle that is no listener.
VRN_LIBRARY_EXPORT bool SOCKstandinListenerEvent(VRNhandle Listener, const char* Event, VRNhandle Connection,
                                                 const char* Text, int Code, bool FromWorker);
// The same for a client: "connected", "closed", "message", "ignoredData" or "error".
VRN_LIBRARY_EXPORT bool SOCKstandinClientEvent(VRNhandle Client, const char* Event, const char* Text, int Code,
                                               bool FromWorker);
}
