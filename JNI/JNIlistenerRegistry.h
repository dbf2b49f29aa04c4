// JNIlistenerRegistry: the Java listeners a bridge hands an outside library to call back,
// and the one road (JNIdeliverEvent) that carries an event to one of them.
//
// The library never gets the listener's global reference as its user value, nor does Java
// get it back as the listener's long: the JVM hands a deleted reference's value out again,
// so a stale one would name someone else's listener. Both get a token of the registry's
// own instead, which is never used twice, and every release names the owner (the outside
// object listened to) with it: a retried or late call only ever touches its own object's
// listener. A listener is shared by its release and the events being delivered to it; an
// event takes a share only while the listener is live, and whoever gives back the last
// share deletes the reference, so nothing is deleted twice, nothing live is deleted, and
// nothing ever waits for an event in flight.
#pragma once

#include <jni.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <map>

class JNIlistenerRegistry {
public:
  JNIlistenerRegistry() = default;
  JNIlistenerRegistry(const JNIlistenerRegistry&) = delete;
  JNIlistenerRegistry& operator=(const JNIlistenerRegistry&) = delete;

  // The registry of this library: made on first use and never destroyed, as an event may
  // still be in flight on one of the outside library's threads when the process exits.
  static JNIlistenerRegistry& process();

  // A new global reference to the listener, live for owner; its token, never null. Raises a
  // COLerror when no reference can be made.
  void* add(JNIEnv* pEnv, jobject listener, void* owner);
  // The token of owner's live listener, null when it has none.
  void* liveFor(void* owner) const;
  bool isLive(void* owner, void* token) const;
  // Takes owner's listener out of the live set and gives the release's share back; the
  // reference is deleted when no event holds it. False, and nothing touched, when the
  // token names no live listener of owner's (released already, another's, never made).
  bool release(JNIEnv* pEnv, void* owner, void* token);

  // An event's share of the listener a token names, given back at the end of its scope
  // (the last share deletes the reference). listener() is null when the token names no
  // live listener: the event is dropped.
  class Share {
  public:
    Share(JNIlistenerRegistry& registry, JNIEnv* pEnv, void* token);
    ~Share();
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;
    jobject listener() const { return m_Listener; }
    // The listener's method, found once per listener and slot (an event kind's own number,
    // below kMethodSlots) and kept while the listener is: its class cannot be unloaded
    // under it. Null, with the JVM's exception pending, when the class has no such method.
    jmethodID method(JNIEnv* pEnv, int slot, const char* name, const char* signature) const;

  private:
    JNIlistenerRegistry& m_Registry;
    JNIEnv* m_pEnv;
    void* m_Token;
    jobject m_Listener;
    std::atomic<int>* m_Shares;
    std::atomic<jmethodID>* m_Methods;
  };
  static const int kMethodSlots = 12;

private:
  struct Entry {
    Entry(void* owner, jobject reference) : Owner(owner), Reference(reference) {}
    void* Owner;
    jobject Reference;
    // The release's, while live, and one per event in flight. Taken only under the lock
    // while the entry is live; given back without it, except by the last share, which
    // erases the entry under it. An element of the map stays where it is until erased.
    // (A map keeps no heap block once empty, which a leak check would report when the
    // library is unloaded.)
    std::atomic<int> Shares{1};
    bool Released = false;
    std::atomic<jmethodID> Methods[kMethodSlots] = {};
  };
  // Erases the entry whose last share was just given back; its reference, to delete.
  jobject eraseLast(void* token);

  mutable std::mutex m_Lock;
  std::map<std::uintptr_t, Entry> m_Entries;
  std::uintptr_t m_Next = 1;
};

// What an event does with its listener once the road holds a share of it and a local
// frame: finds its method (listener.method) and calls it on listener.listener(). It may
// raise (the event is then reported as not delivered) or leave a Java exception pending
// (described and cleared).
typedef void (*JNIeventBody)(JNIEnv* pEnv, const JNIlistenerRegistry::Share& listener, const void* event);

// Carries one event to the listener a token names, on whatever thread the outside library
// calls back on: the thread's JNIEnv is found (a thread the JVM does not know is attached
// for this event only, see JNIscopedEnvPointer), the body runs inside a local frame of
// frameCapacity references, and every failure stays on this side of the boundary. A Java
// exception left pending is described and cleared; an error raised, or a thread that
// cannot be attached, is reported on standard error as "<bridge>: the <event> event was
// not delivered: <reason>", or said nowhere when bridge is null. A null VM or token, or a
// token no longer live, delivers nothing. Never raises.
void JNIdeliverEvent(JavaVM* pVm, jint version, jint frameCapacity, void* token, JNIeventBody body,
                     const void* event, const char* bridge, const char* eventName) noexcept;
