// The listener and its connections. A listener binds one IPv4 address and port and runs an
// accept thread while it listens; each accepted connection reads on a link of its own
// (SOCKstandinLink.h). Events go through the listener side's message loop to the user
// values of the listener's audience. A connection holds the listener's shared state while
// its reader runs; the listener holds a reference to each open connection.
#include "standins/sockmod2/SOCKstandinControl.h"
#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinEvents.h"
#include "standins/sockmod2/SOCKstandinLink.h"
#include "standins/sockmod2/SOCKstandinSide.h"

#include <algorithm>
#include <cstring>
#include <memory>


namespace {

class Connection;

struct ListenerCore : SOCKside {
  void deliver(const SOCKevent& event) override;

  std::string host = "127.0.0.1";
  SOCKET socket = INVALID_SOCKET;  // owned by the accept thread while it runs
  int port = 0;
  bool listening = false;
  std::shared_ptr<bool> stopAccept;
  std::thread acceptThread;
  std::vector<SOCKref<Connection>> connections;
  // Closed connections stay alive while the listener does: callers keep handles to them
  // without a reference of their own and may still ask them their identity.
  std::vector<SOCKref<Connection>> retired;
};

std::atomic<int> s_NextId{1};

class Connection : public SOCKobject {
public:
  Connection() : SOCKobject(SOCKkindConnection) {}
  Connection(std::shared_ptr<SOCKlink> link) : SOCKobject(SOCKkindConnection), m_Link(std::move(link)), m_Id(s_NextId++) {}
  SOCKlink* link() const { return m_Link.get(); }
  int id() const { return m_Id; }

private:
  void lastRelease() override {
    if (m_Link) m_Link->join();
  }
  std::shared_ptr<SOCKlink> m_Link;
  int m_Id = 0;
};

class Listener : public SOCKobject {
public:
  Listener() : SOCKobject(SOCKkindListener), m_Core(std::make_shared<ListenerCore>()) {}
  const std::shared_ptr<ListenerCore>& core() const { return m_Core; }

private:
  void lastRelease() override;
  std::shared_ptr<ListenerCore> m_Core;
};

void ListenerCore::deliver(const SOCKevent& e) {
  SOCKlistenerCallbacks c = SOCKlistenerCallbacksNow();
  audience.deliver([&](void* user) {
    switch (e.what) {
      case SOCKlistenerErrorEvent: if (c.listenerError) c.listenerError(user, e.textOrNull(), e.code); break;
      case SOCKconnectEvent: if (c.connect) c.connect(user, e.connection); break;
      case SOCKdisconnectEvent: if (c.disconnect) c.disconnect(user, e.connection); break;
      case SOCKconnectionErrorEvent:
        if (c.connectionError) c.connectionError(user, e.connection, e.textOrNull(), e.code);
        break;
      case SOCKlistenerMessageEvent: if (c.message) c.message(user, e.connection, e.textOrNull()); break;
      case SOCKlistenerIgnoredEvent: if (c.ignoredData) c.ignoredData(user, e.connection, e.textOrNull()); break;
    }
  });
}

// An event of the stand-in's own, about a connection it holds until the event is delivered.
void post(const std::shared_ptr<SOCKeventTarget>& core, int what, const SOCKref<Connection>& connection,
          std::string text = std::string(), int code = 0) {
  SOCKevent event;
  event.what = what;
  event.connection = static_cast<SOCKobject*>(connection.get());
  if (connection.get()) event.held = SOCKref<SOCKobject>(connection.get());
  event.text = std::move(text);
  event.code = code;
  SOCKlistenerLoop().post(core, std::move(event));
}

void remove_connection(const std::shared_ptr<ListenerCore>& core, Connection* connection) {
  std::lock_guard<std::mutex> hold(core->lock);
  auto found = std::find_if(core->connections.begin(), core->connections.end(),
                            [&](const SOCKref<Connection>& kept) { return kept.get() == connection; });
  if (found == core->connections.end()) return;
  core->retired.push_back(*found);
  core->connections.erase(found);
}

// What a connection's reader reports goes through the listener side's loop.
class ConnectionSink : public SOCKlinkSink {
public:
  ConnectionSink(std::shared_ptr<ListenerCore> core, SOCKref<Connection> connection)
      : m_Core(std::move(core)), m_Target(m_Core), m_Connection(std::move(connection)) {}
  void message(std::string text) override { post(m_Target, SOCKlistenerMessageEvent, m_Connection, std::move(text)); }
  void ignored(std::string text) override { post(m_Target, SOCKlistenerIgnoredEvent, m_Connection, std::move(text)); }
  void error(const std::string& text, int code) override {
    post(m_Target, SOCKconnectionErrorEvent, m_Connection, text, code);
  }
  void closed() override {
    remove_connection(m_Core, m_Connection.get());
    post(m_Target, SOCKdisconnectEvent, m_Connection);
  }

private:
  std::shared_ptr<ListenerCore> m_Core;
  std::shared_ptr<SOCKeventTarget> m_Target;  // the same side, as the loop takes it
  SOCKref<Connection> m_Connection;
};

void accepted(const std::shared_ptr<ListenerCore>& core, SOCKET socket) {
  std::string header, trailer;
  core->blocks(header, trailer);
  auto link = std::make_shared<SOCKlink>(socket, header, trailer);
  SOCKref<Connection> connection(new Connection(link), true);
  {
    std::lock_guard<std::mutex> hold(core->lock);
    core->connections.push_back(connection);
  }
  post(core, SOCKconnectEvent, connection);
  link->start(std::unique_ptr<SOCKlinkSink>(new ConnectionSink(core, connection)));
}

void accept_loop(std::shared_ptr<ListenerCore> core, SOCKET listening, std::shared_ptr<bool> stop) {
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(core->lock);
      if (*stop) break;
    }
    WSAPOLLFD poll = {listening, POLLRDNORM, 0};
    int ready = WSAPoll(&poll, 1, 50);
    if (ready == 0) continue;
    SOCKET socket = ready == SOCKET_ERROR ? INVALID_SOCKET : accept(listening, nullptr, nullptr);
    if (socket == INVALID_SOCKET) {
      int code = WSAGetLastError();
      post(core, SOCKlistenerErrorEvent, SOCKref<Connection>(), SOCKwsaText(code), code);
      Sleep(50);
      continue;
    }
    accepted(core, socket);
  }
  closesocket(listening);
}

void stop_listening(const std::shared_ptr<ListenerCore>& core) {
  std::thread accepter;
  {
    std::lock_guard<std::mutex> hold(core->lock);
    if (!core->listening) return;
    core->listening = false;
    *core->stopAccept = true;
    accepter = std::move(core->acceptThread);
  }
  if (accepter.get_id() == std::this_thread::get_id()) accepter.detach();
  else accepter.join();
}

void close_all(const std::shared_ptr<ListenerCore>& core, bool wait) {
  std::vector<SOCKref<Connection>> connections;
  {
    std::lock_guard<std::mutex> hold(core->lock);
    connections = core->connections;
  }
  for (const SOCKref<Connection>& connection : connections) connection->link()->close(false);
  if (wait)
    for (const SOCKref<Connection>& connection : connections) connection->link()->join();
}

void Listener::lastRelease() {
  // No callback reaches a user value after this; then the threads end.
  m_Core->audience.clear();
  stop_listening(m_Core);
  close_all(m_Core, true);
}

}  // namespace

#define SOCK_LISTENER(handle, code)                                                                \
  SOCK_WITH_OBJECT(::Listener, SOCKkindListener, listener, handle,                                 \
                   const std::shared_ptr<ListenerCore>& core = listener->core(); (void)core; code)

#define SOCK_CONNECTION(handle, code) SOCK_WITH_OBJECT(::Connection, SOCKkindConnection, connection, handle, code)

extern "C" {

SOCK_OBJECT_LIFETIME(listener, ::Listener, SOCKkindListener, Listener)

SOCK_SIDE_FUNCTIONS(listener, SOCK_LISTENER, Listener)

VRNresult VRNlistenerGetPort(VRNhandle Listener, int* Port) {
  SOCK_ENTER(VRNlistenerGetPort, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Port);
    std::lock_guard<std::mutex> hold(core->lock);
    *Port = core->port;
    return nullptr;
  });
}

VRNresult VRNlistenerGetHost(VRNhandle Listener, const char** Host) {
  SOCK_ENTER(VRNlistenerGetHost, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Host);
    std::lock_guard<std::mutex> hold(core->lock);
    *Host = SOCKresult("VRNlistenerGetHost", core->host);
    return nullptr;
  });
}

VRNresult VRNlistenerSetHost(VRNhandle Listener, const char* Host) {
  SOCK_ENTER(VRNlistenerSetHost, SOCKpointerArg(Listener), SOCKtextArg(Host));
  SOCK_LISTENER(Listener, {
    ULONG address;
    if (VRNresult bad = SOCKparseHost(Host, &address)) return bad;
    std::lock_guard<std::mutex> hold(core->lock);
    core->host = Host;
    return nullptr;
  });
}

VRNresult VRNlistenerGetIsListening(VRNhandle Listener, unsigned char* Flag) {
  SOCK_ENTER(VRNlistenerGetIsListening, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Flag);
    std::lock_guard<std::mutex> hold(core->lock);
    *Flag = core->listening ? 1 : 0;
    return nullptr;
  });
}

VRNresult VRNlistenerGetConnection(VRNhandle Listener, int Index, VRNhandle* Connection) {
  SOCK_ENTER(VRNlistenerGetConnection, SOCKpointerArg(Listener), SOCKnumberArg(Index));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Connection);
    std::lock_guard<std::mutex> hold(core->lock);
    if (Index < 0 || size_t(Index) >= core->connections.size())
      return SOCKfail("Connection index out of range", "Index", std::to_string(Index));
    *Connection = static_cast<SOCKobject*>(core->connections[size_t(Index)].get());
    return nullptr;
  });
}

VRNresult VRNlistenerCountOfConnection(VRNhandle Listener, int* Count) {
  SOCK_ENTER(VRNlistenerCountOfConnection, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Count);
    std::lock_guard<std::mutex> hold(core->lock);
    *Count = int(core->connections.size());
    return nullptr;
  });
}

VRNresult VRNlistenerStopMessageLoop(VRNhandle Listener) {
  SOCK_ENTER(VRNlistenerStopMessageLoop, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, SOCKlistenerLoop().stop(); return nullptr;);
}

VRNresult VRNlistenerRunMessageLoop() {
  SOCK_ENTER(VRNlistenerRunMessageLoop);
  return SOCKguard([&]() -> VRNresult {
    SOCKlistenerLoop().run();
    return nullptr;
  });
}

VRNresult VRNlistenerStartListen(VRNhandle Listener, int Port) {
  SOCK_ENTER(VRNlistenerStartListen, SOCKpointerArg(Listener), SOCKnumberArg(Port));
  SOCK_LISTENER(Listener, {
    if (Port < 0 || Port > 65535) return SOCKfail("Port out of range", "Port", std::to_string(Port));
    std::lock_guard<std::mutex> hold(core->lock);
    if (core->listening) return SOCKfail("Already listening", "Port", std::to_string(core->port));
    ULONG address;
    if (VRNresult bad = SOCKparseHost(core->host.c_str(), &address)) return bad;
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return SOCKsocketFail("socket", WSAGetLastError());
    int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    sockaddr_in name{};
    name.sin_family = AF_INET;
    name.sin_port = htons(u_short(Port));
    name.sin_addr.s_addr = address;
    int length = sizeof name;
    const char* failed = nullptr;
    if (bind(socket, reinterpret_cast<const sockaddr*>(&name), sizeof name) == SOCKET_ERROR) failed = "bind";
    else if (listen(socket, SOMAXCONN) == SOCKET_ERROR) failed = "listen";
    else if (getsockname(socket, reinterpret_cast<sockaddr*>(&name), &length) == SOCKET_ERROR) failed = "getsockname";
    if (failed) {
      int code = WSAGetLastError();
      closesocket(socket);
      return SOCKsocketFail(failed, code);
    }
    core->port = ntohs(name.sin_port);
    core->listening = true;
    core->stopAccept = std::make_shared<bool>(false);
    SOCKcountUp(SOCKkindThread);
    std::shared_ptr<ListenerCore> shared = core;
    std::shared_ptr<bool> stop = core->stopAccept;
    core->acceptThread = std::thread([shared, socket, stop]() {
      accept_loop(shared, socket, stop);
      SOCKcountDown(SOCKkindThread);
    });
    return nullptr;
  });
}

VRNresult VRNlistenerMakePrintable(VRNhandle Listener, const char* Input, const char* NewLine, int Count,
                                   const char** Printable) {
  SOCK_ENTER(VRNlistenerMakePrintable, SOCKpointerArg(Listener), SOCKtextArg(Input), SOCKtextArg(NewLine), SOCKnumberArg(Count));
  SOCK_LISTENER(Listener, {
    SOCK_NEED(Printable);
    *Printable = SOCKresult("VRNlistenerMakePrintable", SOCKprintable(Input, NewLine, Count));
    return nullptr;
  });
}

VRNresult VRNlistenerStopListen(VRNhandle Listener) {
  SOCK_ENTER(VRNlistenerStopListen, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, stop_listening(core); return nullptr;);
}

VRNresult VRNlistenerCloseAll(VRNhandle Listener) {
  SOCK_ENTER(VRNlistenerCloseAll, SOCKpointerArg(Listener));
  SOCK_LISTENER(Listener, close_all(core, false); return nullptr;);
}

#define SOCK_LISTENER_SETTER(Name, Field, Type) \
  SOCK_CALLBACK_SETTER(Name, SOCKsetListenerCallbacks, SOCKlistenerCallbacks, Field, Type)
SOCK_LISTENER_SETTER(VRNlistenerSetListenerErrorCallback, listenerError, VRNlistenerErrorCallback)
SOCK_LISTENER_SETTER(VRNlistenerSetConnectCallback, connect, VRNlistenerConnectionCallback)
SOCK_LISTENER_SETTER(VRNlistenerSetDisconnectCallback, disconnect, VRNlistenerConnectionCallback)
SOCK_LISTENER_SETTER(VRNlistenerSetConnectionErrorCallback, connectionError, VRNlistenerConnectionErrorCallback)
SOCK_LISTENER_SETTER(VRNlistenerSetMessageCallback, message, VRNlistenerConnectionTextCallback)
SOCK_LISTENER_SETTER(VRNlistenerSetIgnoredDataCallback, ignoredData, VRNlistenerConnectionTextCallback)

// ---- connection ----

SOCK_OBJECT_LIFETIME(connection, ::Connection, SOCKkindConnection, Connection)

VRNresult VRNconnectionGetRemoteHostName(VRNhandle Connection, const char** Host) {
  SOCK_ENTER(VRNconnectionGetRemoteHostName, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    SOCK_NEED(Host);
    if (!connection->link()) return SOCKfail("Not connected");
    // No name service here: the loopback network is "localhost", others go as numbers.
    bool loopback = (unsigned(connection->link()->remoteAddress()) >> 24) == 127;
    *Host = SOCKresult("VRNconnectionGetRemoteHostName", loopback ? "localhost" : connection->link()->remoteText());
    return nullptr;
  });
}

VRNresult VRNconnectionGetId(VRNhandle Connection, int* Id) {
  SOCK_ENTER(VRNconnectionGetId, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    SOCK_NEED(Id);
    *Id = connection->id();
    return nullptr;
  });
}

VRNresult VRNconnectionGetRemoteIpAddress(VRNhandle Connection, int* Address) {
  SOCK_ENTER(VRNconnectionGetRemoteIpAddress, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    SOCK_NEED(Address);
    *Address = connection->link() ? connection->link()->remoteAddress() : 0;
    return nullptr;
  });
}

VRNresult VRNconnectionGetRemoteIpAddressAsString(VRNhandle Connection, const char** Address) {
  SOCK_ENTER(VRNconnectionGetRemoteIpAddressAsString, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    SOCK_NEED(Address);
    *Address = SOCKresult("VRNconnectionGetRemoteIpAddressAsString",
                          connection->link() ? connection->link()->remoteText() : "");
    return nullptr;
  });
}

VRNresult VRNconnectionSendMessage(VRNhandle Connection, const char* Message) {
  SOCK_ENTER(VRNconnectionSendMessage, SOCKpointerArg(Connection), SOCKtextArg(Message));
  SOCK_CONNECTION(Connection, {
    SOCK_NEED(Message);
    if (!connection->link()) return SOCKfail("Not connected");
    return connection->link()->send(Message);
  });
}

VRNresult VRNconnectionClose(VRNhandle Connection) {
  SOCK_ENTER(VRNconnectionClose, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    if (connection->link()) connection->link()->close(false);
    return nullptr;
  });
}

VRNresult VRNconnectionHardClose(VRNhandle Connection) {
  SOCK_ENTER(VRNconnectionHardClose, SOCKpointerArg(Connection));
  SOCK_CONNECTION(Connection, {
    if (connection->link()) connection->link()->close(true);
    return nullptr;
  });
}

// ---- control ----

bool SOCKstandinListenerEvent(VRNhandle Listener, const char* Event, VRNhandle Connection, const char* Text, int Code,
                              bool FromWorker) {
  VRNresult error = nullptr;
  ::Listener* listener = static_cast<::Listener*>(SOCKobjectOf(Listener, SOCKkindListener, &error));
  if (!listener) {
    static_cast<LEGerror*>(error)->release();
    return false;
  }
  static const struct {
    const char* name;
    int what;
  } events[] = {{"listenerError", SOCKlistenerErrorEvent},      {"connect", SOCKconnectEvent},
                {"disconnect", SOCKdisconnectEvent},            {"connectionError", SOCKconnectionErrorEvent},
                {"message", SOCKlistenerMessageEvent},          {"ignoredData", SOCKlistenerIgnoredEvent}};
  for (const auto& known : events) {
    if (Event == nullptr || std::strcmp(Event, known.name) != 0) continue;
    SOCKraise(FromWorker, SOCKlistenerLoop(), listener->core(), SOCKraisedEvent(known.what, Connection, Text, Code));
    return true;
  }
  return false;
}

}  // extern "C"
