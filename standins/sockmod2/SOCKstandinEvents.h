// How events reach the callbacks. Each object keeps its audience: the user values that
// AddListener registered, and the callbacks running for it right now. Each side (listener,
// client) has one message loop: while a thread runs it, events wait in its queue and that
// thread delivers them; while none runs, the I/O thread that found the event delivers it
// at once. No lock is held while a callback runs.
#pragma once

#include "contracts/VRNlibraryContract.h"
#include "standins/sockmod2/SOCKstandinCore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One event of a side: what happened, the connection it is about, the text and code it
// carries. An event of the stand-in's own holds a reference to its connection while it
// waits; one raised by hand names any handle. It goes by value, and its text is moved, not
// copied, on its way from the reader to the callback.
struct SOCKevent {
  int what = 0;  // one of the side's SOCK...Event values
  VRNhandle connection = nullptr;
  SOCKref<SOCKobject> held;
  std::string text;
  bool nullText = false;
  int code = 0;

  const char* textOrNull() const { return nullText ? nullptr : text.c_str(); }
};

enum SOCKlistenerEventKind {
  SOCKlistenerErrorEvent,
  SOCKconnectEvent,
  SOCKdisconnectEvent,
  SOCKconnectionErrorEvent,
  SOCKlistenerMessageEvent,
  SOCKlistenerIgnoredEvent
};
enum SOCKclientEventKind {
  SOCKconnectedEvent,
  SOCKclosedEvent,
  SOCKclientMessageEvent,
  SOCKclientIgnoredEvent,
  SOCKclientErrorEvent
};

class SOCKaudience {
public:
  // False when the value is registered already / is not registered.
  bool add(void* user);
  // Once it returns no callback runs for the value, except one of the calling thread's own
  // (a callback that removes its own listener), which the wait would never see end.
  bool remove(void* user);
  void clear();
  // Calls call(user) for each value still registered at the moment of its call.
  template <typename Call>
  void deliver(const Call& call);

private:
  void waitForOthers(std::unique_lock<std::mutex>& hold);
  // Takes the values registered now (into few, or onto many when they do not fit) and
  // counts the delivery in flight; false for none.
  bool begin(void** few, size_t countOfFew, std::vector<void*>& many, size_t& count);
  bool stillThere(void* user);
  void end();

  std::mutex m_Lock;
  std::condition_variable m_Done;
  std::vector<void*> m_Users;
  int m_InFlight = 0;
};

template <typename Call>
void SOCKaudience::deliver(const Call& call) {
  // Most sides have one or two listeners: their values are taken on the stack.
  void* few[4];
  std::vector<void*> many;
  size_t count = 0;
  if (!begin(few, 4, many, count)) return;
  void** users = many.empty() ? few : many.data();
  for (size_t i = 0; i < count; ++i)
    if (stillThere(users[i])) call(users[i]);
  end();
}

// What a loop delivers an event to: the side's audience, with the callbacks registered at
// the moment of delivery.
class SOCKeventTarget {
public:
  virtual ~SOCKeventTarget() = default;
  virtual void deliver(const SOCKevent& event) = 0;
};

class SOCKloop {
public:
  // Queued while a loop runs, else delivered on the calling thread. Only a queued event
  // takes a reference to its target, which holds it until the event is delivered.
  void post(const std::shared_ptr<SOCKeventTarget>& target, SOCKevent&& event);
  // Delivers events until stop(); a stop that came while no loop ran ends the next loop
  // as soon as it has delivered what waits.
  void run();
  void stop();
  void reset();

private:
  struct Queued {
    std::shared_ptr<SOCKeventTarget> target;
    SOCKevent event;
  };
  std::mutex m_Lock;
  std::condition_variable m_Wake;
  std::deque<Queued> m_Queue;
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
