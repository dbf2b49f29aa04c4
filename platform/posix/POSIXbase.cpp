// Last error, system message texts, debugger output and UTF-8 conversion of the layer.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

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

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH source, int sourceLength, LPSTR dest,
                        int destSize, LPCCH, LPBOOL usedDefault) {
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
  if (dest == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (needed > static_cast<size_t>(destSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  char* out = dest;
  for (size_t i = 0; i < count; ++i) {
    uint32_t c = static_cast<uint32_t>(source[i]);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    putUtf8(c, out);
    out += utf8Length(c);
  }
  return static_cast<int>(needed);
}
