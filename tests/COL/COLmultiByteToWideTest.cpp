// COLmultiByteToWide: 16-bit units on every build, one per byte of the "C" locale.
#include "COL/COLmultiByteToWide.h"

#include "COL/COLsimpleBuffer.h"
#include "tests/support/TESTsupport.h"

#include <cstring>
#include <vector>

namespace {

std::vector<char16_t> units(const COLsimpleBuffer& buffer) {
  std::vector<char16_t> out(buffer.size() / 2);
  if (!out.empty()) memcpy(out.data(), buffer.data(), out.size() * 2);
  return out;
}

TEST(COLmultiByteToWide, WritesSixteenBitUnitsAndAZeroUnitAfterThem) {
  struct Case {
    const char* why;
    const char* text;
    std::vector<char16_t> units;
  } cases[] = {
      {"plain text", "abc", {u'a', u'b', u'c', 0}},
      {"the empty text", "", {0}},
      {"bytes above 0x7F are the characters U+0080..U+00FF", "\xE9\x80\xFF", {0xE9, 0x80, 0xFF, 0}},
  };
  for (const Case& c : cases) {
    COLsimpleBuffer out;
    out = "some longer text that was in the buffer before";
    size_t count = COLmultiByteToWide(c.text, out);
    EXPECT_EQ(count, c.units.size() - 1) << c.why;
    EXPECT_EQ(out.size(), 2 * count + 2) << c.why;
    EXPECT_EQ(units(out), c.units) << c.why;
  }
}

TEST(COLmultiByteToWide, ANullTextLeavesTheBufferAlone) {
  COLsimpleBuffer out;
  out = "xyz";
  EXPECT_EQ(COLmultiByteToWide(nullptr, out), 0u);
  EXPECT_EQ(std::string(out.data(), out.size()), std::string("xyz\0", 4));
}

}  // namespace
