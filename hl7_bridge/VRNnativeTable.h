// Every native method of vrn_java, one line each: its Java class, its method name, its
// shape (the whole road from the Java arguments to the library call and back, written once
// in VRNshapes.h), the library function it forwards to, and the names a null-string check
// reports. The list is expanded into the exports, into the stand-in's call table and into
// the tests' sweep, so the three cannot drift apart.
//
// X(Class, Method, Shape, LibraryFunction, VariableName, MethodName)
// For shapes whose null check names only the method, VariableName is empty.
#pragma once

#define VRN_ENGINE_NATIVES(X)                                                                                \
  /* direct, no text */                                                                                   \
  X(Engine, VRNengineAckMessageIndex, DirectIndexGetter, VRNengineGetAckMessageIndex, "", "")             \
  X(Engine, VRNengineIgnoreMessageIndex, DirectIndexGetter, VRNengineGetIgnoreMessageIndex, "", "")       \
  X(Engine, VRNengineConfigHandle, DirectHandleGetter, VRNengineConfig, "", "")                           \
  X(Engine, VRNengineConfigIndex, DirectIndexGetter, VRNengineGetCurrentConfig, "", "")                   \
  X(Engine, VRNengineSetConfigIndex, DirectIndexSetter, VRNengineSetCurrentConfig, "", "")                \
  X(Engine, VRNengineSetOutConfigIndex, DirectIndexSetter, VRNengineSetOutgoingConfigIndex, "", "")       \
  X(Engine, VRNengineSetInConfigIndex, DirectIndexSetter, VRNengineSetIncomingConfigIndex, "", "")        \
  X(Engine, VRNengineOutConfigIndex, DirectIndexGetter, VRNengineGetOutgoingConfigIndex, "", "")          \
  X(Engine, VRNengineInConfigIndex, DirectIndexGetter, VRNengineGetIncomingConfigIndex, "", "")           \
  X(Engine, VRNengineCountOfMessageIdentifier, DirectIdentifierCount, VRNmessageGetCountOfIdentifier, "", "") \
  /* guarded, no frame */                                                                                 \
  X(Engine, VRNengineCreate, EngineCreate, VRNengineCreate, "", "")                                       \
  X(Engine, VRNengineAddRef, GuardedCall, VRNengineAddRef, "", "")                                        \
  X(Engine, VRNengineAddListener, EngineAddListener, VRNengineSetLogCallBackPerEngine, "", "")            \
  X(Engine, VRNengineRelease, EngineRelease, VRNengineRelease, "", "")                                    \
  X(Engine, VRNengineLoad, GuardedTextSetter, VRNengineLoad, "FileName", "Load")                          \
  X(Engine, VRNengineParseMessage, EngineParse, VRNengineParseMessageA, "FlatWire", "ParseMessage")       \
  X(Engine, VRNengineGenerateMessage, EngineGenerate, VRNengineGenerateMessage, "", "")                   \
  X(Engine, VRNengineCreateEmptyMessageTable, GuardedIndexTableCall, VRNengineCreateEmptyMessageTable, "", "") \
  X(Engine, VRNengineGetMinorVersion, GuardedIntGetter, VRNengineGetMinorVersion, "", "")                 \
  X(Engine, VRNengineGetMajorVersion, GuardedIntGetter, VRNengineGetMajorVersion, "", "")                 \
  X(Engine, VRNengineGetBuildNumber, GuardedIntGetter, VRNengineGetBuildNumber, "", "")                   \
  X(Engine, VRNengineSetRejectBadSegmentGrammarFlag, GuardedFlagSetter, VRNengineSetRejectBadSegmentGrammarFlag, "", "") \
  X(Engine, VRNengineCountOfMessage, GuardedIntGetter, VRNengineCountOfMessage, "", "")                   \
  X(Engine, VRNengineMessageName, GuardedIndexTextGetter, VRNengineMessageName, "", "")                   \
  X(Engine, VRNengineTransformMessage, EngineTransform, VRNengineTransformMessage, "IncomingMessage", "TransformMessage") \
  X(Engine, VRNengineGetCountOfConfig, GuardedIntGetter, VRNengineCountOfConfig, "", "")                  \
  X(Engine, VRNengineGetNameOfConfig, GuardedIndexTextGetter, VRNengineConfigName, "", "")                \
  X(Engine, VRNengineGenerateAckFromMessage, GuardedTextToText, VRNengineGenerateAckFromMessage, "Message", "GenerateAckFromMessage") \
  /* direct, with guarded conversions */                                                                  \
  X(Engine, VRNengineTranslateMessageToXml, DirectTextToText, VRNengineTranslateMessageToHl7StandardXml, "", "TranslateMessageToXml") \
  X(Engine, VRNengineTranslateXmlToMessage, DirectTextToText, VRNengineTranslateHl7StandardXmlToMessage, "", "TranslateXmltoMessage") \
  X(Engine, VRNengineTranslateZivuzuverHl7ToXmlHl7, DirectTextToText, VRNengineTranslateMessageToHl7StandardXml, "", "TranslateZivuzuverHl7ToXmlHl7") \
  X(Engine, VRNengineTranslateXmlHl7ToZivuzuverHl7, DirectTextToText, VRNengineTranslateHl7StandardXmlToMessage, "", "TranslateXmlHl7ToZivuzuverHL7") \
  X(Engine, VRNengineGenerateSchema, DirectTextCall, VRNengineGetTibcoSchema, "", "VRNengineGenerateSchema") \
  X(Engine, VRNengineMessageIdentifier, DirectIdentifierValue, VRNmessageGetIdentValue, "", "")           \
  X(Engine, VRNengineSetPythonKeyValuePair, DirectTextPairCall, VRNengineSetPythonKeyValuePair, "", "VRNengineSetPythonKeyValuePair") \
  X(Engine, VRNengineMakeMessagePrintable, DirectPrintable, VRNengineMakePrintable, "", "VRNengineMakeMessagePrintable") \
  /* failure reported in the result */                                                                    \
  X(Engine, VRNengineWillEdiTranslateToXml, ReportSuccess, VRNengineTranslateMessageToHl7StandardXml, "", "WillEdiTranslateToXml") \
  X(Engine, VRNengineWillXmlTranslateToEdi, ReportSuccess, VRNengineTranslateHl7StandardXmlToMessage, "", "WillXmlTranslateToEdi") \
  X(Engine, VRNengineTranslateXmlToEdiWithErrorIfItFails, ReportError, VRNengineTranslateHl7StandardXmlToMessage, "", "TranslateXmlToEdiWithErrorIfItFails") \
  X(Engine, VRNengineTranslateEdiToXmlWithErrorIfItFails, ReportError, VRNengineTranslateMessageToHl7StandardXml, "", "TranslateEdiToXmlWithErrorIfItFails")

// The LLP server, its connections and the client, over sockmod2.
#define VRN_LLP_NATIVES(X)                                                                                    \
  X(LlpServer, VRNlistenerCreate, LlpCreate, VRNlistenerCreate, "", "")                                    \
  X(LlpServer, VRNlistenerAddRef, GuardedCall, VRNlistenerAddRef, "", "")                                  \
  X(LlpServer, VRNlistenerAddListener, LlpAddListener, VRNlistenerAddListener, "", "")                     \
  X(LlpServer, VRNlistenerRelease, LlpRelease, VRNlistenerRelease, "", "")                                 \
  X(LlpServer, VRNlistenerGetPort, IntGetter, VRNlistenerGetPort, "", "")                                  \
  X(LlpServer, VRNlistenerGetHost, TextGetter, VRNlistenerGetHost, "", "")                                 \
  X(LlpServer, VRNlistenerSetHost, TextSetter, VRNlistenerSetHost, "Value", "SetHost")                     \
  X(LlpServer, VRNlistenerGetHeaderBlock, TextGetter, VRNlistenerGetHeaderBlock, "", "")                   \
  X(LlpServer, VRNlistenerSetHeaderBlock, TextSetter, VRNlistenerSetHeaderBlock, "Value", "SetHeaderBlock") \
  X(LlpServer, VRNlistenerGetTrailerBlock, TextGetter, VRNlistenerGetTrailerBlock, "", "")                 \
  X(LlpServer, VRNlistenerSetTrailerBlock, TextSetter, VRNlistenerSetTrailerBlock, "Value", "SetTrailerBlock") \
  X(LlpServer, VRNlistenerGetIsListening, FlagGetter, VRNlistenerGetIsListening, "", "")                   \
  X(LlpServer, VRNlistenerGetConnection, ConnectionGetter, VRNlistenerGetConnection, "", "")               \
  X(LlpServer, VRNlistenerCountOfConnection, IntGetter, VRNlistenerCountOfConnection, "", "")              \
  X(LlpServer, VRNlistenerStopMessageLoop, FramedCall, VRNlistenerStopMessageLoop, "", "")                 \
  X(LlpServer, VRNlistenerRunMessageLoop, MessageLoop, VRNlistenerRunMessageLoop, "", "")                  \
  X(LlpServer, VRNlistenerStartListen, IntSetter, VRNlistenerStartListen, "", "")                          \
  X(LlpServer, VRNlistenerMakePrintable, Printable, VRNlistenerMakePrintable, "InputString", "MakeMessagePrintable") \
  X(LlpServer, VRNlistenerStopListen, FramedCall, VRNlistenerStopListen, "", "")                           \
  X(LlpServer, VRNlistenerCloseAll, FramedCall, VRNlistenerCloseAll, "", "")                               \
  X(LlpConnection, VRNconnectionCreate, GuardedCreate, VRNconnectionCreate, "", "")                        \
  X(LlpConnection, VRNconnectionAddRef, GuardedCall, VRNconnectionAddRef, "", "")                          \
  X(LlpConnection, VRNconnectionRelease, GuardedCall, VRNconnectionRelease, "", "")                        \
  X(LlpConnection, VRNconnectionGetRemoteHostName, TextGetter, VRNconnectionGetRemoteHostName, "", "")     \
  X(LlpConnection, VRNconnectionGetId, IntGetter, VRNconnectionGetId, "", "")                              \
  X(LlpConnection, VRNconnectionGetRemoteIpAddress, IntGetter, VRNconnectionGetRemoteIpAddress, "", "")    \
  X(LlpConnection, VRNconnectionGetRemoteIpAddressAsString, TextGetter, VRNconnectionGetRemoteIpAddressAsString, "", "") \
  X(LlpConnection, VRNconnectionSendMessage, TextSetter, VRNconnectionSendMessage, "Message", "TransmitMessage") \
  X(LlpConnection, VRNconnectionClose, FramedCall, VRNconnectionClose, "", "")                             \
  X(LlpConnection, VRNconnectionHardClose, FramedCall, VRNconnectionHardClose, "", "")                     \
  X(LlpClient, VRNclientCreate, LlpCreate, VRNclientCreate, "", "")                                        \
  X(LlpClient, VRNclientAddRef, GuardedCall, VRNclientAddRef, "", "")                                      \
  X(LlpClient, VRNclientAddListener, LlpAddListener, VRNclientAddListener, "", "")                         \
  X(LlpClient, VRNclientRelease, LlpRelease, VRNclientRelease, "", "")                                     \
  X(LlpClient, VRNclientGetHeaderBlock, TextGetter, VRNclientGetHeaderBlock, "", "")                       \
  X(LlpClient, VRNclientSetHeaderBlock, TextSetter, VRNclientSetHeaderBlock, "Value", "SetHeaderBlock")    \
  X(LlpClient, VRNclientGetTrailerBlock, TextGetter, VRNclientGetTrailerBlock, "", "")                     \
  X(LlpClient, VRNclientSetTrailerBlock, TextSetter, VRNclientSetTrailerBlock, "Value", "SetTrailerBlock") \
  X(LlpClient, VRNclientGetIsConnected, FlagGetter, VRNclientGetIsConnected, "", "")                       \
  X(LlpClient, VRNclientStopMessageLoop, FramedCall, VRNclientStopMessageLoop, "", "")                     \
  X(LlpClient, VRNclientRunMessageLoop, MessageLoop, VRNclientRunMessageLoop, "", "")                      \
  X(LlpClient, VRNclientMakePrintable, Printable, VRNclientMakePrintable, "InputString", "MakeMessagePrintable") \
  X(LlpClient, VRNclientConnect, Connect, VRNclientConnect, "Host", "Connect")                             \
  X(LlpClient, VRNclientClose, FramedCall, VRNclientClose, "", "")                                         \
  X(LlpClient, VRNclientHardClose, FramedCall, VRNclientHardClose, "", "")                                 \
  X(LlpClient, VRNclientSendMessage, TextSetter, VRNclientSendMessage, "Message", "TransmitMessage")

// Every native built so far.
#define VRN_NATIVES(X) VRN_ENGINE_NATIVES(X) VRN_DATA_NATIVES(X) VRN_ENCODING_NATIVES(X) VRN_LLP_NATIVES(X)

// The Java signature of each shape (the object itself is not part of it), for the tests'
// sweep and for the Java classes' declarations to be checked against.
#define VRN_SHAPE_SIGNATURES(X)                                                    \
  X(DirectIndexGetter, "(J)I")                                                     \
  X(DirectHandleGetter, "(J)J")                                                    \
  X(DirectIndexSetter, "(JI)V")                                                    \
  X(DirectIdentifierCount, "(JI)I")                                                \
  X(EngineCreate, "()J")                                                           \
  X(GuardedCall, "(J)V")                                                           \
  X(EngineAddListener, "(J)J")                                                     \
  X(EngineRelease, "(JJ)V")                                                        \
  X(GuardedTextSetter, "(JLjava/lang/String;)V")                                   \
  X(EngineParse, "(JLjava/lang/String;J)I")                                        \
  X(EngineGenerate, "(JIJ)Ljava/lang/String;")                                     \
  X(GuardedIndexTableCall, "(JIJ)V")                                               \
  X(GuardedIntGetter, "(J)I")                                                      \
  X(GuardedFlagSetter, "(JZ)V")                                                    \
  X(GuardedIndexTextGetter, "(JI)Ljava/lang/String;")                              \
  X(EngineTransform, "(JLjava/lang/String;II)Ljava/lang/String;")                  \
  X(GuardedTextToText, "(JLjava/lang/String;)Ljava/lang/String;")                  \
  X(DirectTextToText, "(JLjava/lang/String;)Ljava/lang/String;")                   \
  X(DirectTextCall, "(JLjava/lang/String;)V")                                      \
  X(DirectIdentifierValue, "(JII)Ljava/lang/String;")                              \
  X(DirectTextPairCall, "(JLjava/lang/String;Ljava/lang/String;)V")                \
  X(DirectPrintable, "(JLjava/lang/String;)Ljava/lang/String;")                    \
  X(ReportSuccess, "(JLjava/lang/String;)Z")                                       \
  X(ReportError, "(JLjava/lang/String;)Ljava/lang/String;")                       \
  VRN_DATA_SHAPE_SIGNATURES(X)                                                     \
  VRN_ENCODING_SHAPE_SIGNATURES(X)                                                 \
  VRN_LLP_SHAPE_SIGNATURES(X)

// The natives of the data classes: Table and Config (direct), VarnelException and
// VarnelDateTime (direct, their texts converted inside a guard). A line whose shape calls
// nothing names the function `none`; a derived value names the function it is read from.
#define VRN_DATA_NATIVES(X)                                                                                   \
  X(Table, VRNtableCreate, DirectCreate, VRNtableCreate, "", "")                                              \
  X(Table, VRNtableAddRef, DirectCall, VRNtableAddRef, "", "")                                                \
  X(Table, VRNtableRelease, DirectCall, VRNtableRelease, "", "")                                              \
  X(Table, VRNtableName, DirectTextGetter, VRNtableName, "", "")                                              \
  X(Table, VRNtableSubTable, DirectCellHandle, VRNtableSubTable, "", "")                                      \
  X(Table, VRNtableCountOfColumn, DirectCountGetter, VRNtableCountOfColumn, "", "")                           \
  X(Table, VRNtableCountOfRow, DirectIndexGetter, VRNtableCountOfRow, "", "")                                 \
  X(Table, VRNtableCountOfSubTable, DirectIndexGetter, VRNtableCountOfSubTable, "", "")                       \
  X(Table, VRNtableColumnType, DirectColumnType, VRNtableColumnType, "", "")                                  \
  X(Table, VRNtableColumnName, DirectIndexTextGetter, VRNtableColumnName, "", "")                             \
  X(Table, VRNtableIsNull, DirectCellFlag, VRNtableIsNull, "", "")                                            \
  X(Table, VRNtableState, DirectCellState, VRNtableState, "", "")                                             \
  X(Table, VRNtableGetString, DirectCellText, VRNtableGetStringA, "", "")                                     \
  X(Table, VRNtableGetDouble, DirectCellDouble, VRNtableGetDouble, "", "")                                    \
  X(Table, VRNtableGetInteger, DirectCellInteger, VRNtableGetInteger, "", "")                                 \
  X(Table, VRNtableGetDateTime, DirectCellLong, VRNtableGetDateTime, "", "")                                  \
  X(Table, VRNtableSetDouble, DirectCellDoubleSetter, VRNtableSetDouble, "", "")                              \
  X(Table, VRNtableSetInteger, DirectCellIntegerSetter, VRNtableSetInteger, "", "")                           \
  X(Table, VRNtableSetDateTime, DirectCellLongSetter, VRNtableSetDateTime, "", "")                            \
  X(Table, VRNtableAddRow, DirectCall, VRNtableAddRow, "", "")                                                \
  X(Table, VRNtableDump, TableDump, VRNtableDump, "", "")                                                     \
  X(Table, VRNtableColumnIndex, DirectColumnIndex, VRNtableColumnIndex, "", "columnIndex")                    \
  X(Table, VRNtableSetString, DirectCellTextSetter, VRNtableSetStringA, "", "setString")                      \
  X(Config, VRNconfigAddRef, NoCall, none, "", "")                                                            \
  X(Config, VRNconfigRelease, NoCall, none, "", "")                                                           \
  X(Config, VRNconfigCountOfDelimiter, DirectIndexGetter, VRNconfigGetCountOfLevel, "", "")                   \
  X(Config, VRNconfigSetDelimiterChar, ConfigSetSeparator, VRNconfigSetSepChar, "", "VRNconfigSetDelimiterChar") \
  X(Config, VRNconfigGetDelimiterChar, ConfigGetSeparator, VRNconfigGetSepChar, "", "")                       \
  X(Config, VRNconfigSetRepeatChar, ConfigSetRepeat, VRNconfigSetRepeatChar, "", "VRNconfigSetRepeatChar")    \
  X(Config, VRNconfigGetRepeatChar, ConfigGetRepeat, VRNconfigGetRepeatChar, "", "")                          \
  X(Config, VRNconfigSetEscapeChar, ConfigSetEscape, VRNconfigSetEscapeChar, "", "VRNconfigSetEscapeChar")    \
  X(Config, VRNconfigGetEscapeChar, ConfigGetEscape, VRNconfigGetEscapeChar, "", "")                          \
  X(VarnelException, VRNvarnelExceptionRelease, DirectCall, VRNreferenceRelease, "", "")                      \
  X(VarnelException, VRNvarnelExceptionAddRef, DirectCall, VRNreferenceAddRef, "", "")                        \
  X(VarnelException, VRNvarnelExceptionGetMessage, ErrorText, VRNerrorGetDescription, "", "")                 \
  X(VarnelException, VRNvarnelExceptionCreate, ErrorCreate, VRNerrorCreate, "", "VRNvarnelExceptionCreate")   \
  X(VarnelException, VRNvarnelExceptionGetParameter, ErrorParameter, VRNerrorGetParameter, "",                \
    "VRNvarnelExceptionGetParameter")                                                                         \
  X(VarnelException, VRNvarnelExceptionGetCountOfParameter, ErrorCount, VRNerrorGetCountOfParameter, "", "")  \
  X(VarnelException, VRNvarnelExceptionGetKey, ErrorKey, VRNerrorGetKey, "", "")                              \
  X(VarnelDateTime, VRNdateTimeCreate, DirectCreate, VRNdateTimeCreate, "", "")                               \
  X(VarnelDateTime, VRNdateTimeAddRef, DirectCall, VRNdateTimeAddRef, "", "")                                 \
  X(VarnelDateTime, VRNdateTimeRelease, DirectCall, VRNdateTimeRelease, "", "")                               \
  X(VarnelDateTime, VRNdateTimeGetDATE, DirectDoubleGetter, VRNdateTimeGetDATE, "", "")                       \
  X(VarnelDateTime, VRNdateTimeGetSecondFraction, SecondFraction, VRNdateTimeGetDATE, "", "")                 \
  X(VarnelDateTime, VRNdateTimeGetZone, DirectShortGetter, VRNdateTimeGetZone, "", "")                        \
  X(VarnelDateTime, VRNdateTimeGetOffsetInMinutes, DirectShortGetter, VRNdateTimeGetOffsetInMinutes, "", "")  \
  X(VarnelDateTime, VRNdateTimeGetOffsetIsDefined, OffsetIsDefined, VRNdateTimeGetIsNull, "", "")             \
  X(VarnelDateTime, VRNdateTimeSetDATE, DirectDoubleSetter, VRNdateTimeSetDATE, "", "")                       \
  X(VarnelDateTime, VRNdateTimeSetSecondFraction, DirectDoubleSetter, VRNdateTimeSetSecondFraction, "", "")   \
  X(VarnelDateTime, VRNdateTimeSetZone, DirectShortSetter, VRNdateTimeSetZone, "", "")                        \
  X(VarnelDateTime, VRNdateTimeSetOffsetInMinutes, DirectShortPairSetter, VRNdateTimeSetOffsetInMinutes, "", "") \
  X(VarnelDateTime, VRNdateTimeIsNull, DirectShortFlag, VRNdateTimeGetIsNull, "", "")                         \
  X(VarnelDateTime, VRNdateTimeFormat, DirectTextToText, VRNdateTimeFormat, "", "VRNdateTimeFormat")

#define VRN_DATA_SHAPE_SIGNATURES(X)                   \
  X(DirectCreate, "()J")                               \
  X(DirectCall, "(J)V")                                \
  X(NoCall, "(J)V")                                    \
  X(DirectTextGetter, "(J)Ljava/lang/String;")         \
  X(DirectCellHandle, "(JII)J")                        \
  X(DirectCountGetter, "(J)I")                         \
  X(DirectColumnType, "(JI)I")                         \
  X(DirectIndexTextGetter, "(JI)Ljava/lang/String;")   \
  X(DirectCellFlag, "(JII)Z")                          \
  X(DirectCellState, "(JII)I")                         \
  X(DirectCellText, "(JII)Ljava/lang/String;")         \
  X(DirectCellDouble, "(JII)D")                        \
  X(DirectCellInteger, "(JII)I")                       \
  X(DirectCellLong, "(JII)J")                          \
  X(DirectCellDoubleSetter, "(JIID)V")                 \
  X(DirectCellIntegerSetter, "(JIII)V")                \
  X(DirectCellLongSetter, "(JIIJ)V")                   \
  X(TableDump, "(J)Ljava/lang/String;")                \
  X(DirectColumnIndex, "(JLjava/lang/String;)I")       \
  X(DirectCellTextSetter, "(JIILjava/lang/String;)V")  \
  X(ConfigSetSeparator, "(JIC)V")                      \
  X(ConfigGetSeparator, "(JI)C")                       \
  X(ConfigSetRepeat, "(JC)V")                          \
  X(ConfigGetRepeat, "(J)C")                           \
  X(ConfigSetEscape, "(JC)V")                          \
  X(ConfigGetEscape, "(J)C")                           \
  X(ErrorText, "(J)Ljava/lang/String;")                \
  X(ErrorCreate, "(Ljava/lang/String;)J")              \
  X(ErrorParameter, "(JLjava/lang/String;)Ljava/lang/String;") \
  X(ErrorCount, "(J)I")                                \
  X(ErrorKey, "(JI)Ljava/lang/String;")                \
  X(DirectDoubleGetter, "(J)D")                        \
  X(SecondFraction, "(J)D")                            \
  X(DirectShortGetter, "(J)S")                         \
  X(OffsetIsDefined, "(J)S")                           \
  X(DirectDoubleSetter, "(JD)V")                       \
  X(DirectShortSetter, "(JS)V")                        \
  X(DirectShortPairSetter, "(JSS)V")                   \
  X(DirectShortFlag, "(J)Z")

// VarnelEncoding, over sockmod2: guarded, the locale methods inside a local frame.
#define VRN_ENCODING_NATIVES(X)                                                                               \
  X(VarnelEncoding, VRNvarnelEncodingCreate, GuardedCreate, VRNvarnelEncodingCreate, "", "")                  \
  X(VarnelEncoding, VRNvarnelEncodingAddRef, GuardedCall, VRNvarnelEncodingAddRef, "", "")                    \
  X(VarnelEncoding, VRNvarnelEncodingRelease, GuardedCall, VRNvarnelEncodingRelease, "", "")                  \
  X(VarnelEncoding, VRNvarnelEncodingGetCurrentTranslationLocale, FramedTextGetter,                           \
    VRNvarnelEncodingGetCurrentTranslationLocale, "", "")                                                     \
  X(VarnelEncoding, VRNvarnelEncodingSetCurrentTranslationLocale, FramedTextSetter,                           \
    VRNvarnelEncodingSetCurrentTranslationLocale, "NewLocale", "SetCurrentTranslationLocale")                 \
  X(VarnelEncoding, VRNvarnelEncodingCountOfTranslationLocale, FramedCount,                                   \
    VRNvarnelEncodingCountOfTranslationLocale, "", "")                                                        \
  X(VarnelEncoding, VRNvarnelEncodingTranslationLocale, FramedIndexText, VRNvarnelEncodingTranslationLocale, "", "")

#define VRN_ENCODING_SHAPE_SIGNATURES(X)  \
  X(GuardedCreate, "()J")                 \
  X(FramedTextGetter, "()Ljava/lang/String;") \
  X(FramedTextSetter, "(Ljava/lang/String;)V") \
  X(FramedCount, "()I")                   \
  X(FramedIndexText, "(I)Ljava/lang/String;")


#define VRN_LLP_SHAPE_SIGNATURES(X)                                                \
  X(LlpCreate, "()J")                                                              \
  X(LlpAddListener, "(J)J")                                                        \
  X(LlpRelease, "(JJ)V")                                                           \
  X(FramedCall, "(J)V")                                                            \
  X(MessageLoop, "(J)V")                                                           \
  X(IntGetter, "(J)I")                                                             \
  X(IntSetter, "(JI)V")                                                            \
  X(FlagGetter, "(J)Z")                                                            \
  X(TextGetter, "(J)Ljava/lang/String;")                                           \
  X(TextSetter, "(JLjava/lang/String;)V")                                          \
  X(ConnectionGetter, "(JI)Lcom/olvenmark/varnel/LlpConnection;")                  \
  X(Printable, "(JLjava/lang/String;Ljava/lang/String;I)Ljava/lang/String;")       \
  X(Connect, "(JLjava/lang/String;I)V")
