// The layer's file system over POSIX: attributes, directory searches, the current and
// temporary directories, descriptor handles, and the C runtime's path and descriptor
// functions, each with the Windows behaviour its header describes.
#include "platform/PLATwindows.h"
#include "platform/posix/POSIXpath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---- What the file system knows of an entry ----

struct EntryInfo {
  mode_t mode = 0;
  bool link = false;
  long long size = 0;
  timespec accessed{};
  timespec modified{};
  timespec changed{};
  timespec born{};
  bool hasBirth = false;
};

timespec timeOf(const statx_timestamp& t) {
  timespec result{};
  result.tv_sec = t.tv_sec;
  result.tv_nsec = t.tv_nsec;
  return result;
}

// statx where the kernel has it (it alone knows the birth time), else stat. Returns 0 or
// the errno of the failure.
int statOf(const std::string& path, bool follow, EntryInfo& info) {
  struct statx x;
  int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
  if (statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &x) == 0) {
    info.mode = x.stx_mode;
    info.size = static_cast<long long>(x.stx_size);
    info.accessed = timeOf(x.stx_atime);
    info.modified = timeOf(x.stx_mtime);
    info.changed = timeOf(x.stx_ctime);
    info.hasBirth = (x.stx_mask & STATX_BTIME) != 0;
    if (info.hasBirth) info.born = timeOf(x.stx_btime);
    return 0;
  }
  // Some sandboxes refuse statx itself.
  if (errno != ENOSYS && errno != EPERM) return errno;
  struct stat s;
  if ((follow ? stat(path.c_str(), &s) : lstat(path.c_str(), &s)) != 0) return errno;
  info.mode = s.st_mode;
  info.size = static_cast<long long>(s.st_size);
  info.accessed = s.st_atim;
  info.modified = s.st_mtim;
  info.changed = s.st_ctim;
  info.hasBirth = false;
  return 0;
}

// The entry a path names, through a symbolic link; a dangling link describes itself.
int entryInfo(const std::string& path, EntryInfo& info) {
  int error = statOf(path, false, info);
  if (error != 0 || !S_ISLNK(info.mode)) return error;
  EntryInfo target;
  if (statOf(path, true, target) == 0) info = target;
  info.link = true;
  return 0;
}

bool hiddenName(const std::string& name) {
  return name.size() > 1 && name[0] == '.' && name != "..";
}

std::string lastComponent(const std::string& posix) {
  std::string path = posix;
  while (!path.empty() && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

DWORD attributesOf(const EntryInfo& info, const std::string& name) {
  DWORD attributes = S_ISDIR(info.mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((info.mode & S_IWUSR) == 0 && !S_ISLNK(info.mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (hiddenName(name)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (info.link) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  return attributes;
}

// 100-nanosecond intervals from 1601-01-01 to a POSIX time; a time before 1601 gives 0.
FILETIME fileTimeOf(const timespec& t) {
  const int64_t secondsFrom1601To1970 = 11644473600LL;
  FILETIME time = {0, 0};
  if (t.tv_sec < -secondsFrom1601To1970) return time;
  uint64_t intervals = static_cast<uint64_t>(t.tv_sec + secondsFrom1601To1970) * 10000000u +
                       static_cast<uint64_t>(t.tv_nsec / 100);
  time.dwLowDateTime = static_cast<DWORD>(intervals);
  time.dwHighDateTime = static_cast<DWORD>(intervals >> 32);
  return time;
}

bool sameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool currentDirectory(std::string& posix) {
  char* text = getcwd(nullptr, 0);
  if (text == nullptr) return false;
  posix = text;
  free(text);
  return true;
}

// Converts a path for a C runtime function; false with errno set as Windows sets it.
bool crtPath(const char* path, std::string& posix) {
  DWORD error = POSIXpathFromWindows(path, posix);
  if (error == ERROR_SUCCESS) return true;
  errno = POSIXerrnoFromPathError(error);
  return false;
}

// Converts a path for a Win32 function; false with the last error set.
bool win32Path(const char* path, std::string& posix) {
  DWORD error = POSIXpathFromWindows(path, posix);
  if (error == ERROR_SUCCESS) return true;
  SetLastError(error);
  return false;
}

int fail(int error) {
  errno = error;
  return -1;
}

// ---- Search patterns ----

// A pattern is read into tokens: bytes stand for themselves (compared without case), and
// four codes above the byte range for the wildcards. Win32 hands the file system '?' as
// DOS_QM, '*' before a dot as DOS_STAR and a dot before a wildcard or at the end as
// DOS_DOT; '<', '>' and '"' are those three written directly.
enum : int { Star = 256, DosStar, DosQm, DosDot };

std::vector<int> tokensOf(const std::string& pattern) {
  std::vector<int> tokens;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '?' || c == '>')
      tokens.push_back(DosQm);
    else if (c == '*')
      tokens.push_back(next == '.' ? DosStar : Star);
    else if (c == '<')
      tokens.push_back(DosStar);
    else if (c == '"' || (c == '.' && (next == '?' || next == '*' || next == '\0')))
      tokens.push_back(DosDot);
    else
      tokens.push_back(static_cast<unsigned char>(c));
  }
  return tokens;
}

int upper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Runs the pattern over the name as a set of pattern positions, one name character at a
// time. Star takes any run; DosStar any run that stays before the name's last dot; DosQm
// takes one character other than a dot, or nothing at a dot or the end; DosDot takes a
// dot, or nothing at the end.
bool matches(const std::vector<int>& tokens, const std::string& name) {
  const size_t n = name.size();
  const size_t m = tokens.size();
  const size_t lastDot = name.rfind('.');
  std::vector<char> here(m + 1, 0);
  std::vector<char> next(m + 1, 0);
  here[0] = 1;
  for (size_t i = 0;; ++i) {
    bool atDotOrEnd = i == n || name[i] == '.';
    for (size_t p = 0; p < m; ++p) {
      if (!here[p]) continue;
      int t = tokens[p];
      if (t == Star || t == DosStar || (t == DosQm && atDotOrEnd) || (t == DosDot && i == n))
        here[p + 1] = 1;
    }
    if (i == n) return here[m] != 0;
    std::fill(next.begin(), next.end(), 0);
    int c = static_cast<unsigned char>(name[i]);
    bool any = false;
    for (size_t p = 0; p < m; ++p) {
      if (!here[p]) continue;
      int t = tokens[p];
      size_t to = m + 1;
      if (t == Star || (t == DosStar && (lastDot == std::string::npos || i < lastDot)))
        to = p;
      else if ((t == DosQm && c != '.') || (t == DosDot && c == '.') ||
               (t < 256 && upper(t) == upper(c)))
        to = p + 1;
      if (to <= m) next[to] = any = true;
    }
    if (!any) return false;
    here.swap(next);
  }
}

// NTFS lists a directory in the order of its upper-cased names; "." and ".." come first.
bool listedBefore(const std::string& a, const std::string& b) {
  auto rank = [](const std::string& s) { return s == "." ? 0 : s == ".." ? 1 : 2; };
  if (rank(a) != rank(b)) return rank(a) < rank(b);
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int x = upper(static_cast<unsigned char>(a[i]));
    int y = upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// ---- Searches ----

struct Search {
  std::string directory;  // POSIX, ending in '/'
  std::vector<std::string> names;
  size_t next = 0;
};

std::mutex SearchesLock;
// Never destroyed: searches may be closed by other objects' destructors at exit.
std::unordered_set<const void*>& openSearches() {
  static std::unordered_set<const void*>* searches = new std::unordered_set<const void*>;
  return *searches;
}

bool isOpenSearch(HANDLE handle) {
  std::lock_guard<std::mutex> guard(SearchesLock);
  return openSearches().count(handle) != 0;
}

// Fills the find data with the next entry that still exists.
bool nextEntry(Search& search, LPWIN32_FIND_DATAA data) {
  while (search.next < search.names.size()) {
    const std::string& name = search.names[search.next++];
    EntryInfo info;
    if (entryInfo(search.directory + name, info) != 0) continue;
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = attributesOf(info, name);
    data->ftCreationTime = fileTimeOf(info.hasBirth ? info.born : info.modified);
    data->ftLastAccessTime = fileTimeOf(info.accessed);
    data->ftLastWriteTime = fileTimeOf(info.modified);
    if (!S_ISDIR(info.mode)) {
      uint64_t size = static_cast<uint64_t>(info.size);
      data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
      data->nFileSizeLow = static_cast<DWORD>(size);
    }
    size_t length = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
    memcpy(data->cFileName, name.data(), length);
    return true;
  }
  return false;
}

bool hasWildcard(const std::string& text) {
  return text.find_first_of("*?<>\"") != std::string::npos;
}

// Splits a search pattern into the POSIX directory to list (ending in '/') and the name
// pattern; false with the last error set when there is nothing to list.
bool splitPattern(const std::string& pattern, std::string& directory, std::string& name) {
  if (pattern.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  size_t split = pattern.find_last_of("\\/");
  std::string windowsDirectory;
  if (split != std::string::npos) {
    windowsDirectory = pattern.substr(0, split + 1);
    name = pattern.substr(split + 1);
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    windowsDirectory = pattern.substr(0, 2);
    name = pattern.substr(2);
  } else {
    windowsDirectory = ".";
    name = pattern;
  }
  if (hasWildcard(windowsDirectory) || name.find_first_of("|:") != std::string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32) {
      SetLastError(ERROR_INVALID_NAME);
      return false;
    }
  }
  if (name == "." || name == "..") {
    // Win32 resolves these before searching, so they name the directory itself.
    std::string posix;
    if (!win32Path(pattern.c_str(), posix)) return false;
    if (posix[0] != '/') {
      std::string here;
      if (!currentDirectory(here)) {
        SetLastError(POSIXerrorFromErrno(errno));
        return false;
      }
      if (!win32Path((here + "/" + posix).c_str(), posix)) return false;
    }
    if (posix == "/") {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    }
    size_t slash = posix.rfind('/');
    name = posix.substr(slash + 1);
    directory = posix.substr(0, slash + 1);
    return true;
  }
  if (name.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!win32Path(windowsDirectory.c_str(), directory)) return false;
  if (directory.back() != '/') directory += '/';
  return true;
}

// ---- Descriptors and their handles ----

// Handles are (descriptor + 1) * 4: never null, never INVALID_HANDLE_VALUE, multiples of
// four as Windows handles are, and far below any address a search handle can have.
const intptr_t MostDescriptors = intptr_t(1) << 20;

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>((static_cast<intptr_t>(fd) + 1) * 4); }

int descriptorOf(HANDLE handle) {
  intptr_t value = reinterpret_cast<intptr_t>(handle);
  if (value <= 0 || value % 4 != 0 || value / 4 > MostDescriptors) return -1;
  int fd = static_cast<int>(value / 4 - 1);
  return fcntl(fd, F_GETFD) == -1 ? -1 : fd;
}

bool openFlags(int flags, int& posix) {
  const int known = _O_RDONLY | _O_WRONLY | _O_RDWR | _O_APPEND | _O_CREAT | _O_TRUNC | _O_EXCL |
                    _O_TEXT | _O_BINARY | _O_NOINHERIT;
  if ((flags & ~known) != 0 || ((flags & _O_TEXT) && (flags & _O_BINARY))) return false;
  switch (flags & (_O_WRONLY | _O_RDWR)) {
    case _O_RDONLY: posix = O_RDONLY; break;
    case _O_WRONLY: posix = O_WRONLY; break;
    case _O_RDWR: posix = O_RDWR; break;
    default: return false;
  }
  if ((flags & _O_TRUNC) && (flags & (_O_WRONLY | _O_RDWR)) == 0) return false;
  if (flags & _O_APPEND) posix |= O_APPEND;
  if (flags & _O_CREAT) posix |= O_CREAT;
  if (flags & _O_TRUNC) posix |= O_TRUNC;
  if ((flags & _O_EXCL) && (flags & _O_CREAT)) posix |= O_EXCL;
  if (flags & _O_NOINHERIT) posix |= O_CLOEXEC;
  return true;
}

// Windows will not open a directory as a file, nor write to or truncate a read-only file,
// whoever asks; POSIX lets root do both. 0, or the errno Windows gives.
int refusedOpen(const std::string& posix, bool writes, bool mustCreate) {
  struct stat info;
  if (stat(posix.c_str(), &info) != 0) return 0;
  if (mustCreate) return EEXIST;
  if (S_ISDIR(info.st_mode)) return EACCES;
  if (writes && (info.st_mode & S_IWUSR) == 0) return EACCES;
  return 0;
}

// The stdio mode for glibc from a Windows one; writes tells whether it may change the file.
bool streamMode(const char* mode, std::string& posix, bool& writes) {
  if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return false;
  bool update = false;
  for (const char* p = mode + 1; *p != '\0' && *p != ','; ++p)
    if (*p == '+') update = true;
  posix.assign(1, mode[0]);
  if (update) posix += '+';
  writes = mode[0] != 'r' || update;
  return true;
}

bool windowsRuns(const std::string& name) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension;
  for (size_t i = dot + 1; i < name.size(); ++i)
    extension += static_cast<char>(upper(static_cast<unsigned char>(name[i])));
  return extension == "EXE" || extension == "COM" || extension == "BAT" || extension == "CMD";
}

// Windows' runtime answers EINVAL for a directory call on a file, ENOENT where the path
// does not lead to anything.
int directoryCallErrno(int error, const std::string& posix) {
  if (error != ENOTDIR) return POSIXcrtErrno(error);
  struct stat info;
  return stat(posix.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) ? EINVAL : ENOENT;
}

}  // namespace

// ---- Win32 ----

DWORD GetFileAttributesA(LPCSTR path) {
  std::string posix;
  if (!win32Path(path, posix)) return INVALID_FILE_ATTRIBUTES;
  EntryInfo info;
  int error = entryInfo(posix, info);
  if (error != 0) {
    SetLastError(POSIXerrorForPath(error, posix));
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributesOf(info, lastComponent(posix));
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (pattern == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  Search* search = new Search;
  std::string name;
  if (!splitPattern(pattern, search->directory, name)) {
    delete search;
    return INVALID_HANDLE_VALUE;
  }
  DIR* directory = opendir(search->directory.c_str());
  if (directory == nullptr) {
    int error = errno;
    delete search;
    SetLastError(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                     : POSIXerrorFromErrno(error));
    return INVALID_HANDLE_VALUE;
  }
  struct stat listed, root;
  bool atRoot =
      fstat(dirfd(directory), &listed) == 0 && stat("/", &root) == 0 && sameEntry(listed, root);
  std::vector<int> tokens = tokensOf(name);
  while (struct dirent* entry = readdir(directory)) {
    std::string entryName = entry->d_name;
    if (atRoot && (entryName == "." || entryName == "..")) continue;
    if (matches(tokens, entryName)) search->names.push_back(entryName);
  }
  closedir(directory);
  std::sort(search->names.begin(), search->names.end(), listedBefore);
  if (!nextEntry(*search, data)) {
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> guard(SearchesLock);
  openSearches().insert(search);
  return search;
}

BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA data) {
  if (!isOpenSearch(search)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!nextEntry(*static_cast<Search*>(search), data)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE search) {
  {
    std::lock_guard<std::mutex> guard(SearchesLock);
    if (openSearches().erase(search) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete static_cast<Search*>(search);
  return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR newFile, BOOL failIfExists) {
  std::string source, destination;
  if (!win32Path(existing, source) || !win32Path(newFile, destination)) return FALSE;
  int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (from == -1) {
    SetLastError(errno == EISDIR ? ERROR_ACCESS_DENIED : POSIXerrorForPath(errno, source));
    return FALSE;
  }
  struct stat info;
  if (fstat(from, &info) != 0 || S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    close(from);
    return FALSE;
  }
  struct stat existingTarget;
  if (stat(destination.c_str(), &existingTarget) == 0) {
    DWORD refused = ERROR_SUCCESS;
    if (failIfExists)
      refused = ERROR_FILE_EXISTS;
    else if (S_ISDIR(existingTarget.st_mode) || (existingTarget.st_mode & S_IWUSR) == 0)
      refused = ERROR_ACCESS_DENIED;
    if (refused != ERROR_SUCCESS) {
      SetLastError(refused);
      close(from);
      return FALSE;
    }
  }
  int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
  int to = open(destination.c_str(), flags, 0600);
  if (to == -1) {
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : POSIXerrorForPath(errno, destination));
    close(from);
    return FALSE;
  }
  char block[65536];
  bool copied = true;
  for (;;) {
    ssize_t got = read(from, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    for (ssize_t done = 0; done < got && copied;) {
      ssize_t put = write(to, block + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0)
        copied = false;
      else
        done += put;
    }
    if (!copied) break;
  }
  int error = errno;
  if (copied) {
    timespec times[2] = {info.st_atim, info.st_mtim};
    copied = fchmod(to, info.st_mode & 07777) == 0 && futimens(to, times) == 0;
    error = errno;
  }
  if (close(to) != 0 && copied) {
    copied = false;
    error = errno;
  }
  close(from);
  if (!copied) SetLastError(POSIXerrorFromErrno(error));
  return copied ? TRUE : FALSE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  std::string posix;
  if (!currentDirectory(posix)) {
    POSIXsetLastErrorFromErrno();
    return 0;
  }
  return POSIXcopyOut(POSIXpathToWindows(posix), buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  std::string posix;
  if (!win32Path(path, posix)) return FALSE;
  if (chdir(posix.c_str()) == 0) return TRUE;
  int error = errno;
  struct stat info;
  if (error == ENOTDIR && stat(posix.c_str(), &info) == 0)
    SetLastError(ERROR_DIRECTORY);
  else
    SetLastError(POSIXerrorForPath(error, posix));
  return FALSE;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* variable = getenv("TMPDIR");
  std::string posix = variable != nullptr && variable[0] == '/' ? variable : "/tmp";
  std::string windows;
  for (char c : POSIXpathToWindows(posix))
    if (c != '\\' || windows.empty() || windows.back() != '\\') windows += c;
  if (windows.back() != '\\') windows += '\\';
  return POSIXcopyOut(windows, buffer, size);
}

BOOL GetHandleInformation(HANDLE object, LPDWORD flags) {
  int fd = descriptorOf(object);
  if (fd == -1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (flags == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int descriptorFlags = fcntl(fd, F_GETFD);
  *flags = (descriptorFlags & FD_CLOEXEC) ? 0 : HANDLE_FLAG_INHERIT;
  return TRUE;
}

BOOL SetHandleInformation(HANDLE object, DWORD mask, DWORD flags) {
  int fd = descriptorOf(object);
  if (fd == -1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((mask & HANDLE_FLAG_PROTECT_FROM_CLOSE) && (flags & HANDLE_FLAG_PROTECT_FROM_CLOSE)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (mask & HANDLE_FLAG_INHERIT) {
    int descriptorFlags = fcntl(fd, F_GETFD);
    if (flags & HANDLE_FLAG_INHERIT)
      descriptorFlags &= ~FD_CLOEXEC;
    else
      descriptorFlags |= FD_CLOEXEC;
    if (fcntl(fd, F_SETFD, descriptorFlags) == -1) {
      POSIXsetLastErrorFromErrno();
      return FALSE;
    }
  }
  return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
  switch (which) {
    case STD_INPUT_HANDLE: return handleOf(0);
    case STD_OUTPUT_HANDLE: return handleOf(1);
    case STD_ERROR_HANDLE: return handleOf(2);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return INVALID_HANDLE_VALUE;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  int fd = descriptorOf(console);
  if (fd == -1 || !isatty(fd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (mode == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  return TRUE;
}

BOOL WriteConsoleW(HANDLE console, const void* text, DWORD length, LPDWORD written, LPVOID) {
  int fd = descriptorOf(console);
  if (fd == -1 || !isatty(fd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (text == nullptr && length != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string bytes;
  if (length != 0) {
    const WCHAR* wide = static_cast<const WCHAR*>(text);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    bytes.assign(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), &bytes[0], size, nullptr, nullptr);
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      POSIXsetLastErrorFromErrno();
      return FALSE;
    }
    done += static_cast<size_t>(n);
  }
  if (written != nullptr) *written = length;
  return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
  int fd = descriptorOf(file);
  if (fd == -1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (information == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct stat s;
  if (fstat(fd, &s) != 0) {
    POSIXsetLastErrorFromErrno();
    return FALSE;
  }
  EntryInfo info;
  info.mode = s.st_mode;
  info.size = static_cast<long long>(s.st_size);
  info.accessed = s.st_atim;
  info.modified = s.st_mtim;
  info.changed = s.st_ctim;
  struct statx x;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, &x) == 0 && (x.stx_mask & STATX_BTIME) != 0) {
    info.hasBirth = true;
    info.born = timeOf(x.stx_btime);
  }
  // The name decides whether the file is hidden; the descriptor's link in /proc knows it.
  std::string name;
  char target[PATH_MAX];
  ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
  if (length > 0) name = lastComponent(std::string(target, static_cast<size_t>(length)));
  information->dwFileAttributes = attributesOf(info, name);
  information->ftCreationTime = fileTimeOf(info.hasBirth ? info.born : info.modified);
  information->ftLastAccessTime = fileTimeOf(info.accessed);
  information->ftLastWriteTime = fileTimeOf(info.modified);
  information->dwVolumeSerialNumber = static_cast<DWORD>(s.st_dev);
  information->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(s.st_size) >> 32);
  information->nFileSizeLow = static_cast<DWORD>(s.st_size);
  information->nNumberOfLinks = static_cast<DWORD>(s.st_nlink);
  information->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(s.st_ino) >> 32);
  information->nFileIndexLow = static_cast<DWORD>(s.st_ino);
  return TRUE;
}

BOOL SetEndOfFile(HANDLE file) {
  int fd = descriptorOf(file);
  if (fd == -1) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  off_t position = lseek(fd, 0, SEEK_CUR);
  if (position == -1 || ftruncate(fd, position) != 0) {
    POSIXsetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}

// ---- The C runtime ----

int _open(const char* path, int flags, ...) {
  int permission = 0;
  if (flags & _O_CREAT) {
    va_list arguments;
    va_start(arguments, flags);
    permission = va_arg(arguments, int);
    va_end(arguments);
  }
  int posixFlags = 0;
  if (!openFlags(flags, posixFlags)) return fail(EINVAL);
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  bool writes = (flags & (_O_WRONLY | _O_RDWR)) != 0;
  int refused = refusedOpen(posix, writes, (flags & _O_CREAT) && (flags & _O_EXCL));
  if (refused != 0) return fail(refused);
  int fd = open(posix.c_str(), posixFlags, (permission & _S_IWRITE) ? 0666 : 0444);
  if (fd == -1) return fail(POSIXcrtErrno(errno));
  return fd;
}

int _close(int fd) {
  // Linux closes the descriptor even when close() is interrupted.
  if (close(fd) != 0 && errno != EINTR) return -1;
  return 0;
}

int _read(int fd, void* buffer, unsigned int count) {
  if (count > static_cast<unsigned int>(INT_MAX)) return fail(EINVAL);
  for (;;) {
    ssize_t got = read(fd, buffer, count);
    if (got >= 0) return static_cast<int>(got);
    if (errno != EINTR) return -1;
  }
}

int _write(int fd, const void* buffer, unsigned int count) {
  if (count > static_cast<unsigned int>(INT_MAX)) return fail(EINVAL);
  // Windows writes everything it can before it answers; a short count means the disk is full.
  const char* data = static_cast<const char*>(buffer);
  unsigned int done = 0;
  while (done < count) {
    ssize_t put = write(fd, data + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (done > 0) break;
      return -1;
    }
    if (put == 0) break;
    done += static_cast<unsigned int>(put);
  }
  return static_cast<int>(done);
}

long long _lseeki64(int fd, long long offset, int origin) {
  int whence;
  switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default: return fail(EINVAL);
  }
  off_t position = lseek(fd, static_cast<off_t>(offset), whence);
  return position == -1 ? -1 : static_cast<long long>(position);
}

int _commit(int fd) { return fsync(fd) == 0 ? 0 : -1; }

int _eof(int fd) {
  off_t here = lseek(fd, 0, SEEK_CUR);
  if (here == -1) return -1;
  off_t end = lseek(fd, 0, SEEK_END);
  if (end == -1) return -1;
  if (lseek(fd, here, SEEK_SET) == -1) return -1;
  return here >= end ? 1 : 0;
}

intptr_t _get_osfhandle(int fd) {
  if (fd < 0 || fcntl(fd, F_GETFD) == -1) {
    errno = EBADF;
    return -1;
  }
  return reinterpret_cast<intptr_t>(handleOf(fd));
}

FILE* _fdopen(int fd, const char* mode) {
  std::string posixMode;
  bool writes = false;
  if (!streamMode(mode, posixMode, writes)) {
    errno = EINVAL;
    return nullptr;
  }
  return fdopen(fd, posixMode.c_str());
}

int _access(const char* path, int mode) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  struct stat info;
  if (stat(posix.c_str(), &info) != 0) return fail(POSIXcrtErrno(errno));
  if ((mode & 2) && (info.st_mode & S_IWUSR) == 0) return fail(EACCES);
  return 0;
}

int _chmod(const char* path, int pmode) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  struct stat info;
  if (stat(posix.c_str(), &info) != 0) return fail(POSIXcrtErrno(errno));
  mode_t mode = info.st_mode & 07777;
  mode = (pmode & _S_IWRITE) ? (mode | S_IWUSR)
                             : (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
  if (chmod(posix.c_str(), mode) != 0) return fail(POSIXcrtErrno(errno));
  return 0;
}

int _mkdir(const char* path) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  if (mkdir(posix.c_str(), 0777) != 0) return fail(POSIXcrtErrno(errno));
  return 0;
}

int _rmdir(const char* path) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  struct stat own, target, current;
  std::string unslashed = posix;
  while (unslashed.size() > 1 && unslashed.back() == '/') unslashed.pop_back();
  if (lstat(unslashed.c_str(), &own) == 0 && S_ISLNK(own.st_mode) &&
      stat(unslashed.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    if (unlink(unslashed.c_str()) == 0) return 0;
    return fail(POSIXcrtErrno(errno));
  }
  // Windows keeps its current directory open, so it cannot be removed.
  if (stat(posix.c_str(), &target) == 0 && S_ISDIR(target.st_mode) && stat(".", &current) == 0 &&
      sameEntry(target, current))
    return fail(EACCES);
  if (rmdir(posix.c_str()) == 0) return 0;
  int error = errno;
  if (error == EEXIST) error = ENOTEMPTY;
  if (error == EBUSY) error = EACCES;
  return fail(directoryCallErrno(error, posix));
}

int _chdir(const char* path) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  if (chdir(posix.c_str()) != 0) return fail(directoryCallErrno(errno, posix));
  return 0;
}

char* _getcwd(char* buffer, int size) {
  std::string posix;
  if (!currentDirectory(posix)) return nullptr;
  std::string windows = POSIXpathToWindows(posix);
  size_t needed = windows.size() + 1;
  if (buffer == nullptr) {
    size_t length = std::max(needed, size > 0 ? static_cast<size_t>(size) : 0);
    char* block = static_cast<char*>(malloc(length));
    if (block == nullptr) {
      errno = ENOMEM;
      return nullptr;
    }
    memcpy(block, windows.c_str(), needed);
    return block;
  }
  if (size <= 0) {
    errno = EINVAL;
    return nullptr;
  }
  if (needed > static_cast<size_t>(size)) {
    errno = ERANGE;
    return nullptr;
  }
  memcpy(buffer, windows.c_str(), needed);
  return buffer;
}

int _stat64(const char* path, struct _stat64* buffer) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  EntryInfo info;
  int error = statOf(posix, true, info);
  if (error != 0) return fail(POSIXcrtErrno(error));
  memset(buffer, 0, sizeof *buffer);
  unsigned short type = S_ISDIR(info.mode)    ? _S_IFDIR
                        : S_ISCHR(info.mode)  ? _S_IFCHR
                        : S_ISFIFO(info.mode) ? _S_IFIFO
                                              : _S_IFREG;
  unsigned short permission = _S_IREAD;
  if (info.mode & S_IWUSR) permission |= _S_IWRITE;
  if (S_ISDIR(info.mode) || windowsRuns(lastComponent(posix))) permission |= _S_IEXEC;
  buffer->st_mode =
      static_cast<unsigned short>(type | permission | (permission >> 3) | (permission >> 6));
  buffer->st_dev = buffer->st_rdev = 'Z' - 'A';
  buffer->st_nlink = 1;
  buffer->st_size = info.size;
  buffer->st_atime = info.accessed.tv_sec;
  buffer->st_mtime = info.modified.tv_sec;
  buffer->st_ctime = (info.hasBirth ? info.born : info.changed).tv_sec;
  return 0;
}

FILE* PLATfopen(const char* path, const char* mode) {
  std::string posixMode;
  bool writes = false;
  if (!streamMode(mode, posixMode, writes)) {
    errno = EINVAL;
    return nullptr;
  }
  std::string posix;
  if (!crtPath(path, posix)) return nullptr;
  int refused = refusedOpen(posix, writes, false);
  if (refused != 0) {
    errno = refused;
    return nullptr;
  }
  FILE* file = fopen(posix.c_str(), posixMode.c_str());
  if (file == nullptr) errno = POSIXcrtErrno(errno);
  return file;
}

int PLATrename(const char* from, const char* to) {
  std::string source, destination;
  if (!crtPath(from, source) || !crtPath(to, destination)) return -1;
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  int error = errno;
  if (error == EINVAL || error == ENOSYS) {
    // A file system without RENAME_NOREPLACE: test first, and accept the small race.
    struct stat info;
    if (lstat(destination.c_str(), &info) == 0) return fail(EEXIST);
    if (rename(source.c_str(), destination.c_str()) == 0) return 0;
    error = errno;
  }
  if (error == ENOTEMPTY) error = EEXIST;
  return fail(POSIXcrtErrno(error));
}

int PLATremove(const char* path) {
  std::string posix;
  if (!crtPath(path, posix)) return -1;
  struct stat info;
  if (lstat(posix.c_str(), &info) != 0) return fail(POSIXcrtErrno(errno));
  if (S_ISDIR(info.st_mode)) return fail(EACCES);
  // A link to a directory is a directory to Windows: _rmdir removes it.
  struct stat target;
  if (S_ISLNK(info.st_mode) && stat(posix.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
    return fail(EACCES);
  if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0) return fail(EACCES);
  if (unlink(posix.c_str()) != 0) return fail(POSIXcrtErrno(errno));
  return 0;
}

char* PLATtmpnam(char* buffer) {
  static std::atomic<unsigned> count{0};
  thread_local char own[L_tmpnam];
  auto base32 = [](unsigned long value) {
    std::string digits;
    do {
      digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuv"[value % 32]);
      value /= 32;
    } while (value != 0);
    return digits;
  };
  const std::string prefix =
      std::string(P_tmpdir) + "/s" + base32(static_cast<unsigned long>(getpid())) + ".";
  for (unsigned tries = 0; tries < TMP_MAX; ++tries) {
    unsigned n = count++ % TMP_MAX;
    std::string posix = prefix + (n == 0 ? std::string() : base32(n));
    struct stat info;
    if (lstat(posix.c_str(), &info) == 0) continue;
    std::string windows = POSIXpathToWindows(posix);
    if (windows.size() + 1 > L_tmpnam) break;
    char* out = buffer != nullptr ? buffer : own;
    memcpy(out, windows.c_str(), windows.size() + 1);
    return out;
  }
  errno = EEXIST;
  return nullptr;
}
