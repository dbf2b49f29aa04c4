// The listeners of vrn_java: the event kinds of the Engine's log and of the LLP server and
// client, listed once for the bridge's one registry, and the contracts that the three
// classes' AddListener and Release natives follow (JNI/JNIlistenerRegistry.h), each the
// whole native through one shape.
#pragma once

#include "JNI/JNIlistenerRegistry.h"

#define VRN_LLP_CONNECTION_ARG "Lcom/olvenmark/varnel/LlpConnection;"

// Each kind: its name here, the listener's method and its signature.
#define VRN_EVENT_KINDS(X)                                                                   \
  X(EngineLog, "log", "(Ljava/lang/String;)V")                                               \
  X(ServerError, "errorReceived", "(Ljava/lang/String;I)V")                                  \
  X(ServerConnected, "clientConnected", "(" VRN_LLP_CONNECTION_ARG ")V")                     \
  X(ServerDisconnected, "clientDisconnected", "(" VRN_LLP_CONNECTION_ARG ")V")               \
  X(ServerClientError, "clientErrorReceived", "(" VRN_LLP_CONNECTION_ARG "Ljava/lang/String;I)V") \
  X(ServerMessage, "messageReceived", "(" VRN_LLP_CONNECTION_ARG "Ljava/lang/String;)V")     \
  X(ServerIgnored, "dataIgnored", "(" VRN_LLP_CONNECTION_ARG "Ljava/lang/String;)V")         \
  X(ClientConnected, "connected", "()V")                                                     \
  X(ClientClosed, "closed", "()V")                                                           \
  X(ClientMessage, "messageReceived", "(Ljava/lang/String;)V")                               \
  X(ClientIgnored, "dataIgnored", "(Ljava/lang/String;)V")                                   \
  X(ClientError, "errorReceived", "(Ljava/lang/String;I)V")

#define VRN_EVENT_ENUM(Name, Method, Signature) VRNevent##Name,
enum VRNeventKind { VRN_EVENT_KINDS(VRN_EVENT_ENUM) };
#undef VRN_EVENT_ENUM

JNIlistenerRegistry& VRNlisteners();

// An Engine has one log callback, which a second AddListener replaces (the listener it
// held is given back once vrn_core has taken the new one); a Release that vrn_core does
// not let clear the callback gives the listener and the engine back all the same, as
// Engine.release() has forgotten both. A server and a client have one listener each: a
// second AddListener hands the live one back, and a RemoveListener that sockmod2 refuses
// leaves the listener and the object for a retry.
extern const JNIlistenerContract VRNengineListeners;
extern const JNIlistenerContract VRNserverListeners;
extern const JNIlistenerContract VRNclientListeners;
#define VRN_LISTENERS_Engine VRNengineListeners
#define VRN_LISTENERS_LlpServer VRNserverListeners
#define VRN_LISTENERS_LlpClient VRNclientListeners

// The AddListener and Release natives of the three classes.
#define VRN_SHAPE_ListenerAdd(C, M, F, V, N) \
  VRN_NATIVE(jlong, C, M, jlong h) { return JNIlistenerAdd(env, VRN_LISTENERS_##C, self, h); }
#define VRN_SHAPE_ListenerRelease(C, M, F, V, N) \
  VRN_NATIVE(void, C, M, jlong h, jlong l) { (void)self; JNIlistenerRelease(env, VRN_LISTENERS_##C, h, l); }
#define VRN_SHAPE_EngineAddListener VRN_SHAPE_ListenerAdd
#define VRN_SHAPE_EngineRelease VRN_SHAPE_ListenerRelease
#define VRN_SHAPE_LlpAddListener VRN_SHAPE_ListenerAdd
#define VRN_SHAPE_LlpRelease VRN_SHAPE_ListenerRelease
