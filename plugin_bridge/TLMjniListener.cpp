// Destinations and sources as listeners. A callback comes on any thread the library
// chooses, so each one finds its own JNIEnv (attaching a thread the JVM has never seen,
// for the callback's length only) and keeps every failure on its side of the boundary:
// a Java exception is described and cleared, an error of ours is reported on standard
// error, and the library always gets the null error handle back.
#include "plugin_bridge/TLMjniListener.h"

#include "COL/COLerror.h"
#include "JNI/JNIimplement.h"
#include "JNI/JNIheldClass.h"
#include "JNI/JNIlistenerRegistry.h"

namespace {

struct EndpointSetup {
  std::atomic<bool> Done{false};
  JNIkeptVm Vm;
};
EndpointSetup DestinationSetup;
EndpointSetup SourceSetup;

// The event objects' classes, found on the Java thread of a Create (a callback on a thread
// the library starts could not find them there), and looked for again by a Create once
// the loader they came from has gone. A class missing then is not that Create's failure:
// it goes on with nothing pending, and each event that needs the class is reported as not
// delivered.
JNIheldClass DestinationInputs(TLM_PLUGIN_PACKAGE "DestinationMessageReceivedEventInputs");
JNIheldClass DestinationOutputs(TLM_PLUGIN_PACKAGE "DestinationMessageReceivedEventOutputs");
JNIheldClass RequestedInputs(TLM_PLUGIN_PACKAGE "SourceMessageRequestedEventInputs");
JNIheldClass RequestedOutputs(TLM_PLUGIN_PACKAGE "SourceMessageRequestedEventOutputs");
JNIheldClass CompletedInputs(TLM_PLUGIN_PACKAGE "SourceMessageRequestCompletedEventInputs");
JNIheldClass CompletedOutputs(TLM_PLUGIN_PACKAGE "SourceMessageRequestCompletedEventOutputs");

// Null with the JVM's exception pending when the object cannot be made.
jobject wrap(JNIEnv* pEnv, const JNIheldClass& wrapper, TLMhandle handle) {
  jobject made = wrapper.held() ? wrapper.createObject(pEnv, handle) : nullptr;
  if (made == nullptr && !pEnv->ExceptionCheck()) {
    throw COLerror(COLstring("the class ") + wrapper.path() + " or its (J)V constructor was not found.",
                   0, "TLMjniListener", COL_ERROR_PRECONDITION);
  }
  return made;
}

#define TLM_EVENT_SIGNATURE(Inputs, Outputs) \
  "(L" TLM_PLUGIN_PACKAGE Inputs ";L" TLM_PLUGIN_PACKAGE Outputs ";)V"
#define TLM_DESTINATION_EVENT_SIGNATURE \
  TLM_EVENT_SIGNATURE("DestinationMessageReceivedEventInputs", "DestinationMessageReceivedEventOutputs")

// The event kinds: the listener's method and its signature, and the classes of the
// inputs and outputs objects it gets (none for an event without objects).
#define TLM_EVENT_KINDS(X)                                                                            \
  X(MessageReceived, "messageReceived", TLM_DESTINATION_EVENT_SIGNATURE, &DestinationInputs,          \
    &DestinationOutputs)                                                                              \
  X(ResubmissionPreview, "resubmissionPreviewMessageReceived", TLM_DESTINATION_EVENT_SIGNATURE,       \
    &DestinationInputs, &DestinationOutputs)                                                          \
  X(MessageRequested, "messageRequested",                                                             \
    TLM_EVENT_SIGNATURE("SourceMessageRequestedEventInputs", "SourceMessageRequestedEventOutputs"),   \
    &RequestedInputs, &RequestedOutputs)                                                              \
  X(MessageRequestCompleted, "messageRequestCompleted",                                               \
    TLM_EVENT_SIGNATURE("SourceMessageRequestCompletedEventInputs",                                   \
                        "SourceMessageRequestCompletedEventOutputs"),                                 \
    &CompletedInputs, &CompletedOutputs)                                                              \
  X(Disconnected, "disconnected", "()V", nullptr, nullptr)

#define TLM_EVENT_ENUM(Name, Method, Signature, Inputs, Outputs) Name,
enum EventKind { TLM_EVENT_KINDS(TLM_EVENT_ENUM) };
#undef TLM_EVENT_ENUM
#define TLM_EVENT_METHOD(Name, Method, Signature, Inputs, Outputs) {Method, Signature},
const JNIeventKind ListenerMethods[] = {TLM_EVENT_KINDS(TLM_EVENT_METHOD)};
#undef TLM_EVENT_METHOD
struct EventObjects {
  JNIheldClass* Inputs;
  JNIheldClass* Outputs;
};
#define TLM_EVENT_OBJECTS(Name, Method, Signature, Inputs, Outputs) {Inputs, Outputs},
const EventObjects ObjectsOf[] = {TLM_EVENT_KINDS(TLM_EVENT_OBJECTS)};
#undef TLM_EVENT_OBJECTS

JNIlistenerRegistry& listeners() { return JNIkeptRegistry<ListenerMethods>(); }

const JNIeventRoad DestinationRoad = {listeners, DestinationSetup.Vm, "tlm_java"};
const JNIeventRoad SourceRoad = {listeners, SourceSetup.Vm, "tlm_java"};

// The event's own step: wraps its objects and calls the listener's method. Returns at the
// first step that leaves a Java exception pending; the road clears it. The outputs are
// wrapped before the inputs.
struct Event {
  EventKind Kind;
  TLMhandle Inputs;
  TLMhandle Outputs;
};

void callListener(JNIEnv* pEnv, const JNIlistenerRegistry::Share& share, const void* event) {
  const Event& call = *static_cast<const Event*>(event);
  const EventObjects& objects = ObjectsOf[call.Kind];
  jobject listener = share.listener();
  jmethodID method = share.method(pEnv, call.Kind);
  if (!method) return;
  if (!objects.Inputs) {
    pEnv->CallVoidMethod(listener, method);
    return;
  }
  jobject outputsObject = wrap(pEnv, *objects.Outputs, call.Outputs);
  if (!outputsObject) return;
  jobject inputsObject = wrap(pEnv, *objects.Inputs, call.Inputs);
  if (!inputsObject) return;
  pEnv->CallVoidMethod(listener, method, inputsObject, outputsObject);
}

TLMerror deliver(const JNIeventRoad& road, void* user, EventKind kind, TLMhandle inputs,
                 TLMhandle outputs) noexcept {
  Event event{kind, inputs, outputs};
  JNIdeliverEvent(road, kind, user, callListener, &event);
  return nullptr;
}

TLMerror onDestinationMessageReceived(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(DestinationRoad, user, MessageReceived, inputs, outputs);
}
TLMerror onDestinationResubmissionPreviewMessageReceived(void* user, TLMhandle inputs,
                                                         TLMhandle outputs) {
  return deliver(DestinationRoad, user, ResubmissionPreview, inputs, outputs);
}
TLMerror onDestinationDisconnected(void* user) {
  return deliver(DestinationRoad, user, Disconnected, nullptr, nullptr);
}
TLMerror onSourceMessageRequested(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(SourceRoad, user, MessageRequested, inputs, outputs);
}
TLMerror onSourceMessageRequestCompleted(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(SourceRoad, user, MessageRequestCompleted, inputs, outputs);
}
TLMerror onSourceDisconnected(void* user) {
  return deliver(SourceRoad, user, Disconnected, nullptr, nullptr);
}

}  // namespace

// Destination's and Source's contracts differ only in their functions' names.
#define TLM_LISTENER_CONTRACT(Stem)                                                                 \
  {listeners, TLMjniRaiseCurrent, TLMjniGiveBackError, Stem##AddListener, Stem##RemoveListener,     \
   Stem##Release, JNIsecondAdd::AnotherListener, JNIrefusedRemoval::Raises, #Stem "Release"}
const JNIlistenerContract DestinationListeners = TLM_LISTENER_CONTRACT(TLMdestination);
const JNIlistenerContract SourceListeners = TLM_LISTENER_CONTRACT(TLMsource);

// The event classes are held before anything else, and at every Create: a host may have
// dropped the loader of the first one and loaded our classes again through a new loader.
void TLMdestinationInitialize(JNIEnv* pEnv) {
  DestinationOutputs.hold(pEnv);
  DestinationInputs.hold(pEnv);
  if (DestinationSetup.Done.load()) return;
  DestinationSetup.Vm.keep(pEnv);
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  TLMdestinationSetMessageReceivedCallback(onDestinationMessageReceived);
  TLMdestinationSetResubmissionPreviewMessageReceivedCallback(
      onDestinationResubmissionPreviewMessageReceived);
  TLMdestinationSetDisconnectedCallback(onDestinationDisconnected);
  DestinationSetup.Done.store(true);
}

void TLMsourceInitialize(JNIEnv* pEnv) {
  RequestedOutputs.hold(pEnv);
  RequestedInputs.hold(pEnv);
  CompletedOutputs.hold(pEnv);
  CompletedInputs.hold(pEnv);
  if (SourceSetup.Done.load()) return;
  SourceSetup.Vm.keep(pEnv);
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  TLMsourceSetMessageRequestedCallback(onSourceMessageRequested);
  TLMsourceSetMessageRequestCompletedCallback(onSourceMessageRequestCompleted);
  TLMsourceSetDisconnectedCallback(onSourceDisconnected);
  SourceSetup.Done.store(true);
}

