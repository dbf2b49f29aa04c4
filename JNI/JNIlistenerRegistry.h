// JNIlistenerRegistry: the Java listeners a bridge hands an outside library to call back;
// the protocol that every AddListener and Release native of both bridges follows
// (JNIlistenerAdd, JNIlistenerRelease), each bridge naming only what its contract makes
// different (JNIlistenerContract); and the one road (JNIdeliverEvent) that carries an
// event to a listener.
//
// The library never gets the listener's global reference as its user value, nor does Java
// get it back as the listener's long: the JVM hands a deleted reference's value out again,
// so a stale one would name someone else's listener. Both get a token of the registry's
// own instead, never issued twice in the process (JNIlistenerRegistry.cpp tells how), and
// every release names the owner (the outside object listened to) with it: a release only
// ever touches its own object's listener, and refuses a token that is not one. A listener
// is shared by its release and the events being delivered to it; an event takes a share
// only while the listener is live, and whoever gives back the last share deletes the
// reference, so nothing is deleted twice, nothing live is deleted, and nothing ever waits
// for an event in flight.
//
// Events on unrelated listeners do not meet: the registry is cut into shards, each with a
// small lock of its own over its listeners and its owners, and a token names its shard
// (shards are given out in turn, so listeners added one after another share none until
// every shard has one). An event holds its listener's shard lock only while it takes its
// share; the share is a count of the listener's own.
#pragma once

#include "JNI/JNIimplement.h"

#include <jni.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <unordered_map>

// One kind of event: the listener's method that it calls. A bridge lists its kinds in one
// table; an event names its kind by its place there.
struct JNIeventKind {
  const char* Method;
  const char* Signature;
};

class JNIlistenerRegistry;

// What a second AddListener on one object means in a bridge's contract.
enum class JNIsecondAdd {
  AnotherListener,  // the library keeps several listeners per object: a new one each time
  TheLiveOne,       // one listener per object: the live one's token is handed back
  Replaces,         // the new listener replaces the live one, given back once the library took the new
};

// What a Release does when the library refuses to remove the listener.
enum class JNIrefusedRemoval {
  Raises,          // the library's error, with the listener and the object kept for a retry
  ReleasesAnyway,  // the listener and the object given back all the same, then the error: the
                   // library may still call back, so this library stays loaded (pinned in the
                   // process) and those calls deliver nothing
};

// What a bridge's class of listeners makes different. The library functions take the
// object's handle (and the token as the user value) and return the library's error handle.
struct JNIlistenerContract {
  JNIlistenerRegistry& (*Registry)();
  JNIraiseCaught Raise;       // leaves the bridge's exception pending for what was raised
  JNIhandleRelease GiveBack;  // an error handle of the library that is not reported
  void* (*Add)(void* owner, void* token);
  void* (*Remove)(void* owner, void* token);
  void* (*Release)(void* owner);
  JNIsecondAdd SecondAdd;
  JNIrefusedRemoval RefusedRemoval;
  const char* ReleaseMethod;  // the Release native's name, which a refusal's text names
};

// AddListener(handle): a new global reference to the listener, live before the library's
// Add is called, so that its first event reaches it; the token is returned. A refused
// registration deletes the reference again (Java never receives the token) and raises.
// Never raises into the JVM: a failure is the bridge's exception, and 0 is returned.
jlong JNIlistenerAdd(JNIEnv* pEnv, const JNIlistenerContract& contract, jobject listener, jlong handle) noexcept;

// Release(handle, token), stopping at the first failure:
//   - the object's live listener: the library is asked to remove it (the only case in which
//     it is asked), then its reference goes, once no event holds it, and the object is
//     released;
//   - a listener of the object whose Release removed it and then failed at releasing the
//     object: the object is released (the caller's retry);
//   - 0 when the object has no live listener: the object is released;
//   - anything else (0 while the object has a live listener, a token never issued, one
//     released already, another object's, another library's) is refused with the
//     bridge's exception naming the native, and nothing is touched.
void JNIlistenerRelease(JNIEnv* pEnv, const JNIlistenerContract& contract, jlong handle, jlong token) noexcept;

class JNIlistenerRegistry {
  struct Entry;  // a listener (JNIlistenerRegistry.cpp)

public:
  template <std::size_t Count>
  explicit JNIlistenerRegistry(const JNIeventKind (&kinds)[Count]) : JNIlistenerRegistry(kinds, int(Count)) {}
  JNIlistenerRegistry(const JNIlistenerRegistry&) = delete;
  JNIlistenerRegistry& operator=(const JNIlistenerRegistry&) = delete;

  // The protocol's two roads (see JNIlistenerAdd and JNIlistenerRelease); they raise.
  void* addFor(JNIEnv* pEnv, const JNIlistenerContract& contract, jobject listener, void* owner);
  void releaseFor(JNIEnv* pEnv, const JNIlistenerContract& contract, void* owner, void* token);

  // The steps below them. add: a new global reference to the listener, live for owner;
  // its token, never null. Raises a COLerror when no reference can be made.
  void* add(JNIEnv* pEnv, jobject listener, void* owner);
  // The token of owner's live listener, null when it has none; found through the owners'
  // index. Of several (TLM.dll's), the one added last, while it is live.
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
    // The listener's method for an event kind (its place in the registry's table), found
    // once per listener and kind and kept while the listener is: its class cannot be
    // unloaded under it. Null, with the JVM's exception pending, when the class has no
    // such method; a kind outside the table raises a COLerror.
    jmethodID method(JNIEnv* pEnv, int kind) const;

  private:
    JNIlistenerRegistry& m_Registry;
    JNIEnv* m_pEnv;
    void* m_Token;
    jobject m_Listener;
    Entry* m_Entry;
  };

  int kindCount() const { return m_KindCount; }
  const JNIeventKind& kind(int index) const { return m_Kinds[index]; }

private:
  JNIlistenerRegistry(const JNIeventKind* kinds, int count);

  // A shard's entries by token: open addressing over slots of a token and its entry, so
  // that finding a token, or finding it absent, reads one slot's line; an entry is an
  // object of its own and stays where it is while the table grows. Empty, it holds no
  // memory: the registry is never destroyed, and a block left when the library is
  // unloaded would be reported by a leak check.
  class EntryTable {
  public:
    Entry* find(std::uintptr_t token) const;
    void insert(std::uintptr_t token, Entry* entry);  // a token not in the table
    void erase(std::uintptr_t token);                 // a token in the table

  private:
    struct Slot {
      std::uintptr_t Token;  // 0 for a free slot: no token is 0
      Entry* Value;
    };
    std::size_t home(std::uintptr_t token) const;
    void grow();
    std::unique_ptr<Slot[]> m_Slots;
    int m_Bits = 0;
    std::size_t m_Count = 0;
  };
  struct Owner {
    int Live = 0;
    std::uintptr_t Latest = 0;
  };
  // Held for a few instructions at a time (a lookup, an insert): taken by one exchange and
  // given back by one store; a thread that finds it taken spins, then yields.
  class ShardLock {
  public:
    void lock() noexcept {
      while (m_Taken.exchange(true, std::memory_order_acquire)) wait();
    }
    void unlock() noexcept { m_Taken.store(false, std::memory_order_release); }

  private:
    void wait() noexcept;
    std::atomic<bool> m_Taken{false};
  };
  // Aligned to its own cache lines, so that events on two shards touch no line in common.
  // The owners' map is emptied into a fresh one when its last element goes, so that it too
  // keeps no heap block once empty.
  struct alignas(64) Shard {
    mutable ShardLock Lock;
    EntryTable Entries;                       // by token
    std::unordered_map<void*, Owner> Owners;  // the owners whose shard this is
  };
  static const int kShardBits = 6;
  static const int kShards = 1 << kShardBits;

  // The steps of the protocol, each under one shard's lock at a time.
  enum class Claim { Refused, Live, Retry, ObjectOnly };
  std::uintptr_t issue();
  void* enter(JNIEnv* pEnv, jobject listener, void* owner);
  void index(void* owner, std::uintptr_t token, std::uintptr_t* replaced);
  void unindex(void* owner, std::uintptr_t token);
  bool drop(void* owner, std::uintptr_t token, jobject& last);
  Claim claim(void* owner, void* token, Entry*& claimed);
  void unclaim(std::uintptr_t token, Entry* entry);
  jobject takeOut(std::uintptr_t token, Entry* entry);
  void finish(std::uintptr_t token, Entry* entry);
  jobject giveBackShare(std::uintptr_t token, Entry* entry);
  void releaseObject(const JNIlistenerContract& contract, void* owner, std::uintptr_t token, Entry* entry,
                     void* refusal);

  Shard& shardOf(std::uintptr_t token) { return m_Shards[token & (kShards - 1)]; }
  const Shard& shardOf(std::uintptr_t token) const { return m_Shards[token & (kShards - 1)]; }
  Shard& ownersOf(void* owner) const;

  const JNIeventKind* m_Kinds;
  int m_KindCount;
  mutable Shard m_Shards[kShards];
  std::atomic<std::uint64_t> m_LastStamp{0};
  std::atomic<unsigned> m_NextShard{0};
};

// A bridge's registry, over its table of event kinds: made on first use in static storage
// and never destroyed, as an event may still be in flight on one of the outside library's
// threads when the process exits.
template <const auto& Kinds>
JNIlistenerRegistry& JNIkeptRegistry() {
  alignas(JNIlistenerRegistry) static unsigned char storage[sizeof(JNIlistenerRegistry)];
  static JNIlistenerRegistry* kept = new (storage) JNIlistenerRegistry(Kinds);
  return *kept;
}

// The JavaVM that a class of callbacks uses, kept by the first Create of the class, before
// its callbacks are registered. A GetJavaVM that fails raises a COLerror in that Create,
// which then fails: no callback can find the JavaVM unset.
class JNIkeptVm {
public:
  void keep(JNIEnv* pEnv);
  JavaVM* get() const { return m_Vm.load(); }

private:
  std::atomic<JavaVM*> m_Vm{nullptr};
};

// What an event does with its listener once the road holds a share of it and a local
// frame: finds its method (listener.method) and calls it on listener.listener(). It may
// raise (the event is then reported as not delivered) or leave a Java exception pending
// (described and cleared).
typedef void (*JNIeventBody)(JNIEnv* pEnv, const JNIlistenerRegistry::Share& listener, const void* event);

// Where a class of callbacks delivers: its bridge's registry and its JavaVM, and the
// bridge's name for reports (null: events that cannot be delivered are said nowhere).
struct JNIeventRoad {
  JNIlistenerRegistry& (*Registry)();
  const JNIkeptVm& Vm;
  const char* Bridge;
};

// Carries one event of a kind to the listener a token names, on whatever thread the
// outside library calls back on: the thread's JNIEnv is found (a thread the JVM does not
// know is attached for this event only, see JNIscopedEnvPointer; callbacks ask for JNI
// 1.2), the body runs inside a local frame of 16 references, and every failure stays on
// this side of the boundary. A Java exception left pending is described and cleared; an
// error raised, or a thread that cannot be attached, is reported on standard error as
// "<bridge>: the <method> event was not delivered: <reason>". No JavaVM yet, a null token
// or a token no longer live delivers nothing. Never raises.
void JNIdeliverEvent(const JNIeventRoad& road, int kind, void* token, JNIeventBody body,
                     const void* event) noexcept;

// Keeps this library loaded until the process ends, for an outside library that may still
// call back into it. Once is enough; later calls do nothing.
void JNIpinThisLibrary() noexcept;
