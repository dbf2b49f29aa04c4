// Critical sections over recursive pthread mutexes, mutexes over a condition variable and
// a lock file (flock), Sleep over nanosleep, and the thread identity of the kernel.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
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

namespace {

// One mutex of this process; all its handles lead here. Between the threads of the
// process the owner is decided under `guard`; between processes by the lock file's
// flock, which the owning thread holds for as long as it owns the mutex. While it does,
// the file holds a mark, so that a next owner can tell a mutex given up by a process
// that ended from one released.
struct Mutex {
  std::string name;  // empty for a mutex without a name
  int fd = -1;       // the lock file of a named mutex
  unsigned handles = 0;
  std::mutex guard;
  std::condition_variable released;
  bool owned = false;
  std::thread::id owner;
  unsigned count = 0;
};

std::mutex TableLock;
std::map<uintptr_t, Mutex*>& mutexHandles() {
  static std::map<uintptr_t, Mutex*>* table = new std::map<uintptr_t, Mutex*>;
  return *table;
}
std::map<std::string, Mutex*>& namedMutexes() {
  static std::map<std::string, Mutex*>* table = new std::map<std::string, Mutex*>;
  return *table;
}
// Far above the descriptors' handles ((descriptor + 1) * 4) and below any address.
uintptr_t NextMutexHandle = 0x40000000;

HANDLE addMutexHandle(Mutex* mutex) {  // under TableLock
  uintptr_t value = NextMutexHandle;
  NextMutexHandle += 4;
  ++mutex->handles;
  mutexHandles()[value] = mutex;
  return reinterpret_cast<HANDLE>(value);
}

Mutex* mutexOf(HANDLE handle) {
  std::lock_guard<std::mutex> hold(TableLock);
  auto found = mutexHandles().find(reinterpret_cast<uintptr_t>(handle));
  return found == mutexHandles().end() ? nullptr : found->second;
}

// The file name of a mutex name: letters, digits, '.', '-' and '_' stand for themselves,
// every other byte is %XX, so any name is one file name and two names never share one.
std::string fileNameOf(const std::string& name) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string file;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        (c == '.' && !file.empty())) {
      file += static_cast<char>(c);
    } else {
      file += '%';
      file += Hex[c >> 4];
      file += Hex[c & 15];
    }
  }
  return file;
}

const char HeldMark[] = "held\n";

// Takes the lock file, waiting at most until the deadline (none: for ever). True when
// taken; abandoned tells whether the owner before left the mark behind.
bool lockFile(int fd, bool forever, std::chrono::steady_clock::time_point deadline, bool& abandoned) {
  for (;;) {
    if (flock(fd, forever ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  char mark[sizeof HeldMark] = {};
  abandoned = pread(fd, mark, sizeof mark, 0) > 0;
  if (ftruncate(fd, 0) != 0 || pwrite(fd, HeldMark, sizeof HeldMark - 1, 0) < 0) {
    // Without its mark the mutex still works; only a later abandonment goes unseen.
  }
  return true;
}

void unlockFile(int fd) {
  if (ftruncate(fd, 0) != 0) {
    // The next owner will take the mutex for abandoned: the safe side.
  }
  flock(fd, LOCK_UN);
}

DWORD waitFor(Mutex& mutex, DWORD milliseconds) {
  const bool forever = milliseconds == INFINITE;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> hold(mutex.guard);
  if (mutex.owned && mutex.owner == self) {
    ++mutex.count;
    return WAIT_OBJECT_0;
  }
  while (mutex.owned) {
    if (forever)
      mutex.released.wait(hold);
    else if (mutex.released.wait_until(hold, deadline) == std::cv_status::timeout && mutex.owned)
      return WAIT_TIMEOUT;
  }
  mutex.owned = true;  // against the other threads here, while the file is taken
  mutex.owner = self;
  bool abandoned = false;
  if (mutex.fd >= 0) {
    hold.unlock();
    bool taken = lockFile(mutex.fd, forever, deadline, abandoned);
    hold.lock();
    if (!taken) {
      mutex.owned = false;
      mutex.released.notify_one();
      return WAIT_TIMEOUT;
    }
  }
  mutex.count = 1;
  return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  std::string wanted = name != nullptr ? name : "";
  if (wanted.size() > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  for (const char* prefix : {"Global\\", "Local\\"}) {
    if (wanted.compare(0, strlen(prefix), prefix) == 0) {
      wanted.erase(0, strlen(prefix));
      break;
    }
  }
  if (wanted.find('\\') != std::string::npos) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  HANDLE handle;
  Mutex* mutex;
  bool existed = false;
  {
    std::lock_guard<std::mutex> hold(TableLock);
    auto found = wanted.empty() ? namedMutexes().end() : namedMutexes().find(wanted);
    if (found != namedMutexes().end()) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return addMutexHandle(found->second);
    }
    int fd = -1;
    if (!wanted.empty()) {
      char directory[4096];
      LONG status = POSIXstoreSubdirectory("mutexes", directory, sizeof directory);
      if (status != ERROR_SUCCESS) {
        SetLastError(status);
        return nullptr;
      }
      std::string file = std::string(directory) + "/" + fileNameOf(wanted);
      fd = open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
      if (fd < 0) {
        POSIXsetLastErrorFromErrno();
        return nullptr;
      }
      // Owned by another process now: it has the mutex too, and no initial ownership.
      if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        flock(fd, LOCK_UN);
      else
        existed = true;
    }
    mutex = new Mutex;
    mutex->name = wanted;
    mutex->fd = fd;
    if (!wanted.empty()) namedMutexes()[wanted] = mutex;
    handle = addMutexHandle(mutex);
  }
  if (initialOwner && !existed) waitFor(*mutex, 0);
  SetLastError(existed ? DWORD(ERROR_ALREADY_EXISTS) : DWORD(ERROR_SUCCESS));
  return handle;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Mutex* mutex = mutexOf(handle);
  if (mutex == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitFor(*mutex, milliseconds);
}

BOOL ReleaseMutex(HANDLE handle) {
  Mutex* mutex = mutexOf(handle);
  if (mutex == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> hold(mutex->guard);
  if (!mutex->owned || mutex->owner != std::this_thread::get_id() || mutex->count == 0) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--mutex->count == 0) {
    if (mutex->fd >= 0) unlockFile(mutex->fd);
    mutex->owned = false;
    mutex->released.notify_one();
  }
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  Mutex* doomed = nullptr;
  {
    std::lock_guard<std::mutex> hold(TableLock);
    auto found = mutexHandles().find(reinterpret_cast<uintptr_t>(handle));
    if (found == mutexHandles().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    Mutex* mutex = found->second;
    mutexHandles().erase(found);
    if (--mutex->handles == 0) {
      if (!mutex->name.empty()) namedMutexes().erase(mutex->name);
      doomed = mutex;
    }
  }
  if (doomed != nullptr) {
    // Closing the descriptor gives the file's lock up; an owner's mark stays behind.
    if (doomed->fd >= 0) close(doomed->fd);
    delete doomed;
  }
  return TRUE;
}
