// COLvector next to std::vector: growing by push_back from empty, and reading every element.
#include "COL/COLvector.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void pushCOLvector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    COLvector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void pushStdVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void sumCOLvector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  COLvector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(i);
  for (auto _ : state) {
    unsigned sum = 0;
    for (int i = 0; i < v.size(); ++i) sum += static_cast<unsigned>(v[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void sumStdVector(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(i);
  for (auto _ : state) {
    unsigned sum = 0;
    for (size_t i = 0; i < v.size(); ++i) sum += static_cast<unsigned>(v[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(pushCOLvector)->Name("vectorPush/COLvector")->Arg(1000)->Arg(1000000);
BENCHMARK(pushStdVector)->Name("vectorPush/std::vector")->Arg(1000)->Arg(1000000);
BENCHMARK(sumCOLvector)->Name("vectorSum/COLvector")->Arg(1000)->Arg(1000000);
BENCHMARK(sumStdVector)->Name("vectorSum/std::vector")->Arg(1000)->Arg(1000000);

}  // namespace
