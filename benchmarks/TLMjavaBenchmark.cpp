// tlm_java in a JVM of this program's own, over the stand-in TLM library: events per
// second delivered from one new native thread and from eight at once (each callback
// attaching and detaching its thread), next to the same events on the attached Java
// thread; and a text getter's round trip (Java, native, library, Java String) next to the
// JVM making the same String from the same bytes.
#include "standins/TLM/TLMstandin.h"

#include "benchmarks/BENCHjvm.h"

#include <benchmark/benchmark.h>
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BENCHstartJvm("TLMjavaBenchmarks", TLM_BENCH_CLASS_PATH, TLM_BENCH_LIBRARY_PATH, &Vm, &Env)) return 1;
  Bench = Env->FindClass("plugintest/Bench");
  check(Bench != nullptr, "plugintest/Bench");
  Destination = reinterpret_cast<TLMhandle>(static_cast<intptr_t>(callLong("listen", "()J")));
  benchmark::RunSpecifiedBenchmarks();
  jmethodID stop = Env->GetStaticMethodID(Bench, "stopListening", "()V");
  Env->CallStaticVoidMethod(Bench, stop);
  check(true, "stopListening");
  benchmark::Shutdown();
  return 0;
}
