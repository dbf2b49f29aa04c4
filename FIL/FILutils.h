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

// Files and directories by name. Failures raise a COLerror: in the errno form above, or
// for a failed Windows call the Windows error. The functions that return int return 0.
class COLostream;
class FILdirEnumerator;

// The whole file as it is when read; one too large for a COLstring (2 GiB) is refused.
void FILreadFile(const COLstring& FileName, COLstring& Contents);
// Creates or empties the file (and its missing directory) and writes the whole text.
void FILwriteFile(const COLstring& FileName, const COLstring& Contents);
// The last-write time, seconds since 1970-01-01 UTC.
long long FILmodified(const COLstring& Path);
// Raises a COLerror (code COL_ERROR_FILE_NOT_FOUND) when the path names nothing; otherwise
// whether _access allows the mode (0 existence, 2 write, 4 read, 6 both).
bool FILcheckAccess(const COLstring& Path, int Mode);
int FILchangeDirectory(const COLstring& Path);
long long FILfileSize(const COLstring& Path);
// True when the directory holds no entry but "." and "..", or does not exist.
bool FILisDirectoryEmpty(const COLstring& Directory);
// Without Overwrite an existing destination is an error. A destination that is the source
// itself, under whatever name, is left as it is. The copy holds the file in memory.
void FILcopyFile(const COLstring& Source, const COLstring& Destination, bool Overwrite);
// Never replaces an existing destination.
int FILrename(const COLstring& OldPath, const COLstring& NewPath);
// A name for a temporary file that does not exist yet; nothing is created.
COLstring FILtemporaryFileName();
int FILremoveFile(const COLstring& Path);
// Removes an empty directory.
int FILremoveDirectory(const COLstring& Path);
// Cuts or extends (with zeros) the file to that length.
void FILtruncate(const COLstring& Path, unsigned long long Size);
// Expands ${NAME} references, then a leading "~" (alone or before a separator) to the
// UserProfile directory when that variable is set.
COLstring FILexpandHome(const COLstring& Text);
// Remove every entry that the enumerator lists in the directory (whose text ends in a
// backslash), subdirectories with all they hold; the tree forms remove the directory
// itself last. A symbolic link, in the tree or as the directory named, is removed as a
// link: what it points to is never entered. Without a report the first failure ends the
// removal; with one, each entry that cannot be removed is told there ("Failed to delete
// <name> because of <description>", or "Unable to delete <directory> because of ..." for
// a directory itself) and the removal goes on; a failure to list still raises. An empty
// directory text (which would list the root of the current drive) is refused with the
// error of removing it, in both tree forms, and nothing is removed.
void FILremoveDirectoryEntries(const COLstring& Directory, FILdirEnumerator& Entries);
void FILremoveDirectoryEntries(const COLstring& Directory, FILdirEnumerator& Entries, COLostream& Report);
void FILremoveDirectoryTree(const COLstring& Directory);
void FILremoveDirectoryTree(const COLstring& Directory, COLostream& Report);
// The system's directory for temporary files, with a trailing backslash; created when
// missing.
void FILtemporaryDirectory(COLstring& Directory);
// True when the text's first words, joined by their blanks, name an existing file (as
// C:\Program Files\tool.exe does in "C:\Program Files\tool.exe -x").
bool FILcommandPrefixIsFile(const COLstring& CommandLine);
