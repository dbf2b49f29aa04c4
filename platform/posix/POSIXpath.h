// Paths between the two forms the layer knows: the Windows form that code above the door
// uses (drive Z: is the POSIX root, both slashes separate) and the POSIX path it names.
// Internal to the layer (not included by the door): the file, directory and process
// functions share this one reading of a path, so they all fail alike for a path that
// cannot name anything here.
#pragma once

#include "platform/PLATwindows.h"

#include <string>

// Reads a Windows-form path as Win32 does and gives the POSIX path it names. "." and ".."
// are resolved on the text, as Win32 resolves them before the file system sees the path
// (so Z:\missing\..\tmp is /tmp), and doubled separators collapse; ".." never climbs above
// the root. A relative path stays relative to the current directory, which is always on
// Z: (Z:name is relative too); a trailing separator is kept, so that a file named with one
// fails as on Windows. Returns ERROR_SUCCESS or the error Windows gives for a path that
// names nothing here: ERROR_PATH_NOT_FOUND for the empty path and for any drive but Z:
// (as for a drive that does not exist), ERROR_BAD_NETPATH for a network (\\server) or
// device (\\?\, \\.\) path, ERROR_INVALID_NAME for a character Windows refuses in a name
// (* ? < > | " : and the control characters).
DWORD POSIXpathFromWindows(const char* path, std::string& posix);

// The Windows form of a POSIX path: an absolute path gets the drive Z:, and every "/"
// becomes a backslash. The root is Z:\ .
std::string POSIXpathToWindows(const std::string& posix);

// The errno that the Windows C runtime sets for a path POSIXpathFromWindows refused.
int POSIXerrnoFromPathError(DWORD error);

// The Windows error of a POSIX call on the path that failed with errno error: as
// POSIXerrorFromErrno, except that a missing name gives ERROR_PATH_NOT_FOUND when the
// directory that should hold it is missing too, and ERROR_FILE_NOT_FOUND otherwise.
DWORD POSIXerrorForPath(int error, const std::string& posix);

// The errno that the Windows C runtime reports where a POSIX call failed with error: a
// name below a file (ENOTDIR) or too long is not found, a directory where a file is
// wanted (EISDIR) and the permission and read-only errors are access denied.
int POSIXcrtErrno(int error);

// Win32's rule for handing a text to a caller's buffer of size characters: when it fits
// with its NUL, it is copied and its length returned; otherwise the buffer is untouched
// and the size it needs, NUL included, is returned.
DWORD POSIXcopyOut(const std::string& text, char* buffer, DWORD size);
