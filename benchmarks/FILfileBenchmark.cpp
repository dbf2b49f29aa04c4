// The file library next to stdio: whole-file reads against fread into a std::string, and
// buffered writes of small records through FILbinaryFile against fwrite. Both sides use the
// same file in the system's temporary directory; reads come from the page cache.
#include "COL/COLstring.h"
#include "FIL/FILbinaryFile.h"
#include "FIL/FILutils.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One name per run, so that runs side by side do not share a file.
std::string nativePath() {
  static const std::string path = [] {
    const char* dir = getenv("TMPDIR");
    const long long stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/COLbenchmark-" +
           std::to_string(stamp) + ".bin";
  }();
  return path;
}

// The same file as our layer names it: drive Z: is the root.
COLstring windowsPath() { return COLstring(("Z:" + nativePath()).c_str()); }

void writeSample(size_t size) {
  FILE* file = fopen(nativePath().c_str(), "wb");
  std::string bytes(size, 'x');
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

void readFILreadFile(benchmark::State& state) {
  writeSample(static_cast<size_t>(state.range(0)));
  const COLstring path = windowsPath();
  for (auto _ : state) {
    COLstring contents;
    FILreadFile(path, contents);
    benchmark::DoNotOptimize(contents.c_str());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  remove(nativePath().c_str());
}

void readFread(benchmark::State& state) {
  writeSample(static_cast<size_t>(state.range(0)));
  const std::string path = nativePath();
  for (auto _ : state) {
    FILE* file = fopen(path.c_str(), "rb");
    fseek(file, 0, SEEK_END);
    std::string contents(static_cast<size_t>(ftell(file)), '\0');
    fseek(file, 0, SEEK_SET);
    benchmark::DoNotOptimize(fread(&contents[0], 1, contents.size(), file));
    fclose(file);
    benchmark::DoNotOptimize(contents.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  remove(path.c_str());
}

// 64-byte records up to the size given.
void writeFILbinaryFile(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0) / 64);
  const std::string record(64, 'r');
  const COLstring path = windowsPath();
  for (auto _ : state) {
    FILbinaryFile file(path, 3);
    for (int i = 0; i < records; ++i) file.write(record.data(), 64);
    file.close();
  }
  state.SetBytesProcessed(state.iterations() * records * 64);
  remove(nativePath().c_str());
}

void writeFwrite(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0) / 64);
  const std::string record(64, 'r');
  const std::string path = nativePath();
  for (auto _ : state) {
    FILE* file = fopen(path.c_str(), "wb");
    for (int i = 0; i < records; ++i) fwrite(record.data(), 1, 64, file);
    fclose(file);
  }
  state.SetBytesProcessed(state.iterations() * records * 64);
  remove(path.c_str());
}

BENCHMARK(readFILreadFile)->Name("fileRead/FILreadFile")->Arg(4096)->Arg(16 << 20);
BENCHMARK(readFread)->Name("fileRead/fread")->Arg(4096)->Arg(16 << 20);
BENCHMARK(writeFILbinaryFile)->Name("fileWrite64/FILbinaryFile")->Arg(4096)->Arg(16 << 20);
BENCHMARK(writeFwrite)->Name("fileWrite64/fwrite")->Arg(4096)->Arg(16 << 20);

}  // namespace
