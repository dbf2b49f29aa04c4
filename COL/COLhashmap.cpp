// The hash table engine behind every COLhashmap, its table of bucket counts and the hash
// functions of strings and byte blocks.
#include "COL/COLhashmap.h"

#include <cstring>
#include <new>

// Roughly half again at each step from 17 on; a table never grows past the last.
#define COL_LOOKUP_PRIMES(X)                                                                  \
  X(2) X(5) X(11) X(17) X(29) X(47) X(71) X(107) X(163) X(251) X(379) X(569) X(857) X(1289) \
  X(1949) X(2927) X(4391) X(6599) X(9901) X(14867) X(22303) X(33457) X(50207) X(75323)     \
  X(112997) X(169501) X(254257) X(381389) X(572087) X(858149)

#define COL_LOOKUP_PRIME(p) p,
const size_t COLlookupPrimes[31] = {COL_LOOKUP_PRIMES(COL_LOOKUP_PRIME) 0};

// 2^64 / p rounded up: a 32-bit hash mod p is then two multiplications (see bucket_index).
#define COL_LOOKUP_RECIPROCAL(p) UINT64_MAX / p + 1,
const uint64_t COLlookupReciprocals[31] = {COL_LOOKUP_PRIMES(COL_LOOKUP_RECIPROCAL) 0};

namespace {

// Memory has no error code of its own in the library; it shares the conversion code.
const int OutOfMemory = COL_ERROR_CONVERSION;

// A chain this long or longer, met by an insert, makes the table consider growing.
const size_t LongChain = 4;

// An array of null bucket heads, or null when there is no memory for it.
COLvoidLookupNode** newBuckets(size_t count) { return new (std::nothrow) COLvoidLookupNode*[count](); }

uint32_t rotateRight(uint32_t value, unsigned by) { return (value >> by) | (value << (32 - by)); }
uint32_t rotateLeft(uint32_t value, unsigned by) { return (value << by) | (value >> (32 - by)); }

}  // namespace

COLvoidLookup::COLvoidLookup()
    : m_Buckets(new COLvoidLookupNode*[COLlookupPrimes[0]]()), m_pBucketCount(COLlookupPrimes), m_Count(0) {}

COLvoidLookup::~COLvoidLookup() { delete[] m_Buckets; }

size_t COLvoidLookup::chain_length(size_t BucketIndex) const {
  if (BucketIndex >= bucket_count()) return 0;
  size_t length = 0;
  for (const COLvoidLookupNode* node = m_Buckets[BucketIndex]; node != NULL; node = node->Next) ++length;
  return length;
}

COLvoidLookupNode* COLvoidLookup::link(size_t Hash, COLvoidLookupNode* Node, size_t ChainLength) {
  if (Node == NULL) throw COLerror("Out of memory", 271, "COLhashmap", OutOfMemory);
  if (ChainLength >= LongChain && m_Count >= bucket_count()) grow();
  const size_t bucket = bucket_index(Hash);
  Node->Next = m_Buckets[bucket];
  m_Buckets[bucket] = Node;
  ++m_Count;
  return Node;
}

// Relinks the nodes into the next bucket count without hashing a key again. Gathering
// reverses the iteration order and relinking at the chain heads reverses it back, so each
// new chain keeps the order its nodes had before.
void COLvoidLookup::grow() {
  const size_t* nextCount = m_pBucketCount + 1;
  if (*nextCount == 0) return;
  COLvoidLookupNode** buckets = newBuckets(*nextCount);
  if (buckets == NULL) return;  // the table keeps its size and still works, only slower

  COLvoidLookupNode* gathered = NULL;
  for (size_t b = 0; b < bucket_count(); ++b) {
    COLvoidLookupNode* node = m_Buckets[b];
    while (node != NULL) {
      COLvoidLookupNode* following = node->Next;
      node->Next = gathered;
      gathered = node;
      node = following;
    }
  }
  delete[] m_Buckets;
  m_Buckets = buckets;
  m_pBucketCount = nextCount;

  while (gathered != NULL) {
    COLvoidLookupNode* following = gathered->Next;
    const size_t bucket = bucket_of(gathered);
    gathered->Next = m_Buckets[bucket];
    m_Buckets[bucket] = gathered;
    gathered = following;
  }
}

void COLvoidLookup::remove(COLvoidLookupNode* Place) {
  COL_PRECONDITION(Place != NULL, 74, "COLhashmap");
  const size_t bucket = bucket_of(Place);
  if (m_Buckets[bucket] == Place) {
    m_Buckets[bucket] = Place->Next;
  } else {
    predecessor(bucket, Place, 93)->Next = Place->Next;
  }
  delete_node(Place);
  --m_Count;
}

void COLvoidLookup::clear() {
  for (size_t b = 0; b < bucket_count(); ++b) {
    COLvoidLookupNode* node = m_Buckets[b];
    while (node != NULL) {
      COLvoidLookupNode* following = node->Next;
      delete_node(node);
      node = following;
    }
    m_Buckets[b] = NULL;
  }
  m_Count = 0;
  COLvoidLookupNode** fresh = newBuckets(COLlookupPrimes[0]);
  if (fresh == NULL) return;  // the emptied table stays in use at its size
  m_pBucketCount = COLlookupPrimes;
  delete[] m_Buckets;
  m_Buckets = fresh;
}

COLvoidLookupNode* COLvoidLookup::chain_end(size_t BucketIndex) const {
  COLvoidLookupNode* node = m_Buckets[BucketIndex];
  if (node != NULL)
    while (node->Next != NULL) node = node->Next;
  return node;
}

COLvoidLookupNode* COLvoidLookup::first() const {
  for (size_t b = 0; b < bucket_count(); ++b)
    if (m_Buckets[b] != NULL) return m_Buckets[b];
  return NULL;
}

COLvoidLookupNode* COLvoidLookup::next(const COLvoidLookupNode* Place) const {
  if (Place == NULL) return first();
  if (Place->Next != NULL) return Place->Next;
  for (size_t b = bucket_of(Place) + 1; b < bucket_count(); ++b)
    if (m_Buckets[b] != NULL) return m_Buckets[b];
  return NULL;
}

COLvoidLookupNode* COLvoidLookup::last() const {
  for (size_t b = bucket_count(); b-- > 0;)
    if (m_Buckets[b] != NULL) return chain_end(b);
  return NULL;
}

COLvoidLookupNode* COLvoidLookup::previous(const COLvoidLookupNode* Place) const {
  if (Place == NULL) return last();
  const size_t bucket = bucket_of(Place);
  if (m_Buckets[bucket] == Place) {
    for (size_t b = bucket; b-- > 0;)
      if (m_Buckets[b] != NULL) return chain_end(b);
    return NULL;
  }
  return predecessor(bucket, Place, 142);
}

// The node before Place in its chain. A place that is not there (an empty chain too) fails
// the precondition instead of being followed off the chain's end.
COLvoidLookupNode* COLvoidLookup::predecessor(size_t BucketIndex, const COLvoidLookupNode* Place,
                                              int line) const {
  COLvoidLookupNode* Current = m_Buckets[BucketIndex];
  for (;;) {
    if (Current == NULL || Current->Next == NULL)
      COLpreconditionFailed(line, "COLhashmap", "Current->Next != NULL");
    if (Current->Next == Place) return Current;
    Current = Current->Next;
  }
}

bool COLhashmapKeysEqual(const COLstring& Left, const COLstring& Right) {
  return Left.size() == Right.size() &&
         memcmp(Left.c_str(), Right.c_str(), static_cast<size_t>(Left.size())) == 0;
}

size_t COLhash<COLstring>::hash(const COLstring& Key) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(Key.c_str());
  const uint32_t length = static_cast<uint32_t>(Key.size());
  if (length == 0) return 0;
  uint32_t h = 0;
  // A 16-bit mask, not a rounding down: from 65536 bytes on, only the low 16 bits of the
  // length decide how many bytes go four at a time, and the rest go one by one.
  const uint32_t grouped = length & 0xFFFC;
  for (uint32_t i = 0; i < grouped; i += 4) {
    const uint32_t word = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24;
    h = rotateRight(h + word, (bytes[i] + bytes[i + 1] + bytes[i + 2] + bytes[i + 3]) % 31 + 1);
  }
  for (uint32_t i = grouped; i < length; ++i) {
    const uint32_t c = static_cast<uint32_t>(static_cast<int>(static_cast<signed char>(bytes[i])));
    h = rotateRight(h + c, (c + i) % 31 + 1);
  }
  return h;
}

size_t COLhashBytes(const void* Data, size_t Length) {
  const unsigned char* bytes = static_cast<const unsigned char*>(Data);
  uint32_t h = 0;
  for (size_t i = 1; i < Length; ++i) h = rotateLeft(h, 5) ^ bytes[i];
  return h;
}
