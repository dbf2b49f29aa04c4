// Our Windows layer's critical sections, Sleep and thread identity. Included only through
// platform/PLATwindows.h. A critical section is a recursive mutex: the thread that holds
// it may enter it again, and each entry needs its own leave, as on Windows.
#pragma once

#include "platform/posix/POSIXbase.h"

#include <pthread.h>

typedef struct _RTL_CRITICAL_SECTION {
  pthread_mutex_t mutex;
} RTL_CRITICAL_SECTION, CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
// Enters without waiting: FALSE when another thread holds the section.
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

#define INFINITE 0xFFFFFFFF
// Suspends the calling thread for at least that many milliseconds; 0 gives up the rest of
// its time slice, INFINITE never returns.
void Sleep(DWORD milliseconds);

// The pseudo-handle that stands for the calling thread in every thread, (HANDLE)-2 as on
// Windows; it is no object and needs no closing.
HANDLE GetCurrentThread();
// The calling thread's identifier, unique among the live threads of the system (the
// kernel's thread id).
DWORD GetCurrentThreadId();
