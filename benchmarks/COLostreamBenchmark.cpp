// COLostream's number output next to std::to_chars: a million integers of every length and
// both signs, in decimal and in hexadecimal, and one message of the library's usual shape.
// The standard streams' road, a stream over a stdio sink, next to fwrite and fprintf on
// the same kind of stream: short writes to /dev/null and to a file, and integers to a file.
#include "COL/COLostream.h"
#include "COL/COLsink.h"
#include "COL/COLstring.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int IntegerCount = 1000000;

// Values of every decimal length from 1 to 10 digits, half of them negative.
const std::vector<int>& integers() {
  static const std::vector<int> values = [] {
    std::vector<int> v;
    v.reserve(IntegerCount);
    uint32_t state = 12345;
    for (int i = 0; i < IntegerCount; ++i) {
      state = state * 1664525u + 1013904223u;
      v.push_back(static_cast<int>(state) >> (state % 31));
    }
    return v;
  }();
  return values;
}

void integersCOLostream(benchmark::State& state) {
  const std::vector<int>& values = integers();
  const bool hexadecimal = state.range(0) == 16;
  // Both sides write into memory reserved before the clock starts: a fresh string would
  // mostly measure the kernel handing out its pages.
  COLstring text;
  text.reserve(IntegerCount * 12);
  COLostream stream(text);
  if (hexadecimal) stream << hex;
  for (auto _ : state) {
    text.clear();
    for (int v : values) stream << v;
    benchmark::DoNotOptimize(text.c_str());
  }
  state.SetItemsProcessed(state.iterations() * IntegerCount);
}

void integersToChars(benchmark::State& state) {
  const std::vector<int>& values = integers();
  const int base = static_cast<int>(state.range(0));
  std::vector<char> buffer(static_cast<size_t>(IntegerCount) * 12);
  for (auto _ : state) {
    char* p = buffer.data();
    char* const end = buffer.data() + buffer.size();
    if (base == 16) {
      for (int v : values) p = std::to_chars(p, end, static_cast<unsigned>(v), 16).ptr;
    } else {
      for (int v : values) p = std::to_chars(p, end, v).ptr;
    }
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * IntegerCount);
}

BENCHMARK(integersCOLostream)->Name("1MintegersOut/COLostream")->Arg(10)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(integersToChars)->Name("1MintegersOut/std::to_chars")->Arg(10)->Arg(16)->Unit(benchmark::kMillisecond);

void messageCOLostream(benchmark::State& state) {
  for (auto _ : state) {
    COLostreamString stream;
    stream << "Opening '" << "Environment" << "' failed on line " << 123 << " code " << hex << -1;
    benchmark::DoNotOptimize(stream.c_str());
  }
}

void messageStdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string text;
    char digits[16];
    text += "Opening '";
    text += "Environment";
    text += "' failed on line ";
    text.append(digits, static_cast<size_t>(std::to_chars(digits, digits + 16, 123).ptr - digits));
    text += " code ";
    text.append(digits, static_cast<size_t>(std::to_chars(digits, digits + 16, 0xFFFFFFFFu, 16).ptr - digits));
    benchmark::DoNotOptimize(text.data());
  }
}

BENCHMARK(messageCOLostream)->Name("message/COLostream");
BENCHMARK(messageStdString)->Name("message/std::string+to_chars");

FILE* openDevNull() { return fopen("/dev/null", "wb"); }
// A file of its own, gone when it is closed.
FILE* openFile() { return tmpfile(); }

// Both sides go back to the start of their file after this many writes, which keeps it
// within a page cache's reach (a megabyte or so) however long the benchmark runs.
const unsigned RewindEvery = 1 << 16;

template <FILE* (*Open)()>
void bytesCOLsink(benchmark::State& state) {
  FILE* file = Open();
  COLostream stream(new COLsinkFileHandle(file), true);
  const std::string bytes(static_cast<size_t>(state.range(0)), 'x');
  unsigned count = 0;
  for (auto _ : state) {
    stream.write(bytes.data(), static_cast<unsigned>(bytes.size()));
    if (++count % RewindEvery == 0) rewind(file);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  fclose(file);
}

template <FILE* (*Open)()>
void bytesFwrite(benchmark::State& state) {
  FILE* file = Open();
  const std::string bytes(static_cast<size_t>(state.range(0)), 'x');
  unsigned count = 0;
  for (auto _ : state) {
    fwrite(bytes.data(), 1, bytes.size(), file);
    if (++count % RewindEvery == 0) rewind(file);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  fclose(file);
}

void integersToFileCOLostream(benchmark::State& state) {
  const std::vector<int>& values = integers();
  FILE* file = openFile();
  COLostream stream(new COLsinkFileHandle(file), true);
  unsigned count = 0;
  for (auto _ : state) {
    stream << values[count % IntegerCount];
    if (++count % RewindEvery == 0) rewind(file);
  }
  fclose(file);
}

void integersToFileFprintf(benchmark::State& state) {
  const std::vector<int>& values = integers();
  FILE* file = openFile();
  unsigned count = 0;
  for (auto _ : state) {
    fprintf(file, "%i", values[count % IntegerCount]);
    if (++count % RewindEvery == 0) rewind(file);
  }
  fclose(file);
}

BENCHMARK_TEMPLATE(bytesCOLsink, openDevNull)->Name("stdioDevNull/COLsinkFileHandle")->Arg(16);
BENCHMARK_TEMPLATE(bytesFwrite, openDevNull)->Name("stdioDevNull/fwrite")->Arg(16);
BENCHMARK_TEMPLATE(bytesCOLsink, openFile)->Name("stdioFile/COLsinkFileHandle")->Arg(16);
BENCHMARK_TEMPLATE(bytesFwrite, openFile)->Name("stdioFile/fwrite")->Arg(16);
BENCHMARK(integersToFileCOLostream)->Name("stdioFileInteger/COLostream");
BENCHMARK(integersToFileFprintf)->Name("stdioFileInteger/fprintf");

}  // namespace
