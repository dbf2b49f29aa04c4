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
const unsigned long DEFAULT_WAIT_LIMIT = 30000;
const unsigned long NOTICE_AFTER = 1000;

// The system's text of the last error, after what was being done to which object.
// How long a wait of that many milliseconds is, in whole seconds rounded up, as a person
// says it: "a moment" for none at all, "1 second", "30 seconds".
COLstring spanText(unsigned long Milliseconds) {
  if (Milliseconds == 0) return "a moment";
  const unsigned long Seconds = (Milliseconds + 999) / 1000;
  COLostreamString Text;
  Text << Seconds << (Seconds == 1 ? " second" : " seconds");
  return Text.string();
}

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
  const unsigned long Limit = waitLimit();
  const unsigned long First = Limit < NOTICE_AFTER ? Limit : NOTICE_AFTER;
  DWORD Result = WaitForSingleObject(static_cast<HANDLE>(Handle), First);
  if (Result == WAIT_TIMEOUT && Limit > First) {
    // Whoever started the run (an installer with its output redirected) learns why it
    // stands still: what it has printed so far, and what it waits for.
    COLstandardOutput << flush;
    COLstandardError << "Waiting for another program that is editing PATH (at most " << spanText(Limit) << ")..."
                     << newline << flush;
    Result = WaitForSingleObject(static_cast<HANDLE>(Handle), Limit - First);
  }
  if (Result == WAIT_TIMEOUT) {
    COLostreamString text;
    text << "PATH not changed: another program has held the mutex \"" << LOCK_NAME << "\" for " << spanText(Limit)
         << " without letting it go";
    throw COLerror(text.string(), static_cast<int>(ERROR_TIMEOUT));
  }
  Held = Result == WAIT_OBJECT_0 || Result == WAIT_ABANDONED;
  if (!Held) raiseLockError("wait for", Result == WAIT_FAILED ? GetLastError() : DWORD(ERROR_INVALID_FUNCTION));
}

unsigned long SKELpathLock::waitLimit() {
  const char* Text = PLATgetenv("SKELWIN_LOCK_WAIT_MS");
  if (Text == nullptr || *Text == '\0') return DEFAULT_WAIT_LIMIT;
  unsigned long Limit = 0;
  for (const char* p = Text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return DEFAULT_WAIT_LIMIT;
    Limit = Limit * 10 + static_cast<unsigned long>(*p - '0');
    if (Limit > DEFAULT_WAIT_LIMIT) return DEFAULT_WAIT_LIMIT;
  }
  return Limit;
}
