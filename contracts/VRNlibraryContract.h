// The functions of vrn_core (HL7 engine, tables, configurations, date-times, errors and
// text conversion) and of sockmod2 (LLP listener, connection, client, translation locale)
// as vrn_java calls them: one list per library, one line per function with its arguments.
// Every function returns an error handle: null for success, the all-ones value for an
// unexpected exception caught inside the library, otherwise an error object that carries
// one reference for the caller and is read and released through vrn_core's error functions
// (a LEGerror made on the heap by the bridge is such an object too).
//
// Widths are fixed here once: vrn_core's indices and small integers cross as 64-bit
// signed values, sockmod2's ports, identifiers, addresses and counts as 32-bit int, flags
// as one byte, UTF-16 text as 16-bit units on every platform (never wchar_t, which is
// 32 bits wide on Linux).
#pragma once

#include <cstdint>

#ifndef VRN_LIBRARY_EXPORT
#define VRN_LIBRARY_EXPORT
#endif

typedef void* VRNhandle;    // any object of either library, reference-counted
typedef void* VRNresult;    // the error handle every function returns
typedef uint16_t VRNunit;   // one UTF-16 code unit; the same type as jchar

// The value of an error handle for an exception that the library caught but could not
// describe; it is no object and is never read or released.
inline VRNresult VRNunhandledError() { return reinterpret_cast<VRNresult>(~uintptr_t(0)); }
inline bool VRNisUnhandledError(VRNresult Result) { return Result == VRNunhandledError(); }

extern "C" {
// vrn_core calls this for each log line of an engine, on whatever thread logs it.
typedef void (*VRNengineLogCallback)(void* UserValue, const char* Line);

// sockmod2's process-wide event callbacks; each gets the user value registered for the
// object, then the event's arguments, and returns an int (the bridge returns 0).
typedef int (*VRNlistenerErrorCallback)(void* UserValue, const char* Text, int Code);
typedef int (*VRNlistenerConnectionCallback)(void* UserValue, VRNhandle Connection);
typedef int (*VRNlistenerConnectionErrorCallback)(void* UserValue, VRNhandle Connection,
                                                  const char* Text, int Code);
typedef int (*VRNlistenerConnectionTextCallback)(void* UserValue, VRNhandle Connection,
                                                 const char* Text);
typedef int (*VRNclientEventCallback)(void* UserValue);
typedef int (*VRNclientTextCallback)(void* UserValue, const char* Text);
typedef int (*VRNclientErrorCallback)(void* UserValue, const char* Text, int Code);
}

// X(name, parenthesised parameter list)
#define VRN_CORE_FUNCTIONS(X)                                                              \
  /* errors and references; any error handle of either library, or a bridge LEGerror */   \
  X(VRNerrorGetDescription, (VRNhandle Error, const char** Text))                          \
  X(VRNerrorGetParameter, (VRNhandle Error, const char* Key, const char** Text))           \
  X(VRNerrorGetCountOfParameter, (VRNhandle Error, int* Count))                            \
  X(VRNerrorGetKey, (VRNhandle Error, int64_t Index, const char** Text))                   \
  X(VRNreferenceAddRef, (VRNhandle Object))                                                \
  X(VRNreferenceRelease, (VRNhandle Object))                                               \
  X(VRNerrorRelease, (VRNhandle Error))                                                    \
  X(VRNerrorCreate, (VRNhandle* Error, const char* Description))                           \
  /* text conversion; the lengths count units or bytes without the terminating NUL */      \
  X(VRNwideCharToMultiByte, (const VRNunit* Text, int64_t Length, char** Result))          \
  X(VRNmultiByteFree, (char* Text))                                                        \
  X(VRNmultiByteToWideChar, (const char* Text, int64_t Length, VRNunit** Result))          \
  X(VRNwideCharFree, (VRNunit* Text))                                                      \
  /* engine */                                                                             \
  X(VRNengineCreate, (VRNhandle* Engine))                                                  \
  X(VRNengineAddRef, (VRNhandle Engine))                                                   \
  X(VRNengineRelease, (VRNhandle Engine))                                                  \
  X(VRNengineSetLogCallBackPerEngine,                                                      \
    (VRNhandle Engine, void* UserValue, VRNengineLogCallback Callback))                    \
  X(VRNengineLoad, (VRNhandle Engine, const char* FileName))                               \
  X(VRNengineParseMessageA,                                                                \
    (VRNhandle Engine, const char* Message, int64_t* MessageIndex, VRNhandle Table))       \
  X(VRNengineGenerateMessage,                                                              \
    (VRNhandle Engine, const char** Message, int64_t MessageIndex, VRNhandle Table))       \
  X(VRNengineCreateEmptyMessageTable,                                                      \
    (VRNhandle Engine, int64_t MessageIndex, VRNhandle Table))                             \
  X(VRNengineGetMinorVersion, (VRNhandle Engine, int64_t* Value))                          \
  X(VRNengineGetMajorVersion, (VRNhandle Engine, int64_t* Value))                          \
  X(VRNengineGetBuildNumber, (VRNhandle Engine, int64_t* Value))                           \
  X(VRNengineSetRejectBadSegmentGrammarFlag, (VRNhandle Engine, unsigned char Flag))       \
  X(VRNengineCountOfMessage, (VRNhandle Engine, int64_t* Count))                           \
  X(VRNengineMessageName, (VRNhandle Engine, int64_t Index, const char** Name))            \
  X(VRNengineTransformMessage,                                                             \
    (VRNhandle Engine, const char* Message, int64_t FromConfig, int64_t ToConfig,          \
     const char** Result, int64_t* SecondResult, int64_t Reserved))                        \
  X(VRNengineCountOfConfig, (VRNhandle Engine, int64_t* Count))                            \
  X(VRNengineConfigName, (VRNhandle Engine, int64_t Index, const char** Name))             \
  X(VRNengineGenerateAckFromMessage,                                                       \
    (VRNhandle Engine, const char* Message, const char** Ack))                             \
  X(VRNengineGetAckMessageIndex, (VRNhandle Engine, int64_t* Index))                       \
  X(VRNengineGetIgnoreMessageIndex, (VRNhandle Engine, int64_t* Index))                    \
  X(VRNengineConfig, (VRNhandle Engine, VRNhandle* Config))                                \
  X(VRNengineGetCurrentConfig, (VRNhandle Engine, int64_t* Index))                         \
  X(VRNengineSetCurrentConfig, (VRNhandle Engine, int64_t Index))                          \
  X(VRNengineSetOutgoingConfigIndex, (VRNhandle Engine, int64_t Index))                    \
  X(VRNengineSetIncomingConfigIndex, (VRNhandle Engine, int64_t Index))                    \
  X(VRNengineGetOutgoingConfigIndex, (VRNhandle Engine, int64_t* Index))                   \
  X(VRNengineGetIncomingConfigIndex, (VRNhandle Engine, int64_t* Index))                   \
  X(VRNengineGetMessage, (VRNhandle Engine, int64_t Index, VRNhandle* Message))            \
  X(VRNmessageGetCountOfIdentifier, (VRNhandle Message, int64_t* Count))                   \
  X(VRNmessageGetIdentValue, (VRNhandle Message, int64_t Index, const char** Value))       \
  X(VRNengineTranslateMessageToHl7StandardXml,                                             \
    (VRNhandle Engine, const char* Message, const char** Xml))                             \
  X(VRNengineTranslateHl7StandardXmlToMessage,                                             \
    (VRNhandle Engine, const char* Xml, const char** Message))                             \
  X(VRNengineGetTibcoSchema, (VRNhandle Engine, const char* FileName))                     \
  X(VRNengineSetPythonKeyValuePair, (VRNhandle Engine, const char* Key, const char* Value)) \
  X(VRNengineMakePrintable,                                                                \
    (VRNhandle Engine, const char* Message, const char* NewLine, const char** Printable))  \
  /* message tables; a cell is (first, second) in the order the caller gives */           \
  X(VRNtableCreate, (VRNhandle* Table))                                                    \
  X(VRNtableAddRef, (VRNhandle Table))                                                     \
  X(VRNtableRelease, (VRNhandle Table))                                                    \
  X(VRNtableName, (VRNhandle Table, const char** Name))                                    \
  X(VRNtableSubTable, (VRNhandle Table, int64_t First, int64_t Second, VRNhandle* Sub))    \
  X(VRNtableCountOfColumn, (VRNhandle Table, int64_t* Count))                              \
  X(VRNtableCountOfRow, (VRNhandle Table, int64_t* Count))                                 \
  X(VRNtableCountOfSubTable, (VRNhandle Table, int64_t* Count))                            \
  X(VRNtableColumnType, (VRNhandle Table, int64_t Column, int32_t* Type))                  \
  X(VRNtableColumnName, (VRNhandle Table, int64_t Column, const char** Name))              \
  X(VRNtableIsNull, (VRNhandle Table, int64_t First, int64_t Second, unsigned char* Flag)) \
  X(VRNtableState, (VRNhandle Table, int64_t First, int64_t Second, int32_t* State))       \
  X(VRNtableGetStringA, (VRNhandle Table, int64_t First, int64_t Second, const char** T))  \
  X(VRNtableGetDouble, (VRNhandle Table, int64_t First, int64_t Second, double* Value))    \
  X(VRNtableGetInteger, (VRNhandle Table, int64_t First, int64_t Second, int32_t* Value))  \
  X(VRNtableGetDateTime, (VRNhandle Table, int64_t First, int64_t Second, int64_t* Value)) \
  X(VRNtableSetDouble, (VRNhandle Table, int64_t First, int64_t Second, double Value))     \
  X(VRNtableSetInteger, (VRNhandle Table, int64_t First, int64_t Second, int32_t Value))   \
  X(VRNtableSetDateTime, (VRNhandle Table, int64_t First, int64_t Second, int64_t Value))  \
  X(VRNtableAddRow, (VRNhandle Table))                                                     \
  X(VRNtableDump, (VRNhandle Table, char** Buffer))                                        \
  X(VRNtableFreeBuffer, (char** Buffer))                                                   \
  X(VRNtableColumnIndex, (VRNhandle Table, const char* Name, int64_t* Index))              \
  X(VRNtableSetStringA, (VRNhandle Table, int64_t First, int64_t Second, const char* T))   \
  /* delimiter configurations, owned by their engine; characters are single bytes */      \
  X(VRNconfigGetCountOfLevel, (VRNhandle Config, int64_t* Count))                          \
  X(VRNconfigSetSepChar, (VRNhandle Config, int64_t Level, unsigned char Char))            \
  X(VRNconfigGetSepChar, (VRNhandle Config, int64_t Level, signed char* Char))             \
  X(VRNconfigSetRepeatChar, (VRNhandle Config, int64_t Level, int64_t Char))               \
  X(VRNconfigGetRepeatChar, (VRNhandle Config, int64_t Level, int32_t* Char))              \
  X(VRNconfigSetEscapeChar, (VRNhandle Config, unsigned char Char))                        \
  X(VRNconfigGetEscapeChar, (VRNhandle Config, signed char* Char))                         \
  /* date-times; zone, offset and null flag are 16-bit values */                          \
  X(VRNdateTimeCreate, (VRNhandle* DateTime))                                              \
  X(VRNdateTimeAddRef, (VRNhandle DateTime))                                               \
  X(VRNdateTimeRelease, (VRNhandle DateTime))                                              \
  X(VRNdateTimeGetDATE, (VRNhandle DateTime, double* Value))                               \
  X(VRNdateTimeGetZone, (VRNhandle DateTime, uint16_t* Zone))                              \
  X(VRNdateTimeGetOffsetInMinutes, (VRNhandle DateTime, uint16_t* Offset))                 \
  X(VRNdateTimeGetIsNull, (VRNhandle DateTime, uint16_t* Flag))                            \
  X(VRNdateTimeSetDATE, (VRNhandle DateTime, double Value))                                \
  X(VRNdateTimeSetSecondFraction, (VRNhandle DateTime, double Value))                      \
  X(VRNdateTimeSetZone, (VRNhandle DateTime, uint16_t Zone))                               \
  X(VRNdateTimeSetOffsetInMinutes, (VRNhandle DateTime, uint16_t First, uint16_t Second))  \
  X(VRNdateTimeFormat, (VRNhandle DateTime, const char* Pattern, const char** Text))

#define VRN_SOCKMOD_FUNCTIONS(X)                                                           \
  /* encoding object; the translation locale is process-wide and takes no object */       \
  X(VRNvarnelEncodingCreate, (VRNhandle* Encoding))                                        \
  X(VRNvarnelEncodingAddRef, (VRNhandle Encoding))                                         \
  X(VRNvarnelEncodingRelease, (VRNhandle Encoding))                                        \
  X(VRNvarnelEncodingGetCurrentTranslationLocale, (const char** Locale))                   \
  X(VRNvarnelEncodingSetCurrentTranslationLocale, (const char* Locale))                    \
  X(VRNvarnelEncodingCountOfTranslationLocale, (int* Count))                               \
  X(VRNvarnelEncodingTranslationLocale, (int Index, const char** Locale))                  \
  /* listener (server side) */                                                            \
  X(VRNlistenerCreate, (VRNhandle* Listener))                                              \
  X(VRNlistenerAddRef, (VRNhandle Listener))                                               \
  X(VRNlistenerRelease, (VRNhandle Listener))                                              \
  X(VRNlistenerAddListener, (VRNhandle Listener, void* UserValue))                         \
  X(VRNlistenerRemoveListener, (VRNhandle Listener, void* UserValue))                      \
  X(VRNlistenerGetPort, (VRNhandle Listener, int* Port))                                   \
  X(VRNlistenerGetHost, (VRNhandle Listener, const char** Host))                           \
  X(VRNlistenerSetHost, (VRNhandle Listener, const char* Host))                            \
  X(VRNlistenerGetHeaderBlock, (VRNhandle Listener, const char** Block))                   \
  X(VRNlistenerSetHeaderBlock, (VRNhandle Listener, const char* Block))                    \
  X(VRNlistenerGetTrailerBlock, (VRNhandle Listener, const char** Block))                  \
  X(VRNlistenerSetTrailerBlock, (VRNhandle Listener, const char* Block))                   \
  X(VRNlistenerGetIsListening, (VRNhandle Listener, unsigned char* Flag))                  \
  X(VRNlistenerGetConnection, (VRNhandle Listener, int Index, VRNhandle* Connection))      \
  X(VRNlistenerCountOfConnection, (VRNhandle Listener, int* Count))                        \
  X(VRNlistenerStopMessageLoop, (VRNhandle Listener))                                      \
  X(VRNlistenerRunMessageLoop, ())                                                         \
  X(VRNlistenerStartListen, (VRNhandle Listener, int Port))                                \
  X(VRNlistenerMakePrintable, (VRNhandle Listener, const char* Input, const char* NewLine, \
                               int Count, const char** Printable))                        \
  X(VRNlistenerStopListen, (VRNhandle Listener))                                           \
  X(VRNlistenerCloseAll, (VRNhandle Listener))                                             \
  X(VRNlistenerSetListenerErrorCallback, (VRNlistenerErrorCallback Callback))              \
  X(VRNlistenerSetConnectCallback, (VRNlistenerConnectionCallback Callback))               \
  X(VRNlistenerSetDisconnectCallback, (VRNlistenerConnectionCallback Callback))            \
  X(VRNlistenerSetConnectionErrorCallback, (VRNlistenerConnectionErrorCallback Callback))  \
  X(VRNlistenerSetMessageCallback, (VRNlistenerConnectionTextCallback Callback))           \
  X(VRNlistenerSetIgnoredDataCallback, (VRNlistenerConnectionTextCallback Callback))       \
  /* connection */                                                                        \
  X(VRNconnectionCreate, (VRNhandle* Connection))                                          \
  X(VRNconnectionAddRef, (VRNhandle Connection))                                           \
  X(VRNconnectionRelease, (VRNhandle Connection))                                          \
  X(VRNconnectionGetRemoteHostName, (VRNhandle Connection, const char** Host))             \
  X(VRNconnectionGetId, (VRNhandle Connection, int* Id))                                   \
  X(VRNconnectionGetRemoteIpAddress, (VRNhandle Connection, int* Address))                 \
  X(VRNconnectionGetRemoteIpAddressAsString, (VRNhandle Connection, const char** Address)) \
  X(VRNconnectionSendMessage, (VRNhandle Connection, const char* Message))                 \
  X(VRNconnectionClose, (VRNhandle Connection))                                            \
  X(VRNconnectionHardClose, (VRNhandle Connection))                                        \
  /* client */                                                                            \
  X(VRNclientCreate, (VRNhandle* Client))                                                  \
  X(VRNclientAddRef, (VRNhandle Client))                                                   \
  X(VRNclientRelease, (VRNhandle Client))                                                  \
  X(VRNclientAddListener, (VRNhandle Client, void* UserValue))                             \
  X(VRNclientRemoveListener, (VRNhandle Client, void* UserValue))                          \
  X(VRNclientGetHeaderBlock, (VRNhandle Client, const char** Block))                       \
  X(VRNclientSetHeaderBlock, (VRNhandle Client, const char* Block))                        \
  X(VRNclientGetTrailerBlock, (VRNhandle Client, const char** Block))                      \
  X(VRNclientSetTrailerBlock, (VRNhandle Client, const char* Block))                       \
  X(VRNclientGetIsConnected, (VRNhandle Client, unsigned char* Flag))                      \
  X(VRNclientStopMessageLoop, (VRNhandle Client))                                          \
  X(VRNclientRunMessageLoop, ())                                                           \
  X(VRNclientMakePrintable, (VRNhandle Client, const char* Input, const char* NewLine,     \
                             int Count, const char** Printable))                          \
  X(VRNclientConnect, (VRNhandle Client, const char* Host, int Port))                      \
  X(VRNclientClose, (VRNhandle Client))                                                    \
  X(VRNclientHardClose, (VRNhandle Client))                                                \
  X(VRNclientSendMessage, (VRNhandle Client, const char* Message))                         \
  X(VRNclientSetConnectCallback, (VRNclientEventCallback Callback))                        \
  X(VRNclientSetClosedCallback, (VRNclientEventCallback Callback))                         \
  X(VRNclientSetMessageCallback, (VRNclientTextCallback Callback))                         \
  X(VRNclientSetIgnoredDataCallback, (VRNclientTextCallback Callback))                     \
  X(VRNclientSetErrorCallback, (VRNclientErrorCallback Callback))

#define VRN_DECLARE_LIBRARY_FUNCTION(Name, Parameters) \
  VRN_LIBRARY_EXPORT VRNresult Name Parameters;
extern "C" {
VRN_CORE_FUNCTIONS(VRN_DECLARE_LIBRARY_FUNCTION)
VRN_SOCKMOD_FUNCTIONS(VRN_DECLARE_LIBRARY_FUNCTION)
}
