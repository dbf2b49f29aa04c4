// The control interface of the vrn_core stand-in, for tests only: make the next call of a
// named library function fail (with a described error and its parameters, with the
// all-ones handle), read the journal of calls with their arguments, count the objects
// still alive, and have an engine log a line from the calling thread or from a worker
// thread of the stand-in's own.
#pragma once

#include "contracts/VRNlibraryContract.h"
#include "standins/common/STANDINcontrol.h"

extern "C" {
// Reset leaves the null flags at 1 and 1 too. Live kinds: "engine", "table", "error"
// (errors the stand-in made), "multibyte" and "wide" (conversion results not yet freed),
// "datetime", "dump" (table dump buffers not yet given back).
STANDIN_CONTROL_FUNCTIONS(VRN)

// The reference count of any error object, the bridge's own LEGerror included.
VRN_LIBRARY_EXPORT int64_t VRNstandinReferenceCount(VRNhandle Error);

// What VRNtableIsNull and VRNdateTimeGetIsNull write for a null value (1 and 1 until the
// next reset), so that a flag other than 1 can be shown to read as true.
VRN_LIBRARY_EXPORT void VRNstandinSetNullFlags(unsigned char TableByte, uint16_t DateTimeFlag);

// Delivers one log line of the engine to its callback: on the calling thread, or on a new
// thread of the stand-in that is joined before the call returns.
VRN_LIBRARY_EXPORT void VRNstandinLog(VRNhandle Engine, const char* Line);
VRN_LIBRARY_EXPORT void VRNstandinLogFromWorker(VRNhandle Engine, const char* Line);
}
