// Named mutexes: one owner at a time among the threads of a process and among processes,
// waits that the owner may repeat, releases only by the owner, and a mutex whose owning
// process ended handed on as abandoned. Both builds run these, the Windows one against
// the real mutexes under Wine.
#include "platform/PLATwindows.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

  // The mutex goes with the last handle to it; a new one of the name is neither the old
  // one's nor abandoned.
  EXPECT_EQ(TESTrunProgram(TESTprogramPath(), TESTchildRole("TakesTheMutexAndEnds")), 0);
  EXPECT_TRUE(CloseHandle(mutex));
  SetLastError(ERROR_ALREADY_EXISTS);
  mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), 0u) << "created anew";
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(CloseHandle(mutex));
  TESTsetEnvironment(NameVariable, nullptr);
}

// The processes of a race: each one makes its file in the barrier folder and waits for a
// byte on its input, so that all of them call CreateMutexA together; then it prints what it
// was told, removes its file and keeps its handle until its input ends, so that the mutex
// exists until every one of them has called.
const char BarrierVariable[] = "TEST_MUTEX_BARRIER";
const char IndexVariable[] = "TEST_MUTEX_INDEX";

std::string barrierFile(const char* folder, const char* index) {
  return std::string(folder) + "\\ready" + index;
}

TEST_CHILD_ROLE(CreatesItOwnedWithTheOthers) {
  const char* name = getenv(NameVariable);
  const char* folder = getenv(BarrierVariable);
  const char* index = getenv(IndexVariable);
  if (name == nullptr || folder == nullptr || index == nullptr) return 2;
  std::string ready = barrierFile(folder, index);
  FILE* file = PLATfopen(ready.c_str(), "w");
  if (file == nullptr) return 2;
  fclose(file);
  if (getchar() == EOF) return 2;
  HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
  DWORD createError = GetLastError();
  if (mutex == nullptr) {
    printf("CreateMutexA failed with %lu\n", static_cast<unsigned long>(createError));
    return 1;
  }
  BOOL released = ReleaseMutex(mutex);
  DWORD releaseError = released ? 0 : GetLastError();
  printf("%s %s %lu\n", createError == ERROR_ALREADY_EXISTS ? "opened" : "created",
         released ? "owned" : "not-owned", static_cast<unsigned long>(releaseError));
  fflush(stdout);
  PLATremove(ready.c_str());
  while (getchar() != EOF) {
  }
  CloseHandle(mutex);
  return 0;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits while every child runs until each one's file is there (or gone, with present
// false); false when a child ended first.
bool waitForFiles(std::vector<std::unique_ptr<TESTrunningProgram>>& children, const std::string& folder,
                  bool present) {
  for (;;) {
    bool done = true;
    for (size_t i = 0; i < children.size(); ++i)
      done = done && exists(barrierFile(folder.c_str(), std::to_string(i).c_str())) == present;
    if (done) return true;
    for (auto& child : children)
      if (!child->stillRunningAfter(0)) return false;
    Sleep(1);
  }
}

struct RaceCase {
  int processes;
};

// Windows' meaning: of the processes that ask for a new mutex at once, exactly one creates
// it and owns it at once; every other one opens the same mutex (ERROR_ALREADY_EXISTS)
// without owning it, as the initial ownership is only a creator's.
TEST(PLATmutex, OfProcessesCreatingItAtOnceOneCreatesAndOwnsIt) {
  const RaceCase cases[] = {{2}, {4}, {8}};
  // Under Wine the processes of a round take a fraction of a second to start; natively a
  // round takes a few milliseconds (the sanitizers' build starts each process several
  // times slower), and the faults of a layer show in the first rounds.
#ifdef __SANITIZE_ADDRESS__
  const int Rounds = 10;
#else
  const int Rounds = TESTwindowsBuild ? 5 : 40;
#endif
  TESTprivateRegistryStore store;
  TESTtemporaryDirectory barrier;
  TESTsetEnvironment(BarrierVariable, barrier.windowsPath().c_str());
  std::vector<std::string> words = TESTchildRole("CreatesItOwnedWithTheOthers");
  words.insert(words.begin(), "PLATFORMtests");
  for (const RaceCase& c : cases) {
    for (int round = 0; round < Rounds; ++round) {
      freshName();
      std::vector<std::unique_ptr<TESTrunningProgram>> children;
      for (int i = 0; i < c.processes; ++i) {
        TESTsetEnvironment(IndexVariable, std::to_string(i).c_str());
        children.emplace_back(new TESTrunningProgram(TESTprogramPath(), words));
      }
      bool raced = waitForFiles(children, barrier.windowsPath(), true);
      for (auto& child : children) child->writeInput("g");
      raced = raced && waitForFiles(children, barrier.windowsPath(), false);
      int creators = 0, owningCreators = 0, owningOthers = 0;
      std::string told;
      for (auto& child : children) {
        TESTprogramRun run = child->finish();
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        // One line: "created" or "opened", "owned" or "not-owned", ReleaseMutex's error.
        std::string line = run.out.substr(0, run.out.find_first_of("\r\n"));
        told += " [" + line + "]";
        bool created = line.compare(0, 8, "created ") == 0;
        bool owned = line.find(" owned ") != std::string::npos;
        creators += created;
        (created ? owningCreators : owningOthers) += owned;
        if (!owned) {
          EXPECT_TRUE(line.size() >= 4 && line.compare(line.size() - 4, 4, " 288") == 0)
              << "not ERROR_NOT_OWNER: " << line;
        }
      }
      EXPECT_TRUE(raced) << "a process ended before the others called";
      const std::string where = std::to_string(c.processes) + " processes, round " + std::to_string(round) + ":";
      EXPECT_EQ(creators, 1) << where << told;
      EXPECT_EQ(owningCreators, creators) << "a creator that does not own it; " << where << told;
      EXPECT_EQ(owningOthers, 0) << "an opener that owns it; " << where << told;
      if (creators != 1 || owningCreators != 1 || owningOthers != 0) break;  // one bad round of this many tells enough
    }
  }
  TESTsetEnvironment(IndexVariable, nullptr);
  TESTsetEnvironment(BarrierVariable, nullptr);
  TESTsetEnvironment(NameVariable, nullptr);
}

}  // namespace
