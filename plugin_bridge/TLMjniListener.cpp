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
  std::atomic<JavaVM*> Vm{nullptr};
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

struct EventKind {
  int Slot;  // its method's place in the listener's kept methods
  const char* Method;
  const char* Signature;
  JNIheldClass* Inputs;  // null for an event without objects
  JNIheldClass* Outputs;
};

#define TLM_EVENT_SIGNATURE(Inputs, Outputs) \
  "(L" TLM_PLUGIN_PACKAGE Inputs ";L" TLM_PLUGIN_PACKAGE Outputs ";)V"

const EventKind MessageReceived = {
    0, "messageReceived",
    TLM_EVENT_SIGNATURE("DestinationMessageReceivedEventInputs",
                        "DestinationMessageReceivedEventOutputs"),
    &DestinationInputs, &DestinationOutputs};
const EventKind ResubmissionPreview = {1, "resubmissionPreviewMessageReceived",
                                       MessageReceived.Signature, &DestinationInputs,
                                       &DestinationOutputs};
const EventKind MessageRequested = {
    2, "messageRequested",
    TLM_EVENT_SIGNATURE("SourceMessageRequestedEventInputs", "SourceMessageRequestedEventOutputs"),
    &RequestedInputs, &RequestedOutputs};
const EventKind MessageRequestCompleted = {
    3, "messageRequestCompleted",
    TLM_EVENT_SIGNATURE("SourceMessageRequestCompletedEventInputs",
                        "SourceMessageRequestCompletedEventOutputs"),
    &CompletedInputs, &CompletedOutputs};
const EventKind Disconnected = {4, "disconnected", "()V", nullptr, nullptr};

// The event's own step: wraps its objects and calls the listener's method. Returns at the
// first step that leaves a Java exception pending; the road clears it. The outputs are
// wrapped before the inputs.
struct Event {
  const EventKind& Kind;
  TLMhandle Inputs;
  TLMhandle Outputs;
};

void callListener(JNIEnv* pEnv, const JNIlistenerRegistry::Share& share, const void* event) {
  const Event& call = *static_cast<const Event*>(event);
  const EventKind& kind = call.Kind;
  jobject listener = share.listener();
  jmethodID method = share.method(pEnv, kind.Slot, kind.Method, kind.Signature);
  if (!method) return;
  if (!kind.Inputs) {
    pEnv->CallVoidMethod(listener, method);
    return;
  }
  jobject outputsObject = wrap(pEnv, *kind.Outputs, call.Outputs);
  if (!outputsObject) return;
  jobject inputsObject = wrap(pEnv, *kind.Inputs, call.Inputs);
  if (!inputsObject) return;
  pEnv->CallVoidMethod(listener, method, inputsObject, outputsObject);
}

TLMerror deliver(const EndpointSetup& setup, void* user, const EventKind& kind,
                 TLMhandle inputs, TLMhandle outputs) noexcept {
  Event event{kind, inputs, outputs};
  JNIdeliverEvent(setup.Vm.load(), JNI_VERSION_1_2, 16, user, callListener, &event, "tlm_java", kind.Method);
  return nullptr;
}

TLMerror onDestinationMessageReceived(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(DestinationSetup, user, MessageReceived, inputs, outputs);
}
TLMerror onDestinationResubmissionPreviewMessageReceived(void* user, TLMhandle inputs,
                                                         TLMhandle outputs) {
  return deliver(DestinationSetup, user, ResubmissionPreview, inputs, outputs);
}
TLMerror onDestinationDisconnected(void* user) {
  return deliver(DestinationSetup, user, Disconnected, nullptr, nullptr);
}
TLMerror onSourceMessageRequested(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(SourceSetup, user, MessageRequested, inputs, outputs);
}
TLMerror onSourceMessageRequestCompleted(void* user, TLMhandle inputs, TLMhandle outputs) {
  return deliver(SourceSetup, user, MessageRequestCompleted, inputs, outputs);
}
TLMerror onSourceDisconnected(void* user) {
  return deliver(SourceSetup, user, Disconnected, nullptr, nullptr);
}

// The JavaVM and the event classes are stored before the callbacks are registered, so that
// no callback can ever find them unset.
void keepVm(EndpointSetup& setup, JNIEnv* pEnv) {
  JavaVM* vm = nullptr;
  pEnv->GetJavaVM(&vm);
  setup.Vm.store(vm);
}

}  // namespace

// The event classes are held before anything else, and at every Create: a host may have
// dropped the loader of the first one and loaded our classes again through a new loader.
void TLMdestinationInitialize(JNIEnv* pEnv) {
  DestinationOutputs.hold(pEnv);
  DestinationInputs.hold(pEnv);
  if (DestinationSetup.Done.load()) return;
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  keepVm(DestinationSetup, pEnv);
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
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  keepVm(SourceSetup, pEnv);
  TLMsourceSetMessageRequestedCallback(onSourceMessageRequested);
  TLMsourceSetMessageRequestCompletedCallback(onSourceMessageRequestCompleted);
  TLMsourceSetDisconnectedCallback(onSourceDisconnected);
  SourceSetup.Done.store(true);
}

jlong TLMjniAddListener(JNIEnv* pEnv, jobject Self, jlong Handle,
                        TLMerror (*Function) TLM_PARAMS_AddListener) {
  return TLMjniGuard(pEnv, jlong(0), [&] {
    JNIlistenerRegistry& listeners = JNIlistenerRegistry::process();
    void* owner = JNIhandleOf(Handle);
    void* token = listeners.add(pEnv, Self, owner);
    TLMerror result;
    try {
      result = Function(owner, token);
    } catch (...) {
      listeners.release(pEnv, owner, token);
      throw;
    }
    // Refused: Java never receives the token, so nobody else could release it.
    if (result) listeners.release(pEnv, owner, token);
    TLMjniCheckResult(result);
    return JNIlongOf(token);
  });
}

void TLMjniListenerRelease(JNIEnv* pEnv, jlong Handle, jlong Listener,
                           TLMerror (*Remove)(TLMhandle, void*),
                           TLMerror (*Function) TLM_PARAMS_ListenerRelease) {
  TLMjniGuard(pEnv, 0, [&] {
    void* owner = JNIhandleOf(Handle);
    void* token = JNIhandleOf(Listener);
    // Asked of the library every time, whatever this library holds: the library answers
    // for its own listeners. Only this object's listener, if still live, is released.
    TLMjniCheckResult(Remove(owner, token));
    JNIlistenerRegistry::process().release(pEnv, owner, token);
    TLMjniCheckResult(Function(owner));
    return 0;
  });
}
