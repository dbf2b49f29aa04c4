// The free functions of the file library: directories and separators, tests and creation
// of directories, and the functions that act on files and directories by name.
#include "FIL/FILutils.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "COL/COLsplit.h"
#include "FIL/FILbinaryFile.h"
#include "FIL/FILdirEnumerator.h"
#include "FIL/FILerrno.h"
#include "FIL/FILfilePath.h"
#include "FIL/FILseparator.h"
#include "platform/PLATwindows.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// A module's file name with the backslash before it, in the code page, from its path in
// UTF-16, where no backslash is part of another character; "" when it cannot be told.
COLstring separatorAndName(HMODULE Module) {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(Module, &path[0], static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return COLstring();
  path.resize(length);
  const size_t cut = path.rfind(L'\\');
  if (cut == std::wstring::npos) return COLstring();
  const int units = static_cast<int>(path.size() - cut);
  int bytes = WideCharToMultiByte(CP_ACP, 0, path.data() + cut, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return COLstring();
  COLstring name(bytes, '\0');
  if (WideCharToMultiByte(CP_ACP, 0, path.data() + cut, units, name.data(), bytes, nullptr, nullptr) != bytes)
    return COLstring();
  return name;
}

// The directory of a module's path: the text before the backslash that ends it, from
// position 1 on; "" when there is none. The path in the code page cannot always tell
// which backslash that is, since the code page's best fit turns some characters of a
// name into one (U+FF3C in code page 1252, the yen sign in 932): when the path ends in
// the module's name as the code page gives it, the directory is what lies before that.
// Otherwise (natively, a name that is no UTF-8, which the layer's UTF-16 path cannot
// keep, or a path too long for that call) it is the text before the last backslash that
// is a character of its own.
COLstring directoryOf(HMODULE Module, const COLstring& path) {
  const char* text = path.c_str();
  const COLstring name = separatorAndName(Module);
  const int before = path.size() - name.size();
  if (name.size() > 0 && before >= 0 && memcmp(text + before, name.c_str(), static_cast<size_t>(name.size())) == 0)
    return before >= 1 ? COLstring(text, before) : COLstring();
  const char* last = FILfindLastSeparator(text, text + path.size());
  return last > text && last < text + path.size() ? COLstring(text, static_cast<int>(last - text)) : COLstring();
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
  COLstring directory = directoryOf(module, modulePath(module, MAX_PATH, "GetModuleFileName failed", 222));
  FILaddTrailingSlash(directory);
  return directory;
}

void FILexecutableDirectory(COLstring& Directory) {
  HMODULE module = GetModuleHandleA(nullptr);
  Directory = directoryOf(module, modulePath(module, MAX_PATH, "GetModuleFileName failed.", 586));
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
  if (!FILendsInSeparator(Path.c_str(), Path.size())) Path.append(1, '\\');
}

void FILremoveTrailingSlash(COLstring& Path) {
  if (Path.size() >= 2 && FILendsInSeparator(Path.c_str(), Path.size())) Path.resize(Path.size() - 1);
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

namespace {

// The rest of an open file, by the count that the read returned: a file that shrank since
// its size was taken gives what it still holds, without stale bytes behind it.
void readRest(FILbinaryFile& file, COLstring& Contents) {
  unsigned long long size = file.size();
  if (size >= static_cast<unsigned long long>(INT_MAX))
    throw COLerror("File '" + file.fileName() + "' is too large to be read into a string.",
                   COL_ERROR_PRECONDITION);
  Contents.reserve(static_cast<int>(size));
  Contents.resize(static_cast<int>(size));
  unsigned got = file.read(Contents.data(), static_cast<unsigned>(size));
  Contents.resize(static_cast<int>(got));
}

// Whether two open files are one, whatever names they were opened by (case, separators,
// "..", links): Windows tells a file by its volume and its index on the volume.
bool sameFile(const FILbinaryFile& one, const FILbinaryFile& other) {
  BY_HANDLE_FILE_INFORMATION first, second;
  if (!GetFileInformationByHandle(static_cast<HANDLE>(one.osHandle()), &first) ||
      !GetFileInformationByHandle(static_cast<HANDLE>(other.osHandle()), &second))
    return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool isSameFileAs(const FILbinaryFile& source, const COLstring& Destination) {
  if (!FILexists(Destination)) return false;
  try {
    FILbinaryFile destination(Destination, 0);
    return sameFile(source, destination);
  } catch (const COLerror&) {
    // What the source's reader cannot open for reading is not the source.
    return false;
  }
}

// The link's own attributes: a link to a directory is removed as a directory.
bool isDirectoryLink(const COLstring& Path) {
  DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A directory named through a symbolic link (or a junction) is the link, not a tree.
bool isLink(const COLstring& Path) {
  COLstring own(Path);
  FILconvertSlashes(own);
  // Behind a backslash the system would describe what the link points to; a root stays.
  if (own.size() >= 2 && FILendsInSeparator(own.c_str(), own.size()) && own[own.size() - 2] != ':')
    own.resize(own.size() - 1);
  DWORD attributes = GetFileAttributesA(own.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void removeTree(const COLstring& Directory, COLostream* Report);

// Removes one entry that is not entered: a file, or a link, which takes the link only.
void removeEntry(const COLstring& Path, const COLstring& Name, bool AsDirectory, COLostream* Report) {
  try {
    if (AsDirectory)
      FILremoveDirectory(Path);
    else
      FILremoveFile(Path);
  } catch (const COLerror& error) {
    if (Report == nullptr) throw;
    *Report << "Failed to delete " << Name << " because of " << error.description() << newline;
  }
}

// A link to a directory carries the directory attribute too; it is asked about first, so
// that the removal takes the link and never leaves the tree through it.
void removeEntries(const COLstring& Directory, FILdirEnumerator& Entries, COLostream* Report) {
  COLstring name;
  while (Entries.next(name)) {
    COLstring path = Directory + name;
    if (Entries.isReparsePoint())
      removeEntry(path, name, isDirectoryLink(path), Report);
    else if (Entries.isDirectory())
      removeTree(path, Report);
    else
      removeEntry(path, name, false, Report);
  }
}

void removeTree(const COLstring& Directory, COLostream* Report) {
  // An empty name would be listed as "\*.*": the root of the current drive, everything on
  // it. It names no directory, so it is refused as removing it would be, before anything
  // is listed or removed.
  if (Directory.size() == 0) FILraiseErrno("Attempt to remove directory '' failed.", ENOENT);
  if (!isLink(Directory)) {
    COLstring inside(Directory);
    FILaddTrailingSlash(inside);
    // The search is closed before the directory goes.
    FILdirEnumerator entries(inside + "*.*", false);
    removeEntries(inside, entries, Report);
  }
  try {
    FILremoveDirectory(Directory);
  } catch (const COLerror& error) {
    if (Report == nullptr) throw;
    *Report << "Unable to delete " << Directory << " because of " << error.description() << newline;
  }
}

}  // namespace

void FILreadFile(const COLstring& FileName, COLstring& Contents) {
  FILbinaryFile file(FileName, 0);
  readRest(file, Contents);
  file.close();
}

void FILwriteFile(const COLstring& FileName, const COLstring& Contents) {
  FILbinaryFile file(FileName, 3);
  file.write(Contents.c_str(), static_cast<unsigned>(Contents.size()));
  file.close();
}

long long FILmodified(const COLstring& Path) {
  struct _stat64 status;
  if (_stat64(Path.c_str(), &status) != 0) FILraiseErrno("FILmodified on " + Path + " failed.", errno);
  return static_cast<long long>(status.st_mtime);
}

bool FILcheckAccess(const COLstring& Path, int Mode) {
  if (_access(Path.c_str(), 0) != 0)
    throw COLerror("File `" + Path + "' does not exist.", COL_ERROR_FILE_NOT_FOUND);
  return _access(Path.c_str(), Mode) == 0;
}

int FILchangeDirectory(const COLstring& Path) {
  if (_chdir(Path.c_str()) != 0)
    FILraiseErrno("Attempt to change the working directory to '" + Path + "' failed.", errno);
  return 0;
}

long long FILfileSize(const COLstring& Path) {
  struct _stat64 status;
  if (_stat64(Path.c_str(), &status) != 0)
    FILraiseErrno("Could not get file size for file '" + Path + "'.", errno);
  return static_cast<long long>(status.st_size);
}

bool FILisDirectoryEmpty(const COLstring& Directory) {
  COLstring pattern(Directory);
  FILaddTrailingSlash(pattern);
  FILdirEnumerator entries(pattern + "*.*", false);
  COLstring name;
  return !entries.next(name);
}

void FILcopyFile(const COLstring& Source, const COLstring& Destination, bool Overwrite) {
  if (!Overwrite && _access(Destination.c_str(), 0) == 0)
    throw COLerror("Destination file `" + Destination + "' exists, but Ovewrite is unset.",
                   COL_ERROR_PRECONDITION);
  // An unreadable source fails before the destination is touched.
  FILbinaryFile source(Source, 0);
  // Emptying the destination would empty the source: the copy is already there.
  if (isSameFileAs(source, Destination)) return;
  FILbinaryFile destination(Destination, 3);
  COLstring contents;
  readRest(source, contents);
  destination.write(contents.c_str(), static_cast<unsigned>(contents.size()));
  destination.close();
  source.close();
}

int FILrename(const COLstring& OldPath, const COLstring& NewPath) {
  if (PLATrename(OldPath.c_str(), NewPath.c_str()) != 0)
    FILraiseErrno("Attempt to rename '" + OldPath + "' to '" + NewPath + "' failed.", errno);
  return 0;
}

COLstring FILtemporaryFileName() {
  char name[L_tmpnam];
  if (PLATtmpnam(name) == nullptr) FILraiseErrno("Unable to create a temporary file name.", errno);
  return COLstring(name);
}

int FILremoveFile(const COLstring& Path) {
  if (PLATremove(Path.c_str()) == -1) FILraiseErrno("Attempt to remove '" + Path + "' failed.", errno);
  return 0;
}

int FILremoveDirectory(const COLstring& Path) {
  if (_rmdir(Path.c_str()) != 0) FILraiseErrno("Attempt to remove directory '" + Path + "' failed.", errno);
  return 0;
}

void FILtruncate(const COLstring& Path, unsigned long long Size) {
  // Unbuffered: SetEndOfFile cuts where the descriptor stands, and a stream may leave its
  // descriptor elsewhere when it positions itself (glibc can read ahead from a block
  // boundary). The descriptor also takes sizes of 2 GiB and more on both builds.
  FILbinaryFile file(Path, 1, true);
  file.seek(Size);
  if (!SetEndOfFile(static_cast<HANDLE>(file.osHandle()))) {
    COLstring text = "Attempt to truncate " + Path + " failed.";
    COLraiseWindowsError(COLlastError(), text.c_str(), 747, Source);
  }
}

COLstring FILexpandHome(const COLstring& Text) {
  COLstring expanded = COLexpandEnvironment(Text);
  const char* text = expanded.c_str();
  bool home = expanded == "~" ||
              (expanded.size() >= 2 && text[0] == '~' && (text[1] == '/' || text[1] == '\\'));
  if (home) {
    const char* profile = PLATgetenv("UserProfile");
    if (profile != nullptr && profile[0] != '\0') return COLstring(profile) + expanded.mid(1);
  }
  return expanded;
}

void FILremoveDirectoryEntries(const COLstring& Directory, FILdirEnumerator& Entries) {
  removeEntries(Directory, Entries, nullptr);
}

void FILremoveDirectoryEntries(const COLstring& Directory, FILdirEnumerator& Entries, COLostream& Report) {
  removeEntries(Directory, Entries, &Report);
}

void FILremoveDirectoryTree(const COLstring& Directory) { removeTree(Directory, nullptr); }

void FILremoveDirectoryTree(const COLstring& Directory, COLostream& Report) { removeTree(Directory, &Report); }

void FILtemporaryDirectory(COLstring& Directory) {
  // A path longer than the buffer is asked for again with the size that the system needs.
  Directory.assign(MAX_PATH, '\0');
  DWORD length = GetTempPathA(static_cast<DWORD>(Directory.size()), Directory.data());
  while (length >= static_cast<DWORD>(Directory.size())) {
    Directory.assign(static_cast<int>(length) + 1, '\0');
    length = GetTempPathA(static_cast<DWORD>(Directory.size()), Directory.data());
  }
  if (length == 0) COLraiseWindowsError(COLlastError(), "GetTempPath failed.", 670, Source);
  Directory.resize(static_cast<int>(length));
  FILaddTrailingSlash(Directory);
  if (!FILexists(Directory)) FILmakeDirectories(Directory, 0700);
}

bool FILcommandPrefixIsFile(const COLstring& CommandLine) {
  COLvector<COLstring> words;
  COLsplit(words, CommandLine, " ");
  COLstring candidate;
  for (int i = 0; i < words.size(); ++i) {
    candidate.append(words[i]);
    if (_access(candidate.c_str(), 0) == 0) return true;
    candidate.append(1, ' ');
  }
  return false;
}
