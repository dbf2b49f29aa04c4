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

  // Waits until no other run holds the lock. A lock whose holder ended is free. When the
  // lock cannot be had at all, a COLerror says which step failed and why: a run that may
  // write never goes on without the lock.
  void take();
  bool held() const { return Held; }

private:
  void* Handle = nullptr;
  bool Held = false;
};
