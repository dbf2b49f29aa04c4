// The system half of the layer's sockets, apart because the system's socket declarations
// and the Windows names cannot share a translation unit. Only basic types cross here;
// addresses are the bytes of a sockaddr_in, whose layout the two sides share. Each
// function takes Windows' constants, translates them, and on failure returns -1 with the
// WSAE* code already set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace POSIXsys {
int64_t socketOpen(int family, int type, int protocol);
int bind(int64_t s, const void* name, int nameLength);
int listen(int64_t s, int backlog);
int64_t accept(int64_t s, void* address, int* addressLength);
int connect(int64_t s, const void* name, int nameLength);
int recv(int64_t s, char* buffer, int length, int flags);
int send(int64_t s, const char* buffer, int length, int flags);
int close(int64_t s);
int shutdown(int64_t s, int how);
// Linger values arrive already widened: onOff and seconds.
int setIntOption(int64_t s, int level, int name, int value);
int setLinger(int64_t s, int onOff, int seconds);
// SO_RCVTIMEO: a recv that waits longer fails with WSAETIMEDOUT; 0 waits without end.
int setReceiveTimeout(int64_t s, unsigned milliseconds);
int getIntOption(int64_t s, int level, int name, int* value);
int getLinger(int64_t s, int* onOff, int* seconds);
int sockName(int64_t s, void* name, int* nameLength, bool peer);
// Descriptors and Windows event flags in, returned flags out.
int poll(const int64_t* sockets, const short* events, short* returned, unsigned count, int timeout);
int wsaFromErrno(int error);
}  // namespace POSIXsys
