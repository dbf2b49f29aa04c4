// The layer's stand-in for the system's own kernel32.dll and user32.dll: the few functions
// that our code does not link against but finds by name at run time (LoadLibraryExA of
// either name loads this library). Their meaning here is described in POSIXprocess.h.
#include "platform/PLATwindows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

extern "C" {

HWND GetConsoleWindow() {
  // There are no windows; any value that is not null says "a console", and this one can
  // never be mistaken for a real address.
  static const HWND Console = reinterpret_cast<HWND>(static_cast<intptr_t>(1));
  const char* chosen = getenv("PLAT_CONSOLE");
  if (chosen != nullptr && strcmp(chosen, "1") == 0) return Console;
  if (chosen != nullptr && strcmp(chosen, "0") == 0) return nullptr;
  return isatty(STDIN_FILENO) ? Console : nullptr;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  // Windows' own caption for a box that is given none.
  fprintf(stderr, "%s\n%s\n", caption != nullptr ? caption : "Error", text != nullptr ? text : "");
  fflush(stderr);
  return IDOK;
}

}  // extern "C"
