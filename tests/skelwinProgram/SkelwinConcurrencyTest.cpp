// Skelwin runs side by side, as installers start it: every run adds its own directory to
// the same user PATH at the same moment, and no addition may be lost; and a run that
// cannot take the lock they share changes nothing.
#include "tests/skelwinProgram/SKELregistryFixture.h"

#include "tests/support/TESTprocess.h"

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

}  // namespace
