// COLhashmap next to std::unordered_map and absl::flat_hash_map: building a map, finding a
// key that is there and one that is not, at sizes from 1K to 10M integer keys, and finding
// string keys. Probes visit the keys in a scattered order, so that large maps are read as
// a real lookup reads them, from memory rather than from the cache.
#include "COL/COLhashmap.h"
#include "COL/COLstring.h"

#include <absl/container/flat_hash_map.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

typedef COLhashmap<int, int> OurMap;
typedef std::unordered_map<int, int> StdMap;
typedef absl::flat_hash_map<int, int> AbslMap;

// The i-th key: distinct for every i below 2^32, spread over the whole int range.
int keyOf(uint64_t i) { return static_cast<int>(static_cast<uint32_t>(i * 2654435761u)); }

// The keys first + 0 .. first + n - 1 in a scattered order (1000003 is a prime and so has no
// factor in common with the powers of ten used as sizes).
std::vector<int> scattered(uint64_t first, uint64_t n) {
  std::vector<int> keys(n);
  for (uint64_t i = 0; i < n; ++i) keys[i] = keyOf(first + i * 1000003 % n);
  return keys;
}

void put(OurMap& map, int key, int value) { map.insert(key, value); }
template <class Map>
void put(Map& map, int key, int value) {
  map.emplace(key, value);
}

bool has(OurMap& map, int key) { return map.find(key).place() != nullptr; }
template <class Map>
bool has(Map& map, int key) {
  return map.find(key) != map.end();
}

template <class Map>
std::unique_ptr<Map> build(uint64_t n) {
  std::unique_ptr<Map> map(new Map);
  for (uint64_t i = 0; i < n; ++i) put(*map, keyOf(i), static_cast<int>(i));
  return map;
}

// The map of each kind is built once per size and kept to the end of the run: a map of 10M
// keys takes seconds to build, and repetitions may come in any order.
template <class Map>
Map& builtMap(uint64_t n) {
  static std::map<uint64_t, std::unique_ptr<Map>> maps;
  std::unique_ptr<Map>& map = maps[n];
  if (map == nullptr) map = build<Map>(n);
  return *map;
}

// Building includes freeing, on both sides.
template <class Map>
void insertKeys(benchmark::State& state) {
  const uint64_t n = static_cast<uint64_t>(state.range(0));
  for (auto _ : state) {
    std::unique_ptr<Map> map = build<Map>(n);
    benchmark::DoNotOptimize(map.get());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

// One lookup per iteration, of a key present (hit) or absent (miss).
template <class Map, bool Hit>
void findKeys(benchmark::State& state) {
  const uint64_t n = static_cast<uint64_t>(state.range(0));
  Map& map = builtMap<Map>(n);
  const std::vector<int> probes = scattered(Hit ? 0 : n, n);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(has(map, probes[i]));
    if (++i == probes.size()) i = 0;
  }
}

#define MAP_SIZES Arg(1000)->Arg(100000)->Arg(1000000)->Arg(10000000)
BENCHMARK(insertKeys<OurMap>)->Name("mapInsert/COLhashmap")->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(insertKeys<StdMap>)->Name("mapInsert/std::unordered_map")->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(insertKeys<AbslMap>)->Name("mapInsert/absl::flat_hash_map")->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(findKeys<OurMap, true>)->Name("mapHit/COLhashmap")->MAP_SIZES;
BENCHMARK(findKeys<OurMap, false>)->Name("mapMiss/COLhashmap")->MAP_SIZES;
BENCHMARK(findKeys<StdMap, true>)->Name("mapHit/std::unordered_map")->MAP_SIZES;
BENCHMARK(findKeys<StdMap, false>)->Name("mapMiss/std::unordered_map")->MAP_SIZES;
BENCHMARK(findKeys<AbslMap, true>)->Name("mapHit/absl::flat_hash_map")->MAP_SIZES;
BENCHMARK(findKeys<AbslMap, false>)->Name("mapMiss/absl::flat_hash_map")->MAP_SIZES;

// String keys of 8 to 17 bytes, as names and abbreviations are.
std::string textKey(uint64_t i) { return "key-" + std::to_string(static_cast<uint32_t>(keyOf(i))); }

void stringHitCOLhashmap(benchmark::State& state) {
  const uint64_t n = static_cast<uint64_t>(state.range(0));
  COLhashmap<COLstring, int> map;
  std::vector<COLstring> probes;
  for (uint64_t i = 0; i < n; ++i) map.insert(COLstring(textKey(i).c_str()), static_cast<int>(i));
  for (uint64_t i = 0; i < n; ++i) probes.push_back(COLstring(textKey(i * 1000003 % n).c_str()));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(probes[i]).place());
    if (++i == probes.size()) i = 0;
  }
}

template <class Map>
void stringHit(benchmark::State& state) {
  const uint64_t n = static_cast<uint64_t>(state.range(0));
  Map map;
  std::vector<std::string> probes;
  for (uint64_t i = 0; i < n; ++i) map.emplace(textKey(i), static_cast<int>(i));
  for (uint64_t i = 0; i < n; ++i) probes.push_back(textKey(i * 1000003 % n));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.find(probes[i]) != map.end());
    if (++i == probes.size()) i = 0;
  }
}

BENCHMARK(stringHitCOLhashmap)->Name("mapStringHit/COLhashmap")->Arg(1000)->Arg(100000);
BENCHMARK(stringHit<std::unordered_map<std::string, int>>)->Name("mapStringHit/std::unordered_map")->Arg(1000)->Arg(100000);
BENCHMARK(stringHit<absl::flat_hash_map<std::string, int>>)->Name("mapStringHit/absl::flat_hash_map")->Arg(1000)->Arg(100000);

}  // namespace
