// Our Windows layer over POSIX: the basic types, the last-error value, system message
// texts, debugger output and UTF-8 conversion. Included only through platform/PLATwindows.h.
// Sizes follow 64-bit Windows (DWORD and LONG are 32 bits); wide text is wchar_t, which
// is 32 bits here, so the conversions read and write one code point per wchar_t.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef uint64_t DWORD64;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef const char* LPCCH;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef void* HLOCAL;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef BOOL* LPBOOL;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define WINAPI
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define MAX_PATH 260

#define POSIX_ERROR(name, code, text) enum : DWORD { name = code };
#include "platform/posix/POSIXerrors.def"
#undef POSIX_ERROR
#define NO_ERROR 0

// The calling thread's last error; every function of the layer that fails sets it.
DWORD GetLastError();
void SetLastError(DWORD code);

// The Windows error that best describes an errno value of a failed POSIX call.
DWORD POSIXerrorFromErrno(int error);
// Sets the last error from errno and returns it.
DWORD POSIXsetLastErrorFromErrno();

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS  0x00000200
#define FORMAT_MESSAGE_FROM_STRING     0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE    0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM     0x00001000
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

// Only FORMAT_MESSAGE_FROM_SYSTEM is served, from the table of texts the layer knows;
// a code without a text gives 0 and ERROR_MR_MID_NOT_FOUND. With ALLOCATE_BUFFER the
// buffer argument is really a char** that receives a block to free with LocalFree.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, va_list* arguments);
HLOCAL LocalAlloc(UINT flags, size_t bytes);
HLOCAL LocalFree(HLOCAL memory);
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// There is no debugger to tell; when PLAT_DEBUG_OUTPUT names a file, the text is
// appended to it, so the layer's users can see what a Windows debugger would.
void OutputDebugStringA(LPCSTR text);

#define CP_ACP 0
#define CP_UTF8 65001
#define WC_ERR_INVALID_CHARS 0x00000080
#define MB_ERR_INVALID_CHARS 0x00000008

// The layer's ANSI code page is UTF-8: its ANSI calls hand their bytes through unchanged,
// and Linux reads file names, the command line and the registry store's text as UTF-8.
// So GetACP answers CP_UTF8, which is no double-byte code page (IsDBCSLeadByte is FALSE
// for every byte), and CP_ACP is CP_UTF8 in the two conversions.
UINT GetACP();
BOOL IsDBCSLeadByte(BYTE c);
// The process's command line in Windows form: its words joined by blanks, each quoted
// as the runtime's argument parser reads it back (a word that is empty or holds a blank,
// a tab or a quote), decoded from UTF-8. The text lives as long as the process.
LPWSTR GetCommandLineW();

// Code page 65001 only (anything else is ERROR_INVALID_PARAMETER). A length of -1 takes
// the text with its terminator; a destination size of 0 asks for the size needed; a
// destination too small gives 0 and ERROR_INSUFFICIENT_BUFFER. Without
// WC_ERR_INVALID_CHARS a code point that is no character (a surrogate, or beyond
// U+10FFFF) becomes U+FFFD, as on Windows.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH source, int sourceLength,
                        LPSTR dest, int destSize, LPCCH defaultChar, LPBOOL usedDefault);
// The other way, with the same rules for lengths and sizes. Without MB_ERR_INVALID_CHARS
// a byte that starts no character, a sequence cut short, an overlong form and a
// surrogate's form become U+FFFD each, as on Windows; with it they give 0 and
// ERROR_NO_UNICODE_TRANSLATION.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH source, int sourceLength, LPWSTR dest,
                        int destSize);

#include "platform/posix/POSIXfiletime.h"

// The layer has no security descriptors; functions that take these attributes accept them
// (or null) and ignore the descriptor.
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
