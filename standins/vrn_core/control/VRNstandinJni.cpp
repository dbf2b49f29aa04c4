// The Java face of the vrn_core stand-in's control interface, for the JVM suites of
// vrn_java (class varneltests.StandIn): injections, the journal, live counts, log lines
// from any thread, the error functions for reading and releasing an exception's handle,
// and the natives table that the suites sweep.
#include "hl7_bridge/VRNlibraryContract.h"
#include "hl7_bridge/VRNnativeTable.h"
#include "standins/vrn_core/VRNstandinControl.h"

#include <jni.h>

#include <string>
#include <vector>

#define VRN_CONTROL(Result, Name, ...) \
  extern "C" JNIEXPORT Result JNICALL Java_varneltests_StandIn_##Name([[maybe_unused]] JNIEnv* env, jclass, ##__VA_ARGS__)

namespace {

std::string text(JNIEnv* env, jstring value) {
  if (value == nullptr) return std::string();
  const char* chars = env->GetStringUTFChars(value, nullptr);
  std::string out = chars ? chars : "";
  if (chars) env->ReleaseStringUTFChars(value, chars);
  return out;
}

std::string bytes(JNIEnv* env, jbyteArray value) {
  std::string out(size_t(env->GetArrayLength(value)), '\0');
  if (!out.empty()) env->GetByteArrayRegion(value, 0, jsize(out.size()), reinterpret_cast<jbyte*>(&out[0]));
  return out;
}

VRNhandle handle(jlong value) { return reinterpret_cast<VRNhandle>(static_cast<intptr_t>(value)); }

}  // namespace

VRN_CONTROL(void, reset) { VRNstandinReset(); }

VRN_CONTROL(jboolean, failNext, jstring function, jstring description, jstring key, jstring value) {
  std::string k = text(env, key);
  return VRNstandinFailNext(text(env, function).c_str(), text(env, description).c_str(),
                            key ? k.c_str() : nullptr, text(env, value).c_str());
}

VRN_CONTROL(jboolean, failNextUnhandled, jstring function) {
  return VRNstandinFailNextUnhandled(text(env, function).c_str());
}

VRN_CONTROL(jstring, journal) { return env->NewStringUTF(VRNstandinJournal()); }

VRN_CONTROL(jint, callCount, jstring function) { return VRNstandinCallCount(text(env, function).c_str()); }

VRN_CONTROL(jint, liveCount, jstring kind) { return VRNstandinLiveCount(text(env, kind).c_str()); }

VRN_CONTROL(jlong, referenceCount, jlong error) { return VRNstandinReferenceCount(handle(error)); }

VRN_CONTROL(void, log, jlong engine, jbyteArray line) { VRNstandinLog(handle(engine), bytes(env, line).c_str()); }

VRN_CONTROL(void, logMany, jlong engine, jbyteArray line, jint count) {
  std::string l = bytes(env, line);
  for (jint i = 0; i < count; ++i) VRNstandinLog(handle(engine), l.c_str());
}

VRN_CONTROL(void, logFromWorker, jlong engine, jbyteArray line) {
  VRNstandinLogFromWorker(handle(engine), bytes(env, line).c_str());
}

// The description of an error handle, its bytes as they stand (ASCII in the suites).
VRN_CONTROL(jstring, description, jlong error) {
  const char* description = nullptr;
  if (VRNerrorGetDescription(handle(error), &description) != nullptr || description == nullptr) return nullptr;
  return env->NewStringUTF(description);
}

VRN_CONTROL(jstring, parameter, jlong error, jstring key) {
  const char* value = nullptr;
  if (VRNerrorGetParameter(handle(error), text(env, key).c_str(), &value) != nullptr || value == nullptr)
    return nullptr;
  return env->NewStringUTF(value);
}

VRN_CONTROL(jint, parameterCount, jlong error) {
  int count = -1;
  VRNerrorGetCountOfParameter(handle(error), &count);
  return count;
}

VRN_CONTROL(jboolean, release, jlong error) { return VRNerrorRelease(handle(error)) == nullptr; }

VRN_CONTROL(jlong, tableCreate) {
  VRNhandle table = nullptr;
  VRNtableCreate(&table);
  return static_cast<jlong>(reinterpret_cast<intptr_t>(table));
}

VRN_CONTROL(void, tableRelease, jlong table) { VRNtableRelease(handle(table)); }

VRN_CONTROL(void, setNullFlags, jint tableByte, jint dateTimeFlag) {
  VRNstandinSetNullFlags(static_cast<unsigned char>(tableByte), static_cast<uint16_t>(dateTimeFlag));
}

// "Class Method Shape LibraryFunction Variable MethodName Signature" per native, the
// empty names written as "-".
VRN_CONTROL(jobjectArray, nativeTable) {
  std::vector<std::vector<std::string>> rows;
#define VRN_SIGNATURE(Shape, Signature) if (shape == #Shape) return Signature;
  auto signature = [](const std::string& shape) -> std::string {
    VRN_SHAPE_SIGNATURES(VRN_SIGNATURE)
    return "?";
  };
#undef VRN_SIGNATURE
#define VRN_ROW(Class, Method, Shape, Function, Variable, Name) \
  rows.push_back({#Class, #Method, #Shape, #Function, Variable, Name});
  VRN_NATIVES(VRN_ROW)
#undef VRN_ROW
  jclass stringClass = env->FindClass("java/lang/String");
  jobjectArray out = env->NewObjectArray(jsize(rows.size()), stringClass, nullptr);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string line;
    for (std::string& word : rows[i]) line += (word.empty() ? std::string("-") : word) + " ";
    line += signature(rows[i][2]);
    jstring s = env->NewStringUTF(line.c_str());
    env->SetObjectArrayElement(out, jsize(i), s);
    env->DeleteLocalRef(s);
  }
  return out;
}
