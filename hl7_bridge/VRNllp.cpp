// The roads of the LLP natives and the eleven event callbacks.
//
// A callback comes on any thread sockmod2 chooses: a Java thread inside a message loop, or
// one of its own I/O threads. Each finds its own JNIEnv (attaching an unknown thread for
// the callback's length only), works inside a local frame, and keeps every failure on its
// side of the boundary: a Java exception is described and cleared, an event that cannot be
// delivered whole is reported on standard error, and sockmod2 always gets 0 back.
//
// A callback looks no class up. On a thread with no Java frame FindClass searches the
// system class loader only, which need not know our classes (an application server loads
// them through a loader of its own) or may know a second copy of them. The LlpConnection
// class and its constructor are found by each server's creation, inside a native method of
// LlpServer, so through the loader that loaded the bridge's classes, and held without
// keeping that loader alive (JNIheldClass).
#include "hl7_bridge/VRNllp.h"

#include "COL/COLerror.h"
#include "COL/COLstring.h"
#include "JNI/JNIheldClass.h"
#include "JNI/JNIimplement.h"
#include "JNI/JNIscopedLocalFrame.h"
#include "hl7_bridge/VRNjniImplement.h"
#include "hl7_bridge/VRNlisteners.h"
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <atomic>

namespace {

const jint kFrameCapacity = 16;
const char* const kConnectionClass = "com/olvenmark/varnel/LlpConnection";

// Written once by the first creation of each unit and never cleared. The virtual machine is
// stored before the callbacks are registered, so that no callback can find it unset.
struct UnitSetup {
  std::atomic<bool> Installed{false};
  JNIkeptVm Vm;
};
UnitSetup ServerSetup;
UnitSetup ClientSetup;
const JNIeventRoad ServerRoad = {VRNlisteners, ServerSetup.Vm, "vrn_java"};
const JNIeventRoad ClientRoad = {VRNlisteners, ClientSetup.Vm, "vrn_java"};

// The class that the server's events wrap their connection in. A class that cannot be
// found is not an error of the server's creation: its events cannot be delivered (and say
// so), and the next creation looks again, as it does once the loader of the class held
// has gone.
JNIheldClass ConnectionClass(kConnectionClass);

// An error handle whose answer changes nothing the bridge does: its reference is given back.
void ignoreResult(VRNresult result) { VRNreleaseError(result); }

// ---- events ----

// An event's arguments after the user value; each kind uses the ones its signature names,
// in the signature's order: connection, text, code.
struct EventArgs {
  bool HasConnection = false;
  VRNhandle Connection = nullptr;
  bool HasText = false;
  const char* Text = nullptr;
  bool HasCode = false;
  int Code = 0;
};

EventArgs withConnection(VRNhandle connection) {
  EventArgs args;
  args.HasConnection = true;
  args.Connection = connection;
  return args;
}

EventArgs withText(EventArgs args, const char* text) {
  args.HasText = true;
  args.Text = text;
  return args;
}

EventArgs withCode(EventArgs args, int code) {
  args.HasCode = true;
  args.Code = code;
  return args;
}

void clearPending(JNIEnv* env) {
  if (env->ExceptionCheck()) {
    env->ExceptionDescribe();
    env->ExceptionClear();
  }
}

// A step that left a Java exception pending, or gave nothing: the exception is described
// and cleared here, and the event is reported as not delivered.
void failedStep(JNIEnv* env, const char* what) {
  clearPending(env);
  throw COLerror(COLstring(what), 0, "VRNllp", COL_ERROR_PRECONDITION);
}

// The listener still hears a text that vrn_core refuses to convert (bytes off the wire
// that are not UTF-8), with each invalid sequence replaced.
jstring eventText(JNIEnv* env, const char* text) {
  if (text == nullptr) return nullptr;
  jstring made = VRNjavaStringForListener(env, text);
  if (made == nullptr) failedStep(env, "The event's text could not be made into a Java string");
  return made;
}

struct Event {
  VRNeventKind Kind;
  const EventArgs& Args;
};

void callListener(JNIEnv* env, const JNIlistenerRegistry::Share& share, const void* event) {
  VRNeventKind kind = static_cast<const Event*>(event)->Kind;
  const EventArgs& args = static_cast<const Event*>(event)->Args;
  jobject listener = share.listener();
  jmethodID method = share.method(env, kind);
  if (method == nullptr) failedStep(env, "The listener has no such method");
  jstring text = args.HasText ? eventText(env, args.Text) : nullptr;
  jobject connection = nullptr;
  if (args.HasConnection) {
    if (!ConnectionClass.held())
      failedStep(env, "The LlpConnection class was not found when the server was created");
    connection = ConnectionClass.createObject(env, args.Connection);
    if (connection == nullptr) failedStep(env, "The connection object could not be made");
  }
  jvalue values[3];
  int count = 0;
  if (args.HasConnection) values[count++].l = connection;
  if (args.HasText) values[count++].l = text;
  if (args.HasCode) values[count++].i = static_cast<jint>(args.Code);
  // A throwing listener: the road clears its exception, which must not stay pending on
  // sockmod2's thread.
  env->CallVoidMethodA(listener, method, values);
}

int deliver(const JNIeventRoad& road, void* user, VRNeventKind kind, const EventArgs& args) noexcept {
  Event event{kind, args};
  JNIdeliverEvent(road, kind, user, callListener, &event);
  return 0;
}

int onLlpServerErrorReceived(void* user, const char* text, int code) {
  return deliver(ServerRoad, user, VRNeventServerError, withCode(withText(EventArgs(), text), code));
}
int onLlpServerClientConnected(void* user, VRNhandle connection) {
  return deliver(ServerRoad, user, VRNeventServerConnected, withConnection(connection));
}
int onLlpServerClientDisconnected(void* user, VRNhandle connection) {
  return deliver(ServerRoad, user, VRNeventServerDisconnected, withConnection(connection));
}
int onLlpServerClientErrorReceived(void* user, VRNhandle connection, const char* text, int code) {
  return deliver(ServerRoad, user, VRNeventServerClientError, withCode(withText(withConnection(connection), text), code));
}
int onLlpServerMessageReceived(void* user, VRNhandle connection, const char* text) {
  return deliver(ServerRoad, user, VRNeventServerMessage, withText(withConnection(connection), text));
}
int onLlpServerDataIgnored(void* user, VRNhandle connection, const char* text) {
  return deliver(ServerRoad, user, VRNeventServerIgnored, withText(withConnection(connection), text));
}
int onLlpClientConnected(void* user) { return deliver(ClientRoad, user, VRNeventClientConnected, EventArgs()); }
int onLlpClientClosed(void* user) { return deliver(ClientRoad, user, VRNeventClientClosed, EventArgs()); }
int onLlpClientMessageReceived(void* user, const char* text) {
  return deliver(ClientRoad, user, VRNeventClientMessage, withText(EventArgs(), text));
}
int onLlpClientDataIgnored(void* user, const char* text) {
  return deliver(ClientRoad, user, VRNeventClientIgnored, withText(EventArgs(), text));
}
int onLlpClientErrorReceived(void* user, const char* text, int code) {
  return deliver(ClientRoad, user, VRNeventClientError, withCode(withText(EventArgs(), text), code));
}

}  // namespace

// The server's and the client's contracts differ only in their functions' names.
#define VRN_LLP_LISTENERS(Stem)                                                                   \
  {VRNlisteners, VRNjniRaiseCaught, VRNreleaseError, Stem##AddListener, Stem##RemoveListener,     \
   Stem##Release, JNIsecondAdd::TheLiveOne, JNIrefusedRemoval::Raises, #Stem "Release"}
const JNIlistenerContract VRNserverListeners = VRN_LLP_LISTENERS(VRNlistener);
const JNIlistenerContract VRNclientListeners = VRN_LLP_LISTENERS(VRNclient);

void VRNlistenerInitialize(JNIEnv* env) {
  ConnectionClass.hold(env);
  if (ServerSetup.Installed.load()) return;
  ServerSetup.Vm.keep(env);
  ignoreResult(VRNlistenerSetListenerErrorCallback(onLlpServerErrorReceived));
  ignoreResult(VRNlistenerSetConnectCallback(onLlpServerClientConnected));
  ignoreResult(VRNlistenerSetDisconnectCallback(onLlpServerClientDisconnected));
  ignoreResult(VRNlistenerSetConnectionErrorCallback(onLlpServerClientErrorReceived));
  ignoreResult(VRNlistenerSetMessageCallback(onLlpServerMessageReceived));
  ignoreResult(VRNlistenerSetIgnoredDataCallback(onLlpServerDataIgnored));
  ServerSetup.Installed.store(true);
}

void VRNclientInitialize(JNIEnv* env) {
  if (ClientSetup.Installed.load()) return;
  ClientSetup.Vm.keep(env);
  ignoreResult(VRNclientSetConnectCallback(onLlpClientConnected));
  ignoreResult(VRNclientSetClosedCallback(onLlpClientClosed));
  ignoreResult(VRNclientSetMessageCallback(onLlpClientMessageReceived));
  ignoreResult(VRNclientSetIgnoredDataCallback(onLlpClientDataIgnored));
  ignoreResult(VRNclientSetErrorCallback(onLlpClientErrorReceived));
  ClientSetup.Installed.store(true);
}

// ---- the natives' roads ----

jlong VRNllpCreateRoad(JNIEnv* env, VRNllpInstall install, VRNllpCreate function) {
  VRNhandle made = nullptr;
  VRNguardedCall(env, [&] {
    install(env);
    VRNjniCheckResult(function(&made));
  });
  return JNIlongOf(made);
}

void VRNllpFramedCall(JNIEnv* env, jlong h, VRNllpCall function) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckResult(function(JNIhandleOf(h)));
  });
}

void VRNllpMessageLoop(JNIEnv* env, VRNllpLoop function) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckResult(function());
  });
}

jint VRNllpIntGetter(JNIEnv* env, jlong h, VRNllpGetInt function) {
  return VRNguarded(env, jint(0), [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    int value = 0;
    VRNjniCheckResult(function(JNIhandleOf(h), &value));
    return static_cast<jint>(value);
  });
}

void VRNllpIntSetter(JNIEnv* env, jlong h, jint value, VRNllpSetInt function) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckResult(function(JNIhandleOf(h), static_cast<int>(value)));
  });
}

jboolean VRNllpFlagGetter(JNIEnv* env, jlong h, VRNllpGetFlag function) {
  return VRNguarded(env, jboolean(JNI_FALSE), [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    unsigned char flag = 0;
    VRNjniCheckResult(function(JNIhandleOf(h), &flag));
    return static_cast<jboolean>(flag);
  });
}

jstring VRNllpTextGetter(JNIEnv* env, jlong h, VRNllpGetText function) {
  return VRNguarded(env, jstring(nullptr), [&] {
    const char* text = nullptr;
    {
      JNIscopedLocalFrame frame(env, kFrameCapacity);
      VRNjniCheckResult(function(JNIhandleOf(h), &text));
    }
    return VRNjavaStringFromMultiByte(env, text);
  });
}

void VRNllpTextSetter(JNIEnv* env, jlong h, jstring value, VRNllpSetText function, const char* variable,
                      const char* method) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckString(value, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, value, variable, method);
    VRNjniCheckResult(function(JNIhandleOf(h), text.text));
  });
}

jobject VRNllpConnectionGetter(JNIEnv* env, jlong h, jint index, VRNllpGetIndexed function) {
  return VRNguarded(env, jobject(nullptr), [&] {
    VRNhandle connection = nullptr;
    {
      JNIscopedLocalFrame frame(env, kFrameCapacity);
      VRNjniCheckResult(function(JNIhandleOf(h), static_cast<int>(index), &connection));
    }
    // A class or constructor that cannot be found leaves its own exception pending.
    return VRNjniCreateObject(env, kConnectionClass, connection);
  });
}

jstring VRNllpPrintableRoad(JNIEnv* env, jlong h, jstring input, jstring newLine, jint count,
                            VRNllpPrintable function, const char* variable, const char* method) {
  return VRNguarded(env, jstring(nullptr), [&] {
    const char* result = nullptr;
    VRNmultiByteHolder inputText;
    VRNmultiByteHolder newLineText;
    {
      JNIscopedLocalFrame frame(env, kFrameCapacity);
      VRNjniCheckString(input, variable, method);
      VRNjavaStringToMultiByte(inputText.text, env, input, variable, method);
      VRNjniCheckString(newLine, "NewLine", method);
      VRNjavaStringToMultiByte(newLineText.text, env, newLine, "NewLine", method);
      VRNjniCheckResult(function(JNIhandleOf(h), inputText.text, newLineText.text, static_cast<int>(count), &result));
    }
    return VRNjavaStringFromMultiByte(env, result);
  });
}

void VRNllpConnectRoad(JNIEnv* env, jlong h, jstring host, jint port, VRNllpConnect function,
                       const char* variable, const char* method) {
  VRNguardedCall(env, [&] {
    JNIscopedLocalFrame frame(env, kFrameCapacity);
    VRNjniCheckString(host, variable, method);
    VRNmultiByteHolder text;
    VRNjavaStringToMultiByte(text.text, env, host, variable, method);
    VRNjniCheckResult(function(JNIhandleOf(h), text.text, static_cast<int>(port)));
  });
}
