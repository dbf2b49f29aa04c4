// The sockmod2 stand-in over real loopback TCP: framing in both directions, the events
// and their two roads (message loop, I/O thread), closing soft and hard, the listener
// registry's waiting, the translation locales and the control interface. Peers that are
// not the stand-in are plain sockets through the platform door.
#include "contracts/VRNlibraryContract.h"
#include "standins/sockmod2/SOCKstandinControl.h"
#include "platform/PLATwindows.h"

#include "tests/support/TESTallocations.h"
#include "tests/support/TESTsupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::string description(VRNresult error) {
  const char* text = nullptr;
  EXPECT_EQ(VRNerrorGetDescription(error, &text), nullptr);
  return text ? text : "";
}

// The text of a failure through vrn_core's error functions, which release it.
std::string failure(VRNresult error) {
  if (error == nullptr) return "";
  if (VRNisUnhandledError(error)) return "all-ones";
  std::string text = description(error);
  EXPECT_EQ(VRNerrorRelease(error), nullptr);
  return text;
}

#define ASSERT_OK(call) ASSERT_EQ(failure(call), "")
#define EXPECT_OK(call) EXPECT_EQ(failure(call), "")

// Everything the callbacks see, one line per event with the thread it came on.
struct Recorder {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::string> events;
  std::vector<std::thread::id> threads;
  std::vector<VRNhandle> connections;
  std::function<void(const std::string&)> onEvent;  // runs inside the callback

  void add(const std::string& line, VRNhandle connection = nullptr) {
    if (onEvent) onEvent(line);
    std::lock_guard<std::mutex> hold(lock);
    events.push_back(line);
    threads.push_back(std::this_thread::get_id());
    if (connection) connections.push_back(connection);
    changed.notify_all();
  }
  int count(const std::string& prefix) {
    std::lock_guard<std::mutex> hold(lock);
    int n = 0;
    for (const std::string& line : events) n += line.compare(0, prefix.size(), prefix) == 0;
    return n;
  }
  bool waitFor(const std::string& prefix, int wanted = 1, std::chrono::milliseconds limit = 5000ms) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (count(prefix) < wanted)
      if (std::chrono::steady_clock::now() > end) return false;
      else std::this_thread::sleep_for(2ms);
    return true;
  }
  std::vector<std::thread::id> threadsOf(const std::string& prefix) {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::thread::id> out;
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].compare(0, prefix.size(), prefix) == 0) out.push_back(threads[i]);
    return out;
  }
  std::vector<std::string> lines(const std::string& prefix) {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> out;
    for (const std::string& line : events)
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
    return out;
  }
};

Recorder* as_recorder(void* user) { return static_cast<Recorder*>(user); }
std::string text_of(const char* text) { return text ? text : "(null)"; }

int onListenerError(void* u, const char* text, int code) {
  as_recorder(u)->add("listenerError " + text_of(text) + " " + std::to_string(code));
  return 0;
}
int onConnect(void* u, VRNhandle c) {
  as_recorder(u)->add("connect", c);
  return 0;
}
int onDisconnect(void* u, VRNhandle) {
  as_recorder(u)->add("disconnect");
  return 0;
}
int onConnectionError(void* u, VRNhandle, const char* text, int code) {
  as_recorder(u)->add("clientError " + std::to_string(code) + " " + text_of(text));
  return 0;
}
int onMessage(void* u, VRNhandle, const char* text) {
  as_recorder(u)->add("message " + text_of(text));
  return 0;
}
int onIgnored(void* u, VRNhandle, const char* text) {
  as_recorder(u)->add("ignored " + text_of(text));
  return 0;
}
int onClientConnected(void* u) {
  as_recorder(u)->add("connected");
  return 0;
}
int onClientClosed(void* u) {
  as_recorder(u)->add("closed");
  return 0;
}
int onClientMessage(void* u, const char* text) {
  as_recorder(u)->add("message " + text_of(text));
  return 0;
}
int onClientIgnored(void* u, const char* text) {
  as_recorder(u)->add("ignored " + text_of(text));
  return 0;
}
int onClientError(void* u, const char* text, int code) {
  as_recorder(u)->add("error " + std::to_string(code) + " " + text_of(text));
  return 0;
}

void installCallbacks() {
  VRNlistenerSetListenerErrorCallback(onListenerError);
  VRNlistenerSetConnectCallback(onConnect);
  VRNlistenerSetDisconnectCallback(onDisconnect);
  VRNlistenerSetConnectionErrorCallback(onConnectionError);
  VRNlistenerSetMessageCallback(onMessage);
  VRNlistenerSetIgnoredDataCallback(onIgnored);
  VRNclientSetConnectCallback(onClientConnected);
  VRNclientSetClosedCallback(onClientClosed);
  VRNclientSetMessageCallback(onClientMessage);
  VRNclientSetIgnoredDataCallback(onClientIgnored);
  VRNclientSetErrorCallback(onClientError);
}

bool waitForZero(const char* kind, std::chrono::milliseconds limit = 5000ms) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (SOCKstandinLiveCount(kind) != 0)
    if (std::chrono::steady_clock::now() > end) return false;
    else std::this_thread::sleep_for(2ms);
  return true;
}

// A plain socket peer, for what the stand-in must cope with from the other side.
class RawPeer {
public:
  explicit RawPeer(int port) {
    m_Socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in name{};
    name.sin_family = AF_INET;
    name.sin_port = htons(u_short(port));
    inet_pton(AF_INET, "127.0.0.1", &name.sin_addr);
    m_Connected = connect(m_Socket, reinterpret_cast<sockaddr*>(&name), sizeof name) == 0;
  }
  ~RawPeer() {
    if (m_Socket != INVALID_SOCKET) closesocket(m_Socket);
  }
  bool connected() const { return m_Connected; }
  void write(const std::string& bytes) {
    ASSERT_EQ(send(m_Socket, bytes.data(), int(bytes.size()), 0), int(bytes.size()));
  }
  // Reads until want bytes have come, the stream ends or fails; the WSA code of a failure.
  std::string read(size_t want, int* code = nullptr) {
    std::string got;
    char buffer[4096];
    while (got.size() < want) {
      int n = recv(m_Socket, buffer, sizeof buffer, 0);
      if (n <= 0) {
        if (code) *code = n == 0 ? 0 : WSAGetLastError();
        break;
      }
      got.append(buffer, size_t(n));
    }
    return got;
  }
  void hardClose() {
    struct linger abort = {1, 0};
    setsockopt(m_Socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    closesocket(m_Socket);
    m_Socket = INVALID_SOCKET;
  }

private:
  SOCKET m_Socket = INVALID_SOCKET;
  bool m_Connected = false;
};

class SockmodTest : public ::testing::Test {
protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    installCallbacks();
    SOCKstandinReset();
    ASSERT_OK(VRNlistenerCreate(&m_Listener));
    ASSERT_OK(VRNlistenerAddListener(m_Listener, &m_Server));
  }
  void TearDown() override {
    if (m_Client) {
      VRNclientRemoveListener(m_Client, &m_ClientEvents);
      EXPECT_OK(VRNclientRelease(m_Client));
    }
    if (m_Listener) {
      VRNlistenerRemoveListener(m_Listener, &m_Server);
      EXPECT_OK(VRNlistenerRelease(m_Listener));
    }
    EXPECT_TRUE(waitForZero("thread"));
    EXPECT_TRUE(waitForZero("connection"));
    EXPECT_EQ(SOCKstandinLiveCount("listener"), 0);
    EXPECT_EQ(SOCKstandinLiveCount("client"), 0);
    EXPECT_EQ(SOCKstandinLiveCount("error"), 0);
    WSACleanup();
  }
  int listen() {
    EXPECT_OK(VRNlistenerStartListen(m_Listener, 0));
    int port = 0;
    EXPECT_OK(VRNlistenerGetPort(m_Listener, &port));
    return port;
  }
  void makeClient() {
    ASSERT_OK(VRNclientCreate(&m_Client));
    ASSERT_OK(VRNclientAddListener(m_Client, &m_ClientEvents));
  }

  VRNhandle m_Listener = nullptr;
  VRNhandle m_Client = nullptr;
  Recorder m_Server, m_ClientEvents;
};

TEST_F(SockmodTest, EchoBetweenClientAndServer) {
  m_Server.onEvent = [&](const std::string& line) {
    if (line.compare(0, 8, "message ") == 0) {
      std::lock_guard<std::mutex> hold(m_Server.lock);
      VRNhandle connection = m_Server.connections.back();
      EXPECT_OK(VRNconnectionSendMessage(connection, ("echo:" + line.substr(8)).c_str()));
    }
  };
  int port = listen();
  ASSERT_GT(port, 0);
  unsigned char listening = 0;
  ASSERT_OK(VRNlistenerGetIsListening(m_Listener, &listening));
  EXPECT_EQ(listening, 1);
  makeClient();
  ASSERT_OK(VRNclientConnect(m_Client, "127.0.0.1", port));
  unsigned char connected = 0;
  ASSERT_OK(VRNclientGetIsConnected(m_Client, &connected));
  EXPECT_EQ(connected, 1);
  ASSERT_TRUE(m_ClientEvents.waitFor("connected"));
  ASSERT_TRUE(m_Server.waitFor("connect"));
  ASSERT_OK(VRNclientSendMessage(m_Client, "MSH|^~\\&|A\rPID|1"));
  ASSERT_TRUE(m_ClientEvents.waitFor("message "));
  EXPECT_EQ(m_ClientEvents.lines("message "), std::vector<std::string>{"echo:MSH|^~\\&|A\rPID|1"});

  int count = 0;
  ASSERT_OK(VRNlistenerCountOfConnection(m_Listener, &count));
  ASSERT_EQ(count, 1);
  VRNhandle connection = nullptr;
  ASSERT_OK(VRNlistenerGetConnection(m_Listener, 0, &connection));
  int address = 0, id = 0;
  const char* text = nullptr;
  EXPECT_OK(VRNconnectionGetRemoteIpAddress(connection, &address));
  EXPECT_EQ(address, 0x7F000001);
  EXPECT_OK(VRNconnectionGetRemoteIpAddressAsString(connection, &text));
  EXPECT_STREQ(text, "127.0.0.1");
  EXPECT_OK(VRNconnectionGetId(connection, &id));
  EXPECT_GT(id, 0);
  EXPECT_NE(failure(VRNlistenerGetConnection(m_Listener, 1, &connection)), "");

  ASSERT_OK(VRNclientClose(m_Client));
  ASSERT_TRUE(m_ClientEvents.waitFor("closed"));
  ASSERT_TRUE(m_Server.waitFor("disconnect"));
  EXPECT_EQ(m_Server.count("clientError"), 0);
  ASSERT_OK(VRNlistenerCountOfConnection(m_Listener, &count));
  EXPECT_EQ(count, 0);
  // A closed connection's handle stays usable while its listener lives.
  int again = 0;
  EXPECT_OK(VRNconnectionGetId(connection, &again));
  EXPECT_EQ(again, id);
  EXPECT_NE(failure(VRNconnectionSendMessage(connection, "late")), "");
}

TEST_F(SockmodTest, TranslationLocalesAndEncodingObject) {
  int count = 0;
  ASSERT_OK(VRNvarnelEncodingCountOfTranslationLocale(&count));
  ASSERT_GT(count, 1);
  const char* current = nullptr;
  ASSERT_OK(VRNvarnelEncodingGetCurrentTranslationLocale(&current));
  const char* first = nullptr;
  ASSERT_OK(VRNvarnelEncodingTranslationLocale(0, &first));
  EXPECT_STREQ(current, first);
  const char* last = nullptr;
  ASSERT_OK(VRNvarnelEncodingTranslationLocale(count - 1, &last));
  ASSERT_OK(VRNvarnelEncodingSetCurrentTranslationLocale(last));
  ASSERT_OK(VRNvarnelEncodingGetCurrentTranslationLocale(&current));
  EXPECT_STREQ(current, last);
  EXPECT_NE(failure(VRNvarnelEncodingTranslationLocale(count, &first)), "");
  EXPECT_NE(failure(VRNvarnelEncodingTranslationLocale(-1, &first)), "");
  EXPECT_NE(failure(VRNvarnelEncodingSetCurrentTranslationLocale("xx_XX")), "");
  ASSERT_OK(VRNvarnelEncodingGetCurrentTranslationLocale(&current));
  EXPECT_STREQ(current, last);  // a refused locale changes nothing

  VRNhandle encoding = nullptr;
  ASSERT_OK(VRNvarnelEncodingCreate(&encoding));
  EXPECT_EQ(SOCKstandinLiveCount("encoding"), 1);
  ASSERT_OK(VRNvarnelEncodingAddRef(encoding));
  ASSERT_OK(VRNvarnelEncodingRelease(encoding));
  EXPECT_EQ(SOCKstandinLiveCount("encoding"), 1);
  ASSERT_OK(VRNvarnelEncodingRelease(encoding));
  EXPECT_EQ(SOCKstandinLiveCount("encoding"), 0);
  // A handle of another kind is refused, not used.
  EXPECT_NE(failure(VRNvarnelEncodingAddRef(m_Listener)), "");
}

// What a peer writes, piece by piece, and what the listener must make of it.
// A 16 KB message cut into reads of 500 bytes, its trailer split between the last two.
std::string big_message() {
  std::string text;
  while (text.size() < 16 * 1024) text += "MSH|" + std::to_string(text.size()) + "\r";
  return text;
}
std::vector<std::string> many_pieces() {
  std::string frame = "\x0B" + big_message() + "\x1C\x0D";
  std::vector<std::string> pieces;
  for (size_t at = 0; at < frame.size() - 1; at += 500) pieces.push_back(frame.substr(at, std::min<size_t>(500, frame.size() - 1 - at)));
  pieces.push_back("\x0D");
  return pieces;
}

TEST_F(SockmodTest, FramingOfWhatArrives) {
  struct Case {
    const char* name;
    const char* header;
    const char* trailer;
    std::vector<std::string> pieces;
    std::vector<std::string> messages;
    std::string ignored;  // all ignored data, joined
  };
  const Case cases[] = {
      {"one frame", nullptr, nullptr, {"\x0BMSH|1\x1C\x0D"}, {"MSH|1"}, ""},
      {"blocks split across reads", nullptr, nullptr, {"\x0B", "MSH|2", "\x1C", "\x0D"}, {"MSH|2"}, ""},
      {"two frames in one read", nullptr, nullptr, {"\x0B" "a\x1C\x0D\x0B" "b\x1C\x0D"}, {"a", "b"}, ""},
      {"bytes outside frames", nullptr, nullptr, {"junk\x0B" "a\x1C\x0Dmore", "\x0B" "b\x1C\x0D"}, {"a", "b"}, "junkmore"},
      {"a trailer byte alone ends nothing", nullptr, nullptr, {"\x0B" "a\x1C" "b\x1C\x0D"}, {"a\x1C" "b"}, ""},
      {"unfinished frame at the end", nullptr, nullptr, {"\x0B" "done\x1C\x0D\x0Bhalf"}, {"done"}, "\x0Bhalf"},
      {"custom blocks split", "<<", ">>", {"x<", "<msg>", ">y"}, {"msg"}, "xy"},
      {"default blocks mean nothing under custom ones", "<<", ">>", {"\x0Bm\x1C\x0D<<n>>"}, {"n"}, "\x0Bm\x1C\x0D"},
      {"a long trailer split byte by byte", "<<", ">>>", {"<<ab>", ">", ">"}, {"ab"}, ""},
      {"a trailer's beginning that a read ends with and the next does not finish", "<<", ">>>",
       {"<<a>>", "b>", ">>"}, {"a>>b"}, ""},
      {"one message in many small reads", nullptr, nullptr, many_pieces(), {big_message()}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder events;
    VRNhandle listener = nullptr;
    ASSERT_OK(VRNlistenerCreate(&listener));
    ASSERT_OK(VRNlistenerAddListener(listener, &events));
    if (c.header) {
      ASSERT_OK(VRNlistenerSetHeaderBlock(listener, c.header));
      ASSERT_OK(VRNlistenerSetTrailerBlock(listener, c.trailer));
    }
    ASSERT_OK(VRNlistenerStartListen(listener, 0));
    int port = 0;
    ASSERT_OK(VRNlistenerGetPort(listener, &port));
    {
      RawPeer peer(port);
      ASSERT_TRUE(peer.connected());
      ASSERT_TRUE(events.waitFor("connect"));
      for (const std::string& piece : c.pieces) {
        peer.write(piece);
        std::this_thread::sleep_for(20ms);  // each piece its own read
      }
      ASSERT_TRUE(events.waitFor("message ", int(c.messages.size())));
    }
    ASSERT_TRUE(events.waitFor("disconnect"));
    EXPECT_EQ(events.lines("message "), c.messages);
    std::string ignored;
    for (const std::string& piece : events.lines("ignored ")) ignored += piece;
    EXPECT_EQ(ignored, c.ignored);
    ASSERT_OK(VRNlistenerRemoveListener(listener, &events));
    ASSERT_OK(VRNlistenerRelease(listener));
  }
}

TEST_F(SockmodTest, SentMessagesAreFramedWithTheBlocksOfTheSender) {
  ASSERT_OK(VRNlistenerSetHeaderBlock(m_Listener, "[["));
  ASSERT_OK(VRNlistenerSetTrailerBlock(m_Listener, "]]"));
  const char* block = nullptr;
  ASSERT_OK(VRNlistenerGetHeaderBlock(m_Listener, &block));
  EXPECT_STREQ(block, "[[");
  RawPeer peer(listen());
  ASSERT_TRUE(m_Server.waitFor("connect"));
  VRNhandle connection = nullptr;
  ASSERT_OK(VRNlistenerGetConnection(m_Listener, 0, &connection));
  ASSERT_OK(VRNconnectionSendMessage(connection, "hello"));
  EXPECT_EQ(peer.read(9), "[[hello]]");
  std::string big(64 * 1024, 'x');
  ASSERT_OK(VRNconnectionSendMessage(connection, big.c_str()));
  EXPECT_EQ(peer.read(big.size() + 4), "[[" + big + "]]");
}

TEST_F(SockmodTest, MakePrintable) {
  struct Case {
    const char* input;
    const char* newLine;
    int count;
    const char* expected;
  };
  const Case cases[] = {
      {"MSH|1\rPID|2\r", "\n", -1, "MSH|1\nPID|2\n"},
      {"\x0B" "A\x1C\r", "<CR>", -1, "\\x0B" "A\\x1C<CR>"},
      {"ABCDEF", "\n", 3, "ABC"},
      {"ABC", "\n", 10, "ABC"},
      {"ABC", "\n", 0, ""},
      {"A\rB", nullptr, -1, "AB"},
  };
  makeClient();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const char* printable = nullptr;
    ASSERT_OK(VRNlistenerMakePrintable(m_Listener, c.input, c.newLine, c.count, &printable));
    EXPECT_STREQ(printable, c.expected);
    ASSERT_OK(VRNclientMakePrintable(m_Client, c.input, c.newLine, c.count, &printable));
    EXPECT_STREQ(printable, c.expected);
  }
}

TEST_F(SockmodTest, AClientConnectsAgainAfterItClosed) {
  int port = listen();
  makeClient();
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_OK(VRNclientConnect(m_Client, "localhost", port));
    EXPECT_NE(failure(VRNclientConnect(m_Client, "localhost", port)), "");  // connected already
    ASSERT_TRUE(m_Server.waitFor("connect", round));
    VRNhandle connection = nullptr;
    ASSERT_OK(VRNlistenerGetConnection(m_Listener, 0, &connection));
    const char* host = nullptr;
    ASSERT_OK(VRNconnectionGetRemoteHostName(connection, &host));
    EXPECT_STREQ(host, "localhost");
    ASSERT_OK(VRNclientSendMessage(m_Client, ("round " + std::to_string(round)).c_str()));
    ASSERT_TRUE(m_Server.waitFor("message ", round));
    ASSERT_OK(VRNclientClose(m_Client));
    ASSERT_TRUE(m_ClientEvents.waitFor("closed", round));
    ASSERT_TRUE(m_Server.waitFor("disconnect", round));
    unsigned char connected = 1;
    ASSERT_OK(VRNclientGetIsConnected(m_Client, &connected));
    EXPECT_EQ(connected, 0);
  }
  EXPECT_EQ(m_Server.lines("message "), (std::vector<std::string>{"round 1", "round 2"}));
  EXPECT_EQ(m_ClientEvents.count("connected"), 2);
}

TEST_F(SockmodTest, RefusedArguments) {
  EXPECT_NE(failure(VRNlistenerSetHeaderBlock(m_Listener, "")), "");
  EXPECT_NE(failure(VRNlistenerSetTrailerBlock(m_Listener, nullptr)), "");
  EXPECT_NE(failure(VRNlistenerSetHost(m_Listener, "not an address")), "");
  EXPECT_NE(failure(VRNlistenerStartListen(m_Listener, 65536)), "");
  EXPECT_NE(failure(VRNlistenerStartListen(m_Listener, -1)), "");
  EXPECT_NE(failure(VRNlistenerGetPort(m_Listener, nullptr)), "");
  EXPECT_NE(failure(VRNlistenerAddListener(m_Listener, &m_Server)), "");  // already there
  EXPECT_NE(failure(VRNlistenerRemoveListener(m_Listener, &m_ClientEvents)), "");
  EXPECT_NE(failure(VRNlistenerAddRef(nullptr)), "");
  listen();
  EXPECT_NE(failure(VRNlistenerStartListen(m_Listener, 0)), "");  // already listening
  ASSERT_OK(VRNlistenerStopListen(m_Listener));
  unsigned char listening = 1;
  ASSERT_OK(VRNlistenerGetIsListening(m_Listener, &listening));
  EXPECT_EQ(listening, 0);

  VRNhandle loose = nullptr;
  ASSERT_OK(VRNconnectionCreate(&loose));
  EXPECT_NE(failure(VRNconnectionSendMessage(loose, "x")), "");
  ASSERT_OK(VRNconnectionRelease(loose));

  makeClient();
  EXPECT_NE(failure(VRNclientSendMessage(m_Client, "x")), "");
  EXPECT_NE(failure(VRNclientConnect(m_Client, "127.0.0.1", 0)), "");
  EXPECT_NE(failure(VRNclientConnect(m_Client, nullptr, 1)), "");
}

TEST_F(SockmodTest, AConnectionRefusedCarriesItsCode) {
  int port = listen();
  ASSERT_OK(VRNlistenerStopListen(m_Listener));
  makeClient();
  VRNresult error = VRNclientConnect(m_Client, "127.0.0.1", port);
  ASSERT_NE(error, nullptr);
  const char* code = nullptr;
  EXPECT_EQ(VRNerrorGetParameter(error, "Code", &code), nullptr);
  EXPECT_STREQ(code, std::to_string(WSAECONNREFUSED).c_str());
  EXPECT_EQ(VRNerrorRelease(error), nullptr);
}

TEST_F(SockmodTest, HardCloseResetsTheConnection) {
  int port = listen();
  // The client's hard close reaches the server as a reset, then the disconnect.
  makeClient();
  ASSERT_OK(VRNclientConnect(m_Client, "127.0.0.1", port));
  ASSERT_TRUE(m_Server.waitFor("connect"));
  ASSERT_OK(VRNclientHardClose(m_Client));
  ASSERT_TRUE(m_ClientEvents.waitFor("closed"));
  ASSERT_TRUE(m_Server.waitFor("disconnect"));
  // Wine closes a socket without lingering by ending the stream, where Windows resets it.
  if (!TEST_WINDOWS_BUILD) {
    EXPECT_EQ(m_Server.lines("clientError "),
              std::vector<std::string>{std::to_string(WSAECONNRESET) + " Connection reset by peer"});
  }
  // The server's hard close reaches a plain peer as a reset, not as the end of the stream.
  RawPeer peer(port);
  ASSERT_TRUE(m_Server.waitFor("connect", 2));
  VRNhandle connection = nullptr;
  ASSERT_OK(VRNlistenerGetConnection(m_Listener, 0, &connection));
  ASSERT_OK(VRNconnectionHardClose(connection));
  int code = -1;
  EXPECT_EQ(peer.read(1, &code), "");
  EXPECT_EQ(code, TEST_WINDOWS_BUILD && code == 0 ? 0 : WSAECONNRESET);
  ASSERT_TRUE(m_Server.waitFor("disconnect", 2));
  // A soft close ends the stream without a reset.
  RawPeer gentle(port);
  ASSERT_TRUE(m_Server.waitFor("connect", 3));
  ASSERT_OK(VRNlistenerGetConnection(m_Listener, 0, &connection));
  ASSERT_OK(VRNconnectionClose(connection));
  code = -1;
  EXPECT_EQ(gentle.read(1, &code), "");
  EXPECT_EQ(code, 0);
}

// Events come on the thread that runs the loop while one runs, else on the I/O threads.
TEST_F(SockmodTest, BothRoadsOfTheEvents) {
  int port = listen();
  makeClient();
  std::atomic<bool> started{false};
  std::thread::id loopThread;
  std::thread loop([&] {
    loopThread = std::this_thread::get_id();
    started = true;
    EXPECT_OK(VRNlistenerRunMessageLoop());
  });
  while (!started) std::this_thread::sleep_for(1ms);
  // Until the loop runs, a raised event is delivered at once on the raising thread.
  for (int probe = 1;; ++probe) {
    ASSERT_TRUE(SOCKstandinListenerEvent(m_Listener, "listenerError", nullptr, "probe", 0, false));
    ASSERT_TRUE(m_Server.waitFor("listenerError ", probe));
    if (m_Server.threadsOf("listenerError ").back() == loopThread) break;
  }
  ASSERT_OK(VRNclientConnect(m_Client, "127.0.0.1", port));
  ASSERT_TRUE(m_Server.waitFor("connect"));
  ASSERT_OK(VRNclientSendMessage(m_Client, "on the loop"));
  ASSERT_TRUE(m_Server.waitFor("message "));
  ASSERT_OK(VRNlistenerStopMessageLoop(m_Listener));
  loop.join();
  ASSERT_OK(VRNclientSendMessage(m_Client, "on the reader"));
  ASSERT_TRUE(m_Server.waitFor("message ", 2));
  ASSERT_TRUE(m_ClientEvents.waitFor("connected"));
  EXPECT_EQ(m_Server.threadsOf("connect"), std::vector<std::thread::id>{loopThread});
  std::vector<std::thread::id> messages = m_Server.threadsOf("message ");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], loopThread);
  EXPECT_NE(messages[1], loopThread);
  EXPECT_NE(messages[1], std::this_thread::get_id());
  EXPECT_NE(m_ClientEvents.threadsOf("connected").at(0), std::this_thread::get_id());
  // A stop that comes before any loop ends the next one once it has run what waits.
  ASSERT_OK(VRNclientStopMessageLoop(m_Client));
  std::thread early([] { EXPECT_OK(VRNclientRunMessageLoop()); });
  early.join();
}

// RemoveListener returns only when the callbacks of other threads for it have ended; one
// of its own thread does not make it wait.
TEST_F(SockmodTest, RemoveListenerWaitsForCallbacksInFlight) {
  std::atomic<bool> inside{false}, finished{false};
  m_Server.onEvent = [&](const std::string& line) {
    if (line.compare(0, 8, "message ") != 0) return;
    inside = true;
    std::this_thread::sleep_for(200ms);
    finished = true;
  };
  int port = listen();
  makeClient();
  ASSERT_OK(VRNclientConnect(m_Client, "127.0.0.1", port));
  ASSERT_OK(VRNclientSendMessage(m_Client, "slow"));
  while (!inside) std::this_thread::sleep_for(1ms);
  ASSERT_OK(VRNlistenerRemoveListener(m_Listener, &m_Server));
  EXPECT_TRUE(finished);
  ASSERT_OK(VRNclientSendMessage(m_Client, "unheard"));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(m_Server.count("message "), 1);

  Recorder self;
  self.onEvent = [&](const std::string& line) {
    if (line.compare(0, 8, "message ") == 0) {
      EXPECT_OK(VRNlistenerRemoveListener(m_Listener, &self));
    }
  };
  ASSERT_OK(VRNlistenerAddListener(m_Listener, &self));
  ASSERT_OK(VRNclientSendMessage(m_Client, "leave"));
  ASSERT_TRUE(self.waitFor("message "));
  ASSERT_OK(VRNlistenerAddListener(m_Listener, &m_Server));  // for the teardown's removal
}

// The last release of a listener closes what it accepted and ends its threads; nothing
// reaches its user values afterwards.
TEST_F(SockmodTest, ReleasingAListenerWithOpenConnections) {
  RawPeer peer(listen());
  ASSERT_TRUE(m_Server.waitFor("connect"));
  peer.write("\x0B" "before\x1C\r");
  ASSERT_TRUE(m_Server.waitFor("message "));
  ASSERT_OK(VRNlistenerRelease(m_Listener));  // with the user value still registered
  m_Listener = nullptr;
  EXPECT_EQ(SOCKstandinLiveCount("thread"), 0);
  EXPECT_EQ(SOCKstandinLiveCount("listener"), 0);
  int code = -1;
  EXPECT_EQ(peer.read(1, &code), "");
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(m_Server.count("disconnect"), 0);
  EXPECT_EQ(m_Server.lines("message "), std::vector<std::string>{"before"});
}

TEST_F(SockmodTest, ControlInterface) {
  EXPECT_TRUE(SOCKstandinFailNext("VRNlistenerGetPort", "Injected", "Key", "Value"));
  int port = 0;
  VRNresult error = VRNlistenerGetPort(m_Listener, &port);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(description(error), "Injected");
  const char* value = nullptr;
  EXPECT_EQ(VRNerrorGetParameter(error, "Key", &value), nullptr);
  EXPECT_STREQ(value, "Value");
  EXPECT_EQ(VRNerrorRelease(error), nullptr);
  EXPECT_OK(VRNlistenerGetPort(m_Listener, &port));  // only the next call
  EXPECT_TRUE(SOCKstandinFailNextUnhandled("VRNvarnelEncodingCountOfTranslationLocale"));
  int count = 0;
  EXPECT_TRUE(VRNisUnhandledError(VRNvarnelEncodingCountOfTranslationLocale(&count)));
  EXPECT_FALSE(SOCKstandinFailNext("VRNnoSuchFunction", "x", nullptr, nullptr));
  EXPECT_FALSE(SOCKstandinFailNext("VRNerrorRelease", "x", nullptr, nullptr));  // vrn_core's

  SOCKstandinReset();
  VRNlistenerSetHost(m_Listener, "127.0.0.1");
  VRNlistenerStartListen(m_Listener, 0);
  EXPECT_NE(std::string(SOCKstandinJournal()).find("VRNlistenerSetHost "), std::string::npos);
  EXPECT_NE(std::string(SOCKstandinJournal()).find("\"127.0.0.1\"\nVRNlistenerStartListen "), std::string::npos);
  EXPECT_EQ(SOCKstandinCallCount("VRNlistenerStartListen"), 1);
  EXPECT_EQ(SOCKstandinCallCount("VRNlistenerStart"), 0);
  EXPECT_EQ(SOCKstandinLiveCount("listener"), 1);
  EXPECT_EQ(SOCKstandinLiveCount("thread"), 1);  // the accept thread
  EXPECT_EQ(SOCKstandinLiveCount("nothing"), -1);

  // Events raised by hand carry what the network never would: a null text, a chosen code.
  EXPECT_TRUE(SOCKstandinListenerEvent(m_Listener, "message", nullptr, nullptr, 0, true));
  EXPECT_TRUE(SOCKstandinListenerEvent(m_Listener, "listenerError", nullptr, "bad", 7, false));
  EXPECT_FALSE(SOCKstandinListenerEvent(m_Listener, "nothing", nullptr, nullptr, 0, false));
  EXPECT_EQ(m_Server.lines("message "), std::vector<std::string>{"(null)"});
  EXPECT_EQ(m_Server.lines("listenerError "), std::vector<std::string>{"bad 7"});
  makeClient();
  EXPECT_TRUE(SOCKstandinClientEvent(m_Client, "error", nullptr, 5, false));
  EXPECT_FALSE(SOCKstandinClientEvent(m_Listener, "error", nullptr, 5, false));
  EXPECT_EQ(m_ClientEvents.lines("error "), std::vector<std::string>{"5 (null)"});
}

int countMessage(void* u, VRNhandle, const char*) {
  ++*static_cast<int*>(u);
  return 0;
}

// An event goes from where it is found to the callback as one value, with no callable made
// or copied for it: with no loop running and a short text, raising and delivering one
// allocates nothing.
TEST_F(SockmodTest, AnEventReachesItsCallbackWithoutAllocating) {
  if (TEST_WINDOWS_BUILD) GTEST_SKIP() << "the stand-in's DLL has a heap of its own";
  int messages = 0;
  ASSERT_OK(VRNlistenerRemoveListener(m_Listener, &m_Server));
  ASSERT_OK(VRNlistenerAddListener(m_Listener, &messages));
  VRNlistenerSetMessageCallback(countMessage);
  ASSERT_TRUE(SOCKstandinListenerEvent(m_Listener, "message", nullptr, "MSH|short", 0, false));
  long before = TESTallocations();
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(SOCKstandinListenerEvent(m_Listener, "message", nullptr, "MSH|short", 0, false));
  EXPECT_EQ(0, TESTallocations() - before);
  EXPECT_EQ(101, messages);
  ASSERT_OK(VRNlistenerRemoveListener(m_Listener, &messages));
  ASSERT_OK(VRNlistenerAddListener(m_Listener, &m_Server));
}

TEST_F(SockmodTest, ManyClientsNothingLostOrDuplicated) {
  int port = listen();
  const int Clients = 8, Messages = 100;
  std::vector<VRNhandle> clients(Clients);
  std::vector<Recorder> recorders(Clients);
  for (int i = 0; i < Clients; ++i) {
    ASSERT_OK(VRNclientCreate(&clients[i]));
    ASSERT_OK(VRNclientAddListener(clients[i], &recorders[i]));
    ASSERT_OK(VRNclientConnect(clients[i], "127.0.0.1", port));
  }
  std::vector<std::thread> senders;
  for (int i = 0; i < Clients; ++i)
    senders.emplace_back([&, i] {
      for (int m = 0; m < Messages; ++m)
        EXPECT_OK(VRNclientSendMessage(clients[i], (std::to_string(i) + "|" + std::to_string(m)).c_str()));
    });
  for (std::thread& sender : senders) sender.join();
  ASSERT_TRUE(m_Server.waitFor("message ", Clients * Messages, 20000ms));
  std::vector<std::string> got = m_Server.lines("message ");
  EXPECT_EQ(got.size(), size_t(Clients * Messages));
  std::vector<int> next(Clients, 0);
  for (const std::string& text : got) {
    size_t bar = text.find('|');
    int i = std::stoi(text.substr(0, bar)), m = std::stoi(text.substr(bar + 1));
    EXPECT_EQ(m, next[i]) << "client " << i;  // each connection in order, once
    next[i] = m + 1;
  }
  for (int i = 0; i < Clients; ++i) {
    ASSERT_OK(VRNclientRemoveListener(clients[i], &recorders[i]));
    ASSERT_OK(VRNclientRelease(clients[i]));
  }
}

}  // namespace

namespace {

// Every function of the contract's sockmod2 list is exported under its name and known to
// the injector, and an injected failure reaches the caller of exactly that function.
TEST(SockmodExports, EveryFunctionOfTheListIsThereAndInjectable) {
  std::string path = SOCKMOD2_LIBRARY;
  HMODULE library = LoadLibraryExA(TESTbuildPath(path).c_str(), nullptr, 0);
  ASSERT_NE(library, nullptr);
  const char* const names[] = {
#define SOCK_TEST_NAME(Name, Parameters) #Name,
      VRN_SOCKMOD_FUNCTIONS(SOCK_TEST_NAME)
#undef SOCK_TEST_NAME
  };
  for (const char* name : names) {
    SCOPED_TRACE(name);
    EXPECT_NE(GetProcAddress(library, name), nullptr);
    EXPECT_TRUE(SOCKstandinFailNextUnhandled(name));
  }
  SOCKstandinReset();  // the injections above are dropped, not left for the next test
  int count = 0;
  EXPECT_EQ(VRNvarnelEncodingCountOfTranslationLocale(&count), nullptr);
  EXPECT_EQ(GetProcAddress(library, "VRNerrorRelease"), nullptr);  // vrn_core's, not ours
  FreeLibrary(library);
}

}  // namespace
