// An MLLP echo on loopback, timed from Java in a JVM of this program's own, over three
// roads in the same run (java/varnel/varneltests/LlpBench.java):
//   java_sockets   plain java.net sockets, the floor;
//   message_loop   LlpClient to LlpServer through vrn_java and the sockmod2 stand-in, with a
//                  Java thread in each side's message loop receiving the events;
//   io_threads     the same, the events delivered on the stand-in's I/O threads, each of
//                  which the bridge attaches to the JVM for one event and detaches after it.
// At 1, 8 and 64 connections sending at once (one persistent sender thread each, started
// before the timing), with messages of 200 B and 64 KB. Every round trip is timed:
// items_per_second is the round trips per second over all connections, median_us the
// median round trip, cpu_us the process's CPU time (all its threads, the JVM's too) per
// round trip. JvmAttachDetach times what the I/O-thread road pays per event. JniCall
// times one call on the calling thread: the JNI floor (an empty native, a trivial upcall)
// beside the bridge's own (a plain native, a callback raised by hand on the calling thread
// and on a native thread, which the bridge attaches for the event), ns_per_call each.
// ListenerAddRelease times an AddListener and its Release (java/varnel/varneltests/
// ListenerBench.java) of a server's or an engine's listener with 1k, 10k and 100k other
// listeners live; LogLatency an engine's log lines, with 100k listeners live, while
// another thread adds and releases a server's listener and while nothing else happens.
#include "benchmarks/BENCHjvm.h"

#include <benchmark/benchmark.h>
#include <jni.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

jmethodID method(const char* name, const char* signature) {
  jmethodID found = Env->GetStaticMethodID(Bench, name, signature);
  check(found != nullptr, name);
  return found;
}

// road: LlpBench.JAVA_SOCKETS, MESSAGE_LOOP or IO_THREADS.
void LlpEcho(benchmark::State& state, int road) {
  static const jmethodID prepare = method("prepare", "(III)Z");
  static const jmethodID run = method("run", "(I)Z");
  static const jmethodID median = method("median", "()J");
  static const jmethodID finish = method("finish", "()V");
  const jint connections = jint(state.range(0));
  const jint size = jint(state.range(1));
  bool ready = Env->CallStaticBooleanMethod(Bench, prepare, road, connections, size);
  check(true, "prepare");
  if (!ready) state.SkipWithError("the road could not be set up");
  std::clock_t cpuStart = std::clock();
  for (auto _ : state) {
    if (!ready) break;
    bool whole = Env->CallStaticBooleanMethod(Bench, run, RoundTrips);
    check(true, "run");
    if (!whole) {
      state.SkipWithError("an echo was lost or changed, or came on another road");
      break;
    }
  }
  double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  int64_t roundTrips = int64_t(state.iterations()) * connections * RoundTrips;
  state.SetItemsProcessed(roundTrips);
  if (roundTrips > 0) state.counters["cpu_us"] = cpu * 1e6 / double(roundTrips);
  state.counters["median_us"] = double(Env->CallStaticLongMethod(Bench, median)) / 1000.0;
  check(true, "median");
  Env->CallStaticVoidMethod(Bench, finish);
  check(true, "finish");
}

const std::vector<std::vector<int64_t>> Sizes = {{1, 8, 64}, {200, 64 * 1024}};
BENCHMARK_CAPTURE(LlpEcho, java_sockets, 0)->ArgsProduct(Sizes)->ArgNames({"connections", "bytes"})->UseRealTime();
BENCHMARK_CAPTURE(LlpEcho, message_loop, 1)->ArgsProduct(Sizes)->ArgNames({"connections", "bytes"})->UseRealTime();
BENCHMARK_CAPTURE(LlpEcho, io_threads, 2)->ArgsProduct(Sizes)->ArgNames({"connections", "bytes"})->UseRealTime();

// One attach of a thread that the JVM does not know and its detach, as the bridge makes
// them for every event on an I/O thread; the thread is one that has been attached before,
// as an I/O thread is after its first event.
void JvmAttachDetach(benchmark::State& state) {
  const int Pairs = 100;
  std::vector<double> times;
  for (auto _ : state) {
    double total = 0;
    std::thread native([&] {
      for (int i = 0; i < Pairs; ++i) {
        auto start = std::chrono::steady_clock::now();
        JNIEnv* env = nullptr;
        JavaVMAttachArgs args{JNI_VERSION_1_2, nullptr, nullptr};
        if (Vm->AttachCurrentThread(reinterpret_cast<void**>(&env), &args) != JNI_OK) return;
        Vm->DetachCurrentThread();
        double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total += took;
        times.push_back(took);
      }
    });
    native.join();
    state.SetIterationTime(total);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Pairs);
  if (!times.empty()) {
    std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
    state.counters["median_us"] = times[times.size() / 2] * 1e6;
  }
}
BENCHMARK(JvmAttachDetach)->UseManualTime();

// timer: the LlpBench method that times count calls ("(I)J", nanoseconds, -1 for a fault).
void JniCall(benchmark::State& state, const char* timer) {
  const int Calls = 10000;
  static const jmethodID prepare = method("prepareCalls", "()Z");
  static const jmethodID finish = method("finishCalls", "()V");
  jmethodID time = method(timer, "(I)J");
  bool ready = Env->CallStaticBooleanMethod(Bench, prepare);
  check(true, "prepareCalls");
  if (!ready) state.SkipWithError("no server with a connection");
  double total = 0;
  for (auto _ : state) {
    if (!ready) break;
    jlong took = Env->CallStaticLongMethod(Bench, time, Calls);
    check(true, timer);
    if (took < 0) {
      state.SkipWithError("a call went wrong");
      break;
    }
    state.SetIterationTime(double(took) / 1e9);
    total += double(took);
  }
  int64_t calls = int64_t(state.iterations()) * Calls;
  state.SetItemsProcessed(calls);
  if (calls > 0) state.counters["ns_per_call"] = total / double(calls);
  Env->CallStaticVoidMethod(Bench, finish);
  check(true, "finishCalls");
}
BENCHMARK_CAPTURE(JniCall, empty_native, "timeEmptyNative")->UseManualTime();
BENCHMARK_CAPTURE(JniCall, trivial_upcall, "timeUpcalls")->UseManualTime();
BENCHMARK_CAPTURE(JniCall, bridge_native, "timeBridgeNative")->UseManualTime();
BENCHMARK_CAPTURE(JniCall, bridge_callback, "timeBridgeCallback")->UseManualTime();
BENCHMARK_CAPTURE(JniCall, bridge_callback_native_thread, "timeBridgeCallbackFromWorker")->UseManualTime();

jclass Listeners = nullptr;

jmethodID listenerMethod(const char* name, const char* signature) {
  jmethodID found = Env->GetStaticMethodID(Listeners, name, signature);
  check(found != nullptr, name);
  return found;
}

// kind: 0 a server's listener, 1 an engine's.
void ListenerAddRelease(benchmark::State& state, int kind) {
  const int Pairs = 200;
  static const jmethodID setLive = listenerMethod("setLive", "(I)V");
  static const jmethodID time = listenerMethod("timeAddRelease", "(II)J");
  Env->CallStaticVoidMethod(Listeners, setLive, jint(state.range(0)));
  check(true, "setLive");
  double total = 0;
  for (auto _ : state) {
    jlong took = Env->CallStaticLongMethod(Listeners, time, jint(kind), jint(Pairs));
    check(true, "timeAddRelease");
    state.SetIterationTime(double(took) / 1e9);
    total += double(took);
  }
  int64_t pairs = int64_t(state.iterations()) * Pairs;
  state.SetItemsProcessed(pairs);
  if (pairs > 0) state.counters["us_per_add_release"] = total / double(pairs) / 1000.0;
}
BENCHMARK_CAPTURE(ListenerAddRelease, LlpServer, 0)->ArgName("live")->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime();
BENCHMARK_CAPTURE(ListenerAddRelease, Engine, 1)->ArgName("live")->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime();

// changing: whether another thread adds and releases listeners meanwhile.
void LogLatency(benchmark::State& state, bool changing) {
  const int Lines = 20000;
  static const jmethodID setLive = listenerMethod("setLive", "(I)V");
  static const jmethodID latency = listenerMethod("logLatency", "(IZ)[J");
  Env->CallStaticVoidMethod(Listeners, setLive, jint(100000));
  check(true, "setLive");
  jlong worst = 0, slow = 0, median = 0;
  for (auto _ : state) {
    jlongArray stats = static_cast<jlongArray>(Env->CallStaticObjectMethod(Listeners, latency, jint(Lines), jboolean(changing)));
    check(true, "logLatency");
    if (stats == nullptr) {
      state.SkipWithError("a line was not heard");
      break;
    }
    jlong values[3];
    Env->GetLongArrayRegion(stats, 0, 3, values);
    Env->DeleteLocalRef(stats);
    median = std::max(median, values[0]);
    slow = std::max(slow, values[1]);
    worst = std::max(worst, values[2]);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Lines);
  state.counters["median_us"] = double(median) / 1000.0;
  state.counters["p999_us"] = double(slow) / 1000.0;
  state.counters["worst_us"] = double(worst) / 1000.0;
}
BENCHMARK_CAPTURE(LogLatency, quiet, false)->Iterations(5);
BENCHMARK_CAPTURE(LogLatency, listeners_changing, true)->Iterations(5);

// LlpBench's natives of the floor.
void JNICALL EmptyNative(JNIEnv*, jclass) {}

jlong JNICALL TimeUpcalls(JNIEnv* env, jclass bench, jint count) {
  jmethodID upcall = env->GetStaticMethodID(bench, "emptyUpcall", "()V");
  if (upcall == nullptr) return -1;
  auto start = std::chrono::steady_clock::now();
  for (jint i = 0; i < count; ++i) env->CallStaticVoidMethod(bench, upcall);
  auto took = std::chrono::steady_clock::now() - start;
  if (env->ExceptionCheck()) return -1;
  return jlong(std::chrono::duration_cast<std::chrono::nanoseconds>(took).count());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BENCHstartJvm("LLPjavaBenchmarks", LLP_BENCH_CLASS_PATH, LLP_BENCH_LIBRARY_PATH, &Vm, &Env)) return 1;
  Bench = Env->FindClass("varneltests/LlpBench");
  check(Bench != nullptr, "varneltests/LlpBench");
  JNINativeMethod natives[] = {
      {const_cast<char*>("emptyNative"), const_cast<char*>("()V"), reinterpret_cast<void*>(EmptyNative)},
      {const_cast<char*>("timeUpcalls"), const_cast<char*>("(I)J"), reinterpret_cast<void*>(TimeUpcalls)}};
  check(Env->RegisterNatives(Bench, natives, 2) == JNI_OK, "RegisterNatives");
  Listeners = Env->FindClass("varneltests/ListenerBench");
  check(Listeners != nullptr, "varneltests/ListenerBench");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
