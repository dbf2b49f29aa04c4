// The stand-in TLM library is a test double; these cases show it keeps what it is given,
// counts references, journals and injects as its control interface says, and delivers
// events where it is asked to, so that the bridge's tests can trust what it reports.
#include "standins/TLM/TLMstandin.h"

#include "tests/support/TESTchild.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string journalEntry(int index) {
  char buffer[512];
  TLMstandinJournalEntry(index, buffer, sizeof buffer);
  return buffer;
}

std::string hex(const void* handle) {
  char buffer[32];
  snprintf(buffer, sizeof buffer, "0x%llx",
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  return buffer;
}

std::string lastJournalEntry() { return journalEntry(TLMstandinJournalCount() - 1); }

std::string eventRecord(int index) {
  char buffer[1024];
  TLMstandinEventRecord(index, buffer, sizeof buffer);
  return buffer;
}

std::string description(TLMerror error) {
  const char* text = nullptr;
  EXPECT_EQ(nullptr, TLMexceptionGetDescription(error, &text));
  std::string result = text ? text : "(null)";
  TLMexceptionRelease(error);
  return result;
}

class TLMstandin : public ::testing::Test {
protected:
  void SetUp() override {
    TLMstandinReset();
    liveAtStart = TLMstandinLiveCount(nullptr);
  }
  void TearDown() override { EXPECT_EQ(liveAtStart, TLMstandinLiveCount(nullptr)); }
  int liveAtStart = 0;
};

TEST_F(TLMstandin, GettersReturnWhatSettersSetAndTheJournalShowsTheBytes) {
  TLMhandle query = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryCreate(&query));
  EXPECT_EQ(1, TLMstandinRefCount(query));

  ASSERT_EQ(nullptr, TLMlogQuerySetHost(query, "h\xC3\xA9"));
  EXPECT_EQ("TLMlogQuerySetHost " + hex(query) + " \"68c3a9\"", lastJournalEntry());
  const char* host = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryGetHost(query, &host));
  EXPECT_STREQ("h\xC3\xA9", host);

  ASSERT_EQ(nullptr, TLMlogQuerySetIncludeDeleted(query, 7));
  TLMbool flag = 0;
  ASSERT_EQ(nullptr, TLMlogQueryGetIncludeDeleted(query, &flag));
  EXPECT_EQ(1, flag);
  char field[32];
  TLMstandinGetField(query, "IncludeDeleted", field, sizeof field);
  EXPECT_STREQ("7", field) << "the byte passed is kept as it came";

  ASSERT_EQ(nullptr, TLMlogQuerySetPort(query, -5));
  int port = 0;
  ASSERT_EQ(nullptr, TLMlogQueryGetPort(query, &port));
  EXPECT_EQ(-5, port);

  ASSERT_EQ(nullptr, TLMlogQuerySetAfter(query, 45000.25));
  double after = 0;
  ASSERT_EQ(nullptr, TLMlogQueryGetAfter(query, &after));
  EXPECT_EQ(45000.25, after);

  ASSERT_EQ(nullptr, TLMlogQueryRelease(query));
  EXPECT_EQ(-1, TLMstandinRefCount(query));
}

TEST_F(TLMstandin, ReferencesCountAndAReleasedHandleIsRefused) {
  TLMhandle destination = nullptr;
  ASSERT_EQ(nullptr, TLMdestinationCreate(&destination));
  EXPECT_EQ(1, TLMstandinLiveCount("destination"));
  ASSERT_EQ(nullptr, TLMdestinationAddRef(destination));
  EXPECT_EQ(2, TLMstandinRefCount(destination));
  ASSERT_EQ(nullptr, TLMdestinationRelease(destination));
  ASSERT_EQ(nullptr, TLMdestinationRelease(destination));
  EXPECT_EQ(0, TLMstandinLiveCount("destination"));
  TLMerror error = TLMdestinationRelease(destination);
  ASSERT_NE(nullptr, error);
  EXPECT_NE(std::string::npos, description(error).find("unknown handle"));

  TLMhandle query = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryCreate(&query));
  error = TLMsourceDisconnect(query);
  ASSERT_NE(nullptr, error) << "a handle of another kind is refused";
  EXPECT_NE(std::string::npos, description(error).find("is a logQuery, not a source"));
  TLMlogQueryRelease(query);
}

TEST_F(TLMstandin, InjectionsAnswerTheNextCallOnly) {
  TLMhandle reason = nullptr;
  ASSERT_EQ(nullptr, TLMdisconnectReasonCreate(&reason));
  TLMstandinSetText(reason, "Description", "gone");

  TLMstandinInjectError("TLMdisconnectReasonGetDescription", "refused \xE2\x82\xAC");
  const char* text = "untouched";
  TLMerror error = TLMdisconnectReasonGetDescription(reason, &text);
  ASSERT_NE(nullptr, error);
  EXPECT_STREQ("untouched", text) << "an injected failure does not act";
  EXPECT_EQ("refused \xE2\x82\xAC", description(error));

  TLMstandinInjectUnhandled("TLMdisconnectReasonGetDescription");
  EXPECT_EQ(TLM_UNHANDLED_ERROR, TLMdisconnectReasonGetDescription(reason, &text));

  TLMstandinInjectNullText("TLMdisconnectReasonGetDescription");
  EXPECT_EQ(nullptr, TLMdisconnectReasonGetDescription(reason, &text));
  EXPECT_EQ(nullptr, text);

  ASSERT_EQ(nullptr, TLMdisconnectReasonGetDescription(reason, &text));
  EXPECT_STREQ("gone", text);
  TLMdisconnectReasonRelease(reason);
}

TEST_F(TLMstandin, QueryResultsHandOutReferencedMessages) {
  TLMhandle preset = TLMstandinPresetQueryResult(1, "");
  TLMhandle first = TLMstandinPresetAddMessage(preset);
  TLMstandinSetText(first, "Content", "one");
  TLMhandle query = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryCreate(&query));
  TLMhandle result = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryExecute(query, &result));
  EXPECT_EQ(preset, result);
  int count = 0;
  ASSERT_EQ(nullptr, TLMlogQueryResultCountOfMessage(result, &count));
  EXPECT_EQ(1, count);
  TLMhandle message = nullptr;
  ASSERT_EQ(nullptr, TLMlogQueryResultGetMessage(result, 0, &message));
  EXPECT_EQ(first, message);
  EXPECT_EQ(2, TLMstandinRefCount(message));
  TLMerror error = TLMlogQueryResultGetMessage(result, 1, &message);
  ASSERT_NE(nullptr, error);
  EXPECT_NE(std::string::npos, description(error).find("out of range"));
  TLMlogMessageRelease(first);
  TLMlogQueryResultRelease(result);
  TLMlogQueryRelease(query);
  TLMstandinReset();  // gives up the preset result and with it the message
}

TLMerror recordingListener(void* user, TLMhandle inputs, TLMhandle outputs) {
  const char* message = nullptr;
  TLMdestinationMessageReceivedEventInputsGetMessage(inputs, &message);
  if (std::string(message) == TLM_STANDIN_MESSAGE) {
    TLMdestinationMessageReceivedEventOutputsSetMessageProcessedFlag(outputs, 1);
  }
  TLMdestinationMessageReceivedEventOutputsAddInfoLogMessage(outputs, "a");
  TLMdestinationMessageReceivedEventOutputsAddInfoLogMessage(outputs, "b");
  *static_cast<std::thread::id*>(user) = std::this_thread::get_id();
  return nullptr;
}

int hookCalls = 0;
void countingHook(void*) { ++hookCalls; }

TEST_F(TLMstandin, EventsRunWhereAskedAndRecordTheOutputsTheListenerLeft) {
  TLMhandle destination = nullptr;
  ASSERT_EQ(nullptr, TLMdestinationCreate(&destination));
  EXPECT_EQ(-1, TLMstandinFire(TLM_STANDIN_SOURCE_MESSAGE_REQUESTED, destination,
                               TLM_STANDIN_CALLER_THREAD, 1, 1))
      << "a destination has no source events";
  // The program's bridge may have registered its own callback; it gets it back at the end.
  void* bridgeCallback = TLMstandinCallback(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED);
  TLMdestinationSetMessageReceivedCallback(recordingListener);
  std::thread::id seen;
  ASSERT_EQ(nullptr, TLMdestinationAddListener(destination, &seen));
  TLMstandinSetAfterCallbackHook(countingHook, nullptr);
  hookCalls = 0;

  EXPECT_EQ(1, TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, destination,
                              TLM_STANDIN_CALLER_THREAD, 1, 1));
  EXPECT_EQ(std::this_thread::get_id(), seen);
  EXPECT_EQ(1, TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, destination,
                              TLM_STANDIN_NEW_THREAD, 1, 1));
  EXPECT_NE(std::this_thread::get_id(), seen);
  EXPECT_EQ(12, TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, destination,
                               TLM_STANDIN_THREADS, 4, 3));
  EXPECT_EQ(14, hookCalls);
  ASSERT_EQ(14, TLMstandinEventCount());
  std::string record = eventRecord(0);
  EXPECT_NE(std::string::npos,
            record.find("outputs{AddInfoLogMessage=\"61\",\"62\" MessageProcessedFlag=1}"))
      << record;
  EXPECT_EQ(0, TLMstandinLiveCount("destinationMessageReceivedEventInputs"));
  EXPECT_EQ(0, TLMstandinLiveCount("destinationMessageReceivedEventOutputs"));

  TLMstandinSetAfterCallbackHook(nullptr, nullptr);
  TLMdestinationSetMessageReceivedCallback(
      reinterpret_cast<TLMdestinationMessageReceivedCallback>(bridgeCallback));
  ASSERT_EQ(nullptr, TLMdestinationRemoveListener(destination, &seen));
  EXPECT_EQ(0, TLMstandinListenerCount(destination));
  EXPECT_EQ(nullptr, TLMdestinationRemoveListener(destination, &seen))
      << "a value no longer registered is nothing to remove";
  TLMstandinReset();
  TLMdestinationRelease(destination);
}

// A listener whose delivery waits until the test lets it go, and may remove itself.
struct Gate {
  std::mutex Lock;
  std::condition_variable Changed;
  TLMhandle Endpoint = nullptr;
  int Entered = 0;
  bool Open = false;
  bool RemoveItself = false;
  int Delivered = 0;
};
TLMerror gatedListener(void* user) {
  Gate& gate = *static_cast<Gate*>(user);
  std::unique_lock<std::mutex> hold(gate.Lock);
  ++gate.Entered;
  gate.Changed.notify_all();
  gate.Changed.wait(hold, [&] { return gate.Open; });
  if (gate.RemoveItself) {
    hold.unlock();
    // From inside its own delivery: returns at once, and nothing more is delivered.
    EXPECT_EQ(nullptr, TLMdestinationRemoveListener(gate.Endpoint, user));
    hold.lock();
  }
  ++gate.Delivered;
  return nullptr;
}

TEST_F(TLMstandin, RemoveListenerReturnsOnlyWhenNoDeliveryToItIsInFlight) {
  void* bridgeCallback = TLMstandinCallback(TLM_STANDIN_DESTINATION_DISCONNECTED);
  TLMdestinationSetDisconnectedCallback(gatedListener);
  for (bool removeItself : {false, true}) {
    SCOPED_TRACE(removeItself ? "removed from inside its delivery" : "removed from another thread");
    Gate gate;
    gate.RemoveItself = removeItself;
    ASSERT_EQ(nullptr, TLMdestinationCreate(&gate.Endpoint));
    ASSERT_EQ(nullptr, TLMdestinationAddListener(gate.Endpoint, &gate));
    int made = -1;
    std::thread firing([&] {
      made = TLMstandinFire(TLM_STANDIN_DESTINATION_DISCONNECTED, gate.Endpoint, TLM_STANDIN_THREADS, 3, 5);
    });
    {
      std::unique_lock<std::mutex> hold(gate.Lock);
      gate.Changed.wait(hold, [&] { return gate.Entered == 3; });
    }
    std::atomic<bool> removed{false};
    std::thread removing;
    if (!removeItself) {
      removing = std::thread([&] {
        EXPECT_EQ(nullptr, TLMdestinationRemoveListener(gate.Endpoint, &gate));
        removed = true;
      });
      // The removal is waiting for the three deliveries held at the gate.
      while (TLMstandinListenerCount(gate.Endpoint) != 0) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      EXPECT_FALSE(removed.load()) << "returned while deliveries were in flight";
    }
    {
      std::lock_guard<std::mutex> hold(gate.Lock);
      gate.Open = true;
    }
    gate.Changed.notify_all();
    if (removing.joinable()) removing.join();
    firing.join();
    EXPECT_EQ(3, made) << "each thread's first delivery only";
    EXPECT_EQ(3, gate.Delivered);
    EXPECT_EQ(0, TLMstandinListenerCount(gate.Endpoint));
    TLMdestinationRelease(gate.Endpoint);
  }
  TLMdestinationSetDisconnectedCallback(
      reinterpret_cast<TLMdestinationDisconnectedCallback>(bridgeCallback));
  TLMstandinReset();
}

// A process that exits while a RemoveListener waits for a delivery in flight: the
// listener never returns, and the exit must not wait for either.
TEST_CHILD_ROLE(TLMexitWhileARemovalWaits) {
  static Gate& gate = *new Gate;  // its delivery stays in flight until the end
  TLMdestinationSetDisconnectedCallback(gatedListener);
  if (TLMdestinationCreate(&gate.Endpoint) != nullptr) return 2;
  if (TLMdestinationAddListener(gate.Endpoint, &gate) != nullptr) return 2;
  std::thread([] { TLMstandinFire(TLM_STANDIN_DESTINATION_DISCONNECTED, gate.Endpoint, TLM_STANDIN_THREADS, 1, 1); })
      .detach();
  {
    std::unique_lock<std::mutex> hold(gate.Lock);
    gate.Changed.wait(hold, [] { return gate.Entered == 1; });
  }
  std::thread([] { TLMdestinationRemoveListener(gate.Endpoint, &gate); }).detach();
  while (TLMstandinListenerCount(gate.Endpoint) != 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the removal waits
  std::exit(0);
}

TEST(TLMstandinExit, AProcessEndsWhileARemovalWaitsForADelivery) {
  std::vector<std::string> words = TESTchildRole("TLMexitWhileARemovalWaits");
  words.insert(words.begin(), "TLMstandinTest");
  TESTrunningProgram child(TESTprogramPath(), words);
  EXPECT_FALSE(child.stillRunningAfter(20000)) << "the exit waits for the removal";
  if (!child.stillRunningAfter(0)) {
    EXPECT_EQ(0, child.finish().exitCode);
  }
}

}  // namespace
