// The lock is a named mutex. Its name is in the Global namespace, so that runs in every
// session meet at it (a service's in session 0, other users' who are logged on); creating
// a mutex there needs no privilege. It keeps the default security: another user who holds
// it open at the same moment keeps a run out of it (ERROR_ACCESS_DENIED), and that run goes
// on unlocked rather than failing, so nobody can stop Skelwin by holding the name.
#include "skelwin/SKELpathLock.h"

#include "platform/PLATwindows.h"

namespace {
const char* const LOCK_NAME = "Global\\OlvenmarkSkelwinPathEdit";
}

SKELpathLock::~SKELpathLock() {
  if (Held) ReleaseMutex(static_cast<HANDLE>(Handle));
  if (Handle != nullptr) CloseHandle(static_cast<HANDLE>(Handle));
}

void SKELpathLock::take() {
  if (Held) return;
  if (Handle == nullptr) Handle = CreateMutexA(nullptr, FALSE, LOCK_NAME);
  if (Handle == nullptr) return;
  // An abandoned mutex is ours as well: the run that left it ended, and every registry
  // write is whole, so there is nothing half-done to mend.
  DWORD Result = WaitForSingleObject(static_cast<HANDLE>(Handle), INFINITE);
  Held = Result == WAIT_OBJECT_0 || Result == WAIT_ABANDONED;
}
