// The sockmod2 stand-in over real loopback TCP: framing in both directions, the events
// and their two roads (message loop, I/O thread), closing soft and hard, the listener
// registry's waiting, the translation locales and the control interface. Peers that are
// not the stand-in are plain sockets through the platform door.
#include "hl7_bridge/VRNlibraryContract.h"
#include "standins/sockmod2/SOCKstandinControl.h"
#include "platform/PLATwindows.h"

#include "tests/support/TESTsupport.h"

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
  as_recorder(u)->add("connectionError " + std::to_string(code) + " " + text_of(text));
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
  EXPECT_EQ(m_Server.count("connectionError"), 0);
  ASSERT_OK(VRNlistenerCountOfConnection(m_Listener, &count));
  EXPECT_EQ(count, 0);
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

}  // namespace
