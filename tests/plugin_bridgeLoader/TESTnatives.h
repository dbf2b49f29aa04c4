// How the tests reach tlm_java's natives by their exported names: in the Windows build the
// library is loaded with LoadLibraryA and searched with GetProcAddress, as a JVM does;
// natively the test program is linked with it.
#pragma once

// The native's address, or null when the library has no export of that name.
void* TESTnative(const char* name);
