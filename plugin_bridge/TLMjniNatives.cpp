// The 157 natives of com.olvenmark.tollmere.plugin, expanded from TLMnatives.def: each
// line becomes one exported function that hands its arguments to the road of its shape
// (TLMjniImplement) together with the library function of its name.
#include "plugin_bridge/TLMjniImplement.h"
#include "plugin_bridge/TLMjniListener.h"

namespace {

// Every class but Destination and Source sets the text encoding under a flag of its own;
// those two do it in their larger set-up (TLMjniListener).
#define TLM_ENCODING_CLASSES(X)                    \
  X(PluginException)                               \
  X(LogQuery)                                      \
  X(LogQueryResult)                                \
  X(LogMessage)                                    \
  X(DisconnectReason)                              \
  X(DestinationMessageReceivedEventInputs)         \
  X(DestinationMessageReceivedEventOutputs)        \
  X(SourceMessageRequestedEventInputs)             \
  X(SourceMessageRequestedEventOutputs)            \
  X(SourceMessageRequestCompletedEventInputs)      \
  X(SourceMessageRequestCompletedEventOutputs)

#define TLM_ENCODING_SETUP(Class)                                 \
  TLMencodingFlag Class##Encoding;                                \
  void Class##Setup(JNIEnv*) { TLMjavaInitializeEncoding(Class##Encoding); }
TLM_ENCODING_CLASSES(TLM_ENCODING_SETUP)
#undef TLM_ENCODING_SETUP

void DestinationSetup(JNIEnv* pEnv) { TLMdestinationInitialize(pEnv); }
void SourceSetup(JNIEnv* pEnv) { TLMsourceInitialize(pEnv); }

}  // namespace

// Per shape: the native's result type, then its parameters and body. Class names the
// class's set-up, Function the library function; A and B are the table's shape arguments.
#define TLM_RESULT_Create jlong
#define TLM_BODY_Create(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass) { return TLMjniCreate(pEnv, Class##Setup, Function); }
#define TLM_RESULT_Reference void
#define TLM_BODY_Reference(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { TLMjniReference(pEnv, Handle, Function); }
#define TLM_RESULT_Action void
#define TLM_BODY_Action(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { TLMjniAction(pEnv, Handle, Function); }
#define TLM_RESULT_TextGetter jstring
#define TLM_BODY_TextGetter(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { return TLMjniTextGetter(pEnv, Handle, Function); }
#define TLM_RESULT_MessageGetter jstring
#define TLM_BODY_MessageGetter(Class, Function, A, B)                  \
  (JNIEnv * pEnv, jclass, jlong Handle) {                              \
    return TLMjniMessageGetter(pEnv, Class##Setup, Handle, Function); \
  }
#define TLM_RESULT_TextSetter void
#define TLM_BODY_TextSetter(Class, Function, A, B)               \
  (JNIEnv * pEnv, jclass, jlong Handle, jstring Value) {         \
    TLMjniTextSetter(pEnv, Handle, Value, A, B, Function);       \
  }
#define TLM_RESULT_BoolGetter jboolean
#define TLM_BODY_BoolGetter(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { return TLMjniBoolGetter(pEnv, Handle, Function); }
#define TLM_RESULT_BoolSetter void
#define TLM_BODY_BoolSetter(Class, Function, A, B)                                \
  (JNIEnv * pEnv, jclass, jlong Handle, jboolean Value) {                         \
    TLMjniBoolSetter(pEnv, Handle, Value, Function);                              \
  }
#define TLM_RESULT_IntGetter jint
#define TLM_BODY_IntGetter(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { return TLMjniIntGetter(pEnv, Handle, Function); }
#define TLM_RESULT_IntSetter void
#define TLM_BODY_IntSetter(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle, jint Value) { TLMjniIntSetter(pEnv, Handle, Value, Function); }
#define TLM_RESULT_DateGetter jobject
#define TLM_BODY_DateGetter(Class, Function, A, B) \
  (JNIEnv * pEnv, jclass, jlong Handle) { return TLMjniDateGetter(pEnv, Handle, Function); }
#define TLM_RESULT_DateSetter void
#define TLM_BODY_DateSetter(Class, Function, A, B)         \
  (JNIEnv * pEnv, jclass, jlong Handle, jobject Value) {   \
    TLMjniDateSetter(pEnv, Handle, Value, A, B, Function); \
  }
#define TLM_RESULT_ObjectGetter jobject
#define TLM_BODY_ObjectGetter(Class, Function, A, B)                               \
  (JNIEnv * pEnv, jclass, jlong Handle) {                                          \
    return TLMjniObjectGetter(pEnv, Handle, TLM_PLUGIN_PACKAGE A, Function, B);    \
  }
#define TLM_RESULT_IndexedObjectGetter jobject
#define TLM_BODY_IndexedObjectGetter(Class, Function, A, B)                                \
  (JNIEnv * pEnv, jclass, jlong Handle, jint Index) {                                      \
    return TLMjniIndexedObjectGetter(pEnv, Handle, Index, TLM_PLUGIN_PACKAGE A, Function, B); \
  }
#define TLM_RESULT_ExceptionCreate jlong
#define TLM_BODY_ExceptionCreate(Class, Function, A, B)                         \
  (JNIEnv * pEnv, jclass, jstring Message) {                                    \
    return TLMjniExceptionCreate(pEnv, Class##Setup, Message, A, B, Function);  \
  }
#define TLM_RESULT_AddListener jlong
// The listener natives name their class's contract, which holds the table's functions.
#define TLM_BODY_AddListener(Class, Function, A, B) \
  (JNIEnv * pEnv, jobject Self, jlong Handle) { return JNIlistenerAdd(pEnv, Class##Listeners, Self, Handle); }
#define TLM_RESULT_ListenerRelease void
#define TLM_BODY_ListenerRelease(Class, Function, A, B)                   \
  (JNIEnv * pEnv, jclass, jlong Handle, jlong Listener) {                 \
    JNIlistenerRelease(pEnv, Class##Listeners, Handle, Listener);         \
  }
#define TLM_RESULT_Connect void
#define TLM_BODY_Connect(Class, Function, A, B)                                          \
  (JNIEnv * pEnv, jclass, jlong Handle, jstring HostName, jint Port, jstring ChannelName) { \
    TLMjniConnect(pEnv, Handle, HostName, Port, ChannelName, A, B, Function);            \
  }
#define TLM_RESULT_WaitWithTimeout jboolean
#define TLM_BODY_WaitWithTimeout(Class, Function, A, B)                     \
  (JNIEnv * pEnv, jclass, jlong Handle, jint Timeout) {                     \
    return TLMjniWaitWithTimeout(pEnv, Handle, Timeout, Function);          \
  }

#define TLM_NATIVE(Class, Method, Function, Shape, A, B)                                    \
  extern "C" JNIEXPORT TLM_RESULT_##Shape JNICALL Java_com_olvenmark_tollmere_plugin_##Class##_##Method \
  TLM_BODY_##Shape(Class, Function, A, B)
#include "contracts/TLMnatives.def"
#undef TLM_NATIVE
