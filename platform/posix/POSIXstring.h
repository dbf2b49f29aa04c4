// Our Windows layer's comparison of wide strings: CompareStringOrdinal, code unit by code
// unit, with case ignored as Windows ignores it for file names. Included only through
// platform/PLATwindows.h.
#pragma once

#include "platform/posix/POSIXbase.h"

#define CSTR_LESS_THAN    1
#define CSTR_EQUAL        2
#define CSTR_GREATER_THAN 3

// Compares the two texts as sequences of UTF-16 code units (a WCHAR here holds a code
// point; one above U+FFFF counts as its surrogate pair, so the order is Windows' own). A
// length of -1 takes the text up to its NUL. With ignoreCase each code unit is first
// mapped to its simple uppercase by the layer's table, one unit to one unit: letters of
// every script match their other case (Ä and ä, Σ and σ, fullwidth Ａ and ａ), while ß and
// SS, İ and i, ı and I, ς and σ, or a letter and its decomposed form stay apart, and
// nothing beyond U+FFFF changes case. Answers CSTR_LESS_THAN, CSTR_EQUAL or
// CSTR_GREATER_THAN; 0 and ERROR_INVALID_PARAMETER for a null text or a length below -1.
int CompareStringOrdinal(LPCWCH string1, int length1, LPCWCH string2, int length2, BOOL ignoreCase);
