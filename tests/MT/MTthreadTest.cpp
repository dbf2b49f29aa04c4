// MTthread: the value semantics of the handle, and an identifier that names the calling
// thread whatever object is asked.
#include "MT/MTthread.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(MTthread, HoldsAHandleValueAsAPlainValue) {
  EXPECT_EQ(MTthread().handle(), 0);
  MTthread thread(1234);
  MTthread copy(thread);
  EXPECT_EQ(copy.handle(), 1234);
  MTthread assigned;
  assigned = thread;
  EXPECT_EQ(assigned.handle(), 1234);
  MTthread& self = assigned;
  assigned = self;
  EXPECT_EQ(assigned.handle(), 1234);
  assigned.setHandle(-7);
  EXPECT_EQ(assigned.handle(), -7);
  EXPECT_EQ(thread.handle(), 1234);
}

TEST(MTthread, CurrentThreadIsThePseudoHandleInEveryThread) {
  // The system's pseudo-handle for "the calling thread", (HANDLE)-2, cut to 32 bits.
  EXPECT_EQ(MTthread::currentThread().handle(), -2);
  int other = 0;
  std::thread([&other] { other = MTthread::currentThread().handle(); }).join();
  EXPECT_EQ(other, -2);
}

TEST(MTthread, ThreadIdNamesTheCallingThread) {
  const MTthread a;
  const MTthread b(99);
  const unsigned here = a.threadId();
  EXPECT_NE(here, 0u);
  EXPECT_EQ(b.threadId(), here);
  EXPECT_EQ(MTthread::currentThread().threadId(), here);
  unsigned there = 0, thereAgain = 0;
  std::thread([&] {
    there = a.threadId();
    thereAgain = b.threadId();
  }).join();
  EXPECT_NE(there, here);
  EXPECT_EQ(thereAgain, there);
}

}  // namespace
