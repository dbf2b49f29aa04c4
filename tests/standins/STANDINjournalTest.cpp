// The stand-ins' shared call journal: what tests read from it (lines in order since the last
// reset, counts, injected failures) and its bounds (the ring's length, the cut texts), also
// with many threads calling at once.
#include "standins/common/STANDINcore.h"

#include "tests/support/TESTallocations.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const Functions[] = {"open", "openAll", "send"};

std::vector<std::string> failures;
VRNresult make_failure(const std::string& description, const char* key, const std::string& value) {
  failures.push_back(description + (key ? std::string(" ") + key + "=" + value : std::string()));
  return reinterpret_cast<VRNresult>(uintptr_t(0x100));
}

struct Journal : ::testing::Test {
  Journal() : journal(Functions, 3, make_failure) { failures.clear(); }
  STANDINjournal journal;
};

std::vector<std::string> lines_of(const char* text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(Journal, WhatTestsReadOfIt) {
  EXPECT_STREQ("", journal.text());
  EXPECT_EQ(nullptr, journal.enter("open", {STANDINtext("a\r\n\"b\""), STANDINpointer(nullptr)}));
  EXPECT_EQ(nullptr, journal.enter("openAll", {}));
  EXPECT_STREQ("open \"a\\r\\n\\\"b\\\"\" null\nopenAll", journal.text());
  EXPECT_EQ(1, journal.callCount("open")) << "a name is no prefix of another";
  EXPECT_EQ(0, journal.callCount("close"));
  EXPECT_EQ(0, journal.callCount(nullptr));

  EXPECT_FALSE(journal.failNext("close", "no such function", nullptr, nullptr));
  EXPECT_TRUE(journal.failNext("send", "refused", "Key", "v"));
  EXPECT_TRUE(journal.failNextUnhandled("open"));
  EXPECT_EQ(VRNunhandledError(), journal.enter("open", {}));
  EXPECT_EQ(nullptr, journal.enter("open", {})) << "an injection is used once";
  EXPECT_NE(nullptr, journal.enter("send", {}));
  EXPECT_EQ(std::vector<std::string>{"refused Key=v"}, failures);
  EXPECT_EQ(3, journal.callCount("open")) << "an injected call is journalled too";

  ASSERT_TRUE(journal.failNext("send", "forgotten", nullptr, nullptr));
  journal.reset();
  EXPECT_STREQ("", journal.text());
  EXPECT_EQ(0, journal.callCount("open"));
  EXPECT_EQ(nullptr, journal.enter("send", {"1"})) << "a reset forgets the injections";
  EXPECT_STREQ("send 1", journal.text());
}

TEST(JournalText, LongTextsAreCut) {
  struct Case {
    std::string text, journalled;
  };
  const std::string limit(STANDINtextLimit, 'x');
  const Case cases[] = {
      {"", "\"\""},
      {"\x01\x7F\xC3\xA9", "\"\\x01\\x7F\\xC3\\xA9\""},
      {limit, "\"" + limit + "\""},
      {limit + "y", "\"" + limit + "\"...(" + std::to_string(STANDINtextLimit + 1) + " bytes)"},
      {std::string(STANDINtextLimit, '\r') + std::string(1 << 20, 'z'),
       "\"" + [] { std::string r; for (size_t i = 0; i < STANDINtextLimit; ++i) r += "\\r"; return r; }() +
           "\"...(" + std::to_string(STANDINtextLimit + (1 << 20)) + " bytes)"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.journalled, STANDINtext(c.text.c_str())) << c.text.size();
  EXPECT_EQ("null", STANDINtext(nullptr));
}

// Arguments kept raw read back exactly as the helpers write them at once; and once the
// ring has gone round, a call with a pointer, a text and a number allocates nothing.
TEST_F(Journal, RawArgumentsReadAsTheyWouldBeWrittenAndCostNoAllocation) {
  const std::string cut = std::string(STANDINtextLimit - 1, 'x') + "\r\x01" + std::string(1000, 'y');
  struct Case {
    STANDINarg raw;
    std::string written;
  };
  const Case cases[] = {
      {STANDINarg::text(nullptr), STANDINtext(nullptr)},
      {STANDINarg::text(""), STANDINtext("")},
      {STANDINarg::text("a\r\n\"b\\"), STANDINtext("a\r\n\"b\\")},
      {STANDINarg::text(cut.c_str()), STANDINtext(cut.c_str())},
      {STANDINarg::pointer(nullptr), STANDINpointer(nullptr)},
      {STANDINarg::pointer(VRNunhandledError()), STANDINpointer(VRNunhandledError())},
      {STANDINarg::pointer(reinterpret_cast<void*>(uintptr_t(0xABC0))), STANDINpointer(reinterpret_cast<void*>(uintptr_t(0xABC0)))},
      {STANDINarg::number(0), "0"},
      {STANDINarg::number(-42), "-42"},
      {STANDINarg::number(LLONG_MIN), std::to_string(LLONG_MIN)},
  };
  for (const Case& c : cases) {
    journal.reset();
    journal.enter("send", {c.raw, "w"});
    EXPECT_EQ("send " + c.written + " w", std::string(journal.text()));
    EXPECT_EQ(c.written.size() + 7, journal.byteCount());
  }

  const std::string message(200, 'm');
  int handle = 0;
  for (size_t i = 0; i < 2 * STANDINjournal::Capacity; ++i)
    journal.enter("send", {STANDINarg::pointer(&handle), STANDINarg::text(message.c_str()), STANDINarg::number(7)});
  long before = TESTallocations();
  for (int i = 0; i < 1000; ++i)
    journal.enter("send", {STANDINarg::pointer(&handle), STANDINarg::text(message.c_str()), STANDINarg::number(i)});
  EXPECT_EQ(0, TESTallocations() - before);
  std::vector<std::string> lines = lines_of(journal.text());
  EXPECT_EQ("send " + STANDINpointer(&handle) + " " + STANDINtext(message.c_str()) + " 999", lines.back());
}

// Many threads journalling big messages: the journal keeps the newest lines whole and in
// order, its bytes stay within the ring's bound, and every call is counted.
TEST_F(Journal, StaysBoundedUnderManyThreadsAndBigTexts) {
  const int Threads = 8, CallsPerThread = int(STANDINjournal::Capacity);
  const std::string big(64 * 1024, 'm');
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < CallsPerThread; ++i)
        journal.enter("send", {std::to_string(t), std::to_string(i), STANDINtext(big.c_str())});
    });
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(Threads * CallsPerThread, journal.callCount("send"));
  const std::string tail = " " + STANDINtext(big.c_str());
  const size_t longest = std::string("send 7 4095").size() + tail.size();
  EXPECT_LE(journal.byteCount(), STANDINjournal::Capacity * longest);
  std::vector<std::string> lines = lines_of(journal.text());
  ASSERT_EQ(STANDINjournal::Capacity, lines.size());
  std::vector<int> last(Threads, -1);
  for (const std::string& line : lines) {
    int t = -1, i = -1;
    ASSERT_EQ(2, std::sscanf(line.c_str(), "send %d %d", &t, &i)) << line;
    ASSERT_TRUE(t >= 0 && t < Threads) << line;
    EXPECT_EQ(tail, line.substr(line.size() - tail.size())) << "whole: " << line.substr(0, 20);
    EXPECT_GT(i, last[size_t(t)]) << "each thread's calls in their order";
    last[size_t(t)] = i;
  }

  // One thread: exactly the newest calls, oldest first.
  journal.reset();
  EXPECT_EQ(0u, journal.byteCount());
  const int Calls = int(2 * STANDINjournal::Capacity + 5);
  for (int i = 0; i < Calls; ++i) journal.enter("open", {std::to_string(i)});
  lines = lines_of(journal.text());
  ASSERT_EQ(STANDINjournal::Capacity, lines.size());
  EXPECT_EQ("open " + std::to_string(Calls - int(STANDINjournal::Capacity)), lines.front());
  EXPECT_EQ("open " + std::to_string(Calls - 1), lines.back());
  EXPECT_EQ(Calls, journal.callCount("open"));
}

}  // namespace
