// How events reach the callbacks. Each object keeps its audience: the user values that
// AddListener registered, and the callbacks running for it right now. Each side (listener,
// client) has one message loop: while a thread runs it, events wait in its queue and that
// thread delivers them; while none runs, the I/O thread that found the event delivers it
// at once. No lock is held while a callback runs.
#pragma once

#include "hl7_bridge/VRNlibraryContract.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class SOCKaudience {
public:
  // False when the value is registered already / is not registered.
  bool add(void* user);
  // Once it returns no callback runs for the value, except one of the calling thread's own
  // (a callback that removes its own listener), which the wait would never see end.
  bool remove(void* user);
  void clear();
  // Calls call(user) for each value still registered at the moment of its call.
  void deliver(const std::function<void(void*)>& call);

private:
  void waitForOthers(std::unique_lock<std::mutex>& hold);

  std::mutex m_Lock;
  std::condition_variable m_Done;
  std::vector<void*> m_Users;
  int m_InFlight = 0;
};

class SOCKloop {
public:
  // Queued while a loop runs, else run on the calling thread.
  void post(std::function<void()> event);
  // Delivers events until stop(); a stop that came while no loop ran ends the next loop
  // as soon as it has delivered what waits.
  void run();
  void stop();
  void reset();

private:
  std::mutex m_Lock;
  std::condition_variable m_Wake;
  std::deque<std::function<void()>> m_Queue;
  int m_Running = 0;
  unsigned m_Stops = 0;
  bool m_PendingStop = false;
};

SOCKloop& SOCKlistenerLoop();
SOCKloop& SOCKclientLoop();

// The process-wide callbacks, as the setters registered them.
struct SOCKlistenerCallbacks {
  VRNlistenerErrorCallback listenerError = nullptr;
  VRNlistenerConnectionCallback connect = nullptr;
  VRNlistenerConnectionCallback disconnect = nullptr;
  VRNlistenerConnectionErrorCallback connectionError = nullptr;
  VRNlistenerConnectionTextCallback message = nullptr;
  VRNlistenerConnectionTextCallback ignoredData = nullptr;
};
struct SOCKclientCallbacks {
  VRNclientEventCallback connected = nullptr;
  VRNclientEventCallback closed = nullptr;
  VRNclientTextCallback message = nullptr;
  VRNclientTextCallback ignoredData = nullptr;
  VRNclientErrorCallback error = nullptr;
};
// A copy taken under the callbacks' lock.
SOCKlistenerCallbacks SOCKlistenerCallbacksNow();
SOCKclientCallbacks SOCKclientCallbacksNow();
void SOCKsetListenerCallbacks(const std::function<void(SOCKlistenerCallbacks&)>& change);
void SOCKsetClientCallbacks(const std::function<void(SOCKclientCallbacks&)>& change);
