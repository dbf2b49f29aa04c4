// COLmap over COLavlTree: a randomised run against std::multimap with the tree's shape
// (parents, balances, heights, order) checked after every operation, the byte order of
// string keys, the empty tree, node ownership, and the place checks.
#include "COL/COLmap.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

typedef COLmap<COLstring, COLstring> StringMap;

// Exposes the removal by place with a shorter path record, so that small trees reach the
// way a path longer than the record takes.
class ShortPathMap : public COLmap<COLstring, int> {
public:
  bool removePlaceWithRecord(COLavlNode* Place, int Capacity) { return removePlaceRecording(Place, Capacity); }
};

// Height of the subtree; adds a failure for every broken link or balance under it.
int checkedHeight(const COLavlNode* Node, const COLavlNode* Parent, int& Count) {
  if (Node == nullptr) return 0;
  ++Count;
  EXPECT_EQ(Node->Parent, Parent);
  const int Left = checkedHeight(Node->Left, Node, Count);
  const int Right = checkedHeight(Node->Right, Node, Count);
  EXPECT_EQ(Node->Balance, Right - Left);
  EXPECT_TRUE(Node->Balance >= -1 && Node->Balance <= 1) << "balance " << Node->Balance;
  return 1 + std::max(Left, Right);
}

typedef std::multimap<std::string, int> Model;

// The tree's whole shape and contents against the model: same entries in the same order
// both ways, equal keys in insertion order, an AVL shape.
void expectSameAs(const ShortPathMap& Map, const Model& Expected) {
  int Count = 0;
  checkedHeight(Map.root(), nullptr, Count);
  ASSERT_EQ(static_cast<uint64_t>(Count), Map.size());
  ASSERT_EQ(Map.size(), Expected.size());
  std::vector<std::pair<std::string, int>> Forward, Backward;
  for (const COLavlNode* P = Map.next(nullptr); P != nullptr; P = Map.next(P))
    Forward.emplace_back(TESTtext(Map.key(P)), Map.value(P));
  for (const COLavlNode* P = Map.previous(nullptr); P != nullptr; P = Map.previous(P))
    Backward.emplace_back(TESTtext(Map.key(P)), Map.value(P));
  std::reverse(Backward.begin(), Backward.end());
  const std::vector<std::pair<std::string, int>> Want(Expected.begin(), Expected.end());
  ASSERT_EQ(Forward, Want);
  ASSERT_EQ(Backward, Want);
}

int valueOf(const ShortPathMap& Map, const COLavlNode* Place) { return Place == nullptr ? -1 : Map.value(Place); }

// Every search for one key against what the model says it must find.
void expectSearches(const ShortPathMap& Map, const Model& Expected, const std::string& Key) {
  const COLstring K(Key.c_str());
  SCOPED_TRACE("key " + Key);
  auto Lower = Expected.lower_bound(Key);
  auto Upper = Expected.upper_bound(Key);
  const bool Present = Lower != Upper;

  const COLavlNode* Found = Map.find(K);
  EXPECT_EQ(Found != nullptr, Present);
  if (Found != nullptr) {
    EXPECT_EQ(TESTtext(Map.key(Found)), Key);
  }
  EXPECT_EQ(valueOf(Map, Map.findFirst(K)), Present ? Lower->second : -1);
  EXPECT_EQ(valueOf(Map, Map.lastBefore(K)), Lower == Expected.begin() ? -1 : std::prev(Lower)->second);
  EXPECT_EQ(valueOf(Map, Map.firstAfter(K)), Upper == Expected.end() ? -1 : Upper->second);

  const COLavlNode* AtOrAfter = Map.findAtOrAfter(K);
  if (Expected.empty()) {
    EXPECT_EQ(AtOrAfter, nullptr);
  } else if (Present) {
    ASSERT_NE(AtOrAfter, nullptr);
    EXPECT_EQ(TESTtext(Map.key(AtOrAfter)), Key);
  } else {
    EXPECT_EQ(valueOf(Map, AtOrAfter), Lower == Expected.end() ? std::prev(Lower)->second : Lower->second);
  }
}

TEST(COLavlTree, RandomOperationsKeepTheShapeAndMatchAMultimap) {
  std::mt19937 Random(20261210);
  // Few distinct keys, so that equal keys are common; some share prefixes.
  const std::vector<std::string> Keys = {"", "a", "ab", "abc", "b", "ba", "c", "d", "e", "f", "g", "h",
                                         "i", "j", "k", "l", "m", "n", "o", "p", "q", "r", "s", "t"};
  for (int Round = 0; Round < 6; ++Round) {
    ShortPathMap Map;
    Model Expected;
    int NextValue = 0;
    const int Operations = Round < 5 ? 600 : 6000;
    for (int Step = 0; Step < Operations; ++Step) {
      const std::string& Key = Keys[Random() % Keys.size()];
      const COLstring K(Key.c_str());
      // More insertions than removals early in a round, the other way round late.
      const unsigned Kind = Random() % 10 + (Step > Operations / 2 ? 3 : 0);
      SCOPED_TRACE("round " + std::to_string(Round) + " step " + std::to_string(Step));
      if (Kind < 4) {
        const int Value = NextValue++;
        COLavlNode* Place = Map.insert(K, Value);
        ASSERT_NE(Place, nullptr);
        EXPECT_EQ(Map.value(Place), Value);
        Expected.emplace(Key, Value);
      } else if (Kind < 6) {
        const int Value = NextValue++;
        COLavlNode* Place = Map.insertUnique(K, Value);
        const bool Present = Expected.count(Key) != 0;
        EXPECT_EQ(Place == nullptr, Present);
        if (!Present) Expected.emplace(Key, Value);
      } else if (Kind < 9) {
        // remove takes the entry that find meets first.
        const COLavlNode* Victim = Map.find(K);
        const int Value = valueOf(Map, Victim);
        EXPECT_EQ(Map.remove(K), Victim != nullptr);
        if (Victim != nullptr)
          Expected.erase(std::find_if(Expected.begin(), Expected.end(), [&](const Model::value_type& Entry) {
            return Entry.second == Value;
          }));
      } else if (!Expected.empty()) {
        auto Entry = std::next(Expected.begin(), static_cast<long>(Random() % Expected.size()));
        COLavlNode* Place = Map.first();
        while (Map.value(Place) != Entry->second) Place = Map.next(Place);
        // Records of every length, the full one most often.
        const int Capacity = Random() % 3 == 0 ? static_cast<int>(Random() % 4 + 1) : 32;
        EXPECT_TRUE(Map.removePlaceWithRecord(Place, Capacity));
        Expected.erase(Entry);
      }
      expectSameAs(Map, Expected);
      if (::testing::Test::HasFailure()) return;
      if (Step % 50 == 0)
        for (const std::string& Probe : {std::string("aa"), std::string("zz"), std::string(), Key})
          expectSearches(Map, Expected, Probe);
    }
  }
}

TEST(COLavlTree, SortedInsertionStaysLogarithmicAndClearsWithoutRecursion) {
  ShortPathMap Map;
  Model Expected;
  char Key[16];
  for (int I = 0; I < 100000; ++I) {
    snprintf(Key, sizeof Key, "%08d", I);
    Map.insert(Key, I);
    Expected.emplace(Key, I);
  }
  expectSameAs(Map, Expected);
  int Count = 0;
  // An AVL tree of 100000 entries is at most 24 levels high.
  EXPECT_LE(checkedHeight(Map.root(), nullptr, Count), 24);
  for (int I = 0; I < 100000; I += 2) {
    snprintf(Key, sizeof Key, "%08d", I);
    ASSERT_TRUE(Map.remove(Key));
    Expected.erase(Key);
  }
  expectSameAs(Map, Expected);
  Map.clear();
  EXPECT_EQ(Map.size(), 0u);
  EXPECT_EQ(Map.root(), nullptr);
  EXPECT_EQ(Map.first(), nullptr);
}

TEST(COLavlTree, StringKeysSortAsUnsignedBytesUpToTheFirstZero) {
  struct Row {
    COLstring left, right;
    int order;
  } Rows[] = {
      {"Banana", "apple", -1},             // upper case before lower case
      {"\x80", "zzz", 1},                  // a high byte after every ASCII byte
      {"ab", "a", 1},                      // a key after its proper prefix
      {"", "a", -1},
      {"same", "same", 0},
      {COLstring("ab\0x", 4), COLstring("ab\0y", 4), 0},  // bytes after a zero take no part
      {"\xff", "\x7f", 1},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(TESTtext(R.left) + " vs " + TESTtext(R.right));
    EXPECT_EQ(COLmapCompare<COLstring>::compare(R.left, R.right), R.order);
    StringMap Map;
    Map.insert(R.right, "right");
    Map.insert(R.left, "left");
    if (R.order != 0) {
      EXPECT_EQ(TESTtext(Map.value(Map.first())), R.order < 0 ? "left" : "right");
    }
  }
}

TEST(COLavlTree, EqualKeysFollowTheOnesPresent) {
  StringMap Map;
  for (const char* Value : {"1", "2", "3", "4", "5"}) Map.insert("k", Value);
  Map.insert("a", "before");
  Map.insert("z", "after");
  std::string Order;
  for (COLavlNode* P = Map.findFirst("k"); P != nullptr && Map.key(P) == "k"; P = Map.next(P))
    Order += TESTtext(Map.value(P));
  EXPECT_EQ(Order, "12345");
  EXPECT_EQ(TESTtext(Map.key(Map.find("k"))), "k");
  // Past every key: the last entry rather than none.
  EXPECT_EQ(TESTtext(Map.value(Map.findAtOrAfter("zz"))), "after");
  EXPECT_EQ(TESTtext(Map.value(Map.findAtOrAfter("b"))), "1");
}

TEST(COLavlTree, AnEmptyTreeFindsNothing) {
  StringMap Map;
  EXPECT_EQ(Map.first(), nullptr);
  EXPECT_EQ(Map.last(), nullptr);
  EXPECT_EQ(Map.find("a"), nullptr);
  EXPECT_EQ(Map.findFirst("a"), nullptr);
  EXPECT_EQ(Map.findAtOrAfter("a"), nullptr);
  EXPECT_EQ(Map.lastBefore("a"), nullptr);
  EXPECT_EQ(Map.firstAfter("a"), nullptr);
  EXPECT_EQ(Map.next(nullptr), nullptr);
  EXPECT_EQ(Map.previous(nullptr), nullptr);
  EXPECT_FALSE(Map.remove("a"));
  for (auto Walk : {COLavlTreeBase::subtreeFirst, COLavlTreeBase::subtreeLast, COLavlTreeBase::previousAncestor,
                    COLavlTreeBase::nextAncestor})
    EXPECT_EQ(Walk(nullptr), nullptr);
}

// A value that counts its live copies, to see that the tree deletes what it refuses,
// removes and clears, and nothing else.
struct Counted {
  static int live;
  Counted() { ++live; }
  Counted(const Counted&) { ++live; }
  ~Counted() { --live; }
};
int Counted::live = 0;

TEST(COLavlTree, TheTreeDeletesTheNodesItRefusesRemovesAndClears) {
  {
    COLmap<COLstring, Counted> Map;
    const Counted Value;
    for (const char* Key : {"a", "b", "c", "d"}) Map.insert(Key, Value);
    EXPECT_EQ(Counted::live, 5);
    EXPECT_EQ(Map.insertUnique("b", Value), nullptr);
    EXPECT_EQ(Counted::live, 5);
    EXPECT_EQ(Map.size(), 4u);
    EXPECT_TRUE(Map.remove("a"));
    EXPECT_TRUE(Map.removePlace(Map.find("c")));
    EXPECT_EQ(Counted::live, 3);
    EXPECT_EQ(Map.size(), 2u);
    Map.insert("e", Value);
  }
  EXPECT_EQ(Counted::live, 0);
}

TEST(COLavlTree, PlacesAreChecked) {
  StringMap Map;
  const StringMap& ReadOnly = Map;
  Map.insert("k", "v");
  EXPECT_EQ(TEST_ERROR_OF(Map.key(nullptr)),
            (TESTerrorFields{"Failed precondition: Place != NULL", COL_ERROR_PRECONDITION, 175, "COLmap"}));
  EXPECT_EQ(TEST_ERROR_OF(Map.value(nullptr)),
            (TESTerrorFields{"Failed precondition: Place != NULL", COL_ERROR_PRECONDITION, 167, "COLmap"}));
  EXPECT_EQ(TEST_ERROR_OF(ReadOnly.value(nullptr)),
            (TESTerrorFields{"Failed precondition: Place != NULL", COL_ERROR_PRECONDITION, 171, "COLmap"}));
  EXPECT_EQ(TEST_ERROR_OF(Map.removePlace(nullptr)),
            (TESTerrorFields{"Failed precondition: Place != NULL", COL_ERROR_PRECONDITION, 352, "COLmap"}));

  // A place of another tree: its root is no place here, and a node under it leads off
  // this tree's paths; neither removes anything.
  StringMap Other;
  for (const char* Key : {"a", "b", "c"}) Other.insert(Key, "other");
  COLavlNode* OtherRoot = const_cast<COLavlNode*>(Other.root());
  EXPECT_EQ(TEST_ERROR_OF(Map.removePlace(OtherRoot)),
            (TESTerrorFields{"Failed postcondition:CurrNode == Context.target_node", COL_ERROR_POSTCONDITION,
                             731, "COLmap"}));
  EXPECT_FALSE(Map.removePlace(OtherRoot->Left));
  EXPECT_EQ(Map.size(), 1u);
  EXPECT_EQ(Other.size(), 3u);
  EXPECT_TRUE(Map.removePlace(Map.first()));
  EXPECT_EQ(Map.size(), 0u);
}

}  // namespace
