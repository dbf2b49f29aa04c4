// Named mutexes: one owner at a time among the threads of a process and among processes,
// waits that the owner may repeat, releases only by the owner, and a mutex whose owning
// process ended handed on as abandoned. Both builds run these, the Windows one against
// the real mutexes under Wine.
#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

const char NameVariable[] = "TEST_MUTEX_NAME";

// A name no other run uses, handed to the children through the environment.
std::string freshName() {
  std::string name = "Global\\OlvenmarkTest." +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  TESTsetEnvironment(NameVariable, name.c_str());
  return name;
}

// What another thread gets: the wait's result, and ReleaseMutex's with its error.
struct OtherThread {
  DWORD wait;
  BOOL released;
  DWORD error;
};

OtherThread fromAnotherThread(HANDLE mutex, bool release) {
  OtherThread result{0, FALSE, 0};
  std::thread other([&] {
    if (release) {
      result.released = ReleaseMutex(mutex);
      result.error = GetLastError();
    } else {
      result.wait = WaitForSingleObject(mutex, 0);
      if (result.wait == WAIT_OBJECT_0 || result.wait == WAIT_ABANDONED) ReleaseMutex(mutex);
    }
  });
  other.join();
  return result;
}

TEST(PLATmutex, OneThreadOwnsItAndMayWaitAgain) {
  TESTprivateRegistryStore store;
  std::string name = freshName();
  SetLastError(0);
  HANDLE first = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  HANDLE second = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  EXPECT_EQ(WaitForSingleObject(first, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0) << "the owner waits again";
  EXPECT_EQ(fromAnotherThread(second, false).wait, static_cast<DWORD>(WAIT_TIMEOUT));
  OtherThread release = fromAnotherThread(first, true);
  EXPECT_FALSE(release.released);
  EXPECT_EQ(release.error, static_cast<DWORD>(ERROR_NOT_OWNER));
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_EQ(fromAnotherThread(second, false).wait, static_cast<DWORD>(WAIT_TIMEOUT)) << "one wait still counts";
  EXPECT_TRUE(ReleaseMutex(second));
  EXPECT_EQ(fromAnotherThread(second, false).wait, static_cast<DWORD>(WAIT_OBJECT_0));
  SetLastError(0);
  EXPECT_FALSE(ReleaseMutex(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

  EXPECT_TRUE(CloseHandle(first));
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Takes the mutex without waiting and ends without releasing it: exit code 0 when it got
// the mutex, 1 when another owner had it, 2 when it could not be opened.
TEST_CHILD_ROLE(TakesTheMutexAndEnds) {
  const char* name = getenv(NameVariable);
  HANDLE mutex = name != nullptr ? CreateMutexA(nullptr, FALSE, name) : nullptr;
  if (mutex == nullptr) return 2;
  DWORD result = WaitForSingleObject(mutex, 0);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED ? 0 : 1;
}

TEST(PLATmutex, ProcessesShareItAndAnEndedOwnerAbandonsIt) {
  TESTprivateRegistryStore store;
  std::string name = freshName();
  HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("TakesTheMutexAndEnds")), 1) << "while this one owns it";
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("TakesTheMutexAndEnds")), 0) << "once it is free";
  EXPECT_EQ(WaitForSingleObject(mutex, 10000), static_cast<DWORD>(WAIT_ABANDONED)) << "its owner ended";
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "released, not abandoned";
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(CloseHandle(mutex));
  TESTsetEnvironment(NameVariable, nullptr);
}

}  // namespace
