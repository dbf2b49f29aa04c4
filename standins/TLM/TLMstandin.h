// The stand-in TLM library for tests: the same exports as the engine's plug-in client
// library, over objects that count their references and keep what their setters set, and
// this control interface to watch the calls, inject failures and raise events.
#pragma once

#include "contracts/TLMclient.h"

extern "C" {

// Objects. A kind is the object's function stem without "TLM" ("logQuery",
// "destinationMessageReceivedEventOutputs", "exception", ...); null or "" counts all.
TLM_API int TLMstandinLiveCount(const char* Kind);
TLM_API long long TLMstandinRefCount(TLMhandle Handle);  // -1 when the handle is not live
TLM_API int TLMstandinListenerCount(TLMhandle Endpoint);

// Clears the journal, the injections, the preset query result and the event records;
// live objects stay, since callers may still hold their handles.
TLM_API void TLMstandinReset(void);

// The call journal: one entry per call of an exported library function, "Function arg ...":
// handles and user values as 0x..., texts as their bytes in lower-case hex between double
// quotes (null as null), bools 0/1, ints in decimal, doubles with 17 digits, out-pointers &,
// callbacks as fn or null. The entry functions return the full length of the entry and
// copy what fits, NUL-terminated.
TLM_API int TLMstandinJournalCount(void);
TLM_API int TLMstandinJournalEntry(int Index, char* Buffer, int Size);

// Error injection: the next call of the named function returns without acting, with a new
// exception object carrying the description, with TLM_UNHANDLED_ERROR, or (text getters
// only) with success and a null text.
TLM_API void TLMstandinInjectError(const char* Function, const char* Description);
TLM_API void TLMstandinInjectUnhandled(const char* Function);
TLM_API void TLMstandinInjectNullText(const char* Function);

// Values that no setter of the library sets: a field is the part of a getter's name after
// its stem and "Get" ("Description", "Message", "DueToError", ...). SetObject keeps one
// reference of its own to the object.
TLM_API void TLMstandinSetText(TLMhandle Handle, const char* Field, const char* Utf8);
TLM_API void TLMstandinSetBool(TLMhandle Handle, const char* Field, int Value);
TLM_API void TLMstandinSetInt(TLMhandle Handle, const char* Field, int Value);
TLM_API void TLMstandinSetDouble(TLMhandle Handle, const char* Field, double Value);
TLM_API void TLMstandinSetObject(TLMhandle Handle, const char* Field, TLMhandle Object);
// The field as the journal renders values; -1 and nothing copied when unset.
TLM_API int TLMstandinGetField(TLMhandle Handle, const char* Field, char* Buffer, int Size);

// The result that TLMlogQueryExecute hands out (each time with a reference for the
// caller), and log messages added to its end. Both return handles the stand-in owns.
TLM_API TLMhandle TLMstandinPresetQueryResult(int Success, const char* ErrorDescription);
TLM_API TLMhandle TLMstandinPresetAddMessage(TLMhandle Result);

// Events, in the order of the six callbacks.
enum {
  TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED = 0,
  TLM_STANDIN_DESTINATION_RESUBMISSION_PREVIEW = 1,
  TLM_STANDIN_DESTINATION_DISCONNECTED = 2,
  TLM_STANDIN_SOURCE_MESSAGE_REQUESTED = 3,
  TLM_STANDIN_SOURCE_MESSAGE_REQUEST_COMPLETED = 4,
  TLM_STANDIN_SOURCE_DISCONNECTED = 5
};
// Where the callbacks run: on the caller's thread, on one new native thread (joined before
// returning), or on Threads new native threads at once (all joined).
enum { TLM_STANDIN_CALLER_THREAD = 0, TLM_STANDIN_NEW_THREAD = 1, TLM_STANDIN_THREADS = 2 };

// The callback registered for the event, null when none is.
TLM_API void* TLMstandinCallback(int Event);

// Calls the event's registered callback once per listener of the endpoint, PerThread
// times on each thread; a listener removed meanwhile gets no more calls. Message events
// get fresh inputs and outputs objects (the inputs filled with the texts below), alive for
// the call only. Returns the number of callbacks made, or -1 when the endpoint is not of
// the event's kind or no callback is registered.
TLM_API int TLMstandinFire(int Event, TLMhandle Endpoint, int Mode, int Threads, int PerThread);

// One record per callback made: "event=N user=0x... inputs=0x... outputs=0x...
// result=0x... outputs{Field=value ...}", the outputs as the listener left them, fields in
// byte order, rendered as in the journal (added log messages joined by ",").
TLM_API int TLMstandinEventCount(void);
TLM_API int TLMstandinEventRecord(int Index, char* Buffer, int Size);

// Called on the callback's thread right after each callback returns.
typedef void (*TLMstandinHook)(void* Context);
TLM_API void TLMstandinSetAfterCallbackHook(TLMstandinHook Hook, void* Context);

}  // extern "C"

// The inputs that fired message events carry (UTF-8, non-ASCII on purpose).
#define TLM_STANDIN_MESSAGE "MSH|Gr\xC3\xBC\xC3\x9F" "e|\xE6\x9D\xB1\xE4\xBA\xAC|\xF0\x9F\x98\x80"
#define TLM_STANDIN_MESSAGE_LOG_ID "log-\xCE\xA9-7"
#define TLM_STANDIN_PLUGIN_MESSAGE_ID "plugin-\xC3\xA9-1"
