// The POSIX socket calls behind the layer's Winsock names (POSIXsocket.h).
#include "platform/posix/POSIXsocketSystem.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

void WSASetLastError(int error);

namespace POSIXsys {
namespace {

// Windows' values of the option levels, names and poll flags the layer serves.
const int WinSolSocket = 0xffff, WinIpprotoTcp = 6;
const int WinReuseAddr = 0x0004, WinTcpNoDelay = 0x0001;
const short WinPollRdNorm = 0x0100, WinPollRdBand = 0x0200, WinPollPri = 0x0400, WinPollWrNorm = 0x0010,
            WinPollErr = 0x0001, WinPollHup = 0x0002, WinPollNval = 0x0004;
const int WSAEnoprotoopt = 10042, WSAEnotsock = 10038, WSAEinval = 10022;

int fail() {
  WSASetLastError(wsaFromErrno(errno));
  return -1;
}

// A handle that no descriptor can be: the call fails as Windows fails it on a non-socket.
bool descriptor(int64_t s, int& fd) {
  if (s < 0 || s > 0x7fffffff) {
    WSASetLastError(WSAEnotsock);
    return false;
  }
  fd = int(s);
  return true;
}

// The system's (level, name) for Windows' pair; false for an option the layer does not serve.
bool option(int level, int name, int& sysLevel, int& sysName) {
  if (level == WinSolSocket) {
    sysLevel = SOL_SOCKET;
    if (name != WinReuseAddr) return false;
    sysName = SO_REUSEADDR;
    return true;
  }
  if (level == WinIpprotoTcp && name == WinTcpNoDelay) {
    sysLevel = IPPROTO_TCP;
    sysName = TCP_NODELAY;
    return true;
  }
  return false;
}

}  // namespace

int wsaFromErrno(int error) {
  switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10038;  // Windows knows no such socket: WSAENOTSOCK
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case EOPNOTSUPP: return 10045;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: case EPIPE: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case EHOSTUNREACH: return 10065;
    default: return 10022;
  }
}

int64_t socketOpen(int family, int type, int protocol) {
  // Windows' sockets are not inherited by programs started later unless asked.
  int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
  return fd < 0 ? fail() : fd;
}

int bind(int64_t s, const void* name, int nameLength) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  return ::bind(fd, static_cast<const sockaddr*>(name), socklen_t(nameLength)) < 0 ? fail() : 0;
}

int listen(int64_t s, int backlog) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  if (backlog < 0 || backlog > SOMAXCONN) backlog = SOMAXCONN;
  return ::listen(fd, backlog) < 0 ? fail() : 0;
}

int64_t accept(int64_t s, void* address, int* addressLength) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  socklen_t length = addressLength ? socklen_t(*addressLength) : 0;
  int client = ::accept4(fd, static_cast<sockaddr*>(address), address ? &length : nullptr, SOCK_CLOEXEC);
  if (client < 0) return fail();
  if (addressLength) *addressLength = int(length);
  return client;
}

int connect(int64_t s, const void* name, int nameLength) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  return ::connect(fd, static_cast<const sockaddr*>(name), socklen_t(nameLength)) < 0 ? fail() : 0;
}

int recv(int64_t s, char* buffer, int length, int flags) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  if (length < 0) { WSASetLastError(WSAEinval); return -1; }
  ssize_t got = ::recv(fd, buffer, size_t(length), flags);
  if (got >= 0) return int(got);
  // Sockets here always block: a read that would block is one that the receive timeout
  // ended, which Windows reports as a time-out.
  if (errno == EAGAIN || errno == EWOULDBLOCK) {
    WSASetLastError(10060);
    return -1;
  }
  return fail();
}

int send(int64_t s, const char* buffer, int length, int flags) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  if (length < 0) { WSASetLastError(WSAEinval); return -1; }
  ssize_t sent = ::send(fd, buffer, size_t(length), flags | MSG_NOSIGNAL);
  if (sent >= 0) return int(sent);
  int error = errno;
  // Linux says EPIPE also for a socket that never was connected, which Windows tells apart.
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  if (error == EPIPE && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) < 0 && errno == ENOTCONN) {
    WSASetLastError(10057);
    return -1;
  }
  errno = error;
  return fail();
}

int close(int64_t s) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  return ::close(fd) < 0 ? fail() : 0;
}

int shutdown(int64_t s, int how) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  return ::shutdown(fd, how) < 0 ? fail() : 0;
}

int setIntOption(int64_t s, int level, int name, int value) {
  int fd, sysLevel, sysName;
  if (!descriptor(s, fd)) return -1;
  if (!option(level, name, sysLevel, sysName)) {
    WSASetLastError(WSAEnoprotoopt);
    return -1;
  }
  return ::setsockopt(fd, sysLevel, sysName, &value, sizeof value) < 0 ? fail() : 0;
}

int setLinger(int64_t s, int onOff, int seconds) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  ::linger value{onOff, seconds};
  return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value) < 0 ? fail() : 0;
}

int setReceiveTimeout(int64_t s, unsigned milliseconds) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  // 0 waits without end, on both systems.
  ::timeval value{time_t(milliseconds / 1000), suseconds_t((milliseconds % 1000) * 1000)};
  return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) < 0 ? fail() : 0;
}

int getIntOption(int64_t s, int level, int name, int* value) {
  int fd, sysLevel, sysName;
  if (!descriptor(s, fd)) return -1;
  if (!option(level, name, sysLevel, sysName)) {
    WSASetLastError(WSAEnoprotoopt);
    return -1;
  }
  socklen_t length = sizeof *value;
  return ::getsockopt(fd, sysLevel, sysName, value, &length) < 0 ? fail() : 0;
}

int getLinger(int64_t s, int* onOff, int* seconds) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  ::linger value{};
  socklen_t length = sizeof value;
  if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &value, &length) < 0) return fail();
  *onOff = value.l_onoff;
  *seconds = value.l_linger;
  return 0;
}

int sockName(int64_t s, void* name, int* nameLength, bool peer) {
  int fd;
  if (!descriptor(s, fd)) return -1;
  if (name == nullptr || nameLength == nullptr || *nameLength < int(sizeof(sockaddr_in))) {
    WSASetLastError(10014);
    return -1;
  }
  socklen_t length = socklen_t(*nameLength);
  int result = peer ? ::getpeername(fd, static_cast<sockaddr*>(name), &length)
                    : ::getsockname(fd, static_cast<sockaddr*>(name), &length);
  if (result < 0) return fail();
  *nameLength = int(length);
  return 0;
}

int poll(const int64_t* sockets, const short* events, short* returned, unsigned count, int timeout) {
  const unsigned Few = 16;
  pollfd few[Few];
  std::vector<pollfd> many;
  pollfd* fds = few;
  if (count > Few) {
    many.resize(count);
    fds = many.data();
  }
  for (unsigned i = 0; i < count; ++i) {
    int fd;
    if (!descriptor(sockets[i], fd)) return -1;
    fds[i].fd = fd;
    fds[i].events = short(((events[i] & WinPollRdNorm) ? POLLIN : 0) | ((events[i] & WinPollRdBand) ? POLLRDBAND : 0) |
                          ((events[i] & WinPollPri) ? POLLPRI : 0) | ((events[i] & WinPollWrNorm) ? POLLOUT : 0));
    fds[i].revents = 0;
  }
  int result;
  do {
    result = ::poll(fds, nfds_t(count), timeout < 0 ? -1 : timeout);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return fail();
  for (unsigned i = 0; i < count; ++i) {
    short r = fds[i].revents;
    returned[i] = short(((r & POLLIN) ? WinPollRdNorm : 0) | ((r & POLLRDBAND) ? WinPollRdBand : 0) |
                        ((r & POLLPRI) ? WinPollPri : 0) | ((r & POLLOUT) ? WinPollWrNorm : 0) |
                        ((r & POLLERR) ? WinPollErr : 0) | ((r & POLLHUP) ? WinPollHup : 0) |
                        ((r & POLLNVAL) ? WinPollNval : 0));
  }
  return result;
}

}  // namespace POSIXsys
