// Our Windows registry over files. Each predefined root key is one hive file, named after
// the key (HKEY_CURRENT_USER.reg, ...), in the store directory: PLAT_REGISTRY_DIR, else
// $XDG_DATA_HOME/olvenmark-registry, else ~/.local/share/olvenmark-registry. Included only
// through platform/PLATwindows.h; the functions keep Windows' meaning, sizes and codes.
//
// The store, and what it promises:
// - A hive file is text in the registry export form (REGEDIT4, "[key\path]" sections,
//   "name"=... lines), so a person can read and diff it. Values keep their type and their
//   bytes exactly; key and value names compare without case (ASCII and Latin-1 letters, as
//   the layer reads ANSI text as Latin-1) and keep the case they were created with.
// - First use of a hive creates its file with what a fresh Windows installation has, among
//   it the machine's and the user's Environment keys with their Path values.
// - Every call rereads the hive file, so processes see each other's changes at once. A
//   change is made under an exclusive lock on "<hive>.lock" (flock), on the file as reread
//   under that lock, written to a temporary file, flushed and renamed over the old one:
//   a hive is never half-written and no process loses another's change. RegFlushKey
//   therefore has nothing left to do.
// - A hive file that does not parse, holds a key more than 512 levels deep, or is no
//   regular file (a FIFO, a device, a socket, a directory) fails every call on it with
//   ERROR_REGISTRY_CORRUPT at once and is never replaced. A hive file that is a symbolic
//   link is read and replaced where the link leads; the link stays.
// - A writer stopped between writing its temporary file and renaming it leaves that file
//   behind; the next change of the hive removes those of writers that no longer run.
// - A store that cannot be written for lack of room (or another cause than rights) is
//   still opened for writing, and the change reports the cause (ERROR_DISK_FULL).
// - The hive file's permission bits stand for the key's security: opening with write
//   rights, or changing anything, needs a write bit that applies to the process (owner,
//   group or other bits against its ids, with no exception for root), and reading needs a
//   read bit likewise; otherwise the call fails with ERROR_ACCESS_DENIED.
// - A handle names its key by path: when the key is deleted meanwhile (by any process),
//   calls on the handle fail with ERROR_KEY_DELETED. A key created again under the same
//   path is taken to be the same key, where Windows would keep the handle on the dead one.
#pragma once

#include "platform/posix/POSIXbase.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

// The predefined keys are the sign-extended 32-bit values, as on 64-bit Windows.
#define HKEY_CLASSES_ROOT     ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER     ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE    ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS            ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG   ((HKEY)(ULONG_PTR)((LONG)0x80000005))

#define REG_NONE                       0
#define REG_SZ                         1
#define REG_EXPAND_SZ                  2
#define REG_BINARY                     3
#define REG_DWORD                      4
#define REG_DWORD_LITTLE_ENDIAN        4
#define REG_DWORD_BIG_ENDIAN           5
#define REG_LINK                       6
#define REG_MULTI_SZ                   7
#define REG_RESOURCE_LIST              8
#define REG_FULL_RESOURCE_DESCRIPTOR   9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD                      11
#define REG_QWORD_LITTLE_ENDIAN        11

#define KEY_QUERY_VALUE        0x0001
#define KEY_SET_VALUE          0x0002
#define KEY_CREATE_SUB_KEY     0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY             0x0010
#define KEY_CREATE_LINK        0x0020
#define KEY_WOW64_64KEY        0x0100
#define KEY_WOW64_32KEY        0x0200
#define KEY_READ               0x20019
#define KEY_WRITE              0x20006
#define KEY_EXECUTE            0x20019
#define KEY_ALL_ACCESS         0xF003F
#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED        0x02000000
#endif

#define REG_OPTION_RESERVED       0x00000000
#define REG_OPTION_NON_VOLATILE   0x00000000
#define REG_OPTION_VOLATILE       0x00000001
#define REG_OPTION_CREATE_LINK    0x00000002
#define REG_OPTION_BACKUP_RESTORE 0x00000004
#define REG_OPTION_OPEN_LINK      0x00000008

#define REG_CREATED_NEW_KEY     0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

// Every key lives in a file, so volatile keys, links and backup semantics are refused
// (ERROR_NOT_SUPPORTED); REG_OPTION_OPEN_LINK is accepted, as there are no links to open.
// A null or empty path opens a new handle to the key itself; a path starting with a
// backslash is ERROR_BAD_PATHNAME; empty components ("a\\b", "a\") are skipped. A key
// name is at most 255 characters and may not hold control characters (the hive is
// line-based); a value name is at most 16383 characters; a key lies at most 512 levels
// below its root key (a deeper one is ERROR_INVALID_PARAMETER). On failure *result is
// null.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
// As RegOpenKeyExA with MAXIMUM_ALLOWED; a null or empty path gives back the same handle.
LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
// Creates the missing keys of the path, or opens the key when it exists; the class is not
// kept. disposition (may be null) gets REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM desired, const LPSECURITY_ATTRIBUTES security, PHKEY result,
                        LPDWORD disposition);
// Sizes are in bytes. With no data buffer *size gets the value's size; a buffer smaller
// than the value gives ERROR_MORE_DATA, the size needed and no data. A string value
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) stored without its terminator gets one after the
// data when the buffer has room for it, not counted in the size.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
// The same with a wide name, a string value's text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)
// decoded from the store's UTF-8 (sizes count WCHARs times their size); other values as
// they are stored.
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD size);
// Stores exactly the bytes given: no terminator is added to a string. Null data with a
// size is ERROR_NOACCESS.
LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD size);
// The same with a wide name; a string value's text is stored as UTF-8.
LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR name);
// Deletes a key without subkeys (one with subkeys is ERROR_ACCESS_DENIED); an empty path
// deletes the key of the handle itself.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Values come in the order they were created. *nameLength is in characters: in, the
// buffer's size with room for the terminator; out, the name's length without it. A name
// or data buffer too small gives ERROR_MORE_DATA and copies nothing (the type and the
// data size needed are still reported).
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD size);
// Subkeys come in the order of their case-folded names. Keys have no class here (an empty
// one is reported); the last write time is that of the hive file.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                      LPSTR keyClass, LPDWORD classLength, PFILETIME lastWriteTime);
LSTATUS RegFlushKey(HKEY key);
LSTATUS RegCloseKey(HKEY key);

// For the layer's own named objects: the registry store directory with the subdirectory
// of that name below it, both made when missing; ERROR_PATH_NOT_FOUND when there is no
// store directory, or the cause that kept it from being made.
LONG POSIXstoreSubdirectory(const char* name, char* path, size_t size);
