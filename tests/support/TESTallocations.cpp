// The operator new and delete of a test program that counts its allocations
// (TESTallocations.h): the standard ones over malloc and free, with a count per thread.
#include "tests/support/TESTallocations.h"

#include <cstddef>
#include <cstdlib>
#include <new>

long& TESTallocations() {
  thread_local long count = 0;
  return count;
}

void* operator new(std::size_t size) {
  ++TESTallocations();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
