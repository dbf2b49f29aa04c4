// Loading goes through LoadLibraryExA with the altered search path, so that a library
// given by path finds the libraries it needs beside itself, and with the critical-error
// box switched off, so that a failed load is reported to the caller instead of a user.
#include "COL/COLdll.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"

namespace {

[[noreturn]] void raiseSystemError(int code) { throw COLerror(COLwindowsErrorText(code), code); }

}  // namespace

COLdll::COLdll() : m_DllHandle(nullptr), m_Owns(false) {}

COLdll::COLdll(const COLstring& path, bool owns) : m_DllHandle(nullptr), m_Owns(false) {
  load(path, owns);
}

COLdll::~COLdll() {
  if (!m_Owns) return;
  try {
    unload();
  } catch (COLerror&) {
    // Nothing can be done about a library that will not unload while its user ends.
  }
}

int COLdll::load(const COLstring& path, bool owns) {
  int result = tryLoad(path, owns);
  if (result != 1) raiseSystemError(COLlastError());
  return result;
}

int COLdll::tryLoad(const COLstring& path, bool owns) {
  if (m_Owns) unload();
  m_Owns = owns;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  m_DllHandle = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  DWORD error = GetLastError();
  SetErrorMode(oldMode);
  if (m_DllHandle != nullptr) {
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(m_DllHandle, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      m_FileName = path;
    else
      m_FileName.assign(buffer, static_cast<int>(length));
    return 1;
  }
  m_FileName.clear();
  m_ErrorMessage = COLwindowsErrorText(static_cast<int>(error));
  int result;
  if (error == ERROR_MOD_NOT_FOUND)
    result = -2;
  else if (error == ERROR_BAD_EXE_FORMAT)
    result = -1;
  else
    result = fileExists(path, 4) ? -4 : -3;
  // The access check may have set an error of its own; load reports the load's.
  SetLastError(error);
  return result;
}

void COLdll::unload() {
  if (m_DllHandle == nullptr) return;
  HMODULE module = m_DllHandle;
  m_DllHandle = nullptr;
  if (!FreeLibrary(module)) raiseSystemError(COLlastError());
}

COLdllProc COLdll::getProc(const char* name) const {
  if (m_DllHandle == nullptr) COLpreconditionFailed(161, "COLdll", "DllHandle != NULL");
  FARPROC proc = GetProcAddress(m_DllHandle, name);
  if (proc != nullptr) return reinterpret_cast<COLdllProc>(proc);
  int code = COLlastError();
  COLstring text;
  COLostream stream(text);
  if (code == ERROR_PROC_NOT_FOUND)
    stream << "Procedure " << name << " not found.";
  else
    stream << COLwindowsErrorText(code) << " while trying to load " << name;
  throw COLerror(text, code);
}

bool COLdll::hasProc(const char* name) const {
  return m_DllHandle != nullptr && GetProcAddress(m_DllHandle, name) != nullptr;
}

bool COLdll::fileExists(const COLstring& path, int mode) { return _access(path.c_str(), mode) == 0; }
