// Our Windows layer's file system: attributes and directory searches, the current and the
// temporary directory, file-handle information, and the Windows C runtime's descriptor,
// directory and stdio functions that take paths. Included only through
// platform/PLATwindows.h.
//
// Every path is in Windows form: drive Z: is the POSIX root (Z:\tmp\x is /tmp/x), both
// slashes separate, "." and ".." are resolved on the text as Win32 resolves them, and any
// other drive (or a \\server path) fails as a drive that does not exist does. Paths that
// the layer hands back are in Windows form with backslashes.
//
// Windows' rules are kept where POSIX differs, whoever runs the program (root included):
// read-only is an attribute, meaning no owner write bit, and a read-only file cannot be
// opened for writing, truncated or removed; a directory cannot be opened as a file or
// removed by remove(); rename never replaces its destination; the current directory
// cannot be removed; names that start with a dot are hidden. Not imitated: names stay
// case-sensitive (only search patterns ignore case), there are no 8.3 short names, and
// trailing dots and blanks of a name are not dropped.
#pragma once

#include "platform/posix/POSIXfiletime.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
// Included first so that its st_atime/st_mtime/st_ctime macros, when glibc defines them,
// are in force for struct _stat64 below as well: then our fields are timespecs under the
// names those macros expand to, and code that writes st.st_mtime works either way.
#include <sys/stat.h>

#define FILE_ATTRIBUTE_READONLY      0x00000001
#define FILE_ATTRIBUTE_HIDDEN        0x00000002
#define FILE_ATTRIBUTE_SYSTEM        0x00000004
#define FILE_ATTRIBUTE_DIRECTORY     0x00000010
#define FILE_ATTRIBUTE_ARCHIVE       0x00000020
#define FILE_ATTRIBUTE_NORMAL        0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define INVALID_FILE_ATTRIBUTES      ((DWORD)-1)

// Attributes: DIRECTORY for a directory, ARCHIVE for anything else (as Windows marks new
// files); READONLY without the owner write bit; HIDDEN for a name that starts with a dot
// (not "." and ".."); REPARSE_POINT for a symbolic link, which is otherwise described by
// what it points to (a dangling one by itself).
DWORD GetFileAttributesA(LPCSTR path);

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

// A search lists the entries of one directory whose names match the last part of the
// pattern, with Windows' rules, ignoring case: * is any run of characters, ? any one
// character, or none before a dot or at the end ("a?.txt" finds a.txt), a dot before a
// wildcard or at the end also matches the end of a name ("*." finds names without a dot,
// "*.*" every name), and *. stops at the last dot of the name. The entries are read when
// the search starts: "." and ".." first (a drive's root has neither, as on Windows), then
// the others in the case-insensitive order NTFS gives. The creation time is the file
// system's birth time where it records one, else the last-write time. Failures: a missing
// directory ERROR_PATH_NOT_FOUND, no match or an empty name part ERROR_FILE_NOT_FOUND, a
// wildcard in the directory part ERROR_INVALID_NAME, the end ERROR_NO_MORE_FILES, a handle
// that is no open search ERROR_INVALID_HANDLE.
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE search);

// Copies the file's data, its permission bits (so read-only and, here, executable stay
// as they were) and its last-write time, as Windows copies a file with its attributes.
// ERROR_FILE_EXISTS when failIfExists is set and the new file exists; ERROR_ACCESS_DENIED
// for a directory or a read-only file in the way.
BOOL CopyFileA(LPCSTR existing, LPCSTR newFile, BOOL failIfExists);

// The current directory in Windows form; no trailing backslash except at the root (Z:\).
// The size rules are Win32's: the length when it fits with its NUL, else the size needed.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);

// The temporary directory with a trailing backslash: TMPDIR when it is an absolute path,
// else /tmp (Z:\tmp\). Like Windows, it does not check that the directory exists.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// File handles are the C runtime's descriptors (_get_osfhandle): the handle of a descriptor
// is a small number of its own, never null or INVALID_HANDLE_VALUE. HANDLE_FLAG_INHERIT is
// the opposite of FD_CLOEXEC; HANDLE_FLAG_PROTECT_FROM_CLOSE cannot be set here
// (ERROR_NOT_SUPPORTED).
#define HANDLE_FLAG_INHERIT            0x00000001
#define HANDLE_FLAG_PROTECT_FROM_CLOSE 0x00000002
BOOL GetHandleInformation(HANDLE object, LPDWORD flags);
BOOL SetHandleInformation(HANDLE object, DWORD mask, DWORD flags);
// What a handle's file is: its attributes, times, size and link count as
// GetFileAttributesA and a search describe it, and its identity. The device is the volume
// serial number and the inode the file index, so that two handles of one file (whatever
// names opened them) carry the same pair, as on Windows.
typedef struct _BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *PBY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// Cuts or extends the file at the handle's current position; ERROR_ACCESS_DENIED for a
// descriptor opened for reading only.
BOOL SetEndOfFile(HANDLE file);

// The console is the terminal: a handle is a console's when its descriptor is a terminal.
// GetConsoleMode answers ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT for it, and
// ERROR_INVALID_HANDLE for any other handle (a pipe, a file), as Windows does. WriteConsoleW
// shows the text as the terminal reads it, in UTF-8 (a WCHAR that is no character, such
// as a surrogate, shows as U+FFFD); *written counts the WCHARs taken.
#define ENABLE_PROCESSED_OUTPUT   0x0001
#define ENABLE_WRAP_AT_EOL_OUTPUT 0x0002
#define STD_INPUT_HANDLE  ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE  ((DWORD)-12)
// The handles of descriptors 0, 1 and 2.
HANDLE GetStdHandle(DWORD which);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, LPDWORD written, LPVOID reserved);

// The Windows C runtime's descriptor functions. The flag values are Windows' own and are
// translated one by one; a flag outside this list, or _O_TEXT with _O_BINARY, or an access
// mode of 3, gives EINVAL. Descriptors have no text translation (see _setmode).
#define _O_RDONLY    0x0000
#define _O_WRONLY    0x0001
#define _O_RDWR      0x0002
#define _O_APPEND    0x0008
#define _O_NOINHERIT 0x0080
#define _O_CREAT     0x0100
#define _O_TRUNC     0x0200
#define _O_EXCL      0x0400

// Permission and type bits as the Windows runtime gives them: only _S_IWRITE has a meaning
// when a file is created (without it the new file is read-only).
#define _S_IFMT   0xF000
#define _S_IFDIR  0x4000
#define _S_IFCHR  0x2000
#define _S_IFIFO  0x1000
#define _S_IFREG  0x8000
#define _S_IREAD  0x0100
#define _S_IWRITE 0x0080
#define _S_IEXEC  0x0040

int _open(const char* path, int flags, ...);
int _close(int fd);
int _read(int fd, void* buffer, unsigned int count);
int _write(int fd, const void* buffer, unsigned int count);
long long _lseeki64(int fd, long long offset, int origin);
int _commit(int fd);
// 1 at the end of the file, 0 before it, -1 for a descriptor that cannot tell.
int _eof(int fd);
intptr_t _get_osfhandle(int fd);
FILE* _fdopen(int fd, const char* mode);

// Mode 0 existence, 2 write, 4 read, 6 both; write access is the absence of read-only.
int _access(const char* path, int mode);
// Makes the file read-only (pmode without _S_IWRITE) or writable.
int _chmod(const char* path, int pmode);
int _mkdir(const char* path);
// As on Windows, a symbolic link to a directory is removed as a directory: the link goes,
// what it points to stays.
int _rmdir(const char* path);
int _chdir(const char* path);
// With a null buffer the result is allocated (free it), at least size bytes long.
char* _getcwd(char* buffer, int size);

// The file's data as the Windows runtime describes it: the drive number (25, Z:) as the
// device, no inode, one link, the owner's read, write and execute permission repeated for
// group and others (read always; write unless read-only; execute for directories and for
// the names Windows runs: .exe, .com, .bat, .cmd).
struct _stat64 {
  unsigned int st_dev;
  unsigned short st_ino;
  unsigned short st_mode;
  short st_nlink;
  short st_uid;
  short st_gid;
  unsigned int st_rdev;
  long long st_size;
#ifdef st_mtime
  struct timespec st_atim;
  struct timespec st_mtim;
  struct timespec st_ctim;
#else
  time_t st_atime;
  time_t st_mtime;
  time_t st_ctime;
#endif
};
int _stat64(const char* path, struct _stat64* buffer);

// The C functions whose names Windows and glibc share, with Windows' behaviour: the
// stdio mode letters are Windows' (r, w, a, +, b, t; others are ignored, as msvcrt ignores
// them); rename fails with EEXIST when the destination exists, whatever it is; remove
// deletes files only (EACCES for a directory, a link to one, or a read-only file); tmpnam names a file
// that does not exist yet in /tmp, with Windows' s<process>.<count> names (a null buffer
// gives a buffer of the calling thread's own).
FILE* PLATfopen(const char* path, const char* mode);
int PLATrename(const char* from, const char* to);
int PLATremove(const char* path);
char* PLATtmpnam(char* buffer);
