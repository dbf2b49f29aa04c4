// The Skelwin program: shows the machine's and the current user's PATH, or adds one
// directory to or removes it from exactly one of the two registry values, keeping the
// value's type, and tells running programs that the environment changed. Skelwin.cpp's
// main only calls runSkelwin, so that tests can reach every piece of it.
#pragma once

#include "COL/COLstring.h"
#include "LEG/LEGvector.h"

// The whole run: banner, command line, both PATH values, one action. Returns the exit
// code, 0 or 1; errors end up on standard error, everything else on standard output.
int runSkelwin(int argc, char** argv);

// The text of the named value of the machine (System) or user scope: "" when the value
// is missing or not a string value.
COLstring getSystemEnvironmentValue(const COLstring& Name);
COLstring getUserEnvironmentValue(const COLstring& Name);

// Write the named value with the type it already has (REG_SZ or REG_EXPAND_SZ; any other
// type, or no value at all, is a failed precondition), then tell running programs. The
// result is the notice's.
int setSystemEnvironmentValue(const COLstring& Name, const COLstring& Value);
int setUserEnvironmentValue(const COLstring& Name, const COLstring& Value);

// Path lists: items separated by ";". Every item counts when splitting, empty ones too;
// items are equal when they name the same directory to Windows, case ignored in every
// script (SKELsameItem); a rebuilt list joins the non-empty items only.
void splitPathList(LEGvector<COLstring>& Pieces, const COLstring& Text, const COLstring& Separator);
bool pathListContains(const COLstring& List, const COLstring& Item);
COLstring pathListAdd(const COLstring& List, const COLstring& Item);
COLstring pathListRemove(const COLstring& List, const COLstring& Item);
void printPathItems(const COLstring& Label, const COLstring& List);
