// Skelwin's text: the directories it compares and writes are 8-bit text in the process's
// ANSI code page, which the program's manifest makes UTF-8 where Windows honours it. Here
// are the comparison of two PATH items, and the checks that a run makes before it answers
// or writes: that the text it holds is the text stored or given, not one that the code
// page turned into something else on the way in.
#pragma once

#include "COL/COLstring.h"

// An item's byte-wise comparison form: A to Z lowered and every other byte kept, the byte
// after a lead byte too, so that the second byte of a double-byte character is never taken
// for a letter. The predicate says which bytes lead a double-byte character.
typedef bool (*SKELleadBytePredicate)(unsigned char Byte);
bool SKELisLeadByte(unsigned char Byte);  // of the process's code page
COLstring SKELcomparisonForm(const COLstring& Item, SKELleadBytePredicate IsLeadByte = SKELisLeadByte);

// Two items name the same directory when Windows' ordinal comparison that ignores case
// (CompareStringOrdinal) finds their texts equal: every script's letters match their other
// case, while ß and SS, İ and i, ı and I, or a composed letter and its decomposed form stay
// apart. An item that is no valid text of the code page (bytes that a Linux name may hold)
// is compared by its comparison form above.
bool SKELsameItem(const COLstring& Left, const COLstring& Right, SKELleadBytePredicate IsLeadByte = SKELisLeadByte);

// What becomes of a text that the system keeps in UTF-16 when the program reads it in
// its code page: it comes through exactly, or it does not, either because it is no
// well-formed UTF-16 (a surrogate without its other half, which no code page holds and
// which comes back as U+FFFD) or because the code page lacks one of its characters (which
// comes back as "?" or as the look-alike that Windows' best fit chose, Omega for an Ω).
enum SKELtextFate { SKELheldExactly, SKELnotWellFormed, SKELbeyondCodePage };
// The command line after the program's own name; the running executable's directory as
// the code page gave it (FILexecutableDirectory), which is held exactly when it reads back
// as the directory of the executable's path in UTF-16, the text before its last backslash
// (the program's file name does not matter); and a string value of the registry (read
// through REGregistry's wide call; a value that is missing or of another kind holds
// nothing that could be lost).
SKELtextFate SKELargumentsFate();
SKELtextFate SKELexecutableDirectoryFate(const COLstring& Directory);
SKELtextFate SKELregistryValueFate(void* RootKey, const char* KeyPath, const char* ValueName);
