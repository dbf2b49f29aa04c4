// tlm_java in a JVM of this program's own, over the stand-in TLM library: events per
// second delivered from one new native thread and from eight at once (each callback
// attaching and detaching its thread), next to the same events on the attached Java
// thread; and a text getter's round trip (Java, native, library, Java String) next to the
// JVM making the same String from the same bytes.
//
// EventsOnTheirOwnObjects: the bridge's disconnected callback called as TLM.dll calls it
// (not through the stand-in's own locks and journal) from 1 to 16 native threads attached
// before the timing, each on a destination of its own with a listener of its own, beside
// the JNI floor on the same threads and objects: PushLocalFrame, CallVoidMethod of the
// same listener method, ExceptionCheck, PopLocalFrame. items_per_second is the events per
// second of all threads together.
#include "standins/TLM/TLMstandin.h"

#include "benchmarks/BENCHjvm.h"

#include <benchmark/benchmark.h>
#include <jni.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

JavaVM* Vm = nullptr;
JNIEnv* Env = nullptr;
jclass Bench = nullptr;
TLMhandle Destination = nullptr;
const int Batch = 1000;
const char Host[] = "h\xC3\xB4st-\xE6\x9D\xB1\xE4\xBA\xAC.example";

void check(bool ok, const char* what) {
  if (ok && !Env->ExceptionCheck()) return;
  if (Env->ExceptionCheck()) Env->ExceptionDescribe();
  std::fprintf(stderr, "TLMjavaBenchmarks: %s failed\n", what);
  std::exit(1);
}

jlong callLong(const char* name, const char* signature) {
  jmethodID method = Env->GetStaticMethodID(Bench, name, signature);
  check(method != nullptr, name);
  jlong result = Env->CallStaticLongMethod(Bench, method);
  check(true, name);
  return result;
}

void callbacks(benchmark::State& state, int mode, int threads) {
  jlong before = callLong("received", "()J");
  for (auto _ : state) {
    TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, Destination, mode, threads, Batch);
    state.PauseTiming();
    TLMstandinReset();  // the journal and the event records would grow without end
    state.ResumeTiming();
  }
  long long expected = static_cast<long long>(state.iterations()) * threads * Batch;
  if (callLong("received", "()J") - before != expected) state.SkipWithError("events lost or repeated");
  state.SetItemsProcessed(expected);
}

void BM_CallbacksFromOneNativeThread(benchmark::State& state) {
  callbacks(state, TLM_STANDIN_THREADS, 1);
}
BENCHMARK(BM_CallbacksFromOneNativeThread)->UseRealTime();

void BM_CallbacksFromEightNativeThreads(benchmark::State& state) {
  callbacks(state, TLM_STANDIN_THREADS, 8);
}
BENCHMARK(BM_CallbacksFromEightNativeThreads)->UseRealTime();

void BM_CallbacksOnTheAttachedJavaThread(benchmark::State& state) {
  callbacks(state, TLM_STANDIN_CALLER_THREAD, 1);
}
BENCHMARK(BM_CallbacksOnTheAttachedJavaThread)->UseRealTime();

void BM_TextGetterRoundTrip(benchmark::State& state) {
  TLMhandle query = nullptr;
  TLMlogQueryCreate(&query);
  TLMlogQuerySetHost(query, Host);
  jmethodID readHosts = Env->GetStaticMethodID(Bench, "readHosts", "(JI)I");
  check(readHosts != nullptr, "readHosts");
  for (auto _ : state) {
    benchmark::DoNotOptimize(Env->CallStaticIntMethod(
        Bench, readHosts, static_cast<jlong>(reinterpret_cast<intptr_t>(query)), Batch));
    state.PauseTiming();
    TLMstandinReset();
    state.ResumeTiming();
  }
  check(true, "readHosts");
  TLMlogQueryRelease(query);
  state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_TextGetterRoundTrip);

void BM_JavaDecodesTheSameText(benchmark::State& state) {
  jmethodID decodeHosts = Env->GetStaticMethodID(Bench, "decodeHosts", "([BI)I");
  check(decodeHosts != nullptr, "decodeHosts");
  jbyteArray bytes = Env->NewByteArray(sizeof Host - 1);
  Env->SetByteArrayRegion(bytes, 0, sizeof Host - 1, reinterpret_cast<const jbyte*>(Host));
  for (auto _ : state) {
    benchmark::DoNotOptimize(Env->CallStaticIntMethod(Bench, decodeHosts, bytes, Batch));
  }
  check(true, "decodeHosts");
  Env->DeleteLocalRef(bytes);
  state.SetItemsProcessed(state.iterations() * Batch);
}
BENCHMARK(BM_JavaDecodesTheSameText);

// One destination and listener per thread, by the thread's number.
struct OwnListener {
  jobject Destination;  // a global reference
  void* Token;
};
std::vector<OwnListener> Own;
TLMdestinationDisconnectedCallback Disconnected = nullptr;
jmethodID DisconnectedMethod = nullptr;
const int MaxThreads = 16;

// The calling thread's environment, attached once per thread (and detached when the
// thread ends) unless the JVM knows the thread already.
JNIEnv* attachedEnv() {
  struct Attachment {
    JNIEnv* env = nullptr;
    bool attached = false;
    Attachment() {
      if (Vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_2) == JNI_EDETACHED) {
        attached = Vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) == JNI_OK;
      }
    }
    ~Attachment() {
      if (attached) Vm->DetachCurrentThread();
    }
  };
  thread_local Attachment attachment;
  return attachment.env;
}

// The events the threads made, which the listeners must have counted at the end.
std::atomic<long long> Made{0};

void EventsOnTheirOwnObjects(benchmark::State& state, bool bridge) {
  JNIEnv* env = attachedEnv();
  const OwnListener& own = Own[static_cast<std::size_t>(state.thread_index())];
  for (auto _ : state) {
    for (int i = 0; i < Batch; ++i) {
      if (bridge) {
        Disconnected(own.Token);
      } else {
        env->PushLocalFrame(16);
        env->CallVoidMethod(own.Destination, DisconnectedMethod);
        env->ExceptionCheck();
        env->PopLocalFrame(nullptr);
      }
    }
  }
  Made += static_cast<long long>(state.iterations()) * Batch;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * Batch);
}

void BM_EventsOnTheirOwnObjects_floor(benchmark::State& state) { EventsOnTheirOwnObjects(state, false); }
BENCHMARK(BM_EventsOnTheirOwnObjects_floor)->ThreadRange(1, MaxThreads)->UseRealTime();
void BM_EventsOnTheirOwnObjects_bridge(benchmark::State& state) { EventsOnTheirOwnObjects(state, true); }
BENCHMARK(BM_EventsOnTheirOwnObjects_bridge)->ThreadRange(1, MaxThreads)->UseRealTime();

// The destinations and listeners of EventsOnTheirOwnObjects, and the callback the bridge
// registered with the library.
void listenOnTheirOwn() {
  jmethodID listenEach = Env->GetStaticMethodID(Bench, "listenEach", "(I)[Ljava/lang/Object;");
  jmethodID ownTokens = Env->GetStaticMethodID(Bench, "ownTokens", "()[J");
  check(listenEach != nullptr && ownTokens != nullptr, "listenEach");
  jobjectArray objects = static_cast<jobjectArray>(Env->CallStaticObjectMethod(Bench, listenEach, MaxThreads));
  check(objects != nullptr, "listenEach");
  jlongArray tokens = static_cast<jlongArray>(Env->CallStaticObjectMethod(Bench, ownTokens));
  check(tokens != nullptr, "ownTokens");
  std::vector<jlong> values(MaxThreads);
  Env->GetLongArrayRegion(tokens, 0, MaxThreads, values.data());
  for (int i = 0; i < MaxThreads; ++i) {
    jobject destination = Env->GetObjectArrayElement(objects, i);
    Own.push_back({Env->NewGlobalRef(destination), reinterpret_cast<void*>(static_cast<intptr_t>(values[i]))});
    if (DisconnectedMethod == nullptr) {
      jclass type = Env->GetObjectClass(destination);
      DisconnectedMethod = Env->GetMethodID(type, "disconnected", "()V");
      Env->DeleteLocalRef(type);
    }
    Env->DeleteLocalRef(destination);
  }
  check(DisconnectedMethod != nullptr, "disconnected");
  Disconnected = reinterpret_cast<TLMdestinationDisconnectedCallback>(
      TLMstandinCallback(TLM_STANDIN_DESTINATION_DISCONNECTED));
  check(Disconnected != nullptr, "the disconnected callback");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BENCHstartJvm("TLMjavaBenchmarks", TLM_BENCH_CLASS_PATH, TLM_BENCH_LIBRARY_PATH, &Vm, &Env)) return 1;
  Bench = Env->FindClass("plugintest/Bench");
  check(Bench != nullptr, "plugintest/Bench");
  Destination = reinterpret_cast<TLMhandle>(static_cast<intptr_t>(callLong("listen", "()J")));
  listenOnTheirOwn();
  benchmark::RunSpecifiedBenchmarks();
  if (callLong("ownDisconnects", "()J") != Made.load()) {
    std::fprintf(stderr, "TLMjavaBenchmarks: the listeners heard %lld events of %lld\n",
                 static_cast<long long>(callLong("ownDisconnects", "()J")), Made.load());
    return 1;
  }
  jmethodID stopEach = Env->GetStaticMethodID(Bench, "stopListeningEach", "()V");
  Env->CallStaticVoidMethod(Bench, stopEach);
  check(true, "stopListeningEach");
  jmethodID stop = Env->GetStaticMethodID(Bench, "stopListening", "()V");
  Env->CallStaticVoidMethod(Bench, stop);
  check(true, "stopListening");
  benchmark::Shutdown();
  return 0;
}
