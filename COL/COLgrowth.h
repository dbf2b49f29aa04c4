// The one growth rule of the library's growable storage: COLstring's bytes and the slots
// of COLvector and LEGvector. Their counts are int and their blocks are measured in
// size_t, so the rule works in 64 bits and never wraps: doubling stops at the most a
// block can count, and a need past that is refused before anything is allocated or
// changed.
#pragma once

#include "COL/COLerror.h"

#include <climits>
#include <cstddef>
#include <cstdint>

// The most elements of Size bytes one block holds: as many as an int counts, and no more
// than a byte count in size_t can measure.
constexpr int COLmostCapacity(size_t Size) {
  return SIZE_MAX / Size < static_cast<size_t>(INT_MAX) ? static_cast<int>(SIZE_MAX / Size) : INT_MAX;
}

// The capacity a block of Capacity elements of Size bytes takes to hold Wanted of them
// (more than it has): double, at least Wanted and at least 8, at most the most a block
// holds. Wanted past that most fails the precondition of Source at Line: each container
// names its own check.
inline int COLgrownCapacity(size_t Size, int Capacity, long long Wanted, int Line, const char* Source) {
  COL_PRECONDITION(Wanted <= COLmostCapacity(Size), Line, Source);
  long long grown = 2LL * Capacity;
  if (grown < Wanted) grown = Wanted;
  if (grown < 8) grown = 8;
  const long long most = COLmostCapacity(Size);
  return static_cast<int>(grown < most ? grown : most);
}
