// Pumping a source into its sink: chunks, limits, the sink's take-over, and failures.
#include "COL/COLsource.h"

#include "COL/COLsimpleBuffer.h"
#include "tests/support/TESTsupport.h"

#include <string>
#include <vector>

namespace {

COLsimpleBuffer tenBytes() {
  COLsimpleBuffer b;
  b.write("0123456789", 10);
  return b;
}

TEST(COLsource, PumpSendsChunksThenFlushesThenEndsAndRewinds) {
  struct Case {
    const char* why;
    unsigned chunk;
    unsigned limit;
    unsigned start;
    std::vector<std::string> writes;
  } cases[] = {
      {"chunks of 4", 4, 0, 0, {"0123", "4567", "89"}},
      {"chunks that end at the end", 5, 0, 0, {"01234", "56789"}},
      {"one chunk larger than the data", 100, 0, 0, {"0123456789"}},
      {"the largest chunk from a later start", 0xFFFFFFFFu, 0, 5, {"56789"}},
      {"chunks of 1", 1, 3, 0, {"0", "1", "2"}},
      {"a limit of 3", 100, 3, 0, {"012"}},
      {"a limit of the size", 100, 10, 0, {"0123456789"}},
      {"a limit past the size", 100, 25, 0, {"0123456789"}},
      {"a start", 3, 0, 4, {"456", "789"}},
      {"a start with a limit", 100, 7, 4, {"456"}},
      {"a start at the limit", 100, 4, 4, {}},
      {"a start past the end", 100, 0, 12, {}},
  };
  for (const Case& c : cases) {
    COLsimpleBuffer b = tenBytes();
    TESTrecordingSink sink;
    b.set_next(&sink);
    b.set_limit(c.limit);
    b.set_source_position(c.start);
    b.pump(c.chunk);
    EXPECT_EQ(sink.writes, c.writes) << c.why;
    EXPECT_EQ(sink.flushes, 1) << c.why;
    EXPECT_EQ(sink.ends, 1) << c.why;
    EXPECT_TRUE(b.is_finished()) << c.why;

    // Rewound: the next pump starts again at 0.
    TESTrecordingSink again;
    b.set_next(&again);
    b.pump(100);
    EXPECT_EQ(again.text(), std::string("0123456789").substr(0, b.source_end())) << c.why;
  }
}

TEST(COLsource, AnEmptyBufferPumpsNoBytesButEndsTheTransfer) {
  COLsimpleBuffer b;
  TESTrecordingSink sink;
  b.set_next(&sink);
  b.pump(4);
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(sink.flushes, 1);
  EXPECT_EQ(sink.ends, 1);
}

// A sink that takes a whole source over, as a file sink could.
class TakingSink : public TESTrecordingSink {
public:
  bool write_source(COLsource* source) override {
    offered = source;
    return true;
  }
  COLsource* offered = nullptr;
};

TEST(COLsource, ASinkThatTakesTheSourceOverGetsNoChunksAndNoFlush) {
  COLsimpleBuffer b = tenBytes();
  b.set_source_position(6);
  TakingSink sink;
  b.set_next(&sink);
  b.pump(4);
  EXPECT_EQ(sink.offered, static_cast<COLsource*>(&b));
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(sink.flushes, 0);
  EXPECT_EQ(sink.ends, 1);
  TESTrecordingSink plain;
  b.set_next(&plain);
  b.pump(100);
  EXPECT_EQ(plain.text(), "0123456789") << "the source was rewound";
}

TEST(COLsource, PumpWithoutASinkOrWithAnEmptyChunkThrowsAndLeavesTheSource) {
  COLsimpleBuffer b = tenBytes();
  b.set_source_position(3);
  b.set_finished(true);
  EXPECT_FALSE(b.has_next());
  EXPECT_EQ(TEST_ERROR_OF(b.pump(4)),
            (TESTerrorFields{"This COLsource object has no next() value (ie. there is no COLsink to write to).",
                             COL_ERROR_PRECONDITION, 92, "COLsource"}));
  EXPECT_TRUE(b.is_finished());

  TESTrecordingSink sink;
  b.set_next(&sink);
  EXPECT_TRUE(b.has_next());
  EXPECT_EQ(TEST_ERROR_OF(b.pump(0)),
            (TESTerrorFields{"Failed precondition: chunk > 0", COL_ERROR_PRECONDITION, 96, "COLsource"}));
  EXPECT_TRUE(b.is_finished());
  EXPECT_TRUE(sink.writes.empty());
  EXPECT_EQ(sink.ends, 0);
  b.pump(100);
  EXPECT_EQ(sink.text(), "3456789") << "the source position was kept";
}

TEST(COLattachedSink, NextWithoutASinkFailsItsPrecondition) {
  COLsimpleBuffer b = tenBytes();
  const TESTerrorFields expected{"Failed precondition: pNext != NULL", COL_ERROR_PRECONDITION,
                                 53, "COLattachedSink"};
  EXPECT_EQ(TEST_ERROR_OF(b.next()), expected);
  EXPECT_EQ(TEST_ERROR_OF(b.send_chunk(4)), expected);
  TESTrecordingSink sink;
  b.set_next(&sink);
  EXPECT_EQ(b.next(), &sink);
  b.set_next(nullptr);
  EXPECT_FALSE(b.has_next());
}

}  // namespace
