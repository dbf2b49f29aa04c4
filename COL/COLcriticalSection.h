// The library's locks: Windows critical sections held by value (COLcriticalSection) or on
// the heap (COLmutex), and COLscopedLock, which holds a COLmutex for exactly its own
// lifetime. The thread that holds a lock may take it again; each lock needs its unlock.
#pragma once

#include "platform/PLATwindows.h"

class COLcriticalSection {
public:
  COLcriticalSection();
  ~COLcriticalSection();
  COLcriticalSection(const COLcriticalSection&) = delete;
  COLcriticalSection& operator=(const COLcriticalSection&) = delete;

  // True when the section was entered; false, at once, when another thread holds it.
  bool try_lock();
  void lock();
  void unlock();
  CRITICAL_SECTION* handle() { return &m_Section; }

private:
  CRITICAL_SECTION m_Section;
};

class COLmutex {
public:
  COLmutex();
  ~COLmutex();
  COLmutex(const COLmutex&) = delete;
  COLmutex& operator=(const COLmutex&) = delete;

  bool try_lock();
  void lock();
  void unlock();
  CRITICAL_SECTION* handle() { return m_pSection; }

private:
  CRITICAL_SECTION* m_pSection;
};

class COLscopedLock {
public:
  explicit COLscopedLock(COLmutex* m);
  ~COLscopedLock();
  COLscopedLock(const COLscopedLock&) = delete;
  COLscopedLock& operator=(const COLscopedLock&) = delete;

private:
  COLmutex* m_pMutex;
};
