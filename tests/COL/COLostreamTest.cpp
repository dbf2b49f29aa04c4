// COLostream: inserters, manipulators, sinks and their ownership.
#include "COL/COLostream.h"

#include "COL/COLsink.h"
#include "tests/support/TESTsupport.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct InserterCase {
  const char* why;
  std::function<void(COLostream&)> insert;
  std::string bytes;
};

TEST(COLostream, EachInserterIsOneWrite) {
  const COLstring withNul("a\0b", 3);
  const InserterCase cases[] = {
      {"char", [](COLostream& s) { s << 'x'; }, "x"},
      {"unsigned char", [](COLostream& s) { s << static_cast<unsigned char>(0xE9); }, "\xE9"},
      {"text", [](COLostream& s) { s << "text"; }, "text"},
      {"string with an embedded NUL", [&](COLostream& s) { s << withNul; }, std::string("a\0b", 3)},
      {"span", [](COLostream& s) { s << COLspan("spanned", 4); }, "span"},
      {"int", [](COLostream& s) { s << -42; }, "-42"},
      {"int minimum", [](COLostream& s) { s << INT_MIN; }, "-2147483648"},
      {"int -1 in hex", [](COLostream& s) { s << hex << -1; }, "FFFFFFFF"},
      {"int 255 in hex", [](COLostream& s) { s << hex << 255; }, "FF"},
      {"unsigned", [](COLostream& s) { s << 4000000000u; }, "4000000000"},
      {"unsigned in hex", [](COLostream& s) { s << hex << 0xABCu; }, "ABC"},
      {"short", [](COLostream& s) { s << static_cast<short>(-7); }, "-7"},
      {"short -1 in hex", [](COLostream& s) { s << hex << static_cast<short>(-1); }, "FFFF"},
      {"unsigned short 65535 in hex", [](COLostream& s) { s << hex << static_cast<unsigned short>(65535); }, "FFFF"},
      {"unsigned short", [](COLostream& s) { s << static_cast<unsigned short>(65535); }, "65535"},
      {"long long", [](COLostream& s) { s << LLONG_MIN; }, "-9223372036854775808"},
      {"long long -1 in hex", [](COLostream& s) { s << hex << -1LL; }, "FFFFFFFFFFFFFFFF"},
      {"unsigned long long", [](COLostream& s) { s << ULLONG_MAX; }, "18446744073709551615"},
      {"long", [](COLostream& s) { s << -5L; }, "-5"},
      {"unsigned long", [](COLostream& s) { s << 5ul; }, "5"},
      {"size_t", [](COLostream& s) { s << sizeof(int); }, "4"},
      {"double", [](COLostream& s) { s << 1.5; }, "1.500000"},
      {"double ignores the base", [](COLostream& s) { s << hex << 1.5; }, "1.500000"},
      {"float", [](COLostream& s) { s << 0.25f; }, "0.250000"},
      {"pointer", [](COLostream& s) { s << reinterpret_cast<const void*>(0x1a2b); }, "0x1a2b"},
      {"pointer ignores the base", [](COLostream& s) { s << dec << reinterpret_cast<const void*>(0xABCDEF); }, "0xabcdef"},
      {"null pointer", [](COLostream& s) { s << static_cast<const void*>(nullptr); }, "0x0"},
      {"true", [](COLostream& s) { s << true; }, "True"},
      {"false", [](COLostream& s) { s << false; }, "False"},
      {"write", [](COLostream& s) { s.write("ab\0cd", 5); }, std::string("ab\0cd", 5)},
  };
  for (const InserterCase& c : cases) {
    TESTrecordingSink sink;
    COLostream stream(&sink);
    c.insert(stream);
    EXPECT_EQ(sink.writes, std::vector<std::string>{c.bytes}) << c.why;
  }
}

// Every integer inserter, in decimal, in hexadecimal and in a base that is neither (which
// writes hexadecimal), against the runtime's printf with the inserter's own directive, over
// the limits of each width, every power of ten and of sixteen and their neighbours. Values
// outside a type's range arrive wrapped to its width, which adds cases rather than
// repeating them.
std::vector<unsigned long long> integerSweep() {
  std::vector<unsigned long long> values = {0, 1, ~0ull, 9, 10, 15, 16, 99, 100, 255, 256};
  const unsigned long long limits[] = {INT_MAX, static_cast<unsigned long long>(INT_MIN), UINT_MAX, SHRT_MAX,
                                       static_cast<unsigned long long>(SHRT_MIN), USHRT_MAX, LLONG_MAX,
                                       static_cast<unsigned long long>(LLONG_MIN), ULLONG_MAX};
  for (unsigned long long limit : limits) {
    values.push_back(limit);
    values.push_back(limit - 1);
    values.push_back(limit + 1);
  }
  for (unsigned long long power = 1;; power *= 10) {
    for (unsigned long long v : {power, power - 1, power + 1}) {
      values.push_back(v);
      values.push_back(0 - v);
    }
    if (power > ULLONG_MAX / 10) break;
  }
  for (int shift = 4; shift < 64; shift += 4) {
    values.push_back(1ull << shift);
    values.push_back((1ull << shift) - 1);
  }
  return values;
}

template <class T>
void expectPrintfBytes(const char* decimal, const char* hexadecimal) {
  for (unsigned long long bits : integerSweep()) {
    const T value = static_cast<T>(bits);
    for (int base : {10, 16, 8}) {
      char expected[64];
      snprintf(expected, sizeof expected, base == 10 ? decimal : hexadecimal, value);
      TESTrecordingSink sink;
      COLostream stream(&sink);
      stream.set_base(base);
      stream << value;
      EXPECT_EQ(sink.writes, std::vector<std::string>{expected}) << decimal << " base " << base << " of " << bits;
    }
  }
}

TEST(COLostream, IntegersAreWrittenAsPrintfWritesThem) {
  expectPrintfBytes<int>("%i", "%X");
  expectPrintfBytes<unsigned int>("%u", "%X");
  expectPrintfBytes<short>("%hi", "%hX");
  expectPrintfBytes<unsigned short>("%hu", "%hX");
  expectPrintfBytes<long>("%li", "%lX");
  expectPrintfBytes<unsigned long>("%lu", "%lX");
  expectPrintfBytes<long long>("%lli", "%llX");
  expectPrintfBytes<unsigned long long>("%llu", "%llX");
}

// Into a string sink's string, numbers go straight behind the text when the room is there
// and through the sink's write when it is not: on both sides of that edge, inline and on
// the heap, the text is printf's and the capacity the one an append of the same digits
// leaves.
TEST(COLostream, IntegersIntoAStringAreThoseOfPrintfAtEveryFill) {
  struct Start {
    int reserved;
    int fills;
  };
  for (const Start start : {Start{0, 15}, Start{40, 40}}) {
    for (int fill = 0; fill <= start.fills; ++fill) {
      for (unsigned long long bits : {0ull, 9ull, 10ull, 0xFFull, 0x100ull, ~0ull, 1ull << 63, 1234567890123ull}) {
        for (int base : {10, 16}) {
          auto startString = [&] {
            COLstring s;
            if (start.reserved != 0) s.reserve(start.reserved);
            s.append(fill, 'f');
            return s;
          };
          const long long value = static_cast<long long>(bits);
          char digits[64];
          snprintf(digits, sizeof digits, base == 10 ? "%lli" : "%llX", value);
          COLstring expected = startString();
          expected.append(digits, static_cast<int>(strlen(digits)));

          COLstring target = startString();
          {
            COLostream stream(target);
            stream.set_base(base);
            stream << value;
          }
          const std::string why = std::to_string(fill) + " bytes before " + digits;
          EXPECT_EQ(TESTtext(target), TESTtext(expected)) << why;
          EXPECT_EQ(target.capacity(), expected.capacity()) << why;
          EXPECT_EQ(target.c_str()[target.size()], '\0') << why;
        }
      }
    }
  }
}

// Only a string sink itself is written through its string: a sink derived from it keeps
// its own write, and replacing the sink takes the new one's road.
class CountingStringSink : public COLsinkString {
public:
  explicit CountingStringSink(COLstring& target) : COLsinkString(target) {}
  unsigned write(const void* data, unsigned length) override {
    ++writes;
    return COLsinkString::write(data, length);
  }
  int writes = 0;
};

TEST(COLostream, ASinkDerivedFromTheStringSinkKeepsItsWrite) {
  COLstring first, second, third;
  CountingStringSink counting(first);
  COLostream stream(&counting);
  stream << 5 << hex << 255 << "x";
  EXPECT_EQ(counting.writes, 3);
  EXPECT_EQ(TESTtext(first), "5FFx");

  stream.set_sink(new COLsinkString(second), true);
  stream << 7;
  EXPECT_EQ(TESTtext(second), "7");
  TESTrecordingSink recording;
  stream.set_sink(&recording, false);
  stream << 8;
  EXPECT_EQ(recording.writes, std::vector<std::string>{"8"});
  EXPECT_EQ(TESTtext(second), "7");
  CountingStringSink again(third);
  stream.set_sink(&again, false);
  stream << 9;
  EXPECT_EQ(again.writes, 1);
  EXPECT_EQ(TESTtext(third), "9");
  EXPECT_EQ(TESTtext(first), "5FFx");
}

TEST(COLostream, PointersAreWrittenInLowerCaseHexadecimal) {
  for (unsigned long long bits : integerSweep()) {
    const uintptr_t address = static_cast<uintptr_t>(bits);
    char expected[64];
    snprintf(expected, sizeof expected, "0x%llx", static_cast<unsigned long long>(address));
    TESTrecordingSink sink;
    COLostream stream(&sink);
    stream << reinterpret_cast<const void*>(address);
    EXPECT_EQ(sink.writes, std::vector<std::string>{expected}) << bits;
  }
}

TEST(COLostream, NullTextWritesNothing) {
  TESTrecordingSink sink;
  COLostream stream(&sink);
  stream << static_cast<const char*>(nullptr);
  EXPECT_EQ(sink.text(), "");
}

TEST(COLostream, HexStaysUntilDec) {
  TESTrecordingSink sink;
  COLostream stream(&sink);
  stream << hex << 10 << " " << 11 << dec << " " << 12;
  EXPECT_EQ(sink.text(), "A B 12");
  EXPECT_TRUE(stream.is_decimal());
  stream.set_base(16);
  EXPECT_EQ(stream.base(), 16);
  EXPECT_FALSE(stream.is_decimal());
}

struct LineCase {
  const char* why;
  std::function<void(COLostream&)> write;
  std::string bytes;
};

TEST(COLostream, NewlineWritesTheLinePrefix) {
  const LineCase cases[] = {
      {"fresh stream", [](COLostream& s) { s << "a" << newline << "b"; }, "a\r\nb"},
      {"two indents", [](COLostream& s) { s << indent << indent << "a" << newline << "b"; }, "a\r\n      b"},
      {"outdent at 0 stays at 0", [](COLostream& s) { s << outdent << newline; }, "\r\n"},
      {"outdent after indent", [](COLostream& s) { s << indent << indent << outdent << newline; }, "\r\n   "},
      {"reset", [](COLostream& s) { s << indent << indent << reset << newline; }, "\r\n"},
      {"line feed newline keeps the indentation",
       [](COLostream& s) { s.set_newline("\n"); s << indent << newline; }, "\n   "},
      {"null newline text", [](COLostream& s) { s.set_newline(nullptr); s << indent << newline; }, "   "},
      {"indent unit", [](COLostream& s) { s.set_indent_unit("\t"); s.set_indent_level(3); s << newline; }, "\r\n\t\t\t"},
      {"indent unit through its manipulator",
       [](COLostream& s) {
         COLostreamManip1<COLstring>* unit = with_indent_unit("..");
         unit->apply(s);
         delete unit;
         s << indent << newline;
       },
       "\r\n.."},
  };
  for (const LineCase& c : cases) {
    TESTrecordingSink sink;
    COLostream stream(&sink);
    c.write(stream);
    EXPECT_EQ(sink.text(), c.bytes) << c.why;
  }
}

TEST(COLostream, AccessorsReportTheState) {
  TESTrecordingSink sink;
  COLostream stream(&sink);
  EXPECT_STREQ(stream.newline_text(), "\r\n");
  EXPECT_EQ(TESTtext(stream.indent_unit()), "   ");
  EXPECT_EQ(stream.indent_level(), 0u);
  stream.indent();
  stream.indent();
  EXPECT_EQ(stream.indent_level(), 2u);
  stream.reset_indent();
  EXPECT_EQ(stream.indent_level(), 0u);
  EXPECT_EQ(stream.newline(), 2u);
  stream << flush << flush;
  EXPECT_EQ(sink.flushes, 2);
  EXPECT_EQ(stream.sink(), &sink);
  EXPECT_FALSE(stream.owns_sink());
}

class DestructionSink : public COLsink {
public:
  explicit DestructionSink(int* destroyed) : m_Destroyed(destroyed) {}
  ~DestructionSink() override { ++*m_Destroyed; }
  unsigned write(const void*, unsigned length) override { return length; }

private:
  int* m_Destroyed;
};

TEST(COLostream, DeletesOnlyTheSinksItOwns) {
  int destroyed = 0;
  DestructionSink borrowed(&destroyed);
  {
    COLostream stream(new DestructionSink(&destroyed), true);
    EXPECT_TRUE(stream.owns_sink());
    stream.set_sink(&borrowed, false);
    EXPECT_EQ(destroyed, 1);
    stream.set_sink(new DestructionSink(&destroyed), true);
    EXPECT_EQ(destroyed, 1);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(COLostream, SettingTheSinkItOwnsAgainKeepsIt) {
  int destroyed = 0;
  COLstring text;
  {
    DestructionSink* sink = new DestructionSink(&destroyed);
    COLostream stream(sink, true);
    EXPECT_EQ(stream.set_sink(sink, true), sink);
    EXPECT_EQ(destroyed, 0) << "deleted and then kept";
    EXPECT_EQ(stream.sink(), sink);
    EXPECT_TRUE(stream.owns_sink());
    stream << "still";
  }
  EXPECT_EQ(destroyed, 1) << "deleted once, at the end";
}

TEST(COLostream, ANullSinkIsRefusedAndTheOldOneKept) {
  TESTrecordingSink sink;
  COLostream stream(&sink);
  EXPECT_EQ(TEST_ERROR_OF(stream.set_sink(nullptr, true)),
            (TESTerrorFields{"Failed precondition: pSink != NULL", static_cast<int>(0x80000100),
                             200, "COLostream"}));
  stream << "still";
  EXPECT_EQ(sink.text(), "still");
}

TEST(COLostream, StreamsOnStringsAppend) {
  COLstring target("abc");
  {
    COLostream stream(target);
    stream << "def" << 1;
  }
  EXPECT_EQ(TESTtext(target), "abcdef1");

  COLstring* owned = new COLstring("x");
  { COLostream stream(owned, true); stream << "y"; }  // deletes the string with its sink

  COLstring kept("k");
  { COLostream stream(&kept, false); stream << "l"; }
  EXPECT_EQ(TESTtext(kept), "kl");

  COLostreamString text;
  text << "n=" << 3;
  EXPECT_STREQ(text.c_str(), "n=3");
  EXPECT_EQ(TESTtext(text.string()), "n=3");
}

TEST(COLsinkString, OwnershipFollowsTheConstructor) {
  COLstring borrowed;
  COLsinkString onReference(borrowed);
  onReference.write("ab", 2);
  EXPECT_EQ(TESTtext(borrowed), "ab");
  EXPECT_EQ(onReference.string(), &borrowed);

  COLsinkString fresh;
  EXPECT_EQ(fresh.write("cd", 2), 2u);
  EXPECT_EQ(TESTtext(*fresh.string()), "cd");

  COLsinkString notOwned(&borrowed, false);
  notOwned.write("e", 1);
  EXPECT_EQ(TESTtext(borrowed), "abe");
}

TEST(COLsinkString, AWriteTooLongForAStringIsRefusedNotReportedAsTaken) {
  const char data[] = "xyz";
  for (unsigned length : {0x80000000u, 0xFFFFFFFFu}) {
    COLstring target("abc");
    COLsinkString sink(target);
    EXPECT_EQ(TEST_ERROR_OF(sink.write(data, length)).code, COL_ERROR_PRECONDITION) << length;
    COLostream stream(&sink);
    EXPECT_EQ(TEST_ERROR_OF(stream.write(data, length)).code, COL_ERROR_PRECONDITION) << length;
    EXPECT_EQ(TESTtext(target), "abc") << length;
  }
}

TEST(COLsinkFileHandle, WritesToItsStreamAndLeavesItOpen) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  {
    COLsinkFileHandle sink(file);
    EXPECT_EQ(sink.write("hello", 5), 5u);
    EXPECT_EQ(sink.write(nullptr, 0), 0u);
    sink.flush();
  }
  rewind(file);
  char buffer[16] = {};
  EXPECT_EQ(fread(buffer, 1, sizeof buffer, file), 5u);
  EXPECT_STREQ(buffer, "hello");
  fclose(file);
}

TEST(COLsinkFileHandle, BinaryModeReturnsThePreviousMode) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  COLsinkFileHandle sink(file);
  int first = sink.set_binary_mode(true);
  EXPECT_TRUE(first == 0x4000 || first == 0x8000) << first;
  EXPECT_EQ(sink.set_binary_mode(false), 0x8000);
  EXPECT_EQ(COLsetBinaryMode(file, false), 0x4000);
  fclose(file);
}

// An ordinary global of another unit: the standard streams must already stand when it is made.
struct EarlyUser {
  bool sawStreams;
  EarlyUser()
      : sawStreams(COLstandardError.sink() != nullptr && COLstandardOutput.sink() != nullptr &&
                   COLstandardOutput2.sink() != nullptr) {}
} TheEarlyUser;

TEST(COLstandardStreams, WriteToTheRuntimesStandardStreams) {
  EXPECT_TRUE(TheEarlyUser.sawStreams);
  auto* err = dynamic_cast<COLsinkStandardErr*>(COLstandardError.sink());
  auto* out = dynamic_cast<COLsinkStandardOut*>(COLstandardOutput.sink());
  auto* out2 = dynamic_cast<COLsinkStandardOut*>(COLstandardOutput2.sink());
  ASSERT_NE(err, nullptr);
  ASSERT_NE(out, nullptr);
  ASSERT_NE(out2, nullptr);
  EXPECT_EQ(err->file(), stderr);
  EXPECT_EQ(out->file(), stdout);
  EXPECT_EQ(out2->file(), stdout);
  EXPECT_TRUE(COLstandardError.owns_sink() && COLstandardOutput.owns_sink() && COLstandardOutput2.owns_sink());
}

}  // namespace
