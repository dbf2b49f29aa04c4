// COLmath. The random numbers and character functions go through the door, so that the
// Linux build gives the Windows runtime's range, sequence and "C" locale.
#include "COL/COLmath.h"

#include "COL/COLerror.h"
#include "platform/PLATwindows.h"

#include <cstdlib>
#include <ctime>

void COLrandomSeed() { PLATsrand(static_cast<unsigned>(time(nullptr))); }

unsigned COLrandom(unsigned Max) {
  // Nothing lies in the range 0 to Max - 1 when Max is 0, and the modulo would divide by 0.
  COL_PRECONDITION(Max > 0, 32, "COLmath");
  // The check names the runtime's RAND_MAX, which PLAT_RAND_MAX is on every build.
  if (!(Max < PLAT_RAND_MAX)) COLpreconditionFailed(33, "COLmath", "Max < RAND_MAX");
  return static_cast<unsigned>(PLATrand()) % Max;
}

int64_t COLpower(int64_t base, int64_t Exponent) {
  COL_PRECONDITION(Exponent >= 0, 139, "COLmath");
  // Squaring gives the same wrapped product as repeated multiplication (both are
  // arithmetic modulo 2^64), in logarithmic time; unsigned arithmetic makes the
  // wrapping defined.
  uint64_t result = 1;
  uint64_t factor = static_cast<uint64_t>(base);
  for (uint64_t e = static_cast<uint64_t>(Exponent); e != 0; e >>= 1) {
    if (e & 1) result *= factor;
    factor *= factor;
  }
  return static_cast<int64_t>(result);
}

uint64_t COLdecimalToUint64(const char* text, unsigned count) {
  const uint64_t allOnes = UINT64_MAX;
  if (count > 20) return allOnes;
  if (count == 0 || text == nullptr) return 0;
  if (count == 20 && text[0] >= '2' && text[0] <= '9') return allOnes;
  for (unsigned i = 0; i < count; ++i)
    if (text[i] < '0' || text[i] > '9') return 0;
  uint64_t sum = 0;
  for (unsigned i = 0; i < count; ++i) {
    unsigned place = count - 1 - i;
    uint64_t term = static_cast<uint64_t>(text[i] - '0') * static_cast<uint64_t>(COLpower(10, place));
    if (sum > allOnes - term) return allOnes;
    sum += term;
  }
  return sum;
}

int64_t COLtoInt64(const char* text) {
  if (text == nullptr) return 0;
  return static_cast<int64_t>(strtoll(text, nullptr, 10));
}

int COLtoUpper(char c) { return PLATtoupper(c); }

char* COLmbNext(char*& p) {
  if (PLATismbblead(static_cast<unsigned char>(*p)) && p[1] != '\0')
    p += 2;
  else
    p += 1;
  return p;
}

int COLmbLength(const char*& p) {
  int length = PLATmblen(p, PLAT_MB_CUR_MAX);
  if (length == 0) return 1;
  if (length < 0) throw COLerror("Invalid multibyte sequence", 183, "COLmath", COL_ERROR_PRECONDITION);
  return length;
}
