// COLmultiByteToWide: a multibyte text as 16-bit wide characters (char16_t, as Windows'
// wchar_t is, on every build) in a simple buffer, through the runtime's conversion in
// its default "C" locale.
#pragma once

#include <cstddef>

class COLsimpleBuffer;

// Fills out with the converted characters and one zero character after them, and
// returns their number; a null text returns 0 and leaves out untouched. A text that
// the runtime cannot convert raises a COLerror.
size_t COLmultiByteToWide(const char* text, COLsimpleBuffer& out);
