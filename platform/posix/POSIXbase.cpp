// Last error, system message texts, debugger output and UTF-8 conversion of the layer.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

thread_local DWORD LastError = 0;

struct MessageText {
  DWORD code;
  const char* text;
};

const MessageText MessageTexts[] = {
#define POSIX_ERROR(name, code, text) {code, text "\r\n"},
#include "platform/posix/POSIXerrors.def"
#undef POSIX_ERROR
};

const char* messageTextOf(DWORD code) {
  for (const MessageText& entry : MessageTexts)
    if (entry.code == code) return entry.text;
  return nullptr;
}

}  // namespace

DWORD GetLastError() { return LastError; }
void SetLastError(DWORD code) { LastError = code; }

DWORD POSIXerrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY: return ERROR_BUSY;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EDQUOT: return ERROR_DISK_FULL;
    case EIO: return ERROR_GEN_FAILURE;
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_INVALID_FUNCTION;
  }
}

DWORD POSIXsetLastErrorFromErrno() {
  DWORD code = POSIXerrorFromErrno(errno);
  SetLastError(code);
  return code;
}

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                     va_list*) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = messageTextOf(messageId);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  size_t length = strlen(text);
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, length + 1));
    if (block == nullptr) return 0;
    memcpy(block, text, length + 1);
    *reinterpret_cast<char**>(buffer) = block;
  } else {
    if (size < length + 1) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    memcpy(buffer, text, length + 1);
  }
  return static_cast<DWORD>(length);
}

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
  void* block = (flags & LMEM_ZEROINIT) ? calloc(bytes ? bytes : 1, 1) : malloc(bytes ? bytes : 1);
  if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

HLOCAL LocalFree(HLOCAL memory) {
  free(memory);
  return nullptr;
}

void OutputDebugStringA(LPCSTR text) {
  const char* path = getenv("PLAT_DEBUG_OUTPUT");
  if (path == nullptr || *path == '\0' || text == nullptr) return;
  if (FILE* file = fopen(path, "ab")) {
    fputs(text, file);
    fclose(file);
  }
}

namespace {

// Appends the UTF-8 form of one code point; returns the number of bytes it takes.
int utf8Length(uint32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

void putUtf8(uint32_t c, char* out) {
  unsigned char* p = reinterpret_cast<unsigned char*>(out);
  if (c < 0x80) {
    p[0] = static_cast<unsigned char>(c);
  } else if (c < 0x800) {
    p[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    p[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    p[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    p[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    p[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  } else {
    p[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    p[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    p[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    p[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

UINT GetACP() { return CP_UTF8; }

BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

namespace {

// Whether a conversion's destination of destSize units (more than 0) takes needed units;
// when it is missing or too small the thread's last error says which.
bool destinationHolds(const void* dest, int destSize, size_t needed) {
  if (dest == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (needed > static_cast<size_t>(destSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  return true;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH source, int sourceLength, LPSTR dest,
                        int destSize, LPCCH, LPBOOL usedDefault) {
  if (codePage == CP_ACP) codePage = CP_UTF8;
  if (codePage != CP_UTF8 || source == nullptr || sourceLength == 0 || sourceLength < -1 ||
      destSize < 0 || (flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0 ||
      usedDefault != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t count = sourceLength == -1 ? wcslen(source) + 1 : static_cast<size_t>(sourceLength);
  size_t needed = 0;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = static_cast<uint32_t>(source[i]);
    bool character = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (!character && (flags & WC_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    needed += utf8Length(character ? c : 0xFFFD);
  }
  if (needed > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (destSize == 0) return static_cast<int>(needed);
  if (!destinationHolds(dest, destSize, needed)) return 0;
  char* out = dest;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = static_cast<uint32_t>(source[i]);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    putUtf8(c, out);
    out += utf8Length(c);
  }
  return static_cast<int>(needed);
}

namespace {

// The code point of the UTF-8 sequence at text[i] (at most count bytes), and how many bytes
// it takes; a byte that starts no valid sequence is U+FFFD of one byte.
uint32_t nextCodePoint(const unsigned char* text, size_t count, size_t i, size_t& used, bool& valid) {
  unsigned char lead = text[i];
  used = 1;
  valid = true;
  if (lead < 0x80) return lead;
  size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  valid = false;
  if (length == 0 || i + length > count) return 0xFFFD;
  uint32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((text[i + k] & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (text[i + k] & 0x3F);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  used = length;
  valid = true;
  return c;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH source, int sourceLength, LPWSTR dest,
                        int destSize) {
  if (codePage == CP_ACP) codePage = CP_UTF8;
  if (codePage != CP_UTF8 || source == nullptr || sourceLength == 0 || sourceLength < -1 || destSize < 0 ||
      (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const unsigned char* text = reinterpret_cast<const unsigned char*>(source);
  size_t count = sourceLength == -1 ? strlen(source) + 1 : static_cast<size_t>(sourceLength);
  size_t needed = 0;
  for (size_t i = 0, used = 0; i < count; i += used) {
    bool valid = true;
    nextCodePoint(text, count, i, used, valid);
    if (!valid && (flags & MB_ERR_INVALID_CHARS)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    ++needed;
  }
  if (destSize == 0) return static_cast<int>(needed);
  if (!destinationHolds(dest, destSize, needed)) return 0;
  size_t out = 0;
  for (size_t i = 0, used = 0; i < count; i += used) {
    bool valid = true;
    dest[out++] = static_cast<WCHAR>(nextCodePoint(text, count, i, used, valid));
  }
  return static_cast<int>(needed);
}

LPWSTR GetCommandLineW() {
  static std::wstring line = [] {
    std::string words;
    if (FILE* file = fopen("/proc/self/cmdline", "rb")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) words.append(buffer, n);
      fclose(file);
    }
    std::string joined;
    size_t start = 0;
    while (start < words.size()) {
      size_t end = words.find('\0', start);
      if (end == std::string::npos) end = words.size();
      std::string word = words.substr(start, end - start);
      if (!joined.empty()) joined += ' ';
      if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
        joined += word;
      } else {
        joined += '"';
        size_t backslashes = 0;
        for (char c : word) {
          if (c == '\\') {
            ++backslashes;
            continue;
          }
          joined.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
          backslashes = 0;
          joined += c;
        }
        joined.append(2 * backslashes, '\\');
        joined += '"';
      }
      start = end + 1;
    }
    std::wstring wide(joined.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, joined.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) - 1 : 0);
    return wide;
  }();
  return &line[0];
}
