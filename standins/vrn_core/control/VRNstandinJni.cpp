// The Java face of the vrn_core stand-in's control interface, for the JVM suites of
// vrn_java (class varneltests.StandIn): injections, the journal, live counts, log lines
// from any thread, the error functions for reading and releasing an exception's handle,
// and the natives table that the suites sweep.
#include "contracts/VRNlibraryContract.h"
#include "standins/common/STANDINjni.h"
#include "standins/vrn_core/VRNstandinControl.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define VRN_CONTROL(Result, Name, ...) STANDIN_JAVA_NATIVE(StandIn, Result, Name, ##__VA_ARGS__)

STANDIN_JAVA_CONTROLS(StandIn, VRN)

VRN_CONTROL(jlong, referenceCount, jlong error) { return VRNstandinReferenceCount(STANDINjavaHandle(error)); }

VRN_CONTROL(void, log, jlong engine, jbyteArray line) { VRNstandinLog(STANDINjavaHandle(engine), STANDINjavaBytes(env, line).c_str()); }

VRN_CONTROL(void, logMany, jlong engine, jbyteArray line, jint count) {
  std::string l = STANDINjavaBytes(env, line);
  for (jint i = 0; i < count; ++i) VRNstandinLog(STANDINjavaHandle(engine), l.c_str());
}

VRN_CONTROL(void, logFromWorker, jlong engine, jbyteArray line) {
  VRNstandinLogFromWorker(STANDINjavaHandle(engine), STANDINjavaBytes(env, line).c_str());
}

namespace {

// One native thread of the stand-in's own that lives as long as the process and runs the
// jobs given to it one at a time, each job's caller waiting for its end: a thread that can
// first make something through Java and later, unknown to the JVM again, log a line.
class KeptThread {
public:
  static KeptThread& get() {
    static KeptThread* kept = new KeptThread();  // never destroyed: its thread never ends
    return *kept;
  }
  void run(const std::function<void()>& job) {
    std::unique_lock<std::mutex> hold(m_Lock);
    m_Done.wait(hold, [&] { return !m_Job; });
    m_Job = job;
    m_Wake.notify_all();
    m_Done.wait(hold, [&] { return !m_Job; });
  }

private:
  KeptThread() { std::thread([this] { serve(); }).detach(); }
  void serve() {
    std::unique_lock<std::mutex> hold(m_Lock);
    for (;;) {
      m_Wake.wait(hold, [&] { return bool(m_Job); });
      std::function<void()> job = m_Job;
      hold.unlock();
      job();
      hold.lock();
      m_Job = nullptr;
      m_Done.notify_all();
    }
  }
  std::mutex m_Lock;
  std::condition_variable m_Wake, m_Done;
  std::function<void()> m_Job;
};

}  // namespace

// On the kept thread: attaches it, calls the static ()J method of a class on the class
// path, detaches it again and hands back the method's result (0 after a Java exception,
// which is described).
VRN_CONTROL(jlong, callOnKeptThread, jstring className, jstring methodName) {
  JavaVM* vm = nullptr;
  env->GetJavaVM(&vm);
  std::string type = STANDINjavaText(env, className), method = STANDINjavaText(env, methodName);
  jlong result = 0;
  KeptThread::get().run([&] {
    JNIEnv* own = nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&own), nullptr) != JNI_OK) return;
    jclass found = own->FindClass(type.c_str());
    jmethodID call = found ? own->GetStaticMethodID(found, method.c_str(), "()J") : nullptr;
    if (call) result = own->CallStaticLongMethod(found, call);
    if (own->ExceptionCheck()) {
      own->ExceptionDescribe();
      own->ExceptionClear();
    }
    vm->DetachCurrentThread();
  });
  return result;
}

// One log line of the engine on the kept thread, which is not attached then.
VRN_CONTROL(void, logFromKeptThread, jlong engine, jbyteArray line) {
  std::string text = STANDINjavaBytes(env, line);
  KeptThread::get().run([&] { VRNstandinLog(STANDINjavaHandle(engine), text.c_str()); });
}

// The description of an error handle, its bytes as they stand (ASCII in the suites).
VRN_CONTROL(jstring, description, jlong error) {
  const char* description = nullptr;
  if (VRNerrorGetDescription(STANDINjavaHandle(error), &description) != nullptr || description == nullptr) return nullptr;
  return env->NewStringUTF(description);
}

VRN_CONTROL(jstring, parameter, jlong error, jstring key) {
  const char* value = nullptr;
  if (VRNerrorGetParameter(STANDINjavaHandle(error), STANDINjavaText(env, key).c_str(), &value) != nullptr || value == nullptr)
    return nullptr;
  return env->NewStringUTF(value);
}

VRN_CONTROL(jint, parameterCount, jlong error) {
  int count = -1;
  VRNerrorGetCountOfParameter(STANDINjavaHandle(error), &count);
  return count;
}

VRN_CONTROL(jboolean, release, jlong error) { return VRNerrorRelease(STANDINjavaHandle(error)) == nullptr; }

VRN_CONTROL(jlong, tableCreate) {
  VRNhandle table = nullptr;
  VRNtableCreate(&table);
  return static_cast<jlong>(reinterpret_cast<intptr_t>(table));
}

VRN_CONTROL(void, tableRelease, jlong table) { VRNtableRelease(STANDINjavaHandle(table)); }

VRN_CONTROL(void, setNullFlags, jint tableByte, jint dateTimeFlag) {
  VRNstandinSetNullFlags(static_cast<unsigned char>(tableByte), static_cast<uint16_t>(dateTimeFlag));
}

// "Class Method Shape LibraryFunction Variable MethodName Signature" per native, the
// empty names written as "-".
VRN_CONTROL(jobjectArray, nativeTable) {
  std::vector<std::vector<std::string>> rows;
  auto signature = [](const std::string& shape) -> std::string {
#define VRN_SHAPE_LINE(Shape, Signature) if (shape == #Shape) return Signature;
#include "contracts/VRNnatives.def"
    return "?";
  };
#define VRN_NATIVE_LINE(Class, Method, Shape, Function, Variable, Name) \
  rows.push_back({#Class, #Method, #Shape, #Function, Variable, Name});
#include "contracts/VRNnatives.def"
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
