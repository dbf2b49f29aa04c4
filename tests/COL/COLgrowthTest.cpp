// The growth rule of strings and vectors at its edges: doubling that stops at what an int
// counts or a size_t measures, whichever comes first, and needs past that refused with
// the caller's source and line. (The containers' own tests reach what their counts allow.)
#include "COL/COLgrowth.h"

#include "tests/support/TESTsupport.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace {

const size_t Huge = size_t(1) << 40;

TEST(COLgrowth, DoublesWithAFloorOfEightUpToTheMostABlockHolds) {
  struct Case {
    const char* why;
    size_t size;
    int capacity;
    long long wanted;
    int grown;
  } cases[] = {
      {"a first need takes the floor", 4, 0, 1, 8},
      {"one past 8 doubles", 4, 8, 9, 16},
      {"a need above double is taken as it is", 4, 8, 40, 40},
      {"the last doubling within the int range", 1, (1 << 30) - 1, 1 << 30, INT_MAX - 1},
      {"doubling past the int range takes INT_MAX", 1, 1 << 30, (1 << 30) + 1, INT_MAX},
      {"a need of INT_MAX is had", 8, 16, INT_MAX, INT_MAX},
      {"doubling past size_t takes the most whose bytes it measures", Huge, 1 << 23, (1 << 23) + 1,
       (1 << 24) - 1},
      {"the floor stops there too", SIZE_MAX / 3, 0, 1, 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(COLgrownCapacity(c.size, c.capacity, c.wanted, 59, "COLvector"), c.grown) << c.why;
}

TEST(COLgrowth, ANeedPastTheMostFailsTheCallersPrecondition) {
  struct Case {
    const char* why;
    size_t size;
    int capacity;
    long long wanted;
  } cases[] = {
      {"one past INT_MAX", 1, INT_MAX, INT_MAX + 1LL},
      {"a sum of two ints", 1, 16, 2LL * INT_MAX},
      {"2^24 elements of 2^40 bytes", Huge, 0, 1 << 24},
      {"4 elements of a third of size_t", SIZE_MAX / 3, 0, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TEST_ERROR_OF(COLgrownCapacity(c.size, c.capacity, c.wanted, 289, "COLstring")),
              (TESTerrorFields{"Failed precondition: Wanted <= COLmostCapacity(Size)", COL_ERROR_PRECONDITION,
                               289, "COLstring"}))
        << c.why;
}

}  // namespace
