// Hooks into the runtime's fread and fwrite for the native build's tests: the test program
// defines both functions itself, so every call (the file library's among them) comes here
// first and goes on to the runtime's own. A hook set for the next call (on a stream other than
// the standard ones) runs once, in place of that call, and may call the runtime itself through FILtestRealFread/FILtestRealFwrite.
// The Windows runtime's functions cannot be replaced so; there the hooks never run.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>

typedef std::function<size_t(void*, size_t, size_t, FILE*)> FILtestFreadHook;
typedef std::function<size_t(const void*, size_t, size_t, FILE*)> FILtestFwriteHook;

// True where the hooks work (the native build).
extern const bool FILtestHooksWork;
void FILtestHookNextFread(FILtestFreadHook hook);
void FILtestHookNextFwrite(FILtestFwriteHook hook);
size_t FILtestRealFread(void* buffer, size_t size, size_t count, FILE* stream);
size_t FILtestRealFwrite(const void* data, size_t size, size_t count, FILE* stream);
