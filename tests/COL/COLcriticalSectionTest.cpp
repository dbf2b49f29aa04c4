// The lock classes: re-entry by the owning thread, try_lock from another one, and the
// scoped lock's release on every way out of its scope.
#include "COL/COLcriticalSection.h"

#include "COL/COLerror.h"
#include "tests/support/TESTsupport.h"

#include <thread>
#include <vector>

namespace {

// try_lock from a second thread, which releases again what it got.
template <class Lock>
bool lockableElsewhere(Lock& lock) {
  bool got = false;
  std::thread other([&] {
    got = lock.try_lock();
    if (got) lock.unlock();
  });
  other.join();
  return got;
}

template <class Lock>
void checkReentryAndTryLock(Lock& lock) {
  EXPECT_TRUE(lockableElsewhere(lock));
  lock.lock();
  EXPECT_TRUE(lock.try_lock()) << "the owner enters again";
  lock.lock();
  EXPECT_FALSE(lockableElsewhere(lock));
  lock.unlock();
  lock.unlock();
  EXPECT_FALSE(lockableElsewhere(lock)) << "one entry is still open";
  lock.unlock();
  EXPECT_TRUE(lockableElsewhere(lock));
}

TEST(COLcriticalSection, OwnerReentersAndOthersWait) {
  COLcriticalSection section;
  EXPECT_NE(section.handle(), nullptr);
  checkReentryAndTryLock(section);
}

TEST(COLmutex, OwnerReentersAndOthersWait) {
  COLmutex mutex;
  EXPECT_NE(mutex.handle(), nullptr);
  checkReentryAndTryLock(mutex);
}

TEST(COLscopedLock, HoldsTheMutexForItsScopeAndReleasesItOnAThrow) {
  COLmutex mutex;
  {
    COLscopedLock outer(&mutex);
    EXPECT_FALSE(lockableElsewhere(mutex));
    {
      COLscopedLock inner(&mutex);
      EXPECT_FALSE(lockableElsewhere(mutex));
    }
    EXPECT_FALSE(lockableElsewhere(mutex));
  }
  EXPECT_TRUE(lockableElsewhere(mutex));

  try {
    COLscopedLock held(&mutex);
    throw COLerror("leaving the scope", 0);
  } catch (const COLerror&) {
  }
  EXPECT_TRUE(lockableElsewhere(mutex));
}

TEST(COLscopedLock, SerialisesThreads) {
  COLmutex mutex;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        COLscopedLock hold(&mutex);
        long seen = counter;
        counter = seen + 1;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, 80000);
}

}  // namespace
