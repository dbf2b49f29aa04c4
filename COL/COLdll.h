// COLdll: a library loaded by name at run time, for the functions that a deliverable does
// not import but looks up while it runs. The object remembers the module, whether it owns
// it (and so unloads it when it ends), the module's full path and the last load failure.
#pragma once

#include "COL/COLstring.h"

#include "platform/PLATwindows.h"

// A function found in a library, to be cast to its real type by the caller.
typedef void (*COLdllProc)();

class COLdll {
public:
  COLdll();
  // Loads the library; raises the system's error when it cannot be loaded.
  COLdll(const COLstring& path, bool owns);
  virtual ~COLdll();
  COLdll(const COLdll&) = delete;
  COLdll& operator=(const COLdll&) = delete;

  // Loads the library, giving up an owned one first: 1, or raises the system's error.
  int load(const COLstring& path, bool owns);
  // The same without raising: 1 loaded, -1 not a module of this system, -2 not found,
  // -3 failed and the path cannot be read, -4 failed although it can.
  int tryLoad(const COLstring& path, bool owns);
  void unload();

  // Never null: a name the library lacks raises "Procedure <name> not found." (127).
  COLdllProc getProc(const char* name) const;
  bool hasProc(const char* name) const;

  const COLstring& fileName() const { return m_FileName; }
  bool isLoaded() const { return m_DllHandle != nullptr; }
  const COLstring& errorMessage() const { return m_ErrorMessage; }

  // The runtime library's access check (mode 0 existence, 2 write, 4 read, 6 both).
  static bool fileExists(const COLstring& path, int mode);

private:
  HMODULE m_DllHandle;
  bool m_Owns;
  COLstring m_FileName;
  COLstring m_ErrorMessage;
};
