// Where the file library's source units find the backslashes that separate a path: on the
// characters of the process's code page, never inside one. In a double-byte code page
// (932, 936, 950) the second byte of a character may be 0x5C, the backslash's own byte
// (ソ is 83 5C in code page 932, 表 is 95 5C), and a path cut there names another file.
// UTF-8, our layer's code page and the one under Skelwin's manifest, never has 0x5C
// inside a character, so there every 0x5C is a backslash.
#pragma once

#include "platform/PLATwindows.h"

// The first backslash from Text up to End that is a character of its own, or End. Text
// must be where a character starts.
inline const char* FILfindSeparator(const char* Text, const char* End) {
  while (Text < End) {
    if (*Text == '\\') return Text;
    Text += IsDBCSLeadByte(static_cast<BYTE>(*Text)) && Text + 1 < End ? 2 : 1;
  }
  return End;
}

inline char* FILfindSeparator(char* Text, char* End) {
  return const_cast<char*>(FILfindSeparator(static_cast<const char*>(Text), End));
}

// The last backslash of the text that is a character of its own, or End.
inline const char* FILfindLastSeparator(const char* Text, const char* End) {
  const char* Last = End;
  for (const char* Found = FILfindSeparator(Text, End); Found < End; Found = FILfindSeparator(Found + 1, End))
    Last = Found;
  return Last;
}

// Whether the text's last character is a backslash. Only a final byte 0x5C needs the walk
// from the start that tells a backslash from the second byte of a character.
inline bool FILendsInSeparator(const char* Text, int Length) {
  return Length > 0 && Text[Length - 1] == '\\' && FILfindLastSeparator(Text, Text + Length) == Text + Length - 1;
}
