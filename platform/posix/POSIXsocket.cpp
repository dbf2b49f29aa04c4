// The layer's Winsock names (POSIXsocket.h) over the system half in POSIXsocketSystem.cpp.
#include "platform/PLATwindows.h"
#include "platform/posix/POSIXsocketSystem.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Windows counts WSAStartup calls; a WSACleanup without one fails.
std::atomic<int> s_Started{0};

int64_t handle(SOCKET s) {
  // INVALID_SOCKET and anything beyond a descriptor's range reach the system half as -1.
  return s > SOCKET(0x7fffffff) ? -1 : int64_t(s);
}

SOCKET socketOf(int64_t fd) { return fd < 0 ? INVALID_SOCKET : SOCKET(fd); }

bool isSockaddrIn(const struct sockaddr* name, int length) {
  return name != nullptr && length >= int(sizeof(sockaddr_in));
}

}  // namespace

int WSAStartup(WORD versionRequested, LPWSADATA data) {
  if (data == nullptr) return WSAEFAULT;
  BYTE major = BYTE(versionRequested & 0xff), minor = BYTE(versionRequested >> 8);
  std::memset(data, 0, sizeof *data);
  data->wHighVersion = MAKEWORD(2, 2);
  if (major < 1) return WSAVERNOTSUPPORTED;
  data->wVersion = (major > 2 || (major == 2 && minor >= 2)) ? MAKEWORD(2, 2) : versionRequested;
  std::strcpy(data->szDescription, "WinSock 2.0");
  std::strcpy(data->szSystemStatus, "Running");
  ++s_Started;
  return 0;
}

int WSACleanup() {
  int started = s_Started.load();
  while (started > 0 && !s_Started.compare_exchange_weak(started, started - 1)) {
  }
  if (started <= 0) {
    WSASetLastError(WSANOTINITIALISED);
    return SOCKET_ERROR;
  }
  return 0;
}

// Winsock keeps its error where GetLastError reads it.
int WSAGetLastError() { return int(GetLastError()); }
void WSASetLastError(int error) { SetLastError(DWORD(error)); }
int POSIXwsaErrorFromErrno(int error) { return POSIXsys::wsaFromErrno(error); }

SOCKET socket(int family, int type, int protocol) {
  return socketOf(POSIXsys::socketOpen(family, type, protocol));
}

int bind(SOCKET s, const struct sockaddr* name, int nameLength) {
  if (!isSockaddrIn(name, nameLength)) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return POSIXsys::bind(handle(s), name, int(sizeof(sockaddr_in)));
}

int listen(SOCKET s, int backlog) { return POSIXsys::listen(handle(s), backlog); }

SOCKET accept(SOCKET s, struct sockaddr* address, int* addressLength) {
  if (address != nullptr && (addressLength == nullptr || *addressLength < int(sizeof(sockaddr_in)))) {
    WSASetLastError(WSAEFAULT);
    return INVALID_SOCKET;
  }
  return socketOf(POSIXsys::accept(handle(s), address, addressLength));
}

int connect(SOCKET s, const struct sockaddr* name, int nameLength) {
  if (!isSockaddrIn(name, nameLength)) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return POSIXsys::connect(handle(s), name, int(sizeof(sockaddr_in)));
}

int recv(SOCKET s, char* buffer, int length, int flags) { return POSIXsys::recv(handle(s), buffer, length, flags); }
int send(SOCKET s, const char* buffer, int length, int flags) {
  return POSIXsys::send(handle(s), buffer, length, flags);
}
int closesocket(SOCKET s) { return POSIXsys::close(handle(s)); }
int shutdown(SOCKET s, int how) {
  if (how < SD_RECEIVE || how > SD_BOTH) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  return POSIXsys::shutdown(handle(s), how);
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
  if (value == nullptr) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  if (level == SOL_SOCKET && name == SO_LINGER) {
    if (length < int(sizeof(struct linger))) {
      WSASetLastError(WSAEFAULT);
      return SOCKET_ERROR;
    }
    struct linger setting;
    std::memcpy(&setting, value, sizeof setting);
    return POSIXsys::setLinger(handle(s), setting.l_onoff != 0, setting.l_linger);
  }
  if (level == SOL_SOCKET && name == SO_RCVTIMEO) {
    if (length < int(sizeof(DWORD))) {
      WSASetLastError(WSAEFAULT);
      return SOCKET_ERROR;
    }
    DWORD milliseconds;
    std::memcpy(&milliseconds, value, sizeof milliseconds);
    return POSIXsys::setReceiveTimeout(handle(s), milliseconds);
  }
  // Windows takes a BOOL option from as little as one byte.
  int number = 0;
  if (length >= int(sizeof(int))) std::memcpy(&number, value, sizeof number);
  else if (length >= 1) number = static_cast<unsigned char>(value[0]);
  else {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  return POSIXsys::setIntOption(handle(s), level, name, number);
}

int getsockopt(SOCKET s, int level, int name, char* value, int* length) {
  if (value == nullptr || length == nullptr) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  if (level == SOL_SOCKET && name == SO_LINGER) {
    if (*length < int(sizeof(struct linger))) {
      WSASetLastError(WSAEFAULT);
      return SOCKET_ERROR;
    }
    int onOff = 0, seconds = 0;
    if (POSIXsys::getLinger(handle(s), &onOff, &seconds) != 0) return SOCKET_ERROR;
    struct linger setting{u_short(onOff != 0), u_short(seconds)};
    std::memcpy(value, &setting, sizeof setting);
    *length = int(sizeof setting);
    return 0;
  }
  if (*length < int(sizeof(int))) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  int number = 0;
  if (POSIXsys::getIntOption(handle(s), level, name, &number) != 0) return SOCKET_ERROR;
  std::memcpy(value, &number, sizeof number);
  *length = int(sizeof number);
  return 0;
}

int getsockname(SOCKET s, struct sockaddr* name, int* nameLength) {
  return POSIXsys::sockName(handle(s), name, nameLength, false);
}
int getpeername(SOCKET s, struct sockaddr* name, int* nameLength) {
  return POSIXsys::sockName(handle(s), name, nameLength, true);
}

int WSAPoll(LPWSAPOLLFD descriptors, ULONG count, INT timeout) {
  if (descriptors == nullptr && count != 0) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  // A reader polls one socket at a time, often: a few descriptors are translated on the
  // stack, only a long list on the heap.
  const ULONG Few = 16;
  int64_t fewSockets[Few];
  short fewEvents[Few], fewReturned[Few];
  std::vector<int64_t> manySockets;
  std::vector<short> manyEvents, manyReturned;
  int64_t* sockets = fewSockets;
  short* events = fewEvents;
  short* returned = fewReturned;
  if (count > Few) {
    manySockets.resize(count);
    manyEvents.resize(count);
    manyReturned.resize(count);
    sockets = manySockets.data();
    events = manyEvents.data();
    returned = manyReturned.data();
  }
  for (ULONG i = 0; i < count; ++i) {
    sockets[i] = handle(descriptors[i].fd);
    events[i] = descriptors[i].events;
  }
  int result = POSIXsys::poll(sockets, events, returned, count, timeout);
  if (result < 0) return SOCKET_ERROR;
  for (ULONG i = 0; i < count; ++i) descriptors[i].revents = returned[i];
  return result;
}

INT inet_pton(INT family, const char* text, void* address) {
  if (family != AF_INET) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return -1;
  }
  if (text == nullptr || address == nullptr) {
    WSASetLastError(WSAEFAULT);
    return -1;
  }
  // Four decimal parts of at most three digits and 255, nothing else: the strict form.
  unsigned char bytes[4];
  const char* p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *p++ != '.') return 0;
    if (*p < '0' || *p > '9') return 0;
    unsigned value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      if (++digits > 3) return 0;
      value = value * 10 + unsigned(*p++ - '0');
    }
    if (value > 255 || (digits > 1 && p[-digits] == '0')) return 0;
    bytes[part] = static_cast<unsigned char>(value);
  }
  if (*p != '\0') return 0;
  std::memcpy(address, bytes, sizeof bytes);
  return 1;
}

const char* inet_ntop(INT family, const void* address, char* text, size_t size) {
  if (family != AF_INET) {
    WSASetLastError(WSAEAFNOSUPPORT);
    return nullptr;
  }
  if (address == nullptr || text == nullptr) {
    WSASetLastError(WSAEFAULT);
    return nullptr;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(address);
  char buffer[INET_ADDRSTRLEN];
  int length = std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  if (size_t(length) + 1 > size) {
    WSASetLastError(WSAEINVAL);
    return nullptr;
  }
  std::memcpy(text, buffer, size_t(length) + 1);
  return text;
}

u_short htons(u_short value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  u_short out;
  std::memcpy(&out, bytes, sizeof out);
  return out;
}
u_short ntohs(u_short value) { return htons(value); }
ULONG htonl(ULONG value) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  ULONG out;
  std::memcpy(&out, bytes, sizeof out);
  return out;
}
ULONG ntohl(ULONG value) { return htonl(value); }
