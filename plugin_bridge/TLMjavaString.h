// TLMjavaString: text between the plug-in library's UTF-8 and Java's UTF-16 strings, by
// our own strict converters between UTF-8, UTF-16 and UTF-32 (never JNI's modified UTF-8).
// Bad input keeps what came before it, gains one U+FFFD and loses the rest.
#pragma once

#include "COL/COLstring.h"

#include <jni.h>

#include <cstdint>

typedef uint8_t TLMutf8;
typedef uint16_t TLMutf16;
typedef uint32_t TLMutf32;

enum TLMconversionResult {
  conversionDone = 0,
  sourceExhausted = 1,  // the input ends inside a sequence
  targetExhausted = 2,  // the output area is full
  sourceIllegal = 3,    // an ill-formed sequence, or a value that no Unicode text holds
};

// Strict: a lone or misplaced surrogate, and a value above U+10FFFF, stop the conversion
// as sourceIllegal. Lenient: each such value becomes U+FFFD and the conversion goes on.
// Ill-formed UTF-8 stops the conversion in both modes.
enum TLMconversionMode { strictConversion = 0, lenientConversion = 1 };

// Each converter advances both cursors over what it converted. When it stops early the
// input cursor is at the start of the sequence that stopped it and the output cursor
// after the last unit written.
TLMconversionResult utf8ToUtf16(const TLMutf8** SourceStart, const TLMutf8* SourceEnd, TLMutf16** TargetStart,
                                TLMutf16* TargetEnd, TLMconversionMode Mode);
TLMconversionResult utf16ToUtf8(const TLMutf16** SourceStart, const TLMutf16* SourceEnd, TLMutf8** TargetStart,
                                TLMutf8* TargetEnd, TLMconversionMode Mode);
TLMconversionResult utf32ToUtf16(const TLMutf32** SourceStart, const TLMutf32* SourceEnd, TLMutf16** TargetStart,
                                 TLMutf16* TargetEnd, TLMconversionMode Mode);
TLMconversionResult utf16ToUtf32(const TLMutf16** SourceStart, const TLMutf16* SourceEnd, TLMutf32** TargetStart,
                                 TLMutf32* TargetEnd, TLMconversionMode Mode);
TLMconversionResult utf32ToUtf8(const TLMutf32** SourceStart, const TLMutf32* SourceEnd, TLMutf8** TargetStart,
                                TLMutf8* TargetEnd, TLMconversionMode Mode);
TLMconversionResult utf8ToUtf32(const TLMutf8** SourceStart, const TLMutf8* SourceEnd, TLMutf32** TargetStart,
                                TLMutf32* TargetEnd, TLMconversionMode Mode);

// Whether Length bytes (1 to 4) form one well-formed sequence: no overlong form, no
// encoded surrogate, nothing above U+10FFFF. The lead byte's own count is not checked.
bool utf8SequenceIsLegal(const TLMutf8* Source, int Length);
// The same for the sequence the lead byte announces, false when it runs past SourceEnd.
bool utf8LeadSequenceIsLegal(const TLMutf8* Source, const TLMutf8* SourceEnd);

// A new Java String from a NUL-terminated UTF-8 text (a null text reads as empty).
jstring TLMjavaStringFromUtf8(JNIEnv* pEnv, const char* Text);
// The UTF-8 of a Java String (not null). A string too long for the room a COLstring can
// hold (more than 536870911 units), or whose characters the JVM cannot lend, raises a
// COLerror.
COLstring TLMjavaStringToUtf8(JNIEnv* pEnv, jstring String);
