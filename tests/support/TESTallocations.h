// Counts the calling thread's heap allocations through operator new, for tests of paths
// that must not allocate. One source file of a test program expands
// TEST_COUNT_ALLOCATIONS() once, which replaces the program's operator new and delete;
// any file of that program may then read TESTallocations(). In the Windows build each DLL
// keeps its own runtime, so only the test program's own allocations are seen there.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// The operator new calls the calling thread has made so far.
inline long& TESTallocations() {
  thread_local long count = 0;
  return count;
}

#define TEST_COUNT_ALLOCATIONS()                                          \
  void* operator new(std::size_t size) {                                  \
    ++TESTallocations();                                                  \
    if (void* p = std::malloc(size ? size : 1)) return p;                 \
    throw std::bad_alloc();                                               \
  }                                                                       \
  void* operator new[](std::size_t size) { return operator new(size); }  \
  void operator delete(void* p) noexcept { std::free(p); }                \
  void operator delete[](void* p) noexcept { std::free(p); }              \
  void operator delete(void* p, std::size_t) noexcept { std::free(p); }   \
  void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
