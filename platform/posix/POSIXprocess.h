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
// The full path of the module. A buffer too small gets the path cut to size - 1
// characters and a NUL, and the answer is size with ERROR_INSUFFICIENT_BUFFER (0 for a
// size of 0); a handle that is no loaded module gives 0 and ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

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
