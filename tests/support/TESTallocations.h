// Counts the calling thread's heap allocations through operator new, for tests of paths
// that must not allocate. The test programs that read it are linked with
// TESTallocations.cpp, which replaces their operator new and delete. In the Windows build
// each DLL keeps its own runtime, so only the test program's own allocations are seen there.
#pragma once

// The operator new calls the calling thread has made so far.
long& TESTallocations();
