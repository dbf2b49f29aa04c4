// The stand-in TLM library's control interface for the JVM suites (class plugintest.StandIn),
// and the natives' table for their sweep. Texts bound for the stand-in come as UTF-8 byte
// arrays made in Java, so no modified UTF-8 is involved; what comes back is ASCII.
#include "standins/TLM/TLMstandin.h"

#include <jni.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

JavaVM* Vm = nullptr;
std::atomic<int> AttachedAfterCallback{0};
std::atomic<int> DetachedAfterCallback{0};

std::string bytes(JNIEnv* pEnv, jbyteArray array) {
  if (!array) return std::string();
  jsize length = pEnv->GetArrayLength(array);
  std::string text(static_cast<std::size_t>(length), '\0');
  pEnv->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(&text[0]));
  return text;
}

std::string ascii(JNIEnv* pEnv, jstring string) {
  const char* chars = pEnv->GetStringUTFChars(string, nullptr);
  std::string text = chars ? chars : "";
  if (chars) pEnv->ReleaseStringUTFChars(string, chars);
  return text;
}

jobjectArray strings(JNIEnv* pEnv, const std::vector<std::string>& lines) {
  jclass stringClass = pEnv->FindClass("java/lang/String");
  jobjectArray array = pEnv->NewObjectArray(static_cast<jsize>(lines.size()), stringClass, nullptr);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    jstring line = pEnv->NewStringUTF(lines[i].c_str());
    pEnv->SetObjectArrayElement(array, static_cast<jsize>(i), line);
    pEnv->DeleteLocalRef(line);
  }
  return array;
}

template <typename Entry>
std::vector<std::string> collect(int count, Entry entry) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) {
    int length = entry(i, nullptr, 0);
    std::string line(static_cast<std::size_t>(length) + 1, '\0');
    entry(i, &line[0], length + 1);
    line.resize(static_cast<std::size_t>(length));
    lines.push_back(line);
  }
  return lines;
}

TLMhandle handle(jlong value) { return reinterpret_cast<TLMhandle>(static_cast<intptr_t>(value)); }
jlong value(TLMhandle handle) { return static_cast<jlong>(reinterpret_cast<intptr_t>(handle)); }

// After each callback, on the callback's own thread: is it still attached to the JVM?
void attachProbe(void*) {
  JNIEnv* pEnv = nullptr;
  if (Vm->GetEnv(reinterpret_cast<void**>(&pEnv), JNI_VERSION_1_2) == JNI_OK) {
    ++AttachedAfterCallback;
  } else {
    ++DetachedAfterCallback;
  }
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL JNI_OnLoad(JavaVM* pVm, void*) {
  Vm = pVm;
  return JNI_VERSION_1_2;
}

#define TLM_STRINGIFY(x) #x
#define TLM_NATIVE(Class, Method, Function, Shape, A, B) \
  #Class " " #Method " " #Function " " #Shape " " TLM_STRINGIFY(A) " " TLM_STRINGIFY(B),

// One line per native: "Class Method Function Shape A B", the shape arguments as written in
// the table (quoted names, or a function's name).
JNIEXPORT jobjectArray JNICALL Java_plugintest_StandIn_natives(JNIEnv* pEnv, jclass) {
  static const char* const rows[] = {
#include "contracts/TLMnatives.def"
  };
  return strings(pEnv, std::vector<std::string>(std::begin(rows), std::end(rows)));
}
#undef TLM_NATIVE

JNIEXPORT void JNICALL Java_plugintest_StandIn_reset(JNIEnv*, jclass) { TLMstandinReset(); }

JNIEXPORT jint JNICALL Java_plugintest_StandIn_liveCount(JNIEnv* pEnv, jclass, jstring kind) {
  return TLMstandinLiveCount(kind ? ascii(pEnv, kind).c_str() : nullptr);
}

JNIEXPORT jlong JNICALL Java_plugintest_StandIn_refCount(JNIEnv*, jclass, jlong object) {
  return TLMstandinRefCount(handle(object));
}

JNIEXPORT jint JNICALL Java_plugintest_StandIn_listenerCount(JNIEnv*, jclass, jlong endpoint) {
  return TLMstandinListenerCount(handle(endpoint));
}

JNIEXPORT jobjectArray JNICALL Java_plugintest_StandIn_journal(JNIEnv* pEnv, jclass) {
  return strings(pEnv, collect(TLMstandinJournalCount(), TLMstandinJournalEntry));
}

JNIEXPORT jint JNICALL Java_plugintest_StandIn_journalCount(JNIEnv*, jclass) {
  return TLMstandinJournalCount();
}

JNIEXPORT jobjectArray JNICALL Java_plugintest_StandIn_events(JNIEnv* pEnv, jclass) {
  return strings(pEnv, collect(TLMstandinEventCount(), TLMstandinEventRecord));
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_injectError(JNIEnv* pEnv, jclass, jstring function,
                                                           jbyteArray description) {
  TLMstandinInjectError(ascii(pEnv, function).c_str(), bytes(pEnv, description).c_str());
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_injectUnhandled(JNIEnv* pEnv, jclass,
                                                               jstring function) {
  TLMstandinInjectUnhandled(ascii(pEnv, function).c_str());
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_injectNullText(JNIEnv* pEnv, jclass,
                                                              jstring function) {
  TLMstandinInjectNullText(ascii(pEnv, function).c_str());
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setText(JNIEnv* pEnv, jclass, jlong object,
                                                       jstring field, jbyteArray utf8) {
  TLMstandinSetText(handle(object), ascii(pEnv, field).c_str(), bytes(pEnv, utf8).c_str());
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setBool(JNIEnv* pEnv, jclass, jlong object,
                                                       jstring field, jint flag) {
  TLMstandinSetBool(handle(object), ascii(pEnv, field).c_str(), flag);
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setInt(JNIEnv* pEnv, jclass, jlong object,
                                                      jstring field, jint number) {
  TLMstandinSetInt(handle(object), ascii(pEnv, field).c_str(), number);
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setDouble(JNIEnv* pEnv, jclass, jlong object,
                                                         jstring field, jdouble number) {
  TLMstandinSetDouble(handle(object), ascii(pEnv, field).c_str(), number);
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setObject(JNIEnv* pEnv, jclass, jlong object,
                                                         jstring field, jlong target) {
  TLMstandinSetObject(handle(object), ascii(pEnv, field).c_str(), handle(target));
}

JNIEXPORT jstring JNICALL Java_plugintest_StandIn_getField(JNIEnv* pEnv, jclass, jlong object,
                                                           jstring field) {
  std::string name = ascii(pEnv, field);
  int length = TLMstandinGetField(handle(object), name.c_str(), nullptr, 0);
  if (length < 0) return nullptr;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  TLMstandinGetField(handle(object), name.c_str(), &text[0], length + 1);
  return pEnv->NewStringUTF(text.c_str());
}

JNIEXPORT jlong JNICALL Java_plugintest_StandIn_presetQueryResult(JNIEnv* pEnv, jclass,
                                                                  jboolean success,
                                                                  jbyteArray description) {
  return value(TLMstandinPresetQueryResult(success, bytes(pEnv, description).c_str()));
}

JNIEXPORT jlong JNICALL Java_plugintest_StandIn_presetAddMessage(JNIEnv*, jclass, jlong result) {
  return value(TLMstandinPresetAddMessage(handle(result)));
}

JNIEXPORT jlong JNICALL Java_plugintest_StandIn_newDisconnectReason(JNIEnv*, jclass) {
  TLMhandle reason = nullptr;
  TLMdisconnectReasonCreate(&reason);
  return value(reason);
}

JNIEXPORT jint JNICALL Java_plugintest_StandIn_fire(JNIEnv*, jclass, jint event, jlong endpoint,
                                                    jint mode, jint threads, jint perThread) {
  return TLMstandinFire(event, handle(endpoint), mode, threads, perThread);
}

// Counts, from here on, the callbacks whose thread is attached / detached right after them.
JNIEXPORT void JNICALL Java_plugintest_StandIn_probeAttachment(JNIEnv*, jclass) {
  AttachedAfterCallback = 0;
  DetachedAfterCallback = 0;
  TLMstandinSetAfterCallbackHook(attachProbe, nullptr);
}

JNIEXPORT void JNICALL Java_plugintest_StandIn_setAfterCallbackHookOff(JNIEnv*, jclass) {
  TLMstandinSetAfterCallbackHook(nullptr, nullptr);
}

JNIEXPORT jint JNICALL Java_plugintest_StandIn_attachedAfterCallback(JNIEnv*, jclass) {
  return AttachedAfterCallback;
}

JNIEXPORT jint JNICALL Java_plugintest_StandIn_detachedAfterCallback(JNIEnv*, jclass) {
  return DetachedAfterCallback;
}

}  // extern "C"
