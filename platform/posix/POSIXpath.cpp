// The layer's reading of Windows-form paths and its path-related error codes.
#include "platform/posix/POSIXpath.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }
bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool refusedInNames(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u < 32 || strchr("*?<>|\":", c) != nullptr;
}

}  // namespace

DWORD POSIXpathFromWindows(const char* path, std::string& posix) {
  posix.clear();
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  if (*path == '\0') return ERROR_PATH_NOT_FOUND;
  const char* rest = path;
  bool absolute = false;
  if (isSeparator(rest[0]) && isSeparator(rest[1])) return ERROR_BAD_NETPATH;
  if (isDriveLetter(rest[0]) && rest[1] == ':') {
    if (rest[0] != 'Z' && rest[0] != 'z') return ERROR_PATH_NOT_FOUND;
    rest += 2;
  }
  if (isSeparator(*rest)) absolute = true;
  for (const char* p = rest; *p != '\0'; ++p)
    if (refusedInNames(*p)) return ERROR_INVALID_NAME;

  std::vector<std::string> components;
  for (const char* p = rest; *p != '\0';) {
    while (isSeparator(*p)) ++p;
    const char* start = p;
    while (*p != '\0' && !isSeparator(*p)) ++p;
    std::string component(start, static_cast<size_t>(p - start));
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!components.empty() && components.back() != "..")
        components.pop_back();
      else if (!absolute)
        components.push_back(component);
      continue;
    }
    components.push_back(component);
  }
  // Only a trailing separator that follows a name stays ("dir\." names dir itself).
  size_t length = strlen(rest);
  bool trailingSeparator = length > 0 && isSeparator(rest[length - 1]);

  if (absolute) posix = "/";
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) posix += '/';
    posix += components[i];
  }
  if (components.empty()) {
    if (!absolute) posix = ".";
  } else if (trailingSeparator) {
    posix += '/';
  }
  return ERROR_SUCCESS;
}

std::string POSIXpathToWindows(const std::string& posix) {
  std::string windows;
  if (!posix.empty() && posix[0] == '/') windows = "Z:";
  for (char c : posix) windows += c == '/' ? '\\' : c;
  return windows;
}

int POSIXerrnoFromPathError(DWORD error) {
  switch (error) {
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_ACCESS_DENIED: return EACCES;
    default: return ENOENT;
  }
}

DWORD POSIXerrorForPath(int error, const std::string& posix) {
  if (error != ENOENT) return POSIXerrorFromErrno(error);
  std::string directory = posix;
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  size_t slash = directory.rfind('/');
  if (slash == std::string::npos)
    directory = ".";
  else
    directory.erase(slash == 0 ? 1 : slash);
  struct stat info;
  if (stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

int POSIXcrtErrno(int error) {
  switch (error) {
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return ENOENT;
    case EISDIR:
    case EPERM:
    case EROFS:
    case ETXTBSY: return EACCES;
    default: return error;
  }
}

DWORD POSIXcopyOut(const std::string& text, char* buffer, DWORD size) {
  if (buffer == nullptr || text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
  memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
