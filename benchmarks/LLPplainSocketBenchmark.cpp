// The floor for LLP round trips on this machine: one framed message echoed between two
// plain sockets on loopback, with no library in between, at 1, 8 and 64 connections at
// once (one benchmark thread per connection, each with its own echoing peer thread) and
// messages of 200 bytes and 64 KB. Reported: round trips per second over all connections
// (items_per_second) and the median round trip of a connection (median_us).
#include "platform/PLATwindows.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

const char Header = '\x0B';
const char Trailer[] = "\x1C\x0D";

struct Winsock {
  Winsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { WSACleanup(); }
};

bool sendAll(SOCKET s, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    int sent = send(s, bytes.data() + done, int(bytes.size() - done), 0);
    if (sent <= 0) return false;
    done += size_t(sent);
  }
  return true;
}

// Reads one whole frame (up to and with its trailer) into frame; false at the end.
bool readFrame(SOCKET s, std::string& pending, std::string& frame) {
  char buffer[64 * 1024];
  for (;;) {
    size_t end = pending.find(Trailer);
    if (end != std::string::npos) {
      frame.assign(pending, 0, end + 2);
      pending.erase(0, end + 2);
      return true;
    }
    int got = recv(s, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    pending.append(buffer, size_t(got));
  }
}

// One connection: a client end for the benchmark thread and a peer thread that echoes.
class EchoPair {
public:
  EchoPair() {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in name{};
    name.sin_family = AF_INET;
    name.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof name;
    bind(listener, reinterpret_cast<sockaddr*>(&name), sizeof name);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&name), &length);
    m_Client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    connect(m_Client, reinterpret_cast<sockaddr*>(&name), sizeof name);
    SOCKET server = accept(listener, nullptr, nullptr);
    closesocket(listener);
    int on = 1;
    setsockopt(m_Client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(server, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    m_Echo = std::thread([server]() {
      std::string pending, frame;
      while (readFrame(server, pending, frame) && sendAll(server, frame)) {
      }
      closesocket(server);
    });
  }
  ~EchoPair() {
    shutdown(m_Client, SD_SEND);
    m_Echo.join();
    closesocket(m_Client);
  }
  SOCKET client() const { return m_Client; }

private:
  SOCKET m_Client;
  std::thread m_Echo;
};

void PlainSocketEcho(benchmark::State& state) {
  static Winsock winsock;
  const size_t size = size_t(state.range(0));
  std::string message(1, Header);
  message += "MSH|^~\\&|BENCH|";
  message.resize(size + 1, 'x');
  message += Trailer;
  EchoPair pair;
  std::string pending, frame;
  std::vector<double> latencies;
  latencies.reserve(1 << 16);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (!sendAll(pair.client(), message) || !readFrame(pair.client(), pending, frame)) {
      state.SkipWithError("the echo failed");
      break;
    }
    latencies.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
  if (!latencies.empty()) {
    std::nth_element(latencies.begin(), latencies.begin() + latencies.size() / 2, latencies.end());
    state.counters["median_us"] = benchmark::Counter(latencies[latencies.size() / 2], benchmark::Counter::kAvgThreads);
  }
}

BENCHMARK(PlainSocketEcho)->Arg(200)->Arg(64 * 1024)->Threads(1)->Threads(8)->Threads(64)->UseRealTime();

}  // namespace
