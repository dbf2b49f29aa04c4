// The natives as a JVM finds them on Windows: tlm_java.dll loaded by name, each native
// looked up by its exported name.
#include "tests/plugin_bridgeLoader/TESTnatives.h"

#include "platform/PLATwindows.h"

void* TESTnative(const char* name) {
  static HMODULE module = LoadLibraryA("tlm_java.dll");
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}
