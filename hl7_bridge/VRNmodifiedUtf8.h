// Texts that go to the JVM as modified UTF-8 (NewStringUTF, ThrowNew) must be exactly
// that: the JVM's behaviour for other bytes is undefined, and a library text can hold any
// bytes (an HL7 message in Latin-1 puts them in an error's description). Valid modified
// UTF-8 passes unchanged, a character beyond U+FFFF in standard UTF-8's four bytes becomes
// its surrogate pair, and each invalid sequence becomes U+FFFD.
#pragma once

#include "COL/COLstring.h"

// True when the NUL-terminated text is modified UTF-8 as JNI reads it: one to three byte
// sequences of their shortest form (U+0000 as C0 80, surrogates as three bytes each).
bool VRNisModifiedUtf8(const char* text);

// The text as modified UTF-8: each valid four-byte sequence (U+10000..U+10FFFF) written as
// its surrogate pair (two three-byte sequences), each invalid sequence replaced by U+FFFD
// (EF BF BD); a null text gives "".
COLstring VRNmodifiedUtf8(const char* text);
