// The library's hash table: COLvoidLookup, an untyped engine of chained buckets whose
// count steps up through the primes of COLlookupPrimes, and COLhashmap<K, V, H>, the typed
// map over it, with the hash functions COLhash. A place is a node pointer (null: none);
// iteration runs over the buckets in order and, within a bucket, newest entry first. The
// first value stored under a key wins: inserting the key again changes nothing.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLstring.h"

#include <cstddef>
#include <cstdint>
#include <new>

// The bucket counts a table steps through, ending in 0.
extern const size_t COLlookupPrimes[31];
// For each bucket count p, 2^64 / p rounded up (0 for the end).
extern const uint64_t COLlookupReciprocals[31];

// The head of every node; a typed map puts its key and value after it.
struct COLvoidLookupNode {
  COLvoidLookupNode* Next;
  size_t Hash;
};

class COLvoidLookup {
public:
  COLvoidLookup();
  // Frees the bucket array only: the typed map deletes the nodes first.
  virtual ~COLvoidLookup();
  COLvoidLookup(const COLvoidLookup&) = delete;
  COLvoidLookup& operator=(const COLvoidLookup&) = delete;

  size_t size() const { return m_Count; }
  size_t bucket_count() const { return *m_pBucketCount; }
  // The number of nodes in one bucket; 0 for an index that is no bucket.
  size_t chain_length(size_t BucketIndex) const;

  void remove(COLvoidLookupNode* Place);
  // Deletes every node and returns to two buckets.
  void clear();

  COLvoidLookupNode* first() const;
  COLvoidLookupNode* next(const COLvoidLookupNode* Place) const;
  COLvoidLookupNode* last() const;
  COLvoidLookupNode* previous(const COLvoidLookupNode* Place) const;

protected:
  // The head of the chain that a key of this hash is in, for the typed map's own walk.
  COLvoidLookupNode* chain_of(size_t Hash) const { return m_Buckets[bucket_index(Hash)]; }
  // Links Node, which holds Hash and a key found absent from a chain of ChainLength nodes,
  // at the head of its chain, after growing the table when that chain is long. A null
  // Node, one that could not be allocated, is "Out of memory" and changes nothing.
  COLvoidLookupNode* link(size_t Hash, COLvoidLookupNode* Node, size_t ChainLength);
  // Hash mod the bucket count. The hashes are 32-bit values, and for those the remainder
  // comes from the count's reciprocal without a division: the low 64 bits of the hash
  // times the reciprocal are the fraction Hash / count, and that fraction times the count
  // has the remainder in its integer part (exact for 32-bit hashes and counts).
  size_t bucket_index(size_t Hash) const {
    const size_t Count = bucket_count();
    if (Hash > 0xFFFFFFFFu) return Hash % Count;
    const uint64_t Fraction = COLlookupReciprocals[m_pBucketCount - COLlookupPrimes] * Hash;
    return static_cast<size_t>((static_cast<unsigned __int128>(Fraction) * Count) >> 64);
  }

  virtual void delete_node(COLvoidLookupNode* Node) = 0;
  virtual size_t hash_of(const COLvoidLookupNode* Node) const = 0;

private:
  size_t bucket_of(const COLvoidLookupNode* Node) const { return bucket_index(hash_of(Node)); }
  COLvoidLookupNode* chain_end(size_t BucketIndex) const;
  COLvoidLookupNode* predecessor(size_t BucketIndex, const COLvoidLookupNode* Place, int line) const;
  void grow();

  COLvoidLookupNode** m_Buckets;
  const size_t* m_pBucketCount;
  size_t m_Count;
};

// Hash functions: COLhash<K>::hash(key) gives a 32-bit value as size_t.
template <class K>
struct COLhash;

// A block's bytes from the second on; the first byte does not take part.
size_t COLhashBytes(const void* Data, size_t Length);

template <>
struct COLhash<COLstring> {
  static size_t hash(const COLstring& Key);
};

// Keys of 8, 4 and 2 bytes hash their bytes in memory order (so the lowest byte of a
// little-endian number is left out).
template <class T>
struct COLhashByBytes {
  static size_t hash(const T& Key) { return COLhashBytes(&Key, sizeof Key); }
};
template <> struct COLhash<long long> : COLhashByBytes<long long> {};
template <> struct COLhash<unsigned long long> : COLhashByBytes<unsigned long long> {};
template <> struct COLhash<short> : COLhashByBytes<short> {};
template <> struct COLhash<unsigned short> : COLhashByBytes<unsigned short> {};
// long is 4 bytes on Windows and 8 elsewhere; its low 32 bits are hashed everywhere, so
// the hash does not depend on the build.
template <>
struct COLhash<unsigned long> {
  static size_t hash(const unsigned long& Key) {
    const uint32_t Low = static_cast<uint32_t>(Key);
    return COLhashBytes(&Low, sizeof Low);
  }
};
template <>
struct COLhash<long> {
  static size_t hash(const long& Key) { return COLhash<unsigned long>::hash(static_cast<unsigned long>(Key)); }
};

// One-byte and 32-bit integer keys: k x (k + 3) in 32 bits.
template <class T>
struct COLhashByValue {
  static size_t hash(const T& Key) {
    // A signed byte is sign-extended: the conversion to 32 bits keeps its value.
    const uint32_t k = static_cast<uint32_t>(Key);
    return k * (k + 3);
  }
};
template <> struct COLhash<char> : COLhashByValue<char> {};
template <> struct COLhash<signed char> : COLhashByValue<signed char> {};
template <> struct COLhash<unsigned char> : COLhashByValue<unsigned char> {};
template <> struct COLhash<int> : COLhashByValue<int> {};
template <> struct COLhash<unsigned int> : COLhashByValue<unsigned int> {};

// Key equality of the maps: ==, except that string keys compare every byte. A COLstring's
// == stops at its first NUL while its hash covers all its bytes, so keys that differ behind
// a NUL would be equal in one bucket and distinct in another.
template <class K>
bool COLhashmapKeysEqual(const K& Left, const K& Right) {
  return Left == Right;
}
bool COLhashmapKeysEqual(const COLstring& Left, const COLstring& Right);

template <class K, class V, class H>
class COLhashmap;

// What find returns: the map and the place of the key, null when it is absent.
template <class K, class V, class H>
class COLhashmapIterator {
public:
  COLhashmapIterator(COLhashmap<K, V, H>* Map, COLvoidLookupNode* Place) : m_pMap(Map), m_pPlace(Place) {}
  COLhashmap<K, V, H>* map() const { return m_pMap; }
  COLvoidLookupNode* place() const { return m_pPlace; }

private:
  COLhashmap<K, V, H>* m_pMap;
  COLvoidLookupNode* m_pPlace;
};

// Insert, find and remove all hash the key with H::hash and walk its chain with the key's
// own equality, both inlined; the engine only links, unlinks and grows.
template <class K, class V, class H = COLhash<K>>
class COLhashmap : public COLvoidLookup {
public:
  COLhashmap() {}
  ~COLhashmap() override {
    try {
      clear();
    } catch (COLerror&) {
    }
  }

  // Null when the key is already present; the map is then unchanged. A node that cannot be
  // allocated raises "Out of memory" and changes nothing either.
  COLvoidLookupNode* insert(const K& Key, const V& Value) {
    const size_t Hash = H::hash(Key);
    size_t ChainLength = 0;
    if (place_of(Hash, Key, &ChainLength) != NULL) return NULL;
    return link(Hash, new (std::nothrow) Node(Hash, Key, Value), ChainLength);
  }

  COLhashmapIterator<K, V, H> find(const K& Key) {
    return COLhashmapIterator<K, V, H>(this, place_of(H::hash(Key), Key, NULL));
  }

  // Removes the entry of Key; false when there is none.
  bool remove(const K& Key) {
    COLvoidLookupNode* Place = place_of(H::hash(Key), Key, NULL);
    if (Place == NULL) return false;
    COLvoidLookup::remove(Place);
    return true;
  }
  using COLvoidLookup::remove;

  const K& key(const COLvoidLookupNode* Place) const {
    COL_PRECONDITION(Place != NULL, 327, "COLhashmap");
    return static_cast<const Node*>(Place)->Key;
  }
  V& value(COLvoidLookupNode* Place) {
    COL_PRECONDITION(Place != NULL, 317, "COLhashmap");
    return static_cast<Node*>(Place)->Value;
  }
  const V& value(const COLvoidLookupNode* Place) const {
    COL_PRECONDITION(Place != NULL, 317, "COLhashmap");
    return static_cast<const Node*>(Place)->Value;
  }

protected:
  void delete_node(COLvoidLookupNode* Place) override {
    if (Place != NULL) delete static_cast<Node*>(Place);
  }
  size_t hash_of(const COLvoidLookupNode* Place) const override { return Place->Hash; }

private:
  struct Node : COLvoidLookupNode {
    Node(size_t NodeHash, const K& NodeKey, const V& NodeValue) : Key(NodeKey), Value(NodeValue) {
      Next = NULL;
      Hash = NodeHash;
    }
    K Key;
    V Value;
  };

  // The node of Key in the chain of Hash, or null; ChainLength, when given, receives the
  // number of nodes passed (the whole chain when the key is absent).
  COLvoidLookupNode* place_of(size_t Hash, const K& Key, size_t* ChainLength) const {
    size_t Passed = 0;
    for (COLvoidLookupNode* Place = chain_of(Hash); Place != NULL; Place = Place->Next, ++Passed)
      if (Place->Hash == Hash && COLhashmapKeysEqual(Key, static_cast<const Node*>(Place)->Key)) return Place;
    if (ChainLength != NULL) *ChainLength = Passed;
    return NULL;
  }
};
