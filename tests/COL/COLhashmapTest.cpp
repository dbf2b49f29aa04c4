// COLhashmap and COLvoidLookup: growth through the primes and the order it relinks in,
// iteration both ways, removal, the preconditions, allocation failures (silent for the
// buckets, "Out of memory" for a node), and a differential run against std::unordered_map;
// the hash functions against vectors computed by an independent implementation.
#include "COL/COLhashmap.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// While set, every nothrow array allocation fails: that is how the table allocates its
// buckets, and nothing else in these tests allocates that way. The same for single
// objects, which is how the map allocates its nodes.
bool FailNothrowArrays = false;
bool FailNothrowObjects = false;

}  // namespace

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  if (FailNothrowArrays) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new(size_t size, const std::nothrow_t&) noexcept {
  if (FailNothrowObjects) return nullptr;
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

struct NoBucketMemory {
  NoBucketMemory() { FailNothrowArrays = true; }
  ~NoBucketMemory() { FailNothrowArrays = false; }
};

struct NoNodeMemory {
  NoNodeMemory() { FailNothrowObjects = true; }
  ~NoNodeMemory() { FailNothrowObjects = false; }
};

struct ConstantHash {
  static size_t hash(const int&) { return 7; }
};
struct IdentityHash {
  static size_t hash(const int& key) { return static_cast<size_t>(key); }
};
// Eight consecutive keys share a hash, so every fifth to eighth key of a group meets a
// chain of four or more.
struct GroupsOfEightHash {
  static size_t hash(const int& key) { return static_cast<size_t>(key) >> 3; }
};

// A value that counts its live copies, to see which nodes the map deletes.
struct Counted {
  static int live;
  int v;
  Counted(int value) : v(value) { ++live; }
  Counted(const Counted& other) : v(other.v) { ++live; }
  ~Counted() { --live; }
};
int Counted::live = 0;

template <class Map>
std::vector<int> forward(const Map& map) {
  std::vector<int> keys;
  for (const COLvoidLookupNode* p = map.next(nullptr); p != nullptr; p = map.next(p)) keys.push_back(map.key(p));
  return keys;
}

template <class Map>
std::vector<int> backward(const Map& map) {
  std::vector<int> keys;
  for (const COLvoidLookupNode* p = map.previous(nullptr); p != nullptr; p = map.previous(p))
    keys.push_back(map.key(p));
  return keys;
}

template <class Map>
void insertAll(Map& map, std::initializer_list<int> keys) {
  for (int k : keys) ASSERT_NE(map.insert(k, k * 10), nullptr) << "key " << k;
}

TEST(COLhashmap, ANewMapHasTwoEmptyBuckets) {
  COLhashmap<int, int> map;
  EXPECT_EQ(map.bucket_count(), 2u);
  EXPECT_EQ(map.size(), 0u);
  EXPECT_EQ(map.first(), nullptr);
  EXPECT_EQ(map.next(nullptr), nullptr);
  EXPECT_EQ(map.last(), nullptr);
  EXPECT_EQ(map.previous(nullptr), nullptr);
  EXPECT_EQ(map.find(3).place(), nullptr);
  EXPECT_EQ(map.find(3).map(), &map);
}

TEST(COLhashmap, TheFirstValueOfAKeyWins) {
  Counted::live = 0;
  {
    COLhashmap<int, Counted> map;
    COLvoidLookupNode* place = map.insert(4, Counted(40));
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(map.insert(4, Counted(41)), nullptr);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(map.find(4).place(), place);
    EXPECT_EQ(map.value(place).v, 40);
    EXPECT_EQ(map.key(place), 4);
    EXPECT_EQ(Counted::live, 1) << "the refused node is deleted";
    map.value(place).v = 42;
    EXPECT_EQ(map.value(map.find(4).place()).v, 42) << "value() reaches the stored value";
  }
  EXPECT_EQ(Counted::live, 0) << "the destructor deletes every node";
}

TEST(COLhashmap, TheFifthKeyOfAChainGrowsTheTableBeforeItIsLinked) {
  COLhashmap<int, int, ConstantHash> map;
  insertAll(map, {1, 2, 3, 4});
  EXPECT_EQ(map.bucket_count(), 2u);
  EXPECT_EQ(map.chain_length(7 % 2), 4u);
  insertAll(map, {5});
  EXPECT_EQ(map.bucket_count(), 5u);
  EXPECT_EQ(map.chain_length(7 % 5), 5u);
  EXPECT_EQ(forward(map), (std::vector<int>{5, 4, 3, 2, 1})) << "newest first, old order kept";
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(map.value(map.find(k).place()), k * 10) << k;
  EXPECT_EQ(map.chain_length(5), 0u) << "an index that is no bucket";
}

TEST(COLhashmap, GrowthNeedsAChainOfFourAndAsManyEntriesAsBuckets) {
  COLhashmap<int, int, IdentityHash> map;
  insertAll(map, {0, 2, 4, 6, 1, 3, 5});
  EXPECT_EQ(map.bucket_count(), 2u) << "inserts into bucket 1 met chains shorter than four";
  insertAll(map, {8});
  EXPECT_EQ(map.bucket_count(), 5u) << "the fifth key of bucket 0 grows the table";

  COLhashmap<int, int, IdentityHash> few;
  insertAll(few, {0, 2, 4, 6, 8});
  ASSERT_EQ(few.bucket_count(), 5u);
  for (int k : {0, 2, 4, 6, 8}) few.remove(few.find(k).place());
  insertAll(few, {0, 5, 10, 15, 20});
  EXPECT_EQ(few.chain_length(0), 5u);
  EXPECT_EQ(few.bucket_count(), 5u) << "four entries in five buckets: no growth";
  insertAll(few, {25});
  EXPECT_EQ(few.bucket_count(), 11u);
}

TEST(COLhashmap, GrowthRelinksEachChainInItsOldIterationOrder) {
  COLhashmap<int, int, IdentityHash> map;
  insertAll(map, {0, 2, 4, 6, 1});
  EXPECT_EQ(forward(map), (std::vector<int>{6, 4, 2, 0, 1}));
  insertAll(map, {8});
  ASSERT_EQ(map.bucket_count(), 5u);
  // Buckets 0: 0; 1: 6 1 (6 came before 1 in the old order); 2: 2; 3: 8; 4: 4.
  EXPECT_EQ(forward(map), (std::vector<int>{0, 6, 1, 2, 8, 4}));
  EXPECT_EQ(backward(map), (std::vector<int>{4, 8, 2, 1, 6, 0}));
  EXPECT_EQ(map.chain_length(1), 2u);
}

TEST(COLhashmap, BucketCountsStepThroughThePrimesAndStopAtTheLast) {
  COLhashmap<int, int, GroupsOfEightHash> map;
  std::vector<size_t> seen{map.bucket_count()};
  const int keys = 858149 + 64;
  for (int k = 0; k < keys; ++k) {
    map.insert(k, k);
    if (map.bucket_count() != seen.back()) seen.push_back(map.bucket_count());
  }
  EXPECT_EQ(seen, std::vector<size_t>(COLlookupPrimes, COLlookupPrimes + 30));
  EXPECT_EQ(COLlookupPrimes[30], 0u);
  EXPECT_EQ(map.size(), static_cast<size_t>(keys));
  int missing = 0;
  for (int k = 0; k < keys; ++k) {
    COLvoidLookupNode* place = map.find(k).place();
    if (place == nullptr || map.value(place) != k) ++missing;
  }
  EXPECT_EQ(missing, 0);
}

// Bucket indexes come from the bucket count's reciprocal instead of a division: at every
// bucket count, keys whose hashes lie at the ends of the 32 bits, at multiples of the
// count and beyond 32 bits go into the bucket their hash mod the count names, and are
// found and removed there. Probe keys carry the top bit, which fillers never do.
struct LowBitsShiftedHash {
  static size_t hash(const unsigned long long& key) { return static_cast<size_t>((key >> 3) & ((1ull << 60) - 1)); }
};

TEST(COLhashmap, EveryBucketCountPlacesEdgeHashesInTheirBucket) {
  COLhashmap<unsigned long long, int, LowBitsShiftedHash> map;
  std::vector<size_t> checked;
  for (unsigned long long filler = 0; checked.size() < 30; ++filler) {
    ASSERT_NE(map.insert(filler, 0), nullptr);
    const size_t p = map.bucket_count();
    if (!checked.empty() && checked.back() >= p) continue;
    checked.push_back(p);
    const unsigned long long top = 0xFFFFFFFFull;
    for (unsigned long long h : {0ull, p - 1ull, 1ull * p, p + 1ull, top, top - top % p, top - top % p - 1,
                                 top + 1, top + p, 0xFFFFFFFFFFFFull}) {
      const unsigned long long key = 1ull << 63 | h << 3;
      const size_t bucket = static_cast<size_t>(h % p);
      const size_t before = map.chain_length(bucket);
      ASSERT_NE(map.insert(key, 1), nullptr) << h << " in " << p;
      // A probe may grow a small table itself; it is then checked in the next one.
      const bool grown = map.bucket_count() != p;
      if (!grown) {
        EXPECT_EQ(map.chain_length(bucket), before + 1) << h << " in " << p;
      }
      COLvoidLookupNode* place = map.find(key).place();
      ASSERT_NE(place, nullptr) << h << " in " << p;
      EXPECT_EQ(map.value(place), 1);
      map.remove(place);
      if (!grown) {
        EXPECT_EQ(map.chain_length(bucket), before) << h << " in " << p;
      }
      EXPECT_EQ(map.find(key).place(), nullptr) << h << " in " << p;
    }
  }
  EXPECT_EQ(checked, std::vector<size_t>(COLlookupPrimes, COLlookupPrimes + 30));
}

TEST(COLhashmap, ClearDeletesEveryNodeAndReturnsToTwoBuckets) {
  Counted::live = 0;
  COLhashmap<int, Counted, ConstantHash> map;
  for (int k = 0; k < 12; ++k) map.insert(k, Counted(k));
  ASSERT_GT(map.bucket_count(), 2u);
  map.clear();
  EXPECT_EQ(Counted::live, 0);
  EXPECT_EQ(map.size(), 0u);
  EXPECT_EQ(map.bucket_count(), 2u);
  EXPECT_EQ(map.first(), nullptr);
  map.insert(3, Counted(3));
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(map.value(map.find(3).place()).v, 3);
}

TEST(COLhashmap, RemoveUnlinksHeadMiddleAndEndOfAChain) {
  struct Case {
    const char* why;
    int removed;
    std::vector<int> left;
  } cases[] = {
      {"head", 4, {3, 2, 1}},
      {"middle", 3, {4, 2, 1}},
      {"end", 1, {4, 3, 2}},
  };
  for (const Case& c : cases) {
    Counted::live = 0;
    COLhashmap<int, Counted, ConstantHash> map;
    for (int k = 1; k <= 4; ++k) map.insert(k, Counted(k));
    map.remove(map.find(c.removed).place());
    EXPECT_EQ(map.size(), 3u) << c.why;
    EXPECT_EQ(Counted::live, 3) << c.why;
    std::vector<int> left;
    for (const COLvoidLookupNode* p = map.first(); p != nullptr; p = map.next(p)) left.push_back(map.key(p));
    EXPECT_EQ(left, c.left) << c.why;
    EXPECT_EQ(map.find(c.removed).place(), nullptr) << c.why;
  }

  COLhashmap<int, int> map;
  insertAll(map, {1, 2});
  const int absent = 9, present = 2;
  EXPECT_FALSE(map.remove(absent));
  EXPECT_EQ(map.size(), 2u);
  EXPECT_TRUE(map.remove(present));
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(forward(map), (std::vector<int>{1}));
}

TEST(COLhashmap, PlacesAreChecked) {
  COLhashmap<int, int, ConstantHash> map;
  insertAll(map, {1, 2});
  COLhashmap<int, int, ConstantHash> other;
  insertAll(other, {3});
  COLhashmap<int, int, IdentityHash> spread;
  insertAll(spread, {1});
  COLhashmap<int, int, IdentityHash> foreign;
  insertAll(foreign, {2});
  COLvoidLookupNode* stranger = other.find(3).place();
  COLvoidLookupNode* strangerOfAnEmptyBucket = foreign.find(2).place();
  const char* const placeText = "Failed precondition: Place != NULL";
  const char* const chainText = "Failed precondition: Current->Next != NULL";
  struct Case {
    const char* why;
    std::function<void()> run;
    TESTerrorFields error;
  } cases[] = {
      {"key(null)", [&] { map.key(nullptr); }, {placeText, COL_ERROR_PRECONDITION, 327, "COLhashmap"}},
      {"value(null)", [&] { map.value(nullptr); }, {placeText, COL_ERROR_PRECONDITION, 317, "COLhashmap"}},
      {"remove(null)", [&] { map.remove(nullptr); }, {placeText, COL_ERROR_PRECONDITION, 74, "COLhashmap"}},
      {"remove of another map's node", [&] { map.remove(stranger); },
       {chainText, COL_ERROR_PRECONDITION, 93, "COLhashmap"}},
      {"previous of another map's node", [&] { map.previous(stranger); },
       {chainText, COL_ERROR_PRECONDITION, 142, "COLhashmap"}},
      {"remove of a node whose bucket is empty here", [&] { spread.remove(strangerOfAnEmptyBucket); },
       {chainText, COL_ERROR_PRECONDITION, 93, "COLhashmap"}},
      {"previous of a node whose bucket is empty here", [&] { spread.previous(strangerOfAnEmptyBucket); },
       {chainText, COL_ERROR_PRECONDITION, 142, "COLhashmap"}},
  };
  for (const Case& c : cases) EXPECT_EQ(TEST_ERROR_OF(c.run()), c.error) << c.why;
  EXPECT_EQ(forward(map), (std::vector<int>{2, 1})) << "a refused removal changes nothing";
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(forward(spread), (std::vector<int>{1}));
}

TEST(COLhashmap, ANodeThatCannotBeAllocatedIsOutOfMemory) {
  Counted::live = 0;
  COLhashmap<int, Counted> map;
  map.insert(1, Counted(1));
  {
    NoNodeMemory failing;
    EXPECT_EQ(TEST_ERROR_OF(map.insert(5, Counted(5))),
              (TESTerrorFields{"Out of memory", static_cast<int>(0x80000500), 271, "COLhashmap"}));
  }
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(map.find(5).place(), nullptr);
  EXPECT_EQ(forward(map), (std::vector<int>{1}));
  EXPECT_EQ(Counted::live, 1);
  ASSERT_NE(map.insert(5, Counted(5)), nullptr);
  EXPECT_EQ(map.value(map.find(5).place()).v, 5);
}

TEST(COLhashmap, NoMemoryForBucketsKeepsTheTableWorking) {
  COLhashmap<int, int, ConstantHash> map;
  insertAll(map, {1, 2, 3, 4});
  {
    NoBucketMemory failing;
    insertAll(map, {5, 6});
  }
  EXPECT_EQ(map.bucket_count(), 2u) << "growth gave up silently";
  EXPECT_EQ(forward(map), (std::vector<int>{6, 5, 4, 3, 2, 1}));

  insertAll(map, {7});
  ASSERT_EQ(map.bucket_count(), 5u) << "the next insert grows";
  {
    NoBucketMemory failing;
    map.clear();
  }
  EXPECT_EQ(map.size(), 0u);
  EXPECT_EQ(map.bucket_count(), 5u) << "the emptied table stays in use";
  EXPECT_EQ(map.first(), nullptr);
  EXPECT_EQ(map.last(), nullptr);
  insertAll(map, {8, 9});
  EXPECT_EQ(forward(map), (std::vector<int>{9, 8}));
  map.clear();
  EXPECT_EQ(map.bucket_count(), 2u);
}

// Random inserts, removals, lookups and clears against std::unordered_map, with a good
// hash and with one that piles keys into few buckets.
template <class H>
void compareWithStandardMap(unsigned seed) {
  std::mt19937 random(seed);
  COLhashmap<int, int, H> map;
  std::unordered_map<int, int> expected;
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(random() % 600) - 300;
    const unsigned action = random() % 100;
    if (action < 55) {
      const bool fresh = expected.emplace(key, step).second;
      EXPECT_EQ(map.insert(key, step) != nullptr, fresh) << "step " << step;
    } else if (action < 80) {
      COLvoidLookupNode* place = map.find(key).place();
      ASSERT_EQ(place != nullptr, expected.count(key) == 1) << "step " << step;
      if (place != nullptr) {
        map.remove(place);
        expected.erase(key);
      }
    } else if (action < 90) {
      EXPECT_EQ(map.remove(key), expected.erase(key) == 1) << "step " << step;
    } else if (action < 99) {
      COLvoidLookupNode* place = map.find(key).place();
      auto found = expected.find(key);
      ASSERT_EQ(place != nullptr, found != expected.end()) << "step " << step;
      if (place != nullptr) {
        EXPECT_EQ(map.value(place), found->second) << "step " << step;
      }
    } else {
      map.clear();
      expected.clear();
    }
    ASSERT_EQ(map.size(), expected.size()) << "step " << step;
    if (step % 500 == 0) {
      std::vector<int> keys = forward(map);
      std::vector<int> reversed = backward(map);
      ASSERT_EQ(keys.size(), expected.size());
      EXPECT_EQ(std::vector<int>(keys.rbegin(), keys.rend()), reversed);
      for (int k : keys) EXPECT_EQ(expected.count(k), 1u) << k;
    }
  }
}

// The table as the rules describe it, written plainly: chains as vectors with the head in
// front, growth when an insert meets a chain of four or more in a table holding at least as
// many entries as buckets, regathered so that each new chain keeps its old iteration order.
template <class K>
class ModelTable {
public:
  bool insert(size_t hash, const K& key) {
    std::vector<Entry>* chain = &m_Buckets[hash % m_Buckets.size()];
    for (const Entry& e : *chain)
      if (e.key == key) return false;
    if (chain->size() >= 4 && m_Count >= m_Buckets.size() && COLlookupPrimes[m_Prime + 1] != 0) {
      grow();
      chain = &m_Buckets[hash % m_Buckets.size()];
    }
    chain->insert(chain->begin(), Entry{hash, key});
    ++m_Count;
    return true;
  }
  size_t bucket_count() const { return m_Buckets.size(); }
  std::vector<K> order() const {
    std::vector<K> keys;
    for (const std::vector<Entry>& chain : m_Buckets)
      for (const Entry& e : chain) keys.push_back(e.key);
    return keys;
  }

private:
  struct Entry {
    size_t hash;
    K key;
  };
  void grow() {
    std::vector<Entry> inOrder;
    for (const std::vector<Entry>& chain : m_Buckets) inOrder.insert(inOrder.end(), chain.begin(), chain.end());
    ++m_Prime;
    m_Buckets.assign(COLlookupPrimes[m_Prime], std::vector<Entry>());
    for (const Entry& e : inOrder) m_Buckets[e.hash % m_Buckets.size()].push_back(e);
  }
  std::vector<std::vector<Entry>> m_Buckets = std::vector<std::vector<Entry>>(2);
  size_t m_Prime = 0;
  size_t m_Count = 0;
};

// With the library's own hashes, the map's bucket counts, insert results and iteration
// order are those of the rules at every step: comparing stored hashes first may skip key
// comparisons, never change what the table does.
TEST(COLhashmap, BucketCountAndOrderFollowTheRulesWithTheLibrarysHashes) {
  std::mt19937 random(7);
  {
    COLhashmap<int, int> map;
    ModelTable<int> model;
    for (int step = 0; step < 60000; ++step) {
      const int key = static_cast<int>(random() % 40000) - 20000;
      ASSERT_EQ(map.insert(key, step) != nullptr, model.insert(COLhash<int>::hash(key), key)) << "step " << step;
      ASSERT_EQ(map.bucket_count(), model.bucket_count()) << "step " << step;
      if (step % 10000 == 0) {
        ASSERT_EQ(forward(map), model.order()) << "step " << step;
      }
    }
    EXPECT_EQ(forward(map), model.order());
  }
  {
    COLhashmap<COLstring, int> map;
    ModelTable<std::string> model;
    std::vector<std::string> order;
    for (int step = 0; step < 20000; ++step) {
      std::string key = "k" + std::to_string(random() % 12000);
      if (step % 7 == 0) key += std::string("\0", 1) + std::to_string(step % 3);  // bytes behind a NUL count
      const COLstring text(key.data(), static_cast<int>(key.size()));
      ASSERT_EQ(map.insert(text, step) != nullptr, model.insert(COLhash<COLstring>::hash(text), key)) << key;
      ASSERT_EQ(map.bucket_count(), model.bucket_count()) << "step " << step;
    }
    for (const COLvoidLookupNode* p = map.first(); p != nullptr; p = map.next(p))
      order.push_back(TESTtext(map.key(p)));
    EXPECT_EQ(order, model.order());
  }
}

struct FewBucketsHash {
  static size_t hash(const int& key) { return static_cast<size_t>(key & 3); }
};

TEST(COLhashmap, BehavesLikeTheStandardMap) {
  compareWithStandardMap<COLhash<int>>(1);
  compareWithStandardMap<COLhash<int>>(2);
  compareWithStandardMap<FewBucketsHash>(3);
}

TEST(COLhashmap, MonthAbbreviationsMapToTheirNumbers) {
  const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  COLhashmap<COLstring, int, COLhash<COLstring>> map;
  for (int m = 0; m < 12; ++m) ASSERT_NE(map.insert(months[m], m + 1), nullptr) << months[m];
  EXPECT_EQ(map.insert("Jan", 13), nullptr);
  EXPECT_EQ(map.size(), 12u);
  for (int m = 0; m < 12; ++m) {
    COLvoidLookupNode* place = map.find(months[m]).place();
    ASSERT_NE(place, nullptr) << months[m];
    EXPECT_EQ(map.value(place), m + 1) << months[m];
    EXPECT_EQ(TESTtext(map.key(place)), months[m]);
  }
  EXPECT_EQ(map.find("jan").place(), nullptr) << "the lookup is exact";
  EXPECT_EQ(map.find("Janu").place(), nullptr);
  int visited = 0;
  for (COLvoidLookupNode* p = map.first(); p != nullptr; p = map.next(p)) ++visited;
  EXPECT_EQ(visited, 12);
}

TEST(COLhashmap, StringKeysThatDifferBehindANulAreDistinct) {
  // All three hash into bucket 0 of a new map; compared only up to their NUL they would
  // be one key there, and distinct keys in a larger table.
  const COLstring keys[] = {COLstring("a\0b", 3), COLstring("a\0c", 3), COLstring("a\0d", 3)};
  COLhashmap<COLstring, int, COLhash<COLstring>> map;
  for (int k = 0; k < 3; ++k) EXPECT_NE(map.insert(keys[k], k), nullptr) << k;
  EXPECT_EQ(map.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    COLvoidLookupNode* place = map.find(keys[k]).place();
    ASSERT_NE(place, nullptr) << k;
    EXPECT_EQ(map.value(place), k);
  }
  EXPECT_EQ(map.find("a").place(), nullptr);
}

std::string pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  return bytes;
}

TEST(COLhash, StringHashMatchesIndependentVectors) {
  struct Case {
    std::string bytes;
    uint32_t hash;
  } cases[] = {
      {"", 0x0},
      {"a", 0x08000003},
      {"ab", 0xca100000},
      {"abc", 0x31e50800},
      {"abcd", 0xc6c4c2c8},
      {"abcde", 0x196e3626},
      {"Jan", 0x9406f840},
      {"Dec", 0x318cb100},
      {"hello world!", 0xefe2c0da},
      {"\xff", 0xffffffff},  // a high byte counts as negative
      {"\x80\x81\x82\x83\x84", 0x45828180},
      {std::string("a\0b", 3), 0x62c20000},
      {pattern(4), 0x0d8a0790},
      {pattern(7), 0xd03d1528},
      {pattern(65535), 0x543a2606},
      {pattern(65536), 0xabcc61d1},  // the 16-bit mask leaves no group: byte by byte
      {pattern(65539), 0x62b26a27},
      {pattern(70001), 0xedd24ad9},
  };
  for (const Case& c : cases) {
    COLstring text(c.bytes.data(), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(COLhash<COLstring>::hash(text), c.hash) << "length " << c.bytes.size();
  }
}

TEST(COLhash, ByteAndIntegerHashesMatchIndependentVectors) {
  struct Case {
    const char* why;
    size_t hash;
    uint32_t expected;
  } cases[] = {
      {"no bytes", COLhashBytes("", 0), 0x0},
      {"one byte", COLhashBytes("a", 1), 0x0},
      {"ab", COLhashBytes("ab", 2), 0x62},
      {"the first byte does not count", COLhashBytes("xb", 2), 0x62},
      {"hello", COLhashBytes("hello", 5), 0x333def},
      {"high bytes are unsigned", COLhashBytes("\xff\xfe\xfd", 3), 0x1f3d},
      {"256 bytes", COLhashBytes(pattern(256).data(), 256), 0x38000000},
      {"long long", COLhash<long long>::hash(0x0102030405060708LL), 0xcc520c40},
      {"long long -1", COLhash<long long>::hash(-1LL), 0x318c6321},
      {"unsigned long long 256", COLhash<unsigned long long>::hash(256ULL), 0x40000000},
      {"long", COLhash<long>::hash(0x01020304L), 0xc41},
      {"long -2", COLhash<long>::hash(-2L), 0x3e31f},
      {"unsigned long: the lowest byte is left out", COLhash<unsigned long>::hash(255UL), 0x0},
      {"short: its second byte", COLhash<short>::hash(short{0x1234}), 0x12},
      {"unsigned short", COLhash<unsigned short>::hash(static_cast<unsigned short>(0xFFFF)), 0xff},
      {"int 0", COLhash<int>::hash(0), 0x0},
      {"int 1", COLhash<int>::hash(1), 0x4},
      {"int -1", COLhash<int>::hash(-1), 0xfffffffe},
      {"int -2", COLhash<int>::hash(-2), 0xfffffffe},
      {"int 65536 wraps", COLhash<int>::hash(65536), 0x30000},
      {"int max", COLhash<int>::hash(0x7FFFFFFF), 0x7ffffffe},
      {"int min", COLhash<int>::hash(-0x7FFFFFFF - 1), 0x80000000},
      {"int 123456789", COLhash<int>::hash(123456789), 0xad4c0af8},
      {"unsigned int", COLhash<unsigned int>::hash(0xFFFFFFFFu), 0xfffffffe},
      {"signed char is sign-extended", COLhash<signed char>::hash(static_cast<signed char>(-1)), 0xfffffffe},
      {"signed char -128", COLhash<signed char>::hash(static_cast<signed char>(-128)), 0x3e80},
      {"char 127", COLhash<char>::hash(static_cast<char>(127)), 0x407e},
      {"unsigned char 255", COLhash<unsigned char>::hash(static_cast<unsigned char>(255)), 0x100fe},
  };
  for (const Case& c : cases) EXPECT_EQ(c.hash, c.expected) << c.why;
}

}  // namespace
