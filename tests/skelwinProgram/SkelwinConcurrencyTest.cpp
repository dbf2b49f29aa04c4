// Skelwin runs side by side, as installers start it: every run adds its own directory to
// the same user PATH at the same moment, and no addition may be lost; a run that cannot
// take the lock they share changes nothing; and a run whose lock another program keeps
// says that it waits, and gives up in bounded time.
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include "skelwin/SKELpathLock.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"

#include <chrono>
#include <cstdio>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class SkelwinConcurrency : public SKELregistryFixture {};

// The items of a PATH value as stored (a text with its NUL).
std::vector<std::string> itemsOf(const SKELstoredValue& value) {
  std::vector<std::string> items;
  std::string text = value.bytes.substr(0, value.bytes.find('\0'));
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ';');) items.push_back(item);
  return items;
}

struct WritersCase {
  int writers;
};

TEST_F(SkelwinConcurrency, RunsSideBySideLoseNoAddition) {
  const WritersCase cases[] = {{2}, {4}, {8}};
  // Under Wine a Skelwin run takes a quarter of a second, most of it starting up, and the
  // runs of a round take their turns: 50 rounds there would add three minutes to the
  // Windows suite, 10 add about forty seconds. Without the lock the row of 8 writers
  // still loses additions in its first round there (the rows of fewer writers overlap
  // less, as start-up spreads them out); natively every row does.
  // The sanitizers' build starts every run six times slower as well (10 rounds took 100 of
  // the 120 seconds a test may take in its loaded suite); it is there for the memory
  // faults of runs side by side, which a few rounds show, while the plain native build
  // runs all 50.
#ifdef __SANITIZE_ADDRESS__
  const int Rounds = 4;
#else
  const int Rounds = TESTwindowsBuild ? 10 : 50;
#endif
  const std::string Base = "C:\\Base";
  for (const WritersCase& c : cases) {
    for (int round = 0; round < Rounds; ++round) {
      seed(SKELuser, SKELtext(REG_EXPAND_SZ, Base));
      std::vector<std::string> added;
      for (int i = 0; i < c.writers; ++i)
        added.push_back("C:\\Tools\\w" + std::to_string(c.writers) + "r" + std::to_string(round) + "n" +
                        std::to_string(i));
      std::vector<TESTprogramRun> runs(added.size());
      std::vector<std::thread> starters;
      for (size_t i = 0; i < added.size(); ++i)
        starters.emplace_back(
            [&, i] { runs[i] = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--user", "--path", added[i]}); });
      for (std::thread& starter : starters) starter.join();

      std::vector<std::string> items = itemsOf(stored(SKELuser));
      std::string lost;
      for (size_t i = 0; i < added.size(); ++i) {
        EXPECT_EQ(runs[i].exitCode, 0) << added[i] << ": " << runs[i].err;
        bool found = false;
        for (const std::string& item : items) found = found || item == added[i];
        if (!found) lost += " " + added[i];
      }
      EXPECT_EQ(items.size(), added.size() + 1) << stored(SKELuser);
      EXPECT_TRUE(items.empty() || items[0] == Base) << stored(SKELuser);
      if (!lost.empty()) {
        ADD_FAILURE() << c.writers << " writers, round " << round << ": lost" << lost;
        break;  // one lost round of this many writers tells enough
      }
    }
  }
}

const char LockName[] = "Global\\OlvenmarkSkelwinPathEdit";

struct UnlockableCase {
  const char* what;
  bool layerOnly;  // a fault of the store's files, which only our layer has
  // Makes the lock impossible to take, in the store directory (our layer's build); gives a
  // handle to close when done, or null.
  std::function<HANDLE(const std::string& store)> spoil;
};

TEST_F(SkelwinConcurrency, ARunThatCannotTakeTheLockChangesNothing) {
  namespace fs = std::filesystem;
  TESTtemporaryDirectory elsewhere;
  const std::string Target = elsewhere.path() + "/target";
  const auto linkTo = [&](const char* file) {
    return [&, file](const std::string& store) -> HANDLE {
      fs::create_directory(store + "/mutexes");
      fs::create_symlink(Target, store + "/mutexes/" + file);
      return nullptr;
    };
  };
  const UnlockableCase cases[] = {
      {"the store's mutexes entry is a plain file", true,
       [](const std::string& store) -> HANDLE {
         TESTwriteFile(store + "/mutexes", "not a directory\n");
         return nullptr;
       }},
      {"the mutex's lock file is a symbolic link", true, linkTo("OlvenmarkSkelwinPathEdit")},
      {"the mutex's companion file is a symbolic link", true, linkTo("OlvenmarkSkelwinPathEdit~open")},
      // Windows refuses a mutex of a name that an object of another kind holds.
      {"an event holds the name", false,
       [&](const std::string&) -> HANDLE {
         HANDLE event = CreateEventA(nullptr, TRUE, FALSE, LockName);
         EXPECT_NE(event, nullptr) << GetLastError();
         return event;
       }},
  };
  const std::string Base = "C:\\Base";
  for (const UnlockableCase& c : cases) {
    if (c.layerOnly && TESTwindowsBuild) continue;
    TESTprivateRegistryStore store;
    seed(SKELuser, SKELtext(REG_EXPAND_SZ, Base));
    TESTwriteFile(Target, "the link's target\n");
    HANDLE held = c.spoil(store.directory());
    const int noticesBefore = notices();

    TESTprogramRun run = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--user", "--path", "C:\\New"});
    EXPECT_EQ(run.exitCode, 1) << c.what << ": " << run.out;
    EXPECT_NE(run.err.find("PATH not changed"), std::string::npos) << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(std::string("\"") + LockName + "\""), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(stored(SKELuser), SKELtext(REG_EXPAND_SZ, Base)) << c.what;
    if (!TESTwindowsBuild) {
      EXPECT_EQ(notices(), noticesBefore) << c.what;
    }
    EXPECT_EQ(TESTfileText(Target), "the link's target\n") << c.what << ": the lock went through the link";

    // Showing writes nothing and needs no lock.
    run = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--show"});
    EXPECT_EQ(run.exitCode, 0) << c.what << ": " << run.err;
    EXPECT_NE(run.out.find("Current User PATH: C:\\Base\r\n"), std::string::npos) << c.what << ": " << run.out;
    if (held != nullptr) CloseHandle(held);
  }
}

// A program that holds the lock until its input ends: one that hangs while editing PATH.
TEST_CHILD_ROLE(HoldsThePathLock) {
  HANDLE lock = CreateMutexA(nullptr, FALSE, LockName);
  if (lock == nullptr || WaitForSingleObject(lock, INFINITE) != WAIT_OBJECT_0) return 2;
  while (getchar() != EOF) {
  }
  ReleaseMutex(lock);
  CloseHandle(lock);
  return 0;
}

// Starts the holder and waits until it has the lock.
class LockHolder {
public:
  LockHolder() : program_(TESTprogramPath(), {"SKELprogramTests", TESTchildRole("HoldsThePathLock")[0]}) {
    for (int tries = 0; tries < 500; ++tries) {
      HANDLE probe = CreateMutexA(nullptr, FALSE, LockName);
      DWORD result = probe != nullptr ? WaitForSingleObject(probe, 0) : WAIT_FAILED;
      if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(probe);
      if (probe != nullptr) CloseHandle(probe);
      if (result == WAIT_TIMEOUT) return;
      Sleep(20);
    }
    ADD_FAILURE() << "the holder never took the lock";
  }
  // Lets the lock go and gives what the holder did.
  TESTprogramRun letGo() { return program_.finish(); }

private:
  TESTrunningProgram program_;
};

struct WaitCase {
  const char* why;
  const char* limit;         // SKELWIN_LOCK_WAIT_MS, or null for the default
  unsigned long expectedMs;  // how long the run must wait before it gives up
  bool notice;               // whether it says that it waits
  const char* span;          // how it says how long it waited
  const char* atMost;        // and, in its notice, how long it may wait
};

// How long a run takes beyond its wait: starting it (a quarter of a second under Wine,
// more on a loaded machine) and ending it.
const long SlackMs = 5000;

long millisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// The lines of a run's standard error.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(SkelwinConcurrency, ARunWhoseLockIsKeptSaysSoAndGivesUpInTime) {
  // The default is the case of record: 30 seconds, once in each build.
  const WaitCase cases[] = {
      {"no wait at all", "0", 0, false, " for a moment without", nullptr},
      {"a limit under the notice's second", "500", 500, false, " for 1 second without", nullptr},
      {"a shortened limit", "2500", 2500, true, " for 3 seconds without", "(at most 3 seconds)..."},
      {"the default limit", nullptr, 30000, true, " for 30 seconds without", "(at most 30 seconds)..."},
  };
  const std::string Base = "C:\\Base";
  for (const WaitCase& c : cases) {
    seed(SKELuser, SKELtext(REG_EXPAND_SZ, Base));
    LockHolder holder;
    TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", c.limit);
    const auto start = std::chrono::steady_clock::now();
    TESTprogramRun run = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--user", "--path", "C:\\New"});
    const long waited = millisecondsSince(start);
    TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", nullptr);

    EXPECT_EQ(run.exitCode, 1) << c.why << ": " << run.out << run.err;
    std::vector<std::string> lines = linesOf(run.err);
    ASSERT_EQ(lines.size(), c.notice ? 2u : 1u) << c.why << ": " << run.err;
    EXPECT_EQ(lines.back().rfind("PATH not changed", 0), 0u) << c.why << ": " << run.err;
    EXPECT_EQ(lines.back().find("PATH not changed"), lines.back().rfind("PATH not changed")) << c.why;
    EXPECT_NE(lines.back().find(c.span), std::string::npos) << c.why << ": " << run.err;
    if (c.notice) {
      EXPECT_NE(lines.front().find(c.atMost), std::string::npos) << c.why << ": " << run.err;
    }
    EXPECT_GE(waited, static_cast<long>(c.expectedMs)) << c.why;
    EXPECT_LT(waited, static_cast<long>(c.expectedMs) + SlackMs) << c.why;
    EXPECT_EQ(stored(SKELuser), SKELtext(REG_EXPAND_SZ, Base)) << c.why;
    EXPECT_EQ(holder.letGo().exitCode, 0) << c.why;
  }
}

TEST(SkelwinLockWait, TheEnvironmentMayOnlyShortenTheWait) {
  const struct {
    const char* value;
    unsigned long limit;
  } cases[] = {
      {nullptr, 30000}, {"", 30000},      {"0", 0},          {"2500", 2500},    {"30000", 30000},
      {"30001", 30000}, {"99999999999999999999", 30000},     {"-5", 30000},     {"12s", 30000},
      {" 100", 30000},
  };
  for (const auto& c : cases) {
    TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", c.value);
    EXPECT_EQ(SKELpathLock::waitLimit(), c.limit) << (c.value != nullptr ? c.value : "<unset>");
  }
  TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", nullptr);
}

TEST_F(SkelwinConcurrency, ARunGoesOnWhenTheLockIsLetGoAndShowingTakesNoLock) {
  const std::string Base = "C:\\Base";
  seed(SKELuser, SKELtext(REG_EXPAND_SZ, Base));
  LockHolder holder;

  const auto start = std::chrono::steady_clock::now();
  TESTprogramRun run = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--show"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_LT(millisecondsSince(start), 1000 + SlackMs);

  TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", "20000");
  TESTprogramRun waiting;
  std::thread runner([&] { waiting = TESTcaptureProgram(SKELWIN_PROGRAM, {"Skelwin", "--user", "--path", "C:\\New"}); });
  Sleep(2500);
  EXPECT_EQ(stored(SKELuser), SKELtext(REG_EXPAND_SZ, Base)) << "written without the lock";
  EXPECT_EQ(holder.letGo().exitCode, 0);
  runner.join();
  TESTsetEnvironment("SKELWIN_LOCK_WAIT_MS", nullptr);
  EXPECT_EQ(waiting.exitCode, 0) << waiting.out << waiting.err;
  EXPECT_EQ(linesOf(waiting.err).size(), 1u) << "the notice that it waits: " << waiting.err;
  EXPECT_EQ(waiting.err.find("PATH not changed"), std::string::npos) << waiting.err;
  EXPECT_EQ(stored(SKELuser), SKELtext(REG_EXPAND_SZ, Base + ";C:\\New"));
}

}  // namespace
