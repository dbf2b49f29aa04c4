// The control interface of the sockmod2 stand-in, for tests only: make the next call of a
// named library function fail (with a described error and its parameters, or with the
// all-ones handle), read the journal of calls with their arguments, count the objects and
// I/O threads still alive, and raise any listener or client event by hand, with texts the
// network would never produce (a null text, a chosen code), from the calling thread or a
// worker thread of the stand-in's own.
#pragma once

#include "contracts/VRNlibraryContract.h"
#include "standins/common/STANDINcontrol.h"

extern "C" {
// Reset also puts the translation locale back to its first entry and drops a
// message-loop stop that no loop has taken yet. Live kinds: "listener", "connection",
// "client", "encoding", "error" (errors the stand-in made) and "thread" (its accept and
// reader threads).
STANDIN_CONTROL_FUNCTIONS(SOCK)

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
