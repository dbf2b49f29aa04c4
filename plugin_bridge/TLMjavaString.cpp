// TLMjavaString: the converters and the two conversions of Java strings.
//
// Every converter is one loop over a reader of the source form and a writer of the target
// form. A UTF-8 sequence is decoded the classic way: its lead byte says how many trailing
// bytes follow, the bytes are summed with a six-bit shift between them, and the marker
// bits that this sum picked up are taken off in one subtraction. Runs of ASCII are copied
// eight bytes (four UTF-16 units) at a time between the two forms the bridge uses.
#include "plugin_bridge/TLMjavaString.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLsimpleBuffer.h"
#include "JNI/JNIscopedStringChars.h"

#include <climits>
#include <cstring>

namespace {

const TLMutf32 Replacement = 0xFFFD;
const TLMutf32 HighestCodePoint = 0x10FFFF;
const TLMutf32 HighSurrogateFirst = 0xD800, HighSurrogateLast = 0xDBFF;
const TLMutf32 LowSurrogateFirst = 0xDC00, LowSurrogateLast = 0xDFFF;

// The trailing bytes a lead byte announces; 0x80 to 0xBF, which lead nothing, count 0,
// and 0xF8 to 0xFF announce the five- and six-byte forms that no legal text has.
struct TrailingCountTable {
  unsigned char count[256];
  constexpr TrailingCountTable() : count() {
    for (int Byte = 0; Byte < 256; ++Byte)
      count[Byte] = Byte < 0xC0 ? 0 : Byte < 0xE0 ? 1 : Byte < 0xF0 ? 2 : Byte < 0xF8 ? 3 : Byte < 0xFC ? 4 : 5;
  }
};
constexpr TrailingCountTable TrailingCount;

// The lead byte's marker of a sequence of each length (index: bytes in the sequence).
constexpr TLMutf8 FirstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

// What the shifted sum of a sequence with this many trailing bytes holds beyond the code
// point: the lead's marker and each trailing byte's 0x80, in 32 bits.
constexpr TLMutf32 markerSum(int Trailing) {
  TLMutf32 Sum = 0;
  for (int Index = 0; Index <= Trailing; ++Index) {
    Sum <<= 6;
    Sum += Index == 0 ? FirstByteMark[Trailing + 1] : 0x80;
  }
  return Sum;
}
constexpr TLMutf32 OffsetsFromUtf8[6] = {markerSum(0), markerSum(1), markerSum(2),
                                         markerSum(3), markerSum(4), markerSum(5)};
static_assert(OffsetsFromUtf8[1] == 0x3080 && OffsetsFromUtf8[3] == 0x3C82080, "marker sums");

inline bool isContinuation(TLMutf8 Byte) { return (Byte & 0xC0) == 0x80; }

inline bool sequenceIsLegal(const TLMutf8* Source, int Length) {
  if (Length < 1 || Length > 4) return false;
  const TLMutf8 Lead = Source[0];
  switch (Length) {
    case 4:
      if (!isContinuation(Source[3])) return false;
      [[fallthrough]];
    case 3:
      if (!isContinuation(Source[2])) return false;
      [[fallthrough]];
    case 2: {
      // The second byte's narrower ranges exclude the overlong three- and four-byte
      // forms, the encoded surrogates and everything above U+10FFFF.
      const TLMutf8 Second = Source[1];
      if (!isContinuation(Second)) return false;
      switch (Lead) {
        case 0xE0: if (Second < 0xA0) return false; break;
        case 0xED: if (Second > 0x9F) return false; break;
        case 0xF0: if (Second < 0x90) return false; break;
        case 0xF4: if (Second > 0x8F) return false; break;
        default: break;
      }
    }
      [[fallthrough]];
    case 1:
      // 0x80 to 0xBF lead nothing, 0xC0 and 0xC1 only overlong forms, 0xF5 and above
      // lie beyond U+10FFFF.
      return Lead < 0x80 || (Lead >= 0xC2 && Lead <= 0xF4);
    default:
      return false;
  }
}

// Readers: one code point from the source, the cursor moved past it; on a result other
// than conversionDone the cursor has not moved.
struct Utf8Reader {
  typedef TLMutf8 Unit;
  static TLMconversionResult read(const TLMutf8*& Source, const TLMutf8* SourceEnd, TLMconversionMode,
                                  TLMutf32& CodePoint) {
    const int Trailing = TrailingCount.count[*Source];
    if (Trailing >= SourceEnd - Source) return sourceExhausted;
    // The legality rule leaves no surrogate and nothing above U+10FFFF, so neither mode
    // has anything more to judge.
    if (!sequenceIsLegal(Source, Trailing + 1)) return sourceIllegal;
    TLMutf32 Sum = 0;
    switch (Trailing) {
      case 3: Sum += *Source++; Sum <<= 6; [[fallthrough]];
      case 2: Sum += *Source++; Sum <<= 6; [[fallthrough]];
      case 1: Sum += *Source++; Sum <<= 6; [[fallthrough]];
      default: Sum += *Source++;
    }
    CodePoint = Sum - OffsetsFromUtf8[Trailing];
    return conversionDone;
  }
};

struct Utf16Reader {
  typedef TLMutf16 Unit;
  static TLMconversionResult read(const TLMutf16*& Source, const TLMutf16* SourceEnd, TLMconversionMode Mode,
                                  TLMutf32& CodePoint) {
    TLMutf32 First = Source[0];
    if (First >= HighSurrogateFirst && First <= HighSurrogateLast) {
      // A high surrogate at the very end may yet be completed by more input.
      if (SourceEnd - Source < 2) return sourceExhausted;
      const TLMutf32 Second = Source[1];
      if (Second >= LowSurrogateFirst && Second <= LowSurrogateLast) {
        CodePoint = ((First - HighSurrogateFirst) << 10) + (Second - LowSurrogateFirst) + 0x10000;
        Source += 2;
        return conversionDone;
      }
      if (Mode == strictConversion) return sourceIllegal;
      First = Replacement;
    } else if (First >= LowSurrogateFirst && First <= LowSurrogateLast) {
      if (Mode == strictConversion) return sourceIllegal;
      First = Replacement;
    }
    CodePoint = First;
    ++Source;
    return conversionDone;
  }
};

struct Utf32Reader {
  typedef TLMutf32 Unit;
  static TLMconversionResult read(const TLMutf32*& Source, const TLMutf32*, TLMconversionMode Mode,
                                  TLMutf32& CodePoint) {
    TLMutf32 Value = *Source;
    if (Value > HighestCodePoint || (Value >= HighSurrogateFirst && Value <= LowSurrogateLast)) {
      if (Mode == strictConversion) return sourceIllegal;
      Value = Replacement;
    }
    CodePoint = Value;
    ++Source;
    return conversionDone;
  }
};

// Writers: one code point (never a surrogate, never above U+10FFFF) to the target, false
// when it does not fit.
struct Utf8Writer {
  typedef TLMutf8 Unit;
  static bool write(TLMutf8*& Target, TLMutf8* TargetEnd, TLMutf32 CodePoint) {
    const int Bytes = CodePoint < 0x80 ? 1 : CodePoint < 0x800 ? 2 : CodePoint < 0x10000 ? 3 : 4;
    if (TargetEnd - Target < Bytes) return false;
    // From the last byte back: six bits each, then the lead with its marker.
    switch (Bytes) {
      case 4: Target[3] = static_cast<TLMutf8>((CodePoint & 0x3F) | 0x80); CodePoint >>= 6; [[fallthrough]];
      case 3: Target[2] = static_cast<TLMutf8>((CodePoint & 0x3F) | 0x80); CodePoint >>= 6; [[fallthrough]];
      case 2: Target[1] = static_cast<TLMutf8>((CodePoint & 0x3F) | 0x80); CodePoint >>= 6; [[fallthrough]];
      default: Target[0] = static_cast<TLMutf8>(CodePoint | FirstByteMark[Bytes]);
    }
    Target += Bytes;
    return true;
  }
};

struct Utf16Writer {
  typedef TLMutf16 Unit;
  static bool write(TLMutf16*& Target, TLMutf16* TargetEnd, TLMutf32 CodePoint) {
    if (CodePoint < 0x10000) {
      if (Target >= TargetEnd) return false;
      *Target++ = static_cast<TLMutf16>(CodePoint);
      return true;
    }
    if (TargetEnd - Target < 2) return false;
    CodePoint -= 0x10000;
    *Target++ = static_cast<TLMutf16>(HighSurrogateFirst + (CodePoint >> 10));
    *Target++ = static_cast<TLMutf16>(LowSurrogateFirst + (CodePoint & 0x3FF));
    return true;
  }
};

struct Utf32Writer {
  typedef TLMutf32 Unit;
  static bool write(TLMutf32*& Target, TLMutf32* TargetEnd, TLMutf32 CodePoint) {
    if (Target >= TargetEnd) return false;
    *Target++ = CodePoint;
    return true;
  }
};

// Copies the ASCII run at the cursors in blocks; the forms without a fast path copy none.
template <class S, class T>
inline void copyAsciiRun(const S*&, const S*, T*&, T*) {}

inline void copyAsciiRun(const TLMutf8*& Source, const TLMutf8* SourceEnd, TLMutf16*& Target, TLMutf16* TargetEnd) {
  while (SourceEnd - Source >= 8 && TargetEnd - Target >= 8) {
    uint64_t Block;
    memcpy(&Block, Source, sizeof Block);
    if ((Block & 0x8080808080808080ull) != 0) return;
    for (int Index = 0; Index < 8; ++Index) Target[Index] = Source[Index];
    Source += 8;
    Target += 8;
  }
}

inline void copyAsciiRun(const TLMutf16*& Source, const TLMutf16* SourceEnd, TLMutf8*& Target, TLMutf8* TargetEnd) {
  while (SourceEnd - Source >= 4 && TargetEnd - Target >= 4) {
    uint64_t Block;
    memcpy(&Block, Source, sizeof Block);
    if ((Block & 0xFF80FF80FF80FF80ull) != 0) return;
    for (int Index = 0; Index < 4; ++Index) Target[Index] = static_cast<TLMutf8>(Source[Index]);
    Source += 4;
    Target += 4;
  }
}

template <class Reader, class Writer>
TLMconversionResult convert(const typename Reader::Unit** SourceStart, const typename Reader::Unit* SourceEnd,
                            typename Writer::Unit** TargetStart, typename Writer::Unit* TargetEnd,
                            TLMconversionMode Mode) {
  const typename Reader::Unit* Source = *SourceStart;
  typename Writer::Unit* Target = *TargetStart;
  TLMconversionResult Result = conversionDone;
  while (Source < SourceEnd) {
    if (*Source < 0x80) {
      // An ASCII unit is its own code point in every form and every mode.
      copyAsciiRun(Source, SourceEnd, Target, TargetEnd);
      if (Source == SourceEnd) break;
      if (*Source < 0x80) {
        if (Target >= TargetEnd) {
          Result = targetExhausted;
          break;
        }
        *Target++ = static_cast<typename Writer::Unit>(*Source++);
        continue;
      }
    }
    const typename Reader::Unit* SequenceStart = Source;
    TLMutf32 CodePoint = 0;
    Result = Reader::read(Source, SourceEnd, Mode, CodePoint);
    if (Result != conversionDone) break;
    if (!Writer::write(Target, TargetEnd, CodePoint)) {
      Source = SequenceStart;
      Result = targetExhausted;
      break;
    }
  }
  *SourceStart = Source;
  *TargetStart = Target;
  return Result;
}

const char* const SourceName = "TLMjavaString";

// The most units whose room (four bytes a unit and the terminating zero) a COLstring's
// int capacity can hold.
const jsize MostUnitsToUtf8 = 536870911;

static_assert(sizeof(jchar) == sizeof(TLMutf16), "Java characters are UTF-16 units");

}  // namespace

bool utf8SequenceIsLegal(const TLMutf8* Source, int Length) { return sequenceIsLegal(Source, Length); }

bool utf8LeadSequenceIsLegal(const TLMutf8* Source, const TLMutf8* SourceEnd) {
  const int Length = TrailingCount.count[*Source] + 1;
  if (Length > SourceEnd - Source) return false;
  return sequenceIsLegal(Source, Length);
}

TLMconversionResult utf8ToUtf16(const TLMutf8** SourceStart, const TLMutf8* SourceEnd, TLMutf16** TargetStart,
                                TLMutf16* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf8Reader, Utf16Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

TLMconversionResult utf16ToUtf8(const TLMutf16** SourceStart, const TLMutf16* SourceEnd, TLMutf8** TargetStart,
                                TLMutf8* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf16Reader, Utf8Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

TLMconversionResult utf32ToUtf16(const TLMutf32** SourceStart, const TLMutf32* SourceEnd, TLMutf16** TargetStart,
                                 TLMutf16* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf32Reader, Utf16Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

TLMconversionResult utf16ToUtf32(const TLMutf16** SourceStart, const TLMutf16* SourceEnd, TLMutf32** TargetStart,
                                 TLMutf32* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf16Reader, Utf32Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

TLMconversionResult utf32ToUtf8(const TLMutf32** SourceStart, const TLMutf32* SourceEnd, TLMutf8** TargetStart,
                                TLMutf8* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf32Reader, Utf8Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

TLMconversionResult utf8ToUtf32(const TLMutf8** SourceStart, const TLMutf8* SourceEnd, TLMutf32** TargetStart,
                                TLMutf32* TargetEnd, TLMconversionMode Mode) {
  return convert<Utf8Reader, Utf32Writer>(SourceStart, SourceEnd, TargetStart, TargetEnd, Mode);
}

jstring TLMjavaStringFromUtf8(JNIEnv* pEnv, const char* Text) {
  if (Text == nullptr) Text = "";
  const size_t Utf8Size = strlen(Text);
  if (Utf8Size > static_cast<size_t>(INT_MAX)) {
    COLstring Message;
    COLostream Stream(Message);
    Stream << "A text of " << static_cast<unsigned long long>(Utf8Size) << " bytes is too long for a Java string.";
    throw COLerror(Message, COL_ERROR_CONVERSION);
  }
  // One unit per byte holds any valid text (no sequence makes more units than it has
  // bytes), and also the U+FFFD after a bad one, which left at least a byte unconverted.
  COLsimpleBuffer Buffer(static_cast<unsigned>(Utf8Size * 2));
  const TLMutf8* pUtf8Start = reinterpret_cast<const TLMutf8*>(Text);
  TLMutf16* const pUtf16Begin = reinterpret_cast<TLMutf16*>(Buffer.data());
  TLMutf16* pUtf16Start = pUtf16Begin;
  TLMutf16* const pUtf16End = pUtf16Begin + Utf8Size;
  const TLMconversionResult Result =
      utf8ToUtf16(&pUtf8Start, pUtf8Start + Utf8Size, &pUtf16Start, pUtf16End, strictConversion);
  if (Result != conversionDone) {
    COL_ASSERT(Result != targetExhausted, 59, SourceName);
    COL_ASSERT(Result == sourceExhausted || Result == sourceIllegal, 60, SourceName);
    COL_ASSERT(pUtf16Start < pUtf16End, 63, SourceName);
    *pUtf16Start++ = static_cast<TLMutf16>(Replacement);
  }
  const size_t Utf16Size = static_cast<size_t>(pUtf16Start - pUtf16Begin) * sizeof(TLMutf16);
  COL_ASSERT(Utf16Size % 2 == 0, 72, SourceName);
  // An empty buffer has no block; the JVM still wants an address.
  static const jchar NoUnits[1] = {0};
  const jchar* Units = Utf16Size == 0 ? NoUnits : reinterpret_cast<const jchar*>(pUtf16Begin);
  return pEnv->NewString(Units, static_cast<jsize>(Utf16Size / 2));
}

COLstring TLMjavaStringToUtf8(JNIEnv* pEnv, jstring String) {
  COLstring Utf8;
  const jsize Length = pEnv->GetStringLength(String);
  if (Length <= 0) return Utf8;
  if (Length > MostUnitsToUtf8) {
    COLstring Message;
    COLostream Stream(Message);
    Stream << "A Java string of " << Length << " characters is too long to convert to UTF-8.";
    throw COLerror(Message, COL_ERROR_CONVERSION);
  }
  Utf8.reserve(Length * 4 + 1);
  // The holder gives the characters back, once, however this function ends.
  JNIscopedStringChars Chars(pEnv, String);
  Chars.pChars = pEnv->GetStringChars(String, nullptr);
  if (Chars.pChars == nullptr) {
    // The JVM has an OutOfMemoryError pending: no further call may ask it again.
    throw COLerror("Unable to get the characters of a Java string to convert to UTF-8.", COL_ERROR_CONVERSION);
  }
  const TLMutf16* pUtf16Start = reinterpret_cast<const TLMutf16*>(Chars.pChars);
  TLMutf8* const pUtf8Begin = reinterpret_cast<TLMutf8*>(Utf8.data());
  TLMutf8* pUtf8Start = pUtf8Begin;
  // One byte before the end of the capacity: the terminating zero's place.
  TLMutf8* const pUtf8End = pUtf8Begin + Utf8.capacity() - 1;
  const TLMconversionResult Result =
      utf16ToUtf8(&pUtf16Start, pUtf16Start + Length, &pUtf8Start, pUtf8End, strictConversion);
  if (Result != conversionDone) {
    COL_ASSERT(Result != targetExhausted, 106, SourceName);
    COL_ASSERT(Result == sourceExhausted || Result == sourceIllegal, 107, SourceName);
    COL_ASSERT(pUtf8Start + 3 < pUtf8End, 110, SourceName);
    *pUtf8Start++ = 0xEF;
    *pUtf8Start++ = 0xBF;
    *pUtf8Start++ = 0xBD;
  }
  Utf8.resize(static_cast<int>(pUtf8Start - pUtf8Begin));
  return Utf8;
}
