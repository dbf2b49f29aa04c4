// Critical sections over recursive pthread mutexes, Sleep over nanosleep, and the thread
// identity of the kernel.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Windows raises an exception it does not expect callers to handle when a critical
// section cannot be set up or is broken; the layer has nothing better than to stop.
void check(int result, const char* call) {
  if (result == 0) return;
  fprintf(stderr, "%s failed with error %d\n", call, result);
  abort();
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attributes;
  check(pthread_mutexattr_init(&attributes), "pthread_mutexattr_init");
  check(pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE), "pthread_mutexattr_settype");
  check(pthread_mutex_init(&section->mutex, &attributes), "pthread_mutex_init");
  pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) { pthread_mutex_destroy(&section->mutex); }

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  check(pthread_mutex_lock(&section->mutex), "EnterCriticalSection");
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return pthread_mutex_trylock(&section->mutex) == 0 ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  // A leave by a thread that does not hold the section is a caller's error that Windows
  // does not report either; the mutex refuses it and stays as it was.
  pthread_mutex_unlock(&section->mutex);
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal handler interrupts nanosleep; Windows' Sleep is not cut short by anything.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }
