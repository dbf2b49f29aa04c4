// COLvector: growth, element lifetimes, removal and its checked accessors.
#include "COL/COLvector.h"

#include "COL/COLstring.h"
#include "tests/support/TESTgrowth.h"
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTtracked.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Tracked = TESTtracked;

class COLvectorTracked : public ::testing::Test {
protected:
  void SetUp() override { Tracked::reset(); }
  void TearDown() override { EXPECT_EQ(Tracked::live, 0) << "elements leaked or destroyed twice"; }
};

std::vector<int> ids(const COLvector<Tracked>& v) {
  std::vector<int> out;
  for (const Tracked* p = v.data(); p != v.end(); ++p) out.push_back(p->id);
  return out;
}

struct ReserveCase {
  const char* why;
  int before;  // capacity reached first by reserving it on an empty vector
  int argument;
  int capacity;
};

TEST(COLvector, ReserveDoublesWithAFloorOfEightAndTakesALargerNeed) {
  const ReserveCase cases[] = {
      {"reserve(0) does nothing", 0, 0, 0},
      {"a negative reserve does nothing", 0, -4, 0},
      {"a small first reserve takes 8", 0, 5, 8},
      {"reserve(1) takes 8", 0, 1, 8},
      {"reserving the capacity does nothing", 8, 8, 8},
      {"reserving less does nothing", 8, 3, 8},
      {"one past 8 doubles", 8, 9, 16},
      {"one past 16 doubles", 16, 17, 32},
      {"a need above double is taken as it is", 8, 40, 40},
      {"a first need above 8 is taken as it is", 0, 11, 11},
      {"doubling an odd capacity", 11, 12, 22},
  };
  for (const ReserveCase& c : cases) {
    COLvector<int> v;
    v.reserve(c.before);
    v.reserve(c.argument);
    EXPECT_EQ(v.capacity(), c.capacity) << c.why;
    EXPECT_EQ(v.size(), 0) << c.why;
    EXPECT_EQ(v.data() == nullptr, c.capacity == 0) << c.why;
  }
}

TEST(COLvector, GrowthPastTheMostABlockHoldsIsRefusedBeforeAnythingChanges) {
  // The sums wrapped: a full vector of INT_MAX elements wrote its new one past its slots
  // and its size became negative, and 2^24 huge slots were a block of 0 bytes.
  TESTgrowthPastTheMostIsRefused<COLvector>("COLvector", 59, 66);
}

TEST(COLvector, AppendingOneAtATimeReallocatesOnlyWhenFull) {
  COLvector<int> v;
  std::vector<int> capacities;
  int* slots = nullptr;
  for (int i = 0; i < 65; ++i) {
    v.push_back(i);
    if (v.data() != slots) capacities.push_back(v.capacity());
    slots = v.data();
  }
  EXPECT_EQ(capacities, (std::vector<int>{8, 16, 32, 64, 128}));
  for (int i = 0; i < 65; ++i) ASSERT_EQ(v[i], i);
}

TEST_F(COLvectorTracked, GrowthCopiesFromTheLastToTheFirstThenDestroysTheOriginals) {
  COLvector<Tracked> v;
  v.reserve(3);
  for (int id = 1; id <= 3; ++id) v.push_back(Tracked(id));
  Tracked::log.clear();

  v.reserve(9);
  EXPECT_EQ(Tracked::log, (std::vector<std::string>{"copy 3", "copy 2", "copy 1", "destroy 3",
                                                    "destroy 2", "destroy 1"}));
  EXPECT_EQ(ids(v), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Tracked::live, 3);

  Tracked::log.clear();
  v.clear();
  EXPECT_EQ(Tracked::log, (std::vector<std::string>{"destroy 3", "destroy 2", "destroy 1"}));
  EXPECT_EQ(v.size(), 0);
  EXPECT_EQ(v.capacity(), 0);
  EXPECT_EQ(v.data(), nullptr);
}

// A tracked element whose copies fail once a number of them have been made.
struct Fragile : Tracked {
  static inline int copiesLeft = -1;  // -1: never fails
  explicit Fragile(int id) : Tracked(id) {}
  Fragile(const Fragile& other) : Tracked(counted(other)) {}
  static const Fragile& counted(const Fragile& other) {
    if (copiesLeft == 0) throw std::runtime_error("copy refused");
    if (copiesLeft > 0) --copiesLeft;
    return other;
  }
};

TEST_F(COLvectorTracked, AGrowthWhoseCopyThrowsLeavesTheVectorAsItWas) {
  {
    COLvector<Fragile> v;
    for (int id = 0; id < 8; ++id) v.push_back(Fragile(id));
    const Fragile* slots = v.data();
    Fragile::copiesLeft = 3;  // the 4th copy throws
    EXPECT_THROW(v.reserve(9), std::runtime_error);
    Fragile::copiesLeft = -1;
    EXPECT_EQ(v.size(), 8);
    EXPECT_EQ(v.capacity(), 8);
    EXPECT_EQ(v.data(), slots);
    std::vector<int> held;
    for (const Fragile* p = v.data(); p != v.end(); ++p) held.push_back(p->id);
    EXPECT_EQ(held, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Tracked::live, 8) << "the copies made before the throw are gone";

    Fragile::copiesLeft = 8;  // pushing when full copies the value first, then grows
    EXPECT_THROW(v.push_back(v[0]), std::runtime_error);
    Fragile::copiesLeft = -1;
    EXPECT_EQ(v.size(), 8);
    EXPECT_EQ(Tracked::live, 8);
  }
  Fragile::copiesLeft = -1;
}

TEST_F(COLvectorTracked, TheDestructorDestroysEveryElement) {
  {
    COLvector<Tracked> v;
    for (int id = 0; id < 20; ++id) v.push_back(Tracked(id));
    EXPECT_EQ(Tracked::live, 20);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(COLvector, PushBackOfAnElementOfTheSameFullVectorCopiesItBeforeGrowing) {
  // Texts long enough to live in heap blocks, which a copy from a freed element would lose.
  COLvector<COLstring> v;
  for (int i = 0; i < 8; ++i) v.push_back(COLstring(40, static_cast<char>('a' + i)));
  ASSERT_EQ(v.size(), v.capacity());
  COLstring& added = v.push_back(v[0]);
  EXPECT_EQ(TESTtext(added), std::string(40, 'a'));
  EXPECT_EQ(&added, &v[8]);
  v.push_back(v[8]);  // not full: no growth, the element is copied in place
  EXPECT_EQ(TESTtext(v[9]), std::string(40, 'a'));
  EXPECT_EQ(TESTtext(v[7]), std::string(40, 'h'));
}

TEST_F(COLvectorTracked, PushBackWithoutAValueAppendsADefaultElement) {
  COLvector<Tracked> v;
  v.push_back(Tracked(4));
  Tracked& added = v.push_back();
  added.id = 9;
  EXPECT_EQ(ids(v), (std::vector<int>{4, 9}));
  EXPECT_EQ(&v.back(), &added);
}

TEST(COLvector, RemoveClosesTheGapAndPlacesOutsideAreIgnored) {
  const char* texts[] = {"a", "b", "c", "d", "e"};
  COLvector<const char*> v;
  for (const char* t : texts) v.push_back(t);

  v.remove(2);
  ASSERT_EQ(v.size(), 4);
  EXPECT_EQ(std::vector<const char*>(v.data(), v.end()),
            (std::vector<const char*>{texts[0], texts[1], texts[3], texts[4]}));

  const char** first = v.data();
  EXPECT_EQ(v.remove(first), first);
  EXPECT_STREQ(*first, "b");
  EXPECT_EQ(v.size(), 3);

  const char* outside[1] = {"z"};
  EXPECT_EQ(v.remove(outside), outside);
  EXPECT_EQ(v.remove(v.end()), v.end());
  EXPECT_EQ(v.size(), 3);

  v.pop_back();
  EXPECT_EQ(std::vector<const char*>(v.data(), v.end()),
            (std::vector<const char*>{texts[1], texts[3]}));
  v.pop_back();
  v.pop_back();
  v.pop_back();  // empty: left alone
  EXPECT_EQ(v.size(), 0);
  EXPECT_EQ(v.capacity(), 8);
}

TEST_F(COLvectorTracked, RemoveDestroysTheVacatedLastSlot) {
  COLvector<Tracked> v;
  for (int id = 1; id <= 4; ++id) v.push_back(Tracked(id));
  v.remove(1);
  EXPECT_EQ(ids(v), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(Tracked::live, 3);
  v.pop_back();
  EXPECT_EQ(ids(v), (std::vector<int>{1, 3}));
  EXPECT_EQ(Tracked::live, 2);
}

TEST_F(COLvectorTracked, ACopyHasElementsOfItsOwn) {
  COLvector<Tracked> v;
  for (int id = 1; id <= 3; ++id) v.push_back(Tracked(id));
  COLvector<Tracked> copy(v);
  copy[0].id = 7;
  EXPECT_EQ(ids(v), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ids(copy), (std::vector<int>{7, 2, 3}));

  COLvector<Tracked> assigned;
  assigned.push_back(Tracked(9));
  assigned = v;
  assigned = assigned;
  EXPECT_EQ(ids(assigned), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Tracked::live, 9);
}

TEST(COLvector, CheckedAccessFailsItsPreconditionAndLeavesTheVectorAsItWas) {
  COLvector<int> v;
  const COLvector<int>& constant = v;
  EXPECT_EQ(TEST_ERROR_OF(v.back()),
            (TESTerrorFields{"Failed precondition: size_ > 0", COL_ERROR_PRECONDITION, 313, "COLvector"}));
  for (int i = 0; i < 5; ++i) v.push_back(i * 10);

  const TESTerrorFields index{"Failed precondition: n >= 0 && n < size_", COL_ERROR_PRECONDITION,
                              169, "COLvector"};
  const TESTerrorFields item{"Failed precondition: ItemIndex >= 0 && ItemIndex < size_",
                             COL_ERROR_PRECONDITION, 248, "COLvector"};
  struct Case {
    const char* why;
    std::function<void()> call;
    TESTerrorFields error;
  } cases[] = {
      {"index -1", [&] { v[-1]; }, index},
      {"index size()", [&] { v[5]; }, index},
      {"const index size()", [&] { constant[5]; }, index},
      {"remove(-1)", [&] { v.remove(-1); }, item},
      {"remove(size())", [&] { v.remove(5); }, item},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TEST_ERROR_OF(c.call()), c.error) << c.why;
    EXPECT_EQ(std::vector<int>(v.data(), v.end()), (std::vector<int>{0, 10, 20, 30, 40})) << c.why;
  }
  EXPECT_EQ(v[4], 40);
  EXPECT_EQ(constant[0], 0);
  EXPECT_EQ(v.back(), 40);
}

}  // namespace
