// COLmath: random numbers with the Windows runtime's range and sequence, the wrapping
// power, exact-width decimal conversion (checked against strtoull) and the character steps.
#include "COL/COLmath.h"

#include "COL/COLerror.h"
#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <cinttypes>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

const int Precondition = static_cast<int>(0x80000100);

TEST(COLrandom, StaysBelowMaxAndFollowsTheWindowsSequence) {
  // The Windows runtime's generator seeded with 1; the range 32766 keeps every value.
  PLATsrand(1);
  const unsigned expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (unsigned value : expected) EXPECT_EQ(COLrandom(32766), value);

  std::vector<int> seen(10);
  for (int i = 0; i < 1000; ++i) {
    unsigned value = COLrandom(10);
    ASSERT_LT(value, 10u);
    ++seen[value];
  }
  for (int count : seen) EXPECT_GT(count, 0);
  EXPECT_EQ(COLrandom(1), 0u);

  COLrandomSeed();
  EXPECT_LT(COLrandom(7), 7u);
}

TEST(COLrandom, EachThreadStartsItsOwnSequenceAtSeedOne) {
  PLATsrand(12345);
  unsigned first = 0;
  std::thread other([&] { first = COLrandom(32766); });
  other.join();
  EXPECT_EQ(first, 41u);
}

TEST(COLrandom, MaxMustBeFromOneToBelowRandMax) {
  EXPECT_EQ(PLAT_RAND_MAX, 32767);
  EXPECT_EQ(TEST_ERROR_OF(COLrandom(32767)),
            (TESTerrorFields{"Failed precondition: Max < RAND_MAX", Precondition, 33, "COLmath"}));
  EXPECT_EQ(TEST_ERROR_OF(COLrandom(4000000000u)),
            (TESTerrorFields{"Failed precondition: Max < RAND_MAX", Precondition, 33, "COLmath"}));
  // A modulo by 0 would end the process; no number lies in an empty range.
  EXPECT_EQ(TEST_ERROR_OF(COLrandom(0)),
            (TESTerrorFields{"Failed precondition: Max > 0", Precondition, 32, "COLmath"}));
}

TEST(COLpower, MultipliesWithWrapping) {
  const struct {
    int64_t base;
    int64_t exponent;
    int64_t expected;
  } cases[] = {
      {2, 10, 1024},
      {7, 0, 1},
      {0, 0, 1},
      {0, 5, 0},
      {-3, 3, -27},
      {-3, 4, 81},
      {10, 18, 1000000000000000000},
      {2, 63, INT64_MIN},
      {2, 64, 0},
      {10, 19, static_cast<int64_t>(UINT64_C(10000000000000000000))},
      {3, 41, static_cast<int64_t>(UINT64_C(18026252303461234787))},  // 3^41 modulo 2^64
      // Far too many factors for repeated multiplication to finish.
      {-1, INT64_MAX, -1},
      {1, INT64_MAX, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(COLpower(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
  EXPECT_EQ(TEST_ERROR_OF(COLpower(2, -1)),
            (TESTerrorFields{"Failed precondition: Exponent >= 0", Precondition, 139, "COLmath"}));
}

TEST(COLdecimalToUint64, ReadsExactlyCountDigits) {
  const uint64_t allOnes = UINT64_MAX;
  const struct {
    const char* text;
    unsigned count;
    uint64_t expected;
  } cases[] = {
      {"123", 3, 123},
      {"123", 2, 12},
      {"12a", 3, 0},
      {"a12", 3, 0},
      {"-12", 3, 0},
      {" 12", 3, 0},
      {"123", 0, 0},
      {"", 0, 0},
      {"007", 3, 7},
      {"18446744073709551615", 20, allOnes},
      {"18446744073709551614", 20, allOnes - 1},
      {"18446744073709551616", 20, allOnes},
      {"19999999999999999999", 20, allOnes},
      {"20000000000000000000", 20, allOnes},
      {"2xxxxxxxxxxxxxxxxxxx", 20, allOnes},
      {"09999999999999999999", 20, UINT64_C(9999999999999999999)},
      {"1x000000000000000000", 20, 0},
      {"999999999999999999999", 21, allOnes},
      {"1", 21, allOnes},
  };
  for (const auto& c : cases)
    EXPECT_EQ(COLdecimalToUint64(c.text, c.count), c.expected) << c.text << ", " << c.count;
}

TEST(COLdecimalToUint64, AgreesWithStrtoullOnDigitStrings) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 20);
  std::vector<std::string> texts = {"18446744073709551615", "18446744073709551616",
                                    "10000000000000000000", "11844674407370955161",
                                    "99999999999999999999", "00000000000000000000"};
  for (int i = 0; i < 5000; ++i) {
    std::string text(static_cast<size_t>(length(random)), '0');
    for (char& c : text) c = static_cast<char>('0' + digit(random));
    // Most 20-digit draws start with 2 or more; keep many that do not.
    if (text.size() == 20 && i % 2 == 0) text[0] = '1';
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    unsigned long long expected = strtoull(text.c_str(), nullptr, 10);
    ASSERT_EQ(COLdecimalToUint64(text.c_str(), static_cast<unsigned>(text.size())), expected) << text;
  }
}

TEST(COLtoInt64, IsTheRuntimesBase10Conversion) {
  const struct {
    const char* text;
    int64_t expected;
  } cases[] = {
      {"42", 42},
      {"  -42x", -42},
      {"\t+7 8", 7},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"99999999999999999999", INT64_MAX},
      {"-99999999999999999999", INT64_MIN},
      {"0x10", 0},
      {"abc", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(COLtoInt64(c.text), c.expected) << c.text;
}

TEST(COLcharacters, UpperCaseAndMultibyteStepsOfTheDefaultLocale) {
  EXPECT_EQ(COLtoUpper('a'), 'A');
  EXPECT_EQ(COLtoUpper('z'), 'Z');
  EXPECT_EQ(COLtoUpper('A'), 'A');
  EXPECT_EQ(COLtoUpper('{'), '{');
  EXPECT_EQ(COLtoUpper('\xe9'), static_cast<int>(static_cast<signed char>('\xe9')));

  char text[] = "a\xe9" "b";
  char* p = text;
  EXPECT_EQ(COLmbNext(p), text + 1);
  EXPECT_EQ(COLmbNext(p), text + 2);
  EXPECT_EQ(p, text + 2);

  const char* q = "\xe9x";
  EXPECT_EQ(COLmbLength(q), 1);
  const char* end = "";
  EXPECT_EQ(COLmbLength(end), 1);
  EXPECT_STREQ(q, "\xe9x");
}

}  // namespace
