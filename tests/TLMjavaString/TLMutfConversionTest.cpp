// The converters between UTF-8, UTF-16 and UTF-32: the legality rule against the
// canonical encodings (exhaustive up to three bytes, boundary bytes for four), every
// scalar value through every direction, and the stops: where each cursor stands and what
// was written when input is bad, truncated or the output is full.
#include "plugin_bridge/TLMjavaString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

typedef std::vector<TLMutf8> Bytes;
typedef std::vector<TLMutf16> Units;
typedef std::vector<TLMutf32> Points;

// The test's own encoder of a scalar value, written from the definition of the forms.
Bytes utf8Of(TLMutf32 C) {
  if (C < 0x80) return {TLMutf8(C)};
  if (C < 0x800) return {TLMutf8(0xC0 | (C >> 6)), TLMutf8(0x80 | (C & 0x3F))};
  if (C < 0x10000) return {TLMutf8(0xE0 | (C >> 12)), TLMutf8(0x80 | ((C >> 6) & 0x3F)), TLMutf8(0x80 | (C & 0x3F))};
  return {TLMutf8(0xF0 | (C >> 18)), TLMutf8(0x80 | ((C >> 12) & 0x3F)), TLMutf8(0x80 | ((C >> 6) & 0x3F)),
          TLMutf8(0x80 | (C & 0x3F))};
}
Units utf16Of(TLMutf32 C) {
  if (C < 0x10000) return {TLMutf16(C)};
  return {TLMutf16(0xD800 + ((C - 0x10000) >> 10)), TLMutf16(0xDC00 + ((C - 0x10000) & 0x3FF))};
}
bool isScalar(TLMutf32 C) { return C <= 0x10FFFF && (C < 0xD800 || C > 0xDFFF); }

// Legal exactly when the bytes are the canonical encoding of the value their payload
// bits spell: the definition, not the range table.
bool canonical(const Bytes& B) {
  const size_t N = B.size();
  static const TLMutf8 LeadMask[5] = {0, 0x80, 0xE0, 0xF0, 0xF8};
  static const TLMutf8 LeadMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
  if (N < 1 || N > 4 || (B[0] & LeadMask[N]) != LeadMark[N]) return false;
  TLMutf32 C = B[0] & (0x7F >> (N == 1 ? 0 : N));
  for (size_t I = 1; I < N; ++I) {
    if ((B[I] & 0xC0) != 0x80) return false;
    C = (C << 6) | (B[I] & 0x3F);
  }
  return isScalar(C) && utf8Of(C) == B;
}

std::string hex(const Bytes& B) {
  std::string Text;
  char Part[4];
  for (TLMutf8 Byte : B) {
    snprintf(Part, sizeof Part, "%02X ", Byte);
    Text += Part;
  }
  return Text;
}

// The length a lead byte announces by the definition; 0 for bytes that lead nothing.
size_t announced(TLMutf8 Lead) {
  return Lead < 0x80 ? 1 : Lead < 0xC0 ? 0 : Lead < 0xE0 ? 2 : Lead < 0xF0 ? 3 : Lead < 0xF8 ? 4 : 0;
}

// The rule judges a sequence of the length its lead announces (other lengths are never
// asked for); a byte that leads nothing is illegal at any length.
void expectLegality(const Bytes& B) {
  const size_t Length = announced(B[0]);
  if (Length != 0 && Length != B.size()) return;
  const bool Want = canonical(B);
  ASSERT_EQ(utf8SequenceIsLegal(B.data(), static_cast<int>(B.size())), Want) << hex(B);
  ASSERT_EQ(utf8LeadSequenceIsLegal(B.data(), B.data() + B.size()), Want) << hex(B);
}

TEST(TLMutfConversion, LegalityIsExactlyTheCanonicalEncoding) {
  for (unsigned A = 0; A < 256; ++A) {
    expectLegality({TLMutf8(A)});
    for (unsigned B = 0; B < 256; ++B) {
      expectLegality({TLMutf8(A), TLMutf8(B)});
      if (announced(TLMutf8(A)) == 3 || announced(TLMutf8(A)) == 0)
        for (unsigned C = 0; C < 256; ++C) expectLegality({TLMutf8(A), TLMutf8(B), TLMutf8(C)});
    }
  }
  // Four bytes: every lead, and around every boundary of the trailing bytes.
  const TLMutf8 Edges[] = {0x00, 0x7F, 0x80, 0x81, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
  for (unsigned A = 0xF0; A < 256; ++A)
    for (TLMutf8 B : Edges)
      for (TLMutf8 C : Edges)
        for (TLMutf8 D : Edges) expectLegality({TLMutf8(A), B, C, D});
}

TEST(TLMutfConversion, TheNamedIllegalFormsAreRefused) {
  struct Row {
    const char* why;
    Bytes bytes;
  } Rows[] = {
      {"a continuation byte alone", {0x80}},
      {"overlong NUL", {0xC0, 0x80}},
      {"overlong two-byte form", {0xC1, 0xBF}},
      {"overlong three-byte form", {0xE0, 0x9F, 0xBF}},
      {"overlong four-byte form", {0xF0, 0x8F, 0xBF, 0xBF}},
      {"first encoded surrogate", {0xED, 0xA0, 0x80}},
      {"last encoded surrogate", {0xED, 0xBF, 0xBF}},
      {"U+110000", {0xF4, 0x90, 0x80, 0x80}},
      {"a lead above F4", {0xF5, 0x80, 0x80, 0x80}},
      {"five-byte form", {0xF8, 0x88, 0x80, 0x80, 0x80}},
      {"six-byte form", {0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}},
      {"no bytes", {}},
  };
  for (const Row& R : Rows) {
    EXPECT_FALSE(utf8SequenceIsLegal(R.bytes.data(), static_cast<int>(R.bytes.size()))) << R.why;
    if (!R.bytes.empty()) {
      EXPECT_FALSE(utf8LeadSequenceIsLegal(R.bytes.data(), R.bytes.data() + R.bytes.size())) << R.why;
    }
  }
  // A sequence that runs past the end.
  const Bytes Cut = {0xE2, 0x82};
  EXPECT_FALSE(utf8LeadSequenceIsLegal(Cut.data(), Cut.data() + Cut.size()));
  const Bytes Whole = {0xE2, 0x82, 0xAC};
  EXPECT_TRUE(utf8LeadSequenceIsLegal(Whole.data(), Whole.data() + Whole.size()));
}

// Runs one converter over the whole input into a target of Room units.
template <class S, class T>
struct Run {
  TLMconversionResult result;
  size_t read;
  std::vector<T> written;
};
template <class S, class T>
Run<S, T> run(TLMconversionResult (*Convert)(const S**, const S*, T**, T*, TLMconversionMode), const std::vector<S>& In,
              size_t Room, TLMconversionMode Mode = strictConversion) {
  std::vector<T> Out(Room + 1, T(0x5A));  // one guard unit past the room
  const S* Source = In.data();
  T* Target = Out.data();
  Run<S, T> R;
  R.result = Convert(&Source, In.data() + In.size(), &Target, Out.data() + Room, Mode);
  R.read = static_cast<size_t>(Source - In.data());
  R.written.assign(Out.data(), Target);
  EXPECT_EQ(Out[Room], T(0x5A)) << "written past the room";
  return R;
}

TEST(TLMutfConversion, EveryScalarValueSurvivesEveryDirection) {
  Points All;
  Bytes Utf8;
  Units Utf16;
  for (TLMutf32 C = 0; C <= 0x10FFFF; ++C) {
    if (!isScalar(C)) continue;
    All.push_back(C);
    const Bytes B = utf8Of(C);
    Utf8.insert(Utf8.end(), B.begin(), B.end());
    const Units U = utf16Of(C);
    Utf16.insert(Utf16.end(), U.begin(), U.end());
  }
  struct Check {
    const char* direction;
    bool same;
    TLMconversionResult result;
  };
  auto R1 = run(utf8ToUtf16, Utf8, Utf16.size());
  auto R2 = run(utf16ToUtf8, Utf16, Utf8.size());
  auto R3 = run(utf8ToUtf32, Utf8, All.size());
  auto R4 = run(utf32ToUtf8, All, Utf8.size());
  auto R5 = run(utf16ToUtf32, Utf16, All.size());
  auto R6 = run(utf32ToUtf16, All, Utf16.size());
  for (const Check& C : {Check{"8 to 16", R1.written == Utf16, R1.result}, Check{"16 to 8", R2.written == Utf8, R2.result},
                         Check{"8 to 32", R3.written == All, R3.result}, Check{"32 to 8", R4.written == Utf8, R4.result},
                         Check{"16 to 32", R5.written == All, R5.result},
                         Check{"32 to 16", R6.written == Utf16, R6.result}}) {
    EXPECT_TRUE(C.same) << C.direction;
    EXPECT_EQ(C.result, conversionDone) << C.direction;
  }
}

TEST(TLMutfConversion, Utf8ToUtf16StopsAtTheBadSequenceWithTheCursorsThere) {
  struct Row {
    const char* why;
    Bytes in;
    size_t room;
    TLMconversionResult result;
    size_t read;
    Units out;
  } Rows[] = {
      {"empty", {}, 0, conversionDone, 0, {}},
      {"A, e acute, an emoji", {0x41, 0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80}, 7, conversionDone, 7,
       {0x41, 0xE9, 0xD83D, 0xDE00}},
      {"FF after ab, too close to the end for its five bytes", {'a', 'b', 0xFF, 'c', 'd'}, 5, sourceExhausted, 2,
       {'a', 'b'}},
      {"FF after ab with bytes enough", {'a', 'b', 0xFF, 'c', 'd', 'e', 'f', 'g'}, 8, sourceIllegal, 2, {'a', 'b'}},
      {"ends inside a sequence", {'x', 0xE2, 0x82}, 3, sourceExhausted, 1, {'x'}},
      {"encoded surrogate", {0xED, 0xA0, 0x80}, 3, sourceIllegal, 0, {}},
      {"overlong NUL", {'a', 0xC0, 0x80}, 3, sourceIllegal, 1, {'a'}},
      {"a lone continuation byte", {'a', 0x80, 'b'}, 3, sourceIllegal, 1, {'a'}},
      {"an ASCII block, then a bad byte inside the next block",
       {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xC3, 'a', 'b', 'c', 'd', 'e'}, 16, sourceIllegal, 10,
       {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
      {"ASCII blocks with a two-byte character between",
       {'0', '1', '2', '3', '4', '5', '6', '7', 0xC3, 0xA9, '0', '1', '2', '3', '4', '5', '6', '7', '8'}, 18,
       conversionDone, 19, {'0', '1', '2', '3', '4', '5', '6', '7', 0xE9, '0', '1', '2', '3', '4', '5', '6', '7', '8'}},
      {"ASCII into too little room", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'}, 9, targetExhausted, 9,
       {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}},
      {"a surrogate pair into one unit of room", {'a', 0xF0, 0x9F, 0x98, 0x80}, 2, targetExhausted, 1, {'a'}},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.why);
    const auto Got = run(utf8ToUtf16, R.in, R.room);
    EXPECT_EQ(Got.result, R.result);
    EXPECT_EQ(Got.read, R.read);
    EXPECT_EQ(Got.written, R.out);
  }
}

TEST(TLMutfConversion, Utf16ToUtf8StopsAtALoneSurrogateWithTheCursorsThere) {
  struct Row {
    const char* why;
    Units in;
    size_t room;
    TLMconversionMode mode;
    TLMconversionResult result;
    size_t read;
    Bytes out;
  } Rows[] = {
      {"empty", {}, 0, strictConversion, conversionDone, 0, {}},
      {"one, two, three and four bytes", {0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00}, 10, strictConversion, conversionDone, 5,
       {0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}},
      {"U+0000 is a zero byte", {'a', 0, 'b'}, 3, strictConversion, conversionDone, 3, {'a', 0, 'b'}},
      {"a high surrogate last", {'a', 0xD83D}, 8, strictConversion, sourceExhausted, 1, {'a'}},
      {"a high surrogate before no low one", {'a', 0xD83D, 'b'}, 8, strictConversion, sourceIllegal, 1, {'a'}},
      {"a lone low surrogate", {'a', 0xDE00, 'b'}, 8, strictConversion, sourceIllegal, 1, {'a'}},
      {"lenient: a lone low surrogate is U+FFFD", {'a', 0xDE00, 'b'}, 8, lenientConversion, conversionDone, 3,
       {'a', 0xEF, 0xBF, 0xBD, 'b'}},
      {"lenient: a high surrogate last still waits for more", {'a', 0xD83D}, 8, lenientConversion, sourceExhausted, 1,
       {'a'}},
      {"ASCII blocks, then a character above 0x7F in the next block",
       {'0', '1', '2', '3', '4', '5', 0x100, '7'}, 16, strictConversion, conversionDone, 8,
       {'0', '1', '2', '3', '4', '5', 0xC4, 0x80, '7'}},
      {"a three-byte character into two bytes of room", {'a', 0x20AC}, 3, strictConversion, targetExhausted, 1, {'a'}},
      {"ASCII into too little room", {'a', 'b', 'c', 'd', 'e', 'f'}, 5, strictConversion, targetExhausted, 5,
       {'a', 'b', 'c', 'd', 'e'}},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.why);
    const auto Got = run(utf16ToUtf8, R.in, R.room, R.mode);
    EXPECT_EQ(Got.result, R.result);
    EXPECT_EQ(Got.read, R.read);
    EXPECT_EQ(Got.written, R.out);
  }
}

TEST(TLMutfConversion, Utf32ValuesNoTextHoldsStopStrictAndBecomeUFFFDLenient) {
  for (TLMutf32 Bad : {TLMutf32(0xD800), TLMutf32(0xDFFF), TLMutf32(0x110000), TLMutf32(0xFFFFFFFF)}) {
    SCOPED_TRACE(Bad);
    const Points In = {'a', Bad, 'b'};
    const auto Strict8 = run(utf32ToUtf8, In, 8);
    EXPECT_EQ(Strict8.result, sourceIllegal);
    EXPECT_EQ(Strict8.read, 1u);
    EXPECT_EQ(Strict8.written, (Bytes{'a'}));
    const auto Strict16 = run(utf32ToUtf16, In, 8);
    EXPECT_EQ(Strict16.result, sourceIllegal);
    EXPECT_EQ(Strict16.read, 1u);
    EXPECT_EQ(run(utf32ToUtf8, In, 8, lenientConversion).written, (Bytes{'a', 0xEF, 0xBF, 0xBD, 'b'}));
    EXPECT_EQ(run(utf32ToUtf16, In, 8, lenientConversion).written, (Units{'a', 0xFFFD, 'b'}));
  }
  EXPECT_EQ(run(utf16ToUtf32, Units{'a', 0xDC00}, 8).result, sourceIllegal);
  EXPECT_EQ(run(utf16ToUtf32, Units{'a', 0xDC00}, 8, lenientConversion).written, (Points{'a', 0xFFFD}));
  EXPECT_EQ(run(utf8ToUtf32, Bytes{'a', 0xED, 0xA0, 0x80}, 8, lenientConversion).result, sourceIllegal);
}

}  // namespace
