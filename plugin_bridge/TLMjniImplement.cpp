// The glue between the JNI framework and the plug-in bridge, and the road of each shape of
// native: out values start empty, texts and dates are converted inside one local frame,
// the library's error handle is checked, and the result object is made after the frame
// has gone so that it belongs to the caller.
#include "plugin_bridge/TLMjniImplement.h"

#include "JNI/JNIimplement.h"
#include "JNI/JNIjavaDateTime.h"
#include "JNI/JNIscopedLocalFrame.h"
#include "plugin_bridge/TLMjavaString.h"

namespace {

const jint FrameCapacity = 16;

// The last resort of the guard, for failures that carry no text of ours (out of memory
// among them): it must not fail in turn, so it uses nothing but JNI.
void raiseUnhandled(JNIEnv* pEnv) noexcept {
  if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
  jclass exceptionClass = pEnv->FindClass(TLM_PLUGIN_EXCEPTION_CLASS);
  if (!exceptionClass) {
    if (JNIkeepVirtualMachineError(pEnv)) return;
    pEnv->FatalError("TLMjniImplement: Fatal error: Java exception class not found (Java exception "
                     "class: \"" TLM_PLUGIN_EXCEPTION_CLASS "\", local exception description: "
                     "\"Unhandled exception\")");
    return;
  }
  if (pEnv->ThrowNew(exceptionClass, "Unhandled exception") != 0) {
    if (JNIkeepVirtualMachineError(pEnv)) return;
    if (pEnv->ExceptionCheck()) pEnv->ExceptionClear();
    pEnv->FatalError("TLMjniImplement: Fatal error: Failed to throw Java exception (Java "
                     "exception class: \"" TLM_PLUGIN_EXCEPTION_CLASS "\")");
    return;
  }
  pEnv->DeleteLocalRef(exceptionClass);
}

// A text that the library returned; a null one with success reads as empty.
jstring stringFrom(JNIEnv* pEnv, const char* text) {
  return TLMjavaStringFromUtf8(pEnv, text ? text : "");
}

}  // namespace

void TLMjniCheckResult(TLMerror Result) { JNIcheckDllResult(Result); }

void TLMjniCheckString(jstring Value, const char* VariableName, const char* MethodName) {
  JNIcheckStringNotNull(Value, VariableName, MethodName);
}

void TLMjniCheckDate(jobject Value, const char* VariableName, const char* MethodName) {
  JNIcheckDateNotNull(Value, VariableName, MethodName);
}

// An error object that no PluginException adopted: nobody else could give it back.
void TLMjniGiveBackError(void* Handle) {
  if (!JNIisErrorObject(Handle)) return;
  TLMerror error = TLMexceptionRelease(static_cast<TLMhandle>(Handle));
  if (JNIisErrorObject(error)) TLMexceptionRelease(error);
}

void TLMjniThrowPluginException(JNIEnv* pEnv, const LEGerror& Error) {
  JNIthrowException(pEnv, TLM_PLUGIN_EXCEPTION_CLASS, Error, TLMjniGiveBackError);
}

jobject TLMjniCreateObject(JNIEnv* pEnv, const char* ClassPath, TLMhandle Handle) {
  return JNIcreateObjectFromHandle(pEnv, ClassPath, Handle);
}

void TLMjavaInitializeEncoding(TLMencodingFlag& Flag) {
  if (Flag.Done.load()) return;
  TLMcharacterEncodingSetCharacterEncoding("UTF-8");
  Flag.Done.store(true);
}

void TLMjniRaiseCurrent(JNIEnv* pEnv) noexcept {
  try {
    try {
      throw;
    } catch (const LEGerror& error) {
      // As it is: a JNIdllError must keep its handle to become the exception object.
      TLMjniThrowPluginException(pEnv, error);
    } catch (const COLerror& error) {
      TLMjniThrowPluginException(pEnv, LEGerrorFrom(error));
    }
  } catch (...) {
    raiseUnhandled(pEnv);
  }
}

jlong TLMjniCreate(JNIEnv* pEnv, TLMjniSetup Setup, TLMerror (*Function) TLM_PARAMS_Create) {
  TLMhandle handle = nullptr;
  return TLMjniGuard(pEnv, jlong(0), [&] {
    Setup(pEnv);
    TLMjniCheckResult(Function(&handle));
    return JNIlongOf(handle);
  });
}

void TLMjniReference(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_Reference) {
  TLMjniGuard(pEnv, 0, [&] {
    TLMjniCheckResult(Function(JNIhandleOf(Handle)));
    return 0;
  });
}

void TLMjniAction(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_Action) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle)));
    return 0;
  });
}

jstring TLMjniTextGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_TextGetter) {
  const char* text = nullptr;
  return TLMjniGuard(pEnv, jstring(nullptr), [&] {
    {
      JNIscopedLocalFrame frame(pEnv, FrameCapacity);
      TLMjniCheckResult(Function(JNIhandleOf(Handle), &text));
    }
    return stringFrom(pEnv, text);
  });
}

jstring TLMjniMessageGetter(JNIEnv* pEnv, TLMjniSetup Setup, jlong Handle,
                            TLMerror (*Function) TLM_PARAMS_MessageGetter) {
  const char* text = nullptr;
  return TLMjniGuard(pEnv, jstring(nullptr), [&] {
    Setup(pEnv);
    {
      JNIscopedLocalFrame frame(pEnv, FrameCapacity);
      TLMjniCheckResult(Function(JNIhandleOf(Handle), &text));
    }
    return stringFrom(pEnv, text);
  });
}

void TLMjniTextSetter(JNIEnv* pEnv, jlong Handle, jstring Value, const char* VariableName,
                      const char* MethodName, TLMerror (*Function) TLM_PARAMS_TextSetter) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckString(Value, VariableName, MethodName);
    COLstring text = TLMjavaStringToUtf8(pEnv, Value);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), text.c_str()));
    return 0;
  });
}

jboolean TLMjniBoolGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_BoolGetter) {
  TLMbool value = 0;
  return TLMjniGuard(pEnv, jboolean(JNI_FALSE), [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), &value));
    return value ? jboolean(JNI_TRUE) : jboolean(JNI_FALSE);
  });
}

void TLMjniBoolSetter(JNIEnv* pEnv, jlong Handle, jboolean Value,
                      TLMerror (*Function) TLM_PARAMS_BoolSetter) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), TLMbool(Value ? 1 : 0)));
    return 0;
  });
}

jint TLMjniIntGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_IntGetter) {
  int value = 0;
  return TLMjniGuard(pEnv, jint(0), [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), &value));
    return jint(value);
  });
}

void TLMjniIntSetter(JNIEnv* pEnv, jlong Handle, jint Value,
                     TLMerror (*Function) TLM_PARAMS_IntSetter) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), Value));
    return 0;
  });
}

jobject TLMjniDateGetter(JNIEnv* pEnv, jlong Handle, TLMerror (*Function) TLM_PARAMS_DateGetter) {
  double value = 0.0;
  return TLMjniGuard(pEnv, jobject(nullptr), [&] {
    {
      JNIscopedLocalFrame frame(pEnv, FrameCapacity);
      TLMjniCheckResult(Function(JNIhandleOf(Handle), &value));
    }
    return JNIjavaDateTimeCreate(pEnv, value);
  });
}

void TLMjniDateSetter(JNIEnv* pEnv, jlong Handle, jobject Value, const char* VariableName,
                      const char* MethodName, TLMerror (*Function) TLM_PARAMS_DateSetter) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckDate(Value, VariableName, MethodName);
    double value = JNIjavaDateTimeGet(pEnv, Value);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), value));
    return 0;
  });
}

namespace {

// A handle that no wrapper could be made for goes back to the library, or nobody would
// ever give up its reference. The lookup's exception stays pending for Java; a failed
// release has nowhere to be reported, so its error object is given back as well.
jobject wrapOrRelease(JNIEnv* pEnv, const char* classPath, TLMhandle handle,
                      TLMerror (*release)(TLMhandle)) {
  jobject wrapper = TLMjniCreateObject(pEnv, classPath, handle);
  if (!wrapper && handle) TLMjniGiveBackError(release(handle));
  return wrapper;
}

}  // namespace

jobject TLMjniObjectGetter(JNIEnv* pEnv, jlong Handle, const char* ClassPath,
                           TLMerror (*Function) TLM_PARAMS_ObjectGetter,
                           TLMerror (*Release)(TLMhandle)) {
  TLMhandle object = nullptr;
  return TLMjniGuard(pEnv, jobject(nullptr), [&] {
    {
      JNIscopedLocalFrame frame(pEnv, FrameCapacity);
      TLMjniCheckResult(Function(JNIhandleOf(Handle), &object));
    }
    return wrapOrRelease(pEnv, ClassPath, object, Release);
  });
}

jobject TLMjniIndexedObjectGetter(JNIEnv* pEnv, jlong Handle, jint Index, const char* ClassPath,
                                  TLMerror (*Function) TLM_PARAMS_IndexedObjectGetter,
                                  TLMerror (*Release)(TLMhandle)) {
  TLMhandle object = nullptr;
  return TLMjniGuard(pEnv, jobject(nullptr), [&] {
    {
      JNIscopedLocalFrame frame(pEnv, FrameCapacity);
      TLMjniCheckResult(Function(JNIhandleOf(Handle), Index, &object));
    }
    return wrapOrRelease(pEnv, ClassPath, object, Release);
  });
}

jlong TLMjniExceptionCreate(JNIEnv* pEnv, TLMjniSetup Setup, jstring Message,
                            const char* VariableName, const char* MethodName,
                            TLMerror (*Function) TLM_PARAMS_ExceptionCreate) {
  TLMhandle handle = nullptr;
  return TLMjniGuard(pEnv, jlong(0), [&] {
    // The description is handed over as UTF-8, so the library must have been told so.
    Setup(pEnv);
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckString(Message, VariableName, MethodName);
    COLstring text = TLMjavaStringToUtf8(pEnv, Message);
    TLMjniCheckResult(Function(nullptr, &handle, text.c_str()));
    return JNIlongOf(handle);
  });
}

void TLMjniConnect(JNIEnv* pEnv, jlong Handle, jstring HostName, jint Port, jstring ChannelName,
                   const char* HostVariable, const char* ChannelVariable,
                   TLMerror (*Function) TLM_PARAMS_Connect) {
  TLMjniGuard(pEnv, 0, [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckString(HostName, HostVariable, "Connect");
    COLstring host = TLMjavaStringToUtf8(pEnv, HostName);
    TLMjniCheckString(ChannelName, ChannelVariable, "Connect");
    COLstring channel = TLMjavaStringToUtf8(pEnv, ChannelName);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), host.c_str(), Port, channel.c_str()));
    return 0;
  });
}

jboolean TLMjniWaitWithTimeout(JNIEnv* pEnv, jlong Handle, jint Timeout,
                               TLMerror (*Function) TLM_PARAMS_WaitWithTimeout) {
  TLMbool disconnected = 0;
  return TLMjniGuard(pEnv, jboolean(JNI_FALSE), [&] {
    JNIscopedLocalFrame frame(pEnv, FrameCapacity);
    TLMjniCheckResult(Function(JNIhandleOf(Handle), Timeout, &disconnected));
    return disconnected ? jboolean(JNI_TRUE) : jboolean(JNI_FALSE);
  });
}
