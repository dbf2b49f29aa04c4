// The sockmod2 stand-in's framer on one big message: a plain socket writes a frame of 1 MB
// or 10 MB to a stand-in listener, in the pieces TCP makes of it, and the time runs until the
// listener's message event has the whole text. A framer that searched each read's buffer
// from the frame's start would grow with the square of the size.
#include "contracts/VRNlibraryContract.h"
#include "platform/PLATwindows.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct Arrival {
  std::mutex lock;
  std::condition_variable changed;
  size_t length = 0;
  int messages = 0;
};

int onMessage(void* user, VRNhandle, const char* text) {
  Arrival* arrival = static_cast<Arrival*>(user);
  std::lock_guard<std::mutex> hold(arrival->lock);
  arrival->length = std::strlen(text);
  ++arrival->messages;
  arrival->changed.notify_all();
  return 0;
}

void StandinFramesOneBigMessage(benchmark::State& state) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const size_t size = size_t(state.range(0));
  const std::string frame = "\x0B" + std::string(size, 'x') + "\x1C\x0D";
  Arrival arrival;
  VRNhandle listener = nullptr;
  int port = 0;
  VRNlistenerSetMessageCallback(onMessage);
  if (VRNlistenerCreate(&listener) || VRNlistenerAddListener(listener, &arrival) ||
      VRNlistenerStartListen(listener, 0) || VRNlistenerGetPort(listener, &port)) {
    state.SkipWithError("no stand-in listener");
    return;
  }
  SOCKET peer = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in name{};
  name.sin_family = AF_INET;
  name.sin_port = htons(u_short(port));
  inet_pton(AF_INET, "127.0.0.1", &name.sin_addr);
  if (connect(peer, reinterpret_cast<sockaddr*>(&name), sizeof name) != 0) state.SkipWithError("no connection");
  for (auto _ : state) {
    int before = arrival.messages;
    for (size_t done = 0; done < frame.size();) {
      int sent = send(peer, frame.data() + done, int(frame.size() - done), 0);
      if (sent <= 0) break;
      done += size_t(sent);
    }
    std::unique_lock<std::mutex> hold(arrival.lock);
    arrival.changed.wait(hold, [&] { return arrival.messages > before; });
    if (arrival.length != size) state.SkipWithError("the message came cut");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
  closesocket(peer);
  VRNlistenerRemoveListener(listener, &arrival);
  VRNlistenerRelease(listener);
  WSACleanup();
}
BENCHMARK(StandinFramesOneBigMessage)->Arg(1 << 20)->Arg(10 << 20)->ArgName("bytes")->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
