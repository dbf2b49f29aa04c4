// Our Windows layer's sockets: the Winsock names, types and constants over POSIX sockets,
// for IPv4 TCP. A SOCKET is an unsigned pointer-sized handle as on Windows (the descriptor
// behind it), failures return SOCKET_ERROR or INVALID_SOCKET and leave a WSAE* code for
// WSAGetLastError. Option levels, option names and poll flags have Windows' values and are
// translated on the way down. Included only through platform/PLATwindows.h.
#pragma once

#include "platform/posix/POSIXbase.h"

typedef unsigned char u_char;
typedef unsigned short u_short;
typedef unsigned int u_int;
// No u_long: the system headers own that name with another width; ULONG serves instead.
typedef short SHORT;
typedef unsigned short USHORT;
typedef UINT_PTR SOCKET;
typedef u_short ADDRESS_FAMILY;

#define INVALID_SOCKET (SOCKET)(~0)
#define SOCKET_ERROR (-1)
#ifndef MAKEWORD
#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | ((WORD)((BYTE)(high))) << 8))
#endif

#define AF_INET 2
#define SOCK_STREAM 1
#define IPPROTO_TCP 6
#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK ((ULONG)0x7f000001)
#define INET_ADDRSTRLEN 22

#define SOL_SOCKET 0xffff
#define SO_REUSEADDR 0x0004
#define SO_LINGER 0x0080
#define SO_RCVTIMEO 0x1006
#define TCP_NODELAY 0x0001
#define SOMAXCONN 0x7fffffff

#define SD_RECEIVE 0x00
#define SD_SEND 0x01
#define SD_BOTH 0x02

#define POLLRDNORM 0x0100
#define POLLRDBAND 0x0200
#define POLLIN (POLLRDNORM | POLLRDBAND)
#define POLLPRI 0x0400
#define POLLWRNORM 0x0010
#define POLLOUT POLLWRNORM
#define POLLERR 0x0001
#define POLLHUP 0x0002
#define POLLNVAL 0x0004

// The codes of the failures the layer reports, with Windows' values.
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAEOPNOTSUPP 10045
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
// The field order of 64-bit Windows.
typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

struct in_addr {
  ULONG s_addr;  // network byte order
};
struct sockaddr {
  ADDRESS_FAMILY sa_family;
  char sa_data[14];
};
struct sockaddr_in {
  ADDRESS_FAMILY sin_family;
  USHORT sin_port;  // network byte order
  struct in_addr sin_addr;
  char sin_zero[8];
};
typedef struct sockaddr SOCKADDR;
typedef struct sockaddr_in SOCKADDR_IN;
struct linger {
  u_short l_onoff;
  u_short l_linger;
};
typedef struct pollfd_ws {
  SOCKET fd;
  SHORT events;
  SHORT revents;
} WSAPOLLFD, *LPWSAPOLLFD;

// Version 2.2 and below 1.0 as Windows answers; sockets work without it here, but every
// WSAStartup must still be paired with a WSACleanup.
int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);
// The WSAE* code for an errno value of a failed socket call.
int POSIXwsaErrorFromErrno(int error);

SOCKET socket(int family, int type, int protocol);
int bind(SOCKET s, const struct sockaddr* name, int nameLength);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, struct sockaddr* address, int* addressLength);
int connect(SOCKET s, const struct sockaddr* name, int nameLength);
// A send on a connection that the peer has dropped fails with WSAECONNRESET; it never
// raises a signal.
int recv(SOCKET s, char* buffer, int length, int flags);
int send(SOCKET s, const char* buffer, int length, int flags);
int closesocket(SOCKET s);
int shutdown(SOCKET s, int how);
// SOL_SOCKET's SO_REUSEADDR, SO_LINGER (a struct linger) and, for setsockopt only,
// SO_RCVTIMEO (a DWORD of milliseconds; a recv that it ends fails with WSAETIMEDOUT), and
// IPPROTO_TCP's TCP_NODELAY; anything else is WSAENOPROTOOPT.
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int getsockopt(SOCKET s, int level, int name, char* value, int* length);
int getsockname(SOCKET s, struct sockaddr* name, int* nameLength);
int getpeername(SOCKET s, struct sockaddr* name, int* nameLength);
// The number of entries with events, 0 on time-out, SOCKET_ERROR on failure; a timeout
// below 0 waits without end.
int WSAPoll(LPWSAPOLLFD descriptors, ULONG count, INT timeout);

// AF_INET only: 1 for a converted address, 0 for a text that is none, -1 with
// WSAEAFNOSUPPORT for another family.
INT inet_pton(INT family, const char* text, void* address);
const char* inet_ntop(INT family, const void* address, char* text, size_t size);

u_short htons(u_short value);
u_short ntohs(u_short value);
ULONG htonl(ULONG value);
ULONG ntohl(ULONG value);
