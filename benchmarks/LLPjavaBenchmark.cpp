// One MLLP message echoed between the bridge's LlpClient and LlpServer from Java, on
// loopback over the sockmod2 stand-in, in a JVM of this program's own: round trips per
// second and the median round trip at 1, 8 and 64 connections sending at once, for messages
// of 200 B and 64 KB. The program also holds the same echo between two plain sockets
// (LLPplainSocketBenchmark.cpp), the floor, so that both are measured in one run.
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
const int RoundTrips = 20;  // per connection and iteration

void check(bool ok, const char* what) {
  if (ok && !Env->ExceptionCheck()) return;
  if (Env->ExceptionCheck()) Env->ExceptionDescribe();
  std::fprintf(stderr, "LLPjavaBenchmarks: %s failed\n", what);
  std::exit(1);
}

void LlpJavaEcho(benchmark::State& state) {
  const jint connections = jint(state.range(0));
  const jint size = jint(state.range(1));
  jmethodID run = Env->GetStaticMethodID(Bench, "run", "(III)J");
  check(run != nullptr, "run");
  double medians = 0;
  for (auto _ : state) {
    jlong median = Env->CallStaticLongMethod(Bench, run, connections, size, RoundTrips);
    check(true, "run");
    if (median < 0) {
      state.SkipWithError("an echo was lost or changed");
      break;
    }
    medians += double(median) / 1000.0;
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * connections * RoundTrips);
  if (state.iterations() > 0) state.counters["median_us"] = medians / double(state.iterations());
}
BENCHMARK(LlpJavaEcho)
    ->ArgsProduct({{1, 8, 64}, {200, 64 * 1024}})
    ->ArgNames({"connections", "bytes"})
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BENCHstartJvm("LLPjavaBenchmarks", LLP_BENCH_CLASS_PATH, LLP_BENCH_LIBRARY_PATH, &Vm, &Env)) return 1;
  Bench = Env->FindClass("varneltests/LlpBench");
  check(Bench != nullptr, "varneltests/LlpBench");
  Env->CallStaticVoidMethod(Bench, Env->GetStaticMethodID(Bench, "start", "()V"));
  check(true, "start");
  benchmark::RunSpecifiedBenchmarks();
  Env->CallStaticVoidMethod(Bench, Env->GetStaticMethodID(Bench, "stop", "()V"));
  check(true, "stop");
  benchmark::Shutdown();
  return 0;
}
