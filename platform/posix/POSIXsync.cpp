// Critical sections over recursive pthread mutexes, mutexes over a condition variable and
// a lock file (flock), the existence of named objects over locks of a companion file,
// Sleep over nanosleep, and the thread identity of the kernel.
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

// One mutex or event of this process; all its handles lead here. Between the threads of
// the process the owner of a mutex is decided under `guard`; between processes by the lock
// file's flock, which the owning thread holds for as long as it owns the mutex. While it
// does, the file holds a mark, so that a next owner can tell a mutex given up by a process
// that ended from one released.
struct Object {
  bool event = false;
  std::string name;  // empty for an object without a name
  int fd = -1;       // the lock file of a named mutex
  int open = -1;     // the companion file of a named object, holding this process's holder lock
  unsigned handles = 0;
  std::mutex guard;
  std::condition_variable released;
  bool owned = false;
  std::thread::id owner;
  unsigned count = 0;
};

std::mutex TableLock;
std::map<uintptr_t, Object*>& objectHandles() {
  static std::map<uintptr_t, Object*>* table = new std::map<uintptr_t, Object*>;
  return *table;
}
std::map<std::string, Object*>& namedObjects() {
  static std::map<std::string, Object*>* table = new std::map<std::string, Object*>;
  return *table;
}
// Far above the descriptors' handles ((descriptor + 1) * 4) and below any address.
uintptr_t NextObjectHandle = 0x40000000;

HANDLE addObjectHandle(Object* object) {  // under TableLock
  uintptr_t value = NextObjectHandle;
  NextObjectHandle += 4;
  ++object->handles;
  objectHandles()[value] = object;
  return reinterpret_cast<HANDLE>(value);
}

// The mutex of a handle; null for any other handle, an event's too.
Object* mutexOf(HANDLE handle) {
  std::lock_guard<std::mutex> hold(TableLock);
  auto found = objectHandles().find(reinterpret_cast<uintptr_t>(handle));
  return found == objectHandles().end() || found->second->event ? nullptr : found->second;
}

// The file name of an object name: letters, digits, '.', '-' and '_' stand for themselves,
// every other byte is %XX, so any name is one file name and two names never share one;
// '~' never comes out of it, so the companion files' suffix never meets another name.
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

DWORD waitFor(Object& mutex, DWORD milliseconds) {
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

// A named object exists while a handle to it is open in any process that shares the
// store, as on Windows. Every process that has it open holds a read lock on byte 1 of the
// object's companion file "<file>~open" (an open file description's lock, which only
// closing the descriptor gives up, and an ended process gives up with it). Whether a
// CreateMutexA or CreateEventA creates the object or opens it is decided under the write
// lock of byte 0, which the caller holds from looking for other holders until it holds
// its own lock, and a creator until it owns the mutex it asked to own: so of the
// processes that call at once exactly one creates it, and no other can take the mutex
// first. The companion file holds the object's kind, written by its creator.
const char CompanionSuffix[] = "~open";
const off_t GuardByte = 0;
const off_t HolderByte = 1;
const char MutexKind[] = "mutex\n";
const char EventKind[] = "event\n";

int lockByte(int fd, short type, off_t byte, int command) {
  struct flock range = {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = byte;
  range.l_len = 1;
  while (fcntl(fd, command, &range) != 0)
    if (errno != EINTR) return errno;
  return command == F_OFD_GETLK && range.l_type != F_UNLCK ? EWOULDBLOCK : 0;
}

int openStoreFile(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
}

// Opens or creates the named object of this kind for this process: sets the object's
// files (fd only for a mutex) and tells whether it existed. A name that another kind of
// object holds is ERROR_INVALID_HANDLE, as on Windows. Any failure leaves no file open.
DWORD openNamed(const std::string& name, bool event, bool initialOwner, Object& object, bool& existed) {
  char directory[4096];
  LONG status = POSIXstoreSubdirectory("mutexes", directory, sizeof directory);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  const std::string file = std::string(directory) + "/" + fileNameOf(name);
  const char* kind = event ? EventKind : MutexKind;
  const size_t kindLength = strlen(kind);
  int error = 0;
  int companion = openStoreFile(file + CompanionSuffix);
  if (companion < 0) return POSIXerrorFromErrno(errno);
  int lock = event ? -1 : openStoreFile(file);
  if (!event && lock < 0) error = errno;
  if (error == 0) error = lockByte(companion, F_WRLCK, GuardByte, F_OFD_SETLKW);
  if (error == 0) {
    existed = lockByte(companion, F_WRLCK, HolderByte, F_OFD_GETLK) == EWOULDBLOCK;
    char held[16] = {};
    if (existed && (pread(companion, held, sizeof held - 1, 0) != static_cast<ssize_t>(kindLength) ||
                    memcmp(held, kind, kindLength) != 0)) {
      close(companion);  // gives the guard up with it
      if (lock >= 0) close(lock);
      return ERROR_INVALID_HANDLE;
    }
    if (!existed) {
      // A new object: what an earlier one of the name left behind (its kind, a mark of
      // its last owner) is not this one's.
      if (ftruncate(companion, 0) != 0 || pwrite(companion, kind, kindLength, 0) != static_cast<ssize_t>(kindLength))
        error = errno;
      if (error == 0 && lock >= 0 && ftruncate(lock, 0) != 0) error = errno;
    }
  }
  if (error == 0) error = lockByte(companion, F_RDLCK, HolderByte, F_OFD_SETLK);
  if (error == 0 && !existed && initialOwner && lock >= 0) {
    // Nobody else has the object open; only a process ending at this moment may still
    // hold the lock file, for a moment.
    while (flock(lock, LOCK_EX) != 0)
      if (errno != EINTR) {
        error = errno;
        break;
      }
    if (error == 0 && pwrite(lock, HeldMark, sizeof HeldMark - 1, 0) < 0) {
      // As in lockFile: only a later abandonment would go unseen.
    }
    if (error == 0) {
      object.owned = true;
      object.owner = std::this_thread::get_id();
      object.count = 1;
    }
  }
  if (error != 0) {
    close(companion);
    if (lock >= 0) close(lock);
    return POSIXerrorFromErrno(error);
  }
  lockByte(companion, F_UNLCK, GuardByte, F_OFD_SETLK);
  object.open = companion;
  object.fd = lock;
  return ERROR_SUCCESS;
}

// The object's name without the namespace prefix ("Global\" and "Local\" name the same
// object, as there are no sessions here), or the error of a name that cannot be one.
DWORD objectName(LPCSTR name, std::string& wanted) {
  wanted = name != nullptr ? name : "";
  if (wanted.size() > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  for (const char* prefix : {"Global\\", "Local\\"}) {
    if (wanted.compare(0, strlen(prefix), prefix) == 0) {
      wanted.erase(0, strlen(prefix));
      break;
    }
  }
  if (wanted.find('\\') != std::string::npos) return ERROR_PATH_NOT_FOUND;
  return ERROR_SUCCESS;
}

HANDLE createObject(bool event, BOOL initialOwner, LPCSTR name) {
  std::string wanted;
  DWORD status = objectName(name, wanted);
  if (status != ERROR_SUCCESS) {
    SetLastError(status);
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(TableLock);
  auto found = wanted.empty() ? namedObjects().end() : namedObjects().find(wanted);
  if (found != namedObjects().end()) {
    if (found->second->event != event) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return addObjectHandle(found->second);
  }
  Object* object = new Object;
  object->event = event;
  object->name = wanted;
  bool existed = false;
  if (!wanted.empty()) {
    status = openNamed(wanted, event, initialOwner != FALSE, *object, existed);
    if (status != ERROR_SUCCESS) {
      delete object;
      SetLastError(status);
      return nullptr;
    }
    namedObjects()[wanted] = object;
  } else if (initialOwner && !event) {
    object->owned = true;
    object->owner = std::this_thread::get_id();
    object->count = 1;
  }
  HANDLE handle = addObjectHandle(object);
  SetLastError(existed ? DWORD(ERROR_ALREADY_EXISTS) : DWORD(ERROR_SUCCESS));
  return handle;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  return createObject(false, initialOwner, name);
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCSTR name) { return createObject(true, FALSE, name); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  Object* mutex = mutexOf(handle);
  if (mutex == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitFor(*mutex, milliseconds);
}

BOOL ReleaseMutex(HANDLE handle) {
  Object* mutex = mutexOf(handle);
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
  Object* doomed = nullptr;
  {
    std::lock_guard<std::mutex> hold(TableLock);
    auto found = objectHandles().find(reinterpret_cast<uintptr_t>(handle));
    if (found == objectHandles().end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    Object* object = found->second;
    objectHandles().erase(found);
    if (--object->handles == 0) {
      if (!object->name.empty()) namedObjects().erase(object->name);
      doomed = object;
    }
  }
  if (doomed != nullptr) {
    // Closing the lock file gives its lock up (an owner's mark stays behind); closing the
    // companion then gives up this process's hold on the name.
    if (doomed->fd >= 0) close(doomed->fd);
    if (doomed->open >= 0) close(doomed->open);
    delete doomed;
  }
  return TRUE;
}
