// Destinations and sources as listeners. A callback comes on any thread the library
// chooses, so each one finds its own JNIEnv (attaching a thread the JVM has never seen,
// for the callback's length only) and keeps every failure on its side of the boundary:
// a Java exception is described and cleared, an error of ours is reported on standard
// error, and the library always gets the null error handle back.
#include "plugin_bridge/TLMjniListener.h"

#include "COL/COLostream.h"
#include "JNI/JNIscopedEnvPointer.h"
#include "JNI/JNIscopedLocalFrame.h"

#include <mutex>
#include <set>

namespace {

struct EndpointSetup {
  std::atomic<bool> Done{false};
  std::atomic<JavaVM*> Vm{nullptr};
};
EndpointSetup DestinationSetup;
EndpointSetup SourceSetup;

// The listener references this library made and has not yet deleted. Release deletes only
// what it finds here, so a retried Release cannot delete a reference a second time.
std::mutex ListenersLock;
std::set<jobject> LiveListeners;

void addLive(jobject reference) {
  std::lock_guard<std::mutex> guard(ListenersLock);
  LiveListeners.insert(reference);
}

bool isLive(jobject reference) {
  std::lock_guard<std::mutex> guard(ListenersLock);
  return LiveListeners.count(reference) != 0;
}

// True for the one caller that takes the reference out.
bool takeLive(jobject reference) {
  std::lock_guard<std::mutex> guard(ListenersLock);
  return LiveListeners.erase(reference) != 0;
}

// An event object's class and its (J)V constructor. The set-up finds them on the Java
// thread of the first Create, whose class loader is the plug-in's: a thread the library
// starts has no Java frame, and FindClass there searches the system class loader only, which
// a host that loads plug-ins through a loader of its own leaves without our classes. The
// class is a global reference kept for the process, since a callback may use it any time.
struct WrapperClass {
  const char* Path;
  std::atomic<jclass> Class{nullptr};  // null while not found
  std::atomic<jmethodID> Constructor{nullptr};
};

WrapperClass DestinationInputs{TLM_PLUGIN_PACKAGE "DestinationMessageReceivedEventInputs"};
WrapperClass DestinationOutputs{TLM_PLUGIN_PACKAGE "DestinationMessageReceivedEventOutputs"};
WrapperClass RequestedInputs{TLM_PLUGIN_PACKAGE "SourceMessageRequestedEventInputs"};
WrapperClass RequestedOutputs{TLM_PLUGIN_PACKAGE "SourceMessageRequestedEventOutputs"};
WrapperClass CompletedInputs{TLM_PLUGIN_PACKAGE "SourceMessageRequestCompletedEventInputs"};
WrapperClass CompletedOutputs{TLM_PLUGIN_PACKAGE "SourceMessageRequestCompletedEventOutputs"};

// A missing class or constructor is not the first Create's failure: that Create goes on
// with nothing pending, and each event that needs the class is reported as not delivered.
// A set-up that runs twice at once keeps the first reference published.
void findWrapper(JNIEnv* pEnv, WrapperClass& wrapper) {
  if (wrapper.Class.load()) return;
  jclass found = pEnv->FindClass(wrapper.Path);
  jmethodID constructor = found ? pEnv->GetMethodID(found, "<init>", "(J)V") : nullptr;
  jclass global = constructor ? static_cast<jclass>(pEnv->NewGlobalRef(found)) : nullptr;
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
  if (found) pEnv->DeleteLocalRef(found);
  if (!global) return;
  wrapper.Constructor.store(constructor);
  jclass unset = nullptr;
  if (!wrapper.Class.compare_exchange_strong(unset, global)) pEnv->DeleteGlobalRef(global);
}

jobject wrap(JNIEnv* pEnv, const WrapperClass& wrapper, TLMhandle handle) {
  jclass wrapperClass = wrapper.Class.load();
  if (!wrapperClass) {
    throw COLerror(COLstring("the class ") + wrapper.Path + " or its (J)V constructor was not found.",
                   0, "TLMjniListener", COL_ERROR_PRECONDITION);
  }
  return pEnv->NewObject(wrapperClass, wrapper.Constructor.load(), TLMjniLong(handle));
}

struct EventKind {
  const char* Method;
  const char* Signature;
  WrapperClass* Inputs;  // null for an event without objects
  WrapperClass* Outputs;
};

#define TLM_EVENT_SIGNATURE(Inputs, Outputs) \
  "(L" TLM_PLUGIN_PACKAGE Inputs ";L" TLM_PLUGIN_PACKAGE Outputs ";)V"

const EventKind MessageReceived = {
    "messageReceived",
    TLM_EVENT_SIGNATURE("DestinationMessageReceivedEventInputs",
                        "DestinationMessageReceivedEventOutputs"),
    &DestinationInputs, &DestinationOutputs};
const EventKind ResubmissionPreview = {"resubmissionPreviewMessageReceived",
                                       MessageReceived.Signature, &DestinationInputs,
                                       &DestinationOutputs};
const EventKind MessageRequested = {
    "messageRequested",
    TLM_EVENT_SIGNATURE("SourceMessageRequestedEventInputs", "SourceMessageRequestedEventOutputs"),
    &RequestedInputs, &RequestedOutputs};
const EventKind MessageRequestCompleted = {
    "messageRequestCompleted",
    TLM_EVENT_SIGNATURE("SourceMessageRequestCompletedEventInputs",
                        "SourceMessageRequestCompletedEventOutputs"),
    &CompletedInputs, &CompletedOutputs};
const EventKind Disconnected = {"disconnected", "()V", nullptr, nullptr};

// Called inside a catch block: says on standard error what stopped an event.
void reportCurrent(const EventKind& kind) noexcept {
  try {
    COLstring text;
    try {
      throw;
    } catch (const COLerror& error) {
      text = error.description();
    } catch (...) {
      text = "Unhandled exception";
    }
    COLstandardError << "tlm_java: the " << kind.Method << " event was not delivered: " << text
                     << newline << flush;
  } catch (...) {
    // Nothing is left to report with.
  }
}

void clearPending(JNIEnv* pEnv) {
  if (pEnv->ExceptionCheck()) {
    pEnv->ExceptionDescribe();
    pEnv->ExceptionClear();
  }
}

// Returns at the first step that leaves a Java exception pending; the caller clears it.
// The outputs are wrapped before the inputs.
void callListener(JNIEnv* pEnv, jobject listener, const EventKind& kind, TLMhandle inputs,
                  TLMhandle outputs) {
  JNIscopedLocalFrame frame(pEnv, 16);
  jclass listenerClass = pEnv->GetObjectClass(listener);
  jmethodID method = pEnv->GetMethodID(listenerClass, kind.Method, kind.Signature);
  if (!method) return;
  if (!kind.Inputs) {
    pEnv->CallVoidMethod(listener, method);
    return;
  }
  jobject outputsObject = wrap(pEnv, *kind.Outputs, outputs);
  if (!outputsObject) return;
  jobject inputsObject = wrap(pEnv, *kind.Inputs, inputs);
  if (!inputsObject) return;
  pEnv->CallVoidMethod(listener, method, inputsObject, outputsObject);
}

TLMerror deliver(const EndpointSetup& setup, void* user, const EventKind& kind,
                 TLMhandle inputs, TLMhandle outputs) noexcept {
  try {
    JNIscopedEnvPointer scope(setup.Vm.load(), JNI_VERSION_1_2);
    try {
      callListener(scope.pEnv, static_cast<jobject>(user), kind, inputs, outputs);
      clearPending(scope.pEnv);
    } catch (...) {
      clearPending(scope.pEnv);
      reportCurrent(kind);
    }
  } catch (...) {
    reportCurrent(kind);
  }
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

void TLMdestinationInitialize(JNIEnv* pEnv) {
  if (DestinationSetup.Done.load()) return;
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  keepVm(DestinationSetup, pEnv);
  findWrapper(pEnv, DestinationOutputs);
  findWrapper(pEnv, DestinationInputs);
  TLMdestinationSetMessageReceivedCallback(onDestinationMessageReceived);
  TLMdestinationSetResubmissionPreviewMessageReceivedCallback(
      onDestinationResubmissionPreviewMessageReceived);
  TLMdestinationSetDisconnectedCallback(onDestinationDisconnected);
  DestinationSetup.Done.store(true);
}

void TLMsourceInitialize(JNIEnv* pEnv) {
  if (SourceSetup.Done.load()) return;
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  keepVm(SourceSetup, pEnv);
  findWrapper(pEnv, RequestedOutputs);
  findWrapper(pEnv, RequestedInputs);
  findWrapper(pEnv, CompletedOutputs);
  findWrapper(pEnv, CompletedInputs);
  TLMsourceSetMessageRequestedCallback(onSourceMessageRequested);
  TLMsourceSetMessageRequestCompletedCallback(onSourceMessageRequestCompleted);
  TLMsourceSetDisconnectedCallback(onSourceDisconnected);
  SourceSetup.Done.store(true);
}

jlong TLMjniAddListener(JNIEnv* pEnv, jobject Self, jlong Handle,
                        TLMerror (*Function) TLM_PARAMS_AddListener) {
  return TLMjniGuard(pEnv, jlong(0), [&] {
    jobject reference = pEnv->NewGlobalRef(Self);
    if (!reference) {
      throw COLerror("Unable to make a global reference to the listener.", 0, "TLMjniListener",
                     COL_ERROR_PRECONDITION);
    }
    TLMerror result;
    try {
      addLive(reference);
      result = Function(TLMjniHandle(Handle), reference);
    } catch (...) {
      takeLive(reference);
      pEnv->DeleteGlobalRef(reference);
      throw;
    }
    // Refused: Java never receives the reference, so nobody else could delete it.
    if (result && takeLive(reference)) pEnv->DeleteGlobalRef(reference);
    TLMjniCheckResult(result);
    return TLMjniLong(reference);
  });
}

void TLMjniListenerRelease(JNIEnv* pEnv, jlong Handle, jlong Listener,
                           TLMerror (*Remove)(TLMhandle, void*),
                           TLMerror (*Function) TLM_PARAMS_ListenerRelease) {
  TLMjniGuard(pEnv, 0, [&] {
    jobject reference = reinterpret_cast<jobject>(static_cast<intptr_t>(Listener));
    if (isLive(reference)) {
      TLMjniCheckResult(Remove(TLMjniHandle(Handle), reference));
      if (takeLive(reference)) pEnv->DeleteGlobalRef(reference);
    }
    TLMjniCheckResult(Function(TLMjniHandle(Handle)));
    return 0;
  });
}
