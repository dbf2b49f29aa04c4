// COLvoidList and COLlist: linking, unlinking and swapping, walked both ways.
#include "COL/COLlist.h"

#include "COL/COLref.h"
#include "COL/COLrefCounted.h"
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTtracked.h"

#include <functional>
#include <string>
#include <vector>

namespace {

typedef COLlist<int> IntList;

// The values from head to tail, after checking that walking back from the tail meets
// the same nodes and that both walks count as many nodes as the list says it holds.
std::vector<int> walk(const IntList& list) {
  std::vector<COLlistPlace> forward;
  for (COLlistPlace p = list.next(nullptr); p != nullptr; p = list.next(p)) forward.push_back(p);
  std::vector<COLlistPlace> backward;
  for (COLlistPlace p = list.previous(nullptr); p != nullptr; p = list.previous(p))
    backward.insert(backward.begin(), p);
  EXPECT_EQ(forward, backward) << "the backward links disagree with the forward ones";
  EXPECT_EQ(forward.size(), list.size());
  EXPECT_EQ(list.first(), forward.empty() ? nullptr : forward.front());
  std::vector<int> values;
  for (COLlistPlace p : forward) values.push_back(list.value(p));
  return values;
}

std::vector<COLlistPlace> fill(IntList& list, int count) {
  std::vector<COLlistPlace> places;
  for (int i = 1; i <= count; ++i) places.push_back(list.append(i));
  return places;
}

TEST(COLlist, AnEmptyListHasNoEnds) {
  IntList list;
  EXPECT_EQ(list.next(nullptr), nullptr);
  EXPECT_EQ(list.previous(nullptr), nullptr);
  EXPECT_EQ(list.first(), nullptr);
  EXPECT_EQ(list.size(), 0u);

  COLlistPlace only = list.append(7);
  EXPECT_EQ(list.next(nullptr), only);
  EXPECT_EQ(list.previous(nullptr), only);
  EXPECT_EQ(list.next(only), nullptr);
  EXPECT_EQ(list.previous(only), nullptr);
}

TEST(COLlist, LinkingAtEveryPosition) {
  struct Case {
    const char* why;
    std::function<void(IntList&, const std::vector<COLlistPlace>&)> change;
    std::vector<int> values;
  } cases[] = {
      {"append keeps the order", [](IntList&, const std::vector<COLlistPlace>&) {}, {1, 2, 3}},
      {"insert_before(item, null) appends",
       [](IntList& l, const std::vector<COLlistPlace>&) { l.insert_before(new IntList::Node(9), nullptr); },
       {1, 2, 3, 9}},
      {"insert_before the head makes a new head",
       [](IntList& l, const std::vector<COLlistPlace>& p) { l.insert_before(new IntList::Node(9), p[0]); },
       {9, 1, 2, 3}},
      {"insert_before the tail",
       [](IntList& l, const std::vector<COLlistPlace>& p) { l.insert_before(new IntList::Node(9), p[2]); },
       {1, 2, 9, 3}},
      {"a caller-built node appended",
       [](IntList& l, const std::vector<COLlistPlace>&) { l.append(static_cast<COLlistPlace>(new IntList::Node(9))); },
       {1, 2, 3, 9}},
      {"remove the head", [](IntList& l, const std::vector<COLlistPlace>& p) { l.remove(p[0]); }, {2, 3}},
      {"remove the middle", [](IntList& l, const std::vector<COLlistPlace>& p) { l.remove(p[1]); }, {1, 3}},
      {"remove the tail", [](IntList& l, const std::vector<COLlistPlace>& p) { l.remove(p[2]); }, {1, 2}},
      {"remove every node",
       [](IntList& l, const std::vector<COLlistPlace>& p) { for (COLlistPlace n : p) l.remove(n); },
       {}},
      {"remove then append",
       [](IntList& l, const std::vector<COLlistPlace>& p) { l.remove(p[2]); l.append(4); }, {1, 2, 4}},
      {"clear empties", [](IntList& l, const std::vector<COLlistPlace>&) { l.clear(); }, {}},
      {"clear then append",
       [](IntList& l, const std::vector<COLlistPlace>&) { l.clear(); l.append(5); }, {5}},
  };
  for (const Case& c : cases) {
    IntList list;
    std::vector<COLlistPlace> places = fill(list, 3);
    c.change(list, places);
    EXPECT_EQ(walk(list), c.values) << c.why;
  }
}

TEST(COLlist, SwapExchangesTwoNodesWhereverTheyStand) {
  struct Case {
    const char* why;
    int count;
    int first;
    int second;
    std::vector<int> values;
  } cases[] = {
      {"neighbours", 5, 1, 2, {1, 3, 2, 4, 5}},
      {"neighbours named the other way round", 5, 2, 1, {1, 3, 2, 4, 5}},
      {"head and its neighbour", 5, 0, 1, {2, 1, 3, 4, 5}},
      {"tail and its neighbour", 5, 4, 3, {1, 2, 3, 5, 4}},
      {"head and tail", 5, 0, 4, {5, 2, 3, 4, 1}},
      {"tail and head", 5, 4, 0, {5, 2, 3, 4, 1}},
      {"one node between", 5, 1, 3, {1, 4, 3, 2, 5}},
      {"the two nodes of a list", 2, 0, 1, {2, 1}},
      {"a node with itself", 5, 2, 2, {1, 2, 3, 4, 5}},
      {"the only node with itself", 1, 0, 0, {1}},
  };
  for (const Case& c : cases) {
    IntList list;
    std::vector<COLlistPlace> places = fill(list, c.count);
    list.swap(places[c.first], places[c.second]);
    EXPECT_EQ(walk(list), c.values) << c.why;
    list.swap(places[c.first], places[c.second]);
    std::vector<int> original;
    for (int i = 1; i <= c.count; ++i) original.push_back(i);
    EXPECT_EQ(walk(list), original) << c.why << ", swapped back";
  }
}

TEST(COLlist, NullPlacesFailTheirPreconditionsAndChangeNothing) {
  IntList list;
  std::vector<COLlistPlace> places = fill(list, 2);
  const IntList& constant = list;
  auto failure = [](const char* expression, int line) {
    return TESTerrorFields{std::string("Failed precondition: ") + expression, COL_ERROR_PRECONDITION,
                           line, "COLlist"};
  };
  struct Case {
    const char* why;
    std::function<void()> call;
    TESTerrorFields error;
  } cases[] = {
      {"append", [&] { list.append(static_cast<COLlistPlace>(nullptr)); }, failure("Item != NULL", 199)},
      {"insert_before", [&] { list.insert_before(nullptr, places[0]); }, failure("Item != NULL", 171)},
      {"remove", [&] { list.remove(nullptr); }, failure("Place != NULL", 44)},
      {"swap, first", [&] { list.swap(nullptr, places[0]); }, failure("Place1 != NULL && Place2 != NULL", 75)},
      {"swap, second", [&] { list.swap(places[0], nullptr); }, failure("Place1 != NULL && Place2 != NULL", 75)},
      {"value", [&] { list.value(nullptr); }, failure("Place != NULL", 358)},
      {"const value", [&] { constant.value(nullptr); }, failure("Place != NULL", 358)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TEST_ERROR_OF(c.call()), c.error) << c.why;
    EXPECT_EQ(walk(list), (std::vector<int>{1, 2})) << c.why;
  }
}

TEST(COLlist, PayloadsAreDestroyedOnceWhateverRemovesThem) {
  TESTtracked::reset();
  {
    COLlist<TESTtracked> list;
    COLlistPlace first = list.append(TESTtracked(1));
    list.append(TESTtracked(2));
    list.append(TESTtracked(3));
    COLlistPlace last = list.append(TESTtracked(4));
    EXPECT_EQ(TESTtracked::live, 4);
    TESTtracked::log.clear();
    list.remove(first);
    EXPECT_EQ(TESTtracked::log, std::vector<std::string>{"destroy 1"});
    list.remove(last);
    EXPECT_EQ(TESTtracked::live, 2);

    COLlist<TESTtracked> copy(list);
    EXPECT_EQ(TESTtracked::live, 4);
    TESTtracked::log.clear();
    list.clear();
    EXPECT_EQ(TESTtracked::log, (std::vector<std::string>{"destroy 2", "destroy 3"}))
        << "clear deletes from head to tail";
    copy.append(TESTtracked(5));
  }
  EXPECT_EQ(TESTtracked::live, 0);
}

TEST(COLlist, ACopyHoldsTheSameValuesInOrder) {
  IntList list;
  fill(list, 3);
  IntList copy(list);
  copy.value(copy.first()) = 9;
  IntList assigned;
  assigned.append(4);
  assigned = list;
  assigned = assigned;
  EXPECT_EQ(walk(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(walk(copy), (std::vector<int>{9, 2, 3}));
  EXPECT_EQ(walk(assigned), (std::vector<int>{1, 2, 3}));
}

class Flag : public COLrefCounted {
public:
  explicit Flag(int* destroyed) : m_Destroyed(destroyed) {}
  ~Flag() override { ++*m_Destroyed; }

private:
  int* m_Destroyed;
};

TEST(COLlist, AListOfReferencesHoldsOneReferencePerNode) {
  int destroyed = 0;
  COLref<Flag> kept(new Flag(&destroyed));
  {
    COLlist<COLref<Flag>> list;
    COLlistPlace place = list.append(kept);
    list.append(COLref<Flag>(new Flag(&destroyed)));
    EXPECT_EQ(kept->ref_count(), 2);
    EXPECT_EQ(list.value(place).get(), kept.get());
    list.remove(place);
    EXPECT_EQ(kept->ref_count(), 1);
    list.append(kept);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1) << "the list's own flag goes with the list";
  EXPECT_EQ(kept->ref_count(), 1);
}

}  // namespace
