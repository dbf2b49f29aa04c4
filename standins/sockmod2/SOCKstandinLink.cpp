// A framed TCP stream and its reader thread (SOCKstandinLink.h).
#include "standins/sockmod2/SOCKstandinLink.h"
#include "standins/sockmod2/SOCKstandinCore.h"

#include <cstdio>
#include <vector>

namespace {

// How long the reader waits in recv before it looks at a close request again, should
// closing fail to wake it (a shutdown does not end a waiting recv everywhere).
const DWORD WakeMilliseconds = 100;

// The length of the longest end of text (from its byte at on) that begins block.
size_t partial_match(const std::string& text, size_t at, const std::string& block) {
  size_t longest = std::min(text.size() - at, block.size() - 1);
  for (size_t n = longest; n > 0; --n)
    if (text.compare(text.size() - n, n, block, 0, n) == 0) return n;
  return 0;
}

}  // namespace

std::string SOCKwsaText(int code) {
  switch (code) {
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAECONNABORTED: return "Connection aborted";
    case WSAECONNREFUSED: return "Connection refused";
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAEADDRINUSE: return "Address already in use";
    default: return "Socket error " + std::to_string(code);
  }
}

std::string SOCKprintable(const char* input, const char* newLine, int count) {
  std::string out;
  if (input == nullptr) return out;
  std::string line = newLine ? newLine : "";
  for (int i = 0; input[i] != '\0' && (count < 0 || i < count); ++i) {
    unsigned char byte = static_cast<unsigned char>(input[i]);
    if (byte == '\r') {
      out += line;
    } else if (byte < 0x20 || byte == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
      out += buffer;
    } else {
      out += char(byte);
    }
  }
  return out;
}

VRNresult SOCKcheckBlock(const char* block) {
  if (block == nullptr || *block == '\0') return SOCKfail("A frame block cannot be empty");
  return nullptr;
}

VRNresult SOCKparseHost(const char* host, ULONG* address) {
  if (host == nullptr) return SOCKfail("Null argument", "Name", "Host");
  std::string name = host;
  if (name.empty()) {
    *address = htonl(INADDR_ANY);
    return nullptr;
  }
  if (name == "localhost") {
    *address = htonl(INADDR_LOOPBACK);
    return nullptr;
  }
  in_addr parsed{};
  if (inet_pton(AF_INET, host, &parsed) != 1) return SOCKfail("Host is no IPv4 address", "Host", name);
  *address = parsed.s_addr;
  return nullptr;
}

SOCKframer::SOCKframer(std::string header, std::string trailer)
    : m_Header(std::move(header)), m_Trailer(std::move(trailer)) {}

void SOCKframer::setBlocks(const std::string& header, const std::string& trailer) {
  m_Header = header;
  m_Trailer = trailer;
  m_Searched = 0;
}

void SOCKframer::feed(const char* bytes, size_t length, SOCKlinkSink& sink) {
  m_Pending.append(bytes, length);
  size_t at = 0;  // the first byte not yet handed on
  for (;;) {
    if (!m_InFrame) {
      size_t start = m_Pending.find(m_Header, at);
      if (start == std::string::npos) {
        // Keep what may be the beginning of a header split across reads.
        size_t keep = partial_match(m_Pending, at, m_Header);
        size_t stop = m_Pending.size() - keep;
        if (stop > at) sink.ignored(m_Pending.substr(at, stop - at));
        at = stop;
        break;
      }
      if (start > at) sink.ignored(m_Pending.substr(at, start - at));
      at = start + m_Header.size();
      m_InFrame = true;
      m_Searched = at;
    }
    size_t end = m_Pending.find(m_Trailer, m_Searched);
    if (end == std::string::npos) {
      // The next read goes on from the last bytes that may begin a trailer, not from the
      // frame's start: a message that comes in many reads is searched once.
      size_t tail = std::min(m_Pending.size() - at, m_Trailer.size() - 1);
      m_Searched = m_Pending.size() - tail;
      break;
    }
    sink.message(m_Pending.substr(at, end - at));
    at = end + m_Trailer.size();
    m_InFrame = false;
  }
  m_Pending.erase(0, at);
  m_Searched = m_InFrame ? m_Searched - at : 0;
}

std::string SOCKframer::leftover() {
  std::string rest = m_InFrame ? m_Header + m_Pending : m_Pending;
  m_Pending.clear();
  m_InFrame = false;
  m_Searched = 0;
  return rest;
}

SOCKlink::SOCKlink(SOCKET socket, const std::string& header, const std::string& trailer)
    : m_Socket(socket), m_Header(header), m_Trailer(trailer), m_Framer(header, trailer) {
  sockaddr_in peer{};
  int length = sizeof peer;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
    m_RemoteAddress = int(ntohl(peer.sin_addr.s_addr));
  // Messages go out as soon as they are framed, as an LLP peer expects.
  int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  DWORD wake = WakeMilliseconds;
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wake), sizeof wake);
}

SOCKlink::~SOCKlink() {
  std::lock_guard<std::mutex> hold(m_ThreadLock);
  if (m_Reader.joinable()) {
    if (m_Reader.get_id() == std::this_thread::get_id()) m_Reader.detach();
    else m_Reader.join();
  }
  if (m_Socket != INVALID_SOCKET) closesocket(m_Socket);
}

void SOCKlink::start(std::unique_ptr<SOCKlinkSink> sink) {
  std::shared_ptr<SOCKlink> self = shared_from_this();
  SOCKcountUp(SOCKkindThread);
  std::lock_guard<std::mutex> hold(m_ThreadLock);
  SOCKlinkSink* owned = sink.release();
  m_Reader = std::thread([self, owned]() {
    std::unique_ptr<SOCKlinkSink> sink(owned);
    self->run(*sink);
    sink.reset();
    SOCKcountDown(SOCKkindThread);
  });
}

std::string SOCKlink::remoteText() const {
  ULONG address = htonl(ULONG(m_RemoteAddress));
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

VRNresult SOCKlink::send(const char* message) {
  SOCKET socket;
  // Each sending thread frames into a buffer of its own, which it keeps for the next send.
  thread_local std::string frame;
  {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_Socket == INVALID_SOCKET || m_CloseRequested) return SOCKfail("Not connected");
    socket = m_Socket;
    frame.assign(m_Header).append(message).append(m_Trailer);
    ++m_Sends;
  }
  int failure = 0;
  {
    std::lock_guard<std::mutex> sending(m_SendLock);
    for (size_t done = 0; done < frame.size();) {
      int piece = int(std::min<size_t>(frame.size() - done, 1 << 20));
      int sent = ::send(socket, frame.data() + done, piece, 0);
      if (sent == SOCKET_ERROR) {
        failure = WSAGetLastError();
        break;
      }
      done += size_t(sent);
    }
  }
  // A thread does not keep a big message's buffer.
  if (frame.capacity() > (1 << 20)) std::string().swap(frame);
  std::lock_guard<std::mutex> hold(m_Lock);
  if (--m_Sends == 0) m_SendsDone.notify_all();
  return failure ? SOCKsocketFail("send", failure) : nullptr;
}

void SOCKlink::setBlocks(const std::string& header, const std::string& trailer) {
  std::lock_guard<std::mutex> hold(m_Lock);
  m_Header = header;
  m_Trailer = trailer;
  m_BlocksChanged = true;
}

void SOCKlink::close(bool hard) {
  std::lock_guard<std::mutex> hold(m_Lock);
  if (m_Socket == INVALID_SOCKET || m_CloseRequested) return;
  m_CloseRequested = true;
  if (hard) {
    // No lingering: the close that the reader makes resets the connection.
    struct linger abort = {1, 0};
    setsockopt(m_Socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    // Wakes the reader without sending anything.
    shutdown(m_Socket, SD_RECEIVE);
  } else {
    shutdown(m_Socket, SD_BOTH);
  }
}

bool SOCKlink::open() {
  std::lock_guard<std::mutex> hold(m_Lock);
  return m_Socket != INVALID_SOCKET && !m_CloseRequested;
}

void SOCKlink::join() {
  std::thread reader;
  {
    std::lock_guard<std::mutex> hold(m_ThreadLock);
    if (!m_Reader.joinable() || m_Reader.get_id() == std::this_thread::get_id()) return;
    reader = std::move(m_Reader);
  }
  reader.join();
}

void SOCKlink::run(SOCKlinkSink& sink) {
  sink.opened();
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(m_Lock);
      if (m_CloseRequested) break;
      if (m_BlocksChanged) {
        m_Framer.setBlocks(m_Header, m_Trailer);
        m_BlocksChanged = false;
      }
    }
    // The reader waits in recv itself: bytes, the end of the stream, a failure, or the
    // wake-up time with nothing read, after which it looks at a close request again.
    int got = recv(m_Socket, buffer.data(), int(buffer.size()), 0);
    if (got > 0) {
      m_Framer.feed(buffer.data(), size_t(got), sink);
      continue;
    }
    if (got == SOCKET_ERROR) {
      int code = WSAGetLastError();
      if (code == WSAETIMEDOUT) continue;
      bool requested;
      {
        std::lock_guard<std::mutex> hold(m_Lock);
        requested = m_CloseRequested;
      }
      // A read that our own close ended is no error of the connection.
      if (!requested) sink.error(SOCKwsaText(code), code);
    }
    break;
  }
  std::string rest = m_Framer.leftover();
  if (!rest.empty()) sink.ignored(rest);
  {
    std::unique_lock<std::mutex> hold(m_Lock);
    m_CloseRequested = true;
    if (m_Sends > 0) {
      // Ends a send that waits for a peer that does not read.
      shutdown(m_Socket, SD_BOTH);
      m_SendsDone.wait(hold, [&] { return m_Sends == 0; });
    }
    closesocket(m_Socket);
    m_Socket = INVALID_SOCKET;
  }
  sink.closed();
}
