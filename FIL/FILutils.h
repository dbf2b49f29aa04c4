// The file library's free functions. These tell directories: the current one, the running
// executable's and a loaded module's, and the Windows system and Windows directories; and
// the four separator functions that the rest of the library builds paths with. Paths are
// COLstring values of ANSI text with the backslash as separator; every directory returned
// ends in a backslash, except that of FILexecutableDirectory. A failed Windows call raises
// the COLerror of COLraiseWindowsError with GetLastError as its code.
#pragma once

#include "COL/COLstring.h"

// The process's current working directory.
COLstring FILcurrentDirectory();
// The directory of the loaded module of that name; a name of no loaded module (or "") gives
// the running executable's directory.
COLstring FILmoduleDirectory(const COLstring& ModuleName);
// The directory of the running executable, without a trailing backslash (C: alone for a
// program in the root of drive C:).
void FILexecutableDirectory(COLstring& Directory);
// The full path of the running executable.
void FILexecutablePath(COLstring& Path);
void FILsystemDirectory(COLstring& Directory);
void FILwindowsDirectory(COLstring& Directory);

// Only the backslash counts as a separator here; a "/" is an ordinary character.
// Appends a backslash when the text is empty or does not end in one.
void FILaddTrailingSlash(COLstring& Path);
// Drops a final backslash of a text of at least two characters ("\" stays).
void FILremoveTrailingSlash(COLstring& Path);
// Drops a first backslash.
void FILremoveLeadingSlash(COLstring& Path);
// Turns every "/" into a backslash.
void FILconvertSlashes(COLstring& Path);

// Tests and creation of directories. A failed runtime call raises a COLerror whose text is
// the action with the path, one blank, the runtime's text for errno and "."; its code is
// errno and it has no source position.
// True when the path names something (_access with mode 0).
bool FILexists(const COLstring& Path);
// True when the path names a directory; C: and C:\ both ask about the root of C:. A path
// that names nothing raises the Windows error.
bool FILisDirectory(const COLstring& Path);
// Creates one directory; Mode has no effect (the system's default security applies).
// Returns 0; every failure raises.
int FILmakeDirectory(const COLstring& Path, int Mode);
// Creates every missing directory of the path, its last part included; a relative path
// is taken from the current directory. What it created stays when it fails part-way. A
// directory that another process creates at the same moment is no failure.
void FILmakeDirectories(const COLstring& Path, int Mode);

