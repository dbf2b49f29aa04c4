// The machine-wide lock that a Skelwin run holds from reading the PATH values to writing
// one back, so that runs side by side (installers) take turns and none writes back a value
// that another run changed after it was read.
#pragma once

class SKELpathLock {
public:
  SKELpathLock() = default;
  ~SKELpathLock();
  SKELpathLock(const SKELpathLock&) = delete;
  SKELpathLock& operator=(const SKELpathLock&) = delete;

  // Waits until no other run holds the lock, saying on standard error after a second
  // that it waits, and for at most waitLimit(); a lock whose holder ended is free. When
  // the lock cannot be had, in time or at all, a COLerror says which step failed and why:
  // a run that may write never goes on without the lock.
  void take();

  // How long take() waits, in milliseconds: 30 seconds, or less when the environment
  // variable SKELWIN_LOCK_WAIT_MS gives a smaller number (for tests). Another run holds
  // the lock for a fraction of a second; a holder that keeps it longer has hung.
  static unsigned long waitLimit();
  bool held() const { return Held; }

private:
  void* Handle = nullptr;
  bool Held = false;
};
