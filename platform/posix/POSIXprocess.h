// Our Windows layer's view of the process: its loaded modules (the executable and the
// shared libraries), the system's own folders, and starting a program. Included only
// through platform/PLATwindows.h. Paths are in Windows form, drive Z: being the POSIX root.
#pragma once

#include <cstdint>

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

// A module's handle is the address where its lowest segment is loaded, as a Windows
// module's handle is its base address. NULL names the executable. Any other name is found
// as Windows finds it: a name with a separator is compared with the modules' full paths,
// one without with their file names (libc.so.6), without regard to case; a module that is
// not loaded gives NULL and ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleA(LPCSTR name);
// The module that a name (as for GetModuleHandleA) or, with FROM_ADDRESS, an address inside
// it names, into *module. It takes one more load of the module, which needs its
// FreeLibrary, unless UNCHANGED_REFCOUNT says not to; with PIN the module stays loaded
// until the process ends, whatever FreeLibrary is called (PIN with UNCHANGED_REFCOUNT, or
// a null module, is ERROR_INVALID_PARAMETER). An address or name of no loaded module gives
// FALSE, *module NULL and ERROR_MOD_NOT_FOUND.
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module);
// The full path of the module. A buffer too small gets the path cut to size - 1
// characters and a NUL, and the answer is size with ERROR_INSUFFICIENT_BUFFER (0 for a
// size of 0); a handle that is no loaded module gives 0 and ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// The same path decoded from UTF-8, the size and the answer counted in WCHARs.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

// Loading a module at run time, over the dynamic loader. The handle is the module's base,
// so GetModuleHandleA and GetModuleFileNameA know it, and each load needs its FreeLibrary.
// A name with a separator is a Windows-form path; a missing file or folder is
// ERROR_MOD_NOT_FOUND, a file that is no module of this machine (not ELF, another class or
// processor, too short) ERROR_BAD_EXE_FORMAT, a module that needs a symbol no loaded
// module has ERROR_PROC_NOT_FOUND, a folder ERROR_MOD_NOT_FOUND, and a path that cannot
// name anything here the path's own error (ERROR_INVALID_NAME, ERROR_PATH_NOT_FOUND for
// another drive). "kernel32.dll" and "user32.dll" (any case, ".dll" optional) name the
// layer's own small system library (see below); any other name without a separator is
// looked for as the dynamic loader looks (the program's run path, LD_LIBRARY_PATH, the
// system's folders). The file handle must be null; the flags are accepted and change
// nothing, as the loader's own search already starts beside the loading program.
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
HMODULE LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags);
// Ends one load of the module. A loaded module that LoadLibraryExA did not load (the
// program and what it was linked with) stays and the answer is TRUE, as Windows never
// unloads those; a handle that is no loaded module gives FALSE and ERROR_MOD_NOT_FOUND.
BOOL FreeLibrary(HMODULE module);

// A function's address, as Windows' type for it; callers cast it to the function's type.
typedef INT_PTR (WINAPI* FARPROC)();
// The address of a function that the module itself defines (not one of its dependencies;
// NULL names the program); ERROR_PROC_NOT_FOUND for a name it lacks and for an ordinal
// (a "name" below 0x10000), ERROR_MOD_NOT_FOUND for a handle that is no loaded module.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// The process's error mode: the value is kept and handed back, nothing else depends on
// it, since the loader here never asks a user anything.
#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOGPFAULTERRORBOX 0x0002
#define SEM_NOOPENFILEERRORBOX 0x8000
UINT SetErrorMode(UINT mode);

// kernel32.dll and user32.dll are the layer's system library (libplatsystem.so, built
// with the layer; PLAT_SYSTEM_LIBRARY may name another file). Code above the door reaches
// its functions only by name, through LoadLibraryExA and GetProcAddress:
//   HWND GetConsoleWindow(void): a window value when the process has a console, which it
//     has when PLAT_CONSOLE is "1", has not when it is "0", and otherwise has when
//     standard input is a terminal; NULL without one.
//   int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style): there is no
//     screen to show a box on, so the caption and then the text, each on a line of its
//     own, go to standard error, and the answer is IDOK at once.
typedef struct HWND__* HWND;
#define MB_OK 0x00000000
#define IDOK 1

// Linux has no Windows folder. The layer answers Z:\usr for the Windows directory (the
// system's own tree) and Z:\usr\lib for the system directory (where its libraries are),
// unless the environment variables PLAT_WINDOWS_DIRECTORY and PLAT_SYSTEM_DIRECTORY name
// other absolute folders (in either form). No trailing backslash, except for the root;
// the size rules are Win32's: the length when it fits with its NUL, else the size needed.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

// Runs the program at path with the arguments (the first being its name, the list ending
// in a null pointer) and waits for it (_P_WAIT, the only mode here); the answer is its
// exit code, or -1 with errno when it cannot start. The program is not looked for on the
// PATH. A program ended by a signal gives 3 for SIGABRT (the code of Windows' abort()),
// else 128 plus the signal's number.
#define _P_WAIT 0
intptr_t _spawnv(int mode, const char* path, const char* const* arguments);
