// The Windows C runtime's behaviour where it differs from glibc, for the layer's builds.
// The PLAT... functions behave as the Windows runtime's default "C" locale does: every
// byte is one character and U+0000..U+00FF convert both ways; a wide character above
// U+00FF cannot be converted. The underscore names are the Windows runtime's own.
#pragma once

#include <cstddef>
#include <cstdio>

// wcstombs and mbstowcs of the Windows "C" locale; (size_t)-1 and errno EILSEQ on failure.
size_t PLATwcstombs(char* dest, const wchar_t* src, size_t max);
size_t PLATmbstowcs(wchar_t* dest, const char* src, size_t max);

// toupper and tolower of the "C" locale: only the ASCII letters change; any other value,
// a negative char among them, comes back as it went in.
int PLATtoupper(int c);
int PLATtolower(int c);

#define _O_TEXT   0x4000
#define _O_BINARY 0x8000

int _fileno(FILE* file);
// Descriptors have no translation mode here; the mode is remembered per descriptor so
// that the previous one can be returned, as the runtime does (text by default).
int _setmode(int fd, int mode);
