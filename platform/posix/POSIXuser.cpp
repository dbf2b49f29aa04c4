// The broadcast of window-system messages, written down in the broadcast log.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

const DWORD KnownFlags = BSF_QUERY | BSF_IGNORECURRENTTASK | BSF_FLUSHDISK | BSF_NOHANG |
                         BSF_POSTMESSAGE | BSF_FORCEIFHUNG | BSF_NOTIMEOUTIFNOTHUNG | BSF_ALLOWSFW |
                         BSF_SENDNOTIFYMESSAGE | BSF_RETURNHDESK | BSF_LUID;

void putQuoted(std::string& line, const char* text) {
  static const char Hex[] = "0123456789ABCDEF";
  line += '"';
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p == '\\' || *p == '"') {
      line += '\\';
      line += static_cast<char>(*p);
    } else if (*p < 0x20 || *p > 0x7E) {
      line += "\\x";
      line += Hex[*p >> 4];
      line += Hex[*p & 15];
    } else {
      line += static_cast<char>(*p);
    }
  }
  line += '"';
}

}  // namespace

LONG BroadcastSystemMessageA(DWORD flags, LPDWORD recipients, UINT message, WPARAM wParam,
                             LPARAM lParam) {
  if (flags & ~KnownFlags) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  // Windows never posts a system message (below WM_USER) that carries a pointer, since the
  // pointer would not outlive the call: such a notice reaches nobody.
  if ((flags & BSF_POSTMESSAGE) && message == WM_SETTINGCHANGE && lParam != 0) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return -1;
  }
  const char* path = getenv("PLAT_BROADCAST_LOG");
  if (path == nullptr || *path == '\0') return 1;

  char part[96];
  std::string line = "BroadcastSystemMessageA";
  snprintf(part, sizeof part, " flags=0x%08X recipients=", flags);
  line += part;
  if (recipients == nullptr) {
    line += "all";
  } else {
    snprintf(part, sizeof part, "0x%08X", *recipients);
    line += part;
  }
  snprintf(part, sizeof part, " message=0x%04X wParam=%" PRIuPTR " lParam=", message,
           static_cast<uintptr_t>(wParam));
  line += part;
  if (message == WM_SETTINGCHANGE && lParam != 0) {
    putQuoted(line, reinterpret_cast<const char*>(lParam));
  } else {
    snprintf(part, sizeof part, "%" PRIdPTR, static_cast<intptr_t>(lParam));
    line += part;
  }
  line += '\n';

  int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    POSIXsetLastErrorFromErrno();
    return -1;
  }
  ssize_t written;
  do {
    written = write(fd, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(line.size())) {
    SetLastError(written < 0 ? POSIXerrorFromErrno(errno) : ERROR_WRITE_FAULT);
    close(fd);
    return -1;
  }
  if (close(fd) != 0) {
    POSIXsetLastErrorFromErrno();
    return -1;
  }
  return 1;
}
