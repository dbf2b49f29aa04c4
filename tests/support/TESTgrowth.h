// Growth at the limits of a vector's count, for COLvector and LEGvector alike: the fields
// of a vector too large for any test to fill, an element too large for any block to hold
// 2^24 of, and the table of growths that each must refuse before anything changes.
#pragma once

#include "tests/support/TESTsupport.h"

#include <climits>
#include <cstddef>
#include <functional>
#include <string>

// Gives a vector (whose friend this is), for the life of the object, the fields of a full
// vector of size elements at data; the empty vector's fields after.
template <class Vector>
struct TESTvectorFields {
  TESTvectorFields(Vector& Full, int size, void* data) : vector(Full) {
    vector.size_ = size;
    vector.capacity_ = size;
    vector.data_ = static_cast<decltype(vector.data_)>(data);
  }
  ~TESTvectorFields() {
    vector.size_ = 0;
    vector.capacity_ = 0;
    vector.data_ = nullptr;
  }
  TESTvectorFields(const TESTvectorFields&) = delete;
  TESTvectorFields& operator=(const TESTvectorFields&) = delete;

  // The error of a growth that must be refused, checked to have left the three fields as
  // they were.
  TESTerrorFields refused(const std::function<void(Vector&)>& grow) {
    const int size = vector.size_, capacity = vector.capacity_;
    const void* const data = vector.data_;
    TESTerrorFields error = TEST_ERROR_OF(grow(vector));
    EXPECT_EQ(vector.size_, size);
    EXPECT_EQ(vector.capacity_, capacity);
    EXPECT_EQ(vector.data_, data);
    return error;
  }

  Vector& vector;
};

// The error of grow on a vector of size elements at data (an empty vector for size 0),
// checked to have changed nothing.
template <class Vector>
TESTerrorFields TESTrefusedGrowth(int size, void* data, const std::function<void(Vector&)>& grow) {
  Vector v;
  TESTvectorFields<Vector> fields(v, size, size == 0 ? nullptr : data);
  return fields.refused(grow);
}

// 2^40 bytes: 2^24 of them would take 2^64 bytes, one more than size_t measures.
struct TESThuge {
  char bytes[size_t(1) << 40];
};

// Every growth past the most a block holds is refused as the failed precondition of
// source, at reserveLine for reserve and at pushBackLine for both push_backs, and changes
// neither the vector nor its slots. Vector<char> of INT_MAX elements and Vector<TESThuge>
// of 2^24 - 1 stand at those limits without a byte behind their slots.
template <template <class> class Vector>
void TESTgrowthPastTheMostIsRefused(const char* source, int reserveLine, int pushBackLine) {
  using Chars = Vector<char>;
  using Huges = Vector<TESThuge>;
  const std::string text = "Failed precondition: Wanted <= COLmostCapacity(Size)";
  const TESTerrorFields pushed{text, COL_ERROR_PRECONDITION, pushBackLine, source};
  const TESTerrorFields reserved{text, COL_ERROR_PRECONDITION, reserveLine, source};
  char slots[8] = "slots";
  const int mostHuge = (1 << 24) - 1;
  struct Case {
    const char* why;
    std::function<TESTerrorFields()> grow;
    TESTerrorFields error;
  } cases[] = {
      {"push_back of a value at INT_MAX elements",
       [&] { return TESTrefusedGrowth<Chars>(INT_MAX, slots, [](Chars& v) { v.push_back('x'); }); }, pushed},
      {"push_back() at INT_MAX elements",
       [&] { return TESTrefusedGrowth<Chars>(INT_MAX, slots, [](Chars& v) { v.push_back(); }); }, pushed},
      {"push_back() at the most huge elements a block holds",
       [&] { return TESTrefusedGrowth<Huges>(mostHuge, slots, [](Huges& v) { v.push_back(); }); }, pushed},
      {"reserve of 2^24 huge elements, whose bytes wrapped to 0",
       [&] { return TESTrefusedGrowth<Huges>(0, slots, [](Huges& v) { v.reserve(1 << 24); }); }, reserved},
      {"reserve(INT_MAX) of huge elements",
       [&] { return TESTrefusedGrowth<Huges>(0, slots, [](Huges& v) { v.reserve(INT_MAX); }); }, reserved},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.grow(), c.error) << c.why;
    EXPECT_STREQ(slots, "slots") << c.why << ": nothing is written";
  }
}
