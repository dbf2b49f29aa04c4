#include "JNI/JNIlistenerRegistry.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"
#include "JNI/JNIscopedEnvPointer.h"
#include "JNI/JNIscopedLocalFrame.h"
#include "platform/PLATwindows.h"

#include <memory>
#include <mutex>
#include <thread>

namespace {

const char Source[] = "JNIlistenerRegistry";

// Every callback asks the JVM for JNI 1.2, and works inside a frame of 16 references.
const jint CallbackVersion = JNI_VERSION_1_2;
const jint CallbackFrame = 16;

std::uintptr_t keyOf(void* token) { return reinterpret_cast<std::uintptr_t>(token); }
void* tokenOf(std::uintptr_t key) { return reinterpret_cast<void*>(key); }

// The performance counter in units of 100 ns, which the whole process shares whatever is
// loaded and unloaded in it; 0 when it cannot be read.
std::uint64_t clockReading() {
  LARGE_INTEGER count, frequency;
  if (!QueryPerformanceCounter(&count) || !QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 ||
      count.QuadPart < 0)
    return 0;
  const std::uint64_t ticks = static_cast<std::uint64_t>(count.QuadPart);
  const std::uint64_t perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
  return ticks / perSecond * 10000000 + ticks % perSecond * 10000000 / perSecond;
}

// A map that has just lost its last element gives its bucket array back.
template <typename Map>
void shrinkWhenEmpty(Map& map) {
  if (map.empty()) Map().swap(map);
}

// Called inside a catch block: says on standard error what stopped an event.
void reportCurrent(const char* bridge, const char* eventName) noexcept {
  if (bridge == nullptr) return;
  try {
    COLstring text;
    try {
      throw;
    } catch (const COLerror& error) {
      text = error.description();
    } catch (...) {
      text = "Unhandled exception";
    }
    COLstandardError << bridge << ": the " << eventName << " event was not delivered: " << text << newline
                     << flush;
  } catch (...) {
    // Nothing is left to report with.
  }
}

void clearPending(JNIEnv* pEnv) {
  if (pEnv->ExceptionCheck()) {
    pEnv->ExceptionDescribe();
    pEnv->ExceptionClear();
  }
}

[[noreturn]] void refuse(const char* method, void* token) {
  COLstring text;
  COLostream(text) << "The listener \"" << JNIlongOf(token) << "\" in method " << method
                   << " is not a listener of this object.";
  throw COLerror(text, 0, Source, COL_ERROR_PRECONDITION);
}

}  // namespace

// ---- entries, tokens and owners

void JNIlistenerRegistry::ShardLock::wait() noexcept {
  for (int spins = 0; m_Taken.load(std::memory_order_relaxed); ++spins) {
    if (spins >= 64) std::this_thread::yield();
  }
}

// On a cache line of its own: events on two listeners write no line in common.
struct alignas(64) JNIlistenerRegistry::Entry {
  Entry(void* owner, jobject reference, int kinds)
      : Owner(owner), Reference(reference), Methods(new std::atomic<jmethodID>[kinds]()) {}
  // The registry's share, while live, and one per event in flight. Taken only under the
  // shard's lock while the entry is live; given back without it, except by the last share.
  std::atomic<int> Shares{1};
  void* Owner;
  jobject Reference;  // null once the last share has deleted it
  bool Live = true;
  bool Claimed = false;         // a Release is working on it
  bool AwaitingObject = false;  // removed by a Release that then failed at the object
  std::unique_ptr<std::atomic<jmethodID>[]> Methods;
};

// The tokens of one shard differ in their bits above the shard's; those are spread over
// the table's size by a multiplication.
std::size_t JNIlistenerRegistry::EntryTable::home(std::uintptr_t token) const {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(token >> kShardBits) * 0x9E3779B97F4A7C15ULL) >>
                                  (64 - m_Bits));
}

JNIlistenerRegistry::Entry* JNIlistenerRegistry::EntryTable::find(std::uintptr_t token) const {
  if (m_Slots == nullptr) return nullptr;
  const std::size_t mask = (std::size_t(1) << m_Bits) - 1;
  for (std::size_t at = home(token);; at = (at + 1) & mask) {
    if (m_Slots[at].Token == token) return m_Slots[at].Value;
    if (m_Slots[at].Token == 0) return nullptr;
  }
}

// At most half full, so that a probe ends soon.
void JNIlistenerRegistry::EntryTable::insert(std::uintptr_t token, Entry* entry) {
  if (m_Slots == nullptr || (m_Count + 1) * 2 > (std::size_t(1) << m_Bits)) grow();
  const std::size_t mask = (std::size_t(1) << m_Bits) - 1;
  std::size_t at = home(token);
  while (m_Slots[at].Token != 0) at = (at + 1) & mask;
  m_Slots[at] = Slot{token, entry};
  ++m_Count;
}

void JNIlistenerRegistry::EntryTable::grow() {
  const int bits = m_Slots == nullptr ? 3 : m_Bits + 1;
  std::unique_ptr<Slot[]> old(new Slot[std::size_t(1) << bits]());
  old.swap(m_Slots);
  const std::size_t oldSize = old == nullptr ? 0 : std::size_t(1) << m_Bits;
  m_Bits = bits;
  const std::size_t mask = (std::size_t(1) << bits) - 1;
  for (std::size_t i = 0; i < oldSize; ++i) {
    if (old[i].Token == 0) continue;
    std::size_t at = home(old[i].Token);
    while (m_Slots[at].Token != 0) at = (at + 1) & mask;
    m_Slots[at] = old[i];
  }
}

// The slots after the freed one that would no longer be found move back into it, so that
// no probe ever stops short of its token.
void JNIlistenerRegistry::EntryTable::erase(std::uintptr_t token) {
  const std::size_t mask = (std::size_t(1) << m_Bits) - 1;
  std::size_t hole = home(token);
  while (m_Slots[hole].Token != token) hole = (hole + 1) & mask;
  for (std::size_t at = (hole + 1) & mask; m_Slots[at].Token != 0; at = (at + 1) & mask) {
    const std::size_t wanted = home(m_Slots[at].Token);
    const bool reachable = hole <= at ? (hole < wanted && wanted <= at) : (hole < wanted || wanted <= at);
    if (reachable) continue;
    m_Slots[hole] = m_Slots[at];
    hole = at;
  }
  m_Slots[hole] = Slot{0, nullptr};
  if (--m_Count == 0) {
    m_Slots.reset();
    m_Bits = 0;
  }
}

JNIlistenerRegistry::JNIlistenerRegistry(const JNIeventKind* kinds, int count) : m_Kinds(kinds), m_KindCount(count) {}

// A token is a reading of the performance counter in units of 100 ns, later than every
// token this registry issued before (an add whose reading is not waits the few ticks
// until it is), times the number of shards, plus the shard it names. The registry lives
// in the library's static storage, so a load of the library after an unload starts
// afresh; but the first reading it takes comes after every reading an earlier load took,
// more than 100 ns after (an unload and a load take far longer), so no token of an
// earlier load is issued again. 2^57 units of 100 ns are 456 years: a token stays a
// positive long.
std::uintptr_t JNIlistenerRegistry::issue() {
  std::uint64_t last = m_LastStamp.load();
  for (;;) {
    std::uint64_t now = clockReading();
    // A counter that cannot be read still gives tokens of this load that never repeat.
    if (now == 0) now = last + 1;
    if (now <= last) {
      last = m_LastStamp.load();
      continue;
    }
    if (m_LastStamp.compare_exchange_weak(last, now)) {
      const unsigned shard = m_NextShard.fetch_add(1) % kShards;
      return static_cast<std::uintptr_t>(now << kShardBits | shard);
    }
  }
}

JNIlistenerRegistry::Shard& JNIlistenerRegistry::ownersOf(void* owner) const {
  const std::uint64_t spread = (static_cast<std::uint64_t>(keyOf(owner)) >> 4) * 0x9E3779B97F4A7C15ULL;
  return m_Shards[spread >> (64 - kShardBits)];
}

void* JNIlistenerRegistry::enter(JNIEnv* pEnv, jobject listener, void* owner) {
  jobject reference = pEnv->NewGlobalRef(listener);
  if (reference == nullptr) {
    throw COLerror("Unable to make a global reference to the listener.", 0, Source, COL_ERROR_PRECONDITION);
  }
  Entry* entry = nullptr;
  try {
    entry = new Entry(owner, reference, m_KindCount);
    std::uintptr_t key = issue();
    Shard& shard = shardOf(key);
    std::lock_guard<ShardLock> guard(shard.Lock);
    shard.Entries.insert(key, entry);
    return tokenOf(key);
  } catch (...) {
    delete entry;
    pEnv->DeleteGlobalRef(reference);
    throw;
  }
}

// Owner's listener is live: counted, and the latest. With replaced, an owner's live
// listener is replaced instead, its token handed back (0 when it had none).
void JNIlistenerRegistry::index(void* owner, std::uintptr_t key, std::uintptr_t* replaced) {
  Shard& shard = ownersOf(owner);
  std::lock_guard<ShardLock> guard(shard.Lock);
  Owner& record = shard.Owners[owner];
  if (replaced != nullptr && record.Live > 0) {
    *replaced = record.Latest;
  } else {
    ++record.Live;
  }
  record.Latest = key;
}

void JNIlistenerRegistry::unindex(void* owner, std::uintptr_t key) {
  Shard& shard = ownersOf(owner);
  std::lock_guard<ShardLock> guard(shard.Lock);
  auto found = shard.Owners.find(owner);
  if (found == shard.Owners.end()) return;
  if (found->second.Latest == key) found->second.Latest = 0;
  if (--found->second.Live <= 0) {
    shard.Owners.erase(found);
    shrinkWhenEmpty(shard.Owners);
  }
}

// Out of the live set, unless a Release is working on it (which then decides); the
// reference to delete, when no event held it. False when the token names no live
// listener of owner's.
bool JNIlistenerRegistry::drop(void* owner, std::uintptr_t key, jobject& last) {
  last = nullptr;
  Entry* gone = nullptr;
  {
    Shard& shard = shardOf(key);
    std::lock_guard<ShardLock> guard(shard.Lock);
    Entry* entry = shard.Entries.find(key);
    if (entry == nullptr || entry->Owner != owner || !entry->Live || entry->Claimed) return false;
    entry->Live = false;
    if (entry->Shares.fetch_sub(1) == 1) {
      last = entry->Reference;
      shard.Entries.erase(key);
      gone = entry;
    }
  }
  delete gone;
  return true;
}

void* JNIlistenerRegistry::add(JNIEnv* pEnv, jobject listener, void* owner) {
  void* token = enter(pEnv, listener, owner);
  index(owner, keyOf(token), nullptr);
  return token;
}

void* JNIlistenerRegistry::liveFor(void* owner) const {
  Shard& shard = ownersOf(owner);
  std::lock_guard<ShardLock> guard(shard.Lock);
  auto found = shard.Owners.find(owner);
  return found == shard.Owners.end() ? nullptr : tokenOf(found->second.Latest);
}

bool JNIlistenerRegistry::isLive(void* owner, void* token) const {
  const Shard& shard = shardOf(keyOf(token));
  std::lock_guard<ShardLock> guard(shard.Lock);
  const Entry* entry = shard.Entries.find(keyOf(token));
  return entry != nullptr && entry->Owner == owner && entry->Live;
}

bool JNIlistenerRegistry::release(JNIEnv* pEnv, void* owner, void* token) {
  jobject last = nullptr;
  if (!drop(owner, keyOf(token), last)) return false;
  unindex(owner, keyOf(token));
  if (last != nullptr) pEnv->DeleteGlobalRef(last);
  return true;
}

// ---- the steps of a Release. A claimed entry stays in its table until its Release
// finishes with it, so the Release keeps its address.

JNIlistenerRegistry::Claim JNIlistenerRegistry::claim(void* owner, void* token, Entry*& claimed) {
  claimed = nullptr;
  if (token == nullptr) {
    Shard& shard = ownersOf(owner);
    std::lock_guard<ShardLock> guard(shard.Lock);
    return shard.Owners.count(owner) != 0 ? Claim::Refused : Claim::ObjectOnly;
  }
  Shard& shard = shardOf(keyOf(token));
  std::lock_guard<ShardLock> guard(shard.Lock);
  Entry* entry = shard.Entries.find(keyOf(token));
  if (entry == nullptr || entry->Owner != owner || entry->Claimed || (!entry->Live && !entry->AwaitingObject))
    return Claim::Refused;
  entry->Claimed = true;
  claimed = entry;
  return entry->Live ? Claim::Live : Claim::Retry;
}

void JNIlistenerRegistry::unclaim(std::uintptr_t key, Entry* entry) {
  std::lock_guard<ShardLock> guard(shardOf(key).Lock);
  entry->Claimed = false;
}

// The library has let the listener go: out of the live set, waiting for the object's
// release; the reference to delete when no event holds it.
jobject JNIlistenerRegistry::takeOut(std::uintptr_t key, Entry* entry) {
  std::lock_guard<ShardLock> guard(shardOf(key).Lock);
  entry->Live = false;
  entry->AwaitingObject = true;
  jobject last = nullptr;
  if (entry->Shares.fetch_sub(1) == 1) {
    last = entry->Reference;
    entry->Reference = nullptr;
  }
  return last;
}

// The object is released: the listener is done with, and goes once its reference has.
void JNIlistenerRegistry::finish(std::uintptr_t key, Entry* entry) {
  {
    Shard& shard = shardOf(key);
    std::lock_guard<ShardLock> guard(shard.Lock);
    entry->Claimed = false;
    entry->AwaitingObject = false;
    if (entry->Shares.load() != 0 || entry->Reference != nullptr) return;
    shard.Entries.erase(key);
  }
  delete entry;
}

// The last share is given back: its reference, to delete; the entry goes unless a Release
// still needs it.
jobject JNIlistenerRegistry::giveBackShare(std::uintptr_t key, Entry* entry) {
  jobject last = nullptr;
  {
    Shard& shard = shardOf(key);
    std::lock_guard<ShardLock> guard(shard.Lock);
    last = entry->Reference;
    entry->Reference = nullptr;
    if (entry->Claimed || entry->AwaitingObject) return last;
    shard.Entries.erase(key);
  }
  delete entry;
  return last;
}

// ---- the protocol

void* JNIlistenerRegistry::addFor(JNIEnv* pEnv, const JNIlistenerContract& contract, jobject listener, void* owner) {
  if (contract.SecondAdd == JNIsecondAdd::TheLiveOne) {
    // Registered already: the library holds that listener, and a second one would be lost.
    if (void* live = liveFor(owner)) return live;
  }
  void* token = enter(pEnv, listener, owner);
  void* error = nullptr;
  jobject last = nullptr;
  try {
    error = contract.Add(owner, token);
  } catch (...) {
    drop(owner, keyOf(token), last);
    if (last != nullptr) pEnv->DeleteGlobalRef(last);
    throw;
  }
  if (error != nullptr) {
    // Refused: Java never receives the token, so nobody else could release it.
    drop(owner, keyOf(token), last);
    if (last != nullptr) pEnv->DeleteGlobalRef(last);
    JNIcheckDllResult(error);
  }
  std::uintptr_t replaced = 0;
  index(owner, keyOf(token), contract.SecondAdd == JNIsecondAdd::Replaces ? &replaced : nullptr);
  // The library holds the new listener only: the one it held before is given back.
  if (replaced != 0 && drop(owner, replaced, last) && last != nullptr) pEnv->DeleteGlobalRef(last);
  return token;
}

void JNIlistenerRegistry::releaseFor(JNIEnv* pEnv, const JNIlistenerContract& contract, void* owner, void* token) {
  const std::uintptr_t key = keyOf(token);
  Entry* entry = nullptr;
  void* refusal = nullptr;
  switch (claim(owner, token, entry)) {
    case Claim::Refused:
      refuse(contract.ReleaseMethod, token);
    case Claim::ObjectOnly:
    case Claim::Retry:
      releaseObject(contract, owner, key, entry, nullptr);
      return;
    case Claim::Live:
      break;
  }
  try {
    refusal = contract.Remove(owner, token);
  } catch (...) {
    unclaim(key, entry);
    throw;
  }
  if (refusal != nullptr) {
    if (contract.RefusedRemoval == JNIrefusedRemoval::Raises) {
      unclaim(key, entry);
      JNIcheckDllResult(refusal);
    }
    // The library may still call back with this token: the calls must find this code.
    JNIpinThisLibrary();
  }
  jobject last = takeOut(key, entry);
  unindex(owner, key);
  if (last != nullptr) pEnv->DeleteGlobalRef(last);
  releaseObject(contract, owner, key, entry, refusal);
}

// The object's release, the last step; entry is the claimed listener that waits for it
// (null for none). The first failure is the one reported (the removal's refusal, when the
// contract went on after it), a second one's error is given back.
void JNIlistenerRegistry::releaseObject(const JNIlistenerContract& contract, void* owner, std::uintptr_t key,
                                        Entry* entry, void* refusal) {
  void* error = nullptr;
  try {
    error = contract.Release(owner);
  } catch (...) {
    if (entry != nullptr) unclaim(key, entry);
    if (refusal != nullptr) contract.GiveBack(refusal);
    throw;
  }
  if (entry != nullptr) {
    if (error == nullptr) {
      finish(key, entry);
    } else {
      unclaim(key, entry);  // kept for the caller's retry
    }
  }
  if (refusal != nullptr) {
    if (error != nullptr) contract.GiveBack(error);
    JNIcheckDllResult(refusal);
  }
  JNIcheckDllResult(error);
}

jlong JNIlistenerAdd(JNIEnv* pEnv, const JNIlistenerContract& contract, jobject listener, jlong handle) noexcept {
  return JNIguard(pEnv, contract.Raise, jlong(0), [&] {
    return JNIlongOf(contract.Registry().addFor(pEnv, contract, listener, JNIhandleOf(handle)));
  });
}

void JNIlistenerRelease(JNIEnv* pEnv, const JNIlistenerContract& contract, jlong handle, jlong token) noexcept {
  JNIguard(pEnv, contract.Raise, 0, [&] {
    contract.Registry().releaseFor(pEnv, contract, JNIhandleOf(handle), JNIhandleOf(token));
    return 0;
  });
}

// ---- events

JNIlistenerRegistry::Share::Share(JNIlistenerRegistry& registry, JNIEnv* pEnv, void* token)
    : m_Registry(registry), m_pEnv(pEnv), m_Token(token), m_Listener(nullptr), m_Entry(nullptr) {
  Shard& shard = m_Registry.shardOf(keyOf(token));
  std::lock_guard<ShardLock> guard(shard.Lock);
  Entry* entry = shard.Entries.find(keyOf(token));
  if (entry == nullptr || !entry->Live) return;
  // Live, so the registry's share is still counted: this one cannot be the last.
  entry->Shares.fetch_add(1, std::memory_order_relaxed);
  m_Entry = entry;
  m_Listener = entry->Reference;
}

jmethodID JNIlistenerRegistry::Share::method(JNIEnv* pEnv, int kind) const {
  if (kind < 0 || kind >= m_Registry.kindCount()) {
    throw COLerror("The event is of no kind the bridge lists.", 0, Source, COL_ERROR_PRECONDITION);
  }
  std::atomic<jmethodID>& kept = m_Entry->Methods[kind];
  jmethodID known = kept.load(std::memory_order_acquire);
  if (known != nullptr) return known;
  jclass type = pEnv->GetObjectClass(m_Listener);
  jmethodID found = pEnv->GetMethodID(type, m_Registry.kind(kind).Method, m_Registry.kind(kind).Signature);
  pEnv->DeleteLocalRef(type);
  if (found != nullptr) kept.store(found, std::memory_order_release);
  return found;
}

JNIlistenerRegistry::Share::~Share() {
  if (m_Entry == nullptr) return;
  // Reaches 0 only once the registry's share has gone as well: nobody can take one again.
  if (m_Entry->Shares.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    jobject last = m_Registry.giveBackShare(keyOf(m_Token), m_Entry);
    if (last != nullptr) m_pEnv->DeleteGlobalRef(last);
  }
}

void JNIkeptVm::keep(JNIEnv* pEnv) {
  JavaVM* vm = nullptr;
  if (pEnv->GetJavaVM(&vm) != JNI_OK || vm == nullptr) {
    throw COLerror("The Java virtual machine could not be found", 0, Source, COL_ERROR_PRECONDITION);
  }
  m_Vm.store(vm);
}

void JNIdeliverEvent(const JNIeventRoad& road, int kind, void* token, JNIeventBody body,
                     const void* event) noexcept {
  JavaVM* vm = road.Vm.get();
  if (vm == nullptr || token == nullptr) return;
  JNIlistenerRegistry& registry = road.Registry();
  const char* name = kind >= 0 && kind < registry.kindCount() ? registry.kind(kind).Method : "unknown";
  try {
    JNIscopedEnvPointer scope(vm, CallbackVersion);
    JNIlistenerRegistry::Share share(registry, scope.pEnv, token);
    if (share.listener() == nullptr) return;
    try {
      JNIscopedLocalFrame frame(scope.pEnv, CallbackFrame);
      body(scope.pEnv, share, event);
      clearPending(scope.pEnv);
    } catch (...) {
      clearPending(scope.pEnv);
      reportCurrent(road.Bridge, name);
    }
  } catch (...) {
    // The thread got no environment from the JVM: it could not be attached, say.
    reportCurrent(road.Bridge, name);
  }
}

void JNIpinThisLibrary() noexcept {
  static std::atomic<bool> pinned{false};
  static const char inside = 0;
  if (pinned.exchange(true)) return;
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     &inside, &module);
}
