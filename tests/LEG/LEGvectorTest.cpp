// LEGvector: COLvector's growth with byte-copy relocation, and its checked index.
#include "LEG/LEGvector.h"

#include "COL/COLstring.h"
#include "tests/support/TESTgrowth.h"
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTtracked.h"

#include <string>
#include <vector>

namespace {

TEST(LEGvector, ReserveFollowsTheGrowthRuleOfCOLvector) {
  struct Case {
    const char* why;
    int before;
    int argument;
    int capacity;
  } cases[] = {
      {"reserve(0) does nothing", 0, 0, 0},
      {"a negative reserve does nothing", 0, -1, 0},
      {"a small first reserve takes 8", 0, 5, 8},
      {"reserving the capacity does nothing", 8, 8, 8},
      {"one past 8 doubles", 8, 9, 16},
      {"a need above double is taken as it is", 8, 40, 40},
  };
  for (const Case& c : cases) {
    LEGvector<int> v;
    v.reserve(c.before);
    v.reserve(c.argument);
    EXPECT_EQ(v.capacity(), c.capacity) << c.why;
  }
}

TEST(LEGvector, GrowthPastTheMostABlockHoldsIsRefusedBeforeAnythingChanges) {
  // The sums wrapped: a full vector of INT_MAX elements wrote its new one past its slots
  // and its size became negative, and 2^24 huge slots were a block of 0 bytes.
  TESTgrowthPastTheMostIsRefused<LEGvector>("LEGvector", 50, 57);
}

TEST(LEGvector, GrowthMovesElementsWithoutCopyingOrDestroyingThem) {
  TESTtracked::reset();
  {
    LEGvector<TESTtracked> v;
    for (int id = 0; id < 8; ++id) v.push_back(TESTtracked(id));
    TESTtracked::log.clear();
    v.reserve(100);
    EXPECT_EQ(TESTtracked::log, std::vector<std::string>{});
    EXPECT_EQ(TESTtracked::live, 8);
    for (int id = 0; id < 8; ++id) EXPECT_EQ(v[id].id, id);
  }
  EXPECT_EQ(TESTtracked::live, 0) << "the destructor destroys every element once";
}

TEST(LEGvector, MovedStringsKeepTheirTexts) {
  LEGvector<COLstring> v;
  for (int i = 0; i < 17; ++i) v.push_back(COLstring(i * 3, static_cast<char>('a' + i)));
  for (int i = 0; i < 17; ++i) EXPECT_EQ(TESTtext(v[i]), std::string(i * 3, static_cast<char>('a' + i)));
  v.clear();
  EXPECT_EQ(v.size(), 0);
  EXPECT_EQ(v.capacity(), 0);
}

TEST(LEGvector, PushBackOfAnElementOfTheSameFullVectorCopiesItBeforeGrowing) {
  LEGvector<COLstring> v;
  for (int i = 0; i < 8; ++i) v.push_back(COLstring(40, static_cast<char>('a' + i)));
  ASSERT_EQ(v.size(), v.capacity());
  COLstring& added = v.push_back(v[3]);
  EXPECT_EQ(TESTtext(added), std::string(40, 'd'));
  EXPECT_EQ(TESTtext(v[3]), std::string(40, 'd'));
  COLstring& fresh = v.push_back();
  EXPECT_EQ(fresh.size(), 0);
  EXPECT_EQ(v.size(), 10);
}

TEST(LEGvector, ACopyHasElementsOfItsOwn) {
  LEGvector<COLstring> v;
  v.push_back("one");
  v.push_back("two");
  LEGvector<COLstring> copy(v);
  copy[0] = "changed";
  LEGvector<COLstring> assigned;
  assigned = v;
  EXPECT_EQ(TESTtext(v[0]), "one");
  EXPECT_EQ(TESTtext(copy[0]), "changed");
  EXPECT_EQ(TESTtext(assigned[1]), "two");
}

TEST(LEGvector, IndexOutsideTheElementsFailsItsPrecondition) {
  LEGvector<int> v;
  v.push_back(1);
  const LEGvector<int>& constant = v;
  const TESTerrorFields expected{"Failed precondition: n >= 0 && n < size_", COL_ERROR_PRECONDITION,
                                 171, "LEGvector"};
  EXPECT_EQ(TEST_ERROR_OF(v[-1]), expected);
  EXPECT_EQ(TEST_ERROR_OF(v[1]), expected);
  EXPECT_EQ(TEST_ERROR_OF(constant[1]), expected);
  EXPECT_EQ(v[0], 1);
}

}  // namespace
