// COLstring next to std::string on the same bytes: comparisons of texts that differ only in
// their last byte (the whole text is read), copies, appends and a search.
#include "COL/COLstring.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Text of n bytes whose last byte is last; the two operands of a comparison differ there.
std::string sample(int n, char last) {
  std::string text;
  for (int i = 0; i < n; ++i) text += static_cast<char>('a' + i % 23);
  if (n > 0) text[static_cast<size_t>(n - 1)] = last;
  return text;
}

void equalCOLstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string l = sample(n, 'x'), r = sample(n, 'y');
  const COLstring left(l.data(), n), right(r.data(), n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(left == right);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void equalStdString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string left = sample(n, 'x'), right = sample(n, 'y');
  for (auto _ : state) {
    benchmark::DoNotOptimize(left == right);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void lessCOLstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string l = sample(n, 'x'), r = sample(n, 'y');
  const COLstring left(l.data(), n), right(r.data(), n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(left < right);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void lessStdString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string left = sample(n, 'x'), right = sample(n, 'y');
  for (auto _ : state) {
    benchmark::DoNotOptimize(left < right);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void copyCOLstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string s = sample(n, 'x');
  const COLstring source(s.data(), n);
  for (auto _ : state) {
    COLstring copy(source);
    benchmark::DoNotOptimize(copy.c_str());
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void copyStdString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string source = sample(n, 'x');
  for (auto _ : state) {
    std::string copy(source);
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// A string made from a NUL-terminated text, as names and keys are made.
void constructCOLstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string s = sample(n, 'x');
  const char* text = s.c_str();
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    COLstring made(text);
    benchmark::DoNotOptimize(made.c_str());
  }
  state.SetBytesProcessed(state.iterations() * n);
}

void constructStdString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string s = sample(n, 'x');
  const char* text = s.c_str();
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    std::string made(text);
    benchmark::DoNotOptimize(made.data());
  }
  state.SetBytesProcessed(state.iterations() * n);
}

// n appends of one byte into a fresh string.
void appendByteCOLstring(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    COLstring text;
    for (int i = 0; i < count; ++i) text.append("x", 1);
    benchmark::DoNotOptimize(text.c_str());
  }
  state.SetBytesProcessed(state.iterations() * count);
}

void appendByteStdString(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string text;
    for (int i = 0; i < count; ++i) text.append("x", 1);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * count);
}

// n appends of five bytes into a fresh string.
void appendCOLstring(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    COLstring text;
    for (int i = 0; i < count; ++i) text.append("item;", 5);
    benchmark::DoNotOptimize(text.c_str());
  }
  state.SetBytesProcessed(state.iterations() * count * 5);
}

void appendStdString(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string text;
    for (int i = 0; i < count; ++i) text.append("item;", 5);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(state.iterations() * count * 5);
}

// A pattern found only at the end of the text.
void findCOLstring(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string s = sample(n, 'x');
  const COLstring text(s.data(), n);
  const std::string p = s.substr(s.size() > 5 ? s.size() - 5 : 0);
  for (auto _ : state) benchmark::DoNotOptimize(text.find(p.c_str()));
  state.SetBytesProcessed(state.iterations() * n);
}

void findStdString(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = sample(n, 'x');
  const std::string p = text.substr(text.size() > 5 ? text.size() - 5 : 0);
  for (auto _ : state) benchmark::DoNotOptimize(text.find(p));
  state.SetBytesProcessed(state.iterations() * n);
}

#define TEXT_SIZES Arg(13)->Arg(1024)->Arg(1 << 20)
BENCHMARK(equalCOLstring)->Name("string==/COLstring")->TEXT_SIZES;
BENCHMARK(equalStdString)->Name("string==/std::string")->TEXT_SIZES;
BENCHMARK(lessCOLstring)->Name("string</COLstring")->TEXT_SIZES;
BENCHMARK(lessStdString)->Name("string</std::string")->TEXT_SIZES;
BENCHMARK(copyCOLstring)->Name("stringCopy/COLstring")->TEXT_SIZES;
BENCHMARK(copyStdString)->Name("stringCopy/std::string")->TEXT_SIZES;
BENCHMARK(findCOLstring)->Name("stringFind/COLstring")->TEXT_SIZES;
BENCHMARK(findStdString)->Name("stringFind/std::string")->TEXT_SIZES;
BENCHMARK(constructCOLstring)->Name("stringConstruct/COLstring")->TEXT_SIZES;
BENCHMARK(constructStdString)->Name("stringConstruct/std::string")->TEXT_SIZES;
BENCHMARK(appendByteCOLstring)->Name("stringAppend1/COLstring")->Arg(1024)->Arg(1 << 20);
BENCHMARK(appendByteStdString)->Name("stringAppend1/std::string")->Arg(1024)->Arg(1 << 20);
BENCHMARK(appendCOLstring)->Name("stringAppend5/COLstring")->Arg(8)->Arg(1024);
BENCHMARK(appendStdString)->Name("stringAppend5/std::string")->Arg(8)->Arg(1024);

}  // namespace
