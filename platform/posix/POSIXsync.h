// Our Windows layer's critical sections, mutexes, Sleep and thread identity. Included only
// through platform/PLATwindows.h. A critical section is a recursive mutex: the thread that holds
// it may enter it again, and each entry needs its own leave, as on Windows. A named mutex
// is shared by every process of the user that uses the same registry store.
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

#define WAIT_OBJECT_0  0x00000000
#define WAIT_ABANDONED 0x00000080
#define WAIT_TIMEOUT   0x00000102
#define WAIT_FAILED    0xFFFFFFFF

// A mutex: owned by one thread at a time, which may wait for it again (each wait needs its
// own release). A named one is shared by the processes that share the registry store, and
// exists, as on Windows, while any of them has a handle to it open: of the processes that
// call CreateMutexA for a name at once, exactly one creates the mutex (and owns it when it
// asked to), every other one opens it with ERROR_ALREADY_EXISTS and without owning it,
// whatever it asked. The name lives in the store's "mutexes" directory as two files, the
// mutex's lock file and a companion that tells whether a process has the name open; both
// stay there when the mutex goes, and neither is followed when it is a symbolic link (the
// call fails). Its owner is whoever holds the lock file's lock, so a process that ends
// gives it up; the next owner is told WAIT_ABANDONED when the one before never released
// it. ("Global\" and "Local\" name the same mutex, as there are no sessions here.) The
// security attributes are ignored; a name longer than MAX_PATH is
// ERROR_FILENAME_EXCED_RANGE, one with another backslash ERROR_PATH_NOT_FOUND, one that an
// event holds ERROR_INVALID_HANDLE.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name);
// An event holds its name as a mutex does, among the same names (a mutex's name is
// ERROR_INVALID_HANDLE), created or opened (ERROR_ALREADY_EXISTS) as a mutex is. Nothing
// here signals or waits for an event: WaitForSingleObject refuses its handle, and the reset
// mode and initial state are ignored.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
// Mutexes only: WAIT_OBJECT_0 or WAIT_ABANDONED when the caller owns it, WAIT_TIMEOUT
// after that many milliseconds (INFINITE waits for ever), WAIT_FAILED for another handle.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// FALSE with ERROR_NOT_OWNER for a thread that does not own the mutex.
BOOL ReleaseMutex(HANDLE mutex);
// Closes a mutex or event handle; another handle is ERROR_INVALID_HANDLE. Closing the last
// handle of a mutex its thread still owns gives it up as abandoned.
BOOL CloseHandle(HANDLE handle);
