// The free functions of the file library: directories and separators, tests and creation
// of directories, and the functions that act on files and directories by name.
#include "FIL/FILutils.h"

#include "COL/COLerror.h"
#include "FIL/FILerrno.h"
#include "FIL/FILfilePath.h"
#include "platform/PLATwindows.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

const char* const Source = "FILutils";

// Beyond this a module path is no path (Windows' longest is 32767 characters).
const int LongestModulePath = 1 << 20;

// The whole path of a module, asked for with a buffer of firstSize characters and then
// larger ones: GetModuleFileNameA cuts a path that does not fit and answers the buffer's
// size, and a directory taken from a cut path would be the wrong one.
COLstring modulePath(HMODULE Module, int firstSize, const char* failure, int line) {
  COLstring path;
  for (int size = firstSize;; size *= 2) {
    path.assign(size, '\0');
    DWORD length = GetModuleFileNameA(Module, path.data(), static_cast<DWORD>(size));
    if (length == 0) COLraiseWindowsError(COLlastError(), failure, line, Source);
    if (length < static_cast<DWORD>(size)) {
      path.resize(static_cast<int>(length));
      return path;
    }
    if (size >= LongestModulePath)
      COLraiseWindowsError(ERROR_INSUFFICIENT_BUFFER, failure, line, Source);
  }
}

// The text before the last backslash at positions 1 to the end; "" when there is none.
COLstring directoryOf(const COLstring& path) {
  for (int i = path.size(); i >= 1; --i)
    if (path.c_str()[i] == '\\') return COLstring(path.c_str(), i);
  return COLstring();
}

// Fills the string from a call that answers the length it wrote, or the size it needs
// (NUL included) when the buffer is too small, growing the buffer until the text fits.
template <class Call>
void fillDirectory(COLstring& Directory, int firstSize, Call call, const char* failure, int line) {
  Directory.assign(firstSize, '\0');
  UINT length = call(Directory.data(), static_cast<UINT>(Directory.size()));
  while (length > static_cast<UINT>(Directory.size())) {
    Directory.assign(static_cast<int>(length), '\0');
    length = call(Directory.data(), static_cast<UINT>(Directory.size()));
  }
  if (length == 0) COLraiseWindowsError(COLlastError(), failure, line, Source);
  Directory.resize(static_cast<int>(length));
  FILaddTrailingSlash(Directory);
}

}  // namespace

COLstring FILcurrentDirectory() {
  char buffer[MAX_PATH];
  COLstring directory;
  if (_getcwd(buffer, MAX_PATH) != nullptr) {
    directory = buffer;
  } else {
    // Linux allows current directories longer than MAX_PATH; ask for one of any length.
    char* whole = _getcwd(nullptr, 0);
    if (whole == nullptr)
      throw COLerror("Unable to get the current working directory", COL_ERROR_PRECONDITION);
    directory = whole;
    free(whole);
  }
  FILaddTrailingSlash(directory);
  return directory;
}

COLstring FILmoduleDirectory(const COLstring& ModuleName) {
  HMODULE module = GetModuleHandleA(ModuleName.c_str());
  COLstring directory = directoryOf(modulePath(module, MAX_PATH, "GetModuleFileName failed", 222));
  FILaddTrailingSlash(directory);
  return directory;
}

void FILexecutableDirectory(COLstring& Directory) {
  Directory = directoryOf(
      modulePath(GetModuleHandleA(nullptr), MAX_PATH, "GetModuleFileName failed.", 586));
}

void FILexecutablePath(COLstring& Path) {
  Path.assign(256, '\0');
  HMODULE module = GetModuleHandleA(nullptr);
  if (module == nullptr)
    COLraiseWindowsError(COLlastError(), "GetModuleHandle failed.", 615, Source);
  Path = modulePath(module, 256, "GetModuleFileName failed.", 620);
}

void FILsystemDirectory(COLstring& Directory) {
  fillDirectory(Directory, MAX_PATH, GetSystemDirectoryA, "GetSystemDirectory failed.", 637);
}

void FILwindowsDirectory(COLstring& Directory) {
  fillDirectory(Directory, 0, GetWindowsDirectoryA, "GetWindowsDirectory failed.", 655);
}

void FILaddTrailingSlash(COLstring& Path) {
  if (Path.size() == 0 || Path.c_str()[Path.size() - 1] != '\\') Path.append(1, '\\');
}

void FILremoveTrailingSlash(COLstring& Path) {
  if (Path.size() >= 2 && Path.c_str()[Path.size() - 1] == '\\') Path.resize(Path.size() - 1);
}

void FILremoveLeadingSlash(COLstring& Path) {
  if (Path.size() > 0 && Path.c_str()[0] == '\\') Path.erase_front(1);
}

void FILconvertSlashes(COLstring& Path) {
  char* text = Path.data();
  for (int i = 0; i < Path.size(); ++i)
    if (text[i] == '/') text[i] = '\\';
}

bool FILexists(const COLstring& Path) { return _access(Path.c_str(), 0) == 0; }

bool FILisDirectory(const COLstring& Path) {
  COLstring asked(Path);
  FILconvertSlashes(asked);
  FILremoveTrailingSlash(asked);
  // A drive alone would ask about the drive's current directory, not its root.
  if (asked.size() == 2 && isalpha(static_cast<unsigned char>(asked[0])) && asked[1] == ':')
    asked.append(1, '\\');
  DWORD attributes = GetFileAttributesA(asked.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    COLstring text = "Failed to resolve if '" + Path + "' is a directory. ";
    COLraiseWindowsError(COLlastError(), text.c_str(), -1, nullptr);
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int FILmakeDirectory(const COLstring& Path, int /*Mode*/) {
  if (_mkdir(Path.c_str()) != 0)
    FILraiseErrno("Attempt to make new directory '" + Path + "' failed.", errno);
  return 0;
}

void FILmakeDirectories(const COLstring& Path, int Mode) {
  // With a backslash behind it the last part of the path counts as a directory too.
  COLstring text(Path);
  FILaddTrailingSlash(text);
  FILfilePath parsed;
  parsed.setPath(text.c_str());
  COLstring prefix(parsed.root());
  FILaddTrailingSlash(prefix);
  for (unsigned i = 0; i < parsed.directoryCount(); ++i) {
    prefix.append(parsed.directory(i));
    if (FILexists(prefix)) {
      if (!FILisDirectory(prefix))
        throw COLerror("Error creating directory for '" + Path + "', '" + prefix +
                           " is a file, not a directory.",
                       COL_ERROR_PRECONDITION);
      FILaddTrailingSlash(prefix);
      continue;
    }
    FILaddTrailingSlash(prefix);
    try {
      FILmakeDirectory(prefix, Mode);
    } catch (const COLerror&) {
      // Someone else may have made it since it was found missing.
      if (!FILexists(prefix) || !FILisDirectory(prefix)) throw;
    }
  }
}

