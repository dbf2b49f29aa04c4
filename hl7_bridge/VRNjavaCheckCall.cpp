// kernel32.dll and user32.dll are reached by name at run time, so that the bridge imports
// nothing from them. The process ends through _Exit: the virtual machine's other threads
// may still be running, and exit's destructors of global objects would pull the standard
// streams from under them; the streams are flushed by hand first.
#include "hl7_bridge/VRNjavaCheckCall.h"

#include "COL/COLdll.h"
#include "COL/COLerror.h"
#include "COL/COLostream.h"

#include "platform/PLATwindows.h"

#include <cstdio>
#include <cstdlib>

namespace {

typedef HWND(WINAPI* GetConsoleWindowFunction)();
typedef int(WINAPI* MessageBoxFunction)(HWND, LPCSTR, LPCSTR, UINT);

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

[[noreturn]] void endProcess() {
  fflush(nullptr);
  std::_Exit(1);
}

// The last resort when a road itself fails: the text on standard error, written with
// stdio alone, since the failure may be the library's own (no memory, say).
void writeToStandardError(const char* condition, int line, const char* source, const char* detail) {
  fprintf(stderr, "FATAL EXIT CONDITION: %s not true in %s at %u\n", orEmpty(condition),
          orEmpty(source), static_cast<unsigned>(line));
  if (detail != nullptr) fprintf(stderr, "%s\n", detail);
}

void writeCondition(COLostream& stream, const char* condition, int line, const char* source) {
  stream << orEmpty(condition) << " not true in " << orEmpty(source) << " at "
         << static_cast<unsigned>(line) << newline;
}

}  // namespace

bool VRNjavaCheckMethodLocated(JNIEnv_*, _jmethodID* method, const char* description) {
  if (method != nullptr) return true;
  // Composed by hand: nothing that can throw may stand between here and the exit.
  char detail[512];
  snprintf(detail, sizeof detail, "Method: %s", orEmpty(description));
  VRNjavaFatalExit("Java method located", 0, "VRNjavaCheckCall", detail);
}

void VRNjavaFatalExit(const char* condition, int line, const char* source, const char* detail) noexcept {
  bool console = false;
  try {
    console = VRNjavaHasConsoleWindow();
  } catch (...) {
    // Without kernel32 there is no telling; the message-box road has its own last resort.
  }
  if (console) VRNjavaFatalExitConsole(condition, line, source, detail);
  VRNjavaFatalExitMessageBox(condition, line, source, detail);
}

bool VRNjavaHasConsoleWindow() {
  COLdll kernel32;
  kernel32.load("kernel32.dll", true);
  GetConsoleWindowFunction getConsoleWindow =
      reinterpret_cast<GetConsoleWindowFunction>(kernel32.getProc("GetConsoleWindow"));
  return getConsoleWindow() != nullptr;
}

void VRNjavaFatalExitConsole(const char* condition, int line, const char* source, const char* detail) noexcept {
  try {
    COLostream& out = COLstandardOutput2;
    out << "FATAL EXIT CONDITION: " << newline;
    writeCondition(out, condition, line, source);
    if (detail != nullptr) out << detail << newline;
    out << "Enter to continue." << newline;
    out.flush();
  } catch (...) {
    writeToStandardError(condition, line, source, detail);
  }
  getchar();
  endProcess();
}

void VRNjavaFatalExitMessageBox(const char* condition, int line, const char* source, const char* detail) noexcept {
  try {
    COLstring text;
    {
      COLostream stream(text);
      writeCondition(stream, condition, line, source);
      if (detail != nullptr) stream << detail;
    }
    COLdll user32;
    user32.load("user32.dll", true);
    MessageBoxFunction messageBox = reinterpret_cast<MessageBoxFunction>(user32.getProc("MessageBoxA"));
    messageBox(nullptr, text.c_str(), "FATAL EXIT CONDITION", MB_OK);
  } catch (...) {
    writeToStandardError(condition, line, source, detail);
  }
  endProcess();
}
