// Audiences, message loops and the registered callbacks (SOCKstandinEvents.h).
#include "standins/sockmod2/SOCKstandinEvents.h"

#include <algorithm>

namespace {

// The audiences whose callbacks run on this thread, once per running callback.
thread_local std::vector<const SOCKaudience*> t_Delivering;

int own_calls(const SOCKaudience* audience) {
  return int(std::count(t_Delivering.begin(), t_Delivering.end(), audience));
}

std::mutex s_CallbackLock;
SOCKlistenerCallbacks s_ListenerCallbacks;
SOCKclientCallbacks s_ClientCallbacks;

}  // namespace

bool SOCKaudience::add(void* user) {
  std::lock_guard<std::mutex> hold(m_Lock);
  if (std::find(m_Users.begin(), m_Users.end(), user) != m_Users.end()) return false;
  m_Users.push_back(user);
  return true;
}

bool SOCKaudience::remove(void* user) {
  std::unique_lock<std::mutex> hold(m_Lock);
  auto found = std::find(m_Users.begin(), m_Users.end(), user);
  if (found == m_Users.end()) return false;
  m_Users.erase(found);
  waitForOthers(hold);
  return true;
}

void SOCKaudience::clear() {
  std::unique_lock<std::mutex> hold(m_Lock);
  m_Users.clear();
  waitForOthers(hold);
}

void SOCKaudience::waitForOthers(std::unique_lock<std::mutex>& hold) {
  int own = own_calls(this);
  m_Done.wait(hold, [&] { return m_InFlight <= own; });
}

bool SOCKaudience::begin(void** few, size_t countOfFew, std::vector<void*>& many, size_t& count) {
  {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_Users.empty()) return false;
    count = m_Users.size();
    if (count <= countOfFew) std::copy(m_Users.begin(), m_Users.end(), few);
    else many = m_Users;
    ++m_InFlight;
  }
  t_Delivering.push_back(this);
  return true;
}

bool SOCKaudience::stillThere(void* user) {
  std::lock_guard<std::mutex> hold(m_Lock);
  return std::find(m_Users.begin(), m_Users.end(), user) != m_Users.end();
}

void SOCKaudience::end() {
  t_Delivering.erase(std::find(t_Delivering.begin(), t_Delivering.end(), this));
  std::lock_guard<std::mutex> hold(m_Lock);
  --m_InFlight;
  m_Done.notify_all();
}

void SOCKloop::post(const std::shared_ptr<SOCKeventTarget>& target, SOCKevent&& event) {
  {
    std::unique_lock<std::mutex> hold(m_Lock);
    if (m_Running > 0) {
      m_Queue.push_back(Queued{target, std::move(event)});
      // Woken after the lock is given up, the loop need not wait for it at once.
      hold.unlock();
      m_Wake.notify_one();
      return;
    }
  }
  target->deliver(event);
}

void SOCKloop::run() {
  std::unique_lock<std::mutex> hold(m_Lock);
  ++m_Running;
  unsigned stops = m_Stops;
  bool stopped = m_PendingStop;
  m_PendingStop = false;
  for (;;) {
    if (!m_Queue.empty()) {
      {
        // The references the event holds go before the lock is taken again.
        Queued queued = std::move(m_Queue.front());
        m_Queue.pop_front();
        hold.unlock();
        queued.target->deliver(queued.event);
      }
      hold.lock();
      continue;
    }
    if (stopped || m_Stops != stops) break;
    m_Wake.wait(hold);
  }
  --m_Running;
}

void SOCKloop::stop() {
  std::lock_guard<std::mutex> hold(m_Lock);
  if (m_Running == 0) {
    m_PendingStop = true;
    return;
  }
  ++m_Stops;
  m_Wake.notify_all();
}

void SOCKloop::reset() {
  std::lock_guard<std::mutex> hold(m_Lock);
  m_PendingStop = false;
}

// The loops live on the heap and are never destroyed: a process may end (exit, System.exit)
// while a thread still waits inside run(), and destroying the condition it waits on would
// wait for that thread for ever.
SOCKloop& SOCKlistenerLoop() {
  static SOCKloop* loop = new SOCKloop;
  return *loop;
}

SOCKloop& SOCKclientLoop() {
  static SOCKloop* loop = new SOCKloop;
  return *loop;
}

void SOCKloopsReset() {
  SOCKlistenerLoop().reset();
  SOCKclientLoop().reset();
}

SOCKlistenerCallbacks SOCKlistenerCallbacksNow() {
  std::lock_guard<std::mutex> hold(s_CallbackLock);
  return s_ListenerCallbacks;
}

SOCKclientCallbacks SOCKclientCallbacksNow() {
  std::lock_guard<std::mutex> hold(s_CallbackLock);
  return s_ClientCallbacks;
}

void SOCKsetListenerCallbacks(const std::function<void(SOCKlistenerCallbacks&)>& change) {
  std::lock_guard<std::mutex> hold(s_CallbackLock);
  change(s_ListenerCallbacks);
}

void SOCKsetClientCallbacks(const std::function<void(SOCKclientCallbacks&)>& change) {
  std::lock_guard<std::mutex> hold(s_CallbackLock);
  change(s_ClientCallbacks);
}
