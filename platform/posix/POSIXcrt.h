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

// The Windows runtime's generator: its 15-bit range and its sequence for each seed. As
// there, each thread has its own state, which starts as if seeded with 1.
#define PLAT_RAND_MAX 32767
int PLATrand();
void PLATsrand(unsigned seed);

// The "C" locale's multibyte rules: every byte is one character and none is a lead byte.
#define PLAT_MB_CUR_MAX 1
int PLATmblen(const char* text, size_t count);
int PLATismbblead(unsigned int c);

// getenv with the Windows rule that names ignore case (ASCII letters). A name spelt
// exactly as asked wins over one that differs only in case.
char* PLATgetenv(const char* name);
// "NAME=value" sets NAME, "NAME=" removes it; an existing variable whose name differs
// only in case is replaced. 0, or -1 with errno EINVAL for text without a name.
int _putenv(const char* assignment);

#define _O_TEXT   0x4000
#define _O_BINARY 0x8000

int _fileno(FILE* file);
// Descriptors have no translation mode here; the mode is remembered per descriptor so
// that the previous one can be returned, as the runtime does (text by default).
int _setmode(int fd, int mode);
