// TLMjniImplement: what every native of the plug-in bridge shares. The glue that binds the
// JNI framework to PluginException, the guard that turns anything raised into a pending
// Java exception, and one road per shape of native (TLMnatives.def names each native's).
#pragma once

#include "JNI/JNIimplement.h"
#include "LEG/LEGerror.h"
#include "contracts/TLMclient.h"

#include <jni.h>

#include <atomic>

#define TLM_PLUGIN_PACKAGE "com/olvenmark/tollmere/plugin/"
#define TLM_PLUGIN_EXCEPTION_CLASS TLM_PLUGIN_PACKAGE "PluginException"

void TLMjniCheckResult(TLMerror Result);
void TLMjniCheckString(jstring Value, const char* VariableName, const char* MethodName);
void TLMjniCheckDate(jobject Value, const char* VariableName, const char* MethodName);
void TLMjniThrowPluginException(JNIEnv* pEnv, const LEGerror& Error);
// Gives back an error handle that no PluginException adopted; a failed release has nowhere
// to be reported, so its own error object goes back too.
void TLMjniGiveBackError(void* Handle);
jobject TLMjniCreateObject(JNIEnv* pEnv, const char* ClassPath, TLMhandle Handle);

// A class's one-time set-up, run by its Create; an encoding flag is one class's own.
typedef void (*TLMjniSetup)(JNIEnv* pEnv);
struct TLMencodingFlag {
  std::atomic<bool> Done{false};
};
void TLMjavaInitializeEncoding(TLMencodingFlag& Flag);

// Leaves a PluginException pending for whatever the native raised: an LEGerror as it is
// (an error handle stays one), a COLerror turned into an LEGerror, anything else as
// "Unhandled exception". Never raises.
void TLMjniRaiseCurrent(JNIEnv* pEnv) noexcept;

// Runs a native's body; when it raises, the Java exception is made pending and the native
// returns Failed, which Java never sees.
template <typename Result, typename Body>
Result TLMjniGuard(JNIEnv* pEnv, Result Failed, Body body) noexcept {
  return JNIguard(pEnv, TLMjniRaiseCurrent, Failed, body);
}

// The roads of the shapes. Function is the library function a native forwards to.
jlong TLMjniCreate(JNIEnv* pEnv, TLMjniSetup Setup, TLMerror (*Function) TLM_PARAMS_Create);
void TLMjniReference(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_Reference);
void TLMjniAction(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_Action);
jstring TLMjniTextGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_TextGetter);
jstring TLMjniMessageGetter(JNIEnv* pEnv, TLMjniSetup Setup, jlong Handle,
                            TLMerror (*Function) TLM_PARAMS_MessageGetter);
void TLMjniTextSetter(JNIEnv* pEnv, jlong Handle, jstring Value, const char* VariableName,
                      const char* MethodName, TLMerror (*Function) TLM_PARAMS_TextSetter);
jboolean TLMjniBoolGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_BoolGetter);
void TLMjniBoolSetter(JNIEnv* pEnv, jlong Handle, jboolean Value,
                      TLMerror (*Function) TLM_PARAMS_BoolSetter);
jint TLMjniIntGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_IntGetter);
void TLMjniIntSetter(JNIEnv* pEnv, jlong Handle, jint Value,
                     TLMerror (*Function) TLM_PARAMS_IntSetter);
jobject TLMjniDateGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_DateGetter);
void TLMjniDateSetter(JNIEnv* pEnv, jlong Handle, jobject Value, const char* VariableName,
                      const char* MethodName, TLMerror (*Function) TLM_PARAMS_DateSetter);
jobject TLMjniObjectGetter(JNIEnv* pEnv, jlong Handle, const char* ClassPath,
                           TLMerror (*Function) TLM_PARAMS_ObjectGetter,
                           TLMerror (*Release)(TLMhandle));
jobject TLMjniIndexedObjectGetter(JNIEnv* pEnv, jlong Handle, jint Index, const char* ClassPath,
                                  TLMerror (*Function) TLM_PARAMS_IndexedObjectGetter,
                                  TLMerror (*Release)(TLMhandle));
jlong TLMjniExceptionCreate(JNIEnv* pEnv, TLMjniSetup Setup, jstring Message,
                            const char* VariableName, const char* MethodName,
                            TLMerror (*Function) TLM_PARAMS_ExceptionCreate);
void TLMjniConnect(JNIEnv* pEnv, jlong Handle, jstring HostName, jint Port, jstring ChannelName,
                   const char* HostVariable, const char* ChannelVariable,
                   TLMerror (*Function) TLM_PARAMS_Connect);
jboolean TLMjniWaitWithTimeout(JNIEnv* pEnv, jlong Handle, jint Timeout,
                               TLMerror (*Function) TLM_PARAMS_WaitWithTimeout);
