// The repair of texts for the JVM: modified UTF-8 passes byte for byte, a character beyond
// U+FFFF in four bytes becomes its surrogate pair, everything else becomes one U+FFFD per
// invalid sequence and never reaches NewStringUTF as it was.
#include "hl7_bridge/VRNmodifiedUtf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

TEST(VRNmodifiedUtf8, PassesValidTextAndReplacesEachInvalidSequence) {
  struct Row {
    const char* why;
    std::string in;
    std::string out;
  };
  const Row rows[] = {
      {"empty", "", ""},
      {"ASCII", "MSH|^~\\&", "MSH|^~\\&"},
      {"two and three bytes", "\xC3\xA9\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},
      {"U+0000 as JNI writes it", "a\xC0\x80" "b", "a\xC0\x80" "b"},
      {"a surrogate pair, three bytes each", "\xED\xA0\xBD\xED\xB8\x80", "\xED\xA0\xBD\xED\xB8\x80"},
      {"a lone surrogate, as a Java string may hold it", "\xED\xB8\x80x", "\xED\xB8\x80x"},
      {"Latin-1 bytes", "caf\xE9 na\xEFve", "caf" + R + " na" + R + "ve"},
      {"U+1F600 in four bytes becomes its pair", "caf\xC3\xA9-\xF0\x9F\x98\x80!",
       "caf\xC3\xA9-\xED\xA0\xBD\xED\xB8\x80!"},
      {"U+10000, the first of four bytes", "\xF0\x90\x80\x80", "\xED\xA0\x80\xED\xB0\x80"},
      {"U+10FFFF, the last", "\xF4\x8F\xBF\xBF", "\xED\xAF\xBF\xED\xBF\xBF"},
      {"overlong four bytes (U+FFFF)", "\xF0\x8F\xBF\xBF", R},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80" "a\xF7\xBF\xBF\xBF", R + "a" + R},
      {"four bytes cut short", "\xF0\x9F\x98!", R + "!"},
      {"overlong slash", "\xC0\xAF", R},
      {"overlong three bytes", "\xE0\x80\xAF", R},
      {"stray continuation bytes", "\x80\xBF", R + R},
      {"cut short before ASCII", "\xE2\x82" "A", R + "A"},
      {"cut short at the end", "x\xC3", "x" + R},
      {"bytes that never lead", "\xF8\xFF", R + R},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.out, std::string(VRNmodifiedUtf8(row.in.c_str()).c_str())) << row.why;
    EXPECT_EQ(row.in == row.out, VRNisModifiedUtf8(row.in.c_str())) << row.why;
  }
  EXPECT_EQ(std::string(), std::string(VRNmodifiedUtf8(nullptr).c_str()));
}

}  // namespace
