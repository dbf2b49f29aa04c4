// Small text utilities of the class library: splitting a text into pieces, expanding
// ${NAME} references from the environment, matching a text against a list of wildcard
// patterns, and COLsleep. White space here is the space and tab to carriage return; bytes
// from 0x80 up never are.
#pragma once

#include "COL/COLstring.h"
#include "COL/COLvector.h"

// Appends to out the pieces of text between occurrences of Separator, which must not be
// empty: a text without it is one piece, and a leading, trailing or doubled separator
// gives an empty piece. An empty text appends nothing. out is not cleared first.
void COLsplit(COLvector<COLstring>& out, const COLstring& text, const COLstring& Separator);

// Appends the words of text to out; with keepWhitespace, also each run of white space as
// a piece of its own, so that the pieces joined give back the text. Returns the number of
// pieces appended; out is not cleared first.
int COLsplitWords(COLvector<COLstring>& out, const COLstring& text, bool keepWhitespace);

// text with every ${NAME} whose closing brace follows replaced by NAME's environment
// value (nothing when NAME is not set); any other text is copied unchanged.
COLstring COLexpandEnvironment(const COLstring& text);

// patterns is a white-space separated list of patterns, each covering the whole text:
// '*' any run of bytes, '?' exactly one byte, any other byte itself. A pattern that
// starts with '-' excludes. The last pattern that matches decides: true when it includes;
// false when it excludes or when none matches.
bool COLmatchPatternList(const char* patterns, const char* text);

// Suspends the calling thread for that many milliseconds; a negative time does not wait.
void COLsleep(int milliseconds);
