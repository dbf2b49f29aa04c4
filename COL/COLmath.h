// COLmath: small numeric helpers of the class library: the runtime's random numbers, an
// integer power that wraps like the hardware, exact-width decimal conversion, and the
// runtime's upper-case conversion and multibyte-character steps (its default locale).
#pragma once

#include <cstdint>

// Seeds the runtime's random generator with the current time in seconds.
void COLrandomSeed();
// A random number from 0 to Max - 1; Max must be from 1 to 32766.
unsigned COLrandom(unsigned Max);

// base to the power Exponent (at least 0), wrapping on overflow; any base to 0 is 1.
int64_t COLpower(int64_t base, int64_t Exponent);
// The value of exactly count decimal digits: 0 when one of them is not a digit, the
// all-ones value when the value does not fit.
uint64_t COLdecimalToUint64(const char* text, unsigned count);
// The runtime's base-10 conversion: white space, a sign, digits up to the first non-digit.
int64_t COLtoInt64(const char* text);

int COLtoUpper(char c);
// Steps p past one character: two bytes for a lead byte followed by a byte, one otherwise.
char* COLmbNext(char*& p);
// The byte length of the character at p (a terminating NUL counts as 1); an invalid
// sequence throws "Invalid multibyte sequence".
int COLmbLength(const char*& p);
