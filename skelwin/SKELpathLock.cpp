// The lock is a named mutex. Its name is in the Global namespace, so that runs in every
// session meet at it (a service's in session 0, other users' who are logged on); creating
// a mutex there needs no privilege. It keeps the default security, so another user who
// holds it open at the same moment keeps a run out of it (ERROR_ACCESS_DENIED); like every
// other failure to take the lock, that ends the run before it reads or writes anything:
// an edit without the lock could silently lose another run's.
#include "skelwin/SKELpathLock.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

namespace {
const char* const LOCK_NAME = "Global\\OlvenmarkSkelwinPathEdit";

// The system's text of the last error, after what was being done to which object.
[[noreturn]] void raiseLockError(const char* action, DWORD code) {
  COLostreamString text;
  text << "PATH not changed: cannot " << action << " the mutex \"" << LOCK_NAME << "\": "
       << COLstring::trim(COLwindowsErrorText(static_cast<int>(code)), false, true);
  throw COLerror(text.string(), static_cast<int>(code));
}
}  // namespace

SKELpathLock::~SKELpathLock() {
  if (Held) ReleaseMutex(static_cast<HANDLE>(Handle));
  if (Handle != nullptr) CloseHandle(static_cast<HANDLE>(Handle));
}

void SKELpathLock::take() {
  if (Held) return;
  if (Handle == nullptr) Handle = CreateMutexA(nullptr, FALSE, LOCK_NAME);
  if (Handle == nullptr) raiseLockError("create", GetLastError());
  // An abandoned mutex is ours as well: the run that left it ended, and every registry
  // write is whole, so there is nothing half-done to mend.
  DWORD Result = WaitForSingleObject(static_cast<HANDLE>(Handle), INFINITE);
  Held = Result == WAIT_OBJECT_0 || Result == WAIT_ABANDONED;
  if (!Held) raiseLockError("wait for", Result == WAIT_FAILED ? GetLastError() : DWORD(ERROR_INVALID_FUNCTION));
}
