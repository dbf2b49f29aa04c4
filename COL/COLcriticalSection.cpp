// The lock classes forward to the system's critical sections, which report no failures.
#include "COL/COLcriticalSection.h"

COLcriticalSection::COLcriticalSection() { InitializeCriticalSection(&m_Section); }
COLcriticalSection::~COLcriticalSection() { DeleteCriticalSection(&m_Section); }
bool COLcriticalSection::try_lock() { return TryEnterCriticalSection(&m_Section) != FALSE; }
void COLcriticalSection::lock() { EnterCriticalSection(&m_Section); }
void COLcriticalSection::unlock() { LeaveCriticalSection(&m_Section); }

COLmutex::COLmutex() : m_pSection(new CRITICAL_SECTION) { InitializeCriticalSection(m_pSection); }

COLmutex::~COLmutex() {
  if (m_pSection == nullptr) return;
  DeleteCriticalSection(m_pSection);
  delete m_pSection;
}

bool COLmutex::try_lock() { return TryEnterCriticalSection(m_pSection) != FALSE; }
void COLmutex::lock() { EnterCriticalSection(m_pSection); }
void COLmutex::unlock() { LeaveCriticalSection(m_pSection); }

COLscopedLock::COLscopedLock(COLmutex* m) : m_pMutex(m) { m_pMutex->lock(); }
COLscopedLock::~COLscopedLock() { m_pMutex->unlock(); }
