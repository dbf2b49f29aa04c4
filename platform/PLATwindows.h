// The one door to the operating system. Code of ours that needs a Windows function, type
// or C-runtime behaviour includes this header and nothing platform-specific of its own.
// On Windows it is the real system header and runtime; elsewhere it declares our layer
// (platform/posix), which implements the same names with the Windows meaning over POSIX.
//
// Where the Windows C runtime behaves differently from glibc (the C locale's one byte per
// character, RAND_MAX, case-insensitive environment names, ASCII-only case conversion, the
// localtime range), callers use the PLAT... functions below: on Windows they are the
// runtime's own functions, in the layer they reproduce the runtime's behaviour.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <wchar.h>
#include <direct.h>
#include <process.h>
#include <stdio.h>
#include <sys/stat.h>

inline size_t PLATwcstombs(char* dest, const wchar_t* src, size_t max) { return wcstombs(dest, src, max); }
inline size_t PLATmbstowcs(wchar_t* dest, const char* src, size_t max) { return mbstowcs(dest, src, max); }
#include <time.h>
// The runtime's localtime and mktime refuse times before 1970 and after this one (UTC).
const time_t PLATlatestTime = 32535215999;
inline struct tm* PLATlocaltime(const time_t* time) { return localtime(time); }
inline time_t PLATmktime(struct tm* fields) { return mktime(fields); }
#include <ctype.h>
inline int PLATtoupper(int c) { return toupper(c); }
inline int PLATtolower(int c) { return tolower(c); }
#include <mbctype.h>
#define PLAT_RAND_MAX RAND_MAX
inline int PLATrand() { return rand(); }
inline void PLATsrand(unsigned seed) { srand(seed); }
#define PLAT_MB_CUR_MAX MB_CUR_MAX
inline int PLATmblen(const char* text, size_t count) { return mblen(text, count); }
inline int PLATismbblead(unsigned int c) { return _ismbblead(c); }
inline char* PLATgetenv(const char* name) { return getenv(name); }
// The stdio functions that take paths, with Windows' rules in the layer (posix/POSIXfile.h).
inline FILE* PLATfopen(const char* path, const char* mode) { return fopen(path, mode); }
inline int PLATrename(const char* from, const char* to) { return rename(from, to); }
inline int PLATremove(const char* path) { return remove(path); }
inline char* PLATtmpnam(char* buffer) { return tmpnam(buffer); }

#else

#include "platform/posix/POSIXbase.h"
#include "platform/posix/POSIXcrt.h"
#include "platform/posix/POSIXsync.h"
#include "platform/posix/POSIXtime.h"
#include "platform/posix/POSIXregistry.h"
#include "platform/posix/POSIXuser.h"
#include "platform/posix/POSIXfile.h"
#include "platform/posix/POSIXprocess.h"
#include "platform/posix/POSIXsocket.h"
#include "platform/posix/POSIXstring.h"

#endif
