// Appending and formatting: the paths that every error message and listing takes.
#include "COL/COLostream.h"
#include "COL/COLstring.h"

#include <benchmark/benchmark.h>

namespace {

void appendBytes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    COLstring text;
    for (int i = 0; i < count; ++i) text.append("item;", 5);
    benchmark::DoNotOptimize(text.c_str());
  }
  state.SetBytesProcessed(state.iterations() * count * 5);
}
BENCHMARK(appendBytes)->Arg(8)->Arg(1024);

void copyShort(benchmark::State& state) {
  const COLstring source("C:\\Windows");
  for (auto _ : state) {
    COLstring copy(source);
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(copyShort);

void formatMessage(benchmark::State& state) {
  for (auto _ : state) {
    COLostreamString stream;
    stream << "Opening '" << "Environment" << "' failed on line " << 123 << " code " << hex << -1;
    benchmark::DoNotOptimize(stream.c_str());
  }
}
BENCHMARK(formatMessage);

}  // namespace
