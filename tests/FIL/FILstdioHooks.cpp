// The hooks of FILstdioHooks.h: glibc's fread and fwrite are weak names of _IO_fread and
// _IO_fwrite, so the program's own definitions win and still reach the runtime.
#include "tests/FIL/FILstdioHooks.h"

#include <utility>

namespace {
FILtestFreadHook& nextFread() {
  static FILtestFreadHook hook;
  return hook;
}
FILtestFwriteHook& nextFwrite() {
  static FILtestFwriteHook hook;
  return hook;
}
}  // namespace

void FILtestHookNextFread(FILtestFreadHook hook) { nextFread() = std::move(hook); }
void FILtestHookNextFwrite(FILtestFwriteHook hook) { nextFwrite() = std::move(hook); }

#if TEST_WINDOWS_BUILD

const bool FILtestHooksWork = false;
size_t FILtestRealFread(void* buffer, size_t size, size_t count, FILE* stream) {
  return fread(buffer, size, count, stream);
}
size_t FILtestRealFwrite(const void* data, size_t size, size_t count, FILE* stream) {
  return fwrite(data, size, count, stream);
}

#else

extern "C" size_t _IO_fread(void* buffer, size_t size, size_t count, FILE* stream);
extern "C" size_t _IO_fwrite(const void* data, size_t size, size_t count, FILE* stream);

const bool FILtestHooksWork = true;
size_t FILtestRealFread(void* buffer, size_t size, size_t count, FILE* stream) {
  return _IO_fread(buffer, size, count, stream);
}
size_t FILtestRealFwrite(const void* data, size_t size, size_t count, FILE* stream) {
  return _IO_fwrite(data, size, count, stream);
}

extern "C" size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
  if (nextFread() && stream != stdout && stream != stderr) {
    FILtestFreadHook hook = std::move(nextFread());
    nextFread() = nullptr;
    return hook(buffer, size, count, stream);
  }
  return _IO_fread(buffer, size, count, stream);
}

extern "C" size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
  if (nextFwrite() && stream != stdout && stream != stderr) {
    FILtestFwriteHook hook = std::move(nextFwrite());
    nextFwrite() = nullptr;
    return hook(data, size, count, stream);
  }
  return _IO_fwrite(data, size, count, stream);
}

#endif
