// The engine's plug-in client library, TLM, as this bridge calls it: its 166 exported
// functions and the six callback types. Every working function returns an error handle:
// null is success, TLM_UNHANDLED_ERROR means the library caught something unexpected,
// anything else is an exception object whose reference passes to the caller.
#pragma once

// The library's builder defines TLM_API to export the functions; users import them
// through the import library, so the plain declaration is enough for them.
#ifndef TLM_API
#define TLM_API
#endif

extern "C" {

typedef void* TLMhandle;           // an object of the library
typedef void* TLMerror;            // null, TLM_UNHANDLED_ERROR, or an exception object
typedef unsigned char TLMbool;     // one byte, 0 or 1

#define TLM_UNHANDLED_ERROR ((TLMerror) ~(unsigned long long) 0)

// Callbacks: called on any thread with the user value given to AddListener; message
// events also carry their inputs and outputs objects. They return an error handle.
typedef TLMerror (*TLMdestinationMessageReceivedCallback)(void* UserValue, TLMhandle Inputs,
                                                          TLMhandle Outputs);
typedef TLMerror (*TLMdestinationResubmissionPreviewMessageReceivedCallback)(
    void* UserValue, TLMhandle Inputs, TLMhandle Outputs);
typedef TLMerror (*TLMdestinationDisconnectedCallback)(void* UserValue);
typedef TLMerror (*TLMsourceMessageRequestedCallback)(void* UserValue, TLMhandle Inputs,
                                                      TLMhandle Outputs);
typedef TLMerror (*TLMsourceMessageRequestCompletedCallback)(void* UserValue, TLMhandle Inputs,
                                                             TLMhandle Outputs);
typedef TLMerror (*TLMsourceDisconnectedCallback)(void* UserValue);

// The parameters of each shape of function the natives forward to (TLMnatives.def).
#define TLM_PARAMS_Create (TLMhandle* pHandle)
#define TLM_PARAMS_Reference (TLMhandle Handle)
#define TLM_PARAMS_Action (TLMhandle Handle)
#define TLM_PARAMS_TextGetter (TLMhandle Handle, const char** pValue)
#define TLM_PARAMS_MessageGetter (TLMhandle Handle, const char** pValue)
#define TLM_PARAMS_TextSetter (TLMhandle Handle, const char* Value)
#define TLM_PARAMS_BoolGetter (TLMhandle Handle, TLMbool* pValue)
#define TLM_PARAMS_BoolSetter (TLMhandle Handle, TLMbool Value)
#define TLM_PARAMS_IntGetter (TLMhandle Handle, int* pValue)
#define TLM_PARAMS_IntSetter (TLMhandle Handle, int Value)
#define TLM_PARAMS_DateGetter (TLMhandle Handle, double* pValue)
#define TLM_PARAMS_DateSetter (TLMhandle Handle, double Value)
#define TLM_PARAMS_ObjectGetter (TLMhandle Handle, TLMhandle* pObject)
#define TLM_PARAMS_IndexedObjectGetter (TLMhandle Handle, int Index, TLMhandle* pObject)
#define TLM_PARAMS_ExceptionCreate (void* Reserved, TLMhandle* pHandle, const char* Description)
#define TLM_PARAMS_AddListener (TLMhandle Handle, void* UserValue)
#define TLM_PARAMS_ListenerRelease (TLMhandle Handle)
#define TLM_PARAMS_Connect \
  (TLMhandle Handle, const char* HostName, int Port, const char* ChannelName)
#define TLM_PARAMS_WaitWithTimeout (TLMhandle Handle, int Timeout, TLMbool* pDisconnected)

// The 157 functions that a native bears the name of (PluginException's four forward to
// the exception functions).
#define TLM_NATIVE(Class, Method, Function, Shape, A, B) \
  TLM_API TLMerror Function TLM_PARAMS_##Shape;
#include "contracts/TLMnatives.def"
#undef TLM_NATIVE

// The nine that no native is named after.
TLM_API TLMerror TLMdestinationRemoveListener(TLMhandle Handle, void* UserValue);
TLM_API TLMerror TLMsourceRemoveListener(TLMhandle Handle, void* UserValue);
TLM_API TLMerror TLMdestinationSetMessageReceivedCallback(
    TLMdestinationMessageReceivedCallback Callback);
TLM_API TLMerror TLMdestinationSetResubmissionPreviewMessageReceivedCallback(
    TLMdestinationResubmissionPreviewMessageReceivedCallback Callback);
TLM_API TLMerror TLMdestinationSetDisconnectedCallback(TLMdestinationDisconnectedCallback Callback);
TLM_API TLMerror TLMsourceSetMessageRequestedCallback(TLMsourceMessageRequestedCallback Callback);
TLM_API TLMerror TLMsourceSetMessageRequestCompletedCallback(
    TLMsourceMessageRequestCompletedCallback Callback);
TLM_API TLMerror TLMsourceSetDisconnectedCallback(TLMsourceDisconnectedCallback Callback);
TLM_API TLMerror TLMcharacterEncodingSetCharacterEncoding(const char* EncodingName);

}  // extern "C"
