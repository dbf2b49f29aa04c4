// Skelwin's text: the directories it compares and writes are 8-bit text in the process's
// ANSI code page, which the program's manifest makes UTF-8 where Windows honours it. Here
// are the comparison form of a PATH item, and the checks that a run makes before it writes
// on a system whose code page is not UTF-8: that the text it would write is the text
// stored or given, not a look-alike the code page put in its place.
#pragma once

#include "COL/COLstring.h"

// An item's comparison form: A to Z lowered and every other byte kept, the byte after a
// lead byte too, so that the second byte of a double-byte character is never taken for
// a letter. The predicate says which bytes lead a double-byte character.
typedef bool (*SKELleadBytePredicate)(unsigned char Byte);
bool SKELisLeadByte(unsigned char Byte);  // of the process's code page
COLstring SKELcomparisonForm(const COLstring& Item, SKELleadBytePredicate IsLeadByte = SKELisLeadByte);

// True when the process's code page is UTF-8, which holds every character.
bool SKELcodePageHoldsEverything();
// Each of these reads its text with the wide call and answers whether the code page holds
// it exactly: the command line after the program's own name, the full path of the running
// executable, and a string value of the registry (a value that is missing or of another
// kind holds nothing that could be lost).
bool SKELargumentsHeldExactly();
bool SKELexecutablePathHeldExactly();
bool SKELregistryValueHeldExactly(void* RootKey, const char* KeyPath, const char* ValueName);
