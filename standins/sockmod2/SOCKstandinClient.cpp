// The client: one outgoing connection at a time on a link (SOCKstandinLink.h), connected
// on the caller's thread; its events go through the client side's message loop to the
// user values of its audience. The link's reader holds the client's shared state, not the
// client itself, so that the last release can close and wait for it.
#include "standins/sockmod2/SOCKstandinControl.h"
#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinEvents.h"
#include "standins/sockmod2/SOCKstandinLink.h"
#include "standins/sockmod2/SOCKstandinSide.h"

#include <cstring>
#include <memory>

namespace {

struct ClientCore : SOCKside {
  std::shared_ptr<SOCKlink> link;

  void deliver(const SOCKevent& e) override {
    SOCKclientCallbacks c = SOCKclientCallbacksNow();
    audience.deliver([&](void* user) {
      switch (e.what) {
        case SOCKconnectedEvent: if (c.connected) c.connected(user); break;
        case SOCKclosedEvent: if (c.closed) c.closed(user); break;
        case SOCKclientMessageEvent: if (c.message) c.message(user, e.textOrNull()); break;
        case SOCKclientIgnoredEvent: if (c.ignoredData) c.ignoredData(user, e.textOrNull()); break;
        case SOCKclientErrorEvent: if (c.error) c.error(user, e.textOrNull(), e.code); break;
      }
    });
  }

private:
  // A connection open now frames its next messages with the new blocks.
  void blocksChanged() override {
    if (link) link->setBlocks(header, trailer);
  }
};

class Client : public SOCKobject {
public:
  Client() : SOCKobject(SOCKkindClient), m_Core(std::make_shared<ClientCore>()) {}
  const std::shared_ptr<ClientCore>& core() const { return m_Core; }

private:
  void lastRelease() override {
    m_Core->audience.clear();
    std::shared_ptr<SOCKlink> link;
    {
      std::lock_guard<std::mutex> hold(m_Core->lock);
      link = m_Core->link;
    }
    if (link) {
      link->close(false);
      link->join();
    }
  }
  std::shared_ptr<ClientCore> m_Core;
};

void post(const std::shared_ptr<SOCKeventTarget>& core, int what, std::string text = std::string(), int code = 0) {
  SOCKevent event;
  event.what = what;
  event.text = std::move(text);
  event.code = code;
  SOCKclientLoop().post(core, std::move(event));
}

// What the client's reader reports goes through the client side's loop.
class ClientSink : public SOCKlinkSink {
public:
  explicit ClientSink(std::shared_ptr<SOCKeventTarget> core) : m_Core(std::move(core)) {}
  void opened() override { post(m_Core, SOCKconnectedEvent); }
  void message(std::string text) override { post(m_Core, SOCKclientMessageEvent, std::move(text)); }
  void ignored(std::string text) override { post(m_Core, SOCKclientIgnoredEvent, std::move(text)); }
  void error(const std::string& text, int code) override { post(m_Core, SOCKclientErrorEvent, text, code); }
  void closed() override { post(m_Core, SOCKclosedEvent); }

private:
  std::shared_ptr<SOCKeventTarget> m_Core;
};

std::shared_ptr<SOCKlink> link_of(const std::shared_ptr<ClientCore>& core) {
  std::lock_guard<std::mutex> hold(core->lock);
  return core->link;
}

VRNresult connect_to(const std::shared_ptr<ClientCore>& core, const char* host, int port) {
  ULONG address;
  if (VRNresult bad = SOCKparseHost(host, &address)) return bad;
  if (port <= 0 || port > 65535) return SOCKfail("Port out of range", "Port", std::to_string(port));
  std::shared_ptr<SOCKlink> previous = link_of(core);
  if (previous && previous->open()) return SOCKfail("Already connected");
  // The reader of the connection before has ended or is ending; let it finish first.
  if (previous) previous->join();
  SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return SOCKsocketFail("socket", WSAGetLastError());
  sockaddr_in name{};
  name.sin_family = AF_INET;
  name.sin_port = htons(u_short(port));
  name.sin_addr.s_addr = address == htonl(INADDR_ANY) ? htonl(INADDR_LOOPBACK) : address;
  if (connect(socket, reinterpret_cast<const sockaddr*>(&name), sizeof name) == SOCKET_ERROR) {
    int code = WSAGetLastError();
    closesocket(socket);
    return SOCKsocketFail("connect", code);
  }
  std::string header, trailer;
  core->blocks(header, trailer);
  auto link = std::make_shared<SOCKlink>(socket, header, trailer);
  {
    std::lock_guard<std::mutex> hold(core->lock);
    core->link = link;
  }
  link->start(std::unique_ptr<SOCKlinkSink>(new ClientSink(core)));
  return nullptr;
}

}  // namespace

#define SOCK_CLIENT(handle, code)                                                                  \
  SOCK_WITH_OBJECT(::Client, SOCKkindClient, client, handle,                                       \
                   const std::shared_ptr<ClientCore>& core = client->core(); (void)core; code)

extern "C" {

SOCK_OBJECT_LIFETIME(client, ::Client, SOCKkindClient, Client)

SOCK_SIDE_FUNCTIONS(client, SOCK_CLIENT, Client)

VRNresult VRNclientGetIsConnected(VRNhandle Client, unsigned char* Flag) {
  SOCK_ENTER(VRNclientGetIsConnected, SOCKpointerArg(Client));
  SOCK_CLIENT(Client, {
    SOCK_NEED(Flag);
    std::shared_ptr<SOCKlink> link = link_of(core);
    *Flag = link && link->open() ? 1 : 0;
    return nullptr;
  });
}

VRNresult VRNclientStopMessageLoop(VRNhandle Client) {
  SOCK_ENTER(VRNclientStopMessageLoop, SOCKpointerArg(Client));
  SOCK_CLIENT(Client, SOCKclientLoop().stop(); return nullptr;);
}

VRNresult VRNclientRunMessageLoop() {
  SOCK_ENTER(VRNclientRunMessageLoop);
  return SOCKguard([&]() -> VRNresult {
    SOCKclientLoop().run();
    return nullptr;
  });
}

VRNresult VRNclientMakePrintable(VRNhandle Client, const char* Input, const char* NewLine, int Count,
                                 const char** Printable) {
  SOCK_ENTER(VRNclientMakePrintable, SOCKpointerArg(Client), SOCKtextArg(Input), SOCKtextArg(NewLine), SOCKnumberArg(Count));
  SOCK_CLIENT(Client, {
    SOCK_NEED(Printable);
    *Printable = SOCKresult("VRNclientMakePrintable", SOCKprintable(Input, NewLine, Count));
    return nullptr;
  });
}

VRNresult VRNclientConnect(VRNhandle Client, const char* Host, int Port) {
  SOCK_ENTER(VRNclientConnect, SOCKpointerArg(Client), SOCKtextArg(Host), SOCKnumberArg(Port));
  SOCK_CLIENT(Client, return connect_to(core, Host, Port););
}

VRNresult VRNclientClose(VRNhandle Client) {
  SOCK_ENTER(VRNclientClose, SOCKpointerArg(Client));
  SOCK_CLIENT(Client, {
    if (std::shared_ptr<SOCKlink> link = link_of(core)) link->close(false);
    return nullptr;
  });
}

VRNresult VRNclientHardClose(VRNhandle Client) {
  SOCK_ENTER(VRNclientHardClose, SOCKpointerArg(Client));
  SOCK_CLIENT(Client, {
    if (std::shared_ptr<SOCKlink> link = link_of(core)) link->close(true);
    return nullptr;
  });
}

VRNresult VRNclientSendMessage(VRNhandle Client, const char* Message) {
  SOCK_ENTER(VRNclientSendMessage, SOCKpointerArg(Client), SOCKtextArg(Message));
  SOCK_CLIENT(Client, {
    SOCK_NEED(Message);
    std::shared_ptr<SOCKlink> link = link_of(core);
    if (!link) return SOCKfail("Not connected");
    return link->send(Message);
  });
}

#define SOCK_CLIENT_SETTER(Name, Field, Type) \
  SOCK_CALLBACK_SETTER(Name, SOCKsetClientCallbacks, SOCKclientCallbacks, Field, Type)
SOCK_CLIENT_SETTER(VRNclientSetConnectCallback, connected, VRNclientEventCallback)
SOCK_CLIENT_SETTER(VRNclientSetClosedCallback, closed, VRNclientEventCallback)
SOCK_CLIENT_SETTER(VRNclientSetMessageCallback, message, VRNclientTextCallback)
SOCK_CLIENT_SETTER(VRNclientSetIgnoredDataCallback, ignoredData, VRNclientTextCallback)
SOCK_CLIENT_SETTER(VRNclientSetErrorCallback, error, VRNclientErrorCallback)

// ---- control ----

bool SOCKstandinClientEvent(VRNhandle Client, const char* Event, const char* Text, int Code, bool FromWorker) {
  VRNresult error = nullptr;
  ::Client* client = static_cast<::Client*>(SOCKobjectOf(Client, SOCKkindClient, &error));
  if (!client) {
    static_cast<LEGerror*>(error)->release();
    return false;
  }
  static const struct {
    const char* name;
    int what;
  } events[] = {{"connected", SOCKconnectedEvent},
                {"closed", SOCKclosedEvent},
                {"message", SOCKclientMessageEvent},
                {"ignoredData", SOCKclientIgnoredEvent},
                {"error", SOCKclientErrorEvent}};
  for (const auto& known : events) {
    if (Event == nullptr || std::strcmp(Event, known.name) != 0) continue;
    SOCKraise(FromWorker, SOCKclientLoop(), client->core(), SOCKraisedEvent(known.what, nullptr, Text, Code));
    return true;
  }
  return false;
}

}  // extern "C"
