// Sockets behind the door: the Winsock calls the network stand-in makes, with the same
// expectations for Windows and our layer (the codes, the byte order, a reset that a zero
// linger makes, a bound port 0, option round trips, a receive timeout), and that the
// layer's poll allocates nothing for a few descriptors.
#include "platform/PLATwindows.h"

#include "tests/support/TESTallocations.h"
#include "tests/support/TESTsupport.h"

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

class SocketTest : public ::testing::Test {
protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  }
  void TearDown() override {
    for (SOCKET s : m_Sockets) closesocket(s);
    EXPECT_EQ(WSACleanup(), 0);
  }
  SOCKET make() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    m_Sockets.push_back(s);
    return s;
  }
  void forget(SOCKET s) {
    for (SOCKET& kept : m_Sockets)
      if (kept == s) kept = INVALID_SOCKET;
  }
  static sockaddr_in loopback(int port) {
    sockaddr_in name{};
    name.sin_family = AF_INET;
    name.sin_port = htons(u_short(port));
    name.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return name;
  }
  // A listening socket on a port the system chose, and that port.
  SOCKET listening(int* port) {
    SOCKET s = make();
    sockaddr_in name = loopback(0);
    EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&name), sizeof name), 0);
    EXPECT_EQ(listen(s, SOMAXCONN), 0);
    int length = sizeof name;
    EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&name), &length), 0);
    *port = ntohs(name.sin_port);
    return s;
  }
  // A connected pair: the client's end and the accepted end.
  void pair(SOCKET* client, SOCKET* server) {
    int port = 0;
    SOCKET listener = listening(&port);
    ASSERT_GT(port, 0);
    *client = make();
    sockaddr_in name = loopback(port);
    ASSERT_EQ(connect(*client, reinterpret_cast<sockaddr*>(&name), sizeof name), 0);
    sockaddr_in peer{};
    int length = sizeof peer;
    *server = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
    ASSERT_NE(*server, INVALID_SOCKET);
    m_Sockets.push_back(*server);
    EXPECT_EQ(ntohl(peer.sin_addr.s_addr), INADDR_LOOPBACK);
  }

  std::vector<SOCKET> m_Sockets;
};

TEST_F(SocketTest, ByteOrderAndAddressTexts) {
  u_short port = htons(0x1234);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&port);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_EQ(ntohs(port), 0x1234);
  EXPECT_EQ(ntohl(htonl(0x7F000001)), 0x7F000001u);

  struct Case {
    const char* text;
    int result;
    unsigned char bytes[4];
  };
  const Case cases[] = {
      {"127.0.0.1", 1, {127, 0, 0, 1}},  {"255.255.255.255", 1, {255, 255, 255, 255}},
      {"0.0.0.0", 1, {0, 0, 0, 0}},      {"256.0.0.1", 0, {}},
      {"1.2.3", 0, {}},                  {"1.2.3.4.5", 0, {}},
      {"localhost", 0, {}},              {"", 0, {}},
      {" 1.2.3.4", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    in_addr address{};
    ASSERT_EQ(inet_pton(AF_INET, c.text, &address), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(std::memcmp(&address, c.bytes, 4), 0);
    char text[INET_ADDRSTRLEN];
    ASSERT_NE(inet_ntop(AF_INET, &address, text, sizeof text), nullptr);
    EXPECT_STREQ(text, c.text);
  }
}

TEST_F(SocketTest, BoundPortZeroAndTheTwoEnds) {
  SOCKET client, server;
  pair(&client, &server);
  sockaddr_in mine{}, theirs{};
  int length = sizeof mine;
  ASSERT_EQ(getsockname(client, reinterpret_cast<sockaddr*>(&mine), &length), 0);
  length = sizeof theirs;
  ASSERT_EQ(getpeername(server, reinterpret_cast<sockaddr*>(&theirs), &length), 0);
  EXPECT_EQ(mine.sin_port, theirs.sin_port);
  EXPECT_EQ(theirs.sin_family, AF_INET);

  const char message[] = "\x0BMSH|^~\\&\x1C\r";
  ASSERT_EQ(send(client, message, int(sizeof message - 1), 0), int(sizeof message - 1));
  WSAPOLLFD poll = {server, POLLRDNORM, 0};
  ASSERT_EQ(WSAPoll(&poll, 1, 5000), 1);
  EXPECT_TRUE(poll.revents & POLLRDNORM);
  char buffer[64];
  ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), int(sizeof message - 1));
  EXPECT_EQ(std::string(buffer, sizeof message - 1), message);
  // Nothing more to read: the poll times out.
  poll.revents = 0;
  EXPECT_EQ(WSAPoll(&poll, 1, 10), 0);
  // The end of the stream reads as 0.
  ASSERT_EQ(shutdown(client, SD_SEND), 0);
  EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 0);
}

TEST_F(SocketTest, ZeroLingerResetsThePeer) {
  SOCKET client, server;
  pair(&client, &server);
  struct linger abort = {1, 0};
  ASSERT_EQ(setsockopt(server, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort), 0);
  struct linger read{};
  int length = sizeof read;
  ASSERT_EQ(getsockopt(server, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&read), &length), 0);
  EXPECT_NE(read.l_onoff, 0);
  EXPECT_EQ(read.l_linger, 0);
  ASSERT_EQ(closesocket(server), 0);
  forget(server);
  char buffer[8];
  int got = recv(client, buffer, sizeof buffer, 0);
  if (TEST_WINDOWS_BUILD && got == 0) return;  // Wine ends the stream where Windows resets it
  EXPECT_EQ(got, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST_F(SocketTest, FailuresAndTheirCodes) {
  // A port nobody listens on any more.
  int port = 0;
  SOCKET gone = listening(&port);
  closesocket(gone);
  forget(gone);
  SOCKET s = make();
  sockaddr_in name = loopback(port);
  EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&name), sizeof name), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);

  // The same port twice, without SO_REUSEADDR and while the first still listens.
  SOCKET first = listening(&port);
  (void)first;
  SOCKET second = make();
  name = loopback(port);
  EXPECT_EQ(bind(second, reinterpret_cast<sockaddr*>(&name), sizeof name), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);

  int on = 1;
  EXPECT_EQ(setsockopt(second, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on), 0);
  EXPECT_EQ(setsockopt(second, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on), 0);
  int value = 0, length = sizeof value;
  EXPECT_EQ(getsockopt(second, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&value), &length), 0);
  EXPECT_NE(value, 0);

  EXPECT_EQ(setsockopt(second, SOL_SOCKET, 0x7777, reinterpret_cast<const char*>(&on), sizeof on), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);

  char buffer[4];
  EXPECT_EQ(recv(INVALID_SOCKET, buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(send(second, "x", 1, 0), SOCKET_ERROR);  // never connected
  // Wine reports this one as a reset.
  if (!TEST_WINDOWS_BUILD) {
    EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
  }
}

TEST_F(SocketTest, AReceiveTimeoutEndsAWaitingRecvAndKeepsTheConnection) {
  SOCKET client, server;
  pair(&client, &server);
  DWORD wait = 50;
  ASSERT_EQ(setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait), 0);
  char buffer[16];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
  // The connection still carries what comes after.
  ASSERT_EQ(send(client, "late", 4, 0), 4);
  ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), 4);
  EXPECT_EQ(std::string(buffer, 4), "late");
  // Too short a value is refused.
  EXPECT_EQ(setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), 2), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
}

TEST_F(SocketTest, PollAllocatesNothingForAFewSocketsAndServesMany) {
  if (TEST_WINDOWS_BUILD) GTEST_SKIP() << "the layer's own poll";
  SOCKET client, server;
  pair(&client, &server);
  ASSERT_EQ(send(client, "x", 1, 0), 1);
  WSAPOLLFD one = {server, POLLRDNORM, 0};
  ASSERT_EQ(WSAPoll(&one, 1, 5000), 1);
  long before = TESTallocations();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(WSAPoll(&one, 1, 0), 1);
  EXPECT_EQ(TESTallocations() - before, 0);
  EXPECT_TRUE(one.revents & POLLRDNORM);

  // More descriptors than fit on the stack: each keeps its own answer.
  std::vector<WSAPOLLFD> many;
  for (int i = 0; i < 40; ++i) many.push_back({i % 2 ? server : client, POLLRDNORM, 0});
  ASSERT_EQ(WSAPoll(many.data(), ULONG(many.size()), 0), 20);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(bool(many[size_t(i)].revents & POLLRDNORM), i % 2 == 1) << i;
}

}  // namespace
