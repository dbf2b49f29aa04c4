// COLsimpleBuffer: its growth and shrink rules, its three positions, and its checks.
#include "COL/COLsimpleBuffer.h"

#include "tests/support/TESTsupport.h"

#include <functional>
#include <string>

namespace {

std::string bytes(const COLsimpleBuffer& buffer) { return std::string(buffer.data(), buffer.size()); }

void write(COLsimpleBuffer& buffer, const std::string& text) {
  EXPECT_EQ(buffer.write(text.data(), static_cast<unsigned>(text.size())), text.size());
}

// The shape of a buffer measured where it was made.
struct Shape {
  unsigned size;
  unsigned capacity;
  bool hasBlock;
};
Shape shape(const COLsimpleBuffer& b) { return Shape{b.size(), b.capacity(), b.data() != nullptr}; }

TEST(COLsimpleBuffer, SizeAndCapacityFollowTheGrowthAndShrinkRules) {
  struct Case {
    const char* why;
    std::function<Shape()> make;
    unsigned size;
    unsigned capacity;
  } cases[] = {
      {"COLsimpleBuffer(0) is empty", [] { return shape(COLsimpleBuffer(0)); }, 0, 0},
      {"COLsimpleBuffer(10) has the size as capacity", [] { return shape(COLsimpleBuffer(10)); }, 10, 10},
      {"a write to an empty buffer allocates twice the need",
       [] { COLsimpleBuffer b; write(b, "abc"); return shape(b); }, 3, 6},
      {"a write past the capacity doubles the need",
       [] { COLsimpleBuffer b; write(b, "abc"); write(b, "defg"); return shape(b); }, 7, 14},
      {"a write that fits keeps the block",
       [] { COLsimpleBuffer b; write(b, "abc"); write(b, "def"); return shape(b); }, 6, 6},
      {"resize to half the capacity keeps the block",
       [] { COLsimpleBuffer b(10); b.resize(5); return shape(b); }, 5, 10},
      {"resize below half reallocates", [] { COLsimpleBuffer b(10); b.resize(4); return shape(b); }, 4, 4},
      {"resize within the capacity keeps the block",
       [] { COLsimpleBuffer b(10); b.resize(5); b.resize(9); return shape(b); }, 9, 10},
      {"resize past the capacity takes exactly the size",
       [] { COLsimpleBuffer b(10); b.resize(11); return shape(b); }, 11, 11},
      {"resize(0) frees the block", [] { COLsimpleBuffer b(10); b.resize(0); return shape(b); }, 0, 0},
      {"a copy takes the size as capacity",
       [] { COLsimpleBuffer b; write(b, "abc"); return shape(COLsimpleBuffer(b)); }, 3, 3},
      {"a text is held with its NUL",
       [] { COLsimpleBuffer b; b = "abc"; return shape(b); }, 4, 4},
  };
  for (const Case& c : cases) {
    Shape made = c.make();
    EXPECT_EQ(made.size, c.size) << c.why;
    EXPECT_EQ(made.capacity, c.capacity) << c.why;
    EXPECT_EQ(made.hasBlock, c.capacity != 0) << c.why;
  }
}

TEST(COLsimpleBuffer, BytesBeyondTheOldSizeReadAsZero) {
  COLsimpleBuffer made(6);
  EXPECT_EQ(bytes(made), std::string(6, '\0'));

  COLsimpleBuffer b;
  write(b, "abcdef");
  b.resize(2);
  b.resize(6);  // the block stays: the old bytes must not come back
  EXPECT_EQ(bytes(b), std::string("ab\0\0\0\0", 6));
  b.resize(40);  // a new block
  EXPECT_EQ(bytes(b), std::string("ab", 2) + std::string(38, '\0'));

  COLsimpleBuffer grown;
  write(grown, "xyz");  // capacity 6: the three bytes past the size are zero too
  grown.resize(6);
  EXPECT_EQ(bytes(grown), std::string("xyz\0\0\0", 6));
}

TEST(COLsimpleBuffer, ResizeToZeroClearsEveryPositionAndTheLimit) {
  COLsimpleBuffer b;
  write(b, "0123456789");
  b.set_read_position(4);
  b.set_source_position(6);
  b.set_limit(8);
  b.resize(0);
  EXPECT_EQ(b.position(), 0u);
  EXPECT_EQ(b.source_end(), 0u);
  write(b, "abcdef");
  EXPECT_EQ(bytes(b), "abcdef") << "the write position was 0";
  TESTrecordingSink sink;
  b.set_next(&sink);
  b.pump(100);
  EXPECT_EQ(sink.text(), "abcdef") << "the source position and the limit were 0";
  char out[8] = {};
  EXPECT_EQ(b.read(out, sizeof out), 6u) << "the read position was 0";
}

TEST(COLsimpleBuffer, ShrinkingLowersOnlyTheWritePosition) {
  COLsimpleBuffer b;
  write(b, "0123456789");
  b.set_read_position(9);
  b.resize(4);
  EXPECT_EQ(b.position(), 9u);
  EXPECT_TRUE(b.at_end());
  write(b, "ab");
  EXPECT_EQ(bytes(b), "0123ab");
}

TEST(COLsimpleBuffer, TheThreePositionsMoveIndependently) {
  COLsimpleBuffer b;
  write(b, "0123456789");
  static_cast<COLreadable&>(b).set_position(2);
  static_cast<COLsourceBinary&>(b).set_position(5);

  char out[4] = {};
  EXPECT_EQ(b.read(out, 3), 3u);
  EXPECT_EQ(std::string(out, 3), "234");
  EXPECT_EQ(b.position(), 5u);

  TESTrecordingSink sink;
  b.set_next(&sink);
  b.pump(100);
  EXPECT_EQ(sink.text(), "56789");
  EXPECT_EQ(b.position(), 5u) << "pumping does not move the read position";

  write(b, "ab");
  EXPECT_EQ(bytes(b), "0123456789ab");
  EXPECT_EQ(b.position(), 5u) << "writing does not move the read position";

  b.reset_write_position();
  write(b, "XY");
  EXPECT_EQ(bytes(b), "XY23456789ab") << "the size stays after reset_write_position";

  b.set_read_position(1);
  b.set_source_position(10);
  EXPECT_EQ(b.read(out, 2), 2u);
  EXPECT_EQ(std::string(out, 2), "Y2");
  TESTrecordingSink second;
  b.set_next(&second);
  b.pump(100);
  EXPECT_EQ(second.text(), "ab");
}

TEST(COLsimpleBuffer, ReadStopsAtTheSize) {
  COLsimpleBuffer b;
  write(b, "abc");
  char out[10] = {};
  EXPECT_FALSE(b.at_end());
  EXPECT_EQ(b.read(out, 10), 3u);
  EXPECT_EQ(std::string(out, 3), "abc");
  EXPECT_TRUE(b.at_end());
  EXPECT_EQ(b.read(out, 10), 0u);
  b.set_read_position(50);  // unchecked
  EXPECT_EQ(b.read(out, 10), 0u);
  EXPECT_TRUE(b.at_end());
  EXPECT_EQ(b.position(), 50u);
}

TEST(COLsimpleBuffer, EqualityComparesTheBytesOnly) {
  COLsimpleBuffer abc;
  abc = "abc";
  COLsimpleBuffer sameAbc(40);
  sameAbc.resize(0);
  write(sameAbc, std::string("abc\0", 4));
  sameAbc.set_read_position(2);
  COLsimpleBuffer abd;
  abd = "abd";
  COLsimpleBuffer shorter;
  shorter = "ab";
  struct Case {
    const char* why;
    const COLsimpleBuffer& left;
    const COLsimpleBuffer& right;
    bool equal;
  } cases[] = {
      {"two empty buffers", COLsimpleBuffer(), COLsimpleBuffer(0), true},
      {"same bytes, other capacity and positions", abc, sameAbc, true},
      {"one byte differs", abc, abd, false},
      {"other size", abc, shorter, false},
      {"empty and not", COLsimpleBuffer(), abc, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.left == c.right, c.equal) << c.why;
    EXPECT_EQ(c.right == c.left, c.equal) << c.why;
  }
}

TEST(COLsimpleBuffer, CopiesAndAssignmentsTakeTheBytes) {
  COLsimpleBuffer source;
  write(source, "0123456789");
  source.set_read_position(3);
  source.set_limit(4);
  COLsimpleBuffer copy(source);
  EXPECT_EQ(bytes(copy), "0123456789");
  EXPECT_EQ(copy.position(), 0u);
  EXPECT_EQ(copy.source_end(), 10u) << "a copy has no limit";

  COLsimpleBuffer assigned;
  assigned = "a much longer text than ten";
  assigned = source;
  EXPECT_EQ(bytes(assigned), "0123456789");
  assigned = assigned;
  EXPECT_EQ(bytes(assigned), "0123456789");

  COLsimpleBuffer text;
  text = "abc";
  EXPECT_EQ(bytes(text), std::string("abc\0", 4));
  text = "";
  EXPECT_EQ(bytes(text), std::string("\0", 1));

  // A text taken from the buffer itself survives the resize it causes.
  COLsimpleBuffer own;
  own = "0123456789012345678901234567890123456789";
  own = own.data() + 30;
  EXPECT_EQ(bytes(own), std::string("0123456789\0", 11));
}

TEST(COLsimpleBuffer, WritingItsOwnBytesSurvivesTheGrowth) {
  COLsimpleBuffer b;
  write(b, std::string(40, 'a') + std::string(40, 'b'));
  ASSERT_EQ(b.capacity(), 160u);
  b.write(b.data(), b.size());
  b.write(b.data() + 40, 120);  // needs 280 > 160: the block moves under the bytes
  EXPECT_EQ(bytes(b), std::string(40, 'a') + std::string(40, 'b') + std::string(40, 'a') +
                          std::string(40, 'b') + std::string(40, 'b') + std::string(40, 'a') +
                          std::string(40, 'b'));
}

TEST(COLsimpleBuffer, AGrowthPastThirtyTwoBitsIsRefusedAndTheBufferKept) {
  COLsimpleBuffer b;
  write(b, "abcdefgh");
  const char source[1] = {'x'};
  // 8 + 0xFFFFFFF8 wraps to 0 in 32 bits: the doubled size would shrink the block.
  EXPECT_EQ(TEST_ERROR_OF(b.write(source, 0xFFFFFFF8u)),
            (TESTerrorFields{"Unable to grow a COLsimpleBuffer to 4294967296 bytes: it holds at most 4294967295.",
                             COL_ERROR_PRECONDITION, 125, "COLsimpleBuffer"}));
  EXPECT_EQ(bytes(b), "abcdefgh");
  EXPECT_EQ(b.capacity(), 16u);
  write(b, "ij");
  EXPECT_EQ(bytes(b), "abcdefghij");
}

TEST(COLsimpleBuffer, IndexingOutsideTheSizeFailsItsPrecondition) {
  COLsimpleBuffer b;
  b = "abc";
  b[0] = 'X';
  const COLsimpleBuffer& constant = b;
  EXPECT_EQ(constant[0], 'X');
  EXPECT_EQ(constant[3], '\0');
  EXPECT_EQ(TEST_ERROR_OF(b[4]), (TESTerrorFields{"Failed precondition: PositionIndex < size()",
                                                   COL_ERROR_PRECONDITION, 89, "COLsimpleBuffer"}));
  EXPECT_EQ(TEST_ERROR_OF(constant[4]), (TESTerrorFields{"Failed precondition: PositionIndex < size()",
                                                          COL_ERROR_PRECONDITION, 95, "COLsimpleBuffer"}));
  COLsimpleBuffer empty;
  EXPECT_EQ(TEST_ERROR_OF(empty[0]).line, 89);
}

}  // namespace
